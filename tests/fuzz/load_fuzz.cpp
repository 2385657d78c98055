// libFuzzer target: loading arbitrary bytes as a configuration file, through
// loadConfigurationFile as the program does, from a temporary file. Checks
// what loading promises for any file, not just for files we wrote, and that
// the in-memory image loads the same.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "codetable/codetable.h"
#include "codetable/windows1252.h"

namespace {

using namespace codetable;

void require(bool condition) {
  if (!condition) std::abort();
}

bool isSymbol(std::string_view text) {
  if (text.size() != 1) return false;
  for (const Symbol& s : Symbols)
    if (s.symbol == text[0]) return true;
  return false;
}

// The file each input is written to: made once, removed at exit.
const std::string& inputPath() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    std::string name = std::string(dir && *dir ? dir : "/tmp") + "/velmora_load_fuzz.XXXXXX";
    const int fd = mkstemp(name.data());
    require(fd >= 0);
    close(fd);
    return name;
  }();
  static const bool removed = [] {
    return std::atexit([] { unlink(inputPath().c_str()); }) == 0;
  }();
  (void)removed;
  return path;
}

void writeInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(inputPath().c_str(), "wb");
  require(file != nullptr);
  require(size == 0 || std::fwrite(data, 1, size, file) == size);
  require(std::fclose(file) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  writeInput(data, size);
  ConfigRecord record;
  record.fill(0x5A);
  Tables tables;
  for (auto& cell : tables.DecodeTable) cell = {'?', 0, 0};
  const auto codes = loadConfigurationFile(inputPath(), record, tables);

  // The image in memory goes through the same record applier.
  ConfigRecord imageRecord;
  imageRecord.fill(0x5A);
  Tables imageTables;
  const auto imageCodes = applyFileImage(
      std::string_view(reinterpret_cast<const char*>(data), size), imageRecord, imageTables);
  require(imageCodes == codes && imageRecord == record);
  require(imageTables.EncodeTable == tables.EncodeTable);
  require(imageTables.DecodeTable == tables.DecodeTable);

  const std::size_t records = size / kRecordSize;
  if (records == 0) {
    // No whole record: nothing loaded, the tables emptied, the record kept.
    require(!codes);
    for (const auto& cell : tables.EncodeTable) require(readCell(cell).empty());
    for (const auto& cell : tables.DecodeTable) require(readCell(cell).empty());
    for (const auto byte : record) require(byte == 0x5A);
    return 0;
  }
  require(codes.has_value());
  // The record holds the last whole record.
  require(std::memcmp(record.data(), data + (records - 1) * kRecordSize, kRecordSize) == 0);

  const std::uint8_t* last = data + (records - 1) * kRecordSize;
  for (std::size_t i = 0; i < Symbols.size(); ++i) {
    const std::string& code = (*codes)[i];
    // A box gets the UTF-8 of the slot's Windows-1252 text in front of its
    // first zero, at most two bytes of it: at most two whole characters,
    // none of them zero, that fit a cell. The EncodeTable holds exactly the
    // box text.
    const std::uint8_t* slot = last + Symbols[i].slot * 3;
    const std::size_t length = slot[0] == 0 ? 0 : slot[1] == 0 ? 1 : 2;
    require(code ==
            windows1252ToUtf8(std::string_view(reinterpret_cast<const char*>(slot), length)));
    require(code.size() <= kMaxCellText && code.find('\0') == std::string::npos);
    require(cutText(code) == code);
    require(readCell(*cellFor(tables.EncodeTable, static_cast<std::uint8_t>(Symbols[i].symbol))) ==
            code);
    // The symbol can be found under the code's first byte as the file holds
    // it, unless a later symbol shares that byte.
    if (const Cell* cell = cellFor(tables.DecodeTable, slot[0]); cell && length > 0)
      require(!readCell(*cell).empty());
  }
  // Only symbol cells are encoded; every DecodeTable entry is one symbol.
  for (int value = kFirstCellByte; value <= kLastCellByte; ++value) {
    const auto byte = static_cast<std::uint8_t>(value);
    const bool symbol = isSymbol(std::string_view(reinterpret_cast<const char*>(&byte), 1));
    if (!symbol) require(readCell(*cellFor(tables.EncodeTable, byte)).empty());
    const std::string_view decoded = readCell(*cellFor(tables.DecodeTable, byte));
    require(decoded.empty() || isSymbol(decoded));
  }
  // What the configurator does next with the loaded texts must hold too.
  const auto faulty = faultyCodes(*codes);
  for (std::size_t i = 0; i < codes->size(); ++i) {
    const std::string cut = cutText((*codes)[i]);
    require((*codes)[i].compare(0, cut.size(), cut) == 0);
    if (!faulty[i]) require(isConvertible(static_cast<std::uint8_t>((*codes)[i][0])));
  }
  return 0;
}

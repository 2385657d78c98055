// The code table, the configuration record and file, and the check rule.
// GUI-free; file access goes through os/.
//
// The configuration file is a plain sequence of 111-byte records with no
// header; a file we write holds exactly one. A record is 37 slots of 3 bytes,
// each a NUL-terminated text of at most 2 bytes in Windows-1252, the code
// page of the Windows program that first wrote these files (ñ is F1, € is
// 80). Slot order (offsets in bytes):
//
//   a 0   b 3   c 6   d 9   e 12  f 15  g 18  h 21  i 24  j 27  k 30  l 33
//   m 36  n 39  ñ 42  o 45  p 48  q 51  r 54  s 57  t 60  u 63  v 66  w 69
//   x 72  y 75  z 78  1 81  2 84  3 87  4 90  5 93  6 96  7 99  8 102 9 105
//   0 108
//
// Saving puts a symbol's code byte at the slot's byte 0 and a zero at byte 1;
// byte 2 and the whole ñ slot are never written and keep what the record
// held. Loading applies every whole record in order; bytes after the last
// whole record are ignored. Loading turns each slot's text into UTF-8, the
// program's text, for the code boxes and the EncodeTable, so a cell of the
// tables may hold up to six bytes; the DecodeTable stays keyed by the code's
// first byte as the file holds it. Saving writes ASCII codes only (the check
// refuses any other), so the bytes saved mean the same in either encoding.
#include "codetable/codetable.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "codetable/windows1252.h"
#include "os/os.h"

namespace codetable {

// Processing order; slots as laid out in the record.
const std::array<Symbol, kSymbolCount> Symbols = {{
    {'a', 0},  {'b', 1},  {'c', 2},  {'d', 3},  {'e', 4},  {'f', 5},  {'g', 6},  {'h', 7},
    {'i', 8},  {'j', 9},  {'k', 10}, {'l', 11}, {'m', 12}, {'n', 13}, {'o', 15}, {'p', 16},
    {'q', 17}, {'r', 18}, {'s', 19}, {'t', 20}, {'u', 21}, {'v', 22}, {'w', 23}, {'x', 24},
    {'y', 25}, {'z', 26}, {'0', 36}, {'1', 27}, {'2', 28}, {'3', 29}, {'4', 30}, {'5', 31},
    {'6', 32}, {'7', 33}, {'8', 34}, {'9', 35},
}};

namespace {

struct ErrorText {
  os::FileError error;
  int code;
  const char* description;
};

constexpr ErrorText kErrorTexts[] = {
    {os::FileError::CannotCreate, 52, "Bad file name or number"},
    {os::FileError::DiskFull, 61, "Disk full"},
    {os::FileError::AccessDenied, 70, "Permission denied"},
    {os::FileError::NotReady, 71, "Disk not ready"},
    {os::FileError::MediaError, 72, "Disk media error"},
    {os::FileError::BadHandle, 57, "Device I/O error"},
    {os::FileError::InvalidParameter, 5, "Illegal function call"},
    {os::FileError::OutOfMemory, 7, "Out of memory"},
    {os::FileError::Other, 75, "Path/file access error"},
};

SaveOutcome outcomeOf(os::FileError error) {
  if (error == os::FileError::None) return {};
  for (const auto& text : kErrorTexts)
    if (text.error == error) return {text.code, text.description};
  return {75, "Path/file access error"};
}

// A slot read out of a record; the record is plain bytes, not cells.
Slot slotCopy(const std::uint8_t* record, int slot) {
  Slot copy;
  std::memcpy(copy.data(), record + slot * 3, copy.size());
  return copy;
}

void addDecodeEntry(Table& decode, std::string_view code, char symbol) {
  if (code.empty()) return;
  if (Cell* cell = cellFor(decode, static_cast<std::uint8_t>(code[0])))
    writeCell(*cell, std::string_view(&symbol, 1));
}

// Applies one whole record: the record buffer takes its bytes, each code
// goes into the tables and into `codes`.
void applyRecord(const std::uint8_t* bytes, ConfigRecord& record, Tables& tables, Codes& codes) {
  std::memcpy(record.data(), bytes, kRecordSize);
  for (std::size_t i = 0; i < Symbols.size(); ++i) {
    const Symbol& symbol = Symbols[i];
    const Slot slot = slotCopy(bytes, symbol.slot);
    const std::string_view raw = readSlot(slot);
    codes[i] = windows1252ToUtf8(raw);
    writeCell(*cellFor(tables.EncodeTable, static_cast<std::uint8_t>(symbol.symbol)), codes[i]);
    addDecodeEntry(tables.DecodeTable, raw, symbol.symbol);
  }
}

// The one way a configuration file's bytes are applied, from memory or from
// the disk: fed in pieces of any size, it applies each whole record as soon
// as its last byte arrives; a record split across two pieces waits in
// `pending_`. The tables are emptied when it starts.
class RecordApplier {
 public:
  RecordApplier(ConfigRecord& record, Tables& tables) : record_(record), tables_(tables) {
    tables_ = Tables{};
  }

  void feed(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) return;  // an empty view may hold no pointer at all
    if (pendingSize_ > 0) {
      const std::size_t take = std::min(size, kSize - pendingSize_);
      std::memcpy(pending_.data() + pendingSize_, bytes, take);
      pendingSize_ += take;
      bytes += take;
      size -= take;
      if (pendingSize_ < kSize) return;
      apply(pending_.data());
      pendingSize_ = 0;
    }
    for (; size >= kSize; bytes += kSize, size -= kSize) apply(bytes);
    std::memcpy(pending_.data(), bytes, size);
    pendingSize_ = size;
  }

  // The codes of the last whole record, or nothing when there was none.
  std::optional<Codes> finish() {
    if (!any_) return std::nullopt;
    return std::move(codes_);
  }

 private:
  static constexpr std::size_t kSize = kRecordSize;

  void apply(const std::uint8_t* bytes) {
    applyRecord(bytes, record_, tables_, codes_);
    any_ = true;
  }

  ConfigRecord& record_;
  Tables& tables_;
  std::array<std::uint8_t, kSize> pending_{};
  std::size_t pendingSize_ = 0;
  bool any_ = false;
  Codes codes_;
};

// Length of the well-formed UTF-8 sequence at the start of `text`, or 1 when
// the first byte does not start one.
std::size_t characterLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // range of the second byte
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 1;
  }
  if (text.size() < length) return 1;
  if (byte(1) < low || byte(1) > high) return 1;
  for (std::size_t i = 2; i < length; ++i)
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 1;
  return length;
}

}  // namespace

std::string_view readSlot(const Slot& slot) {
  const auto* text = reinterpret_cast<const char*>(slot.data());
  std::size_t length = 0;
  while (length < 2 && slot[length] != 0) ++length;
  return {text, length};
}

std::string_view readCell(const Cell& cell) {
  const auto* text = reinterpret_cast<const char*>(cell.data());
  std::size_t length = 0;
  while (length < kMaxCellText && cell[length] != 0) ++length;
  return {text, length};
}

void writeCell(Cell& cell, std::string_view text) {
  const std::size_t length = std::min(text.size(), kMaxCellText);
  std::memcpy(cell.data(), text.data(), length);
  cell[length] = 0;
}

Cell* cellFor(Table& table, std::uint8_t byte) {
  if (byte < kFirstCellByte || byte > kLastCellByte) return nullptr;
  return &table[byte - kFirstCellByte];
}

const Cell* cellFor(const Table& table, std::uint8_t byte) {
  if (byte < kFirstCellByte || byte > kLastCellByte) return nullptr;
  return &table[byte - kFirstCellByte];
}

void buildTables(const Codes& codes, Tables& tables) {
  tables = Tables{};
  for (std::size_t i = 0; i < Symbols.size(); ++i) {
    const char symbol = Symbols[i].symbol;
    std::string text = cutText(codes[i]);
    // Two four-byte characters do not fit a cell; the first one does.
    if (text.size() > kMaxCellText) text.resize(characterLength(text));
    writeCell(*cellFor(tables.EncodeTable, static_cast<std::uint8_t>(symbol)), text);
    addDecodeEntry(tables.DecodeTable, codes[i], symbol);
  }
}

std::optional<Codes> applyFileImage(std::string_view bytes, ConfigRecord& record, Tables& tables) {
  RecordApplier applier(record, tables);
  applier.feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return applier.finish();
}

std::optional<Codes> loadConfigurationFile(const std::string& path, ConfigRecord& record,
                                           Tables& tables) {
  RecordApplier applier(record, tables);
  os::FileReader reader;
  if (!reader.open(path)) return std::nullopt;
  constexpr std::size_t kBufferSize = kRecordSize * 512;
  std::array<std::uint8_t, kBufferSize> buffer;
  for (;;) {
    const std::ptrdiff_t n = reader.read(buffer.data(), kBufferSize);
    if (n <= 0) break;  // the end, or a read error: keep what was applied
    applier.feed(buffer.data(), static_cast<std::size_t>(n));
  }
  return applier.finish();
}

std::string errorMessage(const SaveOutcome& outcome) {
  return "Err: " + std::string(" ") + std::to_string(outcome.code) + " " + outcome.description;
}

SaveOutcome saveConfigurationFile(const std::string& path, const Codes& boxTexts,
                                  ConfigRecord& record, Tables& tables) {
  Codes codes;
  for (std::size_t i = 0; i < Symbols.size(); ++i) {
    codes[i] = boxTexts[i].substr(0, 1);
    const auto at = static_cast<std::size_t>(Symbols[i].slot) * 3;
    record[at] = codes[i].empty() ? 0 : static_cast<std::uint8_t>(codes[i][0]);
    record[at + 1] = 0;
  }
  buildTables(codes, tables);
  const std::string_view bytes(reinterpret_cast<const char*>(record.data()), record.size());
  return outcomeOf(os::replaceFileAtomically(path, bytes));
}

std::array<bool, kSymbolCount> faultyCodes(const Codes& codes) {
  std::array<bool, kSymbolCount> faulty{};
  std::array<bool, 256> claimed{};
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (codes[i].empty()) {
      faulty[i] = true;
      continue;
    }
    const auto first = static_cast<std::uint8_t>(codes[i][0]);
    if (!isConvertible(first) || claimed[first]) {
      faulty[i] = true;
      continue;
    }
    claimed[first] = true;
  }
  return faulty;
}

std::string cutText(std::string_view text) {
  std::size_t end = 0;
  for (int characters = 0; characters < 2 && end < text.size(); ++characters)
    end += characterLength(text.substr(end));
  return std::string(text.substr(0, end));
}

std::string programDir() {
  return directoryOf(os::programFilePath());
}

std::string directoryOf(std::string_view path) {
#if defined(_WIN32)
  const std::size_t cut = path.find_last_of("\\/");
#else
  const std::size_t cut = path.rfind(os::kSeparator);
#endif
  if (cut == std::string_view::npos) return {};
  return std::string(path.substr(0, cut + 1));
}

bool fileExists(const std::string& path) {
  return os::pathExists(path);
}

std::string configFolder(std::string_view programDir, KeyLocation where) {
  if (where == KeyLocation::BesideProgram) return std::string(programDir);
  const std::string base = os::userConfigFolder();
  if (base.empty()) return std::string(programDir);
  const std::string folder = base + os::kSeparator + std::string(kUserFolderName);
  // A folder that cannot be made shows itself when saving fails.
  os::makeFolders(folder);
  return folder + os::kSeparator;
}

std::string configFilePath(std::string_view programDir, KeyLocation where) {
  return configFolder(programDir, where) + std::string(kConfigFileName);
}

}  // namespace codetable

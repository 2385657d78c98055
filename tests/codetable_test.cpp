// Tests of the code table: the symbol layout, cells and tables, the
// configuration file (loading, atomic saving, odd files) and the check rule.
// GUI-free; runs on every platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "codetable/codetable.h"
#include "codetable/windows1252.h"
#include "configurator/grid.h"
#include "os/os.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using namespace codetable;
using os::FileError;
using os::testing::ReplaceStep;
using namespace std::string_literals;

// --- Helpers ----------------------------------------------------------------

fs::path pathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder for one test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    static int counter = 0;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = fs::temp_directory_path() /
            ("velmora-ct-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    fs::permissions(path_ / kConfigFileName, fs::perms::owner_all, ignored);
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }
  std::string file(std::string_view name = kConfigFileName) const { return utf8Of(path_ / name); }
  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_))
      names.insert(utf8Of(entry.path().filename()));
    return names;
  }

 private:
  fs::path path_;
};

// The slot order of a record, written out independently of the code: one
// character per slot, '_' for the ñ slot.
constexpr std::string_view kSlotLayout = "abcdefghijklmn_opqrstuvwxyz1234567890";
constexpr std::string_view kProcessingOrder = "abcdefghijklmnopqrstuvwxyz0123456789";

std::size_t offsetOf(char symbol) {
  return kSlotLayout.find(symbol) * 3;
}

// One record image: every slot zero except the given ones, whose up to three
// raw bytes are copied in as they are (so "xyz" makes a slot with no zero).
std::string recordImage(const std::map<char, std::string>& slots) {
  std::string bytes(kRecordSize, '\0');
  for (const auto& [symbol, content] : slots)
    bytes.replace(offsetOf(symbol), content.size(), content);
  return bytes;
}

Codes codesFrom(const std::map<char, std::string>& bySymbol) {
  Codes codes;
  for (const auto& [symbol, code] : bySymbol) codes[kProcessingOrder.find(symbol)] = code;
  return codes;
}

// Every symbol coded by itself: 36 distinct, valid codes.
Codes identityCodes() {
  Codes codes;
  for (std::size_t i = 0; i < codes.size(); ++i) codes[i] = std::string(1, kProcessingOrder[i]);
  return codes;
}

std::string cellText(const Table& table, char byte) {
  return std::string(readCell(*cellFor(table, static_cast<std::uint8_t>(byte))));
}

// The non-empty cells of a table, as "byte value -> text".
std::map<int, std::string> filledCells(const Table& table) {
  std::map<int, std::string> cells;
  for (int value = kFirstCellByte; value <= kLastCellByte; ++value) {
    const auto text = readCell(*cellFor(table, static_cast<std::uint8_t>(value)));
    if (!text.empty()) cells[value] = std::string(text);
  }
  return cells;
}

// Tables with something in every cell, to show that a routine empties them.
Tables dirtyTables() {
  Tables tables;
  for (auto& cell : tables.EncodeTable) cell = {'?', '?', 0};
  for (auto& cell : tables.DecodeTable) cell = {'?', 0, 0};
  return tables;
}

bool empty(const Tables& tables) {
  return filledCells(tables.EncodeTable).empty() && filledCells(tables.DecodeTable).empty();
}

// --- The symbol table and the configurator's grid ----------------------------

TEST(Symbols, ProcessingOrderIsLettersThenDigits) {
  std::string order;
  for (const Symbol& s : Symbols) order += s.symbol;
  EXPECT_EQ(order, kProcessingOrder);
}

TEST(Symbols, SlotsBoxesAndLabelsMatchTheWindowAndTheFile) {
  struct Row {
    char symbol;
    std::size_t offset;
    std::uint16_t box;
    std::uint16_t label;
  };
  // Rows where the layout is irregular, plus both ends.
  const Row rows[] = {
      {'a', 0, 1006, 1005},   {'b', 3, 1007, 1008},   {'m', 36, 1031, 1030}, {'n', 39, 1032, 1033},
      {'o', 45, 1036, 1037},  {'v', 66, 1050, 1051},  {'w', 69, 1029, 1052}, {'x', 72, 1055, 1054},
      {'z', 78, 1058, 1059},  {'1', 81, 1062, 1063},  {'7', 99, 1074, 1075}, {'8', 102, 1053, 1076},
      {'9', 105, 1077, 1078}, {'0', 108, 1060, 1061},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.symbol);
    const auto it = std::find_if(Symbols.begin(), Symbols.end(),
                                 [&](const Symbol& s) { return s.symbol == row.symbol; });
    ASSERT_NE(it, Symbols.end());
    const configurator::GridSymbol& grid = configurator::kGrid[it - Symbols.begin()];
    EXPECT_EQ(grid.symbol, row.symbol);
    EXPECT_EQ(static_cast<std::size_t>(it->slot) * 3, row.offset);
    EXPECT_EQ(grid.boxId, row.box);
    EXPECT_EQ(grid.labelId, row.label);
  }
}

TEST(Symbols, EverySlotBoxAndLabelIsUsedOnce) {
  std::set<int> slots;
  std::set<int> ids{configurator::kEnyeLabelId};
  for (std::size_t i = 0; i < Symbols.size(); ++i) {
    const Symbol& s = Symbols[i];
    EXPECT_EQ(static_cast<std::size_t>(s.slot) * 3, offsetOf(s.symbol)) << s.symbol;
    EXPECT_EQ(configurator::kGrid[i].symbol, s.symbol);
    slots.insert(s.slot);
    ids.insert(configurator::kGrid[i].boxId);
    ids.insert(configurator::kGrid[i].labelId);
  }
  EXPECT_EQ(slots.size(), 36u);
  EXPECT_FALSE(slots.count(kEnyeSlot));
  // Labels and boxes share 1005..1078, leaving out only 1034.
  EXPECT_EQ(ids.size(), 73u);
  EXPECT_EQ(*ids.begin(), 1005);
  EXPECT_EQ(*ids.rbegin(), 1078);
  EXPECT_FALSE(ids.count(1034));
}

// --- Cells and tables -------------------------------------------------------

TEST(Slots, ReadStopsAtTheFirstZeroAndAtTwoBytes) {
  const struct {
    Slot slot;
    std::string_view text;
  } cases[] = {
      {{0, 0, 0}, ""},
      {{'x', 0, 'z'}, "x"},
      {{'x', 'y', 0}, "xy"},
      {{0, 'y', 'z'}, ""},
      {{'x', 'y', 'z'}, "xy"},
      {{0xC3, 0xB1, 0}, "\xC3\xB1"},
      {{0xF1, 0x80, 0xBF}, "\xF1\x80"},  // raw bytes, not converted
  };
  for (const auto& c : cases) EXPECT_EQ(readSlot(c.slot), c.text);
}

// A table cell holds up to two characters of the file's code page as UTF-8.
TEST(Cells, ReadStopsAtTheFirstZeroAndAtSixBytes) {
  const struct {
    Cell cell;
    std::string_view text;
  } cases[] = {
      {{}, ""},
      {{'x', 0, 'z'}, "x"},
      {{0, 'y', 'z'}, ""},
      {{'x', 'y', 'z'}, "xyz"},
      {{0xE2, 0x82, 0xAC, 0xE2, 0x84, 0xA2, 0}, "\xE2\x82\xAC\xE2\x84\xA2"},  // €™
      {{'a', 'b', 'c', 'd', 'e', 'f', 'g'}, "abcdef"},                        // no zero at all
  };
  for (const auto& c : cases) EXPECT_EQ(readCell(c.cell), c.text);
}

TEST(Cells, WriteCopiesSixBytesAndAZeroAndKeepsTheRest) {
  const struct {
    std::string_view text;
    Cell after;
  } cases[] = {
      {"", {0, 'y', 'z', 'y', 'z', 'y', 'z'}},
      {"a", {'a', 0, 'z', 'y', 'z', 'y', 'z'}},
      {"ab", {'a', 'b', 0, 'y', 'z', 'y', 'z'}},
      {"\xE2\x82\xAC", {0xE2, 0x82, 0xAC, 0, 'z', 'y', 'z'}},
      {"abcdef", {'a', 'b', 'c', 'd', 'e', 'f', 0}},
      {"abcdefgh", {'a', 'b', 'c', 'd', 'e', 'f', 0}},
  };
  for (const auto& c : cases) {
    Cell cell = {'x', 'y', 'z', 'y', 'z', 'y', 'z'};
    writeCell(cell, c.text);
    EXPECT_EQ(cell, c.after) << c.text;
  }
}

TEST(Cells, TableCoversExactly48To164) {
  Table table{};
  EXPECT_EQ(cellFor(table, 47), nullptr);
  EXPECT_EQ(cellFor(table, 48), &table.front());
  EXPECT_EQ(cellFor(table, 164), &table.back());
  EXPECT_EQ(cellFor(table, 165), nullptr);
  EXPECT_EQ(cellFor(table, 0xF1), nullptr);
}

TEST(BuildTables, FillsOnlyTheSymbolCellsAndTheirCodesFirstBytes) {
  Tables tables = dirtyTables();
  Codes codes = identityCodes();
  codes[0] = "Q";  // a
  buildTables(codes, tables);
  const auto encode = filledCells(tables.EncodeTable);
  EXPECT_EQ(encode.size(), 36u);
  EXPECT_EQ(encode.at('a'), "Q");
  EXPECT_EQ(encode.at('0'), "0");
  EXPECT_FALSE(encode.count('A'));
  const auto decode = filledCells(tables.DecodeTable);
  EXPECT_EQ(decode.size(), 36u);
  EXPECT_EQ(decode.at('Q'), "a");
  EXPECT_FALSE(decode.count('a'));
}

TEST(BuildTables, DecodeEntriesFollowTheFirstByteAndTheLaterSymbolWins) {
  const struct {
    const char* name;
    std::map<char, std::string> codes;
    std::map<int, std::string> encode;  // the cells checked, by symbol
    std::map<int, std::string> decode;  // the whole DecodeTable
  } cases[] = {
      {"shared first byte", {{'b', "q"}, {'x', "q"}}, {{'b', "q"}, {'x', "q"}}, {{'q', "x"}}},
      {"digit after letter", {{'z', "7"}, {'3', "7"}}, {{'z', "7"}}, {{'7', "3"}}},
      {"two-byte codes", {{'c', "ab"}, {'e', "ax"}}, {{'c', "ab"}, {'e', "ax"}}, {{'a', "e"}}},
      {"longer text keeps two", {{'d', "xyz"}}, {{'d', "xy"}}, {{'x', "d"}}},
      {"range ends", {{'a', "0"}, {'b', "\xA4"}}, {}, {{'0', "a"}, {0xA4, "b"}}},
      // Box texts are UTF-8: two characters are kept, as many bytes as they
      // take, as long as they fit a cell.
      {"two characters of any length",
       {{'a', "€™x"}, {'b', "ñá"}, {'c', "😀😀"}, {'d', "x😀"}},
       {{'a', "€™"}, {'b', "ñá"}, {'c', "😀"}, {'d', "x😀"}},
       {{'x', "d"}}},
      {"outside the range or empty",
       {{'a', " "}, {'b', "/"}, {'c', "\xA5"}, {'d', "\xC3\xB1"}, {'e', ""}},
       {{'a', " "}, {'b', "/"}, {'c', "\xA5"}, {'d', "\xC3\xB1"}, {'e', ""}},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Tables tables = dirtyTables();
    buildTables(codesFrom(c.codes), tables);
    for (const auto& [symbol, text] : c.encode)
      EXPECT_EQ(cellText(tables.EncodeTable, static_cast<char>(symbol)), text);
    EXPECT_EQ(filledCells(tables.DecodeTable), c.decode);
  }
}

// --- The file's code page ---------------------------------------------------

TEST(Windows1252, EveryByteAsUtf8) {
  // The bytes where Windows-1252 differs from Latin-1, written as the
  // characters themselves; the five undefined ones are the C1 controls.
  const std::string_view block80[32] = {
      "€", "\u0081", "‚",      "ƒ", "„",      "…",      "†", "‡",      "ˆ", "‰", "Š",
      "‹", "Œ",      "\u008D", "Ž", "\u008F", "\u0090", "‘", "’",      "“", "”", "•",
      "–", "—",      "˜",      "™", "š",      "›",      "œ", "\u009D", "ž", "Ÿ",
  };
  std::string all, expectedAll;
  for (int value = 0; value < 256; ++value) {
    std::string expected;
    if (value < 0x80) {
      expected = std::string(1, static_cast<char>(value));
    } else if (value < 0xA0) {
      expected = block80[value - 0x80];
    } else {  // Latin-1: U+00A0..U+00FF
      expected = {static_cast<char>(0xC0 | value >> 6), static_cast<char>(0x80 | (value & 0x3F))};
    }
    const std::string byte(1, static_cast<char>(value));
    EXPECT_EQ(windows1252ToUtf8(byte), expected) << "byte " << value;
    all += byte;
    expectedAll += expected;
  }
  EXPECT_EQ(windows1252ToUtf8(all), expectedAll);
  EXPECT_EQ(windows1252ToUtf8(""), "");
  EXPECT_EQ(windows1252ToUtf8("\xF1\xE1\xBF"), "ñá¿");
}

// --- Loading ----------------------------------------------------------------

struct LoadCase {
  const char* name;
  std::string file;
  bool loads;
  std::map<char, std::string> codes;  // non-empty box texts expected
  std::map<int, std::string> decode;  // the whole DecodeTable expected
  std::string record;                 // expected record afterwards
};

std::vector<LoadCase> loadCases() {
  const std::string first = recordImage({{'a', "x"}, {'b', "y"}, {'c', "k"}});
  const std::string second = recordImage({{'a', "z"}, {'c', "y"}});
  const std::string odd =
      recordImage({{'a', "xyz"}, {'b', "\0yz"s}, {'n', "m\0q"s}, {'_', "\xF1\xF1\xF1"}});
  const std::string zero(kRecordSize, '\0');
  std::string marked(kRecordSize, '\x7F');
  // Codes as the Windows program wrote them, in Windows-1252: ñ, á, ¿, €,
  // a colon, two-byte codes, a slot with no zero byte, an undefined byte.
  const std::string windows = recordImage({{'a', "\xF1"},
                                           {'b', "\xE1"},
                                           {'c', "\xBF\0\xE9"s},
                                           {'d', "\x80"},
                                           {'e', ":"},
                                           {'f', "\xE9\xA1"},
                                           {'g', "\x80\x99\x81"},
                                           {'h', "\xA1"},
                                           {'i', "\x81"},
                                           {'_', "\xF1\xE1\xBF"}});
  return {
      {"empty file", "", false, {}, {}, marked},
      {"one byte short", first.substr(0, kRecordSize - 1), false, {}, {}, marked},
      {"one record",
       first,
       true,
       {{'a', "x"}, {'b', "y"}, {'c', "k"}},
       {{'x', "a"}, {'y', "b"}, {'k', "c"}},
       first},
      {"partial second record ignored",
       first + second.substr(0, 50),
       true,
       {{'a', "x"}, {'b', "y"}, {'c', "k"}},
       {{'x', "a"}, {'y', "b"}, {'k', "c"}},
       first},
      // Boxes and EncodeTable show record 2; DecodeTable keeps what record 2
      // does not overwrite: x still decodes to a, k to c.
      {"two records",
       first + second,
       true,
       {{'a', "z"}, {'c', "y"}},
       {{'x', "a"}, {'y', "c"}, {'k', "c"}, {'z', "a"}},
       second},
      {"collision inside one record",
       recordImage({{'b', "q"}, {'x', "q"}}),
       true,
       {{'b', "q"}, {'x', "q"}},
       {{'q', "x"}},
       recordImage({{'b', "q"}, {'x', "q"}})},
      {"odd slots", odd, true, {{'a', "xy"}, {'n', "m"}}, {{'x', "a"}, {'m', "n"}}, odd},
      {"all zero", zero, true, {}, {}, zero},
      // The boxes and the EncodeTable get UTF-8; the DecodeTable keeps the
      // file's first bytes, where they lie in 48..164 (g wins 0x80 from d).
      {"Windows-1252 codes",
       windows,
       true,
       {{'a', "ñ"},
        {'b', "á"},
        {'c', "¿"},
        {'d', "€"},
        {'e', ":"},
        {'f', "é¡"},
        {'g', "€™"},
        {'h', "¡"},
        {'i', "\u0081"}},
       {{':', "e"}, {0x80, "g"}, {0x81, "i"}, {0xA1, "h"}},
       windows},
  };
}

void expectLoaded(const LoadCase& c, const std::optional<Codes>& codes, const ConfigRecord& record,
                  const Tables& tables) {
  EXPECT_EQ(codes.has_value(), c.loads);
  EXPECT_EQ(std::string(record.begin(), record.end()), c.record);
  EXPECT_EQ(filledCells(tables.DecodeTable), c.decode);
  if (!codes) {
    EXPECT_TRUE(empty(tables));
    return;
  }
  for (std::size_t i = 0; i < codes->size(); ++i) {
    const char symbol = kProcessingOrder[i];
    const auto it = c.codes.find(symbol);
    const std::string expected = it == c.codes.end() ? "" : it->second;
    EXPECT_EQ((*codes)[i], expected) << symbol;
    EXPECT_EQ(cellText(tables.EncodeTable, symbol), expected) << symbol;
  }
}

TEST(Load, FileImagesOfEveryShape) {
  for (const LoadCase& c : loadCases()) {
    SCOPED_TRACE(c.name);
    ConfigRecord record;
    record.fill(0x7F);
    Tables tables = dirtyTables();
    const auto codes = applyFileImage(c.file, record, tables);
    expectLoaded(c, codes, record, tables);
  }
}

TEST(Load, FilesOnDiskLoadLikeTheirImages) {
  TempDir dir;
  for (const LoadCase& c : loadCases()) {
    SCOPED_TRACE(c.name);
    writeBytes(dir.path() / kConfigFileName, c.file);
    ConfigRecord record;
    record.fill(0x7F);
    Tables tables = dirtyTables();
    const auto codes = loadConfigurationFile(dir.file(), record, tables);
    expectLoaded(c, codes, record, tables);
  }
}

TEST(Load, LongFileWithRecordsAcrossReadBoundaries) {
  // Each record codes `a` differently and leaves its mark in the DecodeTable;
  // the file ends with a partial record. Enough records to need many reads.
  std::string file;
  const std::string letters = "bcdefghijklmnopqrstuvwxyz";
  constexpr int kRecords = 1237;
  for (int n = 0; n < kRecords; ++n)
    file += recordImage({{'a', std::string(1, letters[n % letters.size()])}, {'9', "9"}});
  file += recordImage({{'a', "Z"}}).substr(0, 100);
  TempDir dir;
  writeBytes(dir.path() / kConfigFileName, file);

  ConfigRecord fromDisk{}, fromImage{};
  Tables disk, image;
  const auto diskCodes = loadConfigurationFile(dir.file(), fromDisk, disk);
  const auto imageCodes = applyFileImage(file, fromImage, image);
  ASSERT_TRUE(diskCodes && imageCodes);
  EXPECT_EQ(*diskCodes, *imageCodes);
  EXPECT_EQ(fromDisk, fromImage);
  EXPECT_EQ(disk.EncodeTable, image.EncodeTable);
  EXPECT_EQ(disk.DecodeTable, image.DecodeTable);
  EXPECT_EQ((*diskCodes)[0], std::string(1, letters[(kRecords - 1) % letters.size()]));
  EXPECT_EQ(filledCells(disk.DecodeTable).size(), letters.size() + 1);
}

// Loads `path` on another thread, so that a load that blocks or never ends
// fails the test instead of hanging it. `unblock` may free a blocked load.
void expectNothingLoaded(const std::string& path, const std::function<void()>& unblock = {}) {
  std::promise<bool> done;
  std::future<bool> result = done.get_future();
  std::thread loader([path, done = std::move(done)]() mutable {
    ConfigRecord record;
    record.fill(0x7F);
    Tables tables = dirtyTables();
    const auto codes = loadConfigurationFile(path, record, tables);
    const bool recordKept =
        std::all_of(record.begin(), record.end(), [](auto b) { return b == 0x7F; });
    done.set_value(!codes && empty(tables) && recordKept);
  });
  if (result.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
    ADD_FAILURE() << "loading blocked on " << path;
    if (unblock) unblock();
    loader.detach();  // a load that never ends is left behind; the process ends it
    return;
  }
  // Joined, not detached: under Wine a new thread started while a detached
  // one is still exiting can stall for good.
  loader.join();
  EXPECT_TRUE(result.get()) << path;
}

TEST(Load, WhatIsNotARegularFileLoadsNothing) {
  TempDir dir;
  fs::create_directory(dir.path() / kConfigFileName);
  expectNothingLoaded(dir.file());                                  // a folder
  expectNothingLoaded(dir.file("missing.log"));                     // nothing there
  expectNothingLoaded(utf8Of(dir.path() / kConfigFileName / "x"));  // inside a folder
  expectNothingLoaded("");
  EXPECT_TRUE(fs::is_directory(dir.path() / kConfigFileName));
}

#if !defined(_WIN32)
TEST(Load, FifosAndDevicesLoadNothingAndNeverBlock) {
  TempDir dir;
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A FIFO with no writer would block a plain open; /dev/zero would never end.
  expectNothingLoaded(fifo, [&] { ::close(::open(fifo.c_str(), O_WRONLY)); });
  expectNothingLoaded("/dev/zero");
  expectNothingLoaded("/dev/null");
}
#endif

TEST(Load, WholeFilesAreReadOnlyFromRegularFiles) {
  TempDir dir;
  const std::string content = "abc\0def"s + std::string(70000, 'x');  // more than one read
  writeBytes(dir.path() / "file", content);
  fs::create_directory(dir.path() / "folder");
  const struct {
    std::string path;
    bool read;
    std::string bytes;
  } cases[] = {
    {dir.file("file"), true, content},
    {dir.file("folder"), false, ""},
    {dir.file("missing"), false, ""},
#if !defined(_WIN32)
    {"/dev/zero", false, ""},
#endif
  };
  for (const auto& c : cases) {
    std::string bytes = "old";
    EXPECT_EQ(os::readRegularFile(c.path, bytes), c.read) << c.path;
    EXPECT_EQ(bytes, c.bytes) << c.path;
  }
}

// --- Saving -----------------------------------------------------------------

TEST(Save, WritesExactlyOneRecordInSlotOrder) {
  // Letters coded by their capitals, digits by themselves.
  Codes codes;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    const char symbol = kProcessingOrder[i];
    codes[i] = std::string(1, symbol >= 'a' ? static_cast<char>(symbol - 'a' + 'A') : symbol);
  }
  const std::string expected = std::string(
      "A\0\0B\0\0C\0\0D\0\0E\0\0F\0\0G\0\0H\0\0I\0\0J\0\0K\0\0"
      "L\0\0M\0\0N\0\0\0\0\0O\0\0P\0\0Q\0\0R\0\0S\0\0T\0\0"
      "U\0\0V\0\0W\0\0X\0\0Y\0\0Z\0\0001\0\0002\0\0003\0\0"
      "4\0\0005\0\0006\0\0007\0\0008\0\0009\0\0000\0\0",
      kRecordSize);
  TempDir dir;
  ConfigRecord record{};
  Tables tables;
  const SaveOutcome outcome = saveConfigurationFile(dir.file(), codes, record, tables);
  EXPECT_TRUE(outcome.ok()) << errorMessage(outcome);
  EXPECT_EQ(readBytes(dir.path() / kConfigFileName), expected);
  EXPECT_EQ(std::string(record.begin(), record.end()), expected);
  EXPECT_EQ(dir.entries(), std::set<std::string>{std::string(kConfigFileName)});
}

TEST(Save, KeepsByteTwoAndTheEnyeSlotAndSavesOnlyTheFirstByte) {
  Codes boxes = identityCodes();
  boxes[0] = "Qyz";       // a: only Q is saved
  boxes[1] = "";          // b: empty box, zero code
  boxes[2] = "\xC3\xB1";  // c: the first byte of a UTF-8 ñ
  ConfigRecord record;
  record.fill(0xEE);
  Tables tables = dirtyTables();
  TempDir dir;
  ASSERT_TRUE(saveConfigurationFile(dir.file(), boxes, record, tables).ok());

  std::string expected;
  for (const char slot : kSlotLayout) {
    if (slot == '_') {
      expected += "\xEE\xEE\xEE";
      continue;
    }
    const std::string& box = boxes[kProcessingOrder.find(slot)];
    expected += box.empty() ? '\0' : box[0];
    expected += '\0';
    expected += '\xEE';
  }
  EXPECT_EQ(readBytes(dir.path() / kConfigFileName), expected);
  EXPECT_EQ(cellText(tables.EncodeTable, 'a'), "Q");
  EXPECT_EQ(cellText(tables.EncodeTable, 'b'), "");
  EXPECT_EQ(cellText(tables.EncodeTable, 'c'), "\xC3");
  EXPECT_EQ(cellText(tables.DecodeTable, 'Q'), "a");
  EXPECT_EQ(filledCells(tables.DecodeTable).size(), 34u);  // b empty, c out of range
}

TEST(Save, ReplacesAnyOldFileAndLoadsBack) {
  TempDir dir;
  const fs::path file = dir.path() / kConfigFileName;
  const struct {
    const char* name;
    std::string old;
    bool readOnly;
  } cases[] = {
      {"two records", recordImage({{'a', "q"}}) + recordImage({{'b', "r"}}), false},
      {"partial record", std::string(50, 'x'), false},
      {"read-only file", recordImage({{'a', "q"}}), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeBytes(file, c.old);
    if (c.readOnly)
      fs::permissions(file,
                      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                      fs::perm_options::remove);
    ConfigRecord record{};
    Tables tables;
    Codes codes = identityCodes();
    std::reverse(codes.begin(), codes.end());
    ASSERT_TRUE(saveConfigurationFile(dir.file(), codes, record, tables).ok());
    EXPECT_EQ(fs::file_size(file), static_cast<std::uintmax_t>(kRecordSize));

    ConfigRecord loadedRecord{};
    Tables loaded;
    const auto loadedCodes = loadConfigurationFile(dir.file(), loadedRecord, loaded);
    ASSERT_TRUE(loadedCodes);
    EXPECT_EQ(*loadedCodes, codes);
    EXPECT_EQ(loadedRecord, record);
    EXPECT_EQ(loaded.EncodeTable, tables.EncodeTable);
    EXPECT_EQ(loaded.DecodeTable, tables.DecodeTable);
    EXPECT_EQ(dir.entries().size(), 1u);
  }
}

TEST(Save, EachFailureKeepsTheOldFileAndReportsItsCode) {
  const struct {
    ReplaceStep step;
    FileError error;
    const char* message;
  } cases[] = {
      {ReplaceStep::Create, FileError::AccessDenied, "Err:  52 Bad file name or number"},
      {ReplaceStep::Write, FileError::DiskFull, "Err:  61 Disk full"},
      {ReplaceStep::Write, FileError::AccessDenied, "Err:  70 Permission denied"},
      {ReplaceStep::Write, FileError::NotReady, "Err:  71 Disk not ready"},
      {ReplaceStep::Flush, FileError::MediaError, "Err:  72 Disk media error"},
      {ReplaceStep::Write, FileError::BadHandle, "Err:  57 Device I/O error"},
      {ReplaceStep::Write, FileError::InvalidParameter, "Err:  5 Illegal function call"},
      {ReplaceStep::Write, FileError::OutOfMemory, "Err:  7 Out of memory"},
      {ReplaceStep::Flush, FileError::Other, "Err:  75 Path/file access error"},
      {ReplaceStep::Rename, FileError::Other, "Err:  52 Bad file name or number"},
  };
  // Two records, so that a save which merely appended would also show.
  const std::string old =
      recordImage({{'a', "q"}, {'_', "\x01\x02\x03"}}) + recordImage({{'b', "r"}});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    TempDir dir;
    writeBytes(dir.path() / kConfigFileName, old);
    ConfigRecord record{};
    Tables tables = dirtyTables();
    os::testing::failNextReplace(c.step, c.error);
    const SaveOutcome outcome = saveConfigurationFile(dir.file(), identityCodes(), record, tables);
    EXPECT_FALSE(outcome.ok());
    EXPECT_EQ(errorMessage(outcome), c.message);
    EXPECT_EQ(readBytes(dir.path() / kConfigFileName), old);
    EXPECT_EQ(dir.entries(), std::set<std::string>{std::string(kConfigFileName)});
    // The tables are built from the boxes even so.
    EXPECT_EQ(cellText(tables.EncodeTable, 'k'), "k");
    EXPECT_EQ(filledCells(tables.EncodeTable).size(), 36u);
  }
  // The injected failure fires once: the next save goes through.
  TempDir dir;
  ConfigRecord record{};
  Tables tables;
  EXPECT_TRUE(saveConfigurationFile(dir.file(), identityCodes(), record, tables).ok());
}

TEST(Save, RealFailuresLeaveWhatWasThere) {
  // Failures that the file system produces for any user, root included.
  TempDir dir;
  writeBytes(dir.path() / "plain", "not a folder");
  fs::create_directory(dir.path() / kConfigFileName);
  writeBytes(dir.path() / kConfigFileName / "inside", "keep");
  const struct {
    const char* name;
    std::string path;
    const char* message;
  } cases[] = {
      // The new file is written, but a folder stands where it would go.
      {"folder in the way", dir.file(), "Err:  52 Bad file name or number"},
      {"no such folder", utf8Of(dir.path() / "missing" / kConfigFileName),
       "Err:  52 Bad file name or number"},
      {"a file instead of a folder", utf8Of(dir.path() / "plain" / kConfigFileName),
       "Err:  52 Bad file name or number"},
  };
  const auto before = dir.entries();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ConfigRecord record{};
    Tables tables;
    const SaveOutcome outcome = saveConfigurationFile(c.path, identityCodes(), record, tables);
    EXPECT_EQ(errorMessage(outcome), c.message);
    EXPECT_EQ(dir.entries(), before);
  }
  EXPECT_EQ(readBytes(dir.path() / kConfigFileName / "inside"), "keep");
  EXPECT_EQ(readBytes(dir.path() / "plain"), "not a folder");
}

// A save first removes the new files that killed saves left beside the
// file, and only those: not one that a live save holds, nor names that
// merely look alike.
TEST(Save, RemovesTheNewFilesOfKilledSavesOnly) {
  TempDir dir;
  const std::string name(kConfigFileName);
  const std::string partial = recordImage({{'a', "q"}}).substr(0, 40);
  const std::string stale[] = {name + ".tmp99999-0", name + ".tmp1-17"};
  const std::string kept[] = {name + ".tmp", name + ".tmp12", name + ".tmpx-1",
                              name + ".tmp1-2.bak", "other.log.tmp1-2"};
  for (const auto& n : stale) writeBytes(dir.path() / n, partial);
  for (const auto& n : kept) writeBytes(dir.path() / n, partial);
  // One new file held as a live save holds it: locked, or open unshared.
  const std::string live = name + ".tmp42-7";
#if defined(_WIN32)
  HANDLE held = CreateFileW((dir.path() / live).wstring().c_str(), GENERIC_WRITE | DELETE, 0,
                            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
#else
  const int held = ::open((dir.path() / live).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
#endif

  ConfigRecord record{};
  Tables tables;
  ASSERT_TRUE(saveConfigurationFile(dir.file(), identityCodes(), record, tables).ok());
  std::set<std::string> expected(std::begin(kept), std::end(kept));
  expected.insert(name);
  expected.insert(live);
  EXPECT_EQ(dir.entries(), expected);
  ConfigRecord loadedRecord{};
  Tables loaded;
  EXPECT_EQ(loadConfigurationFile(dir.file(), loadedRecord, loaded), identityCodes());

  // Once its holder has gone, the next save removes it too.
#if defined(_WIN32)
  CloseHandle(held);
#else
  ::close(held);
#endif
  ASSERT_TRUE(saveConfigurationFile(dir.file(), identityCodes(), record, tables).ok());
  expected.erase(live);
  EXPECT_EQ(dir.entries(), expected);
}

#if defined(_WIN32)
TEST(Save, ReplacesAReadOnlyHiddenSystemFile) {
  TempDir dir;
  const fs::path file = dir.path() / kConfigFileName;
  writeBytes(file, recordImage({{'a', "q"}}));
  constexpr DWORD kOld = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  ASSERT_TRUE(SetFileAttributesW(file.wstring().c_str(), kOld));
  ASSERT_EQ(GetFileAttributesW(file.wstring().c_str()) & kOld, kOld);

  ConfigRecord record{};
  Tables tables;
  const SaveOutcome outcome = saveConfigurationFile(dir.file(), identityCodes(), record, tables);
  ASSERT_TRUE(outcome.ok()) << errorMessage(outcome);
  ConfigRecord loadedRecord{};
  Tables loaded;
  EXPECT_EQ(loadConfigurationFile(dir.file(), loadedRecord, loaded), identityCodes());
  EXPECT_EQ(dir.entries(), std::set<std::string>{std::string(kConfigFileName)});

  // When the new file cannot take its place, the old one keeps all three.
  SetFileAttributesW(file.wstring().c_str(), kOld);
  os::testing::failNextReplace(ReplaceStep::Rename, FileError::Other);
  EXPECT_FALSE(saveConfigurationFile(dir.file(), identityCodes(), record, tables).ok());
  EXPECT_EQ(GetFileAttributesW(file.wstring().c_str()) & kOld, kOld);
  SetFileAttributesW(file.wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
}
#else
// The code is never readable by others: the new file is 0600 before its
// first byte, whatever the umask, and the file that takes the old one's
// place keeps that mode.
TEST(Save, TheFileIsPrivateFromItsFirstByte) {
  const struct {
    mode_t umask;
    bool oldFile;
  } cases[] = {{022, false}, {022, true}, {0, true}, {077, false}, {0277, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE("umask " + std::to_string(c.umask) + (c.oldFile ? ", old file 0644" : ""));
    TempDir dir;
    const fs::path file = dir.path() / kConfigFileName;
    if (c.oldFile) {
      writeBytes(file, recordImage({{'a', "q"}}));
      ::chmod(file.c_str(), 0644);
    }
    struct Seen {
      mode_t mode = 0;
      off_t size = -1;
    };
    Seen atWrite, atRename;
    auto watch = [](Seen& seen) {
      return [&seen](const std::string& temp) {
        struct stat info;
        if (::stat(temp.c_str(), &info) == 0) seen = {info.st_mode & 07777, info.st_size};
      };
    };
    os::testing::observeNextReplace(ReplaceStep::Write, watch(atWrite));
    const mode_t before = ::umask(c.umask);
    ConfigRecord record{};
    Tables tables;
    const bool saved = saveConfigurationFile(dir.file(), identityCodes(), record, tables).ok();
    os::testing::observeNextReplace(ReplaceStep::Rename, watch(atRename));
    const bool savedAgain = saveConfigurationFile(dir.file(), identityCodes(), record, tables).ok();
    ::umask(before);
    ASSERT_TRUE(saved && savedAgain);

    EXPECT_EQ(atWrite.mode, 0600u);
    EXPECT_EQ(atWrite.size, 0) << "no byte is written before the mode is private";
    EXPECT_EQ(atRename.mode, 0600u);
    EXPECT_EQ(atRename.size, static_cast<off_t>(kRecordSize));
    struct stat info;
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
  }
}
#endif

TEST(Save, LongAndNonAsciiPathsWork) {
  TempDir dir;
  fs::path deep = dir.path();
  const std::string part =
      "carpeta-\xC3\xB1\x61nd\xC3\xBA-\xE4\xB8\xAD\xE6\x96\x87-0123456789abcdef";
  while (utf8Of(deep).size() < 300) deep /= pathOf(part);
  std::error_code error;
  fs::create_directories(deep, error);
  if (error) GTEST_SKIP() << "this file system library cannot make " << utf8Of(deep);
  const std::string file = utf8Of(deep / kConfigFileName);
  ASSERT_GT(file.size(), 300u);

  EXPECT_FALSE(fileExists(file));
  ConfigRecord record{};
  Tables tables;
  const SaveOutcome outcome = saveConfigurationFile(file, identityCodes(), record, tables);
  ASSERT_TRUE(outcome.ok()) << errorMessage(outcome);
  EXPECT_TRUE(fileExists(file));
  EXPECT_EQ(configFilePath(directoryOf(file), KeyLocation::BesideProgram), file);
  ConfigRecord loadedRecord{};
  Tables loaded;
  const auto codes = loadConfigurationFile(file, loadedRecord, loaded);
  ASSERT_TRUE(codes);
  EXPECT_EQ(*codes, identityCodes());
}

// --- The check rule ---------------------------------------------------------

TEST(Check, FaultyCodes) {
  const struct {
    const char* name;
    std::map<char, std::string> changes;  // on top of every symbol coding itself
    std::string faulty;                   // the faulty symbols
  } cases[] = {
      {"all distinct", {}, ""},
      {"b and x share q", {{'b', "q"}, {'q', "Q"}, {'x', "q"}}, "x"},
      {"only the first byte counts", {{'c', "ab"}, {'a', "A"}, {'e', "ax"}}, "e"},
      {"second bytes may repeat", {{'c', "ab"}, {'a', "A"}, {'b', "ba"}}, ""},
      {"case-sensitive", {{'a', "Q"}, {'q', "q"}}, ""},
      // Processing order, not box order: w (box 1029) comes after v (1050),
      // 8 (box 1053) after 7 (1074).
      {"w after v", {{'v', "k"}, {'k', "K"}, {'w', "k"}}, "w"},
      {"8 after 7", {{'7', "z"}, {'z', "Z"}, {'8', "z"}}, "8"},
      {"empty", {{'m', ""}, {'0', ""}}, "m0"},
      {"first byte not a letter or digit",
       {{'a', ":"},
        {'b', "_"},
        {'c', " "},
        {'d', "\xC3\xB1"},
        {'e', "\xF1"},
        {'f', "-x"},
        {'g', "\x7F"}},
       "abcdefg"},
      {"three alike", {{'d', "9"}, {'p', "9"}, {'9', "9"}}, "p9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Codes codes = identityCodes();
    for (const auto& [symbol, code] : c.changes) codes[kProcessingOrder.find(symbol)] = code;
    const auto faulty = faultyCodes(codes);
    std::string found;
    for (std::size_t i = 0; i < faulty.size(); ++i)
      if (faulty[i]) found += kProcessingOrder[i];
    EXPECT_EQ(found, c.faulty);
  }
  Codes none;
  const auto allFaulty = faultyCodes(none);
  EXPECT_EQ(std::count(allFaulty.begin(), allFaulty.end(), true), kSymbolCount);
}

TEST(Check, CutTextKeepsTwoWholeCharacters) {
  const struct {
    std::string_view text, cut;
  } cases[] = {
      {"", ""},
      {"a", "a"},
      {"ab", "ab"},
      {"abc", "ab"},
      {"\xC3\xB1xyz", "\xC3\xB1x"},  // ñ is two bytes
      {"\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97",
       "\xE4\xB8\xAD\xE6\x96\x87"},                 // three-byte characters
      {"\xF0\x9F\x98\x80z!", "\xF0\x9F\x98\x80z"},  // four bytes
      {"\xF1\xF1\xF1", "\xF1\xF1"},                 // stray bytes count one each
      {"a\xC3", "a\xC3"},                           // a cut-off sequence at the end
      {"\xC3(x", "\xC3("},                          // a lead byte without its tail
      {"\xE0\x80\x80", "\xE0\x80"},                 // an overlong form is not one character
      {"\xED\xA0\x80", "\xED\xA0"},                 // nor is a surrogate
  };
  for (const auto& c : cases) EXPECT_EQ(cutText(c.text), c.cut) << c.text;
}

// --- Paths ------------------------------------------------------------------

TEST(Paths, ProgramDirIsTheFolderOfThisTest) {
  const std::string dir = programDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), os::kSeparator);
  EXPECT_TRUE(fs::is_directory(pathOf(dir)));
  EXPECT_TRUE(fs::exists(pathOf(dir + "codetable_test")) ||
              fs::exists(pathOf(dir + "codetable_test.exe")));
  EXPECT_EQ(configFilePath(dir, KeyLocation::BesideProgram), dir + "a06b7c83f59d14e2.log");
}

TEST(Paths, DirectoryOfKeepsTheLastSeparator) {
  const struct {
    std::string_view path, dir;
  } cases[] = {
    {"/opt/velmora/velmora", "/opt/velmora/"},
    {"/velmora", "/"},
    {"velmora", ""},
    {"", ""},
    {"/opt/velmora/", "/opt/velmora/"},
#if defined(_WIN32)
    {"C:\\Archivos\\Velmora\\velmora.exe", "C:\\Archivos\\Velmora\\"},
    {"C:\\Archivos/velmora.exe", "C:\\Archivos/"},
#endif
  };
  for (const auto& c : cases) EXPECT_EQ(directoryOf(c.path), c.dir) << c.path;
}

TEST(Paths, FileExistsForAnythingThere) {
  TempDir dir;
  writeBytes(dir.path() / "file", "x");
  fs::create_directory(dir.path() / "folder");
  const struct {
    std::string path;
    bool exists;
  } cases[] = {
      {dir.file("file"), true},
      {dir.file("folder"), true},
      {dir.file("missing"), false},
      {utf8Of(dir.path() / "file" / "below"), false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(fileExists(c.path), c.exists) << c.path;
#if !defined(_WIN32)
  EXPECT_TRUE(fileExists("/dev/null"));
#endif
}

// --- Where the key file lies -------------------------------------------------

TEST(KeyLocation, BesideProgramIsProgramDirAndTheName) {
  const struct {
    std::string_view dir, path;
  } cases[] = {
      {"/opt/velmora/", "/opt/velmora/a06b7c83f59d14e2.log"},
      {"", "a06b7c83f59d14e2.log"},
      {"C:\\Archivos\\", "C:\\Archivos\\a06b7c83f59d14e2.log"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(configFilePath(c.dir, KeyLocation::BesideProgram), c.path);
    EXPECT_EQ(configFolder(c.dir, KeyLocation::BesideProgram), c.dir);
  }
}

#if !defined(_WIN32)
// Sets or unsets an environment variable for one scope, then restores it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

unsigned modeOf(const fs::path& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ? static_cast<unsigned>(info.st_mode & 07777) : 0u;
}

// The installed rule: $XDG_CONFIG_HOME/velmora/ when the variable holds an
// absolute path, otherwise $HOME/.config/velmora/; the folders that are
// missing get made, private to the user, and the file itself is saved there.
TEST(KeyLocation, UserConfigFolderFollowsXdgConfigHome) {
  const struct {
    const char* name;
    const char* xdg;   // relative to the test folder when it starts with '@'
    const char* home;  // the same
    const char* folder;
  } cases[] = {
      {"set", "@cfg", "@home", "cfg/velmora"},
      {"set, trailing slashes", "@cfg//", "@home", "cfg/velmora"},
      {"set, already there", "@home", "@home", "home/velmora"},
      {"unset", nullptr, "@home", "home/.config/velmora"},
      {"empty", "", "@home", "home/.config/velmora"},
      {"relative", "cfg", "@home", "home/.config/velmora"},
      {"relative with a dot", "./cfg", "@home/", "home/.config/velmora"},
      {"deep and missing", "@a/b/c", "@home", "a/b/c/velmora"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string root = utf8Of(dir.path());
    fs::create_directory(dir.path() / "home");
    fs::permissions(dir.path() / "home", fs::perms(0755));
    const auto expand = [&](const char* value) -> std::optional<std::string> {
      if (value == nullptr) return std::nullopt;
      return value[0] == '@' ? root + "/" + (value + 1) : std::string(value);
    };
    const auto xdg = expand(c.xdg), home = expand(c.home);
    ScopedEnv xdgEnv("XDG_CONFIG_HOME", xdg ? xdg->c_str() : nullptr);
    ScopedEnv homeEnv("HOME", home ? home->c_str() : nullptr);

    const fs::path folder = dir.path() / c.folder;
    const std::string path = configFilePath("/usr/bin/", KeyLocation::UserConfigFolder);
    EXPECT_EQ(path, utf8Of(folder) + "/a06b7c83f59d14e2.log");
    EXPECT_EQ(configFolder("/usr/bin/", KeyLocation::UserConfigFolder), utf8Of(folder) + "/");
    ASSERT_TRUE(fs::is_directory(folder));
    // Every folder the rule made is 0700; the ones that were there keep
    // their mode.
    for (fs::path made = folder; made != dir.path() / "home" && made != dir.path();
         made = made.parent_path())
      EXPECT_EQ(modeOf(made), 0700u) << made;
    EXPECT_EQ(modeOf(dir.path() / "home"), 0755u);

    ConfigRecord record{};
    Tables tables;
    const SaveOutcome outcome = saveConfigurationFile(path, identityCodes(), record, tables);
    ASSERT_TRUE(outcome.ok()) << errorMessage(outcome);
    EXPECT_TRUE(fs::is_regular_file(folder / kConfigFileName));
  }
}

TEST(KeyLocation, HomeComesFromTheUserDatabaseWhenHomeIsNotAbsolute) {
  // HOME unset or relative: the user database still knows the home folder.
  ScopedEnv xdgEnv("XDG_CONFIG_HOME", nullptr);
  ScopedEnv homeEnv("HOME", "relative/home");
  const std::string folder = os::userConfigFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.front(), '/');
  EXPECT_TRUE(folder.ends_with("/.config")) << folder;
}

TEST(KeyLocation, UnmakeableFolderLetsSavingReportIt) {
  TempDir dir;
  writeBytes(dir.path() / "file", "x");
  ScopedEnv xdgEnv("XDG_CONFIG_HOME", utf8Of(dir.path() / "file").c_str());
  const std::string path = configFilePath("/usr/bin/", KeyLocation::UserConfigFolder);
  EXPECT_EQ(path, utf8Of(dir.path() / "file" / "velmora" / kConfigFileName));
  EXPECT_FALSE(os::makeFolders(utf8Of(dir.path() / "file" / "velmora")));
  ConfigRecord record{};
  Tables tables;
  const SaveOutcome outcome = saveConfigurationFile(path, identityCodes(), record, tables);
  EXPECT_EQ(outcome.code, 52) << errorMessage(outcome);
}
#else
TEST(KeyLocation, UserConfigFolderIsRoamingAppData) {
  const std::string base = os::userConfigFolder();
  ASSERT_FALSE(base.empty());
  EXPECT_NE(base.back(), '\\');
  const std::string path = configFilePath("C:\\Archivos\\", KeyLocation::UserConfigFolder);
  EXPECT_EQ(path, base + "\\Velmora\\a06b7c83f59d14e2.log");
  EXPECT_TRUE(fs::is_directory(pathOf(base + "\\Velmora")));
}

TEST(KeyLocation, MakeFoldersMakesEveryMissingLevel) {
  TempDir dir;
  const std::string deep = utf8Of(dir.path() / "a" / "b" / "c");
  EXPECT_TRUE(os::makeFolders(deep));
  EXPECT_TRUE(fs::is_directory(pathOf(deep)));
  EXPECT_TRUE(os::makeFolders(deep));  // already there
  writeBytes(dir.path() / "file", "x");
  EXPECT_FALSE(os::makeFolders(utf8Of(dir.path() / "file" / "below")));
}
#endif

}  // namespace

// Tests of the substitution pass: every byte value against one table, the
// fast and the general path, the vector against the scalar fast path, and
// encoding followed by decoding.
// GUI-free; runs on every platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "codetable/codetable.h"
#include "convert/convert.h"
#include "convert/substitute_internal.h"

namespace {

using codetable::Cell;
using codetable::Codes;
using codetable::Table;
using convert::substituteText;

constexpr std::string_view kProcessingOrder = "abcdefghijklmnopqrstuvwxyz0123456789";

// The byte classes, written out once more for the test.
bool convertible(int byte) {
  const struct {
    int first, last;
    bool convertible;
  } classes[] = {
      {0x00, 0x2F, false}, {0x30, 0x39, true}, {0x3A, 0x40, false}, {0x41, 0x5A, true},
      {0x5B, 0x60, false}, {0x61, 0x7A, true}, {0x7B, 0xFF, false},
  };
  for (const auto& c : classes)
    if (byte >= c.first && byte <= c.last) return c.convertible;
  return false;
}

// A table with something in all 117 cells, so that a byte looked up by
// mistake shows. `content(v)` gives the text of the cell of byte value v.
template <typename Content>
Table fullTable(Content content) {
  Table table{};
  for (int v = codetable::kFirstCellByte; v <= codetable::kLastCellByte; ++v)
    codetable::writeCell(*codetable::cellFor(table, static_cast<std::uint8_t>(v)), content(v));
  return table;
}

std::string oneByte(int v) {
  return std::string(1, static_cast<char>(v ^ 0x80));
}
std::string twoBytes(int v) {
  return std::string{'<', static_cast<char>(v)};
}
std::string mixed(int v) {
  switch (v % 3) {
    case 0:
      return "";
    case 1:
      return oneByte(v);
    default:
      return twoBytes(v);
  }
}
// As long as a cell holds: two three-byte characters of UTF-8.
std::string sixBytes(int v) {
  return std::string{'<', static_cast<char>(v)} + "\xE2\x82\xAC>";
}
std::string anyLength(int v) {
  return sixBytes(v).substr(0, static_cast<std::size_t>(v) % (codetable::kMaxCellText + 1));
}

TEST(SubstituteText, EveryByteValueAgainstOneTable) {
  const struct {
    const char* name;
    std::string (*content)(int);
  } tables[] = {{"one byte per cell", oneByte},
                {"two bytes per cell", twoBytes},
                {"0, 1 or 2", mixed},
                {"six bytes per cell", sixBytes},
                {"0 to 6", anyLength}};
  for (const auto& t : tables) {
    SCOPED_TRACE(t.name);
    const Table table = fullTable(t.content);
    std::string all, expectedAll;
    for (int v = 0; v < 256; ++v) {
      const std::string byte(1, static_cast<char>(v));
      const std::string expected = convertible(v) ? t.content(v) : byte;
      EXPECT_EQ(substituteText(byte, table), expected) << "byte " << v;
      all += byte;
      expectedAll += expected;
    }
    EXPECT_EQ(substituteText(all, table), expectedAll);
  }
}

// The table of a configuration in which each symbol is coded by the next one
// (a by b, ..., z by 0, ..., 9 by a), built as a save builds it.
codetable::Tables rotatedTables() {
  Codes codes;
  for (std::size_t i = 0; i < codes.size(); ++i)
    codes[i] = std::string(1, kProcessingOrder[(i + 1) % kProcessingOrder.size()]);
  codetable::Tables tables;
  codetable::buildTables(codes, tables);
  return tables;
}

TEST(SubstituteText, EncodesAndDecodesWithASavedTable) {
  const codetable::Tables tables = rotatedTables();
  const struct {
    std::string_view plain, coded;
  } cases[] = {
      {"", ""},
      {"hola \xC3\xB1"
       "2",
       "ipmb \xC3\xB1"
       "3"},
      {"uno\r\ndos", "vop\r\nept"},
      {"2024", "3135"},
      {"z9", "0a"},
      {"   ", "   "},
      {"\xC2\xBF"
       "qu\xC3\xA9?",
       "\xC2\xBF"
       "rv\xC3\xA9?"},
      {":;<=>?@[\\]^_`{|}~", ":;<=>?@[\\]^_`{|}~"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(substituteText(c.plain, tables.EncodeTable), c.coded) << c.plain;
    EXPECT_EQ(substituteText(c.coded, tables.DecodeTable), c.plain) << c.coded;
  }
  // Capitals have empty cells and vanish.
  EXPECT_EQ(substituteText("Sol", tables.EncodeTable), "pm");
}

TEST(SubstituteText, EmptyAndTwoByteCells) {
  const Table empty{};
  EXPECT_EQ(substituteText("Hola, mundo 2024!\r\n", empty), ",  !\r\n");
  Table pairs{};
  codetable::writeCell(*codetable::cellFor(pairs, 'a'), "xy");
  EXPECT_EQ(substituteText("a-a-b", pairs), "xy-xy-");
}

// The pass as plainly as it can be written.
std::string reference(std::string_view text, const Table& table) {
  std::string result;
  for (const char c : text) {
    const auto byte = static_cast<std::uint8_t>(c);
    if (convertible(byte))
      result += codetable::readCell(*codetable::cellFor(table, byte));
    else
      result += c;
  }
  return result;
}

TEST(SubstituteText, MatchesThePlainPassOnRandomTablesAndTexts) {
  std::mt19937 random(20240601);
  std::uniform_int_distribution<int> byte(0, 255), length(0, static_cast<int>(sizeof(Cell))),
      size(0, 200);
  for (int round = 0; round < 400; ++round) {
    // Half the tables hold one byte per cell, the others any cell content.
    const bool oneEach = round % 2 == 0;
    Table table{};
    for (Cell& cell : table) {
      for (auto& b : cell) b = static_cast<std::uint8_t>(byte(random));
      const int n = oneEach ? 1 : length(random);
      if (n < static_cast<int>(cell.size())) cell[static_cast<std::size_t>(n)] = 0;
      if (oneEach && cell[0] == 0) cell[0] = 1;
    }
    std::string text(static_cast<std::size_t>(size(random)), '\0');
    for (char& c : text) c = static_cast<char>(byte(random));
    ASSERT_EQ(substituteText(text, table), reference(text, table)) << "round " << round;
  }
}

TEST(SubstituteText, CodesThatPassTheCheckDecodeBack) {
  const std::string alnum = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  const std::string textBytes = "abcdefghijklmnopqrstuvwxyz0123456789 .,;:!?-_\r\n\xC3\xB1\xC3\xA1";
  std::mt19937 random(7);
  int checked = 0;
  for (int round = 0; round < 300; ++round) {
    Codes codes;
    if (round % 2 == 0) {
      // 36 distinct codes: these always pass.
      std::string pool = alnum;
      std::shuffle(pool.begin(), pool.end(), random);
      for (std::size_t i = 0; i < codes.size(); ++i) codes[i] = std::string(1, pool[i]);
    } else {
      for (auto& code : codes) code = std::string(1, alnum[random() % alnum.size()]);
    }
    const auto faulty = codetable::faultyCodes(codes);
    if (std::find(faulty.begin(), faulty.end(), true) != faulty.end()) continue;
    ++checked;
    codetable::Tables tables;
    codetable::buildTables(codes, tables);
    std::string text(random() % 300, ' ');
    for (char& c : text) c = textBytes[random() % textBytes.size()];
    const std::string coded = substituteText(text, tables.EncodeTable);
    ASSERT_EQ(substituteText(coded, tables.DecodeTable), text) << "round " << round;
  }
  EXPECT_GE(checked, 150);
}

// Tables loaded from a file that the Windows program wrote: its codes are
// Windows-1252 bytes, and the coded text shows them as that program did.
TEST(SubstituteText, CodesFromAWindowsFileShowTheirCharacters) {
  std::string record(codetable::kRecordSize, '\0');
  const auto put = [&](char symbol, std::string_view bytes) {
    for (const auto& s : codetable::Symbols)
      if (s.symbol == symbol)
        record.replace(static_cast<std::size_t>(s.slot) * 3, bytes.size(), bytes);
  };
  put('a', "\xE9");      // é
  put('b', "\xA1");      // ¡
  put('c', "\xBF");      // ¿
  put('h', "\xF1");      // ñ
  put('o', "\x80\x99");  // €™
  put('l', "\x81");      // undefined in the code page
  put('2', ":");
  codetable::ConfigRecord configRecord{};
  codetable::Tables tables;
  ASSERT_TRUE(codetable::applyFileImage(record, configRecord, tables));
  const struct {
    std::string_view plain, coded, decoded;
  } cases[] = {
      // Read as UTF-8, these three bytes were one unrelated character.
      {"abc", "é¡¿", "é¡¿"},
      {"hola 2", "ñ€™\u0081é :", "ñ€™\u0081é :"},
      // Decoding looks up ASCII letters and digits only: the coded
      // characters pass through, symbols with no code vanish.
      {"ab xyz", "é¡ ", "é¡ "},
  };
  for (const auto& c : cases) {
    const std::string coded = substituteText(c.plain, tables.EncodeTable);
    EXPECT_EQ(coded, c.coded) << c.plain;
    EXPECT_EQ(substituteText(coded, tables.DecodeTable), c.decoded) << c.plain;
  }
}

TEST(SubstituteText, CodesThatFailTheCheckWouldNotDecodeBack) {
  // Why the check refuses punctuation: a colon is copied on decoding.
  Codes codes;
  for (std::size_t i = 0; i < codes.size(); ++i) codes[i] = std::string(1, kProcessingOrder[i]);
  codes[0].assign(1, ':');
  EXPECT_TRUE(codetable::faultyCodes(codes)[0]);
  codetable::Tables tables;
  codetable::buildTables(codes, tables);
  EXPECT_EQ(substituteText(substituteText("casa", tables.EncodeTable), tables.DecodeTable), "c:s:");
}

}  // namespace

// The fast path's lookup of a table with at most one byte per cell, as
// substituteText flattens it.
convert::detail::ByteEntries entriesOf(const Table& table) {
  convert::detail::ByteEntries entries{};
  for (int v = 0; v < 256; ++v) {
    const std::string_view cell =
        convertible(v)
            ? codetable::readCell(*codetable::cellFor(table, static_cast<std::uint8_t>(v)))
            : std::string_view();
    const int byte = convertible(v) ? (cell.empty() ? 0 : static_cast<std::uint8_t>(cell[0])) : v;
    const int kept = convertible(v) ? static_cast<int>(cell.size()) : 1;
    entries[static_cast<std::size_t>(v)] = static_cast<std::uint16_t>(byte | kept << 8);
  }
  return entries;
}

// Tables of one byte or none per cell, each of which the vector path must
// follow exactly: every cell full, a saved table (capitals empty), an empty
// table, codes from the top half of the byte values, and every cell empty but
// one.
std::vector<std::pair<const char*, Table>> fastPathTables() {
  std::vector<std::pair<const char*, Table>> tables;
  tables.emplace_back("every cell full", fullTable(oneByte));
  tables.emplace_back("saved", rotatedTables().EncodeTable);
  tables.emplace_back("decode of saved", rotatedTables().DecodeTable);
  tables.emplace_back("empty", Table{});
  tables.emplace_back("high codes",
                      fullTable([](int v) { return std::string(1, static_cast<char>(0xFF - v)); }));
  Table one{};
  codetable::writeCell(*codetable::cellFor(one, 'z'), "\x01");
  tables.emplace_back("one cell", one);
  return tables;
}

// Long enough to cover many vector steps and their boundaries.
constexpr std::size_t kBlock = 16 * convert::detail::kVectorStep;

// Every path of the fast pass against the plain pass.
void expectAllPathsAgree(std::string_view text, const Table& table) {
  const std::string expected = reference(text, table);
  const auto entries = entriesOf(table);
  ASSERT_EQ(convert::detail::substituteScalar(text, entries), expected);
  for (const auto path : convert::detail::kVectorPaths) {
    if (!convert::detail::vectorPathAvailable(path)) continue;
    ASSERT_EQ(convert::detail::substituteVector(text, entries, path), expected)
        << "vector path " << static_cast<int>(path);
  }
  ASSERT_EQ(substituteText(text, table), expected);
}

TEST(SubstituteFastPath, VectorRunsHere) {
  // The vector paths are what this machine should be checked with; say so
  // when one is missing rather than pass silently.
  if (!convert::detail::vectorPathAvailable(convert::detail::VectorPath::Avx2))
    GTEST_SKIP() << "no AVX2 on this processor";
  if (!convert::detail::vectorPathAvailable(convert::detail::VectorPath::Avx512))
    GTEST_SKIP() << "no AVX-512 VBMI2 on this processor: only the AVX2 path is checked";
}

TEST(SubstituteFastPath, EveryByteValueInEveryLane) {
  // 256 byte values against lane positions 0..31 of every step: a text whose
  // byte at i is (i * 33 + shift) mod 256 puts each value in each lane.
  for (const auto& [name, table] : fastPathTables()) {
    SCOPED_TRACE(name);
    for (int shift = 0; shift < 2; ++shift) {
      std::string text(256 * 33, '\0');
      for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char>((i * 33 + static_cast<std::size_t>(shift)) % 256);
      expectAllPathsAgree(text, table);
    }
    // Each value alone, repeated over two blocks and a tail.
    for (int v = 0; v < 256; ++v) {
      SCOPED_TRACE(v);
      expectAllPathsAgree(std::string(2 * kBlock + 7, static_cast<char>(v)), table);
    }
  }
}

TEST(SubstituteFastPath, EveryTailLength) {
  const std::string pattern =
      "hola, mundo 2024 \xC3\xB1"
      "and\xC3\xBA\r\n";
  std::string text;
  while (text.size() < 3 * kBlock) text += pattern;
  for (const auto& [name, table] : fastPathTables()) {
    SCOPED_TRACE(name);
    for (std::size_t size = 0; size <= 2 * kBlock + 64; ++size) {
      SCOPED_TRACE(size);
      expectAllPathsAgree(std::string_view(text).substr(0, size), table);
    }
  }
}

TEST(SubstituteFastPath, ABytePassedToTheScalarPassAtEveryPosition) {
  // A byte that the vector step must drop or must keep although it looks
  // like a dropped one (a capital with an empty cell, a zero byte, a letter
  // with an empty cell) at every position, so on each side of every step
  // boundary, among bytes that it carries.
  const Table saved = rotatedTables().EncodeTable;
  const std::size_t size = 2 * kBlock + 40;
  std::string base;
  while (base.size() < size) base += "abc xyz 0189 \xC3\xB1;";
  base.resize(size);
  for (const char odd : {'Q', '\0', 'q'}) {
    Table table = saved;
    if (odd == 'q') codetable::writeCell(*codetable::cellFor(table, 'q'), "");
    for (std::size_t at = 0; at < size; ++at) {
      std::string text = base;
      text[at] = odd;
      SCOPED_TRACE(at);
      expectAllPathsAgree(text, table);
    }
  }
}

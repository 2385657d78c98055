// Tests of velmora-cli in process: each command with its options and exit
// codes as one table, the streaming across block boundaries, lowering, and
// failing inputs and outputs. GUI-free; runs on every platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "codetable/codetable.h"
#include "convert/convert.h"

namespace {

namespace fs = std::filesystem;
using cli::StreamError;

constexpr std::string_view kOrder = "abcdefghijklmnopqrstuvwxyz0123456789";
// Each symbol coded by the next one.
const std::string kRotated = "bcdefghijklmnopqrstuvwxyz0123456789a";

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
void writeFile(const fs::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A record holding `codes` (one byte each) in their slots.
std::string recordOf(std::string_view codes) {
  std::string record(codetable::kRecordSize, '\0');
  for (std::size_t i = 0; i < codetable::Symbols.size(); ++i)
    record[static_cast<std::size_t>(codetable::Symbols[i].slot) * 3] = codes[i];
  return record;
}

// Standard input from a string, handed out in reads of at most `step` bytes.
class StringReader : public cli::Reader {
 public:
  StringReader(std::string text, std::size_t step) : text_(std::move(text)), step_(step) {}
  std::ptrdiff_t read(char* buffer, std::size_t size) override {
    const std::size_t n = std::min({size, step_, text_.size() - at_});
    std::memcpy(buffer, text_.data() + at_, n);
    at_ += n;
    return static_cast<std::ptrdiff_t>(n);
  }
  StreamError error() const override { return StreamError::None; }

 private:
  std::string text_;
  std::size_t step_, at_ = 0;
};

// A file that fails after its first bytes, as a failing disk would.
class FailingReader : public cli::Reader {
 public:
  std::ptrdiff_t read(char* buffer, std::size_t size) override {
    if (done_) return -1;
    done_ = true;
    const std::size_t n = std::min<std::size_t>(size, 3);
    std::memcpy(buffer, "abc", n);
    return static_cast<std::ptrdiff_t>(n);
  }
  StreamError error() const override { return StreamError::MediaError; }

 private:
  bool done_ = false;
};

// Standard streams in memory; files are real (the fixture's folder), and
// "FAILING" is a file that breaks while it is read.
class TestConsole : public cli::Console {
 public:
  std::string in, out, err, defaultKey;
  std::size_t readStep = 1 << 20;
  // The output fails with `outputError` once it holds `outputLimit` bytes.
  StreamError outputError = StreamError::None, finishError = StreamError::None;
  std::size_t outputLimit = 0;

  std::unique_ptr<cli::Reader> open(const std::string& input, StreamError& error) override {
    if (input == "-") return std::make_unique<StringReader>(in, readStep);
    if (input == "FAILING") return std::make_unique<FailingReader>();
    auto reader = std::make_unique<SystemReader>();
    error = reader->stream.open(input);
    if (error != StreamError::None) return nullptr;
    return reader;
  }
  StreamError writeOutput(std::string_view bytes) override {
    if (outputError != StreamError::None && out.size() + bytes.size() > outputLimit) {
      out.append(bytes.substr(0, outputLimit - out.size()));
      return outputError;
    }
    out.append(bytes);
    return StreamError::None;
  }
  StreamError finishOutput() override { return finishError; }
  void writeError(std::string_view text) override { err.append(text); }
  std::string defaultKeyFile() override { return defaultKey; }
  bool randomBytes(void* buffer, std::size_t size) override {
    for (std::size_t i = 0; i < size; ++i)
      static_cast<unsigned char*>(buffer)[i] = static_cast<unsigned char>(random_());
    return true;
  }

 private:
  struct SystemReader : cli::Reader {
    os::InputStream stream;
    std::ptrdiff_t read(char* buffer, std::size_t size) override {
      return stream.read(buffer, size);
    }
    StreamError error() const override { return stream.error(); }
  };
  static inline unsigned seed_ = 42;
  std::mt19937 random_{seed_++};
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("velmora-cli-test-" +
            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir_ / "folder");
    writeFile(dir_ / "key.log", recordOf(kRotated));
    writeFile(dir_ / "empty.log", "");
    writeFile(dir_ / "short.log", recordOf(kRotated).substr(1));
    // a: ':' (not a letter or digit), b: empty, d: 'c' like c (taken).
    std::string faulty = kRotated;
    faulty[0] = ':';
    faulty[1] = '\0';
    faulty[3] = 'd';
    writeFile(dir_ / "faulty.log", recordOf(faulty));
    writeFile(dir_ / "one.txt", "Uno\r\n");
    writeFile(dir_ / "two.txt", "dos ñ");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  std::string path(std::string_view name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

TEST_F(CliTest, CommandsOptionsAndExitCodes) {
  const std::string key = path("key.log"), one = path("one.txt"), two = path("two.txt");
  std::string table;
  for (std::size_t i = 0; i < kOrder.size(); ++i)
    table += std::string{kOrder[i], ' ', kRotated[i], '\n'};
  const struct {
    std::vector<std::string> args;
    std::string in;
    int exit;
    std::string out;     // exactly, unless `outHas`
    std::string errHas;  // a part of the error stream; "" for none at all
    bool outHas = false;
  } cases[] = {
      // Conversion: standard input, files in order, "-", capitals lowered.
      {{"encode", "--key", key}, "Hola \xC3\x91\r\n", 0, "ipmb \xC3\xB1\r\n", ""},
      {{"encode", std::string(key).insert(0, "--key=")}, "Sol", 0, "tpm", ""},
      {{"encode", "--key", key, one, "-", two}, "|", 0, "vop\r\n|ept \xC3\xB1", ""},
      {{"decode", "--key", key, "-"},
       "IPMB \xC3\xB1"
       "3",
       0,
       "hola \xC3\xB1"
       "2",
       ""},
      {{"encode", key, "--key", key}, "", 0, "", "", true},  // options after inputs too
      {{"encode", "--key", key, "--", "-"}, "a", 0, "b", ""},
      {{"encode"}, "a", 0, "b", ""},  // the default key file
      // An input that cannot be read is reported; the others are converted.
      {{"encode", "--key", key, one, path("missing.txt"), path("folder"), "FAILING", two},
       "",
       1,
       "vop\r\nbcdept \xC3\xB1",
       "no se puede leer"},
      // Key files that hold no whole record, or none at all.
      {{"encode", "--key", path("missing.log")}, "a", 2, "", "no existe el fichero de clave"},
      {{"decode", "--key", path("empty.log")}, "a", 2, "", "ning\xC3\xBAn registro completo"},
      {{"show", "--key", path("short.log")}, "", 2, "", "ning\xC3\xBAn registro completo"},
      {{"check", "--key", path("missing.log")}, "", 2, "", "no existe"},
      // Usage.
      {{}, "", 2, "", "falta la orden"},
      {{"cifrar"}, "", 2, "", "orden desconocida"},
      {{"encode", "--clave", key}, "", 2, "", "opci\xC3\xB3n desconocida"},
      {{"encode", "--key"}, "", 2, "", "le falta su valor"},
      {{"show", "--key", key, one}, "", 2, "", "no lleva entradas"},
      {{"encode", "--random", "--key", key}, "", 2, "", "solo para la orden new"},
      {{"new", "--key", path("n.log")}, "", 2, "", "--codes"},
      {{"new", "--key", path("n.log"), "--random", "--codes", kRotated}, "", 2, "", "--codes"},
      {{"new", "--key", path("n.log"), "--codes", kRotated.substr(1)}, "", 2, "", "hay 35"},
      {{"--help"}, "", 0, "Uso: velmora-cli", "", true},
      {{"encode", "-h"}, "", 0, "Uso: velmora-cli", "", true},
      // The check.
      {{"check", "--key", key}, "", 0, "La clave es correcta.\n", ""},
      {{"check", "--key", path("faulty.log")},
       "",
       3,
       "a: su c\xC3\xB3"
       "digo \xC2\xAB:\xC2\xBB no es una letra ni una cifra ASCII\n"
       "b: no tiene c\xC3\xB3"
       "digo\n"
       "d: su c\xC3\xB3"
       "digo \xC2\xAB"
       "d\xC2\xBB ya es el de \xC2\xAB"
       "c\xC2\xBB\n",
       ""},
      {{"show", "--key", key}, "", 0, table, ""},
      // Refused codes write nothing.
      {{"new", "--key", path("n.log"), "--codes", kRotated.substr(2).insert(0, "::")},
       "",
       3,
       "",
       "no se ha escrito nada"},
      {{"new", "--key", path("n.log"), "--codes", kRotated.substr(1).insert(0, "\xC3\xB1")},
       "",
       3,
       "",
       "\xC2\xAB\xC3\xB1\xC2\xBB no es una letra"},
  };
  for (const auto& c : cases) {
    std::string line;
    for (const auto& a : c.args) line += a + " ";
    SCOPED_TRACE(line);
    TestConsole console;
    console.in = c.in;
    console.defaultKey = key;
    EXPECT_EQ(cli::runCli(c.args, console), c.exit);
    if (c.outHas)
      EXPECT_NE(console.out.find(c.out), std::string::npos) << console.out;
    else
      EXPECT_EQ(console.out, c.out);
    if (c.errHas.empty())
      EXPECT_EQ(console.err, "");
    else
      EXPECT_NE(console.err.find(c.errHas), std::string::npos) << console.err;
    EXPECT_FALSE(fs::exists(dir_ / "n.log"));
  }
}

TEST_F(CliTest, NewWritesAKeyThatTheOtherCommandsUse) {
  const std::string key = path("sub/new.log");  // a folder that does not exist yet
  TestConsole console;
  ASSERT_EQ(cli::runCli({"new", "--key", key, "--codes", kRotated}, console), 0) << console.err;
  EXPECT_EQ(readFile(key), recordOf(kRotated));
  console.in = "hola";
  EXPECT_EQ(cli::runCli({"encode", "--key", key}, console), 0);
  EXPECT_EQ(console.out, "ipmb");

  // Over an existing file: the new codes replace the old ones.
  TestConsole again;
  const std::string reversed(kRotated.rbegin(), kRotated.rend());
  ASSERT_EQ(cli::runCli({"new", "--key", key, "--codes", reversed}, again), 0);
  EXPECT_EQ(readFile(key), recordOf(reversed));
}

TEST_F(CliTest, NewRandomDrawsAPermutationOfTheSymbols) {
  std::vector<std::string> seen;
  for (int round = 0; round < 3; ++round) {
    TestConsole console;
    const std::string key = path("random" + std::to_string(round) + ".log");
    ASSERT_EQ(cli::runCli({"new", "--random", "--key", key}, console), 0) << console.err;
    codetable::ConfigRecord record{};
    codetable::Tables tables;
    const auto codes = codetable::loadConfigurationFile(key, record, tables);
    ASSERT_TRUE(codes);
    std::string joined;
    for (const auto& code : *codes) joined += code;
    std::string sorted = joined;
    std::sort(sorted.begin(), sorted.end());
    std::string symbols(kOrder);
    std::sort(symbols.begin(), symbols.end());
    EXPECT_EQ(sorted, symbols);
    seen.push_back(joined);
  }
  EXPECT_NE(seen[0], seen[1]);
}

TEST_F(CliTest, OutputFailures) {
  const std::string key = path("key.log");
  const std::string text(3 * cli::kBlockSize, 'a');
  const struct {
    StreamError write, finish;
    int exit;
    bool reported;
  } cases[] = {
      {StreamError::DiskFull, StreamError::None, 1, true},  // never a silent truncation
      {StreamError::MediaError, StreamError::None, 1, true},
      {StreamError::BrokenPipe, StreamError::None, 0, false},  // the reader has gone: quiet
      {StreamError::None, StreamError::DiskFull, 1, true},     // reported only at the end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.write) * 10 + static_cast<int>(c.finish));
    TestConsole console;
    console.in = text;
    console.outputError = c.write;
    console.outputLimit = cli::kBlockSize / 2;
    console.finishError = c.finish;
    EXPECT_EQ(cli::runCli({"encode", "--key", key}, console), c.exit);
    EXPECT_EQ(console.err.find("no se puede escribir la salida") != std::string::npos, c.reported)
        << console.err;
    if (c.write != StreamError::None) {
      EXPECT_EQ(console.out.size(), cli::kBlockSize / 2);
    }
  }
}

TEST_F(CliTest, StreamingGivesWhatOnePassOverTheWholeTextGives) {
  // Characters of 1 to 4 bytes, capitals of 2 and 3 bytes, CR LF and
  // invalid bytes, read back in odd-sized pieces, so that block and read
  // boundaries fall inside sequences.
  const std::string pieces[] = {"Hola ", "\xC3\x91", "\xC3\x89", "\xE1\xBA\x9E", "\xF0\x90\x90\x80",
                                "\r\n",  "\xFF",     "\xC3",     "z9",           "\xE2\x82\xAC"};
  std::mt19937 random(5);
  std::string text;
  while (text.size() < 2 * cli::kBlockSize + 1000) text += pieces[random() % std::size(pieces)];
  codetable::Codes codes;
  for (std::size_t i = 0; i < codes.size(); ++i) codes[i].assign(1, kRotated[i]);
  codetable::Tables tables;
  codetable::buildTables(codes, tables);
  std::string lowered;
  cli::lowerText(text, lowered);
  const std::string expected = convert::substituteText(lowered, tables.EncodeTable);

  for (const std::size_t step :
       {std::size_t{1} << 20, cli::kBlockSize - 1, std::size_t{4093}, std::size_t{7}}) {
    SCOPED_TRACE(step);
    TestConsole console;
    console.in = text;
    console.readStep = step;
    ASSERT_EQ(cli::runCli({"encode", "--key", path("key.log")}, console), 0);
    ASSERT_EQ(console.out, expected);
  }
}

TEST(LowerText, AsTheTextBoxesLower) {
  const struct {
    std::string_view text, lowered;
  } cases[] = {
    {"", ""},
    {"Hola MUNDO 2024 [@`{]", "hola mundo 2024 [@`{]"},
    {"\xC3\x91\xC3\x81\xC3\x89\xC3\x8D\xC3\x93\xC3\x9A\xC3\x9C",
     "\xC3\xB1\xC3\xA1\xC3\xA9\xC3\xAD\xC3\xB3\xC3\xBA\xC3\xBC"},
    {"\xCE\xA9 \xD0\x96", "\xCF\x89 \xD0\xB6"},  // Greek and Cyrillic
#if !defined(_WIN32)
    // As QString::toLower: the Kelvin sign becomes ASCII, and the capital
    // I with dot above takes its full mapping. The Win32 boxes lower
    // through CharLowerBuffW, which under Wine leaves the Kelvin sign.
    {"\xE2\x84\xAA", "k"},
    {"\xC4\xB0", "i\xCC\x87"},
#endif
    {"\xC8\xBA", "\xE2\xB1\xA5"},              // two bytes lower to three
    {"\xF0\x90\x90\x80", "\xF0\x90\x90\xA8"},  // outside the BMP (Deseret)
    {"\r\n\t\x01\x7F", "\r\n\t\x01\x7F"},
    // Not UTF-8: passes as it is, and so do the bytes around it.
    {"\xFF\xC3(\xC3", "\xFF\xC3(\xC3"},
    {"\xC0\x81\xE0\x80\x80\xED\xA0\x80\xF4\x90\x80\x80",
     "\xC0\x81\xE0\x80\x80\xED\xA0\x80\xF4\x90\x80\x80"},
    {"A\xC3\x91"
     "B\xFF"
     "C",
     "a\xC3\xB1"
     "b\xFF"
     "c"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZ\xC3\x91", "abcdefghijklmnopqrstuvwxyz\xC3\xB1"},
  };
  for (const auto& c : cases) {
    // What is already in `out` stays in front.
    std::string out = "x", expected = "x";
    expected.append(c.lowered);
    cli::lowerText(c.text, out);
    EXPECT_EQ(out, expected) << c.text;
  }
}

TEST(LowerText, ALongTextLowersAsItsCharactersOneByOne) {
  // Long runs take the 16-byte path; a character alone never does. Pieces
  // around what that path must leave to the byte-wise one: the
  // multiplication sign, ß, other two-byte and longer characters, a lone
  // lead byte, a continuation byte without its lead.
  const std::string pieces[] = {
      "a",        "Z",        "Hola ",        "\xC3\x91",         "\xC3\xB1",
      "\xC3\x89", "\xC3\x80", "\xC3\x9E",     "\xC3\x97",         "\xC3\x9F",
      "\xC3\xBF", "\xCE\xA9", "\xE2\x82\xAC", "\xF0\x90\x90\x80", "\xC3",
      "\x89",     "@[`{",     "\r\n",         "0123456789ABCDEF"};
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    std::string text;
    const auto count = random() % 80;
    for (unsigned n = 0; n < count; ++n) text += pieces[random() % std::size(pieces)];
    std::string expected;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t length = cli::characterLength(std::string_view(text).substr(at));
      cli::lowerText(std::string_view(text).substr(at, length), expected);
      at += length;
    }
    std::string lowered;
    cli::lowerText(text, lowered);
    ASSERT_EQ(lowered, expected) << "round " << round;
  }
}

TEST(LowerText, CompleteLengthKeepsWholeCharacters) {
  const struct {
    std::string_view block;
    std::size_t length;
  } cases[] = {
      {"", 0},
      {"ab", 2},
      {"a\xC3", 1},
      {"a\xC3\xB1", 3},
      {"a\xE2\x82", 1},
      {"a\xE2\x82\xAC", 4},
      {"a\xF0\x90\x90", 1},
      {"a\xF0\x90\x90\x80", 5},
      {"a\x80\x80\x80", 4},  // continuation bytes with no lead: nothing to wait for
      {"a\r", 2},
  };
  for (const auto& c : cases) EXPECT_EQ(cli::completeLength(c.block), c.length) << c.block;
}

}  // namespace

// Benchmarks of the GUI-free core: the substitution pass against memcpy of
// the same size in the same run, and loading and saving the configuration
// file. Run by hand (bench preset); figures go to docs/performance.md.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "codetable/codetable.h"
#include "convert/convert.h"
#include "convert/substitute_internal.h"

namespace {

constexpr std::string_view kProcessingOrder = "abcdefghijklmnopqrstuvwxyz0123456789";

// Spanish-looking text: words of small letters with an occasional capital,
// numbers, punctuation, ñ and accented vowels (two bytes each in UTF-8) and
// CR LF line ends. Generated once, then repeated up to the size asked for.
std::string mixedText(std::size_t size) {
  static const std::string block = [] {
    std::mt19937 random(2024);
    const std::string_view letters = "aaaaeeeeiioooosrnldtcumpbgvyqhfzjxkw";
    const char* const accented[] = {"\xC3\xB1", "\xC3\xA1", "\xC3\xA9",
                                    "\xC3\xAD", "\xC3\xB3", "\xC3\xBA"};
    const std::string_view punctuation = ",.;:?!";
    std::string text;
    while (text.size() < (1u << 20)) {
      const auto kind = static_cast<unsigned>(random() % 100);
      if (kind < 8) {
        text += std::to_string(random() % 10000);
      } else {
        const auto length = static_cast<unsigned>(2 + random() % 8);
        for (unsigned i = 0; i < length; ++i) {
          if (random() % 25 == 0)
            text += accented[random() % 6];
          else
            text += letters[random() % letters.size()];
        }
        if (kind < 15) text[text.size() - length] = 'E';  // a capital now and then
      }
      if (kind % 9 == 0) text += punctuation[random() % punctuation.size()];
      text += kind % 13 == 0 ? "\r\n" : " ";
    }
    return text;
  }();
  std::string text;
  text.reserve(size);
  while (text.size() < size) text.append(block, 0, std::min(block.size(), size - text.size()));
  return text;
}

// A table as saved from the configurator: each symbol coded by the next.
codetable::Tables savedTables() {
  codetable::Codes codes;
  for (std::size_t i = 0; i < codes.size(); ++i)
    codes[i] = std::string(1, kProcessingOrder[(i + 1) % kProcessingOrder.size()]);
  codetable::Tables tables;
  codetable::buildTables(codes, tables);
  return tables;
}

void bytesPerIteration(benchmark::State& state, std::size_t size) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(size));
}

void BM_Memcpy(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string text = mixedText(size);
  std::string out(size, '\0');
  for (auto _ : state) {
    std::memcpy(out.data(), text.data(), size);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  bytesPerIteration(state, size);
}

// A copy into a new string: what any pass returning a new text pays at least.
void BM_CopyToNewString(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string text = mixedText(size);
  for (auto _ : state) {
    std::string out(text);
    benchmark::DoNotOptimize(out.data());
  }
  bytesPerIteration(state, size);
}

void BM_SubstituteText(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string text = mixedText(size);
  const codetable::Tables tables = savedTables();
  for (auto _ : state) {
    std::string out = convert::substituteText(text, tables.EncodeTable);
    benchmark::DoNotOptimize(out.data());
  }
  bytesPerIteration(state, size);
}

// The fast path's versions one by one, on the saved table: the scalar pass
// and each vector pass this processor runs (substituteText takes the widest).
convert::detail::ByteEntries savedEntries() {
  const codetable::Tables tables = savedTables();
  convert::detail::ByteEntries entries;
  for (int v = 0; v < 256; ++v) {
    const auto byte = static_cast<std::uint8_t>(v);
    if (!codetable::isConvertible(byte)) {
      entries[byte] = static_cast<std::uint16_t>(byte | 1 << 8);
      continue;
    }
    const std::string_view cell =
        codetable::readCell(*codetable::cellFor(tables.EncodeTable, byte));
    entries[byte] = static_cast<std::uint16_t>(
        (cell.empty() ? 0 : static_cast<std::uint8_t>(cell[0])) | cell.size() << 8);
  }
  return entries;
}

void BM_FastPathScalar(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string text = mixedText(size);
  const auto entries = savedEntries();
  for (auto _ : state) {
    std::string out = convert::detail::substituteScalar(text, entries);
    benchmark::DoNotOptimize(out.data());
  }
  bytesPerIteration(state, size);
}

template <convert::detail::VectorPath path>
void BM_FastPathVector(benchmark::State& state) {
  if (!convert::detail::vectorPathAvailable(path)) {
    state.SkipWithError("not on this processor");
    return;
  }
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string text = mixedText(size);
  const auto entries = savedEntries();
  for (auto _ : state) {
    std::string out = convert::detail::substituteVector(text, entries, path);
    benchmark::DoNotOptimize(out.data());
  }
  bytesPerIteration(state, size);
}
void BM_FastPathAvx2(benchmark::State& state) {
  BM_FastPathVector<convert::detail::VectorPath::Avx2>(state);
}
void BM_FastPathAvx512(benchmark::State& state) {
  BM_FastPathVector<convert::detail::VectorPath::Avx512>(state);
}

// A table that is not one byte per cell (one code of two bytes, capitals
// empty as always), so the general path runs.
void BM_SubstituteTextGeneral(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string text = mixedText(size);
  codetable::Tables tables = savedTables();
  codetable::writeCell(*codetable::cellFor(tables.EncodeTable, 'q'), "qu");
  for (auto _ : state) {
    std::string out = convert::substituteText(text, tables.EncodeTable);
    benchmark::DoNotOptimize(out.data());
  }
  bytesPerIteration(state, size);
}

// A table loaded from a file that the Windows program wrote: every letter
// coded by an accented letter of its code page (two bytes of UTF-8 each),
// one by a two-character code of six bytes, the digits by themselves.
void BM_SubstituteTextWindowsFile(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string text = mixedText(size);
  std::string file(codetable::kRecordSize, '\0');
  for (const auto& symbol : codetable::Symbols) {
    const auto at = static_cast<std::size_t>(symbol.slot) * 3;
    file[at] =
        symbol.symbol >= 'a' ? static_cast<char>(0xE0 + (symbol.symbol - 'a')) : symbol.symbol;
    if (symbol.symbol == 'q') file.replace(at, 2, "\x80\x99");  // €™
  }
  codetable::ConfigRecord record{};
  codetable::Tables tables;
  codetable::applyFileImage(file, record, tables);
  for (auto _ : state) {
    std::string out = convert::substituteText(text, tables.EncodeTable);
    benchmark::DoNotOptimize(out.data());
  }
  bytesPerIteration(state, size);
}

// For comparison: the pass written byte by byte with std::string appends.
void BM_PerByteAppend(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string text = mixedText(size);
  const codetable::Tables tables = savedTables();
  for (auto _ : state) {
    std::string out;
    for (const char c : text) {
      const auto byte = static_cast<std::uint8_t>(c);
      if (codetable::isConvertible(byte))
        out += codetable::readCell(*codetable::cellFor(tables.EncodeTable, byte));
      else
        out += c;
    }
    benchmark::DoNotOptimize(out.data());
  }
  bytesPerIteration(state, size);
}

class ConfigFile {
 public:
  explicit ConfigFile(int records) {
    path_ = std::filesystem::temp_directory_path() /
            ("velmora-bench-" +
             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(path_);
    std::string bytes;
    for (int n = 0; n < records; ++n) {
      codetable::ConfigRecord record{};
      for (const auto& symbol : codetable::Symbols)
        record[static_cast<std::size_t>(symbol.slot) * 3] = static_cast<std::uint8_t>(
            kProcessingOrder[(n + symbol.slot) % kProcessingOrder.size()]);
      bytes.append(reinterpret_cast<const char*>(record.data()), record.size());
    }
    std::ofstream(file(), std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    image_ = bytes;
  }
  ~ConfigFile() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string file() const { return (path_ / codetable::kConfigFileName).string(); }
  const std::string& image() const { return image_; }

 private:
  std::filesystem::path path_;
  std::string image_;
};

void BM_LoadConfigurationFile(benchmark::State& state) {
  const ConfigFile config(static_cast<int>(state.range(0)));
  codetable::ConfigRecord record{};
  codetable::Tables tables;
  for (auto _ : state) {
    auto codes = codetable::loadConfigurationFile(config.file(), record, tables);
    benchmark::DoNotOptimize(codes);
  }
  bytesPerIteration(state, config.image().size());
}

void BM_ApplyFileImage(benchmark::State& state) {
  const ConfigFile config(static_cast<int>(state.range(0)));
  codetable::ConfigRecord record{};
  codetable::Tables tables;
  for (auto _ : state) {
    auto codes = codetable::applyFileImage(config.image(), record, tables);
    benchmark::DoNotOptimize(codes);
  }
  bytesPerIteration(state, config.image().size());
}

// One save: write, flush to the disk, replace. Dominated by the flush.
void BM_SaveConfigurationFile(benchmark::State& state) {
  const ConfigFile config(1);
  codetable::Codes codes;
  for (std::size_t i = 0; i < codes.size(); ++i) codes[i] = std::string(1, kProcessingOrder[i]);
  codetable::ConfigRecord record{};
  codetable::Tables tables;
  for (auto _ : state) {
    const auto outcome = codetable::saveConfigurationFile(config.file(), codes, record, tables);
    if (!outcome.ok()) state.SkipWithError(codetable::errorMessage(outcome).c_str());
  }
}

constexpr std::int64_t kMiB = 1 << 20;

BENCHMARK(BM_Memcpy)->Arg(kMiB)->Arg(64 * kMiB);
BENCHMARK(BM_CopyToNewString)->Arg(kMiB)->Arg(64 * kMiB);
BENCHMARK(BM_SubstituteText)->Arg(kMiB)->Arg(64 * kMiB);
BENCHMARK(BM_FastPathScalar)->Arg(kMiB)->Arg(64 * kMiB);
BENCHMARK(BM_FastPathAvx2)->Arg(kMiB)->Arg(64 * kMiB);
BENCHMARK(BM_FastPathAvx512)->Arg(kMiB)->Arg(64 * kMiB);
BENCHMARK(BM_SubstituteTextGeneral)->Arg(kMiB)->Arg(64 * kMiB);
BENCHMARK(BM_SubstituteTextWindowsFile)->Arg(kMiB)->Arg(64 * kMiB);
BENCHMARK(BM_PerByteAppend)->Arg(kMiB)->Arg(64 * kMiB);
BENCHMARK(BM_LoadConfigurationFile)->Arg(1)->Arg(10000);
BENCHMARK(BM_ApplyFileImage)->Arg(10000);
BENCHMARK(BM_SaveConfigurationFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

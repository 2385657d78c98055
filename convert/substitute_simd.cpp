// The fast path of the substitution pass (every cell at most one byte), in a
// scalar, an AVX2 and an AVX-512 version chosen at run time. GUI-free.
//
// Only the bytes 0x30 to 0x7F can change: every other byte is copied. The
// vector step therefore looks 32 bytes up in five 16-entry rows, one per
// high nibble 3 to 7, with one shuffle each. A row's entry holds the input
// byte XOR the byte it becomes, so that bytes outside the rows (whose lookups
// all give 0) come out unchanged. A byte whose cell is empty comes out as 0;
// since a cell's byte is never 0, such a 0 (from a byte that was not 0)
// marks a byte to drop. A step without one stores its 32 bytes; a step with
// one packs the kept bytes through a shuffle table, 8 at a time. The tail
// shorter than a step goes through the scalar pass.
#include <algorithm>
#include <cstring>

#include "convert/substitute_internal.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VELMORA_HAVE_AVX2_PATH 1
#endif

namespace convert::detail {

namespace {

// Returns the number of bytes written to `out`, which has room for `size`.
std::size_t scalarInto(const std::uint8_t* in, std::size_t size, const ByteEntries& entries,
                       std::uint8_t* out) {
  std::size_t i = 0, kept = 0;
  // Four lookups per turn keep the loads in flight ahead of the stores.
  for (; i + 4 <= size; i += 4) {
    const std::uint16_t a = entries[in[i]], b = entries[in[i + 1]], c = entries[in[i + 2]],
                        d = entries[in[i + 3]];
    out[kept] = static_cast<std::uint8_t>(a);
    kept += a >> 8;
    out[kept] = static_cast<std::uint8_t>(b);
    kept += b >> 8;
    out[kept] = static_cast<std::uint8_t>(c);
    kept += c >> 8;
    out[kept] = static_cast<std::uint8_t>(d);
    kept += d >> 8;
  }
  for (; i < size; ++i) {
    const std::uint16_t e = entries[in[i]];
    out[kept] = static_cast<std::uint8_t>(e);
    kept += e >> 8;
  }
  return kept;
}

#ifdef VELMORA_HAVE_AVX2_PATH

// For each 8-bit mask of kept bytes, the shuffle that moves those bytes of an
// 8-byte group to its front, in order.
struct PackTable {
  std::uint8_t index[256][8];
};
constexpr PackTable makePackTable(int offset) {
  PackTable table{};
  for (int mask = 0; mask < 256; ++mask) {
    int n = 0;
    for (int bit = 0; bit < 8; ++bit)
      if ((mask >> bit & 1) != 0) table.index[mask][n++] = static_cast<std::uint8_t>(bit + offset);
    for (; n < 8; ++n) table.index[mask][n] = 0x80;
  }
  return table;
}
// For the low and the high group of a 16-byte half.
constexpr PackTable kPackLow = makePackTable(0), kPackHigh = makePackTable(8);

__attribute__((target("avx2,popcnt"))) std::size_t avx2Into(const std::uint8_t* in,
                                                            std::size_t size,
                                                            const ByteEntries& entries,
                                                            std::uint8_t* out) {
  constexpr int kFirstRow = 3, kRows = 5;
  alignas(32) std::uint8_t rows[kRows][32];
  for (int row = 0; row < kRows; ++row) {
    for (int low = 0; low < 16; ++low) {
      const int value = (kFirstRow + row) * 16 + low;
      const std::uint16_t entry = entries[static_cast<std::size_t>(value)];
      const int becomes = (entry >> 8) != 0 ? (entry & 0xFF) : 0;
      rows[row][low] = rows[row][16 + low] = static_cast<std::uint8_t>(value ^ becomes);
    }
  }
  const __m256i row3 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[0]));
  const __m256i row4 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[1]));
  const __m256i row5 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[2]));
  const __m256i row6 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[3]));
  const __m256i row7 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[4]));
  // XOR with the row's high nibble leaves 0..15 for the row's bytes; adding
  // 0x70 with saturation sets bit 7, which makes the shuffle give 0, for
  // every other byte.
  const __m256i high3 = _mm256_set1_epi8(0x30), high4 = _mm256_set1_epi8(0x40),
                high5 = _mm256_set1_epi8(0x50), high6 = _mm256_set1_epi8(0x60),
                high7 = _mm256_set1_epi8(0x70);
  const __m256i toIndex = _mm256_set1_epi8(0x70);
  const __m256i zero = _mm256_setzero_si256();

  std::size_t done = 0, kept = 0;
  for (; size - done >= kVectorStep; done += kVectorStep) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + done));
    __m256i x = _mm256_shuffle_epi8(row3, _mm256_adds_epu8(_mm256_xor_si256(v, high3), toIndex));
    x = _mm256_or_si256(
        x, _mm256_shuffle_epi8(row4, _mm256_adds_epu8(_mm256_xor_si256(v, high4), toIndex)));
    x = _mm256_or_si256(
        x, _mm256_shuffle_epi8(row5, _mm256_adds_epu8(_mm256_xor_si256(v, high5), toIndex)));
    x = _mm256_or_si256(
        x, _mm256_shuffle_epi8(row6, _mm256_adds_epu8(_mm256_xor_si256(v, high6), toIndex)));
    x = _mm256_or_si256(
        x, _mm256_shuffle_epi8(row7, _mm256_adds_epu8(_mm256_xor_si256(v, high7), toIndex)));
    const __m256i o = _mm256_xor_si256(v, x);
    // A 0 out of a byte that was not 0 marks an empty cell: that byte goes.
    auto dropped = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(o, zero)));
    if (dropped != 0)
      dropped &= ~static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, zero)));
    if (dropped == 0) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + kept), o);
      kept += kVectorStep;
      continue;
    }
    // Pack the kept bytes, 8 at a time. Each store writes 8 bytes but
    // advances only by the kept ones; it never passes the input position.
    const std::uint32_t keep = ~dropped;
    const __m128i halves[2] = {_mm256_castsi256_si128(o), _mm256_extracti128_si256(o, 1)};
    for (int group = 0; group < 4; ++group) {
      const unsigned mask = keep >> (8 * group) & 0xFF;
      const PackTable& table = (group & 1) != 0 ? kPackHigh : kPackLow;
      const __m128i index = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(table.index[mask]));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out + kept),
                       _mm_shuffle_epi8(halves[group >> 1], index));
      kept += static_cast<std::size_t>(__builtin_popcount(mask));
    }
  }
  return kept + scalarInto(in + done, size - done, entries, out + kept);
}

// With AVX-512 VBMI one permute looks 64 bytes up in all 128 entries of the
// ASCII half at once, and bytes from 0x80 up keep their value through the
// permute's mask. A byte whose cell is empty comes out as 0, as above, and
// VBMI2's compress packs the kept bytes of every step without a branch.
__attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,popcnt"))) std::size_t avx512Into(
    const std::uint8_t* in, std::size_t size, const ByteEntries& entries, std::uint8_t* out) {
  std::uint8_t ascii[128];
  for (std::size_t value = 0; value < 128; ++value) {
    const std::uint16_t entry = entries[value];
    ascii[value] = (entry >> 8) != 0 ? static_cast<std::uint8_t>(entry) : 0;
  }
  const __m512i low = _mm512_loadu_si512(ascii), high = _mm512_loadu_si512(ascii + 64);
  const __m512i zero = _mm512_setzero_si512();
  std::size_t done = 0, kept = 0;
  for (; size - done >= 64; done += 64) {
    const __m512i v = _mm512_loadu_si512(in + done);
    const __mmask64 isAscii = ~_mm512_movepi8_mask(v);
    const __m512i o = _mm512_mask2_permutex2var_epi8(low, v, isAscii, high);
    // A 0 out of a byte that was not 0 marks an empty cell.
    const __mmask64 keep = ~_mm512_cmpeq_epi8_mask(o, zero) | _mm512_cmpeq_epi8_mask(v, zero);
    _mm512_storeu_si512(out + kept, _mm512_maskz_compress_epi8(keep, o));
    kept += static_cast<std::size_t>(__builtin_popcountll(keep));
  }
  return kept + scalarInto(in + done, size - done, entries, out + kept);
}

#endif

template <typename Pass>
std::string runInto(std::string_view text, const ByteEntries& entries, Pass pass) {
  std::string result;
  result.resize(text.size());
  const std::size_t kept = pass(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                                entries, reinterpret_cast<std::uint8_t*>(result.data()));
  result.resize(kept);
  return result;
}

}  // namespace

bool vectorPathAvailable(VectorPath path) {
#ifdef VELMORA_HAVE_AVX2_PATH
  static const bool avx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0 && __builtin_cpu_supports("popcnt") != 0;
  }();
  static const bool avx512 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512bw") != 0 &&
           __builtin_cpu_supports("avx512vbmi") != 0 &&
           __builtin_cpu_supports("avx512vbmi2") != 0 && __builtin_cpu_supports("popcnt") != 0;
  }();
  return path == VectorPath::Avx2 ? avx2 : avx512;
#else
  (void)path;
  return false;
#endif
}

std::string substituteScalar(std::string_view text, const ByteEntries& entries) {
  return runInto(text, entries, scalarInto);
}

std::string substituteVector(std::string_view text, const ByteEntries& entries, VectorPath path) {
#ifdef VELMORA_HAVE_AVX2_PATH
  if (path == VectorPath::Avx512) return runInto(text, entries, avx512Into);
  return runInto(text, entries, avx2Into);
#else
  (void)path;
  return substituteScalar(text, entries);
#endif
}

std::string substituteAtMostOneByte(std::string_view text, const ByteEntries& entries) {
  // Below one vector step there is nothing to gain.
  if (text.size() >= kVectorStep) {
    if (vectorPathAvailable(VectorPath::Avx512))
      return substituteVector(text, entries, VectorPath::Avx512);
    if (vectorPathAvailable(VectorPath::Avx2))
      return substituteVector(text, entries, VectorPath::Avx2);
  }
  return substituteScalar(text, entries);
}

}  // namespace convert::detail

// Lowering text as the window's text boxes do, on raw UTF-8 bytes that may
// hold invalid sequences, and cutting blocks between whole characters.
// GUI-free.
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "cli/cli.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace cli {

namespace {

// The code point of a well-formed UTF-8 sequence at the front of `s` (no
// overlong form, no surrogate, at most U+10FFFF) and its length; length 0
// when the front byte starts none.
struct Decoded {
  char32_t c;
  std::size_t length;
};
Decoded decode(const std::uint8_t* s, std::size_t size) {
  const std::uint8_t b = s[0];
  std::size_t length;
  char32_t c, least;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2, c = b & 0x1F, least = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3, c = b & 0x0F, least = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4, c = b & 0x07, least = 0x10000;
  } else {
    return {0, 0};
  }
  if (size < length) return {0, 0};
  for (std::size_t i = 1; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) return {0, 0};
    c = c << 6 | (s[i] & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {0, 0};
  return {c, length};
}

std::uint8_t* encode(char32_t c, std::uint8_t* out) {
  if (c < 0x80) {
    *out++ = static_cast<std::uint8_t>(c);
  } else if (c < 0x800) {
    *out++ = static_cast<std::uint8_t>(0xC0 | c >> 6);
    *out++ = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out++ = static_cast<std::uint8_t>(0xE0 | c >> 12);
    *out++ = static_cast<std::uint8_t>(0x80 | (c >> 6 & 0x3F));
    *out++ = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
  } else {
    *out++ = static_cast<std::uint8_t>(0xF0 | c >> 18);
    *out++ = static_cast<std::uint8_t>(0x80 | (c >> 12 & 0x3F));
    *out++ = static_cast<std::uint8_t>(0x80 | (c >> 6 & 0x3F));
    *out++ = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
  }
  return out;
}

// Eight bytes at once: each byte from 'A' to 'Z' gets bit 5 set; every other
// byte, ASCII or not, stays. The sums cannot carry from byte to byte, since
// they are made of the bytes' low 7 bits.
static_assert(std::endian::native == std::endian::little, "the byte order lowerText assumes");
std::uint64_t lowerAscii8(std::uint64_t w) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u, kHigh = kOnes * 0x80;
  const std::uint64_t low7 = w & ~kHigh;
  const std::uint64_t atLeastA = low7 + kOnes * (0x80 - 'A');
  const std::uint64_t aboveZ = low7 + kOnes * (0x80 - 'Z' - 1);
  return w | ((atLeastA & ~aboveZ & ~w & kHigh) >> 2);
}

// The lower case of each code point below U+0800 that has exactly one, by
// code point; 0 for the few whose lower case is longer.
const std::array<char32_t, 0x800>& twoByteLower() {
  static const std::array<char32_t, 0x800> table = [] {
    std::array<char32_t, 0x800> lower{};
    for (char32_t c = 0x80; c < 0x800; ++c) {
      char32_t out[3];
      lower[c] = os::lowerCase(c, out) == 1 ? out[0] : 0;
    }
    return lower;
  }();
  return table;
}

#if defined(__SSE2__)
#define VELMORA_LOWER_SSE2 1

// Lowers 16 bytes at a time from `at` on, for as long as each 16 bytes hold
// only ASCII and two-byte characters led by 0xC3 (U+00C0 to U+00FF: the
// accented letters of Western European languages). Their capitals, 0xC3
// followed by 0x80 to 0x9E but not 0x97 (the multiplication sign), lower by
// adding 0x20 to the second byte, as ASCII capitals do to theirs. Returns the
// count of bytes done (and written, one for one); it always ends between
// two characters.
std::size_t lowerLatin16(const std::uint8_t* in, std::size_t at, std::size_t size,
                         std::uint8_t* to) {
  const std::size_t start = at;
  const __m128i c3 = _mm_set1_epi8(static_cast<char>(0xC3));
  const __m128i topTwo = _mm_set1_epi8(static_cast<char>(0xC0));
  const __m128i continuation = _mm_set1_epi8(static_cast<char>(0x80));
  const __m128i times = _mm_set1_epi8(static_cast<char>(0x97));
  const __m128i toA = _mm_set1_epi8(0x80 - 'A');
  const __m128i belowAsciiEnd = _mm_set1_epi8(-128 + 26);
  const __m128i belowLatinEnd = _mm_set1_epi8(static_cast<char>(0x9F));
  const __m128i bit5 = _mm_set1_epi8(0x20);
  for (; at + 17 <= size; at += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at + 1));
    const __m128i previous = at > 0 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at - 1))
                                    : _mm_slli_si128(v, 1);
    // Without branches on what the bytes are, which in Spanish text would
    // change from one 16 bytes to the next.
    const __m128i isLead = _mm_cmpeq_epi8(v, c3);
    const __m128i isContinuation = _mm_cmpeq_epi8(_mm_and_si128(v, topTwo), continuation);
    const __m128i nextContinues = _mm_cmpeq_epi8(_mm_and_si128(next, topTwo), continuation);
    const __m128i afterLead = _mm_and_si128(_mm_cmpeq_epi8(previous, c3), isContinuation);
    const __m128i whole = _mm_or_si128(_mm_and_si128(isLead, nextContinues), afterLead);
    if ((_mm_movemask_epi8(v) & ~_mm_movemask_epi8(whole)) != 0) break;  // something else
    // Bytes from 'A' to 'Z' land on -128..-103 as signed bytes, and second
    // bytes 0x80..0x9E are -128..-98.
    const __m128i ascii = _mm_cmplt_epi8(_mm_add_epi8(v, toA), belowAsciiEnd);
    const __m128i latin =
        _mm_andnot_si128(_mm_cmpeq_epi8(v, times), _mm_cmplt_epi8(v, belowLatinEnd));
    const __m128i lower = _mm_or_si128(ascii, _mm_and_si128(afterLead, latin));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + (at - start)),
                     _mm_add_epi8(v, _mm_and_si128(lower, bit5)));
  }
  // A lead byte done last leaves its second byte to the caller: take the
  // pair back, so the caller starts on a whole character.
  if (at > start && in[at - 1] == 0xC3) --at;
  return at - start;
}

// The same 64 bytes at a time, with AVX-512BW where the processor has it.
// With masks of 64 bits the pairing needs no neighbour loads: the bytes
// after the leads, shifted in from the lead before this step, must be
// exactly the continuation bytes.
__attribute__((target("avx512f,avx512bw"))) std::size_t lowerLatin64(const std::uint8_t* in,
                                                                     std::size_t at,
                                                                     std::size_t size,
                                                                     std::uint8_t* to) {
  const std::size_t start = at;
  const __m512i c3 = _mm512_set1_epi8(static_cast<char>(0xC3));
  const __m512i topTwo = _mm512_set1_epi8(static_cast<char>(0xC0));
  const __m512i continuation = _mm512_set1_epi8(static_cast<char>(0x80));
  const __m512i times = _mm512_set1_epi8(static_cast<char>(0x97));
  const __m512i capitalA = _mm512_set1_epi8('A'), letters = _mm512_set1_epi8(26);
  const __m512i latinEnd = _mm512_set1_epi8(static_cast<char>(0x9F));
  const __m512i bit5 = _mm512_set1_epi8(0x20);
  for (; at + 64 <= size; at += 64) {
    const __m512i v = _mm512_loadu_si512(in + at);
    const __mmask64 isLead = _mm512_cmpeq_epi8_mask(v, c3);
    const __mmask64 isContinuation =
        _mm512_cmpeq_epi8_mask(_mm512_and_si512(v, topTwo), continuation);
    const __mmask64 afterLead =
        isLead << 1 | static_cast<__mmask64>(at > start && in[at - 1] == 0xC3);
    if ((_mm512_movepi8_mask(v) & ~(isLead | isContinuation)) != 0 || afterLead != isContinuation)
      break;  // something else
    const __mmask64 ascii = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(v, capitalA), letters);
    const __mmask64 latin =
        isContinuation & _mm512_cmplt_epu8_mask(v, latinEnd) & ~_mm512_cmpeq_epi8_mask(v, times);
    _mm512_storeu_si512(to + (at - start), _mm512_mask_add_epi8(v, ascii | latin, v, bit5));
  }
  // A lead byte done last may still lack its second byte: take it back, so
  // the caller starts on a whole character.
  if (at > start && in[at - 1] == 0xC3) --at;
  return at - start;
}

bool haveAvx512bw() {
  static const bool have = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512bw") != 0;
  }();
  return have;
}
#endif

}  // namespace

void lowerText(std::string_view text, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + lowerTextRoom(text.size()));
  out.resize(start + lowerText(text, out.data() + start));
}

std::size_t lowerText(std::string_view text, char* output) {
  const auto* in = reinterpret_cast<const std::uint8_t*>(text.data());
  auto* const first = reinterpret_cast<std::uint8_t*>(output);
  auto* to = first;
  const std::size_t size = text.size();
  std::size_t i = 0;
  while (i < size) {
#ifdef VELMORA_LOWER_SSE2
    if (haveAvx512bw()) {
      const std::size_t wide = lowerLatin64(in, i, size, to);
      i += wide;
      to += wide;
    }
    const std::size_t vectored = lowerLatin16(in, i, size, to);
    i += vectored;
    to += vectored;
#endif
    // ASCII eight bytes at a time, up to the first byte that is not ASCII.
    // The output has room for 8 bytes past every point it reaches here.
    while (i + 8 <= size) {
      std::uint64_t w;
      std::memcpy(&w, in + i, 8);
      const std::uint64_t lowered = lowerAscii8(w);
      std::memcpy(to, &lowered, 8);
      const std::uint64_t high = w & 0x8080808080808080u;
      if (high != 0) {
        // Bytes are stored in order, lowest address in the lowest byte.
        const auto ascii = static_cast<std::size_t>(std::countr_zero(high) / 8);
        i += ascii;
        to += ascii;
        break;
      }
      i += 8;
      to += 8;
    }
    if (i >= size) break;
    const std::uint8_t b = in[i];
    if (b < 0x80) {
      *to++ = b >= 'A' && b <= 'Z' ? static_cast<std::uint8_t>(b + 32) : b;
      ++i;
      continue;
    }
    // Two-byte characters (Latin, Greek, Cyrillic...) are the common case
    // outside ASCII: their lower cases come from a table made once.
    if (b >= 0xC2 && b <= 0xDF && i + 1 < size && (in[i + 1] & 0xC0) == 0x80) {
      const char32_t lower = twoByteLower()[(b & 0x1F) << 6 | (in[i + 1] & 0x3F)];
      if (lower != 0) {
        to = encode(lower, to);
        i += 2;
        continue;
      }
    }
    const Decoded d = decode(in + i, size - i);
    if (d.length == 0) {
      *to++ = b;  // not UTF-8: passes through
      ++i;
      continue;
    }
    char32_t lower[3];
    const std::size_t n = os::lowerCase(d.c, lower);
    for (std::size_t k = 0; k < n; ++k) to = encode(lower[k], to);
    i += d.length;
  }
  return static_cast<std::size_t>(to - first);
}

std::size_t characterLength(std::string_view text) {
  if (text.empty()) return 0;
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  if (s[0] < 0x80) return 1;
  const std::size_t length = decode(s, text.size()).length;
  return length == 0 ? 1 : length;
}

std::size_t completeLength(std::string_view block) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(block.data());
  const std::size_t size = block.size();
  // Only a lead byte among the last three can start a sequence that the
  // block cuts short.
  for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
    const std::uint8_t b = s[size - back];
    if ((b & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const std::size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    return need > back ? size - back : size;
  }
  return size;
}

}  // namespace cli

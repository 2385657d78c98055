// Lowering text as the window's text boxes do, on raw UTF-8 bytes that may
// hold invalid sequences, and cutting blocks between whole characters.
// GUI-free.
#include <cstdint>
#include <cstring>

#include "cli/cli.h"

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

// Eight ASCII bytes at once: bit 7 of each byte of `w` is clear. A byte
// from 'A' to 'Z' gets bit 5 set.
std::uint64_t lowerAscii8(std::uint64_t w) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  const std::uint64_t atLeastA = w + kOnes * (0x80 - 'A');
  const std::uint64_t aboveZ = w + kOnes * (0x80 - 'Z' - 1);
  return w | ((atLeastA & ~aboveZ & kOnes * 0x80) >> 2);
}

}  // namespace

void lowerText(std::string_view text, std::string& out) {
  // A character's lower case takes at most 3/2 of its bytes (a two-byte
  // capital may lower to three bytes, as U+023A does, or U+0130 to "i" and a
  // two-byte combining dot).
  const std::size_t start = out.size();
  out.resize(start + text.size() + text.size() / 2 + 8);
  const auto* in = reinterpret_cast<const std::uint8_t*>(text.data());
  auto* to = reinterpret_cast<std::uint8_t*>(out.data()) + start;
  const std::size_t size = text.size();
  std::size_t i = 0;
  while (i < size) {
    for (; i + 8 <= size; i += 8, to += 8) {
      std::uint64_t w;
      std::memcpy(&w, in + i, 8);
      if ((w & 0x8080808080808080u) != 0) break;
      w = lowerAscii8(w);
      std::memcpy(to, &w, 8);
    }
    if (i >= size) break;
    const std::uint8_t b = in[i];
    if (b < 0x80) {
      *to++ = b >= 'A' && b <= 'Z' ? static_cast<std::uint8_t>(b + 32) : b;
      ++i;
      continue;
    }
    const Decoded d = decode(in + i, size - i);
    if (d.length == 0) {
      *to++ = b;  // not UTF-8: passes through
      ++i;
      continue;
    }
    char32_t lower[3];
    const std::size_t n = dialog::os::lowerCase(d.c, lower);
    for (std::size_t k = 0; k < n; ++k) to = encode(lower[k], to);
    i += d.length;
  }
  out.resize(static_cast<std::size_t>(to - reinterpret_cast<std::uint8_t*>(out.data())));
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

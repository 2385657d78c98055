// Windows-1252 to UTF-8. GUI-free.
#include "codetable/windows1252.h"

namespace codetable {

std::string windows1252ToUtf8(std::string_view text) {
  std::string utf8;
  utf8.reserve(text.size() * 3);
  for (const char c : text) {
    const char16_t ch = windows1252Character(static_cast<std::uint8_t>(c));
    // Every character of the code page lies in the BMP and none is a
    // surrogate, so three bytes suffice.
    if (ch < 0x80) {
      utf8 += static_cast<char>(ch);
    } else if (ch < 0x800) {
      utf8 += static_cast<char>(0xC0 | ch >> 6);
      utf8 += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
      utf8 += static_cast<char>(0xE0 | ch >> 12);
      utf8 += static_cast<char>(0x80 | (ch >> 6 & 0x3F));
      utf8 += static_cast<char>(0x80 | (ch & 0x3F));
    }
  }
  return utf8;
}

}  // namespace codetable

// The Windows-1252 table against the platform's own conversion: every byte
// through MultiByteToWideChar(1252, ...), and the whole code page through
// UTF-16 to UTF-8. Windows only; under Wine, whose tables nobody here wrote.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "codetable/windows1252.h"

namespace {

TEST(Windows1252, EveryByteAsThePlatformConvertsIt) {
  for (int value = 0; value < 256; ++value) {
    const char byte = static_cast<char>(value);
    wchar_t wide[2] = {};
    ASSERT_EQ(MultiByteToWideChar(1252, 0, &byte, 1, wide, 2), 1) << "byte " << value;
    EXPECT_EQ(
        static_cast<unsigned>(wide[0]),
        static_cast<unsigned>(codetable::windows1252Character(static_cast<std::uint8_t>(value))))
        << "byte " << value;
  }
}

TEST(Windows1252, TheWholeCodePageAsUtf8) {
  std::string all;
  for (int value = 1; value < 256; ++value) all += static_cast<char>(value);
  const int size = static_cast<int>(all.size());
  std::wstring wide(all.size(), L'\0');
  ASSERT_EQ(MultiByteToWideChar(1252, 0, all.data(), size, wide.data(), size), size);
  const int wideSize = static_cast<int>(wide.size());
  const int utf8Size =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(utf8Size), '\0');
  ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideSize, utf8.data(), utf8Size, nullptr,
                                nullptr),
            utf8Size);
  EXPECT_EQ(codetable::windows1252ToUtf8(all), utf8);
}

}  // namespace

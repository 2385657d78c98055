// velmora-cli lowers text as the Linux window's text boxes do: checked
// against QString::toLower itself for every Unicode code point.
#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "cli/cli.h"

namespace {

TEST(LowerText, EqualsQtForEveryCodePoint) {
  int differences = 0;
  for (char32_t c = 1; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const QString one = QString::fromUcs4(&c, 1);
    const QByteArray utf8 = one.toUtf8();
    const QByteArray qt = one.toLower().toUtf8();
    std::string ours;
    cli::lowerText(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), ours);
    if (ours != std::string_view(qt.constData(), static_cast<std::size_t>(qt.size()))) {
      if (++differences <= 20) ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(c);
    }
  }
  EXPECT_EQ(differences, 0);
}

TEST(LowerText, EqualsQtOnAllOfTheBasicPlaneInOneText) {
  // One long text, so that runs of characters take the 16-byte path too.
  std::u32string all;
  for (char32_t c = 1; c < 0x10000; ++c)
    if (c < 0xD800 || c > 0xDFFF) all += c;
  const QString text = QString::fromUcs4(all.data(), static_cast<qsizetype>(all.size()));
  const QByteArray utf8 = text.toUtf8(), qt = text.toLower().toUtf8();
  std::string ours;
  cli::lowerText(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), ours);
  EXPECT_TRUE(ours == std::string_view(qt.constData(), static_cast<std::size_t>(qt.size())));
}

}  // namespace

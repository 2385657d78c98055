// Tests of the dialog layer's platform-free core: style rules, dialog-unit
// arithmetic, font interning, shared colours, records and line breaks.
// GUI-free; runs on every platform.
#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <string>

#include "dialog/core/core.h"

namespace {

using namespace dialog;
using namespace dialog::core;

// --- Style rules ------------------------------------------------------------

TEST(WindowStyle, Rules) {
  const struct {
    const char* name;
    std::uint32_t style;
    std::int32_t x, y;
    bool hasParent;
    std::uint32_t expected;
  } cases[] = {
      {"style 0 is the pop-up dialog", 0, 10, 10, false, 0x80C000D4},
      {"configurator, centred", 0, kDefaultPosition, kDefaultPosition, false, 0x80C008D4},
      {"main window, centred", 0x00020000, kDefaultPosition, kDefaultPosition, false, 0x00020854},
      {"one default coordinate centres", 0x00020000, 5, kDefaultPosition, false, 0x00020854},
      {"visible and system-modal cleared", 0x10C00002, 0, 0, false, 0x00C00054},
      {"child under a parent", 0xC0000001, 0, 0, true, 0x40000054},
      {"child without a parent becomes a pop-up", 0x40000000, 0, 0, false, 0x80000054},
  };
  for (const auto& c : cases)
    EXPECT_EQ(windowStyle(c.style, c.x, c.y, c.hasParent), c.expected) << c.name;
}

TEST(WindowStyle, ShowState) {
  EXPECT_EQ(showState(0x80C000D4), 5);
  EXPECT_EQ(showState(kWsMaximize), 3);
  EXPECT_EQ(showState(kWsMinimize), 6);
  EXPECT_EQ(showState(kWsMaximize | kWsMinimize), 3);
}

TEST(WindowStyle, OpeningSizeKindFollowsTheShowState) {
  EXPECT_EQ(sizeKind(showState(0x80C000D4)), 0u);
  EXPECT_EQ(sizeKind(showState(kWsMaximize)), 2u);
  EXPECT_EQ(sizeKind(showState(kWsMinimize)), 1u);
}

TEST(Colours, MaskedToTwentyFourBitsOrTheDefault) {
  const struct {
    Colour given, kept;
  } cases[] = {
      {0x000000FF, 0x000000FF},
      {0x00FFFFFF, 0x00FFFFFF},
      {0x7F123456, 0x00123456},
      {0x01000000, 0},
      {-1, -1},
      {-0x7F000000, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(maskedColour(c.given), c.kept) << c.given;
}

// --- Program callbacks --------------------------------------------------------

std::intptr_t answering(Handle, std::uint32_t event, WParam wParam, LParam lParam) {
  if (event == 1) throw std::runtime_error("fallo");
  if (event == 2) throw 7;
  return static_cast<std::intptr_t>(wParam) + lParam;
}

TEST(ProgramCallbacks, AnswersPassThroughAndThrowsBecomeDefaultHandling) {
  EXPECT_EQ(callProgram(answering, 0, 0, 40, 2), 42);
  EXPECT_EQ(callProgram(answering, 0, 1, 40, 2), 0) << "a standard exception";
  EXPECT_EQ(callProgram(answering, 0, 2, 40, 2), 0) << "anything else thrown";
  EXPECT_EQ(callProgram(nullptr, 0, 0, 40, 2), 0) << "no callback attached";
}

TEST(ControlStyle, Rules) {
  const struct {
    const char* name;
    int kind;
    std::uint32_t style, exStyle;
    std::uint32_t expectedStyle, expectedExStyle;
  } cases[] = {
      {"button default", kKindButton, 0, 0, 0x50010000, 0},
      {"button keeps its own bits", kKindButton, 0x00000001, 0, 0x50000001, 0},
      {"frame default", kKindFrame, 0, 0, 0x50000007, 0},
      {"frame never takes the focus", kKindFrame, 0x50010007, 0, 0x50000007, 0},
      {"frame keeps only disabled, alignment and multi-line", kKindFrame, 0xFFFFFFFF, 0, 0x58002F07,
       0},
      {"label default", kKindLabel, 0, 0, 0x50000000, 0},
      {"label keeps its bits", kKindLabel, 0x00000001, 0, 0x50000001, 0},
      {"text box default trades border for sunken edge", kKindTextBox, 0, 0, 0x50010080, 0x200},
      {"the sunken edge adds to other extended bits", kKindTextBox, 0, 0x4, 0x50010080, 0x204},
      {"code box keeps its border", kKindTextBox, 0x50810010, 0x200, 0x50810010, 0x200},
      {"text box always child and visible", kKindTextBox, 0x00800004, 0, 0x50800004, 0},
      {"unknown kind untouched", 2, 0x12345678, 0x9, 0x12345678, 0x9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ControlStyle result = controlStyle(c.kind, c.style, c.exStyle);
    EXPECT_EQ(result.style, c.expectedStyle);
    EXPECT_EQ(result.exStyle, c.expectedExStyle);
  }
  for (const int kind : {1, 4, 5, 9}) EXPECT_TRUE(knownKind(kind)) << kind;
  for (const int kind : {0, 2, 3, 6, 10}) EXPECT_FALSE(knownKind(kind)) << kind;
}

// --- Dialog units -----------------------------------------------------------

TEST(DialogUnits, MulDivRoundsHalvesAwayFromZero) {
  const struct {
    std::int32_t a, b, c, expected;
  } cases[] = {
      {0, 7, 4, 0},
      {1, 5, 4, 1},    // 1.25
      {1, 7, 4, 2},    // 1.75
      {2, 7, 4, 4},    // 3.5
      {-2, 7, 4, -4},  // -3.5
      {2, -7, 4, -4},
      {2, 7, -4, -4},
      {-2, -7, 4, 4},
      {-2, 7, -4, 4},
      {-1, 5, 4, -1},  // -1.25
      {4, 13, 8, 7},   // 6.5
      {-4, 13, 8, -7},
      {3, 13, 8, 5},  // 4.875
      {1, 1, -4, 0},  // -0.25
      {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
      {INT_MIN, INT_MIN, INT_MIN, INT_MIN},  // |a * b| = 2^62
      {INT_MIN, 1, 1, INT_MIN},
      {INT_MIN, -1, 1, -1},  // 2^31 does not fit: MulDiv gives -1
      {INT_MAX, 2, 1, -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(mulDiv(c.a, c.b, c.c), c.expected) << c.a << " * " << c.b << " / " << c.c;
}

TEST(DialogUnits, AverageCharWidthFromTheFiftyTwoLetters) {
  const struct {
    int advance, width;
  } cases[] = {{0, 0}, {25, 0}, {26, 1}, {312, 6}, {337, 6}, {338, 7}, {364, 7}, {390, 8}};
  for (const auto& c : cases) EXPECT_EQ(averageCharWidth(c.advance), c.width) << c.advance;
}

TEST(DialogUnits, RectanglesConvertEdgeByEdge) {
  const struct {
    const char* name;
    BaseUnits units;
    std::int32_t x, y, width, height;
    PixelRect expected;
  } cases[] = {
      // A code box with Liberation Sans Bold's 7 x 12 units is 26 x 23 px.
      {"code box of a", {7, 12}, 30, 18, 15, 15, {53, 27, 26, 23}},
      // Converting the width alone would give 26; the edges give 27.
      {"code box of b", {7, 12}, 31, 36, 15, 15, {54, 54, 27, 23}},
      {"Tahoma Bold 7 x 13", {7, 13}, 31, 36, 15, 15, {54, 59, 27, 24}},
      {"negative origin", {7, 12}, -3, -5, 10, 10, {-5, -8, 17, 16}},
      {"empty", {7, 12}, 10, 10, 0, 0, {18, 15, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const PixelRect r = toPixels(c.units, c.x, c.y, c.width, c.height);
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.width, c.expected.width);
    EXPECT_EQ(r.height, c.expected.height);
  }
}

TEST(DialogUnits, FontHeightIsMinusTheRoundedPixelHeight) {
  const struct {
    float points;
    int ppi, height;
  } cases[] = {{8, 96, -11},     {10, 96, -13}, {9, 96, -12},
               {10.5f, 96, -14}, {3, 84, -4},   {10, 120, -17}};
  for (const auto& c : cases) EXPECT_EQ(fontHeightPixels(c.points, c.ppi), c.height) << c.points;
}

// --- Fonts ------------------------------------------------------------------

TEST(Fonts, UseCountsFollowTheControlsAndDecideTheRelease) {
  FontTable fonts;
  const int bold = fonts.intern("Arial", 10, kFontBold, 0, 0, 0);
  const int italic = fonts.intern("Arial", 10, kFontItalic, 0, 0, 0);
  ControlRecord first, second;
  fonts.use(first, *fonts.find(bold));
  fonts.use(second, *fonts.find(bold));
  EXPECT_EQ(first.font, bold);
  EXPECT_EQ(fonts.find(bold)->useCount, 2);
  EXPECT_FALSE(FontTable::releasable(*fonts.find(bold)));
  EXPECT_TRUE(FontTable::releasable(*fonts.find(italic))) << "made but never shown";

  fonts.use(first, *fonts.find(italic));  // moving to another font gives up the first
  EXPECT_EQ(fonts.find(bold)->useCount, 1);
  EXPECT_EQ(fonts.find(italic)->useCount, 1);
  fonts.use(first, *fonts.find(italic));  // the same font again counts once
  EXPECT_EQ(fonts.find(italic)->useCount, 1);

  fonts.release(first);
  fonts.release(second);
  fonts.release(second);  // a control gives up its font only once
  EXPECT_EQ(first.font, 0);
  EXPECT_EQ(fonts.find(bold)->useCount, 0);
  EXPECT_EQ(fonts.find(italic)->useCount, 0);
  EXPECT_TRUE(FontTable::releasable(*fonts.find(bold)));
  fonts.use(first, *fonts.find(1));
  fonts.release(first);
  EXPECT_FALSE(FontTable::releasable(*fonts.find(1))) << "built-in fonts stay";
}

TEST(Fonts, BuiltInFontsAndFontZero) {
  FontTable fonts;
  EXPECT_EQ(fonts.size(), 3u);
  const FontRecord* one = fonts.find(1);
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(one->face, "MS Sans Serif");
  EXPECT_EQ(one->points, 8);
  EXPECT_EQ(one->weight, 400);
  EXPECT_EQ(one->charset, 0);
  EXPECT_EQ(fonts.find(0), one);
  for (int number = 1; number <= 3; ++number) {
    EXPECT_TRUE(fonts.find(number)->builtIn());
    EXPECT_EQ(fonts.find(number)->useCount, 1);
  }
  EXPECT_EQ(fonts.find(4), nullptr);
  EXPECT_EQ(fonts.find(-1), nullptr);
  // The configurator's button font is the program's own, never a built-in.
  EXPECT_EQ(fonts.intern("MS Sans Serif", 8, kFontBold, 0, 0, 0), 4);
}

TEST(Fonts, InterningGivesOneNumberPerDescription) {
  FontTable fonts;
  const int grid = fonts.intern("MS Sans Serif", 10, kFontBold, 0, 0, 0);
  EXPECT_EQ(grid, 4);
  EXPECT_FALSE(fonts.find(grid)->builtIn());
  EXPECT_EQ(fonts.find(grid)->weight, 700);
  EXPECT_EQ(fonts.intern("MS Sans Serif", 10, kFontBold, 0, 0, 0), grid);

  // Each attribute on its own makes a different font.
  const struct {
    const char* name;
    std::string_view face;
    float points;
    std::uint32_t style;
    std::uint8_t charset, pitch;
    std::int32_t escapement;
  } others[] = {
      {"face", "Arial", 10, kFontBold, 0, 0, 0},
      {"size", "MS Sans Serif", 11, kFontBold, 0, 0, 0},
      {"weight", "MS Sans Serif", 10, 0, 0, 0, 0},
      {"italic", "MS Sans Serif", 10, kFontBold | kFontItalic, 0, 0, 0},
      {"underline", "MS Sans Serif", 10, kFontBold | kFontUnderline, 0, 0, 0},
      {"strike-out", "MS Sans Serif", 10, kFontBold | kFontStrikeOut, 0, 0, 0},
      {"cell height", "MS Sans Serif", 10, kFontBold | kFontCellHeight, 0, 0, 0},
      {"charset", "MS Sans Serif", 10, kFontBold, 1, 0, 0},
      {"pitch and family", "MS Sans Serif", 10, kFontBold, 0, 2, 0},
      {"escapement", "MS Sans Serif", 10, kFontBold, 0, 0, 900},
  };
  int expected = grid;
  for (const auto& o : others) {
    SCOPED_TRACE(o.name);
    const int number = fonts.intern(o.face, o.points, o.style, o.charset, o.pitch, o.escapement);
    EXPECT_EQ(number, ++expected);
    EXPECT_EQ(fonts.intern(o.face, o.points, o.style, o.charset, o.pitch, o.escapement), number);
  }
  const FontRecord* cell =
      fonts.find(fonts.intern("MS Sans Serif", 10, kFontBold | kFontCellHeight, 0, 0, 0));
  EXPECT_EQ(cell->signedPoints(), -10);
  EXPECT_TRUE(
      fonts.find(fonts.intern("X", 10, kFontItalic | kFontUnderline | kFontStrikeOut, 0, 0, 0))
          ->italic);
}

TEST(Fonts, SizeZeroIsEightAndLongFacesAreCut) {
  FontTable fonts;
  EXPECT_EQ(fonts.intern("Tahoma", 0, 0, 0, 0, 0), fonts.intern("Tahoma", 8, 0, 0, 0, 0));
  const struct {
    std::string face, stored;
  } cases[] = {
      {std::string(40, 'F'), std::string(31, 'F')},
      {std::string(31, 'G'), std::string(31, 'G')},
      // Two-byte characters: 31 of them, not 31 bytes.
      {[] {
         std::string s;
         for (int i = 0; i < 40; ++i) s += "\xC3\xB1";
         return s;
       }(),
       [] {
         std::string s;
         for (int i = 0; i < 31; ++i) s += "\xC3\xB1";
         return s;
       }()},
      // A character outside the BMP takes two of the 31 units and is not split.
      {std::string(30, 'H') + "\xF0\x9F\x98\x80", std::string(30, 'H')},
  };
  for (const auto& c : cases) {
    const int number = fonts.intern(c.face, 10, 0, 0, 0, 0);
    EXPECT_EQ(fonts.find(number)->face, c.stored);
    EXPECT_EQ(fonts.intern(c.stored, 10, 0, 0, 0, 0), number);
  }
}

// --- Shared colours ---------------------------------------------------------

TEST(SharedColours, OneBrushPerColourWhileUsed) {
  SharedColours colours;
  const Colour red = rgb(255, 0, 0), white = rgb(255, 255, 255);
  const struct {
    bool acquire;
    Colour colour;
    bool expected;  // a brush is needed / can go
  } steps[] = {
      {true, white, true}, {true, white, false}, {true, red, true},    {false, white, false},
      {false, red, true},  {false, red, false},  {false, white, true}, {true, white, true},
  };
  int n = 0;
  for (const auto& s : steps) {
    const bool result = s.acquire ? colours.acquire(s.colour) : colours.release(s.colour);
    EXPECT_EQ(result, s.expected) << "step " << n++;
  }
}

// --- Records ----------------------------------------------------------------

TEST(Registry, FindsWindowsAndTheirControls) {
  Registry registry;
  WindowRecord& main = registry.add(10);
  main.controls.push_back({.handle = 11, .id = 1001});
  main.controls.push_back({.handle = 12, .id = 1002});
  WindowRecord& other = registry.add(20);
  other.controls.push_back({.handle = 21, .id = 1001});

  EXPECT_EQ(registry.find(10), &main);
  EXPECT_EQ(registry.find(0), nullptr);
  EXPECT_EQ(registry.find(11), nullptr);
  EXPECT_EQ(registry.controlHandle(10, 1002), 12u);
  EXPECT_EQ(registry.controlHandle(20, 1001), 21u) << "ids are per window";
  EXPECT_EQ(registry.controlHandle(20, 1002), 0u);
  EXPECT_EQ(registry.controlHandle(0, 1001), 0u) << "no window";
  EXPECT_EQ(registry.controlHandle(11, 1001), 0u) << "a control is not a window";
  EXPECT_EQ(registry.ownerOf(21), &other);
  EXPECT_EQ(registry.ownerOf(10), nullptr);
  EXPECT_EQ(registry.ownerOf(0), nullptr);
  EXPECT_EQ(main.control(1002)->handle, 12u);
  EXPECT_EQ(main.control(1003), nullptr);
  EXPECT_EQ(other.controlByHandle(21)->id, 1001);
  registry.remove(10);
  EXPECT_EQ(registry.find(10), nullptr);
  EXPECT_EQ(registry.ownerOf(12), nullptr);
  EXPECT_EQ(registry.controlHandle(10, 1002), 0u) << "gone with its window";
  EXPECT_EQ(registry.find(20)->controls.size(), 1u);
}

// --- Line breaks ------------------------------------------------------------

TEST(LineBreaks, ToolkitAndLayerForms) {
  const struct {
    std::string_view toolkit, layer;
  } cases[] = {
      {"", ""},
      {"uno", "uno"},
      {"uno\ndos", "uno\r\ndos"},
      {"\n\n", "\r\n\r\n"},
      {"fin\n", "fin\r\n"},
      {"\xC3\xB1\n\xC3\xA1", "\xC3\xB1\r\n\xC3\xA1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(toCrLf(c.toolkit), c.layer);
    EXPECT_EQ(fromCrLf(c.layer), c.toolkit);
  }
  // A lone CR from the program is a line break too.
  EXPECT_EQ(fromCrLf("a\rb\r"), "a\nb\n");
  EXPECT_EQ(fromCrLf("a\r\r\nb"), "a\n\nb");
  // A CR the toolkit already holds before its LF is not doubled.
  EXPECT_EQ(toCrLf("a\r\nb\n"), "a\r\nb\r\n");
}

}  // namespace

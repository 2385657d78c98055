// Platform-free part of the dialog layer, shared by both backends.
#include "dialog/core/core.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace dialog::core {

std::uint32_t windowStyle(std::uint32_t style, std::int32_t x, std::int32_t y, bool hasParent) {
  if (style == 0) style = kDefaultWindowStyle;
  style |= kDsSetFont | kDsNoFailCreate | kDsThreeDLook;
  style &= ~(kWsVisible | kDsSysModal);
  if (x == kDefaultPosition || y == kDefaultPosition) style |= kDsCenter;
  if (style & kWsChild) {
    style &= ~(kWsPopup | kDsAbsAlign);
    if (!hasParent) style = (style & ~kWsChild) | kWsPopup;
  }
  return style;
}

int showState(std::uint32_t style) {
  if (style & kWsMaximize) return 3;
  if (style & kWsMinimize) return 6;
  return 5;
}

std::intptr_t callProgram(WindowCallback callback, Handle window, std::uint32_t event,
                          WParam wParam, LParam lParam) noexcept {
  if (!callback) return 0;
  try {
    return callback(window, event, wParam, lParam);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "velmora: event 0x%04x of a window failed: %s\n",
                 static_cast<unsigned>(event), error.what());
  } catch (...) {
    std::fprintf(stderr, "velmora: event 0x%04x of a window failed\n",
                 static_cast<unsigned>(event));
  }
  return 0;
}

namespace {

struct KindRule {
  int kind;
  std::uint32_t defaultStyle;
  std::uint32_t alwaysSet;
  std::uint32_t alwaysCleared;
};

constexpr KindRule kKindRules[] = {
    {kKindButton, 0x50010000, 0x50000000, 0},
    {kKindFrame, 0x50000007, 0x50000007, 0xA7FFD0F8},
    {kKindLabel, 0x50000000, 0x50000000, 0},
    {kKindTextBox, 0x50810080, 0x50000000, 0},
};

const KindRule* ruleFor(int kind) {
  for (const auto& rule : kKindRules)
    if (rule.kind == kind) return &rule;
  return nullptr;
}

}  // namespace

bool knownKind(int kind) {
  return ruleFor(kind) != nullptr;
}

ControlStyle controlStyle(int kind, std::uint32_t style, std::uint32_t exStyle) {
  const KindRule* rule = ruleFor(kind);
  if (!rule) return {style, exStyle};
  if (style == 0) {
    style = rule->defaultStyle;
    if (kind == kKindTextBox) {
      style &= ~kWsBorder;
      exStyle |= kWsExClientEdge;
    }
  }
  style |= rule->alwaysSet;
  style &= ~rule->alwaysCleared;
  return {style, exStyle};
}

namespace {

std::uint64_t magnitude(std::int32_t value) {
  return value < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(value))
                   : static_cast<std::uint64_t>(value);
}

}  // namespace

std::int32_t mulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
  assert(c != 0 && "mulDiv by zero");
  if (c == 0) return -1;
  // Unsigned magnitudes: |a * b| reaches 2^62, and twice that still fits.
  // A result beyond 32 bits gives -1, as MulDiv does.
  const std::uint64_t product = magnitude(a) * magnitude(b);
  const std::uint64_t divisor = magnitude(c);
  const std::uint64_t rounded = (product * 2 + divisor) / (2 * divisor);
  const bool negative = ((a < 0) != (b < 0)) != (c < 0);
  if (rounded > (negative ? 0x80000000u : 0x7FFFFFFFu)) return -1;
  return negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(rounded))
                  : static_cast<std::int32_t>(rounded);
}

int averageCharWidth(int advanceOf52Letters) {
  return (advanceOf52Letters / 26 + 1) / 2;
}

PixelRect toPixels(BaseUnits units, std::int32_t x, std::int32_t y, std::int32_t width,
                   std::int32_t height) {
  const int left = mulDiv(x, units.x, 4);
  const int right = mulDiv(x + width, units.x, 4);
  const int top = mulDiv(y, units.y, 8);
  const int bottom = mulDiv(y + height, units.y, 8);
  return {left, top, right - left, bottom - top};
}

int fontHeightPixels(float points, int pixelsPerInchY) {
  return -static_cast<int>(std::lround(static_cast<double>(pixelsPerInchY) * points / 72.0));
}

namespace {

// A face name holds at most 31 characters, counted as the platform counts
// them (UTF-16 units); a UTF-8 character is never split.
std::string_view cutFaceName(std::string_view face) {
  std::size_t end = 0;
  int units = 0;
  while (end < face.size()) {
    const auto lead = static_cast<unsigned char>(face[end]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    const int width = length == 4 ? 2 : 1;
    if (units + width > 31 || end + length > face.size()) break;
    units += width;
    end += length;
  }
  return face.substr(0, end);
}

}  // namespace

FontTable::FontTable() {
  // Font 1 is every window's font; 2 and 3 complete the layer's own set and
  // differ from anything the program asks for, so its fonts number from 4.
  intern("MS Sans Serif", 8, 0, 0, 0, 0);
  intern("Courier New", 8, 0, 0, 0, 0);
  intern("Arial", 8, 0, 0, 0, 0);
  for (auto& font : fonts_) font.useCount = 1;
}

int FontTable::intern(std::string_view face, float points, std::uint32_t styleBits,
                      std::uint8_t charset, std::uint8_t pitchAndFamily, std::int32_t escapement) {
  FontRecord wanted;
  wanted.face = std::string(cutFaceName(face));
  wanted.points = points == 0 ? 8 : points;
  wanted.weight = (styleBits & kFontBold) ? 700 : 400;
  wanted.italic = styleBits & kFontItalic;
  wanted.underline = styleBits & kFontUnderline;
  wanted.strikeOut = styleBits & kFontStrikeOut;
  wanted.cellHeight = styleBits & kFontCellHeight;
  wanted.charset = charset;
  wanted.pitchAndFamily = pitchAndFamily;
  wanted.escapement = escapement;
  for (const auto& font : fonts_) {
    if (font.face == wanted.face && font.points == wanted.points && font.weight == wanted.weight &&
        font.italic == wanted.italic && font.underline == wanted.underline &&
        font.strikeOut == wanted.strikeOut && font.cellHeight == wanted.cellHeight &&
        font.charset == wanted.charset && font.pitchAndFamily == wanted.pitchAndFamily &&
        font.escapement == wanted.escapement)
      return font.number;
  }
  wanted.number = static_cast<int>(fonts_.size()) + 1;
  fonts_.push_back(std::move(wanted));
  return fonts_.back().number;
}

FontRecord* FontTable::find(int number) {
  if (number == 0) number = 1;
  if (number < 1 || number > static_cast<int>(fonts_.size())) return nullptr;
  return &fonts_[static_cast<std::size_t>(number) - 1];
}

void FontTable::use(ControlRecord& control, FontRecord& font) {
  ++font.useCount;
  if (FontRecord* before = control.font ? find(control.font) : nullptr) --before->useCount;
  control.font = font.number;
}

void FontTable::release(ControlRecord& control) {
  if (FontRecord* font = control.font ? find(control.font) : nullptr) --font->useCount;
  control.font = 0;
}

ControlRecord* WindowRecord::control(std::uint16_t id) {
  for (auto& c : controls)
    if (c.id == id) return &c;
  return nullptr;
}

ControlRecord* WindowRecord::controlByHandle(Handle control) {
  for (auto& c : controls)
    if (c.handle == control) return &c;
  return nullptr;
}

WindowRecord& Registry::add(Handle window) {
  windows_.push_back(std::make_unique<WindowRecord>());
  windows_.back()->handle = window;
  return *windows_.back();
}

WindowRecord* Registry::find(Handle window) {
  if (window == 0) return nullptr;
  for (auto& w : windows_)
    if (w->handle == window) return w.get();
  return nullptr;
}

WindowRecord* Registry::ownerOf(Handle control) {
  if (control == 0) return nullptr;
  for (auto& w : windows_)
    if (w->controlByHandle(control)) return w.get();
  return nullptr;
}

Handle Registry::controlHandle(Handle window, std::uint16_t id) {
  WindowRecord* record = find(window);
  const ControlRecord* control = record ? record->control(id) : nullptr;
  return control ? control->handle : 0;
}

void Registry::remove(Handle window) {
  std::erase_if(windows_, [window](const auto& w) { return w->handle == window; });
}

bool SharedColours::acquire(Colour colour) {
  for (auto& entry : entries_)
    if (entry.colour == colour) return ++entry.users == 1;
  entries_.push_back({colour, 1});
  return true;
}

bool SharedColours::release(Colour colour) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->colour != colour) continue;
    if (--it->users > 0) return false;
    entries_.erase(it);
    return true;
  }
  return false;
}

std::string toCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  char previous = 0;
  for (char c : text) {
    if (c == '\n' && previous != '\r') out += '\r';
    out += c;
    previous = c;
  }
  return out;
}

std::string fromCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace dialog::core

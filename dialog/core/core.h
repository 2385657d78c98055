// Platform-free part of the dialog layer: style rules, dialog-unit
// arithmetic, font interning and the window and control records. The front
// end keeps the records; the backends read them. It includes no toolkit
// header.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dialog/dialog.h"

namespace dialog::core {

// --- Style rules ------------------------------------------------------------

inline constexpr std::uint32_t kDefaultWindowStyle = 0x80C000D4;

// The style a window is created with, from what the caller passed.
std::uint32_t windowStyle(std::uint32_t style, std::int32_t x, std::int32_t y, bool hasParent);
// Show state from the final style: 3 maximized, 6 minimized, else 5.
int showState(std::uint32_t style);
// The size kind the opening WM_SIZE carries for a show state: 2 maximized,
// 1 minimized, else 0 (restored).
constexpr WParam sizeKind(int showState) {
  return showState == 3 ? 2 : showState == 6 ? 1 : 0;
}

// A colour as the records keep it: the 24 bits of 0x00BBGGRR, or -1 (the
// platform's default) for any negative value.
constexpr Colour maskedColour(Colour colour) {
  return colour < 0 ? -1 : (colour & 0x00FFFFFF);
}

// --- Program callbacks --------------------------------------------------------

// Calls a window's callback for the backend, so that nothing the program
// throws crosses into the platform's message loop, where it would end the
// process or be lost half-way through the platform's own frames. A throw is
// reported on the standard error stream and answered 0 (default handling).
std::intptr_t callProgram(WindowCallback callback, Handle window, std::uint32_t event,
                          WParam wParam, LParam lParam) noexcept;

struct ControlStyle {
  std::uint32_t style;
  std::uint32_t exStyle;
};
// The style and extended style a control of `kind` is created with.
ControlStyle controlStyle(int kind, std::uint32_t style, std::uint32_t exStyle);
// True for the four kinds the layer knows.
bool knownKind(int kind);

// --- Dialog units -----------------------------------------------------------

// a * b / c rounded to the nearest integer, halves away from zero (MulDiv).
std::int32_t mulDiv(std::int32_t a, std::int32_t b, std::int32_t c);

struct BaseUnits {
  int x;  // average character width of the measuring font, in pixels
  int y;  // character height of the measuring font, in pixels
};

// X unit from the advance of the 52 letters A-Z, a-z, as Windows computes it.
int averageCharWidth(int advanceOf52Letters);

struct PixelRect {
  int left, top, width, height;
};
// Converts a dialog-unit rectangle edge by edge, as MapDialogRect does.
PixelRect toPixels(BaseUnits units, std::int32_t x, std::int32_t y, std::int32_t width,
                   std::int32_t height);

// Character height for a point size: minus the rounded pixel height.
int fontHeightPixels(float points, int pixelsPerInchY);

// --- Fonts ------------------------------------------------------------------

// The backend's own font for a layer font. Declared here, defined by each
// backend, which makes it on the font's first use; the font record owns it.
struct PlatformFont;
using PlatformFontPtr = std::unique_ptr<PlatformFont, void (*)(PlatformFont*)>;

struct FontRecord {
  int number = 0;
  std::string face;  // at most 31 characters
  float points = 8;
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  bool cellHeight = false;  // size counts the cell, not the characters
  std::uint8_t charset = 0;
  std::uint8_t pitchAndFamily = 0;
  std::int32_t escapement = 0;
  int useCount = 0;
  PlatformFontPtr platform{nullptr, nullptr};  // made on first use, kept until released

  bool builtIn() const { return number <= 3; }
  // Points as the platform is asked for them (negative for cell height).
  float signedPoints() const { return cellHeight ? -points : points; }
};

struct ControlRecord;

// Interned font descriptions, numbered from 1. Fonts 1 to 3 are the layer's.
class FontTable {
 public:
  FontTable();
  int intern(std::string_view face, float points, std::uint32_t styleBits, std::uint8_t charset,
             std::uint8_t pitchAndFamily, std::int32_t escapement);
  // The record, or nullptr if the layer never gave out that number. 0 means 1.
  FontRecord* find(int number);
  std::size_t size() const { return fonts_.size(); }

  // The use counts, kept here for both backends. `use` counts the control's
  // use of `font`, gives up the font it showed before and records the new
  // one on the control; `release` gives up its use when the control goes.
  void use(ControlRecord& control, FontRecord& font);
  void release(ControlRecord& control);
  // True when the backend may delete the font's platform font: a font of
  // the program's that no control shows.
  static bool releasable(const FontRecord& font) { return !font.builtIn() && font.useCount <= 0; }

 private:
  std::vector<FontRecord> fonts_;
};

// --- Records ----------------------------------------------------------------

struct ControlRecord {
  Handle handle = 0;
  std::uint16_t id = 0;
  int kind = 0;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  int font = 0;                  // layer font set on it; 0 before the first
  Colour textColour = -1;        // -1: not set
  Colour backgroundColour = -1;  // -1: not set
  bool invalid = false;          // marked as holding an entry that is not valid
};

// The backend's own state of one window: its platform objects and its
// modal loop. Declared here, defined by each backend, which makes it
// with the window; the window record owns it.
struct PlatformWindow;
using PlatformWindowPtr = std::unique_ptr<PlatformWindow, void (*)(PlatformWindow*)>;

struct WindowRecord {
  Handle handle = 0;
  Handle parent = 0;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  int showState = 5;
  WindowCallback callback = nullptr;             // attached by showModal
  std::int32_t* result = nullptr;                // where endWindow stores the result
  bool ending = false;                           // inside endWindow, not to be re-entered
  PlatformWindowPtr platform{nullptr, nullptr};  // set by the backend when it makes the window
  std::vector<ControlRecord> controls;           // in creation order

  ControlRecord* control(std::uint16_t id);
  ControlRecord* controlByHandle(Handle control);
};

// Every window the layer made, found by handle.
class Registry {
 public:
  WindowRecord& add(Handle window);
  WindowRecord* find(Handle window);
  // The window owning this control, or nullptr.
  WindowRecord* ownerOf(Handle control);
  // The layer's control with that id in the layer's window, or 0: the one
  // argument check of controlHandle on every backend.
  Handle controlHandle(Handle window, std::uint16_t id);
  void remove(Handle window);
  const std::vector<std::unique_ptr<WindowRecord>>& windows() const { return windows_; }

 private:
  std::vector<std::unique_ptr<WindowRecord>> windows_;
};

// Colours that controls use as background, with how many use each, so that a
// backend can share one brush per colour.
class SharedColours {
 public:
  // True when the colour was not in use before (a new brush is needed).
  bool acquire(Colour colour);
  // True when no control uses the colour any more (its brush can go).
  bool release(Colour colour);

 private:
  struct Entry {
    Colour colour;
    int users;
  };
  std::vector<Entry> entries_;
};

// Line breaks: the toolkit's "\n" against the layer's CR LF.
std::string toCrLf(std::string_view text);
std::string fromCrLf(std::string_view text);

}  // namespace dialog::core

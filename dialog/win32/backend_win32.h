// Internals of the Win32 backend of the dialog layer, shared by its source
// files and by the Win32 test support. Windows side of the boundary: only
// dialog/win32 and the Win32 tests include this header.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dialog/backend.h"

namespace dialog::core {

// What the Win32 backend keeps of each window besides its HWND.
struct PlatformWindow {
  PlatformWindow() = default;
  PlatformWindow(const PlatformWindow&) = delete;
  PlatformWindow& operator=(const PlatformWindow&) = delete;
  ~PlatformWindow() {
    if (bigIcon) DestroyIcon(bigIcon);
    if (smallIcon) DestroyIcon(smallIcon);
  }

  HICON bigIcon = nullptr;  // set by setWindowIcon, destroyed with the window
  HICON smallIcon = nullptr;
  // The font every control starts with (the window's own), put back on a
  // control that still shows a layer font when the window goes.
  HFONT initialFont = nullptr;
};

struct PlatformFont {
  explicit PlatformFont(HFONT made) : font(made) {}
  PlatformFont(const PlatformFont&) = delete;
  PlatformFont& operator=(const PlatformFont&) = delete;
  ~PlatformFont() { DeleteObject(font); }

  HFONT font;
};

}  // namespace dialog::core

namespace dialog::win32 {

// All state of the backend, in one place; the records are the front end's
// (frontend::layer()).
struct Backend {
  struct Brush {
    Colour colour;
    HBRUSH brush;
  };
  std::vector<Brush> brushes;      // one per background colour in use
  std::vector<HWND> modalWindows;  // windows whose modal loop runs, innermost last
  int loopDepth = 0;               // modal loops and message boxes running now
  std::uint64_t idleWaits = 0;     // times a modal loop went to sleep for lack of events

  // The brush that paints a background colour in use, or nullptr.
  HBRUSH brushFor(Colour colour) const;
};
Backend& backend();

inline HWND toHwnd(Handle handle) {
  return reinterpret_cast<HWND>(handle);
}
inline Handle toHandle(HWND hwnd) {
  return reinterpret_cast<Handle>(hwnd);
}

// UTF-8 <-> UTF-16, both ways through CP_UTF8: nothing is replaced.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

// Creates a hidden window from an in-memory DLGTEMPLATEEX with no controls,
// declaring the measuring font ("MS Sans Serif", 8 pt, weight 700). The size
// is that of the client area, in dialog units.
HWND createTemplateWindow(HWND parent, DWORD style, DWORD exStyle, std::int32_t x, std::int32_t y,
                          std::int32_t width, std::int32_t height, DLGPROC proc);

// True for a window that exists, is shown and takes input.
bool usableWindow(HWND window);

// Handles every event that is pending now, exactly as the innermost modal
// loop would (dialog keyboard handling included), without waiting.
void processPendingEvents();

}  // namespace dialog::win32

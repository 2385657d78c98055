// Win32 backend of the dialog layer: controls placed in dialog units, their
// text, fonts and colours. Windows side of the boundary.
#include <algorithm>

#include "dialog/win32/backend_win32.h"

namespace dialog::driver {

using namespace win32;

namespace {

const wchar_t* className(int kind) {
  switch (kind) {
    case kKindButton:
    case kKindFrame:
      return L"BUTTON";
    case kKindLabel:
      return L"STATIC";
    case kKindTextBox:
      return L"EDIT";
    default:
      return nullptr;
  }
}

std::string textOf(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return narrow(text);
}

}  // namespace

Handle addControl(core::WindowRecord& window, const core::ControlRecord& control,
                  std::string_view text, std::int32_t x, std::int32_t y, std::int32_t width,
                  std::int32_t height) {
  // Edge by edge: the left and right edges (and top and bottom) are each
  // converted, so neighbouring controls meet without gaps or overlaps.
  HWND hwnd = toHwnd(window.handle);
  RECT box{x, y, x + width, y + height};
  MapDialogRect(hwnd, &box);
  HWND made =
      CreateWindowExW(control.exStyle, className(control.kind), widen(text).c_str(), control.style,
                      box.left, box.top, box.right - box.left, box.bottom - box.top, hwnd,
                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(control.id)),
                      GetModuleHandleW(nullptr), nullptr);
  if (!made) return 0;
  SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(window.platform->initialFont), TRUE);
  // An edit control takes 32,767 typed or pasted characters (30,000 under
  // Wine) and silently drops the rest; 0 lifts a multi-line box's limit to
  // the largest there is. A single-line box keeps its own: its width.
  if (control.kind == kKindTextBox && (control.style & ES_MULTILINE))
    SendMessageW(made, EM_SETLIMITTEXT, 0, 0);
  return toHandle(made);
}

core::PlatformFontPtr makeFont(const core::FontRecord& font) {
  HDC screen = GetDC(nullptr);
  const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  LOGFONTW description{};
  description.lfHeight = core::fontHeightPixels(font.signedPoints(), pixelsPerInch);
  description.lfWeight = font.weight;
  description.lfItalic = font.italic;
  description.lfUnderline = font.underline;
  description.lfStrikeOut = font.strikeOut;
  description.lfCharSet = font.charset;
  description.lfPitchAndFamily = font.pitchAndFamily;
  description.lfEscapement = font.escapement;
  description.lfOrientation = font.escapement;
  const std::wstring face = widen(font.face);
  face.copy(description.lfFaceName, LF_FACESIZE - 1);
  HFONT made = CreateFontIndirectW(&description);
  if (!made) return {nullptr, nullptr};
  return {new core::PlatformFont(made), [](core::PlatformFont* p) { delete p; }};
}

void setControlFont(const core::ControlRecord& control, const core::PlatformFont& font) {
  SendMessageW(toHwnd(control.handle), WM_SETFONT, reinterpret_cast<WPARAM>(font.font), TRUE);
}

std::string controlText(const core::ControlRecord& control) {
  return textOf(toHwnd(control.handle));
}

std::string windowTitle(Handle window) {
  return textOf(toHwnd(window));
}

void setControlText(const core::ControlRecord& control, std::string_view text) {
  HWND hwnd = toHwnd(control.handle);
  const std::wstring wide = widen(text);
  // Text the program places is not the user's typing: a lower-case box keeps
  // it as given (coded text may hold capitals that must survive).
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  const bool unlower = control.kind == kKindTextBox && (style & ES_LOWERCASE);
  if (unlower) SetWindowLongW(hwnd, GWL_STYLE, style & ~ES_LOWERCASE);
  SetWindowTextW(hwnd, wide.c_str());
  if (unlower) SetWindowLongW(hwnd, GWL_STYLE, style);
}

void setWindowTitle(Handle window, std::string_view text) {
  SetWindowTextW(toHwnd(window), widen(text).c_str());
}

bool makeBackground(Colour colour) {
  HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(colour));
  if (!brush) return false;
  backend().brushes.push_back({colour, brush});
  return true;
}

void deleteBackground(Colour colour) {
  auto& brushes = backend().brushes;
  auto it = std::find_if(brushes.begin(), brushes.end(),
                         [colour](const Backend::Brush& b) { return b.colour == colour; });
  if (it == brushes.end()) return;
  DeleteObject(it->brush);
  brushes.erase(it);
}

void applyColours(const core::ControlRecord& /*control*/) {
  // The window procedure answers the control's colour request from its
  // record at the next paint.
}

void redrawControl(const core::ControlRecord& control) {
  constexpr UINT kRedrawNow = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW;
  static_assert(kRedrawNow == 0x185);
  RedrawWindow(toHwnd(control.handle), nullptr, nullptr, kRedrawNow);
}

}  // namespace dialog::driver

// Win32 backend of the dialog layer: controls placed in dialog units, their
// text, fonts and colours. Windows side of the boundary.
#include <algorithm>

#include "dialog/win32/backend_win32.h"

namespace dialog {

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

struct ControlLookup {
  core::WindowRecord* window = nullptr;
  core::ControlRecord* control = nullptr;
};

ControlLookup findControl(Handle window, std::uint16_t id) {
  core::WindowRecord* record = backend().registry.find(window);
  if (!record) return {};
  return {record, record->control(id)};
}

core::ControlRecord* findControlByHandle(Handle control) {
  core::WindowRecord* owner = backend().registry.ownerOf(control);
  return owner ? owner->controlByHandle(control) : nullptr;
}

HFONT makeFont(const core::FontRecord& font) {
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
  return CreateFontIndirectW(&description);
}

}  // namespace

namespace win32 {

void makeBuiltInFonts() {
  Backend& state = backend();
  for (int number = 1; number <= 3; ++number) {
    core::FontRecord* font = state.fonts.find(number);
    if (font && !font->platformFont)
      font->platformFont = reinterpret_cast<std::uintptr_t>(makeFont(*font));
  }
}

void releasePlatformObjects() {
  Backend& state = backend();
  for (int number = 1; number <= static_cast<int>(state.fonts.size()); ++number) {
    core::FontRecord* font = state.fonts.find(number);
    if (font->platformFont) DeleteObject(reinterpret_cast<HFONT>(font->platformFont));
    font->platformFont = 0;
  }
  for (const Backend::Brush& brush : state.brushes) DeleteObject(brush.brush);
  state.brushes.clear();
}

}  // namespace win32

void addControl(Handle window, std::uint16_t id, std::string_view text, std::int32_t x,
                std::int32_t y, std::int32_t width, std::int32_t height, std::uint32_t style,
                std::uint32_t exStyle, int kind) {
  Backend& state = backend();
  const wchar_t* windowClass = className(kind);
  if (!state.registry.find(window) || !windowClass) return;
  const core::ControlStyle applied = core::controlStyle(kind, style, exStyle);

  // Edge by edge: the left and right edges (and top and bottom) are each
  // converted, so neighbouring controls meet without gaps or overlaps.
  HWND hwnd = toHwnd(window);
  RECT box{x, y, x + width, y + height};
  MapDialogRect(hwnd, &box);
  HWND control = CreateWindowExW(applied.exStyle, windowClass, widen(text).c_str(), applied.style,
                                 box.left, box.top, box.right - box.left, box.bottom - box.top,
                                 hwnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  if (!control) return;
  SendMessageW(control, WM_SETFONT, SendMessageW(hwnd, WM_GETFONT, 0, 0), TRUE);
  // An edit control takes 32,767 typed or pasted characters (30,000 under
  // Wine) and silently drops the rest; 0 lifts a multi-line box's limit to
  // the largest there is. A single-line box keeps its own: its width.
  if (kind == kKindTextBox && (applied.style & ES_MULTILINE))
    SendMessageW(control, EM_SETLIMITTEXT, 0, 0);

  core::WindowRecord* record = state.registry.find(window);
  if (!record) return;
  core::ControlRecord entry;
  entry.handle = toHandle(control);
  entry.id = id;
  entry.kind = kind;
  entry.style = applied.style;
  entry.exStyle = applied.exStyle;
  record->controls.push_back(entry);
}

int createFont(std::string_view face, float points, std::uint32_t styleBits, std::uint8_t charset,
               std::uint8_t pitchAndFamily, std::int32_t escapement) {
  return backend().fonts.intern(face, points, styleBits, charset, pitchAndFamily, escapement);
}

void setControlFont(Handle window, std::uint16_t id, int font) {
  Backend& state = backend();
  core::ControlRecord* control = findControl(window, id).control;
  core::FontRecord* record = state.fonts.find(font);
  if (!control || !record) return;
  if (!record->platformFont) {
    HFONT made = makeFont(*record);
    if (!made) return;
    record->platformFont = reinterpret_cast<std::uintptr_t>(made);
  }
  HWND hwnd = toHwnd(control->handle);
  if (control->font == 0)
    control->initialFont = static_cast<std::uintptr_t>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  state.fonts.use(*control, *record);
  SendMessageW(hwnd, WM_SETFONT, static_cast<WPARAM>(record->platformFont), TRUE);
}

void releaseFont(int font) {
  core::FontRecord* record = backend().fonts.find(font);
  if (!record || !core::FontTable::releasable(*record) || !record->platformFont) return;
  DeleteObject(reinterpret_cast<HFONT>(record->platformFont));
  record->platformFont = 0;
}

Handle controlHandle(Handle window, std::uint16_t id) {
  return backend().registry.controlHandle(window, id);
}

std::string getControlText(Handle control) {
  HWND hwnd = toHwnd(control);
  if (!control || !IsWindow(hwnd)) return {};
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return narrow(text);
}

void setControlText(Handle control, std::string_view text) {
  HWND hwnd = toHwnd(control);
  if (!control || !IsWindow(hwnd)) return;
  const std::wstring wide = widen(text);
  // Text the program places is not the user's typing: a lower-case box keeps
  // it as given (coded text may hold capitals that must survive).
  const core::ControlRecord* record = findControlByHandle(control);
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  const bool unlower = record && record->kind == kKindTextBox && (style & ES_LOWERCASE);
  if (unlower) SetWindowLongW(hwnd, GWL_STYLE, style & ~ES_LOWERCASE);
  SetWindowTextW(hwnd, wide.c_str());
  if (unlower) SetWindowLongW(hwnd, GWL_STYLE, style);
}

void setControlColor(Handle window, std::uint16_t id, Colour text, Colour background) {
  Backend& state = backend();
  core::ControlRecord* control = findControl(window, id).control;
  if (!control) return;
  text = core::maskedColour(text);
  background = core::maskedColour(background);

  HBRUSH brush = nullptr;
  if (background >= 0) {
    if (state.colours.acquire(background)) {
      brush = CreateSolidBrush(static_cast<COLORREF>(background));
      if (brush) {
        state.brushes.push_back({background, brush});
      } else {
        state.colours.release(background);
        background = -1;
      }
    } else {
      for (const Backend::Brush& shared : state.brushes)
        if (shared.colour == background) brush = shared.brush;
    }
  }
  const Colour previous = control->backgroundColour;
  control->textColour = text;
  control->backgroundColour = background;
  control->brush = reinterpret_cast<std::uintptr_t>(brush);
  if (previous >= 0 && state.colours.release(previous)) {
    auto it = std::find_if(state.brushes.begin(), state.brushes.end(),
                           [previous](const Backend::Brush& b) { return b.colour == previous; });
    if (it != state.brushes.end()) {
      DeleteObject(it->brush);
      state.brushes.erase(it);
    }
  }
}

void redrawControl(Handle control) {
  constexpr UINT kRedrawNow = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW;
  static_assert(kRedrawNow == 0x185);
  if (!control) return;
  RedrawWindow(toHwnd(control), nullptr, nullptr, kRedrawNow);
}

}  // namespace dialog

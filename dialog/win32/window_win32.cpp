// Win32 backend of the dialog layer: windows from in-memory dialog templates,
// the window procedure that routes events to the callbacks, the modal loop,
// ending windows, icons and focus. Windows side of the boundary.
#include <algorithm>

#include "dialog/win32/backend_win32.h"

// The layer's own constants speak the Win32 vocabulary; keep them honest.
static_assert(dialog::kWmDestroy == WM_DESTROY);
static_assert(dialog::kWmSize == WM_SIZE);
static_assert(dialog::kWmClose == WM_CLOSE);
static_assert(dialog::kWmNcDestroy == WM_NCDESTROY);
static_assert(dialog::kWmNcActivate == WM_NCACTIVATE);
static_assert(dialog::kWmInitDialog == WM_INITDIALOG);
static_assert(dialog::kWmCommand == WM_COMMAND);
static_assert(dialog::kWmSysCommand == WM_SYSCOMMAND);
static_assert(dialog::kScClose == SC_CLOSE);
static_assert(dialog::core::sizeKind(SW_MAXIMIZE) == SIZE_MAXIMIZED);
static_assert(dialog::core::sizeKind(SW_MINIMIZE) == SIZE_MINIMIZED);
static_assert(dialog::core::sizeKind(SW_SHOW) == SIZE_RESTORED);
static_assert(dialog::kBnClicked == BN_CLICKED);
static_assert(dialog::kEnSetFocus == EN_SETFOCUS);
static_assert(dialog::kEnKillFocus == EN_KILLFOCUS);
static_assert(dialog::kEnChange == EN_CHANGE);
static_assert(dialog::kEnMaxText == EN_MAXTEXT);
static_assert(dialog::kIdOk == IDOK);
static_assert(dialog::kIdCancel == IDCANCEL);
static_assert(dialog::kWsPopup == WS_POPUP);
static_assert(dialog::kWsChild == WS_CHILD);
static_assert(dialog::kWsMinimize == WS_MINIMIZE);
static_assert(dialog::kWsVisible == WS_VISIBLE);
static_assert(dialog::kWsDisabled == WS_DISABLED);
static_assert(dialog::kWsMaximize == WS_MAXIMIZE);
static_assert(dialog::kWsCaption == WS_CAPTION);
static_assert(dialog::kWsBorder == WS_BORDER);
static_assert(dialog::kWsVScroll == WS_VSCROLL);
static_assert(dialog::kWsHScroll == WS_HSCROLL);
static_assert(dialog::kWsSysMenu == WS_SYSMENU);
static_assert(dialog::kWsMinimizeBox == WS_MINIMIZEBOX);
static_assert(dialog::kWsTabStop == WS_TABSTOP);
static_assert(dialog::kDsNoIdleMsg == DS_NOIDLEMSG);
static_assert(dialog::kDsCenter == DS_CENTER);
static_assert(dialog::kDsModalFrame == DS_MODALFRAME);
static_assert(dialog::kDsSetFont == DS_SETFONT);
static_assert(dialog::kDsNoFailCreate == DS_NOFAILCREATE);
static_assert(dialog::kDsThreeDLook == DS_3DLOOK);
static_assert(dialog::kDsSysModal == DS_SYSMODAL);
static_assert(dialog::kDsAbsAlign == DS_ABSALIGN);
static_assert(dialog::kEsWantReturn == ES_WANTRETURN);
static_assert(dialog::kEsAutoHScroll == ES_AUTOHSCROLL);
static_assert(dialog::kEsLowercase == ES_LOWERCASE);
static_assert(dialog::kEsMultiline == ES_MULTILINE);
static_assert(dialog::kBsGroupBox == BS_GROUPBOX);
static_assert(dialog::kWsExClientEdge == WS_EX_CLIENTEDGE);
static_assert(dialog::kMenuEnabled == MF_ENABLED);
static_assert(dialog::kMenuDisabled == MF_DISABLED);
static_assert(dialog::kMbOk == MB_OK);
static_assert(dialog::kDefaultPosition == static_cast<std::int32_t>(CW_USEDEFAULT));

namespace dialog {

namespace win32 {

Backend& backend() {
  static Backend state;
  return state;
}

std::wstring widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), length);
  return out;
}

std::string narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int size = static_cast<int>(utf16.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, out.data(), length, nullptr, nullptr);
  return out;
}

namespace {

// Writes the fields of a DLGTEMPLATEEX one after another, as the platform
// reads them: packed, with the whole template DWORD-aligned.
class TemplateWriter {
 public:
  void word(WORD value) { words_.push_back(value); }
  void dword(DWORD value) {
    word(LOWORD(value));
    word(HIWORD(value));
  }
  void text(std::wstring_view value) {
    words_.insert(words_.end(), value.begin(), value.end());
    word(0);
  }
  void bytes(BYTE low, BYTE high) { word(static_cast<WORD>(low | (high << 8))); }
  const DLGTEMPLATE* data() {
    storage_.assign((words_.size() + 1) / 2, 0);
    std::copy(words_.begin(), words_.end(), reinterpret_cast<WORD*>(storage_.data()));
    return reinterpret_cast<const DLGTEMPLATE*>(storage_.data());
  }

 private:
  std::vector<WORD> words_;
  std::vector<DWORD> storage_;
};

short toShort(std::int32_t value) {
  return static_cast<short>(std::clamp<std::int32_t>(value, SHRT_MIN, SHRT_MAX));
}

void releaseColour(Backend& state, Colour colour) {
  if (colour < 0 || !state.colours.release(colour)) return;
  auto it = std::find_if(state.brushes.begin(), state.brushes.end(),
                         [colour](const Backend::Brush& b) { return b.colour == colour; });
  if (it == state.brushes.end()) return;
  DeleteObject(it->brush);
  state.brushes.erase(it);
}

// The platform destroyed the window: give back what its records hold.
void releaseWindow(HWND hwnd) {
  Backend& state = backend();
  core::WindowRecord* record = state.registry.find(toHandle(hwnd));
  if (!record) return;
  for (core::ControlRecord& control : record->controls) {
    if (control.font != 0 && IsWindow(toHwnd(control.handle)))
      SendMessageW(toHwnd(control.handle), WM_SETFONT, control.initialFont, FALSE);
    state.fonts.release(control);
    releaseColour(state, control.backgroundColour);
  }
  if (record->platform->bigIcon) DestroyIcon(record->platform->bigIcon);
  if (record->platform->smallIcon) DestroyIcon(record->platform->smallIcon);
  state.registry.remove(toHandle(hwnd));
  if (state.activeWindow == hwnd) state.activeWindow = nullptr;
}

// Answers a control's colour request from the colours set on it, or returns
// false for the platform's defaults.
bool controlColours(HWND window, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer) {
  core::WindowRecord* record = backend().registry.find(toHandle(window));
  if (!record) return false;
  const core::ControlRecord* control = record->controlByHandle(static_cast<Handle>(lParam));
  if (!control || (control->textColour < 0 && control->backgroundColour < 0)) return false;
  HDC dc = reinterpret_cast<HDC>(wParam);
  HBRUSH brush = reinterpret_cast<HBRUSH>(control->brush);
  if (control->backgroundColour >= 0 && brush) {
    SetBkColor(dc, static_cast<COLORREF>(control->backgroundColour));
  } else {
    // Default background: let the platform pick it (and the default colours).
    brush = reinterpret_cast<HBRUSH>(DefWindowProcW(window, message, wParam, lParam));
  }
  if (control->textColour >= 0) SetTextColor(dc, static_cast<COLORREF>(control->textColour));
  answer = reinterpret_cast<INT_PTR>(brush);
  return true;
}

// Messages whose answer is the dialog procedure's return value itself rather
// than DWLP_MSGRESULT.
bool answersDirectly(UINT message) {
  return (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ||
         message == WM_COMPAREITEM || message == WM_VKEYTOITEM || message == WM_CHARTOITEM ||
         message == WM_QUERYDRAGICON || message == WM_INITDIALOG;
}

INT_PTR CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Backend& state = backend();
  // The platform's own opening event arrives while the window is being made,
  // before the program can have a callback on it: no focus is set then.
  if (message == WM_INITDIALOG) return FALSE;
  if (message == WM_ACTIVATE) {
    if (LOWORD(wParam) != WA_INACTIVE)
      state.activeWindow = hwnd;
    else if (state.activeWindow == hwnd)
      state.activeWindow = nullptr;
    return FALSE;  // the platform's handling keeps and restores the focus
  }

  const core::WindowRecord* record = state.registry.find(toHandle(hwnd));
  if (record && record->callback) {
    const std::intptr_t handled =
        core::callProgram(record->callback, toHandle(hwnd), message, wParam, lParam);
    // The records go with the window whatever the callback answered: kept,
    // they would name a handle that the platform may give to a new window.
    if (message == WM_NCDESTROY) releaseWindow(hwnd);
    if (handled != 0) {
      if (answersDirectly(message)) return static_cast<INT_PTR>(handled);
      SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, static_cast<LONG_PTR>(handled));
      return TRUE;
    }
  }

  switch (message) {
    case WM_NCDESTROY:
      releaseWindow(hwnd);
      return TRUE;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      INT_PTR answer = 0;
      return controlColours(hwnd, message, wParam, lParam, answer) ? answer : FALSE;
    }
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE && state.registry.find(toHandle(hwnd))) {
        endWindow(toHandle(hwnd), 0);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

void dispatch(MSG& message) {
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

// One turn of a modal loop for `window`; false when no event was pending.
bool handleOneEvent(HWND window) {
  MSG message;
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return false;
  if (!window || !IsWindow(window) || !IsDialogMessageW(window, &message)) dispatch(message);
  return true;
}

void runModalLoop(HWND window, HWND parent, DWORD style) {
  Backend& state = backend();
  state.modalWindows.push_back(window);
  ++state.loopDepth;
  while (IsWindow(window)) {
    if (handleOneEvent(window)) continue;
    if (parent && !(style & DS_NOIDLEMSG))
      SendMessageW(parent, WM_ENTERIDLE, 0, reinterpret_cast<LPARAM>(window));
    // Sleep until an event arrives: an idle window costs no processor time.
    ++state.idleWaits;
    MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  --state.loopDepth;
  state.modalWindows.pop_back();
}

bool usableWindow(HWND window) {
  return window && IsWindow(window) && IsWindowVisible(window) && IsWindowEnabled(window);
}

}  // namespace

HWND createTemplateWindow(HWND parent, DWORD style, DWORD exStyle, std::int32_t x, std::int32_t y,
                          std::int32_t width, std::int32_t height, DLGPROC proc) {
  TemplateWriter t;
  t.word(1);       // dlgVer
  t.word(0xFFFF);  // signature: extended template
  t.dword(0);      // helpID
  t.dword(exStyle);
  t.dword(style);
  t.word(0);  // no controls: the layer adds them itself
  const bool centred = x == kDefaultPosition || y == kDefaultPosition;
  t.word(static_cast<WORD>(centred ? 0 : toShort(x)));
  t.word(static_cast<WORD>(centred ? 0 : toShort(y)));
  t.word(static_cast<WORD>(toShort(width)));
  t.word(static_cast<WORD>(toShort(height)));
  t.word(0);      // no menu
  t.word(0);      // the dialog class
  t.text(L"");    // the title is set afterwards
  t.word(8);      // the measuring font: 8 points,
  t.word(700);    // always declared bold,
  t.bytes(0, 0);  // not italic, character set 0
  t.text(L"MS Sans Serif");
  return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), t.data(), parent, proc, 0);
}

void processPendingEvents() {
  const auto& modal = backend().modalWindows;
  while (handleOneEvent(modal.empty() ? nullptr : modal.back())) {
  }
}

}  // namespace win32

using namespace win32;

Handle createWindow(Handle parent, std::string_view title, std::int32_t x, std::int32_t y,
                    std::int32_t width, std::int32_t height, std::uint32_t style,
                    std::uint32_t exStyle) {
  const std::uint32_t finalStyle = core::windowStyle(style, x, y, parent != 0);
  HWND hwnd = createTemplateWindow(toHwnd(parent), finalStyle, exStyle, x, y, width, height,
                                   windowProcedure);
  if (!hwnd) return 0;
  SetWindowTextW(hwnd, widen(title).c_str());
  core::WindowRecord& record = backend().registry.add(toHandle(hwnd));
  record.platform = {new core::PlatformWindow{}, [](core::PlatformWindow* p) { delete p; }};
  record.parent = parent;
  record.style = finalStyle;
  record.exStyle = exStyle;
  record.showState = core::showState(finalStyle);
  return toHandle(hwnd);
}

void setWindowIcon(Handle window, std::string_view name) {
  Backend& state = backend();
  if (!state.registry.find(window)) return;
  std::wstring wideName;
  LPCWSTR resource = nullptr;
  const bool numeric =
      name.size() > 1 && name.size() <= 6 && name[0] == '#' &&
      std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (numeric) {
    const unsigned long id = std::stoul(std::string(name.substr(1)));
    if (id == 0 || id > 0xFFFF) return;
    resource = MAKEINTRESOURCEW(id);
  } else {
    wideName = widen(name);
    resource = wideName.c_str();
  }
  HINSTANCE module = GetModuleHandleW(nullptr);
  auto load = [&](int size) {
    return static_cast<HICON>(LoadImageW(module, resource, IMAGE_ICON, size, size, 0));
  };
  HICON big = load(32);
  HICON small = load(16);
  if (!big || !small) {
    if (big) DestroyIcon(big);
    if (small) DestroyIcon(small);
    return;
  }
  core::WindowRecord* record = state.registry.find(window);
  HICON oldBig = record->platform->bigIcon;
  HICON oldSmall = record->platform->smallIcon;
  record->platform->bigIcon = big;
  record->platform->smallIcon = small;
  SendMessageW(toHwnd(window), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageW(toHwnd(window), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  if (oldBig) DestroyIcon(oldBig);
  if (oldSmall) DestroyIcon(oldSmall);
}

std::int32_t showModal(Handle window, WindowCallback callback) {
  Backend& state = backend();
  if (!state.registry.find(window) || !callback) return 0;
  HWND hwnd = toHwnd(window);
  HWND previouslyActive = GetActiveWindow();

  SetForegroundWindow(hwnd);
  core::callProgram(callback, window, WM_INITDIALOG, window, 0);
  if (core::WindowRecord* record = state.registry.find(window)) {
    RECT client{};
    GetClientRect(hwnd, &client);
    core::callProgram(
        callback, window, WM_SIZE, core::sizeKind(record->showState),
        static_cast<LParam>(MAKELPARAM(client.right - client.left, client.bottom - client.top)));
  }

  core::WindowRecord* record = state.registry.find(window);
  if (!record) return 0;  // ended while opening
  std::int32_t result = 0;
  record->callback = callback;
  record->result = &result;
  HWND parent = toHwnd(record->parent);
  const DWORD style = record->style;
  const int showState = record->showState;
  if (parent) {
    SendMessageW(parent, WM_CANCELMODE, 0, 0);
    EnableWindow(parent, FALSE);
  }
  ShowWindow(hwnd, showState);
  runModalLoop(hwnd, parent, style);

  if (parent && IsWindow(parent)) {
    SetFocus(parent);
  } else if (!usableWindow(GetActiveWindow()) && usableWindow(previouslyActive)) {
    // Nothing took the activation when this window went: give it back to the
    // window that had it, so that keystrokes keep a destination.
    SetForegroundWindow(previouslyActive);
    SetActiveWindow(previouslyActive);
  }
  return result;
}

void endWindow(Handle window, std::int32_t result) {
  Backend& state = backend();
  core::WindowRecord* record = state.registry.find(window);
  HWND hwnd = toHwnd(window);
  if (!record) return;
  // A callback that ends its window again while it is being ended (from the
  // close notice, say) must not start a second round.
  if (record->platform->ending) return;
  record->platform->ending = true;
  if (record->result) *record->result = result;
  HWND parent = toHwnd(record->parent);
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
  if (parent) EnableWindow(parent, TRUE);
  DestroyWindow(hwnd);
  // The records normally go with the window; should it outlive this, it can
  // be ended again.
  if (core::WindowRecord* kept = state.registry.find(window)) kept->platform->ending = false;
}

Handle focusedControl() {
  return toHandle(GetFocus());
}

void setFocus(Handle control) {
  if (control) SetFocus(toHwnd(control));
}

bool windowExists(Handle window) {
  return window != 0 && IsWindow(toHwnd(window));
}

void bringToFront(Handle window) {
  HWND hwnd = toHwnd(window);
  if (!window || !IsWindow(hwnd)) return;
  BringWindowToTop(hwnd);
  SetForegroundWindow(hwnd);
  SetActiveWindow(hwnd);
}

}  // namespace dialog

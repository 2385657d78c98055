// Win32 backend of the dialog layer: windows from in-memory dialog templates,
// the window procedure that routes events to the front end, the modal loop,
// destroying windows, icons and focus. Windows side of the boundary.
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

// Answers a control's colour request from the colours set on it, or returns
// false for the platform's defaults.
bool controlColours(HWND window, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer) {
  core::WindowRecord* record = frontend::findWindow(toHandle(window));
  if (!record) return false;
  const core::ControlRecord* control = record->controlByHandle(static_cast<Handle>(lParam));
  if (!control || (control->textColour < 0 && control->backgroundColour < 0)) return false;
  HDC dc = reinterpret_cast<HDC>(wParam);
  HBRUSH brush = backend().brushFor(control->backgroundColour);
  if (brush) {
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
  // The platform's own opening event arrives while the window is being made,
  // before the program can have a callback on it: no focus is set then.
  if (message == WM_INITDIALOG) return FALSE;
  // The platform's handling of activation keeps and restores the focus.
  if (message == WM_ACTIVATE) return FALSE;

  // The close command, from the system menu or Alt+F4.
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE &&
      frontend::findWindow(toHandle(hwnd))) {
    frontend::closeCommand(toHandle(hwnd), wParam, lParam);
    return TRUE;
  }
  const std::intptr_t handled = frontend::deliver(toHandle(hwnd), message, wParam, lParam);
  // The records go with the window whatever the callback answered.
  if (message == WM_NCDESTROY) frontend::windowDestroyed(toHandle(hwnd));
  if (handled != 0) {
    if (answersDirectly(message)) return static_cast<INT_PTR>(handled);
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, static_cast<LONG_PTR>(handled));
    return TRUE;
  }

  switch (message) {
    case WM_NCDESTROY:
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

}  // namespace

bool usableWindow(HWND window) {
  return window && IsWindow(window) && IsWindowVisible(window) && IsWindowEnabled(window);
}

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

HBRUSH Backend::brushFor(Colour colour) const {
  for (const Brush& shared : brushes)
    if (shared.colour == colour) return shared.brush;
  return nullptr;
}

void processPendingEvents() {
  const auto& modal = backend().modalWindows;
  while (handleOneEvent(modal.empty() ? nullptr : modal.back())) {
  }
}

}  // namespace win32

}  // namespace dialog

namespace dialog::driver {

using namespace win32;

NewWindow createWindow(Handle parent, std::string_view title, std::int32_t x, std::int32_t y,
                       std::int32_t width, std::int32_t height, std::uint32_t style,
                       std::uint32_t exStyle) {
  HWND hwnd =
      createTemplateWindow(toHwnd(parent), style, exStyle, x, y, width, height, windowProcedure);
  if (!hwnd) return {};
  SetWindowTextW(hwnd, widen(title).c_str());
  auto* platform = new core::PlatformWindow;
  platform->initialFont = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  return {toHandle(hwnd), {platform, [](core::PlatformWindow* p) { delete p; }}};
}

void setWindowIcon(core::WindowRecord& window, std::uint16_t id, std::string_view name) {
  const std::wstring wideName = id ? std::wstring() : widen(name);
  const LPCWSTR resource = id ? MAKEINTRESOURCEW(id) : wideName.c_str();
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
  core::PlatformWindow& platform = *window.platform;
  HICON oldBig = platform.bigIcon;
  HICON oldSmall = platform.smallIcon;
  platform.bigIcon = big;
  platform.smallIcon = small;
  SendMessageW(toHwnd(window.handle), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageW(toHwnd(window.handle), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  if (oldBig) DestroyIcon(oldBig);
  if (oldSmall) DestroyIcon(oldSmall);
}

Handle activeWindow() {
  return toHandle(GetActiveWindow());
}

void beginOpening(Handle window) {
  SetForegroundWindow(toHwnd(window));
}

Size clientSize(Handle window) {
  RECT client{};
  GetClientRect(toHwnd(window), &client);
  return {client.right - client.left, client.bottom - client.top};
}

void enableWindow(Handle window, bool enabled) {
  if (!enabled) SendMessageW(toHwnd(window), WM_CANCELMODE, 0, 0);
  EnableWindow(toHwnd(window), enabled);
}

void showWindow(core::WindowRecord& window) {
  // The dialog manager gives the first control with a tab stop the focus as
  // the window is activated.
  ShowWindow(toHwnd(window.handle), window.showState);
}

void runModalLoop(core::WindowRecord& window) {
  win32::runModalLoop(toHwnd(window.handle), toHwnd(window.parent), window.style);
}

void activateOwner(Handle owner) {
  SetFocus(toHwnd(owner));
}

void restoreActivation(Handle window) {
  // Nothing took the activation when the window went: give it back to the
  // window that had it, so that keystrokes keep a destination.
  HWND previouslyActive = toHwnd(window);
  if (!usableWindow(GetActiveWindow()) && usableWindow(previouslyActive)) {
    SetForegroundWindow(previouslyActive);
    SetActiveWindow(previouslyActive);
  }
}

void sendClose(Handle window) {
  SendMessageW(toHwnd(window), WM_CLOSE, 0, 0);
}

void destroyWindow(Handle window) {
  // The window procedure hears WM_DESTROY and WM_NCDESTROY on the way.
  DestroyWindow(toHwnd(window));
}

void windowGoing(core::WindowRecord& window) {
  for (const core::ControlRecord& control : window.controls) {
    if (control.font != 0 && IsWindow(toHwnd(control.handle)))
      SendMessageW(toHwnd(control.handle), WM_SETFONT,
                   reinterpret_cast<WPARAM>(window.platform->initialFont), FALSE);
  }
}

void bringToFront(Handle window) {
  HWND hwnd = toHwnd(window);
  BringWindowToTop(hwnd);
  SetForegroundWindow(hwnd);
  SetActiveWindow(hwnd);
}

Handle focusedControl() {
  return toHandle(GetFocus());
}

void setFocus(Handle control) {
  SetFocus(toHwnd(control));
}

}  // namespace dialog::driver

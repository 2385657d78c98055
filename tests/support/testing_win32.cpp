// Test support for the Win32 backend: drives the real windows through their
// message loops as a user would (posted keys, clicks, the menu's own keyboard
// navigation, the clipboard) and answers message boxes. Windows side.
#include <algorithm>
#include <deque>
#include <utility>

#include "dialog/testing.h"
#include "dialog/win32/backend_win32.h"

namespace dialog::testing {

using win32::backend;
using win32::toHandle;
using win32::toHwnd;

namespace {

// Thread timers with a procedure fire from every loop that dispatches,
// including MessageBoxW's and the menu's own; thread messages would be lost
// in those loops. 10 ms is the shortest interval the platform grants.
constexpr UINT kTimerInterval = 10;

struct Steps {
  std::deque<std::function<void()>> pending;
  std::vector<int> runningAt;  // loop depth at which each running step began
  UINT_PTR timer = 0;
};

Steps& steps() {
  static Steps state;
  return state;
}

bool answerShownBoxes();

void CALLBACK runNextStep(HWND, UINT, UINT_PTR, DWORD) {
  // A box that is to be answered goes first: the step after it must not run
  // inside the box's loop while the box waits for its answer.
  if (answerShownBoxes()) return;
  Steps& queue = steps();
  if (queue.pending.empty()) {
    KillTimer(nullptr, queue.timer);
    queue.timer = 0;
    return;
  }
  // A step runs from the innermost loop only: while a step runs, the next
  // one waits until that step has entered a new modal loop (or returned).
  const int depth = backend().loopDepth;
  if (!queue.runningAt.empty() && queue.runningAt.back() >= depth) return;
  std::function<void()> step = std::move(queue.pending.front());
  queue.pending.pop_front();
  queue.runningAt.push_back(depth);
  step();
  queue.runningAt.pop_back();
}

struct Boxes {
  int armed = 0;
  UINT_PTR timer = 0;
  std::vector<SeenBox> seen;
  std::vector<HWND> answered;  // dismissed, possibly not yet gone
};

Boxes& boxes() {
  static Boxes state;
  return state;
}

std::wstring windowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
  return text;
}

std::wstring classOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

BOOL CALLBACK collectMessageBox(HWND hwnd, LPARAM list) {
  // Message boxes are dialogs of class "#32770" that the layer did not make.
  if (classOf(hwnd) == L"#32770" && IsWindowVisible(hwnd) && !frontend::findWindow(toHandle(hwnd)))
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
  return TRUE;
}

// Answers the armed boxes that are shown now; true if it answered one.
bool answerShownBoxes() {
  Boxes& state = boxes();
  if (state.armed == 0) return false;
  bool answeredOne = false;
  std::erase_if(state.answered, [](HWND box) { return !IsWindow(box); });
  std::vector<HWND> shown;
  EnumThreadWindows(GetCurrentThreadId(), collectMessageBox, reinterpret_cast<LPARAM>(&shown));
  for (HWND box : shown) {
    if (state.armed == 0) break;
    if (std::find(state.answered.begin(), state.answered.end(), box) != state.answered.end())
      continue;
    state.seen.push_back(
        {win32::narrow(windowText(GetDlgItem(box, 0xFFFF))), win32::narrow(windowText(box))});
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    state.answered.push_back(box);
    --state.armed;
    answeredOne = true;
  }
  return answeredOne;
}

void CALLBACK answerBoxes(HWND, UINT, UINT_PTR, DWORD) {
  Boxes& state = boxes();
  answerShownBoxes();
  if (state.armed == 0) {
    KillTimer(nullptr, state.timer);
    state.timer = 0;
  }
}

// The window that receives keystrokes meant for `target`: the focused control
// when it lies in the same top-level window, else the target itself.
HWND keyTarget(HWND target) {
  HWND focus = GetFocus();
  HWND top = GetAncestor(target, GA_ROOT);
  return focus && GetAncestor(focus, GA_ROOT) == top ? focus : target;
}

void focusFor(HWND target) {
  HWND top = GetAncestor(target, GA_ROOT);
  if (GetActiveWindow() != top) {
    SetForegroundWindow(top);
    SetActiveWindow(top);
  }
  if (target != top) SetFocus(target);
  win32::processPendingEvents();
}

LPARAM keyData(UINT key, bool up, bool alt = false) {
  const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
  LPARAM data = 1 | static_cast<LPARAM>(scan << 16);
  if (alt) data |= 1 << 29;
  if (up) data |= static_cast<LPARAM>(3u << 30);
  return data;
}

void postKey(HWND target, UINT key, bool alt = false) {
  const UINT down = alt || key == VK_F10 ? WM_SYSKEYDOWN : WM_KEYDOWN;
  const UINT up = alt || key == VK_F10 ? WM_SYSKEYUP : WM_KEYUP;
  PostMessageW(target, down, key, keyData(key, false, alt));
  PostMessageW(target, up, key, keyData(key, true, alt));
}

// Holds Shift down in the thread's key state, as the dialog manager and the
// edit control read it with GetKeyState.
class ShiftHeld {
 public:
  ShiftHeld() {
    GetKeyboardState(saved_);
    BYTE held[256];
    std::copy(std::begin(saved_), std::end(saved_), held);
    held[VK_SHIFT] = held[VK_LSHIFT] = 0x80;
    SetKeyboardState(held);
  }
  ~ShiftHeld() { SetKeyboardState(saved_); }
  ShiftHeld(const ShiftHeld&) = delete;
  ShiftHeld& operator=(const ShiftHeld&) = delete;

 private:
  BYTE saved_[256] = {};
};

struct MenuPath {
  int topLevel = -1;  // index of the popup in the bar
  int steps = -1;     // entries (separators skipped) before the command
};

MenuPath findInMenu(HMENU bar, UINT commandId) {
  const int titles = GetMenuItemCount(bar);
  for (int t = 0; t < titles; ++t) {
    HMENU popup = GetSubMenu(bar, t);
    if (!popup) continue;
    int choosable = 0;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      MENUITEMINFOW item{};
      item.cbSize = sizeof item;
      item.fMask = MIIM_FTYPE | MIIM_ID;
      GetMenuItemInfoW(popup, static_cast<UINT>(i), TRUE, &item);
      if (item.fType & MFT_SEPARATOR) continue;
      if (item.wID == commandId) return {t, choosable};
      ++choosable;
    }
  }
  return {};
}

std::string menuText(HMENU menu, int position) {
  wchar_t text[256] = {};
  MENUITEMINFOW item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_STRING;
  item.dwTypeData = text;
  item.cch = 255;
  GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item);
  return win32::narrow(text);
}

bool isSeparator(HMENU menu, int position) {
  MENUITEMINFOW item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_FTYPE;
  GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item);
  return item.fType & MFT_SEPARATOR;
}

Colour fromColorRef(COLORREF colour) {
  return static_cast<Colour>(colour & 0x00FFFFFF);
}

}  // namespace

void queueSteps(std::vector<std::function<void()>> newSteps) {
  Steps& queue = steps();
  for (auto& step : newSteps) queue.pending.push_back(std::move(step));
  if (!queue.timer && !queue.pending.empty())
    queue.timer = SetTimer(nullptr, 0, kTimerInterval, runNextStep);
}

void processEvents() {
  win32::processPendingEvents();
}

void answerMessageBoxes(int count) {
  Boxes& state = boxes();
  state.armed += count;
  // A box already shown (the caller runs in its loop) is answered at once.
  answerShownBoxes();
  if (!state.timer && state.armed > 0)
    state.timer = SetTimer(nullptr, 0, kTimerInterval, answerBoxes);
}

std::vector<SeenBox> takeAnsweredBoxes() {
  return std::exchange(boxes().seen, {});
}

void typeText(Handle control, std::string_view text) {
  HWND target = toHwnd(control);
  if (!IsWindow(target)) return;
  focusFor(target);
  HWND focus = keyTarget(target);
  // One key at a time, each handled before the next, as typing arrives:
  // what a key press brings about (the character TranslateMessage makes of
  // Enter, say) comes before the next key.
  for (wchar_t c : win32::widen(text)) {
    if (c == L'\r') continue;  // CR LF is one press of Enter
    if (c == L'\n') {
      postKey(focus, VK_RETURN);
    } else if (c == L'\t') {
      postKey(focus, VK_TAB);
    } else {
      PostMessageW(focus, WM_CHAR, c, 1);
    }
    win32::processPendingEvents();
    focus = keyTarget(target);
  }
}

void pasteText(Handle control, std::string_view text) {
  HWND target = toHwnd(control);
  if (!IsWindow(target)) return;
  const std::wstring wide = win32::widen(text);
  const SIZE_T bytes = (wide.size() + 1) * sizeof(wchar_t);
  HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!data) return;
  std::copy_n(wide.c_str(), wide.size() + 1, static_cast<wchar_t*>(GlobalLock(data)));
  GlobalUnlock(data);
  if (!OpenClipboard(GetAncestor(target, GA_ROOT))) {
    GlobalFree(data);
    return;
  }
  EmptyClipboard();
  if (!SetClipboardData(CF_UNICODETEXT, data)) GlobalFree(data);
  CloseClipboard();
  focusFor(target);
  PostMessageW(keyTarget(target), WM_PASTE, 0, 0);
  win32::processPendingEvents();
}

void pasteWithoutText(Handle control, ClipboardContent content) {
  HWND target = toHwnd(control);
  if (!IsWindow(target) || !OpenClipboard(GetAncestor(target, GA_ROOT))) return;
  EmptyClipboard();
  if (content == ClipboardContent::FormatsNoText) {
    const UINT format = RegisterClipboardFormatW(L"Velmora test data");
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, 2);
    if (data) {
      static_cast<char*>(GlobalLock(data))[0] = 1;
      GlobalUnlock(data);
      if (!SetClipboardData(format, data)) GlobalFree(data);
    }
  }
  CloseClipboard();
  focusFor(target);
  PostMessageW(keyTarget(target), WM_PASTE, 0, 0);
  win32::processPendingEvents();
}

void pressKey(Handle control, Key key) {
  pressKeys(control, {key});
}

void pressKeys(Handle control, const std::vector<Key>& keys) {
  HWND target = toHwnd(control);
  if (!IsWindow(target)) return;
  focusFor(target);
  HWND focus = keyTarget(target);
  // All the keys wait in the queue before any is handled: a menu entered by
  // one of them runs its own loop, which takes the rest from there.
  for (Key key : keys) {
    switch (key) {
      case Key::Enter:
        postKey(focus, VK_RETURN);
        break;
      case Key::Escape:
        postKey(focus, VK_ESCAPE);
        break;
      case Key::Tab:
        postKey(focus, VK_TAB);
        break;
      case Key::ShiftTab: {
        // Shift held in the key state cannot wait in the queue: what came
        // before is handled first.
        win32::processPendingEvents();
        const ShiftHeld shift;
        postKey(keyTarget(target), VK_TAB);
        win32::processPendingEvents();
        break;
      }
      case Key::F10:
        postKey(focus, VK_F10);
        break;
      case Key::Alt:
        PostMessageW(focus, WM_SYSKEYDOWN, VK_MENU, keyData(VK_MENU, false, true));
        PostMessageW(focus, WM_SYSKEYUP, VK_MENU, keyData(VK_MENU, true));
        break;
      case Key::Up:
        postKey(focus, VK_UP);
        break;
      case Key::Down:
        postKey(focus, VK_DOWN);
        break;
      case Key::CtrlC:
        // What Ctrl+C comes to in an edit control: the character 3, a copy.
        PostMessageW(focus, WM_CHAR, 3, 1);
        break;
    }
  }
  win32::processPendingEvents();
}

bool isMenuActive(Handle window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(toHwnd(window), nullptr), &info)) return false;
  return info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE);
}

void clickButton(Handle window, std::uint16_t id) {
  HWND button = GetDlgItem(toHwnd(window), id);
  // A disabled or hidden button, or one in a disabled window, takes no click.
  if (!button || !IsWindowVisible(button) || !IsWindowEnabled(button) ||
      !IsWindowEnabled(GetAncestor(button, GA_ROOT)))
    return;
  RECT box{};
  GetClientRect(button, &box);
  const LPARAM centre = MAKELPARAM(box.right / 2, box.bottom / 2);
  PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, centre);
  PostMessageW(button, WM_LBUTTONUP, 0, centre);
  win32::processPendingEvents();
}

void chooseMenuCommand(Handle window, std::uint16_t commandId) {
  HWND hwnd = toHwnd(window);
  HMENU bar = IsWindow(hwnd) ? GetMenu(hwnd) : nullptr;
  if (!bar) return;
  const MenuPath path = findInMenu(bar, commandId);
  if (path.topLevel < 0) return;
  focusFor(hwnd);
  // The user's way through the keyboard: F10 enters the menu bar, Right moves
  // to the popup's title, Down opens it on its first entry, Down moves on
  // (separators are skipped), Enter chooses. The menu's own loop decides what
  // a disabled entry does.
  HWND focus = keyTarget(hwnd);
  postKey(focus, VK_F10);
  for (int i = 0; i < path.topLevel; ++i)
    PostMessageW(focus, WM_KEYDOWN, VK_RIGHT, keyData(VK_RIGHT, false));
  PostMessageW(focus, WM_KEYDOWN, VK_DOWN, keyData(VK_DOWN, false));
  for (int i = 0; i < path.steps; ++i)
    PostMessageW(focus, WM_KEYDOWN, VK_DOWN, keyData(VK_DOWN, false));
  PostMessageW(focus, WM_KEYDOWN, VK_RETURN, keyData(VK_RETURN, false));
  win32::processPendingEvents();
}

void sendCloseCommand(Handle window) {
  HWND hwnd = toHwnd(window);
  if (!IsWindow(hwnd)) return;
  // Alt+F4: the platform turns it into the system command SC_CLOSE.
  focusFor(hwnd);
  postKey(keyTarget(hwnd), VK_F4, true);
  win32::processPendingEvents();
}

bool isWindowVisible(Handle window) {
  return window && IsWindowVisible(toHwnd(window));
}

Handle activeWindow() {
  return toHandle(GetActiveWindow());
}

bool isMenuItemEnabled(Handle window, std::uint16_t commandId) {
  HMENU bar = GetMenu(toHwnd(window));
  if (!bar) return false;
  const UINT state = GetMenuState(bar, commandId, MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && !(state & (MF_DISABLED | MF_GRAYED));
}

std::vector<std::string> menuLayout(Handle window) {
  std::vector<std::string> layout;
  HMENU bar = GetMenu(toHwnd(window));
  if (!bar) return layout;
  for (int t = 0; t < GetMenuItemCount(bar); ++t) {
    layout.push_back(menuText(bar, t));
    HMENU popup = GetSubMenu(bar, t);
    if (!popup) continue;
    for (int i = 0; i < GetMenuItemCount(popup); ++i)
      layout.push_back("  " + (isSeparator(popup, i) ? std::string("-") : menuText(popup, i)));
  }
  return layout;
}

Colour controlTextColour(Handle control) {
  // Ask the control's window for colours exactly as the control does when it
  // paints, and read what the device context was given.
  HWND hwnd = toHwnd(control);
  HWND parent = GetParent(hwnd);
  if (!hwnd || !parent) return -1;
  const std::wstring kind = classOf(hwnd);
  const bool editable = _wcsicmp(kind.c_str(), L"Edit") == 0 && IsWindowEnabled(hwnd) &&
                        !(GetWindowLongW(hwnd, GWL_STYLE) & ES_READONLY);
  const UINT request = editable                                 ? WM_CTLCOLOREDIT
                       : _wcsicmp(kind.c_str(), L"Button") == 0 ? WM_CTLCOLORBTN
                                                                : WM_CTLCOLORSTATIC;
  HDC dc = GetDC(hwnd);
  const int saved = SaveDC(dc);
  SendMessageW(parent, request, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd));
  const COLORREF text = GetTextColor(dc);
  RestoreDC(dc, saved);
  ReleaseDC(hwnd, dc);
  return fromColorRef(text);
}

Colour controlBackgroundColour(Handle control) {
  // What is on the screen: a pixel of the control's client area near its
  // bottom right corner, where no text is drawn.
  HWND hwnd = toHwnd(control);
  if (!hwnd) return -1;
  RECT client{};
  GetClientRect(hwnd, &client);
  HDC dc = GetDC(hwnd);
  const COLORREF pixel = GetPixel(dc, client.right - 2, client.bottom - 2);
  ReleaseDC(hwnd, dc);
  return pixel == CLR_INVALID ? -1 : fromColorRef(pixel);
}

Rect controlRect(Handle control) {
  HWND hwnd = toHwnd(control);
  RECT box{};
  GetWindowRect(hwnd, &box);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&box), 2);
  return {box.left, box.top, box.right - box.left, box.bottom - box.top};
}

Rect clientRect(Handle window) {
  RECT box{};
  GetClientRect(toHwnd(window), &box);
  return {box.left, box.top, box.right - box.left, box.bottom - box.top};
}

namespace {

INT_PTR CALLBACK measuringProcedure(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

// The base units of the font every window declares, as the platform measures
// them for a window of the layer.
RECT baseUnits() {
  HWND probe = win32::createTemplateWindow(nullptr, core::windowStyle(0, 0, 0, false), 0, 0, 0, 10,
                                           10, measuringProcedure);
  RECT units{0, 0, 4, 8};
  MapDialogRect(probe, &units);
  DestroyWindow(probe);
  return units;
}

}  // namespace

int baseUnitX() {
  return static_cast<int>(baseUnits().right);
}
int baseUnitY() {
  return static_cast<int>(baseUnits().bottom);
}

FontInfo controlFont(Handle control) {
  HWND hwnd = toHwnd(control);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return {win32::narrow(face), static_cast<int>(metrics.tmHeight - metrics.tmInternalLeading),
          static_cast<int>(metrics.tmWeight)};
}

}  // namespace dialog::testing

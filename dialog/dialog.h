// The dialog layer: windows placed in dialog units, controls, fonts, one
// callback per window, nested modal loops, menus and message boxes.
// Platform-free API, implemented once by the front end (dialog.cpp) over the
// backend of the build (driver interface: backend.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dialog {

// Opaque handle of a window or a control; 0 means none.
using Handle = std::uintptr_t;
// Opaque handle of a menu bar or popup menu; 0 means none.
using MenuHandle = std::uintptr_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
// 0x00BBGGRR; a negative value means the platform's default colour.
using Colour = std::int32_t;

// Serves one window. Returns 0 when the default handling is to follow.
using WindowCallback = std::intptr_t (*)(Handle window, std::uint32_t event, WParam wParam,
                                         LParam lParam);

// Event codes: the Win32 message numbers, on every backend.
inline constexpr std::uint32_t kWmDestroy = 0x0002;
inline constexpr std::uint32_t kWmSize = 0x0005;
inline constexpr std::uint32_t kWmClose = 0x0010;
inline constexpr std::uint32_t kWmNcDestroy = 0x0082;
inline constexpr std::uint32_t kWmNcActivate = 0x0086;
inline constexpr std::uint32_t kWmInitDialog = 0x0110;
inline constexpr std::uint32_t kWmCommand = 0x0111;
inline constexpr std::uint32_t kWmSysCommand = 0x0112;
inline constexpr std::uint32_t kScClose = 0xF060;

// Notification codes carried in the high word of a command's wParam.
inline constexpr std::uint16_t kBnClicked = 0;
inline constexpr std::uint16_t kEnSetFocus = 0x0100;
inline constexpr std::uint16_t kEnKillFocus = 0x0200;
inline constexpr std::uint16_t kEnChange = 0x0300;
inline constexpr std::uint16_t kEnMaxText = 0x0501;

// Command ids produced by the dialog keyboard handling: Enter and Escape.
inline constexpr std::uint16_t kIdOk = 1;
inline constexpr std::uint16_t kIdCancel = 2;

// Window and control styles (Win32 values).
inline constexpr std::uint32_t kWsPopup = 0x80000000;
inline constexpr std::uint32_t kWsChild = 0x40000000;
inline constexpr std::uint32_t kWsMinimize = 0x20000000;
inline constexpr std::uint32_t kWsVisible = 0x10000000;
inline constexpr std::uint32_t kWsDisabled = 0x08000000;
inline constexpr std::uint32_t kWsMaximize = 0x01000000;
inline constexpr std::uint32_t kWsCaption = 0x00C00000;
inline constexpr std::uint32_t kWsBorder = 0x00800000;
inline constexpr std::uint32_t kWsVScroll = 0x00200000;
inline constexpr std::uint32_t kWsHScroll = 0x00100000;
inline constexpr std::uint32_t kWsSysMenu = 0x00080000;
inline constexpr std::uint32_t kWsMinimizeBox = 0x00020000;
inline constexpr std::uint32_t kWsTabStop = 0x00010000;
inline constexpr std::uint32_t kDsNoIdleMsg = 0x0100;
inline constexpr std::uint32_t kDsCenter = 0x0800;
inline constexpr std::uint32_t kDsModalFrame = 0x0080;
inline constexpr std::uint32_t kDsSetFont = 0x0040;
inline constexpr std::uint32_t kDsNoFailCreate = 0x0010;
inline constexpr std::uint32_t kDsThreeDLook = 0x0004;
inline constexpr std::uint32_t kDsSysModal = 0x0002;
inline constexpr std::uint32_t kDsAbsAlign = 0x0001;
inline constexpr std::uint32_t kEsWantReturn = 0x1000;
inline constexpr std::uint32_t kEsAutoHScroll = 0x0080;
inline constexpr std::uint32_t kEsLowercase = 0x0010;
inline constexpr std::uint32_t kEsMultiline = 0x0004;
inline constexpr std::uint32_t kBsGroupBox = 0x0007;
inline constexpr std::uint32_t kWsExClientEdge = 0x0200;

// x or y of createWindow: let the platform centre the window.
inline constexpr std::int32_t kDefaultPosition = static_cast<std::int32_t>(0x80000000u);

// Control kind codes for addControl.
enum ControlKind : int {
  kKindButton = 1,
  kKindFrame = 4,
  kKindLabel = 5,
  kKindTextBox = 9,
};

// Menu entry states and modes.
inline constexpr std::uint32_t kMenuEnabled = 0;
inline constexpr std::uint32_t kMenuGrayed = 1;      // greyed, and so cannot be chosen either
inline constexpr std::uint32_t kMenuDisabled = 2;    // cannot be chosen; not the grayed bit
inline constexpr std::uint32_t kMenuByPosition = 0;  // mode: the entry is a 1-based position
inline constexpr std::uint32_t kMenuPopupEntry = 1;  // mode flag passed with an entry that opens a
                                                     // popup; the popup handle alone decides
inline constexpr std::uint32_t kMenuByCommand = 2;   // mode flag: the entry is a command id
inline constexpr std::int32_t kMenuAtEnd = -1;

// Message box style 0: one OK button, no icon. Its result is kIdOk.
inline constexpr std::uint32_t kMbOk = 0;

// Createfont style bits.
inline constexpr std::uint32_t kFontBold = 1;
inline constexpr std::uint32_t kFontItalic = 2;
inline constexpr std::uint32_t kFontUnderline = 4;
inline constexpr std::uint32_t kFontStrikeOut = 8;
inline constexpr std::uint32_t kFontCellHeight = 0x10;

constexpr std::uint16_t loWord(WParam value) {
  return static_cast<std::uint16_t>(value & 0xFFFF);
}
constexpr std::uint16_t hiWord(WParam value) {
  return static_cast<std::uint16_t>((value >> 16) & 0xFFFF);
}
constexpr WParam makeWParam(std::uint16_t low, std::uint16_t high) {
  return static_cast<WParam>(low) | (static_cast<WParam>(high) << 16);
}
constexpr Colour rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<Colour>(r | (g << 8) | (b << 16));
}

// --- Handles ----------------------------------------------------------------
// Every function takes only the handles the layer gave out and that still
// name something: a window from createWindow until it is destroyed, a
// control of such a window. Any other handle, 0 included, makes a function
// do nothing and answer 0 or "", the same way on every backend.

// --- Text -------------------------------------------------------------------
// Text crosses the layer as UTF-8 on every backend. Line breaks cross it as
// CR LF, whatever the toolkit holds internally. No character is ever replaced.

// --- Windows ----------------------------------------------------------------

// Creates a hidden top-level window whose client area is width x height
// dialog units. Style 0 means the default pop-up dialog style (0x80C000D4);
// DS_SETFONT, DS_NOFAILCREATE and DS_3DLOOK are always set, WS_VISIBLE and
// DS_SYSMODAL always cleared; kDefaultPosition in x or y centres the window.
// Assistive tools hear the title as its name; on Qt the window reports the
// role of a dialog when it has WS_POPUP or DS_MODALFRAME and of a frame
// otherwise (Win32 windows are dialogs of the platform's own class).
// `parent` is 0 or a window of the layer. Returns 0 if the platform refused.
Handle createWindow(Handle parent, std::string_view title, std::int32_t x, std::int32_t y,
                    std::int32_t width, std::int32_t height, std::uint32_t style,
                    std::uint32_t exStyle);

// Sets the large and small icon from the resource named `name` ("#200" is
// the numeric id 200). A missing resource leaves the window unchanged.
void setWindowIcon(Handle window, std::string_view name);

// Adds a control at a rectangle in dialog units, converted edge by edge.
// Style 0 means the kind's default; a default text box trades its border for
// a sunken edge. The kind's always-set and always-cleared bits are applied.
// Backends must emulate: ES_LOWERCASE on typed and pasted text; a single-line
// box without ES_AUTOHSCROLL refusing what does not fit its visible width;
// ES_MULTILINE boxes that wrap, with ES_WANTRETURN making Enter a line break,
// and that take typed and pasted text of any length, never cutting it.
void addControl(Handle window, std::uint16_t id, std::string_view text, std::int32_t x,
                std::int32_t y, std::int32_t width, std::int32_t height, std::uint32_t style,
                std::uint32_t exStyle, int kind);

// Interned: the same description always gives the same number (4 and up).
int createFont(std::string_view face, float points, std::uint32_t styleBits, std::uint8_t charset,
               std::uint8_t pitchAndFamily, std::int32_t escapement);
// Sets a layer font on a control; font 0 means font 1. Makes the platform
// font on first use and keeps use counts.
void setControlFont(Handle window, std::uint16_t id, int font);
// Deletes the platform font once no control uses it. Fonts 1-3 are kept.
void releaseFont(int font);

// Delivers WM_INITDIALOG (wParam = window) and WM_SIZE to the callback while
// the window is hidden, then shows it and runs a modal loop serving every
// window until it is gone. Loops nest freely; an idle loop blocks. Returns
// the result given to endWindow, or 0. Without a callback it shows nothing
// and returns 0.
std::int32_t showModal(Handle window, WindowCallback callback);

// Stores the result, sends WM_CLOSE, then destroys the window: the callback
// sees WM_DESTROY and WM_NCDESTROY after it. The close command of the window
// system (Alt+F4, a window manager's close) does exactly this with result 0.
void endWindow(Handle window, std::int32_t result);

// The control with that id in the window, or 0.
Handle controlHandle(Handle window, std::uint16_t id);
// The whole text of a control (or window title), UTF-8; "" for handle 0.
std::string getControlText(Handle control);
// Replaces the whole text. Not cut and not lowered, whatever the style.
void setControlText(Handle control, std::string_view text);
// Text and background colours, used from the next paint on.
void setControlColor(Handle window, std::uint16_t id, Colour text, Colour background);
// Repaints the control before returning.
void redrawControl(Handle control);

// --- Accessibility ----------------------------------------------------------
// What screen readers and other assistive tools learn about the controls.

// Says that the label `labelId` names the control `controlId`: assistive
// tools announce the control by the label's text, now and after the label's
// text changes. Call it once both controls exist; a control has one label.
// Backends must:
//  - Qt: make the label the control's buddy and give the control the label's
//    text as its accessible name, so that AT-SPI reports the name and a
//    labelled-by relation;
//  - Win32: move the label right before the control in z-order, since MSAA
//    and UI Automation name a control by the static text before it
//    (GW_HWNDPREV). Labels take no focus, so the tab order of the focusable
//    controls, which follows z-order, stays as created.
void setControlLabel(Handle window, std::uint16_t controlId, std::uint16_t labelId);

// Marks a text box as holding an entry that is not valid, or valid again, so
// that assistive tools announce it; `description` gives the words they say
// while it is marked. Nothing drawn changes: colours are the program's.
// Backends must:
//  - Qt: give the box that description, which AT-SPI reports and screen
//    readers read out after the name, and clear it when valid again. Qt's
//    AT-SPI bridge sets no invalid-entry state (STATE_INVALID_ENTRY) for any
//    widget, so the description is what a screen reader can hear;
//  - Win32: only keep the mark. MSAA has no state for an invalid entry, and
//    the program tells every user in words as well.
void setControlInvalid(Handle window, std::uint16_t id, bool invalid, std::string_view description);

// --- Focus and window state (used by the program's callbacks) ---------------

// The control that has the keyboard focus in the active window, or 0.
Handle focusedControl();
// Gives a control the keyboard focus.
void setFocus(Handle control);
// True while the window exists (from createWindow until it is destroyed).
bool windowExists(Handle window);
// Raises and activates an existing window.
void bringToFront(Handle window);

// --- Menus ------------------------------------------------------------------

MenuHandle createMenuBar();
MenuHandle createPopupMenu();
// Text "-" makes a separator. Position -1 (or past the end) appends. With the
// mode flag kMenuByCommand, position is the command id to insert before.
void appendMenuItem(MenuHandle menu, std::string_view text, MenuHandle popup,
                    std::uint16_t commandId, std::uint32_t state, std::int32_t position,
                    std::uint32_t mode);
// The window keeps its outer size; the bar takes its height from the client.
void attachMenu(Handle window, MenuHandle bar);
// With kMenuByCommand, `entry` is a command id, searched through the popups.
// A disabled entry (kMenuDisabled) stays visible and sends nothing.
void setMenuItemState(MenuHandle menu, std::uint32_t entry, std::uint32_t state,
                      std::uint32_t mode);

// An ownerless message box with one OK button and no icon. It runs its own
// loop, which keeps every other window usable, and gives the focus back to
// the window that was active. Returns kIdOk.
int showMessageBox(std::string_view text, std::string_view title, std::uint32_t style);

// --- Start-up services ------------------------------------------------------

// Makes the platform's common controls available: on Windows, loads
// COMCTL32.DLL by name and calls InitCommonControlsEx with `classes`, or
// InitCommonControls where that is missing. Nothing to do elsewhere.
void initCommonControls(std::uint32_t classes);

// Everything a process needs before it can use the layer (the toolkit's
// application object, COM, common controls, the measuring font). Tests make
// one; runProgram makes its own. A session made while another is alive
// shares it and gives nothing back when it ends.
class Session {
 public:
  Session();
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
};

// Checks the platform, prepares a Session, calls entry and returns its
// result as the process exit code. Returns 255 when the platform is refused
// (an old Windows family; no display reachable on Linux).
int runProgram(int (*entry)());

}  // namespace dialog

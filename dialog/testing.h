// Test support for the dialog layer: drives the real backend as a user
// would (keys, clicks, menus, the close command) and answers message boxes.
// Linked into tests only; each backend implements it next to itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dialog/dialog.h"

namespace dialog::testing {

// Queues steps that run one after another from whichever event loop is
// running innermost. Before a step runs, the next one is queued, so the
// steps that follow a step which opens a modal window or a message box run
// inside that window's loop. The last step must let the outer loop end.
void queueSteps(std::vector<std::function<void()>> steps);

// Handles the events that are pending now, without waiting for more.
void processEvents();

// Arms the answer for the next `count` message boxes: each is recorded and
// dismissed with OK as soon as it is shown, from its own loop.
void answerMessageBoxes(int count = 1);
struct SeenBox {
  std::string text;
  std::string title;
};
// The boxes answered so far, oldest first; taking them clears the list.
std::vector<SeenBox> takeAnsweredBoxes();

// Real keyboard input to a control: focuses it and types UTF-8 text.
void typeText(Handle control, std::string_view text);
// Puts UTF-8 text on the clipboard and pastes it into the control.
void pasteText(Handle control, std::string_view text);
// What the clipboard holds for pasteWithoutText.
enum class ClipboardContent {
  Nothing,        // emptied: no data, no owner
  FormatsNoText,  // data of a private format only, no text in any form
};
// Sets the clipboard to `content` and pastes (Ctrl+V) into the control.
void pasteWithoutText(Handle control, ClipboardContent content);

enum class Key { Enter, Escape, Tab, ShiftTab, F10, Alt, Up, Down, CtrlC };
// A key pressed while `control` (a control or a window) has the focus.
void pressKey(Handle control, Key key);
// Keys pressed one after another, the first while `control` has the focus,
// each of the others wherever the focus is by then: an open menu takes them
// as a user's keys would reach it. Alt is pressed and released on its own.
void pressKeys(Handle control, const std::vector<Key>& keys);
// True while a menu of the window is open or its menu bar is entered from
// the keyboard.
bool isMenuActive(Handle window);
// A mouse click on a push button.
void clickButton(Handle window, std::uint16_t id);
// Chooses an entry of the window's menu as a user would. A disabled entry
// sends nothing.
void chooseMenuCommand(Handle window, std::uint16_t commandId);
// The window system's close command (Alt+F4 or the window manager's close).
void sendCloseCommand(Handle window);

// --- Queries ----------------------------------------------------------------

bool isWindowVisible(Handle window);
// The window that has the activation, or 0.
Handle activeWindow();
bool isMenuItemEnabled(Handle window, std::uint16_t commandId);
// The menu as shown: top-level titles, each followed by its entries indented
// by two spaces, separators as "-".
std::vector<std::string> menuLayout(Handle window);
// Colours the control paints with now.
Colour controlTextColour(Handle control);
Colour controlBackgroundColour(Handle control);

struct Rect {
  int left, top, width, height;
};
// Position relative to the window's client area, in pixels.
Rect controlRect(Handle control);
// Size of the client area below the menu bar, in pixels.
Rect clientRect(Handle window);
// The base units the backend measures dialog units with.
int baseUnitX();
int baseUnitY();
// Name of the font the control shows, its pixel height and weight (400/700).
struct FontInfo {
  std::string family;
  int pixelHeight;
  int weight;
};
FontInfo controlFont(Handle control);

}  // namespace dialog::testing

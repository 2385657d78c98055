// The driver interface of the dialog layer: what a backend does with its
// platform, and what the front end (dialog.cpp) offers the backend in turn.
//
// The front end implements dialog.h once. It checks every argument, keeps
// the window and control records, the font use counts and the background
// colours in use, runs the opening and ending sequences, and calls the
// program's callbacks behind a guard. Only then does it call the driver
// entries below. A driver is handed records and handles the front end has
// already checked, and keeps no bookkeeping of its own beyond its platform
// objects: per window in its core::PlatformWindow, per font in its
// core::PlatformFont.
//
// One backend is linked into each program, so the entries are plain
// functions that the backend defines, not a table chosen at run time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dialog/core/core.h"
#include "dialog/dialog.h"

namespace dialog::frontend {

// What the front end keeps for the whole process, shared by the backend.
struct Layer {
  core::Registry registry;
  core::FontTable fonts;
  // Background colours in use, counted, so that a platform that paints
  // with one object per colour makes each once.
  core::SharedColours backgrounds;
};
Layer& layer();

// The window record of a handle the layer made, or nullptr.
core::WindowRecord* findWindow(Handle window);
// The record of a control the layer made, or nullptr.
core::ControlRecord* findControl(Handle control);

// Sends an event to the window's callback, once showModal has attached
// it, and returns its answer (0, default handling, when there is none).
// Nothing the program throws gets past this.
std::intptr_t deliver(Handle window, std::uint32_t event, WParam wParam, LParam lParam);

// The close command of the window system: WM_SYSCOMMAND to the callback,
// then, unless it handled it, endWindow with result 0.
void closeCommand(Handle window, WParam command, LParam lParam);

// The platform has destroyed the window (its WM_NCDESTROY has been
// delivered): forgets its records and gives back what they hold.
void windowDestroyed(Handle window);

}  // namespace dialog::frontend

namespace dialog::driver {

// --- Session ----------------------------------------------------------------

// False when the platform is refused; the driver has told the user why.
bool platformSupported();
// Makes what the process needs before any window (the toolkit's application
// object, COM, the common controls, the measuring font).
void startSession();
// Gives back what startSession made. Every platform font is gone by then.
void endSession();
// initCommonControls of dialog.h.
void initCommonControls(std::uint32_t classes);

// --- Windows ----------------------------------------------------------------

struct NewWindow {
  Handle handle = 0;  // 0 when the platform refused
  core::PlatformWindowPtr platform{nullptr, nullptr};
};
// Makes the hidden window with the final style (core::windowStyle) and the
// title; the client area is width x height dialog units. `parent` is 0 or a
// window of the layer.
NewWindow createWindow(Handle parent, std::string_view title, std::int32_t x, std::int32_t y,
                       std::int32_t width, std::int32_t height, std::uint32_t style,
                       std::uint32_t exStyle);

// Sets the large and small icon from the program's resource with numeric id
// `id`, or, when `id` is 0, named `name`. A missing resource changes nothing.
void setWindowIcon(core::WindowRecord& window, std::uint16_t id, std::string_view name);

// The window that has the activation now. It gets it back through
// restoreActivation once a window or message box opened now has gone.
Handle activeWindow();
// Called before a window's opening events, while it is hidden.
void beginOpening(Handle window);
struct Size {
  int width;
  int height;
};
// The client area in pixels, below the menu bar.
Size clientSize(Handle window);
// Enables or disables a window for the user's input; disabling also ends
// any mode it is in (a menu being tracked, a mouse capture).
void enableWindow(Handle window, bool enabled);
// Shows the window in its show state and activates it, the keyboard focus
// on its first enabled control with a tab stop.
void showWindow(core::WindowRecord& window);
// Runs a modal loop that serves every window until this one is destroyed.
// It sleeps while no event is pending: an idle window costs no processor
// time.
void runModalLoop(core::WindowRecord& window);
// After a modal window has gone: its owner takes the activation back.
void activateOwner(Handle owner);
// After a window without owner or a message box has gone: the window that
// was active before it opened takes the activation back, if nothing else
// took it.
void restoreActivation(Handle window);

// Sends WM_CLOSE to the window as the platform sends it: through its
// window procedure, or straight to frontend::deliver where there is none.
void sendClose(Handle window);
// Destroys the window. The callback hears WM_DESTROY and WM_NCDESTROY, and
// then frontend::windowDestroyed is called, before this returns.
void destroyWindow(Handle window);
// Called by frontend::windowDestroyed while the records are still whole:
// gives back the platform's objects of the window and its controls.
void windowGoing(core::WindowRecord& window);

// bringToFront of dialog.h, for a window of the layer.
void bringToFront(Handle window);
// The platform's keyboard focus, as dialog.h's focusedControl describes it;
// the front end keeps only the layer's controls.
Handle focusedControl();
// Gives the keyboard focus to a control of the layer.
void setFocus(Handle control);

// --- Controls ---------------------------------------------------------------

// Makes the control described by `control` (id, kind, final style) at a
// rectangle in dialog units, converted edge by edge, with the window's font
// and the Win32 behaviours dialog.h lists. Returns its handle, or 0.
Handle addControl(core::WindowRecord& window, const core::ControlRecord& control,
                  std::string_view text, std::int32_t x, std::int32_t y, std::int32_t width,
                  std::int32_t height);

std::string controlText(const core::ControlRecord& control);
std::string windowTitle(Handle window);
// Replaces the whole text: not cut and not lowered, whatever the style.
void setControlText(const core::ControlRecord& control, std::string_view text);
void setWindowTitle(Handle window, std::string_view text);

// The platform font for a layer font, or a null pointer if the platform
// refused it.
core::PlatformFontPtr makeFont(const core::FontRecord& font);
void setControlFont(const core::ControlRecord& control, const core::PlatformFont& font);

// Makes what the platform paints a background colour with; false if it
// refused. Called once per colour while any control uses it.
bool makeBackground(Colour colour);
// Gives that back once no control uses the colour.
void deleteBackground(Colour colour);
// The control's colours in its record have changed; they are used from the
// next paint on.
void applyColours(const core::ControlRecord& control);
// Repaints the control before returning.
void redrawControl(const core::ControlRecord& control);

// setControlLabel of dialog.h, for a label and another control of one
// window.
void setControlLabel(const core::ControlRecord& control, const core::ControlRecord& label);
// The text box's mark (record.invalid) has changed: tells assistive tools,
// with `description` while it is marked.
void setControlInvalid(const core::ControlRecord& control, std::string_view description);

// --- Menus ------------------------------------------------------------------

MenuHandle createMenu(bool bar);
// The menu functions of dialog.h, for a menu handle that is not 0 and, in
// attachMenu, a window of the layer.
void appendMenuItem(MenuHandle menu, std::string_view text, MenuHandle popup,
                    std::uint16_t commandId, std::uint32_t state, std::int32_t position,
                    std::uint32_t mode);
void attachMenu(Handle window, MenuHandle bar);
void setMenuItemState(MenuHandle menu, std::uint32_t entry, std::uint32_t state,
                      std::uint32_t mode);

// Shows the ownerless message box of dialog.h in its own loop and returns
// its answer once it has gone.
int showMessageBox(std::string_view text, std::string_view title, std::uint32_t style);

}  // namespace dialog::driver

// Internals of the Qt 6 backend of the dialog layer, shared by its files and
// by the Qt test support. Linux side of the platform boundary.
#pragma once

#include <QFont>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "dialog/backend.h"

class QAction;
class QApplication;
class QEventLoop;
class QMenu;
class QMenuBar;

namespace dialog::core {

// What the Qt backend keeps of each window besides its widget.
struct PlatformWindow {
  // The modal loop showing this window, if any.
  QEventLoop* loop = nullptr;
};

// The Qt font standing for a layer font.
struct PlatformFont {
  QFont font;
};

}  // namespace dialog::core

namespace dialog::qt {

// A top-level window of the layer. Controls live on its client area, below
// the menu bar once one is attached.
class Window : public QWidget {
 public:
  explicit Window(QSize clientSize);

  QWidget* clientArea() const { return client_; }
  void setMenuBar(QMenuBar* bar);
  QMenuBar* menuBar() const { return menuBar_; }
  // The client area's size in pixels, below the menu bar.
  QSize clientSize() const;

  Handle handle() const { return reinterpret_cast<Handle>(this); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* client_;
  QMenuBar* menuBar_ = nullptr;
};

// One entry of a menu, kept so that entries can be found by command id and
// by position whatever the toolkit does with them.
struct MenuEntry {
  std::uint16_t commandId = 0;
  bool separator = false;
  MenuHandle popup = 0;
  QAction* action = nullptr;
};

struct Menu {
  bool bar = false;
  QMenuBar* barWidget = nullptr;  // for a bar
  QMenu* popupWidget = nullptr;   // for a popup
  Menu* parent = nullptr;         // the menu a popup was appended to
  Handle window = 0;              // the window a bar is attached to
  std::vector<MenuEntry> entries;

  MenuHandle handle() const { return reinterpret_cast<MenuHandle>(this); }
  // The window whose callback receives this menu's commands.
  Handle owner() const;
};

// Everything the backend keeps, reached through backend(); the records are
// the front end's (frontend::layer()).
struct Backend {
  QApplication* app = nullptr;
  core::BaseUnits units{7, 12};
  int pixelsPerInch = 96;
  QFont measuringFont;
  std::vector<std::unique_ptr<Menu>> menus;

  // Activation as the program sees it: the window last told it is active.
  Handle activeWindow = 0;
  // The window the layer last asked to activate (0 for a message box or
  // none). Activation in Qt is asynchronous: until the toolkit confirms it,
  // activeWindow lags behind.
  Handle requestedActive = 0;
  // While a window hears that it loses activation, the control that had its
  // focus; Qt has already moved the focus by then.
  Handle focusBeforeDeactivation = 0;
};

Backend& backend();

// The window widget of a handle the layer made, or nullptr.
Window* windowOf(Handle window);
// The control widget of a handle the layer made, or nullptr.
QWidget* controlOf(Handle control);
Menu* menuOf(MenuHandle menu);
// Forgets the menus of a window that is going.
void releaseMenus(Handle window);

// Sends WM_COMMAND from a control or menu to the window's callback.
void sendCommand(Handle window, std::uint16_t id, std::uint16_t code, Handle from);

// The window system's close command on a window (Alt+F4, the window
// manager's close).
void closeCommand(Handle window);

// Tells the program's windows about an activation change, old window first.
void activationChanged(Handle nowActive);
// Asks for a window to become active; the change arrives later.
void requestActivation(Handle window);
// Activates a window again after a modal window or box has gone.
void reactivate(Handle window);
// True once the toolkit has confirmed the last activation the layer asked for.
bool activationSettled();

// The Qt font standing for a layer font record.
QFont makeFont(const core::FontRecord& record);

// Text conversions at the layer's boundary: UTF-8 with CR LF outside.
QString toQt(std::string_view text);
std::string fromQt(const QString& text);

// Installs the event filter that gives keys their dialog meaning.
void installKeyHandling();

// Installs the factory of the accessible interfaces of the layer's windows.
void installAccessibility();

}  // namespace dialog::qt

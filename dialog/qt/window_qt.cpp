// Windows of the Qt backend: creation, showing, nested modal loops,
// destroying, the close command, activation, the window icon and the
// keyboard focus. Linux side.
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFile>
#include <QIcon>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>

#include "dialog/qt/backend_qt.h"

namespace dialog::qt {

Window::Window(QSize clientSize) : QWidget(nullptr), client_(new QWidget(this)) {
  // A plain top-level widget, not a QDialog: a QDialog would close on Escape.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(clientSize);
  client_->setGeometry(0, 0, clientSize.width(), clientSize.height());
}

void Window::setMenuBar(QMenuBar* bar) {
  menuBar_ = bar;
  bar->setParent(this);
  bar->setNativeMenuBar(false);
  // The bar takes its height from the client area; the outer size stays.
  const int barHeight = bar->sizeHint().height();
  bar->setGeometry(0, 0, width(), barHeight);
  client_->setGeometry(0, barHeight, width(), height() - barHeight);
  bar->show();
}

QSize Window::clientSize() const {
  return client_->size();
}

void Window::closeEvent(QCloseEvent* event) {
  // The window manager's close button or Alt+F4: the close command. The
  // window itself goes only through endWindow.
  event->ignore();
  const core::WindowRecord* record = frontend::findWindow(handle());
  if (record && !record->ending) closeCommand(handle());
}

Handle Menu::owner() const {
  const Menu* menu = this;
  while (menu->parent) menu = menu->parent;
  return menu->window;
}

Window* windowOf(Handle window) {
  if (!frontend::findWindow(window)) return nullptr;
  return reinterpret_cast<Window*>(window);
}

void sendCommand(Handle window, std::uint16_t id, std::uint16_t code, Handle from) {
  frontend::deliver(window, kWmCommand, makeWParam(id, code), static_cast<LParam>(from));
}

void closeCommand(Handle window) {
  frontend::closeCommand(window, kScClose, 0);
}

void activationChanged(Handle nowActive) {
  Backend& b = backend();
  const Handle before = b.activeWindow;
  if (before == nowActive) return;
  // Win32 order: the window losing activation hears it first.
  if (Window* old = windowOf(before)) {
    QWidget* focus = old->focusWidget();
    b.focusBeforeDeactivation = focus ? reinterpret_cast<Handle>(focus) : 0;
    b.activeWindow = 0;
    frontend::deliver(before, kWmNcActivate, 0, 0);
    b.focusBeforeDeactivation = 0;
  }
  b.activeWindow = windowOf(nowActive) ? nowActive : 0;
  if (b.activeWindow) frontend::deliver(nowActive, kWmNcActivate, 1, 0);
}

void requestActivation(Handle window) {
  Window* w = windowOf(window);
  if (!w || !w->isVisible()) return;
  backend().requestedActive = window;
  w->raise();
  w->activateWindow();
}

void reactivate(Handle window) {
  requestActivation(window);
}

bool activationSettled() {
  const Backend& b = backend();
  return b.activeWindow == b.requestedActive || !windowOf(b.requestedActive);
}

}  // namespace dialog::qt

namespace dialog::driver {

using namespace qt;

NewWindow createWindow(Handle parent, std::string_view title, std::int32_t x, std::int32_t y,
                       std::int32_t width, std::int32_t height, std::uint32_t style,
                       std::uint32_t /*exStyle*/) {
  Backend& b = backend();
  const core::PixelRect size = core::toPixels(b.units, 0, 0, width, height);
  auto* window = new Window(QSize(size.width, size.height));
  window->setWindowTitle(toQt(title));
  window->setFont(b.measuringFont);

  if (style & kDsCenter) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    window->move(area.center() - QPoint(size.width / 2, size.height / 2));
  } else {
    const core::PixelRect at = core::toPixels(b.units, x, y, 0, 0);
    QPoint origin(at.left, at.top);
    if (Window* owner = windowOf(parent)) origin += owner->clientArea()->mapToGlobal(QPoint());
    window->move(origin);
  }
  return {window->handle(),
          {new core::PlatformWindow{}, [](core::PlatformWindow* p) { delete p; }}};
}

void setWindowIcon(core::WindowRecord& window, std::uint16_t id, std::string_view /*name*/) {
  // Icons are compiled into the program by numeric id; none has a name.
  if (id == 0) return;
  const QString path = QStringLiteral(":/icons/%1.png").arg(id);
  // The image is decoded when the window system first asks for it.
  if (QFile::exists(path)) windowOf(window.handle)->setWindowIcon(QIcon(path));
}

Handle activeWindow() {
  return backend().activeWindow;
}

void beginOpening(Handle /*window*/) {}

Size clientSize(Handle window) {
  const QSize client = windowOf(window)->clientSize();
  return {client.width(), client.height()};
}

void enableWindow(Handle window, bool enabled) {
  windowOf(window)->setEnabled(enabled);
}

void showWindow(core::WindowRecord& record) {
  Window* w = windowOf(record.handle);
  // The first control with a tab stop, in creation order, gets the focus.
  for (const auto& control : record.controls) {
    if ((control.style & kWsTabStop) && !(control.style & kWsDisabled)) {
      controlOf(control.handle)->setFocus(Qt::OtherFocusReason);
      break;
    }
  }
  if (record.showState == 3)
    w->showMaximized();
  else if (record.showState == 6)
    w->showMinimized();
  else
    w->show();
  requestActivation(record.handle);
}

void runModalLoop(core::WindowRecord& record) {
  // Each display runs its own loop, which serves every window; it blocks
  // while nothing happens. destroyWindow ends it.
  QEventLoop loop;
  record.platform->loop = &loop;
  loop.exec();
}

void activateOwner(Handle owner) {
  windowOf(owner)->setEnabled(true);
  reactivate(owner);
}

void restoreActivation(Handle window) {
  reactivate(window);
}

void sendClose(Handle window) {
  frontend::deliver(window, kWmClose, 0, 0);
}

void destroyWindow(Handle window) {
  Backend& b = backend();
  Window* w = windowOf(window);
  if (b.activeWindow == window) activationChanged(0);
  if (b.requestedActive == window) b.requestedActive = 0;
  w->hide();
  frontend::deliver(window, kWmDestroy, 0, 0);
  frontend::deliver(window, kWmNcDestroy, 0, 0);

  const core::WindowRecord* record = frontend::findWindow(window);
  QEventLoop* loop = record ? record->platform->loop : nullptr;
  frontend::windowDestroyed(window);
  if (loop) loop->exit(0);
  w->deleteLater();
}

void windowGoing(core::WindowRecord& window) {
  releaseMenus(window.handle);
}

void bringToFront(Handle window) {
  windowOf(window)->show();
  requestActivation(window);
}

Handle focusedControl() {
  Backend& b = backend();
  if (b.focusBeforeDeactivation && frontend::findControl(b.focusBeforeDeactivation))
    return b.focusBeforeDeactivation;
  QWidget* focus = QApplication::focusWidget();
  // Until the toolkit confirms an activation the layer asked for, the focus
  // is the one that window will have, as on Win32 where it moves at once.
  if (!focus && !activationSettled())
    if (Window* pending = windowOf(b.requestedActive)) focus = pending->focusWidget();
  return reinterpret_cast<Handle>(focus);
}

void setFocus(Handle control) {
  controlOf(control)->setFocus(Qt::OtherFocusReason);
}

}  // namespace dialog::driver

// Windows of the Qt backend: creation, the opening sequence, nested modal
// loops, ending, the close command, activation, the window icon and the
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
  const core::WindowRecord* record = backend().registry.find(handle());
  if (record && !record->platform->ending) closeCommand(handle());
}

Handle Menu::owner() const {
  const Menu* menu = this;
  while (menu->parent) menu = menu->parent;
  return menu->window;
}

Window* windowOf(Handle window) {
  if (!backend().registry.find(window)) return nullptr;
  return reinterpret_cast<Window*>(window);
}

std::intptr_t deliver(Handle window, std::uint32_t event, WParam wParam, LParam lParam) {
  core::WindowRecord* record = backend().registry.find(window);
  if (!record || !record->callback) return 0;
  return core::callProgram(record->callback, window, event, wParam, lParam);
}

void sendCommand(Handle window, std::uint16_t id, std::uint16_t code, Handle from) {
  deliver(window, kWmCommand, makeWParam(id, code), static_cast<LParam>(from));
}

void closeCommand(Handle window) {
  if (!windowOf(window)) return;
  if (deliver(window, kWmSysCommand, kScClose, 0) == 0) endWindow(window, 0);
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
    deliver(before, kWmNcActivate, 0, 0);
    b.focusBeforeDeactivation = 0;
  }
  b.activeWindow = windowOf(nowActive) ? nowActive : 0;
  if (b.activeWindow) deliver(nowActive, kWmNcActivate, 1, 0);
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

namespace dialog {

using namespace qt;

Handle createWindow(Handle parent, std::string_view title, std::int32_t x, std::int32_t y,
                    std::int32_t width, std::int32_t height, std::uint32_t style,
                    std::uint32_t exStyle) {
  Backend& b = backend();
  const std::uint32_t finalStyle = core::windowStyle(style, x, y, parent != 0);
  const core::PixelRect size = core::toPixels(b.units, 0, 0, width, height);
  auto* window = new Window(QSize(size.width, size.height));
  window->setWindowTitle(toQt(title));
  window->setFont(b.measuringFont);

  if (finalStyle & kDsCenter) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    window->move(area.center() - QPoint(size.width / 2, size.height / 2));
  } else {
    const core::PixelRect at = core::toPixels(b.units, x, y, 0, 0);
    QPoint origin(at.left, at.top);
    if (Window* owner = windowOf(parent)) origin += owner->clientArea()->mapToGlobal(QPoint());
    window->move(origin);
  }

  core::WindowRecord& record = b.registry.add(window->handle());
  record.platform = {new core::PlatformWindow{}, [](core::PlatformWindow* p) { delete p; }};
  record.parent = parent;
  record.style = finalStyle;
  record.exStyle = exStyle;
  record.showState = core::showState(finalStyle);
  return window->handle();
}

bool windowExists(Handle window) {
  return windowOf(window) != nullptr;
}

void bringToFront(Handle window) {
  if (Window* w = windowOf(window)) {
    w->show();
    requestActivation(window);
  }
}

std::int32_t showModal(Handle window, WindowCallback callback) {
  Window* w = windowOf(window);
  if (!w) return 0;
  core::WindowRecord* record = backend().registry.find(window);

  // Opening: the callback is called directly while the window is hidden.
  // What its own actions cause does not reach it, since it is not attached.
  core::callProgram(callback, window, kWmInitDialog, window, 0);
  const QSize client = w->clientSize();
  core::callProgram(callback, window, kWmSize, core::sizeKind(record->showState),
                    static_cast<LParam>(client.width() | (client.height() << 16)));

  record = backend().registry.find(window);  // the callback may have ended it
  if (!record) return 0;
  std::int32_t result = 0;
  record->callback = callback;
  record->result = &result;

  const Handle parent = record->parent;
  if (Window* owner = windowOf(parent)) owner->setEnabled(false);
  const Handle activeBefore = backend().activeWindow;

  // The first control with a tab stop, in creation order, gets the focus.
  for (const auto& control : record->controls) {
    if ((control.style & kWsTabStop) && !(control.style & kWsDisabled)) {
      controlOf(control.handle)->setFocus(Qt::OtherFocusReason);
      break;
    }
  }
  if (record->showState == 3)
    w->showMaximized();
  else if (record->showState == 6)
    w->showMinimized();
  else
    w->show();
  requestActivation(window);

  // Each display runs its own loop, which serves every window; it blocks
  // while nothing happens. endWindow ends it.
  QEventLoop loop;
  if (core::WindowRecord* shown = backend().registry.find(window)) {
    shown->platform->loop = &loop;
    loop.exec();
  }

  if (Window* owner = windowOf(parent)) {
    owner->setEnabled(true);
    reactivate(parent);
  } else if (activeBefore != window) {
    reactivate(activeBefore);
  }
  return result;
}

void endWindow(Handle window, std::int32_t result) {
  Window* w = windowOf(window);
  if (!w) return;
  core::WindowRecord* record = backend().registry.find(window);
  if (record->platform->ending) return;
  record->platform->ending = true;
  if (record->result) *record->result = result;

  deliver(window, kWmClose, 0, 0);
  if (Window* owner = windowOf(record->parent)) owner->setEnabled(true);

  if (backend().activeWindow == window) activationChanged(0);
  if (backend().requestedActive == window) backend().requestedActive = 0;
  w->hide();
  deliver(window, kWmDestroy, 0, 0);
  deliver(window, kWmNcDestroy, 0, 0);

  record = backend().registry.find(window);
  QEventLoop* loop = record->platform->loop;
  releaseControls(*record);
  backend().registry.remove(window);
  releaseMenus(window);

  if (loop) loop->exit(0);
  w->deleteLater();
}

void setWindowIcon(Handle window, std::string_view name) {
  Window* w = windowOf(window);
  if (!w || name.size() < 2 || name.front() != '#') return;
  // "#200" names the icon with numeric id 200, compiled into the program.
  const QString path = QStringLiteral(":/icons/%1.png").arg(toQt(name.substr(1)));
  // The image is decoded when the window system first asks for it.
  if (QFile::exists(path)) w->setWindowIcon(QIcon(path));
}

Handle focusedControl() {
  Backend& b = backend();
  if (b.focusBeforeDeactivation && b.registry.ownerOf(b.focusBeforeDeactivation))
    return b.focusBeforeDeactivation;
  QWidget* focus = QApplication::focusWidget();
  // Until the toolkit confirms an activation the layer asked for, the focus
  // is the one that window will have, as on Win32 where it moves at once.
  if (!focus && !activationSettled())
    if (Window* pending = windowOf(b.requestedActive)) focus = pending->focusWidget();
  const Handle handle = reinterpret_cast<Handle>(focus);
  return b.registry.ownerOf(handle) ? handle : 0;
}

void setFocus(Handle control) {
  if (QWidget* widget = controlOf(control)) widget->setFocus(Qt::OtherFocusReason);
}

}  // namespace dialog

// Test support on the Qt backend: real key, mouse and clipboard input, the
// menu opened and clicked, and message boxes answered from their own loop.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <deque>

#include "dialog/qt/backend_qt.h"
#include "dialog/testing.h"

namespace dialog::testing {

using qt::backend;

namespace {

int boxesToAnswer = 0;
std::vector<SeenBox> answered;
QTimer* boxTimer = nullptr;

QMessageBox* openBox() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) return box;
  return nullptr;
}

void answerOpenBoxes() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(widget);
    if (!box || !box->isVisible() || boxesToAnswer == 0) continue;
    answered.push_back({qt::fromQt(box->text()), qt::fromQt(box->windowTitle())});
    --boxesToAnswer;
    box->button(QMessageBox::Ok)->click();
  }
  if (boxesToAnswer == 0 && boxTimer) boxTimer->stop();
}

std::deque<std::function<void()>> steps;
int settleWaits = 0;

void runNextStep() {
  if (steps.empty()) return;
  // Activation is asynchronous in Qt; a step starts once the last one the
  // layer asked for has arrived, as it would have at once on Win32.
  constexpr int kMaxSettleWaits = 500;  // 2 ms each
  if (!qt::activationSettled() && settleWaits++ < kMaxSettleWaits) {
    QTimer::singleShot(2, runNextStep);
    return;
  }
  settleWaits = 0;
  // A box that is up and expected is answered before any further step, so
  // that steps never run inside a box they did not ask for.
  if (boxesToAnswer > 0 && openBox()) {
    answerOpenBoxes();
    QTimer::singleShot(0, runNextStep);
    return;
  }
  auto step = std::move(steps.front());
  steps.pop_front();
  // Queue the next step first: if this one opens a modal window, the rest
  // runs inside that window's loop.
  if (!steps.empty()) QTimer::singleShot(0, runNextStep);
  step();
}

void sendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(target, &release);
}

// Where keys for `control` go: the focus widget of its window, after the
// control was given the focus (a window handle keeps its current focus).
QWidget* keyTarget(Handle control) {
  if (QWidget* widget = qt::controlOf(control)) {
    widget->window()->activateWindow();
    widget->setFocus(Qt::OtherFocusReason);
    return widget;
  }
  if (qt::Window* window = qt::windowOf(control)) {
    window->activateWindow();
    QWidget* focus = window->focusWidget();
    return focus ? focus : window;
  }
  return nullptr;
}

QAction* findAction(QMenuBar* bar, std::uint16_t commandId, QMenu** in) {
  for (QAction* top : bar->actions()) {
    QMenu* menu = top->menu();
    if (!menu) continue;
    for (QAction* action : menu->actions()) {
      qt::Menu* owner = nullptr;
      for (auto& m : backend().menus)
        if (m->popupWidget == menu) owner = m.get();
      if (!owner) continue;
      for (const auto& entry : owner->entries) {
        if (entry.action == action && !entry.separator && entry.commandId == commandId) {
          *in = menu;
          return action;
        }
      }
    }
  }
  return nullptr;
}

// A left click sent straight to the widget. QTest's own clicks process
// events, which would run the next queued step in the middle of this one.
void click(QWidget* widget, QPoint at) {
  const QPointF local(at);
  const QPointF global(widget->mapToGlobal(at));
  QMouseEvent move(QEvent::MouseMove, local, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(widget, &release);
}

Colour fromColor(const QColor& color) {
  return rgb(static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
             static_cast<std::uint8_t>(color.blue()));
}

bool editable(QWidget* widget) {
  return qobject_cast<QLineEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget);
}

}  // namespace

void queueSteps(std::vector<std::function<void()>> newSteps) {
  const bool idle = steps.empty();
  for (auto& step : newSteps) steps.push_back(std::move(step));
  if (idle && !steps.empty()) QTimer::singleShot(0, runNextStep);
}

void processEvents() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

void answerMessageBoxes(int count) {
  boxesToAnswer += count;
  if (!boxTimer) {
    boxTimer = new QTimer(backend().app);
    QObject::connect(boxTimer, &QTimer::timeout, answerOpenBoxes);
  }
  boxTimer->start(5);
}

std::vector<SeenBox> takeAnsweredBoxes() {
  return std::exchange(answered, {});
}

void typeText(Handle control, std::string_view text) {
  QWidget* target = keyTarget(control);
  if (!target) return;
  for (const QChar ch : qt::toQt(text)) {
    const bool upper = ch.isUpper();
    int key = Qt::Key_unknown;
    if (ch.unicode() < 0x80 && ch.isLetterOrNumber()) key = ch.toUpper().unicode();
    if (ch == QLatin1Char(' ')) key = Qt::Key_Space;
    if (ch == QLatin1Char('\n')) {
      sendKey(target, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
      continue;
    }
    sendKey(target, key, upper ? Qt::ShiftModifier : Qt::NoModifier, QString(ch));
  }
}

void pasteText(Handle control, std::string_view text) {
  QWidget* target = keyTarget(control);
  if (!target) return;
  QGuiApplication::clipboard()->setText(qt::toQt(text));
  sendKey(target, Qt::Key_V, Qt::ControlModifier, QString());
}

void pasteWithoutText(Handle control, ClipboardContent content) {
  QWidget* target = keyTarget(control);
  if (!target) return;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (content == ClipboardContent::Nothing) {
    clipboard->clear();
  } else {
    auto* data = new QMimeData;
    data->setData(QStringLiteral("application/x-velmora-test"), QByteArray("\x01\x02", 2));
    clipboard->setMimeData(data);
  }
  sendKey(target, Qt::Key_V, Qt::ControlModifier, QString());
}

namespace {

void sendOneKey(QWidget* target, Key key) {
  switch (key) {
    case Key::Enter:
      return sendKey(target, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    case Key::Escape:
      return sendKey(target, Qt::Key_Escape, Qt::NoModifier, QString());
    case Key::Tab:
      return sendKey(target, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    case Key::ShiftTab:
      return sendKey(target, Qt::Key_Backtab, Qt::ShiftModifier, QString());
    case Key::F10:
      return sendKey(target, Qt::Key_F10, Qt::NoModifier, QString());
    case Key::Up:
      return sendKey(target, Qt::Key_Up, Qt::NoModifier, QString());
    case Key::Down:
      return sendKey(target, Qt::Key_Down, Qt::NoModifier, QString());
    case Key::Alt: {
      // The window system asks whether a shortcut takes a key before it
      // delivers the press; the menu bar watches Alt that way.
      QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::AltModifier);
      QApplication::sendEvent(target, &override);
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
      QApplication::sendEvent(target, &press);
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
      QApplication::sendEvent(target, &release);
      return;
    }
    case Key::CtrlC:
      return sendKey(target, Qt::Key_C, Qt::ControlModifier, QStringLiteral("\x03"));
  }
}

// Where the next key goes: an open menu, else the focus widget of the
// window. Offscreen, a menu that has closed can keep the application's focus.
QWidget* currentKeyTarget(QWidget* window) {
  if (QWidget* popup = QApplication::activePopupWidget()) return popup;
  QWidget* focus = QApplication::focusWidget();
  if (focus && focus->isVisible() && focus->window() == window) return focus;
  focus = window->focusWidget();
  return focus ? focus : window;
}

}  // namespace

void pressKey(Handle control, Key key) {
  if (QWidget* target = keyTarget(control)) sendOneKey(target, key);
}

void pressKeys(Handle control, const std::vector<Key>& keys) {
  QWidget* first = keyTarget(control);
  if (!first) return;
  QWidget* window = first->window();
  for (std::size_t i = 0; i < keys.size(); ++i)
    sendOneKey(i == 0 ? first : currentKeyTarget(window), keys[i]);
}

bool isMenuActive(Handle window) {
  qt::Window* w = qt::windowOf(window);
  if (!w || !w->menuBar()) return false;
  return qobject_cast<QMenu*>(QApplication::activePopupWidget()) || w->menuBar()->activeAction() ||
         w->menuBar()->hasFocus();
}

void clickButton(Handle window, std::uint16_t id) {
  if (auto* button = qobject_cast<QPushButton*>(qt::controlOf(controlHandle(window, id))))
    click(button, button->rect().center());
}

void chooseMenuCommand(Handle window, std::uint16_t commandId) {
  qt::Window* w = qt::windowOf(window);
  if (!w || !w->menuBar()) return;
  QMenu* menu = nullptr;
  QAction* action = findAction(w->menuBar(), commandId, &menu);
  if (!action) return;
  // Open the popup under its title and click the entry, as a user would; a
  // disabled entry ignores the click.
  menu->popup(w->menuBar()->mapToGlobal(QPoint(0, w->menuBar()->height())));
  click(menu, menu->actionGeometry(action).center());
  if (menu->isVisible()) menu->hide();
}

void sendCloseCommand(Handle window) {
  if (qt::Window* w = qt::windowOf(window)) w->close();
}

bool isWindowVisible(Handle window) {
  qt::Window* w = qt::windowOf(window);
  return w && w->isVisible();
}

Handle activeWindow() {
  return backend().activeWindow;
}

bool isMenuItemEnabled(Handle window, std::uint16_t commandId) {
  qt::Window* w = qt::windowOf(window);
  QMenu* menu = nullptr;
  QAction* action = w && w->menuBar() ? findAction(w->menuBar(), commandId, &menu) : nullptr;
  return action && action->isEnabled();
}

std::vector<std::string> menuLayout(Handle window) {
  std::vector<std::string> layout;
  qt::Window* w = qt::windowOf(window);
  if (!w || !w->menuBar()) return layout;
  for (QAction* top : w->menuBar()->actions()) {
    layout.push_back(qt::fromQt(top->text()));
    if (QMenu* menu = top->menu())
      for (QAction* action : menu->actions())
        layout.push_back("  " +
                         (action->isSeparator() ? std::string("-") : qt::fromQt(action->text())));
  }
  return layout;
}

Colour controlTextColour(Handle control) {
  QWidget* widget = qt::controlOf(control);
  if (!widget) return -1;
  return fromColor(
      widget->palette().color(editable(widget) ? QPalette::Text : QPalette::WindowText));
}

Colour controlBackgroundColour(Handle control) {
  QWidget* widget = qt::controlOf(control);
  if (!widget) return -1;
  return fromColor(widget->palette().color(editable(widget) ? QPalette::Base : QPalette::Window));
}

Rect controlRect(Handle control) {
  QWidget* widget = qt::controlOf(control);
  if (!widget) return {};
  const QRect r = widget->geometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

Rect clientRect(Handle window) {
  qt::Window* w = qt::windowOf(window);
  if (!w) return {};
  const QSize size = w->clientSize();
  return {0, 0, size.width(), size.height()};
}

int baseUnitX() {
  return backend().units.x;
}
int baseUnitY() {
  return backend().units.y;
}

FontInfo controlFont(Handle control) {
  QWidget* widget = qt::controlOf(control);
  if (!widget) return {};
  const QFont font = widget->font();
  return {qt::fromQt(QFontInfo(font).family()), font.pixelSize(),
          font.weight() >= QFont::Bold ? 700 : 400};
}

}  // namespace dialog::testing

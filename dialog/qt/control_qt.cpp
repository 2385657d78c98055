// Controls of the Qt backend: buttons, frames, labels and text boxes with
// the Win32 behaviours the program relies on, their text, fonts and colours,
// and the keys that have a dialog meaning. Linux side.
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QValidator>

#include "dialog/qt/backend_qt.h"

namespace dialog::qt {

namespace {

// Lowers the text of a key event, keeping everything else.
QKeyEvent lowered(const QKeyEvent& event) {
  return QKeyEvent(event.type(), event.key(), event.modifiers(), event.nativeScanCode(),
                   event.nativeVirtualKey(), event.nativeModifiers(), event.text().toLower(),
                   event.isAutoRepeat(), static_cast<quint16>(event.count()));
}

// The text that a paste, a drop or a middle click would insert: empty when
// the data has no text. Only the text is ever read, and only once.
//
// Qt 6.4's QWidgetTextControl::insertFromMimeData crashes on data without
// text, which is what the X11 clipboard hands back once the program that
// owned it has gone (or when it holds only images, files and the like). So
// the text boxes never pass clipboard or drop data to the toolkit: they take
// the text out here and insert it themselves, or insert nothing.
QString insertableText(const QMimeData* source) {
  if (!source || !source->hasText()) return {};
  return source->text();
}

// Multi-line text box. ES_LOWERCASE lowers typed, pasted, dropped and
// composed text.
class TextArea : public QPlainTextEdit {
 public:
  TextArea(QWidget* parent, std::uint32_t style) : QPlainTextEdit(parent), style_(style) {
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy((style & kWsVScroll) ? Qt::ScrollBarAlwaysOn
                                                    : Qt::ScrollBarAlwaysOff);
  }
  bool lowercase() const { return style_ & kEsLowercase; }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (lowercase() && event->text() != event->text().toLower()) {
      QKeyEvent low = lowered(*event);
      QPlainTextEdit::keyPressEvent(&low);
      event->setAccepted(low.isAccepted());
      return;
    }
    QPlainTextEdit::keyPressEvent(event);
  }
  // Every paste (keys, context menu), drop and middle click ends here.
  bool canInsertFromMimeData(const QMimeData* source) const override {
    return source && source->hasText();
  }
  void insertFromMimeData(const QMimeData* source) override {
    const QString text = insertableText(source);
    if (text.isEmpty() || isReadOnly()) return;
    insertPlainText(lowercase() ? text.toLower() : text);
    ensureCursorVisible();
  }
  void inputMethodEvent(QInputMethodEvent* event) override {
    if (!lowercase() || event->commitString().isEmpty())
      return QPlainTextEdit::inputMethodEvent(event);
    QInputMethodEvent low(event->preeditString(), event->attributes());
    low.setCommitString(event->commitString().toLower(), event->replacementStart(),
                        event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&low);
  }

 private:
  std::uint32_t style_;
};

// Single-line text box. Typed and pasted text both pass the validator, which
// lowers it (ES_LOWERCASE) and, without ES_AUTOHSCROLL, refuses what would
// not fit the visible width. Text set by the program bypasses it.
class LineBox;

class LineValidator : public QValidator {
 public:
  explicit LineValidator(LineBox* box) : QValidator(nullptr), box_(box) {}
  State validate(QString& input, int& pos) const override;

 private:
  LineBox* box_;
};

class LineBox : public QLineEdit {
 public:
  LineBox(QWidget* parent, std::uint32_t style) : QLineEdit(parent), style_(style) {
    validator_ = std::make_unique<LineValidator>(this);
    setValidator(validator_.get());
  }
  bool lowercase() const { return style_ & kEsLowercase; }
  bool scrolls() const { return style_ & kEsAutoHScroll; }
  // Width available to the text, as QLineEdit lays it out.
  int textWidth() const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const QMargins margins = textMargins();
    constexpr int kInnerMargin = 2;  // QLineEdit's own margin on each side
    return contents.width() - margins.left() - margins.right() - 2 * kInnerMargin;
  }

 protected:
  // A paste, drop or middle click whose data has no text does nothing, as
  // in the text area; with text, QLineEdit inserts it through the validator.
  void keyPressEvent(QKeyEvent* event) override {
    if (event == QKeySequence::Paste && !hasText(QClipboard::Clipboard)) return event->accept();
    QLineEdit::keyPressEvent(event);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::MiddleButton && !hasText(QClipboard::Selection))
      return event->accept();
    QLineEdit::mouseReleaseEvent(event);
  }
  void dragEnterEvent(QDragEnterEvent* event) override {
    if (insertableText(event->mimeData()).isEmpty()) return event->ignore();
    QLineEdit::dragEnterEvent(event);
  }
  void dragMoveEvent(QDragMoveEvent* event) override {
    if (insertableText(event->mimeData()).isEmpty()) return event->ignore();
    QLineEdit::dragMoveEvent(event);
  }
  void dropEvent(QDropEvent* event) override {
    if (insertableText(event->mimeData()).isEmpty()) return event->ignore();
    QLineEdit::dropEvent(event);
  }

 private:
  static bool hasText(QClipboard::Mode mode) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (mode == QClipboard::Selection && !clipboard->supportsSelection()) return false;
    return !insertableText(clipboard->mimeData(mode)).isEmpty();
  }

  std::uint32_t style_;
  std::unique_ptr<LineValidator> validator_;
};

QValidator::State LineValidator::validate(QString& input, int& /*pos*/) const {
  if (box_->lowercase()) input = input.toLower();
  if (!box_->scrolls() && box_->fontMetrics().horizontalAdvance(input) > box_->textWidth())
    return Invalid;
  return Acceptable;
}

QColor toColor(Colour colour) {
  return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

// Applies a control's colours to its palette, for every colour group.
void setPalette(QWidget* widget, const core::ControlRecord& record) {
  QPalette palette = widget->parentWidget() ? widget->parentWidget()->palette() : QPalette();
  const bool editable = record.kind == kKindTextBox;
  const QPalette::ColorRole textRole = editable ? QPalette::Text : QPalette::WindowText;
  const QPalette::ColorRole backRole = editable ? QPalette::Base : QPalette::Window;
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    if (record.textColour >= 0) palette.setColor(group, textRole, toColor(record.textColour));
    if (record.backgroundColour >= 0)
      palette.setColor(group, backRole, toColor(record.backgroundColour));
  }
  widget->setPalette(palette);
  if (!editable) widget->setAutoFillBackground(record.backgroundColour >= 0);
}

QWidget* makeControl(QWidget* parent, int kind, std::uint32_t style, const QString& text) {
  switch (kind) {
    case kKindButton: {
      auto* button = new QPushButton(text, parent);
      // Enter must not click a button merely because it has the focus.
      button->setAutoDefault(false);
      button->setDefault(false);
      return button;
    }
    case kKindFrame: {
      auto* frame = new QGroupBox(text, parent);
      frame->setFocusPolicy(Qt::NoFocus);
      // A frame made after its contents would stack on them and take clicks.
      frame->setAttribute(Qt::WA_TransparentForMouseEvents);
      return frame;
    }
    case kKindLabel: {
      auto* label = new QLabel(text, parent);
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case kKindTextBox: {
      if (style & kEsMultiline) {
        auto* area = new TextArea(parent, style);
        area->setPlainText(text);
        return area;
      }
      auto* box = new LineBox(parent, style);
      box->setText(text);
      return box;
    }
    default:
      return nullptr;
  }
}

// F10, or Alt on its own, enters the menu bar as on Windows, here by opening
// its first menu; the arrow keys, Enter and Escape then work in the menu.
bool openMenuBar(Window& window) {
  QMenuBar* bar = window.menuBar();
  if (!bar || !bar->isVisible()) return false;
  for (QAction* title : bar->actions()) {
    if (title->menu() && title->isVisible() && title->isEnabled()) {
      bar->setActiveAction(title);
      return true;
    }
  }
  return false;
}

// Keys with a dialog meaning, seen before any control: Tab is left to Qt,
// whose focus chain follows creation order like the dialog manager's.
class KeyHandling : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    // Alt that ends up elsewhere (Alt+Tab to another window, a click) was
    // not Alt on its own.
    if (type == QEvent::FocusOut || type == QEvent::WindowDeactivate ||
        type == QEvent::MouseButtonPress)
      altAlone_ = false;
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
      return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    Window* window = dynamic_cast<Window*>(widget->window());
    if (!window || !windowOf(window->handle())) return false;
    // Handle each key once, at the first of our controls (or the window)
    // that receives it.
    const Handle receiver = reinterpret_cast<Handle>(widget);
    if (widget != window && !frontend::findWindow(window->handle())->controlByHandle(receiver))
      return false;

    const auto* key = static_cast<QKeyEvent*>(event);
    // Alt on its own is the layer's (below): the menu bar's own handling of
    // it, which starts from this query, would compete with it.
    if (type == QEvent::ShortcutOverride) return key->key() == Qt::Key_Alt;
    if (type == QEvent::KeyRelease) {
      // Alt pressed and released with no other key enters the menu bar as
      // F10 does, whatever the style would make of it.
      const bool altAlone = altAlone_ && key->key() == Qt::Key_Alt;
      altAlone_ = false;
      return altAlone && openMenuBar(*window);
    }
    // Qt leaves a modifier key's own bit out of its press.
    altAlone_ = key->key() == Qt::Key_Alt && !(key->modifiers() & ~Qt::AltModifier);
    const Handle handle = window->handle();
    const Handle from = reinterpret_cast<Handle>(widget);
    const bool alt = key->modifiers() & Qt::AltModifier;
    if (alt && key->key() == Qt::Key_F4) {
      closeCommand(handle);
      return true;
    }
    if (key->key() == Qt::Key_F10 && !(key->modifiers() & ~Qt::KeypadModifier) &&
        openMenuBar(*window))
      return true;
    switch (key->key()) {
      case Qt::Key_Escape:
        // A menu title still lit after its menu closed: Escape leaves the bar.
        if (QMenuBar* bar = window->menuBar(); bar && bar->activeAction()) {
          bar->setActiveAction(nullptr);
          return true;
        }
        sendCommand(handle, kIdCancel, 0, 0);
        return true;
      case Qt::Key_Return:
      case Qt::Key_Enter: {
        if (dynamic_cast<TextArea*>(widget)) {
          const core::ControlRecord* record = frontend::findControl(from);
          if (record && (record->style & kEsWantReturn)) return false;
        }
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
          button->click();
          return true;
        }
        sendCommand(handle, kIdOk, 0, 0);
        return true;
      }
      default:
        break;
    }
    // An Alt chord that matches nothing would type its letter into a box.
    if (alt && (qobject_cast<QLineEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget)))
      return true;
    return false;
  }

 private:
  bool altAlone_ = false;  // Alt is down and no other key came since
};

}  // namespace

QWidget* controlOf(Handle control) {
  if (!frontend::findControl(control)) return nullptr;
  return reinterpret_cast<QWidget*>(control);
}

QFont makeFont(const core::FontRecord& record) {
  Backend& b = backend();
  // "MS Sans Serif" is not on Linux; Liberation Sans has metrics that fit.
  const bool sansSerif = record.face == "MS Sans Serif" || record.face.empty();
  QFont font(sansSerif ? QStringLiteral("Liberation Sans") : QString::fromStdString(record.face));
  font.setPixelSize(-core::fontHeightPixels(record.points, b.pixelsPerInch));
  font.setWeight(record.weight >= 700 ? QFont::Bold : QFont::Normal);
  font.setItalic(record.italic);
  font.setUnderline(record.underline);
  font.setStrikeOut(record.strikeOut);
  return font;
}

QString toQt(std::string_view text) {
  const std::string lf = core::fromCrLf(text);
  return QString::fromUtf8(lf.data(), static_cast<qsizetype>(lf.size()));
}

std::string fromQt(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return core::toCrLf(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

void installKeyHandling() {
  QApplication* app = backend().app;
  app->installEventFilter(new KeyHandling(app));
}

}  // namespace dialog::qt

namespace dialog::driver {

using namespace qt;

Handle addControl(core::WindowRecord& window, const core::ControlRecord& record,
                  std::string_view text, std::int32_t x, std::int32_t y, std::int32_t width,
                  std::int32_t height) {
  Window* w = windowOf(window.handle);
  QWidget* control = makeControl(w->clientArea(), record.kind, record.style, toQt(text));
  const core::PixelRect rect = core::toPixels(backend().units, x, y, width, height);
  control->setGeometry(rect.left, rect.top, rect.width, rect.height);
  control->setFont(w->font());

  const bool edge = (record.style & kWsBorder) || (record.exStyle & kWsExClientEdge);
  if (auto* box = qobject_cast<QLineEdit*>(control)) box->setFrame(edge);
  if (auto* area = qobject_cast<QPlainTextEdit*>(control))
    area->setFrameShape(edge ? QFrame::StyledPanel : QFrame::NoFrame);
  if (record.kind == kKindTextBox || record.kind == kKindButton)
    control->setFocusPolicy((record.style & kWsTabStop) ? Qt::StrongFocus : Qt::ClickFocus);
  control->setEnabled(!(record.style & kWsDisabled));
  control->setVisible(record.style & kWsVisible);
  if (record.kind == kKindFrame) control->lower();

  // Notifications, as the Win32 controls send them.
  const Handle owner = window.handle;
  const Handle from = reinterpret_cast<Handle>(control);
  const std::uint16_t id = record.id;
  if (auto* button = qobject_cast<QPushButton*>(control)) {
    QObject::connect(button, &QPushButton::clicked,
                     [owner, id, from] { sendCommand(owner, id, kBnClicked, from); });
  } else if (auto* box = qobject_cast<QLineEdit*>(control)) {
    QObject::connect(box, &QLineEdit::textChanged,
                     [owner, id, from] { sendCommand(owner, id, kEnChange, from); });
  } else if (auto* area = qobject_cast<QPlainTextEdit*>(control)) {
    QObject::connect(area, &QPlainTextEdit::textChanged,
                     [owner, id, from] { sendCommand(owner, id, kEnChange, from); });
  }
  return from;
}

std::string controlText(const core::ControlRecord& record) {
  QWidget* widget = controlOf(record.handle);
  if (auto* area = qobject_cast<QPlainTextEdit*>(widget)) return fromQt(area->toPlainText());
  if (auto* box = qobject_cast<QLineEdit*>(widget)) return fromQt(box->text());
  if (auto* label = qobject_cast<QLabel*>(widget)) return fromQt(label->text());
  if (auto* button = qobject_cast<QPushButton*>(widget)) return fromQt(button->text());
  if (auto* frame = qobject_cast<QGroupBox*>(widget)) return fromQt(frame->title());
  return {};
}

std::string windowTitle(Handle window) {
  return fromQt(windowOf(window)->windowTitle());
}

void setControlText(const core::ControlRecord& record, std::string_view text) {
  const QString value = toQt(text);
  QWidget* widget = controlOf(record.handle);
  if (auto* area = qobject_cast<QPlainTextEdit*>(widget)) return area->setPlainText(value);
  if (auto* box = qobject_cast<QLineEdit*>(widget)) return box->setText(value);
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    // The control it names is announced by its new text.
    if (QWidget* named = label->buddy()) named->setAccessibleName(value);
    return label->setText(value);
  }
  if (auto* button = qobject_cast<QPushButton*>(widget)) return button->setText(value);
  if (auto* frame = qobject_cast<QGroupBox*>(widget)) return frame->setTitle(value);
}

void setWindowTitle(Handle window, std::string_view text) {
  windowOf(window)->setWindowTitle(toQt(text));
}

bool makeBackground(Colour /*colour*/) {
  return true;  // Qt paints backgrounds from the palette: nothing to make
}

void deleteBackground(Colour /*colour*/) {}

void applyColours(const core::ControlRecord& record) {
  setPalette(controlOf(record.handle), record);
}

void redrawControl(const core::ControlRecord& record) {
  QWidget* widget = controlOf(record.handle);
  widget->update();
  widget->repaint();
}

core::PlatformFontPtr makeFont(const core::FontRecord& font) {
  return {new core::PlatformFont{qt::makeFont(font)}, [](core::PlatformFont* p) { delete p; }};
}

void setControlFont(const core::ControlRecord& control, const core::PlatformFont& font) {
  controlOf(control.handle)->setFont(font.font);
}

}  // namespace dialog::driver

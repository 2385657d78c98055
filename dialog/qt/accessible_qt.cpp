// Accessibility of the Qt backend: what AT-SPI (and so a screen reader)
// learns about the layer's windows, the label relations and the mark of an
// entry that is not valid. Linux side.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

#include "dialog/qt/backend_qt.h"

namespace dialog::qt {

namespace {

// A window of the layer, named by its title: a dialog when it has a dialog
// frame or is a pop-up, a frame otherwise (the main window). Without this Qt
// reports a plain top-level widget as a filler.
QAccessible::Role roleOf(const Window& window) {
  const core::WindowRecord* record = frontend::findWindow(window.handle());
  const std::uint32_t style = record ? record->style : 0;
  return (style & (kWsPopup | kDsModalFrame)) ? QAccessible::Dialog : QAccessible::Window;
}

// Window has no meta-object of its own, so Qt asks for it as a "QWidget";
// every other class is left to Qt's own interfaces.
QAccessibleInterface* accessibleFor(const QString& className, QObject* object) {
  if (className != QLatin1String("QWidget") || !object->isWidgetType()) return nullptr;
  auto* window = dynamic_cast<Window*>(static_cast<QWidget*>(object));
  if (!window || !windowOf(window->handle())) return nullptr;
  return new QAccessibleWidget(window, roleOf(*window));
}

}  // namespace

void installAccessibility() {
  QAccessible::installFactory(accessibleFor);
}

}  // namespace dialog::qt

namespace dialog::driver {

using namespace qt;

void setControlLabel(const core::ControlRecord& control, const core::ControlRecord& label) {
  QWidget* widget = controlOf(control.handle);
  auto* text = static_cast<QLabel*>(controlOf(label.handle));
  text->setBuddy(widget);
  widget->setAccessibleName(text->text());
}

void setControlInvalid(const core::ControlRecord& control, std::string_view description) {
  // Qt's AT-SPI bridge has no invalid-entry state to set; the description is
  // what a screen reader reads out after the name. Qt announces the change.
  controlOf(control.handle)
      ->setAccessibleDescription(control.invalid ? toQt(description) : QString());
}

}  // namespace dialog::driver

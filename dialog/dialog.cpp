// The front end of the dialog layer: every function of dialog.h, once, for
// both backends. It checks the arguments, keeps the records, the font use
// counts and the background colours, runs the opening and ending sequences
// and guards the program's callbacks; the driver (backend.h) does the rest
// with its platform.
#include <algorithm>

#include "dialog/backend.h"

namespace dialog {

namespace frontend {

Layer& layer() {
  static Layer state;
  return state;
}

core::WindowRecord* findWindow(Handle window) {
  return layer().registry.find(window);
}

core::ControlRecord* findControl(Handle control) {
  core::WindowRecord* owner = layer().registry.ownerOf(control);
  return owner ? owner->controlByHandle(control) : nullptr;
}

std::intptr_t deliver(Handle window, std::uint32_t event, WParam wParam, LParam lParam) {
  const core::WindowRecord* record = findWindow(window);
  if (!record || !record->callback) return 0;
  return core::callProgram(record->callback, window, event, wParam, lParam);
}

void closeCommand(Handle window, WParam command, LParam lParam) {
  if (!findWindow(window)) return;
  if (deliver(window, kWmSysCommand, command, lParam) == 0) endWindow(window, 0);
}

namespace {

// Gives up one control's use of a background colour.
void releaseBackground(Colour colour) {
  if (colour >= 0 && layer().backgrounds.release(colour)) driver::deleteBackground(colour);
}

}  // namespace

void windowDestroyed(Handle window) {
  core::WindowRecord* record = findWindow(window);
  if (!record) return;
  driver::windowGoing(*record);
  for (core::ControlRecord& control : record->controls) {
    layer().fonts.release(control);
    releaseBackground(control.backgroundColour);
  }
  // The record goes whatever the platform does next: kept, it would name a
  // handle that the platform may give to a new window.
  layer().registry.remove(window);
}

}  // namespace frontend

using frontend::findControl;
using frontend::findWindow;
using frontend::layer;

namespace {

// The control with that id in a window of the layer, or nullptr.
core::ControlRecord* findControl(Handle window, std::uint16_t id) {
  core::WindowRecord* record = findWindow(window);
  return record ? record->control(id) : nullptr;
}

// Nested sessions (a test's runProgram inside the test session) share the
// outermost one.
int sessionDepth = 0;

}  // namespace

// --- Session ----------------------------------------------------------------

Session::Session() {
  if (sessionDepth++ > 0) return;
  driver::startSession();
  // The layer's own fonts are there from the start.
  for (int number = 1; number <= 3; ++number) {
    core::FontRecord* font = layer().fonts.find(number);
    if (!font->platform) font->platform = driver::makeFont(*font);
  }
}

Session::~Session() {
  if (--sessionDepth > 0) return;
  // Fonts still made when the session ends (one a window still showed when
  // it was released) go with it.
  for (int number = 1; number <= static_cast<int>(layer().fonts.size()); ++number)
    layer().fonts.find(number)->platform.reset();
  driver::endSession();
}

int runProgram(int (*entry)()) {
  if (!driver::platformSupported()) return 255;
  const Session session;
  return entry();
}

void initCommonControls(std::uint32_t classes) {
  driver::initCommonControls(classes);
}

// --- Windows ----------------------------------------------------------------

Handle createWindow(Handle parent, std::string_view title, std::int32_t x, std::int32_t y,
                    std::int32_t width, std::int32_t height, std::uint32_t style,
                    std::uint32_t exStyle) {
  if (parent && !findWindow(parent)) return 0;
  const std::uint32_t finalStyle = core::windowStyle(style, x, y, parent != 0);
  driver::NewWindow made =
      driver::createWindow(parent, title, x, y, width, height, finalStyle, exStyle);
  if (!made.handle) return 0;
  core::WindowRecord& record = layer().registry.add(made.handle);
  record.platform = std::move(made.platform);
  record.parent = parent;
  record.style = finalStyle;
  record.exStyle = exStyle;
  record.showState = core::showState(finalStyle);
  return made.handle;
}

void setWindowIcon(Handle window, std::string_view name) {
  core::WindowRecord* record = findWindow(window);
  if (!record || name.empty()) return;
  // "#200" names the resource with numeric id 200; any other text names a
  // resource by name.
  const bool numeric =
      name.size() > 1 && name.size() <= 6 && name[0] == '#' &&
      std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!numeric) return driver::setWindowIcon(*record, 0, name);
  const unsigned long id = std::stoul(std::string(name.substr(1)));
  if (id == 0 || id > 0xFFFF) return;
  driver::setWindowIcon(*record, static_cast<std::uint16_t>(id), {});
}

std::int32_t showModal(Handle window, WindowCallback callback) {
  if (!findWindow(window) || !callback) return 0;
  const Handle activeBefore = driver::activeWindow();
  driver::beginOpening(window);

  // Opening: the callback is called directly while the window is hidden.
  // What its own actions cause does not reach it, since it is not attached.
  core::callProgram(callback, window, kWmInitDialog, window, 0);
  if (const core::WindowRecord* record = findWindow(window)) {
    const driver::Size client = driver::clientSize(window);
    const auto size = static_cast<LParam>(makeWParam(static_cast<std::uint16_t>(client.width),
                                                     static_cast<std::uint16_t>(client.height)));
    core::callProgram(callback, window, kWmSize, core::sizeKind(record->showState), size);
  }

  core::WindowRecord* record = findWindow(window);
  if (!record) return 0;  // ended while opening
  std::int32_t result = 0;
  record->callback = callback;
  record->result = &result;
  const Handle parent = record->parent;
  if (findWindow(parent)) driver::enableWindow(parent, false);
  driver::showWindow(*record);
  // Showing it may have reached the callback, which may have ended it.
  if ((record = findWindow(window))) driver::runModalLoop(*record);

  if (findWindow(parent))
    driver::activateOwner(parent);
  else if (activeBefore != window)
    driver::restoreActivation(activeBefore);
  return result;
}

void endWindow(Handle window, std::int32_t result) {
  core::WindowRecord* record = findWindow(window);
  // A callback that ends its window again while it is being ended (from the
  // close notice, say) must not start a second round.
  if (!record || record->ending) return;
  record->ending = true;
  if (record->result) *record->result = result;
  const Handle parent = record->parent;
  driver::sendClose(window);
  if (findWindow(parent)) driver::enableWindow(parent, true);
  // The close notice may have ended the parent, and with it this window.
  if (findWindow(window)) driver::destroyWindow(window);
  // The records normally go with the window; should it outlive this, it can
  // be ended again.
  if (core::WindowRecord* kept = findWindow(window)) kept->ending = false;
}

bool windowExists(Handle window) {
  return findWindow(window) != nullptr;
}

void bringToFront(Handle window) {
  if (findWindow(window)) driver::bringToFront(window);
}

Handle focusedControl() {
  const Handle focus = driver::focusedControl();
  return findControl(focus) ? focus : 0;
}

void setFocus(Handle control) {
  if (findControl(control)) driver::setFocus(control);
}

// --- Controls ---------------------------------------------------------------

void addControl(Handle window, std::uint16_t id, std::string_view text, std::int32_t x,
                std::int32_t y, std::int32_t width, std::int32_t height, std::uint32_t style,
                std::uint32_t exStyle, int kind) {
  core::WindowRecord* record = findWindow(window);
  if (!record || !core::knownKind(kind)) return;
  const core::ControlStyle applied = core::controlStyle(kind, style, exStyle);
  core::ControlRecord control;
  control.id = id;
  control.kind = kind;
  control.style = applied.style;
  control.exStyle = applied.exStyle;
  control.handle = driver::addControl(*record, control, text, x, y, width, height);
  // Making the control may have reached the window's callback.
  record = findWindow(window);
  if (control.handle && record) record->controls.push_back(control);
}

Handle controlHandle(Handle window, std::uint16_t id) {
  return layer().registry.controlHandle(window, id);
}

std::string getControlText(Handle control) {
  if (const core::ControlRecord* record = findControl(control)) return driver::controlText(*record);
  if (findWindow(control)) return driver::windowTitle(control);
  return {};
}

void setControlText(Handle control, std::string_view text) {
  if (const core::ControlRecord* record = findControl(control))
    driver::setControlText(*record, text);
  else if (findWindow(control))
    driver::setWindowTitle(control, text);
}

void setControlColor(Handle window, std::uint16_t id, Colour text, Colour background) {
  core::ControlRecord* control = findControl(window, id);
  if (!control) return;
  background = core::maskedColour(background);
  if (background >= 0 && layer().backgrounds.acquire(background) &&
      !driver::makeBackground(background)) {
    layer().backgrounds.release(background);
    background = -1;
  }
  // The new colour is taken before the old one is given up, so that setting
  // the same colour again keeps what the platform paints it with.
  const Colour previous = control->backgroundColour;
  control->textColour = core::maskedColour(text);
  control->backgroundColour = background;
  frontend::releaseBackground(previous);
  driver::applyColours(*control);
}

void redrawControl(Handle control) {
  if (const core::ControlRecord* record = findControl(control)) driver::redrawControl(*record);
}

int createFont(std::string_view face, float points, std::uint32_t styleBits, std::uint8_t charset,
               std::uint8_t pitchAndFamily, std::int32_t escapement) {
  return layer().fonts.intern(face, points, styleBits, charset, pitchAndFamily, escapement);
}

void setControlFont(Handle window, std::uint16_t id, int font) {
  core::ControlRecord* control = findControl(window, id);
  core::FontRecord* wanted = layer().fonts.find(font);
  if (!control || !wanted) return;
  if (!wanted->platform) wanted->platform = driver::makeFont(*wanted);
  if (!wanted->platform) return;
  driver::setControlFont(*control, *wanted->platform);
  layer().fonts.use(*control, *wanted);
}

void releaseFont(int font) {
  core::FontRecord* record = layer().fonts.find(font);
  if (record && core::FontTable::releasable(*record)) record->platform.reset();
}

// --- Accessibility ----------------------------------------------------------

void setControlLabel(Handle window, std::uint16_t controlId, std::uint16_t labelId) {
  const core::ControlRecord* label = findControl(window, labelId);
  const core::ControlRecord* control = findControl(window, controlId);
  if (!label || !control || label == control || label->kind != kKindLabel) return;
  driver::setControlLabel(*control, *label);
}

void setControlInvalid(Handle window, std::uint16_t id, bool invalid,
                       std::string_view description) {
  core::ControlRecord* control = findControl(window, id);
  if (!control || control->kind != kKindTextBox) return;
  control->invalid = invalid;
  driver::setControlInvalid(*control, description);
}

// --- Menus ------------------------------------------------------------------

MenuHandle createMenuBar() {
  return driver::createMenu(true);
}

MenuHandle createPopupMenu() {
  return driver::createMenu(false);
}

void appendMenuItem(MenuHandle menu, std::string_view text, MenuHandle popup,
                    std::uint16_t commandId, std::uint32_t state, std::int32_t position,
                    std::uint32_t mode) {
  if (menu) driver::appendMenuItem(menu, text, popup, commandId, state, position, mode);
}

void attachMenu(Handle window, MenuHandle bar) {
  if (findWindow(window) && bar) driver::attachMenu(window, bar);
}

void setMenuItemState(MenuHandle menu, std::uint32_t entry, std::uint32_t state,
                      std::uint32_t mode) {
  if (menu) driver::setMenuItemState(menu, entry, state, mode);
}

int showMessageBox(std::string_view text, std::string_view title, std::uint32_t style) {
  // With no owner, nothing is bound to take the activation when the box
  // goes; the window that had it gets it back, and with it its focus.
  const Handle activeBefore = driver::activeWindow();
  const int answer = driver::showMessageBox(text, title, style);
  driver::restoreActivation(activeBefore);
  return answer;
}

}  // namespace dialog

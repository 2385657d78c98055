// Start-up services of the Qt backend: the application object, the
// measuring font and its base units, and activation tracking. Linux side.
#include <QApplication>
#include <QFontMetrics>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

#include "dialog/qt/backend_qt.h"

namespace dialog::qt {

namespace {

Backend* current = nullptr;

// While the application object is being made, a display that cannot be
// reached is a refused platform, not a crash.
bool starting = false;

void startupMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtFatalMsg && starting) {
    std::fprintf(stderr, "velmora: no display can be reached; Velmora needs an X display.\n");
    std::_Exit(255);
  }
  // Platform plugins report what they cannot do (raise, grab the keyboard
  // offscreen); that is expected and not worth a line.
  const bool chatter = message.startsWith(QLatin1String("This plugin does not support")) ||
                       message.startsWith(QLatin1String("QStandardPaths:"));
  if (type != QtDebugMsg && type != QtInfoMsg && !chatter)
    std::fprintf(stderr, "velmora: %s\n", qPrintable(message));
  if (type == QtFatalMsg) std::abort();
}

// The letters whose mean advance gives the horizontal base unit.
constexpr char kMeasureLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

void measure(Backend& b) {
  // Every window declares "MS Sans Serif" 8 pt in weight 700; its stand-in
  // gives the base units all windows are laid out in.
  core::FontRecord declared;
  declared.face = frontend::layer().fonts.find(1)->face;
  declared.points = frontend::layer().fonts.find(1)->points;
  declared.weight = 700;
  b.measuringFont = makeFont(declared);
  const QFontMetrics metrics(b.measuringFont);
  b.units.x = core::averageCharWidth(metrics.horizontalAdvance(QLatin1String(kMeasureLetters)));
  b.units.y = metrics.height();
}

// Our top-level windows hear activation changes; popups (menus) do not
// count as a change, and any other window (a message box) takes it away.
void trackActivation() {
  QObject::connect(backend().app, &QGuiApplication::focusWindowChanged, [](QWindow* window) {
    if (window && window->type() == Qt::Popup) return;
    Handle now = 0;
    for (const auto& record : frontend::layer().registry.windows()) {
      auto* w = reinterpret_cast<Window*>(record->handle);
      if (window && w->windowHandle() == window) now = record->handle;
    }
    activationChanged(now);
  });
}

char programName[] = "velmora";
char* arguments[] = {programName, nullptr};
int argumentCount = 1;

}  // namespace

Backend& backend() {
  if (!current) {
    std::fprintf(stderr, "velmora: the dialog layer is used before its session\n");
    std::abort();
  }
  return *current;
}

}  // namespace dialog::qt

namespace dialog::driver {

using namespace qt;

bool platformSupported() {
  // A display that cannot be reached is found when the session starts.
  return true;
}

void startSession() {
  current = new Backend;
  qInstallMessageHandler(startupMessages);
  starting = true;
  // Command-line arguments change nothing and are not handed to Qt.
  current->app = new QApplication(argumentCount, arguments);
  starting = false;
  current->app->setQuitOnLastWindowClosed(false);
  // The desktop entry's id, which Wayland compositors match the windows'
  // app id against to show the entry's name and icon for them.
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.velmora.Velmora"));
  measure(*current);
  installKeyHandling();
  installAccessibility();
  trackActivation();
}

void endSession() {
  delete current->app;
  delete current;
  current = nullptr;
}

void initCommonControls(std::uint32_t /*classes*/) {
  // Qt's widgets are always there.
}

}  // namespace dialog::driver

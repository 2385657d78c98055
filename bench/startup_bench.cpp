// Start-up benchmark on Linux: time from exec to the main window's first
// paint, and peak memory, for Velmora and for a bare Qt window of the same
// size, measured alternately in the same run. Run by hand:
//   startup_bench [runs] [--label]   (QT_QPA_PLATFORM as set: offscreen, xcb)
// With --label the bare window shows one label, so that both sides set up
// fonts and draw text.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "dialog/dialog.h"
#include "program/program_state.h"

namespace {

double now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Reports the first paint of any top-level window on fd 3, then ends.
class FirstPaint : public QObject {
 public:
  explicit FirstPaint(std::function<void()> done) : done_(std::move(done)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !reported_ && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow()) {
      reported_ = true;
      const std::string line = std::to_string(now()) + "\n";
      if (write(3, line.data(), line.size()) < 0) std::_Exit(3);
      QTimer::singleShot(0, done_);
    }
    return false;
  }

 private:
  std::function<void()> done_;
  bool reported_ = false;
};

int velmoraChild() {
  return dialog::runProgram([] {
    auto* watcher = new FirstPaint([] { dialog::endWindow(program::mainWindow, 0); });
    qApp->installEventFilter(watcher);
    return app::programEntry();
  });
}

int bareChild(bool withLabel) {
  static char name[] = "bare";
  static char* argv[] = {name, nullptr};
  int argc = 1;
  QApplication app(argc, argv);
  // The main window's pixel size with base units 7 x 12: 367 x 457 units.
  QWidget window;
  window.setFixedSize(642, 686);
  window.setWindowTitle("bare");
  // With a label, the bare window pays for the font set-up too.
  if (withLabel) new QLabel(QStringLiteral("Entrada texto ..."), &window);
  FirstPaint watcher([&app] { app.exit(0); });
  app.installEventFilter(&watcher);
  window.show();
  return app.exec();
}

struct Sample {
  double seconds;
  long peakKiB;
};

Sample runChild(const char* self, const char* mode) {
  int fds[2];
  if (pipe(fds) != 0) std::exit(1);
  const double start = now();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], 3);
    execl(self, self, mode, static_cast<char*>(nullptr));
    std::_Exit(127);
  }
  close(fds[1]);
  char buffer[64] = {};
  const ssize_t got = read(fds[0], buffer, sizeof buffer - 1);
  close(fds[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  if (got <= 0) {
    std::fprintf(stderr, "%s child reported no paint\n", mode);
    std::exit(1);
  }
  return {std::strtod(buffer, nullptr) - start, usage.ru_maxrss};
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--velmora") == 0) return velmoraChild();
  if (argc > 1 && std::strcmp(argv[1], "--bare") == 0) return bareChild(false);
  if (argc > 1 && std::strcmp(argv[1], "--bare-label") == 0) return bareChild(true);

  const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
  const bool label = argc > 2 && std::strcmp(argv[2], "--label") == 0;
  std::vector<double> velmoraTime, bareTime, velmoraPeak, barePeak;
  for (int i = 0; i < runs; ++i) {
    const Sample v = runChild(argv[0], "--velmora");
    const Sample b = runChild(argv[0], label ? "--bare-label" : "--bare");
    velmoraTime.push_back(v.seconds);
    velmoraPeak.push_back(static_cast<double>(v.peakKiB));
    bareTime.push_back(b.seconds);
    barePeak.push_back(static_cast<double>(b.peakKiB));
  }
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  std::printf("platform %s, %d runs each, medians\n", platform ? platform : "(default)", runs);
  std::printf("%-8s %12s %14s\n", "", "first paint", "peak memory");
  std::printf("%-8s %9.1f ms %11.1f MB\n", "velmora", median(velmoraTime) * 1e3,
              median(velmoraPeak) / 1024);
  std::printf("%-8s %9.1f ms %11.1f MB\n", label ? "label" : "bare", median(bareTime) * 1e3,
              median(barePeak) / 1024);
  std::printf("%-8s %11.2fx %13.2fx\n", "ratio", median(velmoraTime) / median(bareTime),
              median(velmoraPeak) / median(barePeak));
  return 0;
}

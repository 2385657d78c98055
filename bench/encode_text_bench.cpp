// "Codificar Texto" on large inputs, against the text widget's own cost of
// reading and writing the same text, measured alternately in one run inside
// the real main window, on either backend. Run by hand:
//   encode_text_bench [rounds [MiB]]  (Qt: uses QT_QPA_PLATFORM as set:
//   offscreen or xcb; Win32: under Wine, see docs/performance.md)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_window.h"
#include "app/main_window_ids.h"
#include "app/text_commands.h"
#include "codetable/codetable.h"
#include "convert/convert.h"
#include "dialog/dialog.h"
#include "program/program_state.h"
#if defined(_WIN32)
#include "dialog/win32/backend_win32.h"
#else
#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>

#include "dialog/qt/backend_qt.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

// Text as a user would code it: lower-case words, digits, accented letters
// and ñ, lines of about 70 bytes ending in CR LF; exactly `bytes` long.
std::string sampleText(std::size_t bytes) {
  static const char* const kWords[] = {"hola", "mundo", "año", "2024", "código", "texto",
                                       "el",   "señal", "qué", "uno",  "dos",    "velmora"};
  std::string text;
  std::size_t line = 0;
  std::uint32_t seed = 12345;
  for (;;) {
    seed = seed * 1103515245u + 12345u;
    const std::string_view word = kWords[(seed >> 16) % std::size(kWords)];
    const std::string_view gap = line + word.size() > 70 ? "\r\n" : " ";
    if (text.size() + word.size() + gap.size() > bytes) break;
    text += word;
    text += gap;
    line = gap == " " ? line + word.size() + 1 : 0;
  }
  text.resize(bytes, 'x');
  return text;
}

// The text widget's own read of the input and write of the coded text, with
// no layer and no conversion in between: the floor. The coded text is put
// into the widget's own form beforehand. The same text is written as the
// command writes: Wine's edit control takes about twice as long to lay out
// the coded text as the plain one.
#if defined(_WIN32)
const char* const kPlatform = "Win32";
void processEvents() {
  dialog::win32::processPendingEvents();
}
using NativeText = std::wstring;
NativeText nativeText(const std::string& utf8) {
  return dialog::win32::widen(utf8);
}
struct Widgets {
  HWND input, result;
  void clearResult() const { SetWindowTextW(result, L""); }
  void readInputWrite(const NativeText& written) const {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(input)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(input, text.data(), static_cast<int>(text.size()))));
    if (text.empty()) std::exit(4);
    SetWindowTextW(result, written.c_str());
  }
};
Widgets widgets(dialog::Handle input, dialog::Handle result) {
  return {dialog::win32::toHwnd(input), dialog::win32::toHwnd(result)};
}
#else
const char* const kPlatform = "Qt";
void processEvents() {
  QCoreApplication::processEvents();
}
using NativeText = QString;
NativeText nativeText(const std::string& utf8) {
  return dialog::qt::toQt(utf8);
}
struct Widgets {
  QPlainTextEdit *input, *result;
  void clearResult() const { result->clear(); }
  void readInputWrite(const NativeText& written) const {
    if (input->toPlainText().isEmpty()) std::exit(4);
    result->setPlainText(written);
  }
};
Widgets widgets(dialog::Handle input, dialog::Handle result) {
  auto* in = qobject_cast<QPlainTextEdit*>(dialog::qt::controlOf(input));
  auto* out = qobject_cast<QPlainTextEdit*>(dialog::qt::controlOf(result));
  if (!in || !out) {
    std::fprintf(stderr, "the text areas are not plain text edits\n");
    std::exit(1);
  }
  return {in, out};
}
#endif

double millisecondsOf(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  // Whatever the write left for the event loop (layout, painting) counts.
  processEvents();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void runBenchmarks(int rounds, const std::vector<std::size_t>& sizes) {
  codetable::Codes codes;
  const std::string_view kCodes = "hijklmnopqrstuvwxyz0123456789abcdefg";
  for (std::size_t i = 0; i < codes.size(); ++i) codes[i] = std::string(1, kCodes[i]);
  codetable::buildTables(codes, program::tables);

  const dialog::Handle input = dialog::controlHandle(program::mainWindow, app::ID_INPUT);
  const dialog::Handle result = dialog::controlHandle(program::mainWindow, app::ID_RESULT);
  const Widgets floor = widgets(input, result);
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  std::printf("%s, platform %s, %d rounds, medians in ms\n", kPlatform,
              platform ? platform : "(default)", rounds);
  std::printf("%-6s %12s %12s %12s %12s %10s %10s\n", "input", "encodeText", "layer r+w",
              "widget r+w", "substitute", "vs layer", "vs floor");

  for (const std::size_t mib : sizes) {
    const std::string text = sampleText(mib << 20);
    dialog::setControlText(input, text);
    processEvents();

    const std::string codedText = convert::substituteText(text, program::tables.EncodeTable);
    const NativeText coded = nativeText(codedText);
    std::vector<double> encode, layer, toolkit, pass;
    for (int round = 0; round < rounds; ++round) {
      // The floors are cleared the same way before each write.
      floor.clearResult();
      processEvents();
      encode.push_back(millisecondsOf([] { app::encodeText(); }));

      floor.clearResult();
      processEvents();
      layer.push_back(millisecondsOf([&] {
        if (dialog::getControlText(input).size() != text.size()) std::exit(5);
        dialog::setControlText(result, codedText);
      }));

      floor.clearResult();
      processEvents();
      toolkit.push_back(millisecondsOf([&] { floor.readInputWrite(coded); }));

      pass.push_back(millisecondsOf([&] {
        const std::string once = convert::substituteText(text, program::tables.EncodeTable);
        if (once.size() != text.size()) std::exit(2);
      }));
    }
    if (dialog::getControlText(result).size() != text.size()) std::exit(3);
    const double e = median(encode), l = median(layer), q = median(toolkit), s = median(pass);
    std::printf("%3zu MiB %12.1f %12.1f %12.1f %12.1f %9.2fx %9.2fx\n", mib, e, l, q, s, e / l,
                e / q);
  }
}

}  // namespace

int main(int argc, char** argv) {
  static int rounds = 7;
  if (argc > 1) rounds = std::max(1, std::atoi(argv[1]));
  static std::vector<std::size_t> sizes = {1, 16};
  if (argc > 2) sizes = {static_cast<std::size_t>(std::max(1, std::atoi(argv[2])))};
  dialog::Session session;
  // Runs once the main window is shown, from its own loop, then closes it.
  auto run = [] {
    runBenchmarks(rounds, sizes);
    dialog::endWindow(program::mainWindow, 0);
  };
#if defined(_WIN32)
  static auto start = run;
  SetTimer(nullptr, 0, 0, [](HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    start();
  });
#else
  QTimer::singleShot(0, run);
#endif
  app::createMainWindow(0);
  return 0;
}

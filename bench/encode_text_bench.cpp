// "Codificar Texto" on large inputs, against the text widget's own cost of
// reading and writing the same text, measured alternately in one run inside
// the real main window. Qt build only. Run by hand:
//   encode_text_bench [rounds]  (uses QT_QPA_PLATFORM as set: offscreen, xcb)
#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
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
#include "configurator/program_state.h"
#include "convert/convert.h"
#include "dialog/dialog.h"
#include "dialog/qt/backend_qt.h"

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

double millisecondsOf(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  // Whatever the write left for the event loop (layout, painting) counts.
  QCoreApplication::processEvents();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void runBenchmarks(int rounds) {
  codetable::Codes codes;
  const std::string_view kCodes = "hijklmnopqrstuvwxyz0123456789abcdefg";
  for (std::size_t i = 0; i < codes.size(); ++i) codes[i] = std::string(1, kCodes[i]);
  codetable::buildTables(codes, program::tables);

  const dialog::Handle input = dialog::controlHandle(program::mainWindow, app::ID_INPUT);
  const dialog::Handle result = dialog::controlHandle(program::mainWindow, app::ID_RESULT);
  auto* inputEdit = qobject_cast<QPlainTextEdit*>(dialog::qt::controlOf(input));
  auto* resultEdit = qobject_cast<QPlainTextEdit*>(dialog::qt::controlOf(result));
  if (!inputEdit || !resultEdit) {
    std::fprintf(stderr, "the text areas are not plain text edits\n");
    std::exit(1);
  }

  const char* platform = std::getenv("QT_QPA_PLATFORM");
  std::printf("platform %s, %d rounds, medians in ms\n", platform ? platform : "(default)", rounds);
  std::printf("%-6s %12s %12s %12s %12s %10s %10s\n", "input", "encodeText", "layer r+w", "Qt r+w",
              "substitute", "vs layer", "vs Qt");

  for (const std::size_t mib : {1u, 16u}) {
    const std::string text = sampleText(mib << 20);
    dialog::setControlText(input, text);
    QCoreApplication::processEvents();

    std::vector<double> encode, layer, toolkit, pass;
    for (int round = 0; round < rounds; ++round) {
      // The floors are cleared the same way before each write.
      resultEdit->clear();
      QCoreApplication::processEvents();
      encode.push_back(millisecondsOf([] { app::encodeText(); }));

      resultEdit->clear();
      QCoreApplication::processEvents();
      layer.push_back(
          millisecondsOf([&] { dialog::setControlText(result, dialog::getControlText(input)); }));

      resultEdit->clear();
      QCoreApplication::processEvents();
      toolkit.push_back(
          millisecondsOf([&] { resultEdit->setPlainText(inputEdit->toPlainText()); }));

      pass.push_back(millisecondsOf([&] {
        const std::string coded = convert::substituteText(text, program::tables.EncodeTable);
        if (coded.size() != text.size()) std::exit(2);
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
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  dialog::Session session;
  // Runs once the main window is shown, from its own loop, then closes it.
  QTimer::singleShot(0, [rounds] {
    runBenchmarks(rounds);
    dialog::endWindow(program::mainWindow, 0);
  });
  app::createMainWindow(0);
  return 0;
}

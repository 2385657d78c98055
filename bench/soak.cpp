// Long use, measured: the real program on the real backend, driven in process
// as a user would, many times over. Reports resident memory along the way
// and, on Win32, the GDI and USER object counts. A measurement, not a test;
// run by hand (see docs/performance.md):
//   soak [configurator cycles [round trips [KiB per text]]]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_window.h"
#include "app/main_window_ids.h"
#include "codetable/codetable.h"
#include "configurator/configurator_ids.h"
#include "configurator/grid.h"
#include "dialog/dialog.h"
#include "dialog/testing.h"
#include "program/program_state.h"
#include "tests/support/flow_steps.h"

#if defined(_WIN32)
#include "dialog/win32/backend_win32.h"
// windows.h first
#include <psapi.h>
#else
#include <unistd.h>

#include <fstream>
#endif

namespace {

namespace dt = dialog::testing;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// --- What the process holds ---------------------------------------------------

struct Usage {
  double residentMiB = 0;
  // Win32 only. Wine's GetGuiResources is a stub that answers 0, so two
  // counts stand in for it there: the windows of this thread (the USER
  // objects a leak of windows and controls would grow), and the fonts and
  // brushes the dialog layer has made (its own GDI objects).
  long gdiObjects = -1;
  long userObjects = -1;
  long windows = -1;
  long layerGdiObjects = -1;
};

#if defined(_WIN32)
BOOL CALLBACK countWindow(HWND hwnd, LPARAM count) {
  ++*reinterpret_cast<long*>(count);
  EnumChildWindows(hwnd, countWindow, count);
  return TRUE;
}
#endif

Usage usage() {
  Usage u;
#if defined(_WIN32)
  PROCESS_MEMORY_COUNTERS counters{};
  if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
    u.residentMiB = static_cast<double>(counters.WorkingSetSize) / (1 << 20);
  u.gdiObjects = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
  u.userObjects = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
  u.windows = 0;
  EnumThreadWindows(GetCurrentThreadId(), countWindow, reinterpret_cast<LPARAM>(&u.windows));
  u.layerGdiObjects = static_cast<long>(dialog::win32::backend().brushes.size());
  dialog::core::FontTable& fonts = dialog::frontend::layer().fonts;
  for (int number = 1; number <= static_cast<int>(fonts.size()); ++number)
    if (fonts.find(number)->platform) ++u.layerGdiObjects;
#else
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  u.residentMiB =
      static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1 << 20);
#endif
  return u;
}

struct Mark {
  std::string what;
  Usage usage;
  double seconds;
};
std::vector<Mark> marks;
Clock::time_point started;

void mark(std::string what) {
  marks.push_back(
      {std::move(what), usage(), std::chrono::duration<double>(Clock::now() - started).count()});
}

// --- Steps, as the program's flow tests run them ------------------------------

using dt::Step;

constexpr std::string_view kSymbols = "abcdefghijklmnopqrstuvwxyz0123456789";
int failures = 0;

void fail(const char* what) {
  if (failures++ < 10) std::fprintf(stderr, "failed: %s\n", what);
}

// The symbols coded by the symbols `shift` places on: a valid code.
std::string shiftedCodes(std::size_t shift) {
  std::string codes;
  for (std::size_t i = 0; i < kSymbols.size(); ++i)
    codes += kSymbols[(i + shift) % kSymbols.size()];
  return codes;
}

// Lower-case words, digits, accented letters and ñ in lines ending in CR LF.
std::string sampleText(std::size_t bytes) {
  static const char* const kWords[] = {"hola", "mundo", "año", "2024", "código", "texto",
                                       "el",   "señal", "qué", "uno",  "dos",    "velmora"};
  std::string text;
  std::uint32_t seed = 12345;
  std::size_t line = 0;
  while (text.size() < bytes) {
    seed = seed * 1103515245u + 12345u;
    const std::string word = kWords[(seed >> 16) % std::size(kWords)];
    const bool newLine = line + word.size() > 70;
    text += word + (newLine ? "\r\n" : " ");
    line = newLine ? 0 : line + word.size() + 1;
  }
  text.resize(bytes, 'x');
  return text;
}

dialog::Handle mainControl(std::uint16_t id) {
  return dialog::controlHandle(program::mainWindow, id);
}

void addConfiguratorCycle(std::vector<Step>& steps, int cycle) {
  steps.push_back(
      {[] { dt::chooseMenuCommand(program::mainWindow, app::IDM_CONFIGURADOR); }, true});
  steps.push_back({[cycle] {
    const std::string codes = shiftedCodes(1 + static_cast<std::size_t>(cycle % 35));
    for (std::size_t i = 0; i < codetable::Symbols.size(); ++i) {
      const dialog::Handle box =
          dialog::controlHandle(program::configuratorWindow, configurator::kGrid[i].boxId);
      dialog::setControlText(box, "");
      dt::typeText(box, std::string(1, codes[i]));
    }
    dt::answerMessageBoxes(1);
    dt::clickButton(program::configuratorWindow, configurator::ID_GUARDAR);
    const auto boxes = dt::takeAnsweredBoxes();
    if (boxes.size() != 1 || boxes[0].text != configurator::kSavedMessage) fail("Guardar");
  }});
  steps.push_back(
      {[] { dt::clickButton(program::configuratorWindow, configurator::ID_SALIR); }, false});
}

void addRoundTrip(std::vector<Step>& steps, const std::string& text) {
  steps.push_back({[&text] {
    dialog::setControlText(mainControl(app::ID_INPUT), text);
    dt::chooseMenuCommand(program::mainWindow, app::IDM_CODIFICAR);
    const std::string coded = dialog::getControlText(mainControl(app::ID_RESULT));
    if (coded.size() != text.size() || coded == text) fail("Codificar Texto");
    dialog::setControlText(mainControl(app::ID_INPUT), coded);
    dt::chooseMenuCommand(program::mainWindow, app::IDM_TRADUCIR);
    if (dialog::getControlText(mainControl(app::ID_RESULT)) != text) fail("Traducir Texto");
  }});
}

std::string gProgramFile;
std::string soakProgramFile() {
  return gProgramFile;
}

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::max(0, std::atoi(argv[1])) : 500;
  const int trips = argc > 2 ? std::max(0, std::atoi(argv[2])) : 5000;
  const std::size_t kib = argc > 3 ? static_cast<std::size_t>(std::max(1, std::atoi(argv[3]))) : 64;
  constexpr int kWarmUp = 10;  // configurator cycles and round trips before "start"

  const fs::path dir = fs::temp_directory_path() / ("velmora-soak-" + std::to_string(std::rand()));
  fs::create_directories(dir);
  const auto u8 = (dir / "velmora").u8string();
  gProgramFile.assign(u8.begin(), u8.end());
  program::programFilePath = &soakProgramFile;

  // A saved code, so that the program starts on its main window.
  codetable::Codes codes;
  const std::string first = shiftedCodes(7);
  for (std::size_t i = 0; i < codes.size(); ++i) codes[i] = std::string(1, first[i]);
  codetable::ConfigRecord record{};
  codetable::Tables tables;
  const auto file = (dir / std::string(codetable::kConfigFileName)).u8string();
  if (!codetable::saveConfigurationFile(std::string(file.begin(), file.end()), codes, record,
                                        tables)
           .ok())
    return 2;

  dialog::Session session;
  started = Clock::now();
  const std::string text = sampleText(kib << 10);
  std::vector<Step> steps;
  steps.push_back({[] { mark("main window open"); }});
  for (int i = 0; i < kWarmUp; ++i) addConfiguratorCycle(steps, i);
  for (int i = 0; i < kWarmUp; ++i) addRoundTrip(steps, text);
  steps.push_back({[] { mark("start (after warm-up)"); }});
  for (int i = 0; i < cycles; ++i) addConfiguratorCycle(steps, i);
  steps.push_back({[cycles] { mark(std::to_string(cycles) + " configurator cycles"); }});
  for (int i = 0; i < trips; ++i) addRoundTrip(steps, text);
  steps.push_back({[trips, kib] {
    mark(std::to_string(trips) + " round trips of " + std::to_string(kib) + " KiB");
  }});
  steps.push_back({[] { dialog::endWindow(program::mainWindow, 0); }});
  dt::queueFlow(std::move(steps));
  app::createMainWindow(0);

  std::printf("%-36s %10s %6s %6s %8s %10s %9s\n", "after", "RSS MiB", "GDI", "USER", "windows",
              "layer GDI", "seconds");
  for (const Mark& m : marks)
    std::printf("%-36s %10.2f %6ld %6ld %8ld %10ld %9.1f\n", m.what.c_str(), m.usage.residentMiB,
                m.usage.gdiObjects, m.usage.userObjects, m.usage.windows, m.usage.layerGdiObjects,
                m.seconds);
  if (marks.size() >= 4)
    std::printf("growth from start: %+.2f MiB, GDI %+ld, USER %+ld\n",
                marks.back().usage.residentMiB - marks[1].usage.residentMiB,
                marks.back().usage.gdiObjects - marks[1].usage.gdiObjects,
                marks.back().usage.userObjects - marks[1].usage.userObjects);
  std::printf("failures: %d\n", failures);
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return failures == 0 && marks.size() >= 4 ? 0 : 1;
}

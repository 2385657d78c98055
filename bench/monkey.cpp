// Random use of the real program on the real backend, in process: menu
// choices, typing, pastes (with and without text on the clipboard), keys
// (Enter, Escape, Tab, Ctrl+C), Alt+F4 and "Salir" (the program then starts
// again), the configurator opened and closed, whole codes typed, "Guardar",
// "Resetear", every message box answered. Checks that nothing hangs and that
// the key file is, whenever looked at, absent or one whole record that
// passes the check. Seeded; prints the seed.
//   monkey [seed [seconds [most actions]]]   (seed 0: from the clock)
// Exit codes: 0 all well, 1 a bad key file, 3 a hang.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/main_window_ids.h"
#include "codetable/codetable.h"
#include "configurator/configurator_ids.h"
#include "configurator/grid.h"
#include "dialog/dialog.h"
#include "dialog/testing.h"
#include "os/os.h"
#include "program/program_state.h"
#include "tests/support/program_sandbox.h"

namespace {

namespace dt = dialog::testing;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::mt19937 generator;
Clock::time_point deadline;
long maxActions = 0;
std::atomic<long> actions{0};
std::atomic<const char*> lastAction{"start"};
long restarts = 0, saves = 0, boxesSeen = 0, armed = 0;
int pendingSteps = 0;  // queued and not yet run: one chain of steps at a time
unsigned seed = 0;
std::string keyFile;
std::string gProgramFile;

std::string monkeyProgramFile() {
  return gProgramFile;
}

int below(int n) {
  return std::uniform_int_distribution<int>(0, n - 1)(generator);
}

// Text a user might type or paste: letters of both cases, digits, Spanish
// letters, punctuation, spaces and line breaks, now and then a CJK sign.
std::string randomText(int most) {
  static const std::vector<std::string> kPieces = {
      "a", "b", "m", "w", "z", "A", "Q", "Z", "0", "7", "9",  " ",    " ",  ".",    ",",
      ":", "?", "ñ", "Ñ", "á", "é", "ü", "¿", "¡", "€", "中", "\r\n", "\t", "hola", "Velmora"};
  std::string text;
  const int count = 1 + below(most);
  for (int i = 0; i < count; ++i)
    text += kPieces[static_cast<std::size_t>(below(static_cast<int>(kPieces.size())))];
  return text;
}

// A whole valid code: the 36 symbols shuffled.
std::string randomCode() {
  std::string code = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::shuffle(code.begin(), code.end(), generator);
  return code;
}

// Absent, or one whole record whose codes pass the check.
bool keyFileIsWhole() {
  std::string bytes;
  if (!os::readRegularFile(keyFile, bytes)) return !os::pathExists(keyFile);
  if (bytes.size() != static_cast<std::size_t>(codetable::kRecordSize)) return false;
  codetable::ConfigRecord record{};
  codetable::Tables tables;
  const auto codes = codetable::applyFileImage(bytes, record, tables);
  if (!codes) return false;
  for (const bool faulty : codetable::faultyCodes(*codes))
    if (faulty) return false;
  return true;
}

void badFile(const char* where) {
  std::printf("the key file is torn or unchecked (%s), after action %ld (%s), seed %u\n", where,
              actions.load(), lastAction.load(), seed);
  std::fflush(stdout);
  std::_Exit(1);
}

dialog::Handle mainArea() {
  return dialog::controlHandle(program::mainWindow, below(2) ? app::ID_INPUT : app::ID_RESULT);
}

dialog::Handle codeBox() {
  const auto& symbol =
      configurator::kGrid[static_cast<std::size_t>(below(codetable::kSymbolCount))];
  return dialog::controlHandle(program::configuratorWindow, symbol.boxId);
}

dt::Key randomKey() {
  constexpr dt::Key kKeys[] = {dt::Key::Enter, dt::Key::Escape, dt::Key::Tab, dt::Key::ShiftTab,
                               dt::Key::CtrlC};
  return kKeys[below(5)];
}

void actInMain() {
  const int pick = below(100);
  if (pick < 25) {
    lastAction = "type in the main window";
    dt::typeText(mainArea(), randomText(8));
  } else if (pick < 35) {
    lastAction = "Ctrl+V of a text in the main window";
    dt::pasteText(mainArea(), randomText(40));
  } else if (pick < 42) {
    lastAction = "Ctrl+V without text in the main window";
    dt::pasteWithoutText(
        mainArea(), below(2) ? dt::ClipboardContent::Nothing : dt::ClipboardContent::FormatsNoText);
  } else if (pick < 52) {
    lastAction = "a key in the main window";
    dt::pressKey(mainArea(), randomKey());
  } else if (pick < 62) {
    lastAction = "Codificar Texto";
    dt::chooseMenuCommand(program::mainWindow, app::IDM_CODIFICAR);
  } else if (pick < 72) {
    lastAction = "Traducir Texto";
    dt::chooseMenuCommand(program::mainWindow, app::IDM_TRADUCIR);
  } else if (pick < 76) {
    lastAction = "Nuevo";
    dt::chooseMenuCommand(program::mainWindow, app::IDM_NUEVO);
  } else if (pick < 79) {
    lastAction = "Autor";
    dt::chooseMenuCommand(program::mainWindow, app::IDM_AUTOR);
  } else if (pick < 97) {
    lastAction = "Configurador";
    dt::chooseMenuCommand(program::mainWindow, app::IDM_CONFIGURADOR);
  } else if (pick < 99) {
    lastAction = "Alt+F4 on the main window";
    dt::sendCloseCommand(program::mainWindow);
  } else {
    lastAction = "Salir";
    dt::chooseMenuCommand(program::mainWindow, app::IDM_SALIR);
  }
}

void actInConfigurator() {
  const dialog::Handle window = program::configuratorWindow;
  const int pick = below(100);
  if (pick < 25) {
    lastAction = "type in a code box";
    dialog::Handle box = codeBox();
    if (below(2)) dialog::setControlText(box, "");  // selected and deleted first
    dt::typeText(box, randomText(2));
  } else if (pick < 35) {
    lastAction = "type a whole code";
    const std::string code = randomCode();
    for (std::size_t i = 0; i < codetable::Symbols.size(); ++i) {
      const dialog::Handle box = dialog::controlHandle(window, configurator::kGrid[i].boxId);
      dialog::setControlText(box, "");
      dt::typeText(box, std::string(1, code[i]));
    }
  } else if (pick < 40) {
    lastAction = "Ctrl+V in a code box";
    dt::pasteText(codeBox(), randomText(3));
  } else if (pick < 45) {
    lastAction = "Ctrl+V without text in a code box";
    dt::pasteWithoutText(
        codeBox(), below(2) ? dt::ClipboardContent::Nothing : dt::ClipboardContent::FormatsNoText);
  } else if (pick < 52) {
    lastAction = "a key in a code box";
    dt::pressKey(codeBox(), randomKey());
  } else if (pick < 72) {
    lastAction = "Guardar";
    dt::clickButton(window, configurator::ID_GUARDAR);
  } else if (pick < 80) {
    lastAction = "Resetear";
    dt::clickButton(window, configurator::ID_RESETEAR);
  } else if (pick < 94) {
    lastAction = "Salir of the configurator";
    dt::clickButton(window, configurator::ID_SALIR);
  } else {
    lastAction = "Alt+F4 on the configurator";
    dt::sendCloseCommand(window);
  }
}

bool timeIsUp() {
  return Clock::now() >= deadline || (maxActions > 0 && actions.load() >= maxActions);
}

void queueStep();

void countAnsweredBoxes() {
  for (const auto& box : dt::takeAnsweredBoxes()) {
    ++boxesSeen;
    if (box.text == configurator::kSavedMessage) ++saves;
  }
}

void step() {
  --pendingSteps;
  if (timeIsUp()) {
    // Close what is open, innermost first; the main window ends the run.
    lastAction = "closing at the end";
    if (dialog::windowExists(program::configuratorWindow)) {
      queueStep();
      dialog::endWindow(program::configuratorWindow, 0);
    } else if (dialog::windowExists(program::mainWindow)) {
      dialog::endWindow(program::mainWindow, 0);
    }
    return;
  }
  // Every box that an action shows is answered.
  countAnsweredBoxes();
  if (armed - boxesSeen < 1) {
    dt::answerMessageBoxes(1);
    ++armed;
  }
  // Queued first: when the action opens a window, the next step runs in it.
  queueStep();
  if (dialog::windowExists(program::configuratorWindow))
    actInConfigurator();
  else if (dialog::windowExists(program::mainWindow))
    actInMain();
  if (!keyFileIsWhole()) badFile("between actions");
  ++actions;
}

void queueStep() {
  ++pendingSteps;
  dt::queueSteps({step});
}

}  // namespace

int main(int argc, char** argv) {
  seed = argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 0;
  if (seed == 0) seed = static_cast<unsigned>(Clock::now().time_since_epoch().count() % 1000000007);
  const double seconds = argc > 2 ? std::atof(argv[2]) : 60;
  maxActions = argc > 3 ? std::atol(argv[3]) : 0;
  std::printf("monkey seed %u, %.0f s%s\n", seed, seconds, maxActions ? ", limited actions" : "");
  std::fflush(stdout);
  generator.seed(seed);

  const fs::path dir = fs::temp_directory_path() / ("velmora-monkey-" + std::to_string(seed));
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  fs::create_directories(dir);
  const auto program = (dir / "velmora").u8string();
  gProgramFile.assign(program.begin(), program.end());
  const auto key = (dir / std::string(codetable::kConfigFileName)).u8string();
  keyFile.assign(key.begin(), key.end());
  program::programFilePath = &monkeyProgramFile;

  // The watchdog: a run that stops making progress has hung. On POSIX it
  // also reads the key file all the time, in the middle of saves. (On
  // Windows a reader holding the file open would make a save fail, as any
  // other program reading it would: the check there is between actions.)
  std::atomic<bool> finished{false};
  std::thread watchdog([&finished] {
    long seen = -1;
    auto progress = Clock::now();
    while (!finished) {
#if !defined(_WIN32)
      if (!keyFileIsWhole()) badFile("read while the program ran");
#endif
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      if (actions.load() != seen) {
        seen = actions.load();
        progress = Clock::now();
      } else if (Clock::now() - progress > std::chrono::seconds(20)) {
        std::printf("hang: no action finished for 20 s after action %ld (%s), seed %u\n",
                    actions.load(), lastAction.load(), seed);
        std::fflush(stdout);
        std::_Exit(3);
      }
    }
  });

  dialog::Session session;
  const auto start = Clock::now();
  deadline = start + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
  while (!timeIsUp()) {
    program::testing::resetState();
    // A step left queued when the last start ended runs in this one.
    if (pendingSteps == 0) queueStep();
    app::createMainWindow(0);
    ++restarts;
  }
  finished = true;
  watchdog.join();
  countAnsweredBoxes();
  const double took = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("seed %u: %ld actions in %.1f s, %ld program starts, %ld saves, %ld boxes answered\n",
              seed, actions.load(), took, restarts, saves, boxesSeen);
  fs::remove_all(dir, ignored);
  return keyFileIsWhole() ? 0 : 1;
}

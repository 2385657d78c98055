// The main window's callback: what happens when it opens, keeping its focus,
// and the "Operaciones" commands. Program logic; no platform header.
#include "app/about_box.h"
#include "app/main_window.h"
#include "app/main_window_ids.h"
#include "app/text_commands.h"
#include "configurator/code_boxes.h"
#include "configurator/configurator_window.h"
#include "program/program_state.h"

namespace app {

namespace {

void onOpening() {
  program::programDir = codetable::directoryOf(program::programFilePath());
  program::mainSavedFocus = 0;
  if (codetable::fileExists(program::configPath())) {
    configurator::loadConfiguration();
  } else {
    // Nothing to convert with until the first successful save.
    program::setConversionsEnabled(false);
  }
}

void configurador(dialog::Handle /*window*/) {
  // One configurator at a time: the routines that fill and read the code
  // boxes address the open one.
  if (configurator::configuratorOpen())
    dialog::bringToFront(program::configuratorWindow);
  else
    configurator::openConfigurator(0);
}

void nothing(dialog::Handle /*window*/) {}

void nuevo(dialog::Handle /*window*/) {
  dialog::setControlText(dialog::controlHandle(program::mainWindow, ID_INPUT), "");
  dialog::setControlText(dialog::controlHandle(program::mainWindow, ID_RESULT), "");
}

void traducir(dialog::Handle /*window*/) {
  decodeText();
}

void codificar(dialog::Handle /*window*/) {
  encodeText();
}

void autor(dialog::Handle /*window*/) {
  dialog::showMessageBox(aboutText(), kMessageTitle, dialog::kMbOk);
}

void salir(dialog::Handle window) {
  dialog::endWindow(window, 0);
}

struct Command {
  std::uint16_t id;
  void (*run)(dialog::Handle window);
};

// Looked up in this order; the notification code is not looked at, and the
// text areas' own notifications do nothing.
constexpr Command kCommands[] = {
    {IDM_CONFIGURADOR, configurador},
    {ID_INPUT, nothing},
    {ID_RESULT, nothing},
    {IDM_NUEVO, nuevo},
    {IDM_TRADUCIR, traducir},
    {IDM_CODIFICAR, codificar},
    {IDM_AUTOR, autor},
    {IDM_SALIR, salir},
};

}  // namespace

std::intptr_t mainWindowCallback(dialog::Handle window, std::uint32_t event, dialog::WParam wParam,
                                 dialog::LParam /*lParam*/) {
  switch (event) {
    case dialog::kWmInitDialog:
      onOpening();
      break;
    case dialog::kWmNcActivate:
      program::keepFocus(program::mainSavedFocus, wParam);
      break;
    case dialog::kWmCommand:
      for (const auto& command : kCommands) {
        if (command.id == dialog::loWord(wParam)) {
          command.run(window);
          break;
        }
      }
      break;
    case dialog::kWmDestroy:
      program::mainSavedFocus = 0;
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace app

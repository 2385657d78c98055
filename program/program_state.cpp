// Program-wide state. Program logic; no platform header.
#include "program/program_state.h"

#include "os/os.h"

namespace program {

dialog::Handle mainWindow = 0;
dialog::MenuHandle mainMenuBar = 0;
dialog::Handle configuratorWindow = 0;
std::string programDir;
codetable::Tables tables;
codetable::ConfigRecord configRecord{};
bool configErrorFlag = false;
dialog::Handle mainSavedFocus = 0;
dialog::Handle configuratorSavedFocus = 0;
std::string (*programFilePath)() = &os::programFilePath;

void keepFocus(dialog::Handle& saved, dialog::WParam becomingActive) {
  if (becomingActive == 0) {
    saved = dialog::focusedControl();
  } else if (saved != 0) {
    dialog::setFocus(saved);
    saved = 0;
  }
}

void setConversionsEnabled(bool enabled) {
  const std::uint32_t state = enabled ? dialog::kMenuEnabled : dialog::kMenuDisabled;
  dialog::setMenuItemState(mainMenuBar, IDM_TRADUCIR, state, dialog::kMenuByCommand);
  dialog::setMenuItemState(mainMenuBar, IDM_CODIFICAR, state, dialog::kMenuByCommand);
}

std::string configPath() {
  return codetable::configFilePath(programDir);
}

}  // namespace program

// The configurator window: one code box per symbol, the "Codigo" frame and
// the buttons "Guardar", "Salir" and "Resetear". Program logic; no platform
// header.
#pragma once

#include <cstdint>

#include "dialog/dialog.h"

namespace configurator {

// Builds a configurator under `parent` (the main window passes 0), stores it
// in program::configuratorWindow, runs it until it is closed and returns the
// result it was ended with.
std::int32_t openConfigurator(dialog::Handle parent);

// True while a configurator window is shown.
bool configuratorOpen();

// Serves the configurator: loading the file on opening, focus keeping and
// the three buttons.
std::intptr_t configuratorCallback(dialog::Handle window, std::uint32_t event,
                                   dialog::WParam wParam, dialog::LParam lParam);

// Empties the 36 code boxes, a to z then 0 to 9. Nothing else changes: not
// the file, the tables, the menu, the error flag or the boxes' colours.
void resetCodeBoxes();

}  // namespace configurator

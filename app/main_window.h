// The program's entry and its main window. Program logic; no platform header.
#pragma once

#include "dialog/dialog.h"

namespace app {

// Prepares the common controls, runs the main window until it is closed and
// returns 0.
int programEntry();
// Builds the main window under `parent`, runs it until it is closed and
// returns the result it was ended with.
std::int32_t createMainWindow(dialog::Handle parent);
// Builds the "Operaciones" menu bar, attaches it to `window` and returns it.
dialog::MenuHandle buildMainMenu(dialog::Handle window);

// Serves the main window: opening, focus keeping and the menu commands.
std::intptr_t mainWindowCallback(dialog::Handle window, std::uint32_t event, dialog::WParam wParam,
                                 dialog::LParam lParam);

}  // namespace app

// The main window's callback: what happens when it opens, keeping its focus,
// and the "Operaciones" commands. Program logic; no platform header.
#include "app/main_window.h"
#include "app/main_window_ids.h"

namespace app {

std::intptr_t mainWindowCallback(dialog::Handle window, std::uint32_t event, dialog::WParam wParam,
                                 dialog::LParam /*lParam*/) {
  if (event == dialog::kWmCommand && dialog::loWord(wParam) == IDM_SALIR)
    dialog::endWindow(window, 0);
  return 0;
}

}  // namespace app

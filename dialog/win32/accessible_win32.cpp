// Accessibility of the Win32 backend: what MSAA (and so a screen reader)
// learns from the order of the layer's controls and the record of an entry
// that is not valid. Windows side of the boundary.
#include "dialog/win32/backend_win32.h"

namespace dialog::driver {

using namespace win32;

void setControlLabel(const core::ControlRecord& control, const core::ControlRecord& label) {
  HWND labelWindow = toHwnd(label.handle);
  HWND controlWindow = toHwnd(control.handle);
  HWND before = GetWindow(controlWindow, GW_HWNDPREV);
  if (before == labelWindow) return;
  // Only the label moves: the focusable controls keep their order among
  // themselves, and with it the dialog manager's tab order.
  SetWindowPos(labelWindow, before ? before : HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void setControlInvalid(const core::ControlRecord& /*control*/, std::string_view /*description*/) {
  // The mark stays in the record only: MSAA has no invalid-entry state to
  // report, and the program tells every user in words as well.
}

}  // namespace dialog::driver

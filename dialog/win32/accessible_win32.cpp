// Accessibility of the Win32 backend: what MSAA (and so a screen reader)
// learns from the order of the layer's controls and the record of an entry
// that is not valid. Windows side of the boundary.
#include "dialog/win32/backend_win32.h"

namespace dialog {

using namespace win32;

namespace {

core::ControlRecord* findControl(Handle window, std::uint16_t id) {
  core::WindowRecord* record = backend().registry.find(window);
  return record ? record->control(id) : nullptr;
}

}  // namespace

void setControlLabel(Handle window, std::uint16_t controlId, std::uint16_t labelId) {
  const core::ControlRecord* label = findControl(window, labelId);
  const core::ControlRecord* control = findControl(window, controlId);
  if (!label || !control || label == control) return;
  HWND labelWindow = toHwnd(label->handle);
  HWND controlWindow = toHwnd(control->handle);
  HWND before = GetWindow(controlWindow, GW_HWNDPREV);
  if (before == labelWindow) return;
  // Only the label moves: the focusable controls keep their order among
  // themselves, and with it the dialog manager's tab order.
  SetWindowPos(labelWindow, before ? before : HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void setControlInvalid(Handle window, std::uint16_t id, bool invalid,
                       std::string_view /*description*/) {
  // Kept for the record only: MSAA has no invalid-entry state to report.
  if (core::ControlRecord* control = findControl(window, id)) control->invalid = invalid;
}

}  // namespace dialog

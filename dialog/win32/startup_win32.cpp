// Win32 backend of the dialog layer: the start and end of the process around
// the program's entry (platform check, COM, common controls). Windows side
// of the boundary.
#include "dialog/win32/backend_win32.h"

#include <commctrl.h>
#include <objbase.h>

namespace dialog::driver {

using namespace win32;

namespace {

// Common-control classes every window of the layer may need.
constexpr DWORD kLayerControlClasses = 0x706F;

// Casts a looked-up procedure to its real type (through the one function
// type that converts to any other without a warning).
template <typename Function>
Function procedure(FARPROC address) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

}  // namespace

void initCommonControls(std::uint32_t classes) {
  HMODULE library = LoadLibraryW(L"COMCTL32.DLL");
  if (!library) return;
  using InitEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  using Init = void(WINAPI*)();
  if (FARPROC initEx = GetProcAddress(library, "InitCommonControlsEx")) {
    const INITCOMMONCONTROLSEX request{sizeof(INITCOMMONCONTROLSEX), classes};
    procedure<InitEx>(initEx)(&request);
  } else if (FARPROC init = GetProcAddress(library, "InitCommonControls")) {
    procedure<Init>(init)();
  }
  FreeLibrary(library);
}

bool platformSupported() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (GetVersionExA(&version) && version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
    MessageBoxW(nullptr, L"Win98 No Support", nullptr, MB_TASKMODAL | MB_SETFOREGROUND);
    return false;
  }
  static_assert((MB_TASKMODAL | MB_SETFOREGROUND) == 0x12000);
  return true;
}

void startSession() {
  CoInitialize(nullptr);
  const INITCOMMONCONTROLSEX request{sizeof(INITCOMMONCONTROLSEX), kLayerControlClasses};
  InitCommonControlsEx(&request);
}

void endSession() {
  // Brushes of colours still set on controls of windows that outlived the
  // session.
  for (const Backend::Brush& brush : backend().brushes) DeleteObject(brush.brush);
  backend().brushes.clear();
  CoUninitialize();
}

}  // namespace dialog::driver

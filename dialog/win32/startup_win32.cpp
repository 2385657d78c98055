// Win32 backend of the dialog layer: the start and end of the process around
// the program's entry (platform check, COM, common controls, built-in fonts).
// Windows side of the boundary.
#include "dialog/win32/backend_win32.h"

#include <commctrl.h>
#include <objbase.h>

namespace dialog {

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

Session::Session() {
  CoInitialize(nullptr);
  const INITCOMMONCONTROLSEX request{sizeof(INITCOMMONCONTROLSEX), kLayerControlClasses};
  InitCommonControlsEx(&request);
  makeBuiltInFonts();
}

Session::~Session() {
  releasePlatformObjects();
  CoUninitialize();
}

int runProgram(int (*entry)()) {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (GetVersionExA(&version) && version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
    MessageBoxW(nullptr, L"Win98 No Support", nullptr, MB_TASKMODAL | MB_SETFOREGROUND);
    return 255;
  }
  static_assert((MB_TASKMODAL | MB_SETFOREGROUND) == 0x12000);
  const Session session;
  return entry();
}

}  // namespace dialog

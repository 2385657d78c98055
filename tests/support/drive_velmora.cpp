// Drives a real velmora.exe from outside, as a user would, for the tests of
// the packaged program under Wine. Windows side of the boundary.
//   velmora_drive layout PROGRAM.exe DPI   the system DPI is DPI, and each
//       window's client area is its size in dialog units at the base units
//       of the measuring font at that DPI
//   velmora_drive save PROGRAM.exe         makes a code in the Configurador,
//       presses "Guardar" and checks the answer
// Exits with 0 when every check holds; prints what failed otherwise.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

#include "app/main_window_ids.h"
#include "codetable/codetable.h"
#include "configurator/configurator_ids.h"
#include "configurator/grid.h"
#include "dialog/win32/backend_win32.h"

namespace {

int failures = 0;

void check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "FAILED: %s\n", what);
  ++failures;
}

void checkEqual(long expected, long actual, const char* what) {
  if (expected == actual) return;
  std::fprintf(stderr, "FAILED: %s: expected %ld, got %ld\n", what, expected, actual);
  ++failures;
}

// The window with this title that belongs to the process, waited for.
HWND waitForWindow(DWORD process, const wchar_t* className, const std::wstring& title) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    HWND found = nullptr;
    while ((found = FindWindowExW(nullptr, found, className, title.c_str())) != nullptr) {
      DWORD owner = 0;
      GetWindowThreadProcessId(found, &owner);
      if (owner == process && IsWindowVisible(found)) return found;
    }
    Sleep(50);
  }
  return nullptr;
}

INT_PTR CALLBACK measuringProcedure(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

// The base units of the font every window of the program declares, measured
// here at the same system DPI.
RECT baseUnits() {
  HWND probe = dialog::win32::createTemplateWindow(nullptr, DS_SETFONT | WS_POPUP | WS_CAPTION, 0,
                                                   0, 0, 10, 10, measuringProcedure);
  RECT units{0, 0, 4, 8};
  MapDialogRect(probe, &units);
  DestroyWindow(probe);
  return units;
}

int toPixels(int units, int base, int divisor) {
  return (2 * units * base + divisor) / (2 * divisor);
}

void checkClientSize(HWND window, int width, int height, const RECT& base, const char* name) {
  RECT client{};
  GetClientRect(window, &client);
  std::string what = std::string(name) + " client width";
  checkEqual(toPixels(width, base.right, 4), client.right, what.c_str());
  what = std::string(name) + " client height";
  checkEqual(toPixels(height, base.bottom, 8), client.bottom, what.c_str());
}

// Windows reports a system-aware program as such; Wine, which has one
// monitor, reports it per-monitor aware. Either way it is not stretched.
bool dpiAware(HWND window) {
  return GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(window)) !=
         DPI_AWARENESS_UNAWARE;
}

HWND openConfigurator(DWORD process, HWND main) {
  PostMessageW(main, WM_COMMAND, app::IDM_CONFIGURADOR, 0);
  return waitForWindow(process, nullptr, dialog::win32::widen(configurator::kConfiguratorTitle));
}

void layout(DWORD process, HWND main, int dpi) {
  HDC screen = GetDC(nullptr);
  checkEqual(dpi, GetDeviceCaps(screen, LOGPIXELSY), "system DPI");
  ReleaseDC(nullptr, screen);
  check(dpiAware(main), "the program is DPI aware");

  const RECT base = baseUnits();
  // Tahoma Bold 8 pt, the measuring font, at 96, 144 and 192 DPI.
  struct Units {
    int dpi, x, y;
  };
  for (const Units& u : {Units{96, 7, 13}, Units{144, 10, 19}, Units{192, 13, 25}}) {
    if (u.dpi != dpi) continue;
    checkEqual(u.x, base.right, "base unit X");
    checkEqual(u.y, base.bottom, "base unit Y");
  }
  // The main window is overlapped: its template style has no caption, so
  // the dialog manager gives the whole window, frame included, the
  // template's size, as Windows does; the platform keeps it within the
  // largest size a window may be dragged to.
  RECT window{};
  GetWindowRect(main, &window);
  checkEqual(std::min(toPixels(367, base.right, 4), GetSystemMetrics(SM_CXMAXTRACK)),
             window.right - window.left, "main window width");
  checkEqual(std::min(toPixels(457, base.bottom, 8), GetSystemMetrics(SM_CYMAXTRACK)),
             window.bottom - window.top, "main window height");
  HWND config = openConfigurator(process, main);
  check(config != nullptr, "the Configurador opens");
  if (!config) return;
  checkClientSize(config, 149, 267, base, "Configurador");
  RECT box{};
  HWND firstBox = GetDlgItem(config, configurator::kGrid[0].boxId);
  GetClientRect(firstBox, &box);
  check(box.right > 0 && box.bottom > 0, "a code box");
  PostMessageW(config, WM_COMMAND, configurator::ID_SALIR, 0);
}

// The message box the program shows with no owner, answered with OK.
std::wstring answerMessageBox(DWORD process) {
  HWND box = waitForWindow(process, L"#32770", dialog::win32::widen(configurator::kMessageTitle));
  if (!box) return L"(no message box)";
  wchar_t text[256] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 256);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return text;
}

void save(DWORD process, HWND main) {
  HWND config = openConfigurator(process, main);
  check(config != nullptr, "the Configurador opens");
  if (!config) return;
  // Each symbol's code is the symbol seven places on, so no two collide.
  const std::string_view symbols = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (std::size_t i = 0; i < codetable::Symbols.size(); ++i) {
    const wchar_t code[2] = {static_cast<wchar_t>(symbols[(i + 7) % symbols.size()]), 0};
    SetDlgItemTextW(config, configurator::kGrid[i].boxId, code);
  }
  PostMessageW(config, WM_COMMAND, MAKEWPARAM(configurator::ID_GUARDAR, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(config, configurator::ID_GUARDAR)));
  const std::wstring answer = answerMessageBox(process);
  check(answer == dialog::win32::widen(configurator::kSavedMessage), "the save is reported");
  if (answer != dialog::win32::widen(configurator::kSavedMessage))
    std::fprintf(stderr, "  the box said: %ls\n", answer.c_str());
  PostMessageW(config, WM_COMMAND, configurator::ID_SALIR, 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3 || (std::wcscmp(argv[1], L"layout") == 0 && argc < 4)) {
    std::fprintf(stderr, "usage: velmora_drive layout PROGRAM DPI | save PROGRAM\n");
    return 2;
  }
  const std::wstring mode = argv[1];
  std::wstring commandLine = L"\"" + std::wstring(argv[2]) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(argv[2], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    std::fprintf(stderr, "cannot start %ls\n", argv[2]);
    return 1;
  }
  WaitForInputIdle(started.hProcess, 10000);
  HWND main = waitForWindow(started.dwProcessId, nullptr, dialog::win32::widen(app::kMainTitle));
  check(main != nullptr, "the main window appears");
  if (main) {
    if (mode == L"layout")
      layout(started.dwProcessId, main, _wtoi(argv[3]));
    else
      save(started.dwProcessId, main);
    // Wait for the Configurador to go, then end the program with "Salir".
    for (int i = 0; i < 100 && FindWindowW(nullptr, L"Configurador"); ++i) Sleep(50);
    PostMessageW(main, WM_COMMAND, app::IDM_SALIR, 0);
  }
  if (WaitForSingleObject(started.hProcess, 10000) != WAIT_OBJECT_0) {
    check(false, "the program ends after Salir");
    TerminateProcess(started.hProcess, 1);
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return failures == 0 ? 0 : 1;
}

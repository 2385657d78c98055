// What an idle window costs on Windows: shows a window like the main window
// (two text areas, the caret blinking in the first) for some seconds and
// reports how often the loop woke up and the processor time it used, for the
// layer's modal loop or, for comparison, a loop that polls every millisecond.
// Windows side of the boundary (reads the backend's wake-up counter).
//   idle_loop_bench [seconds] [poll]
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dialog/dialog.h"
#include "dialog/win32/backend_win32.h"

namespace {

dialog::Handle shown = 0;

std::intptr_t idleCallback(dialog::Handle, std::uint32_t, dialog::WParam, dialog::LParam) {
  return 0;
}

void CALLBACK stop(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  dialog::endWindow(shown, 0);
}

double processorMilliseconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](FILETIME t) {
    return static_cast<double>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                               t.dwLowDateTime) /
           1e4;
  };
  return ms(kernel) + ms(user);
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  const bool poll = argc > 2 && std::strcmp(argv[2], "poll") == 0;
  const dialog::Session session;

  shown = dialog::createWindow(0, "Reposo", dialog::kDefaultPosition, dialog::kDefaultPosition, 367,
                               457, dialog::kWsMinimizeBox, 0);
  dialog::addControl(shown, 1001, "", 5, 14, 360, 195, 0x50A11014, 0x200, dialog::kKindTextBox);
  dialog::addControl(shown, 1002, "", 5, 224, 360, 195, 0x50A11014, 0x200, dialog::kKindTextBox);
  SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, stop);

  const double before = processorMilliseconds();
  std::uint64_t wakeUps = 0;
  if (poll) {
    // The loop as first designed: look for an event, else sleep 1 ms.
    HWND hwnd = dialog::win32::toHwnd(shown);
    ShowWindow(hwnd, SW_SHOW);
    while (IsWindow(hwnd)) {
      MSG message;
      if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageW(hwnd, &message)) {
          TranslateMessage(&message);
          DispatchMessageW(&message);
        }
        continue;
      }
      ++wakeUps;
      Sleep(1);
    }
  } else {
    const std::uint64_t waitsBefore = dialog::win32::backend().idleWaits;
    dialog::showModal(shown, idleCallback);
    wakeUps = dialog::win32::backend().idleWaits - waitsBefore;
  }
  const double used = processorMilliseconds() - before;
  std::printf("%s loop, %d s idle: %llu wake-ups (%.1f/s), %.0f ms processor time (%.2f %%)\n",
              poll ? "1 ms polling" : "blocking modal", seconds,
              static_cast<unsigned long long>(wakeUps), static_cast<double>(wakeUps) / seconds,
              used, used / (seconds * 10.0));
  return 0;
}

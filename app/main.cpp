// The process entry: hands over to the dialog layer's start-up services,
// which run the program's entry. No platform header: the Windows entry point
// is declared with plain types.
#include "app/main_window.h"

#if defined(_WIN32)
extern "C" int wWinMain(void* /*instance*/, void* /*previous*/, wchar_t* /*commandLine*/,
                        int /*show*/) {
  return dialog::runProgram(&app::programEntry);
}
#else
int main() {
  return dialog::runProgram(&app::programEntry);
}
#endif

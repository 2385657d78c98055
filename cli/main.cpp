// velmora-cli's entry: the command line as UTF-8, the process's streams.
#include <string>
#include <vector>

#include "cli/cli.h"
#include "os/console.h"

#if defined(_WIN32)
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(os::utf8Argument(argv[i]));
#else
int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
#endif
  os::prepareStandardStreams();
  cli::SystemConsole console;
  return cli::runCli(args, console);
}

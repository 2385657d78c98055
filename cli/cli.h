// velmora-cli: the user's code over files and pipes, without a window. The
// commands and their exit codes, written against a small console interface
// so that tests can run them in process. GUI-free.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "os/console.h"

namespace cli {

using os::StreamError;

inline constexpr int kExitOk = 0;
inline constexpr int kExitInputOutput = 1;  // an input or the output failed
inline constexpr int kExitUsage = 2;        // bad usage, or no usable key file
inline constexpr int kExitCheck = 3;        // the codes fail the check

// One input, read from start to end.
class Reader {
 public:
  virtual ~Reader() = default;
  // The count read, 0 at the end, -1 on an error (then error() tells which).
  virtual std::ptrdiff_t read(char* buffer, std::size_t size) = 0;
  virtual StreamError error() const = 0;
};

// What the commands talk to.
class Console {
 public:
  virtual ~Console() = default;
  // Opens an INPUT; "-" is standard input. Null, with `error` set, on failure.
  virtual std::unique_ptr<Reader> open(const std::string& input, StreamError& error) = 0;
  virtual StreamError writeOutput(std::string_view bytes) = 0;
  // Ends the output; a failure reported only now counts like a write's.
  virtual StreamError finishOutput() = 0;
  virtual void writeError(std::string_view text) = 0;
  // The key file the window would use.
  virtual std::string defaultKeyFile() = 0;
  virtual bool randomBytes(void* buffer, std::size_t size) = 0;
};

// The process's own streams and files, and the program's key file.
class SystemConsole : public Console {
 public:
  std::unique_ptr<Reader> open(const std::string& input, StreamError& error) override;
  StreamError writeOutput(std::string_view bytes) override;
  StreamError finishOutput() override;
  void writeError(std::string_view text) override;
  std::string defaultKeyFile() override;
  bool randomBytes(void* buffer, std::size_t size) override;
};

// Runs one command line (without the program name) and returns its exit code.
int runCli(const std::vector<std::string>& args, Console& console);

// The size of the blocks in which encode and decode read their inputs.
inline constexpr std::size_t kBlockSize = 128 * 1024;

// Lowers `text` as the window's text boxes lower typed and pasted text:
// every character that has a lower case gets it; bytes that are not valid
// UTF-8 stay as they are. Appends to `out`.
void lowerText(std::string_view text, std::string& out);
// The room lowering `size` bytes may need: a character's lower case takes at
// most 3/2 of its bytes (a two-byte capital may lower to three bytes, as
// U+023A does, or U+0130 to "i" and a two-byte combining dot), and the
// vector steps store up to 8 bytes past their end.
constexpr std::size_t lowerTextRoom(std::size_t size) {
  return size + size / 2 + 8;
}
// The same into `out`, which has lowerTextRoom(text.size()) bytes; returns
// the count written.
std::size_t lowerText(std::string_view text, char* out);
// The length of the character at the front of `text`: a well-formed UTF-8
// sequence, or 1 for a byte that starts none (as the check counts them).
std::size_t characterLength(std::string_view text);
// The length of the front of `block` that holds no incomplete UTF-8
// sequence at its end, so that lowering never splits a character between
// two blocks. The rest (at most 3 bytes) waits for the next block.
std::size_t completeLength(std::string_view block);

}  // namespace cli

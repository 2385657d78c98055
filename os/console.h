// Operating-system services of the command-line program, which has no
// window: its standard streams and input files as raw bytes, the lower case
// of a character, and the cryptographic random source. No GUI library; one
// implementation per platform (console_posix.cpp, console_win32.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace os {

// Why a stream could not be opened, read or written.
enum class StreamError {
  None,
  NotFound,      // no such file or folder
  AccessDenied,  // permissions, a lock, a write-protected medium
  IsFolder,      // the path names a folder
  DiskFull,      // no space, over quota, or the device took nothing more
  BrokenPipe,    // the reading end of the output has gone
  MediaError,    // an input or output error of the device
  Other,
};

// Puts the standard streams into the state the program expects: raw bytes
// both ways, and on POSIX a write to a closed pipe that fails with
// BrokenPipe instead of ending the process by a signal. Call once, first.
void prepareStandardStreams();

// An input to read from start to end: a file by its UTF-8 path (any readable
// object, so also a FIFO or a device), or standard input.
class InputStream {
 public:
  InputStream() = default;
  ~InputStream();
  InputStream(const InputStream&) = delete;
  InputStream& operator=(const InputStream&) = delete;

  StreamError open(const std::string& path);
  void openStandardInput();
  // Reads up to `size` bytes: the count read, 0 at the end, -1 on an error
  // (then error() tells which).
  std::ptrdiff_t read(void* buffer, std::size_t size);
  StreamError error() const { return error_; }

 private:
  std::intptr_t handle_ = -1;
  bool owned_ = false;
  StreamError error_ = StreamError::None;
};

// Writes all of `bytes` to standard output, or stops at the first failure.
StreamError writeStandardOutput(std::string_view bytes);
// Closes standard output and reports a failure that the system reports only
// then (some file systems write back at close).
StreamError closeStandardOutput();
// Writes UTF-8 text to standard error; on a Windows console it is shown as
// the characters it holds, whatever the console's code page.
void writeStandardError(std::string_view text);

// Fills `buffer` from the system's cryptographic random source; false if
// that source failed.
bool randomBytes(void* buffer, std::size_t size);

// The lower case of one Unicode code point as the program's text boxes lower
// typed and pasted text on this platform: written to `out` (at most 3 code
// points), and the count returned. A code point without one is returned as
// it is.
std::size_t lowerCase(char32_t c, char32_t out[3]);

#if defined(_WIN32)
// A wide (UTF-16) argument of wmain as UTF-8.
std::string utf8Argument(const wchar_t* argument);
#endif

}  // namespace os

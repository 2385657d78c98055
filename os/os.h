// Operating-system services that the program logic needs and that are not
// windowing: the program's own path and durable file access. No GUI library;
// one implementation per platform (os_posix.cpp, os_win32.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace os {

// Full path of the running program file, UTF-8, uncut. Empty if the
// platform cannot tell.
std::string programFilePath();

// The path's directory separator on this platform.
#if defined(_WIN32)
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

// The user's own folder for program settings, UTF-8, with no trailing
// separator. On Linux and other POSIX systems: $XDG_CONFIG_HOME when it holds
// an absolute path, otherwise the home folder ($HOME, or the user database
// when that is unset or not absolute) followed by "/.config". On Windows: the
// roaming application-data folder (%APPDATA%). Empty if the platform cannot
// tell. Reads the environment each time; creates nothing.
std::string userConfigFolder();

// Makes the folder at `path`, UTF-8, together with any missing folder above
// it; the folders it makes are private to the user (mode 0700 on POSIX,
// inheriting the parent's access rules on Windows). Folders that already
// exist are left as they are. True when `path` is a folder afterwards.
bool makeFolders(const std::string& path);

// True when the path names anything that exists: a file, a folder, a device.
// Never reports an error.
bool pathExists(const std::string& path);

// A regular file opened for reading. Opening never blocks and refuses
// anything that is not a regular file (a folder, a FIFO, a device), so that a
// strange object standing at a path is simply "no file".
class FileReader {
 public:
  FileReader() = default;
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // Opens the UTF-8 path; false if it is not a readable regular file.
  bool open(const std::string& path);
  // Reads up to `size` bytes. Returns the count read, 0 at the end of the
  // file, or -1 on an error (or when no file is open).
  std::ptrdiff_t read(void* buffer, std::size_t size);
  void close();

 private:
  std::intptr_t handle_ = -1;
};

// The whole content of a regular file. False (and `bytes` empty) when the
// path is not a readable regular file or reading fails.
bool readRegularFile(const std::string& path, std::string& bytes);

// Why a file could not be replaced, in the terms the save report needs.
enum class FileError {
  None,
  CannotCreate,      // the new file could not be made, or not put in place
  DiskFull,          // no space, over quota, or a short write
  AccessDenied,      // refused: permissions, a lock, a write-protected medium
  NotReady,          // the drive or medium is not ready
  MediaError,        // data, seek or sector error of the medium
  BadHandle,         // the platform called the file handle invalid
  InvalidParameter,  // the platform refused a parameter
  OutOfMemory,
  Other,  // anything else
};

// Replaces the file at `path` with exactly `bytes`, durably and atomically:
// the bytes go to a new file in the same folder, are flushed to the disk,
// and that file then takes the old one's place in one step (a read-only,
// hidden or system old file is replaced too). On any failure the new file is
// removed and the old file, if there was one, is left exactly as it was.
//
// The new file is named "<path>.tmp<process>-<n>", so that no load of
// `path` ever reads it. It is private from the start: on POSIX systems it is
// made with mode 0600 before a byte is written, and so is the file that
// takes the old one's place; on Windows it inherits the folder's
// permissions. A new file left by a save that was killed, or cut off by a
// power loss, is removed by the next save of `path`; a save in progress in
// another process keeps its own.
FileError replaceFileAtomically(const std::string& path, std::string_view bytes);

namespace testing {

// The steps of replaceFileAtomically, for injecting a failure.
enum class ReplaceStep { Create, Write, Flush, Rename };
// Makes the next replaceFileAtomically fail at `step` with `error`, exactly
// as if the platform had reported it there (at Create any error means the
// new file could not be made). Tests only; one shot.
void failNextReplace(ReplaceStep step, FileError error);
// Calls `observer` with the new file's path when the next
// replaceFileAtomically reaches `step` (Write, Flush or Rename), before that
// step is done or fails. Tests only; one shot.
void observeNextReplace(ReplaceStep step, std::function<void(const std::string&)> observer);

}  // namespace testing

}  // namespace os

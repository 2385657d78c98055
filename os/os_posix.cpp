// Operating-system services on Linux and other POSIX systems: the program's
// path from /proc, and file access that never blocks and never half-writes.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "os/os.h"
#include "os/os_detail.h"

namespace os {

namespace {

FileError fromErrno(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return FileError::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
      return FileError::AccessDenied;
#ifdef ENOMEDIUM
    case ENOMEDIUM:
      return FileError::NotReady;
#endif
    case EIO:
      return FileError::MediaError;
    case EBADF:
      return FileError::BadHandle;
    case EINVAL:
      return FileError::InvalidParameter;
    case ENOMEM:
      return FileError::OutOfMemory;
    default:
      return FileError::Other;
  }
}

FileError writeAll(int fd, std::string_view bytes) {
  if (const FileError e = detail::takeInjectedFailure(testing::ReplaceStep::Write);
      e != FileError::None)
    return e;
  const int error = detail::writeFully(fd, bytes);
  return error ? fromErrno(error) : FileError::None;
}

std::string directoryPart(const std::string& path) {
  const std::size_t cut = path.rfind('/');
  if (cut == std::string::npos) return ".";
  if (cut == 0) return "/";
  return path.substr(0, cut);
}

std::string namePart(const std::string& path) {
  const std::size_t cut = path.rfind('/');
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// How a save's new file is named and who may remove it.
//
// Each save writes "<name>.tmp<pid>-<n>" beside the file: unique to the
// process and to the save, so two programs saving into one folder never
// meet at a name, and never a name that a load opens. The save holds an
// exclusive flock() on its new file from the moment it is made until it has
// been renamed over the old file or removed. A save first removes the new
// files of earlier saves that nobody holds: the lock of a killed process
// went with it. The one gap, between the creating open() and the flock(), is
// closed from both sides: the remover unlinks only while it holds the lock
// and the name still leads to the file it locked, and the creator, once it
// holds its lock, checks that its name still leads to its file, and starts
// over with a new name otherwise.
bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True for "<name>.tmp<digits>-<digits>".
bool isTempOf(std::string_view entry, std::string_view name) {
  constexpr std::string_view kMarker = ".tmp";
  if (entry.size() <= name.size() + kMarker.size() || !entry.starts_with(name) ||
      entry.substr(name.size(), kMarker.size()) != kMarker)
    return false;
  const std::string_view rest = entry.substr(name.size() + kMarker.size());
  const std::size_t dash = rest.find('-');
  if (dash == std::string_view::npos || dash == 0 || dash + 1 == rest.size()) return false;
  auto digits = [](std::string_view part) {
    return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  return digits(rest.substr(0, dash)) && digits(rest.substr(dash + 1));
}

bool lockFile(int fd, int how) {
  for (;;) {
    if (::flock(fd, how) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// Removes the new files that earlier saves of `path` left behind.
void removeStaleTemps(const std::string& path) {
  DIR* dir = ::opendir(directoryPart(path).c_str());
  if (!dir) return;
  const std::string name = namePart(path);
  const int dirFd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    if (!isTempOf(entry->d_name, name)) continue;
    const int fd =
        ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) continue;
    struct stat locked, named;
    if (lockFile(fd, LOCK_EX | LOCK_NB) && ::fstat(fd, &locked) == 0 && S_ISREG(locked.st_mode) &&
        ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        sameFile(locked, named))
      ::unlinkat(dirFd, entry->d_name, 0);
    ::close(fd);
  }
  ::closedir(dir);
}

// Creates a fresh private file beside `path`, never reusing an existing
// name, and locks it. Mode 0600 is asked for at creation, so no byte is
// ever readable by others, and set again in case the umask took more away.
int createTempBeside(const std::string& path, std::string& tempPath) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int fd =
        ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    // A file system without flock() saves unguarded; nobody can remove the
    // file then, as removing needs the lock.
    struct stat opened, named;
    if (lockFile(fd, LOCK_EX) &&
        (::fstat(fd, &opened) != 0 || ::stat(tempPath.c_str(), &named) != 0 ||
         !sameFile(opened, named))) {
      ::close(fd);  // removed by another save before the lock: a new name
      continue;
    }
    ::fchmod(fd, 0600);  // a file system without modes refuses; nothing to keep private
    return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

int detail::writeFully(int fd, std::string_view bytes) {
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return ENOSPC;  // the device took nothing more
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  return 0;
}

std::string programFilePath() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size())
      return std::string(buffer.data(), static_cast<std::size_t>(n));
    buffer.resize(buffer.size() * 2);
  }
}

std::string userConfigFolder() {
  // Relative values are ignored, as the XDG base directory rules ask: they
  // would name a different folder for every working directory.
  const auto absolute = [](const char* value) { return value != nullptr && value[0] == '/'; };
  // Without its trailing slashes; the root folder becomes empty, so that
  // appending "/name" never doubles a slash.
  const auto trimmed = [](std::string folder) {
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    return folder;
  };
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (absolute(config)) {
    const std::string folder = trimmed(config);
    return folder.empty() ? "/" : folder;
  }
  const char* home = std::getenv("HOME");
  if (!absolute(home)) {
    const struct passwd* user = ::getpwuid(::getuid());
    home = user != nullptr ? user->pw_dir : nullptr;
    if (!absolute(home)) return {};
  }
  return trimmed(home) + "/.config";
}

bool makeFolders(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  if (path.empty()) return false;
  // Each missing folder from the top down; mkdir refusing one that another
  // process made meanwhile (EEXIST) is no failure.
  for (std::size_t cut = path.find('/', 1);; cut = path.find('/', cut + 1)) {
    const std::string part = path.substr(0, cut);
    if (!part.empty() && part.back() != '/' && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
      return false;
    if (cut == std::string::npos) break;
  }
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool pathExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

FileReader::~FileReader() {
  close();
}

bool FileReader::open(const std::string& path) {
  close();
  // O_NONBLOCK keeps the open of a FIFO with no writer from waiting; the
  // type check then turns away everything but a regular file.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

std::ptrdiff_t FileReader::read(void* buffer, std::size_t size) {
  if (handle_ < 0) return -1;
  for (;;) {
    const ssize_t n = ::read(static_cast<int>(handle_), buffer, size);
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

void FileReader::close() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  handle_ = -1;
}

// The order of the steps decides what a power loss leaves behind:
//   1. the new file is made and written: the old file is untouched; a new
//      file, empty or partly written, may remain beside it;
//   2. fsync() of the new file: once it returns, the new bytes are on the
//      disk, still under the new file's name;
//   3. rename() over the old file: after a power loss the name leads to the
//      old file or to the new one, each whole (the data went first);
//   4. fsync() of the folder: from then on it is the new file for good.
// A new file left at steps 1-3 is removed by the next save.
FileError replaceFileAtomically(const std::string& path, std::string_view bytes) {
  std::string tempPath;
  if (detail::takeInjectedFailure(testing::ReplaceStep::Create) != FileError::None)
    return FileError::CannotCreate;
  removeStaleTemps(path);
  const int fd = createTempBeside(path, tempPath);
  if (fd < 0) return FileError::CannotCreate;

  detail::observeStep(testing::ReplaceStep::Write, tempPath);
  FileError error = writeAll(fd, bytes);
  if (error == FileError::None) {
    detail::observeStep(testing::ReplaceStep::Flush, tempPath);
    error = detail::takeInjectedFailure(testing::ReplaceStep::Flush);
    if (error == FileError::None && ::fsync(fd) != 0) error = fromErrno(errno);
  }
  if (error == FileError::None) {
    detail::observeStep(testing::ReplaceStep::Rename, tempPath);
    if (detail::takeInjectedFailure(testing::ReplaceStep::Rename) != FileError::None ||
        ::rename(tempPath.c_str(), path.c_str()) != 0)
      error = FileError::CannotCreate;  // the file could not take its place
  }
  // The descriptor, and with it the lock, is let go only once the new file
  // has its final name or is gone. fsync() has already reported any lost
  // data, so a failing close() changes nothing; Linux releases the
  // descriptor even then, so it is never closed twice.
  if (error != FileError::None) {
    ::unlink(tempPath.c_str());
    ::close(fd);
    return error;
  }
  ::close(fd);
  // Make the new name itself durable; the data already is.
  const int dir = ::open(directoryPart(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return FileError::None;
}

}  // namespace os

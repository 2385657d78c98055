// Operating-system services on Linux and other POSIX systems: the program's
// path from /proc, and file access that never blocks and never half-writes.
#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "dialog/os/os.h"
#include "dialog/os/os_detail.h"

namespace dialog::os {

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
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fromErrno(errno);
    }
    if (n == 0) return FileError::DiskFull;  // the device took nothing more
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  return FileError::None;
}

std::string directoryPart(const std::string& path) {
  const std::size_t cut = path.rfind('/');
  if (cut == std::string::npos) return ".";
  if (cut == 0) return "/";
  return path.substr(0, cut);
}

// Creates a fresh file beside `path`, never reusing an existing name; only
// the user may read the key file it becomes.
int createTempBeside(const std::string& path, std::string& tempPath) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int fd =
        ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

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

FileError replaceFileAtomically(const std::string& path, std::string_view bytes) {
  std::string tempPath;
  if (detail::takeInjectedFailure(testing::ReplaceStep::Create) != FileError::None)
    return FileError::CannotCreate;
  const int fd = createTempBeside(path, tempPath);
  if (fd < 0) return FileError::CannotCreate;

  FileError error = writeAll(fd, bytes);
  if (error == FileError::None) {
    error = detail::takeInjectedFailure(testing::ReplaceStep::Flush);
    if (error == FileError::None && ::fsync(fd) != 0) error = fromErrno(errno);
  }
  // A failed close can be the only sign of lost data on some file systems.
  // Linux releases the descriptor even then, so it is never closed twice.
  if (::close(fd) != 0 && error == FileError::None) error = fromErrno(errno);
  if (error == FileError::None) {
    if (detail::takeInjectedFailure(testing::ReplaceStep::Rename) != FileError::None ||
        ::rename(tempPath.c_str(), path.c_str()) != 0)
      error = FileError::CannotCreate;  // the file could not take its place
  }
  if (error != FileError::None) {
    ::unlink(tempPath.c_str());
    return error;
  }
  // Make the new name itself durable; the data already is.
  const int dir = ::open(directoryPart(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return FileError::None;
}

}  // namespace dialog::os

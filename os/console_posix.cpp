// Operating-system services of the command-line program on Linux and other
// POSIX systems: plain descriptors, getrandom, and the C library's Unicode
// case table.
#include <errno.h>
#include <fcntl.h>
#include <locale.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

#include "os/console.h"
#include "os/os_detail.h"

namespace os {

namespace {

StreamError fromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return StreamError::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return StreamError::AccessDenied;
    case EISDIR:
      return StreamError::IsFolder;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return StreamError::DiskFull;
    case EPIPE:
      return StreamError::BrokenPipe;
    case EIO:
      return StreamError::MediaError;
    default:
      return StreamError::Other;
  }
}

StreamError writeAll(int fd, std::string_view bytes) {
  const int error = detail::writeFully(fd, bytes);
  return error ? fromErrno(error) : StreamError::None;
}

}  // namespace

void prepareStandardStreams() {
  ::signal(SIGPIPE, SIG_IGN);
}

InputStream::~InputStream() {
  if (owned_ && handle_ >= 0) ::close(static_cast<int>(handle_));
}

StreamError InputStream::open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return error_ = fromErrno(errno);
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    return error_ = StreamError::IsFolder;
  }
  handle_ = fd;
  owned_ = true;
  return error_ = StreamError::None;
}

void InputStream::openStandardInput() {
  handle_ = 0;
  owned_ = false;
  error_ = StreamError::None;
}

std::ptrdiff_t InputStream::read(void* buffer, std::size_t size) {
  if (handle_ < 0) return -1;
  for (;;) {
    const ssize_t n = ::read(static_cast<int>(handle_), buffer, size);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    error_ = fromErrno(errno);
    return -1;
  }
}

StreamError writeStandardOutput(std::string_view bytes) {
  return writeAll(1, bytes);
}

StreamError closeStandardOutput() {
  if (::close(1) != 0 && errno != EINTR) return fromErrno(errno);
  return StreamError::None;
}

void writeStandardError(std::string_view text) {
  (void)writeAll(2, text);
}

bool randomBytes(void* buffer, std::size_t size) {
  auto* at = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    const ssize_t n = ::getrandom(at, size, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    at += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::size_t lowerCase(char32_t c, char32_t out[3]) {
  // The Qt text boxes lower with QString::toLower, which applies Unicode's
  // full mappings: of those, only U+0130 (capital I with dot above) differs
  // from the simple one, becoming "i" and a combining dot above.
  if (c == 0x130) {
    out[0] = 'i';
    out[1] = 0x307;
    return 2;
  }
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  if (unicode == static_cast<locale_t>(0)) {
    out[0] = c >= 'A' && c <= 'Z' ? c + 32 : c;
    return 1;
  }
  out[0] = static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), unicode));
  return 1;
}

}  // namespace os

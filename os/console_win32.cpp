// Operating-system services of the command-line program on Windows: the
// standard handles and files through the wide APIs, BCryptGenRandom, and the
// lower case that edit boxes with ES_LOWERCASE apply (CharLowerBuffW).
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <algorithm>
#include <string>
#include <vector>

#include "os/console.h"
#include "os/os_detail.h"

namespace os {

namespace {

StreamError fromLastError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return StreamError::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return StreamError::AccessDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return StreamError::DiskFull;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED:
      return StreamError::BrokenPipe;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_NOT_READY:
      return StreamError::MediaError;
    default:
      return StreamError::Other;
  }
}

std::wstring widen(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), n);
  return wide;
}

StreamError writeAll(HANDLE handle, std::string_view bytes) {
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    // A console shows UTF-16 text; bytes would go through its code page.
    const std::wstring wide = widen(bytes);
    DWORD written = 0;
    if (!wide.empty() &&
        !WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr))
      return fromLastError(GetLastError());
    return StreamError::None;
  }
  const DWORD failure = detail::writeFully(handle, bytes);
  return failure ? fromLastError(failure) : StreamError::None;
}

}  // namespace

void prepareStandardStreams() {
  // The handles are used directly, so no C runtime text mode stands between
  // the program and its bytes.
}

InputStream::~InputStream() {
  if (owned_ && handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

StreamError InputStream::open(const std::string& path) {
  const std::wstring wide = widen(path);
  const DWORD attributes =
      wide.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return error_ = StreamError::IsFolder;
  const HANDLE file =
      wide.empty()
          ? INVALID_HANDLE_VALUE
          : CreateFileW(wide.c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return error_ = wide.empty() ? StreamError::NotFound : fromLastError(GetLastError());
  handle_ = reinterpret_cast<std::intptr_t>(file);
  owned_ = true;
  return error_ = StreamError::None;
}

void InputStream::openStandardInput() {
  handle_ = reinterpret_cast<std::intptr_t>(GetStdHandle(STD_INPUT_HANDLE));
  owned_ = false;
  error_ = StreamError::None;
}

std::ptrdiff_t InputStream::read(void* buffer, std::size_t size) {
  const HANDLE handle = reinterpret_cast<HANDLE>(handle_);
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
    // No standard input at all reads as an empty one.
    return handle_ == -1 && owned_ ? -1 : 0;
  }
  DWORD n = 0;
  const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (!ReadFile(handle, buffer, chunk, &n, nullptr)) {
    const DWORD error = GetLastError();
    if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;  // the writer is done
    error_ = fromLastError(error);
    return -1;
  }
  return static_cast<std::ptrdiff_t>(n);
}

StreamError writeStandardOutput(std::string_view bytes) {
  return writeAll(GetStdHandle(STD_OUTPUT_HANDLE), bytes);
}

StreamError closeStandardOutput() {
  const HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return StreamError::None;
  SetStdHandle(STD_OUTPUT_HANDLE, INVALID_HANDLE_VALUE);
  if (!CloseHandle(handle)) return fromLastError(GetLastError());
  return StreamError::None;
}

void writeStandardError(std::string_view text) {
  (void)writeAll(GetStdHandle(STD_ERROR_HANDLE), text);
}

bool randomBytes(void* buffer, std::size_t size) {
  auto* at = static_cast<UCHAR*>(buffer);
  while (size > 0) {
    const ULONG chunk = static_cast<ULONG>(std::min<std::size_t>(size, 1u << 20));
    if (BCryptGenRandom(nullptr, at, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG) < 0) return false;
    at += chunk;
    size -= chunk;
  }
  return true;
}

std::size_t lowerCase(char32_t c, char32_t out[3]) {
  // The whole Basic Multilingual Plane once, in one call; the surrogates
  // stay as they are.
  static const std::vector<wchar_t> plane = [] {
    std::vector<wchar_t> units(0x10000);
    for (std::size_t i = 0; i < units.size(); ++i)
      units[i] = i >= 0xD800 && i <= 0xDFFF ? L'a' : static_cast<wchar_t>(i);
    CharLowerBuffW(units.data(), static_cast<DWORD>(units.size()));
    for (std::size_t i = 0xD800; i <= 0xDFFF; ++i) units[i] = static_cast<wchar_t>(i);
    return units;
  }();
  if (c < 0x10000) {
    out[0] = plane[c];
    return 1;
  }
  wchar_t pair[2] = {static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)),
                     static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF))};
  CharLowerBuffW(pair, 2);
  if (pair[0] >= 0xD800 && pair[0] <= 0xDBFF && pair[1] >= 0xDC00 && pair[1] <= 0xDFFF)
    out[0] = 0x10000 + ((static_cast<char32_t>(pair[0]) - 0xD800) << 10) +
             (static_cast<char32_t>(pair[1]) - 0xDC00);
  else
    out[0] = c;
  return 1;
}

std::string utf8Argument(const wchar_t* argument) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, argument, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string text(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, argument, -1, text.data(), n, nullptr, nullptr);
  text.resize(static_cast<std::size_t>(n - 1));
  return text;
}

}  // namespace os

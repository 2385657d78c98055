// Operating-system services on Windows: the module path and file access
// through the wide APIs, so that no path is cut or narrowed to a code page.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "os/os.h"
#include "os/os_detail.h"

namespace os {

namespace {

FileError fromLastError(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FileError::DiskFull;
    case ERROR_ACCESS_DENIED:
    case ERROR_LOCK_VIOLATION:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return FileError::AccessDenied;
    case ERROR_NOT_READY:
      return FileError::NotReady;
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
      return FileError::MediaError;
    case ERROR_INVALID_HANDLE:
      return FileError::BadHandle;
    case ERROR_INVALID_PARAMETER:
      return FileError::InvalidParameter;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return FileError::OutOfMemory;
    default:
      return FileError::Other;
  }
}

std::wstring widen(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), n);
  return wide;
}

std::string narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string text(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), n, nullptr, nullptr);
  return text;
}

// A UTF-8 path as the wide APIs want it. A full path longer than the classic
// limit gets the "\\?\" form, which lifts the limit (it also turns off the
// '/' to '\' translation, so that is done here). Empty for invalid UTF-8.
std::wstring widePath(const std::string& path) {
  std::wstring wide = widen(path);
  if (wide.size() < MAX_PATH - 12 || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  for (auto& c : wide)
    if (c == L'/') c = L'\\';
  const bool drive = wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\';
  if (drive) return L"\\\\?\\" + wide;
  if (wide.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + wide.substr(2);
  return wide;  // a relative path keeps its meaning only in the plain form
}

HANDLE toHandle(std::intptr_t value) {
  return reinterpret_cast<HANDLE>(value);
}

}  // namespace

unsigned long detail::writeFully(void* handle, std::string_view bytes) {
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(left, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(handle, data, chunk, &written, nullptr)) return GetLastError();
    if (written == 0) return ERROR_DISK_FULL;  // the device took nothing more
    data += written;
    left -= written;
  }
  return 0;
}

std::string programFilePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), size);
    if (n == 0) return {};
    // A cut name fills the buffer exactly; ask again with more room.
    if (n < size) return narrow(std::wstring_view(buffer.data(), n));
    if (buffer.size() >= 32768 * 2) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::string userConfigFolder() {
  // The shell's answer first; %APPDATA% only when the shell has none, as
  // under a service account with no profile loaded.
  PWSTR known = nullptr;
  std::string folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &known)))
    folder = narrow(known);
  CoTaskMemFree(known);
  if (folder.empty()) {
    const wchar_t* appData = _wgetenv(L"APPDATA");
    if (appData != nullptr) folder = narrow(appData);
  }
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

bool makeFolders(const std::string& path) {
  const auto isFolder = [](const std::wstring& wide) {
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  };
  const std::wstring wide = widePath(path);
  if (wide.empty()) return false;
  if (isFolder(wide)) return true;
  // Each missing folder from the top down, after the drive or the share;
  // CreateDirectoryW refusing one that exists already is no failure.
  std::size_t start = 0;
  if (wide.rfind(L"\\\\?\\", 0) == 0) start = 4;
  for (std::size_t cut = wide.find_first_of(L"\\/", start + 3);;
       cut = wide.find_first_of(L"\\/", cut + 1)) {
    const std::wstring part = wide.substr(0, cut);
    if (!part.empty() && part.back() != L'\\' && part.back() != L'/' && !isFolder(part) &&
        !CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
    if (cut == std::wstring::npos) break;
  }
  SetLastError(ERROR_SUCCESS);
  return isFolder(wide);
}

bool pathExists(const std::string& path) {
  const std::wstring wide = widePath(path);
  if (wide.empty()) return false;
  const bool exists = GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
  SetLastError(ERROR_SUCCESS);
  return exists;
}

FileReader::~FileReader() {
  close();
}

bool FileReader::open(const std::string& path) {
  close();
  const std::wstring wide = widePath(path);
  if (wide.empty()) return false;
  // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open; the type
  // check turns away consoles, pipes and other devices.
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(file);
    return false;
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  return true;
}

std::ptrdiff_t FileReader::read(void* buffer, std::size_t size) {
  if (handle_ == -1) return -1;
  const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  DWORD n = 0;
  if (!ReadFile(toHandle(handle_), buffer, chunk, &n, nullptr)) return -1;
  return static_cast<std::ptrdiff_t>(n);
}

void FileReader::close() {
  if (handle_ != -1) CloseHandle(toHandle(handle_));
  handle_ = -1;
}

namespace {

// How a save's new file is named and who may remove it.
//
// Each save writes "<name>.tmp<process id>-<n>" beside the file, unique to
// the process and the save, and never a name a load opens. The save keeps
// its new file open without sharing from the moment CreateFileW makes it
// (one step, no gap) until the file has been renamed over the old one
// through that same handle, or removed. A save first deletes the new files
// of earlier saves: DeleteFileW fails with a sharing violation on one that
// a live save holds open, and succeeds on one whose process was killed,
// because the system closed its handle.
bool isTempOf(std::wstring_view entry, std::wstring_view name) {
  constexpr std::wstring_view kMarker = L".tmp";
  if (entry.size() <= name.size() + kMarker.size() ||
      CompareStringOrdinal(entry.data(), static_cast<int>(name.size()), name.data(),
                           static_cast<int>(name.size()), TRUE) != CSTR_EQUAL ||
      entry.substr(name.size(), kMarker.size()) != kMarker)
    return false;
  const std::wstring_view rest = entry.substr(name.size() + kMarker.size());
  const std::size_t dash = rest.find(L'-');
  if (dash == std::wstring_view::npos || dash == 0 || dash + 1 == rest.size()) return false;
  for (std::size_t i = 0; i < rest.size(); ++i)
    if (i != dash && (rest[i] < L'0' || rest[i] > L'9')) return false;
  return true;
}

void removeStaleTemps(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  const std::string folder = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
  const std::wstring name = widen(cut == std::string::npos ? path : path.substr(cut + 1));
  const std::wstring pattern = widePath(path + ".tmp*");
  if (name.empty() || pattern.empty()) return;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !isTempOf(found.cFileName, name))
      continue;
    const std::wstring stale = widePath(folder + narrow(found.cFileName));
    if (!stale.empty()) DeleteFileW(stale.c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// Renames the open file over `target` through its own handle, so that it
// is never unheld between writing and taking its place.
bool renameOver(HANDLE file, const std::wstring& target) {
  const std::size_t nameBytes = target.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = TRUE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(nameBytes);
  std::copy(target.begin(), target.end(), info->FileName);
  info->FileName[target.size()] = L'\0';
  return SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size()));
}

}  // namespace

FileError replaceFileAtomically(const std::string& path, std::string_view bytes) {
  const std::wstring target = widePath(path);
  if (target.empty()) return FileError::CannotCreate;
  if (detail::takeInjectedFailure(testing::ReplaceStep::Create) != FileError::None)
    return FileError::CannotCreate;
  removeStaleTemps(path);

  static std::atomic<unsigned> counter{0};
  std::string tempPath;
  std::wstring temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    tempPath =
        path + ".tmp" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
    temp = widePath(tempPath);
    file = CreateFileW(temp.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) return FileError::CannotCreate;

  detail::observeStep(testing::ReplaceStep::Write, tempPath);
  FileError error = detail::takeInjectedFailure(testing::ReplaceStep::Write);
  if (error == FileError::None)
    if (const DWORD failure = detail::writeFully(file, bytes)) error = fromLastError(failure);
  if (error == FileError::None) {
    detail::observeStep(testing::ReplaceStep::Flush, tempPath);
    error = detail::takeInjectedFailure(testing::ReplaceStep::Flush);
    if (error == FileError::None && !FlushFileBuffers(file)) error = fromLastError(GetLastError());
  }

  bool placed = false;
  if (error == FileError::None) {
    detail::observeStep(testing::ReplaceStep::Rename, tempPath);
    // A read-only, hidden or system old file refuses to be replaced; clear
    // its attributes, and put them back if it stays.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    constexpr DWORD kInTheWay =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const bool cleared = attributes != INVALID_FILE_ATTRIBUTES && (attributes & kInTheWay) &&
                         !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (cleared) {
      const DWORD rest = attributes & ~kInTheWay;
      SetFileAttributesW(target.c_str(), rest ? rest : FILE_ATTRIBUTE_NORMAL);
    }
    if (detail::takeInjectedFailure(testing::ReplaceStep::Rename) != FileError::None ||
        !renameOver(file, target)) {
      error = FileError::CannotCreate;  // the file could not take its place
      if (cleared) SetFileAttributesW(target.c_str(), attributes);
    } else {
      placed = true;
      FlushFileBuffers(file);  // the new name, as MOVEFILE_WRITE_THROUGH would
    }
  }
  // Once the file has its place, FlushFileBuffers has reported any lost
  // data; a failing close changes nothing then.
  if (!CloseHandle(file) && error == FileError::None && !placed)
    error = fromLastError(GetLastError());
  if (error != FileError::None) DeleteFileW(temp.c_str());
  SetLastError(ERROR_SUCCESS);
  return error;
}

}  // namespace os

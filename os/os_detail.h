// Shared between the per-platform files of os/: the one-shot failure
// and the one-shot observer that tests arm on replaceFileAtomically. GUI-free, platform-free.
#pragma once

#include <string>
#include <string_view>

#include "os/os.h"

namespace os::detail {

// The failure armed for `step`, if any (FileError::None otherwise); taking
// it disarms it.
FileError takeInjectedFailure(testing::ReplaceStep step);
// Runs and disarms the observer armed for `step`, if any.
void observeStep(testing::ReplaceStep step, const std::string& tempPath);

#if defined(_WIN32)
// Writes all of `bytes` to a file handle (a HANDLE), in pieces of at most
// 1 GiB. Returns 0, or the GetLastError code of the failure:
// ERROR_DISK_FULL when the device takes nothing more.
unsigned long writeFully(void* handle, std::string_view bytes);
#else
// Writes all of `bytes` to a descriptor, going on after an interruption or
// a short write. Returns 0, or the errno of the failure: ENOSPC when the
// device takes nothing more.
int writeFully(int fd, std::string_view bytes);
#endif

}  // namespace os::detail

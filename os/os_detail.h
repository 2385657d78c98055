// Shared between the per-platform files of os/: the one-shot failure
// and the one-shot observer that tests arm on replaceFileAtomically. GUI-free, platform-free.
#pragma once

#include <string>

#include "os/os.h"

namespace os::detail {

// The failure armed for `step`, if any (FileError::None otherwise); taking
// it disarms it.
FileError takeInjectedFailure(testing::ReplaceStep step);
// Runs and disarms the observer armed for `step`, if any.
void observeStep(testing::ReplaceStep step, const std::string& tempPath);

}  // namespace os::detail

// Shared between the per-platform files of dialog/os: the one-shot failure
// that tests inject into replaceFileAtomically. GUI-free, platform-free.
#pragma once

#include "dialog/os/os.h"

namespace dialog::os::detail {

// The failure armed for `step`, if any (FileError::None otherwise); taking
// it disarms it.
FileError takeInjectedFailure(testing::ReplaceStep step);

}  // namespace dialog::os::detail

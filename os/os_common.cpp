// The platform-free part of os/: whole-file reading on top of
// FileReader, and the failure injection and observation seams for tests.
#include <string>
#include <utility>

#include "os/os.h"
#include "os/os_detail.h"

namespace os {

namespace {

struct InjectedFailure {
  bool armed = false;
  testing::ReplaceStep step = testing::ReplaceStep::Create;
  FileError error = FileError::None;
};
InjectedFailure injected;

struct Observer {
  testing::ReplaceStep step = testing::ReplaceStep::Create;
  std::function<void(const std::string&)> call;
};
Observer observer;

}  // namespace

bool readRegularFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  FileReader reader;
  if (!reader.open(path)) return false;
  char chunk[65536];
  for (;;) {
    const std::ptrdiff_t n = reader.read(chunk, sizeof chunk);
    if (n == 0) return true;
    if (n < 0) {
      bytes.clear();
      return false;
    }
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
}

namespace detail {

FileError takeInjectedFailure(testing::ReplaceStep step) {
  if (!injected.armed || injected.step != step) return FileError::None;
  injected.armed = false;
  return injected.error;
}

void observeStep(testing::ReplaceStep step, const std::string& tempPath) {
  if (!observer.call || observer.step != step) return;
  const auto call = std::move(observer.call);
  observer.call = nullptr;
  call(tempPath);
}

}  // namespace detail

namespace testing {

void failNextReplace(ReplaceStep step, FileError error) {
  injected.armed = true;
  injected.step = step;
  injected.error = error;
}

void observeNextReplace(ReplaceStep step, std::function<void(const std::string&)> call) {
  observer.step = step;
  observer.call = std::move(call);
}

}  // namespace testing

}  // namespace os

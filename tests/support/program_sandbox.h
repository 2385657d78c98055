// Test support for the program's own windows: a fresh start of the
// program-wide state, and a program file in a temporary folder of its own.
// GUI-free; used by the flow tests, the accessibility tests and the benches.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "program/program_state.h"

namespace program::testing {

// The program-wide state as a fresh start has it.
inline void resetState() {
  mainWindow = 0;
  mainMenuBar = 0;
  configuratorWindow = 0;
  programDir.clear();
  tables = {};
  configRecord = {};
  configErrorFlag = false;
  mainSavedFocus = 0;
  configuratorSavedFocus = 0;
}

// While it lives, the program runs as if its file were "velmora.exe" in a
// fresh temporary folder (so its key file goes there too), from a fresh
// state. The folder is removed and the real program path restored after.
class Sandbox {
 public:
  explicit Sandbox(std::string_view name) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    dir_ = std::filesystem::temp_directory_path() /
           ("velmora-" + std::string(name) + "-" + std::to_string(stamp));
    std::filesystem::create_directories(dir_);
    const std::u8string file = (dir_ / "velmora.exe").u8string();
    programFile().assign(file.begin(), file.end());
    saved_ = programFilePath;
    programFilePath = [] { return programFile(); };
    resetState();
  }
  ~Sandbox() {
    programFilePath = saved_;
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::filesystem::path& dir() const { return dir_; }

 private:
  // What programFilePath hands out meanwhile; a plain function pointer
  // cannot carry it.
  static std::string& programFile() {
    static std::string file;
    return file;
  }

  std::filesystem::path dir_;
  std::string (*saved_)() = nullptr;
};

}  // namespace program::testing

// Saves that are killed part-way, and two programs saving into one folder at
// once, on the real file system (POSIX: child processes by fork()).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <set>
#include <string>

#include "codetable/codetable.h"
#include "os/os.h"

namespace {

namespace fs = std::filesystem;
using namespace codetable;
using Clock = std::chrono::steady_clock;

// A fresh folder for one test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    path_ = fs::temp_directory_path() / ("velmora-durability-" + std::to_string(::getpid()) + "-" +
                                         std::to_string(Clock::now().time_since_epoch().count()));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::string file() const { return (path_ / kConfigFileName).string(); }
  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_))
      names.insert(entry.path().filename().string());
    return names;
  }

 private:
  fs::path path_;
};

// Every symbol coded by the symbol `shift` places further on: distinct,
// valid codes, different for each shift.
Codes shiftedCodes(std::size_t shift) {
  constexpr std::string_view kSymbols = "abcdefghijklmnopqrstuvwxyz0123456789";
  Codes codes;
  for (std::size_t i = 0; i < codes.size(); ++i)
    codes[i] = std::string(1, kSymbols[(i + shift) % kSymbols.size()]);
  return codes;
}

bool save(const std::string& path, const Codes& codes) {
  ConfigRecord record{};
  Tables tables;
  return saveConfigurationFile(path, codes, record, tables).ok();
}

// The file's bytes as a save of `codes` writes them.
std::string imageOf(const Codes& codes) {
  TempDir dir;
  if (!save(dir.file(), codes)) return {};
  std::string bytes;
  os::readRegularFile(dir.file(), bytes);
  return bytes;
}

// Runs `body` in a child process; its return value is the exit code.
template <typename Body>
pid_t spawn(Body body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  return pid;
}

int waitFor(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(KilledSave, LeavesTheOldRecordOrTheNewOneWhole) {
  const Codes oldCodes = shiftedCodes(1), newCodes = shiftedCodes(2);
  const std::string oldImage = imageOf(oldCodes), newImage = imageOf(newCodes);
  ASSERT_EQ(oldImage.size(), static_cast<std::size_t>(kRecordSize));
  ASSERT_NE(oldImage, newImage);
  TempDir dir;
  const std::string path = dir.file();

  // How long a child takes from fork() to the end of its save: the kills
  // fall anywhere in that span, and a little after it.
  auto saveInChild = [&] { return spawn([&] { return save(path, newCodes) ? 0 : 1; }); };
  Clock::duration span{};
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(save(path, oldCodes));
    const auto start = Clock::now();
    ASSERT_EQ(waitFor(saveInChild()), 0);
    span = std::max(span, Clock::now() - start);
  }
  const auto spanMicros = std::chrono::duration_cast<std::chrono::microseconds>(span).count();

  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  std::uniform_int_distribution<long> delay(0, spanMicros * 5 / 4);
  constexpr int kKills = 300;
  int sawOld = 0, sawNew = 0, leftBehind = 0;
  for (int i = 0; i < kKills; ++i) {
    // Each round starts from the old record; this save also removes what
    // the last killed save left.
    ASSERT_TRUE(save(path, oldCodes));
    ASSERT_EQ(dir.entries().size(), 1u) << "a stale new file survived a save";
    const pid_t child = saveInChild();
    ::usleep(static_cast<useconds_t>(delay(random)));
    ::kill(child, SIGKILL);
    waitFor(child);

    std::string bytes;
    ASSERT_TRUE(os::readRegularFile(path, bytes)) << "the file went missing, seed " << seed;
    ASSERT_TRUE(bytes == oldImage || bytes == newImage)
        << "a torn file of " << bytes.size() << " bytes after kill " << i << ", seed " << seed;
    ConfigRecord record{};
    Tables tables;
    const auto codes = loadConfigurationFile(path, record, tables);
    ASSERT_TRUE(codes && (*codes == oldCodes || *codes == newCodes));
    (bytes == oldImage ? sawOld : sawNew)++;
    leftBehind += dir.entries().size() > 1 ? 1 : 0;
  }
  ASSERT_TRUE(save(path, newCodes));
  EXPECT_EQ(dir.entries(), std::set<std::string>{std::string(kConfigFileName)});
  std::printf("%d kills over %lld us (seed %u): %d old, %d new, %d left a new file behind\n",
              kKills, static_cast<long long>(spanMicros), seed, sawOld, sawNew, leftBehind);
  // The kills reached both sides of the rename.
  EXPECT_GT(sawOld, 0);
  EXPECT_GT(sawNew, 0);
}

// Two programs save their own codes into one folder, 1,000 saves in all:
// first taking turns, then at the same time. Each loads the file after
// every save of its own and must find one whole record of either.
TEST(TwoPrograms, SavingIntoOneFolderAlwaysLeaveOneWholeRecord) {
  const Codes codes[2] = {shiftedCodes(3), shiftedCodes(4)};
  const std::string images[2] = {imageOf(codes[0]), imageOf(codes[1])};
  constexpr int kSavesEach = 250;  // per program and per way
  TempDir dir;
  const std::string path = dir.file();

  auto check = [&] {
    std::string bytes;
    if (!os::readRegularFile(path, bytes)) return false;
    if (bytes != images[0] && bytes != images[1]) return false;
    ConfigRecord record{};
    Tables tables;
    const auto loaded = loadConfigurationFile(path, record, tables);
    return loaded && (*loaded == codes[0] || *loaded == codes[1]);
  };

  for (const bool turns : {true, false}) {
    SCOPED_TRACE(turns ? "taking turns" : "at the same time");
    // Taking turns passes a token through a ring of two pipes.
    int toFirst[2], toSecond[2];
    ASSERT_EQ(::pipe(toFirst), 0);
    ASSERT_EQ(::pipe(toSecond), 0);
    auto program = [&](int me) {
      const int in = me == 0 ? toFirst[0] : toSecond[0];
      const int out = me == 0 ? toSecond[1] : toFirst[1];
      int failures = 0;
      for (int i = 0; i < kSavesEach; ++i) {
        char token = 0;
        if (turns && ::read(in, &token, 1) != 1) return 100;
        if (!save(path, codes[me]) || !check()) ++failures;
        if (turns && ::write(out, &token, 1) != 1) return 101;
      }
      return failures > 99 ? 99 : failures;
    };
    const pid_t first = spawn([&] { return program(0); });
    const pid_t second = spawn([&] { return program(1); });
    if (turns) {
      EXPECT_EQ(::write(toFirst[1], "t", 1), 1);
    }
    EXPECT_EQ(waitFor(first), 0) << "saves or loads that failed in the first program";
    EXPECT_EQ(waitFor(second), 0) << "saves or loads that failed in the second program";
    for (int fd : {toFirst[0], toFirst[1], toSecond[0], toSecond[1]}) ::close(fd);

    EXPECT_TRUE(check());
    EXPECT_EQ(dir.entries(), std::set<std::string>{std::string(kConfigFileName)})
        << "a new file was left behind";
  }
}

}  // namespace

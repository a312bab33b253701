// The atomic write: the new bytes in place, or on any failure the old file
// untouched, no temporary file left, and the system's reason in the message.
#include "util/file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kestrove {
namespace {

namespace fs = std::filesystem;

// Each case in a child with a file size limit of 100 bytes; an empty
// message is a write that succeeds.
TEST(WriteFileAtomically, ReplacesTheFileWholeOrKeepsTheOldOneAndSaysWhy) {
  const fs::path dir = fs::temp_directory_path() / ("kestrove-atomic-" + std::to_string(getpid()));
  const fs::path old = dir / "old.txt";
  fs::create_directories(dir / "folder");
  using Step = AtomicWriteError::Step;
  const std::tuple<fs::path, size_t, std::string, Step> cases[] = {
      {old, 10, "", Step::kWrite},
      {dir / "no/such.txt", 10,
       "Cannot create file " + (dir / "no/such.txt").string() + ": No such file or directory",
       Step::kCreate},
      {dir / "folder", 10, "Cannot create file " + (dir / "folder").string() + ": Is a directory",
       Step::kReplace},
      {old, 1000, "Cannot write file " + old.string() + ": File too large", Step::kWrite},
  };
  for (const auto& [target, size, message, step] : cases) {
    std::ofstream(old) << "the old text";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      std::signal(SIGXFSZ, SIG_IGN);
      rlimit limit{100, 100};
      setrlimit(RLIMIT_FSIZE, &limit);
      try {
        WriteFileAtomically(target.string(), std::string(size, 'x'));
        _exit(message.empty() ? 0 : 1);
      } catch (const AtomicWriteError& e) {
        _exit(e.what() == message && e.step() == step ? 0 : 2);
      }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << message << " (exit 1: no error, 2: another message)";
    std::ostringstream text;
    text << std::ifstream(old).rdbuf();
    EXPECT_EQ(text.str(), message.empty() ? std::string(size, 'x') : "the old text") << message;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 2) << "a temporary file was left";
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kestrove

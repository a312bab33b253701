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

class WriteFileAtomicallyTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kestrove-atomic-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  size_t Entries() { return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), {})); }
  fs::path dir_;
};

TEST_F(WriteFileAtomicallyTest, ReplacesTheFileWhole) {
  const fs::path path = dir_ / "a.txt";
  std::ofstream(path) << "old and longer";
  WriteFileAtomically(path.string(), "new");
  EXPECT_EQ(Read(path), "new");
  EXPECT_EQ(Entries(), 1u);
}

// Each way to fail, in a child where the file size limit is set: the
// message, and the old file as it was.
TEST_F(WriteFileAtomicallyTest, FailuresKeepTheOldFileAndSayWhy) {
  const fs::path old = dir_ / "old.txt";
  fs::create_directories(dir_ / "folder");
  struct Case {
    fs::path target;
    std::string message;
    AtomicWriteError::Step step;
    size_t size;  // bytes written, 100 at most within the limit
  };
  const Case cases[] = {
      {dir_ / "no" / "such.txt",
       "Cannot create file " + (dir_ / "no" / "such.txt").string() + ": No such file or directory",
       AtomicWriteError::Step::kCreate, 10},
      {dir_ / "folder", "Cannot create file " + (dir_ / "folder").string() + ": Is a directory",
       AtomicWriteError::Step::kReplace, 10},
      {old, "Cannot write file " + old.string() + ": File too large",
       AtomicWriteError::Step::kWrite, 1000},
  };
  for (const Case& c : cases) {
    std::ofstream(old) << "the old text";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      std::signal(SIGXFSZ, SIG_IGN);
      rlimit limit{100, 100};
      setrlimit(RLIMIT_FSIZE, &limit);
      try {
        WriteFileAtomically(c.target.string(), std::string(c.size, 'x'));
      } catch (const AtomicWriteError& e) {
        _exit(e.what() == c.message && e.step() == c.step ? 0 : 2);
      }
      _exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << c.message << " (1: no error, 2: another message)";
    EXPECT_EQ(Read(old), "the old text");
    EXPECT_EQ(Entries(), 2u) << "a temporary file was left behind";
  }
}

}  // namespace
}  // namespace kestrove

#include "util/file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kestrove {

namespace {

std::string Message(AtomicWriteError::Step step, int error_number, const std::string& path) {
  const char* what =
      step == AtomicWriteError::Step::kWrite ? "Cannot write file " : "Cannot create file ";
  return what + path + ": " + std::strerror(error_number);
}

// Opens a fresh file beside `path`. Its name is new to the folder (O_EXCL),
// so neither a stale file from a crash nor another writer of the same target
// is ever written through; the mode is the usual one, under the umask.
int CreateBeside(const std::string& path, std::string* temp) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0;; ++attempt) {
    *temp = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int fd = ::open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST || attempt == 100) return fd;
  }
}

}  // namespace

AtomicWriteError::AtomicWriteError(Step step, int error_number, const std::string& path)
    : std::runtime_error(Message(step, error_number, path)),
      step_(step),
      error_number_(error_number) {}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  using Step = AtomicWriteError::Step;
  std::string temp;
  const int fd = CreateBeside(path, &temp);
  if (fd < 0) throw AtomicWriteError(Step::kCreate, errno, path);
  int error = 0;
  for (size_t done = 0; done < bytes.size() && error == 0;) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      error = n < 0 ? errno : ENOSPC;
    else
      done += static_cast<size_t>(n);
  }
  // Flushed before the rename: otherwise a crash can leave the new name on
  // an empty file, the old contents gone.
  if (error == 0 && ::fsync(fd) != 0 && errno != EINVAL) error = errno;
  if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    throw AtomicWriteError(Step::kWrite, error, path);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    error = errno;
    ::unlink(temp.c_str());
    throw AtomicWriteError(Step::kReplace, error, path);
  }
}

}  // namespace kestrove

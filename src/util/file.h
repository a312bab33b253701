// File helpers every layer may use.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace kestrove {

// A file that could not be written in place. The message names the file and
// the system's reason: "Cannot create file PATH: Permission denied" (the file
// beside it could not be made, or not renamed over the target) or "Cannot
// write file PATH: No space left on device". Writers with messages of their
// own read the step and errno.
class AtomicWriteError : public std::runtime_error {
 public:
  enum class Step { kCreate, kWrite, kReplace };
  AtomicWriteError(Step step, int error_number, const std::string& path);
  Step step() const { return step_; }
  int error_number() const { return error_number_; }

 private:
  Step step_;
  int error_number_;
};

// Writes `bytes` to a new file beside `path` and renames it over `path` once
// it is wholly written and flushed to the disk, so a failure at any point
// (a full disk, a folder in the file's place) leaves the old file as it was
// and no temporary file behind. Raises AtomicWriteError.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace kestrove

// Watches the memory the program's C++ code gives back (operator delete)
// for a text, to show that a secret is wiped before its buffer is released.
// The drivers and the driver manager free with free() and are not seen.
#pragma once

#include <string>

namespace kestrove::testing {

// Counts the released blocks that hold `needle` while alive.
class FreedMemoryWatch {
 public:
  explicit FreedMemoryWatch(const std::string& needle);
  ~FreedMemoryWatch();
  FreedMemoryWatch(const FreedMemoryWatch&) = delete;
  FreedMemoryWatch& operator=(const FreedMemoryWatch&) = delete;

  int Found() const;
};

}  // namespace kestrove::testing

// Wiping the memory that held a password before it is released.
#pragma once

#include <cstddef>
#include <string>

namespace kestrove {

// Overwrites `size` bytes in a way the compiler may not drop as dead stores.
inline void WipeBytes(void* data, size_t size) {
  volatile char* p = static_cast<volatile char*>(data);
  for (size_t i = 0; i < size; ++i) p[i] = 0;
}

// Overwrites the whole buffer of `text`, also what lies past its end (a
// string moved from keeps its old characters there), and empties it.
inline void WipeSecret(std::string& text) {
  text.resize(text.capacity());
  WipeBytes(text.data(), text.size());
  text.clear();
}

}  // namespace kestrove

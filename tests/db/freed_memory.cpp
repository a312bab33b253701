// Replaces the global operator new and delete of the db test program: every
// block released while a watch is on is searched for its text.
#include "freed_memory.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

std::atomic<bool> watching{false};
char needle[128];
size_t needle_length = 0;
std::atomic<int> found{0};

void Scan(void* block) noexcept {
  if (!block || !watching.load(std::memory_order_relaxed)) return;
  if (memmem(block, malloc_usable_size(block), needle, needle_length)) ++found;
}

}  // namespace

namespace kestrove::testing {

FreedMemoryWatch::FreedMemoryWatch(const std::string& text) {
  needle_length = std::min(text.size(), sizeof needle);
  std::memcpy(needle, text.data(), needle_length);
  found = 0;
  watching = needle_length > 0;
}

FreedMemoryWatch::~FreedMemoryWatch() {
  watching = false;
}

int FreedMemoryWatch::Found() const {
  return found;
}

}  // namespace kestrove::testing

void* operator new(std::size_t size) {
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}

void operator delete(void* block) noexcept {
  Scan(block);
  std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
  Scan(block);
  std::free(block);
}

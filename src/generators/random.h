// The program's one pseudo-random number source and the draws built on it.
#pragma once

#include <cstdint>

#include "core/clock.h"

namespace kestrove {

class RandomSource {
 public:
  // Holds 0 until seeded.
  uint32_t RandomSeed = 0;

  // Seeds from the clock: milliseconds since midnight UTC.
  void SeedRandom(const Clock& clock) { RandomSeed = clock.MillisecondsSinceMidnightUtc(); }

  // Advances the seed and returns it as a fraction in [0, 1).
  double NextRandom() {
    Advance();
    return static_cast<double>(RandomSeed) / 4294967296.0;
  }

  // lo + seed × (hi − lo + 1) / 2^32, truncated toward zero, computed exactly;
  // one step past hi is folded back. The width wraps in 32 bits.
  int32_t RandomBetween(int32_t lo, int32_t hi) {
    Advance();
    const int32_t w =
        static_cast<int32_t>(static_cast<uint32_t>(hi) - static_cast<uint32_t>(lo) + 1u);
    if (lo >= 0 && w > 0) {
      // The usual case: the fraction is not negative, so truncating is
      // flooring, and seed × width / 2^32 stays below the width, so the
      // draw never passes hi.
      return lo + static_cast<int32_t>((static_cast<uint64_t>(RandomSeed) *
                                        static_cast<uint32_t>(w)) >> 32);
    }
    // x = lo + s*w / 2^32 as an exact fraction: (lo * 2^32 + s*w) / 2^32.
    const __int128 numerator =
        (static_cast<__int128>(lo) << 32) + static_cast<__int128>(RandomSeed) * w;
    // Division truncates toward zero, as the definition asks.
    int64_t c = static_cast<int64_t>(numerator / (static_cast<__int128>(1) << 32));
    if (c > hi) c -= 1;
    return static_cast<int32_t>(c);
  }

  // "A" to "Z" when upper, else "a" to "z".
  char RandomLetter(bool upper) {
    return static_cast<char>(upper ? RandomBetween(65, 90) : RandomBetween(97, 122));
  }

  // One decimal digit character.
  char RandomDigit() { return static_cast<char>('0' + RandomBetween(0, 9)); }

 private:
  void Advance() { RandomSeed = RandomSeed * 134775813u + 1u; }
};

}  // namespace kestrove

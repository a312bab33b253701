#include "generators/random.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <vector>

namespace kestrove {
namespace {

TEST(RandomSourceTest, SeedSequenceFromZero) {
  RandomSource r;
  const std::array<uint32_t, 5> expected = {1u, 134775814u, 3698175007u, 870078620u, 1172187917u};
  for (uint32_t seed : expected) {
    r.NextRandom();
    EXPECT_EQ(r.RandomSeed, seed);
  }
}

TEST(RandomSourceTest, NextRandomIsSeedOverTwoToThe32) {
  RandomSource r;
  r.RandomSeed = 134775814u;
  const double f = r.NextRandom();
  EXPECT_EQ(r.RandomSeed, 3698175007u);
  EXPECT_DOUBLE_EQ(f, 3698175007.0 / 4294967296.0);
}

struct DigitVector {
  uint32_t seed;
  std::array<int32_t, 5> digits;
};

class RandomDigitVectorTest : public testing::TestWithParam<DigitVector> {};

TEST_P(RandomDigitVectorTest, FiveDigits) {
  RandomSource r;
  r.RandomSeed = GetParam().seed;
  for (int32_t d : GetParam().digits) EXPECT_EQ(r.RandomBetween(0, 9), d);
}

INSTANTIATE_TEST_SUITE_P(KnownSeeds, RandomDigitVectorTest,
                         testing::Values(DigitVector{0, {0, 0, 8, 2, 2}},
                                         DigitVector{43200000, {3, 4, 7, 2, 4}}));

TEST(RandomSourceTest, SeedFromClockIsMillisecondsSinceMidnight) {
  RandomSource r;
  FixedClock noon(43200000, {2026, 12, 9});
  r.SeedRandom(noon);
  EXPECT_EQ(r.RandomSeed, 43200000u);
}

// Degenerate and reversed ranges give fixed results whatever the seed.
struct FixedRange {
  int32_t lo, hi, always;
};

class RandomBetweenFixedTest : public testing::TestWithParam<FixedRange> {};

TEST_P(RandomBetweenFixedTest, AlwaysTheSame) {
  RandomSource r;
  r.RandomSeed = 12345;
  for (int i = 0; i < 2000; ++i)
    EXPECT_EQ(r.RandomBetween(GetParam().lo, GetParam().hi), GetParam().always);
}

INSTANTIATE_TEST_SUITE_P(Edges, RandomBetweenFixedTest,
                         testing::Values(FixedRange{5, 5, 5}, FixedRange{1, 0, 0},
                                         FixedRange{0, -1, -1}, FixedRange{-7, -7, -7}));

// Draws a value for a seed chosen so that the new seed is exactly `next_seed`.
int32_t DrawWithNextSeed(uint32_t next_seed, int32_t lo, int32_t hi) {
  // Invert seed' = seed * 134775813 + 1 (mod 2^32) with the multiplier's inverse.
  uint32_t inverse = 1;
  for (int i = 0; i < 5; ++i)
    inverse *= 2 - 134775813u * inverse;  // Newton for the inverse mod 2^32
  RandomSource r;
  r.RandomSeed = (next_seed - 1u) * inverse;
  return r.RandomBetween(lo, hi);
}

TEST(RandomBetweenTest, NegativeRangeFifths) {
  // Fractions in the five fifths of [0, 1) give -1, 0, 0, 1, 2; -2 only for 0.
  const uint64_t two32 = 1ull << 32;
  const std::array<int32_t, 5> by_fifth = {-1, 0, 0, 1, 2};
  for (int fifth = 0; fifth < 5; ++fifth) {
    const uint32_t inside = static_cast<uint32_t>(two32 * fifth / 5 + two32 / 10);
    EXPECT_EQ(DrawWithNextSeed(inside, -2, 2), by_fifth[fifth]) << "fifth " << fifth;
  }
  EXPECT_EQ(DrawWithNextSeed(0, -2, 2), -2);
  EXPECT_EQ(DrawWithNextSeed(1, -2, 2), -1);
}

TEST(RandomBetweenTest, ReversedRangeTenToOne) {
  // 1..8 evenly; 9 only for the fraction 0; never 10.
  EXPECT_EQ(DrawWithNextSeed(0, 10, 1), 9);
  RandomSource r;
  r.RandomSeed = 777;
  std::map<int32_t, int> counts;
  const int draws = 80000;
  for (int i = 0; i < draws; ++i) counts[r.RandomBetween(10, 1)]++;
  for (int v = 1; v <= 8; ++v) EXPECT_NEAR(counts[v], draws / 8, draws / 8 / 10) << v;
  EXPECT_EQ(counts.size(), 8u);  // 9 needs the exact fraction 0, which a sample of this size misses
}

TEST(RandomBetweenTest, ExactProductNeedsSixtyFourBits) {
  // With a large width a double product would round; the exact result is
  // lo + floor(s * w / 2^32).
  const uint32_t s = 4294967295u;  // the largest seed
  const int32_t lo = 0, hi = 2147483646;
  const int64_t w = static_cast<int64_t>(hi) - lo + 1;
  const int64_t expected = static_cast<int64_t>((static_cast<__int128>(s) * w) >> 32);
  EXPECT_EQ(DrawWithNextSeed(s, lo, hi), expected);
}

TEST(RandomBetweenTest, FullRangeWrapsWidth) {
  // The width of the whole signed range wraps to 0: every draw gives lo.
  EXPECT_EQ(DrawWithNextSeed(123456789u, INT32_MIN, INT32_MAX), INT32_MIN);
}

TEST(RandomBetweenTest, DigitsUniformOverLongRun) {
  RandomSource r;
  r.RandomSeed = 99;
  std::array<int, 10> counts{};
  const int draws = 1000000;
  for (int i = 0; i < draws; ++i) counts[r.RandomBetween(0, 9)]++;
  for (int c : counts) EXPECT_NEAR(c, draws / 10, draws / 100);
}

TEST(RandomSourceTest, LettersStayInTheirCase) {
  RandomSource r;
  r.RandomSeed = 5;
  for (int i = 0; i < 5000; ++i) {
    const char up = r.RandomLetter(true);
    const char low = r.RandomLetter(false);
    ASSERT_TRUE(up >= 'A' && up <= 'Z') << up;
    ASSERT_TRUE(low >= 'a' && low <= 'z') << low;
  }
}

}  // namespace
}  // namespace kestrove

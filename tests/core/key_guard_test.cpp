#include "core/key_guard.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace kestrove {
namespace {

// A plain LCG stands in for the run's random source.
uint64_t NextOffset(uint32_t& seed, uint64_t n) {
  seed = seed * 134775813u + 1u;
  return static_cast<uint64_t>(seed) * n >> 32;
}

TEST(DistinctSampler, DrawsEveryIndexLeftOnceAndNoneTakenOut) {
  // Kept in hash maps (few draws expected) and in arrays (the whole space).
  for (const uint64_t expected : {0u, 1000u}) {
    SCOPED_TRACE(expected);
    DistinctSampler sampler(1000, expected);
    for (uint64_t taken : {3u, 999u, 0u, 500u}) EXPECT_TRUE(sampler.TakeOut(taken));
    EXPECT_FALSE(sampler.TakeOut(3));
    EXPECT_FALSE(sampler.TakeOut(1000));
    std::set<uint64_t> drawn;
    uint32_t seed = 7;
    while (sampler.Left() > 0) drawn.insert(sampler.Take(NextOffset(seed, sampler.Left())));
    EXPECT_EQ(drawn.size(), 996u);
    for (uint64_t taken : {3u, 999u, 0u, 500u}) EXPECT_EQ(drawn.count(taken), 0u);
  }
}

TEST(DistinctSampler, FirstDrawsAreUniformOverWhatIsLeft) {
  // 6 combinations, 2 of them in the table: each of the other 4 should come
  // first (and second) about a quarter of the time.
  std::map<uint64_t, int> first, second;
  uint32_t seed = 1;
  constexpr int kRuns = 40000;
  for (int run = 0; run < kRuns; ++run) {
    DistinctSampler sampler(6, run % 2 ? 6 : 0);
    sampler.TakeOut(2);
    sampler.TakeOut(5);
    ++first[sampler.Take(NextOffset(seed, sampler.Left()))];
    ++second[sampler.Take(NextOffset(seed, sampler.Left()))];
  }
  for (auto* counts : {&first, &second}) {
    EXPECT_EQ(counts->size(), 4u);
    for (const auto& [index, n] : *counts) {
      EXPECT_NE(index, 2u);
      EXPECT_NE(index, 5u);
      EXPECT_NEAR(n, kRuns / 4, kRuns / 40) << index;
    }
  }
}

TEST(DigestSet, KeepsEveryDigestThroughGrowth) {
  DigestSet set;
  for (uint64_t i = 0; i < 5000; ++i) EXPECT_TRUE(set.Insert(DigestOf({std::to_string(i)})));
  for (uint64_t i = 0; i < 5000; ++i) EXPECT_FALSE(set.Insert(DigestOf({std::to_string(i)})));
  EXPECT_TRUE(set.Insert(0));
  EXPECT_FALSE(set.Insert(0));
  EXPECT_EQ(set.Size(), 5001u);
  // Parts are kept apart: ("ab", "c") is not ("a", "bc").
  EXPECT_NE(DigestOf({"ab", "c"}), DigestOf({"a", "bc"}));
}

TEST(ChoiceCapacity, CountsWhatAChoiceCanMake) {
  struct Case {
    int32_t code;
    const char* param1;
    const char* param2;
    std::optional<uint64_t> capacity;
  } cases[] = {
      {15, "a;b;c;d;e", "", 5},
      {15, "a;b;a;", "", 2},
      {201, "1", "10", 10},
      {201, "-5", "5", 11},
      {3, "100", "199", 100},
      {200, "7", "", 1},
      {402, "", "", 2},
      {64, "", "", std::nullopt},
      {206, "", "", std::nullopt},
      {15, "1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17;18", "", 16},
  };
  for (const Case& c : cases) {
    TFieldStruct field;
    field.ChoiceCode = c.code;
    field.Param1 = c.param1;
    field.Param2 = c.param2;
    EXPECT_EQ(ChoiceCapacity(field), c.capacity) << c.code << " " << c.param1;
  }
}

TEST(SharedCounterWarnings, NamesTablesWithTwoCounters) {
  auto state = ProfileState::Create();
  state->ClearProfile();
  const std::pair<const char*, std::vector<int32_t>> tables[] = {
      {"store", {206, 206}}, {"staff", {206, 64}}, {"tag", {2, 206, 2}}};
  for (int slot = 0; slot < 3; ++slot) {
    state->Tables[slot].TableName = tables[slot].first;
    for (size_t i = 0; i < tables[slot].second.size(); ++i) {
      auto& field = state->Tables[slot].Fields[i];
      field.FieldName = "f" + std::to_string(i);
      field.ChoiceBase = tables[slot].second[i];
    }
  }
  const auto warnings = SharedCounterWarnings(*state, 3);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0].rfind("table store has 2 Counters (f0, f1): they share one count", 0), 0u)
      << warnings[0];
  EXPECT_EQ(warnings[1].rfind("table tag has 3 Counters (f0, f1, f2)", 0), 0u) << warnings[1];
}

}  // namespace
}  // namespace kestrove

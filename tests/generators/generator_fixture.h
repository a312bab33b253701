// Shared set-up of the generator tests: small fixed lookup lists, a fixed
// clock, a fixed seed, and a twin random source for computing expected draws.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/errors.h"
#include "core/lookup_ids.h"
#include "core/profile.h"
#include "expect_error.h"
#include "generators/generators.h"
#include "generators/random.h"

namespace kestrove::testing {

struct TownRow {
  std::string town;
  std::string county;
  std::string post_code;
};

// Lookup lists held in vectors, read the way the list store reads them: a
// position past the end reads the last entry, an empty list reads empty text,
// the closed street list raises.
class FakeLists : public ListSource {
 public:
  std::array<std::vector<std::string>, kLookupListCount> lists;  // town list unused here
  std::vector<TownRow> towns;
  bool street_closed = false;
  int reads = 0;

  std::string_view PickListValue(int selector, int32_t position) override {
    ++reads;
    if (selector == kSelStreet && street_closed) throw EListError("List is closed");
    const int list = ListOfSelector(selector);
    if (list == kTownList) {
      if (towns.empty()) return {};
      const TownRow& row = towns[Clamp(position, towns.size())];
      if (selector == kSelCounty) return row.county;
      if (selector == kSelPostCode) return row.post_code;
      return row.town;
    }
    const auto& values = lists[list];
    if (values.empty()) return {};
    return values[Clamp(position, values.size())];
  }

  int32_t Count(int list) const {
    return static_cast<int32_t>(list == kTownList ? towns.size() : lists[list].size());
  }

 private:
  static size_t Clamp(int32_t position, size_t size) {
    return position < 0 ? 0 : std::min(static_cast<size_t>(position), size - 1);
  }
};

constexpr uint32_t kSeed = 20030719;

class GeneratorsTest : public ::testing::Test {
 protected:
  GeneratorsTest() : state_(ProfileState::Create()), clock_(0, {2026, 12, 8}) {
    lists_.lists[kSurnameList] = {"Smith", "Jones", "Brown"};
    lists_.lists[kForenamesMList] = {"John", "Peter", "Alan"};
    lists_.lists[kForenamesFList] = {"Anne", "Jane", "Mary"};
    lists_.towns = {{"Gloucester", "Gloucestershire", "GL"},
                    {"London", "London", "EC"},
                    {"Leeds", "West Yorkshire", "LS"},
                    {"Twelve", "Numbered", "12"}};
    lists_.lists[kStreetList] = {"High", "Church"};
    lists_.lists[kCompanyList] = {"Acme Ltd", "Bolt plc"};
    for (int k = 0; k < 6; ++k)
      lists_.lists[kUser1List + k] = {"u" + std::to_string(k + 1) + "a",
                                      "u" + std::to_string(k + 1) + "b"};
    UpdateCounts();
    random_.RandomSeed = kSeed;
    twin_.RandomSeed = kSeed;
    gen_ = std::make_unique<Generators>(*state_, random_, lists_, clock_);
  }

  void UpdateCounts() {
    for (int list = 0; list < kLookupListCount; ++list)
      state_->LookupCounts[list] = lists_.Count(list);
  }

  // What the run does before each record.
  void NewRecord() {
    state_->ClearRecordScratch();
    state_->RecordGender = 0;
  }

  // What the run does at the start of each table.
  void NewTable() {
    state_->ClearTableScratch();
    state_->TableCounter = 1;
    NewRecord();
  }

  std::string Gen(int32_t code, const std::string& p1 = "", const std::string& p2 = "") {
    return gen_->Generate(code, p1, p2);
  }

  std::string& Sync(SyncSlot slot) { return state_->RecordSync[slot]; }
  int32_t& RecordTownRow() { return state_->RecordTownRow; }

  // The same draws the generator should make, from a source with the same seed.
  int32_t Twin(int32_t lo, int32_t hi) { return twin_.RandomBetween(lo, hi); }
  char TwinDigit() { return twin_.RandomDigit(); }
  char TwinLetter(bool upper) { return twin_.RandomLetter(upper); }

  std::unique_ptr<ProfileState> state_;
  FixedClock clock_;
  FakeLists lists_;
  RandomSource random_;
  RandomSource twin_;
  std::unique_ptr<Generators> gen_;
};

inline bool AllOf(const std::string& text, int (*predicate)(int)) {
  for (unsigned char c : text)
    if (!predicate(c)) return false;
  return !text.empty();
}

}  // namespace kestrove::testing

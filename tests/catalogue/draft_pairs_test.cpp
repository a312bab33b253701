// The pairs of date columns the draft orders, and its NULL shares.
#include "catalogue/draft_pairs.h"

#include <gtest/gtest.h>

namespace kestrove {
namespace {

TEST(DraftPairs, OrderedAfterKnowsPairsByName) {
  struct Case {
    std::vector<ColumnFacts> columns;  // the last one is asked about
    const char* after;                 // nullptr: none
  };
  const ColumnFacts id{"id", ftInteger, 4};
  const Case cases[] = {
      {{id, {"rental_date", ftDateTime, 0}, {"return_date", ftDateTime, 0}}, "rental_date"},
      {{{"create_date", ftDate, 0}, id, {"last_update", ftDateTime, 0}}, "create_date"},
      {{{"CreatedAt", ftDateTime, 0}, {"UpdatedAt", ftDateTime, 0}}, "CreatedAt"},
      {{{"order_date", ftDate, 0}, {"shipped_date", ftDate, 0}}, "order_date"},
      {{{"date_of_birth", ftDate, 0}, {"joined_on", ftDate, 0}}, "date_of_birth"},
      {{{"start_date", ftDate, 0}, {"end_date", ftDate, 0}}, "start_date"},
      // The rest of the names must agree.
      {{{"trial_start", ftDate, 0}, {"paid_start", ftDate, 0}, {"trial_end", ftDate, 0}},
       "trial_start"},
      {{{"trial_start", ftDate, 0}, {"contract_end", ftDate, 0}}, nullptr},
      // The earlier one must come first, and both must be dates.
      {{{"end_date", ftDate, 0}, {"start_date", ftDate, 0}}, nullptr},
      {{{"return_date", ftDate, 0}, {"rental_date", ftDate, 0}}, nullptr},
      {{{"rental_date", ftString, 10}, {"return_date", ftDate, 0}}, nullptr},
      {{{"rental_date", ftDate, 0}, {"return_date", ftString, 10}}, nullptr},
      {{{"birth_date", ftDate, 0}, {"end_date", ftDate, 0}}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.columns.back().name);
    const auto pair = OrderedAfter(c.columns.back(), c.columns);
    ASSERT_EQ(pair.has_value(), c.after != nullptr);
    if (!pair) continue;
    EXPECT_EQ(pair->first, c.after);
    // Every gap the draft writes is a range of days a named profile reads.
    EXPECT_TRUE(ReadGap(pair->second)) << pair->second;
  }
}

TEST(DraftPairs, NullSharesOnNullableColumnsOutsideKeys) {
  TableFacts table;
  table.primary_key = {"id"};
  table.unique_keys = {{"u", {"code", "shop"}}};
  auto column = [](const char* name, bool nullable) {
    ColumnFacts facts{name, ftInteger, 4};
    facts.nullable = nullable;
    return facts;
  };
  EXPECT_FALSE(NullShareFor(column("id", true), table));
  EXPECT_FALSE(NullShareFor(column("shop", true), table));
  EXPECT_FALSE(NullShareFor(column("rental_id", false), table));
  const auto share = NullShareFor(column("rental_id", true), table);
  ASSERT_TRUE(share);
  EXPECT_GT(*share, 0);
  EXPECT_LT(*share, 0.5);
}

}  // namespace
}  // namespace kestrove

// CHECK texts as each database states them, read into one column's range or
// list, and the forms that must give nothing.
#include "catalogue/check_facts.h"

#include <gtest/gtest.h>

namespace kestrove {
namespace {

struct CheckCase {
  const char* text;
  const char* column;  // nullptr: not simple
  const char* low;
  const char* high;
  bool low_open, high_open;
  std::vector<std::string> allowed;
};

TEST(ParseCheck, ReadsTheSimpleFormsOfEachDatabase) {
  const CheckCase cases[] = {
      // PostgreSQL's pg_get_constraintdef: BETWEEN turned into AND, IN into ANY.
      {"CHECK (((grade >= 1) AND (grade <= 5)))", "grade", "1", "5", false, false, {}},
      {"CHECK (((shift)::text = ANY ((ARRAY['E'::character varying, 'L'::character "
       "varying])::text[])))",
       "shift",
       "",
       "",
       false,
       false,
       {"E", "L"}},
      {"CHECK (((VALUE >= 1901) AND (VALUE <= 2155)))", "VALUE", "1901", "2155", false, false, {}},
      {"CHECK ((amount >= (0)::numeric))", "amount", "0", "", false, false, {}},
      {"CHECK (((paid_on >= '2026-01-01'::date) AND (paid_on < '2026-07-01'::date)))",
       "paid_on",
       "'2026-01-01'",
       "'2026-07-01'",
       false,
       true,
       {}},
      // MariaDB's CHECK_CLAUSE, with its quotes.
      {"`hours` between 1 and 72", "hours", "1", "72", false, false, {}},
      {"`shift` in ('E','L','N')", "shift", "", "", false, false, {"E", "L", "N"}},
      // SQLite's own text, a typed literal, a constant on the left.
      {"(paid_on BETWEEN DATE '2026-01-01' AND '2026-12-31')",
       "paid_on",
       "'2026-01-01'",
       "'2026-12-31'",
       false,
       false,
       {}},
      {"(-5 < \"Level\")", "Level", "-5", "", true, false, {}},
      {"(name IN ('O''Brien'))", "name", "", "", false, false, {"O'Brien"}},
      // Not simple: two columns, OR, a function, arithmetic.
      {"(a >= 1 AND b <= 2)", nullptr, "", "", false, false, {}},
      {"((a = 1) OR (a = 2))", nullptr, "", "", false, false, {}},
      {"json_valid(`details`)", nullptr, "", "", false, false, {}},
      {"(price * 2 > 0)", nullptr, "", "", false, false, {}},
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.text);
    const auto check = ParseCheck(c.text);
    if (!c.column) {
      EXPECT_FALSE(check.has_value());
      continue;
    }
    ASSERT_TRUE(check.has_value());
    EXPECT_EQ(check->column, c.column);
    EXPECT_EQ(check->facts.low, c.low);
    EXPECT_EQ(check->facts.high, c.high);
    EXPECT_EQ(check->facts.high_open, c.high_open);
    EXPECT_EQ(check->facts.low_open, c.low_open);
    EXPECT_EQ(check->facts.allowed, c.allowed);
  }
}

}  // namespace
}  // namespace kestrove

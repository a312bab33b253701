// Names as a data source needs them: quoted only where it must be.
#include "db/identifiers.h"

#include <gtest/gtest.h>

namespace kestrove {
namespace {

TEST(QuoteIdentifier, QuotesOnlyWhatTheDataSourceWouldMisread) {
  IdentifierRules folding;  // PostgreSQL: folds to lower case
  folding.folds = IdentifierRules::Folding::kLower;
  folding.keywords = {"ANALYSE"};
  IdentifierRules backticks;  // MariaDB: keeps the case, quotes in backticks
  backticks.quote = '`';
  const struct {
    const IdentifierRules& rules;
    const char* name;
    const char* quoted;
  } cases[] = {
      {folding, "Customer", "\"Customer\""},
      {folding, "group", "\"group\""},
      {folding, "analyse", "\"analyse\""},
      {folding, "1st", "\"1st\""},
      {folding, "say\"hi", "\"say\"\"hi\""},
      {folding, "Sales.Order", "\"Sales\".\"Order\""},
      {folding, "supply.supplier", "supply.supplier"},
      {backticks, "Customer", "Customer"},
      {backticks, "order", "`order`"},
  };
  for (const auto& c : cases) EXPECT_EQ(QuoteTableName(c.name, c.rules), c.quoted) << c.name;
  IdentifierRules none;
  none.quote = '\0';
  EXPECT_EQ(QuoteIdentifier("group", none), "group");
}

}  // namespace
}  // namespace kestrove

// Names as a data source needs them: quoted only where it must be.
#include "db/identifiers.h"

#include <gtest/gtest.h>

namespace kestrove {
namespace {

TEST(QuoteIdentifier, QuotesOnlyWhatTheDataSourceWouldMisread) {
  IdentifierRules lower;  // PostgreSQL: folds to lower case
  lower.folds = IdentifierRules::Folding::kLower;
  lower.keywords = {"ANALYSE"};
  IdentifierRules backticks;  // MariaDB: keeps the case, quotes in backticks
  backticks.quote = '`';
  const std::tuple<const IdentifierRules*, const char*, const char*> cases[] = {
      {&lower, "Customer", "\"Customer\""},
      {&lower, "group", "\"group\""},
      {&lower, "analyse", "\"analyse\""},
      {&lower, "1st", "\"1st\""},
      {&lower, "say\"hi", "\"say\"\"hi\""},
      {&lower, "Sales.Order", "\"Sales\".\"Order\""},
      {&lower, "supply.supplier", "supply.supplier"},
      {&backticks, "Customer", "Customer"},
      {&backticks, "order", "`order`"},
  };
  for (const auto& [rules, name, quoted] : cases)
    EXPECT_EQ(QuoteTableName(name, *rules), quoted) << name;
}

}  // namespace
}  // namespace kestrove

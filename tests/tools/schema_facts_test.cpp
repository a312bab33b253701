// What the schema reader learns of the bike hire shop on each driver: the
// facts each database keeps its own way, read into the same TableFacts.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/database_schema.h"
#include "tools/any_schema.h"

namespace kestrove::testing {
namespace {

// One fact of a column as text, so that a row of the table below covers
// every driver.
std::string Fact(const TableFacts& t, const std::string& column, const std::string& what) {
  const auto c = std::find_if(t.columns.begin(), t.columns.end(),
                              [&](const ColumnFacts& f) { return f.name == column; });
  if (c == t.columns.end()) return "no such column";
  if (what == "not null") return c->nullable ? "no" : "yes";
  if (what == "digits") return std::to_string(c->precision) + "," + std::to_string(c->scale);
  if (what == "made by db")
    return c->always_generated ? "always"
           : c->auto_increment ? "auto"
           : c->generated      ? "gen"
                               : "no";
  if (what == "has default") return c->default_value.empty() ? "no" : "yes";
  if (what == "labels") {
    std::vector<std::string> labels = c->enum_labels;
    for (const CheckFacts& check : c->checks)
      labels.insert(labels.end(), check.allowed.begin(), check.allowed.end());
    std::string out;
    for (const std::string& l : labels) out += (out.empty() ? "" : ",") + l;
    return out;
  }
  if (what == "range") {
    for (const CheckFacts& check : c->checks)
      if (!check.low.empty() || !check.high.empty())
        return check.low + (check.high_open ? ".." : "...") + check.high;
    return "";
  }
  if (what == "unique") {
    for (const UniqueKey& key : t.unique_keys)
      if (key.columns == std::vector<std::string>{column}) return "yes";
    return "no";
  }
  if (what == "references") {
    const auto r = t.references.find(column);
    return r == t.references.end() ? "" : r->second.table + "." + r->second.column;
  }
  return "unknown fact " + what;
}

class SchemaFactsTest : public DriverTest {};

TEST_P(SchemaFactsTest, ReadsEachDatabasesOwnFactsIntoTheSameTable) {
  const AnyDialect dialect = DialectOf(GetParam());
  LoadAnySchema(db_, dialect);
  DatabaseSchema schema(db_);
  const std::vector<std::string> names = schema.TableNames();

  struct Row {
    const char* table;
    const char* column;
    const char* what;
    const char* sqlite;
    const char* pg;
    const char* mariadb;
  };
  const Row rows[] = {
      {"staff", "shift", "labels", "E,L,N", "E,L,N", "E,L,N"},
      {"staff", "grade", "range", "1...5", "1...5", "1...5"},
      {"staff", "reports_to", "not null", "no", "no", "no"},
      {"bike_model", "frame", "labels", "steel,aluminium,carbon,titanium",
       "steel,aluminium,carbon,titanium", "steel,aluminium,carbon,titanium"},
      {"bike_model", "wheel_in", "digits", "4,2", "4,2", "4,2"},
      {"bike_model", "model_year", "range", "1901...2155", "1901...2155", ""},
      {"bike_model", "supplier_id", "references", "supplier.supplier_id",
       "supply.supplier.supplier_id", "supply.supplier.supplier_id"},
      {"depot", "depot_id", "made by db", "auto", "auto", "auto"},
      {"depot", "depot_id", "not null", "yes", "yes", "yes"},
      {"depot", "manager_staff_id", "unique", "yes", "yes", "yes"},
      {"depot", "last_update", "has default", "yes", "yes", "yes"},
      {"Customer", "CustomerId", "made by db", "auto", "always", "auto"},
      {"part", "price_gross", "made by db", "always", "always", "always"},
      {"hire", "cost", "made by db", "always", "always", "always"},
      {"hire", "rate", "range", "2.50...60.00", "2.50...60.00", "2.50...60.00"},
      {"payment", "paid_on", "range", "'2026-01-01'...'2026-12-31'", "'2026-01-01'..'2027-01-01'",
       "'2026-01-01'...'2026-12-31'"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.table) + "." + row.column + " " + row.what);
    ASSERT_NE(std::find(names.begin(), names.end(), row.table), names.end());
    const TableFacts facts = schema.Facts(row.table);
    const char* expected = dialect == AnyDialect::Sqlite     ? row.sqlite
                           : dialect == AnyDialect::Postgres ? row.pg
                                                             : row.mariadb;
    EXPECT_EQ(Fact(facts, row.column, row.what), expected);
  }

  // Kinds, and the tables of the second schema named by it.
  auto kind_of = [&](const std::string& name) {
    const auto at = std::find(names.begin(), names.end(), name);
    return at == names.end() ? TableKind::kTable
                             : schema.Kind(static_cast<size_t>(at - names.begin()));
  };
  EXPECT_EQ(kind_of("depot_staff"), TableKind::kView);
  const std::string supplier = dialect == AnyDialect::Sqlite ? "supplier" : "supply.supplier";
  EXPECT_NE(std::find(names.begin(), names.end(), supplier), names.end());
  if (dialect == AnyDialect::Postgres) {
    EXPECT_EQ(kind_of("hire_by_month"), TableKind::kMaterializedView);
    EXPECT_EQ(kind_of("payment"), TableKind::kPartitioned);
    EXPECT_EQ(kind_of("payment_2026_h1"), TableKind::kPartition);
  }
  // --schema narrows the list to that schema alone.
  DatabaseSchema supply_only(db_, dialect == AnyDialect::Sqlite ? "main" : "supply");
  EXPECT_EQ(supply_only.TableNames().size(), dialect == AnyDialect::Sqlite    ? names.size()
                                             : dialect == AnyDialect::MariaDb ? 1u
                                                                              : 2u);
}

KESTROVE_INSTANTIATE_ANY_SCHEMA_DRIVERS(SchemaFactsTest);

}  // namespace
}  // namespace kestrove::testing

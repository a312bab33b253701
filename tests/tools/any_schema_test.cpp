// The whole-schema tests' own footing: the bike hire shop, full and base,
// loads on each driver's data source, its check finds nothing on the empty
// schema, and finds a key that names no row once one is planted behind the
// database's back.
#include "tools/any_schema.h"

#include <gtest/gtest.h>

namespace kestrove::testing {
namespace {

class AnySchemaTest : public DriverTest {
 protected:
  AnyDialect Dialect() const { return DialectOf(GetParam()); }

  // Stops the database from holding the keys on this connection.
  void KeysOff() {
    switch (Dialect()) {
      case AnyDialect::Sqlite:
        Exec("PRAGMA foreign_keys = OFF");
        break;
      case AnyDialect::Postgres:
        Exec("SET session_replication_role = replica");
        break;
      case AnyDialect::MariaDb:
        Exec("SET foreign_key_checks = 0");
        break;
    }
  }
};

TEST_P(AnySchemaTest, LoadsEmptyAndItsCheckFindsAnOrphanOnlyOncePlanted) {
  for (const AnySchemaVariant variant : {AnySchemaVariant::Full, AnySchemaVariant::Base}) {
    const std::string stem = AnySchemaStem(variant);
    SCOPED_TRACE(stem);
    LoadAnySchema(db_, Dialect(), stem);
    auto counts = CheckAnySchema(db_, Dialect(), stem);
    EXPECT_EQ(Faults(counts).size(), 0u) << ::testing::PrintToString(Faults(counts));
    const auto empty = RowCounts(counts);
    EXPECT_FALSE(empty.empty());
    for (const auto& [table, rows] : empty) EXPECT_EQ(rows, 0) << table;

    // A member of staff at a depot that does not exist.
    KeysOff();
    Exec(
        "INSERT INTO staff (staff_id, depot_id, first_name, last_name, is_active, shift, "
        "grade, start_date) VALUES (1, 99, 'Ann', 'Lee', '1', 'E', 3, '2020-04-01')");
    counts = CheckAnySchema(db_, Dialect(), stem);
    EXPECT_EQ(CountOf(counts, "fk:staff.depot_id->depot"), 1);
    EXPECT_EQ(Faults(counts).size(), 1u) << ::testing::PrintToString(Faults(counts));
    EXPECT_EQ(RowCounts(counts)["staff"], 1);

    // Loading again clears the rows and the broken key with the tables.
    LoadAnySchema(db_, Dialect(), stem);
    counts = CheckAnySchema(db_, Dialect(), stem);
    EXPECT_EQ(Faults(counts).size(), 0u) << ::testing::PrintToString(Faults(counts));
    EXPECT_EQ(CountRows("staff"), 0);
  }
}

KESTROVE_INSTANTIATE_ANY_SCHEMA_DRIVERS(AnySchemaTest);

}  // namespace
}  // namespace kestrove::testing

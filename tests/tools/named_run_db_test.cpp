// A named profile run on each driver's whole-schema data source: the
// named-only classes, a mixed-case table, a column named by a reserved
// word, a table of another schema, and keys a sequence feeds, which a plain
// Insert after the run must not repeat.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "tools/any_schema.h"
#include "util/text.h"

namespace kestrove::testing {
namespace {

using testing_support::RunTool;

// The profile, with {supplier} the supplier table's name, {extras} the
// fields only one dialect has, and {tables} the tables only one fills.
const char kProfile[] = R"([run]
order = "parents-first"
cache_lookups = true

[[table]]
name = "{supplier}"
records = 3
fields = [
  { name = "supplier_id", choice = "Counter", "Starting Value" = "10" },
  { name = "name", choice = "Surname" },
  { name = "state", choice = "Choice", List = "Kent;Avon" },
]

[[table]]
name = "bike"
records = 5
fields = [
  { name = "bike_id", class = "bigint", choice = "Counter", "Starting Value" = "5000000000" },
  { name = "model_id", class = "integer", choice = "Fixed Value", Value = "1" },
  { name = "depot_id", class = "integer", choice = "Database Lookup", "Field Name" = "depot_id", TableName = "depot" },
  { name = "serial_no", class = "uuid", choice = "UUID" },
  { name = "tag", class = "binary", choice = "Random Bytes" },
  { name = "key_code", class = "binary", choice = "Random Bytes", Length = "4" },
  { name = "group", choice = "Formatted", "Data Format" = "g~" },
  { name = "in_service", class = "bool", choice = "Random" },
  { name = "bought_on", choice = "Random Date", From = "2020/01/01", To = "2024/12/31" },{extras}
]

[[table]]
name = "Customer"
records = 3
fields = [
  { name = "FirstName", choice = "Choice", List = "Ann;Bo" },
  { name = "LastName", choice = "Surname" },
  { name = "Email", choice = "Increment", "Fixed Part" = "c~@x.io", "Value to increment" = "1" },
  { name = "CreatedAt", choice = "Random DateTime", From = "2024/01/01", To = "2024/06/30" },
  { name = "UpdatedAt", choice = "Random DateTime", From = "2024/07/01", To = "2024/12/31" },{customer}
]
{tables})";

// PostgreSQL's one SERIAL key; its manager's key is dropped for the test.
const char kPgDepot[] = R"(
[[table]]
name = "depot"
records = 3
fields = [
  { name = "depot_id", choice = "Counter", "Starting Value" = "10" },
  { name = "manager_staff_id", choice = "Counter" },
  { name = "name", choice = "Town/City" },
  { name = "county", choice = "Choice", List = "Kent;Avon" },
]
)";

// Each query gives one number; {supplier} as in the profile. MariaDB reads
// them with ANSI_QUOTES.
const struct {
  const char* what;
  const char* query;
  int64_t expected;
} kCases[] = {
    {"64-bit keys from the Counter", "SELECT count(*) FROM bike WHERE bike_id >= 5000000000", 5},
    {"version 4 UUIDs, all different",
     "SELECT count(DISTINCT serial_no) FROM bike WHERE substr(CAST(serial_no AS CHAR(36)), 15, "
     "1) = '4'",
     5},
    {"bytes and booleans",
     "SELECT count(*) FROM bike WHERE length(tag) > 0 AND length(key_code) = 4 AND in_service IN "
     "(TRUE, FALSE)",
     5},
    {"a column named by a reserved word", "SELECT count(*) FROM bike WHERE \"group\" LIKE 'g_'", 5},
    {"the table of another schema", "SELECT count(*) FROM {supplier}", 4},
    {"a plain Insert after the run takes a key past the run's (AUTO_INCREMENT, identity, rowid)",
     "SELECT count(*) FROM \"Customer\" WHERE \"Email\" = 'new@x.io' AND \"CustomerId\" > "
     "(SELECT max(\"CustomerId\") FROM \"Customer\" WHERE \"Email\" <> 'new@x.io')",
     1},
    {"a plain Insert after the run takes a key past the run's (SERIAL)",
     "SELECT count(*) FROM depot WHERE name = 'New' AND depot_id > "
     "(SELECT max(depot_id) FROM depot WHERE name <> 'New')",
     1},
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

class NamedRunDb : public DriverTest {
 protected:
  AnyDialect Dialect() const { return DialectOf(GetParam()); }
  std::string Supplier() const {
    return Dialect() == AnyDialect::Sqlite ? "supplier" : "supply.supplier";
  }

  // The parents the profile's tables refer to, planted with the keys off.
  void PlantParents() {
    const bool pg = Dialect() == AnyDialect::Postgres;
    Exec(Dialect() == AnyDialect::Sqlite ? "PRAGMA foreign_keys = OFF"
         : pg                            ? "SET session_replication_role = replica"
                                         : "SET foreign_key_checks = 0");
    if (Dialect() == AnyDialect::MariaDb)
      Exec("SET SESSION sql_mode = CONCAT(@@sql_mode, ',ANSI_QUOTES')");
    Exec("INSERT INTO " + Supplier() + " (supplier_id, name, state) VALUES (1, 'Ash', 'Kent')");
    Exec(
        "INSERT INTO bike_model (model_id, supplier_id, make, frame, wheel_in, model_year) "
        "VALUES (1, 1, 'Rex', 'steel', 26.5, 2020)");
    Exec(
        "INSERT INTO staff (staff_id, depot_id, first_name, last_name, is_active, shift, grade, "
        "start_date) VALUES (1, 1, 'Ann', 'Lee', TRUE, 'E', 3, '2020-04-01')");
    Exec(
        "INSERT INTO depot (depot_id, manager_staff_id, name, county) VALUES (1, 1, 'Main', "
        "'Kent')");
    if (pg) Exec("ALTER TABLE depot DROP CONSTRAINT depot_manager_staff_id_fkey");
  }

  std::string Profile() const {
    const bool pg = Dialect() == AnyDialect::Postgres;
    std::string text = Replace(kProfile, "{supplier}", Supplier());
    text = Replace(text, "{extras}",
                   Dialect() == AnyDialect::MariaDb
                       ? "\n  { name = \"extras\", choice = \"Choice\", List = \"lock;bell\" },"
                       : "");
    // PostgreSQL's key is an identity that takes no value.
    text = Replace(
        text, "{customer}",
        pg ? "" : "\n  { name = \"CustomerId\", class = \"integer\", choice = \"Counter\" },");
    return Replace(text, "{tables}", pg ? kPgDepot : "");
  }
};

TEST_P(NamedRunDb, FillsNamedOnlyClassesQuotedNamesOtherSchemasAndKeepsSequencesInStep) {
  LoadAnySchema(db_, Dialect());
  PlantParents();
  const std::string path = ::testing::TempDir() + "named_run_" + GetParam().name + ".toml";
  std::ofstream(path) << Profile();
  const auto r = RunTool("kestrove-run", {"--profile", path, "--dsn", dsn_, "--seed", "7"});
  std::remove(path.c_str());
  ASSERT_EQ(r.exit_code, 0) << r.err;

  // The application's own Inserts, leaving the key to the database.
  Exec(
      "INSERT INTO \"Customer\" (\"FirstName\", \"LastName\", \"Email\", \"CreatedAt\", "
      "\"UpdatedAt\") VALUES ('Al', 'Ng', 'new@x.io', '2025-01-01', '2025-01-01')");
  Exec("INSERT INTO depot (manager_staff_id, name, county) VALUES (99, 'New', 'Kent')");
  for (const auto& c : kCases) {
    const auto rows = QueryRows(db_, Replace(c.query, "{supplier}", Supplier()), 1);
    ASSERT_EQ(rows.size(), 1u) << c.what;
    EXPECT_EQ(std::stoll(rows[0][0]), c.expected) << c.what << "\n" << r.err;
  }
}

// --bind stores the rows of the literal run, value for value: every class
// of the profile, and texts with a quote, a backslash and non-ASCII bytes;
// three records two to a statement, so the last statement is one of its own.
TEST_P(NamedRunDb, BoundValuesStoreTheRowsOfTheLiteralRun) {
  const std::string path = ::testing::TempDir() + "named_bind_" + GetParam().name + ".toml";
  std::ofstream(path) << Replace(Profile(), "List = \"Kent;Avon\"", "List = \"O'Ke\\\\nt;Zo\u00eb \u00e9\"");
  const std::string extras = Dialect() == AnyDialect::MariaDb ? ", extras" : "";
  const std::vector<std::pair<std::string, int>> dumps = {
      {"SELECT supplier_id, name, state FROM " + Supplier() + " ORDER BY supplier_id", 3},
      {"SELECT bike_id, model_id, depot_id, serial_no, tag, key_code, \"group\", in_service, "
       "bought_on" + extras + " FROM bike ORDER BY bike_id",
       Dialect() == AnyDialect::MariaDb ? 10 : 9},
      {"SELECT \"FirstName\", \"LastName\", \"Email\", \"CreatedAt\", \"UpdatedAt\" FROM "
       "\"Customer\" ORDER BY \"Email\"",
       5}};
  std::vector<std::vector<std::vector<std::string>>> runs;
  for (const bool bind : {false, true}) {
    LoadAnySchema(db_, Dialect());
    PlantParents();
    std::vector<std::string> args = {"--profile", path, "--dsn", dsn_, "--seed", "7",
                                     "--rows-per-insert", "2"};
    if (bind) args.push_back("--bind");
    const auto r = RunTool("kestrove-run", args);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    runs.emplace_back();
    for (const auto& [sql, columns] : dumps) {
      const auto rows = QueryRows(db_, sql, columns);
      for (const auto& row : rows) runs.back().push_back(row);
    }
  }
  std::remove(path.c_str());
  ASSERT_EQ(runs[0].size(), 3u + 1 + 5 + 3);  // with the planted supplier
  EXPECT_EQ(runs[0], runs[1]);
  bool odd_text = false;
  for (const auto& row : runs[1]) odd_text |= row.size() == 3 && row[2] == "O'Ke\\nt";
  EXPECT_TRUE(odd_text);
}

// A record the data source refuses in the middle of a bound batch (a key
// repeated) fails the run, and nothing of its batch is stored: on MariaDB
// the batch goes as an array of parameter sets, each with its own status.
TEST_P(NamedRunDb, BoundBatchWithARefusedRecordFailsTheRunAndStoresNoneOfIt) {
  LoadAnySchema(db_, Dialect());
  PlantParents();
  const std::string path = ::testing::TempDir() + "named_refused_" + GetParam().name + ".toml";
  std::ofstream(path) << Replace(R"([[table]]
name = "{supplier}"
records = 3
fields = [
  { name = "supplier_id", class = "integer", choice = "Fixed Value", Value = "20" },
  { name = "name", choice = "Surname" },
  { name = "state", choice = "Choice", List = "Kent;Avon" },
]
)", "{supplier}", Supplier());
  const auto r = RunTool("kestrove-run", {"--profile", path, "--dsn", dsn_, "--seed", "7",
                                          "--rows-per-insert", "3", "--bind"});
  std::remove(path.c_str());
  EXPECT_NE(r.exit_code, 0) << r.err;
  const std::string err = Lower(r.err);
  EXPECT_TRUE(err.find("duplicate") != std::string::npos ||
              err.find("unique") != std::string::npos)
      << r.err;
  const auto rows = QueryRows(db_, "SELECT count(*) FROM " + Supplier(), 1);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "1") << "only the planted supplier";
}

KESTROVE_INSTANTIATE_ANY_SCHEMA_DRIVERS(NamedRunDb);

}  // namespace
}  // namespace kestrove::testing

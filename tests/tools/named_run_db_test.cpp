// A named profile run on each driver's whole-schema data source: the
// named-only classes, a mixed-case table, a column named by a reserved
// word, a table of another schema, and a key a sequence feeds, which a
// plain Insert after the run must not repeat.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "tools/any_schema.h"

namespace kestrove::testing {
namespace {

using testing_support::RunTool;

struct Case {
  const char* what;
  // One number, by dialect: SQLite, PostgreSQL, MariaDB.
  const char* query[3];
  int64_t expected;
};

// Five bikes, three suppliers on top of the one planted, three customers
// and one more by the plain Insert, and on PostgreSQL three depots and one
// more.
const Case kCases[] = {
    {"bikes with 64-bit keys from the Counter",
     {"SELECT count(*) FROM bike WHERE bike_id >= 5000000000",
      "SELECT count(*) FROM bike WHERE bike_id >= 5000000000",
      "SELECT count(*) FROM bike WHERE bike_id >= 5000000000"},
     5},
    {"version 4 UUIDs, all different",
     {"SELECT count(DISTINCT serial_no) FROM bike WHERE length(serial_no) = 36 AND "
      "substr(serial_no, 15, 1) = '4'",
      "SELECT count(DISTINCT serial_no) FROM bike WHERE substr(CAST(serial_no AS text), 15, 1) = '4'",
      "SELECT count(DISTINCT serial_no) FROM bike WHERE substr(serial_no, 15, 1) = '4'"},
     5},
    {"bytes of the column's size, or of the Length given",
     // sqliteodbc gives a BLOB a size of its own choosing.
     {"SELECT count(*) FROM bike WHERE typeof(tag) = 'blob' AND length(tag) > 0 AND "
      "length(key_code) = 4",
      "SELECT count(*) FROM bike WHERE octet_length(tag) = 16 AND octet_length(key_code) = 4",
      "SELECT count(*) FROM bike WHERE octet_length(tag) = 8 AND octet_length(key_code) = 4"},
     5},
    {"booleans",
     {"SELECT count(*) FROM bike WHERE in_service IN (0, 1)",
      "SELECT count(*) FROM bike WHERE in_service IS NOT NULL",
      "SELECT count(*) FROM bike WHERE in_service IN (0, 1)"},
     5},
    {"a column named by a reserved word",
     {"SELECT count(*) FROM bike WHERE \"group\" LIKE 'g_'",
      "SELECT count(*) FROM bike WHERE \"group\" LIKE 'g_'",
      "SELECT count(*) FROM bike WHERE `group` LIKE 'g_'"},
     5},
    {"the table of another schema",
     {"SELECT count(*) FROM supplier", "SELECT count(*) FROM supply.supplier",
      "SELECT count(*) FROM supply.supplier"},
     4},
    {"the mixed-case table, with the plain Insert after the run",
     {"SELECT count(*) FROM \"Customer\"", "SELECT count(*) FROM \"Customer\"",
      "SELECT count(*) FROM `Customer`"},
     4},
    // PostgreSQL's SERIAL is depot's key; elsewhere the key that the
    // database fills is the customer's.
    {"the plain Insert after the run takes a key past those the Counter wrote",
     {"SELECT count(*) FROM \"Customer\" WHERE \"Email\" = 'new@x.io' AND \"CustomerId\" > "
      "(SELECT max(\"CustomerId\") FROM \"Customer\" WHERE \"Email\" <> 'new@x.io')",
      "SELECT count(*) FROM depot WHERE name = 'New' AND depot_id > "
      "(SELECT max(depot_id) FROM depot WHERE name <> 'New')",
      "SELECT count(*) FROM `Customer` WHERE `Email` = 'new@x.io' AND `CustomerId` > "
      "(SELECT max(`CustomerId`) FROM `Customer` WHERE `Email` <> 'new@x.io')"},
     1},
};

class NamedRunDb : public DriverTest {
 protected:
  AnyDialect Dialect() const { return DialectOf(GetParam()); }
  int Index() const { return static_cast<int>(Dialect()); }

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

  // The parents the profile's tables refer to, planted with the keys off.
  void PlantParents() {
    const bool pg = Dialect() == AnyDialect::Postgres;
    const std::string supplier = Dialect() == AnyDialect::Sqlite ? "supplier" : "supply.supplier";
    KeysOff();
    Exec("INSERT INTO " + supplier + " (supplier_id, name, state) VALUES (1, 'Ash', 'Kent')");
    Exec(std::string("INSERT INTO bike_model (model_id, supplier_id, make, frame, wheel_in, "
                     "model_year) VALUES (1, 1, 'Rex', 'steel', 26.5, 2020)"));
    Exec(std::string("INSERT INTO staff (staff_id, depot_id, first_name, last_name, is_active, "
                     "shift, grade, start_date) VALUES (1, 1, 'Ann', 'Lee', ") +
         (pg ? "true" : "1") + ", 'E', 3, '2020-04-01')");
    Exec("INSERT INTO depot (depot_id, manager_staff_id, name, county) VALUES (1, 1, 'Main', "
         "'Kent')");
    // The run adds depots whose managers are not on the staff: on
    // PostgreSQL that key goes, the SERIAL key is what the case is about.
    if (pg) Exec("ALTER TABLE depot DROP CONSTRAINT depot_manager_staff_id_fkey");
  }

  std::string Profile() const {
    const bool sqlite = Dialect() == AnyDialect::Sqlite;
    const bool pg = Dialect() == AnyDialect::Postgres;
    std::string text =
        "[run]\norder = \"parents-first\"\ncache_lookups = true\n\n"
        "[[table]]\nname = \"" +
        std::string(sqlite ? "supplier" : "supply.supplier") +
        "\"\nrecords = 3\nfields = [\n"
        "  { name = \"supplier_id\", choice = \"Counter\", \"Starting Value\" = \"10\" },\n"
        "  { name = \"name\", choice = \"Surname\" },\n"
        "  { name = \"state\", choice = \"Choice\", List = \"Kent;Avon\" },\n]\n\n"
        "[[table]]\nname = \"bike\"\nrecords = 5\nfields = [\n"
        "  { name = \"bike_id\", class = \"bigint\", choice = \"Counter\", "
        "\"Starting Value\" = \"5000000000\" },\n"
        "  { name = \"model_id\", class = \"integer\", choice = \"Fixed Value\", Value = \"1\" },\n"
        "  { name = \"depot_id\", class = \"integer\", choice = \"Database Lookup\", "
        "\"Field Name\" = \"depot_id\", TableName = \"depot\" },\n"
        "  { name = \"serial_no\", class = \"uuid\", choice = \"UUID\" },\n"
        "  { name = \"tag\", class = \"binary\", choice = \"Random Bytes\" },\n"
        "  { name = \"key_code\", class = \"binary\", choice = \"Random Bytes\", Length = \"4\" },\n"
        "  { name = \"group\", choice = \"Formatted\", \"Data Format\" = \"g~\" },\n"
        "  { name = \"in_service\", class = \"bool\", choice = \"Random\" },\n" +
        std::string(Dialect() == AnyDialect::MariaDb
                        ? "  { name = \"extras\", choice = \"Choice\", List = \"lock;bell\" },\n"
                        : "") +
        "  { name = \"bought_on\", choice = \"Random Date\", From = \"2020/01/01\", "
        "To = \"2024/12/31\" },\n]\n\n"
        "[[table]]\nname = \"Customer\"\nrecords = 3\nfields = [\n" +
        std::string(pg ? ""
                       : "  { name = \"CustomerId\", class = \"integer\", choice = \"Counter\", "
                         "\"Starting Value\" = \"1\" },\n") +
        "  { name = \"FirstName\", choice = \"Choice\", List = \"Ann;Bo\" },\n"
        "  { name = \"LastName\", choice = \"Surname\" },\n"
        "  { name = \"Email\", choice = \"Increment\", \"Fixed Part\" = \"c~@x.io\", "
        "\"Value to increment\" = \"1\" },\n"
        "  { name = \"CreatedAt\", choice = \"Random DateTime\", From = \"2024/01/01\", "
        "To = \"2024/06/30\" },\n"
        "  { name = \"UpdatedAt\", choice = \"Random DateTime\", From = \"2024/07/01\", "
        "To = \"2024/12/31\" },\n]\n";
    if (pg)
      text +=
          "\n[[table]]\nname = \"depot\"\nrecords = 3\nfields = [\n"
          "  { name = \"depot_id\", choice = \"Counter\", \"Starting Value\" = \"10\" },\n"
          "  { name = \"manager_staff_id\", choice = \"Counter\" },\n"
          "  { name = \"name\", choice = \"Town/City\" },\n"
          "  { name = \"county\", choice = \"Choice\", List = \"Kent;Avon\" },\n]\n";
    return text;
  }

  int64_t Number(const std::string& sql) {
    const auto rows = QueryRows(db_, sql, 1);
    return rows.size() == 1 ? std::stoll(rows[0][0]) : -1;
  }
};

TEST_P(NamedRunDb, FillsNamedOnlyClassesQuotedNamesOtherSchemasAndKeepsSequencesInStep) {
  LoadAnySchema(db_, Dialect());
  PlantParents();
  const std::string path = ::testing::TempDir() + "named_run_" + GetParam().name + ".toml";
  std::ofstream(path) << Profile();
  const auto r = RunTool("kestrove-run", {"--profile", path, "--dsn", dsn_, "--seed", "7"});
  ASSERT_EQ(r.exit_code, 0) << r.err;

  // The application's own Inserts, leaving the key to the database.
  const char* customer =
      Dialect() == AnyDialect::MariaDb
          ? "INSERT INTO `Customer` (`FirstName`, `LastName`, `Email`, `CreatedAt`, `UpdatedAt`) "
            "VALUES ('Al', 'Ng', 'new@x.io', '2025-01-01', '2025-01-01')"
          : "INSERT INTO \"Customer\" (\"FirstName\", \"LastName\", \"Email\", \"CreatedAt\", "
            "\"UpdatedAt\") VALUES ('Al', 'Ng', 'new@x.io', '2025-01-01', '2025-01-01')";
  Exec(customer);
  if (Dialect() == AnyDialect::Postgres)
    Exec("INSERT INTO depot (manager_staff_id, name, county) VALUES (99, 'New', 'Kent')");

  for (const Case& c : kCases)
    EXPECT_EQ(Number(c.query[Index()]), c.expected) << c.what << "\n" << r.err;
  std::remove(path.c_str());
}

KESTROVE_INSTANTIATE_ANY_SCHEMA_DRIVERS(NamedRunDb);

}  // namespace
}  // namespace kestrove::testing

// The bike hire shop of tests/data/any_schema.*.sql for the whole-schema
// tests: made afresh on a driver's own whole-schema data source, and its
// constraints checked through ODBC by tests/data/any_schema_check.*.sql.
//
// The shop comes in two variants: the full one, and any_schema_base.*.sql,
// the same tables without what only keys that hold can fill (the cycles of
// foreign keys, the key of two lookups, unique values a generator repeats),
// for the tests that must pass before those keys exist.
//
// A draft reads every table its data source lists, so these tests run on
// data sources that hold nothing else (KESTROVE_*_ANY_DSN, written by
// scripts/pg-scratch and scripts/mariadb-scratch): loading one first drops
// everything in it. KESTROVE_ANY_SCHEMA names another schema of the same
// layout (STEM.sqlite.sql, STEM.pg.sql, STEM.mariadb.sql and
// STEM_check.*.sql), so the same tests can be run on a schema they were not
// written against; it stands in for either variant.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "db/database.h"
#include "db/db_test_support.h"
#include "tools/tool_runner.h"

namespace kestrove::testing {

enum class AnyDialect { Sqlite, Postgres, MariaDb };

// Runs a suite once on each driver's whole-schema data source.
#define KESTROVE_INSTANTIATE_ANY_SCHEMA_DRIVERS(Suite)                                       \
  INSTANTIATE_TEST_SUITE_P(                                                                  \
      Drivers, Suite,                                                                        \
      ::testing::Values(::kestrove::testing::Driver{"Sqlite", "KESTROVE_SQLITE_ANY_DSN"},    \
                        ::kestrove::testing::Driver{"Postgres", "KESTROVE_PG_ANY_DSN"},      \
                        ::kestrove::testing::Driver{"MariaDb", "KESTROVE_MARIADB_ANY_DSN"}), \
      ::kestrove::testing::DriverName)

inline AnyDialect DialectOf(const Driver& driver) {
  const std::string name = driver.name;
  if (name == "Postgres") return AnyDialect::Postgres;
  if (name == "MariaDb") return AnyDialect::MariaDb;
  return AnyDialect::Sqlite;
}

inline const char* DialectSuffix(AnyDialect dialect) {
  switch (dialect) {
    case AnyDialect::Postgres:
      return "pg";
    case AnyDialect::MariaDb:
      return "mariadb";
    case AnyDialect::Sqlite:
      break;
  }
  return "sqlite";
}

enum class AnySchemaVariant {
  Full,  // every key the shop has
  Base,  // no cycles, no key of two lookups, no unique value a generator repeats
};

// The schema's files without their ".<dialect>.sql".
inline std::string AnySchemaStem(AnySchemaVariant variant = AnySchemaVariant::Full) {
  const char* stem = std::getenv("KESTROVE_ANY_SCHEMA");
  if (stem && *stem) return stem;
  return testing_support::SourceDir() + (variant == AnySchemaVariant::Base
                                             ? "/tests/data/any_schema_base"
                                             : "/tests/data/any_schema");
}

inline std::string SchemaFile(AnyDialect dialect, const std::string& stem = AnySchemaStem()) {
  return stem + "." + DialectSuffix(dialect) + ".sql";
}

inline std::string CheckFile(AnyDialect dialect, const std::string& stem = AnySchemaStem()) {
  return stem + "_check." + DialectSuffix(dialect) + ".sql";
}

// The first `columns` columns of every row of a query, as text.
inline std::vector<std::vector<std::string>> QueryRows(Database& db, const std::string& sql,
                                                       int columns) {
  DbStatement query(db.Connector);
  query.SetSQL(sql);
  query.Prepare();
  query.Execute();
  std::vector<std::vector<std::string>> rows;
  while (query.FetchNext()) {
    std::vector<std::string> row;
    for (int c = 1; c <= columns; ++c) row.push_back(query.ColumnText(c));
    rows.push_back(std::move(row));
  }
  return rows;
}

inline std::string QuoteName(AnyDialect dialect, const std::string& name) {
  const char quote = dialect == AnyDialect::MariaDb ? '`' : '"';
  std::string quoted(1, quote);
  for (char c : name) {
    if (c == quote) quoted += quote;
    quoted += c;
  }
  return quoted + quote;
}

// True for the data sources that KESTROVE_*_ANY_DSN name.
inline bool IsWholeSchemaSource(const Database& db) {
  for (const char* var :
       {"KESTROVE_SQLITE_ANY_DSN", "KESTROVE_PG_ANY_DSN", "KESTROVE_MARIADB_ANY_DSN"}) {
    const char* dsn = std::getenv(var);
    if (dsn && *dsn && db.Connector.DataSource == dsn) return true;
  }
  return false;
}

// Drops every table, view, type and schema of the data source (never a
// system one), whatever rows and keys they hold. Refused on any data source
// but the whole-schema ones, since the others hold the other tests' tables.
inline void ClearDataSource(Database& db, AnyDialect dialect) {
  if (!IsWholeSchemaSource(db))
    throw std::logic_error("not a whole-schema data source, not cleared: " +
                           db.Connector.DataSource);
  switch (dialect) {
    case AnyDialect::Sqlite: {
      // Dropping a table deletes its rows first, which a key enforced on
      // the connection may refuse; the setting is put back afterwards.
      const auto keys = QueryRows(db, "PRAGMA foreign_keys", 1);
      db.ExecuteStatement("PRAGMA foreign_keys = OFF");
      // Views first: a view naming a dropped table would be left broken.
      const auto objects = QueryRows(db,
                                     "SELECT type, name FROM sqlite_master WHERE type IN "
                                     "('view', 'table') AND name NOT LIKE 'sqlite%' "
                                     "ORDER BY type DESC",
                                     2);
      for (const auto& object : objects)
        db.ExecuteStatement(
            (object[0] == "view" ? "DROP VIEW IF EXISTS " : "DROP TABLE IF EXISTS ") +
            QuoteName(dialect, object[1]));
      if (!keys.empty() && keys[0][0] == "1") db.ExecuteStatement("PRAGMA foreign_keys = ON");
      break;
    }
    case AnyDialect::Postgres: {
      // A schema takes its tables, views, types and domains with it. public
      // is made again empty, as a new database has it.
      const auto schemas = QueryRows(db,
                                     "SELECT nspname FROM pg_namespace WHERE nspname NOT LIKE "
                                     "'pg!_%' ESCAPE '!' AND nspname <> 'information_schema'",
                                     1);
      for (const auto& schema : schemas)
        db.ExecuteStatement("DROP SCHEMA " + QuoteName(dialect, schema[0]) + " CASCADE");
      db.ExecuteStatement("CREATE SCHEMA IF NOT EXISTS public");
      break;
    }
    case AnyDialect::MariaDb: {
      // Every database the account can see is the schema's: its default one
      // and the second one. The databases stay, only their tables go.
      const auto objects = QueryRows(db,
                                     "SELECT TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE FROM "
                                     "information_schema.TABLES WHERE TABLE_SCHEMA NOT IN "
                                     "('information_schema', 'mysql', 'performance_schema', "
                                     "'sys') ORDER BY TABLE_TYPE DESC",
                                     3);
      db.ExecuteStatement("SET foreign_key_checks = 0");
      for (const auto& object : objects)
        db.ExecuteStatement(
            (object[2] == "VIEW" ? "DROP VIEW IF EXISTS " : "DROP TABLE IF EXISTS ") +
            QuoteName(dialect, object[0]) + "." + QuoteName(dialect, object[1]));
      db.ExecuteStatement("SET foreign_key_checks = 1");
      break;
    }
  }
}

// Drops everything in the data source and creates the schema in its own
// dialect, empty.
inline void LoadAnySchema(Database& db, AnyDialect dialect,
                          const std::string& stem = AnySchemaStem()) {
  ClearDataSource(db, dialect);
  for (const std::string& statement : testing_support::SchemaStatements(SchemaFile(dialect, stem)))
    db.ExecuteStatement(statement);
}

// One line of the check: "rows:TABLE" counts a table's rows, every other
// label ("fk:", "pk:", "uk:", "check:", "order:") counts faults.
struct CheckCount {
  std::string label;
  int64_t count = 0;
};

inline void PrintTo(const CheckCount& c, std::ostream* os) {
  *os << c.label << " = " << c.count;
}

inline bool IsRowCount(const CheckCount& c) {
  return c.label.rfind("rows:", 0) == 0;
}

// Runs every query of the check file, each of which gives one row.
inline std::vector<CheckCount> CheckAnySchema(Database& db, AnyDialect dialect,
                                              const std::string& stem = AnySchemaStem()) {
  std::vector<CheckCount> counts;
  for (const std::string& sql : testing_support::SchemaStatements(CheckFile(dialect, stem))) {
    const auto rows = QueryRows(db, sql, 2);
    if (rows.size() != 1)
      throw std::runtime_error("a check gave " + std::to_string(rows.size()) +
                               " rows instead of one: " + sql);
    counts.push_back({rows[0][0], std::stoll(rows[0][1])});
  }
  return counts;
}

// The lines that find a fault; empty when every constraint holds.
inline std::vector<CheckCount> Faults(const std::vector<CheckCount>& counts) {
  std::vector<CheckCount> faults;
  for (const CheckCount& c : counts)
    if (!IsRowCount(c) && c.count != 0) faults.push_back(c);
  return faults;
}

// The rows of each table, by the table's name as the check labels it
// ("schema.table" where it is not in the default schema).
inline std::map<std::string, int64_t> RowCounts(const std::vector<CheckCount>& counts) {
  std::map<std::string, int64_t> rows;
  for (const CheckCount& c : counts)
    if (IsRowCount(c)) rows[c.label.substr(5)] = c.count;
  return rows;
}

// The count of one label; -1 when the check has no such line.
inline int64_t CountOf(const std::vector<CheckCount>& counts, const std::string& label) {
  for (const CheckCount& c : counts)
    if (c.label == label) return c.count;
  return -1;
}

// The keys of data source `dsn` in the odbc.ini that ODBCINI names.
inline std::map<std::string, std::string> DataSourceKeys(const std::string& dsn) {
  const char* ini = std::getenv("ODBCINI");
  std::ifstream in(ini ? ini : "");
  std::map<std::string, std::string> keys;
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] == '[')
      inside = line == "[" + dsn + "]";
    else if (const size_t eq = line.find('='); inside && eq != std::string::npos)
      keys[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return keys;
}

// The shell command that feeds a script on standard input to the
// database's own client, stopping at the first error, keys enforced.
inline std::string ClientCommand(AnyDialect dialect, const std::string& dsn) {
  auto k = DataSourceKeys(dsn);
  switch (dialect) {
    case AnyDialect::Postgres:
      return "psql -X -q -v ON_ERROR_STOP=1 -h '" + k["Servername"] + "' -p " + k["Port"] + " -U " +
             k["Username"] + " -d " + k["Database"] + " -f -";
    case AnyDialect::MariaDb:
      return "mariadb --no-defaults --socket='" + k["Socket"] + "' -u " + k["User"] +
             " --password='" + k["Password"] + "' -D " + k["Database"];
    case AnyDialect::Sqlite:
      break;
  }
  return "sqlite3 -bail -cmd 'PRAGMA foreign_keys=ON' '" + k["Database"] + "'";
}

}  // namespace kestrove::testing

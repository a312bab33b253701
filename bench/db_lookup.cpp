// Database lookup speed: values per second for a "Database Lookup" field
// reading a table of 100, 10,000 and 100,000 rows, on every data source named
// by KESTROVE_SQLITE_DSN and KESTROVE_PG_DSN (see scripts/pg-scratch).
// Every value opens, counts, scrolls and closes the table afresh.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/clock.h"
#include "core/profile.h"
#include "db/database.h"
#include "db/error_text.h"
#include "generators/generators.h"
#include "lookup_bench_support.h"

using namespace kestrove;

namespace {

using bench::CountingReporter;
using bench::NoLists;

void Fill(Database& db, bool postgres, const std::string& table, int rows) {
  db.ExecuteStatement("DROP TABLE IF EXISTS " + table);
  db.ExecuteStatement("CREATE TABLE " + table + " (id INTEGER, name VARCHAR(20))");
  const std::string n = std::to_string(rows);
  if (postgres)
    db.ExecuteStatement("INSERT INTO " + table + " SELECT g, 'name' || g FROM generate_series(1, " +
                        n + ") g");
  else
    db.ExecuteStatement(
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " + n +
        ") INSERT INTO " + table + " SELECT x, 'name' || x FROM c");
}

void Run(const char* label, const char* dsn, bool postgres) {
  Database db;
  db.Connector.DataSource = dsn;
  auto state = ProfileState::Create();
  RandomSource random;
  random.RandomSeed = 20240101;
  NoLists lists;
  FixedClock clock(0, {2024, 1, 1});
  Generators generators(*state, random, lists, clock);
  CountingReporter reporter;
  generators.SetDatabase(&db.LookupTable, &reporter);

  for (int rows : {100, 10000, 100000}) {
    const std::string table = "kb_lookup_" + std::to_string(rows);
    Fill(db, postgres, table, rows);
    // Lookups for about two seconds, at least five values.
    const auto start = std::chrono::steady_clock::now();
    int values = 0;
    double seconds = 0;
    do {
      const std::string v = generators.Generate(14, "name", table);
      if (v.empty()) {
        std::fprintf(stderr, "empty value from %s\n", table.c_str());
        return;
      }
      ++values;
      seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    } while (seconds < 2.0 || values < 5);
    std::printf("%-10s %7d rows: %9.1f values/s (%d values in %.2f s)\n", label, rows,
                values / seconds, values, seconds);
    db.ExecuteStatement("DROP TABLE " + table);
  }
  if (reporter.errors) std::printf("%s: %d lookup errors\n", label, reporter.errors);
}

}  // namespace

int main() {
  int ran = 0;
  try {
    if (const char* dsn = std::getenv("KESTROVE_SQLITE_DSN")) Run("SQLite", dsn, false), ++ran;
    if (const char* dsn = std::getenv("KESTROVE_PG_DSN")) Run("PostgreSQL", dsn, true), ++ran;
  } catch (const EODBC& error) {
    std::fprintf(stderr, "%s\n", FormatDatabaseError(error, "Benchmark failed.").c_str());
    return 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "Benchmark failed: %s\n", error.what());
    return 1;
  }
  if (ran == 0) {
    std::fprintf(stderr, "No data source: source the env file written by scripts/pg-scratch.\n");
    return 1;
  }
  return 0;
}

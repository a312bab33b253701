// Database lookups kept in memory (kestrove-run --cache-lookups): a text
// lookup on a table of 100,000 rows through the caching reader. Prints the
// seconds of the first value (which reads the table) and the rate of the
// values after it, as "first_read_seconds values seconds".
//
// Usage: bench_cached_lookup DSN [ROWS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/clock.h"
#include "core/profile.h"
#include "db/database.h"
#include "db/error_text.h"
#include "db/lookup_cache.h"
#include "generators/generators.h"
#include "lookup_bench_support.h"

using namespace kestrove;

namespace {

using bench::CountingReporter;
using bench::NoLists;

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_cached_lookup DSN [ROWS]\n");
    return 2;
  }
  const int rows = argc > 2 ? std::atoi(argv[2]) : 100000;
  try {
    Database db;
    db.Connector.DataSource = argv[1];
    const std::string table = "kb_cached_lookup";
    db.ExecuteStatement("DROP TABLE IF EXISTS " + table);
    db.ExecuteStatement("CREATE TABLE " + table + " (id INTEGER, name VARCHAR(20))");
    db.ExecuteStatement(
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " +
        std::to_string(rows) + ") INSERT INTO " + table + " SELECT x, 'name' || x FROM c");
    auto state = ProfileState::Create();
    RandomSource random;
    random.RandomSeed = 20240101;
    NoLists lists;
    FixedClock clock(0, {2024, 1, 1});
    Generators generators(*state, random, lists, clock);
    CountingReporter reporter;
    CachedLookupReader cache(db.LookupTable);
    generators.SetDatabase(&cache, &reporter);

    const auto start = std::chrono::steady_clock::now();
    std::string value = generators.Generate(14, "name", table);
    const auto read = std::chrono::steady_clock::now();
    int64_t values = 0;
    size_t bytes = 0;
    double seconds = 0;
    do {
      for (int i = 0; i < 10000; ++i) {
        value = generators.Generate(14, "name", table);
        bytes += value.size();
      }
      values += 10000;
      seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - read).count();
    } while (seconds < 2.0);
    db.ExecuteStatement("DROP TABLE " + table);
    if (reporter.errors || bytes == 0 || cache.Reads() != 1) {
      std::fprintf(stderr, "bench_cached_lookup: %d errors, %llu reads\n", reporter.errors,
                   static_cast<unsigned long long>(cache.Reads()));
      return 1;
    }
    std::printf("%.3f %lld %.3f\n", std::chrono::duration<double>(read - start).count(),
                static_cast<long long>(values), seconds);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench_cached_lookup: %s\n", error.what());
    return 1;
  }
  return 0;
}

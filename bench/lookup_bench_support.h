// What the Database Lookup benchmarks share: no lookup lists, and a
// reporter that counts the database errors it is shown and prints them.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "db/error_text.h"
#include "generators/generators.h"

namespace kestrove::bench {

class NoLists : public ListSource {
 public:
  std::string_view PickListValue(int, int32_t) override { return {}; }
};

class CountingReporter : public DatabaseErrorReporter {
 public:
  void ShowDatabaseError(const EODBC& error, const std::string& text) override {
    ++errors;
    std::fprintf(stderr, "%s\n", FormatDatabaseError(error, text).c_str());
  }
  int errors = 0;
};

}  // namespace kestrove::bench

// kestrove-run's command line and its run.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "tools/support.h"

namespace kestrove::tools {

struct RunOptions {
  std::string profile;
  std::optional<std::string> dsn;
  std::optional<std::string> sql_out;
  std::optional<uint32_t> seed;
  std::optional<CivilDate> today;
  std::optional<std::string> lists_dir;
  bool quote_names = false;
  uint32_t commit_every = 0;
  int32_t rows_per_insert = 1;
  bool cache_lookups = false;
  bool parents_first = false;
  // Set on the command line, so that a named profile's [run] table does not
  // override it.
  bool commit_every_given = false, rows_per_insert_given = false, cache_lookups_given = false,
       order_given = false;
  bool unique_keys = false;
  // With --dsn: the schema is read from the data source, and nothing is
  // executed; the statements are written as in a dry run.
  bool dry_run = false;
  bool bind = false, bind_given = false;
};

// The options on `app`, to be read into `options` by its parse; the values
// below hold their text until then.
struct RunOptionTexts {
  std::string seed, today, commit_every, rows_per_insert, order;
};
void SetupRunOptions(CLI::App& app, RunOptions& options, RunOptionTexts& texts);

// The command line (without the program's name) read into options.
Parsed<RunOptions> ParseRunCommandLine(const std::vector<std::string>& args);

// The run itself; gives the exit code.
int RunProfile(const RunOptions& options);

}  // namespace kestrove::tools

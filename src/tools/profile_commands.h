// kestrove-profile's commands: each has its options, a setup that adds its
// subcommand to the tool's app, and a run that raises UsageError,
// DatabaseFailed or the engine's errors (the tool's main says them).
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "tools/support.h"

namespace kestrove {
class DatabaseSchema;
}

namespace kestrove::tools {

struct DescribeOptions {
  std::string dsn;
  std::optional<std::string> table;
  std::optional<std::string> schema;
};
CLI::App* SetupDescribe(CLI::App& app, DescribeOptions& options);
void RunDescribe(const DescribeOptions& options);

struct DraftOptions {
  std::string dsn;
  std::optional<std::string> output;
  std::optional<std::string> schema;
};
CLI::App* SetupDraft(CLI::App& app, DraftOptions& options);
void RunDraft(const DraftOptions& options);

struct ExportOptions {
  std::string prf;
  std::optional<std::string> dsn;
  std::optional<std::string> output;
};
CLI::App* SetupExport(CLI::App& app, ExportOptions& options);
void RunExport(const ExportOptions& options);

struct ImportOptions {
  std::string toml;
  std::string dsn;
  std::string output;
};
CLI::App* SetupImport(CLI::App& app, ImportOptions& options);
void RunImport(const ImportOptions& options);

using ProfileCommand = std::variant<DescribeOptions, DraftOptions, ExportOptions, ImportOptions>;

// The command line (without the program's name) read into one command.
Parsed<ProfileCommand> ParseProfileCommandLine(const std::vector<std::string>& args);

// Runs the command; gives the exit code, its failure printed.
int RunProfileCommand(const ProfileCommand& command);

// The close of every command's help.
extern const char* const kProfileExitCodes;

// Nothing to describe or draft: said, with exit code 1.
class NoTables : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A data source, or a --schema, without tables stops here, naming where
// the tables are.
void RequireTables(DatabaseSchema& schema, const std::optional<std::string>& only);

// The engine's warnings, each on a line of its own.
void Warn(const std::vector<std::string>& warnings);

}  // namespace kestrove::tools

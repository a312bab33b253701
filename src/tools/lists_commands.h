// kestrove-lists's commands: each has its options, a setup that adds its
// subcommand to the tool's app, and a run that gives the exit code or
// raises UsageError (nothing written).
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "lookup/mem_data.h"
#include "tools/support.h"

namespace kestrove::tools {

// The LIST argument: a list's command name, checked against the lists.
struct ListName {
  std::string name;
  int id() const;
};

struct ExportListOptions {
  ListName list;
  std::optional<std::string> file;
};
CLI::App* SetupListExport(CLI::App& app, ExportListOptions& options);
int RunListExport(const ExportListOptions& options);

struct ImportListOptions {
  ListName list;
  std::string tsv;
  std::optional<std::string> file;
};
CLI::App* SetupListImport(CLI::App& app, ImportListOptions& options);
int RunListImport(const ImportListOptions& options);

struct ListInfoOptions {
  std::string path;
};
CLI::App* SetupListInfo(CLI::App& app, ListInfoOptions& options);
int RunListInfo(const ListInfoOptions& options);

using ListsCommand = std::variant<ExportListOptions, ImportListOptions, ListInfoOptions>;

// The command line (without the program's name) read into one command.
Parsed<ListsCommand> ParseListsCommandLine(const std::vector<std::string>& args);

// Runs the command; gives the exit code, its failure printed.
int RunListsCommand(const ListsCommand& command);

// Shared by the commands: the LIST check, the file name of a list, an empty
// list of its kind, and the TSV escapes.
CLI::Validator KnownList();
const char* ListFileName(int id);
std::unique_ptr<TdxMemData> NewList(int id);
std::string Escape(std::string_view text);
std::string Unescape(std::string_view text);

}  // namespace kestrove::tools

// What the three command-line tools share: exit codes, usage errors, the
// shaping of messages for a terminal, the steps that read a profile or
// connect with the tools' own messages, and the output file.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "catalogue/named_profile.h"
#include "catalogue/profile_file.h"
#include "db/database.h"
#include "db/odbc_error.h"

namespace kestrove::tools {

constexpr int kExitOk = 0;
constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

// Bad input: an option, a file, a name that matches nothing. Exit code 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A database failure whose message has been printed. Exit code 1.
struct DatabaseFailed {};

// A command line that does not lead to a run: the help or version text, or
// a usage error, with what to print and the exit code.
struct Stop {
  int exit_code = kExitOk;
  std::string out;
  std::string err;
};

// What parsing a command line gives.
template <class Options>
using Parsed = std::variant<Options, Stop>;

// The help text of a tool written out as it reads, not laid out by CLI11.
class FixedHelp : public CLI::FormatterBase {
 public:
  explicit FixedHelp(std::string text) : text_(std::move(text)) {}
  std::string make_help(const CLI::App*, std::string, CLI::AppFormatMode) const override {
    return text_;
  }

 private:
  std::string text_;
};

// "kestrove-run 3.1" without its line break, which CLI11 adds.
std::string VersionLine(const std::string& tool);

// Prints a Stop and gives its exit code.
int Report(const Stop& stop);

// The usage error of `tool` as printed: "tool: MESSAGE" and where the help
// is ("Try 'tool [command ]--help'.").
Stop UsageStop(const std::string& tool, const std::string& message,
               const std::string& command = "");

// The text CLI11 prints for --help or --version (exit code 0), else nothing.
std::optional<Stop> HelpOrVersion(const CLI::App& app, const CLI::ParseError& error);

// `check` with a message of our own: the text given is passed to `message`
// when the check fails. The wording of CLI11's checks is not the tools'.
CLI::Validator WithMessage(CLI::Validator check,
                           std::function<std::string(const std::string&)> message);

// The message of a ValidationError raised by WithMessage, without CLI11's
// "--option: " in front.
std::string ValidationMessage(const CLI::ParseError& error);

// Text for a terminal: text quoted inside it ('...' or "...") cut to its
// first 80 characters and "..." when longer, and control characters turned
// into "?"; line breaks stay, a carriage return before one is dropped.
std::string Shown(const std::string& message);

// Loads a positional profile (.prf); a file that cannot be read raises a
// UsageError naming it, and the line for a value that is not a number. With
// `hint_named`, a named profile under another name is told how it is read.
int32_t LoadPositionalProfile(ProfileState& state, const std::string& path, bool hint_named);

// Reads a named profile (.toml); its own errors raise a UsageError as they
// are, others "cannot VERB 'PATH': reason".
NamedProfile ReadNamedProfileOrFail(const std::string& path, const std::string& verb);

// The window's message for a data source that cannot be reached, printed.
void PrintConnectFailure(const EODBC& error);

// Connects as the window does; a failure is printed and raises DatabaseFailed.
void Connect(Database& db, const std::string& dsn);

// Standard output for "-" or no file, else the file, replaced only once the
// new text is wholly written (a failure raises a UsageError).
void WriteOut(const std::optional<std::string>& path, const std::string& text);

}  // namespace kestrove::tools

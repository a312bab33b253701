// kestrove-profile's command line: the tool's app with its four commands,
// and what their failures print.
#include "tools/profile_commands.h"

#include <algorithm>
#include <cstdio>

#include "core/errors.h"
#include "db/error_text.h"

namespace kestrove::tools {

namespace {

constexpr const char* kTool = "kestrove-profile";

const char* const kFormat = R"(Named profiles (FILE.toml):

  quote_names = false        # optional: the window's "Field Names in " " ?" box

  [[table]]
  name = "customer"
  records = 200              # optional, default 10
  delete = true              # optional, default false
  fields = [
    { name = "id", choice = "Counter", "Starting Value" = "1" },
    { name = "title", choice = "Title", Format = "Include Dr" },
    { name = "price", class = "currency", choice = "Random", From = "1.00", To = "99.99" },
  ]

A field's choice is its text in the window's choice list; its parameters are
keyed by the labels the window shows beside them, and the third parameter's
value is the text of its item. An omitted parameter is empty, or the first
item. "class" (text, integer, float, boolean, currency, date, time, datetime)
is needed only where a choice name belongs to several classes and no data
source tells the column's type; where it is written it decides, which is how
a float column (money columns are float to every driver) gets the currency
choices. Fields not named are "Do not update".
`describe` lists every field's choices with their parameter labels.
)";

// The main page's closing paragraphs (help2man makes sections of them).
const char* const kEnvironment = R"(
Environment:
  ODBCINI        the user's ODBC data source file (unixODBC; default
                 ~/.odbc.ini)
  ODBCSYSINI     the folder of the system odbc.ini and odbcinst.ini (default
                 /etc)

Examples:
  kestrove-profile describe --dsn "Kestrove Demo" --table sale
  kestrove-profile draft --dsn "Kestrove Demo" -o shop.toml
  kestrove-profile export /usr/share/kestrove/examples/shop.prf -o shop.toml
  kestrove-profile import shop.toml --dsn "Kestrove Demo" -o shop.prf
)";

// "describe, draft, export and import".
std::string Listed(const std::vector<std::string>& names) {
  std::string out;
  for (size_t i = 0; i < names.size(); ++i)
    out += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
  return out;
}

}  // namespace

const char* const kProfileExitCodes = R"(
Exit codes:
  0    done
  1    the data source could not be reached or read (its message is printed)
  2    usage error: bad option, unreadable file, a name that matches nothing
)";

void Warn(const std::vector<std::string>& warnings) {
  for (const std::string& w : warnings)
    std::fprintf(stderr, "kestrove-profile: warning: %s\n", Shown(w).c_str());
}

Parsed<ProfileCommand> ParseProfileCommandLine(const std::vector<std::string>& args) {
  CLI::App app{
      "Named profiles: describe a data source, draft a profile for it, and turn positional\n"
      "profiles (.prf, as the window saves them) into named ones (.toml) and back.",
      kTool};
  app.require_subcommand(1);
  app.footer(std::string("\n") + kFormat + kProfileExitCodes + kEnvironment);
  app.set_version_flag("--version", VersionLine(kTool), "show the program's name and version");

  DescribeOptions describe;
  DraftOptions draft;
  ExportOptions exporter;
  ImportOptions importer;
  CLI::App* const describe_app = SetupDescribe(app, describe);
  CLI::App* const draft_app = SetupDraft(app, draft);
  CLI::App* const export_app = SetupExport(app, exporter);
  CLI::App* const import_app = SetupImport(app, importer);

  // CLI11 takes an unknown word for a missing command; say what it is.
  std::vector<std::string> names;
  for (const CLI::App* command : app.get_subcommands({})) names.push_back(command->get_name());
  const std::string first = args.empty() ? "" : args.front();
  if (!first.empty() && first[0] != '-' &&
      std::find(names.begin(), names.end(), first) == names.end())
    return Stop{kExitUsage, "",
                std::string(kTool) + ": unknown command '" + Shown(first) + "'; the commands are " +
                    Listed(names) + "\nTry '" + kTool + " --help'.\n"};
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    if (auto stop = HelpOrVersion(app, e)) return *stop;
    std::string command;
    for (const CLI::App* sub : app.get_subcommands()) command = sub->get_name() + " ";
    return UsageStop(kTool, e.what(), command);
  }
  if (describe_app->parsed()) return ProfileCommand(describe);
  if (draft_app->parsed()) return ProfileCommand(draft);
  if (export_app->parsed()) return ProfileCommand(exporter);
  if (import_app->parsed()) return ProfileCommand(importer);
  return UsageStop(kTool, "A subcommand is required");
}

int RunProfileCommand(const ProfileCommand& command) {
  try {
    std::visit(
        [](const auto& options) {
          using O = std::decay_t<decltype(options)>;
          if constexpr (std::is_same_v<O, DescribeOptions>) RunDescribe(options);
          if constexpr (std::is_same_v<O, DraftOptions>) RunDraft(options);
          if constexpr (std::is_same_v<O, ExportOptions>) RunExport(options);
          if constexpr (std::is_same_v<O, ImportOptions>) RunImport(options);
        },
        command);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "kestrove-profile: %s\n", Shown(e.what()).c_str());
    return kExitUsage;
  } catch (const ENamedProfileError& e) {
    std::fprintf(stderr, "kestrove-profile: %s\n", Shown(e.what()).c_str());
    return kExitUsage;
  } catch (const NoTables& e) {
    std::fprintf(stderr, "kestrove-profile: %s\n", Shown(e.what()).c_str());
    return kExitError;
  } catch (const DatabaseFailed&) {
    return kExitError;
  } catch (const EODBC& error) {
    std::fprintf(stderr, "%s\n", Shown(FormatDatabaseError(error, "")).c_str());
    return kExitError;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kestrove-profile: %s\n", Shown(DisplayMessage(e.what())).c_str());
    return kExitError;
  }
  return kExitOk;
}

}  // namespace kestrove::tools

// kestrove-lists's command line and what its commands share.
#include "tools/lists_commands.h"

#include <cstdio>
#include <iostream>

#include "core/errors.h"
#include "lookup/lookup_lists.h"

namespace kestrove::tools {

namespace {

constexpr const char* kTool = "kestrove-lists";

const char* const kHelp =
    "Usage: kestrove-lists COMMAND ...\n"
    "\n"
    "Reads and writes Kestrove's lookup list files.\n"
    "\n"
    "Commands:\n"
    "  export LIST [--file PATH]\n"
    "      Writes the list as TSV to standard output: a header row of the list's\n"
    "      field names, then one row per record, as the list holds it after\n"
    "      loading the file. The default file is the one the programs read the\n"
    "      list from (see Files).\n"
    "  import LIST TSV [--file PATH]\n"
    "      Reads TSV (a path, or - for standard input) whose header row names\n"
    "      fields of the list, in any order and in any letter case, and writes\n"
    "      the list file (default: where the programs save the list, see Files,\n"
    "      so that the window and the next run draw from it). Fields the header\n"
    "      leaves out stay empty. Values longer than their field are cut to its\n"
    "      width; standard error says how many were cut. Empty lines are skipped,\n"
    "      except under a header of one column, where an empty line is an empty\n"
    "      entry (as export writes one).\n"
    "  info PATH\n"
    "      Prints the signature and version, each field descriptor (name, data\n"
    "      size, type code) and the number of complete records of a list file.\n"
    "\n"
    "Options:\n"
    "  --help     show this text\n"
    "  --version  show the program's name and version\n"
    "\n"
    "Lists (name: file, fields with widths):\n"
    "  surnames:          srndata.bin   Surname 16\n"
    "  male-forenames:    frmdata.bin   Forename 16\n"
    "  female-forenames:  frfdata.bin   Forename 16\n"
    "  towns:             twndata.bin   Town 24, County 24, PostCode 2\n"
    "  streets:           strdata.bin   StreetName 16\n"
    "  companies:         cmpdata.bin   Company 36\n"
    "  user1 .. user6:    usr1data.bin .. usr6data.bin   Data 24\n"
    "\n"
    "TSV: fields are separated by tabs and rows end with a line feed (a carriage\n"
    "return before it is dropped). A tab, line feed, carriage return or backslash\n"
    "inside a value is written as \\t, \\n, \\r or \\\\, and read back the same way.\n"
    "\n"
    "Exit codes: 0 done; 2 usage error, unknown list, unreadable file or a TSV\n"
    "column the list lacks (nothing is written); 1 the list file could not be\n"
    "written.\n"
    "\n"
    "Files:\n"
    "  Run from its build folder, the programs keep the list files beside\n"
    "  themselves: export reads and import writes them there. Installed (a\n"
    "  share/kestrove folder beside the bin folder), export reads a list from\n"
    "  $XDG_DATA_HOME/kestrove (by default ~/.local/share/kestrove) when its file\n"
    "  is there, and otherwise the shipped one from share/kestrove\n"
    "  (/usr/share/kestrove for /usr/bin/kestrove-lists); import writes to\n"
    "  $XDG_DATA_HOME/kestrove, which the window and kestrove-run read first.\n"
    "\n"
    "Environment:\n"
    "  XDG_DATA_HOME  the user's data folder, installed (default ~/.local/share)\n"
    "\n"
    "Examples:\n"
    "  kestrove-lists export surnames > surnames.tsv\n"
    "  kestrove-lists import surnames surnames.tsv\n"
    "  kestrove-lists info ~/.local/share/kestrove/srndata.bin\n";

const char* const kUnknownList =
    "' (one of surnames, male-forenames, female-forenames, towns, streets, "
    "companies, user1 .. user6)";

// What each command says when its arguments are short or too many.
std::string UsageMessage(const CLI::App& app, const CLI::App* command, const CLI::ParseError& e) {
  const bool required = dynamic_cast<const CLI::RequiredError*>(&e) != nullptr;
  if (!command) return required ? "no command given" : e.what();
  const std::string name = command->get_name();
  const bool extras = dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr;
  const auto positionals_missing = [&] {
    for (const CLI::Option* option : command->get_options())
      if (option->get_positional() && option->get_required() && option->count() == 0) return true;
    return false;
  };
  if (name == "info" && (required || extras)) return "info needs exactly one PATH";
  // Short of arguments is said before a LIST that names no list.
  if (required || positionals_missing())
    return name == "export" ? "export needs a LIST" : "import needs a LIST and a TSV file";
  if (dynamic_cast<const CLI::ValidationError*>(&e)) return ValidationMessage(e);
  if (extras && !app.remaining(true).empty())
    return "unexpected argument '" + app.remaining(true).front() + "'";
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) return "unexpected argument '--file'";
  return e.what();
}

}  // namespace

int ListName::id() const {
  return LookupListByCommandName(name);
}

CLI::Validator KnownList() {
  std::vector<std::string> names;
  for (int id = 0; id < kLookupListCount; ++id) names.push_back(LookupListInfo(id).command_name);
  return WithMessage(CLI::IsMember(names), [](const std::string& name) {
    return "unknown list '" + name + kUnknownList;
  });
}

const char* ListFileName(int id) {
  return kestrove::kLookupFileNames[static_cast<size_t>(id)];
}

std::unique_ptr<TdxMemData> NewList(int id) {
  const LookupListKind& kind = LookupListInfo(id);
  // Always open: the tool reads and writes files, it has no program start.
  auto list = std::make_unique<TdxMemData>(kind.list_name, kind.fields, true);
  list->SetSortOptions(kind.sort_options);
  return list;
}

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char n = text[++i];
      switch (n) {
        case 't':
          out += '\t';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case '\\':
          out += '\\';
          break;
        default:
          out += '\\';
          out += n;
      }
    } else {
      out += text[i];
    }
  }
  return out;
}

Parsed<ListsCommand> ParseListsCommandLine(const std::vector<std::string>& args) {
  CLI::App app{"", kTool};
  app.formatter(std::make_shared<FixedHelp>(kHelp));
  app.set_version_flag("--version", VersionLine(kTool), "show the program's name and version");
  app.require_subcommand(1);
  ExportListOptions exporter;
  ImportListOptions importer;
  ListInfoOptions info;
  CLI::App* const export_app = SetupListExport(app, exporter);
  CLI::App* const import_app = SetupListImport(app, importer);
  CLI::App* const info_app = SetupListInfo(app, info);

  // --help and --version anywhere are read first, whatever else is there.
  for (const std::string& word : args) {
    if (word != "--help" && word != "-h" && word != "--version") continue;
    try {
      app.parse(std::vector<std::string>{word});
    } catch (const CLI::ParseError& e) {
      if (auto stop = HelpOrVersion(app, e)) return *stop;
    }
  }
  std::vector<std::string> names;
  for (const CLI::App* command : app.get_subcommands({})) names.push_back(command->get_name());
  if (!args.empty() && std::find(names.begin(), names.end(), args.front()) == names.end())
    return UsageStop(kTool, "unknown command '" + args.front() + "'");
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    const std::vector<CLI::App*> parsed = app.get_subcommands();
    return UsageStop(kTool, UsageMessage(app, parsed.empty() ? nullptr : parsed.front(), e));
  }
  if (export_app->parsed()) return ListsCommand(exporter);
  if (import_app->parsed()) return ListsCommand(importer);
  if (info_app->parsed()) return ListsCommand(info);
  return UsageStop(kTool, "no command given");
}

int RunListsCommand(const ListsCommand& command) {
  try {
    return std::visit(
        [](const auto& options) {
          using O = std::decay_t<decltype(options)>;
          if constexpr (std::is_same_v<O, ExportListOptions>) return RunListExport(options);
          if constexpr (std::is_same_v<O, ImportListOptions>) return RunListImport(options);
          if constexpr (std::is_same_v<O, ListInfoOptions>) return RunListInfo(options);
        },
        command);
  } catch (const UsageError& e) {
    return Report(UsageStop(kTool, e.what()));
  } catch (const std::exception& e) {
    std::cerr << "kestrove-lists: " << DisplayMessage(e.what()) << "\n";
    return kExitError;
  }
}

}  // namespace kestrove::tools

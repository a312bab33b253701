// kestrove-profile: named profiles for people who keep their set-up in git.
// It describes a data source the way the window lists it, drafts a named
// profile from its columns, and turns positional profiles into named ones
// and back.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/database_schema.h"
#include "app/profile_layout.h"
#include "catalogue/choice_catalogue.h"
#include "catalogue/draft.h"
#include "catalogue/named_profile.h"
#include "catalogue/profile_file.h"
#include "core/errors.h"
#include "core/key_guard.h"
#include "db/database.h"
#include "db/error_text.h"

namespace {

using namespace kestrove;

constexpr int kExitOk = 0;
constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

// Bad input: an option, a file, a name that matches nothing.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A database failure, already printed.
struct DatabaseFailed {};

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

const char* const kExitCodes = R"(
Exit codes:
  0    done
  1    the data source could not be reached or read (its message is printed)
  2    usage error: bad option, unreadable file, a name that matches nothing
)";

std::string Shown(const std::string& text) {
  std::string out;
  for (char c : text) out += (c == '\n' || static_cast<unsigned char>(c) >= 0x20) ? c : '?';
  return out;
}

void Warn(const std::vector<std::string>& warnings) {
  for (const std::string& w : warnings)
    std::fprintf(stderr, "kestrove-profile: warning: %s\n", Shown(w).c_str());
}

// Connects as the window does; a failure is printed as the window shows it.
void Connect(Database& db, const std::string& dsn) {
  db.Connector.DataSource = dsn;
  try {
    db.Connector.Connect();
  } catch (const EODBC& error) {
    std::fprintf(stderr, "%s\n",
                 Shown(FormatDatabaseError(
                           error, "Communication Failure. Please select another Data Source."))
                     .c_str());
    throw DatabaseFailed{};
  }
}

// Standard output for "-" or no file, else the file, written whole.
void WriteOut(const std::optional<std::string>& path, const std::string& text) {
  if (!path || *path == "-") {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return;
  }
  std::FILE* file = std::fopen(path->c_str(), "wb");
  if (!file) throw UsageError("cannot create '" + *path + "'");
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (std::fclose(file) != 0 || !written) throw UsageError("cannot write '" + *path + "'");
}

// "Counter (Starting Value)", "Date (From, To, Format)".
std::string ChoiceWithKeys(const CatalogueEntry& entry) {
  std::string out = entry.text;
  std::string keys;
  for (const auto* label : {&entry.param1_label, &entry.param2_label, &entry.param3_label}) {
    if (!*label) continue;
    if (!keys.empty()) keys += ", ";
    keys += **label;
  }
  return keys.empty() ? out : out + " (" + keys + ")";
}

// --- describe ---------------------------------------------------------------

void Describe(const std::string& dsn, const std::optional<std::string>& only) {
  Database db;
  Connect(db, dsn);
  DatabaseSchema schema(db);
  const std::vector<std::string>& tables = schema.TableNames();
  if (only && std::find(tables.begin(), tables.end(), *only) == tables.end()) {
    const std::string nearest = NearestName(*only, tables);
    throw UsageError("the data source lists no table '" + *only + "'" +
                     (nearest.empty() ? "" : " (did you mean '" + nearest + "'?)"));
  }
  std::string out;
  if (!only)
    out += "Data source " + dsn + ": " + std::to_string(tables.size()) + " tables, in slot order\n";
  for (size_t t = 0; t < tables.size(); ++t) {
    if (only && tables[t] != *only) continue;
    out += "\ntable " + std::to_string(t) + ": " + tables[t];
    TableFacts facts;
    try {
      facts = schema.Facts(tables[t]);
    } catch (const EDatabaseError& e) {
      out += ": cannot be read: " + DisplayMessage(e.what()) + "\n";
      continue;
    }
    std::vector<const ColumnFacts*> listed, unknown;
    for (const ColumnFacts& c : facts.columns)
      (c.type == ftUnknown ? unknown : listed).push_back(&c);
    out += " (" + std::to_string(listed.size()) + " fields)\n";
    for (size_t f = 0; f < listed.size(); ++f) {
      const ColumnFacts& c = *listed[f];
      const TypeInfo info = ClassifyType(c.type);
      out += "  field " + std::to_string(f) + ": " + c.name + ": " +
             (*info.name ? info.name : "unnamed type") + ", size " + std::to_string(c.size);
      const std::string cls = ClassName(info.type_class);
      out += cls.empty() ? ", cannot be generated" : ", class " + cls;
      if (std::find(facts.primary_key.begin(), facts.primary_key.end(), c.name) !=
          facts.primary_key.end())
        out += ", primary key";
      if (auto r = facts.references.find(c.name); r != facts.references.end())
        out += ", " + ReferenceText(r->second);
      out += "\n";
      const auto& entries = CatalogueEntries(info.type_class);
      if (!entries.empty()) {
        out += "    choices: ";
        for (size_t e = 0; e < entries.size(); ++e)
          out += (e ? "; " : "") + ChoiceWithKeys(entries[e]);
        out += "\n";
      }
    }
    for (const ColumnFacts* c : unknown)
      out += "  (column " + c->name +
             " has a data type the program cannot read: it is not in "
             "the field list)\n";
  }
  WriteOut(std::nullopt, out);
}

// --- draft ------------------------------------------------------------------

std::string Draft(const std::string& dsn) {
  Database db;
  Connect(db, dsn);
  DatabaseSchema schema(db);
  return DraftProfile(schema, dsn);
}

// --- export and import ------------------------------------------------------

std::string Export(const std::string& prf, const std::optional<std::string>& dsn) {
  auto state = ProfileState::Create();
  int32_t count = 0;
  int64_t line = 0;
  try {
    count = LoadProfileFile(*state, prf, &line);
  } catch (const EConvertError& e) {
    throw UsageError(prf + " line " + std::to_string(line) + ": " + DisplayMessage(e.what()));
  } catch (const KestroveError& e) {
    throw UsageError("cannot load profile '" + prf + "': " + DisplayMessage(e.what()));
  }
  std::vector<std::string> warnings;
  NamedProfile named;
  if (dsn) {
    Database db;
    Connect(db, *dsn);
    DatabaseLayout layout(db);
    named = NameProfile(*state, count, &layout, &warnings);
  } else {
    named = NameProfile(*state, count, nullptr, &warnings);
  }
  for (std::string& w : SharedCounterWarnings(*state, count)) warnings.push_back(std::move(w));
  Warn(warnings);
  return NamedProfileText(named);
}

void Import(const std::string& toml, const std::string& dsn, const std::string& out) {
  NamedProfile named;
  try {
    named = ReadNamedProfileFile(toml);
  } catch (const ENamedProfileError& e) {
    throw UsageError(e.what());
  } catch (const KestroveError& e) {
    throw UsageError("cannot read '" + toml + "': " + DisplayMessage(e.what()));
  }
  Database db;
  Connect(db, dsn);
  DatabaseLayout layout(db);
  auto state = ProfileState::Create();
  int32_t count = 0;
  try {
    count = PlaceNamedProfile(named, &layout, *state);
  } catch (const ENamedProfileError& e) {
    throw UsageError(e.what());
  }
  Warn(SharedCounterWarnings(*state, count));
  try {
    SaveProfileFile(*state, count, out);
  } catch (const KestroveError& e) {
    throw UsageError(DisplayMessage(e.what()));
  }
}

int Main(int argc, char** argv) {
  CLI::App app{
      "Named profiles: describe a data source, draft a profile for it, and turn positional\n"
      "profiles (.prf, as the window saves them) into named ones (.toml) and back.",
      "kestrove-profile"};
  app.require_subcommand(1);
  app.footer(std::string("\n") + kFormat + kExitCodes);

  std::string dsn, file, out;
  std::optional<std::string> table, out_opt, export_dsn;

  CLI::App* describe = app.add_subcommand(
      "describe", "list the tables and fields of a data source, with their choices");
  const std::string describe_text =
      "List the data source's tables in slot order (as the window's table list) and, for\n"
      "each, its fields in field-list order: type name, size, class, primary key, the\n"
      "foreign key it holds (\"references artist(artist_id)\"), and the choices it is offered\n"
      "with their parameter labels, the keys of a named profile.";
  describe->add_option("--dsn", dsn, "ODBC data source")->required();
  describe->add_option("--table", table, "describe this table only");
  describe->footer("\n" + describe_text + "\n" + kExitCodes);

  CLI::App* draft = app.add_subcommand("draft", "write a starting named profile for a data source");
  const std::string draft_text =
      "Write a starting named profile for every table of the data source (views are left\n"
      "out). Choices are guessed from the column names and types: e-mail to Email,\n"
      "surname or last_name to Surname, post codes, towns, counties, phones and dates to\n"
      "theirs, an integer primary key to Counter, a foreign key to a Database Lookup of the\n"
      "column it references. A column without a guess is left out with a comment.";
  draft->add_option("--dsn", dsn, "ODBC data source")->required();
  draft->add_option("-o,--output", out_opt, "write the profile here (default: standard output)");
  draft->footer("\n" + draft_text + "\n" + kExitCodes);

  CLI::App* exporter =
      app.add_subcommand("export", "write the named profile of a positional profile (.prf)");
  const std::string exporter_text =
      "Write the named profile of a positional profile's listed slots. With --dsn the\n"
      "fields' types come from the data source, and every table and field must exist there;\n"
      "without it they come from the stored choices. Slots that name no table are left out\n"
      "with a warning, since a run skips them.";
  exporter->add_option("FILE.prf", file, "the positional profile")->required();
  exporter->add_option("--dsn", export_dsn, "ODBC data source to take the field types from");
  exporter->add_option("-o,--output", out_opt, "write the profile here (default: standard output)");
  exporter->footer("\n" + exporter_text + "\n" + kExitCodes);

  CLI::App* importer =
      app.add_subcommand("import", "write the positional profile (.prf) of a named profile");
  const std::string importer_text =
      "Write the positional profile of a named profile for the data source, as the window\n"
      "would make it for the same choices: tables at their place in the table list, fields\n"
      "at their place in the field list. The window loads it and shows exactly those\n"
      "choices. import of export of a window-made profile gives it back byte for byte.";
  importer->add_option("FILE.toml", file, "the named profile")->required();
  importer->add_option("--dsn", dsn, "ODBC data source")->required();
  importer->add_option("-o,--output", out, "the .prf file to write")->required();
  importer->footer("\n" + importer_text + "\n" + kExitCodes);

  // CLI11 takes an unknown word for a missing command; say what it is.
  const std::string first = argc > 1 ? argv[1] : "";
  if (!first.empty() && first[0] != '-' && first != "describe" && first != "draft" &&
      first != "export" && first != "import") {
    std::fprintf(stderr,
                 "kestrove-profile: unknown command '%s'; the commands are describe, draft, "
                 "export and import\nTry 'kestrove-profile --help'.\n",
                 Shown(argv[1]).c_str());
    return kExitUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);
    std::string command;
    for (const CLI::App* sub : app.get_subcommands()) command = sub->get_name() + " ";
    std::fprintf(stderr, "kestrove-profile: %s\nTry 'kestrove-profile %s--help'.\n", e.what(),
                 command.c_str());
    return kExitUsage;
  }

  try {
    if (describe->parsed()) {
      Describe(dsn, table);
    } else if (draft->parsed()) {
      WriteOut(out_opt, Draft(dsn));
    } else if (exporter->parsed()) {
      WriteOut(out_opt, Export(file, export_dsn));
    } else if (importer->parsed()) {
      Import(file, dsn, out);
    }
  } catch (const UsageError& e) {
    std::fprintf(stderr, "kestrove-profile: %s\n", Shown(e.what()).c_str());
    return kExitUsage;
  } catch (const ENamedProfileError& e) {
    std::fprintf(stderr, "kestrove-profile: %s\n", Shown(e.what()).c_str());
    return kExitUsage;
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

}  // namespace

int main(int argc, char** argv) {
  return Main(argc, argv);
}

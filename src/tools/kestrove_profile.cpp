// kestrove-profile: named profiles for people who keep their set-up in git.
// It describes a data source the way the window lists it, drafts a named
// profile from its columns, and turns positional profiles into named ones
// and back.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/database_schema.h"
#include "app/profile_layout.h"
#include "catalogue/choice_catalogue.h"
#include "catalogue/draft.h"
#include "catalogue/named_choices.h"
#include "catalogue/named_profile.h"
#include "catalogue/profile_file.h"
#include "core/errors.h"
#include "core/key_guard.h"
#include "db/database.h"
#include "db/error_text.h"
#include "kestrove_config.h"
#include "util/file.h"

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

// Standard output for "-" or no file, else the file, replaced only once the
// new text is wholly written.
void WriteOut(const std::optional<std::string>& path, const std::string& text) {
  if (!path || *path == "-") {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return;
  }
  try {
    WriteFileAtomically(*path, text);
  } catch (const AtomicWriteError& e) {
    throw UsageError(e.what());
  }
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

// Nothing to describe or draft: said, with exit code 1.
class NoTables : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string Joined(const std::vector<std::string>& parts, const char* separator = ", ") {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : separator) + part;
  return out;
}

// A data source, or a --schema, without tables stops here, naming where
// the tables are.
void RequireTables(DatabaseSchema& schema, const std::optional<std::string>& only) {
  if (!schema.TableNames().empty()) return;
  const std::vector<std::string> schemas = schema.SchemasWithTables();
  std::string text = "the data source lists no table";
  if (only) text += " in schema '" + *only + "'";
  text += schemas.empty() ? "" : "; the schemas that hold tables: " + Joined(schemas);
  throw NoTables(text);
}

std::string KindText(TableKind kind) {
  switch (kind) {
    case TableKind::kView:
      return ", a view: takes no rows";
    case TableKind::kMaterializedView:
      return ", a materialized view: takes no rows";
    case TableKind::kPartition:
      return ", a partition: rows go in through its parent";
    case TableKind::kPartitioned:
      return ", partitioned: rows go in here";
    case TableKind::kTable:
      break;
  }
  return "";
}

std::string CheckText(const CheckFacts& check) {
  std::string out = "check " + check.text;
  if (!check.allowed.empty()) return out + " (one of " + Joined(check.allowed) + ")";
  if (check.low.empty() && check.high.empty()) return out;
  out += " (";
  if (!check.low.empty()) out += (check.low_open ? "> " : ">= ") + check.low;
  if (!check.low.empty() && !check.high.empty()) out += ", ";
  if (!check.high.empty()) out += (check.high_open ? "< " : "<= ") + check.high;
  return out + ")";
}

// What the database tells of a column beyond its type and size.
std::string ColumnText(const ColumnFacts& c, const TableFacts& facts) {
  std::vector<std::string> parts;
  if (!c.type_name.empty()) parts.push_back(c.type_name);
  parts.push_back(c.nullable ? "NULL" : "NOT NULL");
  if (!c.default_value.empty()) parts.push_back("default " + c.default_value);
  if (c.precision > 0)
    parts.push_back("precision " + std::to_string(c.precision) + ", scale " +
                    std::to_string(c.scale));
  if (c.is_unsigned) parts.push_back("unsigned");
  if (c.auto_increment)
    parts.push_back(c.always_generated && !c.generated ? "identity, always generated"
                                                       : "auto-increment");
  if (c.generated) parts.push_back("generated");
  if (!c.sequence.empty()) parts.push_back("sequence " + c.sequence);
  if (!c.domain.empty()) parts.push_back("domain " + c.domain);
  if (!c.enum_labels.empty())
    parts.push_back(std::string(c.is_set ? "set" : "enum") + " (" + Joined(c.enum_labels) + ")");
  for (const CheckFacts& check : c.checks) parts.push_back(CheckText(check));
  for (const UniqueKey& key : facts.unique_keys)
    if (key.columns.size() == 1 && key.columns[0] == c.name) parts.push_back("unique");
  const std::string named = NamedOnlyClassFor(c);
  if (!named.empty()) parts.push_back("named profiles only: class " + named);
  return Joined(parts);
}

void Describe(const std::string& dsn, const std::optional<std::string>& only,
              const std::optional<std::string>& only_schema) {
  Database db;
  Connect(db, dsn);
  DatabaseSchema schema(db, only_schema);
  const std::vector<std::string>& tables = schema.TableNames();
  RequireTables(schema, only_schema);
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
    out += " (" + std::to_string(listed.size()) + " fields)" + KindText(schema.Kind(t)) + "\n";
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
      out += "\n    column: " + Shown(ColumnText(c, facts)) + "\n";
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
    if (facts.primary_key.size() > 1) out += "  primary key (" + Joined(facts.primary_key) + ")\n";
    for (const UniqueKey& key : facts.unique_keys)
      if (key.columns.size() > 1)
        out += "  unique " + key.name + " (" + Joined(key.columns) + ")\n";
    for (const std::string& check : facts.table_checks) out += "  check " + Shown(check) + "\n";
  }
  WriteOut(std::nullopt, out);
}

// --- draft ------------------------------------------------------------------

std::string Draft(const std::string& dsn, const std::optional<std::string>& only_schema) {
  Database db;
  Connect(db, dsn);
  DatabaseSchema schema(db, only_schema);
  RequireTables(schema, only_schema);
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
    FieldExtras extras;
    PlaceFieldExtras(named, *state, extras);
  } catch (const ENamedProfileError& e) {
    throw UsageError(e.what());
  }
  // A positional profile has no room for them: say what is lost.
  std::vector<std::string> lost;
  for (const NamedTable& table : named.tables)
    for (const NamedField& field : table.fields)
      if (field.null_share || !field.after.empty())
        lost.push_back("table \"" + table.name + "\", field \"" + field.name +
                       "\": its \"null\" and \"after\" keys are left out, which a " +
                       "positional profile cannot hold");
  Warn(lost);
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
  app.footer(std::string("\n") + kFormat + kExitCodes + kEnvironment);
  // Without its closing line break: CLI11 adds one.
  std::string version = VersionText("kestrove-profile");
  version.pop_back();
  app.set_version_flag("--version", version, "show the program's name and version");

  std::string dsn, file, out;
  std::optional<std::string> table, out_opt, export_dsn, schema_opt;

  CLI::App* describe = app.add_subcommand(
      "describe", "list the tables and fields of a data source, with their choices");
  const std::string describe_text =
      "List the tables of every schema the account can use (the default schema's in slot\n"
      "order, as the window's table list, then the others as schema.table), marking views,\n"
      "materialized views and partitions, and, for each, its fields in field-list order:\n"
      "type name, size, class, primary key, the foreign key it holds (\"references\n"
      "artist(artist_id)\"); on a \"column:\" line what the database keeps of it (its own type,\n"
      "NOT NULL, default, precision and scale, unsigned, auto-increment or identity,\n"
      "generated, domain, enum labels, CHECKs, unique, and the class only named profiles\n"
      "offer); and the choices it is offered with their parameter labels, the keys of a\n"
      "named profile. A data source or --schema without tables exits with 1.";
  describe->add_option("--dsn", dsn, "ODBC data source")->required();
  describe->add_option("--table", table,
                       "describe this table only (schema.table outside the default schema)");
  describe->add_option("--schema", schema_opt, "list the tables of this schema only");
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
  draft->add_option("--schema", schema_opt, "draft the tables of this schema only");
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
      Describe(dsn, table, schema_opt);
    } else if (draft->parsed()) {
      WriteOut(out_opt, Draft(dsn, schema_opt));
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

}  // namespace

int main(int argc, char** argv) {
  return Main(argc, argv);
}

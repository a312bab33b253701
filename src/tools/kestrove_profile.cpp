// kestrove-profile: named profiles for people who keep their set-up in git.
// It describes a data source the way the window lists it, drafts a named
// profile from its columns, and turns positional profiles into named ones
// and back.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/profile_layout.h"
#include "catalogue/choice_catalogue.h"
#include "catalogue/named_profile.h"
#include "catalogue/profile_file.h"
#include "core/errors.h"
#include "db/database.h"
#include "db/error_text.h"
#include "db/foreign_keys.h"
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

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
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

struct TableFacts {
  std::vector<LayoutColumn> columns;
  std::vector<std::string> primary_key;
  // By column: the table and column it references. A column of a key of
  // several columns references its own column of the other table.
  std::map<std::string, std::pair<std::string, std::string>> references;
};

TableFacts Facts(Database& db, DatabaseLayout& layout, const std::string& table) {
  TableFacts facts;
  facts.columns = layout.Columns(table);
  facts.primary_key = db.Catalog.PrimaryKey(table);
  for (const ForeignKey& key : ReadForeignKeys(db.Connector, table))
    for (size_t i = 0; i < key.Columns.size() && i < key.ReferencedColumns.size(); ++i)
      facts.references.emplace(key.Columns[i],
                               std::make_pair(key.ReferencedTable, key.ReferencedColumns[i]));
  return facts;
}

std::string ReferenceText(const std::pair<std::string, std::string>& r) {
  return "references " + r.first + "(" + r.second + ")";
}

// --- describe ---------------------------------------------------------------

void Describe(const std::string& dsn, const std::optional<std::string>& only) {
  Database db;
  Connect(db, dsn);
  DatabaseLayout layout(db);
  const std::vector<std::string>& tables = layout.TableNames();
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
      facts = Facts(db, layout, tables[t]);
    } catch (const EDatabaseError& e) {
      out += ": cannot be read: " + DisplayMessage(e.what()) + "\n";
      continue;
    }
    std::vector<const LayoutColumn*> listed, unknown;
    for (const LayoutColumn& c : facts.columns)
      (c.type == ftUnknown ? unknown : listed).push_back(&c);
    out += " (" + std::to_string(listed.size()) + " fields)\n";
    for (size_t f = 0; f < listed.size(); ++f) {
      const LayoutColumn& c = *listed[f];
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
    for (const LayoutColumn* c : unknown)
      out += "  (column " + c->name +
             " has a data type the program cannot read: it is not in "
             "the field list)\n";
  }
  WriteOut(std::nullopt, out);
}

// --- draft ------------------------------------------------------------------

bool NameIs(const std::string& lower, std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (lower == n) return true;
  return false;
}

bool NameHas(const std::string& lower, std::initializer_list<const char*> parts) {
  for (const char* p : parts)
    if (lower.find(p) != std::string::npos) return true;
  return false;
}

// True when the name is one of `names`, or ends in "_" and one of them
// (billing_town, contact_gender).
bool NameEndsIn(const std::string& lower, std::initializer_list<const char*> names) {
  for (const char* n : names) {
    const size_t length = std::char_traits<char>::length(n);
    if (lower == n ||
        (lower.size() > length + 1 && lower.compare(lower.size() - length, length, n) == 0 &&
         lower[lower.size() - length - 1] == '_'))
      return true;
  }
  return false;
}

NamedField Choice(const std::string& name, const char* choice,
                  std::vector<NamedParam> params = {}) {
  NamedField field;
  field.name = name;
  field.choice = choice;
  field.params = std::move(params);
  return field;
}

// Dates other than birth dates (joined, hired, invoiced) are drawn from this
// day to today rather than from 1900.
const char* const kRecentFrom = "2000/1/1";

// A choice guessed from the column's name and type, or nullopt.
std::optional<NamedField> Guess(const std::string& table, const LayoutColumn& column,
                                const TableFacts& facts) {
  const int32_t cls = ClassifyType(column.type).type_class;
  const std::string n = Lower(column.name);
  if (auto r = facts.references.find(column.name); r != facts.references.end()) {
    // The first record of a table that looks itself up finds no row, and an
    // empty value breaks its statement.
    if (r->second.first == table || FindCatalogueEntry(cls, "Database Lookup") < 0)
      return std::nullopt;
    return Choice(column.name, "Database Lookup",
                  {{"Field Name", r->second.second, 0}, {"TableName", r->second.first, 0}});
  }
  const bool birth = NameHas(n, {"birth", "dob", "born"});
  switch (cls) {
    case kClassInteger:
      if (facts.primary_key.size() == 1 && facts.primary_key[0] == column.name)
        return Choice(column.name, "Counter");
      if (NameHas(n, {"age"})) return Choice(column.name, "Age", {{"Type", "Random, 16 - 99", 0}});
      return Choice(column.name, "Random", {{"From", "1", 0}, {"To", "1000", 0}});
    case kClassFloat:
      return Choice(column.name, "Random", {{"From", "0.00", 0}, {"To", "1000.00", 0}});
    case kClassCurrency:
      return Choice(column.name, "Random", {{"From", "1.00", 0}, {"To", "999.99", 0}});
    case kClassBoolean:
      return Choice(column.name, "Random", {{"Style", "False and True", 0}});
    case kClassDate:
      if (birth)
        return Choice(
            column.name, "Random Date",
            {{"From", "1940/1/1", 0}, {"To", "2005/12/31", 0}, {"Style", "yyyy-mm-dd", 0}});
      return Choice(column.name, "Random Date",
                    {{"From", kRecentFrom, 0}, {"Style", "yyyy-mm-dd", 0}});
    case kClassTime:
      return Choice(column.name, "Random Time", {{"Format", "24 hr, e.g. 16:30:24", 0}});
    case kClassDateTime:
      return Choice(column.name, "Random DateTime",
                    {{"From", kRecentFrom, 0}, {"Format", "yyyy-mm-dd 24:24:24", 0}});
    case kClassText:
      break;
    default:
      return std::nullopt;
  }
  if (NameHas(n, {"email", "e_mail", "mail"})) return Choice(column.name, "Email");
  if (NameEndsIn(n, {"surname", "last_name", "lastname", "family_name"}))
    return Choice(column.name, "Surname");
  if (NameEndsIn(n, {"forename", "first_name", "firstname", "given_name"}))
    return Choice(column.name, "Forename");
  if (NameEndsIn(n, {"middlename", "middle_name"})) return Choice(column.name, "Middlename");
  if (NameEndsIn(n, {"title"}) && column.size > 0 && column.size <= 4)
    return Choice(column.name, "Title");
  if (NameEndsIn(n, {"gender", "sex"}))
    return Choice(column.name, "Gender",
                  {{"Format", column.size >= 6 ? "Male or Female" : "M or F", 0}});
  if (NameHas(n, {"post_code", "postcode", "postal_code", "zip"}))
    return Choice(column.name, "Post/Zip Code");
  if (NameEndsIn(n, {"town", "city"})) return Choice(column.name, "Town/City");
  if (NameEndsIn(n, {"county", "state", "region"})) return Choice(column.name, "County/State");
  if (NameHas(n, {"phone", "fax", "mobile"}) || NameIs(n, {"tel"}))
    return Choice(column.name, "Tel/Fax");
  if (NameEndsIn(n, {"address", "address1", "address_line1", "street"}))
    return Choice(column.name, "Address");
  if (NameIs(n, {"company", "company_name"})) return Choice(column.name, "Company");
  if (NameIs(n, {"marital_status"})) return Choice(column.name, "Marital Status");
  if (NameEndsIn(n, {"initials"})) return Choice(column.name, "Initials");
  if (NameIs(n, {"spouse", "spouse_name"})) return Choice(column.name, "Spouse Name");
  if (NameIs(n, {"age"})) return Choice(column.name, "Age", {{"Type", "Random, 16 - 99", 0}});
  if (birth)
    return Choice(column.name, "Date",
                  {{"From", "1940/1/1", 0},
                   {"To", "2005/12/31", 0},
                   {"Format", "Date of Birth, yyyy/mm/dd", 0}});
  if (NameHas(n, {"date"}))
    return Choice(column.name, "Date", {{"From", kRecentFrom, 0}, {"Format", "yyyy-mm-dd", 0}});
  return std::nullopt;
}

std::string Draft(const std::string& dsn) {
  Database db;
  Connect(db, dsn);
  DatabaseLayout layout(db);
  const std::vector<std::string>& tables = layout.TableNames();
  std::vector<DraftTable> drafts;
  const std::vector<CatalogEntry>& entries = db.Catalog.Entries();
  for (size_t t = 0; t < tables.size(); ++t) {
    DraftTable& draft = drafts.emplace_back();
    NamedTable& table = draft.table;
    std::vector<std::string>& notes = draft.notes;
    table.name = tables[t];
    if (t < entries.size() && entries[t].Kind == 1) {
      draft.left_out = "is a view: left out.";
      continue;
    }
    TableFacts facts;
    try {
      facts = Facts(db, layout, tables[t]);
    } catch (const EDatabaseError& e) {
      draft.left_out = "cannot be read: left out (" + DisplayMessage(e.what()) + ")";
      continue;
    }
    for (const LayoutColumn& column : facts.columns) {
      if (column.type == ftUnknown) continue;
      std::optional<NamedField> field = Guess(tables[t], column, facts);
      const int32_t cls = ClassifyType(column.type).type_class;
      const bool short_format = field && (field->choice == "Date" ||
                                          (field->choice == "Gender" && !field->params.empty() &&
                                           field->params[0].value == "M or F"));
      if (field && cls == kClassText && column.size > 0 && !short_format) {
        // A value longer than the column is refused by most servers. (A
        // text date's length is its format's, which the draft picks short,
        // and "M or F" makes one character.)
        const CatalogueEntry& entry =
            CatalogueEntries(cls)[static_cast<size_t>(FindCatalogueEntry(cls, field->choice))];
        if (entry.limit && !entry.limit->empty() && std::stoi(*entry.limit) > column.size) {
          notes.push_back(column.name + ": left out, " + field->choice + " makes up to " +
                          *entry.limit + " characters, more than its size of " +
                          std::to_string(column.size));
          continue;
        }
      }
      if (field) {
        if (OfferedBySeveralClasses(field->choice)) field->type_class = cls;
        table.fields.push_back(std::move(*field));
      } else {
        const auto r = facts.references.find(column.name);
        if (r != facts.references.end() && r->second.first == tables[t]) {
          notes.push_back(column.name + ": left out, it " + ReferenceText(r->second) +
                          ", its own table, where the first record finds no row to look up");
          continue;
        }
        const TypeInfo info = ClassifyType(column.type);
        std::string why = std::string(*info.name ? info.name : "unknown") + " column";
        if (column.size > 0) why += " of size " + std::to_string(column.size);
        notes.push_back(column.name + ": left out, no choice guessed for a " + why);
      }
    }
    // A key made of looked-up values only (a playlist's tracks) repeats as
    // soon as two records draw the same pair.
    bool looked_up_key = facts.primary_key.size() > 1;
    for (const std::string& key : facts.primary_key) {
      const auto field = std::find_if(table.fields.begin(), table.fields.end(),
                                      [&](const NamedField& f) { return f.name == key; });
      looked_up_key &= field != table.fields.end() && field->choice == "Database Lookup";
    }
    if (looked_up_key) {
      std::string columns;
      for (const std::string& key : facts.primary_key)
        columns += (columns.empty() ? "" : ", ") + key;
      notes.push_back("the key (" + columns +
                      ") is made of looked-up values, which repeat: give one of its columns a "
                      "Counter, or keep the records to a few");
    }
  }
  return DraftText(dsn, drafts);
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

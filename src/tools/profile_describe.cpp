// kestrove-profile describe: a data source's tables and fields as the
// window lists them, with the choices each field is offered.
#include <algorithm>

#include "app/database_schema.h"
#include "catalogue/choice_catalogue.h"
#include "catalogue/draft.h"
#include "core/errors.h"
#include "tools/profile_commands.h"

namespace kestrove::tools {

namespace {

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

}  // namespace

CLI::App* SetupDescribe(CLI::App& app, DescribeOptions& options) {
  CLI::App* describe = app.add_subcommand(
      "describe", "list the tables and fields of a data source, with their choices");
  const std::string describe_text =
      "List the data source's tables in slot order (as the window's table list) and, for\n"
      "each, its fields in field-list order: type name, size, class, primary key, the\n"
      "foreign key it holds (\"references artist(artist_id)\"), and the choices it is offered\n"
      "with their parameter labels, the keys of a named profile.";
  describe->add_option("--dsn", options.dsn, "ODBC data source")->required();
  describe->add_option("--table", options.table, "describe this table only");
  describe->footer("\n" + describe_text + "\n" + kProfileExitCodes);
  return describe;
}

void RunDescribe(const DescribeOptions& options) {
  const std::string& dsn = options.dsn;
  const std::optional<std::string>& only = options.table;
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

}  // namespace kestrove::tools

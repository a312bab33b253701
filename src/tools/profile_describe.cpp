// kestrove-profile describe: a data source's tables and fields as the
// window lists them, with the choices each field is offered.
#include <algorithm>

#include "app/database_schema.h"
#include "catalogue/choice_catalogue.h"
#include "catalogue/draft.h"
#include "catalogue/named_choices.h"
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

std::string Joined(const std::vector<std::string>& parts, const char* separator = ", ") {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : separator) + part;
  return out;
}

}  // namespace

void RequireTables(DatabaseSchema& schema, const std::optional<std::string>& only) {
  if (!schema.TableNames().empty()) return;
  const std::vector<std::string> schemas = schema.SchemasWithTables();
  std::string text = "the data source lists no table";
  if (only) text += " in schema '" + *only + "'";
  text += schemas.empty() ? "" : "; the schemas that hold tables: " + Joined(schemas);
  throw NoTables(text);
}

namespace {

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

}  // namespace

CLI::App* SetupDescribe(CLI::App& app, DescribeOptions& options) {
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
  describe->add_option("--dsn", options.dsn, "ODBC data source")->required();
  describe->add_option("--table", options.table,
                       "describe this table only (schema.table outside the default schema)");
  describe->add_option("--schema", options.schema, "list the tables of this schema only");
  describe->footer("\n" + describe_text + "\n" + kProfileExitCodes);
  return describe;
}

void RunDescribe(const DescribeOptions& options) {
  const std::string& dsn = options.dsn;
  const std::optional<std::string>& only = options.table;
  Database db;
  Connect(db, dsn);
  DatabaseSchema schema(db, options.schema);
  const std::vector<std::string>& tables = schema.TableNames();
  RequireTables(schema, options.schema);
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

}  // namespace kestrove::tools

#include "app/database_schema.h"

#include <algorithm>
#include <set>

#include "catalogue/check_facts.h"
#include "core/errors.h"
#include "db/identifiers.h"
#include "db/table.h"

namespace kestrove {

namespace {

TableKind KindOf(DbObjectKind kind) {
  switch (kind) {
    case DbObjectKind::kView:
      return TableKind::kView;
    case DbObjectKind::kMaterializedView:
      return TableKind::kMaterializedView;
    case DbObjectKind::kPartition:
      return TableKind::kPartition;
    case DbObjectKind::kPartitioned:
      return TableKind::kPartitioned;
    case DbObjectKind::kTable:
      break;
  }
  return TableKind::kTable;
}

ColumnFacts* FindColumn(TableFacts& facts, const std::string& name) {
  for (ColumnFacts& c : facts.columns)
    if (c.name == name) return &c;
  return nullptr;
}

}  // namespace

TableFacts TableFactsOf(const DbTableFacts& db, TableKind kind) {
  TableFacts facts;
  facts.kind = kind;
  for (const DbColumnFacts& d : db.columns) {
    ColumnFacts c;
    c.name = d.name;
    c.type = FieldTypeOfColumn(d.sql_type, d.is_unsigned);
    // The window sizes only text and byte fields.
    c.size = c.type == ftString || c.type == ftBytes ? static_cast<int32_t>(d.column_size) : 0;
    c.type_name = d.type_name;
    c.sql_type = d.sql_type;
    c.nullable = d.nullable;
    c.default_value = d.default_value;
    c.precision = d.precision;
    c.scale = d.scale;
    c.is_unsigned = d.is_unsigned;
    c.auto_increment = d.auto_increment;
    c.generated = d.generated;
    c.always_generated = d.always_generated;
    c.enum_labels = d.enum_labels;
    c.is_set = d.is_set;
    c.domain = d.domain;
    c.sequence = d.sequence;
    // A domain's CHECK names its value VALUE: it holds for the column.
    for (const std::string& text : d.checks) {
      if (auto check = ParseCheck(text))
        c.checks.push_back(std::move(check->facts));
      else
        facts.table_checks.push_back(text);
    }
    facts.columns.push_back(std::move(c));
  }
  facts.primary_key = db.primary_key;
  for (const DbUniqueKey& key : db.unique_keys)
    facts.unique_keys.push_back({key.name, key.columns});
  for (const ForeignKey& key : db.foreign_keys)
    for (size_t i = 0; i < key.Columns.size() && i < key.ReferencedColumns.size(); ++i)
      facts.references.emplace(key.Columns[i],
                               ColumnReference{key.ReferencedTable, key.ReferencedColumns[i]});
  for (const std::string& text : db.checks) {
    const auto check = ParseCheck(text);
    ColumnFacts* column = check ? FindColumn(facts, check->column) : nullptr;
    if (column)
      column->checks.push_back(check->facts);
    else
      facts.table_checks.push_back(text);
  }
  // The draft fills a partitioned table through its parent: the key column
  // takes the range the partitions cover, when they leave no gap (a row in
  // a gap has no partition to go to).
  if (ColumnFacts* column = FindColumn(facts, db.partition_column);
      column && !db.partition_bounds.empty()) {
    auto bounds = db.partition_bounds;
    std::sort(bounds.begin(), bounds.end());
    bool contiguous = true;
    for (size_t i = 1; i < bounds.size(); ++i)
      contiguous &= bounds[i].first == bounds[i - 1].second;
    if (contiguous) {
      CheckFacts range;
      range.text = "partitions FROM " + bounds.front().first + " TO " + bounds.back().second;
      range.low = bounds.front().first;
      range.high = bounds.back().second;
      range.high_open = true;
      column->checks.push_back(std::move(range));
    }
  }
  return facts;
}

DatabaseSchema::DatabaseSchema(Database& db, std::optional<std::string> only_schema)
    : db_(db), catalogue_(db.Connector), only_schema_(std::move(only_schema)) {}

void DatabaseSchema::List() {
  if (listed_) return;
  all_ = catalogue_.Tables();
  // The default schema in the window's table order, so that slots keep
  // their places; what the window does not list goes after, by name.
  const std::vector<std::string> window = db_.Catalog.TableNames();
  db_.Catalog.MarkStale();
  auto rank = [&](const DbSchemaTable& t) {
    if (!t.in_default_schema) return window.size() + 1;
    const auto at = std::find(window.begin(), window.end(), t.name);
    return static_cast<size_t>(at - window.begin());
  };
  std::stable_sort(all_.begin(), all_.end(),
                   [&](const auto& a, const auto& b) { return rank(a) < rank(b); });
  for (const DbSchemaTable& t : all_) {
    if (only_schema_ && t.schema != *only_schema_) continue;
    tables_.push_back(t);
    names_.push_back(t.Qualified());
  }
  listed_ = true;
}

const std::vector<std::string>& DatabaseSchema::TableNames() {
  List();
  return names_;
}

bool DatabaseSchema::IsView(size_t slot) {
  const TableKind kind = Kind(slot);
  return kind == TableKind::kView || kind == TableKind::kMaterializedView;
}

TableKind DatabaseSchema::Kind(size_t slot) {
  List();
  return slot < tables_.size() ? KindOf(tables_[slot].kind) : TableKind::kTable;
}

TableFacts DatabaseSchema::Facts(const std::string& table) {
  List();
  for (const DbSchemaTable& t : tables_)
    if (t.Qualified() == table) return TableFactsOf(catalogue_.Facts(t), KindOf(t.kind));
  throw EDatabaseError("the data source lists no table '" + table + "'");
}

std::vector<std::string> DatabaseSchema::SchemasWithTables() {
  List();
  std::vector<std::string> schemas;
  for (const DbSchemaTable& t : all_)
    if (std::find(schemas.begin(), schemas.end(), t.schema) == schemas.end())
      schemas.push_back(t.schema);
  return schemas;
}

}  // namespace kestrove

namespace kestrove {

std::optional<NamedScriptFacts> DatabaseSchema::ScriptFacts() {
  const IdentifierRules rules = ReadIdentifierRules(db_.Connector);
  NamedScriptFacts facts;
  facts.quote = rules.quote == '\0' ? std::string() : std::string(1, rules.quote);
  facts.folds = rules.folds == IdentifierRules::Folding::kLower   ? "lower"
                : rules.folds == IdentifierRules::Folding::kUpper ? "upper"
                                                                  : "none";
  facts.backslash_escapes = db_.Connector.BackslashEscapes();
  facts.bytes = BytesAsDecodeHex(db_.Connector) ? "decode" : "x";
  return facts;
}

}  // namespace kestrove

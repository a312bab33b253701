// The draft's schema reader over a connected data source: the tables of
// every schema the account can use and each column's facts, through the
// database layer's schema catalogue.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "catalogue/draft.h"
#include "db/database.h"
#include "db/schema_catalog.h"

namespace kestrove {

class DatabaseSchema : public SchemaReader {
 public:
  // `db` must be connected and outlive the reader. With `only_schema` the
  // tables of that schema alone are listed (the default schema answers to
  // its own name).
  explicit DatabaseSchema(Database& db, std::optional<std::string> only_schema = std::nullopt);

  // The default schema's tables in the window's order, then the other
  // schemas' by schema and name, as "schema.table".
  const std::vector<std::string>& TableNames() override;
  // Views and materialized views.
  bool IsView(size_t slot) override;
  TableKind Kind(size_t slot) override;
  // EODBC when the driver refuses a catalogue call; EDatabaseError for a
  // name that is not listed.
  TableFacts Facts(const std::string& table) override;
  // The identifier quote and folding (SQLGetInfo), backslash escapes and the
  // bytes literal the connected data source takes.
  std::optional<NamedScriptFacts> ScriptFacts() override;
  // The schemas that hold a table, whatever `only_schema` says; "" stands
  // for a data source without schemas.
  std::vector<std::string> SchemasWithTables();

 private:
  void List();

  Database& db_;
  DbSchemaCatalog catalogue_;
  std::optional<std::string> only_schema_;
  bool listed_ = false;
  std::vector<DbSchemaTable> all_;
  std::vector<DbSchemaTable> tables_;
  std::vector<std::string> names_;
};

// The facts of one table as the database layer reads them, with its CHECKs
// read into ranges and lists where they bear on one column, and a range
// partitioned table's partitions as a range of its key column.
TableFacts TableFactsOf(const DbTableFacts& db, TableKind kind);

}  // namespace kestrove

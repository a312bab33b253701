#include "app/database_schema.h"

#include "db/foreign_keys.h"

namespace kestrove {

bool DatabaseSchema::IsView(size_t slot) {
  const std::vector<CatalogEntry>& entries = db_.Catalog.Entries();
  return slot < entries.size() && entries[slot].Kind == 1;
}

TableFacts DatabaseSchema::Facts(const std::string& table) {
  TableFacts facts;
  for (const LayoutColumn& column : layout_.Columns(table))
    facts.columns.push_back({column.name, column.type, column.size});
  facts.primary_key = db_.Catalog.PrimaryKey(table);
  for (const ForeignKey& key : ReadForeignKeys(db_.Connector, table))
    for (size_t i = 0; i < key.Columns.size() && i < key.ReferencedColumns.size(); ++i)
      facts.references.emplace(key.Columns[i],
                               ColumnReference{key.ReferencedTable, key.ReferencedColumns[i]});
  return facts;
}

}  // namespace kestrove

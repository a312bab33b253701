// The foreign keys of a table, as the driver reports them.
#pragma once

#include <string>
#include <vector>

namespace kestrove {

class DbConnection;
struct CatalogueName;

// One foreign key: Columns[i] of the table refers to ReferencedColumns[i] of
// ReferencedTable, in key order.
struct ForeignKey {
  std::string Name;  // the constraint's name; sqliteodbc gives none (empty)
  std::vector<std::string> Columns;
  std::string ReferencedTable;
  std::vector<std::string> ReferencedColumns;
  // Where the referenced table lives, as the driver reports it: MariaDB
  // names the database as catalog, PostgreSQL the schema. Empty when the
  // driver tells none (SQLite).
  std::string ReferencedCatalog;
  std::string ReferencedSchema;
};

// The foreign keys of `table`, each with its columns in key order, in the
// order the driver lists them: psqlODBC by referenced table, sqliteodbc the
// last declared first. A table without any gives an empty list. Raises
// EODBC when the driver refuses the call.
std::vector<ForeignKey> ReadForeignKeys(DbConnection& connection, const std::string& table);
// The same for a table named in full (a schema or a database of its own).
std::vector<ForeignKey> ReadForeignKeys(DbConnection& connection, const CatalogueName& table);

}  // namespace kestrove

// The list of tables and views of the connected data source.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/statement.h"

namespace kestrove {

class DbConnection;

// True for the data source whose DBMS name and driver name, joined by ";",
// are "Excel;odbcjt32.dll" (without regard to case).
bool IsExcelDataSource(const std::string& dbms_name, const std::string& driver_name);

struct CatalogEntry {
  std::string Schema;
  std::string Name;
  int Kind = 0;  // 0 table, 1 view, 2 system table
  std::string Remarks;
};

class DbCatalog {
 public:
  explicit DbCatalog(DbConnection& connection);

  // The names of the tables and views, listing them first when stale.
  const std::vector<std::string>& TableNames();
  // The next request lists again.
  void MarkStale() { stale_ = true; }
  bool Stale() const { return stale_; }
  const std::vector<CatalogEntry>& Entries() const { return entries_; }
  // The columns of a table's primary key (SQLPrimaryKeys), ordered by
  // KEY_SEQ: key order, except on sqliteodbc, which numbers them in column
  // order. Empty when it has none or the driver tells none.
  std::vector<std::string> PrimaryKey(const std::string& table);

  // Object kinds wanted. The Excel driver refuses type lists, so for it all
  // are cleared, for good.
  bool WantTables = true;
  bool WantViews = true;
  bool WantSystemTables = false;

 private:
  void List();

  DbConnection& connection_;
  DbStatement statement_;
  std::vector<CatalogEntry> entries_;
  std::vector<std::string> names_;
  bool stale_ = true;
};

}  // namespace kestrove

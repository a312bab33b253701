// The table catalogue.
#include "db/catalog.h"

#include <algorithm>
#include <cctype>

#include "db/connection.h"
#include "db/odbc_internal.h"
#include "db/sql_text.h"
#include "util/text.h"

namespace kestrove {

namespace {

std::string Trim(const std::string& text) {
  std::string t = TrimRight(text);
  size_t i = 0;
  while (i < t.size() && static_cast<unsigned char>(t[i]) <= 32) ++i;
  return t.substr(i);
}

// The connection's current catalog (the database it works in), or empty
// when the driver has no catalogs or does not tell.
std::string CurrentCatalog(DbConnection& connection) {
  SQLCHAR buffer[256] = {};
  SQLINTEGER length = 0;
  if (Succeeded(SQLGetConnectAttr(connection.Handle(), SQL_ATTR_CURRENT_CATALOG, buffer,
                                  sizeof buffer - 1, &length)))
    return reinterpret_cast<const char*>(buffer);
  return connection.InfoText(SQL_DATABASE_NAME);
}

}  // namespace

bool IsExcelDataSource(const std::string& dbms_name, const std::string& driver_name) {
  return Upper(dbms_name + ";" + driver_name) == "EXCEL;ODBCJT32.DLL";
}

DbCatalog::DbCatalog(DbConnection& connection) : connection_(connection), statement_(connection) {}

const std::vector<std::string>& DbCatalog::TableNames() {
  if (stale_) List();
  names_.clear();
  for (const CatalogEntry& entry : entries_) names_.push_back(entry.Name);
  return names_;
}

void DbCatalog::List() {
  if (!connection_.Connected()) connection_.Connect();
  const std::string driver = connection_.InfoText(SQL_DRIVER_NAME);
  if (IsExcelDataSource(connection_.InfoText(SQL_DBMS_NAME), driver)) {
    WantTables = WantViews = WantSystemTables = false;
  }
  std::string types = ObjectTypeText(WantTables, WantViews, WantSystemTables);
  if (Upper(driver).rfind("SQLITE", 0) == 0) {
    // The SQLite ODBC drivers (sqliteodbc's sqlite3odbc.so and sqliteodbc.so)
    // stop reading the type list at a blank after a comma, so "'TABLE',
    // 'VIEW'" lists no views there. Without the blanks they read every type.
    for (size_t at = types.find(", "); at != std::string::npos; at = types.find(", ", at))
      types.erase(at + 1, 1);
  }
  // Only the tables of the data source's own database are listed: their
  // bare names are what gets written into it. MariaDB Connector/ODBC lists
  // every database the account can see when the catalog argument is null.
  // Naming the catalog in SQLTables would not do: under ODBC 3 the argument
  // is a search pattern, so "shop_db" would also list "shop2db", and drivers
  // without catalogs may refuse it. TABLE_CAT is reported alike by every
  // driver, so the rows are filtered on it instead; a row without a catalog
  // (a driver that has none) is always kept.
  const std::string catalog = CurrentCatalog(connection_);
  // A fresh handle for every listing.
  statement_.Terminate();
  statement_.Tables("%", types);
  entries_.clear();
  while (statement_.FetchNext()) {
    const std::string table_catalog = statement_.ColumnText(1);
    if (!catalog.empty() && !table_catalog.empty() && table_catalog != catalog) continue;
    CatalogEntry entry;
    entry.Schema = statement_.ColumnText(2);
    entry.Name = statement_.ColumnText(3);
    const std::string kind = Upper(Trim(statement_.ColumnText(4)));
    entry.Kind = kind == "VIEW" ? 1 : kind == "SYSTEM TABLE" ? 2 : 0;
    entry.Remarks = statement_.ColumnText(5);
    entries_.push_back(std::move(entry));
  }
  stale_ = false;
}

std::vector<std::string> DbCatalog::PrimaryKey(const std::string& table) {
  DbStatement keys(connection_);
  keys.PrimaryKeys(table);
  std::vector<std::pair<int64_t, std::string>> columns;
  while (keys.FetchNext()) {
    int64_t sequence = 0;
    keys.ColumnInt64(5, &sequence);
    columns.emplace_back(sequence, keys.ColumnText(4));
  }
  std::stable_sort(columns.begin(), columns.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> names;
  for (auto& column : columns) names.push_back(std::move(column.second));
  return names;
}

}  // namespace kestrove

// Keys read through SQLPrimaryKeys and SQLStatistics, their values by query.
#include "db/unique_keys.h"

#include <algorithm>
#include <cctype>

#include "db/statement.h"

namespace kestrove {

namespace {

bool SameColumns(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  // Drivers disagree on the case of a column's name between the two calls.
  auto lower = [](std::vector<std::string> v) {
    for (auto& s : v)
      for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::sort(v.begin(), v.end());
    return v;
  };
  return lower(a) == lower(b);
}

void Place(std::vector<std::string>& columns, int64_t seq, std::string column) {
  const size_t at = seq > 0 ? static_cast<size_t>(seq - 1) : columns.size();
  if (columns.size() <= at) columns.resize(at + 1);
  columns[at] = std::move(column);
}

}  // namespace

namespace {

// The keys of a table named bare or in full.
template <class Name>
std::vector<TableKey> ReadKeys(DbConnection& connection, const Name& table) {
  std::vector<TableKey> keys;
  {
    DbStatement primary(connection);
    primary.PrimaryKeys(table);
    TableKey key;
    key.Primary = true;
    while (primary.FetchNext()) {
      int64_t seq = 0;
      if (!primary.ColumnInt64(5, &seq)) seq = 0;
      key.Name = primary.ColumnText(6);
      Place(key.Columns, seq, primary.ColumnText(4));
    }
    if (!key.Columns.empty()) keys.push_back(std::move(key));
  }
  DbStatement indexes(connection);
  indexes.UniqueIndexes(table);
  std::vector<TableKey> unique;
  while (indexes.FetchNext()) {
    int64_t type = 0, non_unique = 0, seq = 0;
    // TYPE 0 (SQL_TABLE_STAT) is the table's own row, not an index column.
    if (indexes.ColumnInt64(7, &type) && type == 0) continue;
    if (indexes.ColumnInt64(4, &non_unique) && non_unique != 0) continue;
    const std::string column = indexes.ColumnText(9);
    if (column.empty()) continue;
    const std::string name = indexes.ColumnText(6);
    if (!indexes.ColumnInt64(8, &seq)) seq = 0;
    auto it = std::find_if(unique.begin(), unique.end(),
                           [&](const TableKey& k) { return k.Name == name; });
    if (it == unique.end()) {
      unique.push_back({name, {}, false});
      it = unique.end() - 1;
    }
    Place(it->Columns, seq, column);
  }
  for (TableKey& key : unique) {
    const bool known = std::any_of(keys.begin(), keys.end(), [&](const TableKey& k) {
      return SameColumns(k.Columns, key.Columns);
    });
    if (!known) keys.push_back(std::move(key));
  }
  return keys;
}

}  // namespace

std::vector<TableKey> ReadUniqueKeys(DbConnection& connection, const std::string& table) {
  std::vector<TableKey> keys = ReadKeys(connection, table);
  // Not a table of its own name: one of another schema, "schema.table".
  const size_t dot = table.find('.');
  if (keys.empty() && dot != std::string::npos && dot > 0 && dot + 1 < table.size()) {
    DbStatement names(connection);
    keys = ReadKeys(connection, names.QualifiedName(table.substr(0, dot), table.substr(dot + 1)));
  }
  return keys;
}

std::vector<std::vector<std::string>> ReadKeyRows(DbConnection& connection,
                                                  const std::string& table,
                                                  const std::vector<std::string>& columns) {
  std::string list;
  for (const std::string& column : columns) list += (list.empty() ? "" : ",") + column;
  DbStatement query(connection);
  query.SetSQL("SELECT " + list + " FROM " + table);
  query.Prepare();
  query.Execute();
  std::vector<std::vector<std::string>> rows;
  const int n = static_cast<int>(columns.size());
  while (query.FetchNext()) {
    std::vector<std::string> row;
    bool null = false;
    for (int c = 1; c <= n && !null; ++c) {
      null = query.IsNull(c);
      row.push_back(query.ColumnText(c));
    }
    if (!null) rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<std::string> ReadDistinctValues(DbConnection& connection, const std::string& table,
                                            const std::string& column) {
  std::vector<std::string> values;
  for (auto& row :
       ReadKeyRows(connection, "(SELECT DISTINCT " + column + " FROM " + table + ") d", {column}))
    values.push_back(std::move(row[0]));
  return values;
}

}  // namespace kestrove

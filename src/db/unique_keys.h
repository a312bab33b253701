// The primary and unique keys of a table and the values they already hold,
// for runs that keep keys without repeats.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrove {

class DbConnection;

struct TableKey {
  std::string Name;                  // the constraint's or index's name, where the driver gives one
  std::vector<std::string> Columns;  // in key order
  bool Primary = false;
};

// The primary key (SQLPrimaryKeys) and the unique indexes (SQLStatistics)
// of `table`; an index over the primary key's columns is not listed twice.
// Raises EODBC when the driver refuses a call.
std::vector<TableKey> ReadUniqueKeys(DbConnection& connection, const std::string& table);

// The rows of `columns` of `table` as text ("SELECT a,b FROM table"); rows
// with a NULL in any of them are left out, since they never collide.
std::vector<std::vector<std::string>> ReadKeyRows(DbConnection& connection,
                                                  const std::string& table,
                                                  const std::vector<std::string>& columns);

// The distinct values of `column` of `table` that are not NULL, as text.
std::vector<std::string> ReadDistinctValues(DbConnection& connection, const std::string& table,
                                            const std::string& column);

}  // namespace kestrove

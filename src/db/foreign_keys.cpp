// Foreign keys read through SQLForeignKeys.
#include "db/foreign_keys.h"

#include <cstdint>

#include "db/statement.h"

namespace kestrove {

namespace {

// Result columns of SQLForeignKeys.
constexpr int kPkTableCat = 1;
constexpr int kPkTableSchem = 2;
constexpr int kPkTableName = 3;
constexpr int kPkColumnName = 4;
constexpr int kFkColumnName = 8;
constexpr int kKeySeq = 9;
constexpr int kFkName = 12;

std::vector<ForeignKey> Read(DbStatement& statement) {
  std::vector<ForeignKey> keys;
  while (statement.FetchNext()) {
    const std::string name = statement.ColumnText(kFkName);
    const std::string referenced = statement.ColumnText(kPkTableName);
    int64_t seq = 0;
    if (!statement.ColumnInt64(kKeySeq, &seq)) seq = 1;
    // psqlODBC orders the rows by referenced table and then KEY_SEQ, so the
    // columns of two keys to one table interleave: a column joins the key
    // of its name, or, where the driver names none (sqliteodbc), the last
    // key to that table still waiting for column number `seq`.
    ForeignKey* key = nullptr;
    for (auto it = keys.rbegin(); it != keys.rend() && !key; ++it) {
      if (it->ReferencedTable != referenced) continue;
      if (!name.empty() ? it->Name == name
                        : seq > 1 && it->Columns.size() == static_cast<size_t>(seq - 1))
        key = &*it;
    }
    if (!key) {
      keys.push_back({name,
                      {},
                      referenced,
                      {},
                      statement.ColumnText(kPkTableCat),
                      statement.ColumnText(kPkTableSchem)});
      key = &keys.back();
    }
    key->Columns.push_back(statement.ColumnText(kFkColumnName));
    key->ReferencedColumns.push_back(statement.ColumnText(kPkColumnName));
  }
  return keys;
}

}  // namespace

std::vector<ForeignKey> ReadForeignKeys(DbConnection& connection, const std::string& table) {
  DbStatement statement(connection);
  statement.ForeignKeys(table);
  return Read(statement);
}

std::vector<ForeignKey> ReadForeignKeys(DbConnection& connection, const CatalogueName& table) {
  DbStatement statement(connection);
  statement.ForeignKeys(table);
  return Read(statement);
}

}  // namespace kestrove

// Database lookups served from memory: every looked-up table is read once,
// through the lookups' own reader, and later values are picked from the rows
// kept. Used only when a run asks for it; the window reads the other table
// for every value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/lookup_reader.h"
#include "db/table.h"

namespace kestrove {

class CachedLookupReader : public LookupReader {
 public:
  // `reader` is the table reader the rows are read through (LookupTable);
  // it must outlive this one.
  explicit CachedLookupReader(DbTable& reader) : reader_(reader) {}

  void SetTableName(const std::string& table) override;
  // Reads the table through the reader the first time it is asked for, and
  // again after MarkStale: "SELECT * FROM" it, its row count and every row.
  // Errors are those of the reader, raised as it raises them.
  void Open() override;
  int32_t RecordCount() override;
  void First() override;
  void MoveBy(int32_t rows) override;
  std::string FieldAsText(const std::string& field) override;
  int32_t FieldAsInteger(const std::string& field) override;
  void Close() override;

  // The run has changed `table` (an Insert or a Delete): its rows are read
  // again at its next lookup. Names are matched without regard to case.
  void MarkStale(const std::string& table);
  // True when a lookup has read `table` and its rows are kept.
  bool Holds(const std::string& table) const;
  // Number of times a table was read through the reader.
  uint64_t Reads() const { return reads_; }

 private:
  struct Table {
    std::string name;
    int32_t count = 0;
    // The fields of each row as the reader delivered them; when the table
    // has none, the single entry holds the fields the reader shows on an
    // empty result, so that a field's name is still checked.
    std::vector<std::vector<DbField>> rows;
    bool empty = true;
  };
  Table* Find(const std::string& table);
  void Load(Table& table);
  const DbField& FieldByName(const std::string& field);

  DbTable& reader_;
  std::vector<Table> tables_;
  std::string current_;
  Table* open_ = nullptr;
  size_t row_ = 0;
  // The column of the last field asked for, tried first.
  size_t last_column_ = 0;
  uint64_t reads_ = 0;
};

}  // namespace kestrove

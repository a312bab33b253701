// The table reader: opens "SELECT * FROM" a table, describes its columns as
// field definitions and fields, and moves over its rows. The window's
// `TargetTable` and the lookups' `LookupTable`.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/field_types.h"
#include "db/lookup_reader.h"
#include "db/statement.h"

namespace kestrove {

class DbConnection;

// The field data type of a result column.
TFieldType FieldTypeOfColumn(int16_t sql_type, bool is_unsigned);

// Rounds to the nearest whole number, a half to the even neighbour. Raises
// the integer conversion error when the result does not fit in 32 bits.
int32_t RoundHalfEven(double value);

struct TFieldDef {
  std::string Name;
  TFieldType DataType = ftUnknown;
  int32_t Size = 0;   // column size for ftString and ftBytes, else 0
  int FieldNo = 0;    // result column, from 1
  int Precision = 0;  // decimal digits
};

// One field of the current row.
class DbField {
 public:
  explicit DbField(TFieldDef def) : def_(std::move(def)) {}

  const std::string& FieldName() const { return def_.Name; }
  TFieldType DataType() const { return def_.DataType; }
  int FieldNo() const { return def_.FieldNo; }
  bool IsNull() const { return null_; }

  // The value as text (empty for a null).
  std::string AsString() const;
  // The value as a whole number; raises for types that have none.
  int32_t AsInteger() const;

 private:
  friend class DbTable;
  TFieldDef def_;
  bool null_ = true;
  std::string text_;     // text, long and byte values
  int64_t integer_ = 0;  // integers and booleans
  bool unsigned_ = false;
  double float_ = 0;
  int16_t year_ = 0;
  uint16_t month_ = 0, day_ = 0, hour_ = 0, minute_ = 0, second_ = 0;
  uint32_t fraction_ = 0;
};

class DbTable : public LookupReader {
 public:
  // `name` is the reader's own name, used in its messages ("LookupTable").
  DbTable(DbConnection& connection, std::string name);
  ~DbTable() override;
  DbTable(const DbTable&) = delete;
  DbTable& operator=(const DbTable&) = delete;

  const std::string& Name() const { return name_; }

  // Releases the statement and keeps the name. An open reader is closed too,
  // so that the next Open reads the new table.
  void SetTableName(const std::string& table) override;
  const std::string& TableName() const { return table_; }

  // Executes the SELECT, describes the fields and fetches the first row;
  // nothing when already open.
  void Open() override;
  // Ends the result; the fields are dropped.
  void Close() override;
  bool Active() const { return active_; }

  const std::vector<TFieldDef>& FieldDefs() const { return field_defs_; }
  // Names of the fields (columns of a known type), in column order.
  std::vector<std::string> FieldNames() const;
  const std::vector<DbField>& Fields() const { return fields_; }

  int32_t RecordCount() override;
  void First() override;
  // Moves `rows` rows on, stopping at the last row.
  void MoveBy(int32_t rows) override;
  // Fetches the next row with data; false (and at the end) when none.
  bool Next();
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }

  // The field of that name (without regard to case); raises
  // "<name>: Field '<field>' not found".
  const DbField& FieldByName(const std::string& field) const;
  std::string FieldAsText(const std::string& field) override;
  int32_t FieldAsInteger(const std::string& field) override;

  // Bookmark of the current row, when the driver gives bookmarks.
  const std::vector<unsigned char>& CurrentBookmark() const { return bookmark_; }
  DbStatement& Statement() { return statement_; }

 private:
  void CheckActive() const;
  void LoadFields();
  int64_t CountRows();

  DbConnection& connection_;
  std::string name_;
  std::string table_;
  DbStatement statement_;
  bool active_ = false;
  bool eof_ = true;
  bool bof_ = true;
  std::vector<TFieldDef> field_defs_;
  std::vector<DbField> fields_;
  std::vector<unsigned char> bookmark_;
};

}  // namespace kestrove

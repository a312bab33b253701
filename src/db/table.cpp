// The table reader and the reading of field values.
#include "db/table.h"

#include <cctype>
#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/errors.h"
#include "db/connection.h"
#include "db/odbc_internal.h"
#include "db/sql_text.h"
#include "util/text.h"

namespace kestrove {

namespace {

// A whole number that must fit the 32-bit result.
int32_t Narrow(int64_t value, const std::string& text) {
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    throw InvalidInteger(text);
  return static_cast<int32_t>(value);
}

}  // namespace

TFieldType FieldTypeOfColumn(int16_t sql_type, bool is_unsigned) {
  switch (sql_type) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
      return ftString;
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
      return ftMemo;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
      return ftFloat;
    case SQL_INTEGER:
      return ftInteger;
    case SQL_SMALLINT:
    case SQL_TINYINT:
      return is_unsigned ? ftWord : ftSmallint;
    case SQL_BIGINT:
      return ftLargeint;
    case SQL_BIT:
      return ftBoolean;
    case SQL_TYPE_DATE:
      return ftDate;
    case SQL_TYPE_TIME:
      return ftTime;
    case SQL_TYPE_TIMESTAMP:
      return ftDateTime;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_GUID:
      return ftBytes;
    case SQL_LONGVARBINARY:
      return ftBlob;
    default:
      return ftUnknown;
  }
}

int32_t RoundHalfEven(double value) {
  if (!std::isfinite(value)) throw InvalidInteger(FormatFloat(value));
  // nearbyint rounds a half to the even neighbour in the default rounding mode.
  const int saved = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double rounded = std::nearbyint(value);
  std::fesetround(saved);
  if (rounded < -2147483648.0 || rounded > 2147483647.0) throw InvalidInteger(FormatFloat(value));
  return static_cast<int32_t>(rounded);
}

// --- Fields ---

std::string DbField::AsString() const {
  if (null_) return {};
  switch (def_.DataType) {
    case ftString:
    case ftMemo:
    case ftBytes:
    case ftBlob:
      return text_;
    case ftSmallint:
    case ftInteger:
    case ftWord:
      return std::to_string(integer_);
    case ftLargeint:
      return unsigned_ ? std::to_string(static_cast<uint64_t>(integer_)) : std::to_string(integer_);
    case ftFloat:
      return FormatFloat(float_);
    case ftBoolean:
      return integer_ ? "True" : "False";
    case ftDate:
      return FormatDate(year_, month_, day_);
    case ftTime:
      return FormatTime(hour_, minute_, second_);
    case ftDateTime:
      return FormatDateTime(year_, month_, day_, hour_, minute_, second_, fraction_);
    default:
      return {};
  }
}

int32_t DbField::AsInteger() const {
  switch (def_.DataType) {
    case ftString:
      return StrToInt(null_ ? std::string() : text_);
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftLargeint: {
      if (null_) return 0;
      // A value beyond 32 bits is refused rather than cut to its low bits.
      if (unsigned_ && static_cast<uint64_t>(integer_) > 2147483647u)
        throw InvalidInteger(std::to_string(static_cast<uint64_t>(integer_)));
      return Narrow(integer_, std::to_string(integer_));
    }
    case ftFloat:
      return null_ ? 0 : RoundHalfEven(float_);
    default:
      throw EDatabaseError("Cannot access field '" + def_.Name + "' as type Integer");
  }
}

// --- Table reader ---

DbTable::DbTable(DbConnection& connection, std::string name)
    : connection_(connection), name_(std::move(name)), statement_(connection) {
  statement_.CursorType = SQL_CURSOR_KEYSET_DRIVEN;
  statement_.ConcurrencyType = SQL_CONCUR_READ_ONLY;
  statement_.RowSetSize = 1;
}

DbTable::~DbTable() = default;

void DbTable::SetTableName(const std::string& table) {
  // Dropping the fields as well keeps a reader that was left open from
  // reading a statement that no longer has a result.
  fields_.clear();
  active_ = false;
  eof_ = bof_ = true;
  statement_.Terminate();
  table_ = table;
}

void DbTable::Open() {
  if (active_) return;
  if (!connection_.Connected()) connection_.Connect();
  // A double quote starts a string in MariaDB (unless its sql_mode says
  // ANSI_QUOTES): there a name is quoted in backticks.
  statement_.SetSQL(SelectText(table_, connection_.MariaDbDriver() ? '`' : '"'));
  statement_.Prepare();
  statement_.Execute();
  try {
    field_defs_.clear();
    fields_.clear();
    const int n = statement_.ColumnCount();
    for (int c = 1; c <= n; ++c) {
      const DbColumn& column = statement_.Column(c);
      TFieldDef def;
      def.Name = column.Name;
      def.DataType = FieldTypeOfColumn(column.SqlType, column.IsUnsigned);
      if (def.DataType == ftString || def.DataType == ftBytes)
        def.Size = static_cast<int32_t>(
            std::min<uint64_t>(column.ColumnSize, std::numeric_limits<int32_t>::max()));
      def.FieldNo = c;
      def.Precision = column.DecimalDigits;
      field_defs_.push_back(std::move(def));
    }
    for (const TFieldDef& def : field_defs_) {
      if (def.DataType == ftUnknown) continue;
      if ((def.DataType == ftString && (def.Size < 0 || def.Size > 8192)) ||
          (def.DataType == ftBytes && def.Size == 0))
        throw EDatabaseError("Invalid field size");
      fields_.emplace_back(def);
    }
    active_ = true;
    bof_ = true;
    eof_ = false;
    Next();
  } catch (...) {
    fields_.clear();
    active_ = false;
    eof_ = bof_ = true;
    throw;
  }
}

void DbTable::Close() {
  fields_.clear();
  active_ = false;
  eof_ = bof_ = true;
  bookmark_.clear();
  statement_.CloseCursor();
}

std::vector<std::string> DbTable::FieldNames() const {
  std::vector<std::string> names;
  for (const DbField& field : fields_) names.push_back(field.FieldName());
  return names;
}

void DbTable::CheckActive() const {
  if (!active_) throw EDatabaseError(name_ + ": Cannot perform this operation on a closed dataset");
}

void DbTable::LoadFields() {
  for (DbField& field : fields_) {
    const int c = field.FieldNo();
    const DbColumn& column = statement_.Column(c);
    field.null_ = statement_.IsNull(c);
    field.text_.clear();
    field.integer_ = 0;
    field.float_ = 0;
    field.unsigned_ = column.IsUnsigned;
    if (field.null_) continue;
    const unsigned char* data = column.Buffer.data();
    switch (field.DataType()) {
      case ftString:
        field.text_ = statement_.ColumnText(c);
        break;
      case ftMemo:
      case ftBlob:
        field.text_ = column.LongValue;
        break;
      case ftBytes:
        field.text_.assign(
            reinterpret_cast<const char*>(data),
            std::min<size_t>(static_cast<size_t>(std::max<int64_t>(column.Indicator[0], 0)),
                             column.BufferLength));
        break;
      case ftSmallint:
      case ftInteger:
      case ftWord:
      case ftLargeint:
      case ftBoolean:
        statement_.ColumnInt64(c, &field.integer_);
        break;
      case ftFloat:
        if (column.CType == SQL_C_FLOAT) {
          float v;
          std::memcpy(&v, data, sizeof v);
          field.float_ = v;
        } else {
          std::memcpy(&field.float_, data, sizeof field.float_);
        }
        break;
      case ftDate: {
        SQL_DATE_STRUCT d;
        std::memcpy(&d, data, sizeof d);
        field.year_ = d.year, field.month_ = d.month, field.day_ = d.day;
        break;
      }
      case ftTime: {
        SQL_TIME_STRUCT t;
        std::memcpy(&t, data, sizeof t);
        field.hour_ = t.hour, field.minute_ = t.minute, field.second_ = t.second;
        break;
      }
      case ftDateTime: {
        SQL_TIMESTAMP_STRUCT t;
        std::memcpy(&t, data, sizeof t);
        field.year_ = t.year, field.month_ = t.month, field.day_ = t.day;
        field.hour_ = t.hour, field.minute_ = t.minute, field.second_ = t.second;
        field.fraction_ = t.fraction;
        break;
      }
      default:
        break;
    }
  }
}

bool DbTable::Next() {
  CheckActive();
  for (;;) {
    if (!statement_.FetchNext()) {
      eof_ = true;
      return false;
    }
    // Rows the driver reports as deleted or failed are passed over.
    if (!statement_.RowHasData()) continue;
    LoadFields();
    bookmark_ = statement_.Bookmark();
    eof_ = false;
    return true;
  }
}

int64_t DbTable::CountRows() {
  SQLLEN count = -1;
  SQLRETURN rc = SQLGetDiagField(SQL_HANDLE_STMT, statement_.Handle(), 0, SQL_DIAG_CURSOR_ROW_COUNT,
                                 &count, 0, nullptr);
  if (Succeeded(rc) && count >= 0) return count;

  DbStatement counter(connection_);
  counter.AllocateHandle();
  counter.SetAttribute(SQL_ATTR_MAX_ROWS, statement_.Attribute(SQL_ATTR_MAX_ROWS));
  int64_t n = 0;
  bool counted = false;
  const std::string count_text = CountText(statement_.SQL());
  if (!count_text.empty()) {
    counter.SetSQL(count_text);
    counter.Prepare();
    try {
      counter.Execute();
      // Some drivers describe the count as character data; it is read as
      // a whole number all the same.
      if (counter.FetchNext() && !counter.ColumnInt64(1, &n))
        n = counter.IsNull(1) ? 0 : StrToInt(counter.ColumnText(1));
      counted = true;
    } catch (const EODBC&) {
      // Not every data source takes the count query; a full pass follows.
    }
  }
  if (!counted) {
    counter.SetSQL(statement_.SQL());
    counter.Prepare();
    counter.Execute();
    n = 0;
    while (counter.FetchNext()) ++n;
  }
  counter.Terminate();
  return n;
}

int32_t DbTable::RecordCount() {
  CheckActive();
  const int64_t n = CountRows();
  return static_cast<int32_t>(std::min<int64_t>(n, std::numeric_limits<int32_t>::max()));
}

void DbTable::First() {
  CheckActive();
  statement_.FetchFirst();
  statement_.FetchPrior();
  bof_ = true;
  Next();
}

void DbTable::MoveBy(int32_t rows) {
  CheckActive();
  for (int32_t i = 0; i < rows; ++i) {
    if (!Next()) break;
    bof_ = false;
  }
}

const DbField& DbTable::FieldByName(const std::string& field) const {
  for (const DbField& f : fields_)
    if (SameText(f.FieldName(), field)) return f;
  throw EDatabaseError(name_ + ": Field '" + field + "' not found");
}

std::string DbTable::FieldAsText(const std::string& field) {
  return FieldByName(field).AsString();
}

int32_t DbTable::FieldAsInteger(const std::string& field) {
  return FieldByName(field).AsInteger();
}

}  // namespace kestrove

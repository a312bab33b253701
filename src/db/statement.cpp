// Statements: prepare and execute, catalogue calls, result description,
// binding and fetching.
#include "db/statement.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <type_traits>

#include "core/errors.h"
#include "db/connection.h"
#include "db/odbc_internal.h"

namespace kestrove {

static_assert(std::is_same_v<SQLLEN, int64_t>,
              "the indicator arrays are handed to the driver as SQLLEN");
static_assert(static_cast<int>(FetchOrientation::kNext) == SQL_FETCH_NEXT &&
              static_cast<int>(FetchOrientation::kFirst) == SQL_FETCH_FIRST &&
              static_cast<int>(FetchOrientation::kPrior) == SQL_FETCH_PRIOR &&
              static_cast<int>(FetchOrientation::kAbsolute) == SQL_FETCH_ABSOLUTE);

namespace {

// Size of one piece of a long value.
constexpr SQLLEN kLongPiece = 32768;

}  // namespace

DbStatement::DbStatement(DbConnection& connection) : connection_(connection) {}

DbStatement::~DbStatement() {
  TryTerminate();
}

template <typename Call>
int16_t DbStatement::CallUnderWay(Call call) {
  connection_.BeginCall(handle_.get());
  const SQLRETURN rc = call();
  connection_.EndCall();
  return rc;
}

void DbStatement::CheckStmt(int16_t rc) {
  CheckOdbc(rc, SQL_HANDLE_STMT, handle_.get(), OdbcObject::kStatement, &connection_);
}

void DbStatement::ApplyAttribute(int32_t attribute, int32_t wanted) {
  SQLULEN value = 0;
  if (!Succeeded(SQLGetStmtAttr(handle_.get(), attribute, &value, 0, nullptr))) return;
  if (value == static_cast<SQLULEN>(wanted)) return;
  CheckStmt(SQLSetStmtAttr(handle_.get(), attribute,
                           reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(wanted)), 0));
}

uint64_t DbStatement::Attribute(int32_t attribute) {
  SQLULEN value = 0;
  CheckStmt(SQLGetStmtAttr(handle_.get(), attribute, &value, 0, nullptr));
  return value;
}

void DbStatement::SetAttribute(int32_t attribute, uint64_t value) {
  CheckStmt(SQLSetStmtAttr(handle_.get(), attribute,
                           reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(value)), 0));
}

void DbStatement::AllocateHandle() {
  if (handle_) return;
  if (!connection_.Connected()) connection_.Connect();
  connection_.AllocateHandle();
  SQLHANDLE stmt = SQL_NULL_HANDLE;
  const SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, connection_.Handle(), &stmt);
  CheckOdbc(rc, SQL_HANDLE_DBC, connection_.Handle(), OdbcObject::kConnection, &connection_);
  handle_ = OdbcHandle(SQL_HANDLE_STMT, stmt);
  connection_.RegisterStatement(this);

  ApplyAttribute(SQL_ATTR_CONCURRENCY, ConcurrencyType);
  SQLUINTEGER flags = 0;
  const SQLUSMALLINT info = CursorType == SQL_CURSOR_KEYSET_DRIVEN
                                ? SQL_KEYSET_CURSOR_ATTRIBUTES1
                                : SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1;
  cursor_flags_ =
      Succeeded(SQLGetInfo(connection_.Handle(), info, &flags, sizeof flags, nullptr)) ? flags : 0;
  use_bookmarks_ = (cursor_flags_ & SQL_CA1_BOOKMARK) != 0;
  // A driver that cannot give the cursor type asked for substitutes another
  // and answers SQL_SUCCESS_WITH_INFO, which passes.
  ApplyAttribute(SQL_ATTR_CURSOR_TYPE, CursorType);
  ApplyAttribute(SQL_ATTR_ROW_ARRAY_SIZE, RowSetSize);
  if (use_bookmarks_)
    SQLSetStmtAttr(stmt, SQL_ATTR_USE_BOOKMARKS, reinterpret_cast<SQLPOINTER>(SQL_UB_VARIABLE), 0);
}

void DbStatement::DropResult() {
  // The driver must forget the bound buffers and the row status array
  // before they are released.
  if (handle_ && described_) {
    CheckStmt(SQLFreeStmt(handle_.get(), SQL_UNBIND));
    SQLSetStmtAttr(handle_.get(), SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
  }
  ReleaseResult();
}

void DbStatement::ReleaseResult() {
  columns_.clear();
  column_names_.clear();
  row_status_.clear();
  described_ = false;
  bookmark_length_ = 0;
}

void DbStatement::SetSQL(const std::string& text) {
  Close();
  sql_ = text;
}

template <typename Check>
void DbStatement::CloseCalls(Check check) {
  prepared_ = false;
  executed_ = false;
  if (!handle_) return;
  check(SQLFreeStmt(handle_.get(), SQL_CLOSE));
  parameters_.clear();
  check(SQLFreeStmt(handle_.get(), SQL_RESET_PARAMS));
  check(SQLFreeStmt(handle_.get(), SQL_UNBIND));
  if (described_) SQLSetStmtAttr(handle_.get(), SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
  ReleaseResult();
}

void DbStatement::Close() {
  CloseCalls([this](SQLRETURN rc) { CheckStmt(rc); });
}

void DbStatement::TryClose() noexcept {
  CloseCalls([](SQLRETURN) {});
}

void DbStatement::CloseCursor() {
  if (handle_) CheckStmt(SQLFreeStmt(handle_.get(), SQL_CLOSE));
}

void DbStatement::Terminate() {
  if (!handle_) return;
  // A failed Close still frees the handle (which ends its result too), and
  // its error is raised afterwards. The statement leaves its connection's
  // list only once its handle is gone: one that cannot be freed stays listed,
  // so that a disconnect terminates it again rather than SQLDisconnect
  // freeing it behind the statement's back.
  std::exception_ptr close_error;
  try {
    Close();
  } catch (const EODBC&) {
    close_error = std::current_exception();
  }
  SQLHANDLE handle = handle_.get();
  const SQLRETURN rc = handle_.Free();
  prepared_ = false;
  executed_ = false;
  if (!handle_) {
    connection_.UnregisterStatement(this);
    parameters_.clear();
    ReleaseResult();
  }
  if (close_error) std::rethrow_exception(close_error);
  if (handle_) CheckOdbc(rc, SQL_HANDLE_STMT, handle, OdbcObject::kStatement, &connection_);
}

void DbStatement::TryTerminate() noexcept {
  if (!handle_) return;
  TryClose();
  // Nobody is told of a handle that cannot be freed, so it is given up: on a
  // lost connection the next operation starts on a fresh one.
  handle_.Free();
  handle_.Abandon();
  connection_.UnregisterStatement(this);
  parameters_.clear();
  ReleaseResult();
}

std::string& DbStatement::DriverText(std::string& converted, std::vector<std::string>& parameters) {
  // The text itself goes to the driver when there is nothing to convert, so
  // a long Insert is not copied for each call.
  if (!SQLParsing || sql_.find(':') == std::string::npos) return sql_;
  converted = ConvertSqlParameters(sql_, &parameters);
  return converted;
}

void DbStatement::ResultOpened() {
  rows_fetched_ = 0;
  SQLSetStmtAttr(handle_.get(), SQL_ATTR_ROWS_FETCHED_PTR, &rows_fetched_, 0);
  executed_ = true;
}

void DbStatement::Prepare() {
  AllocateHandle();
  Close();
  std::vector<std::string> parameters;
  std::string converted;
  std::string& text = DriverText(converted, parameters);
  parameters_ = std::move(parameters);
  CheckStmt(CallUnderWay(
      [&] { return SQLPrepare(handle_.get(), reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS); }));
  prepared_ = true;
}

void DbStatement::Execute() {
  AllocateHandle();
  // No parameter is ever bound; a refusal of this attribute does not matter.
  // MariaDB Connector/ODBC takes a set size of 0 at its word and leaves the
  // statement's result unread, so that its first fetch fails with "Commands
  // out of sync": there the attribute keeps its default of 1.
  if (!connection_.MariaDbDriver())
    SQLSetStmtAttr(handle_.get(), SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(0), 0);
  SQLRETURN rc;
  if (prepared_) {
    if (connection_.CursorLib == SQL_CUR_USE_DRIVER) CloseCursor();
    DropResult();
    rc = CallUnderWay([&] { return SQLExecute(handle_.get()); });
  } else {
    std::vector<std::string> parameters;
    std::string converted;
    std::string& text = DriverText(converted, parameters);
    parameters_ = std::move(parameters);
    DropResult();
    rc = CallUnderWay([&] {
      return SQLExecDirect(handle_.get(), reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
    });
  }
  // A searched Delete or Update that touches no row answers SQL_NO_DATA.
  if (rc != SQL_NO_DATA && rc != SQL_NEED_DATA) CheckStmt(rc);
  ResultOpened();
}

void DbStatement::BindParameter(uint16_t number, int16_t c_type, int16_t sql_type,
                                uint64_t column_size, void* buffer, int64_t buffer_length,
                                int64_t* indicator) {
  static_assert(sizeof(SQLLEN) == sizeof(int64_t));
  CheckStmt(SQLBindParameter(handle_.get(), number, SQL_PARAM_INPUT, c_type, sql_type, column_size,
                             0, buffer, buffer_length, reinterpret_cast<SQLLEN*>(indicator)));
}

void DbStatement::ExecuteBound() {
  // An Insert opens no result: nothing to close between executions.
  DropResult();
  const SQLRETURN rc = CallUnderWay([&] { return SQLExecute(handle_.get()); });
  if (rc != SQL_NO_DATA) CheckStmt(rc);
  ResultOpened();
}

template <typename Call>
void DbStatement::CatalogueCall(Call call) {
  AllocateHandle();
  // Only a result left open needs ending; the catalogue lists on a fresh
  // handle, which goes to the call directly.
  if (executed_) CloseCursor();
  DropResult();
  CheckStmt(call(handle_.get()));
  ResultOpened();
}

namespace {

// A name argument of a catalogue call: its text and length, or a null
// pointer for an empty text.
SQLCHAR* NameArgument(std::string& text) {
  return text.empty() ? nullptr : reinterpret_cast<SQLCHAR*>(text.data());
}

SQLSMALLINT NameLength(const std::string& text) {
  return static_cast<SQLSMALLINT>(text.size());
}

}  // namespace

void DbStatement::Tables(const std::string& table_pattern, const std::string& types) {
  // Patterns are trimmed of blanks; an empty one goes to the driver as null.
  std::string table = TrimRight(table_pattern);
  table.erase(0, std::min(table.find_first_not_of(' '), table.size()));
  std::string type_list = types;
  CatalogueCall([&](SQLHSTMT stmt) {
    return SQLTables(stmt, nullptr, 0, nullptr, 0, NameArgument(table), NameLength(table),
                     NameArgument(type_list), NameLength(type_list));
  });
}

void DbStatement::ForeignKeys(const std::string& fk_table) {
  std::string table = fk_table;
  // No primary-key table and no catalog or schema: the keys of the named
  // table, whatever they reference.
  CatalogueCall([&](SQLHSTMT stmt) {
    return SQLForeignKeys(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0,
                          reinterpret_cast<SQLCHAR*>(table.data()), NameLength(table));
  });
}

CatalogueName DbStatement::QualifiedName(const std::string& schema, const std::string& table) {
  // A driver that has no schemas (SQL_SCHEMA_USAGE 0) names the qualifier
  // of a table as its catalog.
  SQLUINTEGER schema_usage = 0;
  const bool schemas = Succeeded(SQLGetInfo(connection_.Handle(), SQL_SCHEMA_USAGE, &schema_usage,
                                            sizeof schema_usage, nullptr)) &&
                       schema_usage != 0;
  return schemas ? CatalogueName{"", schema, table} : CatalogueName{schema, "", table};
}

void DbStatement::ForeignKeys(const std::string& fk_schema, const std::string& fk_table) {
  ForeignKeys(QualifiedName(fk_schema, fk_table));
}

void DbStatement::ForeignKeys(const CatalogueName& fk_table) {
  CatalogueName name = fk_table;
  CatalogueCall([&](SQLHSTMT stmt) {
    return SQLForeignKeys(stmt, nullptr, 0, nullptr, 0, nullptr, 0, NameArgument(name.catalog),
                          NameLength(name.catalog), NameArgument(name.schema),
                          NameLength(name.schema), NameArgument(name.table),
                          NameLength(name.table));
  });
}

void DbStatement::PrimaryKeys(const CatalogueName& table) {
  CatalogueName name = table;
  CatalogueCall([&](SQLHSTMT stmt) {
    return SQLPrimaryKeys(stmt, NameArgument(name.catalog), NameLength(name.catalog),
                          NameArgument(name.schema), NameLength(name.schema),
                          NameArgument(name.table), NameLength(name.table));
  });
}

void DbStatement::Columns(const CatalogueName& table) {
  CatalogueName name = table;
  CatalogueCall([&](SQLHSTMT stmt) {
    return SQLColumns(stmt, NameArgument(name.catalog), NameLength(name.catalog),
                      NameArgument(name.schema), NameLength(name.schema), NameArgument(name.table),
                      NameLength(name.table), nullptr, 0);
  });
}

void DbStatement::UniqueIndexes(const CatalogueName& table) {
  CatalogueName name = table;
  CatalogueCall([&](SQLHSTMT stmt) {
    return SQLStatistics(stmt, NameArgument(name.catalog), NameLength(name.catalog),
                         NameArgument(name.schema), NameLength(name.schema),
                         NameArgument(name.table), NameLength(name.table), SQL_INDEX_UNIQUE,
                         SQL_QUICK);
  });
}

void DbStatement::PrimaryKeys(const std::string& table) {
  std::string name = table;
  CatalogueCall([&](SQLHSTMT stmt) {
    return SQLPrimaryKeys(stmt, nullptr, 0, nullptr, 0, reinterpret_cast<SQLCHAR*>(name.data()),
                          NameLength(name));
  });
}

void DbStatement::UniqueIndexes(const std::string& table) {
  std::string name = table;
  CatalogueCall([&](SQLHSTMT stmt) {
    return SQLStatistics(stmt, nullptr, 0, nullptr, 0, reinterpret_cast<SQLCHAR*>(name.data()),
                         NameLength(name), SQL_INDEX_UNIQUE, SQL_QUICK);
  });
}

void DbStatement::Describe() {
  if (described_) return;
  AllocateHandle();
  ReleaseResult();
  SQLLEN count = 0;
  SQLRETURN rc = SQLColAttribute(handle_.get(), 0, SQL_DESC_COUNT, nullptr, 0, nullptr, &count);
  if (!Succeeded(rc)) {
    // The SQLite3 ODBC driver (sqliteodbc) refuses every attribute of column
    // 0, SQL_DESC_COUNT included, with 07009; SQLNumResultCols gives the
    // same count there.
    SQLSMALLINT columns = 0;
    SQLRETURN alt = SQLNumResultCols(handle_.get(), &columns);
    if (!Succeeded(alt)) CheckStmt(rc);
    count = columns;
  }
  const size_t rows = static_cast<size_t>(std::max(RowSetSize, 1));
  columns_.resize(static_cast<size_t>(std::max<SQLLEN>(count, 0)));
  for (SQLUSMALLINT c = 1; c <= columns_.size(); ++c) {
    DbColumn& col = columns_[c - 1];
    SQLCHAR name[256] = {};
    SQLSMALLINT name_length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    CheckStmt(SQLDescribeCol(handle_.get(), c, name, sizeof name, &name_length, &type, &size,
                             &digits, &nullable));
    col.Name = reinterpret_cast<const char*>(name);
    col.ColumnSize = size;
    col.DecimalDigits = digits;
    col.Nullable = nullable;
    column_names_.push_back(col.Name);
    switch (type) {
      case SQL_WCHAR:
        type = SQL_CHAR;
        break;
      case SQL_WVARCHAR:
        type = SQL_VARCHAR;
        break;
      case SQL_WLONGVARCHAR:
        type = SQL_LONGVARCHAR;
        break;
      case SQL_GUID:
        type = SQL_BINARY;
        break;
      default:
        break;
    }
    col.SqlType = type;
    if (type == SQL_INTEGER || type == SQL_SMALLINT || type == SQL_TINYINT || type == SQL_BIGINT) {
      SQLLEN is_unsigned = SQL_FALSE;
      CheckStmt(
          SQLColAttribute(handle_.get(), c, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &is_unsigned));
      col.IsUnsigned = is_unsigned == SQL_TRUE;
    }
    size_t length = 0;
    switch (type) {
      case SQL_CHAR:
      case SQL_VARCHAR:
        col.CType = SQL_C_CHAR;
        length = size + 1;
        break;
      case SQL_NUMERIC:
      case SQL_DECIMAL:
      case SQL_FLOAT:
      case SQL_DOUBLE:
        col.CType = SQL_C_DOUBLE;
        length = 8;
        break;
      case SQL_REAL:
        col.CType = SQL_C_FLOAT;
        length = 4;
        break;
      case SQL_INTEGER:
        col.CType = col.IsUnsigned ? SQL_C_ULONG : SQL_C_SLONG;
        length = 4;
        break;
      case SQL_SMALLINT:
        col.CType = col.IsUnsigned ? SQL_C_USHORT : SQL_C_SSHORT;
        length = 2;
        break;
      case SQL_TINYINT:
        col.CType = col.IsUnsigned ? SQL_C_UTINYINT : SQL_C_STINYINT;
        length = 1;
        break;
      case SQL_BIGINT:
        col.CType = col.IsUnsigned ? SQL_C_UBIGINT : SQL_C_SBIGINT;
        length = 8;
        break;
      case SQL_BIT:
        col.CType = SQL_C_BIT;
        length = 1;
        break;
      case SQL_TYPE_DATE:
        col.CType = SQL_C_TYPE_DATE;
        length = sizeof(SQL_DATE_STRUCT);
        break;
      case SQL_TYPE_TIME:
        col.CType = SQL_C_TYPE_TIME;
        length = sizeof(SQL_TIME_STRUCT);
        break;
      case SQL_TYPE_TIMESTAMP:
        col.CType = SQL_C_TYPE_TIMESTAMP;
        length = sizeof(SQL_TIMESTAMP_STRUCT);
        break;
      case SQL_BINARY:
      case SQL_VARBINARY:
        col.CType = SQL_C_BINARY;
        length = size;
        break;
      case SQL_LONGVARCHAR:
        col.CType = SQL_C_CHAR;
        col.IsLong = true;
        break;
      case SQL_LONGVARBINARY:
        col.CType = SQL_C_BINARY;
        col.IsLong = true;
        break;
      default:
        col.CType = SQL_C_BINARY;
        break;  // no buffer: yields no value
    }
    col.Indicator.assign(rows, SQL_NULL_DATA);
    if (col.IsLong) continue;
    col.BufferLength = length;
    col.Buffer.assign(length * rows, 0);
    col.Bound = length > 0;
    CheckStmt(SQLBindCol(handle_.get(), c, col.CType, col.Bound ? col.Buffer.data() : nullptr,
                         static_cast<SQLLEN>(length), col.Bound ? col.Indicator.data() : nullptr));
  }
  row_status_.assign(rows, SQL_ROW_NOROW);
  SQLSetStmtAttr(handle_.get(), SQL_ATTR_ROW_STATUS_PTR, row_status_.data(), 0);
  if (use_bookmarks_) {
    SQLLEN length = 0;
    if (Succeeded(
            SQLColAttribute(handle_.get(), 0, SQL_DESC_OCTET_LENGTH, nullptr, 0, nullptr, &length)))
      bookmark_length_ = length;
  }
  described_ = true;
}

int DbStatement::ColumnCount() {
  Describe();
  return static_cast<int>(columns_.size());
}

const std::vector<std::string>& DbStatement::ColumnNames() {
  Describe();
  return column_names_;
}

const DbColumn& DbStatement::Column(int c) {
  Describe();
  return columns_.at(static_cast<size_t>(c - 1));
}

bool DbStatement::RowHasData() const {
  const uint16_t s = RowStatus();
  return s == SQL_ROW_SUCCESS || s == SQL_ROW_SUCCESS_WITH_INFO || s == SQL_ROW_UPDATED ||
         s == SQL_ROW_ADDED;
}

void DbStatement::ExpectRow() {
  // A driver that leaves the row status array alone still delivers its
  // row: start from "fetched" so that such a row is not taken for a gap.
  std::fill(row_status_.begin(), row_status_.end(), static_cast<uint16_t>(SQL_ROW_SUCCESS));
}

void DbStatement::ReadLongColumns() {
  const bool has_data = RowHasData();
  for (size_t i = 0; i < columns_.size(); ++i) {
    DbColumn& col = columns_[i];
    if (!col.IsLong) continue;
    col.LongValue.clear();
    col.LongNull = true;
    if (!has_data) continue;
    const SQLUSMALLINT c = static_cast<SQLUSMALLINT>(i + 1);
    // Room for the terminating zero the driver adds to character data.
    const SQLLEN extra = col.CType == SQL_C_CHAR ? 1 : 0;
    std::vector<char> piece(static_cast<size_t>(kLongPiece + extra));
    for (;;) {
      SQLLEN indicator = 0;
      SQLRETURN rc = SQLGetData(handle_.get(), c, col.CType, piece.data(),
                                static_cast<SQLLEN>(piece.size()), &indicator);
      if (rc == SQL_NO_DATA) break;  // every piece has been read
      CheckStmt(rc);
      if (indicator == SQL_NULL_DATA) break;
      if (indicator == SQL_NO_TOTAL)
        throw EDatabaseError(
            "Unable to retrieve blob.  You may have to increase the BlobSize property.");
      col.LongNull = false;
      const bool truncated = rc == SQL_SUCCESS_WITH_INFO && indicator > kLongPiece;
      const SQLLEN got = std::min<SQLLEN>(indicator, kLongPiece);
      col.LongValue.append(piece.data(), static_cast<size_t>(got));
      if (!truncated) break;
    }
  }
}

bool DbStatement::Fetch(FetchOrientation orientation, int64_t offset) {
  Describe();
  ExpectRow();
  // The connection uses the driver's cursors: the next row comes by SQLFetch,
  // the only call that may wait on the server for it.
  const SQLRETURN rc =
      orientation == FetchOrientation::kNext
          ? CallUnderWay([&] { return SQLFetch(handle_.get()); })
          : SQLFetchScroll(
                handle_.get(), static_cast<SQLSMALLINT>(orientation),
                orientation == FetchOrientation::kAbsolute ? static_cast<SQLLEN>(offset) : 0);
  if (rc == SQL_NO_DATA) {
    rows_fetched_ = 0;
    std::fill(row_status_.begin(), row_status_.end(), static_cast<uint16_t>(SQL_ROW_NOROW));
    for (DbColumn& col : columns_) {
      col.LongValue.clear();
      col.LongNull = true;
    }
    return false;
  }
  CheckStmt(rc);
  ReadLongColumns();
  return true;
}

bool DbStatement::IsNull(int c) {
  const DbColumn& col = Column(c);
  if (col.IsLong) return col.LongNull;
  if (!col.Bound) return true;
  return col.Indicator[0] == SQL_NULL_DATA;
}

std::string DbStatement::ColumnText(int c) {
  if (IsNull(c)) return {};
  const DbColumn& col = Column(c);
  std::string text;
  if (col.IsLong) {
    text = col.LongValue;
  } else {
    const unsigned char* data = col.Buffer.data();
    switch (col.CType) {
      case SQL_C_CHAR: {
        // The driver cuts a value that does not fit and ends it with a zero.
        size_t length = strnlen(reinterpret_cast<const char*>(data), col.BufferLength);
        text.assign(reinterpret_cast<const char*>(data), length);
        break;
      }
      case SQL_C_BINARY: {
        size_t length = std::min<size_t>(
            static_cast<size_t>(std::max<int64_t>(col.Indicator[0], 0)), col.BufferLength);
        text.assign(reinterpret_cast<const char*>(data), length);
        break;
      }
      case SQL_C_DOUBLE: {
        double v;
        std::memcpy(&v, data, sizeof v);
        text = FormatFloat(v);
        break;
      }
      case SQL_C_FLOAT: {
        float v;
        std::memcpy(&v, data, sizeof v);
        text = FormatFloat(v);
        break;
      }
      case SQL_C_TYPE_DATE: {
        SQL_DATE_STRUCT d;
        std::memcpy(&d, data, sizeof d);
        text = FormatDate(d.year, d.month, d.day);
        break;
      }
      case SQL_C_TYPE_TIME: {
        SQL_TIME_STRUCT t;
        std::memcpy(&t, data, sizeof t);
        text = FormatTime(t.hour, t.minute, t.second);
        break;
      }
      case SQL_C_TYPE_TIMESTAMP: {
        SQL_TIMESTAMP_STRUCT t;
        std::memcpy(&t, data, sizeof t);
        text = FormatDateTime(t.year, t.month, t.day, t.hour, t.minute, t.second, t.fraction);
        break;
      }
      default: {
        int64_t v = 0;
        if (ColumnInt64(c, &v)) text = std::to_string(v);
        break;
      }
    }
  }
  return StringTrimming ? TrimRight(std::move(text)) : text;
}

bool DbStatement::ColumnInt64(int c, int64_t* value) {
  if (IsNull(c)) return false;
  const DbColumn& col = Column(c);
  const unsigned char* data = col.Buffer.data();
  auto read = [data](auto v) {
    std::memcpy(&v, data, sizeof v);
    return v;
  };
  switch (col.CType) {
    case SQL_C_SLONG:
      *value = read(int32_t{});
      return true;
    case SQL_C_ULONG:
      *value = read(uint32_t{});
      return true;
    case SQL_C_SSHORT:
      *value = read(int16_t{});
      return true;
    case SQL_C_USHORT:
      *value = read(uint16_t{});
      return true;
    case SQL_C_STINYINT:
      *value = read(int8_t{});
      return true;
    case SQL_C_UTINYINT:
      *value = read(uint8_t{});
      return true;
    case SQL_C_SBIGINT:
      *value = read(int64_t{});
      return true;
    case SQL_C_UBIGINT:
      *value = static_cast<int64_t>(read(uint64_t{}));
      return true;
    case SQL_C_BIT:
      *value = read(uint8_t{});
      return true;
    case SQL_C_DOUBLE:
      *value = static_cast<int64_t>(read(double{}));
      return true;
    case SQL_C_FLOAT:
      *value = static_cast<int64_t>(read(float{}));
      return true;
    default:
      return false;
  }
}

std::vector<unsigned char> DbStatement::Bookmark() {
  std::vector<unsigned char> bookmark;
  if (!use_bookmarks_ || !handle_ || !RowHasData() || bookmark_length_ <= 0) return bookmark;
  if (!Succeeded(SQLSetPos(handle_.get(), 1, SQL_POSITION, SQL_LOCK_NO_CHANGE))) return bookmark;
  bookmark.assign(static_cast<size_t>(bookmark_length_), 0);
  SQLLEN indicator = 0;
  CheckStmt(SQLGetData(handle_.get(), 0, SQL_C_VARBOOKMARK, bookmark.data(),
                       static_cast<SQLLEN>(bookmark.size()), &indicator));
  if (indicator >= 0 && static_cast<size_t>(indicator) < bookmark.size())
    bookmark.resize(static_cast<size_t>(indicator));
  return bookmark;
}

}  // namespace kestrove

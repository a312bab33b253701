// A statement on the connection: prepare and execute (the text converted by
// sql_text), the catalogue calls, and the description, binding and fetching
// of a result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/odbc_handle.h"
// The texts are built there; most users of a statement want them too.
#include "db/sql_text.h"

namespace kestrove {

class DbConnection;

// A table as the catalogue calls name it: the parts that are empty go to
// the driver as null pointers (MariaDB names its databases as catalogs,
// PostgreSQL its schemas as schemas, SQLite neither).
struct CatalogueName {
  std::string catalog;
  std::string schema;
  std::string table;
};

// Fetch orientations, as SQL_FETCH_NEXT, SQL_FETCH_FIRST, SQL_FETCH_PRIOR
// and SQL_FETCH_ABSOLUTE.
enum class FetchOrientation : int16_t { kNext = 1, kFirst = 2, kPrior = 4, kAbsolute = 5 };

// One result column as described by the driver, with its buffers.
struct DbColumn {
  std::string Name;
  int16_t SqlType = 0;  // after narrowing of the wide types
  int16_t CType = 0;    // C type of the buffer; 0 when the column has none
  uint64_t ColumnSize = 0;
  int16_t DecimalDigits = 0;
  int16_t Nullable = 0;
  bool IsUnsigned = false;
  bool IsLong = false;                // read whole after each fetch instead of bound
  bool Bound = false;                 // has a bound buffer
  size_t BufferLength = 0;            // per row
  std::vector<unsigned char> Buffer;  // RowSetSize × BufferLength
  std::vector<int64_t> Indicator;     // length/indicator per row
  std::string LongValue;              // long columns: the current row's whole value
  bool LongNull = true;
};

class DbStatement {
 public:
  explicit DbStatement(DbConnection& connection);
  ~DbStatement();
  DbStatement(const DbStatement&) = delete;
  DbStatement& operator=(const DbStatement&) = delete;

  // Attributes, applied when the handle is allocated.
  bool SQLParsing = true;
  int32_t ConcurrencyType = 1;  // SQL_CONCUR_READ_ONLY
  int32_t CursorType = 0;       // SQL_CURSOR_FORWARD_ONLY
  int32_t RowSetSize = 1;
  bool StringTrimming = true;

  // Closes a result when there is a handle, then stores the text; the
  // statement is unprepared afterwards.
  void SetSQL(const std::string& text);
  const std::string& SQL() const { return sql_; }

  void Prepare();
  // Executes the prepared text, or the text directly when not prepared.
  // SQL_NO_DATA (a Delete that touches no row) is success.
  void Execute();
  // Ends a result and unbinds; keeps the handle. A statement without a
  // handle has nothing to close: no handle is allocated. Raises EODBC.
  void Close();
  // The same calls, each made whatever the one before answered; raises
  // nothing.
  void TryClose() noexcept;
  // Ends an open result only (SQL_CLOSE), keeping the bindings; nothing to
  // do without a handle. Raises EODBC.
  void CloseCursor();
  // Releases the handle: Close, then SQLFreeHandle. Raises EODBC; a handle
  // that cannot be freed stays owned, and listed on the connection.
  void Terminate();
  // The same without raising (destructor, lost connection): a handle the
  // driver manager will not free is given up.
  void TryTerminate() noexcept;
  // Lists tables through SQLTables (for the catalogue); empty patterns go to
  // the driver as null pointers, an empty type list as null.
  void Tables(const std::string& table_pattern, const std::string& types);
  // Lists the foreign keys of table `fk_table` through SQLForeignKeys: one
  // row per key column, with the table it references.
  void ForeignKeys(const std::string& fk_table);
  void ForeignKeys(const CatalogueName& fk_table);
  // The columns of one table (SQLColumns, every column): rows of TABLE_CAT,
  // TABLE_SCHEM, TABLE_NAME, COLUMN_NAME, DATA_TYPE, TYPE_NAME, COLUMN_SIZE,
  // BUFFER_LENGTH, DECIMAL_DIGITS, NUM_PREC_RADIX, NULLABLE, REMARKS,
  // COLUMN_DEF, ...
  void Columns(const CatalogueName& table);
  // The unique indexes of one table (SQLStatistics, SQL_INDEX_UNIQUE, no
  // exact cardinality asked): one row per index column.
  void UniqueIndexes(const CatalogueName& table);
  // The same for the table of another schema (PostgreSQL) or database
  // (MariaDB, whose driver calls its databases catalogs).
  void ForeignKeys(const std::string& fk_schema, const std::string& fk_table);
  // A table of schema `schema` as the driver's catalogue calls name it:
  // the schema, or the catalog where the driver has no schemas (MariaDB).
  CatalogueName QualifiedName(const std::string& schema, const std::string& table);

  // Binds input parameter `number` (from 1) to a buffer and an indicator
  // that the caller keeps for as long as the statement uses them. Raises
  // EODBC.
  void BindParameter(uint16_t number, int16_t c_type, int16_t sql_type, uint64_t column_size,
                     void* buffer, int64_t buffer_length, int64_t* indicator);
  // Executes the prepared text with the values now in the bound buffers;
  // raises EODBC.
  void ExecuteBound();

  bool Allocated() const { return static_cast<bool>(handle_); }
  bool Prepared() const { return prepared_; }
  bool Executed() const { return executed_; }
  void* Handle() const { return handle_.get(); }
  // The primary key columns of a table (SQLPrimaryKeys): rows of TABLE_CAT,
  // TABLE_SCHEM, TABLE_NAME, COLUMN_NAME, KEY_SEQ, PK_NAME.
  void PrimaryKeys(const std::string& table);
  void PrimaryKeys(const CatalogueName& table);
  // The unique indexes of a table (SQLStatistics, SQL_INDEX_UNIQUE): rows
  // of ..., NON_UNIQUE (4), INDEX_NAME (6), TYPE (7), ORDINAL_POSITION (8),
  // COLUMN_NAME (9).
  void UniqueIndexes(const std::string& table);
  DbConnection& Connection() const { return connection_; }
  const std::vector<std::string>& Parameters() const { return parameters_; }
  // Allocates the handle (connecting first when needed) and applies the
  // attributes; does nothing when allocated.
  void AllocateHandle();

  // The result description, made on first use after an execution.
  int ColumnCount();
  const std::vector<std::string>& ColumnNames();
  // Column c, from 1.
  const DbColumn& Column(int c);

  // Fetches a row: SQLFetch for the next one, SQLFetchScroll otherwise
  // (`offset` is the row number for kAbsolute). False when there is none.
  bool Fetch(FetchOrientation orientation, int64_t offset = 0);
  bool FetchNext() { return Fetch(FetchOrientation::kNext); }
  bool FetchFirst() { return Fetch(FetchOrientation::kFirst); }
  bool FetchPrior() { return Fetch(FetchOrientation::kPrior); }
  bool FetchAbsolute(int64_t n) { return Fetch(FetchOrientation::kAbsolute, n); }
  // Rows delivered by the last fetch.
  uint64_t RowsFetched() const { return rows_fetched_; }
  // Status of the first row of the row set after the last fetch.
  uint16_t RowStatus() const { return row_status_.empty() ? 0 : row_status_[0]; }
  // True when the row status says the row holds data.
  bool RowHasData() const;

  bool IsNull(int c);
  // Column c of the current row as text: trailing blanks removed when
  // StringTrimming is on; a null gives empty text.
  std::string ColumnText(int c);
  // Column c as a whole number, for the numeric C types; false for a null
  // or a type that is not numeric.
  bool ColumnInt64(int c, int64_t* value);

  bool UsesBookmarks() const { return use_bookmarks_; }
  // The current row's bookmark; empty when there is none.
  std::vector<unsigned char> Bookmark();

  // A statement attribute read and written as a whole number, on the
  // allocated handle. Raise EODBC.
  uint64_t Attribute(int32_t attribute);
  void SetAttribute(int32_t attribute, uint64_t value);

 private:
  friend class DbConnection;
  // Writes an attribute only when the driver's value differs from `wanted`;
  // a failed read leaves it alone.
  void ApplyAttribute(int32_t attribute, int32_t wanted);
  // The opening and closing every catalogue call shares: a handle, any open
  // result ended, then `call`, checked, and its result set up for fetching.
  template <typename Call>
  void CatalogueCall(Call call);
  // The calls that end a result, in order, each answer passed to `check`.
  template <typename Check>
  void CloseCalls(Check check);
  // After a successful execution or catalogue call.
  void ResultOpened();
  void Describe();
  void ReleaseResult();
  void DropResult();
  void ExpectRow();
  void ReadLongColumns();
  void CheckStmt(int16_t rc);
  // The text as it goes to the driver: the SQL itself, or its conversion
  // into `converted` with the parameter names into `parameters`.
  std::string& DriverText(std::string& converted, std::vector<std::string>& parameters);
  // Makes a call that may wait on the server (a lock held by another
  // session), marked as under way on the connection so that another thread
  // can cancel it.
  template <typename Call>
  int16_t CallUnderWay(Call call);

  DbConnection& connection_;
  OdbcHandle handle_;
  std::string sql_;
  bool prepared_ = false;
  bool executed_ = false;
  bool described_ = false;
  std::vector<std::string> parameters_;
  uint32_t cursor_flags_ = 0;
  bool use_bookmarks_ = false;
  int64_t bookmark_length_ = 0;
  uint64_t rows_fetched_ = 0;
  std::vector<DbColumn> columns_;
  std::vector<std::string> column_names_;
  std::vector<uint16_t> row_status_;
};

}  // namespace kestrove

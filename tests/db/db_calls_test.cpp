// The ODBC calls behind the database layer's operations, seen through the
// call log: their order, their arguments, the attributes written only when
// they differ, and the layer's answer to return codes and descriptions that
// the drivers at hand do not give by themselves.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>

#include "core/errors.h"
#include "db/catalog.h"
#include "db/connection.h"
#include "db/table.h"
#include "db_test_support.h"
#include "odbc_call_log.h"

namespace kestrove {
namespace {

using testing::CallLog;
using testing::ExpectError;
using testing::RecordCalls;
using Calls = std::vector<std::string>;

std::string N(long long value) {
  return std::to_string(value);
}
std::string SetStmt(SQLINTEGER attribute, long long value) {
  return "SQLSetStmtAttr " + N(attribute) + "=" + N(value);
}
std::string GetStmt(SQLINTEGER attribute) {
  return "SQLGetStmtAttr " + N(attribute);
}

// The calls from the first one that starts with `from` on.
Calls From(const Calls& calls, const std::string& from) {
  auto it = std::find_if(calls.begin(), calls.end(),
                         [&](const std::string& c) { return c.rfind(from, 0) == 0; });
  return Calls(it, calls.end());
}

// The calls of the lists one after another.
Calls Joined(const Calls& a, const Calls& b, const Calls& c) {
  Calls all = a;
  all.insert(all.end(), b.begin(), b.end());
  all.insert(all.end(), c.begin(), c.end());
  return all;
}

class DbCalls : public testing::DriverTest {
 protected:
  // The parameter set size written before every execution: not with MariaDB
  // Connector/ODBC, which mishandles a size of 0.
  Calls ParamsetSize() const {
    return IsMariaDb() ? Calls{} : Calls{SetStmt(SQL_ATTR_PARAMSET_SIZE, 0)};
  }

  // A table with `rows` rows of (id INTEGER, name VARCHAR(10)).
  void MakeRows(const std::string& table, int rows) {
    Drop(table);
    Exec("CREATE TABLE " + table + " (id INTEGER, name VARCHAR(10))");
    for (int i = 1; i <= rows; ++i)
      Exec("INSERT INTO " + table + " VALUES (" + N(i) + ", 'n" + N(i) + "')");
  }
};

TEST_P(DbCalls, ConnectWithoutPromptGivesNoLogin) {
  db_.Connector.Terminate();
  RecordCalls record;
  db_.Connector.Connect();
  const Calls calls = CallLog().Only({"SQLAllocHandle", "SQLGetConnectAttr", "SQLConnect",
                                      "SQLDriverConnect", "SQLSetConnectAttr 110"});
  // The cursor use is read when the handle is made and again before the
  // connect; it is the driver's own already, so it is not written.
  EXPECT_EQ(calls, (Calls{"SQLAllocHandle " + N(SQL_HANDLE_DBC),
                          "SQLGetConnectAttr " + N(SQL_ATTR_ODBC_CURSORS),
                          "SQLGetConnectAttr " + N(SQL_ATTR_ODBC_CURSORS),
                          "SQLConnect " + dsn_ + "|<null>|<null>",
                          "SQLGetConnectAttr " + N(SQL_ATTR_TXN_ISOLATION)}));
  // The isolation is written only when the driver's differs from read committed.
  const Calls writes = CallLog().Only({"SQLSetConnectAttr"});
  EXPECT_TRUE(writes.empty() || writes == Calls{"SQLSetConnectAttr " + N(SQL_ATTR_TXN_ISOLATION) +
                                                "=" + N(SQL_TXN_READ_COMMITTED)})
      << ::testing::PrintToString(writes);
  CallLog().calls.clear();
  db_.Connector.Connect();  // connected: nothing happens
  EXPECT_TRUE(CallLog().calls.empty());
}

TEST_P(DbCalls, ConnectionAttributesWrittenOnlyWhenTheyDiffer) {
  db_.Connector.Terminate();
  db_.Connector.CursorLib = SQL_CUR_USE_IF_NEEDED;
  RecordCalls record;
  db_.Connector.Connect();
  // The first read differs and is written; the read before the connect
  // then finds the value in place.
  EXPECT_EQ(CallLog().Only({"SQLGetConnectAttr " + N(SQL_ATTR_ODBC_CURSORS),
                            "SQLSetConnectAttr " + N(SQL_ATTR_ODBC_CURSORS), "SQLConnect"}),
            (Calls{"SQLGetConnectAttr " + N(SQL_ATTR_ODBC_CURSORS),
                   "SQLSetConnectAttr " + N(SQL_ATTR_ODBC_CURSORS) + "=" + N(SQL_CUR_USE_IF_NEEDED),
                   "SQLGetConnectAttr " + N(SQL_ATTR_ODBC_CURSORS),
                   "SQLConnect " + dsn_ + "|<null>|<null>"}));
  // Without the driver's own cursors a prepared statement is executed
  // without closing it first.
  CallLog().calls.clear();
  Exec("SELECT 1");
  EXPECT_EQ(From(CallLog().calls, "SQLPrepare"),
            Joined({"SQLPrepare SELECT 1"}, ParamsetSize(),
                   {"SQLExecute", "SQLSetStmtAttr " + N(SQL_ATTR_ROWS_FETCHED_PTR) + "=ptr"}));
}

TEST_P(DbCalls, ConnectWithPromptSendsTheBareDsnEveryTime) {
  db_.Connector.Disconnect();
  RecordCalls record;
  db_.Connector.InfoPrompt = kDriverComplete;
  for (int i = 0; i < 2; ++i) {
    db_.Connector.Connect();
    db_.Connector.Disconnect();
  }
  const std::string call = "SQLDriverConnect DSN=" + dsn_ + ";|256|" + N(SQL_DRIVER_COMPLETE);
  EXPECT_EQ(CallLog().Only({"SQLDriverConnect", "SQLConnect"}), (Calls{call, call}));
}

TEST_P(DbCalls, CancelledLoginIsNoDataFound) {
  db_.Connector.Disconnect();
  db_.Connector.InfoPrompt = kDriverPrompt;
  RecordCalls record;
  CallLog().answer = [](const std::string& call) -> std::optional<SQLRETURN> {
    if (call.rfind("SQLDriverConnect", 0) == 0) return SQL_NO_DATA;
    return std::nullopt;
  };
  try {
    db_.Connector.Connect();
    ADD_FAILURE() << "a cancelled login connected";
  } catch (const EODBC& error) {
    ASSERT_EQ(error.Records().size(), 1u);
    EXPECT_STREQ(error.what(), "No Data Found");
    EXPECT_EQ(error.Records()[0].SqlState, "");
    EXPECT_EQ(error.ReturnCode(), SQL_NO_DATA);
  }
  EXPECT_FALSE(db_.Connector.Connected());
  EXPECT_EQ(CallLog().Only({"SQLDriverConnect"}),
            Calls{"SQLDriverConnect DSN=" + dsn_ + ";|256|" + N(SQL_DRIVER_PROMPT)});
  EXPECT_FALSE(CallLog().Has("SQLGetDiagRec"));
}

TEST_P(DbCalls, GeneratedStatementSequence) {
  Drop("kt_seq");
  Exec("CREATE TABLE kt_seq (id INTEGER)");
  RecordCalls record;
  Exec("Insert into kt_seq (id) Values (1)");
  // The handle is kept: the next statement closes, prepares and executes.
  EXPECT_EQ(CallLog().calls, Joined(
                                 {
                                     "SQLFreeStmt CLOSE",
                                     "SQLFreeStmt RESET_PARAMS",
                                     "SQLFreeStmt UNBIND",
                                     "SQLFreeStmt CLOSE",
                                     "SQLFreeStmt RESET_PARAMS",
                                     "SQLFreeStmt UNBIND",
                                     "SQLPrepare Insert into kt_seq (id) Values (1)",
                                 },
                                 ParamsetSize(),
                                 {
                                     "SQLFreeStmt CLOSE",
                                     "SQLExecute",
                                     "SQLSetStmtAttr " + N(SQL_ATTR_ROWS_FETCHED_PTR) + "=ptr",
                                 }));
  Drop("kt_seq");
}

TEST_P(DbCalls, FreshStatementHandleAttributes) {
  db_.Hstmt1.Terminate();
  db_.LookupTable.Statement().Terminate();
  RecordCalls record;
  db_.Hstmt1.AllocateHandle();
  db_.LookupTable.Statement().AllocateHandle();
  const Calls& calls = CallLog().calls;
  // Reads come in this order for each handle; a write follows its read
  // only when the value differs.
  const Calls reads = CallLog().Only({"SQLAllocHandle", "SQLGetStmtAttr", "SQLGetInfo"});
  EXPECT_EQ(reads, (Calls{"SQLAllocHandle " + N(SQL_HANDLE_STMT), GetStmt(SQL_ATTR_CONCURRENCY),
                          "SQLGetInfo " + N(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1),
                          GetStmt(SQL_ATTR_CURSOR_TYPE), GetStmt(SQL_ATTR_ROW_ARRAY_SIZE),
                          "SQLAllocHandle " + N(SQL_HANDLE_STMT), GetStmt(SQL_ATTR_CONCURRENCY),
                          "SQLGetInfo " + N(SQL_KEYSET_CURSOR_ATTRIBUTES1),
                          GetStmt(SQL_ATTR_CURSOR_TYPE), GetStmt(SQL_ATTR_ROW_ARRAY_SIZE)}));
  for (size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].rfind("SQLSetStmtAttr", 0) != 0) continue;
    const std::string attribute = calls[i].substr(15, calls[i].find('=') - 15);
    if (attribute == N(SQL_ATTR_USE_BOOKMARKS)) {
      EXPECT_EQ(calls[i], SetStmt(SQL_ATTR_USE_BOOKMARKS, SQL_UB_VARIABLE));
      continue;
    }
    ASSERT_GT(i, 0u);
    EXPECT_EQ(calls[i - 1], GetStmt(std::stoi(attribute))) << calls[i];
  }
  // The keyset cursor of the reader is never the driver's default.
  EXPECT_TRUE(CallLog().Has(SetStmt(SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_KEYSET_DRIVEN)));
  EXPECT_FALSE(CallLog().Has(SetStmt(SQL_ATTR_ROW_ARRAY_SIZE, 1)));
}

TEST_P(DbCalls, NoDataAndNeedDataFromExecuteAreSuccess) {
  Drop("kt_rc");
  Exec("CREATE TABLE kt_rc (id INTEGER)");
  struct Case {
    SQLRETURN rc;
    const char* message;  // null: success
  };
  const Case cases[] = {
      {SQL_NO_DATA, nullptr},
      {SQL_NEED_DATA, nullptr},
      {SQL_STILL_EXECUTING, "ODBC Return Code 2"},
      {SQL_INVALID_HANDLE, "Invalid ODBC Handle"},
  };
  for (const Case& c : cases) {
    RecordCalls record;
    CallLog().answer = [&](const std::string& call) -> std::optional<SQLRETURN> {
      if (call == "SQLExecute") return c.rc;
      return std::nullopt;
    };
    if (c.message) {
      ExpectError<EODBC>([&] { Exec("Delete from kt_rc"); }, c.message);
    } else {
      EXPECT_NO_THROW(Exec("Delete from kt_rc")) << c.rc;
      EXPECT_TRUE(db_.Hstmt1.Executed());
    }
  }
  Drop("kt_rc");
}

TEST_P(DbCalls, ErrorRecordsFromTheDriver) {
  Drop("kt_no_such_table");
  RecordCalls record;
  // The second diagnostic read fails otherwise than with "no data".
  CallLog().answer = [](const std::string& call) -> std::optional<SQLRETURN> {
    if (call.rfind("SQLGetDiagRec " + N(SQL_HANDLE_STMT) + " 2 ", 0) == 0) return SQL_ERROR;
    return std::nullopt;
  };
  try {
    Exec("SELECT * FROM kt_no_such_table");
    db_.Hstmt1.FetchNext();
    ADD_FAILURE() << "a missing table was read";
  } catch (const EODBC& error) {
    ASSERT_EQ(error.Records().size(), 2u);
    EXPECT_FALSE(error.Records()[0].Message.empty());
    EXPECT_EQ(error.what(), error.Records()[0].Message);
    EXPECT_EQ(error.Records()[1].Message, "Unable to Retrieve ODBC Error");
    EXPECT_EQ(error.Records()[1].SqlState, "");
    EXPECT_EQ(error.Records()[1].NativeError, 0);
  }
  // 256-byte message buffer, records read from 1 on.
  EXPECT_EQ(CallLog().Only({"SQLGetDiagRec"}),
            (Calls{"SQLGetDiagRec 3 1 256", "SQLGetDiagRec 3 2 256"}));
}

TEST_P(DbCalls, ReaderOpenFirstMoveAndClose) {
  MakeRows("kt_walk", 5);
  DbTable& table = db_.LookupTable;
  table.SetTableName("kt_other");  // gives the reader a handle to release
  table.Statement().AllocateHandle();
  RecordCalls record;
  table.SetTableName("kt_walk");
  EXPECT_EQ(CallLog().calls, (Calls{"SQLFreeStmt CLOSE", "SQLFreeStmt RESET_PARAMS",
                                    "SQLFreeStmt UNBIND", "SQLFreeHandle 3"}));
  CallLog().calls.clear();
  table.Open();
  EXPECT_EQ(From(CallLog().Only({"SQLPrepare", "SQLExecute", "SQLFetch"}), "SQLPrepare"),
            (Calls{"SQLPrepare SELECT * FROM kt_walk", "SQLExecute", "SQLFetch"}));
  EXPECT_EQ(table.FieldAsInteger("id"), 1);

  CallLog().calls.clear();
  table.First();
  EXPECT_EQ(CallLog().Only({"SQLFetch"}),
            (Calls{"SQLFetchScroll " + N(SQL_FETCH_FIRST) + " 0",
                   "SQLFetchScroll " + N(SQL_FETCH_PRIOR) + " 0", "SQLFetch"}));
  EXPECT_EQ(table.FieldAsInteger("id"), 1);

  CallLog().calls.clear();
  table.MoveBy(3);
  EXPECT_EQ(CallLog().Only({"SQLFetch"}), Calls(3, "SQLFetch"));
  EXPECT_EQ(table.FieldAsInteger("id"), 4);

  // Past the end: one fetch finds no row, the last row stays current.
  CallLog().calls.clear();
  table.MoveBy(5);
  EXPECT_EQ(CallLog().Only({"SQLFetch"}), Calls(2, "SQLFetch"));
  EXPECT_EQ(table.FieldAsInteger("id"), 5);

  CallLog().calls.clear();
  table.Close();
  EXPECT_EQ(CallLog().calls, Calls{"SQLFreeStmt CLOSE"});
  EXPECT_TRUE(table.Statement().Allocated());
  Drop("kt_walk");
}

TEST_P(DbCalls, RecordCountFallsBackToCountStatementThenFullPass) {
  MakeRows("kt_count", 5);
  DbTable& table = db_.LookupTable;
  table.SetTableName("kt_count");
  table.Open();
  struct Case {
    bool count_fails;    // the Count(*) statement's execution fails
    bool count_as_text;  // the driver describes the count as character data
  };
  for (const Case c : {Case{false, false}, Case{false, true}, Case{true, false}}) {
    RecordCalls record;
    bool failed_once = false;
    CallLog().answer = [&](const std::string& call) -> std::optional<SQLRETURN> {
      if (call.rfind("SQLGetDiagField", 0) == 0) return SQL_ERROR;
      if (c.count_fails && call == "SQLExecute" && !failed_once) {
        failed_once = true;
        return SQL_ERROR;
      }
      return std::nullopt;
    };
    if (c.count_as_text)
      CallLog().describe = [](SQLUSMALLINT, SQLSMALLINT* type, SQLULEN* size) {
        *type = SQL_VARCHAR;
        *size = 20;
      };
    EXPECT_EQ(table.RecordCount(), 5) << c.count_fails << c.count_as_text;
    const Calls expected = c.count_fails
                               ? Calls{"SQLPrepare SELECT Count(*) FROM kt_count", "SQLExecute",
                                       "SQLPrepare SELECT * FROM kt_count", "SQLExecute"}
                               : Calls{"SQLPrepare SELECT Count(*) FROM kt_count", "SQLExecute"};
    EXPECT_EQ(CallLog().Only({"SQLPrepare", "SQLExecute"}), expected);
    // The second statement takes the reader's row limit and is released.
    const Calls limits = CallLog().Only({GetStmt(SQL_ATTR_MAX_ROWS), "SQLSetStmtAttr 1="});
    EXPECT_EQ(limits, (Calls{GetStmt(SQL_ATTR_MAX_ROWS), SetStmt(SQL_ATTR_MAX_ROWS, 0)}));
    EXPECT_EQ(CallLog().Only({"SQLFreeHandle"}), Calls{"SQLFreeHandle 3"});
    if (c.count_fails) {
      EXPECT_EQ(CallLog().Only({"SQLFetch"}), Calls(6, "SQLFetch"));
    }
  }
  // The reader's own position is untouched.
  EXPECT_EQ(table.FieldAsInteger("id"), 1);
  table.Close();
  Drop("kt_count");
}

struct BindCase {
  SQLSMALLINT described;  // what the driver is made to report
  bool is_unsigned;
  SQLSMALLINT sql_type;  // after narrowing
  SQLSMALLINT c_type;    // 0: not bound (long column)
  SQLLEN length;         // buffer per row
  TFieldType field_type;
};

TEST_P(DbCalls, ResultDescriptionAndBinding) {
  Drop("kt_bind");
  Exec("CREATE TABLE kt_bind (id INTEGER, v VARCHAR(20))");
  Exec("INSERT INTO kt_bind VALUES (1, 'x')");
  // Column 2 is made to look like each SQL type in turn; its column size
  // stays the driver's 20.
  const BindCase cases[] = {
      {SQL_CHAR, false, SQL_CHAR, SQL_C_CHAR, 21, ftString},
      {SQL_VARCHAR, false, SQL_VARCHAR, SQL_C_CHAR, 21, ftString},
      {SQL_WCHAR, false, SQL_CHAR, SQL_C_CHAR, 21, ftString},
      {SQL_WVARCHAR, false, SQL_VARCHAR, SQL_C_CHAR, 21, ftString},
      {SQL_WLONGVARCHAR, false, SQL_LONGVARCHAR, 0, 0, ftMemo},
      {SQL_LONGVARCHAR, false, SQL_LONGVARCHAR, 0, 0, ftMemo},
      {SQL_LONGVARBINARY, false, SQL_LONGVARBINARY, 0, 0, ftBlob},
      {SQL_NUMERIC, false, SQL_NUMERIC, SQL_C_DOUBLE, 8, ftFloat},
      {SQL_DECIMAL, false, SQL_DECIMAL, SQL_C_DOUBLE, 8, ftFloat},
      {SQL_FLOAT, false, SQL_FLOAT, SQL_C_DOUBLE, 8, ftFloat},
      {SQL_DOUBLE, false, SQL_DOUBLE, SQL_C_DOUBLE, 8, ftFloat},
      {SQL_REAL, false, SQL_REAL, SQL_C_FLOAT, 4, ftFloat},
      {SQL_INTEGER, false, SQL_INTEGER, SQL_C_SLONG, 4, ftInteger},
      {SQL_INTEGER, true, SQL_INTEGER, SQL_C_ULONG, 4, ftInteger},
      {SQL_SMALLINT, false, SQL_SMALLINT, SQL_C_SSHORT, 2, ftSmallint},
      {SQL_SMALLINT, true, SQL_SMALLINT, SQL_C_USHORT, 2, ftWord},
      {SQL_TINYINT, false, SQL_TINYINT, SQL_C_STINYINT, 1, ftSmallint},
      {SQL_TINYINT, true, SQL_TINYINT, SQL_C_UTINYINT, 1, ftWord},
      {SQL_BIGINT, false, SQL_BIGINT, SQL_C_SBIGINT, 8, ftLargeint},
      {SQL_BIGINT, true, SQL_BIGINT, SQL_C_UBIGINT, 8, ftLargeint},
      {SQL_BIT, false, SQL_BIT, SQL_C_BIT, 1, ftBoolean},
      {SQL_TYPE_DATE, false, SQL_TYPE_DATE, SQL_C_TYPE_DATE, 6, ftDate},
      {SQL_TYPE_TIME, false, SQL_TYPE_TIME, SQL_C_TYPE_TIME, 6, ftTime},
      {SQL_TYPE_TIMESTAMP, false, SQL_TYPE_TIMESTAMP, SQL_C_TYPE_TIMESTAMP, 16, ftDateTime},
      {SQL_BINARY, false, SQL_BINARY, SQL_C_BINARY, 20, ftBytes},
      {SQL_VARBINARY, false, SQL_VARBINARY, SQL_C_BINARY, 20, ftBytes},
      {SQL_GUID, false, SQL_BINARY, SQL_C_BINARY, 20, ftBytes},
      {SQL_INTERVAL_DAY_TO_SECOND, false, SQL_INTERVAL_DAY_TO_SECOND, SQL_C_BINARY, 0, ftUnknown},
  };
  for (const BindCase& c : cases) {
    SCOPED_TRACE(c.described);
    RecordCalls record;
    CallLog().describe = [&](SQLUSMALLINT column, SQLSMALLINT* type, SQLULEN*) {
      if (column == 2) *type = c.described;
    };
    CallLog().col_attribute = [&](SQLUSMALLINT column, SQLUSMALLINT field, SQLLEN* value) {
      if (column == 2 && field == SQL_DESC_UNSIGNED) *value = c.is_unsigned ? SQL_TRUE : SQL_FALSE;
    };
    DbStatement& st = db_.Hstmt1;
    st.SetSQL("SELECT id, v FROM kt_bind");
    st.Execute();
    ASSERT_EQ(st.ColumnCount(), 2);
    const DbColumn& column = st.Column(2);
    EXPECT_EQ(column.SqlType, c.sql_type);
    EXPECT_EQ(column.ColumnSize, 20u);
    EXPECT_EQ(FieldTypeOfColumn(column.SqlType, column.IsUnsigned), c.field_type);
    const Calls binds = CallLog().Only({"SQLBindCol 2 "});
    if (c.c_type == 0) {
      EXPECT_TRUE(binds.empty());
      EXPECT_TRUE(column.IsLong);
    } else {
      EXPECT_EQ(binds, Calls{"SQLBindCol 2 " + N(c.c_type) + " " + N(c.length) + " " +
                             (c.length ? "buf" : "null")});
    }
    // SQL_DESC_UNSIGNED is asked for the integer types only.
    const bool integer = c.sql_type == SQL_INTEGER || c.sql_type == SQL_SMALLINT ||
                         c.sql_type == SQL_TINYINT || c.sql_type == SQL_BIGINT;
    EXPECT_EQ(CallLog().Has("SQLColAttribute 2 " + N(SQL_DESC_UNSIGNED)), integer);
    EXPECT_EQ(CallLog().Only({"SQLDescribeCol"}),
              (Calls{"SQLDescribeCol 1 256", "SQLDescribeCol 2 256"}));
    st.Close();
  }
  Drop("kt_bind");
}

TEST_P(DbCalls, FieldSizeLimits) {
  Drop("kt_size");
  Exec("CREATE TABLE kt_size (id INTEGER, v VARCHAR(20))");
  struct Case {
    SQLSMALLINT type;
    SQLULEN size;
    bool opens;
  };
  const Case cases[] = {
      {SQL_VARCHAR, 8192, true}, {SQL_VARCHAR, 8193, false}, {SQL_VARCHAR, 0, true},
      {SQL_VARBINARY, 1, true},  {SQL_VARBINARY, 0, false},  {SQL_VARBINARY, 100000, true},
  };
  for (const Case& c : cases) {
    RecordCalls record;
    CallLog().describe = [&](SQLUSMALLINT column, SQLSMALLINT* type, SQLULEN* size) {
      if (column == 2) *type = c.type, *size = c.size;
    };
    DbTable& table = db_.TargetTable;
    table.SetTableName("kt_size");
    if (c.opens) {
      EXPECT_NO_THROW(table.Open()) << c.type << " " << c.size;
      EXPECT_EQ(table.FieldDefs().at(1).Size, static_cast<int32_t>(c.size));
    } else {
      ExpectError<EDatabaseError>([&] { table.Open(); }, "Invalid field size");
      EXPECT_FALSE(table.Active());
    }
    table.Close();
  }
  Drop("kt_size");
}

TEST_P(DbCalls, LongValuesInPiecesAndUnknownTotalLength) {
  Drop("kt_pieces");
  // MariaDB's TEXT holds 65535 bytes; MEDIUMTEXT is its long text.
  Exec(std::string("CREATE TABLE kt_pieces (id INTEGER, m ") +
       (IsMariaDb() ? "MEDIUMTEXT)" : "TEXT)"));
  const std::string value(100000, 'q');
  Exec("INSERT INTO kt_pieces VALUES (1, '" + value + "')");
  DbTable& table = db_.LookupTable;
  {
    RecordCalls record;
    table.SetTableName("kt_pieces");
    table.Open();
    EXPECT_TRUE(table.FieldAsText("m") == value);
    // 32768 characters and the terminating zero per piece: four pieces.
    EXPECT_EQ(CallLog().Only({"SQLGetData 2 "}),
              Calls(4, "SQLGetData 2 " + N(SQL_C_CHAR) + " 32769"));
    table.Close();
  }
  {
    RecordCalls record;
    CallLog().describe = [](SQLUSMALLINT column, SQLSMALLINT* type, SQLULEN*) {
      if (column == 2) *type = SQL_LONGVARBINARY;
    };
    table.SetTableName("kt_pieces");
    table.Open();
    // psqlodbc hands text out as binary in its own encoding, so only the
    // length tells how many 32768-byte pieces it took.
    const size_t length = table.FieldAsText("m").size();
    EXPECT_GE(length, value.size());
    EXPECT_EQ(CallLog().Only({"SQLGetData 2 "}),
              Calls((length + 32767) / 32768, "SQLGetData 2 " + N(SQL_C_BINARY) + " 32768"));
    table.Close();
  }
  {
    RecordCalls record;
    CallLog().get_data = [](SQLUSMALLINT column, SQLRETURN* rc, SQLLEN* indicator) {
      if (column == 2 && indicator) *rc = SQL_SUCCESS_WITH_INFO, *indicator = SQL_NO_TOTAL;
    };
    table.SetTableName("kt_pieces");
    ExpectError<EDatabaseError>(
        [&] { table.Open(); },
        "Unable to retrieve blob.  You may have to increase the BlobSize property.");
    EXPECT_FALSE(table.Active());
    table.Close();
  }
  Drop("kt_pieces");
}

TEST_P(DbCalls, CatalogueListsOnAFreshHandle) {
  db_.Catalog.TableNames();  // the catalogue's statement now holds a handle
  db_.Catalog.MarkStale();
  RecordCalls record;
  db_.Catalog.TableNames();
  const Calls calls = From(CallLog().calls, "SQLFreeHandle");
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0], "SQLFreeHandle 3");
  // From the fresh handle's attributes straight to SQLTables.
  const Calls listing = From(calls, "SQLAllocHandle");
  const auto tables = std::find_if(listing.begin(), listing.end(), [](const std::string& c) {
    return c.rfind("SQLTables", 0) == 0;
  });
  ASSERT_NE(tables, listing.end());
  for (auto it = listing.begin(); it != tables; ++it)
    EXPECT_TRUE(it->rfind("SQLGetStmtAttr", 0) == 0 || it->rfind("SQLSetStmtAttr", 0) == 0 ||
                it->rfind("SQLGetInfo", 0) == 0 || it->rfind("SQLAllocHandle", 0) == 0)
        << *it;
  // The SQLite drivers read the type list only without the blank.
  const bool sqlite = std::string(GetParam().name) == "Sqlite";
  EXPECT_EQ(*tables, std::string("SQLTables <null>|<null>|%|") +
                         (sqlite ? "'TABLE','VIEW'" : "'TABLE', 'VIEW'"));
  // Cached until marked stale.
  CallLog().calls.clear();
  db_.Catalog.TableNames();
  EXPECT_TRUE(CallLog().calls.empty());
}

TEST_P(DbCalls, FailedListingLeavesTheCatalogueStale) {
  db_.Catalog.MarkStale();
  {
    RecordCalls record;
    CallLog().answer = [](const std::string& call) -> std::optional<SQLRETURN> {
      if (call.rfind("SQLTables", 0) == 0) return SQL_ERROR;
      return std::nullopt;
    };
    EXPECT_THROW(db_.Catalog.TableNames(), EODBC);
  }
  EXPECT_TRUE(db_.Catalog.Stale());
  Drop("kt_listed");
  Exec("CREATE TABLE kt_listed (id INTEGER)");
  const auto& names = db_.Catalog.TableNames();
  EXPECT_NE(std::find(names.begin(), names.end(), "kt_listed"), names.end());
  Drop("kt_listed");
}

TEST_P(DbCalls, StatementValuesAsText) {
  Drop("kt_text");
  Exec(std::string("CREATE TABLE kt_text (r REAL, d ") +
       (IsPostgres() ? "DOUBLE PRECISION" : "DOUBLE") + ", t VARCHAR(8))");
  Exec("INSERT INTO kt_text VALUES (2.75, 0.1, 'ab  ')");
  DbStatement& st = db_.Hstmt1;
  st.SetSQL("SELECT r, d, t FROM kt_text");
  st.Execute();
  ASSERT_TRUE(st.FetchNext());
  EXPECT_EQ(st.ColumnText(1), "2.75");
  EXPECT_EQ(st.ColumnText(2), "0.1");
  EXPECT_EQ(st.ColumnText(3), "ab");
  st.Close();
  Drop("kt_text");
}

TEST_P(DbCalls, DisconnectTerminatesStatementsFirst) {
  Exec("SELECT 1");
  RecordCalls record;
  db_.Connector.Disconnect();
  EXPECT_EQ(CallLog().calls, (Calls{"SQLFreeStmt CLOSE", "SQLFreeStmt RESET_PARAMS",
                                    "SQLFreeStmt UNBIND", "SQLFreeHandle 3", "SQLDisconnect"}));
}

TEST_P(DbCalls, CloseWithoutAHandleNeitherConnectsNorAllocates) {
  db_.Connector.Disconnect();
  RecordCalls record;
  db_.Hstmt1.Close();
  EXPECT_TRUE(CallLog().calls.empty()) << ::testing::PrintToString(CallLog().calls);
  EXPECT_FALSE(db_.Hstmt1.Allocated());
  EXPECT_FALSE(db_.Connector.Connected());
}

// The quiet pair raises nothing, makes every call whatever the one before
// answered, and gives up a handle it cannot free.
TEST_P(DbCalls, TryTerminateRaisesNothingAndGivesTheHandleUp) {
  for (const char* failing : {"SQLFreeStmt CLOSE", "SQLFreeStmt UNBIND", "SQLFreeHandle 3"}) {
    SCOPED_TRACE(failing);
    Exec("SELECT 1");
    RecordCalls record;
    CallLog().answer = [&](const std::string& call) -> std::optional<SQLRETURN> {
      if (call == failing) return SQL_ERROR;
      return std::nullopt;
    };
    db_.Hstmt1.TryTerminate();
    EXPECT_EQ(CallLog().calls, (Calls{"SQLFreeStmt CLOSE", "SQLFreeStmt RESET_PARAMS",
                                      "SQLFreeStmt UNBIND", "SQLFreeHandle 3"}));
    EXPECT_FALSE(db_.Hstmt1.Allocated());
    EXPECT_TRUE(db_.Connector.Statements().empty());
  }
}

// A Terminate whose Close or free fails loses no handle: a statement whose
// handle is still held stays on its connection's list, and the disconnect
// then terminates it before SQLDisconnect.
TEST_P(DbCalls, TerminateThatFailsKeepsTheStatementListed) {
  struct Case {
    const char* failing;
    bool freed;  // a failed Close still frees the handle
  };
  for (const Case& c : {Case{"SQLFreeStmt CLOSE", true}, Case{"SQLFreeStmt UNBIND", true},
                        Case{"SQLFreeHandle 3", false}}) {
    SCOPED_TRACE(c.failing);
    Exec("SELECT 1");
    DbStatement& st = db_.Hstmt1;
    RecordCalls record;
    CallLog().answer = [&](const std::string& call) -> std::optional<SQLRETURN> {
      if (call == c.failing) return SQL_ERROR;
      return std::nullopt;
    };
    EXPECT_THROW(st.Terminate(), EODBC);
    CallLog().answer = nullptr;
    const auto& listed = db_.Connector.Statements();
    EXPECT_EQ(st.Allocated(), !c.freed);
    EXPECT_EQ(std::find(listed.begin(), listed.end(), &st) != listed.end(), !c.freed);
    CallLog().calls.clear();
    db_.Connector.Disconnect();
    EXPECT_FALSE(st.Allocated());
    EXPECT_TRUE(db_.Connector.Statements().empty());
    const Calls want = c.freed ? Calls{"SQLDisconnect"} : Calls{"SQLFreeHandle 3", "SQLDisconnect"};
    EXPECT_EQ(CallLog().Only({"SQLFreeHandle", "SQLDisconnect"}), want);
  }
}

// A lost connection (SQLSTATE class 08) is torn down once its error has been
// dealt with, whichever object failed; other errors leave it alone.
TEST_P(DbCalls, LostConnectionTeardown) {
  struct Case {
    OdbcObject object;
    const char* state;
    bool torn_down;
  };
  const Case cases[] = {
      {OdbcObject::kStatement, "08S01", true},   {OdbcObject::kConnection, "08003", true},
      {OdbcObject::kEnvironment, "08001", true}, {OdbcObject::kStatement, "42000", false},
      {OdbcObject::kStatement, "HY008", false},
  };
  for (const Case& c : cases) {
    Exec("SELECT 1");
    ASSERT_TRUE(db_.Hstmt1.Allocated());
    EODBC error(c.object, c.object == OdbcObject::kEnvironment ? nullptr : &db_.Connector,
                SQL_ERROR, {{"01000", 0, "warning first"}, {c.state, 0, "the failure"}});
    DiscardError(error);
    EXPECT_EQ(db_.Connector.Allocated(), !c.torn_down) << c.state;
    EXPECT_EQ(db_.Hstmt1.Allocated(), !c.torn_down) << c.state;
    EXPECT_EQ(DbEnvironment::Get().IsRegistered(&db_.Connector), !c.torn_down);
    // The next statement connects anew when needed.
    EXPECT_NO_THROW(Exec("SELECT 1"));
    EXPECT_TRUE(db_.Connector.Connected());
  }
}

TEST_P(DbCalls, TeardownGivesUpAHandleTheDriverManagerKeeps) {
  Exec("SELECT 1");
  {
    RecordCalls record;
    // The driver cannot disconnect the lost connection, so the driver
    // manager refuses to free its handle.
    CallLog().answer = [](const std::string& call) -> std::optional<SQLRETURN> {
      if (call == "SQLDisconnect") return SQL_ERROR;
      return std::nullopt;
    };
    EODBC error(OdbcObject::kStatement, &db_.Connector, SQL_ERROR, {{"08S01", 0, "lost"}});
    EXPECT_NO_THROW(DiscardError(error));
    EXPECT_FALSE(db_.Connector.Allocated());
    EXPECT_FALSE(db_.Connector.Connected());
    EXPECT_FALSE(DbEnvironment::Get().IsRegistered(&db_.Connector));
  }
  Exec("SELECT 1");
  EXPECT_TRUE(db_.Connector.Connected());
}

KESTROVE_INSTANTIATE_DRIVERS(DbCalls);

}  // namespace
}  // namespace kestrove

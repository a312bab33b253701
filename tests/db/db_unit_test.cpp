// Database layer parts that need no driver: the conversion of statement
// texts, the SELECT and count texts, rounding and number text, the error
// records and their navigation, and the type mapping.
#include <sql.h>
#include <sqlext.h>

#include <cmath>

#include "core/errors.h"
#include "db/catalog.h"
#include "db/connection.h"
#include "db/error_text.h"
#include "db/statement.h"
#include "db/table.h"
#include "db_test_support.h"

namespace kestrove {
namespace {

using testing::ExpectError;

struct ConvertCase {
  const char* text;
  const char* converted;
  std::vector<std::string> parameters;
};

TEST(SqlParsing, ConvertsColonsOutsideLiteralsOnly) {
  const ConvertCase cases[] = {
      {"Insert into T (A) Values ('10:30')", "Insert into T (A) Values ('10:30')", {}},
      {"Insert into T (A) Values (10:30)", "Insert into T (A) Values (10?)", {"30"}},
      {"Values ('It''s', :a)", "Values ('It''s', ?)", {"a"}},
      {"Values ('It''s:x')", "Values ('It''s:x')", {}},
      // The quote in O'Brien ends the literal early; from there on the state
      // is inverted and the colon of 12:00 counts as inside a literal.
      {"Values ('O'Brien', 12:00)", "Values ('O'Brien', 12:00)", {}},
      {"''", "''", {}},
      {"x = :p_1@z, y = :Q9", "x = ?, y = ?", {"p_1@z", "Q9"}},
      {"a:b-c", "a?-c", {"b"}},
      {"", "", {}},
  };
  for (const ConvertCase& c : cases) {
    std::vector<std::string> parameters;
    EXPECT_EQ(ConvertSqlParameters(c.text, &parameters), c.converted) << c.text;
    EXPECT_EQ(parameters, c.parameters) << c.text;
  }
}

TEST(SqlParsing, ColonWithoutNameIsInvalidToken) {
  for (const char* text : {"Values (1:", "Values (:)", "Values (: 1)", ":", "x = :-1"}) {
    ExpectError<EDatabaseError>([&] { ConvertSqlParameters(text, nullptr); },
                                "Invalid parameter token in SQL statement.");
  }
}

TEST(SelectText, QuotesNamesWithBlankOrDollarOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"Customers", "SELECT * FROM Customers"},
      {"Order Lines", "SELECT * FROM \"Order Lines\""},
      {"Sheet1$", "SELECT * FROM \"Sheet1$\""},
      {"order-lines", "SELECT * FROM order-lines"},
      {"T AS X", "SELECT * FROM T AS X"},
      {"t as x", "SELECT * FROM t as x"},
      {"{fn x} y", "SELECT * FROM {fn x} y"},
      {"\"Quoted Name\"", "SELECT * FROM \"Quoted Name\""},
      {"select", "SELECT * FROM select"},
  };
  for (const auto& [table, text] : cases) EXPECT_EQ(SelectText(table), text) << table;
  EXPECT_EQ(SelectText("Order Lines", '`'), "SELECT * FROM `Order Lines`");
  EXPECT_EQ(SelectText("Customers", '`'), "SELECT * FROM Customers");
}

TEST(CountText, DerivedFromTheQuery) {
  const std::pair<const char*, const char*> cases[] = {
      {"SELECT * FROM Customers", "SELECT Count(*) FROM Customers"},
      {"SELECT * FROM \"Order Lines\"", "SELECT Count(*) FROM \"Order Lines\""},
      {"SELECT a,b FROM T WHERE a>1 ORDER BY b", "SELECT Count(*) FROM T WHERE a>1"},
      {"SELECT a FROM T GROUP BY a ORDER BY a", "SELECT Count(*) FROM T"},
      {"SELECT a\r\nFROM T", "SELECT Count(*) FROM T"},
      {"SELECT * from t", "SELECT Count(*) from t"},
      // FROM is found in the copy with its parentheses blanked; the count text
      // is cut from the original, and the data source then refuses it.
      {"SELECT(a)FROM(T)", "SELECT Count(*))FROM(T)"},
      {"SELECT DISTINCT a FROM T", ""},
      {"SELECT a FROM T UNION SELECT b FROM U", ""},
      {"SELECT a FROM T GROUP BY a HAVING Count(*) > 1", ""},
      {"SELECT 1", ""},
  };
  for (const auto& [query, count] : cases) EXPECT_EQ(CountText(query), count) << query;
}

TEST(Rounding, HalfGoesToTheEvenNeighbour) {
  const std::pair<double, int32_t> cases[] = {
      {2.5, 2},
      {3.5, 4},
      {2.6, 3},
      {2.4, 2},
      {2.75, 3},
      {-2.5, -2},
      {-3.5, -4},
      {0.5, 0},
      {1.5, 2},
      {-0.4, 0},
      {0, 0},
      {7, 7},
      {2147483647, 2147483647},
      {-2147483648.0, -2147483647 - 1},
  };
  for (const auto& [value, rounded] : cases) EXPECT_EQ(RoundHalfEven(value), rounded) << value;
}

TEST(Rounding, OutOfRangeIsAConversionError) {
  EXPECT_THROW(RoundHalfEven(2147483647.5 + 1), EConvertError);
  EXPECT_THROW(RoundHalfEven(-3e9), EConvertError);
  EXPECT_THROW(RoundHalfEven(std::nan("")), EConvertError);
}

TEST(FormatFloat, GeneralNumberFormat) {
  const std::pair<double, const char*> cases[] = {
      {0, "0"},
      {2.5, "2.5"},
      {-2.5, "-2.5"},
      {100, "100"},
      {0.1, "0.1"},
      {1.0 / 3, "0.333333333333333"},
      {123456789012345.0, "123456789012345"},
      {1234567890123456.0, "1.23456789012346E15"},
      {0.00001, "0.00001"},
      {0.000001, "1E-6"},
      {1.5e-7, "1.5E-7"},
      {1e20, "1E20"},
      {12.34, "12.34"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(FormatFloat(value), text) << value;
}

TEST(FieldTypes, SqlTypeMapping) {
  struct Case {
    int16_t sql_type;
    bool is_unsigned;
    TFieldType type;
  };
  const Case cases[] = {
      {SQL_CHAR, false, ftString},
      {SQL_VARCHAR, false, ftString},
      {SQL_WCHAR, false, ftString},
      {SQL_WVARCHAR, false, ftString},
      {SQL_LONGVARCHAR, false, ftMemo},
      {SQL_WLONGVARCHAR, false, ftMemo},
      {SQL_NUMERIC, false, ftFloat},
      {SQL_DECIMAL, false, ftFloat},
      {SQL_FLOAT, false, ftFloat},
      {SQL_REAL, false, ftFloat},
      {SQL_DOUBLE, false, ftFloat},
      {SQL_INTEGER, false, ftInteger},
      {SQL_INTEGER, true, ftInteger},
      {SQL_SMALLINT, false, ftSmallint},
      {SQL_SMALLINT, true, ftWord},
      {SQL_TINYINT, false, ftSmallint},
      {SQL_TINYINT, true, ftWord},
      {SQL_BIGINT, false, ftLargeint},
      {SQL_BIT, false, ftBoolean},
      {SQL_TYPE_DATE, false, ftDate},
      {SQL_TYPE_TIME, false, ftTime},
      {SQL_TYPE_TIMESTAMP, false, ftDateTime},
      {SQL_BINARY, false, ftBytes},
      {SQL_VARBINARY, false, ftBytes},
      {SQL_GUID, false, ftBytes},
      {SQL_LONGVARBINARY, false, ftBlob},
      {SQL_INTERVAL_DAY_TO_SECOND, false, ftUnknown},
      {SQL_INTERVAL_YEAR, false, ftUnknown},
      {-9999, false, ftUnknown},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FieldTypeOfColumn(c.sql_type, c.is_unsigned), c.type) << c.sql_type;
}

TEST(Catalog, ObjectTypeTextAndExcelRule) {
  EXPECT_EQ(ObjectTypeText(true, true, false), "'TABLE', 'VIEW'");
  EXPECT_EQ(ObjectTypeText(true, true, false).size(), 15u);
  EXPECT_EQ(ObjectTypeText(true, false, false), "'TABLE'");
  EXPECT_EQ(ObjectTypeText(false, true, true), "'VIEW', 'SYSTEM TABLE'");
  EXPECT_EQ(ObjectTypeText(false, false, false), "");
  EXPECT_TRUE(IsExcelDataSource("EXCEL", "odbcjt32.dll"));
  EXPECT_TRUE(IsExcelDataSource("excel", "ODBCJT32.DLL"));
  EXPECT_FALSE(IsExcelDataSource("Excel", "odbcjt32.dll "));
  EXPECT_FALSE(IsExcelDataSource("PostgreSQL", "psqlodbca.so"));
}

// Builds the records of an error from a scripted list of diagnostic reads.
std::vector<TErrorRec> Records(int16_t rc, std::vector<std::pair<int16_t, TErrorRec>> reads) {
  size_t next = 0;
  return BuildErrorRecords(rc, [&](int16_t number, TErrorRec& record) -> int16_t {
    EXPECT_EQ(number, static_cast<int16_t>(next + 1));
    if (next >= reads.size()) return SQL_NO_DATA;
    auto [r, rec] = reads[next++];
    if (r == SQL_SUCCESS || r == SQL_SUCCESS_WITH_INFO) record = rec;
    return r;
  });
}

TEST(ErrorRecords, BuiltFromDiagnostics) {
  const TErrorRec a{"23505", 7, "duplicate key"};
  const TErrorRec b{"01000", 0, "statement ended"};

  auto two = Records(SQL_ERROR, {{SQL_SUCCESS, a}, {SQL_SUCCESS_WITH_INFO, b}});
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].SqlState, "23505");
  EXPECT_EQ(two[0].NativeError, 7);
  EXPECT_EQ(two[1].Message, "statement ended");

  // Nothing to read, or a read that fails otherwise than with "no data".
  for (auto records : {Records(SQL_ERROR, {}), Records(SQL_SUCCESS_WITH_INFO, {})}) {
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Message, "Unable to Retrieve ODBC Error");
    EXPECT_EQ(records[0].SqlState, "");
  }
  auto broken = Records(SQL_ERROR, {{SQL_SUCCESS, a}, {SQL_ERROR, {}}});
  ASSERT_EQ(broken.size(), 2u);
  EXPECT_EQ(broken[0].Message, "duplicate key");
  EXPECT_EQ(broken[1].Message, "Unable to Retrieve ODBC Error");

  const std::pair<int16_t, const char*> fixed[] = {
      {SQL_INVALID_HANDLE, "Invalid ODBC Handle"},
      {SQL_NO_DATA, "No Data Found"},
      {SQL_STILL_EXECUTING, "ODBC Return Code 2"},
      {SQL_NEED_DATA, "ODBC Return Code 99"},
      {-7, "ODBC Return Code -7"},
  };
  for (const auto& [rc, message] : fixed) {
    auto records = Records(rc, {{SQL_SUCCESS, a}});  // the driver is not asked
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Message, message);
    EXPECT_EQ(records[0].NativeError, 0);
    EXPECT_EQ(records[0].SqlState, "");
  }
}

TEST(ErrorRecords, InvalidHandleFromTheDriverManager) {
  // A call on a null handle never reaches a driver.
  SQLRETURN rc = SQLFreeStmt(SQL_NULL_HSTMT, SQL_CLOSE);
  ASSERT_EQ(rc, SQL_INVALID_HANDLE);
  EODBC error(OdbcObject::kStatement, nullptr, rc,
              BuildErrorRecords(rc, [](int16_t, TErrorRec&) -> int16_t { return SQL_ERROR; }));
  EXPECT_STREQ(error.what(), "Invalid ODBC Handle");
  EXPECT_EQ(error.ReturnCode(), SQL_INVALID_HANDLE);
}

TEST(ErrorNavigation, TwoRecordsWalkedWithNextAndPrevious) {
  EODBC error(OdbcObject::kStatement, nullptr, SQL_ERROR,
              {{"42000", 1, "first"}, {"08S01", 2, "second"}});
  EXPECT_STREQ(error.what(), "first");
  EXPECT_EQ(error.CurrentIndex(), 0);
  EXPECT_TRUE(error.IsConnectionLost());

  // The dialog's walk: Next shows record 1, Next again fails and is undone.
  EXPECT_TRUE(error.NextRecord());
  EXPECT_EQ(error.CurrentRecord().Message, "second");
  EXPECT_FALSE(error.NextRecord());
  EXPECT_EQ(error.CurrentIndex(), 2);
  EXPECT_FALSE(error.HasCurrentRecord());
  EXPECT_FALSE(error.NextRecord());  // stays one past the end
  EXPECT_EQ(error.CurrentIndex(), 2);
  EXPECT_TRUE(error.PreviousRecord());
  EXPECT_EQ(error.CurrentRecord().Message, "second");
  EXPECT_TRUE(error.PreviousRecord());
  EXPECT_EQ(error.CurrentRecord().Message, "first");
  EXPECT_FALSE(error.PreviousRecord());
  EXPECT_EQ(error.CurrentIndex(), -1);
  EXPECT_FALSE(error.PreviousRecord());
  EXPECT_EQ(error.CurrentIndex(), -1);
  EXPECT_TRUE(error.NextRecord());
  EXPECT_EQ(error.CurrentRecord().SqlState, "42000");
}

TEST(ErrorNavigation, OneRecordAndClassCheck) {
  EODBC error(OdbcObject::kConnection, nullptr, SQL_NO_DATA, {{"", 0, "No Data Found"}});
  EXPECT_FALSE(error.IsConnectionLost());
  EXPECT_FALSE(error.NextRecord());
  EXPECT_EQ(error.CurrentIndex(), 1);
  EXPECT_TRUE(error.PreviousRecord());
  EXPECT_EQ(error.CurrentRecord().Message, "No Data Found");
  // An error is never without a record.
  EODBC empty(OdbcObject::kEnvironment, nullptr, SQL_ERROR, {});
  ASSERT_EQ(empty.Records().size(), 1u);
  EXPECT_STREQ(empty.what(), "Unable to Retrieve ODBC Error");
  // "08" only counts at the start of the SQLSTATE.
  EODBC other(OdbcObject::kConnection, nullptr, SQL_ERROR, {{"HY008", 0, "cancelled"}});
  EXPECT_FALSE(other.IsConnectionLost());
}

TEST(ErrorText, CallerTextThenEveryRecord) {
  EODBC error(OdbcObject::kStatement, nullptr, SQL_ERROR,
              {{"42P01", 1, "relation \"nope\" does not exist"}, {"", 0, "more"}});
  EXPECT_EQ(FormatDatabaseError(error, "Cannot obtain Database Lookup using these parameters."),
            "Cannot obtain Database Lookup using these parameters.\n"
            "  ODBC Error 42P01, Database Error 1: relation \"nope\" does not exist\n"
            "  ODBC Error -, Database Error 0: more");
}

TEST(Connection, ConnectionStringAndDefaults) {
  DbConnection connection;
  connection.DataSource = "Sales";
  EXPECT_EQ(connection.ConnectionString(), "DSN=Sales;");
  EXPECT_EQ(connection.InfoPrompt, 0);
  EXPECT_EQ(connection.IsolationLevel, SQL_TXN_READ_COMMITTED);
  EXPECT_EQ(connection.CursorLib, SQL_CUR_USE_DRIVER);
  EXPECT_FALSE(connection.Connected());
  EXPECT_FALSE(connection.Allocated());
}

TEST(Connection, UnknownDataSourceFailsAndStaysClosed) {
  DbConnection connection;
  connection.DataSource = "KestroveNoSuchSource";
  try {
    connection.Connect();
    ADD_FAILURE() << "connected to a data source that does not exist";
  } catch (const EODBC& error) {
    EXPECT_EQ(error.Object(), OdbcObject::kConnection);
    EXPECT_FALSE(error.Records().empty());
    EXPECT_FALSE(std::string(error.what()).empty());
  }
  EXPECT_FALSE(connection.Connected());
  EXPECT_TRUE(connection.Allocated());
  connection.Terminate();
  EXPECT_FALSE(connection.Allocated());
}

}  // namespace
}  // namespace kestrove

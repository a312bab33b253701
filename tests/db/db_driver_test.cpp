// The database layer against the real drivers: every case runs on SQLite
// (sqliteodbc) and on PostgreSQL (psqlodbc, ANSI).
#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "core/errors.h"
#include "db/catalog.h"
#include "db/connection.h"
#include "db/table.h"
#include "db/transaction.h"
#include "db_test_support.h"

namespace kestrove {
namespace {

using testing::ExpectError;

class DbLayer : public testing::DriverTest {};

TEST_P(DbLayer, ListsDataSources) {
  const auto names = DbEnvironment::Get().ListDataSources();
  EXPECT_NE(std::find(names.begin(), names.end(), dsn_), names.end());
}

TEST_P(DbLayer, ListsTablesAndViews) {
  Drop("kt_list_v", "VIEW");
  Drop("kt_list_t");
  Exec("CREATE TABLE kt_list_t (id INTEGER)");
  Exec("CREATE VIEW kt_list_v AS SELECT id FROM kt_list_t");
  const auto& names = db_.Catalog.TableNames();
  EXPECT_NE(std::find(names.begin(), names.end(), "kt_list_t"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "kt_list_v"), names.end());
  // Only the data source's own database: the scratch servers hold
  // kt_elsewhere in another database that the account can read.
  EXPECT_EQ(std::find(names.begin(), names.end(), "kt_elsewhere"), names.end());
  std::map<std::string, int> kinds;
  for (const CatalogEntry& entry : db_.Catalog.Entries()) kinds[entry.Name] = entry.Kind;
  EXPECT_EQ(kinds["kt_list_t"], 0);
  EXPECT_EQ(kinds["kt_list_v"], 1);
  EXPECT_FALSE(db_.Catalog.Stale());

  // Cached until marked stale.
  Drop("kt_list_v", "VIEW");
  const auto& cached = db_.Catalog.TableNames();
  EXPECT_NE(std::find(cached.begin(), cached.end(), "kt_list_v"), cached.end());
  db_.Catalog.MarkStale();
  const auto& fresh = db_.Catalog.TableNames();
  EXPECT_EQ(std::find(fresh.begin(), fresh.end(), "kt_list_v"), fresh.end());
  // A view is opened like a table.
  Drop("kt_list_t");
}

// A key of two columns: in key order on PostgreSQL (sqliteodbc numbers
// them in column order); a table without a key has none.
TEST_P(DbLayer, PrimaryKeyColumnsInKeyOrder) {
  Drop("kt_pk_two");
  Drop("kt_pk_none");
  Exec(
      "CREATE TABLE kt_pk_two (a INTEGER NOT NULL, b INTEGER NOT NULL, c INTEGER, "
      "PRIMARY KEY (b, a))");
  Exec("CREATE TABLE kt_pk_none (a INTEGER)");
  std::vector<std::string> key = db_.Catalog.PrimaryKey("kt_pk_two");
  if (!IsPostgres()) std::sort(key.begin(), key.end());
  const std::vector<std::string> expected =
      IsPostgres() ? std::vector<std::string>{"b", "a"} : std::vector<std::string>{"a", "b"};
  EXPECT_EQ(key, expected);
  EXPECT_TRUE(db_.Catalog.PrimaryKey("kt_pk_none").empty());
  Drop("kt_pk_two");
  Drop("kt_pk_none");
}

struct ColumnExpectation {
  const char* column;
  TFieldType type;
  int32_t size;
};

TEST_P(DbLayer, TypeMapping) {
  Drop("kt_types");
  // Declared types differ where a type does not exist in the other databases.
  const bool pg = IsPostgres();
  const bool maria = IsMariaDb();
  Exec(std::string("CREATE TABLE kt_types (c_char CHAR(5), c_varchar VARCHAR(20), ") +
       (pg ? "c_nvarchar NATIONAL CHARACTER VARYING(20)" : "c_nvarchar NVARCHAR(20)") +
       ", c_text TEXT, c_integer INTEGER, c_smallint SMALLINT, c_bigint BIGINT, "
       "c_decimal DECIMAL(10,2), c_real REAL, " +
       (pg ? "c_double DOUBLE PRECISION" : "c_double DOUBLE") +
       ", c_boolean BOOLEAN, c_date DATE, c_time TIME, " +
       (maria ? "c_timestamp DATETIME, " : "c_timestamp TIMESTAMP, ") +
       (pg ? "c_blob BYTEA, c_uuid UUID" : "c_blob BLOB, c_uuid VARBINARY(16)") +
       (maria ? ", c_interval GEOMETRY)" : ", c_interval INTERVAL)"));
  Exec("INSERT INTO kt_types (c_char, c_integer) VALUES ('ab', 1)");

  std::vector<ColumnExpectation> expected = {
      {"c_char", ftString, 5},     {"c_varchar", ftString, 20},    {"c_nvarchar", ftString, 20},
      {"c_text", ftMemo, 0},       {"c_integer", ftInteger, 0},    {"c_smallint", ftSmallint, 0},
      {"c_bigint", ftLargeint, 0}, {"c_decimal", ftFloat, 0},      {"c_real", ftFloat, 0},
      {"c_double", ftFloat, 0},    {"c_boolean", ftBoolean, 0},    {"c_date", ftDate, 0},
      {"c_time", ftTime, 0},       {"c_timestamp", ftDateTime, 0}, {"c_blob", ftBlob, 0},
      {"c_uuid", ftBytes, 16},     {"c_interval", ftUnknown, 0},
  };
  auto set = [&](const char* column, TFieldType type, int32_t size) {
    for (auto& e : expected)
      if (std::string(e.column) == column) e.type = type, e.size = size;
  };
  if (pg) {
    // psqlodbc: BOOLEAN comes as character data ("BoolsAsChar" is on by
    // default), BYTEA as SQL_LONGVARBINARY, UUID as SQL_GUID (column size
    // 37), and INTERVAL as SQL_VARCHAR of 32 characters.
    set("c_boolean", ftString, 5);
    set("c_uuid", ftBytes, 37);
    set("c_interval", ftString, 32);
  } else if (maria) {
    // MariaDB Connector/ODBC: BOOLEAN is TINYINT(1), reported as
    // SQL_TINYINT; MariaDB has no INTERVAL, and GEOMETRY, which stands in
    // for a type the program does not know, comes as SQL_LONGVARBINARY.
    set("c_boolean", ftSmallint, 0);
    set("c_interval", ftBlob, 0);
  } else {
    // sqliteodbc maps declared type names itself: DECIMAL becomes
    // SQL_VARCHAR with the declared precision as size, BLOB SQL_BINARY of
    // 255 bytes, and a name it does not know (INTERVAL) SQL_VARCHAR of 255.
    set("c_decimal", ftString, 10);
    set("c_blob", ftBytes, 255);
    set("c_interval", ftString, 255);
  }

  db_.TargetTable.SetTableName("kt_types");
  db_.TargetTable.Open();
  const auto& defs = db_.TargetTable.FieldDefs();
  ASSERT_EQ(defs.size(), expected.size());
  for (size_t i = 0; i < defs.size(); ++i) {
    EXPECT_EQ(defs[i].Name, expected[i].column);
    EXPECT_EQ(defs[i].DataType, expected[i].type) << expected[i].column;
    EXPECT_EQ(defs[i].Size, expected[i].size) << expected[i].column;
    EXPECT_EQ(defs[i].FieldNo, static_cast<int>(i + 1));
  }
  if (pg) {
    EXPECT_EQ(defs[7].Precision, 2);  // DECIMAL(10,2)
  }
  // Field names leave out the columns of unknown type.
  std::vector<std::string> names;
  for (const auto& e : expected)
    if (e.type != ftUnknown) names.push_back(e.column);
  EXPECT_EQ(db_.TargetTable.FieldNames(), names);
  EXPECT_EQ(db_.TargetTable.FieldAsText("C_CHAR"), "ab");  // trailing blanks removed
  EXPECT_EQ(db_.TargetTable.FieldAsInteger("c_integer"), 1);
  EXPECT_EQ(db_.TargetTable.FieldAsText("c_varchar"), "");  // null
  db_.TargetTable.Close();
  Drop("kt_types");
}

TEST_P(DbLayer, FieldValuesAsTextAndNumber) {
  Drop("kt_values");
  Exec(
      "CREATE TABLE kt_values (s VARCHAR(10), n VARCHAR(10), i INTEGER, b BIGINT, f DOUBLE "
      "PRECISION, d DATE, t TIMESTAMP, m TEXT)");
  Exec(
      "INSERT INTO kt_values VALUES ('abc  ', '42', -7, 5000000000, 0.000001, '2024-02-29', "
      "'2024-02-29 13:45:06', 'memo  ')");
  DbTable& table = db_.LookupTable;
  table.SetTableName("kt_values");
  table.Open();
  EXPECT_EQ(table.FieldAsText("s"), "abc");
  EXPECT_EQ(table.FieldAsInteger("n"), 42);
  EXPECT_EQ(table.FieldAsText("i"), "-7");
  EXPECT_EQ(table.FieldAsInteger("i"), -7);
  EXPECT_EQ(table.FieldAsText("b"), "5000000000");
  EXPECT_EQ(table.FieldAsText("f"), "1E-6");
  EXPECT_EQ(table.FieldAsText("d"), "2024/02/29");
  EXPECT_EQ(table.FieldAsText("t"), "2024/02/29 13:45:06");
  EXPECT_EQ(table.FieldAsText("m"), "memo  ");  // long values exactly as read
  // A 64-bit value that does not fit is refused, not cut to its low bits.
  ExpectError<EConvertError>([&] { table.FieldAsInteger("b"); },
                             "'5000000000' is not a valid integer value");
  ExpectError<EConvertError>([&] { table.FieldAsInteger("s"); },
                             "'abc' is not a valid integer value");
  ExpectError<EDatabaseError>([&] { table.FieldAsInteger("d"); },
                              "Cannot access field 'd' as type Integer");
  ExpectError<EDatabaseError>([&] { table.FieldAsInteger("m"); },
                              "Cannot access field 'm' as type Integer");
  table.Close();
  Drop("kt_values");
}

TEST_P(DbLayer, LongValuesReadWholeInPieces) {
  Drop("kt_long");
  // MariaDB's TEXT holds 65535 bytes; MEDIUMTEXT is its long text.
  Exec(std::string("CREATE TABLE kt_long (id INTEGER, m ") +
       (IsMariaDb() ? "MEDIUMTEXT)" : "TEXT)"));
  std::string value;
  for (int i = 0; value.size() < 100000; ++i) value += std::to_string(i) + ",";
  Exec("INSERT INTO kt_long VALUES (1, '" + value + "')");
  Exec("INSERT INTO kt_long VALUES (2, '')");
  Exec("INSERT INTO kt_long VALUES (3, NULL)");
  DbTable& table = db_.LookupTable;
  table.SetTableName("kt_long");
  table.Open();
  EXPECT_EQ(table.FieldAsText("m"), value);
  ASSERT_TRUE(table.Next());
  EXPECT_EQ(table.FieldAsText("m"), "");
  ASSERT_TRUE(table.Next());
  EXPECT_TRUE(table.FieldByName("m").IsNull());
  EXPECT_FALSE(table.Next());
  EXPECT_TRUE(table.Eof());
  table.Close();
  Drop("kt_long");
}

TEST_P(DbLayer, TableNameWithBlankIsQuoted) {
  // MariaDB quotes names in backticks.
  const std::string name = IsMariaDb() ? "`kt blank`" : "\"kt blank\"";
  Drop(name);
  Exec("CREATE TABLE " + name + " (id INTEGER, name VARCHAR(10))");
  Exec("INSERT INTO " + name + " VALUES (3, 'three')");
  db_.TargetTable.SetTableName("kt blank");
  db_.TargetTable.Open();
  EXPECT_EQ(db_.TargetTable.Statement().SQL(), "SELECT * FROM " + name);
  EXPECT_EQ(db_.TargetTable.FieldAsText("name"), "three");
  EXPECT_EQ(db_.TargetTable.RecordCount(), 1);
  db_.TargetTable.Close();
  Drop(name);
}

TEST_P(DbLayer, InvalidFieldSize) {
  Drop("kt_wide");
  Exec("CREATE TABLE kt_wide (id INTEGER, w VARCHAR(10000))");
  db_.TargetTable.SetTableName("kt_wide");
  if (IsMariaDb()) {
    // MariaDB Connector/ODBC reports it as SQL_VARCHAR of its declared
    // size, which no string field takes.
    ExpectError<EDatabaseError>([&] { db_.TargetTable.Open(); }, "Invalid field size");
    EXPECT_FALSE(db_.TargetTable.Active());
    Drop("kt_wide");
    return;
  }
  // The other drivers report a VARCHAR this long as SQL_LONGVARCHAR
  // (psqlodbc beyond its MaxVarcharSize of 255, sqliteodbc beyond 255), so
  // it opens as a memo.
  db_.TargetTable.Open();
  EXPECT_EQ(db_.TargetTable.FieldDefs()[1].DataType, ftMemo);
  db_.TargetTable.Close();
  Drop("kt_wide");
  if (IsPostgres()) return;  // psqlodbc has no column type of size 0 or above 8192
  // sqliteodbc gives VARBINARY(0) a column size of 0, which no byte field takes.
  Drop("kt_zero");
  Exec("CREATE TABLE kt_zero (id INTEGER, z VARBINARY(0))");
  db_.TargetTable.SetTableName("kt_zero");
  ExpectError<EDatabaseError>([&] { db_.TargetTable.Open(); }, "Invalid field size");
  EXPECT_FALSE(db_.TargetTable.Active());
  EXPECT_TRUE(db_.TargetTable.FieldNames().empty());
  Drop("kt_zero");
}

TEST_P(DbLayer, DeleteOnEmptyTable) {
  Drop("kt_empty");
  Exec("CREATE TABLE kt_empty (id INTEGER)");
  EXPECT_NO_THROW(Exec("Delete from kt_empty"));
  EXPECT_NO_THROW(Exec("Delete from kt_empty"));
  EXPECT_EQ(CountRows("kt_empty"), 0);
  Drop("kt_empty");
}

// A transaction commits each batch as it fills, rolls back what is left open
// when it goes unless committed, and leaves autocommit on behind it.
TEST_P(DbLayer, TransactionCommitsBatchesAndRollsBackTheRest) {
  struct Case {
    uint64_t commit_every;
    bool commit;  // Commit before the transaction goes
    int64_t kept;
  };
  Database other;  // sees committed rows only
  other.Connector.DataSource = dsn_;
  for (const Case c : {Case{2, false, 2}, Case{2, true, 3}, Case{0, false, 0}}) {
    SCOPED_TRACE(c.commit_every);
    Drop("kt_batch");
    Exec("CREATE TABLE kt_batch (id INTEGER)");
    {
      DbTransaction transaction(db_.Connector, c.commit_every);
      for (int i = 1; i <= 3; ++i) {
        Exec("Insert into kt_batch (id) Values (" + std::to_string(i) + ")");
        transaction.Executed(1);
      }
      if (c.commit) transaction.Commit();
      EXPECT_EQ(transaction.CommittedRows(), static_cast<uint64_t>(c.commit ? 3 : c.kept));
    }
    EXPECT_TRUE(db_.Connector.AutoCommit());
    Exec("Insert into kt_batch (id) Values (4)");
    DbStatement count(other.Connector);
    count.SetSQL("SELECT Count(*) FROM kt_batch");
    count.Execute();
    int64_t n = -1;
    ASSERT_TRUE(count.FetchNext());
    count.ColumnInt64(1, &n);
    EXPECT_EQ(n, c.kept + 1);
    count.Terminate();
  }
  Drop("kt_batch");
}

TEST_P(DbLayer, InsertsAreCommittedOneByOne) {
  Drop("kt_dup");
  Exec("CREATE TABLE kt_dup (id INTEGER PRIMARY KEY, name VARCHAR(20))");
  Exec("Insert into kt_dup (id,name) Values (1,'one')");
  Exec("Insert into kt_dup (id,name) Values (2,'It''s two')");
  try {
    Exec("Insert into kt_dup (id,name) Values (2,'again')");
    ADD_FAILURE() << "a duplicate key was accepted";
  } catch (const EODBC& error) {
    EXPECT_EQ(error.Object(), OdbcObject::kStatement);
    EXPECT_EQ(error.ReturnCode(), SQL_ERROR);
    EXPECT_EQ(error.what(), error.Records()[0].Message);
    EXPECT_FALSE(error.Records()[0].Message.empty());
    if (IsPostgres()) {
      EXPECT_EQ(error.Records()[0].SqlState, "23505");
    }
    DiscardError(error);
  }
  // The rows before the failure stay, and a new connection sees them.
  Database other;
  other.Connector.DataSource = dsn_;
  DbTable& table = other.LookupTable;
  table.SetTableName("kt_dup");
  table.Open();
  EXPECT_EQ(table.RecordCount(), 2);
  table.First();
  table.MoveBy(1);
  EXPECT_EQ(table.FieldAsText("name"), "It's two");
  table.Close();
  Drop("kt_dup");
}

TEST_P(DbLayer, ColonOutsideQuotesFailsAtExecution) {
  Drop("kt_colon");
  Exec("CREATE TABLE kt_colon (a VARCHAR(10))");
  Exec("Insert into kt_colon (a) Values ('10:30')");
  EXPECT_THROW(Exec("Insert into kt_colon (a) Values (10:30)"), EODBC);
  EXPECT_EQ(db_.Hstmt1.Parameters(), std::vector<std::string>{"30"});
  ExpectError<EDatabaseError>([&] { Exec("Insert into kt_colon (a) Values (:"); },
                              "Invalid parameter token in SQL statement.");
  // The statement is usable again afterwards.
  Exec("Insert into kt_colon (a) Values ('x')");
  EXPECT_EQ(CountRows("kt_colon"), 2);
  Drop("kt_colon");
}

TEST_P(DbLayer, ScrollingAndCounting) {
  Drop("kt_rows");
  Exec("CREATE TABLE kt_rows (id INTEGER, f REAL)");
  for (int i = 1; i <= 5; ++i)
    Exec("INSERT INTO kt_rows VALUES (" + std::to_string(i) + ", " + std::to_string(i) + ".5)");
  DbTable& table = db_.LookupTable;
  table.SetTableName("kt_rows");
  table.Open();
  EXPECT_EQ(table.FieldAsInteger("id"), 1);
  EXPECT_EQ(table.RecordCount(), 5);
  table.MoveBy(2);
  EXPECT_EQ(table.FieldAsInteger("id"), 3);
  table.First();
  EXPECT_EQ(table.FieldAsInteger("id"), 1);
  table.MoveBy(10);  // stops at the last row
  EXPECT_EQ(table.FieldAsInteger("id"), 5);
  EXPECT_TRUE(table.Eof());
  table.First();
  table.MoveBy(4);
  EXPECT_EQ(table.FieldAsInteger("id"), 5);
  table.Close();
  EXPECT_FALSE(table.Active());
  // Open again after Close reads from the start.
  table.Open();
  EXPECT_EQ(table.FieldAsInteger("id"), 1);
  table.Close();

  DbStatement& st = db_.Hstmt1;
  st.SetSQL("SELECT id FROM kt_rows ORDER BY id");
  st.Execute();
  EXPECT_EQ(st.ColumnCount(), 1);
  EXPECT_EQ(st.ColumnNames(), std::vector<std::string>{"id"});
  int n = 0;
  while (st.FetchNext()) EXPECT_EQ(st.ColumnText(1), std::to_string(++n));
  EXPECT_EQ(n, 5);
  st.Close();
  Drop("kt_rows");
}

TEST_P(DbLayer, FloatColumnReadAsWholeNumberRoundsHalfToEven) {
  Drop("kt_float");
  Exec("CREATE TABLE kt_float (n INTEGER, f DOUBLE PRECISION)");
  Exec("INSERT INTO kt_float VALUES (1, 2.5)");
  Exec("INSERT INTO kt_float VALUES (2, 3.5)");
  Exec("INSERT INTO kt_float VALUES (3, 2.6)");
  Exec("INSERT INTO kt_float VALUES (4, 2.75)");
  Exec("INSERT INTO kt_float VALUES (5, -2.5)");
  DbTable& table = db_.LookupTable;
  table.SetTableName("kt_float");
  table.Open();
  std::map<int32_t, int32_t> got;
  do got[table.FieldAsInteger("n")] = table.FieldAsInteger("F");
  while (table.Next());
  table.Close();
  const std::map<int32_t, int32_t> want = {{1, 2}, {2, 4}, {3, 3}, {4, 3}, {5, -2}};
  EXPECT_EQ(got, want);
  Drop("kt_float");
}

TEST_P(DbLayer, DisconnectReleasesStatementsAndReconnects) {
  Exec("SELECT 1");
  db_.LookupTable.SetTableName("kt_none");
  EXPECT_TRUE(db_.Hstmt1.Allocated());
  db_.Connector.Disconnect();
  EXPECT_FALSE(db_.Connector.Connected());
  EXPECT_TRUE(db_.Connector.Allocated());
  EXPECT_FALSE(db_.Hstmt1.Allocated());
  EXPECT_TRUE(db_.Connector.Statements().empty());
  // A statement on a closed connection connects it again.
  Exec("SELECT 1");
  EXPECT_TRUE(db_.Connector.Connected());
  db_.Connector.Terminate();
  EXPECT_FALSE(db_.Connector.Allocated());
  EXPECT_FALSE(DbEnvironment::Get().IsRegistered(&db_.Connector));
  db_.Connector.Connect();
  EXPECT_TRUE(db_.Connector.Connected());
}

// Without a login the connection is the data source's own account (its
// User=, UID= or Username= in odbc.ini), by SQLConnect as by SQLDriverConnect;
// SQLite has none. The account is read by a statement the run would send.
TEST_P(DbLayer, ConnectsAsTheDataSourcesAccount) {
  std::string account;
  for (const char* key : {"User", "UID", "Username"}) {
    char value[256] = {};
    if (SQLGetPrivateProfileString(dsn_.c_str(), key, "", value, sizeof value, "odbc.ini") > 0)
      account = value;
  }
  const char* current = IsMariaDb() ? "CURRENT_USER()" : IsPostgres() ? "current_user" : "''";
  if (!IsMariaDb() && !IsPostgres()) account.clear();
  ASSERT_NE(account.empty(), IsMariaDb() || IsPostgres());
  Drop("kt_who");
  Exec("CREATE TABLE kt_who (prompt INTEGER, who VARCHAR(200))");
  for (uint16_t prompt : {kDriverNoPrompt, kDriverComplete}) {
    db_.Connector.Disconnect();
    db_.Connector.InfoPrompt = prompt;
    db_.ExecuteStatement("INSERT INTO kt_who (prompt, who) SELECT " + std::to_string(prompt) +
                         ", " + current);
  }
  DbStatement st(db_.Connector);
  st.SetSQL("SELECT who FROM kt_who ORDER BY prompt");
  st.Execute();
  int rows = 0;
  for (; st.FetchNext(); ++rows) {
    // MariaDB names the account with its host.
    const std::string who = st.ColumnText(1);
    EXPECT_EQ(who.substr(0, who.find('@')), account) << "prompt " << rows;
  }
  EXPECT_EQ(rows, 2);
  st.Terminate();
  Drop("kt_who");
}

// The drivers write no log of this process into the temporary folder.
TEST_P(DbLayer, LeavesNoDriverLogBehind) {
  Exec("SELECT 1");
  db_.Connector.Terminate();
  const std::string pid = std::to_string(getpid());
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::temp_directory_path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_FALSE(name.find("db_tests") != std::string::npos && name.find(pid) != std::string::npos)
        << entry.path();
  }
}

TEST_P(DbLayer, DriverConnectWithCompletion) {
  db_.Connector.Disconnect();
  db_.Connector.InfoPrompt = kDriverComplete;
  db_.Connector.Connect();
  EXPECT_TRUE(db_.Connector.Connected());
  Exec("SELECT 1");
}

KESTROVE_INSTANTIATE_DRIVERS(DbLayer);

}  // namespace
}  // namespace kestrove

// kestrove-run against real data sources: the shop example filled on SQLite
// and PostgreSQL, database lookups that keep the links between its tables,
// and lookup errors reported the way the error dialog shows them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>
#include <tuple>

#include "catalogue/profile_file.h"
#include "db/db_test_support.h"
#include "db/music_shop.h"
#include "lookup/list_file.h"
#include "lookup/lookup_lists.h"
#include "tool_runner.h"

namespace kestrove {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadWhole;
using testing_support::RunTool;
using testing_support::SchemaStatements;
using testing_support::SourceDir;

constexpr const char* kLookupFailed = "Cannot obtain Database Lookup using these parameters.";

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class KestroveRunDb : public testing::ScratchDriverTest {
 protected:
  int64_t Scalar(const std::string& sql) {
    DbStatement st(db_.Connector);
    st.SetSQL(sql);
    st.Execute();
    int64_t n = -1;
    EXPECT_TRUE(st.FetchNext()) << sql;
    EXPECT_TRUE(st.ColumnInt64(1, &n)) << sql;
    return n;
  }

  // A one-table profile with fields f0, f1, ... given as (code, param1, param2).
  std::string Profile(const std::string& table,
                      const std::vector<testing_support::FieldChoice>& fields, int64_t records) {
    const std::string path = (dir_ / (table + ".prf")).string();
    testing_support::WriteOneTableProfile(path, table, fields, records);
    return path;
  }

  // A folder with the shipped list files, less `leave_out`, and user lists
  // 1 and 2 holding one entry each.
  std::string ListsDir(const std::string& leave_out, const std::string& user1 = "a",
                       const std::string& user2 = "b") {
    const fs::path lists = dir_ / "lists";
    fs::create_directories(lists);
    for (const char* name : kLookupFileNames)
      if (name != leave_out) fs::copy_file(testing_support::BinDir() + "/" + name, lists / name);
    LookupLists store;
    const std::pair<int, std::string> users[] = {{kUser1List, user1}, {kUser1List + 1, user2}};
    for (const auto& [id, value] : users) {
      TdxMemData& list = store.List(id);
      list.Append();
      list.SetFieldText(0, value);
      list.Post();
      SaveListFile(list, (lists / kLookupFileNames[id]).string());
    }
    return lists.string();
  }

  // The text of column 1 of each row of a query.
  std::vector<std::string> Texts(const std::string& sql) {
    DbStatement st(db_.Connector);
    st.SetSQL(sql);
    st.Execute();
    std::vector<std::string> texts;
    while (st.FetchNext()) texts.push_back(st.ColumnText(1));
    return texts;
  }
};

TEST_P(KestroveRunDb, FillsTheShopWithLinkedRows) {
  for (const char* table : {"sale_line", "sale", "supplier", "product", "customer"}) Drop(table);
  const std::string schema = SourceDir() + "/examples/shop.sql";
  const auto statements = SchemaStatements(schema);
  ASSERT_EQ(statements.size(), 5u);
  for (const std::string& statement : statements) Exec(statement);

  const auto r = RunTool("kestrove-run", {"--profile", SourceDir() + "/examples/shop.prf", "--dsn",
                                          dsn_, "--seed", "42", "--today", "2026/12/09"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Occurrences(r.err, kLookupFailed), 0u) << r.err;
  EXPECT_NE(r.err.find("completed: 5 tables, 1680 records, 1685 statements"), std::string::npos)
      << r.err;

  const std::pair<const char*, int64_t> counts[] = {
      {"customer", 200}, {"product", 50}, {"sale", 400}, {"sale_line", 1000}, {"supplier", 30}};
  for (const auto& [table, n] : counts)
    EXPECT_EQ(Scalar(std::string("SELECT Count(*) FROM ") + table), n) << table;
  // Every link names an existing row.
  EXPECT_EQ(Scalar("SELECT Count(*) FROM sale WHERE customer_id IS NULL OR customer_id NOT IN "
                   "(SELECT id FROM customer)"),
            0);
  EXPECT_EQ(Scalar("SELECT Count(*) FROM sale_line WHERE sale_id NOT IN (SELECT id FROM sale) "
                   "OR product_id NOT IN (SELECT id FROM product) OR product_code NOT IN "
                   "(SELECT code FROM product)"),
            0);
  // The lookups picked more than one parent.
  EXPECT_GT(Scalar("SELECT Count(DISTINCT customer_id) FROM sale"), 50);
  for (const char* table : {"sale_line", "sale", "supplier", "product", "customer"}) Drop(table);
}

TEST_P(KestroveRunDb, LookupOnMissingTableIsReportedAndTheRunGoesOn) {
  Drop("kt_run_missing");
  Drop("kt_run_lookup");
  Exec("CREATE TABLE kt_run_lookup (f0 VARCHAR(10))");
  const auto r = RunTool(
      "kestrove-run", {"--profile", Profile("kt_run_lookup", {{14, "name", "kt_run_missing"}}, 3),
                       "--dsn", dsn_, "--seed", "1"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  // Once per record: the dialog's text, then each record of the error with
  // its SQLSTATE and native error.
  EXPECT_EQ(Occurrences(r.err, std::string(kLookupFailed) + "\n  ODBC Error "), 3u) << r.err;
  EXPECT_EQ(Occurrences(r.err, ", Database Error "), Occurrences(r.err, "  ODBC Error "));
  if (IsPostgres()) {
    EXPECT_NE(r.err.find("ODBC Error 42P01"), std::string::npos) << r.err;
  }
  EXPECT_NE(r.err.find("kt_run_missing"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("completed: 1 tables, 3 records, 3 statements"), std::string::npos) << r.err;
  // Empty text went in for every record.
  EXPECT_EQ(Scalar("SELECT Count(*) FROM kt_run_lookup WHERE f0 = '' OR f0 IS NULL"), 3);
  Drop("kt_run_lookup");
}

TEST_P(KestroveRunDb, RunEndingErrorGivesItsMessageAndTheStatementCount) {
  Drop("kt_run_missing");
  Drop("kt_run_end");
  Exec("CREATE TABLE kt_run_end (f0 INTEGER, f1 INTEGER)");
  Exec("INSERT INTO kt_run_end VALUES (7, 7)");
  // f0 counts; f1 looks a whole number up in a missing table, which leaves
  // nothing between the commas of the Insert: the data source refuses it.
  const auto r = RunTool(
      "kestrove-run",
      {"--profile", Profile("kt_run_end", {{206, "", ""}, {207, "id", "kt_run_missing"}}, 3),
       "--dsn", dsn_, "--seed", "1"});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_EQ(Occurrences(r.err, kLookupFailed), 1u) << r.err;
  EXPECT_NE(r.err.find("kestrove-run: 0 statements had been executed"), std::string::npos) << r.err;
  // Where: the table and the record, and the statement refused on the line
  // after the message.
  EXPECT_NE(r.err.find("kestrove-run: table kt_run_end, record 1: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("\nInsert into kt_run_end (f0,f1) Values (1,);\nkestrove-run: 0 statements"),
            std::string::npos)
      << r.err;
  // A driver's message over several lines keeps its line breaks.
  if (IsPostgres()) {
    EXPECT_NE(r.err.find(";\nError while executing the query"), std::string::npos) << r.err;
  }
  EXPECT_NE(r.err.find("ended by an error"), std::string::npos) << r.err;
  // The driver's message comes before the count, on a line of its own.
  const size_t count_at = r.err.find("kestrove-run: 0 statements");
  const size_t last_record = r.err.rfind("  ODBC Error ", count_at);
  ASSERT_NE(last_record, std::string::npos);
  const size_t message_at = r.err.find('\n', last_record) + 1;
  EXPECT_LT(message_at, count_at);
  EXPECT_EQ(Scalar("SELECT Count(*) FROM kt_run_end"), 1);
  Drop("kt_run_end");
}

// A run that would draw a street address while the street list could not be
// loaded ends before its first statement: the table's rows are not deleted.
TEST_P(KestroveRunDb, ClosedStreetListEndsTheRunBeforeTheDelete) {
  Drop("kt_run_street");
  Exec("CREATE TABLE kt_run_street (f0 INTEGER, f1 VARCHAR(60))");
  Exec("INSERT INTO kt_run_street VALUES (1, 'kept')");
  auto state = ProfileState::Create();
  state->ClearProfile();
  state->Tables[0].TableName = "kt_run_street";
  state->Tables[0].RecordCount = 3;
  state->Tables[0].DeleteExisting = 1;
  state->Tables[0].Fields[0] = {"f0", 1, "", "", 0, 206, 0};
  state->Tables[0].Fields[1] = {"f1", 1, "", "", 0, 92, 0};
  const std::string profile = (dir_ / "street.prf").string();
  SaveProfileFile(*state, 0, profile);
  const std::string lists = ListsDir("strdata.bin");
  const auto r = RunTool(
      "kestrove-run", {"--profile", profile, "--dsn", dsn_, "--lists-dir", lists, "--seed", "1"});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_NE(r.err.find("kestrove-run: warning: list StreetTable (streets) not loaded from '" +
                       lists + "/strdata.bin': No such file or directory\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("kestrove-run: StreetTable: Cannot perform this operation on a closed "
                       "dataset.\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("kestrove-run: 0 statements had been executed"), std::string::npos) << r.err;
  EXPECT_EQ(Texts("SELECT f1 FROM kt_run_street"), std::vector<std::string>{"kept"});
  Drop("kt_run_street");
}

// The key = value lines of a data source's section of the odbc.ini in use.
std::map<std::string, std::string> DataSourceKeys(const std::string& dsn) {
  const char* ini = std::getenv("ODBCINI");
  std::ifstream in(ini ? ini : "");
  std::map<std::string, std::string> keys;
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] == '[') {
      inside = line == "[" + dsn + "]";
    } else if (const size_t eq = line.find('='); inside && eq != std::string::npos) {
      keys[line.substr(0, eq)] = line.substr(eq + 1);
    }
  }
  return keys;
}

// The dry run's output of the person example, fed as it is to each
// database's own client, fills the table.
TEST_P(KestroveRunDb, DryRunOutputRunsInTheDatabasesClient) {
  using Keys = std::map<std::string, std::string>;
  const std::map<std::string, std::string (*)(Keys&)> clients = {
      {"Sqlite", [](Keys& k) { return "sqlite3 -bail '" + k["Database"] + "'"; }},
      {"Postgres",
       [](Keys& k) {
         return "psql -X -q -v ON_ERROR_STOP=1 -h '" + k["Servername"] + "' -p " + k["Port"] +
                " -U " + k["Username"] + " -d " + k["Database"] + " -f -";
       }},
      {"MariaDb",
       [](Keys& k) {
         return "mariadb --no-defaults --socket='" + k["Socket"] + "' -u " + k["User"] +
                " --password='" + k["Password"] + "' -D " + k["Database"];
       }},
  };
  Drop("person");
  for (const std::string& s : SchemaStatements(SourceDir() + "/examples/person.sql")) Exec(s);
  Exec("Insert into person (id) Values (1)");  // the profile deletes what is there
  const std::string sql = (dir_ / "p.sql").string();
  const auto r = RunTool("kestrove-run", {"--profile", SourceDir() + "/examples/person.prf",
                                          "--seed", "3", "--sql-out", sql});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  Keys keys = DataSourceKeys(dsn_);
  const std::string command =
      clients.at(GetParam().name)(keys) + " < '" + sql + "' > '" + sql + ".log' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << command << "\n" << ReadWhole(sql + ".log");
  EXPECT_EQ(CountRows("person"), 1000);
  Drop("person");
}

KESTROVE_INSTANTIATE_DRIVERS(KestroveRunDb);

// The opt-in modes of the runner on every driver: batched commits, several
// records to an Insert, and lookups kept in memory, each against what the
// window's one statement per record stores and sends.
class KestroveRunBatched : public KestroveRunDb {
 protected:
  static constexpr const char* kShopTables[] = {"sale_line", "sale", "supplier", "product",
                                                "customer"};

  void CreateShop() {
    for (const char* table : kShopTables) Drop(table);
    for (const std::string& statement : SchemaStatements(SourceDir() + "/examples/shop.sql"))
      Exec(statement);
  }

  // Every row of a table, ordered by its first column, each column as text.
  std::string Dump(const std::string& table) {
    DbStatement st(db_.Connector);
    st.SetSQL("SELECT * FROM " + table + " ORDER BY 1");
    st.Execute();
    std::string text;
    while (st.FetchNext()) {
      for (int c = 1; c <= st.ColumnCount(); ++c) text += st.ColumnText(c) + "|";
      text += "\n";
    }
    return text;
  }

  std::vector<std::string> Args(const std::string& profile, std::vector<std::string> options = {}) {
    std::vector<std::string> args = {"--profile", profile, "--dsn",   dsn_,
                                     "--seed",    "42",    "--today", "2026/12/09"};
    args.insert(args.end(), options.begin(), options.end());
    return args;
  }
};

TEST_P(KestroveRunBatched, BatchedRunsStoreTheRowsOfTheOneRecordRun) {
  const std::string shop = SourceDir() + "/examples/shop.prf";
  CreateShop();
  const auto one = RunTool("kestrove-run", Args(shop));
  ASSERT_EQ(one.exit_code, 0) << one.err;
  std::map<std::string, std::string> expected;
  for (const char* table : kShopTables) expected[table] = Dump(table);

  const std::vector<std::vector<std::string>> modes = {
      {"--commit-every", "7"},
      {"--rows-per-insert", "13"},
      {"--commit-every", "3", "--rows-per-insert", "100"},
  };
  for (const auto& mode : modes) {
    SCOPED_TRACE(::testing::PrintToString(mode));
    CreateShop();
    const auto r = RunTool("kestrove-run", Args(shop, mode));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const bool commits = mode[0] == "--commit-every";
    EXPECT_NE(r.err.find("completed: 5 tables, 1680 records, "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("1680 rows committed") != std::string::npos, commits) << r.err;
    for (const char* table : kShopTables) EXPECT_EQ(Dump(table), expected[table]) << table;
  }
  for (const char* table : kShopTables) Drop(table);
}

TEST_P(KestroveRunBatched, ErrorInABatchRollsBackTheOpenTransactionOnly) {
  Drop("kt_run_tx");
  Exec("CREATE TABLE kt_run_tx (f0 INTEGER PRIMARY KEY)");
  Exec("INSERT INTO kt_run_tx VALUES (23)");
  // Statements of 5 records, committed 3 at a time: records 1 to 15 are
  // committed, 16 to 20 go in, and the statement of 21 to 25 meets the
  // row that is already there.
  const auto r = RunTool("kestrove-run", Args(Profile("kt_run_tx", {{206, "", ""}}, 40),
                                              {"--commit-every", "3", "--rows-per-insert", "5"}));
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_NE(r.err.find("\nInsert into kt_run_tx (f0) Values (21),(22),(23),(24),(25);\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("kestrove-run: 15 rows had been committed and stay; the open "
                       "transaction of 1 statements was rolled back\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("ended by an error: 1 tables, 25 records, 4 statements, 15 rows committed"),
            std::string::npos)
      << r.err;
  // A duplicate key is not a refusal of the statement's form.
  EXPECT_EQ(r.err.find("several value lists"), std::string::npos) << r.err;
  EXPECT_EQ(Scalar("SELECT Count(*) FROM kt_run_tx"), 16);
  EXPECT_EQ(Scalar("SELECT Max(f0) FROM kt_run_tx WHERE f0 <> 23"), 15);
  Drop("kt_run_tx");
}

TEST_P(KestroveRunBatched, StopCommitsUpToTheRecordUnderWay) {
  Drop("kt_run_stop");
  Exec("CREATE TABLE kt_run_stop (f0 INTEGER, f1 VARCHAR(20))");
  const std::string profile =
      Profile("kt_run_stop", {{206, "", ""}, {1, "!!~~~~", ""}}, 2000000000);
  const std::string log = (dir_ / "sent.sql").string();
  const std::string err = (dir_ / "err.txt").string();
  // No commit comes before the stop's.
  const pid_t pid = testing_support::StartTool("kestrove-run",
                                               {"--profile", profile, "--dsn", dsn_, "--sql-out",
                                                log, "--seed", "1", "--commit-every", "100000000"},
                                               err);
  ASSERT_GE(pid, 0);
  auto lines = [&] {
    const std::string text = ReadWhole(log);
    return std::count(text.begin(), text.end(), '\n');
  };
  for (int i = 0; i < 500 && lines() < 100; ++i) usleep(10000);
  kill(pid, SIGINT);
  int status = 0;
  waitpid(pid, &status, 0);
  const std::string text = ReadWhole(err);
  ASSERT_TRUE(WIFEXITED(status)) << text;
  EXPECT_EQ(WEXITSTATUS(status), 130) << text;
  const std::string sent = ReadWhole(log);
  const int64_t statements = std::count(sent.begin(), sent.end(), '\n');
  EXPECT_GE(statements, 100);
  // Every record sent is committed: the one under way finished before the
  // commit.
  EXPECT_EQ(Scalar("SELECT Count(*) FROM kt_run_stop"), statements);
  EXPECT_NE(text.find(", " + std::to_string(statements) + " rows committed, "), std::string::npos)
      << text;
  EXPECT_NE(text.find("stopped: 1 tables"), std::string::npos) << text;
  Drop("kt_run_stop");
}

// Lookups kept in memory send the statements of lookups that read the table
// for every value: the shop's links between tables, and a table that looks
// itself up (each employee's manager is an employee inserted before).
TEST_P(KestroveRunBatched, CachedLookupsSendTheStatementsOfUncachedOnes) {
  const std::string shop = SourceDir() + "/examples/shop.prf";
  const std::string staff =
      Profile("kt_run_staff",
              {{206, "", ""}, {207, "f0", "kt_run_staff"}, {14, "f0", "kt_run_staff"}}, 300);
  auto run = [&](bool cached) {
    CreateShop();
    Drop("kt_run_staff");
    Exec("CREATE TABLE kt_run_staff (f0 INTEGER, f1 INTEGER, f2 VARCHAR(20))");
    Exec("INSERT INTO kt_run_staff VALUES (0, 0, '0')");
    std::string sent;
    for (const std::string& profile : {shop, staff}) {
      const std::string log = (dir_ / (cached ? "cached.sql" : "uncached.sql")).string();
      const auto r = RunTool(
          "kestrove-run",
          Args(profile, cached ? std::vector<std::string>{"--sql-out", log, "--cache-lookups"}
                               : std::vector<std::string>{"--sql-out", log}));
      EXPECT_EQ(r.exit_code, 0) << r.err;
      EXPECT_EQ(Occurrences(r.err, kLookupFailed), 0u) << r.err;
      sent += ReadWhole(log);
    }
    return sent;
  };
  const std::string uncached = run(false);
  // The managers are spread over the rows inserted so far.
  EXPECT_GT(Scalar("SELECT Count(DISTINCT f1) FROM kt_run_staff"), 50);
  EXPECT_EQ(Scalar("SELECT Count(*) FROM kt_run_staff WHERE f1 >= f0 AND f0 > 0"), 0);
  const std::string cached = run(true);
  EXPECT_EQ(cached.size(), uncached.size());
  EXPECT_TRUE(cached == uncached);
  for (const char* table : kShopTables) Drop(table);
  Drop("kt_run_staff");
}

KESTROVE_INSTANTIATE_DRIVERS(KestroveRunBatched);

// List data that ends in a backslash, next to list data that reads as SQL:
// on a server that reads backslashes in literals as escapes (MariaDB, and
// PostgreSQL with standard_conforming_strings off) the backslash is doubled,
// so both values are stored exactly as written and no statement is injected.
class KestroveRunBackslash : public KestroveRunDb {};

TEST_P(KestroveRunBackslash, HostileListDataStaysOneLiteral) {
  const std::string backslashed = "x\\", injected = ",1);DROP TABLE kt_v;--";
  Drop("kt_run_bs");
  Drop("kt_v");
  Exec("CREATE TABLE kt_v (id INTEGER)");
  Exec("CREATE TABLE kt_run_bs (f0 VARCHAR(40), f1 VARCHAR(40))");
  const std::string log = (dir_ / "sent.sql").string();
  const auto r =
      RunTool("kestrove-run", {"--profile", Profile("kt_run_bs", {{8, "", ""}, {9, "", ""}}, 2),
                               "--dsn", dsn_, "--lists-dir", ListsDir("", backslashed, injected),
                               "--sql-out", log, "--seed", "1"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(Scalar("SELECT Count(*) FROM kt_v"), 0);  // still there
  EXPECT_EQ(Texts("SELECT f0 FROM kt_run_bs"), std::vector<std::string>(2, backslashed));
  EXPECT_EQ(Texts("SELECT f1 FROM kt_run_bs"), std::vector<std::string>(2, injected));
  // The log holds what was sent: the doubled backslash only where the server
  // escapes.
  const bool escapes = IsMariaDb() || std::string(GetParam().name) == "PgEscapes";
  EXPECT_NE(ReadWhole(log).find(std::string("('") + (escapes ? "x\\\\" : "x\\") + "',"),
            std::string::npos)
      << ReadWhole(log);
  EXPECT_EQ(db_.Connector.BackslashEscapes(), escapes);
  Drop("kt_run_bs");
  Drop("kt_v");
}

INSTANTIATE_TEST_SUITE_P(Drivers, KestroveRunBackslash,
                         ::testing::Values(testing::Driver{"Sqlite", "KESTROVE_SQLITE_DSN"},
                                           testing::Driver{"Postgres", "KESTROVE_PG_DSN"},
                                           testing::Driver{"PgEscapes", "KESTROVE_PG_ESCAPES_DSN"},
                                           testing::Driver{"MariaDb", "KESTROVE_MARIADB_DSN"}),
                         testing::DriverName);

// A stop while a statement waits for a lock that another session holds: the
// statement is cancelled (or, where the driver cannot cancel a lock wait,
// as sqliteodbc cannot, the program ends at once), within two seconds of
// the signal, with the rows made before kept and the log whole.
class KestroveRunCancel : public KestroveRunDb {};

TEST_P(KestroveRunCancel, StopWhileWaitingForALockComesWithinTwoSeconds) {
  const bool sqlite = std::string(GetParam().name) == "Sqlite";
  std::string dsn = dsn_;
  std::string ini;
  const std::string file = (dir_ / "locked.sqlite").string();
  if (sqlite) {
    // A data source of its own, with no Timeout: sqliteodbc then waits up to
    // 100 seconds for a lock.
    ini = (dir_ / "odbc.ini").string();
    std::ofstream(ini) << "[KestroveLocked]\nDriver=SQLite3\nDatabase=" << file << "\n";
    dsn = "KestroveLocked";
    std::FILE* create =
        popen(("sqlite3 '" + file + "' 'CREATE TABLE kt_cancel (f0 INTEGER)'").c_str(), "r");
    ASSERT_NE(create, nullptr);
    ASSERT_EQ(pclose(create), 0);
  } else {
    Drop("kt_cancel");
    Exec("CREATE TABLE kt_cancel (f0 INTEGER)");
  }
  const std::string log = (dir_ / "sent.sql").string();
  const std::string profile = Profile("kt_cancel", {{206, "", ""}}, 2000000000);
  const pid_t pid = testing_support::StartTool(
      "kestrove-run", {"--profile", profile, "--dsn", dsn, "--sql-out", log, "--seed", "1"},
      (dir_ / "err.txt").string(), ini);
  ASSERT_GE(pid, 0);
  // Once rows are going in, another session takes a lock the next Insert
  // has to wait for.
  usleep(500000);
  int locker = -1;
  if (sqlite) {
    // A reader's lock on the file, as SQLite takes it (a read lock on the
    // bytes past its pending byte): the writer cannot commit past it. The
    // kernel grants it between two of the run's commits; a reader that
    // polls, as the sqlite3 shell does, may never find that gap.
    locker = open(file.c_str(), O_RDWR);
    ASSERT_GE(locker, 0);
    struct flock shared = {};
    shared.l_type = F_RDLCK;
    shared.l_whence = SEEK_SET;
    shared.l_start = 0x40000002;
    shared.l_len = 510;
    ASSERT_EQ(fcntl(locker, F_SETLKW, &shared), 0);
  } else {
    // In a transaction of the test's own, held until it commits.
    SQLSetConnectAttr(db_.Connector.Handle(), SQL_ATTR_AUTOCOMMIT,
                      reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
    Exec("LOCK TABLE kt_cancel IN ACCESS EXCLUSIVE MODE");
  }
  usleep(500000);  // the run is waiting in the driver by now
  const auto signalled = std::chrono::steady_clock::now();
  kill(pid, SIGINT);
  int status = 0;
  waitpid(pid, &status, 0);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - signalled).count();
  if (sqlite) {
    close(locker);  // and with it the lock
  } else {
    SQLEndTran(SQL_HANDLE_DBC, db_.Connector.Handle(), SQL_COMMIT);
    SQLSetConnectAttr(db_.Connector.Handle(), SQL_ATTR_AUTOCOMMIT,
                      reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
  }
  const std::string err = ReadWhole((dir_ / "err.txt").string());
  ASSERT_TRUE(WIFEXITED(status)) << err;
  EXPECT_EQ(WEXITSTATUS(status), 130) << err;
  EXPECT_LT(seconds, 2.0) << err;
  // Every statement sent is in the log, whole; the rows before the one that
  // waited are kept.
  const std::string text = ReadWhole(log);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  const int64_t sent = std::count(text.begin(), text.end(), '\n');
  EXPECT_GT(sent, 1);
  int64_t rows = 0;
  if (sqlite) {
    std::FILE* count =
        popen(("sqlite3 '" + file + "' 'SELECT Count(*) FROM kt_cancel'").c_str(), "r");
    ASSERT_NE(count, nullptr);
    char buffer[64] = {};
    ASSERT_NE(std::fgets(buffer, sizeof buffer, count), nullptr);
    pclose(count);
    rows = std::atoll(buffer);
  } else {
    rows = Scalar("SELECT Count(*) FROM kt_cancel");
    Drop("kt_cancel");
  }
  EXPECT_EQ(rows, sent - 1);  // all but the one that waited
}

INSTANTIATE_TEST_SUITE_P(Drivers, KestroveRunCancel,
                         ::testing::Values(testing::Driver{"Sqlite", "KESTROVE_SQLITE_DSN"},
                                           testing::Driver{"Postgres", "KESTROVE_PG_DSN"}),
                         testing::DriverName);

// The music shop filled in one run, parents first, with Database Lookups for
// its keys, on data sources that enforce them (SQLite through a DSN with
// FKSupport). The profile lists the tables as the data source does, by
// name, so album comes before the artist and label it refers to.
class KestroveRunOrder : public KestroveRunDb {
 protected:
  struct Field {
    const char* column;
    int32_t base;
    std::string param1, param2;
    int32_t item = 0;
  };
  struct Table {
    const char* name;
    int64_t records;
    std::vector<Field> fields;  // in column order; a null column is not generated
  };

  std::string WriteProfile(const std::vector<Table>& tables, bool delete_existing) {
    auto state = ProfileState::Create();
    state->ClearProfile();
    for (size_t slot = 0; slot < tables.size(); ++slot) {
      TTableStruct& table = state->Tables[slot];
      table.TableName = tables[slot].name;
      table.RecordCount = tables[slot].records;
      table.DeleteExisting = delete_existing ? 1 : 0;
      for (size_t i = 0; i < tables[slot].fields.size(); ++i) {
        const Field& f = tables[slot].fields[i];
        if (!f.column) continue;
        table.Fields[i] = {f.column, 1, f.param1, f.param2, f.item, f.base, 0};
      }
    }
    const std::string path = (dir_ / "tables.prf").string();
    SaveProfileFile(*state, static_cast<int32_t>(tables.size()), path);
    return path;
  }

  testing_support::ToolResult Run(const std::string& profile, bool parents_first) {
    std::vector<std::string> args = {"--profile", profile, "--dsn",          dsn_,
                                     "--seed",    "12",    "--today",        "2026/12/09",
                                     "--sql-out", Log(),   "--cache-lookups"};
    // Said either way: the draft's [run] asks for parents first.
    args.insert(args.end(), {"--order", parents_first ? "parents-first" : "slots"});
    return RunTool("kestrove-run", args);
  }
  std::string Log() const { return (dir_ / "sent.sql").string(); }

  // Each table of the music shop holds `each` rows, and every key names a
  // row.
  void ExpectFilledAndLinked(int64_t each) {
    for (const char* table : {"album", "artist", "client", "employee", "genre", "invoice",
                              "invoice_line", "label", "playlist", "playlist_track", "track"})
      EXPECT_EQ(Scalar(std::string("SELECT Count(*) FROM ") + table), each) << table;
    const char* const keys[][4] = {
        {"album", "artist_id", "artist", "artist_id"},
        {"album", "label_id", "label", "label_id"},
        {"client", "support_rep_id", "employee", "employee_id"},
        {"employee", "reports_to", "employee", "employee_id"},
        {"invoice", "client_id", "client", "client_id"},
        {"invoice_line", "invoice_id", "invoice", "invoice_id"},
        {"invoice_line", "track_id", "track", "track_id"},
        {"playlist_track", "playlist_id", "playlist", "playlist_id"},
        {"playlist_track", "track_id", "track", "track_id"},
        {"track", "album_id", "album", "album_id"},
        {"track", "genre_id", "genre", "genre_id"},
    };
    for (const auto& [child, column, parent, parent_column] : keys) {
      const std::string c = std::string("c.") + column, p = std::string("p.") + parent_column;
      EXPECT_EQ(
          Scalar(std::string("SELECT Count(*) FROM ") + child + " c LEFT JOIN " + parent +
                 " p ON " + c + " = " + p + " WHERE " + c + " IS NOT NULL AND " + p + " IS NULL"),
          0)
          << child << "." << column;
    }
  }
};

// From an empty music shop to every table filled in three steps: the draft,
// the edits it asks for, and one run. In slot order the same profile fails,
// as children sort before their parents; with every delete flag set, the
// rows already there go first, children before the parents they name.
TEST_P(KestroveRunOrder, FillsEveryTableFromTheDraftInOneRun) {
  testing::CreateMusicShop([&](const std::string& sql) { Exec(sql); }, IsPostgres());
  const std::string toml = (dir_ / "music.toml").string();
  const auto drafted = RunTool("kestrove-profile", {"draft", "--dsn", dsn_, "-o", toml});
  ASSERT_EQ(drafted.exit_code, 0) << drafted.err;
  std::string text = ReadWhole(toml);
  auto edit = [&](const std::string& from, const std::string& to, size_t after = 0) {
    const size_t at = text.find(from, after);
    ASSERT_NE(at, std::string::npos) << from << "\n" << text;
    text.replace(at, from.size(), to);
  };
  // A playlist holds a track once: its tracks are counted, 1 to 10.
  edit(
      R"({ name = "track_id", class = "integer", choice = "Database Lookup", "Field Name" = "track_id", TableName = "track" },)",
      R"({ name = "track_id", class = "integer", choice = "Counter" },)",
      text.find("name = \"playlist_track\""));
  std::ofstream(toml, std::ios::binary) << text;

  const auto slots = Run(toml, false);
  EXPECT_EQ(slots.exit_code, 1) << slots.err;
  // In slot order album comes before the artists it looks up: the run says
  // so before it sends anything.
  EXPECT_NE(slots.err.find("kestrove-run: table album, field artist_id: the Database Lookup of "
                           "artist.artist_id has no row to take its value from"),
            std::string::npos)
      << slots.err;
  EXPECT_NE(slots.err.find(" 0 statements"), std::string::npos) << slots.err;

  testing::CreateMusicShop([&](const std::string& sql) { Exec(sql); }, IsPostgres());
  const auto r = Run(toml, true);
  ASSERT_EQ(r.exit_code, 0) << r.err << text;
  EXPECT_EQ(Occurrences(r.err, kLookupFailed), 0u) << r.err;
  EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("completed: 11 tables, 110 records, 110 statements"), std::string::npos)
      << r.err;
  ExpectFilledAndLinked(10);
  EXPECT_GT(Scalar("SELECT Count(DISTINCT artist_id) FROM album"), 1);
  // The tables went in parents first, ties in slot order.
  std::vector<std::string> order;
  const std::string sent = ReadWhole(Log());
  for (size_t at = sent.find("Insert into "); at != std::string::npos;
       at = sent.find("\nInsert into ", at + 1)) {
    const size_t name = sent.find("Insert into ", at) + 12;
    const std::string table = sent.substr(name, sent.find(' ', name) - name);
    if (order.empty() || order.back() != table) order.push_back(table);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"artist", "employee", "client", "genre", "invoice",
                                             "label", "album", "playlist", "track", "invoice_line",
                                             "playlist_track"}));

  for (size_t at = text.find("delete = false"); at != std::string::npos;
       at = text.find("delete = false", at))
    text.replace(at, 14, "delete = true");
  std::ofstream(toml, std::ios::binary | std::ios::trunc) << text;
  const auto again = Run(toml, true);
  ASSERT_EQ(again.exit_code, 0) << again.err;
  EXPECT_NE(again.err.find("completed: 11 tables, 110 records, 121 statements"), std::string::npos)
      << again.err;
  const std::string resent = ReadWhole(Log());
  EXPECT_EQ(resent.substr(0, resent.find("\nInsert into ")),
            "Delete from playlist_track\nDelete from invoice_line\nDelete from track\n"
            "Delete from playlist\nDelete from album\nDelete from label\nDelete from invoice\n"
            "Delete from genre\nDelete from client\nDelete from employee\nDelete from artist");
  ExpectFilledAndLinked(10);
  testing::DropMusicShop([&](const std::string& sql) { Exec(sql); });
}

// A cycle of keys is named in a warning, and its tables run in slot order
// once the table they refer to outside it is filled.
TEST_P(KestroveRunOrder, CycleIsNamedAndRunsInSlotOrder) {
  auto drop = [&] {
    if (IsPostgres())
      Exec("DROP TABLE IF EXISTS kt_ord_a, kt_ord_b, kt_ord_c CASCADE");
    else
      for (const char* table : {"kt_ord_b", "kt_ord_a", "kt_ord_c"}) Drop(table);
  };
  drop();
  Exec("CREATE TABLE kt_ord_c (id INTEGER PRIMARY KEY)");
  // SQLite adds no key to a table once it is made, and takes one to a
  // table that is not there yet.
  Exec(std::string("CREATE TABLE kt_ord_a (id INTEGER PRIMARY KEY, c_id INTEGER REFERENCES "
                   "kt_ord_c (id), b_id INTEGER") +
       (IsPostgres() ? ")" : " REFERENCES kt_ord_b (id))"));
  Exec("CREATE TABLE kt_ord_b (id INTEGER PRIMARY KEY, a_id INTEGER REFERENCES kt_ord_a (id))");
  if (IsPostgres()) Exec("ALTER TABLE kt_ord_a ADD FOREIGN KEY (b_id) REFERENCES kt_ord_b (id)");
  const std::vector<Table> tables = {{"kt_ord_a", 2, {{"id", 206, "1", ""}}},
                                     {"kt_ord_b", 2, {{"id", 206, "1", ""}}},
                                     {"kt_ord_c", 2, {{"id", 206, "1", ""}}}};
  const auto r = Run(WriteProfile(tables, true), true);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.err.find("kestrove-run: warning: the foreign keys of tables kt_ord_a and kt_ord_b "
                       "form a cycle: those tables run in slot order\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(ReadWhole(Log()),
            "Delete from kt_ord_b\nDelete from kt_ord_a\nDelete from kt_ord_c\n"
            "Insert into kt_ord_c (id) Values (1);\nInsert into kt_ord_c (id) Values (2);\n"
            "Insert into kt_ord_a (id) Values (1);\nInsert into kt_ord_a (id) Values (2);\n"
            "Insert into kt_ord_b (id) Values (1);\nInsert into kt_ord_b (id) Values (2);\n");
  EXPECT_NE(r.err.find("completed: 3 tables, 6 records, 9 statements"), std::string::npos) << r.err;
  drop();
}

INSTANTIATE_TEST_SUITE_P(Drivers, KestroveRunOrder,
                         ::testing::Values(testing::Driver{"Sqlite", "KESTROVE_SQLITE_FK_DSN"},
                                           testing::Driver{"Postgres", "KESTROVE_PG_DSN"}),
                         testing::DriverName);

// A server connection lost in the middle of a run: the run ends with the
// driver's message and the statement count, without a crash, and the next
// run connects afresh. Only a server connection can be lost.
class KestroveRunLostConnection : public KestroveRunDb {};

TEST_P(KestroveRunLostConnection, EndsTheRunAndTheNextRunConnectsAfresh) {
  Drop("kt_run_lost");
  Exec("CREATE TABLE kt_run_lost (f0 INTEGER, f1 VARCHAR(20))");
  const std::string profile =
      Profile("kt_run_lost", {{206, "", ""}, {1, "!!~~~~", ""}}, 2000000000);
  const std::string log = (dir_ / "sent.sql").string();
  const std::string err = (dir_ / "err.txt").string();
  const pid_t pid = testing_support::StartTool(
      "kestrove-run", {"--profile", profile, "--dsn", dsn_, "--sql-out", log, "--seed", "1"}, err);
  ASSERT_GE(pid, 0);
  // Once rows are going in, end every other connection to the database.
  for (int i = 0; i < 500 && Scalar("SELECT Count(*) FROM kt_run_lost") < 200; ++i) usleep(10000);
  Exec(
      "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
      "WHERE datname = current_database() AND pid <> pg_backend_pid()");
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << "kestrove-run ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string text = ReadWhole(err);
  EXPECT_NE(text.find("statements had been executed"), std::string::npos) << text;
  EXPECT_NE(text.find("ended by an error"), std::string::npos) << text;
  const int64_t rows = Scalar("SELECT Count(*) FROM kt_run_lost");
  EXPECT_GE(rows, 200);

  // Rows inserted before the loss stay; a new run connects and goes on.
  const auto again = RunTool(
      "kestrove-run",
      {"--profile", Profile("kt_run_lost", {{206, "", ""}}, 5), "--dsn", dsn_, "--seed", "2"});
  EXPECT_EQ(again.exit_code, 0) << again.err;
  EXPECT_EQ(Scalar("SELECT Count(*) FROM kt_run_lost"), rows + 5);
  Drop("kt_run_lost");
}

INSTANTIATE_TEST_SUITE_P(Drivers, KestroveRunLostConnection,
                         ::testing::Values(testing::Driver{"Postgres", "KESTROVE_PG_DSN"}),
                         testing::DriverName);

}  // namespace
}  // namespace kestrove

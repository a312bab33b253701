// kestrove-run against real data sources: the shop example filled on SQLite
// and PostgreSQL, database lookups that keep the links between its tables,
// and lookup errors reported the way the error dialog shows them.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>

#include "catalogue/profile_file.h"
#include "db/db_test_support.h"
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

class KestroveRunDb : public testing::DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    dir_ = fs::temp_directory_path() /
           ("kestrove-run-db-" + std::to_string(getpid()) + "-" + GetParam().name);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

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

  fs::path dir_;
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

KESTROVE_INSTANTIATE_DRIVERS(KestroveRunDb);

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
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    freopen(err.c_str(), "w", stderr);
    const std::string bin = testing_support::BinDir() + "/kestrove-run";
    execl(bin.c_str(), bin.c_str(), "--profile", profile.c_str(), "--dsn", dsn_.c_str(),
          "--sql-out", log.c_str(), "--seed", "1", static_cast<char*>(nullptr));
    _exit(127);
  }
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

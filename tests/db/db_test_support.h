// Shared helpers of the database tests: the fixture that runs each case
// against every real driver, and a check of an error's type and message.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

#include "db/database.h"
#include "db/odbc_error.h"
#include "expect_error.h"

namespace kestrove::testing {

struct Driver {
  const char* name;     // test name suffix
  const char* env_var;  // names the DSN
};

// Names the driver in test output instead of dumping its bytes.
inline void PrintTo(const Driver& driver, std::ostream* os) {
  *os << driver.name;
}

inline bool UnderCi() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

// One fresh set of database objects per case, connected to the DSN that the
// driver's environment variable names. A missing DSN fails under CI and
// skips the case otherwise.
class DriverTest : public ::testing::TestWithParam<Driver> {
 protected:
  void SetUp() override {
    const char* dsn = std::getenv(GetParam().env_var);
    if (!dsn || !*dsn) {
      if (UnderCi())
        FAIL() << GetParam().env_var
               << " is not set (run scripts/pg-scratch start and scripts/mariadb-scratch start)";
      GTEST_SKIP() << GetParam().env_var
                   << " is not set: no data source for this driver (see scripts/pg-scratch and "
                      "scripts/mariadb-scratch)";
    }
    dsn_ = dsn;
    db_.Connector.DataSource = dsn_;
    db_.Connector.Connect();
  }

  bool IsPostgres() const { return std::string(GetParam().name) == "Postgres"; }
  bool IsMariaDb() const { return std::string(GetParam().name) == "MariaDb"; }

  void Exec(const std::string& sql) { db_.ExecuteStatement(sql); }

  // Drops a table (or view) that an earlier run may have left.
  void Drop(const std::string& name, const char* kind = "TABLE") {
    Exec(std::string("DROP ") + kind + " IF EXISTS " + name);
  }

  // Rows of a table, counted through a plain statement.
  int64_t CountRows(const std::string& table) {
    DbStatement count(db_.Connector);
    count.SetSQL("SELECT Count(*) FROM " + table);
    count.Prepare();
    count.Execute();
    int64_t n = -1;
    EXPECT_TRUE(count.FetchNext());
    EXPECT_TRUE(count.ColumnInt64(1, &n));
    return n;
  }

  std::string dsn_;
  Database db_;
};

// A driver test with a scratch folder of its own (named after the suite,
// the process and the driver), removed afterwards.
class ScratchDriverTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    std::string suite = ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name();
    std::replace(suite.begin(), suite.end(), '/', '-');
    dir_ = std::filesystem::temp_directory_path() /
           (suite + "-" + std::to_string(getpid()) + "-" + GetParam().name);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  std::filesystem::path dir_;
};

inline std::string DriverName(const ::testing::TestParamInfo<Driver>& info) {
  return info.param.name;
}

#define KESTROVE_INSTANTIATE_DRIVERS(Suite)                                              \
  INSTANTIATE_TEST_SUITE_P(                                                              \
      Drivers, Suite,                                                                    \
      ::testing::Values(::kestrove::testing::Driver{"Sqlite", "KESTROVE_SQLITE_DSN"},    \
                        ::kestrove::testing::Driver{"Postgres", "KESTROVE_PG_DSN"},      \
                        ::kestrove::testing::Driver{"MariaDb", "KESTROVE_MARIADB_DSN"}), \
      ::kestrove::testing::DriverName)

}  // namespace kestrove::testing

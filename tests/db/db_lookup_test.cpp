// The database lookup choices against the real drivers, and a connection
// that is lost in the middle of a run.
#include <sql.h>
#include <sqlext.h>

#include <set>

#include "core/clock.h"
#include "core/errors.h"
#include "core/profile.h"
#include "db/connection.h"
#include "db/error_text.h"
#include "db/lookup_cache.h"
#include "db_test_support.h"
#include "generators/generators.h"

namespace kestrove {
namespace {

using testing::ExpectError;

class NoLists : public ListSource {
 public:
  std::string_view PickListValue(int, int32_t) override { return {}; }
};

class RecordingReporter : public DatabaseErrorReporter {
 public:
  void ShowDatabaseError(const EODBC& error, const std::string& text) override {
    texts.push_back(text);
    messages.push_back(error.what());
  }
  std::vector<std::string> texts;
  std::vector<std::string> messages;
};

class DbLookup : public testing::DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    random_.RandomSeed = 12345;
    generators_.SetDatabase(&db_.LookupTable, &reporter_);
  }

  std::string Text(const std::string& field, const std::string& table) {
    return generators_.Generate(14, field, table);
  }

  std::unique_ptr<ProfileState> state_ = ProfileState::Create();
  RandomSource random_;
  NoLists lists_;
  FixedClock clock_{0, {2024, 1, 1}};
  Generators generators_{*state_, random_, lists_, clock_};
  RecordingReporter reporter_;
};

constexpr const char* kLookupFailed = "Cannot obtain Database Lookup using these parameters.";

TEST_P(DbLookup, OneRowTableAlwaysGivesThatRow) {
  Drop("kt_one");
  Exec("CREATE TABLE kt_one (code VARCHAR(10), qty INTEGER)");
  Exec("INSERT INTO kt_one VALUES ('ABC  ', 17)");
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Text("CODE", "kt_one"), "ABC");
  EXPECT_TRUE(reporter_.texts.empty());
  EXPECT_FALSE(db_.LookupTable.Active());
  Drop("kt_one");
}

TEST_P(DbLookup, ValuesComeFromRandomRows) {
  Drop("kt_many");
  Exec("CREATE TABLE kt_many (id INTEGER)");
  for (int i = 0; i < 20; ++i) Exec("INSERT INTO kt_many VALUES (" + std::to_string(i) + ")");
  std::set<std::string> seen;
  for (int i = 0; i < 60; ++i) {
    const std::string v = Text("id", "kt_many");
    ASSERT_FALSE(v.empty());
    const int n = std::stoi(v);
    EXPECT_GE(n, 0);
    EXPECT_LT(n, 20);
    seen.insert(v);
  }
  EXPECT_GT(seen.size(), 10u);
  // The same seed draws the same rows.
  random_.RandomSeed = 99;
  const std::string a = Text("id", "kt_many") + Text("id", "kt_many");
  random_.RandomSeed = 99;
  EXPECT_EQ(Text("id", "kt_many") + Text("id", "kt_many"), a);
  Drop("kt_many");
}

TEST_P(DbLookup, MissingTableIsReportedAndTheRunGoesOn) {
  Drop("kt_missing");
  Drop("kt_there");
  Exec("CREATE TABLE kt_there (name VARCHAR(10))");
  Exec("INSERT INTO kt_there VALUES ('here')");
  EXPECT_EQ(Text("name", "kt_missing"), "");
  EXPECT_EQ(Text("name", "kt_missing"), "");
  ASSERT_EQ(reporter_.texts.size(), 2u);
  EXPECT_EQ(reporter_.texts[0], kLookupFailed);
  EXPECT_NE(reporter_.messages[0].find("kt_missing"), std::string::npos) << reporter_.messages[0];
  EXPECT_FALSE(db_.LookupTable.Active());
  // A later lookup with correct parameters yields values again.
  EXPECT_EQ(Text("name", "kt_there"), "here");
  EXPECT_EQ(reporter_.texts.size(), 2u);
  Drop("kt_there");
}

TEST_P(DbLookup, MissingFieldEndsTheRun) {
  Drop("kt_nofield");
  Exec("CREATE TABLE kt_nofield (name VARCHAR(10))");
  Exec("INSERT INTO kt_nofield VALUES ('x')");
  ExpectError<EDatabaseError>([&] { Text("Code", "kt_nofield"); },
                              "LookupTable: Field 'Code' not found");
  EXPECT_EQ(DisplayMessage("LookupTable: Field 'Code' not found"),
            "LookupTable: Field 'Code' not found.");
  EXPECT_TRUE(reporter_.texts.empty());
  // The reader is left closed, so the next run starts from a fresh result.
  EXPECT_FALSE(db_.LookupTable.Active());
  EXPECT_EQ(Text("name", "kt_nofield"), "x");
  Drop("kt_nofield");
}

TEST_P(DbLookup, EmptyTableGivesEmptyValueWithoutReport) {
  Drop("kt_norows");
  Exec("CREATE TABLE kt_norows (name VARCHAR(10))");
  EXPECT_EQ(Text("name", "kt_norows"), "");
  EXPECT_TRUE(reporter_.texts.empty());
  EXPECT_FALSE(db_.LookupTable.Active());
  // A misspelt field is still an error on an empty table.
  EXPECT_THROW(Text("nope", "kt_norows"), EDatabaseError);
  Drop("kt_norows");
}

TEST_P(DbLookup, EmptyParametersGiveEmptyValue) {
  EXPECT_EQ(Text("", "kt_whatever"), "");
  EXPECT_EQ(Text("name", ""), "");
  EXPECT_TRUE(reporter_.texts.empty());
  EXPECT_FALSE(db_.LookupTable.Statement().Allocated());
}

// Only a server connection can be lost: these cases run on PostgreSQL.
class DbLostConnection : public DbLookup {
 protected:
  // Ends this connection's server process from a second connection.
  void KillServerProcess() {
    DbStatement& st = db_.Hstmt1;
    st.SetSQL("SELECT pg_backend_pid()");
    st.Execute();
    ASSERT_TRUE(st.FetchNext());
    const std::string pid = st.ColumnText(1);
    st.Close();
    Database killer;
    killer.Connector.DataSource = dsn_;
    killer.ExecuteStatement("SELECT pg_terminate_backend(" + pid + ")");
  }
};

TEST_P(DbLostConnection, IsReportedAndAFreshConnectFollows) {
  Drop("kt_lost");
  Exec("CREATE TABLE kt_lost (name VARCHAR(10))");
  Exec("INSERT INTO kt_lost VALUES ('kept')");
  EXPECT_EQ(Text("name", "kt_lost"), "kept");

  KillServerProcess();

  // The next statement fails with the driver's error; once the error is
  // dealt with, a lost connection is torn down and the one after connects
  // anew. The driver may need one failure to notice the loss.
  int failures = 0;
  bool lost_seen = false;
  for (int attempt = 0; attempt < 3; ++attempt) {
    try {
      Exec("INSERT INTO kt_lost VALUES ('after')");
      break;
    } catch (const EODBC& error) {
      ++failures;
      lost_seen = lost_seen || error.IsConnectionLost();
      EXPECT_FALSE(FormatDatabaseError(error, "x").empty());
      DiscardError(error);
    }
  }
  EXPECT_GE(failures, 1);
  EXPECT_TRUE(lost_seen);
  EXPECT_TRUE(db_.Connector.Connected());
  EXPECT_EQ(CountRows("kt_lost"), 2);
  EXPECT_EQ(Text("name", "kt_lost").empty(), false);
  Drop("kt_lost");
}

TEST_P(DbLostConnection, DuringLookupIsReported) {
  Drop("kt_lost2");
  Exec("CREATE TABLE kt_lost2 (name VARCHAR(10))");
  Exec("INSERT INTO kt_lost2 VALUES ('v')");
  KillServerProcess();
  // Lookups report and yield '' until the loss has been noticed and the
  // connection torn down; then values come again.
  std::string value;
  for (int attempt = 0; attempt < 3 && value.empty(); ++attempt) value = Text("name", "kt_lost2");
  EXPECT_EQ(value, "v");
  EXPECT_GE(reporter_.texts.size(), 1u);
  for (const std::string& text : reporter_.texts) EXPECT_EQ(text, kLookupFailed);
  Drop("kt_lost2");
}

KESTROVE_INSTANTIATE_DRIVERS(DbLookup);

// Lookups kept in memory against lookups that read the table for every
// value: the same values from the same draws, one read per table until the
// table is marked stale, and failures raised and reported as uncached.
class DbCachedLookup : public DbLookup {
 protected:
  CachedLookupReader cache_{db_.LookupTable};
  RandomSource cached_random_;
  Generators cached_{*state_, cached_random_, lists_, clock_};
  RecordingReporter cached_reporter_;

  void SetUp() override {
    DbLookup::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    cached_random_.RandomSeed = random_.RandomSeed;
    cached_.SetDatabase(&cache_, &cached_reporter_);
  }
};

TEST_P(DbCachedLookup, SameValuesFromOneReadUntilMarkedStale) {
  Drop("kt_cached");
  Exec("CREATE TABLE kt_cached (id INTEGER, name VARCHAR(10), score REAL)");
  for (int i = 1; i <= 40; ++i)
    Exec("INSERT INTO kt_cached VALUES (" + std::to_string(i) + ", 'n" + std::to_string(i) + "', " +
         std::to_string(i) + ".5)");
  struct Lookup {
    int32_t code;
    const char* field;
  };
  const Lookup lookups[] = {{14, "name"}, {207, "ID"}, {302, "score"}, {502, "id"}};
  std::set<std::string> seen;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 30; ++i) {
      for (const Lookup& l : lookups) {
        const std::string value = generators_.Generate(l.code, l.field, "kt_cached");
        EXPECT_EQ(cached_.Generate(l.code, l.field, "kt_cached"), value) << l.field;
        seen.insert(value);
      }
    }
    // A row the run inserts is seen once the table is marked stale.
    Exec("INSERT INTO kt_cached VALUES (" + std::to_string(100 + round) + ", 'late', 0.5)");
    if (round == 0) {
      EXPECT_EQ(cache_.Reads(), 1u);
      EXPECT_TRUE(cache_.Holds("KT_CACHED"));
    }
    cache_.MarkStale("KT_Cached");
    EXPECT_FALSE(cache_.Holds("kt_cached"));
  }
  EXPECT_EQ(cache_.Reads(), 3u);
  EXPECT_GT(seen.size(), 40u);
  // A field the table lacks ends the run with the reader's own message.
  ExpectError<EDatabaseError>([&] { cached_.Generate(14, "code", "kt_cached"); },
                              "LookupTable: Field 'code' not found");
  Drop("kt_cached");
}

TEST_P(DbCachedLookup, FailuresAreReportedForEveryValueAndNotKept) {
  Drop("kt_cached_missing");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(cached_.Generate(14, "name", "kt_cached_missing"), "");
    EXPECT_EQ(generators_.Generate(14, "name", "kt_cached_missing"), "");
  }
  EXPECT_EQ(cached_reporter_.texts, std::vector<std::string>(3, kLookupFailed));
  EXPECT_EQ(cached_reporter_.messages, reporter_.messages);
  EXPECT_EQ(cache_.Reads(), 0u);
  // Once the table exists, the next lookup reads it.
  Exec("CREATE TABLE kt_cached_missing (name VARCHAR(10))");
  Exec("INSERT INTO kt_cached_missing VALUES ('only')");
  EXPECT_EQ(cached_.Generate(14, "name", "kt_cached_missing"), "only");
  // An empty table gives an empty value but still checks the field.
  Exec("DELETE FROM kt_cached_missing");
  cache_.MarkStale("kt_cached_missing");
  EXPECT_EQ(cached_.Generate(14, "name", "kt_cached_missing"), "");
  ExpectError<EDatabaseError>([&] { cached_.Generate(14, "nope", "kt_cached_missing"); },
                              "LookupTable: Field 'nope' not found");
  Drop("kt_cached_missing");
}

KESTROVE_INSTANTIATE_DRIVERS(DbCachedLookup);
INSTANTIATE_TEST_SUITE_P(Drivers, DbLostConnection,
                         ::testing::Values(testing::Driver{"Postgres", "KESTROVE_PG_DSN"}),
                         testing::DriverName);

}  // namespace
}  // namespace kestrove

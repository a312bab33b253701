// kestrove-run --unique-keys against real data sources: a composite key of
// two lookups and a unique lookup column filled without a repeat, again on
// top of the rows already there, and the counts a key cannot take refused
// before anything is sent.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "db/db_test_support.h"
#include "tool_runner.h"

namespace kestrove {
namespace {

using testing_support::ReadWhole;
using testing_support::RunTool;

const char* const kTables[] = {"kk_pair", "kk_a", "kk_b"};

class UniqueKeysDb : public testing::ScratchDriverTest {
 protected:
  void SetUp() override {
    ScratchDriverTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    for (const char* table : kTables) Drop(table);
    Exec("CREATE TABLE kk_a (id INTEGER NOT NULL PRIMARY KEY)");
    Exec("CREATE TABLE kk_b (id INTEGER NOT NULL PRIMARY KEY, code VARCHAR(8) NOT NULL UNIQUE)");
    Exec(
        "CREATE TABLE kk_pair (a_id INTEGER NOT NULL REFERENCES kk_a(id), b_id INTEGER NOT NULL "
        "REFERENCES kk_b(id), b_code VARCHAR(8) NOT NULL UNIQUE REFERENCES kk_b(code), note "
        "VARCHAR(20), PRIMARY KEY (a_id, b_id))");
  }
  void TearDown() override {
    if (!dsn_.empty())
      for (const char* table : kTables) Drop(table);
    ScratchDriverTest::TearDown();
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

  // Parents of `a` and `b` rows (kept when 0), and `pairs` rows of kk_pair.
  std::string Profile(int a, int b, int pairs, bool delete_pairs, bool unique_keys = true) {
    std::string text = unique_keys ? "[run]\nunique_keys = true\n" : "";
    auto table = [&](const std::string& name, int records, bool del, const std::string& fields) {
      text += "\n[[table]]\nname = \"" + name + "\"\nrecords = " + std::to_string(records) +
              "\ndelete = " + (del ? "true" : "false") + "\nfields = [\n" + fields + "]\n";
    };
    const std::string lookup = "class = \"integer\", choice = \"Database Lookup\", ";
    if (a > 0) table("kk_a", a, true, "  { name = \"id\", choice = \"Counter\" },\n");
    if (b > 0)
      table("kk_b", b, true,
            "  { name = \"id\", choice = \"Counter\" },\n"
            "  { name = \"code\", choice = \"Formatted\", \"Data Format\" = \"B~~\" },\n");
    table("kk_pair", pairs, delete_pairs,
          "  { name = \"a_id\", " + lookup + "\"Field Name\" = \"id\", TableName = \"kk_a\" },\n" +
              "  { name = \"b_id\", " + lookup +
              "\"Field Name\" = \"id\", TableName = \"kk_b\" },\n" +
              "  { name = \"b_code\", choice = \"Database Lookup\", \"Field Name\" = \"code\", "
              "TableName = \"kk_b\" },\n" +
              "  { name = \"note\", choice = \"Formatted\", \"Data Format\" = \"!!!\" },\n");
    const std::string path = (dir_ / "keys.toml").string();
    std::ofstream(path) << text;
    return path;
  }

  testing_support::ToolResult Run(const std::string& profile, const std::string& seed,
                                  const std::vector<std::string>& more = {}) {
    std::vector<std::string> args = {
        "--profile", profile,   "--dsn",         dsn_,        "--seed",
        seed,        "--order", "parents-first", "--sql-out", (dir_ / "sent.sql").string()};
    args.insert(args.end(), more.begin(), more.end());
    return RunTool("kestrove-run", args);
  }

  int64_t Repeats() {
    return Scalar(
               "SELECT Count(*) FROM (SELECT a_id, b_id FROM kk_pair GROUP BY a_id, b_id HAVING "
               "Count(*) > 1) d") +
           Scalar(
               "SELECT Count(*) FROM (SELECT b_code FROM kk_pair GROUP BY b_code HAVING "
               "Count(*) > 1) d");
  }
};

TEST_P(UniqueKeysDb, FillsCompositeAndUniqueLookupKeysThenAddsWithoutRepeats) {
  // 6 x 40 = 240 pairs and 40 codes, and kk_b's codes drawn from 100: 30
  // records repeat within a few draws without the guard.
  auto r = Run(Profile(6, 40, 30, true), "7");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(Scalar("SELECT Count(*) FROM kk_pair"), 30);
  EXPECT_EQ(Repeats(), 0);
  EXPECT_EQ(Scalar("SELECT Count(*) FROM kk_pair p LEFT JOIN kk_b b ON b.code = p.b_code "
                   "WHERE b.id IS NULL"),
            0);

  // A second run adds to the rows there, parents kept: the 10 codes left
  // are all taken, whatever the seed.
  r = Run(Profile(0, 0, 10, false), "8", {"--cache-lookups"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(Scalar("SELECT Count(*) FROM kk_pair"), 40);
  EXPECT_EQ(Repeats(), 0);

  // And one more record has no code left.
  r = Run(Profile(0, 0, 1, false), "9");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("table kk_pair: the unique key (b_code) cannot take 1 new values"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(ReadWhole((dir_ / "sent.sql").string()), "");
}

KESTROVE_INSTANTIATE_DRIVERS(UniqueKeysDb);

// Counts that cannot be met, said before any statement is sent.
TEST(UniqueKeysImpossible, RefusedBeforeAnythingIsSent) {
  const char* dsn = std::getenv("KESTROVE_SQLITE_DSN");
  if (!dsn || !*dsn) GTEST_SKIP() << "KESTROVE_SQLITE_DSN is not set";
  Database db;
  db.Connector.DataSource = dsn;
  db.Connector.Connect();
  for (const char* table : {"ki_pair", "ki_a", "ki_b", "ki_u"})
    db.ExecuteStatement(std::string("DROP TABLE IF EXISTS ") + table);
  db.ExecuteStatement("CREATE TABLE ki_a (id INTEGER PRIMARY KEY)");
  db.ExecuteStatement("CREATE TABLE ki_b (id INTEGER PRIMARY KEY)");
  db.ExecuteStatement(
      "CREATE TABLE ki_pair (a_id INTEGER NOT NULL, b_id INTEGER NOT NULL, PRIMARY KEY (a_id, "
      "b_id))");
  db.ExecuteStatement("CREATE TABLE ki_u (id INTEGER PRIMARY KEY, c VARCHAR(4) UNIQUE)");
  for (int i = 1; i <= 30; ++i) {
    if (i <= 20) db.ExecuteStatement("INSERT INTO ki_a VALUES (" + std::to_string(i) + ")");
    db.ExecuteStatement("INSERT INTO ki_b VALUES (" + std::to_string(i) + ")");
  }
  const std::string dir = ::testing::TempDir();
  const std::string pair_fields =
      "  { name = \"a_id\", class = \"integer\", choice = \"Database Lookup\", \"Field Name\" = "
      "\"id\", TableName = \"ki_a\" },\n"
      "  { name = \"b_id\", class = \"integer\", choice = \"Database Lookup\", \"Field Name\" = "
      "\"id\", TableName = \"ki_b\" },\n";
  auto table = [](const std::string& name, int records, const std::string& fields) {
    return "\n[[table]]\nname = \"" + name + "\"\nrecords = " + std::to_string(records) +
           "\ndelete = true\nfields = [\n" + fields + "]\n";
  };
  const std::string counter = "  { name = \"id\", choice = \"Counter\" },\n";
  struct Case {
    const char* name;
    std::string profile;
    const char* message;
  } cases[] = {
      {"choice of 5 for 10",
       table("ki_u", 10,
             counter + "  { name = \"c\", choice = \"Choice\", List = \"a;b;c;d;e\" },\n"),
       "table ki_u: the unique key (c) cannot take 10 distinct values (its fields make 5 at most): "
       "0 of 10 records made, nothing sent"},
      {"1000 pairs of 20 x 30 rows there", table("ki_pair", 1000, pair_fields),
       "table ki_pair: the primary key (a_id, b_id) cannot take 1000 distinct values (its fields "
       "make 20 x 30 = 600 at most): 0 of 1000 records made, nothing sent"},
      {"1000 pairs of 20 x 30 rows the run makes",
       table("ki_a", 20, counter) + table("ki_b", 30, counter) +
           table("ki_pair", 1000, pair_fields),
       "table ki_pair: the primary key (a_id, b_id) cannot take 1000 distinct values (its fields "
       "make 20 x 30 = 600 at most): 0 of 1000 records made, nothing sent"},
      {"a lookup of an emptied table", table("ki_b", 0, counter) + table("ki_pair", 5, pair_fields),
       "table ki_pair, field b_id: the Database Lookup of ki_b.id has no row to take its value "
       "from: table ki_b is empty when ki_pair runs"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir + "/impossible.toml", sent = dir + "/impossible.sql";
    std::ofstream(path) << "[run]\nunique_keys = true\n" + c.profile;
    const auto r = RunTool("kestrove-run", {"--profile", path, "--dsn", dsn, "--order",
                                            "parents-first", "--sql-out", sent});
    EXPECT_EQ(r.exit_code, 1) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(ReadWhole(sent), "");
  }
  for (const char* table : {"ki_pair", "ki_a", "ki_b", "ki_u"})
    db.ExecuteStatement(std::string("DROP TABLE ") + table);
}

}  // namespace
}  // namespace kestrove

// The whole-schema promise, as a user meets it: on a schema the program has
// never been told about, `kestrove-profile draft` and then one `kestrove-run`
// of that draft, with no edit, fill every table with the records the draft
// asks for, and every key and CHECK of the schema holds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "catalogue/named_profile.h"
#include "tools/any_schema.h"

namespace kestrove::testing {
namespace {

using testing_support::ReadWhole;
using testing_support::RunTool;

class AnySchemaRunTest : public DriverTest {
 protected:
  AnyDialect Dialect() const { return DialectOf(GetParam()); }

  void TearDown() override {
    std::error_code ignored;
    if (!draft_.empty()) std::filesystem::remove(draft_, ignored);
  }

  // Drafts the data source into a file of its own and returns the profile.
  NamedProfile Draft() {
    draft_ = "/tmp/kestrove-any-" + std::string(GetParam().name) + "-" +
             std::to_string(::getpid()) + ".toml";
    const auto drafted = RunTool("kestrove-profile", {"draft", "--dsn", dsn_, "-o", draft_});
    EXPECT_EQ(drafted.exit_code, 0) << drafted.err;
    return ReadNamedProfileFile(draft_);
  }

  // Runs the draft with --seed `seed` and checks every constraint, and that
  // each table holds `times` its records.
  void RunAndCheck(const NamedProfile& profile, const std::string& stem, const char* seed,
                   int times) {
    const auto run = RunTool("kestrove-run", {"--profile", draft_, "--dsn", dsn_, "--seed", seed});
    ASSERT_EQ(run.exit_code, 0) << run.err << ReadWhole(draft_);
    std::map<std::string, int64_t> asked;
    for (const NamedTable& table : profile.tables) asked[table.name] = table.records;
    const auto counts = CheckAnySchema(db_, Dialect(), stem);
    EXPECT_TRUE(Faults(counts).empty()) << ::testing::PrintToString(Faults(counts)) << run.err;
    for (const auto& [table, rows] : RowCounts(counts)) {
      ASSERT_TRUE(asked.count(table)) << table << " is not in the draft\n" << ReadWhole(draft_);
      EXPECT_EQ(rows, times * asked[table]) << table;
    }
  }

  std::string draft_;
};

// Base: no cycle, no key of two lookups; Full: every key the shop has,
// the cycles of foreign keys among them.
TEST_P(AnySchemaRunTest, DraftThenOneRunFillsEveryTableAndKeepsEveryConstraint) {
  for (const AnySchemaVariant variant : {AnySchemaVariant::Base, AnySchemaVariant::Full}) {
    SCOPED_TRACE(variant == AnySchemaVariant::Base ? "base" : "full");
    const std::string stem = AnySchemaStem(variant);
    LoadAnySchema(db_, Dialect(), stem);
    const NamedProfile profile = Draft();
    ASSERT_FALSE(profile.tables.empty());
    RunAndCheck(profile, stem, "7", 1);
  }
}

// The draft deletes nothing: a second run adds as many rows again, its keys
// past those of the first, and every key still holds.
TEST_P(AnySchemaRunTest, SecondRunOfTheDraftAddsRowsWithoutARepeat) {
  const std::string stem = AnySchemaStem(AnySchemaVariant::Full);
  LoadAnySchema(db_, Dialect(), stem);
  const NamedProfile profile = Draft();
  for (const NamedTable& table : profile.tables) ASSERT_FALSE(table.delete_existing) << table.name;
  RunAndCheck(profile, stem, "7", 1);
  RunAndCheck(profile, stem, "8", 2);
}

// The draft's dry run, without a data source and with --dsn --dry-run, is a
// script that the database's own client loads into an empty copy of the
// schema, keys enforced, and that leaves every constraint holding; the
// dry run beside the data source executes nothing.
TEST_P(AnySchemaRunTest, DryRunOfTheDraftLoadsInTheDatabasesClient) {
  for (const AnySchemaVariant variant : {AnySchemaVariant::Base, AnySchemaVariant::Full}) {
    SCOPED_TRACE(variant == AnySchemaVariant::Base ? "base" : "full");
    const std::string stem = AnySchemaStem(variant);
    LoadAnySchema(db_, Dialect(), stem);
    const NamedProfile profile = Draft();
    const std::string script = draft_ + ".sql";
    for (const bool beside : {false, true}) {
      // A cycle of keys is planned from the data source's keys.
      if (variant == AnySchemaVariant::Full && !beside) continue;
      SCOPED_TRACE(beside ? "--dsn --dry-run" : "dry run");
      std::vector<std::string> args = {"--profile", draft_, "--seed", "7", "--sql-out", script};
      if (beside) args.insert(args.end(), {"--dsn", dsn_, "--dry-run"});
      const auto run = RunTool("kestrove-run", args);
      ASSERT_EQ(run.exit_code, 0) << run.err;
      EXPECT_EQ(run.err.find("warning"), std::string::npos) << run.err;
      for (const auto& [table, rows] : RowCounts(CheckAnySchema(db_, Dialect(), stem)))
        EXPECT_EQ(rows, 0) << table << ": the dry run executed something";
      const std::string command =
          ClientCommand(Dialect(), dsn_) + " < '" + script + "' > '" + script + ".log' 2>&1";
      EXPECT_EQ(std::system(command.c_str()), 0) << ReadWhole(script + ".log");
      const auto counts = CheckAnySchema(db_, Dialect(), stem);
      EXPECT_TRUE(Faults(counts).empty()) << ::testing::PrintToString(Faults(counts));
      std::map<std::string, int64_t> asked;
      for (const NamedTable& table : profile.tables) asked[table.name] = table.records;
      for (const auto& [table, rows] : RowCounts(counts)) EXPECT_EQ(rows, asked[table]) << table;
      LoadAnySchema(db_, Dialect(), stem);
    }
    std::filesystem::remove(script + ".log");
    std::filesystem::remove(script);
  }
}

KESTROVE_INSTANTIATE_ANY_SCHEMA_DRIVERS(AnySchemaRunTest);

}  // namespace
}  // namespace kestrove::testing

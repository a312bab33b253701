// The tools' command lines read in process: what each gives, and the exact
// usage message and exit code where it is refused.
#include <gtest/gtest.h>

#include "tools/lists_commands.h"
#include "tools/profile_commands.h"
#include "tools/run_command.h"

namespace kestrove::tools {
namespace {

template <class Options>
Stop StopOf(const Parsed<Options>& parsed) {
  const Stop* stop = std::get_if<Stop>(&parsed);
  return stop ? *stop : Stop{-1, "", "(parsed)"};
}

TEST(RunOptionsTest, ValuesAreReadAsWrittenAndRepeatsTakeTheLast) {
  const auto parsed = ParseRunCommandLine({"--profile",
                                           "p.prf",
                                           "--dsn",
                                           "D",
                                           "--sql-out",
                                           "-",
                                           "--seed",
                                           "7",
                                           "--seed",
                                           "010",
                                           "--today",
                                           "2026/12/09",
                                           "--commit-every",
                                           "0005",
                                           "--rows-per-insert",
                                           "10000",
                                           "--order",
                                           "parents-first",
                                           "--quote-names",
                                           "--no-cache-lookups",
                                           "--cache-lookups"});
  ASSERT_TRUE(std::holds_alternative<RunOptions>(parsed)) << StopOf(parsed).err;
  const RunOptions& o = std::get<RunOptions>(parsed);
  EXPECT_EQ(o.profile, "p.prf");
  EXPECT_EQ(o.dsn, "D");
  EXPECT_EQ(o.sql_out, "-");
  EXPECT_EQ(o.seed, 10u);  // decimal, not octal
  EXPECT_EQ(o.today, (CivilDate{2026, 12, 9}));
  EXPECT_EQ(o.commit_every, 5u);
  EXPECT_EQ(o.rows_per_insert, 10000);
  EXPECT_TRUE(o.parents_first && o.quote_names && o.cache_lookups);
  EXPECT_FALSE(o.lists_dir);
  // Given on the command line: a named profile's [run] table leaves them.
  EXPECT_TRUE(o.commit_every_given && o.rows_per_insert_given && o.cache_lookups_given &&
              o.order_given);
  const auto slots = ParseRunCommandLine(
      {"--profile", "p.prf", "--cache-lookups", "--no-cache-lookups", "--order", "slots"});
  ASSERT_TRUE(std::holds_alternative<RunOptions>(slots)) << StopOf(slots).err;
  const RunOptions& s = std::get<RunOptions>(slots);
  EXPECT_TRUE(s.order_given && s.cache_lookups_given);
  EXPECT_FALSE(s.parents_first || s.cache_lookups || s.commit_every_given);
}

TEST(RunOptionsTest, RefusedWithTheToolsOwnWords) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--profile", "p", "--seed", "-1"},
       "--seed takes a whole number from 0 to 4294967295, not '-1'"},
      {{"--profile", "p", "--seed", "0x10"},
       "--seed takes a whole number from 0 to 4294967295, not '0x10'"},
      {{"--profile", "p", "--rows-per-insert", "00000000001"},
       "--rows-per-insert takes a whole number from 1 to 10000, not '00000000001'"},
      {{"--profile", "p", "--today", "2026/13/01"},
       "--today takes a date as YYYY/MM/DD, not '2026/13/01'"},
      {{"--profile", "p", "--order", "first"}, "--order takes parents-first or slots, not 'first'"},
      {{"--profile", "p", "--order", "parents-first"},
       "--order parents-first needs --dsn: the order comes from the data source's foreign keys"},
      {{"--profile", "p", "--unique-keys"},
       "--unique-keys needs --dsn: the keys and their values come from the data source"},
      {{"--profile", "p", "--commit-every", "3"},
       "--commit-every needs --dsn: a dry run commits nothing"},
      {{"--profile", "p", "--bind", "--rows-per-insert", "5"},
       "--bind needs --dsn: a dry run binds nothing"},
      {{"--profile", "p", "--dsn", "x", "--bind", "--rows-per-insert", "1"},
       "--bind needs --rows-per-insert N of 2 or more: it binds the values of multi-row Inserts"},
      {{"--profile", "p", "--lists-dir", "/nonexistent-kv"},
       "--lists-dir '/nonexistent-kv' does not exist"},
      {{"--profile", "/"}, "--profile '/' is a folder, not a profile file"},
      {{"--profile", "p", "--dsn"}, "--dsn needs a value"},
      {{"--bogus"}, "unknown option '--bogus'"},
      {{}, "--profile FILE is required"},
  };
  for (const auto& [args, message] : cases) {
    const Stop stop = StopOf(ParseRunCommandLine(args));
    EXPECT_EQ(stop.exit_code, kExitUsage) << message;
    EXPECT_EQ(stop.err, "kestrove-run: " + message + "\nTry 'kestrove-run --help'.\n");
  }
  const Stop help = StopOf(ParseRunCommandLine({"--seed", "x", "--help"}));
  EXPECT_EQ(help.exit_code, kExitUsage) << "a fault before --help is told";
  EXPECT_EQ(StopOf(ParseRunCommandLine({"--help", "--seed", "x"})).exit_code, kExitOk);
}

TEST(ProfileOptionsTest, CommandsAndTheirOptions) {
  const auto parsed = ParseProfileCommandLine({"export", "a.prf", "-o", "a.toml"});
  ASSERT_TRUE(std::holds_alternative<ProfileCommand>(parsed)) << StopOf(parsed).err;
  const auto* exported = std::get_if<ExportOptions>(&std::get<ProfileCommand>(parsed));
  ASSERT_TRUE(exported);
  EXPECT_EQ(exported->prf, "a.prf");
  EXPECT_EQ(exported->output, "a.toml");
  EXPECT_FALSE(exported->dsn);
  EXPECT_EQ(StopOf(ParseProfileCommandLine({"explain"})).err,
            "kestrove-profile: unknown command 'explain'; the commands are describe, draft, "
            "export and import\nTry 'kestrove-profile --help'.\n");
  EXPECT_EQ(StopOf(ParseProfileCommandLine({"import", "a.toml", "--dsn", "X"})).err,
            "kestrove-profile: --output is required\nTry 'kestrove-profile import --help'.\n");
}

TEST(ListsOptionsTest, CommandsAndTheirArguments) {
  const auto parsed = ParseListsCommandLine({"import", "towns", "-", "--file=t.bin"});
  ASSERT_TRUE(std::holds_alternative<ListsCommand>(parsed)) << StopOf(parsed).err;
  const auto* imported = std::get_if<ImportListOptions>(&std::get<ListsCommand>(parsed));
  ASSERT_TRUE(imported);
  EXPECT_EQ(imported->list.name, "towns");
  EXPECT_GE(imported->list.id(), 0);
  EXPECT_EQ(imported->tsv, "-");
  EXPECT_EQ(imported->file, "t.bin");
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "no command given"},
      {{"--file", "x", "export"}, "unknown command '--file'"},
      {{"import", "bogus"}, "import needs a LIST and a TSV file"},
      {{"export", "bogus"},
       "unknown list 'bogus' (one of surnames, male-forenames, female-forenames, towns, "
       "streets, companies, user1 .. user6)"},
      {{"export", "towns", "extra"}, "unexpected argument 'extra'"},
      {{"info", "a", "b"}, "info needs exactly one PATH"},
  };
  for (const auto& [args, message] : cases)
    EXPECT_EQ(StopOf(ParseListsCommandLine(args)).err,
              "kestrove-lists: " + message + "\nTry 'kestrove-lists --help'.\n");
  EXPECT_EQ(StopOf(ParseListsCommandLine({"bogus", "--help"})).exit_code, kExitOk);
}

}  // namespace
}  // namespace kestrove::tools

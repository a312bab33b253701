#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <tuple>

#include "catalogue/profile_file.h"
#include "tool_runner.h"

namespace kestrove {
namespace {

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

namespace fs = std::filesystem;
using testing_support::RunTool;
using testing_support::SourceDir;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return lines;
}

class KestroveRunTest : public testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("kestrove-run-test-" + std::to_string(getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Shop() { return SourceDir() + "/examples/shop.prf"; }

  // A one-table profile with the given fields (code, param1, param2).
  std::string Profile(const std::vector<testing_support::FieldChoice>& fields,
                      int64_t records = 3) {
    const std::string path = (dir / ("p" + std::to_string(++made) + ".prf")).string();
    testing_support::WriteOneTableProfile(path, "T", fields, records);
    return path;
  }

  fs::path dir;
  int made = 0;
};

TEST_F(KestroveRunTest, DryRunOfTheShopProfile) {
  auto r = RunTool("kestrove-run", {"--profile", Shop(), "--seed", "42", "--today", "2026/12/09"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const auto lines = Lines(r.out);
  // Five deletes, then 200 + 50 + 400 + 1000 + 30 inserts.
  ASSERT_EQ(lines.size(), 5u + 1680u);
  EXPECT_EQ(lines[0], "Delete from customer;");
  EXPECT_EQ(lines[1].rfind("Insert into customer (id,customer_ref,title,", 0), 0u) << lines[1];
  EXPECT_EQ(lines[1].substr(lines[1].size() - 2), ");");
  EXPECT_EQ(lines.back().rfind("Insert into supplier (", 0), 0u);
  EXPECT_NE(r.err.find("completed: 5 tables, 1680 records, 1685 statements"), std::string::npos)
      << r.err;
}

TEST_F(KestroveRunTest, SameSeedSameStatements) {
  const std::vector<std::string> args = {"--profile", Shop(), "--today", "2026/12/09", "--seed"};
  auto a = args, b = args, c = args;
  a.push_back("7");
  b.push_back("7");
  c.push_back("8");
  const auto ra = RunTool("kestrove-run", a), rb = RunTool("kestrove-run", b),
             rc = RunTool("kestrove-run", c);
  ASSERT_EQ(ra.exit_code, 0);
  EXPECT_EQ(ra.out, rb.out);
  EXPECT_NE(ra.out, rc.out);
}

TEST_F(KestroveRunTest, SqlOutToFile) {
  const std::string out = (dir / "out.sql").string();
  auto r = RunTool("kestrove-run", {"--profile", Profile({{206, "", ""}, {65, "", ""}}),
                                    "--sql-out", out, "--seed", "1"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(testing_support::ReadWhole(out),
            "Insert into T (f0,f1) Values (1,' ');\n"
            "Insert into T (f0,f1) Values (2,' ');\n"
            "Insert into T (f0,f1) Values (3,' ');\n");
}

TEST_F(KestroveRunTest, RunErrorExitsOneWithTheDisplayMessage) {
  // Integer Random with an empty To ends the run on the first record.
  auto r = RunTool("kestrove-run", {"--profile", Profile({{201, "1", ""}}), "--seed", "1"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("'' is not a valid integer value.\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("ended by an error"), std::string::npos) << r.err;
}

TEST_F(KestroveRunTest, TwoCountersInATableAreWarnedAbout) {
  using Fields = std::vector<testing_support::FieldChoice>;
  for (const bool two : {false, true}) {
    const Fields fields = two ? Fields{{206, "", ""}, {2, "K~", ""}} : Fields{{206, "", ""}};
    const auto r = RunTool("kestrove-run", {"--profile", Profile(fields), "--seed", "1"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err.find("warning: table T has 2 Counters (f0, f1): they share one count") !=
                  std::string::npos,
              two)
        << r.err;
  }
}

TEST_F(KestroveRunTest, UsageErrorsExitTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--profile"},
      {"--profile", Shop(), "--bogus"},
      {"--profile", Shop(), "--seed", "4294967296"},
      {"--profile", Shop(), "--seed", "-1"},
      {"--profile", Shop(), "--today", "12/09/2026"},
      {"--profile", (dir / "missing.prf").string()},
      {"--profile", Shop(), "--sql-out", (dir / "no/such/dir/x.sql").string()},
      {"--profile", Shop(), "--lists-dir", (dir / "nonexistent").string()},
      {"--profile", Shop(), "--lists-dir", Shop()},
      {"--profile", dir.string()},
      {"--profile", Shop(), "--rows-per-insert", "0"},
      {"--profile", Shop(), "--rows-per-insert", "10001"},
      {"--profile", Shop(), "--rows-per-insert", "x"},
      {"--profile", Shop(), "--commit-every", "0", "--dsn", "none"},
      {"--profile", Shop(), "--commit-every", "4294967296", "--dsn", "none"},
      // A dry run has nothing to commit.
      {"--profile", Shop(), "--commit-every", "10"},
      {"--profile", Shop(), "--order", "random", "--dsn", "none"},
      {"--profile", Shop(), "--order"},
  };
  for (const auto& args : cases) {
    auto r = RunTool("kestrove-run", args);
    EXPECT_EQ(r.exit_code, 2) << testing::PrintToString(args) << r.err;
    EXPECT_NE(r.err.find("kestrove-run: "), std::string::npos);
    EXPECT_EQ(r.out, "");
  }
  // The order comes from the data source's keys, which a dry run has not.
  const auto r = RunTool("kestrove-run", {"--profile", Shop(), "--order", "parents-first"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err,
            "kestrove-run: --order parents-first needs --dsn: the order comes from the data "
            "source's foreign keys\nTry 'kestrove-run --help'.\n");
}

// Messages say where: the file and line of a profile that cannot be read, a
// folder for what it is, and a quoted text cut short.
TEST_F(KestroveRunTest, MessagesSayWhereAndQuoteBriefly) {
  const std::string cut = (dir / "cut.prf").string();
  {
    // Line 1 says one table is listed besides slot 0, but slot 1 is missing.
    std::string image = "1\r\n";
    for (int i = 0; i < 1795; ++i)
      image += (i == 1                                 ? "10"
                : i == 2                               ? "false"
                : (i - 3) % 7 == 1 || (i - 3) % 7 >= 4 ? "0"
                                                       : "") +
               std::string("\r\n");
    std::ofstream(cut, std::ios::binary) << image;
  }
  const std::string huge = (dir / "huge.prf").string();
  std::ofstream(huge, std::ios::binary) << std::string(1 << 20, 'x') << "\r\n";
  const std::string nul = (dir / "nul.prf").string();
  std::ofstream(nul, std::ios::binary) << std::string("0\r\nT\0x\r\n", 9);
  // A named profile: read as one by its name, placed in the order written.
  const std::string named_text =
      "[[table]]\nname = \"T\"\nfields = [{ name = \"n\", choice = \"Random\" }]\n";
  const std::string named = (dir / "named.toml").string();
  std::ofstream(named, std::ios::binary) << named_text;
  const std::string misnamed = (dir / "named.txt").string();
  std::ofstream(misnamed, std::ios::binary) << named_text;
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--profile", named},
       "kestrove-run: " + named +
           ":3: table \"T\", field \"n\": the choice \"Random\" is "
           "offered by the classes \"integer\", \"float\", \"boolean\" and \"currency\": say "
           "which with class = \"...\", since no data source tells the field's type\n"},
      {{"--profile", misnamed},
       "kestrove-run: " + misnamed +
           " line 1: '[[table]]' is not a valid integer value. A "
           "named profile is read as one only when its file name ends in \".toml\".\n"},
      {{"--profile", cut},
       "kestrove-run: " + cut + " line 1798: '' is not a valid integer value.\n"},
      {{"--profile", huge},
       "kestrove-run: " + huge + " line 1: '" + std::string(80, 'x') +
           "...' is not a valid integer value.\n"},
      {{"--profile", nul},
       "kestrove-run: cannot load profile '" + nul +
           "': Line 2 of the profile file holds a NUL byte, which no statement can carry.\n"},
      {{"--profile", dir.string()},
       "kestrove-run: --profile '" + dir.string() + "' is a folder, not a profile file\n"},
      {{"--profile", Shop(), "--bogus-" + std::string(200, 'y')},
       "kestrove-run: unknown option '--bogus-" + std::string(72, 'y') + "...'\n"},
  };
  for (const auto& [args, first_line] : cases) {
    const auto r = RunTool("kestrove-run", args);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), first_line);
  }
}

TEST_F(KestroveRunTest, DamagedProfileMessageHasNoControlCharacters) {
  const std::string path = (dir / "damaged.prf").string();
  std::ofstream(path, std::ios::binary) << std::string("1\x1b[2J\x07\x01x\r\n", 10);
  auto r = RunTool("kestrove-run", {"--profile", path});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("is not a valid integer value"), std::string::npos) << r.err;
  for (char c : r.err) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);
}

TEST_F(KestroveRunTest, HelpDocumentsOptionsAndExitCodes) {
  auto r = RunTool("kestrove-run", {"--help"});
  EXPECT_EQ(r.exit_code, 0);
  for (const char* word :
       {"--profile", "--dsn", "--sql-out", "--seed", "--today", "--lists-dir", "--quote-names",
        "warning names the file", "backslash", "cancelled", "second Ctrl+C", "Exit codes", "130"})
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

TEST_F(KestroveRunTest, ListsDirWithoutListsGivesEmptyNames) {
  // Surname from an empty folder: the lists are empty, the value is '', and
  // each list missing its file is named in a warning.
  auto r = RunTool("kestrove-run", {"--profile", Profile({{64, "", ""}}, 1), "--lists-dir",
                                    dir.string(), "--seed", "1"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "Insert into T (f0) Values ('');\n");
  EXPECT_NE(r.err.find("kestrove-run: warning: list SurnameTable (surnames) not loaded from '" +
                       (dir / "srndata.bin").string() + "': No such file or directory\n"),
            std::string::npos)
      << r.err;
  size_t warnings = 0;
  for (size_t at = r.err.find("warning: list "); at != std::string::npos;
       at = r.err.find("warning: list ", at + 1))
    ++warnings;
  EXPECT_EQ(warnings, 12u);
}

// What a dry run sends for choices and options beyond the plain ones.
TEST_F(KestroveRunTest, QuotedNamesWrappedCodesAndTheTableCount) {
  // --quote-names: the column names in double quotes, the table bare.
  auto r = RunTool("kestrove-run", {"--profile", Profile({{206, "", ""}, {65, "", ""}}, 1),
                                    "--quote-names", "--seed", "1"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "Insert into T (\"f0\",\"f1\") Values (1,' ');\n");

  // ChoiceBase 2147483647 with Param3Index 1 wraps to a code of no family:
  // the field is named in the head, as every field with a code is, and adds
  // nothing to the values (and the sanitizer build sees no overflow).
  auto state = ProfileState::Create();
  state->ClearProfile();
  state->Tables[0].TableName = "T";
  state->Tables[0].RecordCount = 2;
  state->Tables[0].Fields[0] = {"f0", 1, "", "", 0, 206, 0};
  state->Tables[0].Fields[1] = {"f1", 1, "", "", 1, 2147483647, 0};
  // Tables that make no record and run no Delete are not counted.
  state->Tables[1].TableName = "Empty";
  state->Tables[1].RecordCount = 0;
  state->Tables[2].TableName = "Cleared";
  state->Tables[2].RecordCount = 0;
  state->Tables[2].DeleteExisting = 1;
  const std::string path = (dir / "wrapped.prf").string();
  SaveProfileFile(*state, 2, path);
  r = RunTool("kestrove-run", {"--profile", path, "--seed", "1"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out,
            "Insert into T (f0,f1) Values (1);\nInsert into T (f0,f1) Values (2);\nDelete from "
            "Cleared;\n");
  EXPECT_NE(r.err.find("completed: 2 tables, 2 records, 3 statements"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("warning: table Empty made no statement\n"), std::string::npos) << r.err;
}

// A named profile's [run] options, which the command line overrides, and
// its named-only choices in a dry run, where the options that need a data
// source are left out.
TEST_F(KestroveRunTest, NamedProfileRunOptionsAndNamedOnlyChoices) {
  const std::string path = (dir / "run.toml").string();
  std::ofstream(path) << "[run]\norder = \"parents-first\"\nrows_per_insert = 2\n"
                         "commit_every = 5\n\n[[table]]\nname = \"T\"\nrecords = 2\nfields = [\n"
                         "  { name = \"id\", class = \"bigint\", choice = \"Counter\", "
                         "\"Starting Value\" = \"5000000000\" },\n"
                         "  { name = \"b\", class = \"bool\", choice = \"Fixed Value\", "
                         "Value = \"TRUE\" },\n"
                         "  { name = \"k\", class = \"binary\", choice = \"Random Bytes\", "
                         "Length = \"1\" },\n]\n";
  const struct {
    std::vector<std::string> extra;
    std::string out;
  } cases[] = {
      {{}, "Insert into T (id,b,k) Values (5000000000,TRUE,X'"},
      {{"--rows-per-insert", "1"}, "Insert into T (id,b,k) Values (5000000001,TRUE,X'"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--profile", path, "--seed", "3"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const auto r = RunTool("kestrove-run", args);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    // Batched, both records share one statement; one by one, the second
    // record has a line of its own.
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), c.extra.empty() ? 1 : 2) << r.out;
  }
}

// A dry run of a named profile is a whole script: the child listed first
// runs after the parent its lookup reads (order from the profile), draws
// the values the run made, and a lookup of a table the run does not fill
// writes NULL, named once on standard error.
TEST_F(KestroveRunTest, DryRunLookupsDrawFromTheRowsMadeOrWriteNull) {
  const std::string path = (dir / "script.toml").string();
  std::ofstream(path)
      << "[run]\norder = \"parents-first\"\n\n[[table]]\nname = \"c\"\n"
         "records = 40\nfields = [\n"
         "  { name = \"p_id\", class = \"integer\", choice = \"Database Lookup\", "
         "\"Field Name\" = \"id\", TableName = \"p\" },\n"
         "  { name = \"q_id\", class = \"integer\", choice = \"Database Lookup\", "
         "\"Field Name\" = \"id\", TableName = \"q\" },\n]\n\n"
         "[[table]]\nname = \"p\"\nrecords = 3\nfields = [\n"
         "  { name = \"id\", choice = \"Counter\", \"Starting Value\" = \"7\" },\n]\n";
  const struct {
    std::vector<std::string> extra;
    bool parents_first;
  } cases[] = {{{}, true}, {{"--order", "slots"}, false}};
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--profile", path, "--seed", "5"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const auto r = RunTool("kestrove-run", args);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 43u) << r.out;
    std::set<std::string> drawn;
    for (const std::string& line : lines) {
      if (line.rfind("Insert into c ", 0) != 0) continue;
      const std::string values = line.substr(line.find("Values (") + 8);
      drawn.insert(values.substr(0, values.find(',')));
      EXPECT_EQ(values.substr(values.find(',') + 1), "NULL);") << line;
    }
    // Parents first: every value is one of p's 7, 8, 9, and all are drawn;
    // in slot order p has no row yet, and c writes NULL.
    const std::set<std::string> expected =
        c.parents_first ? std::set<std::string>{"7", "8", "9"} : std::set<std::string>{"NULL"};
    EXPECT_EQ(drawn, expected);
    EXPECT_EQ(lines.front().rfind(c.parents_first ? "Insert into p " : "Insert into c ", 0), 0u);
    const std::string q_warning =
        "kestrove-run: warning: table c, field q_id: the Database Lookup of q.id writes NULL: "
        "table q has no row when c runs, and the run does not fill it\n";
    EXPECT_EQ(Occurrences(r.err, q_warning), 1u) << r.err;
    EXPECT_EQ(Occurrences(r.err, "field p_id"), c.parents_first ? 0u : 1u) << r.err;
  }
}

// Ctrl+C and SIGTERM both press "Stop": the record under way finishes and
// the exit code names the signal.
class KestroveRunStopTest : public KestroveRunTest,
                            public testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(KestroveRunStopTest, StopsAfterTheRecordUnderWay) {
  const auto [signal, expected_exit] = GetParam();
  const std::string profile = Profile({{206, "", ""}}, 2000000000);
  const std::string out = (dir / "long.sql").string();
  const pid_t pid = testing_support::StartTool(
      "kestrove-run", {"--profile", profile, "--sql-out", out, "--seed", "1"}, "/dev/null");
  // Wait until the run has written something, then press "Stop".
  for (int i = 0; i < 200 && (!fs::exists(out) || fs::file_size(out) < 100000); ++i) usleep(20000);
  kill(pid, signal);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), expected_exit);
  // Every statement written is whole: the last line ends cleanly.
  const std::string text = testing_support::ReadWhole(out);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  const auto lines = Lines(text);
  EXPECT_EQ(lines.back(), "Insert into T (f0) Values (" + std::to_string(lines.size()) + ");");
}

INSTANTIATE_TEST_SUITE_P(Signals, KestroveRunStopTest,
                         testing::Values(std::make_pair(SIGINT, 130),
                                         std::make_pair(SIGTERM, 143)));

}  // namespace
}  // namespace kestrove

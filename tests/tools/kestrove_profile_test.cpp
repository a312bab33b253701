// kestrove-profile: its help and exit codes, describe and draft on the shop
// and the music shop, the export and import round trip of the window-made
// shop profile, and the named profile running exactly as its .prf.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "catalogue/named_profile.h"
#include "db/db_test_support.h"
#include "db/music_shop.h"
#include "tool_runner.h"

namespace kestrove {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadWhole;
using testing_support::RunTool;
using testing_support::SchemaStatements;
using testing_support::SourceDir;

std::string ShopPrf() {
  return SourceDir() + "/examples/shop.prf";
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

TEST(KestroveProfile, HelpForTheToolAndEachCommand) {
  const auto top = RunTool("kestrove-profile", {"--help"});
  EXPECT_EQ(top.exit_code, 0);
  for (const char* text : {"describe", "draft", "export", "import", "[[table]]", "Exit codes"})
    EXPECT_NE(top.out.find(text), std::string::npos) << text;
  const std::pair<const char*, const char*> commands[] = {{"describe", "--table"},
                                                          {"draft", "--output"},
                                                          {"export", "FILE.prf"},
                                                          {"import", "FILE.toml"}};
  for (const auto& [command, option] : commands) {
    const auto r = RunTool("kestrove-profile", {command, "--help"});
    EXPECT_EQ(r.exit_code, 0) << command;
    EXPECT_NE(r.out.find(option), std::string::npos) << command << ":\n" << r.out;
    EXPECT_NE(r.out.find("Exit codes"), std::string::npos) << command;
  }
}

TEST(KestroveProfile, BadInputExitsTwoAndAnUnreachableDataSourceOne) {
  const fs::path dir = fs::temp_directory_path() / ("kestrove-profile-" + std::to_string(getpid()));
  fs::create_directories(dir);
  WriteFile(dir / "bad.toml", "[[table]]\nname = \"x\"\nrecods = 1\n");
  const std::string bad = (dir / "bad.toml").string();
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    std::string message;
  };
  const Case cases[] = {
      {{}, 2, "A subcommand is required"},
      {{"explain"}, 2, "unknown command 'explain'"},
      {{"describe"}, 2, "--dsn is required"},
      {{"import", bad, "--dsn", "X"}, 2, "--output is required"},
      {{"export", (dir / "none.prf").string()}, 2, "cannot load profile"},
      {{"import", bad, "--dsn", "NoSuchDsn", "-o", (dir / "x.prf").string()},
       2,
       "bad.toml:3: table \"x\": unknown key \"recods\""},
      {{"describe", "--dsn", "NoSuchDsn"}, 1, "Communication Failure"},
  };
  for (const Case& c : cases) {
    const auto r = RunTool("kestrove-profile", c.args);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.message << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  fs::remove_all(dir);
}

// -o replaces its file only once the new text is wholly written, and a
// failure gives the system's reason: a folder in its place, and a write
// that runs out of room (a file size limit of 1 KiB, SIGXFSZ ignored).
TEST(KestroveProfile, OutputThatCannotBeWrittenKeepsTheOldFileAndSaysWhy) {
  const fs::path dir =
      fs::temp_directory_path() / ("kestrove-profile-o-" + std::to_string(getpid()));
  fs::create_directories(dir / "folder");
  const std::string old = (dir / "shop.toml").string();
  const std::string tool = testing_support::BinDir() + "/kestrove-profile";
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"", (dir / "folder").string(),
       "Cannot create file " + (dir / "folder").string() + ": Is a directory"},
      {"ulimit -f 1; trap '' XFSZ; ", old, "Cannot write file " + old + ": File too large"},
  };
  for (const auto& [limit, target, message] : cases) {
    WriteFile(old, "the old profile");
    const std::string err = (dir / "err").string();
    const std::string command =
        limit + ("'" + tool + "' export '" + ShopPrf() + "' -o '" + target + "' 2>'" + err + "'");
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
    EXPECT_EQ(ReadWhole(err), "kestrove-profile: " + message + "\n");
    EXPECT_EQ(ReadWhole(old), "the old profile");
    fs::remove(err);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 2) << "a temporary file was left";
  }
  fs::remove_all(dir);
}

// Without a data source the named profile runs in the order written, which
// for the shop is the order of its slots.
TEST(KestroveProfile, NamedDryRunSendsWhatTheShopProfileSends) {
  const fs::path toml = fs::temp_directory_path() / ("shop-" + std::to_string(getpid()) + ".toml");
  // Removed however the case ends, so that a failure leaves nothing behind.
  struct RemoveOnExit {
    fs::path path;
    ~RemoveOnExit() {
      std::error_code ignored;
      fs::remove(path, ignored);
    }
  } remove_toml{toml};
  const auto exported = RunTool("kestrove-profile", {"export", ShopPrf(), "-o", toml.string()});
  ASSERT_EQ(exported.exit_code, 0) << exported.err;
  for (const char* seed : {"1", "4000000000"}) {
    const auto prf =
        RunTool("kestrove-run", {"--profile", ShopPrf(), "--seed", seed, "--today", "2026/12/09"});
    const auto named = RunTool(
        "kestrove-run", {"--profile", toml.string(), "--seed", seed, "--today", "2026/12/09"});
    ASSERT_EQ(named.exit_code, 0) << named.err;
    EXPECT_GT(prf.out.size(), 300000u);
    // The same statements up to the first Database Lookup (sale's customer),
    // where the positional dry run writes nothing and the named one, a whole
    // script, a customer it made; as many statements, none with an empty value.
    const size_t lookups = prf.out.find("\nInsert into sale ");
    ASSERT_NE(lookups, std::string::npos);
    EXPECT_EQ(named.out.substr(0, lookups), prf.out.substr(0, lookups)) << "seed " << seed;
    EXPECT_NE(prf.out.find(",,"), std::string::npos);
    EXPECT_EQ(named.out.find(",,"), std::string::npos) << "seed " << seed;
    EXPECT_EQ(std::count(named.out.begin(), named.out.end(), '\n'),
              std::count(prf.out.begin(), prf.out.end(), '\n'));
  }
}

class KestroveProfileDb : public testing::ScratchDriverTest {
 protected:
  void DropShop() {
    for (const char* table : {"sale_line", "sale", "supplier", "product", "customer"}) Drop(table);
  }
  void DropMusicShop() {
    testing::DropMusicShop([this](const std::string& sql) { Exec(sql); });
  }
  void CreateShop() {
    DropShop();
    for (const std::string& s : SchemaStatements(SourceDir() + "/examples/shop.sql")) Exec(s);
  }
  std::string Path(const char* name) { return (dir_ / name).string(); }
};

TEST_P(KestroveProfileDb, ShopRoundTripsAndItsNamedProfileSendsTheSameStatements) {
  DropMusicShop();
  CreateShop();
  // The round trip holds where the data source lists the shop's five tables,
  // as when the profile was made.
  const auto described = RunTool("kestrove-profile", {"describe", "--dsn", dsn_});
  ASSERT_EQ(described.exit_code, 0) << described.err;
  ASSERT_EQ(described.out.rfind("Data source " + dsn_ + ": 5 tables, in slot order\n", 0), 0u)
      << described.out;
  // The field's line, what the database keeps of its column, its choices.
  const size_t field = described.out.find(
      "  field 1: customer_id: Integer, size 0, class integer, references customer(id)\n"
      "    column: ");
  ASSERT_NE(field, std::string::npos) << described.out;
  EXPECT_EQ(described.out.find("\n    choices: Do not update; Fixed Value (Value); Random (From, "
                               "To); Age (Type); Counter (Starting Value); Database Lookup (Field "
                               "Name, TableName)\n",
                               field),
            described.out.find("\n", described.out.find("    column: ", field)))
      << described.out;
  // Names with a prefix are guessed as the plain name is, within the size.
  const auto drafted = RunTool("kestrove-profile", {"draft", "--dsn", dsn_});
  ASSERT_EQ(drafted.exit_code, 0) << drafted.err;
  for (const char* line :
       {"  { name = \"contact_gender\", choice = \"Gender\", Format = \"M or F\", null = 0.1 },\n",
        "  { name = \"contact_title\", choice = \"Title\", null = 0.1 },\n",
        "  # contact_initials: left out, Initials makes up to 3 characters, more "
        "than its size of 2\n"})
    EXPECT_NE(drafted.out.find(line), std::string::npos) << line << drafted.out;

  const auto exported =
      RunTool("kestrove-profile", {"export", ShopPrf(), "--dsn", dsn_, "-o", Path("shop.toml")});
  ASSERT_EQ(exported.exit_code, 0) << exported.err;
  EXPECT_EQ(exported.err, "");
  const auto imported = RunTool(
      "kestrove-profile", {"import", Path("shop.toml"), "--dsn", dsn_, "-o", Path("shop.prf")});
  ASSERT_EQ(imported.exit_code, 0) << imported.err;
  EXPECT_TRUE(ReadWhole(Path("shop.prf")) == ReadWhole(ShopPrf()));

  // Each run on a fresh shop (PostgreSQL refuses the profile's Delete of a
  // parent whose children are full).
  std::string sent[2];
  const std::string profiles[] = {ShopPrf(), Path("shop.toml")};
  for (int i = 0; i < 2; ++i) {
    CreateShop();
    const std::string log = Path(i == 0 ? "prf.sql" : "named.sql");
    const auto r = RunTool("kestrove-run", {"--profile", profiles[i], "--dsn", dsn_, "--sql-out",
                                            log, "--seed", "9", "--today", "2026/12/09"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    sent[i] = ReadWhole(log);
  }
  EXPECT_GT(sent[0].size(), 300000u);
  EXPECT_TRUE(sent[0] == sent[1]);
  DropShop();
}

TEST_P(KestroveProfileDb, DescribesAndDraftsTheMusicShop) {
  DropShop();
  testing::CreateMusicShop([this](const std::string& sql) { Exec(sql); }, IsPostgres());
  const auto described =
      RunTool("kestrove-profile", {"describe", "--dsn", dsn_, "--table", "playlist_track"});
  ASSERT_EQ(described.exit_code, 0) << described.err;
  EXPECT_NE(described.out.find(", NOT NULL\n    choices"), std::string::npos) << described.out;
  EXPECT_EQ(described.out.substr(0, described.out.find("    column")),
            "\ntable 9: playlist_track (2 fields)\n"
            "  field 0: playlist_id: Integer, size 0, class integer, primary key, references "
            "playlist(playlist_id)\n");
  const auto missing =
      RunTool("kestrove-profile", {"describe", "--dsn", dsn_, "--table", "tracks"});
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_NE(missing.err.find("no table 'tracks' (did you mean 'track'?)"), std::string::npos)
      << missing.err;

  const auto drafted = RunTool("kestrove-profile", {"draft", "--dsn", dsn_, "-o", Path("m.toml")});
  ASSERT_EQ(drafted.exit_code, 0) << drafted.err;
  const std::string text = ReadWhole(Path("m.toml"));
  for (const char* line :
       {"  { name = \"album_id\", choice = \"Counter\" },\n",
        "  { name = \"artist_id\", class = \"integer\", choice = \"Database Lookup\", \"Field "
        "Name\" = \"artist_id\", TableName = \"artist\" },\n",
        R"(  { name = "title", choice = "Formatted", "Data Format" = "!\\\\\\\\\\\\\\~~~~" },)"
        "\n",
        "  { name = \"last_name\", choice = \"Surname\" },\n",
        "  { name = \"email\", choice = \"Email\", null = 0.1 },\n",
        "  { name = \"post_code\", choice = \"Post/Zip Code\", null = 0.1 },\n",
        "  { name = \"hire_date\", choice = \"Random Date\", From = \"2000/1/1\", Style = "
        "\"yyyy-mm-dd\", null = 0.1, after = \"birth_date\", gap = \"6570-18250\" },\n",
        "  { name = \"billing_town\", choice = \"Town/City\", null = 0.1 },\n",
        "  { name = \"birth_date\", choice = \"Random Date\", From = \"1940/1/1\", To = "
        "\"2005/12/31\", Style = \"yyyy-mm-dd\", null = 0.1 },\n",
        "  # reports_to: left out, it references employee(employee_id), its own table, where the "
        "first record finds no row to look up\n",
        "  # the key (playlist_id, track_id) is made of looked-up values, which repeat: give one "
        "of its columns a Counter, or keep the records to a few\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  const NamedProfile draft = ParseNamedProfile(text, "m.toml");
  ASSERT_EQ(draft.tables.size(), 11u);
  // The draft is a profile of this data source as it stands.
  const auto imported =
      RunTool("kestrove-profile", {"import", Path("m.toml"), "--dsn", dsn_, "-o", Path("m.prf")});
  EXPECT_EQ(imported.exit_code, 0) << imported.err;

  // A name that matches nothing ends the run before it starts.
  WriteFile(dir_ / "typo.toml",
            "[[table]]\nname = \"album\"\nfields = [{ name = \"titel\", "
            "choice = \"Surname\" }]\n");
  const auto typo = RunTool("kestrove-run", {"--profile", Path("typo.toml"), "--dsn", dsn_});
  EXPECT_EQ(typo.exit_code, 2);
  EXPECT_NE(typo.err.find("typo.toml:3: table \"album\", field \"titel\": the table has no such "
                          "field (did you mean \"title\"?)"),
            std::string::npos)
      << typo.err;
  EXPECT_EQ(CountRows("album"), 0);
  DropMusicShop();
}

INSTANTIATE_TEST_SUITE_P(Drivers, KestroveProfileDb,
                         ::testing::Values(testing::Driver{"Sqlite", "KESTROVE_SQLITE_DSN"},
                                           testing::Driver{"Postgres", "KESTROVE_PG_DSN"}),
                         testing::DriverName);

}  // namespace
}  // namespace kestrove

// kestrove-lists run as a program: export, import and info round trips, and
// the errors that end with exit code 2 and write nothing.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "lookup/list_file.h"
#include "lookup/lookup_lists.h"

namespace kestrove {
namespace {

namespace fs = std::filesystem;

struct Result {
  int code = -1;
  std::string out, err;
};

class KestroveListsToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bin_ = KESTROVE_TEST_BIN_DIR;
    tool_ = bin_ / "kestrove-lists";
    ASSERT_TRUE(fs::exists(tool_)) << "kestrove-lists not built in " << bin_;
    dir_ = fs::temp_directory_path() /
           ("kestrove-lists-tool-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  static std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  Result Run(const std::string& args) const {
    const fs::path out = dir_ / "stdout.txt";
    const fs::path err = dir_ / "stderr.txt";
    const std::string cmd = "'" + tool_.string() + "' " + args + " >'" + out.string() + "' 2>'" +
                            err.string() + "' </dev/null";
    const int status = std::system(cmd.c_str());
    Result r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Slurp(out);
    r.err = Slurp(err);
    return r;
  }

  std::string Write(const std::string& name, const std::string& contents) const {
    std::ofstream(dir_ / name, std::ios::binary) << contents;
    return (dir_ / name).string();
  }

  fs::path bin_, tool_, dir_;
};

TEST_F(KestroveListsToolTest, ExportImportRoundTripReproducesTheShippedFile) {
  for (const char* list : {"towns", "surnames", "user3"}) {
    const Result exported = Run(std::string("export ") + list);
    ASSERT_EQ(exported.code, 0) << exported.err;
    const std::string tsv = Write(std::string(list) + ".tsv", exported.out);
    const std::string copy = (dir_ / "copy.bin").string();
    const Result imported = Run(std::string("import ") + list + " " + tsv + " --file " + copy);
    ASSERT_EQ(imported.code, 0) << imported.err;
    const int id = LookupListByCommandName(list);
    EXPECT_EQ(Slurp(copy), Slurp(bin_ / LookupListInfo(id).file_name)) << list;
  }
  const Result towns = Run("export towns");
  EXPECT_EQ(towns.out.substr(0, towns.out.find('\n')), "Town\tCounty\tPostCode");
}

TEST_F(KestroveListsToolTest, ImportMatchesColumnsByNameAndCutsLongValues) {
  const std::string tsv = Write("in.tsv",
                                "postcode\tTOWN\r\n"
                                "GL50\tCheltenham\r\n"
                                "\r\n"
                                "BA\tA town name far longer than twenty-four\r\n");
  const std::string file = (dir_ / "twn.bin").string();
  const Result r = Run("import towns " + tsv + " --file " + file);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("2 values cut to the field width"), std::string::npos) << r.err;

  LookupLists lists;
  lists.Load(kTownList, file);
  ASSERT_EQ(lists.RecordCount(kTownList), 2);
  EXPECT_EQ(lists.PickListValue(kSelTown, 0), "Cheltenham");
  EXPECT_EQ(lists.PickListValue(kSelPostCode, 0), "GL");
  EXPECT_EQ(lists.PickListValue(kSelCounty, 0), "");
  EXPECT_EQ(lists.PickListValue(kSelTown, 1), "A town name far longer t");
}

TEST_F(KestroveListsToolTest, EmptyEntriesSurviveExportAndImport) {
  // A one-field list writes an empty entry as an empty line, last or not;
  // a list of several fields as a line of tabs.
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"user1", "Data\nfirst\n\nthird\n\n"},
      {"towns", "Town\tCounty\tPostCode\nBath\tSomerset\tBA\n\t\t\n"},
  };
  for (const auto& [list, tsv] : cases) {
    const fs::path in = dir_ / "in.tsv", file = dir_ / "list.bin";
    std::ofstream(in, std::ios::binary) << tsv;
    ASSERT_EQ(Run("import " + list + " '" + in.string() + "' --file '" + file.string() + "'").code,
              0);
    const Result exported = Run("export " + list + " --file '" + file.string() + "'");
    EXPECT_EQ(exported.out, tsv) << list;
    std::ofstream(in, std::ios::binary) << exported.out;
    ASSERT_EQ(Run("import " + list + " '" + in.string() + "' --file '" + file.string() + "'").code,
              0);
    EXPECT_EQ(Run("export " + list + " --file '" + file.string() + "'").out, tsv) << list;
  }
  // Before the header, and with several columns, empty lines are still
  // skipped.
  const fs::path in = dir_ / "in.tsv", file = dir_ / "list.bin";
  std::ofstream(in, std::ios::binary) << "\nTown\tCounty\nBath\tSomerset\n\n";
  ASSERT_EQ(Run("import towns '" + in.string() + "' --file '" + file.string() + "'").code, 0);
  EXPECT_EQ(Run("export towns --file '" + file.string() + "'").out,
            "Town\tCounty\tPostCode\nBath\tSomerset\t\n");
}

TEST_F(KestroveListsToolTest, InfoDescribesTheFile) {
  const Result r = Run("info '" + (bin_ / "twndata.bin").string() + "'");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("signature: Ver"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("version: 1.4"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Town\tdata size 25\ttype 1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("PostCode\tdata size 3\ttype 1"), std::string::npos) << r.out;
  LookupLists lists;
  lists.Load(kTownList, (bin_ / "twndata.bin").string());
  EXPECT_NE(r.out.find("records: " + std::to_string(lists.RecordCount(kTownList))),
            std::string::npos);

  std::string image;
  ASSERT_TRUE(ReadWholeFile((bin_ / "srndata.bin").string(), image));
  const std::string cut = Write("cut.bin", image.substr(0, image.size() - 3));
  const Result damaged = Run("info " + cut);
  EXPECT_EQ(damaged.code, 0);
  EXPECT_NE(damaged.out.find("damaged"), std::string::npos) << damaged.out;
}

TEST_F(KestroveListsToolTest, ErrorsExitWithTwoAndWriteNothing) {
  const std::string target = (dir_ / "out.bin").string();
  const std::string good = Write("good.tsv", "Surname\nSmith\n");
  const std::string bad_column = Write("bad.tsv", "Surname\tShoeSize\nSmith\t9\n");
  const std::string too_many = Write("wide.tsv", "Surname\nSmith\tExtra\n");
  const std::vector<std::string> cases = {
      "",
      "frobnicate",
      "export",
      "export planets",
      "export towns --file " + (dir_ / "missing.bin").string(),
      "export towns --bogus",
      "import planets " + good + " --file " + target,
      "import surnames " + (dir_ / "missing.tsv").string() + " --file " + target,
      "import surnames " + bad_column + " --file " + target,
      "import surnames " + too_many + " --file " + target,
      "info",
      "info " + (dir_ / "missing.bin").string(),
      "info " + dir_.string(),
  };
  for (const std::string& args : cases) {
    const Result r = Run(args);
    EXPECT_EQ(r.code, 2) << "kestrove-lists " << args;
    EXPECT_FALSE(r.err.empty()) << args;
    EXPECT_FALSE(fs::exists(target)) << args;
  }
  const Result shoe = Run("import surnames " + bad_column + " --file " + target);
  EXPECT_NE(shoe.err.find("ShoeSize"), std::string::npos) << shoe.err;
}

TEST_F(KestroveListsToolTest, HelpDocumentsEveryCommandAndList) {
  const Result r = Run("--help");
  EXPECT_EQ(r.code, 0);
  for (const char* word :
       {"export", "import", "info", "--file", "surnames", "male-forenames", "female-forenames",
        "towns", "streets", "companies", "user1", "Exit codes"})
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

}  // namespace
}  // namespace kestrove

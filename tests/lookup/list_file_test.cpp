// The list file format: exact bytes written, and what the reader makes of
// files with other field orders, missing, extra or damaged parts.

#include "lookup/list_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/errors.h"
#include "lookup/list_test_util.h"
#include "lookup/lookup_lists.h"

namespace kestrove {
namespace {

using testing::AddRecord;
using testing::Column;
using testing::Desc;
using testing::ExpectError;
using testing::I16;
using testing::I32;
using testing::RecIds;
using testing::SurnameList;
using testing::Text;
using testing::TownList;
using testing::VersionHeader;

using Names = std::vector<std::string>;

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

const std::string kTownHeader =
    VersionHeader() + I32(3) + Desc("Town", 25) + Desc("County", 25) + Desc("PostCode", 3);

class ListFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("kestrove-listfile-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const std::string& contents) const {
    std::ofstream(Path(name), std::ios::binary) << contents;
    return Path(name);
  }
  std::string Read(const std::string& path) const {
    std::string s;
    EXPECT_TRUE(ReadWholeFile(path, s));
    return s;
  }

  std::filesystem::path dir_;
};

// --- Writing ---

TEST_F(ListFileTest, FormatSingleSurnameIsExactly41Bytes) {
  TdxMemData list = SurnameList();
  AddRecord(list, {"Smith"});
  SaveListFile(list, Path("srndata.bin"));
  const std::string expected =
      Bytes({0x56, 0x65, 0x72, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0xF6, 0x3F, 0x01,
             0x00, 0x00, 0x00, 0x11, 0x00, 0x00, 0x00, 0x01, 0x00, 0x08, 0x00}) +
      "Surname" + Bytes({0x00, 0x06, 0x00, 0x00, 0x00}) + "Smith" + Bytes({0x00});
  ASSERT_EQ(expected.size(), 41u);
  EXPECT_EQ(Read(Path("srndata.bin")), expected);
}

TEST_F(ListFileTest, FormatHeadersOfEmptyLists) {
  TdxMemData surnames = SurnameList();
  EXPECT_EQ(BuildListImage(surnames).size(), 31u);
  EXPECT_EQ(BuildListImage(surnames), VersionHeader() + I32(1) + Desc("Surname", 17));

  TdxMemData towns = TownList();
  const std::string header = BuildListImage(towns);
  EXPECT_EQ(header.size(), 60u);
  EXPECT_EQ(header, kTownHeader);
  EXPECT_EQ(header.substr(21, 2), I16(5));  // name length of Town
}

TEST_F(ListFileTest, FormatEmptyAndUnsetValuesAreOneZeroByte) {
  TdxMemData towns = TownList();
  towns.Append();
  towns.SetFieldText("Town", "Ely");
  towns.SetFieldText("County", "");
  towns.Post();  // PostCode stays unset
  EXPECT_EQ(BuildListImage(towns), kTownHeader + Text("Ely") + Text("") + Text(""));
  ParseListImage(towns, BuildListImage(towns));
  EXPECT_EQ(towns.RecordCount(), 1);
  EXPECT_EQ(towns.FieldText("County"), "");
  EXPECT_EQ(towns.FieldText("PostCode"), "");
}

TEST_F(ListFileTest, FormatSaveWritesSortedOrderAndSkipsPendingInsert) {
  TdxMemData list = SurnameList();
  for (const char* n : {"Clark", "Adams", "Baker"}) AddRecord(list, {n});
  list.SetSortedField("Surname");
  list.SetSortedField("");
  list.Append();
  list.SetFieldText("Surname", "Pending");
  SaveListFile(list, Path("s.bin"));
  TdxMemData back = SurnameList();
  LoadListFile(back, Path("s.bin"));
  EXPECT_EQ(Column(back), (Names{"Adams", "Baker", "Clark"}));
}

TEST_F(ListFileTest, SaveOfClosedListTouchesNothing) {
  TdxMemData closed("StreetTable", {{"StreetName", 16}}, false);
  SaveListFile(closed, Path("none.bin"));
  EXPECT_FALSE(std::filesystem::exists(Path("none.bin")));
  const std::string old = Write("strdata.bin", "old contents");
  SaveListFile(closed, old);
  EXPECT_EQ(Read(old), "old contents");
}

TEST_F(ListFileTest, SaveFailuresRaiseTheirMessages) {
  TdxMemData list = SurnameList();
  AddRecord(list, {"Smith"});
  const std::string missing_dir = Path("no/such/dir/srndata.bin");
  ExpectError<EInOutError>([&] { SaveListFile(list, missing_dir); },
                           "Cannot create file " + missing_dir);
  ExpectError<EInOutError>([&] { SaveListFile(list, Path("")); },  // a directory
                           "Cannot create file " + Path(""));
}

// A write that runs out of room (here a file size limit in a child process)
// raises "Stream write error" and leaves the old file as it was.
TEST_F(ListFileTest, FailedWriteKeepsTheOldFile) {
  const std::string path = Path("srndata.bin");
  const std::string old = Write("srndata.bin", "the list as it was");
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    TdxMemData list = SurnameList();
    for (int i = 0; i < 200; ++i) AddRecord(list, {"Surname" + std::to_string(i)});
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{100, 100};
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
      SaveListFile(list, path);
    } catch (const EInOutError& e) {
      _exit(std::string(e.what()) == "Stream write error" ? 0 : 2);
    }
    _exit(1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no error raised, 2: another message";
  EXPECT_EQ(Read(old), "the list as it was");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1)
      << "a temporary file was left";
}

// --- Reading ---

TEST_F(ListFileTest, FormatRoundTripKeepsOrderValuesAndNumbersRecords) {
  TdxMemData towns = TownList();
  AddRecord(towns, {"Gloucester", "Gloucestershire", "GL"});
  AddRecord(towns, {"Bath", "Somerset", "BA"});
  SaveListFile(towns, Path("t.bin"));
  TdxMemData back = TownList();
  LoadListFile(back, Path("t.bin"));
  EXPECT_EQ(Column(back, 0), (Names{"Gloucester", "Bath"}));
  EXPECT_EQ(Column(back, 1), (Names{"Gloucestershire", "Somerset"}));
  EXPECT_EQ(Column(back, 2), (Names{"GL", "BA"}));
  EXPECT_EQ(RecIds(back), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(back.RecNo(), 0);
}

struct TownCase {
  const char* name;
  std::string image;
  Names towns, counties, codes;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const TownCase& c, std::ostream* os) {
  *os << c.name;
}

class ListFileTownImageTest : public ::testing::TestWithParam<TownCase> {};

TEST_P(ListFileTownImageTest, LoadsValuesByFieldName) {
  const TownCase& c = GetParam();
  TdxMemData towns = TownList();
  ParseListImage(towns, c.image);
  EXPECT_TRUE(towns.Active());
  EXPECT_EQ(Column(towns, 0), c.towns);
  EXPECT_EQ(Column(towns, 1), c.counties);
  EXPECT_EQ(Column(towns, 2), c.codes);
}

INSTANTIATE_TEST_SUITE_P(
    ListFileImages, ListFileTownImageTest,
    ::testing::Values(
        TownCase{"OtherOrder",
                 VersionHeader() + I32(3) + Desc("PostCode", 3) + Desc("County", 25) +
                     Desc("Town", 25) + Text("GL") + Text("Gloucestershire") + Text("Gloucester") +
                     Text("BA") + Text("Somerset") + Text("Bath"),
                 {"Gloucester", "Bath"},
                 {"Gloucestershire", "Somerset"},
                 {"GL", "BA"}},
        TownCase{"MissingCounty",
                 VersionHeader() + I32(2) + Desc("Town", 25) + Desc("PostCode", 3) + Text("Truro") +
                     Text("TR"),
                 {"Truro"},
                 {""},
                 {"TR"}},
        TownCase{"ExtraTextAndBinaryFields",
                 VersionHeader() + I32(5) + Desc("Town", 25) + Desc("Mayor", 40) +
                     Desc("Population", 4, 3) + Desc("County", 25) + Desc("PostCode", 3) +
                     Text("Ely") + Text("Somebody") + std::string(1, '\1') + I32(20000) +
                     Text("Cambridgeshire") + Text("CB"),
                 {"Ely"},
                 {"Cambridgeshire"},
                 {"CB"}},
        TownCase{"LowerCaseNames",
                 VersionHeader() + I32(3) + Desc("town", 25) + Desc("COUNTY", 25) +
                     Desc("postcode", 3) + Text("Ayr") + Text("Ayrshire") + Text("KA"),
                 {"Ayr"},
                 {"Ayrshire"},
                 {"KA"}},
        TownCase{"WithoutSignatureNoFlagBytes",
                 I32(3) + Desc("Town", 25) + Desc("Population", 4, 3) + Desc("PostCode", 3) +
                     Text("Wells") + I32(10000) + Text("BA"),
                 {"Wells"},
                 {""},
                 {"BA"}},
        TownCase{"CutInsideLastRecord",
                 kTownHeader + Text("Bath") + Text("Somerset") + Text("BA") + Text("Wells") +
                     Text("Som"),
                 {"Bath"},
                 {"Somerset"},
                 {"BA"}},
        TownCase{"CutInsideALength",
                 kTownHeader + Text("Bath") + Text("Somerset") + Text("BA") + I32(6).substr(0, 2),
                 {"Bath"},
                 {"Somerset"},
                 {"BA"}},
        TownCase{"OverLongValuesCut",
                 VersionHeader() + I32(3) + Desc("Town", 41) + Desc("County", 25) +
                     Desc("PostCode", 9) + Text("Abcdefghijklmnopqrstuvwxyz0123456789") +
                     Text("Shire") + Text("GL50 1AA"),
                 {"Abcdefghijklmnopqrstuvwx"},
                 {"Shire"},
                 {"GL"}},
        TownCase{"ValueLongerThanFileDataSize",
                 VersionHeader() + I32(1) + Desc("Town", 5) + Text("Gloucester") + Text("Ely"),
                 {"Gloucester", "Ely"},
                 {"", ""},
                 {"", ""}},
        TownCase{"MatchedFieldWithOtherTypeCodeReadAsText",
                 VersionHeader() + I32(2) + Desc("Town", 25, 3) + Desc("PostCode", 3, 7) +
                     Text("Ely") + Text("CB") + Text("Bath") + Text("BA"),
                 {"Ely", "Bath"},
                 {"", ""},
                 {"CB", "BA"}},
        TownCase{"ValueBeyondItsCapacitySkipsTheRest",
                 VersionHeader() + I32(2) + Desc("Town", 25) + Desc("PostCode", 3) +
                     Text(std::string(40, 'T')) + Text("GL50 1AA") + Text("Ely") + Text("CB"),
                 {std::string(24, 'T'), "Ely"},
                 {"", ""},
                 {"GL", "CB"}},
        TownCase{"NameEndsAtItsZeroByte",
                 VersionHeader() + I32(1) + I32(25) + I16(1) + I16(8) +
                     std::string("Town\0xyz", 8) + Text("Ayr"),
                 {"Ayr"},
                 {""},
                 {""}},
        TownCase{"HeaderOnly", kTownHeader, {}, {}, {}},
        TownCase{"NoMatchingField",
                 VersionHeader() + I32(1) + Desc("Surname", 17) + Text("Smith"),
                 {},
                 {},
                 {}},
        TownCase{"ZeroBytes", "", {}, {}, {}},
        TownCase{"DescriptorsCutShort",
                 VersionHeader() + I32(3) + Desc("Town", 25) + Desc("County", 25).substr(0, 6),
                 {},
                 {},
                 {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ListFileTest, LoadReplacesRecordsAndSortsWhenSortFieldIsSet) {
  TdxMemData towns = TownList();
  AddRecord(towns, {"Old"});
  towns.SetSortedField("Town");
  const std::string image = kTownHeader + Text("york") + Text("") + Text("") + Text("Bath") +
                            Text("") + Text("") + Text("YORK") + Text("") + Text("") + Text("ayr") +
                            Text("") + Text("");
  LoadListFile(towns, Write("t.bin", image));
  // york and YORK are equal keys; the partitioning leaves them this way round.
  EXPECT_EQ(Column(towns), (Names{"ayr", "Bath", "YORK", "york"}));
  EXPECT_EQ(RecIds(towns), (std::vector<int32_t>{4, 2, 3, 1}));
  EXPECT_EQ(towns.RecNo(), 0);
  EXPECT_EQ(towns.SortedField(), "Town");
}

TEST_F(ListFileTest, UnreadableFileLeavesTheListExactlyAsItWas) {
  TdxMemData list = SurnameList();
  LoadListFile(list, Write("s.bin", BuildListImage(list) + Text("Adams") + Text("Baker")));
  list.Last();
  list.SetSortedField("Surname");
  for (const std::string& path : {Path("missing.bin"), Path("")}) {
    LoadListFile(list, path);
    EXPECT_EQ(Column(list), (Names{"Adams", "Baker"}));
    EXPECT_EQ(list.RecNo(), 1);
    EXPECT_TRUE(list.Active());
  }
  if (::geteuid() != 0) {  // root reads whatever the mode says
    const std::string locked = Write("locked.bin", BuildListImage(list));
    ::chmod(locked.c_str(), 0);
    LoadListFile(list, locked);
    EXPECT_EQ(list.RecordCount(), 2);
  }
  TdxMemData closed("StreetTable", {{"StreetName", 16}}, false);
  LoadListFile(closed, Path("missing.bin"));
  EXPECT_FALSE(closed.Active());
}

TEST_F(ListFileTest, LoadOpensAClosedListEvenFromAnEmptyFile) {
  TdxMemData closed("StreetTable", {{"StreetName", 16}}, false);
  LoadListFile(closed, Write("empty.bin", ""));
  EXPECT_TRUE(closed.Active());
  EXPECT_EQ(closed.RecordCount(), 0);
}

TEST_F(ListFileTest, HugeSizesInTheFileAreNotTrusted) {
  // A descriptor count far beyond the data, negative and huge data sizes on a
  // matched field, a negative name length and a value length past the end.
  const std::string huge_count =
      VersionHeader() + I32(INT32_MAX) + Desc("Surname", 17) + Text("Smith") + Text("Jones");
  TdxMemData list = SurnameList();
  ParseListImage(list, huge_count);
  // The count says more descriptors follow, so the records are read as such
  // and come up short: nothing but the header is usable.
  EXPECT_EQ(list.RecordCount(), 0);

  ParseListImage(list, VersionHeader() + I32(1) + Desc("Surname", -5) + Text("Smith"));
  EXPECT_EQ(Column(list), (Names{"Smith"}));
  ParseListImage(list, VersionHeader() + I32(1) + Desc("Surname", INT32_MAX) + Text("Smith"));
  EXPECT_EQ(Column(list), (Names{"Smith"}));

  ParseListImage(list, VersionHeader() + I32(1) + I32(17) + I16(1) + I16(-3) + "Surname");
  EXPECT_EQ(list.RecordCount(), 0);

  ParseListImage(list, VersionHeader() + I32(1) + Desc("Surname", 17) + Text("Smith") +
                           I32(INT32_MAX) + "Jones");
  EXPECT_EQ(Column(list), (Names{"Smith"}));
  ParseListImage(list, VersionHeader() + I32(1) + Desc("Surname", 17) + Text("Smith") + I32(-1));
  EXPECT_EQ(Column(list), (Names{"Smith"}));

  // A name far longer than any field name matches nothing; its values are
  // skipped and the next field still loads.
  const std::string long_name(3000, 'S');
  ParseListImage(list, VersionHeader() + I32(2) + Desc(long_name, 17) + Desc("Surname", 17) +
                           Text("skipped") + Text("Smith"));
  EXPECT_EQ(Column(list), (Names{"Smith"}));
}

TEST_F(ListFileTest, InspectReportsDescriptorsAndCompleteRecords) {
  const ListFileInfo info =
      InspectListImage(kTownHeader + Text("Bath") + Text("Somerset") + Text("BA") + Text("Wells"));
  EXPECT_TRUE(info.has_signature);
  EXPECT_DOUBLE_EQ(info.version, 1.4);
  ASSERT_EQ(info.descriptors.size(), 3u);
  EXPECT_EQ(info.descriptors[2].name, "PostCode");
  EXPECT_EQ(info.descriptors[2].data_size, 3);
  EXPECT_EQ(info.descriptors[2].type_code, 1);
  EXPECT_EQ(info.complete_records, 1);
  EXPECT_TRUE(info.damaged);

  const ListFileInfo v0 = InspectListImage(I32(1) + Desc("Flag", 0, 5) + std::string(9, 'x'));
  EXPECT_FALSE(v0.has_signature);
  EXPECT_TRUE(v0.damaged);  // records of nothing would never end
}

}  // namespace
}  // namespace kestrove

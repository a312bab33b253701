#include "catalogue/profile_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "core/errors.h"
#include "expect_error.h"

namespace kestrove {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> SplitCrLf(const std::string& image) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < image.size()) {
    size_t end = image.find("\r\n", pos);
    EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
    if (end == std::string::npos) break;
    lines.push_back(image.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

using testing::ExpectError;

class ProfileFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("kestrove-profile-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    state->ClearProfile();
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Path(const std::string& name) { return (dir / name).string(); }

  void Fill(ProfileState& s) {
    s.Tables[0].TableName = "Customer";
    s.Tables[0].RecordCount = 250;
    s.Tables[0].DeleteExisting = 1;
    s.Tables[0].Fields[0] = {"Id", 4, "1000", "", 0, 206, 206};
    s.Tables[0].Fields[1] = {"Name", 14, "", "", 0, 64, 64};
    s.Tables[0].Fields[255] = {"Last Field", 7, "1960/1/1", "2000/12/31", 1, 16, 17};
    s.Tables[2].TableName = "Order Lines";
    s.Tables[2].RecordCount = -3;
    s.Tables[2].DeleteExisting = 5;  // any value but 1 is "no delete"
    s.Tables[2].Fields[3] = {"Code", 1, "!!~~~-\\", "", 0, 1, 1};
  }

  fs::path dir;
  std::unique_ptr<ProfileState> state = ProfileState::Create();
};

TEST_F(ProfileFileTest, TwelveTablesGiveThirteenBlocks) {
  const std::string image = ProfileFileImage(*state, 12);
  const auto lines = SplitCrLf(image);
  EXPECT_EQ(lines.size(), 1u + 13u * 1795u);
  EXPECT_EQ(lines[0], "12");
}

TEST_F(ProfileFileTest, ClearedSlotBlock) {
  const auto lines = SplitCrLf(ProfileFileImage(*state, 0));
  ASSERT_EQ(lines.size(), 1u + 1795u);
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "10");
  EXPECT_EQ(lines[3], "false");
  const std::vector<std::string> field = {"", "0", "", "", "0", "0", "0"};
  for (int f = 0; f < 256; ++f)
    for (int i = 0; i < 7; ++i) ASSERT_EQ(lines[4 + f * 7 + i], field[i]) << f << "/" << i;
}

TEST_F(ProfileFileTest, RoundTripRestoresSlotsAndClearsTheRest) {
  Fill(*state);
  state->Tables[5].TableName = "Beyond";  // above N: not saved
  const std::string path = Path("round.prf");
  SaveProfileFile(*state, 3, path);

  auto loaded = ProfileState::Create();
  loaded->Tables[9].TableName = "stale";
  EXPECT_EQ(LoadProfileFile(*loaded, path), 3);
  for (int t = 0; t <= 3; ++t) {
    const auto& a = state->Tables[t];
    const auto& b = loaded->Tables[t];
    EXPECT_EQ(a.TableName, b.TableName);
    EXPECT_EQ(a.RecordCount, b.RecordCount);
    for (int f = 0; f < 256; ++f) {
      const auto& x = a.Fields[f];
      const auto& y = b.Fields[f];
      ASSERT_EQ(std::tie(x.FieldName, x.ChoiceIndex, x.Param1, x.Param2, x.Param3Index,
                         x.ChoiceBase, x.ChoiceCode),
                std::tie(y.FieldName, y.ChoiceIndex, y.Param1, y.Param2, y.Param3Index,
                         y.ChoiceBase, y.ChoiceCode))
          << t << "/" << f;
    }
  }
  EXPECT_EQ(loaded->Tables[0].DeleteExisting, 1);
  EXPECT_EQ(loaded->Tables[2].DeleteExisting, 0);  // saved as "false"
  EXPECT_EQ(loaded->Tables[5].TableName, "");
  EXPECT_EQ(loaded->Tables[9].TableName, "");
}

TEST_F(ProfileFileTest, DeleteFlagOnlyForLowerCaseTrue) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"true", 1}, {"True", 0}, {"TRUE", 0}, {"true ", 0}, {"1", 0}, {"", 0}, {"false", 0}};
  for (const auto& [text, expected] : cases) {
    auto lines = SplitCrLf(ProfileFileImage(*state, 0));
    lines[3] = text;
    std::string image;
    for (const auto& l : lines) image += l + "\r\n";
    LoadProfileImage(*state, image);
    EXPECT_EQ(state->Tables[0].DeleteExisting, expected) << "'" << text << "'";
  }
}

TEST_F(ProfileFileTest, FileEndingEarlyKeepsWhatWasRead) {
  Fill(*state);
  std::string image = ProfileFileImage(*state, 2);
  // Cut inside table slot 2's first field block, after its FieldName line.
  auto lines = SplitCrLf(image);
  std::string cut;
  const size_t keep = 1 + 2 * 1795 + 3 + 1;
  for (size_t i = 0; i < keep; ++i) cut += lines[i] + "\r\n";

  auto loaded = ProfileState::Create();
  ExpectError<EConvertError>([&] { LoadProfileImage(*loaded, cut); },
                             "'' is not a valid integer value");
  EXPECT_EQ(loaded->Tables[0].TableName, "Customer");
  EXPECT_EQ(loaded->Tables[0].Fields[255].Param2, "2000/12/31");
  EXPECT_EQ(loaded->Tables[2].TableName, "Order Lines");
  EXPECT_EQ(loaded->Tables[2].RecordCount, -3);
  EXPECT_EQ(loaded->Tables[2].Fields[0].FieldName, "");
  EXPECT_EQ(loaded->Tables[2].Fields[3].FieldName, "");  // never reached: still cleared
}

TEST_F(ProfileFileTest, NonIntegerLines) {
  const std::vector<std::pair<size_t, std::string>> cases = {
      {0, "twelve"}, {2, "10.5"}, {5, "2e3"}, {8, " 7"}, {9, "3000000000"}};
  for (const auto& [line, text] : cases) {
    auto lines = SplitCrLf(ProfileFileImage(*state, 0));
    lines[line] = text;
    std::string image;
    for (const auto& l : lines) image += l + "\r\n";
    auto loaded = ProfileState::Create();
    Fill(*loaded);
    ExpectError<EConvertError>([&] { LoadProfileImage(*loaded, image); },
                               "'" + text + "' is not a valid integer value");
    // Whichever line fails, what came before it was read into a cleared
    // profile: nothing of the earlier set-up is left.
    EXPECT_EQ(loaded->Tables[0].TableName, "") << "line " << line;
    EXPECT_EQ(loaded->Tables[0].RecordCount, 10) << "line " << line;
    EXPECT_EQ(loaded->Tables[0].Fields[0].FieldName, "") << "line " << line;
    EXPECT_EQ(loaded->Tables[2].TableName, "") << "line " << line;
  }
}

TEST_F(ProfileFileTest, FailedLoadSaysWhichLine) {
  // (line changed, its text, the error): the line read last is the one at
  // fault, numbered from 1.
  const std::vector<std::tuple<size_t, std::string, std::string>> cases = {
      {0, "x", "'x' is not a valid integer value"},
      {5, "", "'' is not a valid integer value"},
      {1797, "", "'' is not a valid integer value"},
      {3, std::string("Na\0me", 5),
       "Line 4 of the profile file holds a NUL byte, which no statement can carry"},
      {0, std::string("\0", 1),
       "Line 1 of the profile file holds a NUL byte, which no statement can carry"},
  };
  for (const auto& [index, text, message] : cases) {
    auto lines = SplitCrLf(ProfileFileImage(*state, 1));
    lines[index] = text;
    std::string image;
    for (const auto& l : lines) image += l + "\r\n";
    auto loaded = ProfileState::Create();
    int64_t line = -1;
    try {
      LoadProfileImage(*loaded, image, &line);
      ADD_FAILURE() << "line " << index + 1 << " was accepted";
    } catch (const KestroveError& e) {
      EXPECT_EQ(e.what(), message);
    }
    EXPECT_EQ(line, static_cast<int64_t>(index + 1)) << message;
  }
  // A whole profile read: the count of lines read, past none of them.
  int64_t line = -1;
  LoadProfileImage(*state, ProfileFileImage(*state, 0), &line);
  EXPECT_EQ(line, 1 + kTableBlockLines);
}

TEST_F(ProfileFileTest, AcceptsBareLineFeeds) {
  Fill(*state);
  std::string image = ProfileFileImage(*state, 0);
  std::string lf;
  for (char c : image)
    if (c != '\r') lf += c;
  auto loaded = ProfileState::Create();
  LoadProfileImage(*loaded, lf);
  EXPECT_EQ(loaded->Tables[0].Fields[255].FieldName, "Last Field");
}

TEST_F(ProfileFileTest, NegativeCountReadsNoBlock) {
  Fill(*state);
  LoadProfileImage(*state, "-1\r\nCustomer\r\n");
  EXPECT_EQ(state->Tables[0].TableName, "");
}

TEST_F(ProfileFileTest, TooManyTablesRefusedWithoutChange) {
  Fill(*state);
  ExpectError<EProfileError>([&] { LoadProfileImage(*state, "100\r\n"); },
                             "The profile file lists 100 tables; a profile holds at most 99");
  EXPECT_EQ(state->Tables[0].TableName, "Customer");

  const std::string path = Path("keep.prf");
  SaveProfileFile(*state, 1, path);
  ExpectError<EProfileError>([&] { SaveProfileFile(*state, 100, path); },
                             "Cannot save a profile for 100 tables: a profile holds at most 99 "
                             "listed tables");
  auto loaded = ProfileState::Create();
  EXPECT_EQ(LoadProfileFile(*loaded, path), 1);  // the old file is untouched
}

TEST_F(ProfileFileTest, LineBreakInTextRefusedAndOldFileKept) {
  const std::string path = Path("keep.prf");
  SaveProfileFile(*state, 0, path);
  const auto before = fs::file_size(path);
  state->Tables[0].Fields[4].Param1 = "a\nb";
  ExpectError<EProfileError>(
      [&] { SaveProfileFile(*state, 0, path); },
      "Param1 of table slot 0, field slot 4 holds a line break, which a profile file cannot keep");
  EXPECT_EQ(fs::file_size(path), before);
}

TEST_F(ProfileFileTest, UnreadableAndUnwritableFiles) {
  Fill(*state);
  EXPECT_THROW(LoadProfileFile(*state, Path("missing.prf")), EInOutError);
  EXPECT_EQ(state->Tables[0].TableName, "Customer");  // nothing changed
  EXPECT_THROW(SaveProfileFile(*state, 0, Path("no/such/folder/x.prf")), EInOutError);
  EXPECT_FALSE(fs::exists(Path("no")));
}

}  // namespace
}  // namespace kestrove

// The text sources of the twelve shipped lists, and the .bin files the build
// makes of them.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "lookup/list_file.h"
#include "lookup/lookup_lists.h"

namespace kestrove {
namespace {

using Row = std::vector<std::string>;

struct Source {
  Row header;
  std::vector<Row> rows;
};

std::string SourceDir() {
  return std::string(KESTROVE_TEST_SOURCE_DIR) + "/";
}

Source ReadSource(const std::string& list) {
  const std::string dir = SourceDir();
  std::ifstream in(dir + "data/lists/" + list + ".tsv");
  EXPECT_TRUE(in) << "cannot open source of " << list << " (KESTROVE_SOURCE_DIR=" << dir << ")";
  Source s;
  std::string line;
  while (std::getline(in, line)) {
    Row row;
    std::stringstream ss(line);
    std::string cell;
    while (std::getline(ss, cell, '\t')) row.push_back(cell);
    if (s.header.empty())
      s.header = row;
    else
      s.rows.push_back(row);
  }
  return s;
}

struct Expectation {
  const char* list;
  size_t minimum;
  std::vector<size_t> widths;  // per column, the limit the entries must keep
  bool unique;                 // first column free of duplicates
};

void PrintTo(const Expectation& e, std::ostream* os) {
  *os << e.list;
}

class ListFileShippedSourceTest : public ::testing::TestWithParam<Expectation> {};

TEST_P(ListFileShippedSourceTest, CountsWidthsQuotesAndDuplicates) {
  const Expectation& e = GetParam();
  const Source s = ReadSource(e.list);
  const int id = LookupListByCommandName(e.list);
  ASSERT_GE(id, 0);
  const LookupListKind& kind = LookupListInfo(id);
  ASSERT_EQ(s.header.size(), kind.fields.size());
  for (size_t c = 0; c < s.header.size(); ++c) EXPECT_EQ(s.header[c], kind.fields[c].name);

  EXPECT_GE(s.rows.size(), e.minimum) << e.list;
  std::set<std::string> seen;
  for (const Row& row : s.rows) {
    ASSERT_EQ(row.size(), e.widths.size()) << e.list;
    for (size_t c = 0; c < row.size(); ++c) {
      EXPECT_FALSE(row[c].empty()) << e.list;
      EXPECT_LE(row[c].size(), e.widths[c]) << e.list << ": " << row[c];
      EXPECT_EQ(row[c].find_first_of("'\"\\"), std::string::npos) << e.list << ": " << row[c];
      EXPECT_EQ(row[c].find_first_of("\r\t"), std::string::npos) << e.list << ": " << row[c];
      EXPECT_EQ(row[c].front() != ' ' && row[c].back() != ' ', true) << e.list << ": " << row[c];
    }
    if (e.unique) {
      EXPECT_TRUE(seen.insert(row[0]).second) << e.list << " repeats " << row[0];
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    ListFileShipped, ListFileShippedSourceTest,
    ::testing::Values(Expectation{"surnames", 500, {16}, true},
                      Expectation{"male-forenames", 200, {16}, true},
                      Expectation{"female-forenames", 200, {16}, true},
                      Expectation{"towns", 300, {24, 24, 2}, true},
                      Expectation{"streets", 150, {16}, true},
                      Expectation{"companies", 150, {32}, true},
                      Expectation{"user1", 20, {24}, true}, Expectation{"user2", 20, {24}, true},
                      Expectation{"user3", 20, {24}, true}, Expectation{"user4", 20, {24}, true},
                      Expectation{"user5", 20, {24}, true}, Expectation{"user6", 20, {24}, true}),
    [](const auto& info) {
      std::string n = info.param.list;
      for (char& c : n)
        if (c == '-') c = '_';
      return n;
    });

TEST(ListFileShippedTest, PostCodesAreTwoCapitalLettersAndCountiesVary) {
  const Source s = ReadSource("towns");
  std::set<std::string> counties, areas;
  for (const Row& row : s.rows) {
    ASSERT_EQ(row.size(), 3u);
    ASSERT_EQ(row[2].size(), 2u) << row[0];
    EXPECT_TRUE(std::isupper(static_cast<unsigned char>(row[2][0])) &&
                std::isupper(static_cast<unsigned char>(row[2][1])))
        << row[0];
    counties.insert(row[1]);
    areas.insert(row[2]);
  }
  EXPECT_GE(counties.size(), 40u);
  EXPECT_GE(areas.size(), 60u);
}

TEST(ListFileShippedTest, UserListsEachHaveTheirOwnEntries) {
  std::set<std::string> all;
  size_t total = 0;
  for (int k = 1; k <= 6; ++k) {
    const Source s = ReadSource("user" + std::to_string(k));
    for (const Row& row : s.rows) all.insert(row[0]);
    total += s.rows.size();
  }
  EXPECT_EQ(all.size(), total);  // no entry shared between two themes
}

// Not a ListFile suite: the sanitizer build makes only the test program, not
// the list files.
TEST(ShippedListFilesTest, BuiltFilesHoldTheSources) {
  const std::string bin = std::string(KESTROVE_TEST_BIN_DIR) + "/";
  LookupLists lists;
  for (int id = 0; id < kLookupListCount; ++id) {
    const LookupListKind& kind = LookupListInfo(id);
    const Source s = ReadSource(kind.command_name);
    lists.Load(id, bin + kind.file_name);
    TdxMemData& list = lists.List(id);
    ASSERT_TRUE(list.Active()) << kind.file_name;
    ASSERT_EQ(static_cast<size_t>(list.RecordCount()), s.rows.size()) << kind.file_name;
    for (int32_t r = 0; r < list.RecordCount(); ++r)
      for (int f = 0; f < list.FieldCount(); ++f)
        ASSERT_EQ(list.StoredText(r, f), s.rows[static_cast<size_t>(r)][static_cast<size_t>(f)]);
  }
}

}  // namespace
}  // namespace kestrove

// NULL shares and dates drawn after another date, in dry runs of named profiles.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "generators/dates.h"
#include "generators/ordered_dates.h"
#include "tool_runner.h"

namespace kestrove {
namespace {

namespace fs = std::filesystem;
using testing_support::RunTool;

// The values of each Insert of a dry run, split at the commas outside quotes.
std::vector<std::vector<std::string>> Rows(const std::string& out) {
  std::vector<std::vector<std::string>> rows;
  for (size_t pos = out.find("Values ("); pos != std::string::npos;
       pos = out.find("Values (", pos)) {
    pos += 8;
    const size_t end = out.find(");\n", pos);
    std::vector<std::string> values(1);
    bool quoted = false;
    for (size_t i = pos; i < end; ++i) {
      if (out[i] == '\'') quoted = !quoted;
      if (out[i] == ',' && !quoted)
        values.emplace_back();
      else
        values.back() += out[i];
    }
    rows.push_back(values);
  }
  return rows;
}

class FieldExtrasTest : public testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("kestrove-extras-test-" + std::to_string(getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  // A dry run of a one-table profile with these field lines.
  testing_support::ToolResult Run(const std::string& fields, int records, int seed = 11) {
    const std::string path = (dir / ("p" + std::to_string(++made) + ".toml")).string();
    std::ofstream(path) << "[[table]]\nname = \"t\"\nrecords = " << records << "\nfields = [\n"
                        << fields << "]\n";
    return RunTool("kestrove-run", {"--profile", path, "--seed", std::to_string(seed), "--today",
                                    "2026/03/01", "--lists-dir", dir.string()});
  }

  fs::path dir;
  int made = 0;
};

const char* const kFields[] = {
    R"(  { name = "a", class = "text", choice = "Formatted", "Data Format" = "!!~~"NULL },)",
    R"(  { name = "b", class = "integer", choice = "Random", From = "1", To = "99"NULL },)",
    R"(  { name = "c", class = "date", choice = "Random Date", Style = "yyyy-mm-dd"NULL },)",
};

std::string Fields(const std::string& share) {
  std::string out;
  for (const char* field : kFields) {
    std::string line = field;
    line.replace(line.find("NULL"), 4, share.empty() ? "" : ", null = " + share);
    out += line + "\n";
  }
  return out;
}

TEST_F(FieldExtrasTest, NullSharesDrawnFromTheRunsSeed) {
  constexpr int kRecords = 4000;
  const auto plain = Run(Fields(""), kRecords);
  ASSERT_EQ(plain.exit_code, 0) << plain.err;
  struct Case {
    std::string share;
    double low, high;  // the share of NULLs found in each column
  };
  for (const Case& c :
       {Case{"0", 0, 0}, Case{"0.2", 0.17, 0.23}, Case{"0.65", 0.62, 0.68}, Case{"1", 1, 1}}) {
    SCOPED_TRACE("null = " + c.share);
    const auto run = Run(Fields(c.share), kRecords);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(Run(Fields(c.share), kRecords).out, run.out);
    if (c.share == "0") {
      EXPECT_EQ(run.out, plain.out);
    }
    if (c.share == "0.2") {
      EXPECT_NE(Run(Fields(c.share), kRecords, 12).out, run.out);
    }
    const auto rows = Rows(run.out);
    ASSERT_EQ(rows.size(), static_cast<size_t>(kRecords));
    for (size_t column = 0; column < 3; ++column) {
      int nulls = 0;
      for (const auto& row : rows) nulls += row[column] == "NULL";
      EXPECT_GE(nulls, c.low * kRecords) << "column " << column;
      EXPECT_LE(nulls, c.high * kRecords) << "column " << column;
    }
  }
}

TEST_F(FieldExtrasTest, DatesDrawnAfterADateOfAnyStyle) {
  struct Case {
    std::string earlier, later;  // choice and parameters
    int32_t earlier_code, later_code;
    std::string gap;
    int32_t gap_from, gap_to;
  };
  const Case cases[] = {
      {R"(class = "text", choice = "Date", Format = "yyyy/mm/dd")",
       R"(class = "text", choice = "Date", Format = "dd-mmm-yyyy")", 16, 27, "1-14", 1, 14},
      {R"(class = "date", choice = "Random Date", Style = "dd/mm/yy", From = "1950/1/1", To = "2040/1/1")",
       R"(class = "datetime", choice = "Random DateTime", Format = "yyyy-mm-dd 24:24:24")", 603,
       810, "30-60", 30, 60},
      {R"(class = "datetime", choice = "Random DateTime", Format = "mm/dd/yyyy 24:24:24")",
       R"(class = "date", choice = "Random Date", Style = "yyyy-mm-dd")", 805, 611, "7", 7, 7},
      {R"(class = "text", choice = "Date", Format = "lday, dd mmmm, yyyy")",
       R"(class = "datetime", choice = "Random DateTime", Format = "dd-mm-yyyy 24:24:24")", 42, 808,
       "0-1", 0, 1},
      {R"(class = "datetime", choice = "Random DateTime", Format = "yyyy/mm/dd 24:24:24")",
       R"(class = "datetime", choice = "Random DateTime", Format = "yyyy/mm/dd 24:24:24")", 801,
       801, "0", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.earlier + " then " + c.later);
    // A NULL earlier date leaves the later one to its own range, far away.
    const auto run = Run("  { name = \"s\", " + c.earlier + ", null = 0.3 },\n  { name = \"e\", " +
                             c.later + ", From = \"1800/1/1\", To = \"1800/12/31\", after = \"s\"" +
                             ", gap = \"" + c.gap + "\" },\n",
                         500);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const DateForm earlier = DateFormOfCode(c.earlier_code), later = DateFormOfCode(c.later_code);
    int nulls = 0;
    for (const auto& row : Rows(run.out)) {
      ASSERT_EQ(row.size(), 2u);
      const std::string s = earlier.quoted ? row[0] : row[0].substr(1, row[0].size() - 2);
      const std::string e = later.quoted ? row[1] : row[1].substr(1, row[1].size() - 2);
      const auto end = ReadDatedValue(later, e, 1800);
      ASSERT_TRUE(end) << row[1];
      if (row[0] == "NULL") {
        ++nulls;
        EXPECT_EQ(end->date.year, 1800) << row[1];
        continue;
      }
      const auto start = ReadDatedValue(earlier, s, 1941);
      ASSERT_TRUE(start) << row[0];
      const int64_t gap = DaysFromCivil(end->date) - DaysFromCivil(start->date);
      EXPECT_GE(gap, c.gap_from) << row[0] << " " << row[1];
      EXPECT_LE(gap, c.gap_to) << row[0] << " " << row[1];
      if (gap == 0 && start->seconds >= 0 && end->seconds >= 0) {
        EXPECT_GE(end->seconds, start->seconds) << row[0] << " " << row[1];
      }
    }
    EXPECT_GT(nulls, 100);
  }
}

TEST_F(FieldExtrasTest, ExtrasThatCannotHoldAreRefused) {
  const std::string date = R"(class = "date", choice = "Random Date", Style = "yyyy-mm-dd")";
  struct Case {
    std::string fields, message;
  };
  const Case cases[] = {
      {"{ name = \"s\", " + date + " },\n{ name = \"e\", " + date + ", after = \"x\" },\n",
       "no field of the table's profile"},
      {"{ name = \"e\", " + date + ", after = \"s\" },\n{ name = \"s\", " + date + " },\n",
       "the earlier date must come first"},
      {"{ name = \"s\", class = \"integer\", choice = \"Random\" },\n{ name = \"e\", " + date +
           ", after = \"s\" },\n",
       "whose choice is not"},
      {"{ name = \"s\", " + date + ", gap = \"1-3\" },\n", "\"gap\" needs \"after\""},
      {"{ name = \"s\", " + date + ", null = 1.5 },\n", "share from 0 to 1"},
      {"{ name = \"s\", " + date + ", after = \"s\", gap = \"9-2\" },\n", "range of days"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fields);
    const auto run = Run(c.fields, 1);
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace kestrove

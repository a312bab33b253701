// Formatted, Increment, Number, Lookup, Choice, Blank and Company.
#include <map>
#include <set>

#include "generator_fixture.h"

namespace kestrove::testing {
namespace {

using PatternTest = GeneratorsTest;

TEST_F(PatternTest, FormattedExpandsThePattern) {
  const std::string value = Gen(1, "!\\~-X", "ignored");
  std::string expected{TwinLetter(true), TwinLetter(false), TwinDigit(), '-', 'X'};
  EXPECT_EQ(value, expected);
  EXPECT_EQ(Gen(1, ""), "");
}

TEST_F(PatternTest, IncrementCountsPerTable) {
  NewTable();
  for (const char* expected : {"INV1", "INV2", "INV3"}) {
    NewRecord();
    EXPECT_EQ(Gen(2, "INV~"), expected);
  }
  NewTable();
  EXPECT_EQ(Gen(2, "INV~"), "INV1");
  EXPECT_EQ(random_.RandomSeed, kSeed);
}

TEST_F(PatternTest, IncrementStartValues) {
  const struct {
    const char* start;
    std::vector<std::string> values;
  } cases[] = {
      {"100", {"100", "101", "102"}}, {"0", {"1", "2", "3"}}, {"-5", {"1", "2", "3"}},
      {"1", {"1", "2", "3"}},         {"", {"1", "2", "3"}},
  };
  for (const auto& c : cases) {
    NewTable();
    for (const std::string& expected : c.values)
      EXPECT_EQ(Gen(2, "", c.start), expected) << c.start;
  }
}

TEST_F(PatternTest, IncrementPlacesTheNumberAtTheFirstTilde) {
  NewTable();
  const std::string value = Gen(2, "~-\\");
  ASSERT_EQ(value.size(), 3u);
  EXPECT_EQ(value.substr(0, 2), "1-");
  EXPECT_EQ(value[2], TwinLetter(false));
  // A second "~" in the suffix stays as it is; without any "~" the number ends it.
  EXPECT_EQ(Gen(2, "A~B~C"), "A2B~C");
  EXPECT_EQ(Gen(2, "REF-"), "REF-3");
  // Prefix letters are drawn before suffix letters.
  const std::string mixed = Gen(2, "!~!");
  EXPECT_EQ(mixed[0], TwinLetter(true));
  EXPECT_EQ(mixed.substr(1, 1), "4");
  EXPECT_EQ(mixed[2], TwinLetter(true));
}

TEST_F(PatternTest, IncrementAndCounterShareTheTableCounter) {
  NewTable();
  NewRecord();
  EXPECT_EQ(Gen(2, "~"), "1");
  EXPECT_EQ(Gen(206), "2");
  NewRecord();
  EXPECT_EQ(Gen(2, "~"), "3");
  EXPECT_EQ(Gen(206), "4");
}

TEST_F(PatternTest, IncrementRefusesAStartThatIsNotAnInteger) {
  ExpectError<EConvertError>([&] { Gen(2, "X~", "1.5"); }, "'1.5' is not a valid integer value");
  ExpectError<EConvertError>([&] { Gen(2, "X~", "ten"); }, "'ten' is not a valid integer value");
}

TEST_F(PatternTest, NumberIntegerDrawsTheRange) {
  EXPECT_EQ(Gen(3, "-20", "20"), std::to_string(Twin(-20, 20)));
  std::set<std::string> seen;
  for (int i = 0; i < 500; ++i) seen.insert(Gen(3, "1", "3"));
  EXPECT_EQ(seen, (std::set<std::string>{"1", "2", "3"}));
}

TEST_F(PatternTest, NumberWithDecimalsDrawsWholePartThenDigits) {
  for (int32_t code = 4; code <= 7; ++code) {
    const std::string value = Gen(code, "1", "10");
    std::string expected = std::to_string(Twin(1, 9)) + ".";
    for (int d = 0; d < code - 3; ++d) expected += TwinDigit();
    EXPECT_EQ(value, expected) << code;
  }
}

TEST_F(PatternTest, NumberTwoDecimalsStaysBelowTo) {
  double low = 100, high = 0;
  for (int i = 0; i < 3000; ++i) {
    const std::string value = Gen(5, "1", "10");
    ASSERT_EQ(value.size() - value.find('.'), 3u) << value;
    const double x = std::stod(value);
    low = std::min(low, x);
    high = std::max(high, x);
  }
  EXPECT_GE(low, 1.0);
  EXPECT_LT(low, 1.1);
  EXPECT_LE(high, 9.99);
  EXPECT_GT(high, 9.9);
}

TEST_F(PatternTest, NumberFiveToFiveWithOneDecimalGivesFourPointSomething) {
  std::set<std::string> seen;
  for (int i = 0; i < 1000; ++i) seen.insert(Gen(4, "5", "5"));
  std::set<std::string> expected;
  for (int d = 0; d <= 9; ++d) expected.insert("4." + std::to_string(d));
  EXPECT_EQ(seen, expected);
}

TEST_F(PatternTest, NumberWithAnEmptyBoundIsEmpty) {
  EXPECT_EQ(Gen(3, "", "10"), "");
  EXPECT_EQ(Gen(4, "1", ""), "");
  EXPECT_EQ(random_.RandomSeed, kSeed);
}

TEST_F(PatternTest, NumberBoundsMustBeIntegersFromFirst) {
  ExpectError<EConvertError>([&] { Gen(3, "a", "b"); }, "'a' is not a valid integer value");
  ExpectError<EConvertError>([&] { Gen(5, "1", "2.5"); }, "'2.5' is not a valid integer value");
}

TEST_F(PatternTest, LookupsReadTheirUserList) {
  for (int32_t code = 8; code <= 13; ++code) {
    const std::string value = Gen(code);
    EXPECT_EQ(value, lists_.lists[kUser1List + code - 8][Twin(0, 1)]) << code;
  }
  lists_.lists[kUser1List + 2].clear();
  UpdateCounts();
  EXPECT_EQ(Gen(10), "");
}

TEST_F(PatternTest, CompanyReadsTheCompanyList) {
  EXPECT_EQ(Gen(109), lists_.lists[kCompanyList][Twin(0, 1)]);
  lists_.lists[kCompanyList].clear();
  UpdateCounts();
  EXPECT_EQ(Gen(109), "");
}

TEST_F(PatternTest, BlankIsOneBlank) {
  EXPECT_EQ(Gen(65), " ");
}

TEST_F(PatternTest, ChoiceDrawsEachItemOfTheList) {
  std::map<std::string, int> counts;
  for (int i = 0; i < 3000; ++i) ++counts[Gen(15, "red;green;blue;")];
  ASSERT_EQ(counts.size(), 3u);
  for (const char* colour : {"red", "green", "blue"}) EXPECT_NEAR(counts[colour], 1000, 100);
}

TEST_F(PatternTest, ChoiceItemsAreNotTrimmedAndMayBeEmpty) {
  std::set<std::string> seen;
  for (int i = 0; i < 300; ++i) seen.insert(Gen(15, "a;;b"));
  EXPECT_EQ(seen, (std::set<std::string>{"a", "", "b"}));
  seen.clear();
  for (int i = 0; i < 300; ++i) seen.insert(Gen(15, " x ;'y'"));
  EXPECT_EQ(seen, (std::set<std::string>{" x ", "'y'"}));
  EXPECT_EQ(Gen(15, ";"), "");
}

TEST_F(PatternTest, ChoiceOfTwentyItemsNeverGivesSeventeenToNineteen) {
  std::string list;
  for (int i = 1; i <= 20; ++i) list += "i" + std::to_string(i) + ";";
  std::set<std::string> seen;
  for (int i = 0; i < 5000; ++i) seen.insert(Gen(15, list));
  std::set<std::string> expected;
  for (int i = 1; i <= 16; ++i) expected.insert("i" + std::to_string(i));
  expected.insert("i20");
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(state_->ChoiceItems[16], "i20");
}

TEST_F(PatternTest, ChoiceDrawsItsSlotFromTheItemCount) {
  EXPECT_EQ(Gen(15, "a;b;c;d"), std::string(1, char('a' + Twin(1, 4) - 1)));
  EXPECT_EQ(Gen(15, ""), "");
  EXPECT_EQ(random_.RandomSeed, twin_.RandomSeed);
}

}  // namespace
}  // namespace kestrove::testing

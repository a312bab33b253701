// The shared primitives: patterns, list picks, date reading and styles, times.
#include <set>
#include <utility>
#include <vector>

#include "generator_fixture.h"
#include "generators/dates.h"

namespace kestrove::testing {
namespace {

using PrimitivesTest = GeneratorsTest;

TEST_F(PrimitivesTest, FillPatternReplacesPlaceholdersInOrder) {
  const std::string value = gen_->FillPattern("!!~~~-\\", true);
  std::string expected;
  expected += TwinLetter(true);
  expected += TwinLetter(true);
  for (int i = 0; i < 3; ++i) expected += TwinDigit();
  expected += '-';
  expected += TwinLetter(false);
  EXPECT_EQ(value, expected);
  EXPECT_EQ(random_.RandomSeed, twin_.RandomSeed);
}

TEST_F(PrimitivesTest, FillPatternKeepsTildesWithoutDigits) {
  const std::string value = gen_->FillPattern("!!~~~-\\", false);
  ASSERT_EQ(value.size(), 7u);
  EXPECT_TRUE(std::isupper(static_cast<unsigned char>(value[0])));
  EXPECT_TRUE(std::isupper(static_cast<unsigned char>(value[1])));
  EXPECT_EQ(value.substr(2, 4), "~~~-");
  EXPECT_TRUE(std::islower(static_cast<unsigned char>(value[6])));
  // Three draws only: the tildes cost nothing.
  for (int i = 0; i < 3; ++i) twin_.NextRandom();
  EXPECT_EQ(random_.RandomSeed, twin_.RandomSeed);
}

TEST_F(PrimitivesTest, FillPatternWithoutPlaceholdersDrawsNothing) {
  EXPECT_EQ(gen_->FillPattern("ABC 12-x", true), "ABC 12-x");
  EXPECT_EQ(gen_->FillPattern("", true), "");
  EXPECT_EQ(random_.RandomSeed, kSeed);
}

TEST_F(PrimitivesTest, PickRandomEntryOnEmptyListDrawsNothing) {
  lists_.lists[kCompanyList].clear();
  UpdateCounts();
  int32_t position = 7;
  EXPECT_EQ(gen_->PickRandomEntry(kSelCompany, &position), "");
  EXPECT_EQ(position, -1);
  EXPECT_EQ(random_.RandomSeed, kSeed);
}

TEST_F(PrimitivesTest, PickRandomEntryReportsItsPosition) {
  int32_t position = -1;
  const std::string town = gen_->PickRandomEntry(kSelTown, &position);
  EXPECT_EQ(position, Twin(0, 3));
  EXPECT_EQ(town, lists_.towns[position].town);
}

TEST_F(PrimitivesTest, EmptyStreetListIsStillRead) {
  lists_.lists[kStreetList].clear();
  UpdateCounts();
  EXPECT_EQ(gen_->PickRandomEntry(kSelStreet), "");
  lists_.street_closed = true;
  EXPECT_THROW(gen_->PickRandomEntry(kSelStreet), EListError);
}

TEST_F(PrimitivesTest, EveryDateStyleFormatsAFixedDate) {
  // 2003/07/19 was a Saturday.
  const char* const expected[28] = {"",
                                    "2003/07/19",
                                    "2003/07/19",
                                    "19/07/03",
                                    "07/19/03",
                                    "19/07/2003",
                                    "07/19/2003",
                                    "19-07-03",
                                    "07-19-03",
                                    "19-07-2003",
                                    "07-19-2003",
                                    "2003-07-19",
                                    "19-Jul-2003",
                                    "Jul-19-2003",
                                    "19-July-2003",
                                    "July-19-2003",
                                    "Sat, 19-Jul-2003",
                                    "Saturday, 19-Jul-2003",
                                    "Sat, Jul 19, 2003",
                                    "Sat, 19 Jul, 2003",
                                    "Saturday, 19 Jul, 2003",
                                    "Saturday, 19 Jul, 2003",
                                    "Sat, 19-July-2003",
                                    "Saturday, 19-July-2003",
                                    "Sat, July 19, 2003",
                                    "Saturday, 19 July, 2003",
                                    "Saturday, July 19, 2003",
                                    "Saturday, 19 July, 2003"};
  for (int style = 1; style <= 27; ++style) {
    EXPECT_EQ(gen_->RandomDateText(style, "2003/7/19", "2003/07/19"), expected[style])
        << "style " << style;
  }
  EXPECT_EQ(FormatDateStyle(0, {2003, 7, 19}), "");
  EXPECT_EQ(FormatDateStyle(28, {2003, 7, 19}), "");
}

TEST_F(PrimitivesTest, RandomDateOfASingleDayStillDraws) {
  EXPECT_EQ(gen_->RandomDateText(1, "2000/1/1", "2000/1/1"), "2000/01/01");
  twin_.NextRandom();
  EXPECT_EQ(random_.RandomSeed, twin_.RandomSeed);
  // A style outside 1..27 draws too, and gives nothing.
  EXPECT_EQ(gen_->RandomDateText(30, "2000/1/1", "2000/1/1"), "");
}

TEST_F(PrimitivesTest, RandomDateWithToBeforeFromGivesTheDayBefore) {
  for (int i = 0; i < 20; ++i)
    EXPECT_EQ(gen_->RandomDateText(1, "2000/03/01", "2000/02/29"), "2000/02/29");
}

TEST_F(PrimitivesTest, RandomDateDefaultsRunFrom1900ToToday) {
  clock_.SetToday({1900, 1, 3});
  std::set<std::string> seen;
  for (int i = 0; i < 300; ++i) seen.insert(gen_->RandomDateText(1, "", ""));
  EXPECT_EQ(seen, (std::set<std::string>{"1900/01/01", "1900/01/02", "1900/01/03"}));
}

TEST_F(PrimitivesTest, RandomDateDrawsTheDayOffset) {
  const std::string value = gen_->RandomDateText(11, "2024/2/1", "2024/3/31");
  const CivilDate expected = CivilFromDays(DaysFromCivil({2024, 2, 1}) + Twin(0, 59));
  EXPECT_EQ(value, FormatDateStyle(11, expected));
}

TEST_F(PrimitivesTest, UnreadableDatesNameTheirText) {
  for (const std::string text :
       {"2001-05-03", "1/5/2001", "2001/13/1", "2001/2/30", "soon", "2001/5/3 10:00", " "}) {
    ExpectError<EConvertError>([&] { gen_->RandomDateText(1, text, "2001/1/1"); },
                               "'" + text + "' is not a valid date and time");
    ExpectError<EConvertError>([&] { gen_->RandomDateText(1, "2001/1/1", text); },
                               "'" + text + "' is not a valid date and time");
  }
}

TEST_F(PrimitivesTest, ReadDateAcceptsOneDigitMonthsAndLeapDays) {
  EXPECT_EQ(ReadDate("1900/1/1"), (CivilDate{1900, 1, 1}));
  EXPECT_EQ(ReadDate("2000/02/29"), (CivilDate{2000, 2, 29}));
  EXPECT_THROW(ReadDate("1900/02/29"), EConvertError);
}

TEST_F(PrimitivesTest, TimeStylesDrawHourMinuteSecondInOrder) {
  auto two = [](int32_t v) { return std::string{char('0' + v / 10), char('0' + v % 10)}; };
  {
    const std::string value = gen_->TimeText(1);
    const int32_t h = Twin(0, 23), m = Twin(0, 59);
    EXPECT_EQ(value, two(h) + ":" + two(m));
  }
  {
    const std::string value = gen_->TimeText(2);
    const int32_t h = Twin(0, 23), m = Twin(0, 59), s = Twin(0, 59);
    EXPECT_EQ(value, two(h) + ":" + two(m) + ":" + two(s));
  }
  for (int i = 0; i < 5; ++i) {
    const std::string value = gen_->TimeText(3);
    const int32_t h = Twin(0, 12), m = Twin(0, 59), a = Twin(0, 1);
    EXPECT_EQ(value, two(h) + ":" + two(m) + (a == 1 ? " am" : " pm"));
  }
  EXPECT_EQ(gen_->TimeText(0), "");
  EXPECT_EQ(gen_->TimeText(4), "");
  EXPECT_EQ(random_.RandomSeed, twin_.RandomSeed);
}

TEST_F(PrimitivesTest, TwelveHourTimesCoverZeroToTwelve) {
  std::set<std::string> hours;
  for (int i = 0; i < 2000; ++i) {
    const std::string value = gen_->TimeText(3);
    ASSERT_EQ(value.size(), 8u);
    hours.insert(value.substr(0, 2));
    const std::string half = value.substr(5);
    EXPECT_TRUE(half == " am" || half == " pm") << value;
  }
  EXPECT_EQ(hours.size(), 13u);
  EXPECT_TRUE(hours.count("00") && hours.count("12"));
}

// Every family's range holds codes that no choice produces; they give empty
// text and leave the random sequence alone, so a field set to one cannot
// shift the values of the fields after it.
TEST_F(PrimitivesTest, CodesWithoutAGeneratorAreEmptyInEveryFamily) {
  const std::vector<std::pair<int32_t, int32_t>> with_generator = {
      {1, 46},    {51, 59},   {61, 65},   {84, 109},  {200, 207}, {300, 302},
      {400, 404}, {500, 502}, {600, 611}, {700, 703}, {800, 810}};
  auto generated = [&](int32_t code) {
    for (const auto& [lo, hi] : with_generator)
      if (code >= lo && code <= hi) return true;
    return false;
  };
  for (int32_t code = 1; code <= 899; ++code) {
    if (generated(code)) continue;
    EXPECT_EQ(Gen(code, "1", "2"), "") << code;
  }
  EXPECT_EQ(random_.RandomSeed, kSeed);
}

}  // namespace
}  // namespace kestrove::testing

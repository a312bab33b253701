// Text and typed dates, ages and times.
#include <regex>
#include <set>

#include "generator_fixture.h"
#include "generators/dates.h"

namespace kestrove::testing {
namespace {

using DateTest = GeneratorsTest;

// Day numbers and dates both ways, on each side of 0000/03/01 (where the
// day arithmetic changes its width) and far out: known days, then every day
// of a wide span back to its own number and on to the next date.
TEST(DayNumbers, CivilDatesAndDayNumbersAgree) {
  struct Known {
    int64_t days;
    CivilDate date;
  };
  for (const Known& k : {Known{0, {1970, 1, 1}}, Known{-719468, {0, 3, 1}},
                         Known{-719469, {0, 2, 29}}, Known{11016, {2000, 2, 29}},
                         Known{2932896, {9999, 12, 31}}, Known{-25567, {1900, 1, 1}}}) {
    const CivilDate d = CivilFromDays(k.days);
    EXPECT_EQ(d.year * 10000 + d.month * 100 + d.day,
              k.date.year * 10000 + k.date.month * 100 + k.date.day)
        << k.days;
    EXPECT_EQ(DaysFromCivil(k.date), k.days);
  }
  for (const int64_t first : {int64_t{-1500000}, (int64_t{1} << 29) - 719468 - 400000}) {
    CivilDate last = CivilFromDays(first - 1);
    for (int64_t n = first; n < first + 1000000; ++n) {
      const CivilDate d = CivilFromDays(n);
      ASSERT_EQ(DaysFromCivil(d), n);
      ASSERT_TRUE(d.day == last.day + 1 || (d.day == 1 && (d.month == last.month + 1 ||
                                                           (d.month == 1 && last.month == 12))))
          << n;
      last = d;
    }
  }
}

TEST_F(DateTest, TextDateUsesTheStyleOfItsCode) {
  for (int32_t code = 16; code <= 42; ++code) {
    const std::string value = Gen(code, "2003/7/19", "2003/7/19");
    EXPECT_EQ(value, FormatDateStyle(code - 15, {2003, 7, 19})) << code;
  }
}

TEST_F(DateTest, TextDateWithEmptyRangeIsNeverAfterToday) {
  clock_.SetToday({2026, 1, 15});
  const std::regex form("(Sun|Mon|Tue|Wed|Thu|Fri|Sat), \\d\\d-[A-Z][a-z]{2}-(\\d{4})");
  for (int i = 0; i < 2000; ++i) {
    const std::string value = Gen(31);  // "sday, dd-mmm-yyyy"
    std::smatch m;
    ASSERT_TRUE(std::regex_match(value, m, form)) << value;
    const int year = std::stoi(m[2]);
    EXPECT_GE(year, 1900);
    EXPECT_LE(year, 2026);
  }
  for (int i = 0; i < 2000; ++i) {
    const CivilDate d = ReadDate(Gen(16));
    EXPECT_LE(DaysFromCivil(d), DaysFromCivil({2026, 1, 15}));
    EXPECT_GE(DaysFromCivil(d), DaysFromCivil({1900, 1, 1}));
  }
}

TEST_F(DateTest, TextDateOfBirthFeedsTextAge) {
  clock_.SetToday({2026, 12, 8});
  NewRecord();
  const std::string birth = Gen(17, "1950/1/1", "2000/12/31");
  EXPECT_EQ(Sync(SyncBirthText), birth);
  const int64_t days = DaysFromCivil({2026, 12, 8}) - DaysFromCivil(ReadDate(birth));
  EXPECT_EQ(Gen(45), std::to_string(days / 365));
  EXPECT_EQ(Gen(46), std::to_string(days));
  // Only the text slot is written, and the integer Age does not read it.
  EXPECT_EQ(Sync(SyncBirthDate), "");
  EXPECT_EQ(Gen(204), "");
  EXPECT_EQ(Gen(205), "");
}

TEST_F(DateTest, TypedDateOfBirthFeedsIntegerAgeOnly) {
  NewRecord();
  const std::string quoted = Gen(602, "1970/6/1", "1970/6/1");
  EXPECT_EQ(quoted, "'1970/06/01'");
  EXPECT_EQ(Sync(SyncBirthDate), "1970/06/01");
  EXPECT_EQ(Sync(SyncBirthText), "");
  EXPECT_EQ(Gen(45), "");
  EXPECT_EQ(Gen(204),
            std::to_string((DaysFromCivil({2026, 12, 8}) - DaysFromCivil({1970, 6, 1})) / 365));
}

TEST_F(DateTest, ElapsedAgesIgnoreLeapDaysAndTruncateTowardZero) {
  const struct {
    CivilDate today;
    const char* birth;
    const char* years;
    const char* days;
  } cases[] = {
      {{2026, 12, 8}, "2000/12/10", "26", "9494"},  // 26 × 365 = 9490 days
      {{2026, 12, 8}, "2026/12/08", "0", "0"},
      {{2026, 12, 8}, "2025/12/09", "0", "364"},
      {{2026, 12, 8}, "2025/12/08", "1", "365"},
      // A birth date after today.
      {{2026, 12, 8}, "2026/12/09", "0", "-1"},
      {{2026, 12, 8}, "2027/12/09", "-1", "-366"},
  };
  for (const auto& c : cases) {
    clock_.SetToday(c.today);
    NewRecord();
    Sync(SyncBirthText) = c.birth;
    Sync(SyncBirthDate) = c.birth;
    EXPECT_EQ(Gen(45), c.years) << c.birth;
    EXPECT_EQ(Gen(46), c.days) << c.birth;
    EXPECT_EQ(Gen(204), c.years) << c.birth;
    EXPECT_EQ(Gen(205), c.days) << c.birth;
  }
  EXPECT_EQ(random_.RandomSeed, kSeed);
}

TEST_F(DateTest, AgeBeforeItsBirthDateIsEmpty) {
  NewRecord();
  EXPECT_EQ(Gen(46), "");
  EXPECT_EQ(Gen(205), "");
  EXPECT_EQ(random_.RandomSeed, kSeed);
}

TEST_F(DateTest, RandomAgesDrawTheirRanges) {
  EXPECT_EQ(Gen(43), std::to_string(Twin(1, 15)));
  EXPECT_EQ(Gen(44), std::to_string(Twin(16, 99)));
  EXPECT_EQ(Gen(202), std::to_string(Twin(1, 15)));
  EXPECT_EQ(Gen(203), std::to_string(Twin(16, 99)));
  std::set<int> seen;
  for (int i = 0; i < 3000; ++i) seen.insert(std::stoi(Gen(203)));
  EXPECT_EQ(seen.size(), 84u);
  EXPECT_EQ(*seen.begin(), 16);
  EXPECT_EQ(*seen.rbegin(), 99);
}

TEST_F(DateTest, TextTimeStyles) {
  EXPECT_TRUE(std::regex_match(Gen(51), std::regex("([01]\\d|2[0-3]):[0-5]\\d")));
  EXPECT_TRUE(std::regex_match(Gen(52), std::regex("([01]\\d|2[0-3]):[0-5]\\d:[0-5]\\d")));
  EXPECT_TRUE(std::regex_match(Gen(53), std::regex("(0\\d|1[0-2]):[0-5]\\d (am|pm)")));
  for (int32_t code : {47, 48, 49, 50}) EXPECT_EQ(Gen(code), "") << code;
}

TEST_F(DateTest, TypedRandomDateIsQuotedInItsStyle) {
  for (int32_t code = 601; code <= 611; ++code) {
    EXPECT_EQ(Gen(code, "2001/5/3", "2001/5/3"),
              "'" + FormatDateStyle(code - 600, {2001, 5, 3}) + "'")
        << code;
  }
  EXPECT_EQ(Gen(601, "2001/5/3", "2001/5/3"), "'2001/05/03'");
  EXPECT_EQ(Gen(612, "2001/5/3", "2001/5/3"), "");
}

TEST_F(DateTest, FixedValuesStayExactlyAsTyped) {
  for (int32_t code : {600, 700, 800}) {
    EXPECT_EQ(Gen(code, "#2001-05-03#", "x"), "#2001-05-03#") << code;
    EXPECT_EQ(Gen(code, "not a date"), "not a date") << code;
    EXPECT_EQ(Gen(code, ""), "") << code;
  }
  EXPECT_EQ(random_.RandomSeed, kSeed);
}

TEST_F(DateTest, TypedRandomTimeIsQuoted) {
  EXPECT_TRUE(std::regex_match(Gen(701), std::regex("'([01]\\d|2[0-3]):[0-5]\\d'")));
  EXPECT_TRUE(std::regex_match(Gen(702), std::regex("'([01]\\d|2[0-3]):[0-5]\\d:[0-5]\\d'")));
  EXPECT_TRUE(std::regex_match(Gen(703), std::regex("'(0\\d|1[0-2]):[0-5]\\d (am|pm)'")));
  EXPECT_EQ(Gen(704), "");
}

TEST_F(DateTest, RandomDateTimeDrawsDateThenTime) {
  const int styles[10] = {1, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  auto two = [](int32_t v) { return std::string{char('0' + v / 10), char('0' + v % 10)}; };
  for (int32_t code = 801; code <= 810; ++code) {
    const std::string value = Gen(code, "2003/7/1", "2003/7/31");
    const CivilDate date = CivilFromDays(DaysFromCivil({2003, 7, 1}) + Twin(0, 30));
    const int32_t h = Twin(0, 23), m = Twin(0, 59), s = Twin(0, 59);
    EXPECT_EQ(value, "'" + FormatDateStyle(styles[code - 801], date) + " " + two(h) + ":" + two(m) +
                         ":" + two(s) + "'")
        << code;
  }
  EXPECT_TRUE(std::regex_match(Gen(808, "2003/7/19", "2003/7/19"),
                               std::regex("'19-07-2003 \\d\\d:\\d\\d:\\d\\d'")));
  EXPECT_EQ(Gen(811), "");
}

TEST_F(DateTest, UnreadableRangesEndTheRun) {
  ExpectError<EConvertError>([&] { Gen(16, "yesterday"); },
                             "'yesterday' is not a valid date and time");
  ExpectError<EConvertError>([&] { Gen(605, "2001/1/1", "2001/02/30"); },
                             "'2001/02/30' is not a valid date and time");
  ExpectError<EConvertError>([&] { Gen(801, "", "31/12/2001"); },
                             "'31/12/2001' is not a valid date and time");
}

}  // namespace
}  // namespace kestrove::testing

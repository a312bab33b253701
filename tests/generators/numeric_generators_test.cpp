// Integer, floating point, boolean and currency values, and the number texts
// they are written with.
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <vector>

#include "generator_fixture.h"
#include "generators/number_text.h"

namespace kestrove::testing {
namespace {

using NumericTest = GeneratorsTest;

TEST_F(NumericTest, FixedValuesAreReturnedAsTyped) {
  for (int32_t code : {200, 300, 400, 500}) {
    EXPECT_EQ(Gen(code, "12,5 x", "9"), "12,5 x") << code;
    EXPECT_EQ(Gen(code, ""), "") << code;
  }
  EXPECT_EQ(random_.RandomSeed, kSeed);
}

TEST_F(NumericTest, IntegerRandomIsUniform) {
  EXPECT_EQ(Gen(201, "-1000", "1000"), std::to_string(Twin(-1000, 1000)));
  std::map<std::string, int> counts;
  for (int i = 0; i < 6000; ++i) ++counts[Gen(201, "1", "6")];
  ASSERT_EQ(counts.size(), 6u);
  for (const auto& [value, count] : counts) {
    EXPECT_TRUE(value >= "1" && value <= "6") << value;
    EXPECT_NEAR(count, 1000, 100) << value;
  }
}

TEST_F(NumericTest, IntegerRandomReadsToFirst) {
  ExpectError<EConvertError>([&] { Gen(201, "1", ""); }, "'' is not a valid integer value");
  ExpectError<EConvertError>([&] { Gen(201, "", "5"); }, "'' is not a valid integer value");
  ExpectError<EConvertError>([&] { Gen(201, "a", "b"); }, "'b' is not a valid integer value");
  ExpectError<EConvertError>([&] { Gen(201, "1.0", "5"); }, "'1.0' is not a valid integer value");
  ExpectError<EConvertError>([&] { Gen(201, "1", "2147483648"); },
                             "'2147483648' is not a valid integer value");
}

TEST_F(NumericTest, CounterStartsAtItsValueInEveryTable) {
  for (int table = 0; table < 2; ++table) {
    NewTable();
    for (const char* expected : {"1000", "1001", "1002"}) {
      NewRecord();
      EXPECT_EQ(Gen(206, "1000"), expected);
    }
  }
  NewTable();
  EXPECT_EQ(Gen(206, ""), "1");
  EXPECT_EQ(Gen(206, "-3"), "2");
  ExpectError<EConvertError>([&] { Gen(206, "x"); }, "'x' is not a valid integer value");
}

TEST_F(NumericTest, CounterCarriesIntoNewDigits) {
  const std::vector<std::vector<std::string>> runs = {
      {"8", "9", "10", "11"},
      {"98", "99", "100", "101"},
      {"1099", "1100", "1101"},
      {"999999999", "1000000000", "1000000001"},
      {"2147483645", "2147483646", "2147483647"},
  };
  for (const auto& run : runs) {
    NewTable();
    for (const std::string& expected : run) {
      NewRecord();
      EXPECT_EQ(Gen(206, run.front()), expected) << run.front();
    }
  }
}

TEST_F(NumericTest, CounterAtTheTopOfTheRangeDoesNotOverflow) {
  NewTable();
  EXPECT_EQ(Gen(206, "2147483647"), "2147483647");
  // The counter wrapped; a later start value takes over again.
  EXPECT_EQ(Gen(206, "5"), "5");
}

TEST_F(NumericTest, FloatRandomDrawsOnceAndTruncates) {
  const std::string value = Gen(301, "1.5", "10");
  double x = 1.5 + twin_.NextRandom() * (10 - 1.5 + 1);
  if (x > 10) x -= 1;
  std::string expected = PlainDecimalText(x);
  const size_t point = expected.find('.');
  if (point != std::string::npos) expected.resize(std::min(expected.size(), point + 2));
  EXPECT_EQ(value, expected);
}

TEST_F(NumericTest, FloatRandomOneDecimalWithFoldBack) {
  constexpr int kDraws = 20000;
  int top_unit = 0;
  double low = 100, high = -100;
  for (int i = 0; i < kDraws; ++i) {
    const std::string value = Gen(301, "1.5", "10");
    const size_t point = value.find('.');
    if (point != std::string::npos) {
      ASSERT_EQ(value.size() - point, 2u) << value;
    }
    const double x = std::stod(value);
    low = std::min(low, x);
    high = std::max(high, x);
    top_unit += x >= 9;
  }
  EXPECT_GE(low, 1.5);
  EXPECT_LT(low, 1.6);
  EXPECT_LE(high, 10.0);
  EXPECT_GE(high, 9.9);
  // 9 to 10 is drawn twice as often: 2 of 9.5 units.
  EXPECT_NEAR(double(top_unit) / kDraws, 2 / 9.5, 0.012);
}

TEST_F(NumericTest, FloatRandomCanFoldBelowFrom) {
  double low = 1;
  for (int i = 0; i < 5000; ++i) {
    const std::string value = Gen(301, "0.25", "0.75");
    const size_t point = value.find('.');
    if (point != std::string::npos) {
      ASSERT_LE(value.size() - point, 3u) << value;
    }
    const double x = std::stod(value);
    EXPECT_GE(x, -0.25);
    EXPECT_LE(x, 0.75);
    low = std::min(low, x);
  }
  EXPECT_LT(low, -0.2);
}

TEST_F(NumericTest, FloatRandomWithoutBoundsGivesWholeNumbers) {
  std::set<size_t> lengths;
  for (int i = 0; i < 1000; ++i) {
    const std::string value = Gen(301);
    ASSERT_TRUE(AllOf(value, [](int c) { return c >= '0' && c <= '9' ? 1 : 0; })) << value;
    ASSERT_LE(std::stod(value), 999999999.0);
    lengths.insert(value.size());
  }
  EXPECT_TRUE(lengths.count(9));
}

TEST_F(NumericTest, FloatRandomTakesTheLongerDecimals) {
  for (int i = 0; i < 500; ++i) {
    const std::string value = Gen(301, "2", "3.125");
    const size_t point = value.find('.');
    if (point != std::string::npos) {
      ASSERT_LE(value.size() - point - 1, 3u) << value;
    }
  }
  // Trailing zeros written in a bound count, but the value is never padded.
  std::set<size_t> decimals;
  for (int i = 0; i < 500; ++i) {
    const std::string value = Gen(301, "1.0000", "2");
    const size_t point = value.find('.');
    decimals.insert(point == std::string::npos ? 0 : value.size() - point - 1);
  }
  EXPECT_TRUE(decimals.count(4));
  EXPECT_LE(*decimals.rbegin(), 4u);
}

TEST_F(NumericTest, FloatRandomRefusesTextsThatAreNotNumbers) {
  ExpectError<EConvertError>([&] { Gen(301, "1,5", "2"); },
                             "'1,5' is not a valid floating point value");
  ExpectError<EConvertError>([&] { Gen(301, "1", "ten"); },
                             "'ten' is not a valid floating point value");
  ExpectError<EConvertError>([&] { Gen(301, "x", "y"); },
                             "'x' is not a valid floating point value");
}

TEST_F(NumericTest, FloatRandomReadsBoundsBelowADoublesRangeAsZero) {
  // Decimal text with an exponent is a number however small it is: these
  // bounds read as 0, so the draw is that of the range 0 to 10.
  for (const char* tiny : {"1e-400", "-2E-999", "+1E-330"}) {
    const std::string value = Gen(301, tiny, "10");
    double x = twin_.NextRandom() * 11;
    if (x > 10) x -= 1;
    EXPECT_EQ(value, std::to_string(static_cast<int>(x))) << tiny;
  }
  // A number too large for a double is still refused.
  ExpectError<EConvertError>([&] { Gen(301, "1", "1e400"); },
                             "'1e400' is not a valid floating point value");
}

TEST_F(NumericTest, FloatRandomTooWideForADoubleIsRefused) {
  ExpectError<EConvertError>([&] { Gen(301, "-1.7e308", "1.7e308"); },
                             "Floating point range '-1.7e308' to '1.7e308' is too wide");
}

TEST_F(NumericTest, BooleanStylesAreEvenlySplit) {
  const struct {
    int32_t code;
    const char* zero;
    const char* one;
  } styles[] = {{401, "0", "1"}, {402, "No", "Yes"}, {403, "False", "True"}, {404, "0", "-1"}};
  for (const auto& s : styles) {
    EXPECT_EQ(Gen(s.code), Twin(0, 1) == 0 ? s.zero : s.one);
    std::map<std::string, int> counts;
    for (int i = 0; i < 4000; ++i) {
      ++counts[Gen(s.code)];
      Twin(0, 1);
    }
    ASSERT_EQ(counts.size(), 2u) << s.code;
    EXPECT_NEAR(counts[s.zero], 2000, 150) << s.code;
  }
  EXPECT_EQ(Gen(405), "");
}

TEST_F(NumericTest, CurrencyRandomSteps) {
  std::set<std::string> seen;
  for (int i = 0; i < 5000; ++i) {
    const std::string value = Gen(501, "0", "0.99");
    ASSERT_EQ(value.size(), 3u) << value;
    ASSERT_EQ(value[0], '.');
    seen.insert(value);
  }
  EXPECT_EQ(seen.size(), 100u);
  EXPECT_TRUE(seen.count(".00") && seen.count(".05") && seen.count(".50") && seen.count(".99"));
  for (int i = 0; i < 2000; ++i) {
    const std::string value = Gen(501, "10.00", "20.00");
    const double x = std::stod(value);
    ASSERT_GE(x, 10.0);
    ASSERT_LE(x, 20.0);
    ASSERT_EQ(value.size() - value.find('.'), 3u);
  }
  EXPECT_EQ(Gen(501, "-1.50", "-1.50"), "-1.50");
  EXPECT_EQ(Gen(501, "", ""), ".00");
  EXPECT_EQ(Gen(501, "12.34", "12.34"), "12.34");
}

TEST_F(NumericTest, CurrencyDrawsItsHundredths) {
  EXPECT_EQ(Gen(501, "-5", "5"), HundredthsText(Twin(-500, 500)));
  // 0.29 × 100 is just below 29 in double precision: 28 hundredths.
  EXPECT_EQ(Gen(501, "0.29", "0.29"), ".28");
}

TEST_F(NumericTest, CurrencyBoundsAreReadLeniently) {
  EXPECT_EQ(Gen(501, "12.5abc", "12.5xyz"), "12.50");
  EXPECT_EQ(Gen(501, "abc", "none"), ".00");
  EXPECT_EQ(Gen(501, " 3", "3 dollars"), "3.00");
}

TEST_F(NumericTest, CurrencyBoundsBeyondTheHundredthsRangeAreRefused) {
  ExpectError<EConvertError>([&] { Gen(501, "30000000", "1"); },
                             "Currency bound '30000000' (From) is out of range");
  ExpectError<EConvertError>([&] { Gen(501, "1", "-21474836.49"); },
                             "Currency bound '-21474836.49' (To) is out of range");
  ExpectError<EConvertError>([&] { Gen(501, "1", "1e400"); },
                             "Currency bound '1e400' (To) is out of range");
  EXPECT_EQ(Gen(501, "21474836.47", "21474836.47"), "21474836.47");
  EXPECT_EQ(Gen(501, "-21474836.48", "-21474836.48"), "-21474836.48");
}

TEST(NumberText, PlainDecimal) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {7.25, "7.25"},
      {12.0, "12"},
      {-3.5, "-3.5"},
      {0.001, "0.001"},
      {1e-7, "0.0000001"},
      {123456789.0, "123456789"},
      {1e20, "100000000000000000000"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {999999999.123456789, "999999999.123457"},
      {999999999.99999994, "1000000000"},
      {9.9999999999999999, "10"},
  };
  for (const auto& c : cases) EXPECT_EQ(PlainDecimalText(c.value), c.text) << c.value;
}

TEST(NumberText, LeadingNumber) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"12.34", 12.34}, {"-1.5", -1.5}, {"+2", 2},         {".5", 0.5}, {"5.", 5},     {"1e2", 100},
      {"1e", 1},        {"1e+", 1},     {"2.5E-1x", 0.25}, {"  7", 7},  {"abc", 0},    {"", 0},
      {"-", 0},         {".", 0},       {"1.2.3", 1.2},    {"3,50", 3}, {"1e-400", 0}, {"0.0", 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.value) << c.text;
  EXPECT_EQ(LeadingNumber("1e400"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(LeadingNumber("-1e400"), -std::numeric_limits<double>::infinity());
}

TEST(NumberText, Hundredths) {
  const struct {
    int64_t value;
    const char* text;
  } cases[] = {{1234, "12.34"},
               {50, ".50"},
               {5, ".05"},
               {0, ".00"},
               {-150, "-1.50"},
               {-5, "-.05"},
               {100, "1.00"},
               {2147483647, "21474836.47"},
               {-2147483648LL, "-21474836.48"}};
  for (const auto& c : cases) EXPECT_EQ(HundredthsText(c.value), c.text) << c.value;
}

}  // namespace
}  // namespace kestrove::testing

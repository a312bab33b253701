// Street addresses, town, county and post code from one row, telephone and e-mail.
#include <regex>
#include <set>

#include "generator_fixture.h"

namespace kestrove::testing {
namespace {

using AddressTest = GeneratorsTest;

const char* const kResidential[21] = {"Street",   "Street",   "Road",    "Road", "Avenue", "Avenue",
                                      "Crescent", "Crescent", "Terrace", "Lane", "Drive",  "Drive",
                                      "Gardens",  "Gardens",  "Circle",  "Walk", "Close",  "Park",
                                      "Square",   "Place",    "Court"};
const char* const kTrade[11] = {"Business Park",     "Business Park",     "Business Centre",
                                "Business Centre",   "Industrial Park",   "Industrial Park",
                                "Industrial Estate", "Industrial Estate", "Trading Estate",
                                "Trading Estate",    "Retail Park"};

std::string Compass(int32_t b) {
  return b <= 5 ? "East " : b <= 10 ? "North " : b <= 15 ? "West " : b <= 20 ? "South " : "";
}

TEST_F(AddressTest, AddressDrawOrderPerStyle) {
  const int32_t limits[] = {99, 999, 1999};
  for (int round = 0; round < 40; ++round) {
    for (int32_t code = 92; code <= 95; ++code) {
      const std::string value = Gen(code);
      const std::string compass = Compass(Twin(1, 120));
      std::string expected;
      if (code != 95) expected = std::to_string(Twin(1, limits[code - 92])) + " ";
      expected += compass + lists_.lists[kStreetList][Twin(0, 1)] + " ";
      expected += code == 95 ? kTrade[Twin(0, 10)] : kResidential[Twin(0, 20)];
      ASSERT_EQ(value, expected) << code;
    }
  }
}

TEST_F(AddressTest, CompassWordOnceInSixAndNumbersNeverZero) {
  constexpr int kDraws = 12000;
  int compass = 0;
  int32_t low = 5000, high = 0;
  const std::regex form("(\\d+) ((East|North|West|South) )?(High|Church) [A-Za-z]+");
  for (int i = 0; i < kDraws; ++i) {
    const std::string value = Gen(94);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(value, m, form)) << value;
    const int32_t number = std::stoi(m[1]);
    low = std::min(low, number);
    high = std::max(high, number);
    compass += m[2].matched;
  }
  EXPECT_EQ(low, 1);
  EXPECT_GT(high, 1950);
  EXPECT_LE(high, 1999);
  EXPECT_NEAR(compass, kDraws / 6, 150);
}

TEST_F(AddressTest, TradeAddressesHaveNoNumber) {
  const std::regex form("((East|North|West|South) )?(High|Church) [A-Za-z ]+");
  for (int i = 0; i < 500; ++i) {
    const std::string value = Gen(95);
    EXPECT_TRUE(std::regex_match(value, form)) << value;
  }
}

TEST_F(AddressTest, EmptyStreetListLeavesTwoBlanks) {
  lists_.lists[kStreetList].clear();
  UpdateCounts();
  const std::regex form("\\d+ ((East|North|West|South) )? [A-Za-z]+");
  for (int i = 0; i < 100; ++i) {
    const std::string value = Gen(92);
    EXPECT_TRUE(std::regex_match(value, form)) << value;
  }
}

TEST_F(AddressTest, ClosedStreetListEndsTheAddress) {
  lists_.street_closed = true;
  EXPECT_THROW(Gen(93), EListError);
}

TEST_F(AddressTest, TownCountyAndPostCodeShareOneRow) {
  std::set<std::string> towns;
  for (int i = 0; i < 200; ++i) {
    NewRecord();
    const std::string town = Gen(96);
    const std::string county = Gen(97);
    const std::string post = Gen(98);
    size_t row = 0;
    while (row < lists_.towns.size() && lists_.towns[row].town != town) ++row;
    ASSERT_LT(row, lists_.towns.size()) << town;
    EXPECT_EQ(RecordTownRow(), static_cast<int32_t>(row));
    // A town that is its own county gives no county.
    EXPECT_EQ(county, town == "London" ? "" : lists_.towns[row].county);
    EXPECT_EQ(post.substr(0, 2), lists_.towns[row].post_code);
    towns.insert(town);
  }
  EXPECT_EQ(towns.size(), lists_.towns.size());
}

TEST_F(AddressTest, TownDrawsItsRow) {
  NewRecord();
  const std::string town = Gen(96);
  const int32_t p = Twin(0, 3);
  EXPECT_EQ(town, lists_.towns[p].town);
  EXPECT_EQ(RecordTownRow(), p);
  // County and post code prefix after it draw no row of their own.
  Gen(97);
  Gen(99);
  EXPECT_EQ(Gen(99).size(), 4u);
  for (int i = 0; i < 4; ++i) TwinDigit();
  EXPECT_EQ(random_.RandomSeed, twin_.RandomSeed);
}

TEST_F(AddressTest, CountyWithoutTownDrawsARowOfItsOwn) {
  for (int i = 0; i < 50; ++i) {
    NewRecord();
    const std::string county = Gen(97);
    const TownRow& row = lists_.towns[Twin(0, 3)];
    EXPECT_EQ(county, row.county == row.town ? "" : row.county);
    EXPECT_EQ(RecordTownRow(), -1);
  }
}

TEST_F(AddressTest, EmptyTownListGivesEmptyTownsAndBarePostCodes) {
  lists_.towns.clear();
  UpdateCounts();
  NewRecord();
  EXPECT_EQ(Gen(96), "");
  EXPECT_EQ(RecordTownRow(), -1);
  EXPECT_EQ(Gen(97), "");
  EXPECT_EQ(random_.RandomSeed, kSeed);
  EXPECT_TRUE(std::regex_match(Gen(98), std::regex("\\d{1,2} \\d[A-Z]{2}")));
  EXPECT_TRUE(std::regex_match(Gen(101), std::regex("\\d{4}")));
}

TEST_F(AddressTest, PostCodeStyles) {
  NewRecord();
  RecordTownRow() = 3;  // post code field "12"
  {
    const std::string value = Gen(98);
    std::string expected = "12" + std::to_string(Twin(1, 32)) + " ";
    expected += TwinDigit();
    expected += TwinLetter(true);
    expected += TwinLetter(true);
    EXPECT_EQ(value, expected);
  }
  for (int32_t code = 99; code <= 101; ++code) {
    const std::string value = Gen(code);
    std::string expected = "12";
    for (int i = 0; i < code - 97; ++i) expected += TwinDigit();
    EXPECT_EQ(value, expected) << code;
  }
}

TEST_F(AddressTest, PostCodePrefixIsAtMostTwoCharacters) {
  lists_.towns = {{"Bath", "Somerset", "BAX"}};
  UpdateCounts();
  NewRecord();
  EXPECT_TRUE(std::regex_match(Gen(99), std::regex("BA\\d\\d")));
  Gen(96);
  EXPECT_TRUE(std::regex_match(Gen(98), std::regex("BA\\d{1,2} \\d[A-Z]{2}")));
}

TEST_F(AddressTest, PostCodeWithoutTownDrawsARow) {
  NewRecord();
  const std::string value = Gen(100);
  std::string expected = lists_.towns[Twin(0, 3)].post_code;
  for (int i = 0; i < 3; ++i) expected += TwinDigit();
  EXPECT_EQ(value, expected);
  EXPECT_EQ(RecordTownRow(), -1);
}

TEST_F(AddressTest, TelephoneDrawsThreeDigitsThenSix) {
  for (int32_t code = 102; code <= 104; ++code) {
    const std::string value = Gen(code);
    std::string a, b;
    for (int i = 0; i < 3; ++i) a += TwinDigit();
    for (int i = 0; i < 6; ++i) b += TwinDigit();
    const std::string expected = code == 102   ? "01" + a + " " + b
                                 : code == 103 ? "(01" + a + ") " + b
                                               : "01" + a + "-" + b;
    EXPECT_EQ(value, expected);
    EXPECT_EQ(value.size(), code == 103 ? 14u : 12u);
  }
}

TEST_F(AddressTest, EmailLocalParts) {
  const struct {
    int32_t code;
    const char* fore;
    const char* middle;
    const char* sur;
    const char* domain;
    const char* expected;
  } cases[] = {
      {105, "Anne", "Jane", "Smith", "", "AJSmith@example.com"},
      {105, "Anne", "", "Smith", "acme", "ASmith@acme.com"},
      {105, "", "", "Smith", "", "Smith@example.com"},
      {106, "Anne", "Jane", "Smith", "acme", "Anne@acme.com"},
      {107, "Anne", "Jane", "Smith", "", "AnneSmith@example.com"},
      {107, "Mary Ann", "", "O'Neil", "", "Mary AnnO'Neil@example.com"},
      {107, "", "", "Smith", "x", "Smith@x.com"},
  };
  for (const auto& c : cases) {
    NewRecord();
    Sync(SyncForename) = c.fore;
    Sync(SyncMiddlename) = c.middle;
    Sync(SyncSurname) = c.sur;
    EXPECT_EQ(Gen(c.code, c.domain), c.expected);
  }
  EXPECT_EQ(random_.RandomSeed, kSeed);
}

TEST_F(AddressTest, EmailWithoutNamesUsesFourLetters) {
  for (int32_t code = 105; code <= 108; ++code) {
    NewRecord();
    // A middle name alone does not help "Forename only".
    if (code == 106) Sync(SyncSurname) = "Smith";
    const std::string value = Gen(code, "w");
    std::string expected;
    for (int i = 0; i < 4; ++i) expected += TwinLetter(false);
    if (code == 108) expected += std::to_string(Twin(1, 9));
    EXPECT_EQ(value, expected + "@w.com") << code;
  }
}

TEST_F(AddressTest, EmailWithDigitEndsWithOneToNine) {
  std::set<char> digits;
  NewRecord();
  Sync(SyncForename) = "Anne";
  Sync(SyncSurname) = "Smith";
  for (int i = 0; i < 500; ++i) {
    const std::string value = Gen(108, "w");
    ASSERT_TRUE(std::regex_match(value, std::regex("AnneSmith[1-9]@w\\.com"))) << value;
    digits.insert(value[9]);
  }
  EXPECT_EQ(digits.size(), 9u);
}

}  // namespace
}  // namespace kestrove::testing

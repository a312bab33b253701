// Gender, names, initials, titles, marital status and spouse, and how they
// agree within a record.
#include <map>
#include <set>

#include "generator_fixture.h"

namespace kestrove::testing {
namespace {

using PersonTest = GeneratorsTest;

bool IsMale(const std::string& name) {
  return name == "John" || name == "Peter" || name == "Alan";
}
bool IsFemale(const std::string& name) {
  return name == "Anne" || name == "Jane" || name == "Mary";
}

TEST_F(PersonTest, GenderDecidesOnceForTheRecord) {
  NewRecord();
  const int32_t g = Twin(1, 2);
  EXPECT_EQ(Gen(54), g == 1 ? "M" : "F");
  EXPECT_EQ(Gen(55), g == 1 ? "Male" : "Female");
  EXPECT_EQ(Sync(SyncGender), g == 1 ? "Male" : "Female");
  EXPECT_EQ(random_.RandomSeed, twin_.RandomSeed);
}

TEST_F(PersonTest, GenderIsEvenlySplit) {
  int males = 0;
  for (int i = 0; i < 10000; ++i) {
    NewRecord();
    males += Gen(54) == "M";
  }
  EXPECT_NEAR(males, 5000, 250);
}

TEST_F(PersonTest, ForenameBothFollowsTheRecordGender) {
  for (int i = 0; i < 200; ++i) {
    NewRecord();
    const std::string name = Gen(56);
    EXPECT_EQ(Sync(SyncForename), name);
    EXPECT_EQ(Gen(54) == "M", IsMale(name)) << name;
  }
}

TEST_F(PersonTest, ForenameBothDrawsGenderThenName) {
  NewRecord();
  const std::string name = Gen(56);
  const int32_t g = Twin(1, 2);
  const auto& list = lists_.lists[g == 1 ? kForenamesMList : kForenamesFList];
  EXPECT_EQ(name, list[Twin(0, 2)]);
}

TEST_F(PersonTest, ForenameMaleOrFemaleSetsTheGender) {
  for (int i = 0; i < 100; ++i) {
    NewRecord();
    EXPECT_TRUE(IsMale(Gen(57)));
    EXPECT_EQ(Gen(54), "M");
    NewRecord();
    // Gender says F first; the male forename overrides it for later fields.
    if (Gen(54) == "F") {
      EXPECT_TRUE(IsMale(Gen(57)));
      EXPECT_EQ(Gen(55), "Male");
      const std::string middle = Gen(59);
      EXPECT_TRUE(middle.empty() || IsMale(middle)) << middle;
    }
    NewRecord();
    EXPECT_TRUE(IsFemale(Gen(58)));
    EXPECT_EQ(state_->RecordGender, 2);
  }
}

TEST_F(PersonTest, ForenameMaleOrFemaleDrawsOnlyTheName) {
  // The forename's own list settles the gender: no gender draw precedes the
  // name, so the next draw of the record is not shifted.
  NewRecord();
  EXPECT_EQ(Gen(57), lists_.lists[kForenamesMList][Twin(0, 2)]);
  EXPECT_EQ(random_.RandomSeed, twin_.RandomSeed);
  NewRecord();
  state_->RecordGender = 1;
  EXPECT_EQ(Gen(58), lists_.lists[kForenamesFList][Twin(0, 2)]);
  EXPECT_EQ(state_->RecordGender, 2);
  EXPECT_EQ(random_.RandomSeed, twin_.RandomSeed);
}

TEST_F(PersonTest, MiddlenameDiffersFromTheForenameAndKeepsGender) {
  int empty = 0;
  for (int i = 0; i < 4000; ++i) {
    NewRecord();
    const std::string forename = Gen(56);
    const std::string middle = Gen(59);
    EXPECT_EQ(Sync(SyncMiddlename), middle);
    if (middle.empty()) {
      ++empty;
      continue;
    }
    EXPECT_NE(middle, forename);
    EXPECT_EQ(IsMale(middle), IsMale(forename));
  }
  EXPECT_NEAR(empty, 2000, 150);
}

TEST_F(PersonTest, MiddlenameDrawOrderRepeatsOnTheForename) {
  // Force a known forename, then replay the draws: gender is decided, the
  // half-chance is drawn, then names until one differs from the forename.
  for (int i = 0; i < 50; ++i) {
    NewRecord();
    state_->RecordGender = 1;
    Sync(SyncForename) = "Peter";
    const std::string middle = Gen(59);
    std::string expected;
    if (Twin(0, 1) == 0) {
      do expected = lists_.lists[kForenamesMList][Twin(0, 2)];
      while (expected == "Peter");
    }
    ASSERT_EQ(middle, expected);
    ASSERT_EQ(random_.RandomSeed, twin_.RandomSeed);
  }
}

TEST_F(PersonTest, MiddlenameGivesUpWhenNoOtherNameExists) {
  const std::vector<std::vector<std::string>> hopeless = {{}, {"Anne"}, {"Anne", "Anne", "Anne"}};
  for (const auto& list : hopeless) {
    lists_.lists[kForenamesFList] = list;
    UpdateCounts();
    int named = 0;
    for (int i = 0; i < 200; ++i) {
      NewRecord();
      state_->RecordGender = 2;
      Sync(SyncForename) = list.empty() ? "" : "Anne";
      named += !Gen(59).empty();
      EXPECT_EQ(Sync(SyncMiddlename), "");
    }
    EXPECT_EQ(named, 0);
  }
}

TEST_F(PersonTest, MiddlenameWithAnEmptyListAndAForenameIsEmpty) {
  lists_.lists[kForenamesFList].clear();
  UpdateCounts();
  NewRecord();
  state_->RecordGender = 2;
  Sync(SyncForename) = "Anne";
  EXPECT_EQ(Gen(59), "");
}

TEST_F(PersonTest, MiddlenameWithoutForenameDrawsOnce) {
  NewRecord();
  state_->RecordGender = 1;
  const std::string middle = Gen(59);
  const std::string expected = Twin(0, 1) == 0 ? lists_.lists[kForenamesMList][Twin(0, 2)] : "";
  EXPECT_EQ(middle, expected);
  EXPECT_EQ(random_.RandomSeed, twin_.RandomSeed);
}

TEST_F(PersonTest, InitialsFromTheNamesBefore) {
  const struct {
    const char* fore;
    const char* middle;
    const char* sur;
    const char* i61;
    const char* i62;
    const char* i63;
  } cases[] = {
      {"Anne", "", "Smith", "A", "A", "AS"},
      {"Anne", "Jane", "Smith", "AJ", "A", "AJS"},
      {"", "", "", "", "", ""},
      {"", "jane", "smith", "j", "", "js"},
  };
  for (const auto& c : cases) {
    NewRecord();
    Sync(SyncForename) = c.fore;
    Sync(SyncMiddlename) = c.middle;
    Sync(SyncSurname) = c.sur;
    EXPECT_EQ(Gen(61), c.i61);
    EXPECT_EQ(Gen(62), c.i62);
    EXPECT_EQ(Gen(63), c.i63);
  }
  EXPECT_EQ(random_.RandomSeed, kSeed);
}

TEST_F(PersonTest, SurnameIsKeptForTheRecord) {
  NewRecord();
  const std::string surname = Gen(64);
  EXPECT_EQ(surname, lists_.lists[kSurnameList][Twin(0, 2)]);
  EXPECT_EQ(Sync(SyncSurname), surname);
  lists_.lists[kSurnameList].clear();
  UpdateCounts();
  EXPECT_EQ(Gen(64), "");
}

// Expected shares of each title per style and gender.
struct TitleShares {
  int32_t code;
  std::map<std::string, double> men;
  std::map<std::string, double> women;
};

TEST_F(PersonTest, TitleSharesAndGenderAgreement) {
  const TitleShares styles[] = {
      {84, {{"Mr", 1.0}}, {{"Mrs", 3 / 6.0}, {"Miss", 2 / 6.0}, {"Ms", 1 / 6.0}}},
      {85,
       {{"Mr", 3 / 4.0}, {"Dr", 1 / 4.0}},
       {{"Mrs", 5 / 10.0}, {"Miss", 2 / 10.0}, {"Ms", 2 / 10.0}, {"Dr", 1 / 10.0}}},
      {86,
       {{"Mr", 6 / 7.0}, {"Rev", 1 / 7.0}},
       {{"Mrs", 4 / 8.0}, {"Miss", 3 / 8.0}, {"Ms", 1 / 8.0}}},
      {87,
       {{"Mr", 6 / 8.0}, {"Rev", 1 / 8.0}, {"Dr", 1 / 8.0}},
       {{"Mrs", 4 / 9.0}, {"Miss", 3 / 9.0}, {"Ms", 1 / 9.0}, {"Dr", 1 / 9.0}}},
      {88,
       {{"Mr", 6 / 7.0}, {"Sir", 1 / 7.0}},
       {{"Mrs", 4 / 8.0}, {"Miss", 3 / 8.0}, {"Ms", 1 / 8.0}}},
      {89,
       {{"Mr", 6 / 11.0}, {"Rev", 1 / 11.0}, {"Sir", 1 / 11.0}, {"Dr", 3 / 11.0}},
       {{"Mrs", 4 / 9.0}, {"Miss", 3 / 9.0}, {"Ms", 1 / 9.0}, {"Dr", 1 / 9.0}}},
  };
  constexpr int kDraws = 20000;
  for (const auto& style : styles) {
    std::map<std::string, int> men, women;
    int male_records = 0;
    for (int i = 0; i < kDraws; ++i) {
      NewRecord();
      const std::string title = Gen(style.code);
      EXPECT_EQ(Sync(SyncTitle), title);
      // The title decided the gender; a Gender field after it agrees.
      const bool male = Gen(54) == "M";
      male_records += male;
      ++(male ? men : women)[title];
    }
    EXPECT_NEAR(male_records, kDraws / 2, kDraws / 40) << style.code;
    for (const auto& [shares, counts, total] :
         {std::tuple{style.men, men, male_records},
          std::tuple{style.women, women, kDraws - male_records}}) {
      EXPECT_EQ(counts.size(), shares.size()) << style.code;
      for (const auto& [title, count] : counts) {
        ASSERT_TRUE(shares.count(title)) << style.code << " gave " << title;
        EXPECT_NEAR(double(count) / total, shares.at(title), 0.015) << style.code << " " << title;
      }
    }
  }
}

TEST_F(PersonTest, TitleForAManInThePlainStyleDrawsNothing) {
  NewRecord();
  state_->RecordGender = 1;
  EXPECT_EQ(Gen(84), "Mr");
  EXPECT_EQ(random_.RandomSeed, kSeed);
}

TEST_F(PersonTest, TitleFollowsAnEarlierForename) {
  for (int i = 0; i < 300; ++i) {
    NewRecord();
    const std::string name = Gen(56);
    const std::string title = Gen(89);
    if (IsMale(name))
      EXPECT_TRUE(title == "Mr" || title == "Rev" || title == "Sir" || title == "Dr");
    else
      EXPECT_TRUE(title == "Mrs" || title == "Miss" || title == "Ms" || title == "Dr");
  }
}

TEST_F(PersonTest, MaritalStatusSharesFollowTheTitle) {
  const struct {
    const char* title;
    std::map<std::string, double> shares;
  } cases[] = {
      {"Mr",
       {{"Married", 5 / 13.0},
        {"Widowed", 1 / 13.0},
        {"Separated", 2 / 13.0},
        {"Single", 4 / 13.0},
        {"Divorced", 1 / 13.0}}},
      {"Sir",
       {{"Married", 5 / 13.0},
        {"Widowed", 1 / 13.0},
        {"Separated", 2 / 13.0},
        {"Single", 4 / 13.0},
        {"Divorced", 1 / 13.0}}},
      {"Mrs", {{"Married", 5 / 6.0}, {"Widowed", 1 / 6.0}}},
      {"Rev", {{"Married", 5 / 6.0}, {"Widowed", 1 / 6.0}}},
      {"Miss",
       {{"Widowed", 1 / 8.0}, {"Separated", 2 / 8.0}, {"Single", 4 / 8.0}, {"Divorced", 1 / 8.0}}},
      {"Ms",
       {{"Widowed", 1 / 8.0}, {"Separated", 2 / 8.0}, {"Single", 4 / 8.0}, {"Divorced", 1 / 8.0}}},
      // No title before it: the full range, as for a man.
      {"",
       {{"Married", 5 / 13.0},
        {"Widowed", 1 / 13.0},
        {"Separated", 2 / 13.0},
        {"Single", 4 / 13.0},
        {"Divorced", 1 / 13.0}}},
  };
  constexpr int kDraws = 13000;
  for (const auto& c : cases) {
    std::map<std::string, int> counts;
    for (int i = 0; i < kDraws; ++i) {
      NewRecord();
      Sync(SyncTitle) = c.title;
      const std::string status = Gen(90);
      EXPECT_EQ(Sync(SyncMarital), status);
      ++counts[status];
    }
    EXPECT_EQ(counts.size(), c.shares.size()) << c.title;
    for (const auto& [status, count] : counts) {
      ASSERT_TRUE(c.shares.count(status)) << c.title << " gave " << status;
      EXPECT_NEAR(double(count) / kDraws, c.shares.at(status), 0.015) << c.title << " " << status;
    }
  }
}

TEST_F(PersonTest, MaritalStatusDrawsOnceFromTheTitleRange) {
  NewRecord();
  Sync(SyncTitle) = "Miss";
  const std::string status = Gen(90);
  const int32_t k = Twin(6, 13);
  EXPECT_EQ(status, k == 6 ? "Widowed" : k <= 8 ? "Separated" : k <= 12 ? "Single" : "Divorced");
  EXPECT_EQ(random_.RandomSeed, twin_.RandomSeed);
}

TEST_F(PersonTest, SpouseOnlyWhenMarriedAndOfTheOtherGender) {
  int married = 0;
  for (int i = 0; i < 2000; ++i) {
    NewRecord();
    const std::string title = Gen(85);
    const std::string status = Gen(90);
    const std::string spouse = Gen(91);
    const bool male = state_->RecordGender == 1;
    if (status == "Married") {
      ++married;
      EXPECT_TRUE(male ? IsFemale(spouse) : IsMale(spouse)) << title << " " << spouse;
    } else {
      EXPECT_EQ(spouse, "") << status;
    }
  }
  EXPECT_GT(married, 500);
}

TEST_F(PersonTest, SpouseBeforeMaritalStatusIsEmptyButDecidesGender) {
  NewRecord();
  EXPECT_EQ(Gen(91), "");
  EXPECT_EQ(state_->RecordGender, Twin(1, 2));
  EXPECT_EQ(random_.RandomSeed, twin_.RandomSeed);
}

TEST_F(PersonTest, SpouseDrawOrder) {
  NewRecord();
  state_->RecordGender = 2;
  Sync(SyncMarital) = "Married";
  EXPECT_EQ(Gen(91), lists_.lists[kForenamesMList][Twin(0, 2)]);
}

TEST_F(PersonTest, CodesWithoutAGeneratorAreEmpty) {
  for (int32_t code : {60, 66, 70, 83}) EXPECT_EQ(Gen(code), "") << code;
  EXPECT_EQ(random_.RandomSeed, kSeed);
}

}  // namespace
}  // namespace kestrove::testing

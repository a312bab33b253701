#include "core/profile.h"

#include <gtest/gtest.h>

#include "core/field_types.h"

namespace kestrove {
namespace {

TEST(ProfileTest, ClearRestoresDefaultsButKeepsRunCounters) {
  auto state = ProfileState::Create();
  state->Tables[7].TableName = "Orders";
  state->Tables[7].RecordCount = 500;
  state->Tables[7].DeleteExisting = 1;
  TFieldStruct& f = state->Tables[7].Fields[200];
  f = {"Name", 3, "a", "b", 2, 64, 66};
  state->CurrentTable = 7;
  state->CurrentClass = 4;
  state->CurrentChoiceBase = 64;
  state->RecordGender = 2;
  state->RecordSync[SyncTitle] = "Mrs";
  state->RecordTownRow = 3;
  state->TableCounter = 40;
  state->ChoiceItems[3] = "red";
  state->LookupCounts[2] = 9;

  state->ClearProfile();

  for (const auto& t : state->Tables) {
    ASSERT_EQ(t.TableName, "");
    ASSERT_EQ(t.RecordCount, 10);
    ASSERT_EQ(t.DeleteExisting, 0);
  }
  const TFieldStruct& cleared = state->Tables[7].Fields[200];
  EXPECT_EQ(cleared.FieldName, "");
  EXPECT_EQ(cleared.Param1, "");
  EXPECT_EQ(cleared.Param2, "");
  EXPECT_EQ(cleared.ChoiceIndex + cleared.Param3Index + cleared.ChoiceBase + cleared.ChoiceCode, 0);
  EXPECT_EQ(state->CurrentTable, 0);
  EXPECT_EQ(state->CurrentClass, 1);
  EXPECT_EQ(state->CurrentChoiceBase, 0);
  EXPECT_EQ(state->RecordGender, 0);
  EXPECT_EQ(state->RecordSync[SyncTitle], "");
  EXPECT_EQ(state->RecordTownRow, -1);
  EXPECT_EQ(state->TableCounter, 40);
  EXPECT_EQ(state->ChoiceItems[3], "red");
  EXPECT_EQ(state->LookupCounts[2], 9);
}

TEST(ProfileTest, TableScratchEmptiesSlotsZeroToFifteenOnly) {
  auto state = ProfileState::Create();
  for (auto& s : state->ChoiceItems) s = "x";
  state->ClearTableScratch();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(state->ChoiceItems[i], "");
  EXPECT_EQ(state->ChoiceItems[16], "x");
  EXPECT_EQ(state->ChoiceItems[17], "x");
}

TEST(ProfileTest, ChoiceCodeStep) {
  TFieldStruct date;
  date.ChoiceBase = 16;
  date.Param3Index = 1;
  UpdateChoiceCode(date);
  EXPECT_EQ(date.ChoiceCode, 17);  // Date of Birth style
  TFieldStruct untouched;
  untouched.ChoiceCode = 33;
  UpdateChoiceCode(untouched);
  EXPECT_EQ(untouched.ChoiceCode, 33);
}

struct TypeRow {
  TFieldType type;
  const char* name;
  int32_t type_class;
};

class ClassifyTypeTest : public testing::TestWithParam<TypeRow> {};

TEST_P(ClassifyTypeTest, NameAndClass) {
  const TypeInfo info = ClassifyType(GetParam().type);
  EXPECT_STREQ(info.name, GetParam().name);
  EXPECT_EQ(info.type_class, GetParam().type_class);
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, ClassifyTypeTest,
    testing::Values(
        TypeRow{ftUnknown, "Unknown", 1}, TypeRow{ftString, "String", 2},
        TypeRow{ftSmallint, "SmallInt", 3}, TypeRow{ftInteger, "Integer", 3},
        TypeRow{ftWord, "Word", 3}, TypeRow{ftBoolean, "Boolean", 5}, TypeRow{ftFloat, "Float", 4},
        TypeRow{ftCurrency, "Currency", 6}, TypeRow{ftBCD, "BCD", 7}, TypeRow{ftDate, "Date", 8},
        TypeRow{ftTime, "Time", 9}, TypeRow{ftDateTime, "DateTime", 10},
        TypeRow{ftBytes, "Byte", 3}, TypeRow{ftVarBytes, "", 1}, TypeRow{ftAutoInc, "", 1},
        TypeRow{ftBlob, "BLOB", 7}, TypeRow{ftMemo, "Memo", 2}, TypeRow{ftGraphic, "Graphic", 7},
        TypeRow{ftFmtMemo, "", 1}, TypeRow{ftWideString, "", 1}, TypeRow{ftLargeint, "", 1}));

}  // namespace
}  // namespace kestrove

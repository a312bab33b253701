// The profile (100 table slots of 256 field slots), the selection state kept
// beside it, and the run scratch state through which the generators of one
// record or one table agree with each other.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace kestrove {

constexpr int kMaxTables = 100;
constexpr int kMaxFields = 256;

struct TFieldStruct {
  std::string FieldName;
  int32_t ChoiceIndex = 0;
  std::string Param1;
  std::string Param2;
  int32_t Param3Index = 0;
  int32_t ChoiceBase = 0;
  int32_t ChoiceCode = 0;
};

struct TTableStruct {
  std::string TableName;
  int64_t RecordCount = 10;
  uint8_t DeleteExisting = 0;
  std::array<TFieldStruct, kMaxFields> Fields;
};

// Slots of RecordSync.
enum SyncSlot : int {
  SyncBirthText = 0,
  SyncGender = 1,
  SyncForename = 2,
  SyncMiddlename = 3,
  SyncSurname = 4,
  SyncTitle = 5,
  // 6 is not used: the town row is a number, RecordTownRow.
  SyncBirthDate = 7,
  SyncMarital = 8,
};

// The one profile with its selection and scratch state. It is large (25,600
// field slots), so it lives on the heap: use ProfileState::Create().
struct ProfileState {
  std::array<TTableStruct, kMaxTables> Tables;

  // Selection state.
  int32_t CurrentTable = 0;
  int32_t CurrentClass = 1;
  int32_t CurrentChoiceBase = 0;

  // Run scratch state.
  std::array<std::string, 9> RecordSync;
  int32_t RecordGender = 0;
  // The row of the town list the record's town came from, -1 before a town
  // is drawn: its county and post code come from the same row.
  int32_t RecordTownRow = -1;
  int32_t TableCounter = 1;
  // The 64-bit Counter of named profiles' BIGINT columns, set to 1 with
  // TableCounter at the start of each table.
  int64_t BigTableCounter = 1;
  std::array<std::string, 18> ChoiceItems;
  std::array<int32_t, 12> LookupCounts{};

  // Counts the changes that can switch a field's ChoiceCode between zero and
  // non-zero (clearing, loading, a choice set back to "Do not update"). The
  // run works out the fields in use once per table and again whenever this
  // has moved, so a change made while it runs is seen at the next record.
  uint64_t Revision = 0;
  void Changed() { ++Revision; }

  static std::unique_ptr<ProfileState> Create() { return std::make_unique<ProfileState>(); }

  // Every table slot back to its defaults, the selection state reset and the
  // record scratch emptied. TableCounter, ChoiceItems and LookupCounts stay.
  void ClearProfile();
  // Empties the nine RecordSync slots.
  void ClearRecordScratch();
  // Empties ChoiceItems slots 0 to 15.
  void ClearTableScratch();
};

// ChoiceBase + Param3Index in 32-bit arithmetic that wraps around, as the
// profile's integers do: a sum beyond the range is a code of no family, never
// undefined behaviour.
constexpr int32_t ChoiceCodeOf(int32_t choice_base, int32_t param3_index) {
  return static_cast<int32_t>(static_cast<uint32_t>(choice_base) +
                              static_cast<uint32_t>(param3_index));
}

// The choice code step: ChoiceCode = ChoiceBase + Param3Index when ChoiceBase
// is not 0; otherwise ChoiceCode keeps whatever it holds.
void UpdateChoiceCode(TFieldStruct& field);

}  // namespace kestrove

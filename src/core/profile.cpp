#include "core/profile.h"

namespace kestrove {

void ProfileState::ClearProfile() {
  Changed();
  for (auto& table : Tables) {
    table.TableName.clear();
    table.RecordCount = 10;
    table.DeleteExisting = 0;
    for (auto& field : table.Fields) field = TFieldStruct{};
  }
  CurrentTable = 0;
  CurrentClass = 1;
  CurrentChoiceBase = 0;
  RecordGender = 0;
  ClearRecordScratch();
}

void ProfileState::ClearRecordScratch() {
  for (auto& slot : RecordSync) slot.clear();
  RecordTownRow = -1;
}

void ProfileState::ClearTableScratch() {
  for (int i = 0; i < 16; ++i) ChoiceItems[i].clear();
}

void UpdateChoiceCode(TFieldStruct& field) {
  if (field.ChoiceBase != 0) field.ChoiceCode = ChoiceCodeOf(field.ChoiceBase, field.Param3Index);
}

}  // namespace kestrove

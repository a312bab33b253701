#include "generators/field_extras_run.h"

#include "core/errors.h"
#include "generators/dates.h"

namespace kestrove {

bool FieldExtrasRun::BeginTable(int table_slot, const TTableStruct& table) {
  const auto* fields = extras_.Table(table_slot);
  if (!fields) return false;
  slots_.assign(kMaxFields, Slot{});
  earlier_.clear();
  for (const auto& [field, extra] : *fields) {
    if (field < 0 || field >= kMaxFields) continue;
    Slot& slot = slots_[static_cast<size_t>(field)];
    slot.extra = &extra;
    slot.form = DateFormOfCode(table.Fields[field].ChoiceCode);
    if (extra.After < 0 || extra.After >= kMaxFields) continue;
    Slot& earlier = slots_[static_cast<size_t>(extra.After)];
    if (earlier.earlier) continue;
    const TFieldStruct& source = table.Fields[extra.After];
    earlier.earlier = true;
    earlier.form = DateFormOfCode(source.ChoiceCode);
    // A two-digit year is the latest that the earlier field's range allows:
    // its To date, or today where it has none.
    try {
      const CivilDate to = source.Param2.empty() ? clock_.Today() : ReadDate(source.Param2);
      earlier.first_year = to.year - 99;
    } catch (const KestroveError&) {
      // The generator raises this error itself when it draws the date.
    }
    earlier_.push_back(extra.After);
  }
  return true;
}

void FieldExtrasRun::BeginRecord() {
  for (const int field : earlier_) slots_[static_cast<size_t>(field)].made = false;
}

bool FieldExtrasRun::DrawNull(int field) {
  const FieldExtra* extra = slots_[static_cast<size_t>(field)].extra;
  if (!extra || extra->NullShare <= 0) return false;
  if (extra->NullShare >= 1) return true;
  return random_.NextRandom() < extra->NullShare;
}

bool FieldExtrasRun::AppendValue(int field, std::string& out) {
  const Slot& slot = slots_[static_cast<size_t>(field)];
  if (!slot.extra || slot.extra->After < 0 || slot.form.style == 0) return false;
  const Slot& earlier = slots_[static_cast<size_t>(slot.extra->After)];
  // An earlier date that is NULL (or not yet made) leaves the field to its
  // own choice.
  if (!earlier.made) return false;
  const auto value = ReadDatedValue(earlier.form, earlier.value, earlier.first_year);
  if (!value) return false;
  const int32_t gap = random_.RandomBetween(slot.extra->GapFrom, slot.extra->GapTo);
  DatedValue later{CivilFromDays(DaysFromCivil(value->date) + gap), -1};
  if (slot.form.timed) {
    // On the same day the time of day is no earlier than the earlier one's.
    const int32_t from = gap == 0 && value->seconds > 0 ? value->seconds : 0;
    later.seconds = random_.RandomBetween(from, 86399);
  }
  AppendDatedValue(slot.form, later, out);
  return true;
}

void FieldExtrasRun::Made(int field, const std::string& out, size_t start) {
  Slot& slot = slots_[static_cast<size_t>(field)];
  if (!slot.earlier) return;
  slot.value.assign(out, start, std::string::npos);
  slot.made = true;
}

}  // namespace kestrove

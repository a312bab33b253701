// The run's step for fields with a NULL share or a date drawn after another
// date of the record, drawing from the run's random source.
#pragma once

#include <string>
#include <vector>

#include "core/clock.h"
#include "core/field_extras.h"
#include "generators/ordered_dates.h"
#include "generators/random.h"

namespace kestrove {

class FieldExtrasRun : public FieldExtrasStep {
 public:
  FieldExtrasRun(const FieldExtras& extras, RandomSource& random, const Clock& clock)
      : extras_(extras), random_(random), clock_(clock) {}

  bool BeginTable(int table_slot, const TTableStruct& table) override;
  void BeginRecord() override;
  bool DrawNull(int field) override;
  bool AppendValue(int field, std::string& out) override;
  void Made(int field, const std::string& out, size_t start) override;

 private:
  struct Slot {
    const FieldExtra* extra = nullptr;
    DateForm form;
    // An earlier date of another field: its value is kept as it is made.
    bool earlier = false;
    bool made = false;
    std::string value;
    // Where a two-digit year of its value is read.
    int32_t first_year = 1900;
  };

  const FieldExtras& extras_;
  RandomSource& random_;
  const Clock& clock_;
  std::vector<Slot> slots_;
  std::vector<int> earlier_;
};

}  // namespace kestrove

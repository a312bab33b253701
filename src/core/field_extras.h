// What a named profile asks of a field beyond its choice: a share of NULLs
// and a date drawn after another date of the same record. The positional
// profile (and so the window and its .prf files) has no room for them, so
// they are kept beside it, by table slot and field slot.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "core/profile.h"

namespace kestrove {

struct FieldExtra {
  // The share of records whose value is NULL; 0 is none, and nothing is drawn.
  double NullShare = 0;
  // The field slot of the earlier date of the same record, -1 when none.
  int After = -1;
  // The gap to the earlier date, in whole days, both ends included.
  int32_t GapFrom = 0;
  int32_t GapTo = 0;
};

class FieldExtras {
 public:
  void Clear() { tables_.clear(); }
  bool Empty() const { return tables_.empty(); }
  void Set(int table_slot, int field_slot, const FieldExtra& extra) {
    tables_[table_slot][field_slot] = extra;
  }
  // The extras of a table's fields by field slot; null when it has none.
  const std::map<int, FieldExtra>* Table(int table_slot) const {
    const auto at = tables_.find(table_slot);
    return at == tables_.end() ? nullptr : &at->second;
  }

 private:
  std::map<int, std::map<int, FieldExtra>> tables_;
};

// The run's step for the fields that carry extras. The run asks it only for
// tables where BeginTable said yes, so every other table runs as it always has.
class FieldExtrasStep {
 public:
  virtual ~FieldExtrasStep() = default;
  // At a table's start: true when some field of the slot carries extras.
  virtual bool BeginTable(int table_slot, const TTableStruct& table) = 0;
  virtual void BeginRecord() = 0;
  // Before field `field` is generated: true when this record's value is NULL.
  virtual bool DrawNull(int field) = 0;
  // True when the step wrote the field's value itself (a date after the
  // earlier one), in the form the field's generator would have written.
  virtual bool AppendValue(int field, std::string& out) = 0;
  // The field's value was written from `start` to the end of `out`.
  virtual void Made(int field, const std::string& out, size_t start) = 0;
};

}  // namespace kestrove

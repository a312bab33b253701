// Cycles of foreign keys filled by a run of a named profile: the plan of
// each cycle (which keys wait, in which order its tables run, how the key
// checks are put off) and the cycle keys the run asks as it goes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/cycle_keys.h"
#include "core/key_guard.h"
#include "core/profile.h"
#include "db/schema_catalog.h"

namespace kestrove {

class RandomSource;

// One foreign key between two tables of a cycle, filled by a Database
// Lookup of the table it refers to.
struct CycleEdge {
  int child = -1, parent = -1;  // table slots
  int field = -1;               // the child's field
  int parent_field = -1;        // the parent's field of the column referred to; -1: not filled
  std::string column, parent_column, constraint;
  bool nullable = false;
  bool distinct = false;     // the column alone is a unique key
  bool predictable = false;  // the parent's column is its table's only Counter
};

// How one cycle is filled.
struct CyclePlan {
  std::vector<int> order;  // its tables, as they run
  // Indexes into the edges: keys inserted as NULL and set by an Update
  // (later), keys given the values their table will have while the checks
  // are put off (forward).
  std::vector<size_t> later, forward;
  // With forward keys: sent after a transaction begins, and before it
  // commits.
  std::vector<std::string> off, on;
  std::string how;    // for the note: how the checks are put off
  std::string error;  // the cycle cannot be filled: why, and what would do
};

// `tables`: the cycle's slots, `names` their table names by slot.
CyclePlan PlanCycle(const std::vector<int>& tables, const std::vector<CycleEdge>& edges,
                    const KeyCheckDeferral& deferral,
                    const std::function<std::string(int slot)>& name);

// What the cycle keys read of the data source while the run goes; null in a
// dry run.
class CycleFacts {
 public:
  virtual ~CycleFacts() = default;
  // The values of a column in its table's rows, NULLs left out.
  virtual std::vector<std::string> Values(const std::string& table, const std::string& column) = 0;
  // Rows of `child` whose `column` names no row of `parent`.
  virtual int64_t Orphans(const std::string& child, const std::string& column,
                          const std::string& parent, const std::string& parent_column) = 0;
};

class KeyCycles : public CycleKeys {
 public:
  struct Key {
    CycleEdge edge;
    bool later = false;
    bool quoted = false;  // a text value
    // later: the child's fields and columns that tell its rows apart.
    std::vector<int> row_fields;
    std::vector<std::string> row_columns;
    std::vector<bool> row_quoted;
    // The rows to set, by their row key values; the parent's values made.
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> made;
    // forward: the Counter values the parent will have.
    int64_t start = 1, count = 0;
    DistinctSampler sampler;
    bool want_update = false;
  };
  struct Cycle {
    std::vector<int> tables;
    std::vector<size_t> keys;
    std::vector<CycleEdge> edges;
    bool span = false;
    std::vector<std::string> off, on;
  };

  KeyCycles(ProfileState& state, RandomSource& random, CycleFacts* facts, bool unique_keys)
      : state_(state), random_(random), facts_(facts), unique_(unique_keys) {}

  // Names as the run's statements write them; unset, as they are.
  std::function<std::string(const std::string&)> QuoteName;
  // Checks the keys of a span for orphans before its commit (off in a dry
  // run, which sends nothing to check).
  bool CheckOrphans = true;

  // The keys that stayed NULL where the table referred to had too few
  // values for a unique key.
  const std::vector<std::string>& Notes() const { return notes_; }
  std::vector<Key>& Keys() { return keys_; }
  std::vector<Cycle>& Cycles() { return cycles_; }

  bool Owns(int slot, int field) const override;
  void Before(int slot, bool deleting, std::vector<CycleStatement>& out) override;
  void TableStarting(int slot, const TTableStruct& table, int32_t count) override;
  bool InsertsNull(int field) override;
  void AppendValue(int field, std::string& out) override;
  void RecordMade(const RecordValues& values) override;
  void Filled(int slot, std::vector<Due>& out) override;
  void AfterFilled(int slot, std::vector<CycleStatement>& out) override;

 private:
  uint64_t Below(uint64_t n);
  ProfileState& state_;
  RandomSource& random_;
  CycleFacts* facts_;
  bool unique_;
  std::vector<Key> keys_;
  std::vector<Cycle> cycles_;
  std::vector<std::string> notes_;
  int slot_ = -1;
  std::vector<int> done_;           // slots filled
  std::vector<bool> span_started_;  // by cycle
  std::vector<bool> span_ended_;
};

}  // namespace kestrove

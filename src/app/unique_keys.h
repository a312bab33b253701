// The run's key guard: primary and unique keys kept without repeats
// (--unique-keys), counts that a key cannot take said before anything is
// sent, and a Database Lookup of an empty table stopped before its empty
// value is.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/cycle_keys.h"
#include "core/key_guard.h"
#include "core/profile.h"
#include "db/unique_keys.h"

namespace kestrove {

class DbConnection;
class LookupReader;
class RandomSource;

// What the guard reads of the data source; the workspace reads it over
// ODBC, a benchmark or a test may give it directly.
class KeyFacts {
 public:
  virtual ~KeyFacts() = default;
  virtual std::vector<TableKey> Keys(const std::string& table) = 0;
  // Rows of the columns, NULLs left out.
  virtual std::vector<std::vector<std::string>> Rows(const std::string& table,
                                                     const std::vector<std::string>& columns) = 0;
  virtual int64_t RowCount(const std::string& table) = 0;
  // The values a Database Lookup of `column` in `table` gives, one per row,
  // read as the lookup reads them (as text, or as whole numbers).
  virtual std::vector<std::string> LookupValues(const std::string& table, const std::string& column,
                                                bool whole_numbers) = 0;
};

// Over ODBC: keys and rows through the connection, lookup values and row
// counts through the run's lookup reader (so --cache-lookups keeps them).
class DbKeyFacts : public KeyFacts {
 public:
  DbKeyFacts(DbConnection& connection, LookupReader& reader)
      : connection_(connection), reader_(reader) {}
  // Table and column names as the run's statements write them (quoted
  // where the data source needs it); unset, as they are.
  std::function<std::string(const std::string&)> TableName, ColumnName;
  std::vector<TableKey> Keys(const std::string& table) override;
  std::vector<std::vector<std::string>> Rows(const std::string& table,
                                             const std::vector<std::string>& columns) override;
  int64_t RowCount(const std::string& table) override;
  std::vector<std::string> LookupValues(const std::string& table, const std::string& column,
                                        bool whole_numbers) override;

 private:
  DbConnection& connection_;
  LookupReader& reader_;
};

class KeyGuard : public RecordGuard {
 public:
  // `unique_keys` off: only the empty lookups are stopped, and every
  // statement is that of a run without the guard.
  KeyGuard(ProfileState& state, RandomSource& random, KeyFacts& facts, bool unique_keys)
      : state_(state), random_(random), facts_(facts), unique_(unique_keys) {}

  // The run's DeletesFirst (--order parents-first): a table that deletes
  // its rows is then empty for the tables before it too. Null: off.
  const bool* DeletesFirst = nullptr;
  // The keys of cycles, which the cycle keys fill: no lookup of theirs is
  // checked, nor a key that holds one. Null: none.
  const CycleKeys* Cycles = nullptr;
  // A Database Lookup of a table without a row ends the run before
  // anything is sent; off (a dry script without a data source), such a
  // lookup is left to write NULL.
  bool StopEmptyLookups = true;

  void RunStarting(const std::vector<int>& order) override;
  void TableStarting(int slot, TTableStruct& table, int32_t count) override;
  bool Supplies(int field) const override { return field >= 0 && supplied_[field] >= 0; }
  bool Admit(int32_t record, RecordValues& values, std::vector<int>& redraw) override;

  // Memory held for the combinations of the table under way.
  size_t MemoryBytes() const;
  // Records offered again because a key value was taken, over the run.
  uint64_t Redraws() const { return redraws_; }

 private:
  struct Key {
    std::vector<int> fields;
    std::vector<std::string> columns;
    std::optional<uint64_t> capacity;
    DigestSet seen;
    bool sampled = false;
    bool primary = false;
    uint64_t digest = 0;  // of the record under way
  };
  // A key made only of Database Lookups: its combinations are drawn
  // distinct, as indexes of the space of the parents' value lists.
  struct Sampled {
    std::vector<int> fields;
    std::vector<std::vector<std::string>> lists;
    DistinctSampler sampler;
    size_t key = 0;
  };

  std::vector<TableKey> KeysOf(const std::string& table);
  // The keys whose columns are all generated fields of `table`.
  std::vector<Key> MapKeys(const TTableStruct& table);
  std::optional<uint64_t> LookupCapacity(const TFieldStruct& field, int slot,
                                         const std::vector<int>& order);
  int SlotOf(const std::string& table) const;
  [[noreturn]] void Impossible(const Key& key, const std::string& why, int32_t made,
                               const std::string& after = "") const;
  std::string Normal(int field, std::string_view value) const;
  void DrawCombination(Sampled& s, RecordValues& values);

  ProfileState& state_;
  RandomSource& random_;
  KeyFacts& facts_;
  bool unique_;
  std::unordered_map<std::string, std::vector<TableKey>> keys_;
  std::vector<int> order_;

  // The table under way.
  const TTableStruct* table_ = nullptr;
  int32_t count_ = 0;
  std::vector<Key> table_keys_;
  std::vector<Sampled> samplers_;
  // The sampler that sets each field, -1 for a field the run generates.
  std::vector<int> supplied_ = std::vector<int>(kMaxFields, -1);
  int32_t record_ = 0;
  int attempts_ = 0;
  uint64_t redraws_ = 0;
  // Per sampler: draw a new combination before the next check.
  std::vector<bool> need_combination_;
  std::vector<std::string> parts_;
};

}  // namespace kestrove

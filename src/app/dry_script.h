// A dry run that is a whole script: its Database Lookups draw from the rows
// the same run made earlier (and, run beside a data source, from the rows
// the data source holds), so that the statements it writes load into an
// empty schema with every key valid. A lookup of a table without a row
// writes NULL.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/unique_keys.h"
#include "core/cycle_keys.h"
#include "core/key_guard.h"
#include "core/profile.h"
#include "db/lookup_reader.h"

namespace kestrove {

// The rows of a dry run as a lookup reader. Only the columns that some
// lookup reads are kept (Watch), so memory grows with the looked-up tables
// alone. A table's rows are those of the base reader (the data source's,
// when one is set and the run has not deleted them) followed by those the
// run made, in the order made.
class DryRunRows : public LookupReader {
 public:
  // `base` reads the data source's rows under the name `quote` gives (as
  // the statements name the table); null: the schema is taken as empty.
  void SetBase(LookupReader* base, std::function<std::string(const std::string&)> quote);
  // How the script names a column (quoted as the data source needs it).
  void SetColumnNames(std::function<std::string(const std::string&)> quote) {
    quote_column_ = std::move(quote);
  }
  // Column `column` of `table` is left to the database (an identity): its
  // value in a made row is read back at load time, by a subquery.
  void LeftToDatabase(const std::string& table, const std::string& column);
  // Keeps `column` of `table` from the records made from now on.
  void Watch(const std::string& table, const std::string& column);
  // The columns kept of `table`, in the order watched; empty when none.
  const std::vector<std::string>& WatchedColumns(const std::string& table);
  // A record of `table`: its values by watched column, `null[i]` for a NULL.
  void Add(const std::string& table, std::vector<std::string>& values,
           const std::vector<bool>& null);
  // The run's Delete of `table`: the rows so far are gone.
  void Deleted(const std::string& table);
  // Rows `table` holds now.
  int64_t RowCount(const std::string& table);
  // True when the last value read stood for NULL (a NULL made, or a table
  // without a row); cleared by ClearNull and as a lookup starts.
  bool LastNull() const { return null_; }
  // The SQL that stands for the last value read where the script cannot
  // write it as a literal (an identity of a row the script inserts: "(SELECT
  // id FROM t ORDER BY id LIMIT 1 OFFSET 4)"); empty otherwise.
  const std::string& LastExpression() const { return expression_; }
  void ClearNull() {
    null_ = false;
    expression_.clear();
  }

  void SetTableName(const std::string& table) override;
  void Open() override;
  int32_t RecordCount() override;
  void First() override;
  void MoveBy(int32_t rows) override;
  std::string FieldAsText(const std::string& field) override;
  int32_t FieldAsInteger(const std::string& field) override;
  void Close() override;

  // Bytes held by the rows kept.
  size_t MemoryBytes() const;

 private:
  struct Kept {
    std::string name;
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> values;  // by column, then row
    std::vector<std::vector<bool>> nulls;
    std::vector<bool> by_database;  // by column
    size_t made = 0;
    bool deleted = false;
  };
  Kept& Find(const std::string& table);
  // The made value at `row` (counted past the base rows) of `field`.
  const std::string* MadeValue(const std::string& field);

  LookupReader* base_ = nullptr;
  std::function<std::string(const std::string&)> quote_, quote_column_;
  std::string expression_;
  std::deque<Kept> tables_;  // kept in place as tables are added
  std::string current_;
  Kept* open_ = nullptr;
  bool base_open_ = false;
  int64_t base_count_ = 0;
  int64_t row_ = 0, base_row_ = 0;
  bool null_ = false;
};

// The key facts of a dry run: the keys from the data source when there is
// one, else from the profile; row counts and lookup values from the run's
// rows; the rows a table holds already from the data source alone.
class DryRunKeyFacts : public KeyFacts {
 public:
  using ProfileKeys = std::function<std::vector<TableKey>(const std::string& table)>;
  DryRunKeyFacts(DryRunRows& rows, KeyFacts* source, ProfileKeys keys)
      : rows_(rows), source_(source), keys_(std::move(keys)) {}
  std::vector<TableKey> Keys(const std::string& table) override;
  std::vector<std::vector<std::string>> Rows(const std::string& table,
                                             const std::vector<std::string>& columns) override;
  int64_t RowCount(const std::string& table) override;
  std::vector<std::string> LookupValues(const std::string& table, const std::string& column,
                                        bool whole_numbers) override;

 private:
  DryRunRows& rows_;
  KeyFacts* source_;
  ProfileKeys keys_;
};

// Set as the run's guard in a dry run that is a whole script: keeps the
// looked-up columns of every record made (after `Inner`, the key guard, has
// admitted it), and names each lookup of a table that has no row when its
// table starts, whose values are then NULL.
class DryRunRecords : public RecordGuard {
 public:
  DryRunRecords(ProfileState& state, DryRunRows& rows) : state_(state), rows_(rows) {}
  RecordGuard* Inner = nullptr;
  // Told once per field whose lookup writes NULL.
  std::function<void(const std::string&)> Warn;
  // The keys of cycles, which the cycle keys fill: their lookups are not
  // warned of. Null: none.
  const CycleKeys* Cycles = nullptr;

  void RunStarting(const std::vector<int>& order) override;
  void TableStarting(int slot, TTableStruct& table, int32_t count) override;
  bool Supplies(int field) const override { return Inner && Inner->Supplies(field); }
  bool Admit(int32_t record, RecordValues& values, std::vector<int>& redraw) override;

 private:
  ProfileState& state_;
  DryRunRows& rows_;
  std::vector<int> order_;
  const TTableStruct* table_ = nullptr;
  // The field slot of each watched column of the table under way, -1 for a
  // column the run leaves out (kept as NULL).
  std::vector<int> fields_;
  std::vector<std::string> values_;
  std::vector<bool> nulls_;
};

// The values of `column` of `table` a lookup gives, one per row, read
// through `reader` as a lookup reads them.
std::vector<std::string> ReadLookupValues(LookupReader& reader, const std::string& table,
                                          const std::string& column, bool whole_numbers);

}  // namespace kestrove

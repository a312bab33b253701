#include "app/dry_script.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/errors.h"
#include "core/field_types.h"
#include "util/text.h"

namespace kestrove {

namespace {

bool InUse(int32_t code) {
  return FamilyOfCode(code) != Family::kNone || IsNamedOnlyCode(code);
}

bool Looks(const TFieldStruct& field) {
  return IsLookupCode(field.ChoiceCode) && !field.Param1.empty() && !field.Param2.empty();
}

// A value as a lookup of the row would read it back: a literal that
// carries its own quotes (a date, a UUID) without them.
void Unquote(std::string& value) {
  if (value.size() < 2 || value.front() != '\'' || value.back() != '\'') return;
  std::string bare;
  for (size_t i = 1; i + 1 < value.size(); ++i) {
    bare += value[i];
    if (value[i] == '\'' && value[i + 1] == '\'') ++i;
  }
  value = std::move(bare);
}

}  // namespace

std::vector<std::string> ReadLookupValues(LookupReader& reader, const std::string& table,
                                          const std::string& column, bool whole_numbers) {
  std::vector<std::string> values;
  reader.SetTableName(table);
  reader.Open();
  try {
    const int32_t n = reader.RecordCount();
    reader.First();
    for (int32_t row = 0; row < n; ++row) {
      if (row > 0) reader.MoveBy(1);
      values.push_back(whole_numbers ? std::to_string(reader.FieldAsInteger(column))
                                     : reader.FieldAsText(column));
    }
  } catch (...) {
    reader.Close();
    throw;
  }
  reader.Close();
  return values;
}

// --- the rows ----------------------------------------------------------------

void DryRunRows::SetBase(LookupReader* base, std::function<std::string(const std::string&)> quote) {
  base_ = base;
  quote_ = std::move(quote);
}

DryRunRows::Kept& DryRunRows::Find(const std::string& table) {
  for (Kept& kept : tables_)
    if (SameText(kept.name, table)) return kept;
  tables_.emplace_back();
  tables_.back().name = table;
  return tables_.back();
}

void DryRunRows::Watch(const std::string& table, const std::string& column) {
  Kept& kept = Find(table);
  for (const std::string& c : kept.columns)
    if (SameText(c, column)) return;
  kept.columns.push_back(column);
  // Rows made before the column was watched did not keep it.
  kept.values.emplace_back(kept.made);
  kept.nulls.emplace_back(kept.made, true);
  kept.by_database.push_back(false);
}

void DryRunRows::LeftToDatabase(const std::string& table, const std::string& column) {
  Kept& kept = Find(table);
  for (size_t c = 0; c < kept.columns.size(); ++c)
    if (SameText(kept.columns[c], column)) kept.by_database[c] = true;
}

const std::vector<std::string>& DryRunRows::WatchedColumns(const std::string& table) {
  return Find(table).columns;
}

void DryRunRows::Add(const std::string& table, std::vector<std::string>& values,
                     const std::vector<bool>& null) {
  Kept& kept = Find(table);
  for (size_t c = 0; c < kept.columns.size(); ++c) {
    kept.values[c].push_back(std::move(values[c]));
    kept.nulls[c].push_back(null[c]);
  }
  ++kept.made;
}

void DryRunRows::Deleted(const std::string& table) {
  Kept& kept = Find(table);
  kept.deleted = true;
  for (auto& column : kept.values) column.clear();
  for (auto& column : kept.nulls) column.clear();
  kept.made = 0;
}

int64_t DryRunRows::RowCount(const std::string& table) {
  Kept& kept = Find(table);
  int64_t rows = static_cast<int64_t>(kept.made);
  if (base_ && !kept.deleted) {
    base_->SetTableName(quote_ ? quote_(table) : table);
    base_->Open();
    try {
      rows += base_->RecordCount();
    } catch (...) {
      base_->Close();
      throw;
    }
    base_->Close();
  }
  return rows;
}

void DryRunRows::SetTableName(const std::string& table) {
  current_ = table;
  open_ = nullptr;
  null_ = false;
}

void DryRunRows::Open() {
  if (open_) return;
  open_ = &Find(current_);
  base_open_ = false;
  base_count_ = 0;
  row_ = base_row_ = 0;
  if (base_ && !open_->deleted) {
    base_->SetTableName(quote_ ? quote_(current_) : current_);
    base_->Open();
    base_open_ = true;
    base_count_ = base_->RecordCount();
  }
}

int32_t DryRunRows::RecordCount() {
  if (!open_) Open();
  return static_cast<int32_t>(
      std::min<int64_t>(INT32_MAX, base_count_ + static_cast<int64_t>(open_->made)));
}

void DryRunRows::First() {
  row_ = 0;
  if (base_open_) {
    base_->First();
    base_row_ = 0;
  }
}

void DryRunRows::MoveBy(int32_t rows) {
  if (rows <= 0 || !open_) return;
  // Stops at the last row, as a table reader does.
  const int64_t last = std::max<int64_t>(0, int64_t{RecordCount()} - 1);
  row_ = std::min<int64_t>(row_ + rows, last);
  if (base_open_ && row_ < base_count_ && row_ > base_row_) {
    base_->MoveBy(static_cast<int32_t>(row_ - base_row_));
    base_row_ = row_;
  }
}

const std::string* DryRunRows::MadeValue(const std::string& field) {
  for (size_t c = 0; c < open_->columns.size(); ++c) {
    if (!SameText(open_->columns[c], field)) continue;
    const size_t row = static_cast<size_t>(row_ - base_count_);
    if (row >= open_->made) break;
    const std::string& value = open_->values[c][row];
    if (open_->by_database[c]) {
      // Rows come back in the order the identity numbers them, those the
      // data source held first.
      auto table = [&](const std::string& n) { return quote_ ? quote_(n) : n; };
      auto column = [&](const std::string& n) { return quote_column_ ? quote_column_(n) : n; };
      expression_ = "(SELECT " + column(open_->columns[c]) + " FROM " + table(open_->name) +
                    " ORDER BY " + column(open_->columns[c]) + " LIMIT 1 OFFSET " +
                    std::to_string(row_) + ")";
      null_ = false;
      return &value;
    }
    // A value that was itself read back so stays an expression.
    if (value.rfind("(SELECT ", 0) == 0) expression_ = value;
    null_ = open_->nulls[c][row];
    return &value;
  }
  null_ = true;
  return nullptr;
}

std::string DryRunRows::FieldAsText(const std::string& field) {
  if (!open_) Open();
  if (row_ < base_count_) return base_->FieldAsText(field);
  if (RecordCount() == 0) {
    // No row: NULL, though the field's name is still checked where a data
    // source can tell it.
    null_ = true;
    if (base_open_) base_->FieldAsText(field);
    return {};
  }
  const std::string* value = MadeValue(field);
  return value && !null_ ? *value : std::string();
}

int32_t DryRunRows::FieldAsInteger(const std::string& field) {
  if (!open_) Open();
  if (row_ < base_count_) return base_->FieldAsInteger(field);
  const std::string text = FieldAsText(field);
  if (null_ || text.empty() || !expression_.empty()) return 0;
  // Rounded as a reader rounds a number read as a whole one.
  const double d = std::strtod(text.c_str(), nullptr);
  return static_cast<int32_t>(std::clamp<double>(std::nearbyint(d), INT32_MIN, INT32_MAX));
}

void DryRunRows::Close() {
  if (base_open_) base_->Close();
  base_open_ = false;
  open_ = nullptr;
}

size_t DryRunRows::MemoryBytes() const {
  size_t bytes = 0;
  for (const Kept& kept : tables_)
    for (const auto& column : kept.values) {
      bytes += column.capacity() * sizeof(std::string);
      for (const std::string& v : column)
        if (v.capacity() > 15) bytes += v.capacity();
    }
  return bytes;
}

// --- the key facts -----------------------------------------------------------

std::vector<TableKey> DryRunKeyFacts::Keys(const std::string& table) {
  if (source_) return source_->Keys(table);
  return keys_ ? keys_(table) : std::vector<TableKey>();
}

std::vector<std::vector<std::string>> DryRunKeyFacts::Rows(
    const std::string& table, const std::vector<std::string>& columns) {
  if (source_) return source_->Rows(table, columns);
  return {};
}

int64_t DryRunKeyFacts::RowCount(const std::string& table) {
  return rows_.RowCount(table);
}

std::vector<std::string> DryRunKeyFacts::LookupValues(const std::string& table,
                                                      const std::string& column,
                                                      bool whole_numbers) {
  return ReadLookupValues(rows_, table, column, whole_numbers);
}

// --- the records -------------------------------------------------------------

void DryRunRecords::RunStarting(const std::vector<int>& order) {
  order_ = order;
  for (const int slot : order) {
    TTableStruct& table = state_.Tables[slot];
    if (table.TableName.empty() ||
        static_cast<int32_t>(static_cast<uint32_t>(table.RecordCount)) <= 0)
      continue;
    for (auto& field : table.Fields) {
      UpdateChoiceCode(field);
      if (Looks(field)) rows_.Watch(field.Param2, field.Param1);
    }
  }
  if (Inner) Inner->RunStarting(order);
}

void DryRunRecords::TableStarting(int slot, TTableStruct& table, int32_t count) {
  if (Inner) Inner->TableStarting(slot, table, count);
  table_ = &table;
  fields_.clear();
  for (const std::string& column : rows_.WatchedColumns(table.TableName)) {
    int at = -1;
    for (int i = 0; i < kMaxFields && at < 0; ++i)
      if (InUse(table.Fields[i].ChoiceCode) && SameText(table.Fields[i].FieldName, column)) at = i;
    fields_.push_back(at);
    if (at < 0) rows_.LeftToDatabase(table.TableName, column);
  }
  if (count <= 0 || !Warn) return;
  for (int i = 0; i < kMaxFields; ++i) {
    const TFieldStruct& field = table.Fields[i];
    if (!Looks(field) || rows_.RowCount(field.Param2) > 0) continue;
    if (Cycles && Cycles->Owns(slot, i)) continue;
    const std::string what = "table " + table.TableName + ", field " + field.FieldName +
                             ": the Database Lookup of " + field.Param2 + "." + field.Param1;
    if (SameText(field.Param2, table.TableName))
      Warn(what + " writes NULL until the table has a row of its own");
    else
      Warn(what + " writes NULL: table " + field.Param2 + " has no row when " + table.TableName +
           " runs" +
           (std::find_if(order_.begin(), order_.end(),
                         [&](int s) {
                           return SameText(state_.Tables[s].TableName, field.Param2);
                         }) == order_.end()
                ? ", and the run does not fill it"
                : ""));
  }
}

bool DryRunRecords::Admit(int32_t record, RecordValues& values, std::vector<int>& redraw) {
  if (Inner && !Inner->Admit(record, values, redraw)) return false;
  if (fields_.empty()) return true;
  values_.assign(fields_.size(), std::string());
  nulls_.assign(fields_.size(), true);
  for (size_t c = 0; c < fields_.size(); ++c) {
    const int i = fields_[c];
    if (i < 0 || values.IsNull(i)) continue;
    values_[c] = values.Value(i);
    if (FamilyOfCode(table_->Fields[i].ChoiceCode) != Family::kText) Unquote(values_[c]);
    nulls_[c] = false;
  }
  rows_.Add(table_->TableName, values_, nulls_);
  return true;
}

}  // namespace kestrove

#include "db/lookup_cache.h"

#include <algorithm>
#include <cctype>

#include "core/errors.h"
#include "util/text.h"

namespace kestrove {

void CachedLookupReader::SetTableName(const std::string& table) {
  current_ = table;
  open_ = nullptr;
}

CachedLookupReader::Table* CachedLookupReader::Find(const std::string& table) {
  // Kept under the name exactly as typed: another spelling is another read,
  // as it is another query for the reader.
  for (Table& kept : tables_)
    if (kept.name == table) return &kept;
  return nullptr;
}

void CachedLookupReader::Open() {
  if (open_) return;
  Table* table = Find(current_);
  if (!table) {
    Table fresh;
    fresh.name = current_;
    Load(fresh);
    tables_.push_back(std::move(fresh));
    table = &tables_.back();
  }
  open_ = table;
  row_ = 0;
}

void CachedLookupReader::Load(Table& table) {
  // The same calls, in the same order, as a lookup of the reader's own: a
  // failure raises just what it would raise there.
  reader_.SetTableName(table.name);
  reader_.Open();
  table.count = reader_.RecordCount();
  reader_.First();
  table.rows.clear();
  table.empty = reader_.Eof();
  table.rows.push_back(reader_.Fields());
  if (!table.empty)
    while (reader_.Next()) table.rows.push_back(reader_.Fields());
  reader_.Close();
  ++reads_;
}

int32_t CachedLookupReader::RecordCount() {
  if (!open_) Open();
  return open_->count;
}

void CachedLookupReader::First() {
  row_ = 0;
}

void CachedLookupReader::MoveBy(int32_t rows) {
  // Stops at the last row, as the reader does at the end of the table.
  if (rows <= 0 || !open_) return;
  row_ = std::min(row_ + static_cast<size_t>(rows), open_->rows.size() - 1);
}

const DbField& CachedLookupReader::FieldByName(const std::string& field) {
  if (!open_) Open();
  const std::vector<DbField>& fields = open_->rows[row_];
  if (last_column_ < fields.size() && SameText(fields[last_column_].FieldName(), field))
    return fields[last_column_];
  for (size_t c = 0; c < fields.size(); ++c)
    if (SameText(fields[c].FieldName(), field)) {
      last_column_ = c;
      return fields[c];
    }
  throw EDatabaseError(reader_.Name() + ": Field '" + field + "' not found");
}

std::string CachedLookupReader::FieldAsText(const std::string& field) {
  return FieldByName(field).AsString();
}

int32_t CachedLookupReader::FieldAsInteger(const std::string& field) {
  return FieldByName(field).AsInteger();
}

void CachedLookupReader::Close() {
  open_ = nullptr;
  // A read that failed half way leaves the reader open: closed here, as a
  // lookup closes it after a failure.
  if (reader_.Active()) reader_.Close();
}

void CachedLookupReader::MarkStale(const std::string& table) {
  tables_.erase(std::remove_if(tables_.begin(), tables_.end(),
                               [&](const Table& kept) { return SameText(kept.name, table); }),
                tables_.end());
  open_ = nullptr;
}

bool CachedLookupReader::Holds(const std::string& table) const {
  return std::any_of(tables_.begin(), tables_.end(),
                     [&](const Table& kept) { return SameText(kept.name, table); });
}

}  // namespace kestrove

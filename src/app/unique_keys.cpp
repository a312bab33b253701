#include "app/unique_keys.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "app/dry_script.h"
#include "core/field_types.h"
#include "db/lookup_reader.h"
#include "db/odbc_error.h"
#include "db/statement.h"
#include "generators/random.h"

namespace kestrove {

namespace {

// Draws per record before a key is said to have no new value, where its
// capacity cannot be told.
constexpr int kDraws = 1000;
// Draws of the key's own fields before the whole record is drawn again:
// a value made from other fields of the record (an e-mail from the names)
// repeats for as long as they stay.
constexpr int kOwnFieldDraws = 4;

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool SameName(std::string_view a, std::string_view b) {
  return Lower(a) == Lower(b);
}

uint64_t DrawBelow(RandomSource& random, uint64_t n) {
  if (n <= 0x80000000ull)
    return static_cast<uint64_t>(random.RandomBetween(0, static_cast<int32_t>(n - 1)));
  // Wider spaces (three lookups of a few thousand rows each): two draws
  // make 64 bits, and the remainder's bias is below n / 2^64.
  const uint64_t high = static_cast<uint32_t>(random.RandomBetween(INT32_MIN, INT32_MAX));
  const uint64_t low = static_cast<uint32_t>(random.RandomBetween(INT32_MIN, INT32_MAX));
  return ((high << 32) | low) % n;
}

std::string ColumnList(const std::vector<std::string>& columns) {
  std::string list;
  for (const std::string& c : columns) list += (list.empty() ? "" : ", ") + c;
  return list;
}

// a * b, held at UINT64_MAX.
uint64_t Times(uint64_t a, uint64_t b) {
  if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
  return a * b;
}

}  // namespace

// --- over ODBC ---------------------------------------------------------------

std::vector<TableKey> DbKeyFacts::Keys(const std::string& table) {
  return ReadUniqueKeys(connection_, table);
}

std::vector<std::vector<std::string>> DbKeyFacts::Rows(const std::string& table,
                                                       const std::vector<std::string>& columns) {
  if (!TableName) return ReadKeyRows(connection_, table, columns);
  std::vector<std::string> quoted;
  for (const std::string& column : columns) quoted.push_back(ColumnName(column));
  return ReadKeyRows(connection_, TableName(table), quoted);
}

int64_t DbKeyFacts::RowCount(const std::string& table) {
  DbStatement query(connection_);
  query.SetSQL("SELECT COUNT(*) FROM " + (TableName ? TableName(table) : table));
  query.Prepare();
  query.Execute();
  int64_t n = 0;
  if (query.FetchNext() && !query.ColumnInt64(1, &n)) n = 0;
  return n;
}

std::vector<std::string> DbKeyFacts::LookupValues(const std::string& table,
                                                  const std::string& column, bool whole_numbers) {
  // Through the lookups' own reader, so each value is the one a lookup of
  // that row gives (dates in the lookup's format, numbers rounded).
  return ReadLookupValues(reader_, TableName ? TableName(table) : table, column, whole_numbers);
}

// --- the guard ---------------------------------------------------------------

std::vector<TableKey> KeyGuard::KeysOf(const std::string& table) {
  auto it = keys_.find(Lower(table));
  if (it != keys_.end()) return it->second;
  std::vector<TableKey> keys;
  try {
    keys = facts_.Keys(table);
  } catch (const EODBC& error) {
    const std::string message = error.what();
    DiscardError(error);
    throw EDatabaseError("Cannot read the keys of table " + table + ": " + message);
  }
  keys_[Lower(table)] = keys;
  return keys;
}

int KeyGuard::SlotOf(const std::string& table) const {
  for (const int slot : order_)
    if (SameName(state_.Tables[slot].TableName, table)) return slot;
  return -1;
}

std::vector<KeyGuard::Key> KeyGuard::MapKeys(const TTableStruct& table) {
  std::vector<Key> keys;
  for (const TableKey& found : KeysOf(table.TableName)) {
    Key key;
    key.columns = found.Columns;
    key.primary = found.Primary;
    for (const std::string& column : found.Columns) {
      int field = -1;
      for (int i = 0; i < kMaxFields && field < 0; ++i)
        if ((FamilyOfCode(table.Fields[i].ChoiceCode) != Family::kNone ||
             IsNamedOnlyCode(table.Fields[i].ChoiceCode)) &&
            SameName(table.Fields[i].FieldName, column))
          field = i;
      // A column the run leaves to the database (an identity, a default)
      // is the database's to keep unique.
      if (field < 0) {
        key.fields.clear();
        break;
      }
      // A key of a cycle is the cycle keys' to draw.
      if (Cycles && Cycles->Owns(SlotOf(table.TableName), field)) {
        key.fields.clear();
        break;
      }
      key.fields.push_back(field);
    }
    if (!key.fields.empty()) keys.push_back(std::move(key));
  }
  return keys;
}

std::optional<uint64_t> KeyGuard::LookupCapacity(const TFieldStruct& field, int slot,
                                                 const std::vector<int>& order) {
  const std::string& parent = field.Param2;
  const int parent_slot = SlotOf(parent);
  if (parent_slot == slot) return std::nullopt;  // grows as the table fills
  const auto here = std::find(order.begin(), order.end(), slot);
  const bool filled_before =
      parent_slot >= 0 && std::find(order.begin(), here, parent_slot) != here;
  const TTableStruct* p = parent_slot >= 0 ? &state_.Tables[parent_slot] : nullptr;
  const bool emptied =
      p && p->DeleteExisting == 1 && (filled_before || (DeletesFirst && *DeletesFirst));
  uint64_t rows = 0;
  if (!emptied) {
    try {
      rows = static_cast<uint64_t>(std::max<int64_t>(0, facts_.RowCount(parent)));
    } catch (const EODBC& error) {
      // The lookup reports the table it cannot read as it always has.
      DiscardError(error);
      return std::nullopt;
    }
  }
  if (filled_before && p->RecordCount > 0) rows += static_cast<uint64_t>(p->RecordCount);
  return rows;
}

void KeyGuard::Impossible(const Key& key, const std::string& why, int32_t made,
                          const std::string& after) const {
  throw EKeyError("table " + table_->TableName + ": the " + (key.primary ? "primary" : "unique") +
                  " key (" + ColumnList(key.columns) + ") " + why + ": " + std::to_string(made) +
                  " of " + std::to_string(count_) + " records made" + after);
}

void KeyGuard::RunStarting(const std::vector<int>& order) {
  order_ = order;
  for (const int slot : order) {
    TTableStruct& table = state_.Tables[slot];
    const int32_t count = static_cast<int32_t>(static_cast<uint32_t>(table.RecordCount));
    if (table.TableName.empty() || count <= 0) continue;
    for (auto& field : table.Fields) UpdateChoiceCode(field);
    table_ = &table;
    count_ = count;
    // A lookup of a table that is empty when this one runs, and that the
    // run does not fill before it, has no value for any record.
    for (int i = 0; i < kMaxFields; ++i) {
      const TFieldStruct& field = table.Fields[i];
      if (!IsLookupCode(field.ChoiceCode) || field.Param1.empty() || field.Param2.empty()) continue;
      if (Cycles && Cycles->Owns(slot, i)) continue;
      if (!StopEmptyLookups) break;
      const std::optional<uint64_t> rows = LookupCapacity(field, slot, order);
      if (rows && *rows == 0)
        throw EKeyError("table " + table.TableName + ", field " + field.FieldName +
                        ": the Database Lookup of " + field.Param2 + "." + field.Param1 +
                        " has no row to take its value from: table " + field.Param2 +
                        " is empty when " + table.TableName +
                        " runs; nothing was sent for the run");
    }
    if (!unique_) continue;
    for (const Key& key : MapKeys(table)) {
      uint64_t capacity = 1;
      std::string product;
      bool known = true;
      for (const int i : key.fields) {
        const TFieldStruct& field = table.Fields[i];
        const std::optional<uint64_t> c = IsLookupCode(field.ChoiceCode)
                                              ? LookupCapacity(field, slot, order)
                                              : ChoiceCapacity(field);
        if (!c) {
          known = false;
          break;
        }
        capacity = Times(capacity, *c);
        product += (product.empty() ? "" : " x ") + std::to_string(*c);
      }
      if (known && capacity < static_cast<uint64_t>(count))
        Impossible(key,
                   "cannot take " + std::to_string(count) + " distinct values (its fields make " +
                       (key.fields.size() > 1 ? product + " = " : "") + std::to_string(capacity) +
                       " at most)",
                   0, ", nothing sent");
    }
  }
  table_ = nullptr;
}

std::string KeyGuard::Normal(int field, std::string_view value) const {
  switch (FamilyOfCode(table_->Fields[field].ChoiceCode)) {
    case Family::kText: {
      // Trailing blanks never count (CHAR columns pad), nor does case:
      // MariaDB compares keys without it by default, and a value only
      // drawn again costs one draw.
      while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
      return Lower(value);
    }
    case Family::kDate:
    case Family::kTime:
    case Family::kDateTime: {
      // The separators a data source writes back need not be the run's.
      std::string digits;
      for (const char c : value)
        if (std::isdigit(static_cast<unsigned char>(c))) digits += c;
      return digits;
    }
    case Family::kFloat:
    case Family::kCurrency: {
      char* end = nullptr;
      const std::string text(value);
      const double d = std::strtod(text.c_str(), &end);
      if (end == text.c_str() || *end != '\0') return text;
      char out[40];
      std::snprintf(out, sizeof out, "%.15g", d);
      return out;
    }
    case Family::kBoolean: {
      const std::string text = Lower(value);
      return text == "true" || text == "1" || text == "-1" ? "1" : "0";
    }
    default:
      return std::string(value);
  }
}

void KeyGuard::TableStarting(int slot, TTableStruct& table, int32_t count) {
  table_ = &table;
  count_ = count;
  table_keys_.clear();
  samplers_.clear();
  need_combination_.clear();
  std::fill(supplied_.begin(), supplied_.end(), -1);
  record_ = 0;
  if (count <= 0) return;
  // The last check of an empty looked-up table, now that the tables before
  // this one have run.
  for (int i = 0; i < kMaxFields; ++i) {
    if (!StopEmptyLookups) break;
    const TFieldStruct& field = table.Fields[i];
    if (!IsLookupCode(field.ChoiceCode) || field.Param1.empty() || field.Param2.empty()) continue;
    if (Cycles && Cycles->Owns(slot, i)) continue;
    int64_t rows = -1;
    try {
      rows = facts_.RowCount(field.Param2);
    } catch (const EODBC& error) {
      DiscardError(error);  // reported by the lookup itself, as always
    }
    if (rows == 0)
      throw EKeyError("table " + table.TableName + ", field " + field.FieldName +
                      ": the Database Lookup of " + field.Param2 + "." + field.Param1 +
                      " has no row to take its value from: table " + field.Param2 +
                      " is empty; no record of " + table.TableName + " was sent");
  }
  if (!unique_) return;
  table_keys_ = MapKeys(table);
  const bool emptied = table.DeleteExisting == 1;
  for (size_t k = 0; k < table_keys_.size(); ++k) {
    Key& key = table_keys_[k];
    // A key made only of lookups is drawn distinct, unless a key drawn
    // so already sets one of its fields: that one is kept by drawing again.
    const bool lookups = std::all_of(key.fields.begin(), key.fields.end(), [&](int i) {
      const TFieldStruct& f = table.Fields[i];
      return IsLookupCode(f.ChoiceCode) && !f.Param1.empty() && !f.Param2.empty() &&
             !SameName(f.Param2, table.TableName) && supplied_[i] < 0;
    });
    uint64_t capacity = 1;
    bool known = true;
    for (const int i : key.fields) {
      const auto c = ChoiceCapacity(table.Fields[i]);
      if (c)
        capacity = Times(capacity, *c);
      else
        known = false;
    }
    if (known) key.capacity = capacity;
    std::vector<std::vector<std::string>> rows;
    if (!emptied) rows = facts_.Rows(table.TableName, key.columns);
    if (lookups) {
      Sampled s;
      s.fields = key.fields;
      s.key = k;
      std::vector<std::unordered_map<std::string, uint64_t>> index(key.fields.size());
      uint64_t size = 1;
      for (size_t p = 0; p < key.fields.size(); ++p) {
        const TFieldStruct& f = table.Fields[key.fields[p]];
        std::vector<std::string> list;
        for (std::string& v : facts_.LookupValues(f.Param2, f.Param1, f.ChoiceCode != 14))
          if (index[p].emplace(Normal(key.fields[p], v), list.size()).second)
            list.push_back(std::move(v));
        size = Times(size, list.size());
        s.lists.push_back(std::move(list));
      }
      s.sampler = DistinctSampler(size, rows.size() + static_cast<uint64_t>(count));
      for (const auto& row : rows) {
        uint64_t at = 0;
        bool inside = true;
        for (size_t p = 0; p < row.size() && inside; ++p) {
          const auto found = index[p].find(Normal(key.fields[p], row[p]));
          inside = found != index[p].end();
          if (inside) at = at * s.lists[p].size() + found->second;
        }
        if (inside) s.sampler.TakeOut(at);
      }
      key.sampled = true;
      key.capacity = size;
      for (const int i : key.fields) supplied_[i] = static_cast<int>(samplers_.size());
      if (s.sampler.Left() < static_cast<uint64_t>(count)) {
        std::string product;
        for (const auto& list : s.lists)
          product += (product.empty() ? "" : " x ") + std::to_string(list.size());
        Impossible(key,
                   "cannot take " + std::to_string(count) + " new " +
                       (s.lists.size() > 1 ? "combinations" : "values") + " (its lookups make " +
                       product + (s.lists.size() > 1 ? " = " + std::to_string(size) : "") +
                       ", and " + std::to_string(size - s.sampler.Left()) +
                       " are in the table already)",
                   0, ", nothing sent");
      }
      samplers_.push_back(std::move(s));
      need_combination_.push_back(true);
      continue;
    }
    for (const auto& row : rows) {
      parts_.clear();
      for (size_t p = 0; p < row.size(); ++p) parts_.push_back(Normal(key.fields[p], row[p]));
      key.seen.Insert(DigestOf(parts_));
    }
    // A Counter key starts past the numbers the table holds already.
    const int32_t code = key.fields.size() == 1 ? table.Fields[key.fields[0]].ChoiceCode : 0;
    if (code == 206 || code == kBigintCounter) {
      int64_t top = 0;
      for (const auto& row : rows) {
        char* end = nullptr;
        const long long v = std::strtoll(row[0].c_str(), &end, 10);
        if (end != row[0].c_str() && *end == '\0') top = std::max<int64_t>(top, v);
      }
      if (code == kBigintCounter) {
        if (top >= state_.BigTableCounter && top < INT64_MAX) state_.BigTableCounter = top + 1;
      } else if (top >= state_.TableCounter && top < INT32_MAX) {
        state_.TableCounter = static_cast<int32_t>(top + 1);
      }
    }
    if (key.capacity && key.seen.Size() + static_cast<uint64_t>(count) > *key.capacity &&
        key.seen.Size() > 0)
      Impossible(key,
                 "cannot take " + std::to_string(count) + " new values (its fields make " +
                     std::to_string(*key.capacity) + " at most and the table holds " +
                     std::to_string(key.seen.Size()) + ")",
                 0, ", nothing sent");
  }
}

void KeyGuard::DrawCombination(Sampled& s, RecordValues& values) {
  if (s.sampler.Left() == 0)
    Impossible(table_keys_[s.key], "has no new combination left", record_ - 1);
  uint64_t at = s.sampler.Take(DrawBelow(random_, s.sampler.Left()));
  // Mixed radix, the last lookup the lowest digit.
  for (size_t p = s.fields.size(); p-- > 0;) {
    const uint64_t n = s.lists[p].size();
    values.Set(s.fields[p], s.lists[p][at % n]);
    at /= n;
  }
}

bool KeyGuard::Admit(int32_t record, RecordValues& values, std::vector<int>& redraw) {
  if (table_keys_.empty()) return true;
  if (record != record_) {
    record_ = record;
    attempts_ = 0;
    need_combination_.assign(samplers_.size(), true);
  }
  for (size_t k = 0; k < samplers_.size(); ++k)
    if (need_combination_[k]) {
      DrawCombination(samplers_[k], values);
      need_combination_[k] = false;
    }
  redraw.clear();
  const Key* failed = nullptr;
  for (Key& key : table_keys_) {
    if (key.sampled) continue;
    parts_.clear();
    for (const int i : key.fields) parts_.push_back(Normal(i, values.Value(i)));
    key.digest = DigestOf(parts_);
    if (!key.seen.Contains(key.digest)) continue;
    if (!failed) failed = &key;
    for (const int i : key.fields) {
      if (supplied_[i] >= 0)
        need_combination_[supplied_[i]] = true;
      else
        redraw.push_back(i);
    }
  }
  if (!failed) {
    for (Key& key : table_keys_)
      if (!key.sampled) key.seen.Insert(key.digest);
    return true;
  }
  ++attempts_;
  ++redraws_;
  // No new value can be left once the key holds as many as it can make.
  if (failed->capacity && failed->seen.Size() >= *failed->capacity)
    Impossible(*failed,
               "has no new value left (" + std::to_string(*failed->capacity) + " distinct at most)",
               record - 1);
  int bound = kDraws;
  if (failed->capacity) {
    // Enough draws that a new value, when one is left, is missed only
    // with a chance below e^-30.
    const double c = static_cast<double>(*failed->capacity);
    const double expected = c / std::max(1.0, c - static_cast<double>(failed->seen.Size()));
    bound = static_cast<int>(std::min(1e9, std::max<double>(kDraws, 30.0 * expected)));
  }
  if (attempts_ > bound)
    Impossible(*failed, "found no new value in " + std::to_string(bound) + " draws", record - 1);
  if (attempts_ % kOwnFieldDraws == 0) {
    redraw.assign(1, kWholeRecord);
    need_combination_.assign(samplers_.size(), true);
  }
  return false;
}

size_t KeyGuard::MemoryBytes() const {
  size_t bytes = 0;
  for (const Key& key : table_keys_) bytes += key.seen.MemoryBytes();
  for (const Sampled& s : samplers_) bytes += s.sampler.MemoryBytes();
  return bytes;
}

}  // namespace kestrove

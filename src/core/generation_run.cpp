#include "core/generation_run.h"

#include <algorithm>
#include <charconv>

#include "core/field_types.h"
#include "core/lookup_ids.h"

namespace kestrove {

namespace {

const char* const kGenerate = "Generate";
const char* const kGeneratePlain = "   Generate";
const char* const kStop = "Stop";
const char* const kStopPlain = "   Stop";

// Doubles the quotes of the text value that runs from `start` to the end of
// `out`, so a surname such as O'Brien stays one literal and list data can
// never end the literal early. Most values hold none, and stay as they are.
void DoubleQuotes(std::string& out, size_t start) {
  size_t quote = out.find('\'', start);
  if (quote == std::string::npos) return;
  const std::string value = out.substr(start);
  out.resize(start);
  size_t from = 0;
  for (quote -= start; quote != std::string::npos; quote = value.find('\'', from)) {
    out.append(value, from, quote + 1 - from);
    out += '\'';
    from = quote + 1;
  }
  out.append(value, from, std::string::npos);
}

// Doubles the backslashes of the text value that runs from `start` to the end
// of `out`, for a server that reads a backslash in a literal as an escape
// (RunServices::BackslashEscapes): there a value ending in a backslash would
// otherwise escape the closing quote, and the next value's text would run on
// as SQL.
void DoubleBackslashes(std::string& out, size_t start) {
  for (size_t at = out.find('\\', start); at != std::string::npos; at = out.find('\\', at + 2))
    out.insert(at, 1, '\\');
}

// The number of records to make: the low 32 bits of RecordCount, signed.
int32_t LowCount(int64_t record_count) {
  return static_cast<int32_t>(static_cast<uint32_t>(record_count));
}

}  // namespace

std::string GenerationRun::StatementHead(const TTableStruct& table, bool show_quotes) {
  std::string columns;
  for (const auto& field : table.Fields) {
    if (field.ChoiceCode == 0) continue;
    if (show_quotes) {
      columns += '"';
      columns += field.FieldName;
      columns += "\",";
    } else {
      columns += field.FieldName;
      columns += ',';
    }
  }
  if (columns.empty()) return {};
  columns.pop_back();
  return "Insert into " + table.TableName + " (" + columns + ") Values (";
}

void GenerationRun::GenerateBtnClick() {
  CommitPendingEdit();
  monitor_.ShowRunMonitor();
  RunStopped = !RunStopped;
  monitor_.SetSqlMonitor("");
  if (RunStopped) {
    // A press while running: ask the pass to stop at its next check.
    monitor_.SetCaptions(kGenerate, kGeneratePlain);
    return;
  }
  monitor_.SetCaptions(kStop, kStopPlain);
  if (in_pass_) {
    // A press while a stop was pending and the pass is still winding down:
    // the pass simply goes on; a second run is never started inside it.
    return;
  }
  in_pass_ = true;
  try {
    RunProper();
  } catch (...) {
    in_pass_ = false;
    // Back to idle before the error is shown, so the window is usable again.
    monitor_.HideRunMonitor();
    monitor_.SetCaptions(kGenerate, kGeneratePlain);
    RunStopped = true;
    throw;
  }
  in_pass_ = false;
  EndRun();
}

void GenerationRun::RunProper() {
  statements_ = 0;
  monitor_.SetMonitorRecNo("Loading Lookups", 0);
  services_.ProcessMessages();
  for (int list = 0; list < kLookupListCount; ++list)
    services_.LoadLookupList(list, ProgramDir + kLookupFileNames[list]);
  for (int list = 0; list < kLookupListCount; ++list)
    state_.LookupCounts[list] = services_.LookupRecordCount(list);

  // Slots 0..N for N listed tables; the profile has no slot past 99.
  const int32_t last = std::min<int32_t>(TableListCount(), kMaxTables - 1);
  // A run that would draw a street address while the street list is still
  // closed (its file never loaded) ends here, with the list's own error,
  // before any table's Delete has run.
  if (WouldDrawStreet(last)) services_.RequireListOpen(kStreetList);
  if (!SlotOrder.empty() || DeletesFirst) {
    RunInOrder(last);
    return;
  }
  for (int slot = 0; slot <= last; ++slot) {
    TTableStruct& table = state_.Tables[slot];
    if (table.TableName.empty()) continue;
    RunTable(table, slot, true);
    if (RunStopped) break;
  }
}

void GenerationRun::RunInOrder(int32_t last) {
  std::vector<int> slots;
  if (SlotOrder.empty()) {
    for (int slot = 0; slot <= last; ++slot) slots.push_back(slot);
  } else {
    for (const int slot : SlotOrder)
      if (slot >= 0 && slot <= last) slots.push_back(slot);
  }
  if (DeletesFirst) {
    for (auto it = slots.rbegin(); it != slots.rend(); ++it) {
      const TTableStruct& table = state_.Tables[*it];
      if (table.TableName.empty() || table.DeleteExisting != 1) continue;
      monitor_.SetMonitorTable("Table: " + table.TableName, *it, 0);
      services_.ProcessMessages();
      if (RunStopped) return;
      services_.ExecuteStatement("Delete from " + table.TableName);
      ++statements_;
    }
  }
  for (const int slot : slots) {
    TTableStruct& table = state_.Tables[slot];
    if (table.TableName.empty()) continue;
    RunTable(table, slot, !DeletesFirst);
    if (RunStopped) break;
  }
}

bool GenerationRun::WouldDrawStreet(int32_t last) const {
  for (int slot = 0; slot <= last; ++slot) {
    const TTableStruct& table = state_.Tables[slot];
    if (table.TableName.empty() || LowCount(table.RecordCount) <= 0) continue;
    for (const auto& field : table.Fields) {
      // The code the table start will work out.
      const int32_t code = field.ChoiceBase != 0 ? ChoiceCodeOf(field.ChoiceBase, field.Param3Index)
                                                 : field.ChoiceCode;
      if (CodeDrawsStreet(code)) return true;
    }
  }
  return false;
}

void GenerationRun::RunTable(TTableStruct& table, int slot, bool with_delete) {
  state_.ClearRecordScratch();
  state_.TableCounter = 1;
  state_.ClearTableScratch();

  monitor_.SetMonitorTable("Table: " + table.TableName, slot, LowCount(table.RecordCount));
  monitor_.SetMonitorRecNo("Generating Template", 0);
  services_.ProcessMessages();

  for (auto& field : table.Fields) UpdateChoiceCode(field);
  const std::string head = StatementHead(table, ShowQuotes);

  if (with_delete && table.DeleteExisting == 1) {
    services_.ExecuteStatement("Delete from " + table.TableName);
    ++statements_;
  }

  // The count is read once, here, after the table start has let pending
  // messages run: a record count committed meanwhile is the one used.
  const int32_t count = LowCount(table.RecordCount);
  const bool texts = monitor_.ShowsEachRecord();
  static const std::string kNoText;
  // The fields in use, worked out again whenever the profile has changed in
  // a way that can switch a field on or off (the window may change it while
  // pending messages run).
  uint64_t revision = state_.Revision - 1;
  const bool batched = RowsPerInsert > 1;
  batched_ = 0;
  for (int32_t record = 1; record <= count && record > 0; ++record) {
    if (texts) {
      recno_.assign("Rec No: ");
      char digits[12];
      const auto end = std::to_chars(digits, digits + sizeof digits, record).ptr;
      recno_.append(digits, end);
    }
    monitor_.SetMonitorRecNo(texts ? recno_ : kNoText, record);
    services_.ProcessMessages();
    state_.ClearRecordScratch();
    state_.RecordGender = 0;

    if (revision != state_.Revision) {
      revision = state_.Revision;
      in_use_.clear();
      for (int i = 0; i < kMaxFields; ++i)
        if (FamilyOfCode(table.Fields[i].ChoiceCode) != Family::kNone) in_use_.push_back(i);
    }
    // The statement is built in one buffer: the head, kept from record to
    // record, then the values. Batched, each record's value list follows
    // the last one's after ",(", and is taken off again when it is empty.
    size_t record_start;
    if (!batched) {
      if (record == 1)
        statement_.assign(head);
      else
        statement_.resize(head.size());
      record_start = statement_.size();
    } else if (batched_ == 0) {
      statement_.assign(head);
      record_start = statement_.size();
    } else {
      record_start = statement_.size();
      statement_ += ",(";
    }
    const size_t values_start = statement_.size();
    for (const int i : in_use_) {
      const TFieldStruct& field = table.Fields[i];
      const int32_t code = field.ChoiceCode;
      const Family family = FamilyOfCode(code);
      if (family == Family::kNone) continue;
      if (family == Family::kText) {
        statement_ += '\'';
        const size_t start = statement_.size();
        services_.AppendValue(code, field.Param1, field.Param2, statement_);
        DoubleQuotes(statement_, start);
        if (statement_.find('\\', start) != std::string::npos && services_.BackslashEscapes())
          DoubleBackslashes(statement_, start);
        statement_ += "',";
      } else {
        services_.AppendValue(code, field.Param1, field.Param2, statement_);
        statement_ += ',';
      }
    }
    bool made = false;
    if (statement_.size() > values_start) {
      statement_.pop_back();  // the last comma
      made = statement_.size() > values_start;
    }
    if (made && !batched) {
      statement_ += ");";
      if (texts) monitor_.SetSqlMonitor(statement_);
      services_.ExecuteInsert(statement_, 1);
      ++statements_;
    } else if (made) {
      statement_ += ')';
      if (++batched_ == RowsPerInsert) SendBatch(texts);
    } else if (batched) {
      statement_.resize(record_start);
    }
    if (RunStopped) break;
    if (record == INT32_MAX) break;
  }
  // The rest of the table's records, also after a stop.
  if (batched_ > 0) SendBatch(texts);
}

void GenerationRun::SendBatch(bool texts) {
  statement_ += ';';
  const int32_t records = batched_;
  batched_ = 0;
  if (texts) monitor_.SetSqlMonitor(statement_);
  services_.ExecuteInsert(statement_, records);
  ++statements_;
}

void GenerationRun::EndRun() {
  monitor_.HideRunMonitor();
  monitor_.SetSqlMonitor(monitor_.SqlMonitor() + "    Completed");
  monitor_.SetCaptions(kGenerate, kGeneratePlain);
  RunStopped = true;
}

}  // namespace kestrove

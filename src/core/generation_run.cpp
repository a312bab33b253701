#include "core/generation_run.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <span>

#include "core/field_types.h"
#include "core/lookup_ids.h"

namespace kestrove {

namespace {

const char* const kGenerate = "Generate";
const char* const kGeneratePlain = "   Generate";
const char* const kStop = "Stop";
const char* const kStopPlain = "   Stop";

// Doubles every `c` of the text value that runs from `start` to `end` in
// `out`; returns where the value ends now. Quotes are doubled so that a
// surname such as O'Brien stays one literal and list data can never end the
// literal early; backslashes too for a server that reads a backslash in a
// literal as an escape (RunServices::BackslashEscapes), where a value ending
// in one would otherwise escape the closing quote and the next value's text
// would run on as SQL.
size_t DoubleEach(std::string& out, size_t start, size_t end, char c) {
  for (size_t at = out.find(c, start); at < end; at = out.find(c, at + 2)) {
    out.insert(at, 1, c);
    ++end;
  }
  return end;
}

// How many bytes of `p[0..n)` are quotes, and whether any is a backslash: a
// record's values are searched in one pass instead of one search per value.
struct QuoteScan {
  size_t quotes = 0;
  bool backslash = false;
};
QuoteScan ScanQuotes(const char* p, size_t n) {
  QuoteScan scan;
  size_t i = 0;
#ifdef __SSE2__
  // Sixteen bytes at a time: each quote takes one off its byte of `count`
  // (a compare gives -1), which is summed and cleared before any byte of it
  // can wrap.
  const __m128i quote = _mm_set1_epi8('\'');
  const __m128i backslash = _mm_set1_epi8('\\');
  __m128i seen = _mm_setzero_si128();
  while (i + 16 <= n) {
    __m128i count = _mm_setzero_si128();
    for (int block = 0; block < 255 && i + 16 <= n; ++block, i += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      count = _mm_sub_epi8(count, _mm_cmpeq_epi8(bytes, quote));
      seen = _mm_or_si128(seen, _mm_cmpeq_epi8(bytes, backslash));
    }
    const __m128i sums = _mm_sad_epu8(count, _mm_setzero_si128());
    scan.quotes += static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
                   static_cast<size_t>(_mm_extract_epi16(sums, 4));
  }
  if (i < n && n >= 16) {
    // The last few bytes: the sixteen that end the text, with the lanes
    // already counted masked off.
    alignas(16) static constexpr unsigned char kTailMask[32] = {
        0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
        0,    0,    0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const __m128i mask = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kTailMask + (n - i)));
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16));
    const __m128i quotes = _mm_and_si128(_mm_cmpeq_epi8(bytes, quote), mask);
    seen = _mm_or_si128(seen, _mm_and_si128(_mm_cmpeq_epi8(bytes, backslash), mask));
    scan.quotes += static_cast<size_t>(__builtin_popcount(
        static_cast<unsigned>(_mm_movemask_epi8(quotes))));
    i = n;
  }
  scan.backslash = _mm_movemask_epi8(seen) != 0;
#endif
  for (; i < n; ++i) {
    scan.quotes += p[i] == '\'';
    scan.backslash = scan.backslash || p[i] == '\\';
  }
  return scan;
}

// The number of records to make: the low 32 bits of RecordCount, signed.
int32_t LowCount(int64_t record_count) {
  return static_cast<int32_t>(static_cast<uint32_t>(record_count));
}

}  // namespace

std::string GenerationRun::StatementHead(const TTableStruct& table, bool show_quotes) {
  return StatementHead(table, show_quotes, nullptr);
}

std::string GenerationRun::StatementHead(
    const TTableStruct& table, bool show_quotes,
    const std::function<std::string(const std::string&)>& quote) {
  std::string columns;
  for (const auto& field : table.Fields) {
    if (field.ChoiceCode == 0) continue;
    if (show_quotes) {
      columns += '"';
      columns += field.FieldName;
      columns += "\",";
    } else {
      columns += quote ? quote(field.FieldName) : field.FieldName;
      columns += ',';
    }
  }
  if (columns.empty()) return {};
  columns.pop_back();
  return "Insert into " + (quote ? quote(table.TableName) : table.TableName) + " (" + columns +
         ") Values (";
}

std::string GenerationRun::DeleteText(const TTableStruct& table) const {
  return "Delete from " + (QuoteName ? QuoteName(table.TableName) : table.TableName);
}

void GenerationRun::GenerateBtnClick() {
  host_.CommitPendingEdit();
  host_.ShowRunMonitor();
  RunStopped = !RunStopped;
  host_.SetSqlMonitor("");
  if (RunStopped) {
    // A press while running: ask the pass to stop at its next check.
    host_.SetCaptions(kGenerate, kGeneratePlain);
    return;
  }
  host_.SetCaptions(kStop, kStopPlain);
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
    host_.HideRunMonitor();
    host_.SetCaptions(kGenerate, kGeneratePlain);
    RunStopped = true;
    host_.RunEnded(RunOutcome::kFailed);
    throw;
  }
  in_pass_ = false;
  EndRun();
}

void GenerationRun::RunProper() {
  statements_ = 0;
  host_.SetMonitorRecNo("Loading Lookups", 0);
  host_.ProcessMessages();
  for (int list = 0; list < kLookupListCount; ++list)
    services_.LoadLookupList(list, ListPath ? ListPath(list) : ProgramDir + kLookupFileNames[list]);
  for (int list = 0; list < kLookupListCount; ++list)
    state_.LookupCounts[list] = services_.LookupRecordCount(list);

  // Slots 0..N for N listed tables; the profile has no slot past 99.
  const int32_t last = std::min<int32_t>(host_.TableListCount(), kMaxTables - 1);
  // A run that would draw a street address while the street list is still
  // closed (its file never loaded) ends here, with the list's own error,
  // before any table's Delete has run.
  if (WouldDrawStreet(last)) services_.RequireListOpen(kStreetList);
  if (Guard) {
    std::vector<int> order;
    for (int slot = 0; slot <= last; ++slot) order.push_back(slot);
    if (!SlotOrder.empty()) {
      order.clear();
      for (const int slot : SlotOrder)
        if (slot >= 0 && slot <= last) order.push_back(slot);
    }
    Guard->RunStarting(order);
  }
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
      host_.TableStarted(*it, table.TableName, 0);
      host_.SetMonitorTable("Table: " + table.TableName);
      host_.ProcessMessages();
      if (RunStopped) return;
      if (Cycles) {
        cycle_statements_.clear();
        Cycles->Before(*it, true, cycle_statements_);
        SendCycle(cycle_statements_);
      }
      Send(StatementKind::kDelete, table.TableName, DeleteText(table), 0);
    }
  }
  for (const int slot : slots) {
    TTableStruct& table = state_.Tables[slot];
    if (table.TableName.empty()) continue;
    if (Cycles) {
      cycle_statements_.clear();
      Cycles->Before(slot, false, cycle_statements_);
      SendCycle(cycle_statements_);
    }
    RunTable(table, slot, !DeletesFirst);
    if (RunStopped) break;
    if (Cycles) AfterCycleTable(slot);
  }
}

void GenerationRun::SendCycle(const std::vector<CycleStatement>& statements) {
  static const std::string kNoTable;
  for (const CycleStatement& s : statements) Send(s.Kind, kNoTable, s.Sql, 0);
}

std::string GenerationRun::Literal(const std::string& value, bool quoted) {
  if (!quoted) return value;
  std::string out = "'" + value;
  if (out.find('\\') != std::string::npos && services_.BackslashEscapes())
    DoubleEach(out, 1, out.size(), '\\');
  DoubleEach(out, 1, out.size(), '\'');
  return out + "'";
}

void GenerationRun::AfterCycleTable(int slot) {
  std::vector<CycleKeys::Due> due;
  Cycles->Filled(slot, due);
  std::string sql;
  for (const CycleKeys::Due& d : due) {
    const std::string table = QuoteName ? QuoteName(d.Table) : d.Table;
    auto column = [&](const std::string& name) { return QuoteName ? QuoteName(name) : name; };
    for (const KeyUpdate& u : d.Updates) {
      sql = "Update " + table + " Set " + column(u.Set.Column) + " = " +
            Literal(u.Set.Value, u.Set.Quoted) + " Where ";
      for (size_t i = 0; i < u.Where.size(); ++i)
        sql += (i ? " And " : "") + column(u.Where[i].Column) + " = " +
               Literal(u.Where[i].Value, u.Where[i].Quoted);
      if (host_.ShowsEachRecord()) host_.SetSqlMonitor(sql);
      Send(StatementKind::kUpdate, d.Table, sql, 1);
    }
  }
  cycle_statements_.clear();
  Cycles->AfterFilled(slot, cycle_statements_);
  SendCycle(cycle_statements_);
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
  state_.BigTableCounter = 1;
  state_.ClearTableScratch();

  host_.TableStarted(slot, table.TableName, LowCount(table.RecordCount));
  host_.SetMonitorTable("Table: " + table.TableName);
  host_.SetMonitorRecNo("Generating Template", 0);
  host_.ProcessMessages();

  for (auto& field : table.Fields) UpdateChoiceCode(field);
  const std::string head = StatementHead(table, ShowQuotes, QuoteName);
  const bool extras = Extras && Extras->BeginTable(slot, table);

  if (with_delete && table.DeleteExisting == 1)
    Send(StatementKind::kDelete, table.TableName, DeleteText(table), 0);
  const uint64_t before = statements_;

  // The count is read once, here, after the table start has let pending
  // messages run: a record count committed meanwhile is the one used.
  const int32_t count = LowCount(table.RecordCount);
  if (Guard) Guard->TableStarting(slot, table, count);
  owned_.assign(kMaxFields, false);
  if (Cycles) {
    Cycles->TableStarting(slot, table, count);
    for (int i = 0; i < kMaxFields; ++i) owned_[i] = Cycles->Owns(slot, i);
  }
  const bool bind = binding_ = BindValues && RowsPerInsert > 1;
  const bool spans = Guard || Cycles || bind;
  if (spans) field_spans_.assign(kMaxFields, {});
  head_size_ = head.size();
  bound_.clear();
  bound_aside_.clear();
  const bool texts = host_.ShowsEachRecord();
  static const std::string kNoText;
  // The fields in use, worked out again whenever the profile has changed in
  // a way that can switch a field on or off (the window may change it while
  // pending messages run).
  uint64_t revision = state_.Revision - 1;
  const bool plain_table = !extras && !Guard && !Cycles && !spans;
  bool plain = false;
  // Plain, and every maker writes through a TextOut.
  bool direct = false;
  // Whatever ends the table, the services make values for anyone again.
  struct MakingEnds {
    RunServices& services;
    ~MakingEnds() { services.MakingOnly(nullptr); }
  } making_ends{services_};
  const bool batched = RowsPerInsert > 1;
  batched_ = 0;
  // The number of text values of a record made the short way.
  size_t direct_texts = 0;
  for (int32_t record = 1; record <= count && record > 0; ++record) {
    if (texts) {
      recno_.assign("Rec No: ");
      char digits[12];
      const auto end = std::to_chars(digits, digits + sizeof digits, record).ptr;
      recno_.append(digits, end);
    }
    host_.SetMonitorRecNo(texts ? recno_ : kNoText, record);
    host_.ProcessMessages();
    state_.ClearRecordScratch();
    state_.RecordGender = 0;
    if (extras) Extras->BeginRecord();

    if (revision != state_.Revision) {
      revision = state_.Revision;
      in_use_.clear();
      steps_.clear();
      plain = plain_table;
      direct = true;
      for (int i = 0; i < kMaxFields; ++i) {
        const int32_t code = table.Fields[i].ChoiceCode;
        if (!InUse(code)) continue;
        in_use_.push_back(i);
        steps_.push_back({i, code, FamilyOfCode(code) == Family::kText, IsLookupCode(code),
                          services_.MakerFor(code), {}, 0});
        plain = plain && steps_.back().maker.Make && !steps_.back().lookup;
        direct = direct && steps_.back().maker.MakeText;
      }
      direct = direct && plain;
      direct_texts = 0;
      for (size_t k = 0; k < steps_.size(); ++k) {
        FieldStep& step = steps_[k];
        const bool next_text = k + 1 < steps_.size() && steps_[k + 1].text;
        uint8_t n = 0;
        if (step.text) step.tail[n++] = '\'';
        direct_texts += step.text;
        step.tail[n++] = ',';
        if (next_text) step.tail[n++] = '\'';
        step.tail_size = n;
      }
      making_.clear();
      for (const FieldStep& step : steps_) making_.push_back(step.code);
      services_.MakingOnly(plain ? &making_ : nullptr);
    }
    // The statement is built in one buffer: the head, kept from record to
    // record, then the values. Batched, each record's value list follows
    // the last one's after ",(", and is taken off again when it is empty.
    size_t record_start;
    // Made the short way, a record is written over the last one's values:
    // what they took is room for this record's without growing the text.
    const bool over_last = direct && !batched && record > 1;
    if (!batched) {
      if (record == 1)
        statement_.assign(head);
      else if (!over_last)
        statement_.resize(head.size());
      record_start = head.size();
    } else if (batched_ == 0) {
      statement_.assign(head);
      record_start = statement_.size();
    } else {
      record_start = statement_.size();
      statement_ += ",(";
    }
    const size_t values_start = over_last ? record_start : statement_.size();
    // Without NULL shares, keys to guard or values to note, every value
    // comes from its maker: the short way.
    if (direct) {
      // Each value is followed by its tail, which opens the next one.
      TextOut out(statement_, values_start);
      text_spans_.resize(direct_texts);
      auto span = text_spans_.begin();
      if (!steps_.empty() && steps_.front().text) out += '\'';
      for (const FieldStep& step : steps_) {
        const TFieldStruct& field = table.Fields[step.index];
        const size_t start = out.size();
        step.maker.MakeText(step.maker.Context, step.code, field.Param1, field.Param2, out);
        if (step.text) *span++ = {start, out.size()};
        out.AppendShort(step.tail, step.tail_size);
      }
    } else {
      text_spans_.clear();
    }
    if (!direct && plain) {
      for (const FieldStep& step : steps_) {
        const TFieldStruct& field = table.Fields[step.index];
        if (step.text) {
          statement_.push_back('\'');
          const size_t start = statement_.size();
          step.maker.Make(step.maker.Context, step.code, field.Param1, field.Param2, statement_);
          text_spans_.emplace_back(start, statement_.size());
          statement_.push_back('\'');
        } else {
          step.maker.Make(step.maker.Context, step.code, field.Param1, field.Param2, statement_);
        }
        statement_.push_back(',');
      }
    }
    for (const FieldStep& step : plain ? std::span<const FieldStep>() : std::span<const FieldStep>(steps_)) {
      const int i = step.index;
      const TFieldStruct& field = table.Fields[i];
      if (extras && Extras->DrawNull(i)) {
        // NULL in every family: never quoted.
        const size_t at = statement_.size();
        statement_ += "NULL";
        if (spans) field_spans_[i] = {at, statement_.size(), -1, true};
        statement_ += ',';
        continue;
      }
      if (owned_[i] && Cycles->InsertsNull(i)) {
        // A key of a cycle, set by an Update once its table is filled.
        const size_t at = statement_.size();
        statement_ += "NULL";
        field_spans_[i] = {at, statement_.size(), -1, true};
        statement_ += ',';
        continue;
      }
      if (step.text) statement_ += '\'';
      const size_t start = statement_.size();
      // A value the field extras (an ordered date) or the key guard (a key
      // drawn as a whole) supply is not asked of the generators.
      if (owned_[i])
        Cycles->AppendValue(i, statement_);
      else if ((!extras || !Extras->AppendValue(i, statement_)) && (!Guard || !Guard->Supplies(i))) {
        if (step.maker.Make)
          step.maker.Make(step.maker.Context, step.code, field.Param1, field.Param2, statement_);
        else
          services_.AppendValue(step.code, field.Param1, field.Param2, statement_);
      }
      if (step.lookup && services_.LookupWritesAs(written_)) {
        // Unquoted, in place of what the lookup wrote.
        const size_t at = start - (step.text ? 1 : 0);
        statement_.resize(at);
        statement_ += written_;
        if (spans) field_spans_[i] = {at, statement_.size(), -1};
        statement_ += ',';
        continue;
      }
      if (extras) Extras->Made(i, statement_, start);
      if (step.text) {
        text_spans_.emplace_back(start, statement_.size());
        if (spans) field_spans_[i] = {start, statement_.size(), int(text_spans_.size()) - 1};
        // Two characters one by one: appended as a text they would cost a
        // call to copy them.
        statement_.push_back('\'');
        statement_.push_back(',');
      } else {
        if (spans) field_spans_[i] = {start, statement_.size(), -1};
        statement_ += ',';
      }
    }
    if (Guard) GuardRecord(table, record);
    if (Cycles) RecordMadeForCycles();
    // Quotes and backslashes are rare in values: the record is searched
    // once, and only a record that holds a quote besides the two around each
    // text value, or a backslash, has its text values gone through.
    if (!text_spans_.empty()) {
      const char* values = statement_.data() + values_start;
      const size_t length = statement_.size() - values_start;
      const QuoteScan scan = ScanQuotes(values, length);
      const bool quotes = scan.quotes != 2 * text_spans_.size();
      const bool backslashes = scan.backslash;
      if (bind) text_grown_.assign(text_spans_.size(), 0);
      if (quotes || backslashes) DoubleInTexts(quotes, backslashes);
    }
    if (bind) NoteBoundValues(table);
    bool made = false;
    if (statement_.size() > values_start) {
      statement_.pop_back();  // the last comma
      made = statement_.size() > values_start;
    }
    if (made && !batched) {
      statement_ += ");";
      if (texts) host_.SetSqlMonitor(statement_);
      Send(StatementKind::kInsert, table.TableName, statement_, 1);
    } else if (made) {
      statement_ += ')';
      if (++batched_ == RowsPerInsert) SendBatch(texts, table.TableName);
    } else if (batched) {
      statement_.resize(record_start);
    }
    host_.RecordDone(record);
    if (RunStopped) break;
    if (record == INT32_MAX) break;
  }
  // The rest of the table's records, also after a stop.
  if (batched_ > 0) SendBatch(texts, table.TableName);
  // Whole numbers written into columns a sequence may feed: the services
  // keep such sequences in step.
  if (statements_ > before) {
    std::vector<std::string> columns;
    for (const int i : in_use_) {
      const int32_t code = table.Fields[i].ChoiceCode;
      if (FamilyOfCode(code) == Family::kInteger ||
          (NamedChoices && code >= kBigintCounter && code <= kBigintLookup))
        columns.push_back(table.Fields[i].FieldName);
    }
    if (!columns.empty()) services_.TableFilled(table.TableName, columns);
  }
}

namespace {

// A record's values in place in the statement being built: a value set
// anew is spliced in, and the values after it move along.
template <class Spans>
class SpanValues : public RecordValues {
 public:
  using Texts = std::vector<std::pair<size_t, size_t>>;
  SpanValues(std::string& sql, Spans& fields, Texts& texts)
      : sql_(sql), fields_(fields), texts_(texts) {}
  std::string_view Value(int field) const override {
    const auto& f = fields_[field];
    return std::string_view(sql_).substr(f.start, f.end - f.start);
  }
  bool IsNull(int field) const override {
    return fields_[field].text < 0 && Value(field) == "NULL";
  }
  void Set(int field, std::string_view value) override {
    auto& f = fields_[field];
    const size_t at = f.start, old = f.end - at;
    sql_.replace(at, old, value);
    f.null = false;
    const size_t grown = value.size(), shrunk = old;
    auto move = [&](size_t& place) { place = place + grown - shrunk; };
    move(f.end);
    if (f.text >= 0) move(texts_[f.text].second);
    for (auto& g : fields_)
      if (g.start > at) move(g.start), move(g.end);
    for (auto& t : texts_)
      if (t.first > at) move(t.first), move(t.second);
  }

 private:
  std::string& sql_;
  Spans& fields_;
  Texts& texts_;
};

}  // namespace

void GenerationRun::GuardRecord(const TTableStruct& table, int32_t record) {
  // Only fields in use are asked for: the guard keys on those alone.
  SpanValues<std::vector<FieldSpan>> values(statement_, field_spans_, text_spans_);
  std::string value;
  while (!Guard->Admit(record, values, redraw_)) {
    const bool whole = !redraw_.empty() && redraw_.front() == RecordGuard::kWholeRecord;
    if (whole) {
      state_.ClearRecordScratch();
      state_.RecordGender = 0;
      redraw_.clear();
      for (const int i : in_use_) redraw_.push_back(i);
    }
    for (const int i : redraw_) {
      const TFieldStruct& field = table.Fields[i];
      const bool named_only = NamedChoices && IsNamedOnlyCode(field.ChoiceCode);
      if (Guard->Supplies(i) || owned_[i] ||
          (FamilyOfCode(field.ChoiceCode) == Family::kNone && !named_only))
        continue;
      value.clear();
      services_.AppendValue(field.ChoiceCode, field.Param1, field.Param2, value);
      values.Set(i, value);
    }
  }
}

void GenerationRun::RecordMadeForCycles() {
  const SpanValues<std::vector<FieldSpan>> values(statement_, field_spans_, text_spans_);
  Cycles->RecordMade(values);
}

void GenerationRun::DoubleInTexts(bool quotes, bool backslashes) {
  bool asked = false;
  bool escapes = false;
  // From the last value back, so the places of the earlier ones hold.
  for (auto span = text_spans_.rbegin(); span != text_spans_.rend(); ++span) {
    const size_t start = span->first;
    const size_t was = span->second;
    size_t end = was;
    // Binding, a value that the doubling changes is kept as it was.
    const size_t aside = bound_aside_.size();
    if (binding_) bound_aside_.append(statement_, start, end - start);
    if (quotes) end = DoubleEach(statement_, start, end, '\'');
    if (backslashes && std::memchr(statement_.data() + start, '\\', end - start)) {
      // The data source is asked only when a text value holds a backslash.
      if (!asked) {
        escapes = services_.BackslashEscapes();
        asked = true;
      }
      if (escapes) end = DoubleEach(statement_, start, end, '\\');
    }
    if (!binding_) continue;
    if (end == was)
      bound_aside_.resize(aside);
    else
      text_grown_[text_spans_.rend() - span - 1] = end - was;
  }
}

void GenerationRun::SendBatch(bool texts, const std::string& table) {
  statement_ += ';';
  const int32_t records = batched_;
  batched_ = 0;
  if (texts) host_.SetSqlMonitor(statement_);
  Send(StatementKind::kInsert, table, statement_, records, binding_);
  if (binding_) {
    bound_.clear();
    bound_aside_.clear();
  }
}

namespace {

ValueClass ClassOfCode(int32_t code) {
  switch (FamilyOfCode(code)) {
    case Family::kText:
      return ValueClass::kText;
    case Family::kInteger:
      return ValueClass::kInteger;
    case Family::kFloat:
    case Family::kCurrency:
      return ValueClass::kFloat;
    case Family::kDate:
      return ValueClass::kDate;
    case Family::kTime:
      return ValueClass::kTime;
    case Family::kDateTime:
      return ValueClass::kDateTime;
    case Family::kBoolean:
    case Family::kNone:
      break;
  }
  if (code >= kBigintCounter && code <= kBigintLookup) return ValueClass::kInteger;
  if (code == kBoolRandom || code == kBoolFixed) return ValueClass::kBoolean;
  if (code == kUuidRandom) return ValueClass::kUuid;
  if (code == kBinaryRandom) return ValueClass::kBytes;
  return ValueClass::kLiteral;
}

}  // namespace

void GenerationRun::NoteBoundValues(const TTableStruct& table) {
  // The record's values lie in field order; each doubled text moves the
  // values after it along.
  size_t shift = 0, kept = 0;
  for (const int i : in_use_) {
    const FieldSpan& f = field_spans_[i];
    StatementValue value{ClassOfCode(table.Fields[i].ChoiceCode), f.null, false,
                         static_cast<uint32_t>(f.start + shift),
                         static_cast<uint32_t>(f.end - f.start)};
    if (f.text >= 0 && text_grown_[f.text] > 0) {
      shift += text_grown_[f.text];
      value.Aside = true;
      kept += value.Size;
    }
    bound_.push_back(value);
  }
  // The kept texts were added from the record's last text back.
  uint32_t at = static_cast<uint32_t>(bound_aside_.size() - kept);
  for (auto it = bound_.rbegin(); it != bound_.rbegin() + in_use_.size(); ++it)
    if (it->Aside) {
      it->Start = at;
      at += it->Size;
    }
}

void GenerationRun::Send(StatementKind kind, const std::string& table, const std::string& sql,
                         int32_t records, bool with_values) {
  RunStatement statement{kind, table, sql, records};
  if (with_values) {
    statement.Values = &bound_;
    statement.Aside = &bound_aside_;
    statement.Columns = static_cast<int32_t>(in_use_.size());
    statement.HeadSize = head_size_;
  }
  host_.StatementSent(statement);
  services_.ExecuteStatement(statement);
  ++statements_;
}

void GenerationRun::EndRun() {
  // RunStopped is still false unless a press asked for the stop.
  const RunOutcome outcome = RunStopped ? RunOutcome::kStopped : RunOutcome::kCompleted;
  host_.HideRunMonitor();
  host_.SetSqlMonitor(host_.SqlMonitor() + "    Completed");
  host_.SetCaptions(kGenerate, kGeneratePlain);
  RunStopped = true;
  host_.RunEnded(outcome);
}

}  // namespace kestrove

#include "app/workspace.h"

#include <algorithm>
#include <cctype>

#include "core/lookup_ids.h"
#include "core/table_order.h"
#include "db/foreign_keys.h"
#include "db/odbc_error.h"
#include "util/text.h"

namespace kestrove {

Workspace::Workspace(const Clock& clock, WorkspaceHost& host, DatabaseErrorReporter& reporter)
    : state_(ProfileState::Create()),
      Values(*state_, Random, Lists, clock),
      Run(*state_, *this, host),
      clock_(clock),
      host_(host),
      reporter_(reporter),
      extras_run_(Extras, Random, clock) {
  state_->ClearProfile();
  Run.Extras = &extras_run_;
  Values.SetDatabase(&Db.LookupTable, &reporter_);
}

void Workspace::SetProgramDir(const std::string& dir) {
  SetPlaces(FilePlaces::In(dir));
}

void Workspace::SetPlaces(const FilePlaces& places) {
  places_ = places;
  Run.ProgramDir = places_.program_dir;
  Run.ListPath = [this](int list) { return places_.ReadPath(kLookupFileNames[list]); };
}

void Workspace::SetDryRun(bool dry) {
  dry_run_ = dry;
  ApplyLookupReader();
}

void Workspace::SetBindValues(bool bind) {
  bind_ = Run.BindValues = bind;
  bound_.Clear();
  bound_.Note = [this](const std::string& message) { host_.RunNote(message); };
}

void Workspace::SetCacheLookups(bool cache) {
  cache_lookups_ = cache;
  ApplyLookupReader();
}

void Workspace::ApplyLookupReader() {
  if (dry_run_)
    Values.SetDatabase(nullptr, nullptr);
  else if (cache_lookups_)
    Values.SetDatabase(&lookup_cache_, &reporter_);
  else
    Values.SetDatabase(&Db.LookupTable, &reporter_);
}

void Workspace::SetNamedRun(bool on_data_source) {
  Run.NamedChoices = true;
  binary_form_set_ = false;
  quote_names_ = keep_sequences_ = on_data_source && !dry_run_;
  if (!quote_names_) {
    Run.QuoteName = nullptr;
    return;
  }
  names_ = ReadIdentifierRules(Db.Connector);
  Run.QuoteName = [this](const std::string& name) { return QuoteTableName(name, names_); };
}

void Workspace::SetKeyGuard(bool on, bool unique_keys) {
  Run.Guard = nullptr;
  key_guard_.reset();
  key_facts_.reset();
  if (!on || dry_run_) return;
  LookupReader& reader =
      cache_lookups_ ? static_cast<LookupReader&>(lookup_cache_) : Db.LookupTable;
  key_facts_ = std::make_unique<DbKeyFacts>(Db.Connector, reader);
  key_guard_ = std::make_unique<KeyGuard>(*state_, Random, *key_facts_, unique_keys);
  key_guard_->DeletesFirst = &Run.DeletesFirst;
  Run.Guard = key_guard_.get();
}

std::vector<std::vector<std::string>> Workspace::OrderParentsFirst(int32_t table_count) {
  const int32_t last = std::min<int32_t>(table_count, kMaxTables - 1);
  std::vector<int> slots;
  for (int slot = 0; slot <= last; ++slot)
    if (!state_->Tables[slot].TableName.empty()) slots.push_back(slot);
  std::vector<std::vector<int>> references(slots.size());
  // Does slot name `slot_name` ("table", or "schema.table" for a table of
  // another schema) name the table a key refers to? A bare name stands for
  // the table of that name in whatever schema, unless the profile names it
  // with that schema too.
  auto names = [&](const std::string& slot_name, const ForeignKey& key) {
    const std::string qualified = key.ReferencedSchema + "." + key.ReferencedTable;
    if (!key.ReferencedSchema.empty() && SameText(slot_name, qualified)) return true;
    if (!SameText(slot_name, key.ReferencedTable)) return false;
    for (const int slot : slots)
      if (!key.ReferencedSchema.empty() && SameText(state_->Tables[slot].TableName, qualified))
        return false;
    return true;
  };
  for (size_t i = 0; i < slots.size(); ++i) {
    const std::string& name = state_->Tables[slots[i]].TableName;
    std::vector<ForeignKey> keys;
    try {
      keys = ReadForeignKeys(Db.Connector, name);
      // Not a table of its own name: one of another schema, "schema.table".
      const size_t dot = name.find('.');
      if (keys.empty() && dot != std::string::npos && dot > 0 && dot + 1 < name.size())
        keys = ReadForeignKeys(Db.Connector, name.substr(0, dot), name.substr(dot + 1));
    } catch (const EODBC& error) {
      const std::string message = error.what();
      DiscardError(error);
      throw EDatabaseError("Cannot read the foreign keys of table " + name + ": " + message);
    }
    // A table that is not in the profile is filled by nobody: no order.
    for (const ForeignKey& key : keys)
      for (size_t j = 0; j < slots.size(); ++j)
        // SQLite reports a referenced table as its key spells it, which
        // need not be the case the table was created with.
        if (names(state_->Tables[slots[j]].TableName, key))
          references[i].push_back(static_cast<int>(j));
  }
  const ParentsFirstOrder order = kestrove::OrderParentsFirst(references);
  Run.SlotOrder.clear();
  for (const int i : order.Order) Run.SlotOrder.push_back(slots[i]);
  Run.DeletesFirst = true;
  std::vector<std::vector<std::string>> cycles;
  for (const auto& cycle : order.Cycles) {
    cycles.emplace_back();
    for (const int i : cycle) cycles.back().push_back(state_->Tables[slots[i]].TableName);
  }
  return cycles;
}

const std::string& Workspace::LookupTableName(int32_t code, const std::string& table) {
  if (!quote_names_ || !IsLookupCode(code)) return table;
  quoted_lookup_ = QuoteTableName(table, names_);
  return quoted_lookup_;
}

std::string Workspace::GenerateValue(int32_t code, const std::string& param1,
                                     const std::string& param2) {
  if (IsNamedOnlyCode(code) && !binary_form_set_) {
    Values.SetBinaryLiteralForm(BinaryLiterals());
    binary_form_set_ = true;
  }
  return Values.Generate(code, param1, LookupTableName(code, param2));
}

void Workspace::AppendValue(int32_t code, const std::string& param1, const std::string& param2,
                            std::string& out) {
  if (IsNamedOnlyCode(code) && !binary_form_set_) {
    Values.SetBinaryLiteralForm(BinaryLiterals());
    binary_form_set_ = true;
  }
  Values.AppendValue(code, param1, LookupTableName(code, param2), out);
}

BinaryLiteralForm Workspace::BinaryLiterals() {
  if (dry_run_) return BinaryLiteralForm::kHexX;
  return BytesAsDecodeHex(Db.Connector) ? BinaryLiteralForm::kDecodeHex : BinaryLiteralForm::kHexX;
}

void Workspace::TableFilled(const std::string& table, const std::vector<std::string>& columns) {
  if (keep_sequences_ && !dry_run_) KeepSequencesInStep(Db.Connector, table, columns, names_);
}

void Workspace::ExecuteStatement(const RunStatement& statement) {
  if (dry_run_) return;
  const std::string& sql = statement.Sql;
  if (!failed_statement_.empty()) failed_statement_.clear();
  // A table the lookups keep in memory is read afresh once the run has
  // changed it, so that a table that looks itself up (an employee's
  // manager) sees the rows inserted so far.
  if (cache_lookups_)
    lookup_cache_.MarkStale(quote_names_ ? QuoteTableName(statement.Table, names_)
                                         : statement.Table);
  try {
    if (bind_ && statement.Values && bound_.Execute(statement)) {
      // Executed with its values bound.
    } else if (direct_)
      Db.ExecuteDirect(sql);
    else
      Db.ExecuteStatement(sql);
  } catch (...) {
    failed_statement_ = sql;
    failed_records_ = statement.Records;
    throw;
  }
  if (transaction_) transaction_->Executed(static_cast<uint64_t>(statement.Records));
}

void Workspace::LoadLookupList(int list, const std::string& path) {
  if (!Lists.Load(list, path)) host_.ListNotLoaded(list, path);
}

int32_t Workspace::LookupRecordCount(int list) {
  return Lists.RecordCount(list);
}

bool Workspace::BackslashEscapes() {
  // A dry run has no server: its statements keep the plain literal.
  return !dry_run_ && Db.Connector.BackslashEscapes();
}

void Workspace::RequireListOpen(int list) {
  // Any read of a closed list raises the list's own closed-list error.
  TdxMemData& store = Lists.List(list);
  if (!store.Active()) store.First();
}

}  // namespace kestrove

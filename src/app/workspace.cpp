#include "app/workspace.h"

#include <algorithm>
#include <cctype>

#include "core/field_types.h"
#include "core/lookup_ids.h"
#include "core/table_order.h"
#include "db/foreign_keys.h"
#include "db/odbc_error.h"
#include "db/schema_catalog.h"
#include "db/statement.h"
#include "db/unique_keys.h"
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
  LookupReader& source =
      cache_lookups_ ? static_cast<LookupReader&>(lookup_cache_) : Db.LookupTable;
  dry_rows_.SetBase(dry_source_ ? &source : nullptr, [this](const std::string& table) {
    return quote_names_ ? QuoteTableName(table, names_) : table;
  });
  dry_rows_.SetColumnNames([this](const std::string& column) {
    return quote_names_ ? QuoteIdentifier(column, names_) : column;
  });
  if (dry_run_ && dry_records_)
    Values.SetDatabase(&dry_rows_, &reporter_);
  else if (dry_run_)
    Values.SetDatabase(nullptr, nullptr);
  else if (cache_lookups_)
    Values.SetDatabase(&lookup_cache_, &reporter_);
  else
    Values.SetDatabase(&Db.LookupTable, &reporter_);
}

void Workspace::SetDryScript(bool with_data_source, std::function<void(const std::string&)> warn) {
  dry_source_ = with_data_source;
  dry_records_ = std::make_unique<DryRunRecords>(*state_, dry_rows_);
  dry_records_->Warn = std::move(warn);
  ApplyLookupReader();
  Run.Guard = dry_records_.get();
}

void Workspace::SetScriptLiterals(const IdentifierRules& names, bool backslashes,
                                  BinaryLiteralForm bytes) {
  script_literals_ = true;
  script_backslashes_ = backslashes;
  script_bytes_ = bytes;
  names_ = names;
  quote_names_ = names.quote != '\0';
  if (quote_names_)
    Run.QuoteName = [this](const std::string& name) { return QuoteTableName(name, names_); };
}

void Workspace::SetNamedRun(bool on_data_source) {
  Run.NamedChoices = true;
  binary_form_set_ = false;
  // A dry script beside a data source is written for it: its names quoted
  // as it needs them, though nothing is sent.
  quote_names_ = on_data_source && (!dry_run_ || dry_records_);
  keep_sequences_ = on_data_source && !dry_run_;
  if (!quote_names_) {
    Run.QuoteName = nullptr;
    return;
  }
  names_ = ReadIdentifierRules(Db.Connector);
  Run.QuoteName = [this](const std::string& name) { return QuoteTableName(name, names_); };
}

void Workspace::QuoteKeyNames(DbKeyFacts& facts) {
  if (!quote_names_) return;
  facts.TableName = [this](const std::string& name) { return QuoteTableName(name, names_); };
  facts.ColumnName = [this](const std::string& name) { return QuoteIdentifier(name, names_); };
}

void Workspace::SetKeyGuard(bool on, bool unique_keys) {
  Run.Guard = nullptr;
  key_guard_.reset();
  key_facts_.reset();
  dry_source_facts_.reset();
  if (dry_run_ && dry_records_) {
    // The keys of the data source where there is one, else the profile's;
    // row counts and lookup values those of the script so far. Without a
    // data source an empty looked-up table writes NULL instead of ending
    // the run.
    if (dry_source_) {
      dry_source_facts_ = std::make_unique<DbKeyFacts>(Db.Connector, dry_rows_);
      QuoteKeyNames(*dry_source_facts_);
    }
    key_facts_ =
        std::make_unique<DryRunKeyFacts>(dry_rows_, dry_source_facts_.get(), profile_keys_);
    dry_records_->Inner = nullptr;
    dry_records_->Cycles = key_cycles_.get();
    if (on) {
      key_guard_ = std::make_unique<KeyGuard>(*state_, Random, *key_facts_, unique_keys);
      key_guard_->DeletesFirst = &Run.DeletesFirst;
      key_guard_->StopEmptyLookups = dry_source_;
      key_guard_->Cycles = key_cycles_.get();
      dry_records_->Inner = key_guard_.get();
    }
    Run.Guard = dry_records_.get();
    return;
  }
  if (!on || dry_run_) return;
  LookupReader& reader =
      cache_lookups_ ? static_cast<LookupReader&>(lookup_cache_) : Db.LookupTable;
  auto facts = std::make_unique<DbKeyFacts>(Db.Connector, reader);
  QuoteKeyNames(*facts);
  key_facts_ = std::move(facts);
  key_guard_ = std::make_unique<KeyGuard>(*state_, Random, *key_facts_, unique_keys);
  key_guard_->DeletesFirst = &Run.DeletesFirst;
  key_guard_->Cycles = key_cycles_.get();
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
  return ApplyOrder(slots, references);
}

std::vector<std::vector<std::string>> Workspace::OrderByLookups(int32_t table_count) {
  const int32_t last = std::min<int32_t>(table_count, kMaxTables - 1);
  std::vector<int> slots;
  for (int slot = 0; slot <= last; ++slot)
    if (!state_->Tables[slot].TableName.empty()) slots.push_back(slot);
  std::vector<std::vector<int>> references(slots.size());
  for (size_t i = 0; i < slots.size(); ++i)
    for (TFieldStruct& field : state_->Tables[slots[i]].Fields) {
      UpdateChoiceCode(field);
      if (!IsLookupCode(field.ChoiceCode) || field.Param1.empty()) continue;
      for (size_t j = 0; j < slots.size(); ++j)
        if (j != i && SameText(state_->Tables[slots[j]].TableName, field.Param2))
          references[i].push_back(static_cast<int>(j));
    }
  return ApplyOrder(slots, references);
}

std::vector<std::vector<std::string>> Workspace::ApplyOrder(
    const std::vector<int>& slots, const std::vector<std::vector<int>>& references) {
  const ParentsFirstOrder order = kestrove::OrderParentsFirst(references);
  Run.SlotOrder.clear();
  for (const int i : order.Order) Run.SlotOrder.push_back(slots[i]);
  Run.DeletesFirst = true;
  std::vector<std::vector<std::string>> cycles;
  cycle_slots_.clear();
  for (const auto& cycle : order.Cycles) {
    cycles.emplace_back();
    cycle_slots_.emplace_back();
    for (const int i : cycle) {
      cycles.back().push_back(state_->Tables[slots[i]].TableName);
      cycle_slots_.back().push_back(slots[i]);
    }
  }
  return cycles;
}

namespace {

// The cycle keys' reads, with the names quoted as the run's statements
// quote them.
class DbCycleFacts : public CycleFacts {
 public:
  DbCycleFacts(DbConnection& connection, std::function<std::string(const std::string&)> table,
               std::function<std::string(const std::string&)> column)
      : connection_(connection), table_(std::move(table)), column_(std::move(column)) {}
  std::vector<std::string> Values(const std::string& table, const std::string& column) override {
    std::vector<std::string> values;
    for (auto& row : ReadKeyRows(connection_, table_(table), {column_(column)}))
      values.push_back(std::move(row[0]));
    return values;
  }
  int64_t Orphans(const std::string& child, const std::string& column, const std::string& parent,
                  const std::string& parent_column) override {
    DbStatement query(connection_);
    query.SetSQL("SELECT COUNT(*) FROM " + table_(child) + " c LEFT JOIN " + table_(parent) +
                 " p ON p." + column_(parent_column) + " = c." + column_(column) + " WHERE c." +
                 column_(column) + " IS NOT NULL AND p." + column_(parent_column) + " IS NULL");
    query.Prepare();
    query.Execute();
    int64_t n = 0;
    if (query.FetchNext() && !query.ColumnInt64(1, &n)) n = 0;
    return n;
  }

 private:
  DbConnection& connection_;
  std::function<std::string(const std::string&)> table_, column_;
};

int FieldOf(const TTableStruct& table, const std::string& column) {
  for (int i = 0; i < kMaxFields; ++i)
    if ((FamilyOfCode(table.Fields[i].ChoiceCode) != Family::kNone ||
         IsNamedOnlyCode(table.Fields[i].ChoiceCode)) &&
        SameText(table.Fields[i].FieldName, column))
      return i;
  return -1;
}

bool IsWholeCounter(int32_t code) {
  return code == 206 || code == kBigintCounter;
}

}  // namespace

std::vector<std::string> Workspace::FillCycles(bool unique_keys) {
  Run.Cycles = nullptr;
  key_cycles_.reset();
  cycle_facts_.reset();
  if (cycle_slots_.empty()) return {};
  DbSchemaCatalog catalog(Db.Connector);
  const std::vector<DbSchemaTable> listed = catalog.Tables();
  const KeyCheckDeferral deferral = catalog.Deferral();
  if (Db.Connector.Connected()) {
    auto table = [this](const std::string& name) {
      return quote_names_ ? QuoteTableName(name, names_) : name;
    };
    auto column = [this](const std::string& name) {
      return quote_names_ ? QuoteIdentifier(name, names_) : name;
    };
    cycle_facts_ = std::make_unique<DbCycleFacts>(Db.Connector, table, column);
  }
  auto cycles = std::make_unique<KeyCycles>(*state_, Random, cycle_facts_.get(), unique_keys);
  cycles->QuoteName = Run.QuoteName;
  cycles->CheckOrphans = !dry_run_;
  auto name = [this](int slot) { return state_->Tables[slot].TableName; };
  std::vector<std::string> notes;
  for (const std::vector<int>& slots : cycle_slots_) {
    std::vector<DbTableFacts> facts;
    for (const int slot : slots) {
      const std::string& table = name(slot);
      auto found = std::find_if(listed.begin(), listed.end(), [&](const DbSchemaTable& t) {
        return SameText(t.Qualified(), table);
      });
      facts.push_back(found == listed.end() ? DbTableFacts{} : catalog.Facts(*found));
      for (auto& field : state_->Tables[slot].Fields) UpdateChoiceCode(field);
    }
    std::vector<CycleEdge> edges;
    for (size_t c = 0; c < slots.size(); ++c) {
      const TTableStruct& child = state_->Tables[slots[c]];
      for (const ForeignKey& key : facts[c].foreign_keys) {
        if (key.Columns.size() != 1) continue;
        const auto parent_at = std::find_if(slots.begin(), slots.end(), [&](int s) {
          return SameText(name(s), key.ReferencedTable);
        });
        if (parent_at == slots.end() || *parent_at == slots[c]) continue;
        const TTableStruct& parent = state_->Tables[*parent_at];
        CycleEdge edge;
        edge.child = slots[c];
        edge.parent = *parent_at;
        edge.column = key.Columns[0];
        edge.parent_column = key.ReferencedColumns[0];
        edge.constraint = key.Name;
        edge.field = FieldOf(child, edge.column);
        // Only a key that the run looks up in the table it refers to waits
        // for that table; any other value is the profile's own choice.
        if (edge.field < 0) continue;
        const TFieldStruct& f = child.Fields[edge.field];
        if (!IsLookupCode(f.ChoiceCode) || !SameText(f.Param2, parent.TableName)) continue;
        for (const DbColumnFacts& column : facts[c].columns)
          if (SameText(column.name, edge.column)) edge.nullable = column.nullable;
        const std::vector<std::string> alone{edge.column};
        auto is_alone = [&](const std::vector<std::string>& cols) {
          return cols.size() == 1 && SameText(cols[0], edge.column);
        };
        edge.distinct = is_alone(facts[c].primary_key);
        for (const DbUniqueKey& u : facts[c].unique_keys) edge.distinct |= is_alone(u.columns);
        const int pf = FieldOf(parent, edge.parent_column);
        int counters = 0;
        for (const auto& g : parent.Fields)
          counters += IsCounterCode(g.ChoiceCode) || g.ChoiceCode == kBigintCounter;
        edge.predictable = pf >= 0 && IsWholeCounter(parent.Fields[pf].ChoiceCode) && counters == 1;
        edges.push_back(edge);
      }
    }
    const CyclePlan plan = PlanCycle(slots, edges, deferral, name);
    if (!plan.error.empty()) throw EKeyError(plan.error);
    if (plan.later.empty() && plan.forward.empty()) continue;
    // The cycle's tables take their places in the run's order anew.
    size_t next = 0;
    for (int& slot : Run.SlotOrder)
      if (std::find(slots.begin(), slots.end(), slot) != slots.end()) slot = plan.order[next++];
    KeyCycles::Cycle cycle;
    cycle.tables = plan.order;
    cycle.edges = edges;
    cycle.span = !plan.forward.empty();
    cycle.off = plan.off;
    cycle.on = plan.on;
    std::vector<std::string> said;
    for (const size_t e : plan.forward) {
      const CycleEdge& edge = edges[e];
      const TTableStruct& child = state_->Tables[edge.child];
      const TTableStruct& parent = state_->Tables[edge.parent];
      const int32_t asked = static_cast<int32_t>(static_cast<uint32_t>(child.RecordCount));
      const int32_t made = static_cast<int32_t>(static_cast<uint32_t>(parent.RecordCount));
      if (asked > 0 && made <= 0)
        throw EKeyError("table " + child.TableName + ", field " + edge.column +
                        ": the key of the " + "cycle refers to " + parent.TableName +
                        ", which the run gives no record; " + "nothing was sent");
      if (edge.distinct && asked > made)
        throw EKeyError("table " + child.TableName + ": the unique key (" + edge.column +
                        ") of the cycle cannot take " + std::to_string(asked) +
                        " distinct values of " + parent.TableName + "." + edge.parent_column +
                        ", which the run makes " + std::to_string(made) + " of: 0 of " +
                        std::to_string(asked) + " records made, nothing sent");
      KeyCycles::Key key;
      key.edge = edge;
      key.edge.parent_field = FieldOf(parent, edge.parent_column);
      cycle.keys.push_back(cycles->Keys().size());
      cycles->Keys().push_back(std::move(key));
      said.push_back(child.TableName + "." + edge.column + " takes the " + edge.parent_column +
                     " values " + parent.TableName + " will have");
    }
    for (const size_t e : plan.later) {
      const CycleEdge& edge = edges[e];
      const TTableStruct& child = state_->Tables[edge.child];
      const TTableStruct& parent = state_->Tables[edge.parent];
      const size_t c =
          static_cast<size_t>(std::find(slots.begin(), slots.end(), edge.child) - slots.begin());
      KeyCycles::Key key;
      key.edge = edge;
      key.edge.parent_field = FieldOf(parent, edge.parent_column);
      key.later = true;
      key.quoted = FamilyOfCode(child.Fields[edge.field].ChoiceCode) == Family::kText;
      // The rows are told apart by a key the run fills: the primary key,
      // else a unique one, of NOT NULL columns none of which a cycle sets.
      std::vector<std::vector<std::string>> candidates{facts[c].primary_key};
      for (const DbUniqueKey& u : facts[c].unique_keys) candidates.push_back(u.columns);
      for (const auto& columns : candidates) {
        if (columns.empty()) continue;
        std::vector<int> fields;
        for (const std::string& col : columns) {
          const int f = FieldOf(child, col);
          bool not_null = false;
          for (const DbColumnFacts& column : facts[c].columns)
            if (SameText(column.name, col)) not_null = !column.nullable;
          bool owned = false;
          for (const CycleEdge& other : edges)
            owned |= other.child == edge.child && other.field == f;
          if (f < 0 || !not_null || owned) break;
          fields.push_back(f);
        }
        if (fields.size() != columns.size()) continue;
        key.row_fields = fields;
        key.row_columns = columns;
        for (const int f : fields)
          key.row_quoted.push_back(FamilyOfCode(child.Fields[f].ChoiceCode) == Family::kText);
        break;
      }
      if (key.row_fields.empty())
        said.push_back(child.TableName + "." + edge.column + " stays NULL: no key that the run " +
                       "fills tells the rows of " + child.TableName + " apart");
      else
        said.push_back(child.TableName + "." + edge.column + " is set by Updates once " +
                       parent.TableName + " is filled");
      cycle.keys.push_back(cycles->Keys().size());
      cycles->Keys().push_back(std::move(key));
    }
    std::vector<std::string> tables;
    for (const int slot : plan.order) tables.push_back(name(slot));
    std::string list;
    for (size_t i = 0; i < tables.size(); ++i)
      list += (i == 0 ? "" : i + 1 == tables.size() ? " and " : ", ") + tables[i];
    std::string note =
        "the foreign keys of tables " + list + " form a cycle, filled in that order: ";
    for (size_t i = 0; i < said.size(); ++i) note += (i ? "; " : "") + said[i];
    if (cycle.span) note += ", with " + plan.how + ", and checked for orphans before the commit";
    notes.push_back(note);
    cycles->Cycles().push_back(std::move(cycle));
  }
  if (cycles->Keys().empty()) return notes;
  key_cycles_ = std::move(cycles);
  Run.Cycles = key_cycles_.get();
  return notes;
}

const std::string& Workspace::LookupTableName(int32_t code, const std::string& table) {
  // A dry script's rows go by the names as written; it quotes for the data
  // source itself.
  if (!quote_names_ || !IsLookupCode(code) || (dry_run_ && dry_records_)) return table;
  quoted_lookup_ = QuoteTableName(table, names_);
  return quoted_lookup_;
}

std::string Workspace::GenerateValue(int32_t code, const std::string& param1,
                                     const std::string& param2) {
  if (IsNamedOnlyCode(code) && !binary_form_set_) {
    Values.SetBinaryLiteralForm(BinaryLiterals());
    binary_form_set_ = true;
  }
  if (dry_records_) dry_rows_.ClearNull();
  return Values.Generate(code, param1, LookupTableName(code, param2));
}

void Workspace::AppendValue(int32_t code, const std::string& param1, const std::string& param2,
                            std::string& out) {
  if (IsNamedOnlyCode(code) && !binary_form_set_) {
    Values.SetBinaryLiteralForm(BinaryLiterals());
    binary_form_set_ = true;
  }
  if (dry_records_) dry_rows_.ClearNull();
  Values.AppendValue(code, param1, LookupTableName(code, param2), out);
}

ValueMaker Workspace::MakerFor(int32_t code) {
  // Lookups name their table as the data source quotes it, the named-only
  // choices need the data source's bytes form, and a dry script's lookups
  // keep track of what they drew: those go through AppendValue.
  if (IsLookupCode(code) || IsNamedOnlyCode(code) || dry_records_) return {};
  return Values.MakerFor(code);
}
void Workspace::MakingOnly(const std::vector<int32_t>* codes) {
  Values.KeepSyncFor(codes);
}
bool Workspace::LookupWritesAs(std::string& sql) {
  if (!dry_records_) return false;
  if (dry_rows_.LastNull())
    sql = "NULL";
  else if (!dry_rows_.LastExpression().empty())
    sql = dry_rows_.LastExpression();
  else
    return false;
  return true;
}

BinaryLiteralForm Workspace::BinaryLiterals() {
  if (dry_run_ && script_literals_) return script_bytes_;
  if (dry_run_ && !(dry_records_ && dry_source_)) return BinaryLiteralForm::kHexX;
  return BytesAsDecodeHex(Db.Connector) ? BinaryLiteralForm::kDecodeHex : BinaryLiteralForm::kHexX;
}

void Workspace::TableFilled(const std::string& table, const std::vector<std::string>& columns) {
  if (keep_sequences_ && !dry_run_) KeepSequencesInStep(Db.Connector, table, columns, names_);
}

void Workspace::ExecuteStatement(const RunStatement& statement) {
  if (dry_run_) {
    // What the script's Delete leaves for the lookups after it.
    if (dry_records_ && statement.Kind == StatementKind::kDelete)
      dry_rows_.Deleted(statement.Table);
    return;
  }
  const std::string& sql = statement.Sql;
  if (!failed_statement_.empty()) failed_statement_.clear();
  // A span of put-off key checks is one transaction: the run's own, its
  // batches held back meanwhile, or one of its own.
  if (statement.Kind == StatementKind::kBegin) {
    if (transaction_)
      transaction_->Hold(true);
    else
      span_.emplace(Db.Connector, 0);
    return;
  }
  if (statement.Kind == StatementKind::kCommit) {
    if (transaction_) {
      transaction_->Hold(false);
      transaction_->Commit();
    } else if (span_) {
      span_->Commit();
      span_.reset();
    }
    return;
  }
  // A table the lookups keep in memory is read afresh once the run has
  // changed it, so that a table that looks itself up (an employee's
  // manager) sees the rows inserted so far.
  if (cache_lookups_ && !statement.Table.empty())
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
  // A dry run has no server: its statements keep the plain literal, unless
  // it is a script for one.
  if (dry_run_ && script_literals_) return script_backslashes_;
  if (dry_run_ && !(dry_records_ && dry_source_)) return false;
  return Db.Connector.BackslashEscapes();
}

void Workspace::RequireListOpen(int list) {
  // Any read of a closed list raises the list's own closed-list error.
  TdxMemData& store = Lists.List(list);
  if (!store.Active()) store.First();
}

}  // namespace kestrove

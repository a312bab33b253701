// The workspace: everything the main window owns, composed once and free of
// any window toolkit. The window and the headless runner both build on it,
// so a run of the same profile, seed and date sends the same statements from
// either.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dry_script.h"
#include "app/file_places.h"
#include "app/key_cycles.h"
#include "app/unique_keys.h"
#include "app/workspace_host.h"
#include "core/clock.h"
#include "core/field_extras.h"
#include "core/generation_run.h"
#include "core/profile.h"
#include "core/run_services.h"
#include "db/bound_insert.h"
#include "db/database.h"
#include "db/identifiers.h"
#include "db/lookup_cache.h"
#include "db/lookup_reader.h"
#include "db/transaction.h"
#include "generators/field_extras_run.h"
#include "generators/generators.h"
#include "generators/random.h"
#include "lookup/lookup_lists.h"

namespace kestrove {

class Workspace : private RunServices {
 public:
  // `clock` seeds nothing by itself (see SeedRandom); `host` is the front
  // end the run reports to and `reporter` shows the database errors a lookup
  // survives. All three must outlive the workspace.
  Workspace(const Clock& clock, WorkspaceHost& host, DatabaseErrorReporter& reporter);
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  ProfileState& State() { return *state_; }

 private:
  std::unique_ptr<ProfileState> state_;

 public:
  // Built in this order and destroyed in reverse, so the run and the
  // generators go before the lists and the database objects they use.
  LookupLists Lists;
  RandomSource Random;
  Database Db;
  Generators Values;
  GenerationRun Run;
  // The NULL shares and ordered dates of the placed named profile, by table
  // and field slot (PlaceFieldExtras); empty for a positional profile.
  FieldExtras Extras;

  // Seeds the random source from the clock (milliseconds since midnight UTC).
  void SeedRandom() { Random.SeedRandom(clock_); }

  // Folder of the lookup list files (and the settings file), with a
  // trailing "/": one folder for reading and writing them all.
  void SetProgramDir(const std::string& dir);
  const std::string& ProgramDir() const { return Run.ProgramDir; }
  // Where the lists and the settings file are read and written; the run
  // loads each list from its read place.
  void SetPlaces(const FilePlaces& places);
  const FilePlaces& Places() const { return places_; }

  // A dry run executes nothing and database lookups yield empty text;
  // statements still reach the host's StatementSent.
  void SetDryRun(bool dry);
  bool DryRun() const { return dry_run_; }

  // A dry run that is a whole script (set after SetDryRun(true) and
  // SetCacheLookups, before SetKeyGuard): a Database Lookup draws from the
  // values the run made for that column earlier, and, `with_data_source`
  // (connected), from the rows the data source holds; a lookup of a table
  // without a row writes NULL, and `warn` is told of each such field once.
  // Off by default (a dry run's lookups then give empty values, as always).
  void SetDryScript(bool with_data_source, std::function<void(const std::string&)> warn);
  bool DryScript() const { return dry_records_ != nullptr; }
  // The keys a dry script without a data source keeps unique, by table
  // (the named profile's): null, none.
  void SetProfileKeys(DryRunKeyFacts::ProfileKeys keys) { profile_keys_ = std::move(keys); }
  // How a dry script without a data source writes names and literals, as
  // the data source the profile was drafted from takes them: names quoted
  // by `names` (quote 0: as they are), backslashes doubled in texts, and
  // bytes in `bytes` form.
  void SetScriptLiterals(const IdentifierRules& names, bool backslashes, BinaryLiteralForm bytes);

  // Has a dry run fill parents first by the profile alone: each table after
  // the tables its Database Lookups read (ties in slot order), the Deletes
  // first, children before parents. Returns the names of the tables of each
  // cycle, which run in slot order.
  std::vector<std::vector<std::string>> OrderByLookups(int32_t table_count);

  // Batched commits, for a run that asks for them: every statement the run
  // executes is counted into `transaction` (on Db.Connector), which commits
  // as its batches fill. Null, the default, leaves every statement to commit
  // itself. The transaction must outlive its use here.
  void SetTransaction(DbTransaction* transaction) { transaction_ = transaction; }

  // Statements executed directly (SQLExecDirect, one call) instead of
  // prepared and executed. Off by default.
  void SetExecuteDirect(bool direct) { direct_ = direct; }

  // Multi-row Inserts prepared once per table and size, each batch's values
  // bound (GenerationRun::BindValues, which this sets too); a batch with a
  // value that cannot be bound as its class says is executed as its text.
  // Off by default.
  void SetBindValues(bool bind);

  // Database lookups served from memory: each looked-up table is read once
  // through LookupTable and read again only after the run has executed an
  // Insert or a Delete on it. Off by default.
  void SetCacheLookups(bool cache);
  const CachedLookupReader& LookupCache() const { return lookup_cache_; }

  // A run of a named profile: the named-only choices (BIGINT, boolean,
  // UUID, binary) add their values. On a data source (`on_data_source`,
  // connected), also: table and column names are quoted where the data
  // source needs it, in the Inserts, Deletes and lookups, and after each
  // table the sequences that feed the whole-number columns the run wrote
  // are moved past the largest value. Raises EODBC when the data source's
  // naming rules cannot be read.
  void SetNamedRun(bool on_data_source);
  // The naming rules a named run on a data source quotes by; null otherwise.
  const IdentifierRules* NameRules() const { return quote_names_ ? &names_ : nullptr; }

  // Has the run fill parents first: the named tables of slots 0 up to
  // `table_count` are visited in an order where each comes after the tables
  // its foreign keys refer to (read from the data source, ties in slot
  // order), and the Deletes run first, children before parents. Returns the
  // names of the tables of each cycle of keys, which run in slot order.
  // Raises EDatabaseError naming the table whose keys cannot be read.
  std::vector<std::vector<std::string>> OrderParentsFirst(int32_t table_count);

  // Has the run check every record's keys before it is sent: with
  // `unique_keys`, the primary and unique keys the data source reports get
  // no value or combination that the table holds or the run made, and a
  // count a key cannot take ends the run before anything is sent; in any
  // case a Database Lookup of an empty table ends the run before its empty
  // value is sent. Set after SetCacheLookups (lookup values are read through
  // the lookups' reader). No effect in a dry run. Off by default.
  void SetKeyGuard(bool on, bool unique_keys);

  // Has the run fill the cycles that OrderParentsFirst found, on a data
  // source: a nullable key of a cycle is inserted as NULL and set by an
  // Update once the table it refers to is filled; a NOT NULL key takes the
  // values of the Counter of the table it refers to, as that table will
  // make them, while the key checks are put off (deferred to the commit, or
  // switched off) in one transaction, and is checked for orphans before the
  // commit. The cycle's tables are reordered to suit. Returns a note for
  // each cycle filled; a cycle that has no key filled by a Database Lookup
  // is left as it was. Raises EKeyError, before anything is sent, for a
  // cycle that this account or this profile cannot fill, naming what it
  // would need; EODBC when the schema cannot be read. Call before
  // SetKeyGuard.
  std::vector<std::string> FillCycles(bool unique_keys);
  const KeyCycles* Cycles() const { return key_cycles_.get(); }
  const KeyGuard* Keys() const { return key_guard_.get(); }

  // The statement whose execution raised the last error; emptied as the next
  // statement is executed.
  const std::string& FailedStatement() const { return failed_statement_; }
  // The records that statement carried (0 for a Delete).
  int32_t FailedRecords() const { return failed_records_; }

 private:
  std::string GenerateValue(int32_t code, const std::string& param1,
                            const std::string& param2) override;
  void AppendValue(int32_t code, const std::string& param1, const std::string& param2,
                   std::string& out) override;
  void ExecuteStatement(const RunStatement& statement) override;
  void ApplyLookupReader();
  // Key facts read under the names as the data source needs them quoted
  // (a named run on a data source).
  void QuoteKeyNames(DbKeyFacts& facts);
  ValueMaker MakerFor(int32_t code) override;
  void MakingOnly(const std::vector<int32_t>* codes) override;
  bool LookupWritesAs(std::string& sql) override;
  std::vector<std::vector<std::string>> ApplyOrder(const std::vector<int>& slots,
                                                   const std::vector<std::vector<int>>& references);
  void LoadLookupList(int list, const std::string& path) override;
  int32_t LookupRecordCount(int list) override;
  bool BackslashEscapes() override;
  BinaryLiteralForm BinaryLiterals() override;
  void TableFilled(const std::string& table, const std::vector<std::string>& columns) override;
  // The table name a Database Lookup of `code` reads, as the statements
  // name it.
  const std::string& LookupTableName(int32_t code, const std::string& table);
  void RequireListOpen(int list) override;

  const Clock& clock_;
  WorkspaceHost& host_;
  DatabaseErrorReporter& reporter_;
  FilePlaces places_;
  bool dry_run_ = false;
  bool direct_ = false;
  bool cache_lookups_ = false;
  CachedLookupReader lookup_cache_{Db.LookupTable};
  FieldExtrasRun extras_run_;
  DbTransaction* transaction_ = nullptr;
  // The transaction of a span of put-off key checks, without --commit-every.
  std::optional<DbTransaction> span_;
  bool bind_ = false;
  BoundInserts bound_{Db.Connector};
  // Named-profile runs on a data source (SetNamedRun).
  bool quote_names_ = false;
  bool keep_sequences_ = false;
  bool binary_form_set_ = false;
  IdentifierRules names_;
  std::string quoted_lookup_;
  std::unique_ptr<KeyFacts> key_facts_;
  // The dry script (SetDryScript).
  DryRunRows dry_rows_;
  std::unique_ptr<DryRunRecords> dry_records_;
  bool dry_source_ = false;
  DryRunKeyFacts::ProfileKeys profile_keys_;
  std::unique_ptr<DbKeyFacts> dry_source_facts_;
  bool script_literals_ = false, script_backslashes_ = false;
  BinaryLiteralForm script_bytes_ = BinaryLiteralForm::kHexX;
  std::unique_ptr<KeyGuard> key_guard_;
  // The tables of each cycle of keys, by slot (OrderParentsFirst).
  std::vector<std::vector<int>> cycle_slots_;
  std::unique_ptr<CycleFacts> cycle_facts_;
  std::unique_ptr<KeyCycles> key_cycles_;
  std::string failed_statement_;
  int32_t failed_records_ = 0;
};

}  // namespace kestrove

// The workspace: everything the main window owns, composed once and free of
// any window toolkit. The window and the headless runner both build on it,
// so a run of the same profile, seed and date sends the same statements from
// either.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/unique_keys.h"
#include "app/workspace_host.h"
#include "core/clock.h"
#include "core/generation_run.h"
#include "core/profile.h"
#include "core/run_services.h"
#include "db/database.h"
#include "db/lookup_cache.h"
#include "db/lookup_reader.h"
#include "db/transaction.h"
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

  // Seeds the random source from the clock (milliseconds since midnight UTC).
  void SeedRandom() { Random.SeedRandom(clock_); }

  // Folder of the lookup list files (and the settings file), with a
  // trailing "/". The run loads its lists from here.
  void SetProgramDir(const std::string& dir);
  const std::string& ProgramDir() const { return Run.ProgramDir; }

  // A dry run executes nothing and database lookups yield empty text;
  // statements still reach the host's StatementSent.
  void SetDryRun(bool dry);
  bool DryRun() const { return dry_run_; }

  // Batched commits, for a run that asks for them: every statement the run
  // executes is counted into `transaction` (on Db.Connector), which commits
  // as its batches fill. Null, the default, leaves every statement to commit
  // itself. The transaction must outlive its use here.
  void SetTransaction(DbTransaction* transaction) { transaction_ = transaction; }

  // Statements executed directly (SQLExecDirect, one call) instead of
  // prepared and executed. Off by default.
  void SetExecuteDirect(bool direct) { direct_ = direct; }

  // Database lookups served from memory: each looked-up table is read once
  // through LookupTable and read again only after the run has executed an
  // Insert or a Delete on it. Off by default.
  void SetCacheLookups(bool cache);
  const CachedLookupReader& LookupCache() const { return lookup_cache_; }

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
  void LoadLookupList(int list, const std::string& path) override;
  int32_t LookupRecordCount(int list) override;
  bool BackslashEscapes() override;
  void RequireListOpen(int list) override;

  const Clock& clock_;
  WorkspaceHost& host_;
  DatabaseErrorReporter& reporter_;
  bool dry_run_ = false;
  bool direct_ = false;
  bool cache_lookups_ = false;
  CachedLookupReader lookup_cache_{Db.LookupTable};
  DbTransaction* transaction_ = nullptr;
  std::unique_ptr<DbKeyFacts> key_facts_;
  std::unique_ptr<KeyGuard> key_guard_;
  std::string failed_statement_;
  int32_t failed_records_ = 0;
};

// The folder of the running program, with a trailing "/".
std::string ProgramFolder();

}  // namespace kestrove

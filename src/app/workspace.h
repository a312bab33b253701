// The workspace: everything the main window owns, composed once and free of
// any window toolkit. The window and the headless runner both build on it,
// so a run of the same profile, seed and date sends the same statements from
// either.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/file_places.h"
#include "core/clock.h"
#include "core/generation_run.h"
#include "core/profile.h"
#include "core/run_services.h"
#include "db/database.h"
#include "db/lookup_cache.h"
#include "db/lookup_reader.h"
#include "generators/generators.h"
#include "generators/random.h"
#include "lookup/lookup_lists.h"

namespace kestrove {

class Workspace : private RunServices {
 public:
  // `clock` seeds nothing by itself (see SeedRandom); `monitor` shows the
  // run and `reporter` shows the database errors a lookup survives. All
  // three must outlive the workspace.
  Workspace(const Clock& clock, RunMonitor& monitor, DatabaseErrorReporter& reporter);
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
  // trailing "/": one folder for reading and writing them all.
  void SetProgramDir(const std::string& dir);
  const std::string& ProgramDir() const { return Run.ProgramDir; }
  // Where the lists and the settings file are read and written; the run
  // loads each list from its read place.
  void SetPlaces(const FilePlaces& places);
  const FilePlaces& Places() const { return places_; }

  // A dry run executes nothing and database lookups yield empty text;
  // statements still reach StatementSent.
  void SetDryRun(bool dry);
  bool DryRun() const { return dry_run_; }

  // Batched commits, for a run that asks for them: from 1 on, autocommit
  // goes off (at once when connected, else as the connection is made) and
  // the open transaction is committed after every N executed statements;
  // the caller commits the rest with CommitOpen, or rolls it back with
  // RollbackOpen. 0, the default, leaves every statement to commit itself.
  void SetCommitEvery(uint32_t statements);
  uint32_t CommitEvery() const { return commit_every_; }
  // Commits the open transaction; nothing to do without batched commits.
  void CommitOpen();
  // Rolls the open transaction back; returns the statements it held.
  uint64_t RollbackOpen();
  // Records of the executed Insert statements that have been committed:
  // with batched commits those of the transactions ended so far, otherwise
  // all (each statement commits itself).
  uint64_t CommittedRows() const { return committed_rows_; }
  // Statements executed in the open transaction.
  uint64_t OpenStatements() const { return open_statements_; }

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

  // Called with every statement just before it is executed (and, in a dry
  // run, instead of executing it): logs and dry-run output.
  std::function<void(const std::string&)> StatementSent;
  // "Let pending window messages run": the window's event loop, or the
  // headless runner's check for a stop signal.
  std::function<void()> ProcessMessagesHook = [] {};
  // Called when a run's load of a lookup list finds its file missing or
  // unreadable (the list then stays as it was): the headless runner warns.
  std::function<void(int list, const std::string& path)> ListNotLoaded;

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
  void ExecuteStatement(const std::string& sql) override;
  void ExecuteInsert(const std::string& sql, int32_t records) override;
  void Send(const std::string& sql, int32_t records);
  void ApplyLookupReader();
  void LoadLookupList(int list, const std::string& path) override;
  int32_t LookupRecordCount(int list) override;
  void ProcessMessages() override;
  bool BackslashEscapes() override;
  void RequireListOpen(int list) override;

  const Clock& clock_;
  DatabaseErrorReporter& reporter_;
  FilePlaces places_;
  bool dry_run_ = false;
  bool direct_ = false;
  bool cache_lookups_ = false;
  CachedLookupReader lookup_cache_{Db.LookupTable};
  uint32_t commit_every_ = 0;
  uint64_t open_statements_ = 0, open_rows_ = 0, committed_rows_ = 0;
  std::string failed_statement_;
  int32_t failed_records_ = 0;
};

}  // namespace kestrove

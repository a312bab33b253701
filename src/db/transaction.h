// A transaction on the connection that rolls back unless committed, as
// nanodbc's transaction does, with the batching of a run's statements.
#pragma once

#include <cstdint>

namespace kestrove {

class DbConnection;

// While it lives, autocommit is off on the connection (at once when
// connected, else as the connection is made): the statements it is told of
// form transactions of `commit_every` statements, each committed as it fills
// (0: only Commit ends one). Work left open when it goes is rolled back, and
// autocommit is switched on again once nothing is left open.
class DbTransaction {
 public:
  // Raises EODBC when the driver refuses to switch autocommit off.
  DbTransaction(DbConnection& connection, uint64_t commit_every);
  // Raises nothing: a failure to roll back leaves the transaction to the
  // data source, which ends it when the connection closes.
  ~DbTransaction();
  DbTransaction(const DbTransaction&) = delete;
  DbTransaction& operator=(const DbTransaction&) = delete;

  // A statement executed in the open transaction, with the records it
  // carried; commits when the transaction holds `commit_every` statements.
  void Executed(uint64_t records);
  // Commits the open transaction; nothing to do when it holds no statement.
  // Raises EODBC.
  void Commit();
  // Rolls the open transaction back, held statements or none (a statement
  // the data source refused may have aborted it); returns the statements it
  // held. Raises EODBC.
  uint64_t Rollback();

  // While held, no batch is committed as it fills (a span of statements
  // that must commit together); Commit still ends the open one.
  void Hold(bool held) { held_ = held; }

  // Records of the statements committed so far.
  uint64_t CommittedRows() const { return committed_rows_; }
  // Statements executed in the open transaction.
  uint64_t OpenStatements() const { return open_statements_; }

 private:
  DbConnection& connection_;
  uint64_t commit_every_;
  uint64_t open_statements_ = 0, open_rows_ = 0, committed_rows_ = 0;
  // Work whose end has not been tried: the destructor rolls it back.
  bool pending_ = false;
  // The last end tried failed: the data source holds what it holds.
  bool unsettled_ = false;
  bool held_ = false;
};

}  // namespace kestrove

// Transactions that roll back unless committed.
#include "db/transaction.h"

#include "db/connection.h"

namespace kestrove {

DbTransaction::DbTransaction(DbConnection& connection, uint64_t commit_every)
    : connection_(connection), commit_every_(commit_every) {
  connection_.SetAutoCommit(false);
}

DbTransaction::~DbTransaction() {
  try {
    if (pending_) Rollback();
  } catch (...) {
    // Reported by nobody: the connection's close ends the transaction.
  }
  if (unsettled_) return;
  // Switching autocommit on commits what is open, so only with nothing open.
  try {
    connection_.SetAutoCommit(true);
  } catch (...) {
  }
}

void DbTransaction::Executed(uint64_t records) {
  pending_ = true;
  ++open_statements_;
  open_rows_ += records;
  if (commit_every_ != 0 && open_statements_ >= commit_every_ && !held_) Commit();
}

void DbTransaction::Commit() {
  if (open_statements_ == 0) return;
  // A commit that fails leaves the work to roll back.
  unsettled_ = true;
  connection_.Commit();
  unsettled_ = pending_ = false;
  committed_rows_ += open_rows_;
  open_rows_ = open_statements_ = 0;
}

uint64_t DbTransaction::Rollback() {
  const uint64_t statements = open_statements_;
  open_rows_ = open_statements_ = 0;
  // Tried once: a rollback that fails is not tried again.
  unsettled_ = true;
  pending_ = false;
  connection_.Rollback();
  unsettled_ = false;
  return statements;
}

}  // namespace kestrove

// The one interface between a generation run and its front end: the window
// and the headless runner each implement it. The run tells it what happens
// in typed events, so no front end reads a statement's text to find out.
#pragma once

#include <cstdint>
#include <string>

#include "core/run_services.h"

namespace kestrove {

enum class RunOutcome { kCompleted, kStopped, kFailed };

class RunHost : public RunMonitor {
 public:
  // Number of tables in the table list; read once as the table loop starts.
  // The run visits slots 0 up to and including this number.
  virtual int32_t TableListCount() = 0;
  // Called first on every press: moves the focus off a parameter edit so that
  // its text is committed to the profile.
  virtual void CommitPendingEdit() {}
  // Lets pending window messages run (repaints, the stop press, ...): the
  // window's event loop, or the headless runner's look for a stop signal.
  virtual void ProcessMessages() = 0;

  // A table's turn begins: `record_count` records are about to be made (0
  // for a turn that only runs its Delete, before the tables are filled).
  virtual void TableStarted(int slot, const std::string& table, int32_t record_count) {
    (void)slot, (void)table, (void)record_count;
  }
  // A statement is about to be executed (in a dry run, instead of it).
  virtual void StatementSent(const RunStatement& statement) { (void)statement; }
  // Record `record` of the table under way has been made and sent (or
  // collected for a statement of several records).
  virtual void RecordDone(int32_t record) { (void)record; }
  // The pass is over and the window state is idle again. A failed pass
  // passes its error on to the caller after this.
  virtual void RunEnded(RunOutcome outcome) { (void)outcome; }
};

}  // namespace kestrove

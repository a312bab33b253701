// What kestrove-run runs with: its clock, its host (progress, counts, the
// statement log), the log's writer and the stop signals.
#pragma once

#include <pthread.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/workspace.h"
#include "core/clock.h"
#include "core/errors.h"
#include "core/generation_run.h"
#include "db/connection.h"
#include "db/error_text.h"
#include "tools/support.h"

namespace kestrove::tools {

// True when `error`, raised by an Insert that carried `records` records,
// reads as a refusal of the statement's form rather than of its values: a
// syntax error (SQLSTATE 42000, PostgreSQL's 42601, 37000 of ODBC 2 drivers,
// or a message that says "syntax", as SQLite's HY000 does) on a statement
// that holds more than one value list.
bool RefusedSeveralValueLists(const EODBC& error, int32_t records);

// Why a list file could not be read, for the warning.
std::string ReadProblem(const std::string& path);

// A clock whose seed and today may be fixed from the command line.
class CliClock : public Clock {
 public:
  explicit CliClock(std::optional<CivilDate> today) : today_(today) {}
  uint32_t MillisecondsSinceMidnightUtc() const override {
    return system_.MillisecondsSinceMidnightUtc();
  }
  CivilDate Today() const override { return today_ ? *today_ : system_.Today(); }

 private:
  SystemClock system_;
  std::optional<CivilDate> today_;
};

// Database errors that the run survives (a failed lookup), printed the way
// the error dialog shows them.
class StderrErrorReporter : public DatabaseErrorReporter {
 public:
  void ShowDatabaseError(const EODBC& error, const std::string& text) override {
    std::fputs(Shown(FormatDatabaseError(error, text)).c_str(), stderr);
    std::fputc('\n', stderr);
  }
};

class SqlWriter;
class StopSignals;

// The run's host: progress on standard error while it is a terminal, the
// counts for the summary, the statement log, the list warnings and the
// look for a stop signal between records.
class CliHost : public WorkspaceHost {
 public:
  CliHost() : interactive_(::isatty(STDERR_FILENO) == 1) {}

  // What the run works on: the number of listed tables, the log (null for
  // none), and the stop signals that press Stop on the run.
  void ListTables(int32_t count) { listed_tables_ = count; }
  // `end_statements`: the dry run's output is fed to a client (sqlite3,
  // psql -f, mariadb), which needs every statement ended; the run sends its
  // Delete bare, and the log of a run with --dsn keeps what was sent.
  void Log(SqlWriter* writer, bool end_statements) {
    writer_ = writer;
    end_statements_ = end_statements;
  }
  void WatchForStop(const StopSignals* stop, GenerationRun* run) {
    stop_ = stop;
    run_ = run;
  }
  // True once a stop signal has pressed Stop.
  bool StopPressed() const { return stop_pressed_; }

  int32_t TableListCount() override { return listed_tables_; }
  void ProcessMessages() override;
  void TableStarted(int slot, const std::string& table, int32_t record_count) override {
    table_ = table;
    table_count_ = record_count;
    // A table whose Delete ran in a pass of its own is visited twice, and
    // counted once.
    slot_ = slot;
    table_counted_ = slot >= 0 && slot < kMaxTables && counted_[slot];
    if (slot >= 0 && slot < kMaxTables) visited_[slot] = table;
    record_ = 0;
    table_started_ = std::chrono::steady_clock::now();
  }
  void StatementSent(const RunStatement& statement) override;
  void ListNotLoaded(int list, const std::string& path) override;
  void RunNote(const std::string& message) override;

  void SetCaptions(const std::string&, const std::string&) override {}
  void ShowRunMonitor() override {}
  void HideRunMonitor() override { ClearLine(); }
  void SetMonitorTable(const std::string& text) override {
    table_text_ = text;
    Draw(0, true);
  }
  void SetMonitorRecNo(const std::string&, int32_t record) override {
    record_ = record;
    if (record > 0) {
      ++records_;
      if (record == 1) TableWorked();
      if ((record & 1023) == 0) Draw(record, false);
    }
  }
  void SetSqlMonitor(const std::string& text) override { sql_ = text; }
  // Only the record numbers are shown: the run builds no texts for them.
  bool ShowsEachRecord() const override { return false; }
  const std::string& SqlMonitor() const override { return sql_; }

  // The tables the run visited that made no statement at all (no Delete,
  // no Insert), in slot order.
  std::vector<std::string> SilentTables() const {
    std::vector<std::string> silent;
    for (int slot = 0; slot < kMaxTables; ++slot)
      if (!visited_[slot].empty() && !sent_[slot]) silent.push_back(visited_[slot]);
    return silent;
  }
  int tables() const { return tables_; }
  uint64_t records() const { return records_; }
  // Where the run stands: the table's name (empty before the first table)
  // and the record number (0 before the first record).
  const std::string& TableName() const { return table_; }
  int32_t Record() const { return record_; }

 private:
  // The table under way counts in the summary: it made a record or ran its
  // Delete.
  void TableWorked() {
    if (!table_counted_) ++tables_;
    table_counted_ = true;
    if (slot_ >= 0 && slot_ < kMaxTables) counted_[slot_] = true;
  }
  void Draw(int32_t record, bool force) {
    if (!interactive_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - last_draw_ < std::chrono::milliseconds(100)) return;
    last_draw_ = now;
    const double seconds = std::chrono::duration<double>(now - table_started_).count();
    const double rate = seconds > 0 ? record / seconds : 0;
    std::fprintf(stderr, "\r\033[K%s  Rec No: %d of %d  %.0f records/s", table_text_.c_str(),
                 record, table_count_, rate);
    std::fflush(stderr);
  }
  void ClearLine() {
    if (interactive_) std::fputs("\r\033[K", stderr);
  }

  bool interactive_;
  int32_t listed_tables_ = 0;
  SqlWriter* writer_ = nullptr;
  bool end_statements_ = false;
  const StopSignals* stop_ = nullptr;
  GenerationRun* run_ = nullptr;
  bool stop_pressed_ = false;
  std::string table_, table_text_, sql_;
  int32_t table_count_ = 0;
  int32_t record_ = 0;
  bool table_counted_ = false;
  int slot_ = -1;
  std::array<bool, kMaxTables> counted_{};
  std::array<bool, kMaxTables> sent_{};
  std::array<std::string, kMaxTables> visited_{};
  int tables_ = 0;
  uint64_t records_ = 0;
  std::chrono::steady_clock::time_point table_started_{}, last_draw_{};
};

// The statement log or dry-run output. Statements are gathered in a buffer
// of the writer's own and go to the file a megabyte at a time, without a
// lock per statement. The length of the complete lines in the buffer is
// published after each statement, so that a flush from the signal thread
// writes whole lines only, and each of them once.
class SqlWriter {
 public:
  explicit SqlWriter(const std::string& target)
      : name_(target), buffer_(std::make_unique<char[]>(kBufferSize)) {
    if (target == "-") {
      file_ = stdout;
    } else {
      file_ = std::fopen(target.c_str(), "wb");
      if (!file_) throw UsageError("cannot create '" + target + "': " + std::strerror(errno));
      owned_ = true;
    }
  }
  // What a run that ended by an error left in the buffer still goes out.
  ~SqlWriter() {
    try {
      Drain();
      std::fflush(file_);
    } catch (const std::exception&) {
      // The error that ended the run has been reported already.
    }
    if (owned_ && file_) std::fclose(file_);
  }
  SqlWriter(const SqlWriter&) = delete;
  SqlWriter& operator=(const SqlWriter&) = delete;

  // A statement and its line feed; `end` puts a semicolon before the line
  // feed.
  void Write(const std::string& sql, bool end = false) {
    const size_t size = sql.size() + (end ? 2 : 1);
    if (size > kBufferSize - used_) {
      Drain();
      if (size > kBufferSize) {
        WriteWhole(sql, end);
        return;
      }
    }
    char* at = buffer_.get() + used_;
    std::memcpy(at, sql.data(), sql.size());
    at += sql.size();
    if (end) *at++ = ';';
    *at = '\n';
    used_ += size;
    published_.store(used_, std::memory_order_release);
  }
  void Finish() {
    Drain();
    if (std::fflush(file_) != 0) Fail();
  }
  // Flushes from another thread as the program ends at once. A writer that
  // is stuck (a pipe nobody reads) holds the lock; after a moment it is left.
  void FlushFromOtherThread() {
    for (int i = 0; i < 50; ++i) {
      if (ftrylockfile(file_) == 0) {
        const size_t published = published_.load(std::memory_order_acquire);
        const size_t flushed = flushed_.load(std::memory_order_relaxed);
        if (published > flushed)
          fwrite_unlocked(buffer_.get() + flushed, 1, published - flushed, file_);
        flushed_.store(published, std::memory_order_relaxed);
        fflush_unlocked(file_);
        funlockfile(file_);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

 private:
  static constexpr size_t kBufferSize = size_t{1} << 20;

  [[noreturn]] void Fail() const {
    throw EInOutError("Cannot write to " + name_ + ": " + std::strerror(errno));
  }
  // The buffer's lines not yet written go to the file, and the buffer is
  // empty again; under the file's lock, which the signal thread takes too.
  void Drain() {
    flockfile(file_);
    const size_t flushed = flushed_.load(std::memory_order_relaxed);
    const bool written =
        used_ <= flushed ||
        fwrite_unlocked(buffer_.get() + flushed, 1, used_ - flushed, file_) == used_ - flushed;
    used_ = 0;
    flushed_.store(0, std::memory_order_relaxed);
    published_.store(0, std::memory_order_release);
    funlockfile(file_);
    if (!written) Fail();
  }
  // A statement longer than the buffer, written straight to the file.
  void WriteWhole(const std::string& sql, bool end) {
    flockfile(file_);
    const bool written = fwrite_unlocked(sql.data(), 1, sql.size(), file_) == sql.size() &&
                         (!end || fputc_unlocked(';', file_) != EOF) &&
                         fputc_unlocked('\n', file_) != EOF;
    funlockfile(file_);
    if (!written) Fail();
  }

  std::string name_;
  std::FILE* file_ = nullptr;
  bool owned_ = false;
  std::unique_ptr<char[]> buffer_;
  size_t used_ = 0;
  std::atomic<size_t> published_{0};
  std::atomic<size_t> flushed_{0};
};

// Stop signals, waited for on a thread of their own. SIGINT and SIGTERM are
// blocked in every other thread (Block is called first in main, before any
// thread exists), so no handler ever interrupts the engine or a driver in
// the middle of a call. The first signal asks the run to stop and cancels
// the statement call under way; a second one, or a stop that has not come
// within two seconds, ends the program at once with the log flushed.
class StopSignals {
 public:
  static void Block() {
    sigset_t set = Set();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
  }

  StopSignals() : thread_([this] { Wait(); }) {}
  ~StopSignals() {
    done_ = true;
    // Woken at once, so the program does not wait out the thread's tick.
    pthread_kill(thread_.native_handle(), WakeSignal());
    thread_.join();
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // What the thread works on; set before the run starts.
  void Watch(DbConnection* connection, SqlWriter* writer) {
    connection_ = connection;
    writer_ = writer;
  }
  // The first signal received (SIGINT or SIGTERM), 0 for none.
  int Signal() const { return signal_; }
  // In a transaction the statement under way is left a second to finish
  // before it is cancelled: a cancelled statement may roll back the whole
  // open transaction (SQLite's interrupt does, PostgreSQL aborts it).
  void GiveRecordTime() { grace_ms_ = 1000; }
  // The run has ended: no statement is cancelled from here on, and only a
  // second signal ends the program before it ends by itself (the final
  // commit is waited for).
  void Settle() { settled_ = true; }

 private:
  // The signal by which the program ends the thread's wait.
  static int WakeSignal() { return SIGRTMIN; }
  static sigset_t Set() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, WakeSignal());
    return set;
  }

  void Wait() {
    const sigset_t set = Set();
    std::chrono::steady_clock::time_point asked{};
    while (!done_) {
      // Woken every tenth of a second: a statement that starts after the
      // stop was asked for is cancelled too, and the end of the run is seen.
      const timespec tick{0, 100 * 1000 * 1000};
      int signal = sigtimedwait(&set, nullptr, &tick);
      if (signal == WakeSignal()) signal = 0;
      if (signal > 0 && signal_ != 0) EndAtOnce(signal, "ended by a second signal");
      if (signal > 0) {
        signal_ = signal;
        asked = std::chrono::steady_clock::now();
      }
      if (signal_ == 0 || done_ || settled_) continue;
      const auto waited = std::chrono::steady_clock::now() - asked;
      if (waited < std::chrono::milliseconds(grace_ms_)) continue;
      if (DbConnection* connection = connection_) connection->CancelStatementUnderWay();
      if (waited > std::chrono::milliseconds(grace_ms_ + 1500))
        EndAtOnce(signal_, "stopped at once: the data source did not give up the call under way");
    }
  }

  // Flushes the log and ends the program with the signal's exit code,
  // whatever the main thread is waiting for.
  [[noreturn]] void EndAtOnce(int signal, const char* why) {
    if (SqlWriter* writer = writer_) writer->FlushFromOtherThread();
    const std::string line = std::string("kestrove-run: ") + why + "\n";
    if (::write(STDERR_FILENO, line.data(), line.size()) < 0) {
      // Nothing more can be said.
    }
    _exit(128 + signal);
  }

  std::atomic<bool> done_{false};
  std::atomic<bool> settled_{false};
  std::atomic<int> grace_ms_{0};
  std::atomic<int> signal_{0};
  std::atomic<DbConnection*> connection_{nullptr};
  std::atomic<SqlWriter*> writer_{nullptr};
  std::thread thread_;
};

}  // namespace kestrove::tools

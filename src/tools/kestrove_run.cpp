// kestrove-run: runs a profile headless, through the same generation run as
// the window. Without a data source it is a dry run that writes every
// statement, one per line, exactly as it would be sent.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/workspace.h"
#include "catalogue/profile_file.h"
#include "core/clock.h"
#include "core/errors.h"
#include "core/generation_run.h"
#include "db/error_text.h"
#include "generators/dates.h"
#include "generators/generators.h"
#include "lookup/lookup_lists.h"

namespace {

using namespace kestrove;

constexpr int kExitOk = 0;
constexpr int kExitRunError = 1;
constexpr int kExitUsage = 2;

const char* const kUsage = R"(Usage: kestrove-run --profile FILE [options]

Runs a Kestrove profile without the window, through the same generation run:
the tables listed are those of the profile (its first line), the lookup lists
are loaded from the program's folder, and every Delete and Insert statement is
built exactly as the window builds it.

Without --dsn it is a dry run: every statement the run would execute is
written, one per line, exactly as it would be sent, to --sql-out (default:
standard output). With --dsn the statements are executed on that ODBC data
source, as the window executes them.

Options:
  --profile FILE     the profile file to run (required)
  --dsn NAME         ODBC data source to run against (otherwise a dry run)
  --sql-out FILE|-   where to write the statements; "-" is standard output.
                     With --dsn it is a log of what was sent (default: none)
  --seed N           seed the random source with N (0 to 4294967295) instead
                     of the clock, so the same profile gives the same values
  --today YYYY/MM/DD the date taken as today (date ranges, ages); default: the
                     local date
  --lists-dir DIR    folder of the twelve lookup list files (default: the
                     folder of this program)
  --help             show this text

While standard error is a terminal a progress line shows the table, the
record number of its count and the records per second; a summary (tables,
statements, seconds) is printed at the end. Ctrl+C (or SIGTERM) asks the run
to stop as the Stop button does: the record under way finishes, the summary is
printed, and the exit code says the run was stopped.

Exit codes:
  0    the run completed
  1    the run ended with an error (its message is printed)
  2    usage error: bad option, unreadable profile, bad output file
  130  the run was stopped with Ctrl+C (143 when stopped with SIGTERM)
)";

// The signal that asked the run to stop (SIGINT or SIGTERM), 0 for none.
std::atomic<int> g_stop_signal{0};

extern "C" void OnStopSignal(int signal) {
  g_stop_signal = signal;
  std::signal(signal, SIG_DFL);  // a second one ends the program at once
}

struct Options {
  std::string profile;
  std::optional<std::string> dsn;
  std::optional<std::string> sql_out;
  std::optional<uint32_t> seed;
  std::optional<CivilDate> today;
  std::optional<std::string> lists_dir;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

uint32_t ParseSeed(const std::string& text) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
    throw UsageError("--seed takes a whole number from 0 to 4294967295, not '" + text + "'");
  const unsigned long long value = std::stoull(text);
  if (value > 4294967295ull)
    throw UsageError("--seed takes a whole number from 0 to 4294967295, not '" + text + "'");
  return static_cast<uint32_t>(value);
}

Options ParseOptions(int argc, char** argv, bool& help) {
  Options options;
  help = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw UsageError(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      help = true;
      return options;
    } else if (arg == "--profile") {
      options.profile = value();
    } else if (arg == "--dsn") {
      options.dsn = value();
    } else if (arg == "--sql-out") {
      options.sql_out = value();
    } else if (arg == "--seed") {
      options.seed = ParseSeed(value());
    } else if (arg == "--today") {
      const std::string text = value();
      try {
        options.today = ReadDate(text);
      } catch (const EConvertError&) {
        throw UsageError("--today takes a date as YYYY/MM/DD, not '" + text + "'");
      }
    } else if (arg == "--lists-dir") {
      options.lists_dir = value();
    } else {
      throw UsageError("unknown option '" + arg + "'");
    }
  }
  if (options.profile.empty()) throw UsageError("--profile FILE is required");
  return options;
}

// A message as it may be shown on a terminal: control characters (which a
// damaged profile can put into a conversion message) become "?".
std::string Printable(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return text;
}

// A clock whose seed and today may be fixed from the command line.
class CliClock : public Clock {
 public:
  explicit CliClock(const Options& o) : today_(o.today) {}
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
    std::fputs(FormatDatabaseError(error, text).c_str(), stderr);
    std::fputc('\n', stderr);
  }
};

// Progress on standard error while it is a terminal, and the counts for the summary.
class CliMonitor : public RunMonitor {
 public:
  CliMonitor() : interactive_(::isatty(STDERR_FILENO) == 1) {}

  void SetCaptions(const std::string&, const std::string&) override {}
  void ShowRunMonitor() override {}
  void HideRunMonitor() override { ClearLine(); }
  void SetMonitorTable(const std::string& text, int, int32_t record_count) override {
    table_text_ = text;
    table_count_ = record_count;
    ++tables_;
    table_started_ = std::chrono::steady_clock::now();
    Draw(0, true);
  }
  void SetMonitorRecNo(const std::string&, int32_t record) override {
    if (record > 0) {
      ++records_;
      if ((record & 1023) == 0) Draw(record, false);
    }
  }
  void SetSqlMonitor(const std::string& text) override { sql_ = text; }
  // Only the record numbers are shown: the run builds no texts for them.
  bool ShowsEachRecord() const override { return false; }
  const std::string& SqlMonitor() const override { return sql_; }

  int tables() const { return tables_; }
  uint64_t records() const { return records_; }

 private:
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
  std::string table_text_, sql_;
  int32_t table_count_ = 0;
  int tables_ = 0;
  uint64_t records_ = 0;
  std::chrono::steady_clock::time_point table_started_{}, last_draw_{};
};

// The statement log or dry-run output.
class SqlWriter {
 public:
  explicit SqlWriter(const std::string& target) : name_(target) {
    if (target == "-") {
      file_ = stdout;
    } else {
      file_ = std::fopen(target.c_str(), "wb");
      if (!file_) throw UsageError("cannot create '" + target + "': " + std::strerror(errno));
      owned_ = true;
    }
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
  }
  ~SqlWriter() {
    if (owned_ && file_) std::fclose(file_);
  }
  void Write(const std::string& sql) {
    if (std::fwrite(sql.data(), 1, sql.size(), file_) != sql.size() ||
        std::fputc('\n', file_) == EOF)
      throw EInOutError("Cannot write to " + name_ + ": " + std::strerror(errno));
  }
  void Finish() {
    if (std::fflush(file_) != 0)
      throw EInOutError("Cannot write to " + name_ + ": " + std::strerror(errno));
  }

 private:
  std::string name_;
  std::FILE* file_ = nullptr;
  bool owned_ = false;
};

int Main(int argc, char** argv) {
  Options options;
  bool help = false;
  CliMonitor monitor;
  StderrErrorReporter reporter;
  std::unique_ptr<CliClock> clock;
  std::unique_ptr<Workspace> workspace;
  int32_t table_count = 0;
  std::unique_ptr<SqlWriter> writer;
  try {
    options = ParseOptions(argc, argv, help);
    if (help) {
      std::fputs(kUsage, stdout);
      return kExitOk;
    }
    clock = std::make_unique<CliClock>(options);
    workspace = std::make_unique<Workspace>(*clock, monitor, reporter);
    try {
      table_count = LoadProfileFile(workspace->State(), options.profile);
    } catch (const KestroveError& e) {
      throw UsageError("cannot load profile '" + options.profile +
                       "': " + Printable(DisplayMessage(e.what())));
    }
    const std::optional<std::string> out = options.sql_out ? options.sql_out
                                           : options.dsn   ? std::nullopt
                                                           : std::optional<std::string>("-");
    if (out) writer = std::make_unique<SqlWriter>(*out);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "kestrove-run: %s\nTry 'kestrove-run --help'.\n", e.what());
    return kExitUsage;
  }

  Workspace& ws = *workspace;
  if (options.seed)
    ws.Random.RandomSeed = *options.seed;
  else
    ws.SeedRandom();
  GenerationRun& run = ws.Run;
  ws.SetProgramDir(options.lists_dir ? *options.lists_dir : ProgramFolder());
  run.TableListCount = [table_count] { return table_count; };
  ws.SetDryRun(!options.dsn);
  if (writer) ws.StatementSent = [&](const std::string& sql) { writer->Write(sql); };

  if (options.dsn) {
    ws.Db.Connector.DataSource = *options.dsn;
    try {
      ws.Db.Connector.Connect();
    } catch (const EODBC& error) {
      reporter.ShowDatabaseError(error,
                                 "Communication Failure. Please select another Data Source.");
      return kExitRunError;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", Printable(DisplayMessage(e.what())).c_str());
      return kExitRunError;
    }
  }

  bool stopped_by_signal = false;
  ws.ProcessMessagesHook = [&] {
    if (g_stop_signal != 0 && !run.RunStopped) {
      stopped_by_signal = true;
      run.GenerateBtnClick();  // the Stop press
    }
  };
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);

  const auto started = std::chrono::steady_clock::now();
  int exit_code = kExitOk;
  try {
    run.GenerateBtnClick();
    if (writer) writer->Finish();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", Printable(DisplayMessage(e.what())).c_str());
    if (options.dsn)
      std::fprintf(stderr, "kestrove-run: %llu statements had been executed\n",
                   static_cast<unsigned long long>(run.StatementsExecuted()));
    exit_code = kExitRunError;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::fprintf(stderr, "kestrove-run: %s: %d tables, %llu records, %llu statements, %.3f seconds\n",
               exit_code != kExitOk ? "ended by an error"
               : stopped_by_signal  ? "stopped"
                                    : "completed",
               monitor.tables(), static_cast<unsigned long long>(monitor.records()),
               static_cast<unsigned long long>(run.StatementsExecuted()), seconds);
  if (exit_code == kExitOk && stopped_by_signal) exit_code = 128 + g_stop_signal;
  return exit_code;
}

}  // namespace

int main(int argc, char** argv) {
  return Main(argc, argv);
}

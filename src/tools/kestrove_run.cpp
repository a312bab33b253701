// kestrove-run: runs a profile headless, through the same generation run as
// the window. Without a data source it is a dry run that writes every
// statement, one per line, exactly as it would be sent.
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/profile_layout.h"
#include "app/file_places.h"
#include "app/workspace.h"
#include "catalogue/named_profile.h"
#include "catalogue/profile_file.h"
#include "core/clock.h"
#include "core/errors.h"
#include "core/generation_run.h"
#include "core/key_guard.h"
#include "db/connection.h"
#include "db/error_text.h"
#include "db/transaction.h"
#include "generators/dates.h"
#include "generators/generators.h"
#include "kestrove_config.h"
#include "lookup/lookup_lists.h"

namespace {

using namespace kestrove;

constexpr int kExitOk = 0;
constexpr int kExitRunError = 1;
constexpr int kExitUsage = 2;

const char* const kUsage = R"(Usage: kestrove-run --profile FILE [options]

Runs a Kestrove profile without the window, through the same generation run:
the tables listed are those of the profile (its first line), the lookup lists
are loaded as the window loads them (see Files), and every Delete and Insert
statement is built exactly as the window builds it.

A FILE ending in ".toml" is a named profile, which names its tables, fields,
choices and parameters (kestrove-profile describes the format and drafts one).
With --dsn the names are placed as the window places them: each table at its
position in the data source's table list, each field at its position in the
table's field list, so the run sends exactly what the positional profile of
the same choices sends. Without --dsn the tables and fields run in the order
written. Any other FILE is a positional profile (.prf), as the window saves.

A named profile may also fill columns the window cannot: with class =
"bigint" (Counter, Random, Fixed Value, Database Lookup, of 64 bits),
"bool" (Random: TRUE or FALSE, Fixed Value), "uuid" (UUID: a random
version-4 UUID) or "binary" (Random Bytes: Length bytes, or as many as the
column holds). It may carry its run options in a [run] table: order
("parents-first" or "slots"), commit_every, rows_per_insert and
cache_lookups, each of which the command line overrides; those that need a
data source are left out of a dry run. Run with --dsn, a named profile's
table and column names are quoted where the data source needs it (mixed
case where it folds names, blanks, reserved words) with the quote it names,
in the Inserts, Deletes and lookups; a table of another schema is named
"schema.table" and runs after the listed tables; and after each table the
sequence that feeds a SERIAL or identity column the run wrote is moved
past the largest value (PostgreSQL; MariaDB and SQLite move their own).

Without --dsn it is a dry run: every statement the run would execute is
written, one per line, as it would be sent and ended by ";" (the Delete
statements are sent without one), to --sql-out (default: standard output),
ready for sqlite3, psql -f or mariadb. With --dsn the statements are executed on that ODBC data
source, as the window executes them. A server that reads a backslash in a
string literal as an escape (MySQL and MariaDB by default, PostgreSQL with
standard_conforming_strings off) gets every backslash of a text value doubled,
as well as its quotes, so that each value stays one literal; a dry run writes
the literals as the window's run builds them.

Options:
  --profile FILE     the profile file to run (required): a .prf file, or a
                     named profile whose name ends in .toml
  --dsn NAME         ODBC data source to run against (otherwise a dry run)
  --sql-out FILE|-   where to write the statements; "-" is standard output.
                     With --dsn it is a log of what was sent (default: none)
  --seed N           seed the random source with N (0 to 4294967295) instead
                     of the clock, so the same profile gives the same values
  --today YYYY/MM/DD the date taken as today (date ranges, ages); default: the
                     local date
  --lists-dir DIR    folder of the twelve lookup list files, read for every
                     list (default: as under Files). A list whose file is missing
                     or unreadable stays empty and a warning names the file
                     and the list; a street address needs the street list,
                     so a run that would make one ends before its first
                     statement when strdata.bin could not be read
  --quote-names      enclose every column name of the Insert statements in
                     double quotes, as the window's "Field Names in " " ?" box
                     does (the table name stays bare); a named profile may ask
                     for it with quote_names = true
  --commit-every N   run in transactions of N statements (1 to 4294967295):
                     autocommit goes off, the run commits after every N
                     executed statements (Delete or Insert) and once more at
                     its end. A stop (below) commits everything up to and
                     including the record under way. An error that ends the
                     run rolls the open transaction back, and the message
                     says how many rows had been committed (they stay) and
                     how many statements were rolled back. Statements are
                     executed directly, without a prepare. The summary adds
                     the rows committed. Needs --dsn
  --rows-per-insert N
                     send a table's records N to an Insert statement (1 to
                     10000; default 1): "Insert into T (a,b) Values
                     (1,'x'),(2,'y');", the last statement of a table holding
                     the rest. The records and their values are exactly those
                     of the run with 1 and the same seed, in the same order; a
                     record without values is left out as always. Statements
                     are executed directly, without a prepare. A data source
                     that does not take several value lists after VALUES
                     refuses the first such statement, and the run ends with
                     a message that says so. With the window's one statement
                     per record (1), statements are prepared as the window
                     prepares them
  --no-cache-lookups
                     look every value up afresh, whatever the profile says
  --cache-lookups    read each table that a Database Lookup names once, on its
                     first lookup, with the same "SELECT * FROM" query, and
                     pick later values from the rows kept in memory with the
                     same random draws: the statements are those of a run
                     without it as long as nobody else changes the table
                     meanwhile. An Insert or Delete that the run itself
                     executes on such a table has it read again at its next
                     lookup, so a table that looks itself up (an employee's
                     manager) sees the rows inserted so far. Failed lookups
                     are reported as without it. The looked-up tables are held
                     in memory whole. No effect in a dry run, where lookups
                     give empty values
  --order slots      run the tables in the order of the profile's slots,
                     whatever the profile's [run] table says
  --order parents-first
                     run the tables in an order where each comes after the
                     tables its foreign keys refer to, as the data source
                     reports them (SQLForeignKeys), instead of the order of
                     the profile's slots; of the tables whose parents are
                     all done, the one in the lowest slot runs next. Every
                     Delete of the profile runs first, children before their
                     parents, and then the tables are filled without them.
                     A key of a table to itself (an employee's manager) is
                     no constraint; keys to a table that the profile does
                     not list are not either. Tables whose keys form a cycle
                     are named in a warning and run together in slot order.
                     Needs --dsn
  --unique-keys      keep the primary and unique keys that the data source
                     reports (SQLPrimaryKeys, SQLStatistics), of one column
                     or several, without repeats: a record whose key values
                     the table already holds, or the run made earlier, has
                     its key fields drawn again, a bounded number of times.
                     A key made of Database Lookups draws its combinations
                     distinct and uniformly from the rows of the tables
                     looked up. The key values of a table that is not
                     emptied first are read once, as its turn begins. A
                     count that a key cannot take (a unique Choice of 5
                     items asked for 10 records, 1000 pairs of 20 x 30
                     parents) ends the run before anything is sent where it
                     can be told, otherwise at the first record that finds
                     no new value: exit code 1, and the message names the
                     table, the key's columns, the records made and asked.
                     A named profile may ask for it with unique_keys = true
                     in its [run] table. Needs --dsn
  --help             show this text
  --version          show the program's name and version

With --dsn, a named profile run, or a run with --unique-keys, ends before
anything is sent for a Database Lookup of a table that is empty when its
table runs (and that the run does not fill first), naming the table, the
field and the table looked up; the window's run sends an empty value there.
A table with two Counters is warned about: they share one count.

While standard error is a terminal a progress line shows the table, the
record number of its count and the records per second; a summary (the tables
that made a record or ran their Delete, records, statements, seconds) is
printed at the end, after a warning naming each table that made no
statement at all. An error that ends the run is printed with the table and
the record it arose in, and a statement the data source refused on the line
after it.

Ctrl+C (or SIGTERM) asks the run to stop as the Stop button does: the record
under way finishes, the summary is printed, and the exit code says the run
was stopped. A statement that is waiting on the data source (for a lock that
another session holds) is cancelled; the rows made before it are kept. When
the stop has not come within two seconds (a driver that cannot cancel), or on
a second Ctrl+C, the program ends at once. Whatever way it ends, the
--sql-out file holds every statement sent up to then.

With --commit-every a stop waits up to a second for the record under way
before cancelling its statement, since a cancelled statement can take the
open transaction down with it (SQLite and PostgreSQL roll it back); the
final commit is then made whatever time it takes, and only a second Ctrl+C
ends the program before it, losing nothing committed before.

Exit codes:
  0    the run completed
  1    the run ended with an error (its message is printed)
  2    usage error: bad option, unreadable profile, a named profile whose
       names do not match the data source, bad output file
  130  the run was stopped with Ctrl+C (143 when stopped with SIGTERM)

Files:
  srndata.bin, frmdata.bin, frfdata.bin, twndata.bin, strdata.bin,
  cmpdata.bin, usr1data.bin .. usr6data.bin
         the twelve lookup list files. Run from its build folder, the program
         reads them beside itself. Installed (a share/kestrove folder beside
         its bin folder), it reads each from $XDG_DATA_HOME/kestrove (by
         default ~/.local/share/kestrove) when the file is there, where the
         window and kestrove-lists save what the user edits, and otherwise
         the shipped one from share/kestrove (/usr/share/kestrove for
         /usr/bin/kestrove-run)
  share/kestrove/examples
         the example schemas and profiles (shop.sql and shop.prf)

Environment:
  ODBCINI        the user's ODBC data source file (unixODBC; default
                 ~/.odbc.ini)
  ODBCSYSINI     the folder of the system odbc.ini and odbcinst.ini (default
                 /etc)
  XDG_DATA_HOME  the user's data folder, installed (default ~/.local/share)

Examples:
  kestrove-run --profile /usr/share/kestrove/examples/shop.prf --seed 7
         a dry run of the example profile: its statements on standard output
  kestrove-run --profile shop.prf --dsn "Kestrove Demo" --seed 7
         fill the tables of the data source "Kestrove Demo"
)";

struct Options {
  std::string profile;
  std::optional<std::string> dsn;
  std::optional<std::string> sql_out;
  std::optional<uint32_t> seed;
  std::optional<CivilDate> today;
  std::optional<std::string> lists_dir;
  bool quote_names = false;
  uint32_t commit_every = 0;
  int32_t rows_per_insert = 1;
  bool cache_lookups = false;
  bool parents_first = false;
  bool version = false;  // --version: print it and do nothing else
  // Set on the command line, so that a named profile's [run] table does not
  // override it.
  bool commit_every_given = false, rows_per_insert_given = false, cache_lookups_given = false,
       order_given = false;
  bool unique_keys = false;
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

// A whole number from `low` to `high`, or the option's usage error.
uint64_t ParseCount(const std::string& option, const std::string& text, uint64_t low,
                    uint64_t high) {
  const std::string wanted = option + " takes a whole number from " + std::to_string(low) + " to " +
                             std::to_string(high) + ", not '" + text + "'";
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
    throw UsageError(wanted);
  const uint64_t value = std::stoull(text);
  if (value < low || value > high) throw UsageError(wanted);
  return value;
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
    } else if (arg == "--version") {
      options.version = true;
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
    } else if (arg == "--quote-names") {
      options.quote_names = true;
    } else if (arg == "--commit-every") {
      options.commit_every = static_cast<uint32_t>(ParseCount(arg, value(), 1, 4294967295u));
      options.commit_every_given = true;
    } else if (arg == "--rows-per-insert") {
      options.rows_per_insert = static_cast<int32_t>(ParseCount(arg, value(), 1, 10000));
      options.rows_per_insert_given = true;
    } else if (arg == "--cache-lookups") {
      options.cache_lookups = true;
      options.cache_lookups_given = true;
    } else if (arg == "--no-cache-lookups") {
      options.cache_lookups = false;
      options.cache_lookups_given = true;
    } else if (arg == "--unique-keys") {
      options.unique_keys = true;
    } else if (arg == "--order") {
      const std::string order = value();
      if (order != "parents-first" && order != "slots")
        throw UsageError("--order takes parents-first or slots, not '" + order + "'");
      options.parents_first = order == "parents-first";
      options.order_given = true;
    } else {
      throw UsageError("unknown option '" + arg + "'");
    }
  }
  if (options.profile.empty()) throw UsageError("--profile FILE is required");
  if (options.commit_every != 0 && !options.dsn)
    throw UsageError("--commit-every needs --dsn: a dry run commits nothing");
  if (options.parents_first && !options.dsn)
    throw UsageError(
        "--order parents-first needs --dsn: the order comes from the data source's foreign keys");
  if (options.unique_keys && !options.dsn)
    throw UsageError(
        "--unique-keys needs --dsn: the keys and their values come from the data source");
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::is_directory(options.profile, ec))
    throw UsageError("--profile '" + options.profile + "' is a folder, not a profile file");
  if (options.lists_dir) {
    const fs::file_status status = fs::status(*options.lists_dir, ec);
    if (!fs::exists(status))
      throw UsageError("--lists-dir '" + *options.lists_dir + "' does not exist");
    if (!fs::is_directory(status))
      throw UsageError("--lists-dir '" + *options.lists_dir + "' is not a folder");
  }
  return options;
}

// The run options of a named profile's [run] table, where the command line
// did not give them. Those that need a data source are left out of a dry
// run, so a drafted profile also runs dry as it is.
void TakeProfileRunOptions(const NamedRunOptions& run, Options& options) {
  const bool on_data_source = options.dsn.has_value();
  if (run.order && !options.order_given && on_data_source)
    options.parents_first = *run.order == "parents-first";
  if (run.commit_every && !options.commit_every_given && on_data_source)
    options.commit_every = *run.commit_every;
  if (run.rows_per_insert && !options.rows_per_insert_given)
    options.rows_per_insert = *run.rows_per_insert;
  if (run.cache_lookups && !options.cache_lookups_given) options.cache_lookups = *run.cache_lookups;
}

bool IsWordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// Text quoted inside a message ('...' or "...") cut to its first 80
// characters and "..." when it is longer: a conversion error quotes the whole
// line it could not read, which may be a megabyte. A quote opens where no
// letter or digit stands before it and closes where none follows it, so an
// apostrophe inside a quoted word stays part of it.
std::string CutQuoted(const std::string& message) {
  constexpr size_t kMaxQuoted = 80;
  std::string out;
  const size_t n = message.size();
  for (size_t i = 0; i < n; ++i) {
    const char q = message[i];
    if ((q == '\'' || q == '"') && (i == 0 || !IsWordChar(message[i - 1]))) {
      size_t close = i + 1;
      while (close < n &&
             !(message[close] == q && (close + 1 == n || !IsWordChar(message[close + 1]))))
        ++close;
      if (close < n) {
        const size_t length = close - i - 1;
        out += q;
        out.append(message, i + 1, std::min(length, kMaxQuoted));
        if (length > kMaxQuoted) out += "...";
        out += q;
        i = close;
        continue;
      }
    }
    out += q;
  }
  return out;
}

// A message as it may be shown on a terminal: quoted text cut short, and
// control characters (which a damaged profile can put into a conversion
// message) turned into "?". Line breaks stay, since a driver's message may run
// over several lines (PostgreSQL's do); a carriage return before a line feed
// is dropped.
std::string Shown(const std::string& message) {
  std::string text = CutQuoted(message);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += (c == '\n' || (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f)) ? c : '?';
  }
  return out;
}

// True when `error`, raised by an Insert that carried `records` records,
// reads as a refusal of the statement's form rather than of its values: a
// syntax error (SQLSTATE 42000, PostgreSQL's 42601, 37000 of ODBC 2 drivers,
// or a message that says "syntax", as SQLite's HY000 does) on a statement
// that holds more than one value list.
bool RefusedSeveralValueLists(const EODBC& error, int32_t records) {
  if (records < 2) return false;
  for (const TErrorRec& record : error.Records()) {
    if (record.SqlState == "42000" || record.SqlState == "42601" || record.SqlState == "37000")
      return true;
    std::string message = record.Message;
    for (char& c : message) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (message.find("syntax") != std::string::npos) return true;
  }
  return false;
}

// Why a list file could not be read, for the warning.
std::string ReadProblem(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return "it is a folder";
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return std::strerror(errno);
  ::close(fd);
  return "it cannot be read";
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
    // A buffer of our own: glibc keeps to the block size when given none.
    // Static, so that it outlives stdout's last flush at exit.
    static char buffer[1 << 20];
    std::setvbuf(file_, buffer, _IOFBF, sizeof buffer);
  }
  ~SqlWriter() {
    if (owned_ && file_) std::fclose(file_);
  }
  // A statement and its line feed, under the file's lock, so that a flush
  // from the signal thread never writes half a line.
  void Write(const std::string& sql) {
    flockfile(file_);
    const bool written = fwrite_unlocked(sql.data(), 1, sql.size(), file_) == sql.size() &&
                         fputc_unlocked('\n', file_) != EOF;
    funlockfile(file_);
    if (!written) throw EInOutError("Cannot write to " + name_ + ": " + std::strerror(errno));
  }
  void Finish() {
    if (std::fflush(file_) != 0)
      throw EInOutError("Cannot write to " + name_ + ": " + std::strerror(errno));
  }
  // Flushes from another thread as the program ends at once. A writer that
  // is stuck (a pipe nobody reads) holds the lock; after a moment it is left.
  void FlushFromOtherThread() {
    for (int i = 0; i < 50; ++i) {
      if (ftrylockfile(file_) == 0) {
        fflush_unlocked(file_);
        funlockfile(file_);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

 private:
  std::string name_;
  std::FILE* file_ = nullptr;
  bool owned_ = false;
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

void CliHost::ProcessMessages() {
  if (stop_ && stop_->Signal() != 0 && !run_->RunStopped) {
    stop_pressed_ = true;
    run_->GenerateBtnClick();  // the Stop press
  }
}

void CliHost::StatementSent(const RunStatement& statement) {
  if (slot_ >= 0 && slot_ < kMaxTables) sent_[slot_] = true;
  if (statement.Kind == StatementKind::kDelete) TableWorked();
  if (!writer_) return;
  const std::string& sql = statement.Sql;
  if (end_statements_ && (sql.empty() || sql.back() != ';'))
    writer_->Write(sql + ";");
  else
    writer_->Write(sql);
}

void CliHost::ListNotLoaded(int list, const std::string& path) {
  const LookupListKind& kind = LookupListInfo(list);
  std::fprintf(stderr, "kestrove-run: warning: list %s (%s) not loaded from '%s': %s\n",
               kind.list_name, kind.command_name, Shown(path).c_str(), ReadProblem(path).c_str());
}

int Main(int argc, char** argv) {
  StopSignals::Block();
  Options options;
  bool help = false;
  CliHost host;
  StderrErrorReporter reporter;
  std::unique_ptr<CliClock> clock;
  std::unique_ptr<Workspace> workspace;
  int32_t table_count = 0;
  std::unique_ptr<SqlWriter> writer;
  std::optional<NamedProfile> named;
  try {
    options = ParseOptions(argc, argv, help);
    if (help) {
      std::fputs(kUsage, stdout);
      return kExitOk;
    }
    if (options.version) {
      std::fputs(VersionText("kestrove-run").c_str(), stdout);
      return kExitOk;
    }
    clock = std::make_unique<CliClock>(options);
    workspace = std::make_unique<Workspace>(*clock, host, reporter);
    int64_t line = 0;
    try {
      if (IsNamedProfilePath(options.profile)) {
        // Placed here without a data source, after connecting with one.
        named = ReadNamedProfileFile(options.profile);
        TakeProfileRunOptions(named->run, options);
        if (!options.dsn) {
          table_count = PlaceNamedProfile(*named, nullptr, workspace->State());
          PlaceFieldExtras(*named, workspace->State(), workspace->Extras);
        }
      } else {
        table_count = LoadProfileFile(workspace->State(), options.profile, &line);
      }
    } catch (const ENamedProfileError& e) {
      throw UsageError(e.what());
    } catch (const EConvertError& e) {
      // A line that should hold a number: say which. A named profile under
      // another name fails on its first line.
      const bool looks_named =
          line == 1 && ReadProfileFile(options.profile).find("[[table]]") != std::string::npos;
      throw UsageError(
          options.profile + " line " + std::to_string(line) + ": " + DisplayMessage(e.what()) +
          (looks_named
               ? " A named profile is read as one only when its file name ends in \".toml\"."
               : ""));
    } catch (const KestroveError& e) {
      throw UsageError("cannot load profile '" + options.profile +
                       "': " + DisplayMessage(e.what()));
    }
    const std::optional<std::string> out = options.sql_out ? options.sql_out
                                           : options.dsn   ? std::nullopt
                                                           : std::optional<std::string>("-");
    if (out) writer = std::make_unique<SqlWriter>(*out);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "kestrove-run: %s\nTry 'kestrove-run --help'.\n", Shown(e.what()).c_str());
    return kExitUsage;
  }

  Workspace& ws = *workspace;
  if (options.seed)
    ws.Random.RandomSeed = *options.seed;
  else
    ws.SeedRandom();
  GenerationRun& run = ws.Run;
  // --lists-dir is one folder for every list; otherwise the program's places.
  ws.SetPlaces(options.lists_dir ? FilePlaces::In(*options.lists_dir) : ProgramPlaces());
  run.ShowQuotes = options.quote_names || (named && named->quote_names.value_or(false));
  run.RowsPerInsert = options.rows_per_insert;
  ws.SetDryRun(!options.dsn);
  if (named && !options.dsn) ws.SetNamedRun(false);
  ws.SetCacheLookups(options.cache_lookups);
  // The batched modes send each statement once, so a prepare would only
  // cost a round trip of its own.
  ws.SetExecuteDirect(options.commit_every != 0 || options.rows_per_insert > 1);
  host.Log(writer.get(), /*end_statements=*/!options.dsn);

  // From here on a stop signal is seen, also while connecting.
  StopSignals stop;
  stop.Watch(&ws.Db.Connector, writer.get());
  auto finish_log = [&]() -> bool {
    if (!writer) return true;
    try {
      writer->Finish();
      return true;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", Shown(DisplayMessage(e.what())).c_str());
      return false;
    }
  };

  // With --commit-every: rolled back unless committed, whichever way the
  // program ends.
  std::optional<DbTransaction> transaction;
  if (options.dsn) {
    ws.Db.Connector.DataSource = *options.dsn;
    try {
      ws.Db.Connector.Connect();
      if (options.commit_every != 0) {
        ws.SetTransaction(&transaction.emplace(ws.Db.Connector, options.commit_every));
        stop.GiveRecordTime();
      }
      if (named) {
        ws.SetNamedRun(true);
        DatabaseLayout layout(ws.Db, ws.NameRules());
        try {
          table_count = PlaceNamedProfile(*named, &layout, ws.State());
          PlaceFieldExtras(*named, ws.State(), ws.Extras);
        } catch (const ENamedProfileError& e) {
          std::fprintf(stderr, "kestrove-run: %s\n", Shown(e.what()).c_str());
          finish_log();
          return kExitUsage;
        }
      }
    } catch (const EODBC& error) {
      reporter.ShowDatabaseError(error,
                                 "Communication Failure. Please select another Data Source.");
      finish_log();
      return kExitRunError;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", Shown(DisplayMessage(e.what())).c_str());
      finish_log();
      return kExitRunError;
    }
    if (options.parents_first) {
      try {
        for (const auto& cycle : ws.OrderParentsFirst(table_count)) {
          std::string names;
          for (size_t i = 0; i < cycle.size(); ++i)
            names += (i == 0 ? "" : i + 1 == cycle.size() ? " and " : ", ") + cycle[i];
          std::fprintf(stderr,
                       "kestrove-run: warning: the foreign keys of tables %s form a cycle: "
                       "those tables run in slot order\n",
                       Shown(names).c_str());
        }
      } catch (const std::exception& e) {
        std::fprintf(stderr, "kestrove-run: %s\n", Shown(DisplayMessage(e.what())).c_str());
        finish_log();
        return kExitRunError;
      }
    }
  }

  for (const std::string& warning : SharedCounterWarnings(ws.State(), table_count))
    std::fprintf(stderr, "kestrove-run: warning: %s\n", Shown(warning).c_str());
  if (options.dsn) {
    const bool unique = options.unique_keys || (named && named->run.unique_keys.value_or(false));
    // The window's .prf runs keep their statements unless asked.
    ws.SetKeyGuard(unique || named.has_value(), unique);
  }

  // Set as the run starts: a named profile run on a data source is placed
  // only once connected.
  host.ListTables(table_count);
  host.WatchForStop(&stop, &run);
  bool stopped_by_signal = false;

  const auto started = std::chrono::steady_clock::now();
  int exit_code = kExitOk;
  try {
    run.GenerateBtnClick();
    stop.Settle();
    if (transaction) transaction->Commit();
  } catch (const std::exception& e) {
    stop.Settle();
    if (stop.Signal() != 0 && dynamic_cast<const EODBC*>(&e) &&
        ws.Db.Connector.LastCallCancelled()) {
      // The statement under way was cancelled for the stop: the run ends as
      // stopped, with the rows made before it.
      stopped_by_signal = true;
      std::fprintf(stderr, "kestrove-run: the statement under way was cancelled\n");
      try {
        if (transaction) transaction->Commit();
      } catch (const std::exception& commit_error) {
        exit_code = kExitRunError;
        std::fprintf(stderr, "kestrove-run: %s\n",
                     Shown(DisplayMessage(commit_error.what())).c_str());
      }
    } else {
      // Where the run stood, then the statement the data source refused.
      exit_code = kExitRunError;
      std::string where;
      // A key's message names its table itself.
      if (!host.TableName().empty() && !dynamic_cast<const EKeyError*>(&e))
        where = "table " + host.TableName() + ", record " + std::to_string(host.Record()) + ": ";
      std::fprintf(stderr, "kestrove-run: %s\n", Shown(where + DisplayMessage(e.what())).c_str());
      if (!ws.FailedStatement().empty()) {
        std::fprintf(stderr, "%s\n", Shown(ws.FailedStatement()).c_str());
        if (const auto* odbc = dynamic_cast<const EODBC*>(&e);
            odbc && RefusedSeveralValueLists(*odbc, ws.FailedRecords()))
          std::fprintf(stderr,
                       "kestrove-run: the data source refused the syntax of an Insert of %d "
                       "records (--rows-per-insert %d): if it does not take several value lists "
                       "after VALUES, run without --rows-per-insert\n",
                       ws.FailedRecords(), run.RowsPerInsert);
      }
    }
  }
  if (host.StopPressed()) stopped_by_signal = true;
  if (exit_code == kExitRunError && transaction) {
    // What the error leaves: the transactions committed before it stay, the
    // open one goes.
    uint64_t rolled_back = transaction->OpenStatements();
    std::string failure;
    try {
      rolled_back = transaction->Rollback();
    } catch (const std::exception& e) {
      failure = " (the rollback itself failed: " + DisplayMessage(e.what()) +
                "; the data source ends the transaction when the connection closes)";
    }
    std::fprintf(stderr,
                 "kestrove-run: %llu rows had been committed and stay; the open transaction "
                 "of %llu statements was rolled back%s\n",
                 static_cast<unsigned long long>(transaction->CommittedRows()),
                 static_cast<unsigned long long>(rolled_back), Shown(failure).c_str());
  }
  if (!finish_log() && exit_code == kExitOk) exit_code = kExitRunError;
  if (exit_code == kExitRunError && options.dsn)
    std::fprintf(stderr, "kestrove-run: %llu statements had been executed\n",
                 static_cast<unsigned long long>(run.StatementsExecuted()));
  // A table that sends nothing (no generated field, a record count of 0
  // and no Delete) is easy to miss in the counts: it is named.
  if (exit_code == kExitOk) {
    const std::vector<std::string> silent = host.SilentTables();
    std::string names;
    for (size_t i = 0; i < silent.size(); ++i)
      names += (i == 0 ? "" : i + 1 == silent.size() ? " and " : ", ") + silent[i];
    if (!silent.empty())
      std::fprintf(stderr, "kestrove-run: warning: %s %s made no statement\n",
                   silent.size() == 1 ? "table" : "tables", Shown(names).c_str());
    else if (run.StatementsExecuted() == 0 && !stopped_by_signal)
      std::fprintf(stderr,
                   "kestrove-run: warning: the profile names no table, so the run made "
                   "no statement\n");
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const std::string committed =
      transaction ? std::to_string(transaction->CommittedRows()) + " rows committed, "
                  : std::string();
  std::fprintf(
      stderr, "kestrove-run: %s: %d tables, %llu records, %llu statements, %s%.3f seconds\n",
      exit_code != kExitOk ? "ended by an error"
      : stopped_by_signal  ? "stopped"
                           : "completed",
      host.tables(), static_cast<unsigned long long>(host.records()),
      static_cast<unsigned long long>(run.StatementsExecuted()), committed.c_str(), seconds);
  if (exit_code == kExitOk && stopped_by_signal) exit_code = 128 + stop.Signal();
  return exit_code;
}

}  // namespace

int main(int argc, char** argv) {
  return Main(argc, argv);
}

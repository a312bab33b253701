#include "tools/run_command.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>

#include "app/file_places.h"
#include "app/profile_layout.h"
#include "app/workspace.h"
#include "catalogue/named_profile.h"
#include "core/errors.h"
#include "core/key_guard.h"
#include "db/identifiers.h"
#include "db/transaction.h"
#include "generators/dates.h"
#include "tools/run_host.h"

namespace kestrove::tools {

namespace {

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
("parents-first" or "slots"), commit_every, rows_per_insert,
cache_lookups and unique_keys, each of which the command line overrides;
commit_every is left out of a dry run. Run with --dsn, a named profile's
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
source, as the window executes them.

A dry run of a named profile is a whole script, which loads into an empty
copy of its schema with every key valid: a Database Lookup of a table the
run fills earlier draws from the values the run made for that column (the
values of a column the database makes, an identity, are read back by a
subquery), and a lookup of a table without a row writes NULL and is named
once in a warning. Its order (--order parents-first) puts each table after
the tables its lookups read; its keys (--unique-keys) are those of the
profile's tables (primary_key = [...], unique = [[...]]); names are quoted
and literals written as the profile's [script] table says (the draft
writes both from its data source). A positional profile's dry run writes
its statements as the window builds them. A server that reads a backslash in a
string literal as an escape (MySQL and MariaDB by default, PostgreSQL with
standard_conforming_strings off) gets every backslash of a text value doubled,
as well as its quotes, so that each value stays one literal; a dry run writes
the literals as the window's run builds them.

Options:
  --profile FILE     the profile file to run (required): a .prf file, or a
                     named profile whose name ends in .toml
  --dsn NAME         ODBC data source to run against (otherwise a dry run)
  --dry-run          with --dsn: read the schema from the data source (order,
                     keys, the rows its tables hold for lookups and unique
                     keys, names and literals) and execute nothing; the
                     statements are written as in a dry run, to --sql-out
                     (default: standard output), a whole script for that
                     data source
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
  --bind             with --rows-per-insert N of 2 or more: each table's
                     Insert of N records is prepared once, with a parameter
                     marker for every value, and each batch binds its values
                     and executes it again (the last, shorter batch has a
                     statement of its own size, prepared once too). Whole
                     numbers go as integers, floats and currency as doubles,
                     texts as themselves (no quote doubled), dates and times
                     as the text the run makes, NULL as a null; the rows
                     stored are those of the run without it. A batch that
                     holds a value which is no such thing (a fixed value
                     written as an SQL expression) is sent as its text. Where
                     the data source takes fewer parameters in one statement
                     (SQLite 32766, or 999 before 3.32; MariaDB and PostgreSQL
                     65535), a table's batches are sent in statements of as
                     many records as fit, and a note says so. --sql-out logs
                     the statements as without it. A named profile may ask
                     for it with bind = true. Needs --dsn
  --no-bind          send the values in the statements' text, whatever the
                     profile says
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
                     in memory whole. In a dry run it keeps the data
                     source's rows that --dry-run reads
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
                     are named in a warning and run together in slot order;
                     a named profile's cycle whose keys are Database Lookups
                     is filled instead, and named in a note: a nullable key
                     is inserted as NULL and set by one Update a row once
                     the table it names is filled (the row found by a key
                     the run fills); a NOT NULL key takes the values of the
                     Counter of the table it names (its only one), as that
                     table will make them, while the key checks are put
                     off in one transaction: SQLite's PRAGMA
                     defer_foreign_keys, PostgreSQL's SET CONSTRAINTS ...
                     DEFERRED for a DEFERRABLE key or else
                     session_replication_role = replica where the account
                     may set it, MariaDB's foreign_key_checks = 0; before
                     the commit every key of the cycle is checked for rows
                     that name no row, and any ends the run, rolled back.
                     A cycle that this account cannot put off, or whose
                     tables have no such Counter, ends the run before
                     anything is sent, saying what it would need.
                     The cycles are filled with --dsn. Without --dsn, for a
                     named profile only: the tables a table's Database
                     Lookups read are its parents
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
                     in its [run] table. Without --dsn, for a named profile
                     only: the keys its tables list, none held already
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

constexpr const char* kTool = "kestrove-run";

// A whole number from `low` to `high` in decimal digits (at most ten). Range
// is given the digits without leading zeros, since CLI11 reads "010" as
// octal and "0x10" as hex.
CLI::Validator WholeNumber(const std::string& option, uint64_t low, uint64_t high) {
  const CLI::Validator digits(
      [](std::string& text) -> std::string {
        if (text.empty() || text.size() > 10 ||
            text.find_first_not_of("0123456789") != std::string::npos)
          return "not a whole number";
        text.erase(0, std::min(text.find_first_not_of('0'), text.size() - 1));
        return "";
      },
      "");
  return WithMessage(digits & CLI::Range(low, high), [=](const std::string& text) {
    return option + " takes a whole number from " + std::to_string(low) + " to " +
           std::to_string(high) + ", not '" + text + "'";
  });
}

CLI::Validator Date() {
  return WithMessage(CLI::Validator(
                         [](std::string& text) -> std::string {
                           try {
                             ReadDate(text);
                             return "";
                           } catch (const EConvertError&) {
                             return "not a date";
                           }
                         },
                         ""),
                     [](const std::string& text) {
                       return "--today takes a date as YYYY/MM/DD, not '" + text + "'";
                     });
}

// The word after a value option is its value whatever it starts with
// ("--seed -1", "--sql-out -"), and nothing after --help or --version is
// read: as the tool has always read its command line.
std::vector<std::string> AsWritten(const CLI::App& app, const std::vector<std::string>& args) {
  std::vector<std::string> out;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    const CLI::Option* option = word.rfind("--", 0) == 0 ? app.get_option_no_throw(word) : nullptr;
    if (option && option->get_expected_min() > 0 && i + 1 < args.size()) {
      out.push_back(word + "=" + args[++i]);
      continue;
    }
    out.push_back(word);
    if (word == "--help" || word == "-h" || word == "--version") break;
  }
  return out;
}

std::string UsageMessage(const CLI::App& app, const CLI::ParseError& e) {
  const std::string what = e.what();
  // An unknown word is told before what is missing or needed, which is
  // looked at once all words are read.
  const bool requirement = dynamic_cast<const CLI::RequiredError*>(&e) ||
                           dynamic_cast<const CLI::RequiresError*>(&e) ||
                           dynamic_cast<const CLI::ExtrasError*>(&e);
  if (requirement && !app.remaining().empty())
    return "unknown option '" + app.remaining().front() + "'";
  if (dynamic_cast<const CLI::RequiredError*>(&e)) return "--profile FILE is required";
  if (dynamic_cast<const CLI::RequiresError*>(&e)) {
    if (what.rfind("--commit-every", 0) == 0)
      return "--commit-every needs --dsn: a dry run commits nothing";
    if (what.rfind("--bind", 0) == 0) return "--bind needs --dsn: a dry run binds nothing";
    if (what.rfind("--unique-keys", 0) == 0)
      return "--unique-keys needs --dsn: the keys and their values come from the data source";
    return "--order parents-first needs --dsn: the order comes from the data source's "
           "foreign keys";
  }
  if (dynamic_cast<const CLI::ValidationError*>(&e)) return ValidationMessage(e);
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&e))
    return what.substr(0, what.find(':')) + " needs a value";
  return what;
}

// The run options of a named profile's [run] table, where the command line
// did not give them. commit_every is left out of a dry run, so a drafted
// profile also runs dry as it is.
void TakeProfileRunOptions(const NamedRunOptions& run, RunOptions& options) {
  const bool executes = options.dsn.has_value() && !options.dry_run;
  // Without a data source the order comes from the profile's lookups.
  if (run.order && !options.order_given) options.parents_first = *run.order == "parents-first";
  if (run.commit_every && !options.commit_every_given && executes)
    options.commit_every = *run.commit_every;
  if (run.rows_per_insert && !options.rows_per_insert_given)
    options.rows_per_insert = *run.rows_per_insert;
  if (run.cache_lookups && !options.cache_lookups_given) options.cache_lookups = *run.cache_lookups;
  if (run.bind && !options.bind_given && executes) options.bind = *run.bind;
}

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}
// --bind binds the values of multi-row Inserts only.
const char* const kBindNeedsRows =
    "--bind needs --rows-per-insert N of 2 or more: it binds the values of multi-row Inserts";

}  // namespace

void SetupRunOptions(CLI::App& app, RunOptions& o, RunOptionTexts& texts) {
  app.formatter(std::make_shared<FixedHelp>(kUsage));
  app.set_version_flag("--version", VersionLine(kTool), "show the program's name and version");
  // A repeated option takes its last value.
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.add_option("--profile", o.profile)
      ->required()
      ->check(WithMessage(!CLI::ExistingDirectory, [](const std::string& path) {
        return "--profile '" + path + "' is a folder, not a profile file";
      }));
  CLI::Option* dsn = app.add_option("--dsn", o.dsn);
  app.add_option("--sql-out", o.sql_out);
  app.add_option("--seed", texts.seed)->check(WholeNumber("--seed", 0, 4294967295u));
  app.add_option("--today", texts.today)->check(Date());
  app.add_option("--lists-dir", o.lists_dir)
      ->check(WithMessage(
          CLI::ExistingPath,
          [](const std::string& path) { return "--lists-dir '" + path + "' does not exist"; }))
      ->check(WithMessage(CLI::ExistingDirectory, [](const std::string& path) {
        return "--lists-dir '" + path + "' is not a folder";
      }));
  app.add_flag("--quote-names", o.quote_names);
  app.add_option("--commit-every", texts.commit_every)
      ->check(WholeNumber("--commit-every", 1, 4294967295u))
      ->needs(dsn);
  app.add_option("--rows-per-insert", texts.rows_per_insert)
      ->check(WholeNumber("--rows-per-insert", 1, 10000));
  // The last of --cache-lookups and --no-cache-lookups counts.
  app.add_flag("--cache-lookups,!--no-cache-lookups", o.cache_lookups);
  // Without --dsn only a named profile tells its keys: checked after the
  // parse.
  app.add_flag("--unique-keys", o.unique_keys);
  app.add_flag("--dry-run", o.dry_run);
  app.add_flag("--bind,!--no-bind", o.bind);
  // Only "--order parents-first" needs a data source: checked after the
  // parse.
  app.add_option("--order", texts.order)
      ->check(WithMessage(CLI::IsMember({"parents-first", "slots"}), [](const std::string& order) {
        return "--order takes parents-first or slots, not '" + order + "'";
      }));
}

Parsed<RunOptions> ParseRunCommandLine(const std::vector<std::string>& args) {
  CLI::App app{"", kTool};
  RunOptions options;
  RunOptionTexts texts;
  SetupRunOptions(app, options, texts);
  std::vector<std::string> reversed = AsWritten(app, args);
  std::reverse(reversed.begin(), reversed.end());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    if (auto stop = HelpOrVersion(app, e)) return *stop;
    return UsageStop(kTool, UsageMessage(app, e));
  }
  // Read here in decimal: CLI11 would take "010" for octal.
  if (!texts.seed.empty()) options.seed = static_cast<uint32_t>(std::stoull(texts.seed));
  if (!texts.commit_every.empty()) {
    options.commit_every = static_cast<uint32_t>(std::stoull(texts.commit_every));
    options.commit_every_given = true;
  }
  if (!texts.rows_per_insert.empty()) {
    options.rows_per_insert = static_cast<int32_t>(std::stoull(texts.rows_per_insert));
    options.rows_per_insert_given = true;
  }
  if (!texts.today.empty()) options.today = ReadDate(texts.today);
  options.cache_lookups_given = app.get_option("--cache-lookups")->count() > 0;
  options.bind_given = app.get_option("--bind")->count() > 0;
  if (options.bind && (!options.dsn || options.dry_run))
    return UsageStop(kTool, "--bind needs --dsn: a dry run binds nothing");
  if (options.bind && options.rows_per_insert_given && options.rows_per_insert < 2)
    return UsageStop(kTool, kBindNeedsRows);
  options.order_given = !texts.order.empty();
  options.parents_first = texts.order == "parents-first";
  // A named profile tells its order (its lookups) and its keys itself; a
  // positional one has only the data source's.
  const bool named = IsNamedProfilePath(options.profile);
  if (options.parents_first && !options.dsn && !named)
    return UsageStop(kTool,
                     "--order parents-first needs --dsn: the order comes from the data source's "
                     "foreign keys");
  if (options.unique_keys && !options.dsn && !named)
    return UsageStop(kTool,
                     "--unique-keys needs --dsn: the keys and their values come from the data "
                     "source");
  if (options.dry_run && options.commit_every_given)
    return UsageStop(kTool,
                     "--commit-every and --dry-run exclude each other: a dry run commits "
                     "nothing");
  return options;
}

int RunProfile(const RunOptions& given) {
  RunOptions options = given;
  CliHost host;
  StderrErrorReporter reporter;
  CliClock clock(options.today);
  Workspace workspace(clock, host, reporter);
  int32_t table_count = 0;
  // Nothing is executed: without a data source, or with --dry-run.
  const bool dry = !options.dsn || options.dry_run;
  std::unique_ptr<SqlWriter> writer;
  std::optional<NamedProfile> named;
  try {
    if (IsNamedProfilePath(options.profile)) {
      // Placed here without a data source, after connecting with one.
      named = ReadNamedProfileOrFail(options.profile, "load profile");
      TakeProfileRunOptions(named->run, options);
      if (!options.dsn) {
        try {
          table_count = PlaceNamedProfile(*named, nullptr, workspace.State());
          PlaceFieldExtras(*named, workspace.State(), workspace.Extras);
        } catch (const ENamedProfileError& e) {
          throw UsageError(e.what());
        } catch (const KestroveError& e) {
          throw UsageError("cannot load profile '" + options.profile +
                           "': " + DisplayMessage(e.what()));
        }
      }
    } else {
      table_count = LoadPositionalProfile(workspace.State(), options.profile, /*hint_named=*/true);
    }
    if (options.bind && options.rows_per_insert < 2)
      throw UsageError(options.bind_given ? kBindNeedsRows
                                          : "bind = true needs rows_per_insert of 2 or more, or "
                                            "--rows-per-insert N: it binds the values of "
                                            "multi-row Inserts");
    const std::optional<std::string> out = options.sql_out ? options.sql_out
                                           : !dry          ? std::nullopt
                                                           : std::optional<std::string>("-");
    if (out) writer = std::make_unique<SqlWriter>(*out);
  } catch (const UsageError& e) {
    return Report(UsageStop(kTool, e.what()));
  }

  Workspace& ws = workspace;
  if (options.seed)
    ws.Random.RandomSeed = *options.seed;
  else
    ws.SeedRandom();
  GenerationRun& run = ws.Run;
  // --lists-dir is one folder for every list; otherwise the program's places.
  ws.SetPlaces(options.lists_dir ? FilePlaces::In(*options.lists_dir) : ProgramPlaces());
  run.ShowQuotes = options.quote_names || (named && named->quote_names.value_or(false));
  run.RowsPerInsert = options.rows_per_insert;
  ws.SetDryRun(dry);
  if (named && !options.dsn) ws.SetNamedRun(false);
  ws.SetCacheLookups(options.cache_lookups);
  // The statements of a dry run make a whole script for named profiles and
  // for the positional ones that ask for the data source's schema; other
  // .prf dry runs keep theirs as they are.
  const bool script = dry && (named || options.dsn);
  if (script)
    ws.SetDryScript(options.dsn.has_value(), [](const std::string& warning) {
      std::fprintf(stderr, "kestrove-run: warning: %s\n", Shown(warning).c_str());
    });
  if (script && named && !options.dsn) {
    // The keys and the literals of the data source the profile was drafted
    // from, as the profile keeps them.
    auto keys = std::make_shared<std::map<std::string, std::vector<TableKey>>>();
    for (const NamedTable& table : named->tables) {
      std::vector<TableKey>& of = (*keys)[Lowered(table.name)];
      if (!table.primary_key.empty()) of.push_back({"", table.primary_key, true});
      for (const auto& unique : table.unique) of.push_back({"", unique, false});
    }
    ws.SetProfileKeys([keys](const std::string& table) {
      const auto at = keys->find(Lowered(table));
      return at == keys->end() ? std::vector<TableKey>() : at->second;
    });
    const NamedScriptFacts& facts = named->script;
    if (!facts.Empty()) {
      IdentifierRules rules;
      rules.quote = facts.quote && !facts.quote->empty() ? (*facts.quote)[0] : '\0';
      if (!facts.quote) rules.quote = '\0';
      rules.folds = facts.folds == "lower"   ? IdentifierRules::Folding::kLower
                    : facts.folds == "upper" ? IdentifierRules::Folding::kUpper
                                             : IdentifierRules::Folding::kNone;
      ws.SetScriptLiterals(
          rules, facts.backslash_escapes.value_or(false),
          facts.bytes == "decode" ? BinaryLiteralForm::kDecodeHex : BinaryLiteralForm::kHexX);
    }
  }
  // The batched modes send each statement once, so a prepare would only
  // cost a round trip of its own.
  ws.SetExecuteDirect(options.commit_every != 0 || options.rows_per_insert > 1);
  ws.SetBindValues(options.bind && !dry);
  host.Log(writer.get(), /*end_statements=*/dry);

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
    try {
      Connect(ws.Db, *options.dsn);
      if (options.commit_every != 0 && !dry) {
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
    } catch (const DatabaseFailed&) {
      finish_log();
      return kExitError;
    } catch (const EODBC& error) {
      PrintConnectFailure(error);
      finish_log();
      return kExitError;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", Shown(DisplayMessage(e.what())).c_str());
      finish_log();
      return kExitError;
    }
  }
  if (options.parents_first) {
    try {
      // Without a data source, the tables each one's Database Lookups read
      // are its parents.
      const auto cycles =
          options.dsn ? ws.OrderParentsFirst(table_count) : ws.OrderByLookups(table_count);
      // A named profile's cycles of foreign keys are filled; a .prf run
      // keeps its order.
      const bool unique = options.unique_keys || (named && named->run.unique_keys.value_or(false));
      const std::vector<std::string> notes = options.dsn && named && !cycles.empty()
                                                 ? ws.FillCycles(unique)
                                                 : std::vector<std::string>();
      for (const std::string& note : notes)
        std::fprintf(stderr, "kestrove-run: %s\n", Shown(note).c_str());
      for (const auto& cycle : cycles) {
        // Those that the cycle keys fill are named in their note.
        bool filled = false;
        for (const std::string& note : notes)
          filled |= note.find(" " + cycle.front() + " ") != std::string::npos ||
                    note.find(" " + cycle.front() + ",") != std::string::npos;
        if (filled) continue;
        std::string names;
        for (size_t i = 0; i < cycle.size(); ++i)
          names += (i == 0 ? "" : i + 1 == cycle.size() ? " and " : ", ") + cycle[i];
        std::fprintf(stderr,
                     "kestrove-run: warning: the %s of tables %s form a cycle: "
                     "those tables run in slot order\n",
                     options.dsn ? "foreign keys" : "Database Lookups", Shown(names).c_str());
      }
    } catch (const std::exception& e) {
      std::fprintf(stderr, "kestrove-run: %s\n", Shown(DisplayMessage(e.what())).c_str());
      finish_log();
      return kExitError;
    }
  }

  for (const std::string& warning : SharedCounterWarnings(ws.State(), table_count))
    std::fprintf(stderr, "kestrove-run: warning: %s\n", Shown(warning).c_str());
  const bool unique = options.unique_keys || (named && named->run.unique_keys.value_or(false));
  // The window's .prf runs keep their statements unless asked. A dry
  // script without a data source writes NULL for a lookup of an empty
  // table instead of stopping at it.
  if (options.dsn || script) ws.SetKeyGuard(unique || (named.has_value() && options.dsn), unique);

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
        exit_code = kExitError;
        std::fprintf(stderr, "kestrove-run: %s\n",
                     Shown(DisplayMessage(commit_error.what())).c_str());
      }
    } else {
      // Where the run stood, then the statement the data source refused.
      exit_code = kExitError;
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
  if (exit_code == kExitError && transaction) {
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
  if (!finish_log() && exit_code == kExitOk) exit_code = kExitError;
  if (exit_code == kExitError && !dry)
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

}  // namespace kestrove::tools

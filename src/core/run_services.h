// What the generation run asks of the rest of the system, and how it shows
// its progress. The engine supplies the services; the front end (the window,
// the headless runner) supplies the monitor as part of its host
// (core/run_host.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/text_out.h"

namespace kestrove {

// kUpdate sets the keys of a cycle's rows once the table they refer to is
// filled; kBegin, kSetting and kCommit frame a span of put-off key checks
// (the services begin and commit a transaction for kBegin and kCommit).
enum class StatementKind { kDelete, kInsert, kUpdate, kBegin, kSetting, kCommit };

// How the data source writes a literal of bytes: X'0a1b' (SQLite, MariaDB,
// the standard form), or decode('0a1b','hex') for PostgreSQL's bytea, which
// reads it whatever standard_conforming_strings says.
enum class BinaryLiteralForm { kHexX, kDecodeHex };

// What a value of an Insert is, as its choice makes it: how a service that
// binds values (GenerationRun::BindValues) hands it to the data source.
enum class ValueClass : uint8_t {
  kInteger,   // a whole number, as digits
  kFloat,     // a number with or without decimals (floats, currency)
  kText,      // the text itself, without its quotes or their doubling
  kDate,      // a literal with its own quotes, or a fixed value as written
  kTime,      // likewise
  kDateTime,  // likewise
  kBoolean,   // TRUE or FALSE, or a fixed value as written
  kUuid,      // a quoted literal
  kBytes,     // X'..' or decode('..','hex')
  kLiteral,   // any other text that goes into the statement as it is
};

// One value of an Insert: its class and where its text lies, in the
// statement, or in RunStatement::Aside for a text whose quotes or
// backslashes the statement doubles.
struct StatementValue {
  ValueClass Class;
  bool Null;   // NULL, whatever the class of its column
  bool Aside;  // Start and Size are in Aside rather than in Sql
  uint32_t Start, Size;
};

// A statement as the run sends it, with what it works on, so that nobody
// has to read that back out of its text.
struct RunStatement {
  StatementKind Kind;
  const std::string& Table;
  const std::string& Sql;
  // Records an Insert carries (more than one with RowsPerInsert), rows an
  // Update sets; 0 for the others.
  int32_t Records;
  // With GenerationRun::BindValues, an Insert of several records also tells
  // its values, record after record, `Columns` to a record, and where its
  // head ("Insert into T (a,b) Values (") ends in Sql. Null otherwise.
  const std::vector<StatementValue>* Values = nullptr;
  const std::string* Aside = nullptr;
  int32_t Columns = 0;
  size_t HeadSize = 0;
};

// Appends one field's value as RunServices::AppendValue(code, ...) would.
using MakeValueFn = void (*)(void* context, int32_t code, const std::string& param1,
                             const std::string& param2, std::string& out);
// A field's value maker, worked out once for a table so that each record
// calls it straight instead of dispatching on the code again. Empty where
// the value must go through AppendValue.
// The same for a TextOut, where the choice has such a maker (null else).
using MakeTextFn = void (*)(void* context, int32_t code, const std::string& param1,
                            const std::string& param2, TextOut& out);
struct ValueMaker {
  MakeValueFn Make = nullptr;
  void* Context = nullptr;
  MakeTextFn MakeText = nullptr;
};

class RunServices {
 public:
  virtual ~RunServices() = default;
  // The value of one field as bare text. May raise the conversion, list and
  // database errors that a generator does not handle itself.
  virtual std::string GenerateValue(int32_t code, const std::string& param1,
                                    const std::string& param2) = 0;
  // The same value appended to `out`; the run builds its statements this
  // way, so a service can write values in place.
  virtual void AppendValue(int32_t code, const std::string& param1, const std::string& param2,
                           std::string& out) {
    out += GenerateValue(code, param1, param2);
  }
  // The maker of choice `code` for the table about to run, or an empty one
  // when every value must go through AppendValue. Valid until the profile or
  // the services' settings next change.
  virtual ValueMaker MakerFor(int32_t code) {
    (void)code;
    return {};
  }
  // The choices of the fields a table's records are made of from here on,
  // when every value comes from its maker; null once the table is done.
  // Generators that share what they drew within a record keep only what
  // another of those fields reads.
  virtual void MakingOnly(const std::vector<int32_t>* codes) { (void)codes; }
  // True when the Database Lookup value just appended stands for SQL that
  // `sql` receives (NULL for a dry run's lookup of a table without a row, a
  // subquery for a value only the database makes): the run writes it
  // unquoted in its place. Asked only after a lookup; false by default.
  virtual bool LookupWritesAs(std::string& sql) {
    (void)sql;
    return false;
  }
  // Executes one statement, a Delete or an Insert of `Records` records (or
  // one of the others);
  // raises when the data source rejects it.
  virtual void ExecuteStatement(const RunStatement& statement) = 0;
  // Loads lookup list `list` (0..11) from `path`; never raises, and leaves
  // the list as it was when the file cannot be read.
  virtual void LoadLookupList(int list, const std::string& path) = 0;
  // Number of entries of lookup list `list`; 0 for an empty or closed list.
  virtual int32_t LookupRecordCount(int list) = 0;

  // True when the data source reads a backslash inside a string literal as
  // an escape character, so that a text value's backslashes are doubled as
  // well as its quotes. Asked only for a value that holds a backslash;
  // services that send nothing to a server keep the plain literal.
  virtual bool BackslashEscapes() { return false; }
  // The bytes literal the data source takes, for the named-only binary
  // choice; the standard form where nothing is sent to a server.
  virtual BinaryLiteralForm BinaryLiterals() { return BinaryLiteralForm::kHexX; }
  // A table's records are all sent; `columns` are the fields the run wrote
  // whole numbers into. A service that keeps sequences in step moves each
  // sequence that feeds one of them past the largest value. Nothing by
  // default.
  virtual void TableFilled(const std::string& table, const std::vector<std::string>& columns) {
    (void)table, (void)columns;
  }
  // Raises the list's closed-list error when lookup list `list` (0..11) is
  // closed; nothing for an open list.
  virtual void RequireListOpen(int list) { (void)list; }
};

// The run's window-side state: captions and monitor labels.
class RunMonitor {
 public:
  virtual ~RunMonitor() = default;
  // Both button captions, e.g. "Generate" and "   Generate".
  virtual void SetCaptions(const std::string& gradient, const std::string& plain) = 0;
  // The blinking "Processing" label and the record number label shown.
  virtual void ShowRunMonitor() = 0;
  // "Processing", the table label and the record number label hidden.
  virtual void HideRunMonitor() = 0;
  // The table label shown with this text ("Table: " + name).
  virtual void SetMonitorTable(const std::string& text) = 0;
  // The record number label: "Loading Lookups", "Generating Template",
  // "Rec No: " + n. `record` is n for the last form and 0 otherwise.
  virtual void SetMonitorRecNo(const std::string& text, int32_t record) = 0;
  // The statement monitor.
  virtual void SetSqlMonitor(const std::string& text) = 0;
  // False for a monitor that shows no text per record: the run then passes
  // empty text with each record number and does not show each statement
  // (a headless run need not pay for texts nobody reads).
  virtual bool ShowsEachRecord() const { return true; }
  virtual const std::string& SqlMonitor() const = 0;
};

}  // namespace kestrove

// The generation run: turns the profile into Delete and Insert statements
// and hands them to the run services, table after table, record after record.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/cycle_keys.h"
#include "core/field_extras.h"
#include "core/field_types.h"
#include "core/key_guard.h"
#include "core/profile.h"
#include "core/run_host.h"
#include "core/run_services.h"

namespace kestrove {

class GenerationRun {
 public:
  GenerationRun(ProfileState& state, RunServices& services, RunHost& host)
      : state_(state), services_(services), host_(host) {}

  // True when no run is under way or a stop has been asked for.
  bool RunStopped = true;
  // Enclose every column name of the Insert statements in double quotes.
  bool ShowQuotes = false;
  // Records sent in one Insert statement: from 2 on, a table's records go N
  // to a statement, "Insert into T (a,b) Values (1,'x'),(2,'y');", the last
  // statement of the table holding the rest. The records and their values
  // are those of a run with 1 (the window's, one statement per record).
  int32_t RowsPerInsert = 1;
  // From 2 RowsPerInsert on: each Insert also tells the services its values,
  // their classes and places (RunStatement::Values), for a service that
  // binds them to a statement prepared once. The statement text is the same.
  bool BindValues = false;
  // Folder of the lookup list files, with a trailing "/".
  std::string ProgramDir;
  // Where list `list` is loaded from; unset, ProgramDir + its file name.
  std::function<std::string(int list)> ListPath;
  // The slots to visit, in this order, instead of slot 0 up to the host's
  // table list count (slots past it are left out). Empty, as in the window: index
  // order.
  std::vector<int> SlotOrder;
  // Every Delete first, in the reverse of the visiting order (so children
  // before the parents they refer to), then the tables filled without their
  // Delete. Off in the window.
  bool DeletesFirst = false;
  // NULL shares and ordered dates of a named profile's fields; null (the
  // window) for none.
  FieldExtrasStep* Extras = nullptr;
  // Named profiles only: the choices of codes 900 to 999 (BIGINT, boolean,
  // UUID, binary) add their value, as it comes, unquoted. Off in the window
  // and for .prf runs, where such a code adds nothing.
  bool NamedChoices = false;
  // Named profiles run on a data source: each table and column name as it
  // goes into a statement (quoted where the data source needs it). Unset,
  // as in the window: names go in as they are.
  std::function<std::string(const std::string&)> QuoteName;
  // Checks each record's key values before it is sent (--unique-keys, and
  // the runs that stop at an empty looked-up table); null in the window.
  RecordGuard* Guard = nullptr;
  // Fills the tables of a cycle of foreign keys (named profiles run parents
  // first on a data source, with DeletesFirst); null in the window.
  CycleKeys* Cycles = nullptr;

  // The one handler of both Generate buttons: starts a run, or asks the run
  // under way to stop. Returns when the run (or the stop request) is done.
  // An error that ends a run puts the window state back to idle and is then
  // passed on to the caller.
  void GenerateBtnClick();

  // Statements executed by the current or last run (Delete and Insert).
  uint64_t StatementsExecuted() const { return statements_; }
  // The Insert statement last built, whether or not its execution succeeded.
  const std::string& LastInsert() const { return statement_; }

  // The statement head of a table: "Insert into T (a,b) Values (", or empty
  // when no field is generated.
  static std::string StatementHead(const TTableStruct& table, bool show_quotes);
  // The same with each name passed through `quote` (not set: as they are);
  // `show_quotes` still encloses the column names in double quotes.
  static std::string StatementHead(const TTableStruct& table, bool show_quotes,
                                   const std::function<std::string(const std::string&)>& quote);

 private:
  void RunProper();
  void RunTable(TTableStruct& table, int slot, bool with_delete);
  // The run of SlotOrder and DeletesFirst over slots 0..last.
  void RunInOrder(int32_t last);
  // True when a table of slots 0..last would make a record with a street
  // address field.
  bool WouldDrawStreet(int32_t last) const;
  void EndRun();
  // "Delete from " + the table's name as it goes into statements.
  std::string DeleteText(const TTableStruct& table) const;
  bool InUse(int32_t code) const {
    return FamilyOfCode(code) != Family::kNone || (NamedChoices && IsNamedOnlyCode(code));
  }
  // Announces a statement to the host, then executes it.
  void Send(StatementKind kind, const std::string& table, const std::string& sql, int32_t records,
            bool with_values = false);
  // The statements the cycle keys ask for, sent in turn.
  void SendCycle(const std::vector<CycleStatement>& statements);
  // The Updates and statements due once table `slot` is filled.
  void AfterCycleTable(int slot);
  // A bare value as a literal of the statements: a text value quoted, its
  // quotes (and backslashes where the data source escapes) doubled.
  std::string Literal(const std::string& value, bool quoted);
  // Ends the statement of the records collected so far and executes it.
  void SendBatch(bool texts, const std::string& table);

  ProfileState& state_;
  RunServices& services_;
  RunHost& host_;
  bool in_pass_ = false;
  uint64_t statements_ = 0;
  // Records in the statement being collected (RowsPerInsert from 2 on).
  int32_t batched_ = 0;
  // Reused from record to record.
  std::vector<int> in_use_;
  // Where the text values of the record under way lie in the statement.
  std::vector<std::pair<size_t, size_t>> text_spans_;
  // Doubles the quotes, and the backslashes where the data source escapes
  // with them, of the record's text values.
  void DoubleInTexts(bool quotes, bool backslashes);
  void RecordMadeForCycles();
  // Offers the record to the Guard and draws again what it asks for.
  void GuardRecord(const TTableStruct& table, int32_t record);
  struct FieldSpan {
    size_t start = 0, end = 0;
    int text = -1;      // its entry in text_spans_, -1 for an unquoted value
    bool null = false;  // the NULL of a NULL share
  };
  // With a Guard or BindValues: where each field's value lies in the
  // statement, by slot.
  std::vector<FieldSpan> field_spans_;
  // BindValues: the values of the statement being collected, the texts
  // whose doubling moved them (their own text in bound_aside_), and what
  // the doubling of each of the record's texts added.
  std::vector<StatementValue> bound_;
  std::string bound_aside_;
  std::vector<size_t> text_grown_;
  size_t head_size_ = 0;
  bool binding_ = false;
  // Adds the record's values to bound_, from field_spans_ after the doubling.
  void NoteBoundValues(const TTableStruct& table);
  std::vector<int> redraw_;
  // The fields of the table under way that the cycle keys fill.
  std::vector<char> owned_;
  // The fields in use, in order, with what their choice code tells worked
  // out once: its family, whether it is a lookup, and its value maker.
  struct FieldStep {
    int index;
    int32_t code;
    bool text;
    bool lookup;
    ValueMaker maker;
    // What follows the value up to the next one: its closing quote, the
    // comma, the next value's opening quote.
    char tail[4];
    uint8_t tail_size;
  };
  std::vector<FieldStep> steps_;
  std::vector<int32_t> making_;
  std::vector<CycleStatement> cycle_statements_;
  std::string statement_, recno_, written_;
};

}  // namespace kestrove

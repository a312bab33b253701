// A recording run services object and host for driving the run in tests.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/run_host.h"
#include "core/run_services.h"

namespace kestrove::testing_support {

class FakeServices : public RunServices {
 public:
  // Value returned for a code; defaults to "v<code>".
  std::function<std::string(int32_t, const std::string&, const std::string&)> value =
      [](int32_t code, const std::string&, const std::string&) {
        return "v" + std::to_string(code);
      };
  std::function<void(const std::string&)> on_execute = [](const std::string&) {};

  std::vector<std::string> executed;
  std::vector<std::string> loads;
  std::vector<int32_t> codes_asked;
  int32_t list_count = 7;

  std::string GenerateValue(int32_t code, const std::string& p1, const std::string& p2) override {
    codes_asked.push_back(code);
    return value(code, p1, p2);
  }
  // The records each Insert carried, in the order executed.
  std::vector<int32_t> insert_records;
  void ExecuteStatement(const RunStatement& statement) override {
    if (statement.Kind == StatementKind::kInsert) insert_records.push_back(statement.Records);
    on_execute(statement.Sql);
    executed.push_back(statement.Sql);
  }
  // "table: col,col" for every table filled with whole-number columns.
  std::vector<std::string> filled;
  void TableFilled(const std::string& table, const std::vector<std::string>& columns) override {
    std::string line = table + ":";
    for (const std::string& c : columns) line += " " + c;
    filled.push_back(line);
  }
  // Whether the data source escapes backslashes, and how often it was asked.
  bool backslash_escapes = false;
  int backslash_questions = 0;
  bool BackslashEscapes() override {
    ++backslash_questions;
    return backslash_escapes;
  }
  // Lists whose closed state was asked after, before anything else ran.
  std::function<void(int)> on_require_list = [](int) {};
  std::vector<int> lists_required;
  void RequireListOpen(int list) override {
    lists_required.push_back(list);
    on_require_list(list);
  }
  void LoadLookupList(int list, const std::string& path) override {
    loads.push_back(std::to_string(list) + ":" + path);
  }
  int32_t LookupRecordCount(int list) override { return list_count + list; }
};

class FakeHost : public RunHost {
 public:
  int32_t listed = 1;
  // Called by ProcessMessages, with the number of calls so far.
  std::function<void(int)> on_messages = [](int) {};
  int message_calls = 0;
  // The typed events, one line each: "table 0 T 3", "delete T", "insert T 2"
  // (records), "record 1", "ended stopped".
  std::vector<std::string> events;
  std::string gradient = "Generate", plain = "   Generate";
  bool monitor_shown = false;
  std::string table_text, recno_text, sql;
  std::vector<std::string> recno_history;

  void SetCaptions(const std::string& g, const std::string& p) override {
    gradient = g;
    plain = p;
  }
  void ShowRunMonitor() override { monitor_shown = true; }
  void HideRunMonitor() override { monitor_shown = false; }
  void SetMonitorTable(const std::string& text) override { table_text = text; }
  void SetMonitorRecNo(const std::string& text, int32_t) override {
    recno_text = text;
    recno_history.push_back(text);
  }
  void SetSqlMonitor(const std::string& text) override { sql = text; }
  const std::string& SqlMonitor() const override { return sql; }

  int32_t TableListCount() override { return listed; }
  void ProcessMessages() override { on_messages(++message_calls); }
  void TableStarted(int slot, const std::string& table, int32_t records) override {
    events.push_back("table " + std::to_string(slot) + " " + table + " " + std::to_string(records));
  }
  void StatementSent(const RunStatement& s) override {
    events.push_back(s.Kind == StatementKind::kDelete
                         ? "delete " + s.Table
                         : "insert " + s.Table + " " + std::to_string(s.Records));
  }
  void RecordDone(int32_t record) override { events.push_back("record " + std::to_string(record)); }
  void RunEnded(RunOutcome outcome) override {
    events.push_back(outcome == RunOutcome::kCompleted ? "ended completed"
                     : outcome == RunOutcome::kStopped ? "ended stopped"
                                                       : "ended failed");
  }
};

}  // namespace kestrove::testing_support

// The ceiling of the database itself: the rows of a profile, generated first
// by the same run, then inserted through the sqlite3 C API with one prepared
// statement in one transaction. Only the insert is timed.
//
// Usage: bench_sqlite_ceiling DATABASE PROFILE RECORDS LISTS_DIR JOURNAL_MODE SYNCHRONOUS
// Prints: records seconds
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/profile_file.h"
#include "core/generation_run.h"
#include "generators/generators.h"
#include "lookup/lookup_lists.h"

namespace {

using namespace kestrove;

// Keeps the values of every record instead of executing statements.
class CaptureServices : public RunServices {
 public:
  CaptureServices(Generators& generators, LookupLists& lists)
      : generators_(generators), lists_(lists) {}
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;

  std::string GenerateValue(int32_t code, const std::string& p1, const std::string& p2) override {
    row.push_back(generators_.Generate(code, p1, p2));
    return row.back();
  }
  void ExecuteStatement(const RunStatement& statement) override {
    if (statement.Kind == StatementKind::kInsert) rows.push_back(std::move(row));
    row.clear();
  }
  void LoadLookupList(int list, const std::string& path) override { lists_.Load(list, path); }
  int32_t LookupRecordCount(int list) override { return lists_.RecordCount(list); }

 private:
  Generators& generators_;
  LookupLists& lists_;
};

class NullHost : public RunHost {
 public:
  explicit NullHost(int32_t tables) : tables_(tables) {}
  int32_t TableListCount() override { return tables_; }
  void ProcessMessages() override {}
  void SetCaptions(const std::string&, const std::string&) override {}
  void ShowRunMonitor() override {}
  void HideRunMonitor() override {}
  void SetMonitorTable(const std::string&) override {}
  void SetMonitorRecNo(const std::string&, int32_t) override {}
  void SetSqlMonitor(const std::string& text) override { sql_ = text; }
  const std::string& SqlMonitor() const override { return sql_; }

 private:
  int32_t tables_;
  std::string sql_;
};

void Check(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: %s DATABASE PROFILE RECORDS LISTS_DIR JOURNAL SYNC\n", argv[0]);
    return 2;
  }
  auto state = ProfileState::Create();
  const int32_t tables = LoadProfileFile(*state, argv[2]);
  TTableStruct& table = state->Tables[0];
  table.RecordCount = std::stoll(argv[3]);

  FixedClock clock(0, {2026, 12, 9});
  RandomSource random;
  random.RandomSeed = 1;
  LookupLists lists;
  Generators generators(*state, random, lists, clock);
  CaptureServices services(generators, lists);
  NullHost host(tables);
  GenerationRun run(*state, services, host);
  run.ProgramDir = std::string(argv[4]) + "/";
  run.GenerateBtnClick();

  // Column list and placeholders from the generated fields, in field order.
  std::string columns, marks;
  for (const auto& field : table.Fields) {
    if (field.ChoiceCode == 0) continue;
    columns += (columns.empty() ? "" : ",") + field.FieldName;
    marks += marks.empty() ? "?" : ",?";
  }

  sqlite3* db = nullptr;
  Check(sqlite3_open(argv[1], &db), db, "open");
  Check(sqlite3_exec(db, (std::string("PRAGMA journal_mode=") + argv[5]).c_str(), nullptr, nullptr,
                     nullptr),
        db, "journal");
  Check(sqlite3_exec(db, (std::string("PRAGMA synchronous=") + argv[6]).c_str(), nullptr, nullptr,
                     nullptr),
        db, "sync");
  Check(sqlite3_exec(db, ("DELETE FROM " + table.TableName).c_str(), nullptr, nullptr, nullptr), db,
        "delete");
  sqlite3_stmt* insert = nullptr;
  const std::string sql =
      "INSERT INTO " + table.TableName + " (" + columns + ") VALUES (" + marks + ")";
  Check(sqlite3_prepare_v2(db, sql.c_str(), -1, &insert, nullptr), db, "prepare");

  const auto start = std::chrono::steady_clock::now();
  Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
  for (const auto& row : services.rows) {
    for (size_t i = 0; i < row.size(); ++i)
      sqlite3_bind_text(insert, static_cast<int>(i + 1), row[i].data(),
                        static_cast<int>(row[i].size()), SQLITE_STATIC);
    Check(sqlite3_step(insert), db, "insert");
    sqlite3_reset(insert);
  }
  Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  sqlite3_finalize(insert);
  sqlite3_close(db);
  std::printf("%zu %.3f\n", services.rows.size(), seconds);
  return 0;
}

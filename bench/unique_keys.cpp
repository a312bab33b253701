// The cost of --unique-keys: a dry run of 1,000,000 records of a person
// table whose e-mail is unique, with and without the key guard (records/s
// and peak memory, each in a process of its own), and the composite-key
// draw of two Database Lookups over a 1,000 x 1,000 pair space (the whole
// space drawn, pair by pair, through the same guard).
//
// Usage: bench_unique_keys [RECORDS] (default 1000000)
#include "app/unique_keys.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/workspace.h"
#include "core/clock.h"
#include "db/lookup_reader.h"

namespace kestrove {
namespace {

class NullHost : public WorkspaceHost {
 public:
  int32_t TableListCount() override { return 1; }
  void ProcessMessages() override {}
  void SetCaptions(const std::string&, const std::string&) override {}
  void ShowRunMonitor() override {}
  void HideRunMonitor() override {}
  void SetMonitorTable(const std::string&) override {}
  void SetMonitorRecNo(const std::string&, int32_t) override {}
  void SetSqlMonitor(const std::string&) override {}
  bool ShowsEachRecord() const override { return false; }
  const std::string& SqlMonitor() const override { return monitor_; }
  void StatementSent(const RunStatement& statement) override { bytes += statement.Sql.size(); }
  uint64_t bytes = 0;

 private:
  std::string monitor_;
};

class QuietReporter : public DatabaseErrorReporter {
 public:
  void ShowDatabaseError(const EODBC&, const std::string&) override {}
};

// The keys of the two tables, as a data source would report them, on
// empty tables; each parent holds 1,000 ids.
class BenchFacts : public KeyFacts {
 public:
  std::vector<TableKey> Keys(const std::string& table) override {
    if (table == "person") return {{"person_email", {"email"}, false}};
    return {{"pair_pkey", {"a_id", "b_id"}, true}};
  }
  std::vector<std::vector<std::string>> Rows(const std::string&,
                                             const std::vector<std::string>&) override {
    return {};
  }
  int64_t RowCount(const std::string&) override { return 1000; }
  std::vector<std::string> LookupValues(const std::string&, const std::string&, bool) override {
    std::vector<std::string> ids;
    for (int i = 1; i <= 1000; ++i) ids.push_back(std::to_string(i));
    return ids;
  }
};

void SetField(TFieldStruct& field, const char* name, int32_t base, int32_t item = 0,
              const char* p1 = "", const char* p2 = "") {
  field.FieldName = name;
  field.ChoiceIndex = 1;
  field.ChoiceBase = base;
  field.Param3Index = item;
  field.Param1 = p1;
  field.Param2 = p2;
}

struct Figures {
  double seconds = 0;
  uint64_t guard_bytes = 0;
  uint64_t redraws = 0;
};

Figures RunOnce(bool pairs, bool guarded, int32_t records, const std::string& lists) {
  NullHost host;
  QuietReporter reporter;
  FixedClock clock(1, {2026, 12, 9});
  Workspace ws(clock, host, reporter);
  ws.Random.RandomSeed = 1;
  ws.SetProgramDir(lists);
  ws.SetDryRun(true);
  TTableStruct& table = ws.State().Tables[0];
  table.RecordCount = records;
  if (pairs) {
    table.TableName = "pair";
    SetField(table.Fields[0], "a_id", 207, 0, "id", "a");
    SetField(table.Fields[1], "b_id", 207, 0, "id", "b");
  } else {
    table.TableName = "person";
    SetField(table.Fields[0], "id", 206);
    SetField(table.Fields[1], "forename", 56);
    SetField(table.Fields[2], "surname", 64);
    SetField(table.Fields[3], "email", 105, 3);  // Fore + Surname + Digit
  }
  BenchFacts facts;
  KeyGuard guard(ws.State(), ws.Random, facts, true);
  if (guarded) ws.Run.Guard = &guard;
  const auto start = std::chrono::steady_clock::now();
  ws.Run.GenerateBtnClick();
  Figures f;
  f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  f.guard_bytes = guard.MemoryBytes();
  f.redraws = guard.Redraws();
  return f;
}

void Measure(const char* what, bool pairs, bool guarded, int32_t records,
             const std::string& lists) {
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    const Figures f = RunOnce(pairs, guarded, records, lists);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%-34s %10d %9.2f %12.0f %13.1f %11.1f %9llu\n", what, records, f.seconds,
                records / f.seconds, usage.ru_maxrss / 1024.0, f.guard_bytes / 1048576.0,
                static_cast<unsigned long long>(f.redraws));
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    std::printf("%s: failed (status %d)\n", what, status);
}

}  // namespace
}  // namespace kestrove

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const int32_t records = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const std::string lists =
      (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "bin").string();
  std::printf("dry runs in one process each, one core; lists from %s\n", lists.c_str());
  std::printf("%-34s %10s %9s %12s %13s %11s %9s\n", "run", "records", "seconds", "records/s",
              "peak RSS (MB)", "guard (MB)", "redraws");
  kestrove::Measure("person, e-mail free", false, false, records, lists);
  kestrove::Measure("person, e-mail unique", false, true, records, lists);
  kestrove::Measure("pairs 1000 x 1000, lookups free", true, false, 1000000, lists);
  kestrove::Measure("pairs 1000 x 1000, distinct draw", true, true, 1000000, lists);
  return 0;
}

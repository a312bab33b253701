#include "app/workspace.h"

#include <filesystem>

namespace kestrove {

Workspace::Workspace(const Clock& clock, RunMonitor& monitor, DatabaseErrorReporter& reporter)
    : state_(ProfileState::Create()),
      Values(*state_, Random, Lists, clock),
      Run(*state_, *this, monitor),
      clock_(clock),
      reporter_(reporter) {
  state_->ClearProfile();
  Values.SetDatabase(&Db.LookupTable, &reporter_);
}

void Workspace::SetProgramDir(const std::string& dir) {
  Run.ProgramDir = dir.empty() || dir.back() == '/' ? dir : dir + "/";
}

void Workspace::SetDryRun(bool dry) {
  dry_run_ = dry;
  if (dry)
    Values.SetDatabase(nullptr, nullptr);
  else
    Values.SetDatabase(&Db.LookupTable, &reporter_);
}

std::string Workspace::GenerateValue(int32_t code, const std::string& param1,
                                     const std::string& param2) {
  return Values.Generate(code, param1, param2);
}

void Workspace::AppendValue(int32_t code, const std::string& param1, const std::string& param2,
                            std::string& out) {
  Values.AppendValue(code, param1, param2, out);
}

void Workspace::ExecuteStatement(const std::string& sql) {
  if (StatementSent) StatementSent(sql);
  if (dry_run_) return;
  if (!failed_statement_.empty()) failed_statement_.clear();
  try {
    Db.ExecuteStatement(sql);
  } catch (...) {
    failed_statement_ = sql;
    throw;
  }
}

void Workspace::LoadLookupList(int list, const std::string& path) {
  if (!Lists.Load(list, path) && ListNotLoaded) ListNotLoaded(list, path);
}

int32_t Workspace::LookupRecordCount(int list) {
  return Lists.RecordCount(list);
}

void Workspace::ProcessMessages() {
  ProcessMessagesHook();
}

bool Workspace::BackslashEscapes() {
  // A dry run has no server: its statements keep the plain literal.
  return !dry_run_ && Db.Connector.BackslashEscapes();
}

void Workspace::RequireListOpen(int list) {
  // Any read of a closed list raises the list's own closed-list error.
  TdxMemData& store = Lists.List(list);
  if (!store.Active()) store.First();
}

std::string ProgramFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "./";
  return exe.parent_path().string() + "/";
}

}  // namespace kestrove

#include "tools/run_host.h"

#include <fcntl.h>

#include <filesystem>

#include "lookup/lookup_lists.h"
#include "util/text.h"

namespace kestrove::tools {

bool RefusedSeveralValueLists(const EODBC& error, int32_t records) {
  if (records < 2) return false;
  for (const TErrorRec& record : error.Records()) {
    if (record.SqlState == "42000" || record.SqlState == "42601" || record.SqlState == "37000")
      return true;
    if (Lower(record.Message).find("syntax") != std::string::npos) return true;
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
  writer_->Write(sql, end_statements_ && (sql.empty() || sql.back() != ';'));
}

void CliHost::ListNotLoaded(int list, const std::string& path) {
  const LookupListKind& kind = LookupListInfo(list);
  std::fprintf(stderr, "kestrove-run: warning: list %s (%s) not loaded from '%s': %s\n",
               kind.list_name, kind.command_name, Shown(path).c_str(), ReadProblem(path).c_str());
}

void CliHost::RunNote(const std::string& message) {
  std::fprintf(stderr, "kestrove-run: note: %s\n", Shown(message).c_str());
}

}  // namespace kestrove::tools

// Runs one of the built command-line tools and captures what it printed.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "catalogue/profile_file.h"

namespace kestrove::testing_support {

struct ToolResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

inline std::string BinDir() {
  const char* dir = std::getenv("KESTROVE_BIN_DIR");
  return dir ? dir : KESTROVE_TEST_BIN_DIR;
}

inline std::string SourceDir() {
  const char* dir = std::getenv("KESTROVE_SOURCE_DIR");
  return dir ? dir : KESTROVE_TEST_SOURCE_DIR;
}

inline std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Starts BinDir()/tool in the background with the arguments, its standard
// error to `err_path` (and ODBCINI set to `odbc_ini` when given); returns
// its process id, for the caller to signal and wait for.
inline pid_t StartTool(const std::string& tool, const std::vector<std::string>& args,
                       const std::string& err_path, const std::string& odbc_ini = "") {
  std::vector<std::string> all = {BinDir() + "/" + tool};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    if (!odbc_ini.empty()) setenv("ODBCINI", odbc_ini.c_str(), 1);
    if (!freopen(err_path.c_str(), "w", stderr)) _exit(126);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

// Runs BinDir()/tool with the arguments, standard output and error to files.
inline ToolResult RunTool(const std::string& tool, const std::vector<std::string>& args) {
  char out_name[] = "/tmp/kestrove-tool-out.XXXXXX";
  char err_name[] = "/tmp/kestrove-tool-err.XXXXXX";
  const int out_fd = mkstemp(out_name);
  const int err_fd = mkstemp(err_name);
  std::vector<std::string> all = {BinDir() + "/" + tool};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  ToolResult result;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out_fd, 1);
    dup2(err_fd, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  close(out_fd);
  close(err_fd);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = ReadWhole(out_name);
  result.err = ReadWhole(err_name);
  std::remove(out_name);
  std::remove(err_name);
  return result;
}

// The statements of a schema file: "--" comments dropped, split at ";".
inline std::vector<std::string> SchemaStatements(const std::string& path) {
  const std::string whole = ReadWhole(path);
  std::string text;
  for (size_t pos = 0, end; pos < whole.size(); pos = end + 1) {
    end = whole.find('\n', pos);
    if (end == std::string::npos) end = whole.size();
    const std::string line = whole.substr(pos, end - pos);
    if (line.rfind("--", 0) != 0) text += line + "\n";
  }
  std::vector<std::string> statements;
  for (size_t pos = 0, end; pos < text.size(); pos = end + 1) {
    end = text.find(';', pos);
    if (end == std::string::npos) end = text.size();
    const std::string statement = text.substr(pos, end - pos);
    if (statement.find_first_not_of(" \r\n\t") != std::string::npos)
      statements.push_back(statement);
  }
  return statements;
}

// One field of a one-table profile: choice code, Param1, Param2.
using FieldChoice = std::tuple<int32_t, std::string, std::string>;

// Writes a profile with one listed table whose fields f0, f1, ... are given
// their choices.
inline void WriteOneTableProfile(const std::string& path, const std::string& table,
                                 const std::vector<FieldChoice>& fields, int64_t records) {
  auto state = ProfileState::Create();
  state->ClearProfile();
  state->Tables[0].TableName = table;
  state->Tables[0].RecordCount = records;
  for (size_t i = 0; i < fields.size(); ++i) {
    auto& f = state->Tables[0].Fields[i];
    f.FieldName = "f" + std::to_string(i);
    f.ChoiceIndex = 1;
    f.ChoiceBase = std::get<0>(fields[i]);
    f.Param1 = std::get<1>(fields[i]);
    f.Param2 = std::get<2>(fields[i]);
  }
  SaveProfileFile(*state, 0, path);
}

}  // namespace kestrove::testing_support

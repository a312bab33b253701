// Dry-run throughput of kestrove-run: the 12-field person profile (plus a
// counter) written to /dev/null, for two record counts, so that both the rate
// and the peak memory can be seen not to depend on the count.
//
// Usage: bench_dry_run [PROFILE] (default: examples/person.prf of the source tree)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/profile_file.h"

namespace fs = std::filesystem;

namespace {

struct Result {
  double seconds = 0;
  long max_rss_kb = 0;
  int status = 0;
};

Result RunChild(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    freopen("/dev/null", "w", stderr);  // the runner's own summary
    execv(argv[0], argv.data());
    _exit(127);
  }
  Result r;
  rusage usage{};
  wait4(pid, &r.status, 0, &usage);
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.max_rss_kb = usage.ru_maxrss;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "bin";
  const fs::path source = fs::path(KESTROVE_SOURCE_DIR);
  const std::string profile = argc > 1 ? argv[1] : (source / "examples/person.prf").string();
  const std::string runner = (bin / "kestrove-run").string();

  auto state = kestrove::ProfileState::Create();
  const int32_t tables = kestrove::LoadProfileFile(*state, profile);
  const fs::path temp =
      fs::temp_directory_path() / ("kestrove-bench-" + std::to_string(getpid()) + ".prf");

  std::printf("kestrove-run dry run of %s to /dev/null (one process, one core)\n", profile.c_str());
  std::printf("%12s %10s %14s %14s\n", "records", "seconds", "records/s", "peak RSS (MB)");
  int failures = 0;
  for (int64_t records : {int64_t{100000}, int64_t{1000000}}) {
    state->Tables[0].RecordCount = records;
    kestrove::SaveProfileFile(*state, tables, temp.string());
    const Result r = RunChild({runner, "--profile", temp.string(), "--sql-out", "/dev/null",
                               "--seed", "1", "--today", "2026/12/09"});
    if (!WIFEXITED(r.status) || WEXITSTATUS(r.status) != 0) {
      std::printf("kestrove-run failed (status %d)\n", r.status);
      ++failures;
      continue;
    }
    std::printf("%12lld %10.2f %14.0f %14.1f\n", static_cast<long long>(records), r.seconds,
                records / r.seconds, r.max_rss_kb / 1024.0);
  }
  fs::remove(temp);
  return failures == 0 ? 0 : 1;
}

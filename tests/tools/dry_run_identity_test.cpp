// The statements of a dry run, pinned: the shop and person examples over
// several seeds must give exactly the bytes they gave when these digests were
// taken. Any change to the run, the generators or the lists that alters a
// single byte of a statement shows here.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "tool_runner.h"

namespace kestrove {
namespace {

using testing_support::RunTool;
using testing_support::SourceDir;

// FNV-1a, 64 bits: a stable digest of the whole output.
uint64_t Digest(const std::string& bytes) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 0x100000001b3ull;
  }
  return h;
}

struct Pinned {
  const char* profile;
  const char* seed;
  size_t size;
  uint64_t digest;
};

constexpr Pinned kPinned[] = {
    {"person", "1", 285349, 0xf532209f2b2e14a1ull},
    {"person", "7", 285043, 0xd906387f32f5f70bull},
    {"person", "12345", 285246, 0x424706d671def5b4ull},
    {"person", "4000000000", 284806, 0xb8f4c508147a6566ull},
    {"shop", "1", 362096, 0x8284ed3d91b45e85ull},
    {"shop", "7", 361898, 0x48114935c726d904ull},
    {"shop", "12345", 361997, 0x9837d704baff8dabull},
    {"shop", "4000000000", 361986, 0xb5ecfb3f2660a575ull},
};

TEST(DryRunIdentity, StatementsStayByteForByteTheSame) {
  for (const Pinned& p : kPinned) {
    SCOPED_TRACE(std::string(p.profile) + " seed " + p.seed);
    const auto result =
        RunTool("kestrove-run", {"--profile", SourceDir() + "/examples/" + p.profile + ".prf",
                                 "--seed", p.seed, "--today", "2026/12/09"});
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.out.size(), p.size);
    EXPECT_EQ(Digest(result.out), p.digest);
  }
}

// The statements a batched run must send, made from the one-record run's:
// each run of Inserts with the same head regrouped N value lists at a time.
std::string Regrouped(const std::string& one_record_output, size_t n) {
  std::istringstream lines(one_record_output);
  std::string line, out, head;
  std::vector<std::string> values;
  auto flush = [&] {
    for (size_t at = 0; at < values.size(); at += n) {
      out += head;
      for (size_t i = at; i < values.size() && i < at + n; ++i) {
        if (i > at) out += "),(";
        out += values[i];
      }
      out += ");\n";
    }
    values.clear();
  };
  while (std::getline(lines, line)) {
    const size_t open = line.find(" Values (");
    if (line.rfind("Insert into ", 0) != 0 || open == std::string::npos) {
      flush();
      out += line + "\n";
      continue;
    }
    const std::string this_head = line.substr(0, open + 9);
    if (this_head != head) flush();
    head = this_head;
    values.push_back(line.substr(open + 9, line.size() - open - 9 - 2));
  }
  flush();
  return out;
}

TEST(DryRunIdentity, RowsPerInsertSendsTheSameRecordsInTheSameOrder) {
  for (const char* profile : {"person", "shop"}) {
    for (const char* seed : {"1", "4000000000"}) {
      const std::vector<std::string> args = {
          "--profile", SourceDir() + "/examples/" + profile + ".prf", "--seed", seed, "--today",
          "2026/12/09"};
      const auto one = RunTool("kestrove-run", args);
      ASSERT_EQ(one.exit_code, 0) << one.err;
      for (const char* n : {"2", "7", "100"}) {
        SCOPED_TRACE(std::string(profile) + " seed " + seed + " rows per insert " + n);
        std::vector<std::string> batched_args = args;
        batched_args.insert(batched_args.end(), {"--rows-per-insert", n});
        const auto batched = RunTool("kestrove-run", batched_args);
        ASSERT_EQ(batched.exit_code, 0) << batched.err;
        EXPECT_EQ(batched.out, Regrouped(one.out, std::stoul(n)));
      }
    }
  }
}

}  // namespace
}  // namespace kestrove

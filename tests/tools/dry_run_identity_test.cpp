// The statements of a dry run, pinned: the shop and person examples over
// several seeds must give exactly the bytes they gave when these digests were
// taken. Any change to the run, the generators or the lists that alters a
// single byte of a statement shows here.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

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
    {"person", "1", 285348, 0xfb84481955d4a226ull},
    {"person", "7", 285042, 0xe33cafb141c34944ull},
    {"person", "12345", 285245, 0x78bf33ee2d6845c5ull},
    {"person", "4000000000", 284805, 0x19d718a13d9192b7ull},
    {"shop", "1", 362091, 0x57e5481242ec62d4ull},
    {"shop", "7", 361893, 0x2b4e097fa5fde983ull},
    {"shop", "12345", 361992, 0x4bcdc6877cbee8caull},
    {"shop", "4000000000", 361981, 0x25a8511fbe460090ull},
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

}  // namespace
}  // namespace kestrove

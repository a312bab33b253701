// --version: every program prints its name and the one version CMake sets,
// and does nothing else (the window opens no display for it).
#include <gtest/gtest.h>

#include <filesystem>

#include "kestrove_config.h"
#include "tool_runner.h"

namespace kestrove {
namespace {

using testing_support::BinDir;
using testing_support::RunTool;

TEST(ProgramVersion, EveryProgramPrintsItsNameAndTheProjectVersion) {
  for (const char* program : {"kestrove-run", "kestrove-lists", "kestrove-profile", "kestrove"}) {
    SCOPED_TRACE(program);
    // The window is built only with KESTROVE_BUILD_UI.
    if (!std::filesystem::exists(BinDir() + "/" + program)) continue;
    const auto r = RunTool(program, {"--version"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, std::string(program) + " (Kestrove) " KESTROVE_VERSION "\n");
    EXPECT_EQ(r.err, "");
  }
}

}  // namespace
}  // namespace kestrove

// kestrove-run: runs a profile headless, through the same generation run as
// the window. Without a data source it is a dry run that writes every
// statement, one per line, exactly as it would be sent.
#include <variant>

#include "tools/run_command.h"
#include "tools/run_host.h"

int main(int argc, char** argv) {
  using namespace kestrove::tools;
  // Before any thread exists: see StopSignals.
  StopSignals::Block();
  const Parsed<RunOptions> parsed = ParseRunCommandLine({argv + 1, argv + argc});
  if (const Stop* stop = std::get_if<Stop>(&parsed)) return Report(*stop);
  return RunProfile(std::get<RunOptions>(parsed));
}

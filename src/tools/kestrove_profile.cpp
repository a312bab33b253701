// kestrove-profile: named profiles for people who keep their set-up in git.
// It describes a data source the way the window lists it, drafts a named
// profile from its columns, and turns positional profiles into named ones
// and back.
#include <variant>

#include "tools/profile_commands.h"

int main(int argc, char** argv) {
  using namespace kestrove::tools;
  const Parsed<ProfileCommand> parsed = ParseProfileCommandLine({argv + 1, argv + argc});
  if (const Stop* stop = std::get_if<Stop>(&parsed)) return Report(*stop);
  return RunProfileCommand(std::get<ProfileCommand>(parsed));
}

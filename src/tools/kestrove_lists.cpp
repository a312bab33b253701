// kestrove-lists: reads and writes the lookup list files from the command line.
//   export LIST [--file PATH]      list file -> TSV on stdout
//   import LIST TSV [--file PATH]  TSV -> list file
//   info PATH                      what a list file holds, as the file says it
#include <variant>

#include "tools/lists_commands.h"

int main(int argc, char** argv) {
  using namespace kestrove::tools;
  const Parsed<ListsCommand> parsed = ParseListsCommandLine({argv + 1, argv + argc});
  if (const Stop* stop = std::get_if<Stop>(&parsed)) return Report(*stop);
  return RunListsCommand(std::get<ListsCommand>(parsed));
}

// kestrove-lists info: what a list file holds, as the file says it.
#include <iostream>
#include <sstream>

#include "lookup/list_file.h"
#include "tools/lists_commands.h"

namespace kestrove::tools {

CLI::App* SetupListInfo(CLI::App& app, ListInfoOptions& options) {
  CLI::App* command = app.add_subcommand("info");
  command->add_option("PATH", options.path)->required();
  return command;
}

int RunListInfo(const ListInfoOptions& options) {
  const std::string& path = options.path;
  std::string image;
  if (!ReadWholeFile(path, image)) throw UsageError("cannot read " + path);
  const ListFileInfo info = InspectListImage(image);
  std::ostringstream out;
  out << "file: " << path << " (" << image.size() << " bytes)\n";
  if (info.has_signature)
    out << "signature: Ver\nversion: " << info.version << "\n";
  else
    out << "signature: none\nversion: 0\n";
  out << "descriptors: " << info.descriptors.size();
  if (static_cast<int64_t>(info.descriptors.size()) != info.declared_count)
    out << " (the file declares " << info.declared_count << ")";
  out << "\n";
  for (const auto& d : info.descriptors)
    out << "  " << d.name << "\tdata size " << d.data_size << "\ttype " << d.type_code << "\n";
  out << "records: " << info.complete_records << "\n";
  if (info.damaged) out << "damaged: the last record is incomplete\n";
  std::cout << out.str();
  return kExitOk;
}

}  // namespace kestrove::tools

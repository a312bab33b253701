// kestrove-lists export: a list file as TSV on standard output.
#include <cstdio>

#include "app/file_places.h"
#include "lookup/list_file.h"
#include "tools/lists_commands.h"

namespace kestrove::tools {

CLI::App* SetupListExport(CLI::App& app, ExportListOptions& options) {
  CLI::App* command = app.add_subcommand("export");
  command->add_option("LIST", options.list.name)->required()->check(KnownList());
  command->add_option("--file", options.file);
  return command;
}

int RunListExport(const ExportListOptions& options) {
  const int id = options.list.id();
  const std::string path =
      options.file ? *options.file : ProgramPlaces().ReadPath(ListFileName(id));
  std::string image;
  if (!ReadWholeFile(path, image)) throw UsageError("cannot read " + path);
  auto list = NewList(id);
  ParseListImage(*list, image);
  std::string out;
  for (int f = 0; f < list->FieldCount(); ++f) {
    if (f) out += '\t';
    out += list->Field(f).name;
  }
  out += '\n';
  for (int32_t r = 0; r < list->RecordCount(); ++r) {
    for (int f = 0; f < list->FieldCount(); ++f) {
      if (f) out += '\t';
      out += Escape(list->StoredText(r, f));
    }
    out += '\n';
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? kExitOk : kExitError;
}

}  // namespace kestrove::tools

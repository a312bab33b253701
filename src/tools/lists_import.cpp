// kestrove-lists import: TSV into a list file.
#include <iostream>
#include <sstream>

#include "app/file_places.h"
#include "core/errors.h"
#include "lookup/list_file.h"
#include "tools/lists_commands.h"

namespace kestrove::tools {

namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> cells;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return cells;
}

}  // namespace

CLI::App* SetupListImport(CLI::App& app, ImportListOptions& options) {
  CLI::App* command = app.add_subcommand("import");
  command->add_option("LIST", options.list.name)->required()->check(KnownList());
  command->add_option("TSV", options.tsv)->required();
  command->add_option("--file", options.file);
  return command;
}

int RunListImport(const ImportListOptions& options) {
  const int id = options.list.id();
  const std::optional<std::string>& given = options.file;
  const std::string& tsv = options.tsv;
  const FilePlaces places = ProgramPlaces();
  const std::string path = given ? *given : places.WritePath(ListFileName(id));
  std::string text;
  if (tsv == "-") {
    std::ostringstream ss;
    ss << std::cin.rdbuf();
    text = ss.str();
  } else if (!ReadWholeFile(tsv, text)) {
    throw UsageError("cannot read " + tsv);
  }

  auto list = NewList(id);
  std::istringstream in(text);
  std::string line;
  std::vector<int> columns;  // list field of each TSV column
  bool have_header = false;
  int64_t cut = 0;
  int64_t line_no = 0;
  while (std::getline(in, line)) {
    ++line_no;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Export writes an empty entry of a one-field list as an empty line, so
    // under a header of one column such a line is a record.
    if (line.empty() && !(have_header && columns.size() == 1)) continue;
    const std::vector<std::string> cells = SplitTabs(line);
    if (!have_header) {
      for (const std::string& name : cells) {
        const int field = list->FieldIndex(name);
        if (field < 0)
          throw UsageError(tsv + ": column '" + name + "' is not a field of " + list->Name());
        for (int c : columns)
          if (c == field) throw UsageError(tsv + ": column '" + name + "' appears twice");
        columns.push_back(field);
      }
      have_header = true;
      continue;
    }
    if (cells.size() > columns.size())
      throw UsageError(tsv + ":" + std::to_string(line_no) + ": more columns than the header");
    list->Append();
    for (size_t c = 0; c < cells.size(); ++c) {
      const std::string value = Unescape(cells[c]);
      const int field = columns[c];
      if (value.size() > static_cast<size_t>(list->Field(field).width)) ++cut;
      list->SetFieldText(field, value);
    }
    list->Post();
  }
  if (!have_header) throw UsageError(tsv + ": no header row");
  if (cut > 0)
    std::cerr << "kestrove-lists: " << cut << " value" << (cut == 1 ? "" : "s")
              << " cut to the field width\n";
  try {
    // Installed, the user's data folder may not exist yet.
    if (!given) places.MakeWriteFolder();
    SaveListFile(*list, path);
  } catch (const EInOutError& e) {
    std::cerr << "kestrove-lists: " << e.what() << "\n";
    return kExitError;
  }
  return kExitOk;
}

}  // namespace kestrove::tools

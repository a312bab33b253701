// kestrove-lists: reads and writes the lookup list files from the command line.
//   export LIST [--file PATH]      list file -> TSV on stdout
//   import LIST TSV [--file PATH]  TSV -> list file
//   info PATH                      what a list file holds, as the file says it

#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/file_places.h"
#include "core/errors.h"
#include "kestrove_config.h"
#include "lookup/list_file.h"
#include "lookup/lookup_lists.h"
#include "lookup/mem_data.h"

namespace {

using kestrove::TdxMemData;

constexpr int kExitOk = 0;
constexpr int kExitWriteFailed = 1;
constexpr int kExitUsage = 2;

const char* const kHelp =
    "Usage: kestrove-lists COMMAND ...\n"
    "\n"
    "Reads and writes Kestrove's lookup list files.\n"
    "\n"
    "Commands:\n"
    "  export LIST [--file PATH]\n"
    "      Writes the list as TSV to standard output: a header row of the list's\n"
    "      field names, then one row per record, as the list holds it after\n"
    "      loading the file. The default file is the one the programs read the\n"
    "      list from (see Files).\n"
    "  import LIST TSV [--file PATH]\n"
    "      Reads TSV (a path, or - for standard input) whose header row names\n"
    "      fields of the list, in any order and in any letter case, and writes\n"
    "      the list file (default: where the programs save the list, see Files,\n"
    "      so that the window and the next run draw from it). Fields the header\n"
    "      leaves out stay empty. Values longer than their field are cut to its\n"
    "      width; standard error says how many were cut. Empty lines are skipped,\n"
    "      except under a header of one column, where an empty line is an empty\n"
    "      entry (as export writes one).\n"
    "  info PATH\n"
    "      Prints the signature and version, each field descriptor (name, data\n"
    "      size, type code) and the number of complete records of a list file.\n"
    "\n"
    "Options:\n"
    "  --help     show this text\n"
    "  --version  show the program's name and version\n"
    "\n"
    "Lists (name: file, fields with widths):\n"
    "  surnames:          srndata.bin   Surname 16\n"
    "  male-forenames:    frmdata.bin   Forename 16\n"
    "  female-forenames:  frfdata.bin   Forename 16\n"
    "  towns:             twndata.bin   Town 24, County 24, PostCode 2\n"
    "  streets:           strdata.bin   StreetName 16\n"
    "  companies:         cmpdata.bin   Company 36\n"
    "  user1 .. user6:    usr1data.bin .. usr6data.bin   Data 24\n"
    "\n"
    "TSV: fields are separated by tabs and rows end with a line feed (a carriage\n"
    "return before it is dropped). A tab, line feed, carriage return or backslash\n"
    "inside a value is written as \\t, \\n, \\r or \\\\, and read back the same way.\n"
    "\n"
    "Exit codes: 0 done; 2 usage error, unknown list, unreadable file or a TSV\n"
    "column the list lacks (nothing is written); 1 the list file could not be\n"
    "written.\n"
    "\n"
    "Files:\n"
    "  Run from its build folder, the programs keep the list files beside\n"
    "  themselves: export reads and import writes them there. Installed (a\n"
    "  share/kestrove folder beside the bin folder), export reads a list from\n"
    "  $XDG_DATA_HOME/kestrove (by default ~/.local/share/kestrove) when its file\n"
    "  is there, and otherwise the shipped one from share/kestrove\n"
    "  (/usr/share/kestrove for /usr/bin/kestrove-lists); import writes to\n"
    "  $XDG_DATA_HOME/kestrove, which the window and kestrove-run read first.\n"
    "\n"
    "Environment:\n"
    "  XDG_DATA_HOME  the user's data folder, installed (default ~/.local/share)\n"
    "\n"
    "Examples:\n"
    "  kestrove-lists export surnames > surnames.tsv\n"
    "  kestrove-lists import surnames surnames.tsv\n"
    "  kestrove-lists info ~/.local/share/kestrove/srndata.bin\n";

struct UsageError {
  std::string message;
};

const char* ListFileName(int id) {
  return kestrove::kLookupFileNames[static_cast<size_t>(id)];
}

int ListId(const std::string& name) {
  const int id = kestrove::LookupListByCommandName(name);
  if (id < 0)
    throw UsageError{"unknown list '" + name +
                     "' (one of surnames, male-forenames, female-forenames, towns, streets, "
                     "companies, user1 .. user6)"};
  return id;
}

std::unique_ptr<TdxMemData> NewList(int id) {
  const kestrove::LookupListKind& kind = kestrove::LookupListInfo(id);
  // Always open: the tool reads and writes files, it has no program start.
  auto list = std::make_unique<TdxMemData>(kind.list_name, kind.fields, true);
  list->SetSortOptions(kind.sort_options);
  return list;
}

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char n = text[++i];
      switch (n) {
        case 't':
          out += '\t';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case '\\':
          out += '\\';
          break;
        default:
          out += '\\';
          out += n;
      }
    } else {
      out += text[i];
    }
  }
  return out;
}

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

// Parses the options after the positional arguments: only --file PATH.
std::optional<std::string> FileOption(const std::vector<std::string>& args, size_t first) {
  std::optional<std::string> path;
  for (size_t i = first; i < args.size(); ++i) {
    if (args[i] == "--file" && i + 1 < args.size()) {
      path = args[++i];
    } else if (args[i].rfind("--file=", 0) == 0) {
      path = args[i].substr(7);
    } else {
      throw UsageError{"unexpected argument '" + args[i] + "'"};
    }
  }
  return path;
}

int Export(const std::vector<std::string>& args) {
  if (args.size() < 2) throw UsageError{"export needs a LIST"};
  const int id = ListId(args[1]);
  const std::optional<std::string> given = FileOption(args, 2);
  const std::string path = given ? *given : kestrove::ProgramPlaces().ReadPath(ListFileName(id));
  std::string image;
  if (!kestrove::ReadWholeFile(path, image)) throw UsageError{"cannot read " + path};
  auto list = NewList(id);
  kestrove::ParseListImage(*list, image);
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
  return std::fflush(stdout) == 0 ? kExitOk : kExitWriteFailed;
}

int Import(const std::vector<std::string>& args) {
  if (args.size() < 3) throw UsageError{"import needs a LIST and a TSV file"};
  const int id = ListId(args[1]);
  const std::optional<std::string> given = FileOption(args, 3);
  const kestrove::FilePlaces places = kestrove::ProgramPlaces();
  const std::string path = given ? *given : places.WritePath(ListFileName(id));
  std::string text;
  if (args[2] == "-") {
    std::ostringstream ss;
    ss << std::cin.rdbuf();
    text = ss.str();
  } else if (!kestrove::ReadWholeFile(args[2], text)) {
    throw UsageError{"cannot read " + args[2]};
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
          throw UsageError{args[2] + ": column '" + name + "' is not a field of " + list->Name()};
        for (int c : columns)
          if (c == field) throw UsageError{args[2] + ": column '" + name + "' appears twice"};
        columns.push_back(field);
      }
      have_header = true;
      continue;
    }
    if (cells.size() > columns.size())
      throw UsageError{args[2] + ":" + std::to_string(line_no) + ": more columns than the header"};
    list->Append();
    for (size_t c = 0; c < cells.size(); ++c) {
      const std::string value = Unescape(cells[c]);
      const int field = columns[c];
      if (value.size() > static_cast<size_t>(list->Field(field).width)) ++cut;
      list->SetFieldText(field, value);
    }
    list->Post();
  }
  if (!have_header) throw UsageError{args[2] + ": no header row"};
  if (cut > 0)
    std::cerr << "kestrove-lists: " << cut << " value" << (cut == 1 ? "" : "s")
              << " cut to the field width\n";
  try {
    // Installed, the user's data folder may not exist yet.
    if (!given) places.MakeWriteFolder();
    kestrove::SaveListFile(*list, path);
  } catch (const kestrove::EInOutError& e) {
    std::cerr << "kestrove-lists: " << e.what() << "\n";
    return kExitWriteFailed;
  }
  return kExitOk;
}

int Info(const std::vector<std::string>& args) {
  if (args.size() != 2) throw UsageError{"info needs exactly one PATH"};
  std::string image;
  if (!kestrove::ReadWholeFile(args[1], image)) throw UsageError{"cannot read " + args[1]};
  const kestrove::ListFileInfo info = kestrove::InspectListImage(image);
  std::ostringstream out;
  out << "file: " << args[1] << " (" << image.size() << " bytes)\n";
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

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::cout << kHelp;
      return kExitOk;
    }
    if (a == "--version") {
      std::cout << kestrove::VersionText("kestrove-lists");
      return kExitOk;
    }
  }
  try {
    if (args.empty()) throw UsageError{"no command given"};
    if (args[0] == "export") return Export(args);
    if (args[0] == "import") return Import(args);
    if (args[0] == "info") return Info(args);
    throw UsageError{"unknown command '" + args[0] + "'"};
  } catch (const UsageError& e) {
    std::cerr << "kestrove-lists: " << e.message << "\n"
              << "Try 'kestrove-lists --help'.\n";
    return kExitUsage;
  } catch (const std::exception& e) {
    std::cerr << "kestrove-lists: " << kestrove::DisplayMessage(e.what()) << "\n";
    return kExitWriteFailed;
  }
}

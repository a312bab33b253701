#include "catalogue/profile_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string_view>
#include <vector>

#include "core/errors.h"
#include "util/file.h"

namespace kestrove {

namespace {

void CheckLine(const std::string& text, const char* what, int table, int field) {
  if (text.find_first_of("\r\n") == std::string::npos) return;
  std::string where = "table slot " + std::to_string(table);
  if (field >= 0) where += ", field slot " + std::to_string(field);
  throw EProfileError(std::string(what) + " of " + where +
                      " holds a line break, which a profile file cannot keep");
}

void PutLine(std::string& out, std::string_view text) {
  out += text;
  out += "\r\n";
}

void PutInt(std::string& out, int64_t value) {
  PutLine(out, std::to_string(value));
}

// Reads lines one after another; past the end every line is empty.
// Each line read is numbered into `number` (from 1), so that the caller can
// say where a load failed.
class LineReader {
 public:
  LineReader(const std::string& image, int64_t& number) : image_(image), number_(number) {
    number_ = 0;
  }

  std::string Next() {
    ++number_;
    if (pos_ >= image_.size()) return {};
    size_t end = image_.find('\n', pos_);
    if (end == std::string::npos) end = image_.size();
    std::string line = image_.substr(pos_, end - pos_);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pos_ = end + 1;
    // The driver takes a statement as ending at its first NUL byte, so a
    // name or parameter holding one would send a statement cut short.
    if (line.find('\0') != std::string::npos)
      throw EProfileError("Line " + std::to_string(number_) +
                          " of the profile file holds a NUL byte, which no statement can carry");
    return line;
  }

  int32_t NextInt() { return StrToInt(Next()); }

 private:
  const std::string& image_;
  int64_t& number_;
  size_t pos_ = 0;
};

}  // namespace

std::string ProfileFileImage(const ProfileState& state, int32_t table_count) {
  if (table_count < 0 || table_count >= kMaxTables) {
    throw EProfileError("Cannot save a profile for " + std::to_string(table_count) +
                        " tables: a profile holds at most " + std::to_string(kMaxTables - 1) +
                        " listed tables");
  }
  std::string out;
  out.reserve(static_cast<size_t>(table_count + 1) * kTableBlockLines * 4);
  PutInt(out, table_count);
  for (int t = 0; t <= table_count; ++t) {
    const TTableStruct& table = state.Tables[t];
    CheckLine(table.TableName, "The table name", t, -1);
    PutLine(out, table.TableName);
    PutInt(out, table.RecordCount);
    PutLine(out, table.DeleteExisting == 1 ? "true" : "false");
    for (int f = 0; f < kMaxFields; ++f) {
      const TFieldStruct& field = table.Fields[f];
      CheckLine(field.FieldName, "The field name", t, f);
      CheckLine(field.Param1, "Param1", t, f);
      CheckLine(field.Param2, "Param2", t, f);
      PutLine(out, field.FieldName);
      PutInt(out, field.ChoiceIndex);
      PutLine(out, field.Param1);
      PutLine(out, field.Param2);
      PutInt(out, field.Param3Index);
      PutInt(out, field.ChoiceBase);
      PutInt(out, field.ChoiceCode);
    }
  }
  return out;
}

void SaveProfileFile(const ProfileState& state, int32_t table_count, const std::string& path) {
  const std::string image = ProfileFileImage(state, table_count);
  // A failed write never leaves the user with half a profile in place of
  // the old one.
  try {
    WriteFileAtomically(path, image);
  } catch (const AtomicWriteError& e) {
    throw EInOutError(e.what());
  }
}

int32_t LoadProfileFile(ProfileState& state, const std::string& path, int64_t* line) {
  if (line) *line = 0;
  return LoadProfileImage(state, ReadProfileFile(path), line);
}

std::string ReadProfileFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EInOutError("Cannot open file " + path + ": " + std::strerror(errno));
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) throw EInOutError("Cannot read file " + path);
  return buffer.str();
}

int32_t LoadProfileImage(ProfileState& state, const std::string& image, int64_t* line) {
  int64_t number = 0;
  LineReader lines(image, line ? *line : number);
  int32_t n = 0;
  try {
    n = StrToInt(lines.Next());
  } catch (const KestroveError&) {
    // Not a profile count at all: the load has begun, so the profile is
    // left cleared, as after any other line that fails.
    state.ClearProfile();
    throw;
  }
  if (n >= kMaxTables) {
    throw EProfileError("The profile file lists " + std::to_string(n) +
                        " tables; a profile holds at most " + std::to_string(kMaxTables - 1));
  }
  state.ClearProfile();
  for (int t = 0; t <= n; ++t) {
    TTableStruct& table = state.Tables[t];
    table.TableName = lines.Next();
    table.RecordCount = lines.NextInt();
    table.DeleteExisting = lines.Next() == "true" ? 1 : 0;
    for (auto& field : table.Fields) {
      field.FieldName = lines.Next();
      field.ChoiceIndex = lines.NextInt();
      field.Param1 = lines.Next();
      field.Param2 = lines.Next();
      field.Param3Index = lines.NextInt();
      field.ChoiceBase = lines.NextInt();
      field.ChoiceCode = lines.NextInt();
    }
  }
  return n;
}

}  // namespace kestrove

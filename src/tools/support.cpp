#include "tools/support.h"

#include <cstdio>
#include <sstream>

#include "core/errors.h"
#include "db/error_text.h"
#include "kestrove_config.h"
#include "util/file.h"

namespace kestrove::tools {

int Report(const Stop& stop) {
  std::fputs(stop.out.c_str(), stdout);
  std::fputs(stop.err.c_str(), stderr);
  return stop.exit_code;
}

Stop UsageStop(const std::string& tool, const std::string& message, const std::string& command) {
  return {kExitUsage, "",
          tool + ": " + Shown(message) + "\nTry '" + tool + " " + command + "--help'.\n"};
}

std::optional<Stop> HelpOrVersion(const CLI::App& app, const CLI::ParseError& error) {
  if (error.get_exit_code() != 0) return std::nullopt;
  std::ostringstream out, err;
  // exit() is const in spirit: it only prints the help or the version.
  const int code = const_cast<CLI::App&>(app).exit(error, out, err);
  return Stop{code, out.str(), err.str()};
}

std::string VersionLine(const std::string& tool) {
  std::string version = VersionText(tool.c_str());
  if (!version.empty() && version.back() == '\n') version.pop_back();
  return version;
}

CLI::Validator WithMessage(CLI::Validator check,
                           std::function<std::string(const std::string&)> message) {
  return CLI::Validator(
      [check, message](std::string& text) {
        const std::string given = text;
        return check(text).empty() ? std::string() : message(given);
      },
      "");
}

std::string ValidationMessage(const CLI::ParseError& error) {
  const std::string what = error.what();
  const size_t colon = what.find(": ");
  return colon == std::string::npos ? what : what.substr(colon + 2);
}

namespace {

bool IsWordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// A conversion error quotes the whole line it could not read, which may be
// a megabyte. A quote opens where no letter or digit stands before it and
// closes where none follows it, so an apostrophe inside a quoted word stays
// part of it.
std::string CutQuoted(const std::string& message) {
  constexpr size_t kMaxQuoted = 80;
  std::string out;
  const size_t n = message.size();
  for (size_t i = 0; i < n; ++i) {
    const char q = message[i];
    if ((q == '\'' || q == '"') && (i == 0 || !IsWordChar(message[i - 1]))) {
      size_t close = i + 1;
      while (close < n &&
             !(message[close] == q && (close + 1 == n || !IsWordChar(message[close + 1]))))
        ++close;
      if (close < n) {
        const size_t length = close - i - 1;
        out += q;
        out.append(message, i + 1, std::min(length, kMaxQuoted));
        if (length > kMaxQuoted) out += "...";
        out += q;
        i = close;
        continue;
      }
    }
    out += q;
  }
  return out;
}

}  // namespace

// Line breaks stay, since a driver's message may run over several lines
// (PostgreSQL's do).
std::string Shown(const std::string& message) {
  std::string text = CutQuoted(message);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += (c == '\n' || (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f)) ? c : '?';
  }
  return out;
}

int32_t LoadPositionalProfile(ProfileState& state, const std::string& path, bool hint_named) {
  int64_t line = 0;
  try {
    return LoadProfileFile(state, path, &line);
  } catch (const EConvertError& e) {
    // A line that should hold a number: say which. A named profile under
    // another name fails on its first line.
    const bool looks_named =
        hint_named && line == 1 && ReadProfileFile(path).find("[[table]]") != std::string::npos;
    throw UsageError(
        path + " line " + std::to_string(line) + ": " + DisplayMessage(e.what()) +
        (looks_named ? " A named profile is read as one only when its file name ends in \".toml\"."
                     : ""));
  } catch (const KestroveError& e) {
    throw UsageError("cannot load profile '" + path + "': " + DisplayMessage(e.what()));
  }
}

NamedProfile ReadNamedProfileOrFail(const std::string& path, const std::string& verb) {
  try {
    return ReadNamedProfileFile(path);
  } catch (const ENamedProfileError& e) {
    throw UsageError(e.what());
  } catch (const KestroveError& e) {
    throw UsageError("cannot " + verb + " '" + path + "': " + DisplayMessage(e.what()));
  }
}

void PrintConnectFailure(const EODBC& error) {
  std::fprintf(
      stderr, "%s\n",
      Shown(FormatDatabaseError(error, "Communication Failure. Please select another Data Source."))
          .c_str());
}

void Connect(Database& db, const std::string& dsn) {
  db.Connector.DataSource = dsn;
  try {
    db.Connector.Connect();
  } catch (const EODBC& error) {
    PrintConnectFailure(error);
    throw DatabaseFailed{};
  }
}

void WriteOut(const std::optional<std::string>& path, const std::string& text) {
  if (!path || *path == "-") {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return;
  }
  try {
    WriteFileAtomically(*path, text);
  } catch (const AtomicWriteError& e) {
    throw UsageError(e.what());
  }
}

}  // namespace kestrove::tools

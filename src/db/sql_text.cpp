// SQL texts and value texts of the database layer.
#include "db/sql_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/errors.h"
#include "util/text.h"

namespace kestrove {

namespace {

bool IsParameterNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '@';
}

}  // namespace

std::string ConvertSqlParameters(const std::string& text, std::vector<std::string>* parameters) {
  // A text without a colon has nothing to convert: most statements.
  if (text.find(':') == std::string::npos) return text;
  std::string out;
  out.reserve(text.size());
  bool literal = false;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = text[i];
    if (c == '\'') {
      // A doubled quote is an escaped quote: copied, state unchanged.
      if (i + 1 < n && text[i + 1] == '\'') {
        out += "''";
        ++i;
      } else {
        out += c;
        literal = !literal;
      }
      continue;
    }
    if (c == ':' && !literal) {
      size_t j = i + 1;
      while (j < n && IsParameterNameChar(text[j])) ++j;
      if (j == i + 1) throw EDatabaseError("Invalid parameter token in SQL statement.");
      if (parameters) parameters->push_back(text.substr(i + 1, j - i - 1));
      out += '?';
      i = j - 1;
      continue;
    }
    out += c;
  }
  return out;
}

std::string SelectText(const std::string& table, char quote) {
  const std::string upper = Upper(table);
  const bool keep = upper.find(" AS ") != std::string::npos ||
                    upper.find("{FN ") != std::string::npos || table.find('"') != std::string::npos;
  const bool needs_quotes =
      table.find(' ') != std::string::npos || table.find('$') != std::string::npos;
  if (needs_quotes && !keep) return "SELECT * FROM " + (quote + table + quote);
  return "SELECT * FROM " + table;
}

std::string CountText(const std::string& select_text) {
  std::string text;
  text.reserve(select_text.size());
  for (size_t i = 0; i < select_text.size(); ++i) {
    if (select_text[i] == '\r' && i + 1 < select_text.size() && select_text[i + 1] == '\n') {
      text += ' ';
      ++i;
    } else {
      text += select_text[i];
    }
  }
  std::string copy = Upper(text);
  for (char& c : copy)
    if (c == ',' || c == '(' || c == ')') c = ' ';
  if (copy.find(" FROM ") == std::string::npos || copy.find(" DISTINCT ") != std::string::npos ||
      copy.find(" HAVING ") != std::string::npos || copy.find(" UNION ") != std::string::npos)
    return {};
  for (const char* cut : {" GROUP ", " ORDER "}) {
    const size_t at = copy.find(cut);
    if (at != std::string::npos) {
      copy.resize(at);
      text.resize(at);
    }
  }
  const size_t from = copy.find(" FROM ");
  if (from == std::string::npos) return {};
  return "SELECT Count(*)" + text.substr(from);
}

std::string ObjectTypeText(bool tables, bool views, bool system_tables) {
  std::string text;
  if (tables) text = "'TABLE'";
  if (views) {
    if (!text.empty()) text += ", ";
    text += "'VIEW'";
  }
  if (system_tables) {
    if (!text.empty()) text += ", ";
    text += "'SYSTEM TABLE'";
  }
  return text;
}

std::string FormatFloat(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  // Fifteen significant digits decide the exponent. to_chars keeps "." as the
  // mark whatever locale the process runs under.
  char buffer[64];
  auto scientific =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
  const std::string sci(buffer, scientific.ptr);
  const size_t e = sci.find('e');
  const int exponent = std::atoi(sci.c_str() + e + 1);
  auto trim = [](std::string text) {
    if (text.find('.') != std::string::npos) {
      while (text.back() == '0') text.pop_back();
      if (text.back() == '.') text.pop_back();
    }
    return text;
  };
  if (std::fabs(value) >= 0.00001 && exponent < 15) {
    auto fixed = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                               std::max(0, 14 - exponent));
    return trim(std::string(buffer, fixed.ptr));
  }
  return trim(sci.substr(0, e)) + "E" + std::to_string(exponent);
}

std::string FormatDate(int year, unsigned month, unsigned day) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d/%02u/%02u", year, month, day);
  return buffer;
}

std::string FormatTime(unsigned hour, unsigned minute, unsigned second) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02u:%02u:%02u", hour, minute, second);
  return buffer;
}

std::string FormatDateTime(int year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                           unsigned second, uint32_t fraction) {
  std::string text = FormatDate(year, month, day);
  if (hour || minute || second || fraction) text += " " + FormatTime(hour, minute, second);
  return text;
}

}  // namespace kestrove

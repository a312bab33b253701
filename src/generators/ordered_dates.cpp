#include "generators/ordered_dates.h"

#include <cstring>

#include "generators/dates.h"

namespace kestrove {

namespace {

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Date styles of Random DateTime codes 801 to 810.
constexpr int kDateTimeStyles[10] = {1, 3, 4, 5, 6, 7, 8, 9, 10, 11};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Exactly `count` digits at `pos`; -1 when they are not there.
int Digits(std::string_view text, size_t& pos, size_t count) {
  int value = 0;
  for (size_t i = 0; i < count; ++i, ++pos) {
    if (pos >= text.size() || !IsDigit(text[pos])) return -1;
    value = value * 10 + (text[pos] - '0');
  }
  return value;
}

void AppendTwo(std::string& out, int32_t value) {
  out += static_cast<char>('0' + value / 10 % 10);
  out += static_cast<char>('0' + value % 10);
}

}  // namespace

DateForm DateFormOfCode(int32_t code) {
  if (code >= 16 && code <= 42) return {code - 15, false, false};
  if (code >= 601 && code <= 611) return {code - 600, true, false};
  if (code >= 801 && code <= 810) return {kDateTimeStyles[code - 801], true, true};
  return {};
}

std::optional<DatedValue> ReadDatedValue(const DateForm& form, std::string_view text,
                                         int32_t first_year) {
  const char* format = DateStyleFormat(form.style);
  if (!format) return std::nullopt;
  if (form.quoted) {
    if (text.size() < 2 || text.front() != '\'' || text.back() != '\'') return std::nullopt;
    text = text.substr(1, text.size() - 2);
  }
  int year = -1, month = -1, day = -1;
  bool short_year = false;
  size_t pos = 0;
  for (const char* f = format; *f;) {
    const char c = *f;
    size_t run = 1;
    if (c == 'y' || c == 'm' || c == 'd')
      while (f[run] == c) ++run;
    if (c == 'y' && run < 4) {
      year = Digits(text, pos, 2);
      short_year = true;
    } else if (c == 'y') {
      // Years outside 1000 to 9999 are written with as many digits as they need.
      const size_t start = pos;
      while (pos < text.size() && IsDigit(text[pos])) ++pos;
      year = pos - start >= 4 ? std::stoi(std::string(text.substr(start, pos - start))) : -1;
    } else if (c == 'm' && run < 3) {
      month = Digits(text, pos, 2);
    } else if (c == 'm') {
      // A long month name begins with the short one.
      for (int m = 0; m < 12 && month < 0; ++m)
        if (text.substr(pos, 3) == kMonths[m]) month = m + 1;
      while (pos < text.size() && IsLetter(text[pos])) ++pos;
    } else if (c == 'd' && run < 3) {
      day = Digits(text, pos, 2);
    } else if (c == 'd') {
      // The day of the week follows from the date.
      const size_t start = pos;
      while (pos < text.size() && IsLetter(text[pos])) ++pos;
      if (pos == start) return std::nullopt;
    } else if (pos >= text.size() || text[pos++] != c) {
      return std::nullopt;
    }
    if ((c == 'y' && year < 0) || (c == 'm' && month < 0) || (c == 'd' && run < 3 && day < 0))
      return std::nullopt;
    f += run;
  }
  if (short_year) year = first_year + ((year - first_year) % 100 + 100) % 100;
  const CivilDate date{year, month, day};
  if (month < 1 || month > 12 || day < 1 || CivilFromDays(DaysFromCivil(date)) != date)
    return std::nullopt;
  DatedValue value{date, -1};
  if (form.timed) {
    if (pos >= text.size() || text[pos++] != ' ') return std::nullopt;
    const int h = Digits(text, pos, 2);
    const bool colon1 = pos < text.size() && text[pos++] == ':';
    const int m = Digits(text, pos, 2);
    const bool colon2 = pos < text.size() && text[pos++] == ':';
    const int s = Digits(text, pos, 2);
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59 || !colon1 || !colon2)
      return std::nullopt;
    value.seconds = (h * 60 + m) * 60 + s;
  }
  if (pos != text.size()) return std::nullopt;
  return value;
}

void AppendDatedValue(const DateForm& form, const DatedValue& value, std::string& out) {
  if (form.quoted) out += '\'';
  AppendDateStyle(form.style, value.date, out);
  if (form.timed) {
    const int32_t seconds = value.seconds < 0 ? 0 : value.seconds;
    out += ' ';
    AppendTwo(out, seconds / 3600);
    out += ':';
    AppendTwo(out, seconds / 60 % 60);
    out += ':';
    AppendTwo(out, seconds % 60);
  }
  if (form.quoted) out += '\'';
}

}  // namespace kestrove

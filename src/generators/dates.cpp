#include "generators/dates.h"

#include <cstring>

#include "core/errors.h"

namespace kestrove {

namespace {

const char* const kShortDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kShortMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonths[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

// The format of each date style; the table is indexed by style - 1.
// "00" to "99", two characters each.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

const char* const kStyleFormats[27] = {
    "yyyy/mm/dd",
    "yyyy/mm/dd",
    "dd/mm/yy",
    "mm/dd/yy",
    "dd/mm/yyyy",
    "mm/dd/yyyy",
    "dd-mm-yy",
    "mm-dd-yy",
    "dd-mm-yyyy",
    "mm-dd-yyyy",
    "yyyy-mm-dd",
    "dd-mmm-yyyy",
    "mmm-dd-yyyy",
    "dd-mmmm-yyyy",
    "mmmm-dd-yyyy",
    "ddd, dd-mmm-yyyy",
    "dddd, dd-mmm-yyyy",
    "ddd, mmm dd, yyyy",
    "ddd, dd mmm, yyyy",
    "dddd, dd mmm, yyyy",
    "dddd, dd mmm, yyyy",
    "ddd, dd-mmmm-yyyy",
    "dddd, dd-mmmm-yyyy",
    "ddd, mmmm dd, yyyy",
    "dddd, dd mmmm, yyyy",
    "dddd, mmmm dd, yyyy",
    "dddd, dd mmmm, yyyy",
};

void AppendTwo(std::string& out, int value) {
  out += static_cast<char>('0' + (value / 10) % 10);
  out += static_cast<char>('0' + value % 10);
}

void AppendYear(std::string& out, int year) {
  if (year >= 1000 && year <= 9999) {
    AppendTwo(out, year / 100);
    AppendTwo(out, year % 100);
    return;
  }
  std::string digits = std::to_string(year < 0 ? -year : year);
  if (year < 0) out += '-';
  for (size_t i = digits.size(); i < 4; ++i) out += '0';
  out += digits;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
  return kDays[month - 1];
}

// Reads a run of 1..max_digits digits at pos; -1 when there is none or it is too long.
int ReadNumber(const std::string& text, size_t& pos, size_t max_digits, size_t& digits) {
  int value = 0;
  digits = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    if (++digits > max_digits) return -1;
    value = value * 10 + (text[pos] - '0');
    ++pos;
  }
  return digits == 0 ? -1 : value;
}

}  // namespace

int64_t DaysFromCivil(const CivilDate& date) {
  int64_t y = date.year;
  const int64_t m = date.month;
  const int64_t d = date.day;
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(int64_t z) {
  z += 719468;
  if (z >= 0 && z < (int64_t{1} << 29)) {
    // Every date from 0000/03/01 for over a million years, in 32-bit
    // unsigned steps without a true division: the day count is moved on by
    // 82 eras of 400 years (so that it starts at a century's March) and the
    // century, the year within it and the day of the year fall out of
    // multiplications (Neri and Schneider's Euclidean affine functions).
    constexpr uint32_t kEras = 82;
    const uint32_t n = static_cast<uint32_t>(z) + 146097 * kEras;
    const uint32_t n1 = 4 * n + 3;
    const uint32_t century = n1 / 146097;
    const uint32_t n2 = (n1 % 146097) | 3;
    const uint64_t p2 = uint64_t{2939745} * n2;
    const uint32_t year_of_century = static_cast<uint32_t>(p2 >> 32);
    const uint32_t day_of_year = static_cast<uint32_t>(p2) / 2939745 / 4;
    const uint32_t n3 = 2141 * day_of_year + 197913;
    const uint32_t month = n3 >> 16;
    const uint32_t day = (n3 & 0xFFFF) / 2141 + 1;
    // The year counted from March: January and February end it.
    const uint32_t next = day_of_year >= 306;
    const int32_t year = static_cast<int32_t>(100 * century + year_of_century + next) -
                         static_cast<int32_t>(400 * kEras);
    return {year, static_cast<int32_t>(next ? month - 12 : month), static_cast<int32_t>(day)};
  }
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = yoe + era * 400;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp + (mp < 10 ? 3 : -9);
  return {static_cast<int32_t>(y + (m <= 2)), static_cast<int32_t>(m), static_cast<int32_t>(d)};
}

CivilDate ReadDate(const std::string& text) {
  size_t begin = text.find_first_not_of(' ');
  size_t end = text.find_last_not_of(' ');
  if (begin == std::string::npos) throw InvalidDate(text);
  const std::string t = text.substr(begin, end - begin + 1);
  size_t pos = 0, digits = 0;
  const int year = ReadNumber(t, pos, 4, digits);
  // Two-digit years are refused rather than guessed at.
  if (year < 0 || digits < 3 || pos >= t.size() || t[pos] != '/') throw InvalidDate(text);
  ++pos;
  const int month = ReadNumber(t, pos, 2, digits);
  if (month < 1 || month > 12 || pos >= t.size() || t[pos] != '/') throw InvalidDate(text);
  ++pos;
  const int day = ReadNumber(t, pos, 2, digits);
  if (day < 1 || pos != t.size() || year < 1 || day > DaysInMonth(year, month))
    throw InvalidDate(text);
  return {year, month, day};
}

const char* DateStyleFormat(int style) {
  return style >= 1 && style <= 27 ? kStyleFormats[style - 1] : nullptr;
}

std::string FormatYmd(const CivilDate& date) {
  return FormatDateStyle(1, date);
}

std::string FormatDateStyle(int style, const CivilDate& date) {
  std::string out;
  AppendDateStyle(style, date, out);
  return out;
}

template <class Out>
void AppendDateStyle(int style, const CivilDate& date, Out& out_text) {
  if (style < 1 || style > 27) return;
  if (style <= 2 && date.year >= 1000 && date.year <= 9999 && date.month >= 1 &&
      date.month <= 12 && date.day >= 1 && date.day <= 31) {
    // yyyy/mm/dd, the style dates of birth and typed dates use.
    const uint32_t year = static_cast<uint32_t>(date.year);
    char ymd[10];
    std::memcpy(ymd, kDigitPairs + 2 * (year / 100), 2);
    std::memcpy(ymd + 2, kDigitPairs + 2 * (year % 100), 2);
    ymd[4] = '/';
    std::memcpy(ymd + 5, kDigitPairs + 2 * static_cast<uint32_t>(date.month), 2);
    ymd[7] = '/';
    std::memcpy(ymd + 8, kDigitPairs + 2 * static_cast<uint32_t>(date.day), 2);
    out_text.append(ymd, sizeof ymd);
    return;
  }
  const char* f = kStyleFormats[style - 1];
  // The longest style, a long day and month name with a year, fits easily.
  char out[64];
  size_t n = 0;
  auto two = [&](int value) {
    out[n++] = static_cast<char>('0' + (value / 10) % 10);
    out[n++] = static_cast<char>('0' + value % 10);
  };
  auto text = [&](const char* word) {
    while (*word) out[n++] = *word++;
  };
  // Day of week, for the styles that name it: 1970-01-01 was a Thursday.
  auto weekday = [&] { return static_cast<int>(((DaysFromCivil(date) % 7) + 7 + 4) % 7); };
  while (*f) {
    int run = 0;
    const char c = *f;
    if (c == 'y' || c == 'm' || c == 'd')
      while (f[run] == c) ++run;
    if (c == 'y') {
      if (run < 4) {
        two(((date.year % 100) + 100) % 100);
      } else if (date.year >= 1000 && date.year <= 9999) {
        two(date.year / 100);
        two(date.year % 100);
      } else {
        std::string year;
        AppendYear(year, date.year);
        text(year.c_str());
      }
    } else if (c == 'm') {
      if (run >= 4)
        text(kLongMonths[date.month - 1]);
      else if (run == 3)
        text(kShortMonths[date.month - 1]);
      else
        two(date.month);
    } else if (c == 'd') {
      if (run >= 4)
        text(kLongDays[weekday()]);
      else if (run == 3)
        text(kShortDays[weekday()]);
      else
        two(date.day);
    } else {
      out[n++] = c;  // "/", "-", "," and blanks as they stand
      run = 1;
    }
    f += run;
  }
  out_text.append(out, n);
}

template void AppendDateStyle(int, const CivilDate&, std::string&);
template void AppendDateStyle(int, const CivilDate&, TextOut&);

}  // namespace kestrove

#include "core/errors.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>

namespace kestrove {

EConvertError InvalidInteger(const std::string& text) {
  return EConvertError("'" + text + "' is not a valid integer value");
}

EConvertError InvalidFloat(const std::string& text) {
  return EConvertError("'" + text + "' is not a valid floating point value");
}

EConvertError InvalidDate(const std::string& text) {
  return EConvertError("'" + text + "' is not a valid date and time");
}

std::string DisplayMessage(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

int32_t StrToInt(const std::string& text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) throw InvalidInteger(text);
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') throw InvalidInteger(text);
    value = value * 10 + (c - '0');
    if (value > 2147483648LL) throw InvalidInteger(text);
  }
  if (negative) value = -value;
  if (value > 2147483647LL) throw InvalidInteger(text);
  return static_cast<int32_t>(value);
}

double StrToFloat(const std::string& text) {
  // Accept [sign] digits [. digits] [(e|E) [sign] digits], at least one digit
  // in the mantissa; no blanks, no hex, no inf/nan.
  size_t i = 0, n = text.size();
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) throw InvalidFloat(text);
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    size_t exp = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++exp;
    if (exp == 0) throw InvalidFloat(text);
  }
  if (i != n) throw InvalidFloat(text);
  const bool negative = text[0] == '-';
  const double magnitude = ReadDecimal(std::string_view(text).substr(text[0] == '+' || negative));
  // A number too small for a double is still a number (it reads as zero);
  // one too large is not.
  if (!std::isfinite(magnitude)) throw InvalidFloat(text);
  return negative ? -magnitude : magnitude;
}

double ReadDecimal(std::string_view text) {
  // from_chars does not look at the C locale, so "." stays the mark even when
  // the process runs under a locale with a decimal comma.
  double value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  (void)ptr;
  if (ec != std::errc::result_out_of_range) return value;
  // Out of range either way: the C library's reading (in the "C" locale)
  // tells which, giving HUGE_VAL above the range and 0 below it.
  static const locale_t c_numeric = newlocale(LC_NUMERIC_MASK, "C", nullptr);
  const std::string copy(text);
  return strtod_l(copy.c_str(), nullptr, c_numeric);
}

}  // namespace kestrove

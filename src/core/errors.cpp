#include "core/errors.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kestrove {

namespace {

// Whether a well-formed number text that a double cannot hold lies below
// its range rather than above it: the decimal position of its first
// significant digit, moved by the exponent, is negative. [begin, mantissa_end)
// holds the digits and the point; an exponent, if any, follows its "e".
bool BelowDoubleRange(const std::string& text, size_t begin, size_t mantissa_end) {
  int64_t whole_digits = 0, leading_fraction_zeros = 0;
  bool seen_point = false, seen_significant = false;
  for (size_t k = begin; k < mantissa_end; ++k) {
    const char c = text[k];
    if (c == '.') {
      seen_point = true;
    } else if (!seen_significant && c == '0') {
      if (seen_point) ++leading_fraction_zeros;
    } else {
      seen_significant = true;
      if (!seen_point) ++whole_digits;
    }
  }
  int64_t magnitude = whole_digits > 0 ? whole_digits : -leading_fraction_zeros;
  if (mantissa_end < text.size()) {
    size_t k = mantissa_end + 1;
    bool negative = false;
    if (text[k] == '+' || text[k] == '-') negative = text[k++] == '-';
    int64_t exponent = 0;
    for (; k < text.size(); ++k)
      exponent = std::min<int64_t>(exponent * 10 + (text[k] - '0'), 1000000);
    magnitude += negative ? -exponent : exponent;
  }
  return magnitude < 0;
}

}  // namespace

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
  const size_t mantissa_end = i;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    size_t exp = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++exp;
    if (exp == 0) throw InvalidFloat(text);
  }
  if (i != n) throw InvalidFloat(text);
  // from_chars does not look at the C locale, so "." stays the mark even
  // when the process runs under a locale with a decimal comma.
  const char* first = text.data();
  if (*first == '+') ++first;
  double value = 0;
  auto [ptr, ec] = std::from_chars(first, text.data() + n, value);
  // A number too small for a double is still a number: it reads as zero.
  const size_t mantissa_begin = text[0] == '+' || text[0] == '-' ? 1 : 0;
  if (ec == std::errc::result_out_of_range && BelowDoubleRange(text, mantissa_begin, mantissa_end))
    return text[0] == '-' ? -0.0 : 0.0;
  if (ec != std::errc() || ptr != text.data() + n || !std::isfinite(value))
    throw InvalidFloat(text);
  return value;
}

}  // namespace kestrove

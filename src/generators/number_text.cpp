#include "generators/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "core/errors.h"

namespace kestrove {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::string PlainDecimalText(double value) {
  if (value == 0 || !std::isfinite(value)) return "0";
  // Fifteen significant digits in scientific form: d.dddddddddddddde±x.
  char buf[64];
  const auto result =
      std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  const std::string sci(buf, result.ptr);
  size_t pos = 0;
  std::string sign;
  if (sci[pos] == '-') {
    sign = "-";
    ++pos;
  }
  const size_t e_pos = sci.find('e');
  std::string digits;
  for (size_t i = pos; i < e_pos; ++i)
    if (IsDigit(sci[i])) digits += sci[i];
  int exponent = 0;
  std::from_chars(sci.data() + e_pos + 1 + (sci[e_pos + 1] == '+'), sci.data() + sci.size(),
                  exponent);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  // The value is d1.d2d3... × 10^exponent.
  std::string whole, fraction;
  if (exponent >= 0) {
    const size_t whole_digits = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= whole_digits) {
      whole = digits + std::string(whole_digits - digits.size(), '0');
    } else {
      whole = digits.substr(0, whole_digits);
      fraction = digits.substr(whole_digits);
    }
  } else {
    whole = "0";
    fraction = std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  }
  return sign + whole + (fraction.empty() ? "" : "." + fraction);
}

double LeadingNumber(const std::string& text) {
  const size_t n = text.size();
  size_t i = 0;
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const size_t mantissa_begin = i;
  size_t digits = 0;
  while (i < n && IsDigit(text[i])) ++i, ++digits;
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < n && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < n && IsDigit(text[j])) {
      while (j < n && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  const double value =
      ReadDecimal(std::string_view(text).substr(mantissa_begin, i - mantissa_begin));
  return negative ? -value : value;
}

std::string HundredthsText(int64_t hundredths) {
  const bool negative = hundredths < 0;
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(hundredths) : static_cast<uint64_t>(hundredths);
  std::string digits = std::to_string(magnitude);
  if (digits.size() < 2) digits.insert(0, 2 - digits.size(), '0');
  digits.insert(digits.size() - 2, 1, '.');
  if (negative) digits.insert(0, 1, '-');
  return digits;
}

}  // namespace kestrove

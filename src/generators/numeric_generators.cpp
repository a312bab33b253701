// The typed integer, floating point, boolean and currency families. Their
// values go into the statement as returned, with "." as the decimal mark.
#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "core/errors.h"
#include "generators/generators.h"
#include "generators/number_text.h"

namespace kestrove {

namespace {

// Characters after the first "." of a parameter text; 0 without one.
size_t DecimalsWritten(const std::string& text) {
  const size_t point = text.find('.');
  return point == std::string::npos ? 0 : text.size() - point - 1;
}

// A currency bound in hundredths, truncated toward zero; bounds whose
// hundredths do not fit a 32-bit integer are refused.
int32_t BoundHundredths(const std::string& text, const char* which) {
  const double hundredths = std::trunc((text.empty() ? 0.0 : LeadingNumber(text)) * 100.0);
  if (!(hundredths >= -2147483648.0 && hundredths <= 2147483647.0))
    throw EConvertError("Currency bound '" + text + "' (" + which + ") is out of range");
  return static_cast<int32_t>(hundredths);
}

}  // namespace

std::string Generators::GenerateInteger(int32_t code, const std::string& param1,
                                        const std::string& param2) {
  switch (code) {
    case 200:
      return param1;
    case 201: {
      // To is read first, so its error is the one shown when both are wrong.
      const int32_t to = StrToInt(param2);
      const int32_t from = StrToInt(param1);
      return std::to_string(random_.RandomBetween(from, to));
    }
    case 202:
    case 203:
    case 204:
    case 205:
      return IntegerAge(code);
    case 206: {
      std::string value;
      AppendCounter(param1, value);
      return value;
    }
    case 207:
      return DatabaseLookup(code, param1, param2);
    default:
      return {};
  }
}

std::string Generators::GenerateFloat(int32_t code, const std::string& param1,
                                      const std::string& param2) {
  switch (code) {
    case 300:
      return param1;
    case 301:
      return FloatRandomText(param1, param2);
    case 302:
      return DatabaseLookup(code, param1, param2);
    default:
      return {};
  }
}

// A value of the range with as many decimals as the more precise bound was
// written with, truncated. The draw spans hi - lo + 1 units and folds what
// passes hi back by one unit.
std::string Generators::FloatRandomText(const std::string& from_text, const std::string& to_text) {
  const double lo = from_text.empty() ? 0.0 : StrToFloat(from_text);
  const double hi = to_text.empty() ? 999999999.0 : StrToFloat(to_text);
  const size_t decimals = std::max(DecimalsWritten(from_text), DecimalsWritten(to_text));
  double x = lo + random_.NextRandom() * (hi - lo + 1);
  if (x > hi) x = x - 1;
  if (!std::isfinite(x))
    throw EConvertError("Floating point range '" + from_text + "' to '" + to_text +
                        "' is too wide");
  std::string text = PlainDecimalText(x);
  const size_t point = text.find('.');
  if (point != std::string::npos) {
    if (decimals == 0)
      text.resize(point);
    else if (text.size() > point + 1 + decimals)
      text.resize(point + 1 + decimals);
  }
  return text;
}

std::string Generators::GenerateBoolean(int32_t code, const std::string& param1,
                                        const std::string&) {
  static const char* const kPairs[4][2] = {
      {"0", "1"}, {"No", "Yes"}, {"False", "True"}, {"0", "-1"}};
  if (code == 400) return param1;
  if (code >= 401 && code <= 404) return kPairs[code - 401][random_.RandomBetween(0, 1)];
  return {};
}

std::string Generators::GenerateCurrency(int32_t code, const std::string& param1,
                                         const std::string& param2) {
  switch (code) {
    case 500:
      return param1;
    case 501:
      return CurrencyRandomText(param1, param2);
    case 502:
      return DatabaseLookup(code, param1, param2);
    default:
      return {};
  }
}

std::string Generators::CurrencyRandomText(const std::string& from_text,
                                           const std::string& to_text) {
  const int32_t a = BoundHundredths(from_text, "From");
  const int32_t b = BoundHundredths(to_text, "To");
  return HundredthsText(random_.RandomBetween(a, b));
}

template <class Out>
void Generators::AppendCounter(const std::string& start_text, Out& out) {
  const int32_t start = start_text.empty() ? 0 : StrToInt(start_text);
  if (state_.TableCounter < start) state_.TableCounter = start;
  const int32_t value = state_.TableCounter;
  CounterText& text = counter_text_;
  if (text.value >= 0 && text.value < INT32_MAX && value == text.value + 1) {
    // One up from the value written last: the trailing nines turn to
    // noughts and the digit before them goes up; all nines grow a digit.
    int at = text.size - 1;
    while (at >= 0 && text.digits[at] == '9') text.digits[at--] = '0';
    if (at >= 0) {
      ++text.digits[at];
    } else {
      std::memmove(text.digits + 1, text.digits, text.size);
      text.digits[0] = '1';
      ++text.size;
    }
  } else {
    text.size = static_cast<uint8_t>(
        std::to_chars(text.digits, text.digits + sizeof text.digits, value).ptr - text.digits);
  }
  text.value = value;
  out.append(text.digits, text.size);
  state_.TableCounter = static_cast<int32_t>(static_cast<uint32_t>(state_.TableCounter) + 1u);
}

template void Generators::AppendCounter(const std::string&, std::string&);
template void Generators::AppendCounter(const std::string&, TextOut&);

}  // namespace kestrove

// Number texts of the numeric families, written and read with "." as the
// decimal mark whatever the process locale (a Qt window sets LC_NUMERIC).
#pragma once

#include <cstdint>
#include <string>

namespace kestrove {

// Plain decimal notation with at most 15 significant digits, no exponent, no
// trailing zeros and no decimal point when nothing follows it ("7.25", "12",
// "0.001"). Zero of either sign is "0". Only finite values have a text.
std::string PlainDecimalText(double value);

// The longest leading number of `text` (blanks before it skipped): an
// optional sign, digits with at most one ".", and an exponent when digits
// follow its "e". 0 when the text does not start with a number; an infinity
// of the right sign when the number is beyond the range of a double.
double LeadingNumber(const std::string& text);

// A count of hundredths with exactly two decimals and no zero before the
// point: 1234 "12.34", 50 ".50", 5 ".05", 0 ".00", -150 "-1.50".
std::string HundredthsText(int64_t hundredths);

}  // namespace kestrove

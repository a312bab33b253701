// Calendar arithmetic and the date and time styles. Day and month names are
// English and the date separator is "/", whatever the machine's locale.
#pragma once

#include <cstdint>
#include <string>

#include "core/text_out.h"

#include "core/clock.h"

namespace kestrove {

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(const CivilDate& date);
CivilDate CivilFromDays(int64_t days);

// Reads "yyyy/m/d" (year of three or four digits, one- or two-digit month and
// day, blanks around the whole text ignored). Raises the date conversion
// error for anything else, naming the text as given.
CivilDate ReadDate(const std::string& text);

// Formats a date in date style 1 to 27; empty text for any other style.
std::string FormatDateStyle(int style, const CivilDate& date);
// The same, appended to `out`.
template <class Out>
void AppendDateStyle(int style, const CivilDate& date, Out& out);

// The format of date style 1 to 27 ("dd-mmm-yyyy"); null for any other.
const char* DateStyleFormat(int style);

// "yyyy/mm/dd".
std::string FormatYmd(const CivilDate& date);

}  // namespace kestrove

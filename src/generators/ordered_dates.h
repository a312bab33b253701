// Dates drawn after another date of the same record: reading a value back
// in the style its choice wrote it, and writing a date in a choice's style.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/clock.h"

namespace kestrove {

// How a choice code writes its date: the date style (0 for a code that draws
// no date), whether the generator quotes it itself (the typed families) and
// whether a time of day follows the date.
struct DateForm {
  int style = 0;
  bool quoted = false;
  bool timed = false;
};

// Text Date (16 to 42), typed Random Date (601 to 611) and Random DateTime
// (801 to 810); style 0 for every other code, the fixed values among them.
DateForm DateFormOfCode(int32_t code);

// A date and, where the form has one, the time of day in seconds (-1 none).
struct DatedValue {
  CivilDate date;
  int32_t seconds = -1;
};

// Reads a value written in `form`; nullopt when the text is not of that
// form. A two-digit year is taken as the one of `first_year` to
// `first_year` + 99 that ends in those digits.
std::optional<DatedValue> ReadDatedValue(const DateForm& form, std::string_view text,
                                         int32_t first_year);

// Appends the value as `form` writes it (a time of day of 00:00:00 where
// the form has one and the value none).
void AppendDatedValue(const DateForm& form, const DatedValue& value, std::string& out);

}  // namespace kestrove

// Dates, ages and times: the text Date, Age and Time choices, the integer Age,
// and the typed date, time and date-time families.
#include <string>

#include "generators/dates.h"
#include "generators/generators.h"

namespace kestrove {

namespace {

// The typed families' random values go into the statement as they are
// returned, so they carry their own quotes; fixed values are the user's text.
std::string Quoted(const std::string& value) {
  return "'" + value + "'";
}

// Date styles of Random DateTime codes 801 to 810 (style 2, the date of
// birth, is not offered).
constexpr int kDateTimeStyles[10] = {1, 3, 4, 5, 6, 7, 8, 9, 10, 11};

}  // namespace

std::string Generators::DateTimeText(int32_t code, const std::string& param1,
                                     const std::string& param2) {
  if (code >= 16 && code <= 42) {
    std::string value = RandomDateText(code - 15, param1, param2);
    if (code == 17) state_.RecordSync[SyncBirthText] = value;
    return value;
  }
  if (code >= 43 && code <= 46) return AgeText(code - 42, SyncBirthText);
  if (code >= 51 && code <= 53) return TimeText(code - 50);
  return {};
}

std::string Generators::IntegerAge(int32_t code) {
  if (code >= 202 && code <= 205) return AgeText(code - 201, SyncBirthDate);
  return {};
}

// Elapsed ages count whole 365-day periods (leap days are not allowed for),
// truncated toward zero, so a birth date after today gives a negative day
// count and a year count of 0 for under a year.
std::string Generators::AgeText(int kind, SyncSlot birth_slot) {
  switch (kind) {
    case 1:
      return std::to_string(random_.RandomBetween(1, 15));
    case 2:
      return std::to_string(random_.RandomBetween(16, 99));
    case 3:
    case 4: {
      const std::string& birth = state_.RecordSync[birth_slot];
      if (birth.empty()) return {};
      const int64_t days = DaysFromCivil(clock_.Today()) - DaysFromCivil(ReadDate(birth));
      return std::to_string(kind == 3 ? days / 365 : days);
    }
    default:
      return {};
  }
}

std::string Generators::GenerateDate(int32_t code, const std::string& param1,
                                     const std::string& param2) {
  if (code == 600) return param1;
  if (code >= 601 && code <= 611) {
    const std::string value = RandomDateText(code - 600, param1, param2);
    // The birth slot holds the bare date for a later integer Age to read.
    if (code == 602) state_.RecordSync[SyncBirthDate] = value;
    return Quoted(value);
  }
  return {};
}

std::string Generators::GenerateTime(int32_t code, const std::string& param1, const std::string&) {
  if (code == 700) return param1;
  if (code >= 701 && code <= 703) return Quoted(TimeText(code - 700));
  return {};
}

std::string Generators::GenerateDateTime(int32_t code, const std::string& param1,
                                         const std::string& param2) {
  if (code == 800) return param1;
  if (code >= 801 && code <= 810) {
    // The time is drawn after the date and bears no relation to the range.
    const std::string date = RandomDateText(kDateTimeStyles[code - 801], param1, param2);
    const std::string time = TimeText(2);
    return Quoted(date + " " + time);
  }
  return {};
}

}  // namespace kestrove

// Street address, town, county, post code, telephone and e-mail. Town, county
// and post code of one record come from one row of the town list, the row the
// Town/City field kept in RecordTownRow.
#include <charconv>
#include <string>

#include "core/errors.h"
#include "generators/generators.h"

namespace kestrove {

namespace {

// Used when the field gives no alternative domain word; reserved for
// examples, so generated addresses never reach a real mailbox.
constexpr const char* kDefaultEmailDomain = "example.com";

const char* const kResidentialSuffixes[21] = {
    "Street",   "Street",  "Road",  "Road",  "Avenue", "Avenue",  "Crescent",
    "Crescent", "Terrace", "Lane",  "Drive", "Drive",  "Gardens", "Gardens",
    "Circle",   "Walk",    "Close", "Park",  "Square", "Place",   "Court"};

const char* const kTradeSuffixes[11] = {"Business Park",     "Business Park",     "Business Centre",
                                        "Business Centre",   "Industrial Park",   "Industrial Park",
                                        "Industrial Estate", "Industrial Estate", "Trading Estate",
                                        "Trading Estate",    "Retail Park"};

// 1-5 East, 6-10 North, 11-15 West, 16-20 South, above that none.
const char* CompassWord(int32_t b) {
  if (b <= 5) return "East";
  if (b <= 10) return "North";
  if (b <= 15) return "West";
  if (b <= 20) return "South";
  return nullptr;
}

// Appends a whole number in decimal.
void AppendNumber(std::string& out, int32_t value) {
  char digits[12];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

}  // namespace

std::string Generators::AddressText(int32_t code, const std::string& param1) {
  std::string value;
  AppendAddressText(code, param1, value);
  return value;
}

void Generators::AppendAddressText(int32_t code, const std::string& param1, std::string& out) {
  switch (code) {
    case 92:
    case 93:
    case 94:
    case 95:
      AppendStreetAddress(code, out);
      return;
    case 96: {
      int32_t p = -1;
      const std::string_view town = PickRandomText(kSelTown, &p);
      state_.RecordTownRow = p;
      out += town;
      return;
    }
    case 97:
      AppendCounty(out);
      return;
    case 98:
    case 99:
    case 100:
    case 101:
      AppendPostCode(code, out);
      return;
    case 102:
    case 103:
    case 104:
      // Three digits of area code, then six of number, drawn in that order.
      out += code == 103 ? "(01" : "01";
      for (int i = 0; i < 3; ++i) out += random_.RandomDigit();
      out += code == 102 ? " " : code == 103 ? ") " : "-";
      for (int i = 0; i < 6; ++i) out += random_.RandomDigit();
      return;
    case 105:
    case 106:
    case 107:
    case 108:
      AppendEmail(code, param1, out);
      return;
    default:
      return;
  }
}

void Generators::AppendStreetAddress(int32_t code, std::string& out) {
  const char* compass = CompassWord(random_.RandomBetween(1, 120));
  if (code != 95) {
    const int32_t limit = code == 92 ? 99 : code == 93 ? 999 : 1999;
    AppendNumber(out, random_.RandomBetween(1, limit));
    out += ' ';
  }
  if (compass != nullptr) {
    out += compass;
    out += ' ';
  }
  out += PickRandomText(kSelStreet);
  out += ' ';
  out += code == 95 ? kTradeSuffixes[random_.RandomBetween(0, 10)]
                    : kResidentialSuffixes[random_.RandomBetween(0, 20)];
}

void Generators::AppendCounty(std::string& out) {
  int32_t p = state_.RecordTownRow;
  std::string_view county;
  if (p >= 0) {
    county = lists_.PickListValue(kSelCounty, p);
  } else {
    county = PickRandomText(kSelCounty, &p);
    if (p < 0) return;  // empty town list
  }
  // Where the town is its own county, the county is left out.
  if (county == lists_.PickListValue(kSelTown, p)) return;
  out += county;
}

void Generators::AppendPostCode(int32_t code, std::string& out) {
  const int32_t row = state_.RecordTownRow;
  const std::string_view prefix =
      row < 0 ? PickRandomText(kSelPostCode) : lists_.PickListValue(kSelPostCode, row);
  out += prefix.substr(0, 2);
  if (code == 98) {
    AppendNumber(out, random_.RandomBetween(1, 32));
    out += ' ';
    out += random_.RandomDigit();
    out += random_.RandomLetter(true);
    out += random_.RandomLetter(true);
    return;
  }
  // The style names count the two prefix characters.
  const int digits = static_cast<int>(code - 99) + 2;
  for (int i = 0; i < digits; ++i) out += random_.RandomDigit();
}

void Generators::AppendEmail(int32_t code, const std::string& domain_word, std::string& out) {
  const auto& sync = state_.RecordSync;
  const size_t start = out.size();
  if (code == 105) {
    if (!sync[SyncForename].empty()) out += sync[SyncForename][0];
    if (!sync[SyncMiddlename].empty()) out += sync[SyncMiddlename][0];
    out += sync[SyncSurname];
  } else if (code == 106) {
    out += sync[SyncForename];
  } else {
    out += sync[SyncForename];
    out += sync[SyncSurname];
  }
  if (out.size() == start)
    for (int i = 0; i < 4; ++i) out += random_.RandomLetter(false);
  if (code == 108) out += static_cast<char>('0' + random_.RandomBetween(1, 9));
  out += '@';
  if (domain_word.empty()) {
    out += kDefaultEmailDomain;
  } else {
    out += domain_word;
    out += ".com";
  }
}

}  // namespace kestrove

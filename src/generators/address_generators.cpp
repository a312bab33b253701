// Street address, town, county, post code, telephone and e-mail. Town, county
// and post code of one record come from one row of the town list, the row the
// Town/City field kept in SyncTownRow.
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
  switch (code) {
    case 92:
    case 93:
    case 94:
    case 95:
      return StreetAddressText(code);
    case 96: {
      auto& row = state_.RecordSync[SyncTownRow];
      row.clear();
      int32_t p = -1;
      std::string town = PickRandomEntry(kSelTown, &p);
      if (p >= 0) AppendNumber(row, p);
      return town;
    }
    case 97:
      return CountyText();
    case 98:
    case 99:
    case 100:
    case 101:
      return PostCodeText(code);
    case 102:
    case 103:
    case 104: {
      // Three digits of area code, then six of number, drawn in that order.
      std::string value = code == 103 ? "(01" : "01";
      for (int i = 0; i < 3; ++i) value += random_.RandomDigit();
      value += code == 102 ? " " : code == 103 ? ") " : "-";
      for (int i = 0; i < 6; ++i) value += random_.RandomDigit();
      return value;
    }
    case 105:
    case 106:
    case 107:
    case 108:
      return EmailText(code, param1);
    default:
      return {};
  }
}

std::string Generators::StreetAddressText(int32_t code) {
  const char* compass = CompassWord(random_.RandomBetween(1, 120));
  std::string value;
  value.reserve(48);
  if (code != 95) {
    const int32_t limit = code == 92 ? 99 : code == 93 ? 999 : 1999;
    AppendNumber(value, random_.RandomBetween(1, limit));
    value += ' ';
  }
  if (compass != nullptr) {
    value += compass;
    value += ' ';
  }
  value += PickRandomText(kSelStreet);
  value += ' ';
  value += code == 95 ? kTradeSuffixes[random_.RandomBetween(0, 10)]
                      : kResidentialSuffixes[random_.RandomBetween(0, 20)];
  return value;
}

std::string Generators::CountyText() {
  const std::string& row = state_.RecordSync[SyncTownRow];
  int32_t p = -1;
  std::string_view county;
  if (!row.empty()) {
    p = StrToInt(row);
    county = lists_.PickListValue(kSelCounty, p);
  } else {
    county = PickRandomText(kSelCounty, &p);
    if (p < 0) return {};  // empty town list
  }
  // Where the town is its own county, the county is left out.
  if (county == lists_.PickListValue(kSelTown, p)) return {};
  return std::string(county);
}

std::string Generators::PostCodeText(int32_t code) {
  const std::string& row = state_.RecordSync[SyncTownRow];
  const std::string_view prefix_text = row.empty()
                                           ? PickRandomText(kSelPostCode)
                                           : lists_.PickListValue(kSelPostCode, StrToInt(row));
  std::string prefix(prefix_text.substr(0, 2));
  if (code == 98) {
    std::string value = std::move(prefix);
    AppendNumber(value, random_.RandomBetween(1, 32));
    value += ' ';
    value += random_.RandomDigit();
    value += random_.RandomLetter(true);
    value += random_.RandomLetter(true);
    return value;
  }
  // The style names count the two prefix characters.
  const int digits = static_cast<int>(code - 99) + 2;
  for (int i = 0; i < digits; ++i) prefix += random_.RandomDigit();
  return prefix;
}

std::string Generators::EmailText(int32_t code, const std::string& domain_word) {
  const auto& sync = state_.RecordSync;
  std::string local;
  if (code == 105) {
    if (!sync[SyncForename].empty()) local += sync[SyncForename][0];
    if (!sync[SyncMiddlename].empty()) local += sync[SyncMiddlename][0];
    local += sync[SyncSurname];
  } else if (code == 106) {
    local = sync[SyncForename];
  } else {
    local = sync[SyncForename] + sync[SyncSurname];
  }
  if (local.empty())
    for (int i = 0; i < 4; ++i) local += random_.RandomLetter(false);
  if (code == 108) local += static_cast<char>('0' + random_.RandomBetween(1, 9));
  local += '@';
  if (domain_word.empty()) {
    local += kDefaultEmailDomain;
  } else {
    local += domain_word;
    local += ".com";
  }
  return local;
}

}  // namespace kestrove

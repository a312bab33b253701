// Street address, town, county, post code, telephone and e-mail. Town, county
// and post code of one record come from one row of the town list, the row the
// Town/City field kept in SyncTownRow.
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
      if (p >= 0) row = std::to_string(p);
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
      std::string area, number;
      for (int i = 0; i < 3; ++i) area += random_.RandomDigit();
      for (int i = 0; i < 6; ++i) number += random_.RandomDigit();
      if (code == 102) return "01" + area + " " + number;
      if (code == 103) return "(01" + area + ") " + number;
      return "01" + area + "-" + number;
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
  std::string number;
  if (code != 95) {
    const int32_t limit = code == 92 ? 99 : code == 93 ? 999 : 1999;
    number = std::to_string(random_.RandomBetween(1, limit));
  }
  const std::string street = PickRandomEntry(kSelStreet);
  const char* suffix = code == 95 ? kTradeSuffixes[random_.RandomBetween(0, 10)]
                                  : kResidentialSuffixes[random_.RandomBetween(0, 20)];
  std::string value;
  if (!number.empty()) value = number + " ";
  if (compass != nullptr) value += std::string(compass) + " ";
  return value + street + " " + suffix;
}

std::string Generators::CountyText() {
  const std::string& row = state_.RecordSync[SyncTownRow];
  int32_t p = -1;
  std::string county;
  if (!row.empty()) {
    p = StrToInt(row);
    county = lists_.PickListValue(kSelCounty, p);
  } else {
    county = PickRandomEntry(kSelCounty, &p);
    if (p < 0) return {};  // empty town list
  }
  // Where the town is its own county, the county is left out.
  if (county == lists_.PickListValue(kSelTown, p)) return {};
  return county;
}

std::string Generators::PostCodeText(int32_t code) {
  const std::string& row = state_.RecordSync[SyncTownRow];
  std::string prefix = row.empty() ? PickRandomEntry(kSelPostCode)
                                   : lists_.PickListValue(kSelPostCode, StrToInt(row));
  if (prefix.size() > 2) prefix.resize(2);
  if (code == 98) {
    std::string value = prefix + std::to_string(random_.RandomBetween(1, 32)) + " ";
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
  if (code == 108) local += std::to_string(random_.RandomBetween(1, 9));
  return local + "@" +
         (domain_word.empty() ? std::string(kDefaultEmailDomain) : domain_word + ".com");
}

}  // namespace kestrove

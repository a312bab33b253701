// Street address, town, county, post code, telephone and e-mail. Town, county
// and post code of one record come from one row of the town list, the row the
// Town/City field kept in RecordTownRow.
#include <array>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>

#include "core/errors.h"
#include "generators/generators.h"

namespace kestrove {

namespace {

using namespace std::string_view_literals;

// Used when the field gives no alternative domain word; reserved for
// examples, so generated addresses never reach a real mailbox.
constexpr std::string_view kDefaultEmailDomain = "example.com";

// Each with the space that parts it from the street name.
constexpr std::string_view kResidentialSuffixes[21] = {
    " Street"sv,   " Street"sv,  " Road"sv,  " Road"sv,  " Avenue"sv, " Avenue"sv,  " Crescent"sv,
    " Crescent"sv, " Terrace"sv, " Lane"sv,  " Drive"sv, " Drive"sv,  " Gardens"sv, " Gardens"sv,
    " Circle"sv,   " Walk"sv,    " Close"sv, " Park"sv,  " Square"sv, " Place"sv,   " Court"sv};

constexpr std::string_view kTradeSuffixes[11] = {
    " Business Park"sv,     " Business Park"sv,     " Business Centre"sv, " Business Centre"sv,
    " Industrial Park"sv,   " Industrial Park"sv,   " Industrial Estate"sv,
    " Industrial Estate"sv, " Trading Estate"sv,    " Trading Estate"sv,
    " Retail Park"sv};

// A short word padded to eight characters, so that it is copied whole.
struct Word {
  char text[8];
  uint8_t size;
};

// 1-5 East, 6-10 North, 11-15 West, 16-20 South, above that none; each with
// the space that follows it.
Word CompassWord(int32_t b) {
  if (b <= 5) return {"East ", 5};
  if (b <= 10) return {"North ", 6};
  if (b <= 15) return {"West ", 5};
  if (b <= 20) return {"South ", 6};
  return {"", 0};
}

// "0" to "1999", the numbers of houses and post code districts, worked out
// once.
constexpr int32_t kShortNumbers = 2000;
constexpr std::array<Word, kShortNumbers> MakeShortNumbers() {
  std::array<Word, kShortNumbers> numbers{};
  for (int32_t n = 0; n < kShortNumbers; ++n) {
    Word& word = numbers[static_cast<size_t>(n)];
    char digits[4];
    int count = 0;
    for (int32_t v = n; count == 0 || v > 0; v /= 10) digits[count++] = static_cast<char>('0' + v % 10);
    for (int i = 0; i < count; ++i) word.text[i] = digits[count - 1 - i];
    word.size = static_cast<uint8_t>(count);
  }
  return numbers;
}
constexpr std::array<Word, kShortNumbers> kShortNumberWords = MakeShortNumbers();

struct Piece {
  char text[32];
  size_t size = 0;
  void Add(char c) { text[size++] = c; }
  void Add(std::string_view word) {
    for (const char c : word) text[size++] = c;
  }
  // Copied whole, eight characters, of which `word.size` count.
  void Add(const Word& word) {
    std::memcpy(text + size, word.text, sizeof word.text);
    size += word.size;
  }
  void AddNumber(int32_t value) {
    if (value >= 0 && value < kShortNumbers) {
      Add(kShortNumberWords[static_cast<size_t>(value)]);
      return;
    }
    size = static_cast<size_t>(std::to_chars(text + size, text + sizeof text, value).ptr - text);
  }
  template <class Out>
  void AppendTo(Out& out) const {
    out.append(text, size);
  }
};

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
    case 96:
      AppendTown(code, out);
      return;
    case 97:
      AppendCounty(code, out);
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

template <class Out>
void Generators::AppendStreetAddress(int32_t code, Out& out) {
  const Word compass = CompassWord(random_.RandomBetween(1, 120));
  Piece start;
  if (code != 95) {
    const int32_t limit = code == 92 ? 99 : code == 93 ? 999 : 1999;
    start.AddNumber(random_.RandomBetween(1, limit));
    start.Add(' ');
  }
  start.Add(compass);
  start.AppendTo(out);
  out += PickRandomText(kSelStreet);
  out += code == 95 ? kTradeSuffixes[random_.RandomBetween(0, 10)]
                    : kResidentialSuffixes[random_.RandomBetween(0, 20)];
}

template <class Out>
void Generators::AppendTown(int32_t, Out& out) {
  int32_t p = -1;
  const std::string_view town = PickRandomText(kSelTown, &p);
  state_.RecordTownRow = p;
  out += town;
}

template <class Out>
void Generators::AppendCounty(int32_t, Out& out) {
  int32_t p = state_.RecordTownRow;
  std::string_view county;
  if (p >= 0) {
    county = ListValue(kSelCounty, p);
  } else {
    county = PickRandomText(kSelCounty, &p);
    if (p < 0) return;  // empty town list
  }
  // Where the town is its own county, the county is left out.
  if (county == ListValue(kSelTown, p)) return;
  out += county;
}

template <class Out>
void Generators::AppendPostCode(int32_t code, Out& out) {
  const int32_t row = state_.RecordTownRow;
  const std::string_view prefix =
      row < 0 ? PickRandomText(kSelPostCode) : ListValue(kSelPostCode, row);
  Piece code_text;
  code_text.Add(prefix.substr(0, 2));
  if (code == 98) {
    code_text.AddNumber(random_.RandomBetween(1, 32));
    code_text.Add(' ');
    code_text.Add(random_.RandomDigit());
    code_text.Add(random_.RandomLetter(true));
    code_text.Add(random_.RandomLetter(true));
  } else {
    // The style names count the two prefix characters.
    const int digits = static_cast<int>(code - 99) + 2;
    for (int i = 0; i < digits; ++i) code_text.Add(random_.RandomDigit());
  }
  code_text.AppendTo(out);
}

template <class Out>
void Generators::AppendEmail(int32_t code, const std::string& domain_word, Out& out) {
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
    out += ".com"sv;
  }
}

template void Generators::AppendStreetAddress(int32_t, std::string&);
template void Generators::AppendStreetAddress(int32_t, TextOut&);
template void Generators::AppendTown(int32_t, std::string&);
template void Generators::AppendTown(int32_t, TextOut&);
template void Generators::AppendCounty(int32_t, std::string&);
template void Generators::AppendCounty(int32_t, TextOut&);
template void Generators::AppendPostCode(int32_t, std::string&);
template void Generators::AppendPostCode(int32_t, TextOut&);
template void Generators::AppendEmail(int32_t, const std::string&, std::string&);
template void Generators::AppendEmail(int32_t, const std::string&, TextOut&);

}  // namespace kestrove

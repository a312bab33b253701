// Gender, forenames, middle name, initials, surname, title, marital status and
// spouse. They agree within a record through RecordGender and the RecordSync
// slots, each seeing what the fields before it have written.
#include <string>
#include <string_view>

#include "generators/generators.h"

namespace kestrove {

using namespace std::string_view_literals;

namespace {

constexpr int32_t kMale = 1;

// One title over a run of drawn numbers: numbers from `first` up to the next
// band's first belong to `title`.
struct TitleBand {
  int32_t first;
  std::string_view title;
};

// The draw range and bands of one title style for one gender. `none` is the
// title given without a draw (men in the plain style), else empty.
struct TitleRange {
  int32_t lo;
  int32_t hi;
  std::string_view none;
  TitleBand bands[5];
};

struct TitleStyle {
  TitleRange men;
  TitleRange women;
};

// Codes 84 to 89.
const TitleStyle kTitleStyles[] = {
    {{0, 0, "Mr", {}}, {1, 6, {}, {{1, "Mrs"}, {4, "Miss"}, {6, "Ms"}}}},
    {{0, 3, {}, {{0, "Mr"}, {3, "Dr"}}},
     {4, 13, {}, {{4, "Mrs"}, {9, "Miss"}, {11, "Ms"}, {13, "Dr"}}}},
    {{0, 6, {}, {{0, "Mr"}, {6, "Rev"}}},
     {7, 14, {}, {{7, "Mrs"}, {11, "Miss"}, {14, "Ms"}}}},
    {{0, 7, {}, {{0, "Mr"}, {6, "Rev"}, {7, "Dr"}}},
     {8, 16, {}, {{8, "Mrs"}, {12, "Miss"}, {15, "Ms"}, {16, "Dr"}}}},
    {{0, 6, {}, {{0, "Mr"}, {6, "Sir"}}},
     {7, 14, {}, {{7, "Mrs"}, {11, "Miss"}, {14, "Ms"}}}},
    {{0, 10, {}, {{0, "Mr"}, {6, "Rev"}, {7, "Sir"}, {8, "Dr"}}},
     {11, 19, {}, {{11, "Mrs"}, {15, "Miss"}, {18, "Ms"}, {19, "Dr"}}}},
};

std::string_view BandTitle(const TitleRange& range, int32_t t) {
  std::string_view title;
  for (const TitleBand& band : range.bands) {
    if (band.title.empty() || t < band.first) break;
    title = band.title;
  }
  return title;
}

void AppendInitial(std::string& out, const std::string& name) {
  if (!name.empty()) out += name[0];
}

}  // namespace

int32_t Generators::DecideGender() {
  if (state_.RecordGender == 0) state_.RecordGender = random_.RandomBetween(1, 2);
  return state_.RecordGender;
}

std::string Generators::PersonText(int32_t code) {
  std::string value;
  AppendPersonText(code, value);
  return value;
}

void Generators::AppendPersonText(int32_t code, std::string& out) {
  auto& sync = state_.RecordSync;
  switch (code) {
    case 54:
    case 55:
      AppendGender(code, out);
      return;
    case 56:
    case 57:
    case 58:
      AppendForename(code, out);
      return;
    case 59:
      out += MiddlenameText();
      return;
    case 61:
      AppendInitial(out, sync[SyncForename]);
      AppendInitial(out, sync[SyncMiddlename]);
      return;
    case 62:
      AppendInitial(out, sync[SyncForename]);
      return;
    case 63:
      AppendInitial(out, sync[SyncForename]);
      AppendInitial(out, sync[SyncMiddlename]);
      AppendInitial(out, sync[SyncSurname]);
      return;
    case 64:
      AppendSurname(code, out);
      return;
    case 84:
    case 85:
    case 86:
    case 87:
    case 88:
    case 89:
      out += TitleText(code);
      return;
    case 90:
      out += MaritalText();
      return;
    case 91: {
      const int32_t gender = DecideGender();
      if (std::string_view(sync[SyncMarital]) != std::string_view("Married")) return;
      // The spouse is of the other gender.
      out += PickRandomText(gender == kMale ? kSelForenameF : kSelForenameM);
      return;
    }
    default:
      return;
  }
}

template <class Out>
void Generators::AppendGender(int32_t code, Out& out) {
  const bool male = DecideGender() == kMale;
  const std::string_view gender =
      code == 54 ? (male ? "M"sv : "F"sv) : (male ? "Male"sv : "Female"sv);
  Keep(SyncGender, gender);
  out += gender;
}

// 56 of the record's gender, 57 a man's and 58 a woman's, which settles it.
template <class Out>
void Generators::AppendForename(int32_t code, Out& out) {
  const int selector = code == 57   ? kSelForenameM
                       : code == 58 ? kSelForenameF
                       : DecideGender() == kMale ? kSelForenameM
                                                 : kSelForenameF;
  const std::string_view forename = PickRandomText(selector);
  Keep(SyncForename, forename);
  if (code != 56) state_.RecordGender = code == 57 ? 1 : 2;
  out += forename;
}

template <class Out>
void Generators::AppendSurname(int32_t, Out& out) {
  const std::string_view surname = PickRandomText(kSelSurname);
  Keep(SyncSurname, surname);
  out += surname;
}

template <class Out>
void Generators::AppendMiddlename(int32_t, Out& out) {
  out += MiddlenameText();
}

template <class Out>
void Generators::AppendTitle(int32_t code, Out& out) {
  out += TitleText(code);
}

template <class Out>
void Generators::AppendMarital(int32_t, Out& out) {
  out += MaritalText();
}

// Half of all records get no middle name; the others get a name of the
// record's gender that differs from the forename. Draws repeat while they hit
// the forename. The first time one does, the list is read through once to see
// whether it holds any other name at all: if it does not (only that name, or
// an empty list), the middle name is left empty instead of drawing forever.
// Whenever another name exists the draws are exactly the plain repetition.
std::string_view Generators::MiddlenameText() {
  const std::string_view name = DrawMiddlename();
  Keep(SyncMiddlename, name);
  return name;
}

std::string_view Generators::DrawMiddlename() {
  const int selector = DecideGender() == kMale ? kSelForenameM : kSelForenameF;
  if (random_.RandomBetween(0, 1) == 1) return {};
  const int32_t count = state_.LookupCounts[ListOfSelector(selector)];
  const std::string& forename = state_.RecordSync[SyncForename];
  std::string_view name = PickRandomText(selector);
  if (name == forename) {
    bool other_exists = false;
    for (int32_t p = 0; p < count && !other_exists; ++p)
      other_exists = ListValue(selector, p) != forename;
    if (!other_exists) return {};
    do {
      name = PickRandomText(selector);
    } while (name == forename);
  }
  return name;
}

std::string_view Generators::TitleText(int32_t code) {
  const TitleStyle& style = kTitleStyles[code - 84];
  const TitleRange& range = DecideGender() == kMale ? style.men : style.women;
  const std::string_view title =
      !range.none.empty() ? range.none : BandTitle(range, random_.RandomBetween(range.lo, range.hi));
  Keep(SyncTitle, title);
  return title;
}

// The status follows the title; a record without a title draws from the
// widest range, as a man's would.
std::string_view Generators::MaritalText() {
  const std::string_view title = state_.RecordSync[SyncTitle];
  int32_t lo = 1, hi = 13;
  if (title == "Mrs"sv || title == "Rev"sv) {
    lo = 1;
    hi = 6;
  } else if (title == "Miss"sv || title == "Ms"sv) {
    lo = 6;
    hi = 13;
  }
  const int32_t k = random_.RandomBetween(lo, hi);
  const std::string_view value = k <= 5    ? "Married"sv
                                : k == 6  ? "Widowed"sv
                                : k <= 8  ? "Separated"sv
                                : k <= 12 ? "Single"sv
                                          : "Divorced"sv;
  Keep(SyncMarital, value);
  return value;
}

template void Generators::AppendGender(int32_t, std::string&);
template void Generators::AppendGender(int32_t, TextOut&);
template void Generators::AppendForename(int32_t, std::string&);
template void Generators::AppendForename(int32_t, TextOut&);
template void Generators::AppendSurname(int32_t, std::string&);
template void Generators::AppendSurname(int32_t, TextOut&);
template void Generators::AppendMiddlename(int32_t, std::string&);
template void Generators::AppendMiddlename(int32_t, TextOut&);
template void Generators::AppendTitle(int32_t, std::string&);
template void Generators::AppendTitle(int32_t, TextOut&);
template void Generators::AppendMarital(int32_t, std::string&);
template void Generators::AppendMarital(int32_t, TextOut&);

}  // namespace kestrove

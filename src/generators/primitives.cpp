// The shared primitives and the family dispatch.
#include "core/errors.h"
#include "core/field_types.h"
#include "generators/dates.h"
#include "generators/generators.h"

namespace kestrove {

std::string Generators::Generate(int32_t code, const std::string& param1,
                                 const std::string& param2) {
  switch (FamilyOfCode(code)) {
    case Family::kText:
      return GenerateText(code, param1, param2);
    case Family::kInteger:
      return GenerateInteger(code, param1, param2);
    case Family::kFloat:
      return GenerateFloat(code, param1, param2);
    case Family::kBoolean:
      return GenerateBoolean(code, param1, param2);
    case Family::kCurrency:
      return GenerateCurrency(code, param1, param2);
    case Family::kDate:
      return GenerateDate(code, param1, param2);
    case Family::kTime:
      return GenerateTime(code, param1, param2);
    case Family::kDateTime:
      return GenerateDateTime(code, param1, param2);
    case Family::kNone:
      if (IsNamedOnlyCode(code)) return GenerateNamedOnly(code, param1, param2);
      break;
  }
  return {};
}

namespace {

void MakePerson(void* g, int32_t code, const std::string&, const std::string&, std::string& out) {
  static_cast<Generators*>(g)->AppendPersonText(code, out);
}
void MakeAddress(void* g, int32_t code, const std::string& param1, const std::string&,
                 std::string& out) {
  static_cast<Generators*>(g)->AppendAddressText(code, param1, out);
}
template <class Out>
void MakeCounter(void* g, int32_t, const std::string& param1, const std::string&, Out& out) {
  static_cast<Generators*>(g)->AppendCounter(param1, out);
}
template <class Out>
void MakeDate(void* g, int32_t code, const std::string& param1, const std::string& param2,
              Out& out) {
  auto& generators = *static_cast<Generators*>(g);
  const size_t start = out.size();
  generators.AppendRandomDate(code - 15, param1, param2, out);
  // The birth date (style 2) is what the ages of the record count from.
  if (code == 17 && generators.Keeps(SyncBirthText))
    generators.State().RecordSync[SyncBirthText].assign(out.data() + start, out.size() - start);
}
void MakeOther(void* g, int32_t code, const std::string& param1, const std::string& param2,
               std::string& out) {
  out += static_cast<Generators*>(g)->Generate(code, param1, param2);
}

// A single choice, called straight.
template <class Out, void (Generators::*Append)(int32_t, Out&)>
void MakeBy(void* g, int32_t code, const std::string&, const std::string&, Out& out) {
  (static_cast<Generators*>(g)->*Append)(code, out);
}
template <class Out>
void MakeEmail(void* g, int32_t code, const std::string& param1, const std::string&, Out& out) {
  static_cast<Generators*>(g)->AppendEmail(code, param1, out);
}

// The maker of a choice that writes into either kind of output, or null.
template <class Out>
using MakeFn = void (*)(void*, int32_t, const std::string&, const std::string&, Out&);
template <class Out>
MakeFn<Out> SingleMaker(int32_t code) {
  using G = Generators;
  if (code == 54 || code == 55) return MakeBy<Out, &G::AppendGender<Out>>;
  if (code >= 56 && code <= 58) return MakeBy<Out, &G::AppendForename<Out>>;
  if (code == 59) return MakeBy<Out, &G::AppendMiddlename<Out>>;
  if (code == 64) return MakeBy<Out, &G::AppendSurname<Out>>;
  if (code >= 84 && code <= 89) return MakeBy<Out, &G::AppendTitle<Out>>;
  if (code == 90) return MakeBy<Out, &G::AppendMarital<Out>>;
  if (code >= 92 && code <= 95) return MakeBy<Out, &G::AppendStreetAddress<Out>>;
  if (code == 96) return MakeBy<Out, &G::AppendTown<Out>>;
  if (code == 97) return MakeBy<Out, &G::AppendCounty<Out>>;
  if (code >= 98 && code <= 101) return MakeBy<Out, &G::AppendPostCode<Out>>;
  if (code >= 105 && code <= 108) return MakeEmail<Out>;
  if (code == 206) return MakeCounter<Out>;
  if (code >= 16 && code <= 42) return MakeDate<Out>;
  return nullptr;
}

MakeValueFn MakerOf(int32_t code) {
  if (const MakeValueFn single = SingleMaker<std::string>(code)) return single;
  if ((code >= 54 && code <= 64 && code != 60) || (code >= 84 && code <= 91)) return MakePerson;
  if (code >= 92 && code <= 108) return MakeAddress;
  return MakeOther;
}

}  // namespace

void Generators::KeepSyncFor(const std::vector<int32_t>* codes) {
  if (!codes) {
    keep_ = ~0u;
    return;
  }
  uint32_t keep = 0;
  const auto reads = [&keep](SyncSlot slot) { keep |= 1u << slot; };
  for (const int32_t code : *codes) {
    // Middle name, initials and e-mail addresses.
    if (code == 59 || (code >= 61 && code <= 63) || (code >= 105 && code <= 108))
      reads(SyncForename);
    if (code == 61 || code == 63 || code == 105) reads(SyncMiddlename);
    if (code == 63 || code == 105 || code == 107 || code == 108) reads(SyncSurname);
    if (code == 90) reads(SyncTitle);    // marital status
    if (code == 91) reads(SyncMarital);  // spouse
    if (code >= 43 && code <= 46) reads(SyncBirthText);
    if (code >= 202 && code <= 205) reads(SyncBirthDate);
  }
  keep_ = keep;
}

ValueMaker Generators::MakerFor(int32_t code) {
  return {MakerOf(code), this, SingleMaker<TextOut>(code)};
}

void Generators::AppendValue(int32_t code, const std::string& param1, const std::string& param2,
                             std::string& out) {
  MakerOf(code)(this, code, param1, param2, out);
}

std::string Generators::GenerateText(int32_t code, const std::string& param1,
                                     const std::string& param2) {
  if (code == 14) return DatabaseLookup(code, param1, param2);
  if ((code >= 1 && code <= 13) || code == 15 || code == 65 || code == 109)
    return PatternText(code, param1, param2);
  if (code >= 16 && code <= 53) return DateTimeText(code, param1, param2);
  if (code >= 54 && code <= 91) return PersonText(code);
  if (code >= 92 && code <= 108) return AddressText(code, param1);
  return {};
}

std::string_view Generators::PickRandomText(int selector, int32_t* position) {
  if (position) *position = -1;
  const int list = ListOfSelector(selector);
  if (list < 0) return {};
  const int32_t n = state_.LookupCounts[list];
  if (n <= 0) {
    // The street list is read even when empty, so that a list whose file was
    // never loaded (still closed) reports itself instead of giving nothing.
    if (selector == kSelStreet) return lists_.PickListValue(selector, 0);
    return {};
  }
  const int32_t p = random_.RandomBetween(0, n - 1);
  if (position) *position = p;
  return ListValue(selector, p);
}

std::string Generators::FillPattern(const std::string& pattern, bool digits) {
  std::string out;
  out.reserve(pattern.size());
  for (char c : pattern) {
    if (c == '\\')
      out += random_.RandomLetter(false);
    else if (c == '!')
      out += random_.RandomLetter(true);
    else if (c == '~' && digits)
      out += random_.RandomDigit();
    else
      out += c;
  }
  return out;
}

std::pair<CivilDate, CivilDate> Generators::ReadDateRange(const std::string& param1,
                                                          const std::string& param2) {
  const CivilDate from = param1.empty() ? CivilDate{1900, 1, 1} : ParsedDate(param1);
  const CivilDate to = param2.empty() ? clock_.Today() : ParsedDate(param2);
  return {from, to};
}

const CivilDate& Generators::ParsedDate(const std::string& text) {
  for (size_t i = 0; i < date_parameters_used_; ++i)
    if (date_parameters_[i].text == text) return date_parameters_[i].date;
  // A text that is no date raises here every time, as it did before any
  // caching; only dates that could be read are kept.
  const CivilDate date = ReadDate(text);
  DateParameter& slot = date_parameters_[next_date_parameter_];
  next_date_parameter_ = (next_date_parameter_ + 1) % date_parameters_.size();
  if (date_parameters_used_ < date_parameters_.size()) ++date_parameters_used_;
  slot.text = text;
  slot.date = date;
  return slot.date;
}

std::string Generators::RandomDateText(int style, const std::string& param1,
                                       const std::string& param2) {
  std::string value;
  AppendRandomDate(style, param1, param2, value);
  return value;
}

template <class Out>
void Generators::AppendRandomDate(int style, const std::string& param1, const std::string& param2,
                                  Out& out) {
  // A range of two written dates is worked out once; one that ends today
  // is read again each time, since today may change while a run goes on.
  DayRange& range = day_range_;
  if (!range.set || param1.empty() || param2.empty() || param1 != range.from ||
      param2 != range.to) {
    const auto [from, to] = ReadDateRange(param1, param2);
    range.first = DaysFromCivil(from);
    range.span = DaysFromCivil(to) - range.first;
    range.set = !param1.empty() && !param2.empty();
    if (range.set) {
      range.from = param1;
      range.to = param2;
    }
  }
  const int64_t first = range.first;
  const int64_t span = range.span;
  const int32_t k = random_.RandomBetween(0, static_cast<int32_t>(span));
  AppendDateStyle(style, CivilFromDays(first + k), out);
}

std::string Generators::TimeText(int style) {
  auto two = [](int32_t v) {
    std::string s(2, '0');
    s[0] = static_cast<char>('0' + v / 10);
    s[1] = static_cast<char>('0' + v % 10);
    return s;
  };
  switch (style) {
    case 1: {
      const int32_t h = random_.RandomBetween(0, 23);
      const int32_t m = random_.RandomBetween(0, 59);
      return two(h) + ":" + two(m);
    }
    case 2: {
      const int32_t h = random_.RandomBetween(0, 23);
      const int32_t m = random_.RandomBetween(0, 59);
      const int32_t s = random_.RandomBetween(0, 59);
      return two(h) + ":" + two(m) + ":" + two(s);
    }
    case 3: {
      const int32_t h = random_.RandomBetween(0, 12);
      const int32_t m = random_.RandomBetween(0, 59);
      const int32_t a = random_.RandomBetween(0, 1);
      return two(h) + ":" + two(m) + (a == 1 ? " am" : " pm");
    }
    default:
      return {};
  }
}

template void Generators::AppendRandomDate(int, const std::string&, const std::string&,
                                           std::string&);
template void Generators::AppendRandomDate(int, const std::string&, const std::string&, TextOut&);

}  // namespace kestrove

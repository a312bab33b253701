// The eight generator families and the primitives they share. One object per
// run context: it reads and writes the run scratch state of the profile.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/clock.h"
#include "core/lookup_ids.h"
#include "core/profile.h"
#include "core/run_services.h"
#include "core/text_out.h"
#include "db/lookup_reader.h"
#include "generators/random.h"

namespace kestrove {

class Generators {
 public:
  Generators(ProfileState& state, RandomSource& random, ListSource& lists, const Clock& clock)
      : state_(state), random_(random), lists_(lists), clock_(clock) {}

  // The database lookups need a reader and someone to report their errors to;
  // without them a lookup yields empty text.
  void SetDatabase(LookupReader* reader, DatabaseErrorReporter* reporter) {
    lookup_reader_ = reader;
    error_reporter_ = reporter;
  }

  // The bytes literal form of the named-only binary choice.
  void SetBinaryLiteralForm(BinaryLiteralForm form) { binary_form_ = form; }

  // Dispatch on the code range; a code outside every range yields empty text.
  std::string Generate(int32_t code, const std::string& param1, const std::string& param2);
  // The same value appended to `out`: the choices a run uses most write
  // straight into it, without a string of their own.
  void AppendValue(int32_t code, const std::string& param1, const std::string& param2,
                   std::string& out);

  // The same appending, worked out once for a field of choice `code`.
  ValueMaker MakerFor(int32_t code);

  std::string GenerateText(int32_t code, const std::string& param1, const std::string& param2);
  std::string GenerateInteger(int32_t code, const std::string& param1, const std::string& param2);
  std::string GenerateFloat(int32_t code, const std::string& param1, const std::string& param2);
  std::string GenerateBoolean(int32_t code, const std::string& param1, const std::string& param2);
  std::string GenerateCurrency(int32_t code, const std::string& param1, const std::string& param2);
  std::string GenerateDate(int32_t code, const std::string& param1, const std::string& param2);
  std::string GenerateTime(int32_t code, const std::string& param1, const std::string& param2);
  std::string GenerateDateTime(int32_t code, const std::string& param1, const std::string& param2);
  // The choices only named profiles offer, codes 900 to 999 (BIGINT,
  // boolean, UUID, binary): the value as the whole SQL literal, quotes
  // included, since the run passes it as it comes.
  std::string GenerateNamedOnly(int32_t code, const std::string& param1, const std::string& param2);

  // --- Primitives ---

  // A random entry of a lookup list through its selector, or empty text for
  // an empty list (no draw). `position` receives the drawn position (-1 when
  // none was drawn).
  std::string PickRandomEntry(int selector, int32_t* position = nullptr) {
    return std::string(PickRandomText(selector, position));
  }
  // The same as a view into the list, valid until the list next changes.
  std::string_view PickRandomText(int selector, int32_t* position = nullptr);
  // The selector's text at `position` of its list, read straight from the
  // list's block while its view holds; `selector` is one ListOfSelector
  // knows.
  std::string_view ListValue(int selector, int32_t position) {
    ListSlots& view = list_views_[static_cast<size_t>(selector)];
    if (!view.Current()) {
      view = lists_.SlotsOf(selector);
      if (!view.Current()) return lists_.PickListValue(selector, position);
    }
    return view.At(position);
  }
  // "\" a small letter, "!" a capital, "~" a digit when `digits`, else kept.
  std::string FillPattern(const std::string& pattern, bool digits);
  // From (param1, or 1900/1/1) and To (param2, or today).
  std::pair<CivilDate, CivilDate> ReadDateRange(const std::string& param1,
                                                const std::string& param2);
  // A random date of the range in date style 1..27 (empty for other styles).
  std::string RandomDateText(int style, const std::string& param1, const std::string& param2);
  template <class Out>
  void AppendRandomDate(int style, const std::string& param1, const std::string& param2,
                        Out& out);
  // A random time of day in time style 1..3 (empty for other styles).
  std::string TimeText(int style);

  // The families the value makers call straight: person (54..91 but 60 and
  // 65), address (92..108) and the integer Counter (206), the table's
  // running number.
  void AppendPersonText(int32_t code, std::string& out);
  void AppendAddressText(int32_t code, const std::string& param1, std::string& out);
  template <class Out>
  void AppendCounter(const std::string& start_text, Out& out);
  // The single choices of those families, each of a code and its output.
  template <class Out>
  void AppendGender(int32_t code, Out& out);
  template <class Out>
  void AppendForename(int32_t code, Out& out);
  template <class Out>
  void AppendMiddlename(int32_t code, Out& out);
  template <class Out>
  void AppendSurname(int32_t code, Out& out);
  template <class Out>
  void AppendTitle(int32_t code, Out& out);
  template <class Out>
  void AppendMarital(int32_t code, Out& out);
  template <class Out>
  void AppendStreetAddress(int32_t code, Out& out);
  template <class Out>
  void AppendTown(int32_t code, Out& out);
  template <class Out>
  void AppendCounty(int32_t code, Out& out);
  template <class Out>
  void AppendPostCode(int32_t code, Out& out);
  template <class Out>
  void AppendEmail(int32_t code, const std::string& domain_word, Out& out);

  // The record's sync slots that fields of the table read (a name the
  // e-mail is made of, the title the marital status follows, ...); a slot
  // no field reads is not written. Null: every slot is written, as it is
  // outside a table's run.
  void KeepSyncFor(const std::vector<int32_t>* codes);
  bool Keeps(SyncSlot slot) const { return (keep_ >> slot & 1u) != 0; }

  RandomSource& Random() { return random_; }
  ProfileState& State() { return state_; }

 private:
  // Pattern, counter, number, choice, lookup, blank and company: 1..13, 15, 65, 109.
  std::string PatternText(int32_t code, const std::string& param1, const std::string& param2);
  // Gender, names, initials, title, marital status, spouse: 54..91 but 65.
  std::string PersonText(int32_t code);
  // Address, town, county, post code, telephone, email: 92..108.
  std::string AddressText(int32_t code, const std::string& param1);
  // Date, age and time of text fields: 16..53.
  std::string DateTimeText(int32_t code, const std::string& param1, const std::string& param2);
  // Age of integer fields: 202..205.
  std::string IntegerAge(int32_t code);
  // Database lookups: 14, 207, 302, 502.
  std::string DatabaseLookup(int32_t code, const std::string& field, const std::string& table);

  // Helpers of the families above.
  std::string IncrementText(const std::string& fixed_part, const std::string& start_text);
  std::string NumberText(int32_t code, const std::string& from_text, const std::string& to_text);
  std::string ChoiceText(const std::string& list);
  // Settles RecordGender (1 male, 2 female) when it is still undecided.
  int32_t DecideGender();
  // These three keep their value in the record's sync slot too.
  std::string_view MiddlenameText();
  std::string_view DrawMiddlename();
  std::string_view TitleText(int32_t code);
  std::string_view MaritalText();
  // Age kinds 1..4 (random child, random adult, elapsed years, elapsed days)
  // against the birth date held in `birth_slot`.
  std::string AgeText(int kind, SyncSlot birth_slot);
  std::string FloatRandomText(const std::string& from_text, const std::string& to_text);
  std::string CurrencyRandomText(const std::string& from_text, const std::string& to_text);

  // A date parameter read as text every record: parsed once per text.
  const CivilDate& ParsedDate(const std::string& text);
  struct DateParameter {
    std::string text;
    CivilDate date;
  };
  std::array<DateParameter, 8> date_parameters_;
  // The day numbers of the last random date range of two written dates.
  struct DayRange {
    std::string from, to;
    int64_t first = 0, span = 0;
    bool set = false;
  };
  DayRange day_range_;
  size_t date_parameters_used_ = 0, next_date_parameter_ = 0;
  // The decimal text of the counter value written last, counted up in
  // place while the counter goes up by one.
  struct CounterText {
    int32_t value = -1;
    uint8_t size = 0;
    char digits[12] = {};
  };
  CounterText counter_text_;

  void Keep(SyncSlot slot, std::string_view value) {
    if (Keeps(slot)) state_.RecordSync[slot].assign(value);
  }
  uint32_t keep_ = ~0u;

  ProfileState& state_;
  RandomSource& random_;
  ListSource& lists_;
  std::array<ListSlots, 15> list_views_{};
  const Clock& clock_;
  LookupReader* lookup_reader_ = nullptr;
  DatabaseErrorReporter* error_reporter_ = nullptr;
  BinaryLiteralForm binary_form_ = BinaryLiteralForm::kHexX;
};

}  // namespace kestrove

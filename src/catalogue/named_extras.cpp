// The field-level extras of a named profile (NULL shares and ordered dates),
// placed beside the positional profile that PlaceNamedProfile made.
#include <algorithm>
#include <charconv>

#include "catalogue/named_profile.h"
#include "generators/ordered_dates.h"

namespace kestrove {

namespace {

std::string Where(const std::string& source, const NamedTable& table, const NamedField& field) {
  std::string out = source;
  if (field.line > 0) out += ":" + std::to_string(field.line);
  return out + ": table \"" + table.name + "\", field \"" + field.name + "\": ";
}

int FieldSlot(const TTableStruct& table, const std::string& name) {
  for (int f = 0; f < kMaxFields; ++f)
    if (table.Fields[f].FieldName == name) return f;
  return -1;
}

// The gap when `after` is written without one.
constexpr int32_t kDefaultGapFrom = 0;
constexpr int32_t kDefaultGapTo = 30;

}  // namespace

std::optional<std::pair<int32_t, int32_t>> ReadGap(std::string_view text) {
  auto number = [](std::string_view digits, int32_t& value) {
    if (digits.empty()) return false;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size() && value >= 0;
  };
  const size_t dash = text.find('-');
  int32_t from = 0, to = 0;
  if (dash == std::string_view::npos) {
    if (!number(text, from)) return std::nullopt;
    return std::pair{from, from};
  }
  if (!number(text.substr(0, dash), from) || !number(text.substr(dash + 1), to) || to < from)
    return std::nullopt;
  return std::pair{from, to};
}

void PlaceFieldExtras(const NamedProfile& profile, const ProfileState& state, FieldExtras& extras) {
  extras.Clear();
  for (const NamedTable& named : profile.tables) {
    int slot = -1;
    for (int t = 0; t < kMaxTables && slot < 0; ++t)
      if (state.Tables[t].TableName == named.name) slot = t;
    if (slot < 0) continue;
    const TTableStruct& table = state.Tables[slot];
    for (const NamedField& field : named.fields) {
      if (!field.null_share && field.after.empty()) continue;
      const std::string where = Where(profile.source, named, field);
      const int f = FieldSlot(table, field.name);
      if (f < 0 || table.Fields[f].ChoiceCode == 0)
        throw ENamedProfileError(where +
                                 "the field is not generated, so it takes no \"null\" or "
                                 "\"after\"");
      FieldExtra extra;
      extra.NullShare = field.null_share.value_or(0);
      if (!field.after.empty()) {
        const char* drawn = "a Date (text), a Random Date or a Random DateTime";
        if (DateFormOfCode(table.Fields[f].ChoiceCode).style == 0)
          throw ENamedProfileError(where + "\"after\" needs the field's choice to be " + drawn);
        const int earlier = FieldSlot(table, field.after);
        const bool named_here =
            std::any_of(named.fields.begin(), named.fields.end(),
                        [&](const NamedField& other) { return other.name == field.after; });
        if (earlier < 0 || !named_here)
          throw ENamedProfileError(where + "\"after\" names \"" + field.after +
                                   "\", which is no field of the table's profile" + [&] {
                                     std::vector<std::string> names;
                                     for (const NamedField& other : named.fields)
                                       names.push_back(other.name);
                                     const std::string near = NearestName(field.after, names);
                                     return near.empty() ? "" : " (did you mean \"" + near + "\"?)";
                                   }());
        // Values are made in field order: the earlier date must be made first.
        if (earlier >= f)
          throw ENamedProfileError(where + "\"after\" names \"" + field.after +
                                   "\", which comes after it in the table's field list; the "
                                   "earlier date must come first");
        if (DateFormOfCode(table.Fields[earlier].ChoiceCode).style == 0)
          throw ENamedProfileError(where + "\"after\" names \"" + field.after +
                                   "\", whose choice is not " + drawn);
        const auto gap = field.gap.empty() ? std::pair{kDefaultGapFrom, kDefaultGapTo}
                                           : ReadGap(field.gap).value_or(std::pair{0, 0});
        extra.After = earlier;
        extra.GapFrom = gap.first;
        extra.GapTo = gap.second;
      }
      extras.Set(slot, f, extra);
    }
  }
}

}  // namespace kestrove

// Formatted, Increment, Number, the user-list Lookups, Choice, Blank and
// Company: the general-purpose text generators.
#include <string>

#include "core/errors.h"
#include "generators/generators.h"

namespace kestrove {

namespace {

// Adds without overflow: a counter at the top of the 32-bit range wraps,
// as the stored counter always has.
int32_t WrappingAdd(int32_t value, int32_t delta) {
  return static_cast<int32_t>(static_cast<uint32_t>(value) + static_cast<uint32_t>(delta));
}

}  // namespace

std::string Generators::PatternText(int32_t code, const std::string& param1,
                                    const std::string& param2) {
  switch (code) {
    case 1:
      return FillPattern(param1, true);
    case 2:
      return IncrementText(param1, param2);
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
      return NumberText(code, param1, param2);
    case 8:
    case 9:
    case 10:
    case 11:
    case 12:
    case 13:
      return PickRandomEntry(kSelUser1 + (code - 8));
    case 15:
      return ChoiceText(param1);
    case 65:
      return " ";
    case 109:
      return PickRandomEntry(kSelCompany);
    default:
      return {};
  }
}

std::string Generators::IncrementText(const std::string& fixed_part,
                                      const std::string& start_text) {
  const int32_t start = start_text.empty() ? 0 : StrToInt(start_text);
  if (state_.TableCounter < start) state_.TableCounter = start;
  // The number goes where the first "~" stands, or at the end.
  const size_t tilde = fixed_part.find('~');
  const std::string prefix = FillPattern(fixed_part.substr(0, tilde), false);
  const std::string suffix =
      tilde == std::string::npos ? std::string() : FillPattern(fixed_part.substr(tilde + 1), false);
  std::string value = prefix + std::to_string(state_.TableCounter) + suffix;
  state_.TableCounter = WrappingAdd(state_.TableCounter, 1);
  return value;
}

std::string Generators::NumberText(int32_t code, const std::string& from_text,
                                   const std::string& to_text) {
  if (from_text.empty() || to_text.empty()) return {};
  const int32_t from = StrToInt(from_text);
  const int32_t to = StrToInt(to_text);
  if (code == 3) return std::to_string(random_.RandomBetween(from, to));
  // The whole part stops one short of To, so the decimals keep the value below it.
  std::string value = std::to_string(random_.RandomBetween(from, WrappingAdd(to, -1)));
  value += '.';
  for (int32_t i = 0; i < code - 3; ++i) value += random_.RandomDigit();
  return value;
}

std::string Generators::ChoiceText(const std::string& list) {
  if (list.empty()) return {};
  std::string text = list;
  if (text.back() == ';') text.pop_back();
  // Items 1 to 16 take a slot each; every later item overwrites slot 16, so
  // that slot ends with the last item.
  constexpr int32_t kLastSlot = 16;
  int32_t used = 0;
  size_t begin = 0;
  while (true) {
    const size_t end = text.find(';', begin);
    const int32_t slot = used < kLastSlot ? used : kLastSlot;
    state_.ChoiceItems[slot] = text.substr(begin, end == std::string::npos ? end : end - begin);
    if (used <= kLastSlot) ++used;
    if (end == std::string::npos) break;
    begin = end + 1;
  }
  return state_.ChoiceItems[random_.RandomBetween(1, used) - 1];
}

}  // namespace kestrove

// Placeholder bodies until each family's own file lands; every one yields
// empty text. Delete this file once the families are in place.
#include "generators/generators.h"

namespace kestrove {

std::string Generators::PatternText(int32_t, const std::string&, const std::string&) { return {}; }
std::string Generators::PersonText(int32_t) { return {}; }
std::string Generators::AddressText(int32_t, const std::string&) { return {}; }
std::string Generators::DateTimeText(int32_t, const std::string&, const std::string&) { return {}; }
std::string Generators::IntegerAge(int32_t) { return {}; }
std::string Generators::GenerateInteger(int32_t, const std::string&, const std::string&) { return {}; }
std::string Generators::GenerateFloat(int32_t, const std::string&, const std::string&) { return {}; }
std::string Generators::GenerateBoolean(int32_t, const std::string&, const std::string&) { return {}; }
std::string Generators::GenerateCurrency(int32_t, const std::string&, const std::string&) { return {}; }
std::string Generators::GenerateDate(int32_t, const std::string&, const std::string&) { return {}; }
std::string Generators::GenerateTime(int32_t, const std::string&, const std::string&) { return {}; }
std::string Generators::GenerateDateTime(int32_t, const std::string&, const std::string&) { return {}; }

}  // namespace kestrove

// Placeholder until the database lookup lands: yields empty text.
#include "generators/generators.h"

namespace kestrove {

std::string Generators::DatabaseLookup(int32_t, const std::string&, const std::string&) { return {}; }

}  // namespace kestrove

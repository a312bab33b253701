// The choices that only named profiles offer: columns of types the window
// cannot generate (BIGINT, boolean, UUID, binary). They live in a table of
// their own, beside the window's choice catalogue, under class numbers and
// choice codes that no window list uses, so the window's lists, its codes
// and the .prf files never see them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/choice_catalogue.h"
#include "core/field_types.h"

namespace kestrove {

struct ColumnFacts;

// Class numbers past the window's ten.
enum NamedOnlyClass : int32_t {
  kClassBigint = 11,
  kClassBool = 12,
  kClassUuid = 13,
  kClassBinary = 14,
};

constexpr bool IsNamedOnlyClass(int32_t type_class) {
  return type_class >= kClassBigint && type_class <= kClassBinary;
}

// The classes in the order a message lists them.
const std::vector<int32_t>& NamedOnlyClasses();
// "bigint", "bool", "uuid", "binary"; empty for any other class.
std::string NamedOnlyClassName(int32_t type_class);
std::optional<int32_t> NamedOnlyClassOfName(std::string_view name);

// The entries of a named-only class, entry 0 ("Do not update") included;
// empty for any other class.
const std::vector<CatalogueEntry>& NamedOnlyEntries(int32_t type_class);

// The entries of any class: the window's catalogue for classes 2 to 10,
// the named-only table for 11 to 14.
const std::vector<CatalogueEntry>& EntriesOfClass(int32_t type_class);

// Position of the entry with choice list text `text` in EntriesOfClass,
// or -1.
int32_t FindEntryOfClass(int32_t type_class, std::string_view text);

// The named-only class a column would take by what the data source tells
// of it ("bigint", "bool", "uuid", "binary"), or "" when the window's
// classes serve it.
std::string NamedOnlyClassFor(const ColumnFacts& column);

}  // namespace kestrove

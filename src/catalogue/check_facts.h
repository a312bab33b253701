// Reading a CHECK constraint as the database states it into a range or a
// list of values on one column, where it is simple enough to honour.
#pragma once

#include <optional>
#include <string>

#include "catalogue/draft.h"

namespace kestrove {

struct ColumnCheck {
  std::string column;  // as named in the check, unquoted; "VALUE" in a domain's
  CheckFacts facts;
};

// Conditions joined by AND on one column: `c BETWEEN a AND b`, `c IN (...)`
// (PostgreSQL's `c = ANY (ARRAY[...])`), `c = v`, and `c` compared by >=,
// <=, > or < with a constant on either side. Casts (::date), typed literals
// (DATE '...'), quotes around names and parentheses are read through. Any
// other condition (OR, a function, a second column) gives nothing.
std::optional<ColumnCheck> ParseCheck(const std::string& text);

}  // namespace kestrove

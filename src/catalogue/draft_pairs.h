// Which columns the draft fills as pairs: a date drawn after another date of
// the same record, known by the columns' names, and the share of NULLs of a
// nullable column.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/draft.h"

namespace kestrove {

// For a date or date-time column that is the later of a pair its table's
// columns make by name (start/end, created/updated, ordered/shipped,
// rental/return, born before joined), the earlier column, which comes
// before it in the table, and the gap in days ("1-14"); nullopt otherwise.
std::optional<std::pair<std::string, std::string>> OrderedAfter(
    const ColumnFacts& column, const std::vector<ColumnFacts>& columns);

// The share of NULLs the draft gives a nullable column it fills: none for a
// NOT NULL column or one of the table's primary or unique keys.
std::optional<double> NullShareFor(const ColumnFacts& column, const TableFacts& table);

}  // namespace kestrove

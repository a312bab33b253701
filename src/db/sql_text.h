// The SQL texts the database layer builds and the text it makes of values:
// named-parameter conversion, the table reader's SELECT and its row count,
// the object types of a table listing, and numbers, dates and times as text.
// Plain text work, free of the ODBC headers and of any connection.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrove {

// The text as it goes to the driver: outside string literals every ":name"
// becomes "?" and its name is added to `parameters`. Raises EDatabaseError
// "Invalid parameter token in SQL statement." for a colon with no name.
std::string ConvertSqlParameters(const std::string& text, std::vector<std::string>* parameters);

// "SELECT * FROM " + the table, the name between two `quote` characters
// (double quotes, or the backticks of MySQL and MariaDB) when it holds a
// blank or a "$", unless it holds " AS ", "{FN " or a double quote.
std::string SelectText(const std::string& table, char quote = '"');

// The row count text of a query: "SELECT Count(*)" + the text from " FROM "
// on, without GROUP BY and ORDER BY; empty when the query has no " FROM " or
// uses DISTINCT, HAVING or UNION.
std::string CountText(const std::string& select_text);

// Object type text for SQLTables: "'TABLE'", "'VIEW'", "'SYSTEM TABLE'"
// joined by ", "; empty when no kind is wanted.
std::string ObjectTypeText(bool tables, bool views, bool system_tables);

// The general number format: up to 15 significant digits, plain notation for
// values of at least 0.00001 in size with at most 15 digits before the
// decimal point, exponent notation ("1.5E-7", "1E20") otherwise.
std::string FormatFloat(double value);

// A date as yyyy/mm/dd, a time as hh:mm:ss, and a date with its time
// separated by a blank, the time left out at midnight exactly.
std::string FormatDate(int year, unsigned month, unsigned day);
std::string FormatTime(unsigned hour, unsigned minute, unsigned second);
std::string FormatDateTime(int year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                           unsigned second, uint32_t fraction);

}  // namespace kestrove

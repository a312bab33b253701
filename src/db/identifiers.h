// Names as a data source needs them in a statement, and the sequences a run
// keeps in step: what named-profile runs on a data source add to the
// window's statements (which keep their names as they are).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrove {

class DbConnection;

// How a data source wants its names: the identifier quote (SQLGetInfo
// SQL_IDENTIFIER_QUOTE_CHAR), the case it folds unquoted names to
// (SQL_IDENTIFIER_CASE), and its reserved words (SQL_KEYWORDS, with the
// ODBC list added).
struct IdentifierRules {
  char quote = '"';  // 0 when the data source quotes no names
  enum class Folding { kNone, kLower, kUpper } folds = Folding::kNone;
  std::vector<std::string> keywords;  // upper case, sorted
};

// The rules of the connected data source. Raises EODBC when not connected
// and the connect fails.
IdentifierRules ReadIdentifierRules(DbConnection& connection);

// True for a word of ODBC's reserved list (without regard to case).
bool IsOdbcReservedWord(std::string_view word);

// One name as it goes into a statement: between the quotes, with a quote
// inside doubled, when it holds anything but letters, digits and "_",
// starts with a digit, has a letter of the case the data source folds away,
// or is a reserved word; otherwise as it is.
std::string QuoteIdentifier(const std::string& name, const IdentifierRules& rules);
// A table's name: "schema.table" quoted part by part.
std::string QuoteTableName(const std::string& name, const IdentifierRules& rules);

// Moves each sequence that feeds one of `columns` of `table` (a SERIAL or
// identity column) past the largest value the table holds, so the next
// Insert that leaves the column to the database does not repeat a key the
// run wrote. PostgreSQL only: MariaDB's AUTO_INCREMENT and SQLite's rowid
// and sqlite_sequence move past explicit values by themselves. Raises EODBC.
void KeepSequencesInStep(DbConnection& connection, const std::string& table,
                         const std::vector<std::string>& columns, const IdentifierRules& rules);

// True when the data source takes bytes as decode('..','hex') rather than
// X'..' (PostgreSQL's bytea).
bool BytesAsDecodeHex(DbConnection& connection);

}  // namespace kestrove

#include "db/identifiers.h"

#include <algorithm>
#include <cctype>

#include "db/connection.h"
#include "db/odbc_internal.h"
#include "db/statement.h"

namespace kestrove {

namespace {

// The reserved words of ODBC 3 (the ODBC Programmer's Reference, appendix
// C), which a driver's SQL_KEYWORDS leaves out as known.
// clang-format off
constexpr std::string_view kOdbcReserved[] = {
    "ABSOLUTE", "ACTION", "ADA", "ADD", "ALL", "ALLOCATE", "ALTER", "AND", "ANY", "ARE", "AS",
    "ASC", "ASSERTION", "AT", "AUTHORIZATION", "AVG", "BEGIN", "BETWEEN", "BIT", "BIT_LENGTH",
    "BOTH", "BY", "CASCADE", "CASCADED", "CASE", "CAST", "CATALOG", "CHAR", "CHAR_LENGTH",
    "CHARACTER", "CHARACTER_LENGTH", "CHECK", "CLOSE", "COALESCE", "COLLATE", "COLLATION",
    "COLUMN", "COMMIT", "CONNECT", "CONNECTION", "CONSTRAINT", "CONSTRAINTS", "CONTINUE",
    "CONVERT", "CORRESPONDING", "COUNT", "CREATE", "CROSS", "CURRENT", "CURRENT_DATE",
    "CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_USER", "CURSOR", "DATE", "DAY", "DEALLOCATE",
    "DEC", "DECIMAL", "DECLARE", "DEFAULT", "DEFERRABLE", "DEFERRED", "DELETE", "DESC",
    "DESCRIBE", "DESCRIPTOR", "DIAGNOSTICS", "DISCONNECT", "DISTINCT", "DOMAIN", "DOUBLE", "DROP",
    "ELSE", "END", "END-EXEC", "ESCAPE", "EXCEPT", "EXCEPTION", "EXEC", "EXECUTE", "EXISTS",
    "EXTERNAL", "EXTRACT", "FALSE", "FETCH", "FIRST", "FLOAT", "FOR", "FOREIGN", "FORTRAN",
    "FOUND", "FROM", "FULL", "GET", "GLOBAL", "GO", "GOTO", "GRANT", "GROUP", "HAVING", "HOUR",
    "IDENTITY", "IMMEDIATE", "IN", "INCLUDE", "INDEX", "INDICATOR", "INITIALLY", "INNER", "INPUT",
    "INSENSITIVE", "INSERT", "INT", "INTEGER", "INTERSECT", "INTERVAL", "INTO", "IS", "ISOLATION",
    "JOIN", "KEY", "LANGUAGE", "LAST", "LEADING", "LEFT", "LEVEL", "LIKE", "LOCAL", "LOWER",
    "MATCH", "MAX", "MIN", "MINUTE", "MODULE", "MONTH", "NAMES", "NATIONAL", "NATURAL", "NCHAR",
    "NEXT", "NO", "NONE", "NOT", "NULL", "NULLIF", "NUMERIC", "OCTET_LENGTH", "OF", "ON", "ONLY",
    "OPEN", "OPTION", "OR", "ORDER", "OUTER", "OUTPUT", "OVERLAPS", "PAD", "PARTIAL", "PASCAL",
    "POSITION", "PRECISION", "PREPARE", "PRESERVE", "PRIMARY", "PRIOR", "PRIVILEGES",
    "PROCEDURE", "PUBLIC", "READ", "REAL", "REFERENCES", "RELATIVE", "RESTRICT", "REVOKE",
    "RIGHT", "ROLLBACK", "ROWS", "SCHEMA", "SCROLL", "SECOND", "SECTION", "SELECT", "SESSION",
    "SESSION_USER", "SET", "SIZE", "SMALLINT", "SOME", "SPACE", "SQL", "SQLCA", "SQLCODE",
    "SQLERROR", "SQLSTATE", "SQLWARNING", "SUBSTRING", "SUM", "SYSTEM_USER", "TABLE",
    "TEMPORARY", "THEN", "TIME", "TIMESTAMP", "TIMEZONE_HOUR", "TIMEZONE_MINUTE", "TO",
    "TRAILING", "TRANSACTION", "TRANSLATE", "TRANSLATION", "TRIM", "TRUE", "UNION", "UNIQUE",
    "UNKNOWN", "UPDATE", "UPPER", "USAGE", "USER", "USING", "VALUE", "VALUES", "VARCHAR",
    "VARYING", "VIEW", "WHEN", "WHENEVER", "WHERE", "WITH", "WORK", "WRITE", "YEAR", "ZONE"};
// clang-format on

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// SQL_KEYWORDS runs to a few thousand characters on some drivers: the
// connection's InfoText keeps only the first 255.
std::string LongInfoText(DbConnection& connection, SQLUSMALLINT info) {
  std::string text(8192, '\0');
  SQLSMALLINT length = 0;
  const SQLRETURN rc = SQLGetInfo(connection.Handle(), info, text.data(),
                                  static_cast<SQLSMALLINT>(text.size()), &length);
  if (!Succeeded(rc)) return {};
  text.resize(
      std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)), text.size() - 1));
  return text;
}

bool IsPostgres(DbConnection& connection) {
  return Lower(connection.DbmsName()).find("postgresql") != std::string::npos;
}

// A name as a text literal ('...' with quotes doubled).
std::string Literal(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

}  // namespace

bool IsOdbcReservedWord(std::string_view word) {
  const std::string upper = Upper(word);
  return std::find(std::begin(kOdbcReserved), std::end(kOdbcReserved), upper) !=
         std::end(kOdbcReserved);
}

IdentifierRules ReadIdentifierRules(DbConnection& connection) {
  if (!connection.Connected()) connection.Connect();
  IdentifierRules rules;
  const std::string quote = connection.InfoText(SQL_IDENTIFIER_QUOTE_CHAR);
  // A blank says the data source quotes no names.
  rules.quote = quote.empty() || quote[0] == ' ' ? '\0' : quote[0];
  SQLUSMALLINT folding = 0;
  if (Succeeded(SQLGetInfo(connection.Handle(), SQL_IDENTIFIER_CASE, &folding, sizeof folding,
                           nullptr))) {
    if (folding == SQL_IC_LOWER) rules.folds = IdentifierRules::Folding::kLower;
    if (folding == SQL_IC_UPPER) rules.folds = IdentifierRules::Folding::kUpper;
  }
  const std::string keywords = LongInfoText(connection, SQL_KEYWORDS);
  size_t start = 0;
  while (start < keywords.size()) {
    size_t end = keywords.find(',', start);
    if (end == std::string::npos) end = keywords.size();
    std::string word = Upper(keywords.substr(start, end - start));
    word.erase(0, std::min(word.find_first_not_of(' '), word.size()));
    while (!word.empty() && word.back() == ' ') word.pop_back();
    if (!word.empty()) rules.keywords.push_back(std::move(word));
    start = end + 1;
  }
  std::sort(rules.keywords.begin(), rules.keywords.end());
  return rules;
}

std::string QuoteIdentifier(const std::string& name, const IdentifierRules& rules) {
  if (rules.quote == '\0' || name.empty()) return name;
  bool plain = !std::isdigit(static_cast<unsigned char>(name[0]));
  for (char c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (!(std::isalnum(u) || c == '_')) plain = false;
    // A data source that folds names reads a capital (or a small letter)
    // as another name unless it is quoted: "Customer" is not customer.
    if (rules.folds == IdentifierRules::Folding::kLower && std::isupper(u)) plain = false;
    if (rules.folds == IdentifierRules::Folding::kUpper && std::islower(u)) plain = false;
  }
  if (plain && (IsOdbcReservedWord(name) ||
                std::binary_search(rules.keywords.begin(), rules.keywords.end(), Upper(name))))
    plain = false;
  if (plain) return name;
  std::string out(1, rules.quote);
  for (char c : name) {
    if (c == rules.quote) out += c;
    out += c;
  }
  return out + rules.quote;
}

std::string QuoteTableName(const std::string& name, const IdentifierRules& rules) {
  const size_t dot = name.find('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == name.size())
    return QuoteIdentifier(name, rules);
  return QuoteIdentifier(name.substr(0, dot), rules) + "." +
         QuoteIdentifier(name.substr(dot + 1), rules);
}

void KeepSequencesInStep(DbConnection& connection, const std::string& table,
                         const std::vector<std::string>& columns, const IdentifierRules& rules) {
  // MariaDB moves AUTO_INCREMENT past the largest value inserted, and
  // SQLite's rowid (and sqlite_sequence, for AUTOINCREMENT) do the same:
  // only PostgreSQL's sequences stay where they were.
  if (!IsPostgres(connection)) return;
  const std::string quoted = QuoteTableName(table, rules);
  for (const std::string& column : columns) {
    // pg_get_serial_sequence names the sequence of a SERIAL or identity
    // column (NULL for any other), and setval takes no NULL: a column
    // without a sequence, or a table without rows, leaves everything as it
    // is. The table's name is given as it is quoted in SQL.
    // The column's name, unlike the table's, is taken literally.
    DbStatement statement(connection);
    statement.SetSQL("SELECT setval(pg_get_serial_sequence(" + Literal(quoted) + ", " +
                     Literal(column) + "), (SELECT max(" + QuoteIdentifier(column, rules) +
                     ") FROM " + quoted + "))");
    statement.Execute();
    statement.Terminate();
  }
}

bool BytesAsDecodeHex(DbConnection& connection) {
  // bytea reads '\x0a1b' only with standard_conforming_strings on;
  // decode(..., 'hex') reads the same either way.
  return IsPostgres(connection);
}

}  // namespace kestrove

#include "catalogue/named_choices.h"

#include <algorithm>
#include <cctype>

#include "catalogue/draft.h"

namespace kestrove {

namespace {

const std::nullopt_t kNone = std::nullopt;

CatalogueEntry DoNotUpdate() {
  return {
      "Do not update", "Do not generate data for this field", kNone, kNone, kNone, {}, kNone, 0};
}

std::vector<CatalogueEntry> BigintEntries() {
  return {DoNotUpdate(),
          {"Counter",
           "A running number of 64 bits, from the starting value (or 1) up, one step per "
           "record. It starts again in each table.",
           "Starting Value",
           kNone,
           kNone,
           {},
           kNone,
           kBigintCounter},
          {"Random",
           "A whole number of 64 bits from From to To, both included.",
           "From",
           "To",
           kNone,
           {},
           kNone,
           kBigintRandom},
          {"Fixed Value",
           "The value as typed, in every record.",
           "Value",
           kNone,
           kNone,
           {},
           kNone,
           kBigintFixed},
          {"Database Lookup",
           "The value of a column of a random row of another table, read as a whole number of "
           "64 bits.",
           "Field Name",
           "TableName",
           kNone,
           {},
           kNone,
           kBigintLookup}};
}

std::vector<CatalogueEntry> BoolEntries() {
  return {
      DoNotUpdate(),
      {"Random", "TRUE or FALSE, each half the time.", kNone, kNone, kNone, {}, kNone, kBoolRandom},
      {"Fixed Value",
       "The value as typed (TRUE or FALSE), in every record.",
       "Value",
       kNone,
       kNone,
       {},
       kNone,
       kBoolFixed}};
}

std::vector<CatalogueEntry> UuidEntries() {
  return {DoNotUpdate(),
          {"UUID",
           "A random UUID of version 4, such as 0f8fad5b-d9cb-469f-a165-70867728950e.",
           kNone,
           kNone,
           kNone,
           {},
           kNone,
           kUuidRandom}};
}

std::vector<CatalogueEntry> BinaryEntries() {
  return {DoNotUpdate(),
          {"Random Bytes",
           "Random bytes: as many as the column holds, or Length bytes when given.",
           "Length",
           kNone,
           kNone,
           {},
           kNone,
           kBinaryRandom}};
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// ODBC SQL types, by number: the catalogue stays free of the ODBC headers.
constexpr int16_t kSqlBigint = -5;
constexpr int16_t kSqlBit = -7;
constexpr int16_t kSqlGuid = -11;
constexpr int16_t kSqlBinary = -2;
constexpr int16_t kSqlVarbinary = -3;
constexpr int16_t kSqlLongVarbinary = -4;

}  // namespace

const std::vector<int32_t>& NamedOnlyClasses() {
  static const std::vector<int32_t> classes = {kClassBigint, kClassBool, kClassUuid, kClassBinary};
  return classes;
}

std::string NamedOnlyClassName(int32_t type_class) {
  switch (type_class) {
    case kClassBigint:
      return "bigint";
    case kClassBool:
      return "bool";
    case kClassUuid:
      return "uuid";
    case kClassBinary:
      return "binary";
    default:
      return "";
  }
}

std::optional<int32_t> NamedOnlyClassOfName(std::string_view name) {
  for (int32_t c : NamedOnlyClasses())
    if (NamedOnlyClassName(c) == name) return c;
  return std::nullopt;
}

const std::vector<CatalogueEntry>& NamedOnlyEntries(int32_t type_class) {
  static const std::vector<CatalogueEntry> bigint = BigintEntries(), boolean = BoolEntries(),
                                           uuid = UuidEntries(), binary = BinaryEntries(), none;
  switch (type_class) {
    case kClassBigint:
      return bigint;
    case kClassBool:
      return boolean;
    case kClassUuid:
      return uuid;
    case kClassBinary:
      return binary;
    default:
      return none;
  }
}

const std::vector<CatalogueEntry>& EntriesOfClass(int32_t type_class) {
  return IsNamedOnlyClass(type_class) ? NamedOnlyEntries(type_class) : CatalogueEntries(type_class);
}

int32_t FindEntryOfClass(int32_t type_class, std::string_view text) {
  if (!IsNamedOnlyClass(type_class)) return FindCatalogueEntry(type_class, text);
  const auto& entries = NamedOnlyEntries(type_class);
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].text == text) return static_cast<int32_t>(i);
  return -1;
}

std::string NamedOnlyClassFor(const ColumnFacts& column) {
  const std::string type = Lower(column.type_name);
  auto starts = [&](const char* prefix) { return type.rfind(prefix, 0) == 0; };
  if (column.sql_type == kSqlGuid || type == "uuid") return "uuid";
  // PostgreSQL's boolean reaches ODBC as text ("bool"), MariaDB's BOOLEAN
  // as TINYINT(1): only the type's own name tells them.
  if (column.sql_type == kSqlBit || type == "bool" || type == "boolean" || type == "tinyint(1)")
    return "bool";
  if (column.sql_type == kSqlBigint || starts("bigint") || type == "int8" || type == "bigserial")
    return "bigint";
  if (column.sql_type == kSqlBinary || column.sql_type == kSqlVarbinary ||
      column.sql_type == kSqlLongVarbinary || type == "bytea" || starts("blob") ||
      starts("binary") || starts("varbinary"))
    return "binary";
  return "";
}

}  // namespace kestrove

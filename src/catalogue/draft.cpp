#include "catalogue/draft.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <limits>
#include <optional>

#include "catalogue/choice_catalogue.h"
#include "catalogue/draft_pairs.h"
#include "core/clock.h"
#include "core/errors.h"
#include "util/text.h"

namespace kestrove {
namespace {

// Every comment the draft writes is made here, one line of UTF-8 whatever
// the text holds (a driver's message may span lines or hold any byte), so
// the draft always parses.
std::string Comment(const std::string& text) {
  std::string line = OneLineUtf8(text);
  std::replace(line.begin(), line.end(), '\t', '?');  // as the tools show a tab
  return "# " + line + "\n";
}

// A TOML file holds UTF-8 text only.
constexpr const char* kNotUtf8 = "is not UTF-8 text, which a TOML file cannot hold";

bool FieldIsUtf8(const NamedField& field) {
  bool ok = IsValidUtf8(field.name) && IsValidUtf8(field.choice);
  for (const NamedParam& p : field.params) ok = ok && IsValidUtf8(p.label) && IsValidUtf8(p.value);
  return ok;
}

bool NameIs(const std::string& lower, std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (lower == n) return true;
  return false;
}

bool NameHas(const std::string& lower, std::initializer_list<const char*> parts) {
  for (const char* p : parts)
    if (lower.find(p) != std::string::npos) return true;
  return false;
}

// True when the name is one of `names`, or ends in "_" and one of them
// (billing_town, contact_gender).
bool NameEndsIn(const std::string& lower, std::initializer_list<const char*> names) {
  for (const char* n : names) {
    const size_t length = std::char_traits<char>::length(n);
    if (lower == n ||
        (lower.size() > length + 1 && lower.compare(lower.size() - length, length, n) == 0 &&
         lower[lower.size() - length - 1] == '_'))
      return true;
  }
  return false;
}

NamedField Choice(const std::string& name, const char* choice,
                  std::vector<NamedParam> params = {}) {
  NamedField field;
  field.name = name;
  field.choice = choice;
  field.params = std::move(params);
  return field;
}

// Dates other than birth dates (joined, hired, invoiced) are drawn from this
// day to today rather than from 1900.
const char* const kRecentFrom = "2000/1/1";

// The ODBC SQL types the facts may carry (sql.h and sqlext.h), named here so
// that the draft needs no driver header.
constexpr int16_t kSqlNumeric = 2, kSqlDecimal = 3, kSqlSmallint = 5, kSqlBigint = -5,
                  kSqlTinyint = -6, kSqlBinary = -2, kSqlVarBinary = -3, kSqlLongVarBinary = -4,
                  kSqlGuid = -11;

// The choice classes that only named profiles know (the run side keeps them
// apart from the window's lists).
const char* const kBigint = "bigint";
const char* const kBool = "bool";
const char* const kUuid = "uuid";
const char* const kBinary = "binary";

// The most characters the Email choice makes with its default prefix: two
// initials, a surname of up to 16 and "@example.com". The catalogue states no
// limit for it.
constexpr int32_t kEmailLimit = 30;

// --- What a column holds ------------------------------------------------------

// The database's type name, lower case, without its size and modifiers:
// "int(10) unsigned" is "int", "character varying(20)" "character varying".
std::string TypeWord(const ColumnFacts& column) {
  std::string t = Lower(column.type_name);
  t = t.substr(0, t.find('('));
  for (const char* tail : {" zerofill", " unsigned", " signed"})
    if (const size_t at = t.find(tail); at != std::string::npos) t.erase(at);
  while (!t.empty() && t.back() == ' ') t.pop_back();
  return t;
}

bool IsUnsigned(const ColumnFacts& column) {
  return column.is_unsigned || Lower(column.type_name).find("unsigned") != std::string::npos;
}

enum class Kind {
  kNone,  // nothing can be generated
  kText,
  kInteger,  // the window's integer class, in a range that fits 32 bits
  kBigint,
  kDecimal,  // DECIMAL/NUMERIC: a float Random within precision and scale
  kFloat,
  kCurrency,
  kBoolean,    // the window's boolean class (the driver says SQL_BIT)
  kNamedBool,  // a boolean the driver describes otherwise
  kDate,
  kTime,
  kDateTime,
  kUuid,
  kBinary,
};

Kind KindOf(const ColumnFacts& column) {
  const std::string word = TypeWord(column);
  const std::string full = Lower(column.type_name);
  // A fixed text of 36 characters is the form a UUID is kept in where the
  // database has no type for it.
  const bool uuid_text = (word == "char" || word == "character" || word == "nchar") &&
                         column.type == ftString && column.size == 36;
  if (word == "uuid" || word == "uniqueidentifier" || column.sql_type == kSqlGuid || uuid_text)
    return Kind::kUuid;
  if (column.type == ftBoolean) return Kind::kBoolean;
  // MariaDB's BOOLEAN is a TINYINT(1); PostgreSQL's boolean reaches many
  // drivers as text of size 5.
  if (word == "bool" || word == "boolean" || full.rfind("tinyint(1)", 0) == 0)
    return Kind::kNamedBool;
  if (column.type == ftBytes || column.type == ftVarBytes || column.type == ftBlob ||
      column.sql_type == kSqlBinary || column.sql_type == kSqlVarBinary ||
      column.sql_type == kSqlLongVarBinary ||
      NameIs(word, {"bytea", "blob", "binary", "varbinary", "tinyblob", "mediumblob", "longblob"}))
    return Kind::kBinary;
  if (column.type == ftLargeint || column.sql_type == kSqlBigint ||
      NameIs(word, {"bigint", "int8", "bigserial"}))
    return Kind::kBigint;
  if (column.sql_type == kSqlDecimal || column.sql_type == kSqlNumeric ||
      NameIs(word, {"decimal", "numeric", "dec", "number"}))
    return Kind::kDecimal;
  // Types that some drivers describe as text (a domain, a type of the
  // database's own) still take only their own values.
  if (NameIs(word, {"integer", "int", "int4", "serial", "smallint", "int2", "tinyint", "mediumint",
                    "year"}))
    return Kind::kInteger;
  if (NameIs(word, {"real", "float", "float4", "float8", "double", "double precision"}))
    return Kind::kFloat;
  if (word == "date") return Kind::kDate;
  if (word.rfind("timestamp", 0) == 0 || word == "datetime") return Kind::kDateTime;
  if (word.rfind("time", 0) == 0) return Kind::kTime;
  switch (ClassifyType(column.type).type_class) {
    case kClassText:
      return Kind::kText;
    case kClassInteger:
      return Kind::kInteger;
    case kClassFloat:
      return Kind::kFloat;
    case kClassCurrency:
      return Kind::kCurrency;
    case kClassDate:
      return Kind::kDate;
    case kClassTime:
      return Kind::kTime;
    case kClassDateTime:
      return Kind::kDateTime;
    default:
      return Kind::kNone;
  }
}

// The window's class of the values of a kind, or `described` where it has
// none of its own.
int32_t KindClass(Kind kind, int32_t described) {
  switch (kind) {
    case Kind::kText:
      return kClassText;
    case Kind::kInteger:
      return kClassInteger;
    case Kind::kDecimal:
    case Kind::kFloat:
      return kClassFloat;
    case Kind::kCurrency:
      return kClassCurrency;
    case Kind::kBoolean:
      return kClassBoolean;
    case Kind::kDate:
      return kClassDate;
    case Kind::kTime:
      return kClassTime;
    case Kind::kDateTime:
      return kClassDateTime;
    default:
      return described;
  }
}

// --- Ranges -------------------------------------------------------------------

constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin64 = std::numeric_limits<int64_t>::min();

// a + b, held at the ends of the 64-bit range.
int64_t Add(int64_t a, int64_t b) {
  int64_t sum;
  if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? kMax64 : kMin64;
  return sum;
}

// An inclusive range of whole numbers: values, hundredths (scaled) or days.
struct Range {
  int64_t lo = kMin64, hi = kMax64;
  bool Empty() const { return lo > hi; }
  bool Holds(const Range& r) const { return lo <= r.lo && r.hi <= hi; }
};

Range Intersect(Range a, const Range& b) {
  a.lo = std::max(a.lo, b.lo);
  a.hi = std::min(a.hi, b.hi);
  return a;
}

// The part of `allowed` nearest to `preferred`: their overlap, else a stretch
// of the preferred width at the end of `allowed` next to it.
Range Fit(const Range& allowed, const Range& preferred) {
  const Range both = Intersect(allowed, preferred);
  if (!both.Empty() || allowed.Empty()) return both.Empty() ? allowed : both;
  const int64_t width = preferred.hi - preferred.lo;
  if (allowed.hi < preferred.lo) return {std::max(allowed.lo, Add(allowed.hi, -width)), allowed.hi};
  return {allowed.lo, std::min(allowed.hi, Add(allowed.lo, width))};
}

int64_t Pow10(int32_t n) {
  int64_t p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

// A CHECK bound as the database states it, without quotes, casts' type words
// or parentheses.
std::string BareConstant(const std::string& text) {
  std::string t;
  for (char c : text)
    if (c != '(' && c != ')' && c != '\'' && c != '"') t += c;
  const size_t first = t.find_first_not_of(' ');
  const size_t last = t.find_last_not_of(' ');
  return first == std::string::npos ? std::string() : t.substr(first, last - first + 1);
}

// A number bound, scaled by 10^scale: the floor of the value and the ceiling.
struct Scaled {
  int64_t floor, ceil;
};

std::optional<Scaled> ReadNumber(const std::string& text, int32_t scale) {
  const std::string t = BareConstant(text);
  size_t i = 0;
  const bool negative = i < t.size() && t[i] == '-';
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
  const size_t digits_from = i;
  int64_t whole = 0;
  bool huge = false;
  for (; i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])); ++i) {
    if (whole > kMax64 / 100) huge = true;
    if (!huge) whole = whole * 10 + (t[i] - '0');
  }
  int64_t fraction = 0;
  bool inexact = false;
  if (i < t.size() && t[i] == '.') {
    int32_t taken = 0;
    for (++i; i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])); ++i) {
      if (taken < scale) {
        fraction = fraction * 10 + (t[i] - '0');
        ++taken;
      } else if (t[i] != '0') {
        inexact = true;
      }
    }
    fraction *= Pow10(scale - taken);
  }
  if (i != t.size() || i == digits_from) return std::nullopt;
  // Bounds beyond what a range can say are no bounds for the draft.
  if (huge || whole > kMax64 / Pow10(scale) / 4)
    return Scaled{negative ? kMin64 : kMax64, negative ? kMin64 : kMax64};
  const int64_t magnitude = whole * Pow10(scale) + fraction;
  if (negative) return Scaled{-magnitude - (inexact ? 1 : 0), -magnitude};
  return Scaled{magnitude, magnitude + (inexact ? 1 : 0)};
}

// The range of values that a column's CHECKs leave, in units of 10^-scale.
Range CheckedRange(const ColumnFacts& column, int32_t scale) {
  Range r;
  for (const CheckFacts& check : column.checks) {
    if (!check.low.empty())
      if (const auto low = ReadNumber(check.low, scale))
        r.lo = std::max(r.lo, check.low_open ? Add(low->floor, 1) : low->ceil);
    if (!check.high.empty())
      if (const auto high = ReadNumber(check.high, scale))
        r.hi = std::min(r.hi, check.high_open ? Add(high->ceil, -1) : high->floor);
  }
  return r;
}

// "1234" at scale 2 is "12.34"; at scale 0 "1234".
std::string ScaledText(int64_t value, int32_t scale) {
  const bool negative = value < 0;
  std::string digits = std::to_string(negative ? -value : value);
  if (scale > 0) {
    if (digits.size() <= static_cast<size_t>(scale))
      digits.insert(0, static_cast<size_t>(scale) + 1 - digits.size(), '0');
    digits.insert(digits.size() - static_cast<size_t>(scale), ".");
  }
  return (negative ? "-" : "") + digits;
}

// --- Dates --------------------------------------------------------------------

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

int64_t DayNumber(int32_t y, int32_t m, int32_t d) {
  return sys_days{year_month_day{std::chrono::year{y}, std::chrono::month{static_cast<unsigned>(m)},
                                 std::chrono::day{static_cast<unsigned>(d)}}}
      .time_since_epoch()
      .count();
}

// "2026/1/31", the form the date choices read.
std::string DayText(int64_t number) {
  const year_month_day date{sys_days{days{number}}};
  return std::to_string(static_cast<int>(date.year())) + "/" +
         std::to_string(static_cast<unsigned>(date.month())) + "/" +
         std::to_string(static_cast<unsigned>(date.day()));
}

// A date bound: its day and whether it names a time after midnight.
struct DayBound {
  int64_t day;
  bool after_midnight;
};

std::optional<DayBound> ReadDay(const std::string& text) {
  std::string t = Lower(BareConstant(text));
  for (const char* word : {"timestamp ", "date "})
    if (t.rfind(word, 0) == 0) t = BareConstant(t.substr(std::char_traits<char>::length(word)));
  int32_t part[3] = {0, 0, 0};
  size_t i = 0;
  for (int p = 0; p < 3; ++p) {
    if (p > 0) {
      if (i >= t.size() || (t[i] != '-' && t[i] != '/')) return std::nullopt;
      ++i;
    }
    const size_t from = i;
    for (; i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])) && i - from < 4; ++i)
      part[p] = part[p] * 10 + (t[i] - '0');
    if (i == from) return std::nullopt;
  }
  const year_month_day date{std::chrono::year{part[0]},
                            std::chrono::month{static_cast<unsigned>(part[1])},
                            std::chrono::day{static_cast<unsigned>(part[2])}};
  if (!date.ok()) return std::nullopt;
  const bool later = t.find_first_of("123456789", i) != std::string::npos;
  return DayBound{DayNumber(part[0], part[1], part[2]), later};
}

// The days a column's CHECKs leave. A date-time drawn on a day takes a random
// time of it, so a bound at a day's midnight keeps the whole of that day out
// above and, when it names a later time, below.
Range CheckedDays(const ColumnFacts& column, bool with_time) {
  Range r;
  for (const CheckFacts& check : column.checks) {
    if (!check.low.empty())
      if (const auto low = ReadDay(check.low))
        r.lo = std::max(
            r.lo, low->day + ((check.low_open || (with_time && low->after_midnight)) ? 1 : 0));
    if (!check.high.empty())
      if (const auto high = ReadDay(check.high))
        r.hi = std::min(r.hi, high->day - ((check.high_open || with_time) ? 1 : 0));
  }
  return r;
}

// --- Lists and patterns -------------------------------------------------------

// The values a column may take from its labels and IN lists, in order; empty
// when it names none. Values the Choice list cannot hold (a ";") or that do
// not fit the column are dropped.
std::vector<std::string> AllowedValues(const ColumnFacts& column, bool* named) {
  std::optional<std::vector<std::string>> values;
  if (!column.enum_labels.empty()) values = column.enum_labels;
  for (const CheckFacts& check : column.checks) {
    if (check.allowed.empty()) continue;
    if (!values) {
      values = check.allowed;
      continue;
    }
    std::vector<std::string> both;
    for (const std::string& v : *values)
      if (std::find(check.allowed.begin(), check.allowed.end(), v) != check.allowed.end())
        both.push_back(v);
    values = std::move(both);
  }
  *named = values.has_value();
  std::vector<std::string> out;
  if (!values) return out;
  const bool sized = KindOf(column) == Kind::kText && column.size > 0;
  for (const std::string& v : *values)
    if (v.find(';') == std::string::npos &&
        (!sized || v.size() <= static_cast<size_t>(column.size)))
      out.push_back(v);
  return out;
}

std::string ChoiceList(const std::vector<std::string>& values) {
  std::string list;
  for (const std::string& v : values) list += (list.empty() ? "" : ";") + v;
  return list;
}

// A Formatted pattern of `length` characters: a capital, small letters, then
// digits ("!\\\\~~" for 6), so that values differ and fit.
std::string Pattern(int32_t length) {
  length = std::max(length, 1);
  const int32_t digits = length / 3;
  return "!" + std::string(static_cast<size_t>(length - 1 - digits), '\\') +
         std::string(static_cast<size_t>(digits), '~');
}

// A Formatted pattern for the types that reach the draft as text but take
// only values of their own form, or "" for plain text.
std::string TypedTextPattern(const ColumnFacts& column) {
  const std::string word = TypeWord(column);
  const bool array = word.rfind('_', 0) == 0 || word.ends_with("[]");
  if (array) {
    const bool numbers = NameHas(word, {"int", "numeric", "float", "decimal", "serial"});
    return numbers ? "{~~~,~~~}" : "{!\\\\\\\\,!\\\\\\\\}";
  }
  if (word == "json" || word == "jsonb") return "{\"n\": ~~~~}";
  if (word == "inet" || word == "cidr") return "10.~.~.~";
  if (word == "macaddr") return "0~:~~:~~:~~:~~:~~";
  if (word == "interval") return "~ days";
  if (word == "xml") return "<v>!\\\\\\\\</v>";
  if (word == "tsvector") return "!\\\\\\\\\\";
  if (word == "money") return "~~~.~~";
  if (word == "point") return "(~,~)";
  return "";
}

// --- The guess ------------------------------------------------------------------

struct Draft {
  std::optional<NamedField> field;
  std::string named_class;         // a class of named profiles only, or ""
  std::optional<std::string> why;  // the note, when left out
};

Draft Field(NamedField field, const char* named_class = "") {
  return {std::move(field), named_class, std::nullopt};
}

Draft Out(std::string why) {
  return {std::nullopt, "", std::move(why)};
}

bool SoleUniqueKey(const std::string& column, const TableFacts& facts) {
  if (facts.primary_key.size() == 1 && facts.primary_key[0] == column) return true;
  return std::any_of(facts.unique_keys.begin(), facts.unique_keys.end(), [&](const UniqueKey& k) {
    return k.columns.size() == 1 && k.columns[0] == column;
  });
}

bool HasDefault(const ColumnFacts& column) {
  return !column.default_value.empty() && Lower(column.default_value) != "null";
}

// The range an integer type holds; YEAR is MariaDB's, 1901 to 2155.
Range IntegerTypeRange(const ColumnFacts& column, Kind kind) {
  const std::string word = TypeWord(column);
  const bool u = IsUnsigned(column) || column.type == ftWord;
  if (word == "year") return {1901, 2155};
  if (kind == Kind::kBigint) return {u ? 0 : kMin64, kMax64};
  if (word == "tinyint" || word == "int1" || column.sql_type == kSqlTinyint)
    return u ? Range{0, 255} : Range{-128, 127};
  if (word == "mediumint" || word == "int3")
    return u ? Range{0, 16777215} : Range{-8388608, 8388607};
  if (NameIs(word, {"smallint", "int2", "smallserial"}) || column.sql_type == kSqlSmallint ||
      ((column.type == ftSmallint || column.type == ftWord) && word.empty() && !column.sql_type))
    return u ? Range{0, 65535} : Range{-32768, 32767};
  return u ? Range{0, 4294967295LL} : Range{-2147483648LL, 2147483647LL};
}

// The column that gets the table's one Counter: the first integer column of
// the primary key that is not looked up and that the database lets be
// written, else such a column alone in a unique key.
std::string CounterColumn(const TableFacts& facts) {
  auto eligible = [&](const std::string& name) {
    const auto c = std::find_if(facts.columns.begin(), facts.columns.end(),
                                [&](const ColumnFacts& f) { return f.name == name; });
    if (c == facts.columns.end() || c->generated || c->always_generated) return false;
    const Kind kind = KindOf(*c);
    return (kind == Kind::kInteger || kind == Kind::kBigint) && !facts.references.count(name) &&
           c->type != ftUnknown;
  };
  for (const std::string& key : facts.primary_key)
    if (eligible(key)) return key;
  if (!facts.primary_key.empty()) return "";
  for (const UniqueKey& key : facts.unique_keys)
    if (key.columns.size() == 1 && eligible(key.columns[0])) return key.columns[0];
  return "";
}

std::optional<NamedField> NameGuess(const ColumnFacts& column, const std::string& n, bool birth) {
  if (NameHas(n, {"email", "e_mail", "mail"})) return Choice(column.name, "Email");
  if (NameEndsIn(n, {"surname", "last_name", "lastname", "family_name"}))
    return Choice(column.name, "Surname");
  if (NameEndsIn(n, {"forename", "first_name", "firstname", "given_name"}))
    return Choice(column.name, "Forename");
  if (NameEndsIn(n, {"middlename", "middle_name"})) return Choice(column.name, "Middlename");
  if (NameEndsIn(n, {"title"}) && column.size > 0 && column.size <= 4)
    return Choice(column.name, "Title");
  if (NameEndsIn(n, {"gender", "sex"}))
    return Choice(column.name, "Gender",
                  {{"Format", column.size >= 6 ? "Male or Female" : "M or F", 0}});
  if (NameHas(n, {"post_code", "postcode", "postal_code", "zip"}))
    return Choice(column.name, "Post/Zip Code");
  if (NameEndsIn(n, {"town", "city"})) return Choice(column.name, "Town/City");
  if (NameEndsIn(n, {"county", "state", "region"})) return Choice(column.name, "County/State");
  if (NameHas(n, {"phone", "fax", "mobile"}) || NameIs(n, {"tel"}))
    return Choice(column.name, "Tel/Fax");
  if (NameEndsIn(n, {"address", "address1", "address_line1", "street"}))
    return Choice(column.name, "Address");
  if (NameIs(n, {"company", "company_name"})) return Choice(column.name, "Company");
  if (NameIs(n, {"marital_status"})) return Choice(column.name, "Marital Status");
  if (NameEndsIn(n, {"initials"})) return Choice(column.name, "Initials");
  if (NameIs(n, {"spouse", "spouse_name"})) return Choice(column.name, "Spouse Name");
  if (NameIs(n, {"age"})) return Choice(column.name, "Age", {{"Type", "Random, 16 - 99", 0}});
  if (birth)
    return Choice(column.name, "Date",
                  {{"From", "1940/1/1", 0},
                   {"To", "2005/12/31", 0},
                   {"Format", "Date of Birth, yyyy/mm/dd", 0}});
  if (NameHas(n, {"date"}))
    return Choice(column.name, "Date", {{"From", kRecentFrom, 0}, {"Format", "yyyy-mm-dd", 0}});
  return std::nullopt;
}

// The most characters a text choice makes, or nullopt when it states none
// that the draft can hold against the column.
std::optional<int32_t> TextLimit(const NamedField& field) {
  if (field.choice == "Email") return kEmailLimit;
  // A text date's length is its format's, which the draft picks short, and
  // "M or F" makes one character.
  if (field.choice == "Date" ||
      (field.choice == "Gender" && !field.params.empty() && field.params[0].value == "M or F"))
    return std::nullopt;
  const int32_t index = FindCatalogueEntry(kClassText, field.choice);
  if (index < 0) return std::nullopt;
  const CatalogueEntry& entry = CatalogueEntries(kClassText)[static_cast<size_t>(index)];
  if (!entry.limit || entry.limit->empty()) return std::nullopt;
  return std::stoi(*entry.limit);
}

std::string WhyNoGuess(const ColumnFacts& column) {
  const TypeInfo info = ClassifyType(column.type);
  std::string why = std::string(*info.name ? info.name : "unknown") + " column";
  if (column.size > 0) why += " of size " + std::to_string(column.size);
  return column.name + ": left out, no choice guessed for a " + why;
}

// A number column's choice: its Random range within the type, the column's
// precision and scale and its CHECKs, near `preferred`.
Draft NumberField(const ColumnFacts& column, Kind kind, const TableFacts& facts, bool counter) {
  const std::string& name = column.name;
  if (kind == Kind::kDecimal || kind == Kind::kFloat) {
    // Two decimals unless the column says otherwise; a float Random keeps the
    // decimals of its bounds.
    const bool sized = kind == Kind::kDecimal && column.precision > 0;
    const int32_t scale = sized ? std::clamp(column.scale, 0, 9) : 2;
    Range type;
    if (sized && column.precision - column.scale < 18 - scale) {
      const int64_t most = Pow10(column.precision - column.scale + scale) - 1;
      type = {IsUnsigned(column) ? 0 : -most, most};
    }
    const Range allowed = Intersect(type, CheckedRange(column, scale));
    if (allowed.Empty()) return Out(name + ": left out, its CHECKs leave no value");
    const Range r = Fit(allowed, {0, 1000 * Pow10(scale)});
    // A float Random folds a draw above its upper bound back by one whole
    // unit, which stays above the lower bound only when the two are a unit
    // apart.
    if (r.hi - r.lo < Pow10(scale))
      return Field(Choice(name, "Fixed Value", {{"Value", ScaledText(r.lo, scale), 0}}));
    NamedField f = Choice(
        name, "Random", {{"From", ScaledText(r.lo, scale), 0}, {"To", ScaledText(r.hi, scale), 0}});
    // Written as float so that it also holds where the driver describes a
    // DECIMAL as text.
    f.type_class = kClassFloat;
    return Field(std::move(f));
  }
  const Range type = IntegerTypeRange(column, kind);
  const Range allowed = Intersect(type, CheckedRange(column, 0));
  if (allowed.Empty()) return Out(name + ": left out, its CHECKs leave no value");
  const char* big = kind == Kind::kBigint ? kBigint : "";
  if (counter) {
    std::vector<NamedParam> start;
    if (allowed.lo > 1) start.push_back({"Starting Value", std::to_string(allowed.lo), 0});
    return Field(Choice(name, "Counter", std::move(start)), big);
  }
  const std::string n = Lower(name);
  const Range ages{16, 99};
  if (NameHas(n, {"age"}) && kind == Kind::kInteger && allowed.Holds(ages))
    return Field(Choice(name, "Age", {{"Type", "Random, 16 - 99", 0}}));
  // A column that is a key of its own repeats less over a wider range.
  Range preferred = NameHas(n, {"age"}) ? ages : Range{1, 1000};
  if (SoleUniqueKey(name, facts)) preferred.hi = 1000000;
  const Range r = Fit(allowed, preferred);
  if (r.lo < -2147483648LL || r.hi > 2147483647LL) big = kBigint;
  return Field(
      Choice(name, "Random", {{"From", std::to_string(r.lo), 0}, {"To", std::to_string(r.hi), 0}}),
      big);
}

// A date column's choice, its days within the CHECKs and near a span that
// its name makes plausible.
Draft DateField(const ColumnFacts& column, Kind kind, bool birth, const CivilDate& today) {
  const bool with_time = kind == Kind::kDateTime;
  const Range allowed = CheckedDays(column, with_time);
  if (allowed.Empty()) return Out(column.name + ": left out, its CHECKs leave no day");
  const int64_t now = DayNumber(today.year, today.month, today.day);
  const Range preferred = birth ? Range{DayNumber(1940, 1, 1), DayNumber(2005, 12, 31)}
                                : Range{DayNumber(2000, 1, 1), now};
  const Range r = Fit(allowed, preferred);
  std::vector<NamedParam> params{{"From", DayText(r.lo), 0}};
  // Drawn up to the day of the run where nothing says otherwise.
  if (birth || r.hi != now || allowed.hi != kMax64) params.push_back({"To", DayText(r.hi), 0});
  if (with_time) {
    params.push_back({"Format", "yyyy-mm-dd 24:24:24", 0});
    return Field(Choice(column.name, "Random DateTime", std::move(params)));
  }
  params.push_back({"Style", "yyyy-mm-dd", 0});
  return Field(Choice(column.name, "Random Date", std::move(params)));
}

// The choice for a column, or why it is left out.
Draft Decide(const std::string& table, const ColumnFacts& column, const TableFacts& facts,
             const std::string& counter_column, const CivilDate& today) {
  const std::string& name = column.name;
  if (column.generated) return Out(name + ": left to the database, a generated column");
  if (column.always_generated)
    return Out(name + ": left to the database, an identity it always generates");
  const bool counter = name == counter_column;
  if (column.auto_increment && !counter)
    return Out(name + ": left to the database, an identity or auto-increment column");
  // A default is the database's value, except for a key of its own, where
  // one value for every record would repeat.
  if (HasDefault(column) && !counter && !SoleUniqueKey(name, facts))
    return Out(name + ": left to the database, its default is " + column.default_value);

  const Kind kind = KindOf(column);
  const int32_t cls = ClassifyType(column.type).type_class;
  if (auto r = facts.references.find(name); r != facts.references.end()) {
    // The first record of a table that looks itself up finds no row, and an
    // empty value breaks its statement.
    if (r->second.table == table)
      return Out(name + ": left out, it " + ReferenceText(r->second) +
                 ", its own table, where the first record finds no row to look up");
    NamedField f = Choice(name, "Database Lookup",
                          {{"Field Name", r->second.column, 0}, {"TableName", r->second.table, 0}});
    if (kind == Kind::kBigint) return Field(std::move(f), kBigint);
    if (kind == Kind::kUuid || kind == Kind::kDecimal) {
      f.type_class = kind == Kind::kUuid ? kClassText : kClassFloat;
      return Field(std::move(f));
    }
    if (kind != Kind::kBinary && kind != Kind::kNamedBool &&
        FindCatalogueEntry(cls, "Database Lookup") >= 0)
      return Field(std::move(f));
    return Out(WhyNoGuess(column));
  }

  bool named_values = false;
  const std::vector<std::string> values = AllowedValues(column, &named_values);
  if (named_values && kind != Kind::kNamedBool && kind != Kind::kBoolean) {
    if (values.empty()) return Out(name + ": left out, none of its allowed values can be listed");
    NamedField f = Choice(name, "Choice", {{"List", ChoiceList(values), 0}});
    if (kind != Kind::kText) f.type_class = kClassText;
    return Field(std::move(f));
  }

  const std::string n = Lower(name);
  const bool birth = NameHas(n, {"birth", "dob", "born"});
  switch (kind) {
    case Kind::kUuid:
      return Field(Choice(name, "UUID"), kUuid);
    case Kind::kNamedBool:
      return Field(Choice(name, "Random"), kBool);
    case Kind::kBinary: {
      if (column.nullable) return Out(WhyNoGuess(column));
      // Random bytes of a short column's length; a long or unsized one (a
      // BLOB) gets a few.
      const int32_t length = column.size > 0 && column.size <= 64 ? column.size : 16;
      return Field(Choice(name, "Random Bytes", {{"Length", std::to_string(length), 0}}), kBinary);
    }
    case Kind::kInteger:
    case Kind::kBigint:
    case Kind::kDecimal:
    case Kind::kFloat:
      return NumberField(column, kind, facts, counter);
    case Kind::kCurrency:
      return Field(Choice(name, "Random", {{"From", "1.00", 0}, {"To", "999.99", 0}}));
    case Kind::kBoolean:
      return Field(Choice(name, "Random", {{"Style", "False and True", 0}}));
    case Kind::kDate:
    case Kind::kDateTime:
      return DateField(column, kind, birth, today);
    case Kind::kTime:
      return Field(Choice(name, "Random Time", {{"Format", "24 hr, e.g. 16:30:24", 0}}));
    case Kind::kText:
      break;
    case Kind::kNone:
      return Out(WhyNoGuess(column));
  }

  if (const std::string pattern = TypedTextPattern(column); !pattern.empty()) {
    if (column.nullable) return Out(WhyNoGuess(column));
    return Field(Choice(name, "Formatted", {{"Data Format", pattern, 0}}));
  }
  std::optional<NamedField> guess = NameGuess(column, n, birth);
  if (guess) {
    const std::optional<int32_t> limit = TextLimit(*guess);
    if (column.size <= 0 || !limit || *limit <= column.size) return Field(std::move(*guess));
    if (column.nullable)
      return Out(name + ": left out, " + guess->choice + " makes up to " + std::to_string(*limit) +
                 " characters, more than its size of " + std::to_string(column.size));
  } else if (column.nullable) {
    return Out(WhyNoGuess(column));
  }
  // A value is needed: random letters and digits of the column's length.
  return Field(
      Choice(name, "Formatted",
             {{"Data Format", Pattern(column.size > 0 ? std::min(column.size, 12) : 10), 0}}));
}

// A field line of a class that only named profiles know says its class
// before its choice, as the window's classes are written.
void WriteNamedClasses(std::string& text, const std::vector<std::string>& classes) {
  size_t at = text.find("fields = [\n");
  if (at == std::string::npos) return;
  at += std::char_traits<char>::length("fields = [\n");
  for (const std::string& cls : classes) {
    const size_t end = text.find('\n', at);
    if (!cls.empty()) {
      // The choice is the first key after the name: "{ name = ..., choice = ".
      const std::string key = ", choice = \"";
      const size_t choice = text.find(key, at);
      if (choice != std::string::npos && choice < end)
        text.insert(choice, ", class = \"" + cls + "\"");
    }
    at = text.find('\n', at) + 1;
  }
}

// The table's named profile text, its notes inside the field list.
std::string DraftTable(const std::string& name, const TableFacts& facts, const CivilDate& today) {
  NamedTable table;
  table.name = name;
  std::vector<std::string> notes;
  std::vector<std::string> named_classes;
  const std::string counter_column = CounterColumn(facts);
  for (const ColumnFacts& column : facts.columns) {
    if (column.type == ftUnknown) {
      // Not in the field list; a NOT NULL one without a value of the
      // database's own breaks every Insert, which the user should know.
      if (!column.nullable && !HasDefault(column) && !column.generated && !column.auto_increment)
        notes.push_back(column.name + ": NOT NULL, but its type " +
                        (column.type_name.empty() ? "" : column.type_name + " ") +
                        "cannot be generated");
      continue;
    }
    Draft draft = Decide(name, column, facts, counter_column, today);
    if (!draft.field) {
      notes.push_back(std::move(*draft.why));
      continue;
    }
    NamedField& field = *draft.field;
    // The class is written where the choice needs it: a name several
    // classes offer, or a class other than the one the driver describes.
    const int32_t described = ClassifyType(column.type).type_class;
    const int32_t cls = KindClass(KindOf(column), described);
    if (!field.type_class && draft.named_class.empty() &&
        (cls != described || OfferedBySeveralClasses(field.choice)))
      field.type_class = cls;
    // A nullable column gets a small share of NULLs; a date the later of a
    // pair its table makes by name (start and end) is drawn after the
    // earlier one, where both are drawn dates.
    if (column.nullable) field.null_share = NullShareFor(column, facts);
    auto drawn_date = [](const NamedField& f) {
      return f.choice == "Date" || f.choice == "Random Date" || f.choice == "Random DateTime";
    };
    if (const auto pair = OrderedAfter(column, facts.columns); pair && drawn_date(field)) {
      const auto earlier = std::find_if(table.fields.begin(), table.fields.end(),
                                        [&](const NamedField& f) { return f.name == pair->first; });
      if (earlier != table.fields.end() && drawn_date(*earlier)) {
        field.after = pair->first;
        field.gap = pair->second;
      }
    }
    named_classes.push_back(draft.named_class);
    table.fields.push_back(std::move(field));
  }
  // A key made of looked-up values only (a playlist's tracks) repeats as
  // soon as two records draw the same pair.
  bool looked_up_key = facts.primary_key.size() > 1;
  for (const std::string& key : facts.primary_key) {
    const auto field = std::find_if(table.fields.begin(), table.fields.end(),
                                    [&](const NamedField& f) { return f.name == key; });
    looked_up_key &= field != table.fields.end() && field->choice == "Database Lookup";
  }
  if (looked_up_key) {
    std::string columns;
    for (const std::string& key : facts.primary_key) columns += (columns.empty() ? "" : ", ") + key;
    notes.push_back("the key (" + columns +
                    ") is made of looked-up values, which repeat: give one of its columns a "
                    "Counter, or keep the records to a few");
  }
  for (auto f = table.fields.begin(); f != table.fields.end();) {
    if (FieldIsUtf8(*f)) {
      ++f;
      continue;
    }
    notes.push_back(f->name + ": left out, its name or a parameter " + kNotUtf8);
    f = table.fields.erase(f);
  }
  // What a dry run keeps unique, the data source not being there to ask.
  table.primary_key = facts.primary_key;
  for (const UniqueKey& key : facts.unique_keys) table.unique.push_back(key.columns);
  NamedProfile one;
  one.tables.push_back(std::move(table));
  std::string text = NamedProfileText(one);
  WriteNamedClasses(text, named_classes);
  // The notes go inside the field list, before its closing bracket.
  std::string comments;
  for (const std::string& note : notes) comments += "  " + Comment(note);
  text.insert(text.size() - 2, comments);
  return text;
}

// Why a listed table takes no rows of the draft, or "".
std::string NotFilled(const std::string& name, TableKind kind) {
  switch (kind) {
    case TableKind::kView:
      return name + " is a view: left out.";
    case TableKind::kMaterializedView:
      return name + " is a materialized view: left out.";
    case TableKind::kPartition:
      return name + " is a partition: left out, its rows go in through its parent table.";
    default:
      return "";
  }
}

}  // namespace

std::string ReferenceText(const ColumnReference& reference) {
  return "references " + reference.table + "(" + reference.column + ")";
}

std::string DraftProfile(SchemaReader& schema, const std::string& source) {
  return DraftProfile(schema, source, SystemClock().Today());
}

std::string DraftProfile(SchemaReader& schema, const std::string& source, const CivilDate& today) {
  const std::vector<std::string>& tables = schema.TableNames();
  std::string out =
      Comment("A named profile drafted by kestrove-profile from the data source " + source + ".") +
      Comment("Choices are guessed from the column names and types: check them, and give") +
      Comment("the columns left out (see the comments) a choice where they need a value.") + "\n" +
      Comment("Parents before the tables that look them up, each lookup read once, and") +
      Comment("no key sent twice.") +
      "[run]\norder = \"parents-first\"\ncache_lookups = true\nunique_keys = true\n";
  if (const std::optional<NamedScriptFacts> facts = schema.ScriptFacts()) {
    NamedProfile script;
    script.script = *facts;
    out += "\n" + Comment("How the data source takes names and literals: a dry run writes its") +
           Comment("statements so, for its own client to load.") + NamedProfileText(script);
  }
  for (size_t t = 0; t < tables.size(); ++t) {
    if (!IsValidUtf8(tables[t])) {
      out += "\n" + Comment(tables[t] + " is left out: its name " + kNotUtf8);
      continue;
    }
    if (const std::string why = NotFilled(tables[t], schema.Kind(t)); !why.empty()) {
      out += "\n" + Comment(why);
      continue;
    }
    TableFacts facts;
    try {
      facts = schema.Facts(tables[t]);
    } catch (const EDatabaseError& e) {
      out += "\n" +
             Comment(tables[t] + " cannot be read: left out (" + DisplayMessage(e.what()) + ")");
      continue;
    }
    if (const std::string why = NotFilled(tables[t], facts.kind); !why.empty()) {
      out += "\n" + Comment(why);
      continue;
    }
    out += "\n" + DraftTable(tables[t], facts, today);
  }
  return out;
}

}  // namespace kestrove

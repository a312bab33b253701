#include "catalogue/draft.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "catalogue/choice_catalogue.h"
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

// A choice guessed from the column's name and type, or nullopt.
std::optional<NamedField> Guess(const std::string& table, const ColumnFacts& column,
                                const TableFacts& facts) {
  const int32_t cls = ClassifyType(column.type).type_class;
  const std::string n = Lower(column.name);
  if (auto r = facts.references.find(column.name); r != facts.references.end()) {
    // The first record of a table that looks itself up finds no row, and an
    // empty value breaks its statement.
    if (r->second.table == table || FindCatalogueEntry(cls, "Database Lookup") < 0)
      return std::nullopt;
    return Choice(column.name, "Database Lookup",
                  {{"Field Name", r->second.column, 0}, {"TableName", r->second.table, 0}});
  }
  const bool birth = NameHas(n, {"birth", "dob", "born"});
  switch (cls) {
    case kClassInteger:
      if (facts.primary_key.size() == 1 && facts.primary_key[0] == column.name)
        return Choice(column.name, "Counter");
      if (NameHas(n, {"age"})) return Choice(column.name, "Age", {{"Type", "Random, 16 - 99", 0}});
      return Choice(column.name, "Random", {{"From", "1", 0}, {"To", "1000", 0}});
    case kClassFloat:
      return Choice(column.name, "Random", {{"From", "0.00", 0}, {"To", "1000.00", 0}});
    case kClassCurrency:
      return Choice(column.name, "Random", {{"From", "1.00", 0}, {"To", "999.99", 0}});
    case kClassBoolean:
      return Choice(column.name, "Random", {{"Style", "False and True", 0}});
    case kClassDate:
      if (birth)
        return Choice(
            column.name, "Random Date",
            {{"From", "1940/1/1", 0}, {"To", "2005/12/31", 0}, {"Style", "yyyy-mm-dd", 0}});
      return Choice(column.name, "Random Date",
                    {{"From", kRecentFrom, 0}, {"Style", "yyyy-mm-dd", 0}});
    case kClassTime:
      return Choice(column.name, "Random Time", {{"Format", "24 hr, e.g. 16:30:24", 0}});
    case kClassDateTime:
      return Choice(column.name, "Random DateTime",
                    {{"From", kRecentFrom, 0}, {"Format", "yyyy-mm-dd 24:24:24", 0}});
    case kClassText:
      break;
    default:
      return std::nullopt;
  }
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

// Why a column is left out, or nullopt when `field`, its guess, is kept.
std::optional<std::string> LeftOut(const std::string& table, const ColumnFacts& column,
                                   const std::optional<NamedField>& field,
                                   const TableFacts& facts) {
  const int32_t cls = ClassifyType(column.type).type_class;
  if (field) {
    const bool short_format =
        field->choice == "Date" ||
        (field->choice == "Gender" && !field->params.empty() && field->params[0].value == "M or F");
    if (cls != kClassText || column.size <= 0 || short_format) return std::nullopt;
    // A value longer than the column is refused by most servers. (A text
    // date's length is its format's, which the draft picks short, and
    // "M or F" makes one character.)
    const CatalogueEntry& entry =
        CatalogueEntries(cls)[static_cast<size_t>(FindCatalogueEntry(cls, field->choice))];
    if (entry.limit && !entry.limit->empty() && std::stoi(*entry.limit) > column.size)
      return column.name + ": left out, " + field->choice + " makes up to " + *entry.limit +
             " characters, more than its size of " + std::to_string(column.size);
    return std::nullopt;
  }
  const auto r = facts.references.find(column.name);
  if (r != facts.references.end() && r->second.table == table)
    return column.name + ": left out, it " + ReferenceText(r->second) +
           ", its own table, where the first record finds no row to look up";
  const TypeInfo info = ClassifyType(column.type);
  std::string why = std::string(*info.name ? info.name : "unknown") + " column";
  if (column.size > 0) why += " of size " + std::to_string(column.size);
  return column.name + ": left out, no choice guessed for a " + why;
}

// The table's named profile text, its notes inside the field list.
std::string DraftTable(const std::string& name, const TableFacts& facts) {
  NamedTable table;
  table.name = name;
  std::vector<std::string> notes;
  for (const ColumnFacts& column : facts.columns) {
    if (column.type == ftUnknown) continue;
    std::optional<NamedField> field = Guess(name, column, facts);
    if (std::optional<std::string> why = LeftOut(name, column, field, facts)) {
      notes.push_back(std::move(*why));
      continue;
    }
    if (OfferedBySeveralClasses(field->choice))
      field->type_class = ClassifyType(column.type).type_class;
    table.fields.push_back(std::move(*field));
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
  NamedProfile one;
  one.tables.push_back(std::move(table));
  std::string text = NamedProfileText(one);
  // The notes go inside the field list, before its closing bracket.
  std::string comments;
  for (const std::string& note : notes) comments += "  " + Comment(note);
  text.insert(text.size() - 2, comments);
  return text;
}

}  // namespace

std::string ReferenceText(const ColumnReference& reference) {
  return "references " + reference.table + "(" + reference.column + ")";
}

std::string DraftProfile(SchemaReader& schema, const std::string& source) {
  const std::vector<std::string>& tables = schema.TableNames();
  std::string out =
      Comment("A named profile drafted by kestrove-profile from the data source " + source + ".") +
      Comment("Choices are guessed from the column names and types: check them, and give") +
      Comment("the columns left out (see the comments) a choice where they need a value.");
  for (size_t t = 0; t < tables.size(); ++t) {
    if (!IsValidUtf8(tables[t])) {
      out += "\n" + Comment(tables[t] + " is left out: its name " + kNotUtf8);
      continue;
    }
    if (schema.IsView(t)) {
      out += "\n" + Comment(tables[t] + " is a view: left out.");
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
    out += "\n" + DraftTable(tables[t], facts);
  }
  return out;
}

}  // namespace kestrove

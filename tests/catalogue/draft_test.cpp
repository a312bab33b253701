// The draft over a fake catalogue: each kind of column, keys and lookups.
#include "catalogue/draft.h"

#include <gtest/gtest.h>

#include <iterator>

#include "catalogue/named_profile.h"
#include "core/errors.h"

namespace kestrove {
namespace {

class FakeSchema : public SchemaReader {
 public:
  std::vector<std::string> names;
  std::string refusal = "permission denied\tfor ";  // what a table that cannot be read says
  std::map<std::string, TableFacts> tables;         // any other name cannot be read

  const std::vector<std::string>& TableNames() override { return names; }
  bool IsView(size_t slot) override { return names[slot].ends_with("_view"); }
  TableFacts Facts(const std::string& table) override {
    if (!tables.count(table)) throw EDatabaseError(refusal + table);
    return tables.at(table);
  }
};

const char kHeader[] =
    "# A named profile drafted by kestrove-profile from the data source shop.\n"
    "# Choices are guessed from the column names and types: check them, and give\n"
    "# the columns left out (see the comments) a choice where they need a value.\n"
    "\n# Parents before the tables that look them up, each lookup read once, and\n"
    "# no key sent twice.\n"
    "[run]\norder = \"parents-first\"\ncache_lookups = true\nunique_keys = true\n";

std::string TableText(const std::string& name, const std::string& fields,
                      const std::string& keys = "") {
  return "\n[[table]]\nname = \"" + name + "\"\nrecords = 10\ndelete = false\n" + keys +
         "fields = [\n" + fields + "]\n";
}

struct GuessCase {
  ColumnFacts column;
  // What the field list holds for it after its name: the rest of its field,
  // or the rest of the comment that leaves it out.
  const char* written;
};

const GuessCase kGuesses[] = {
    {{"Email_Address", ftString, 60}, R"(choice = "Email")"},
    {{"billing_town", ftString, 24}, R"(choice = "Town/City")"},
    {{"townhall", ftString, 24}, "left out, no choice guessed for a String column of size 24"},
    {{"contact_title", ftString, 4}, R"(choice = "Title")"},
    {{"title", ftString, 10}, "left out, no choice guessed for a String column of size 10"},
    {{"gender", ftString, 6}, R"(choice = "Gender", Format = "Male or Female")"},
    {{"sex", ftString, 1}, R"(choice = "Gender", Format = "M or F")"},
    {{"tel", ftString, 20}, R"(choice = "Tel/Fax")"},
    {{"hotel", ftString, 20}, "left out, no choice guessed for a String column of size 20"},
    {{"city", ftString, 2},
     "left out, Town/City makes up to 24 characters, more than its size of 2"},
    {{"date_of_birth", ftString, 10},
     R"(choice = "Date", From = "1940/1/1", To = "2005/12/31", Format = "Date of Birth, yyyy/mm/dd")"},
    {{"order_date", ftString, 10}, R"(choice = "Date", From = "2000/1/1", Format = "yyyy-mm-dd")"},
    {{"age", ftString, 3}, R"(class = "text", choice = "Age", Type = "Random, 16 - 99")"},
    {{"n_age", ftInteger, 0}, R"(class = "integer", choice = "Age", Type = "Random, 16 - 99")"},
    {{"qty", ftSmallint, 0}, R"(class = "integer", choice = "Random", From = "1", To = "1000")"},
    {{"price", ftFloat, 0}, R"(class = "float", choice = "Random", From = "0.00", To = "1000.00")"},
    {{"in_stock", ftBoolean, 0},
     R"(class = "boolean", choice = "Random", Style = "False and True")"},
    {{"dob", ftDate, 0},
     R"(choice = "Random Date", From = "1940/1/1", To = "2005/12/31", Style = "yyyy-mm-dd")"},
    {{"hired", ftDate, 0}, R"(choice = "Random Date", From = "2000/1/1", Style = "yyyy-mm-dd")"},
    {{"cut_off", ftTime, 0}, R"(choice = "Random Time", Format = "24 hr, e.g. 16:30:24")"},
    {{"created", ftDateTime, 0},
     R"(choice = "Random DateTime", From = "2000/1/1", Format = "yyyy-mm-dd 24:24:24")"},
    {{"memo", ftMemo, 0}, "left out, no choice guessed for a Memo column"},
    {{"photo", ftBlob, 0}, "left out, no choice guessed for a BLOB column"},
    {{"big", ftLargeint, 0}, R"(class = "bigint", choice = "Random", From = "1", To = "1000")"},
};

// Each column alone in a table "t", drafted on a fixed day.
void ExpectEachDrafted(const std::vector<GuessCase>& cases) {
  for (const GuessCase& c : cases) {
    FakeSchema schema;
    schema.names = {"t"};
    // A column of no known type is not in the field list, so nothing is said of it.
    schema.tables["t"].columns = {c.column, {"span", ftUnknown, 0}};
    const std::string& name = c.column.name;
    const std::string written = c.written;
    const std::string line = written.rfind("left ", 0) == 0
                                 ? "  # " + name + ": " + written + "\n"
                                 : "  { name = \"" + name + "\", " + written + " },\n";
    EXPECT_EQ(DraftProfile(schema, "shop", {2026, 12, 9}), kHeader + TableText("t", line)) << name;
  }
}

// A column with a guess NOT NULL, so that the guess alone is written; one
// without, nullable, as a NOT NULL one would get a value of its facts instead.
TEST(Draft, GuessesEachColumnFromItsNameAndType) {
  std::vector<GuessCase> cases(std::begin(kGuesses), std::end(kGuesses));
  for (GuessCase& c : cases) c.column.nullable = std::string_view(c.written).starts_with("left ");
  ExpectEachDrafted(cases);
}

// A column with what the database tells of it beyond its name, type and size.
struct Col : ColumnFacts {
  Col(std::string name, TFieldType type, int32_t size = 0, std::string type_name = "",
      int16_t sql_type = 0)
      : ColumnFacts(std::move(name), type, size) {
    this->type_name = std::move(type_name);
    this->sql_type = sql_type;
    nullable = false;
  }
  Col& Null() { return nullable = true, *this; }
  Col& Decimal(int32_t p, int32_t s) { return precision = p, scale = s, *this; }
  Col& Range(std::string low, std::string high, bool low_open = false, bool high_open = false) {
    checks.push_back({"", std::move(low), std::move(high), low_open, high_open, {}});
    return *this;
  }
  Col& In(std::vector<std::string> values) {
    checks.push_back({"", "", "", false, false, std::move(values)});
    return *this;
  }
  Col& Labels(std::vector<std::string> labels) { return enum_labels = std::move(labels), *this; }
  Col& Default(std::string value) { return default_value = std::move(value), *this; }
};

const char kPattern8[] = R"(choice = "Formatted", "Data Format" = "!\\\\\\\\\\~~")";

// NOT NULL unless marked: each gets a value that its type, size, precision,
// labels and CHECKs accept, or is left to the database.
TEST(Draft, GivesEachColumnAValueItsFactsAccept) {
  ExpectEachDrafted({
      {Col("wheel_in", ftFloat, 0, "numeric", 2).Decimal(4, 2),
       R"(class = "float", choice = "Random", From = "0.00", To = "99.99")"},
      {Col("net", ftString, 10, "decimal(6,2)").Decimal(6, 2),
       R"(class = "float", choice = "Random", From = "0.00", To = "1000.00")"},
      {Col("rate", ftFloat, 0, "numeric", 2).Decimal(5, 2).Range("2.50", "60.00"),
       R"(class = "float", choice = "Random", From = "2.50", To = "60.00")"},
      {Col("share", ftFloat, 0, "numeric", 2).Decimal(3, 3).Range("0.25", "0.75"),
       R"(class = "float", choice = "Fixed Value", Value = "0.250")"},
      {Col("level", ftSmallint, 0, "tinyint", -6),
       R"(class = "integer", choice = "Random", From = "1", To = "127")"},
      {Col("hours", ftWord, 0, "tinyint(3) unsigned").Range("0", "72", true),
       R"(class = "integer", choice = "Random", From = "1", To = "72")"},
      {Col("rank", ftString, 11, "integer"),
       R"(class = "integer", choice = "Random", From = "1", To = "1000")"},
      {Col("model_year", ftSmallint, 0, "year"),
       R"(class = "integer", choice = "Random", From = "1901", To = "2155")"},
      {Col("made", ftInteger).Range("'1901'", "2155"),
       R"(class = "integer", choice = "Random", From = "1901", To = "2155")"},
      {Col("seen", ftInteger, 0, "int unsigned").Range("3000000000", ""),
       R"(class = "bigint", choice = "Random", From = "3000000000", To = "3000000999")"},
      {Col("odd", ftInteger).Range("5", "3"), "left out, its CHECKs leave no value"},
      {Col("flag", ftSmallint, 0, "tinyint(1)"), R"(class = "bool", choice = "Random")"},
      {Col("in_service", ftString, 5, "boolean").Null(),
       R"(class = "bool", choice = "Random", null = 0.1)"},
      {Col("serial_no", ftBytes, 37, "", -11), R"(class = "uuid", choice = "UUID")"},
      {Col("tag", ftBytes, 8, "binary"),
       R"(class = "binary", choice = "Random Bytes", Length = "8")"},
      {Col("photo", ftBlob, 65535), R"(class = "binary", choice = "Random Bytes", Length = "16")"},
      {Col("frame", ftString, 255).Labels({"steel", "carbon"}),
       R"(choice = "Choice", List = "steel;carbon")"},
      {Col("shift", ftString, 1).In({"E", "Late", "N"}), R"(choice = "Choice", List = "E;N")"},
      {Col("band", ftInteger).In({"1", "2", "4"}),
       R"(class = "text", choice = "Choice", List = "1;2;4")"},
      {Col("group", ftString, 8), kPattern8},
      {Col("county", ftString, 8), kPattern8},
      {Col("email", ftString, 29).Null(),
       "left out, Email makes up to 30 characters, more than its size of 29"},
      {Col("contact_email", ftString, 40).Null().Default("NULL"),
       R"(choice = "Email", null = 0.1)"},
      {Col("colours", ftString, 255, "_text"),
       R"(choice = "Formatted", "Data Format" = "{!\\\\\\\\,!\\\\\\\\}")"},
      {Col("address", ftString, 255, "jsonb").Null(),
       "left out, no choice guessed for a String column of size 255"},
      {Col("last_update", ftDateTime).Default("now()"),
       "left to the database, its default is now()"},
      {Col("paid_on", ftDate).Range("'2026-01-01'::date", "DATE '2027-01-01'", false, true),
       R"(choice = "Random Date", From = "2026/1/1", To = "2026/12/9", Style = "yyyy-mm-dd")"},
      {Col("rented", ftDateTime).Range("2026-01-01 08:00", "2026-07-01"),
       R"(choice = "Random DateTime", From = "2026/1/2", To = "2026/6/30", Format = "yyyy-mm-dd 24:24:24")"},
      {Col("born", ftDate).Range("1990-01-01", ""),
       R"(choice = "Random Date", From = "1990/1/1", To = "2005/12/31", Style = "yyyy-mm-dd")"},
      {Col("due", ftDate).Range("2100-01-01", ""),
       R"(choice = "Random Date", From = "2100/1/1", To = "2126/12/10", Style = "yyyy-mm-dd")"},
  });
}

// The table's one Counter, what the database makes itself, and the kinds of
// table that take no rows.
TEST(Draft, KeepsOneCounterAndLeavesToTheDatabaseWhatItMakes) {
  FakeSchema schema;
  schema.names = {"payment", "bike", "customer", "hire_by_month", "payment_h1"};
  TableFacts& payment = schema.tables["payment"];
  payment.kind = TableKind::kPartitioned;
  payment.columns = {Col("payment_id", ftInteger).Range("1000", ""), Col("till", ftInteger),
                     Col("paid_on", ftDate)};
  payment.primary_key = {"payment_id", "till", "paid_on"};
  payment.columns[0].auto_increment = true;  // a SERIAL: written by the Counter all the same
  payment.columns[0].default_value = "nextval('payment_payment_id_seq')";
  TableFacts& bike = schema.tables["bike"];
  bike.columns = {Col("bike_id", ftLargeint), Col("hire_id", ftLargeint), Col("code", ftInteger)};
  bike.primary_key = {"bike_id"};
  bike.references = {{"hire_id", {"hire", "hire_id"}}};
  bike.unique_keys = {{"bike_code", {"code"}}};
  TableFacts& customer = schema.tables["customer"];
  customer.columns = {Col("id", ftInteger), Col("serial", ftInteger), Col("total", ftFloat),
                      Col("span", ftUnknown, 0, "interval")};
  customer.columns[0].always_generated = customer.columns[0].auto_increment = true;
  customer.columns[1].auto_increment = true;
  customer.columns[1].default_value = "nextval('customer_serial_seq')";
  customer.columns[2].generated = true;
  customer.primary_key = {"id"};
  customer.unique_keys = {{"customer_serial", {"serial"}}};
  schema.tables["hire_by_month"].kind = TableKind::kMaterializedView;
  schema.tables["payment_h1"].kind = TableKind::kPartition;
  EXPECT_EQ(
      DraftProfile(schema, "shop", {2026, 12, 9}),
      kHeader +
          TableText("payment",
                    "  { name = \"payment_id\", choice = \"Counter\", \"Starting Value\" = "
                    "\"1000\" },\n"
                    "  { name = \"till\", class = \"integer\", choice = \"Random\", From = \"1\", "
                    "To = \"1000\" },\n"
                    "  { name = \"paid_on\", choice = \"Random Date\", From = \"2000/1/1\", "
                    "Style = \"yyyy-mm-dd\" },\n",
                    "primary_key = [\"payment_id\", \"till\", \"paid_on\"]\n") +
          TableText("bike",
                    "  { name = \"bike_id\", class = \"bigint\", choice = \"Counter\" },\n"
                    "  { name = \"hire_id\", class = \"bigint\", choice = \"Database Lookup\", "
                    "\"Field Name\" = \"hire_id\", TableName = \"hire\" },\n"
                    "  { name = \"code\", class = \"integer\", choice = \"Random\", From = \"1\", "
                    "To = \"1000000\" },\n",
                    "primary_key = [\"bike_id\"]\nunique = [[\"code\"]]\n") +
          TableText("customer",
                    "  # id: left to the database, an identity it always generates\n"
                    "  # serial: left to the database, an identity or auto-increment column\n"
                    "  # total: left to the database, a generated column\n"
                    "  # span: NOT NULL, but its type interval cannot be generated\n",
                    "primary_key = [\"id\"]\nunique = [[\"serial\"]]\n") +
          "\n# hire_by_month is a materialized view: left out.\n"
          "\n# payment_h1 is a partition: left out, its rows go in through its parent table.\n");
}

TEST(Draft, LooksUpForeignKeysAndSaysWhatItLeavesOut) {
  FakeSchema schema;
  schema.names = {"employee", "playlist_track", "staff_view", "locked"};
  auto table = [&](const std::string& name, std::vector<ColumnFacts> columns,
                   std::vector<std::string> key, std::map<std::string, ColumnReference> refs) {
    TableFacts& facts = schema.tables[name];
    facts.columns = std::move(columns);
    facts.primary_key = std::move(key);
    facts.references = std::move(refs);
  };
  table("employee",
        {{"employee_id", ftInteger, 0},
         {"reports_to", ftInteger, 0},
         Col("dept_id", ftInteger),
         {"day", ftDate, 0}},
        {"employee_id"},
        {{"reports_to", {"employee", "employee_id"}},
         {"dept_id", {"dept", "id"}},
         {"day", {"calendar", "day"}}});
  table("playlist_track", {{"playlist_id", ftInteger, 0}, {"track_id", ftInteger, 0}},
        {"playlist_id", "track_id"},
        {{"playlist_id", {"playlist", "playlist_id"}}, {"track_id", {"track", "track_id"}}});
  EXPECT_EQ(
      DraftProfile(schema, "shop"),
      kHeader +
          TableText("employee",
                    "  { name = \"employee_id\", choice = \"Counter\" },\n"
                    "  { name = \"dept_id\", class = \"integer\", choice = \"Database Lookup\", "
                    "\"Field Name\" = \"id\", TableName = \"dept\" },\n"
                    "  # reports_to: left out, it references employee(employee_id), its own "
                    "table, where the first record finds no row to look up\n"
                    "  # day: left out, no choice guessed for a Date column\n",
                    "primary_key = [\"employee_id\"]\n") +
          TableText("playlist_track",
                    "  { name = \"playlist_id\", class = \"integer\", choice = \"Database "
                    "Lookup\", \"Field Name\" = \"playlist_id\", TableName = \"playlist\" },\n"
                    "  { name = \"track_id\", class = \"integer\", choice = \"Database Lookup\", "
                    "\"Field Name\" = \"track_id\", TableName = \"track\" },\n"
                    "  # the key (playlist_id, track_id) is made of looked-up values, which "
                    "repeat: give one of its columns a Counter, or keep the records to a few\n",
                    "primary_key = [\"playlist_id\", \"track_id\"]\n") +
          "\n# staff_view is a view: left out.\n"
          "\n# locked cannot be read: left out (permission denied?for locked.)\n");
}

// Whatever the data source says, every comment is one line and the draft
// parses: a message over several lines with quotes and "#", and names and
// parameters that are not UTF-8 (left out with a note).
TEST(Draft, ParsesWhateverTheDataSourceSays) {
  FakeSchema schema;
  schema.refusal =
      "[unixODBC]first line\nsecond \"quoted\" line # not a comment\r\n[x] = 1 \xFF\xC0\xAF ";
  schema.names = {"locked", "caf\xE9", "ok", "v\n]_view"};
  TableFacts& ok = schema.tables["ok"];
  ok.columns = {{"id", ftInteger, 0}, {"mail\xE9", ftString, 60}, {"town_id", ftInteger, 0}};
  ok.primary_key = {"id"};
  ok.references = {{"town_id", {"t\xB1", "id"}}};
  const std::string text = DraftProfile(schema, "Odd\nDSN # \xE9");

  const NamedProfile parsed = ParseNamedProfile(text, "draft.toml");
  ASSERT_EQ(parsed.tables.size(), 1u) << text;
  EXPECT_EQ(parsed.tables[0].name, "ok");
  ASSERT_EQ(parsed.tables[0].fields.size(), 1u);
  EXPECT_EQ(parsed.tables[0].fields[0].name, "id");
  const std::string not_utf8 =
      "its name or a parameter is not UTF-8 text, which a TOML file cannot hold\n";
  for (const std::string& line : std::vector<std::string>{
           "# A named profile drafted by kestrove-profile from the data source Odd DSN # ?.\n",
           "\n# locked cannot be read: left out ([unixODBC]first line second \"quoted\" line # "
           "not a comment [x] = 1 ??? locked.)\n",
           "\n# caf? is left out: its name is not UTF-8 text, which a TOML file cannot hold\n",
           "  # mail?: left out, " + not_utf8, "  # town_id: left out, " + not_utf8,
           "\n# v ]_view is a view: left out.\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

}  // namespace
}  // namespace kestrove

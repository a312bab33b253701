// The draft over a fake catalogue: each kind of column, keys and lookups.
#include "catalogue/draft.h"

#include <gtest/gtest.h>

#include "core/errors.h"

namespace kestrove {
namespace {

class FakeSchema : public SchemaReader {
 public:
  std::vector<std::string> names;
  std::map<std::string, TableFacts> tables;  // any other name cannot be read

  const std::vector<std::string>& TableNames() override { return names; }
  bool IsView(size_t slot) override { return names[slot].ends_with("_view"); }
  TableFacts Facts(const std::string& table) override {
    if (!tables.count(table)) throw EDatabaseError("permission denied\tfor " + table);
    return tables.at(table);
  }
};

const char kHeader[] =
    "# A named profile drafted by kestrove-profile from the data source shop.\n"
    "# Choices are guessed from the column names and types: check them, and give\n"
    "# the columns left out (see the comments) a choice where they need a value.\n"
    "\n# Parents before the tables that look them up, each lookup read once.\n"
    "[run]\norder = \"parents-first\"\ncache_lookups = true\n";

std::string TableText(const std::string& name, const std::string& fields) {
  return "\n[[table]]\nname = \"" + name + "\"\nrecords = 10\ndelete = false\nfields = [\n" +
         fields + "]\n";
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

TEST(Draft, GuessesEachColumnFromItsNameAndType) {
  for (const GuessCase& c : kGuesses) {
    FakeSchema schema;
    schema.names = {"t"};
    // A column of no known type is not in the field list, so nothing is said of it.
    schema.tables["t"].columns = {c.column, {"span", ftUnknown, 0}};
    const std::string& name = c.column.name;
    const std::string line = std::string(c.written).rfind("left out", 0) == 0
                                 ? "  # " + name + ": " + c.written + "\n"
                                 : "  { name = \"" + name + "\", " + c.written + " },\n";
    EXPECT_EQ(DraftProfile(schema, "shop"), kHeader + TableText("t", line)) << name;
  }
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
         {"dept_id", ftInteger, 0},
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
                    "  # day: left out, no choice guessed for a Date column\n") +
          TableText("playlist_track",
                    "  { name = \"playlist_id\", class = \"integer\", choice = \"Database "
                    "Lookup\", \"Field Name\" = \"playlist_id\", TableName = \"playlist\" },\n"
                    "  { name = \"track_id\", class = \"integer\", choice = \"Database Lookup\", "
                    "\"Field Name\" = \"track_id\", TableName = \"track\" },\n"
                    "  # the key (playlist_id, track_id) is made of looked-up values, which "
                    "repeat: give one of its columns a Counter, or keep the records to a few\n") +
          "\n# staff_view is a view: left out.\n"
          "\n# locked cannot be read: left out (permission denied?for locked.)\n");
}

}  // namespace
}  // namespace kestrove

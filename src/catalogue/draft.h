// The draft: a starting named profile for a data source, each column's choice
// guessed from its name and type, and a comment for every column left out.
// It reads the data source through SchemaReader, so the guessing is the same
// over a database and over a fake catalogue in a test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "catalogue/named_profile.h"
#include "core/field_types.h"

namespace kestrove {

// One result column of a table. What else a data source tells about a column
// (NOT NULL, its default, CHECKs, enum labels) belongs here too.
struct ColumnFacts {
  std::string name;
  TFieldType type = ftUnknown;
  int32_t size = 0;
};

// The table and column a foreign key column refers to.
struct ColumnReference {
  std::string table;
  std::string column;
};

// What the draft knows of one table.
struct TableFacts {
  std::vector<ColumnFacts> columns;  // every result column, in order
  std::vector<std::string> primary_key;
  // By column. A column of a key of several columns references its own
  // column of the other table.
  std::map<std::string, ColumnReference> references;
};

// The schema of a connected data source, as the draft asks for it.
class SchemaReader {
 public:
  virtual ~SchemaReader() = default;
  // The tables and views in slot order, as the window lists them.
  virtual const std::vector<std::string>& TableNames() = 0;
  // True when the entry at `slot` of TableNames() is a view.
  virtual bool IsView(size_t slot) = 0;
  // Raises EDatabaseError when the table cannot be read.
  virtual TableFacts Facts(const std::string& table) = 0;
};

// "references artist(artist_id)".
std::string ReferenceText(const ColumnReference& reference);

// The draft of every table of `schema`, in slot order, headed by a comment
// naming `source`. Views are left out with a comment, and so is a table that
// cannot be read, with the reason. A table's comments on the columns it
// leaves out go inside its field list.
std::string DraftProfile(SchemaReader& schema, const std::string& source);

}  // namespace kestrove

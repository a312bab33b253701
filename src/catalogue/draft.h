// The draft: a starting named profile for a data source, each column's choice
// guessed from its name and type, and a comment for every column left out.
// It reads the data source through SchemaReader, so the guessing is the same
// over a database and over a fake catalogue in a test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/named_profile.h"
#include "core/clock.h"
#include "core/field_types.h"

namespace kestrove {

// A CHECK constraint on one column, as far as it is simple enough to honour:
// a range of constants (BETWEEN, >=, <=, >, <), a list of allowed values
// (IN (...)), or, for dates, a range of days. `text` is the constraint as the
// database states it; the bounds are empty where the text says none.
struct CheckFacts {
  std::string text;
  std::string low, high;                     // inclusive bounds, as SQL constants
  bool low_open = false, high_open = false;  // > or < rather than >= or <=
  std::vector<std::string> allowed;          // IN (...): the values, unquoted
};

// One result column of a table, with what the data source tells about it.
// Every fact has a default that says "not known", so a reader that cannot
// find one out leaves it.
struct ColumnFacts {
  ColumnFacts() = default;
  ColumnFacts(std::string name, TFieldType type, int32_t size)
      : name(std::move(name)), type(type), size(size) {}

  std::string name;
  TFieldType type = ftUnknown;
  int32_t size = 0;

  std::string type_name;      // the database's own name of the type: "uuid", "year", "tinyint(1)"
  int16_t sql_type = 0;       // the ODBC SQL type the driver reports (SQL_BIGINT, SQL_GUID, ...)
  bool nullable = true;       // false for NOT NULL
  std::string default_value;  // the DEFAULT expression, empty when none
  int32_t precision = 0;      // digits of a DECIMAL/NUMERIC (0: not known)
  int32_t scale = 0;          // digits after the point
  bool is_unsigned = false;
  bool auto_increment = false;    // identity, SERIAL, AUTO_INCREMENT, SQLite's rowid alias
  bool generated = false;         // a computed column: the database makes its value
  bool always_generated = false;  // GENERATED ALWAYS identity or generated: no value may be given
  std::vector<std::string> enum_labels;  // ENUM (and MariaDB SET) labels, in order
  bool is_set = false;                   // a MariaDB SET: any combination of the labels
  std::string domain;                    // the domain's name, where the column has one
  std::vector<CheckFacts> checks;        // CHECKs on this column alone
  std::string sequence;                  // the sequence that feeds it (PostgreSQL), empty when none
};

// The table and column a foreign key column refers to.
struct ColumnReference {
  std::string table;
  std::string column;
};

// A unique constraint or unique index (the primary key is kept apart).
struct UniqueKey {
  std::string name;
  std::vector<std::string> columns;  // in key order
};

// What kind of object a listed name is.
enum class TableKind {
  kTable,
  kView,
  kMaterializedView,
  kPartition,    // a partition of a partitioned table: rows go in through the parent
  kPartitioned,  // the parent of partitions
};

// What the draft knows of one table.
struct TableFacts {
  std::vector<ColumnFacts> columns;  // every result column, in order
  std::vector<std::string> primary_key;
  // By column. A column of a key of several columns references its own
  // column of the other table.
  std::map<std::string, ColumnReference> references;
  std::vector<UniqueKey> unique_keys;
  std::vector<std::string> table_checks;  // CHECKs over several columns, as stated
  TableKind kind = TableKind::kTable;
};

// The schema of a connected data source, as the draft asks for it.
class SchemaReader {
 public:
  virtual ~SchemaReader() = default;
  // The tables and views in slot order, as the window lists them.
  virtual const std::vector<std::string>& TableNames() = 0;
  // True when the entry at `slot` of TableNames() is a view.
  virtual bool IsView(size_t slot) = 0;
  // What the entry at `slot` of TableNames() is; a reader that tells only
  // views from tables needs not say more.
  virtual TableKind Kind(size_t slot) {
    return IsView(slot) ? TableKind::kView : TableKind::kTable;
  }
  // Raises EDatabaseError when the table cannot be read.
  virtual TableFacts Facts(const std::string& table) = 0;
  // How the data source takes names and literals, for a dry run's script;
  // nullopt where the reader cannot tell.
  virtual std::optional<NamedScriptFacts> ScriptFacts() { return std::nullopt; }
};

// "references artist(artist_id)".
std::string ReferenceText(const ColumnReference& reference);

// The draft of every table of `schema`, in slot order, headed by a comment
// naming `source` and the run options it needs. Views, materialized views
// and partitions are left out with a comment, and so is a table that cannot
// be read, with the reason. A table's comments on the columns it leaves out
// go inside its field list. Dates are drawn up to `today` (the system's by
// default) where nothing else bounds them.
std::string DraftProfile(SchemaReader& schema, const std::string& source);
std::string DraftProfile(SchemaReader& schema, const std::string& source, const CivilDate& today);

}  // namespace kestrove

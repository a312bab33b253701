// The whole schema of a connected data source, for describing it and
// drafting profiles: every table of every schema the account can use, and
// every fact of a column the database keeps. What the ODBC catalogue calls
// answer is read through them; what a DBMS keeps only in its own catalogue
// (enum labels, CHECKs, generated columns, the kind of a table) is read by a
// query of its own, chosen by SQL_DBMS_NAME. Nothing outside this unit
// knows which DBMS it talks to.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "db/foreign_keys.h"
#include "db/statement.h"

namespace kestrove {

class DbConnection;

enum class DbObjectKind { kTable, kView, kMaterializedView, kPartition, kPartitioned };

struct DbSchemaTable {
  std::string schema;  // empty where the data source has no schemas (SQLite)
  std::string name;
  DbObjectKind kind = DbObjectKind::kTable;
  bool in_default_schema = true;
  // "schema.table" outside the default schema, else the bare name.
  std::string Qualified() const { return in_default_schema ? name : schema + "." + name; }
};

struct DbColumnFacts {
  std::string name;
  int16_t sql_type = 0;
  std::string type_name;
  int64_t column_size = 0;
  int32_t precision = 0;
  int32_t scale = 0;
  bool nullable = true;
  std::string default_value;
  bool is_unsigned = false;
  bool auto_increment = false;
  bool generated = false;
  bool always_generated = false;
  std::vector<std::string> enum_labels;
  bool is_set = false;
  std::string domain;
  std::vector<std::string> checks;  // CHECK texts bearing on this column alone (domains too)
  std::string sequence;
};

struct DbUniqueKey {
  std::string name;
  std::vector<std::string> columns;
};

struct DbTableFacts {
  std::vector<DbColumnFacts> columns;
  std::vector<std::string> primary_key;
  std::vector<DbUniqueKey> unique_keys;  // the primary key's own index left out
  std::vector<ForeignKey> foreign_keys;  // ReferencedTable qualified as the list names it
  std::vector<std::string> checks;       // every CHECK of the table, as the database states it
  // A partitioned table: the column it is split by, and each partition's
  // FROM and TO bounds (range partitions only), as SQL constants.
  std::string partition_column;
  std::vector<std::pair<std::string, std::string>> partition_bounds;
};

// How the run's own connection may put off the check of foreign keys, to
// fill tables whose NOT NULL keys refer to each other. Each way is given as
// the statements that take it, empty where this account on this DBMS has
// none.
struct KeyCheckDeferral {
  std::string dbms;  // the DBMS as a message names it
  // Every key's check waits for the commit: sent after a transaction
  // begins (SQLite's PRAGMA defer_foreign_keys, which resets at the commit).
  std::string defer_all;
  // The DEFERRABLE keys wait for the commit: SetConstraintsDeferred(names),
  // sent after a transaction begins (PostgreSQL).
  bool defers_deferrable = false;
  // The constraint names of the DEFERRABLE foreign keys (bare, as
  // SQLForeignKeys names them), each with its name as SET CONSTRAINTS takes
  // it.
  std::vector<std::pair<std::string, std::string>> deferrable;
  // Switched off on this connection and on again afterwards, without a
  // re-check (MariaDB's foreign_key_checks; PostgreSQL's
  // session_replication_role where the account may set it).
  std::string switch_off, switch_on;
  // What the account would need where it has no way that fits.
  std::string needs;
  // "SET CONSTRAINTS a, b DEFERRED".
  static std::string SetConstraintsDeferred(const std::vector<std::string>& names);
};

class DbSchemaCatalog {
 public:
  // `connection` must be connected and outlive the catalogue.
  explicit DbSchemaCatalog(DbConnection& connection);

  // Every table, view and materialized view of the schemas the account can
  // use, system schemas left out: the default schema first, by name, then
  // the other schemas by name.
  std::vector<DbSchemaTable> Tables();
  // Raises EODBC when the driver refuses a call.
  DbTableFacts Facts(const DbSchemaTable& table);
  // How this account may put off the check of foreign keys on the
  // catalogue's connection (the run's own). Raises EODBC.
  KeyCheckDeferral Deferral();

 private:
  enum class Dbms { kOther, kPostgres, kMariaDb, kSqlite };

  CatalogueName NameOf(const DbSchemaTable& table) const;
  std::string Quoted(const std::string& name) const;
  std::string Literal(const std::string& text) const;
  std::vector<std::vector<std::string>> Query(const std::string& sql, int columns);
  void ReadPostgres(const DbSchemaTable& table, DbTableFacts& facts);
  void ReadMariaDb(const DbSchemaTable& table, DbTableFacts& facts);
  void ReadSqlite(const DbSchemaTable& table, DbTableFacts& facts);

  DbConnection& connection_;
  Dbms dbms_ = Dbms::kOther;
  std::string quote_;
  std::string default_schema_;
};

}  // namespace kestrove

// The whole schema of a data source: ODBC's catalogue calls first, then
// each DBMS's own catalogue for what ODBC does not carry.
#include "db/schema_catalog.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include "db/connection.h"
#include "db/odbc_internal.h"

namespace kestrove {

namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool Contains(const std::string& text, const std::string& part) {
  return Upper(text).find(Upper(part)) != std::string::npos;
}

// Labels of "enum('a','b''c')" or "set(...)", as MariaDB's COLUMN_TYPE
// states them.
std::vector<std::string> QuotedLabels(const std::string& type) {
  std::vector<std::string> labels;
  size_t i = type.find('(');
  if (i == std::string::npos) return labels;
  while (i < type.size()) {
    const size_t open = type.find('\'', i);
    if (open == std::string::npos) break;
    std::string label;
    size_t k = open + 1;
    for (; k < type.size(); ++k) {
      if (type[k] == '\'' && k + 1 < type.size() && type[k + 1] == '\'') {
        label += '\'';
        ++k;
      } else if (type[k] == '\'') {
        break;
      } else {
        label += type[k];
      }
    }
    labels.push_back(label);
    i = k + 1;
  }
  return labels;
}

// "(p,s)" or "(p)" of a type name such as DECIMAL(4,2).
bool TypeDigits(const std::string& type, int32_t* precision, int32_t* scale) {
  const size_t open = type.find('(');
  if (open == std::string::npos) return false;
  int32_t p = 0, s = 0;
  const int read = std::sscanf(type.c_str() + open, "(%d,%d)", &p, &s);
  if (read < 1) return false;
  *precision = p;
  *scale = read == 2 ? s : 0;
  return true;
}

// The text of every CHECK ( ... ) in a CREATE TABLE statement, without the
// keyword, skipping quoted names and literals.
std::vector<std::string> ChecksInTableSql(const std::string& sql) {
  std::vector<std::string> checks;
  const std::string upper = Upper(sql);
  char quote = 0;
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
      quote = c == '[' ? ']' : c;
      continue;
    }
    const bool word_start =
        i == 0 || !(std::isalnum(static_cast<unsigned char>(sql[i - 1])) || sql[i - 1] == '_');
    if (!word_start || upper.compare(i, 5, "CHECK") != 0) continue;
    size_t k = i + 5;
    while (k < sql.size() && std::isspace(static_cast<unsigned char>(sql[k]))) ++k;
    if (k >= sql.size() || sql[k] != '(') continue;
    int depth = 0;
    char inner = 0;
    size_t end = k;
    for (; end < sql.size(); ++end) {
      const char d = sql[end];
      if (inner) {
        if (d == inner) inner = 0;
      } else if (d == '\'' || d == '"' || d == '`') {
        inner = d;
      } else if (d == '(') {
        ++depth;
      } else if (d == ')' && --depth == 0) {
        break;
      }
    }
    checks.push_back(sql.substr(k, end - k + 1));
    i = end;
  }
  return checks;
}

// Splits on a separator character that no label holds.
std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  size_t start = 0;
  for (size_t at = text.find(separator); at != std::string::npos;
       at = text.find(separator, start)) {
    parts.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  parts.push_back(text.substr(start));
  return parts;
}

// The single value inside "('2026-01-01')"; empty for MINVALUE, MAXVALUE
// or a key of several columns.
std::string BoundValue(const std::string& bound, const std::string& word) {
  const size_t at = bound.find(word + " (");
  if (at == std::string::npos) return "";
  const size_t open = at + word.size() + 2;
  const size_t close = bound.find(')', open);
  if (close == std::string::npos) return "";
  const std::string value = bound.substr(open, close - open);
  if (value.find(',') != std::string::npos || Contains(value, "MINVALUE") ||
      Contains(value, "MAXVALUE"))
    return "";
  return value;
}

}  // namespace

DbSchemaCatalog::DbSchemaCatalog(DbConnection& connection) : connection_(connection) {
  if (!connection_.Connected()) connection_.Connect();
  const std::string dbms = Upper(connection_.InfoText(SQL_DBMS_NAME));
  if (dbms.find("POSTGRES") != std::string::npos)
    dbms_ = Dbms::kPostgres;
  else if (dbms.find("MARIADB") != std::string::npos || dbms.find("MYSQL") != std::string::npos)
    dbms_ = Dbms::kMariaDb;
  else if (dbms.find("SQLITE") != std::string::npos)
    dbms_ = Dbms::kSqlite;
  quote_ = connection_.InfoText(SQL_IDENTIFIER_QUOTE_CHAR);
  if (quote_ == " ") quote_.clear();
}

std::string DbSchemaCatalog::Quoted(const std::string& name) const {
  if (quote_.empty()) return name;
  std::string out = quote_;
  for (char c : name) {
    out += c;
    if (std::string(1, c) == quote_) out += c;
  }
  return out + quote_;
}

std::string DbSchemaCatalog::Literal(const std::string& text) const {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    // MariaDB reads a backslash in a literal as an escape.
    if (c == '\\' && dbms_ == Dbms::kMariaDb) out += '\\';
    out += c;
  }
  return out + "'";
}

std::vector<std::vector<std::string>> DbSchemaCatalog::Query(const std::string& sql, int columns) {
  DbStatement query(connection_);
  // The catalogue queries use PostgreSQL's casts and no parameters.
  query.SQLParsing = false;
  query.SetSQL(sql);
  query.Execute();
  std::vector<std::vector<std::string>> rows;
  while (query.FetchNext()) {
    std::vector<std::string> row;
    for (int c = 1; c <= columns; ++c) row.push_back(query.ColumnText(c));
    rows.push_back(std::move(row));
  }
  return rows;
}

CatalogueName DbSchemaCatalog::NameOf(const DbSchemaTable& table) const {
  // MariaDB Connector/ODBC knows no schemas: its databases are catalogs.
  if (dbms_ == Dbms::kMariaDb) return {table.schema, "", table.name};
  if (dbms_ == Dbms::kSqlite) return {"", "", table.name};
  return {"", table.schema, table.name};
}

std::vector<DbSchemaTable> DbSchemaCatalog::Tables() {
  std::vector<DbSchemaTable> tables;
  switch (dbms_) {
    case Dbms::kPostgres: {
      // pg_class, because SQLTables tells neither a materialized view nor a
      // partition from a table, and lists schemas the account cannot use.
      for (const auto& row :
           Query("SELECT n.nspname, c.relname, c.relkind, CASE WHEN c.relispartition THEN 1 ELSE "
                 "0 END, CASE WHEN n.nspname = current_schema() THEN 1 ELSE 0 END FROM pg_class c "
                 "JOIN pg_namespace n ON n.oid = c.relnamespace WHERE c.relkind IN ('r', 'p', "
                 "'v', 'm', 'f') AND n.nspname NOT LIKE 'pg!_%' ESCAPE '!' AND n.nspname <> "
                 "'information_schema' AND has_schema_privilege(n.oid, 'USAGE')",
                 5)) {
        DbSchemaTable t{row[0], row[1], DbObjectKind::kTable, row[4] == "1"};
        if (row[3] == "1")
          t.kind = DbObjectKind::kPartition;
        else if (row[2] == "p")
          t.kind = DbObjectKind::kPartitioned;
        else if (row[2] == "v")
          t.kind = DbObjectKind::kView;
        else if (row[2] == "m")
          t.kind = DbObjectKind::kMaterializedView;
        tables.push_back(std::move(t));
      }
      break;
    }
    case Dbms::kMariaDb: {
      // information_schema.TABLES shows every database the account may use;
      // the data source's own one is the default schema.
      for (const auto& row :
           Query("SELECT TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE, CASE WHEN TABLE_SCHEMA = "
                 "DATABASE() THEN 1 ELSE 0 END FROM information_schema.TABLES WHERE "
                 "TABLE_SCHEMA NOT IN ('information_schema', 'mysql', 'performance_schema', "
                 "'sys')",
                 4))
        tables.push_back({row[0], row[1],
                          Upper(row[2]) == "VIEW" ? DbObjectKind::kView : DbObjectKind::kTable,
                          row[3] == "1"});
      break;
    }
    case Dbms::kSqlite: {
      // sqlite_master: SQLTables lists sqlite_sequence as a table.
      for (const auto& row :
           Query("SELECT name, type FROM sqlite_master WHERE type IN ('table', 'view') AND name "
                 "NOT LIKE 'sqlite!_%' ESCAPE '!'",
                 2))
        tables.push_back(
            {"main", row[0], row[1] == "view" ? DbObjectKind::kView : DbObjectKind::kTable, true});
      break;
    }
    case Dbms::kOther: {
      DbStatement list(connection_);
      list.Tables("%", "'TABLE','VIEW'");
      while (list.FetchNext())
        tables.push_back(
            {list.ColumnText(2), list.ColumnText(3),
             Upper(list.ColumnText(4)) == "VIEW" ? DbObjectKind::kView : DbObjectKind::kTable,
             true});
      break;
    }
  }
  std::stable_sort(tables.begin(), tables.end(), [](const auto& a, const auto& b) {
    if (a.in_default_schema != b.in_default_schema) return a.in_default_schema;
    if (a.schema != b.schema) return a.schema < b.schema;
    return a.name < b.name;
  });
  for (DbSchemaTable& t : tables)
    if (dbms_ != Dbms::kSqlite && dbms_ != Dbms::kOther && t.in_default_schema)
      default_schema_ = t.schema;
  return tables;
}

DbTableFacts DbSchemaCatalog::Facts(const DbSchemaTable& table) {
  const CatalogueName name = NameOf(table);
  DbTableFacts facts;
  {
    DbStatement columns(connection_);
    columns.Columns(name);
    while (columns.FetchNext()) {
      // The table argument is a pattern: "_" matches any character.
      if (columns.ColumnText(3) != table.name) continue;
      DbColumnFacts c;
      c.name = columns.ColumnText(4);
      int64_t value = 0;
      if (columns.ColumnInt64(5, &value)) c.sql_type = static_cast<int16_t>(value);
      c.type_name = columns.ColumnText(6);
      if (columns.ColumnInt64(7, &value)) c.column_size = value;
      if (c.sql_type == SQL_DECIMAL || c.sql_type == SQL_NUMERIC) {
        c.precision = static_cast<int32_t>(c.column_size);
        if (columns.ColumnInt64(9, &value)) c.scale = static_cast<int32_t>(value);
      }
      if (columns.ColumnInt64(11, &value)) c.nullable = value != SQL_NO_NULLS;
      c.default_value = columns.ColumnText(13);
      // A DEFAULT NULL is no default; sqliteodbc reports the word.
      if (Upper(c.default_value) == "NULL") c.default_value.clear();
      c.is_unsigned = Contains(c.type_name, "UNSIGNED");
      facts.columns.push_back(std::move(c));
    }
  }
  {
    DbStatement keys(connection_);
    keys.PrimaryKeys(name);
    std::vector<std::pair<int64_t, std::string>> key;
    while (keys.FetchNext()) {
      if (keys.ColumnText(3) != table.name) continue;
      int64_t seq = 0;
      keys.ColumnInt64(5, &seq);
      key.emplace_back(seq, keys.ColumnText(4));
    }
    std::stable_sort(key.begin(), key.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& k : key) facts.primary_key.push_back(std::move(k.second));
  }
  {
    DbStatement indexes(connection_);
    indexes.UniqueIndexes(name);
    std::map<std::string, std::vector<std::pair<int64_t, std::string>>> by_name;
    std::vector<std::string> order;
    while (indexes.FetchNext()) {
      int64_t non_unique = 1, type = 0, position = 0;
      indexes.ColumnInt64(7, &type);
      if (type == SQL_TABLE_STAT || indexes.ColumnText(3) != table.name) continue;
      if (indexes.ColumnInt64(4, &non_unique) && non_unique != 0) continue;
      indexes.ColumnInt64(8, &position);
      const std::string index = indexes.ColumnText(6);
      if (!by_name.count(index)) order.push_back(index);
      by_name[index].emplace_back(position, indexes.ColumnText(9));
    }
    const std::set<std::string> pk(facts.primary_key.begin(), facts.primary_key.end());
    for (const std::string& index : order) {
      auto& cols = by_name[index];
      std::stable_sort(cols.begin(), cols.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
      DbUniqueKey key{index, {}};
      for (auto& c : cols) key.columns.push_back(c.second);
      if (std::set<std::string>(key.columns.begin(), key.columns.end()) == pk) continue;
      facts.unique_keys.push_back(std::move(key));
    }
  }
  facts.foreign_keys = ReadForeignKeys(connection_, name);
  for (ForeignKey& key : facts.foreign_keys) {
    const std::string& where =
        dbms_ == Dbms::kMariaDb ? key.ReferencedCatalog : key.ReferencedSchema;
    if (dbms_ != Dbms::kSqlite && !where.empty() && where != default_schema_)
      key.ReferencedTable = where + "." + key.ReferencedTable;
  }
  switch (dbms_) {
    case Dbms::kPostgres:
      ReadPostgres(table, facts);
      break;
    case Dbms::kMariaDb:
      ReadMariaDb(table, facts);
      break;
    case Dbms::kSqlite:
      ReadSqlite(table, facts);
      break;
    case Dbms::kOther:
      break;
  }
  return facts;
}

void DbSchemaCatalog::ReadPostgres(const DbSchemaTable& table, DbTableFacts& facts) {
  const std::string where =
      "n.nspname = " + Literal(table.schema) + " AND c.relname = " + Literal(table.name);
  // pg_attribute and pg_type: identity (attidentity), generated columns
  // (attgenerated), enum labels (pg_enum), domains with their NOT NULL and
  // CHECKs, and the sequence that feeds a SERIAL or identity column.
  // psqlODBC's SQLColumns tells none of them. A column of a domain takes the
  // domain's base type as its type (a boolean flag is a boolean), and the
  // domain's name goes to `domain`. chr(1) parts the lists.
  const auto rows = Query(
      "SELECT a.attname, a.attidentity, a.attgenerated, CASE WHEN t.typtype = 'd' THEN "
      "format_type(t.typbasetype, t.typtypmod) ELSE format_type(a.atttypid, a.atttypmod) END, "
      "CASE WHEN t.typtype = 'd' THEN t.typname ELSE '' END, CASE WHEN t.typnotnull THEN 1 "
      "ELSE 0 END, (SELECT string_agg(e.enumlabel, chr(1) ORDER BY e.enumsortorder) FROM "
      "pg_enum e WHERE e.enumtypid = CASE WHEN t.typtype = 'd' THEN t.typbasetype ELSE t.oid "
      "END), COALESCE(pg_get_serial_sequence(quote_ident(n.nspname) || '.' || "
      "quote_ident(c.relname), a.attname), ''), (SELECT string_agg(pg_get_constraintdef(k.oid), "
      "chr(1)) FROM pg_constraint k WHERE k.contypid = a.atttypid AND k.contype = 'c') FROM "
      "pg_attribute a JOIN pg_class c ON c.oid = a.attrelid JOIN pg_namespace n ON n.oid = "
      "c.relnamespace JOIN pg_type t ON t.oid = a.atttypid WHERE " +
          where + " AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum",
      9);
  for (const auto& row : rows) {
    auto c = std::find_if(facts.columns.begin(), facts.columns.end(),
                          [&](const DbColumnFacts& f) { return f.name == row[0]; });
    if (c == facts.columns.end()) continue;
    c->type_name = row[3];
    // psqlODBC gives an unconstrained numeric 28 digits and a scale of 6;
    // the declared type says what the column holds.
    if (c->sql_type == SQL_NUMERIC || c->sql_type == SQL_DECIMAL) {
      c->precision = c->scale = 0;
      TypeDigits(row[3], &c->precision, &c->scale);
    }
    c->auto_increment = !row[1].empty() || !row[7].empty();
    c->generated = !row[2].empty();
    c->always_generated = row[1] == "a" || c->generated;
    if (c->generated) c->default_value.clear();  // psqlODBC gives the expression
    c->domain = row[4];
    if (row[5] == "1") c->nullable = false;
    c->enum_labels = Split(row[6], '\1');
    c->sequence = row[7];
    for (std::string& check : Split(row[8], '\1')) c->checks.push_back(std::move(check));
  }
  // pg_constraint: psqlODBC has no call for CHECKs.
  for (const auto& row :
       Query("SELECT pg_get_constraintdef(k.oid) FROM pg_constraint k JOIN pg_class c ON c.oid "
             "= k.conrelid JOIN pg_namespace n ON n.oid = c.relnamespace WHERE k.contype = 'c' "
             "AND " +
                 where + " ORDER BY k.conname",
             1))
    facts.checks.push_back(row[0]);
  if (table.kind != DbObjectKind::kPartitioned) return;
  // A partitioned table's key and its partitions' bounds (pg_inherits,
  // relpartbound): rows inserted outside every partition are refused.
  const auto key = Query(
      "SELECT pg_get_partkeydef(c.oid) FROM pg_class c JOIN pg_namespace n "
      "ON n.oid = c.relnamespace WHERE " +
          where,
      1);
  if (key.empty() || Upper(key[0][0]).rfind("RANGE (", 0) != 0) return;
  std::string column = key[0][0].substr(7, key[0][0].size() - 8);
  if (column.find(',') != std::string::npos || column.find('(') != std::string::npos) return;
  if (column.size() > 1 && column.front() == '"') column = column.substr(1, column.size() - 2);
  facts.partition_column = column;
  for (const auto& row :
       Query("SELECT pg_get_expr(p.relpartbound, p.oid) FROM pg_inherits i JOIN pg_class p ON "
             "p.oid = i.inhrelid JOIN pg_class c ON c.oid = i.inhparent JOIN pg_namespace n ON "
             "n.oid = c.relnamespace WHERE " +
                 where,
             1)) {
    const std::string from = BoundValue(row[0], "FROM"), to = BoundValue(row[0], "TO");
    // A DEFAULT partition or an open bound takes any value: no range then.
    if (from.empty() || to.empty()) {
      facts.partition_bounds.clear();
      facts.partition_column.clear();
      return;
    }
    facts.partition_bounds.emplace_back(from, to);
  }
}

void DbSchemaCatalog::ReadMariaDb(const DbSchemaTable& table, DbTableFacts& facts) {
  const std::string where =
      "TABLE_SCHEMA = " + Literal(table.schema) + " AND TABLE_NAME = " + Literal(table.name);
  // information_schema.COLUMNS: COLUMN_TYPE holds the enum and set labels,
  // unsigned and tinyint(1); EXTRA auto_increment and generated columns.
  for (const auto& row :
       Query("SELECT COLUMN_NAME, COLUMN_TYPE, EXTRA, COLUMN_DEFAULT, IS_NULLABLE FROM "
             "information_schema.COLUMNS WHERE " +
                 where,
             5)) {
    auto c = std::find_if(facts.columns.begin(), facts.columns.end(),
                          [&](const DbColumnFacts& f) { return f.name == row[0]; });
    if (c == facts.columns.end()) continue;
    c->type_name = row[1];
    const std::string type = Upper(row[1]);
    c->is_unsigned = Contains(type, "UNSIGNED");
    if (type.rfind("ENUM(", 0) == 0 || type.rfind("SET(", 0) == 0) {
      c->enum_labels = QuotedLabels(row[1]);
      c->is_set = type.rfind("SET(", 0) == 0;
    }
    c->auto_increment = Contains(row[2], "AUTO_INCREMENT");
    c->generated = Contains(row[2], "GENERATED");
    c->always_generated = c->generated;
    // COLUMN_DEFAULT states a NULL default as the word.
    c->default_value = Upper(row[3]) == "NULL" || c->generated ? "" : row[3];
    // MariaDB Connector/ODBC's SQLColumns reports an AUTO_INCREMENT or
    // TIMESTAMP column as nullable, NOT NULL as it is.
    c->nullable = Upper(row[4]) == "YES";
  }
  // CHECK_CONSTRAINTS: the driver has no call for CHECKs.
  for (const auto& row :
       Query("SELECT CHECK_CLAUSE FROM information_schema.CHECK_CONSTRAINTS WHERE "
             "CONSTRAINT_SCHEMA = " +
                 Literal(table.schema) + " AND TABLE_NAME = " + Literal(table.name) +
                 " ORDER BY CONSTRAINT_NAME",
             1))
    facts.checks.push_back(row[0]);
}

void DbSchemaCatalog::ReadSqlite(const DbSchemaTable& table, DbTableFacts& facts) {
  // PRAGMA table_xinfo: hidden 2 and 3 mark generated columns, which
  // sqliteodbc lists as plain ones; the declared type carries the DECIMAL's
  // digits that its SQLColumns misplaces.
  const auto rows = Query("PRAGMA table_xinfo(" + Quoted(table.name) + ")", 7);
  int key_columns = 0;
  for (const auto& row : rows)
    if (row[5] != "0") ++key_columns;
  const auto sql = Query("SELECT sql FROM sqlite_master WHERE name = " + Literal(table.name), 1);
  const std::string text = sql.empty() ? "" : sql[0][0];
  for (const auto& row : rows) {
    auto c = std::find_if(facts.columns.begin(), facts.columns.end(),
                          [&](const DbColumnFacts& f) { return f.name == row[1]; });
    if (c == facts.columns.end()) {
      // sqliteodbc's SQLColumns leaves out generated columns, which
      // SELECT * still gives: typed by SQLite's affinity rules.
      if (row[6] != "2" && row[6] != "3") continue;
      DbColumnFacts added;
      added.name = row[1];
      const std::string type = Upper(row[2]);
      added.sql_type = Contains(type, "INT")                              ? SQL_INTEGER
                       : Contains(type, "CHAR") || Contains(type, "TEXT") ? SQL_VARCHAR
                       : Contains(type, "BLOB") || type.empty()           ? SQL_LONGVARBINARY
                       : Contains(type, "REAL") || Contains(type, "FLOA") || Contains(type, "DOUB")
                           ? SQL_DOUBLE
                           : SQL_NUMERIC;
      const auto at =
          facts.columns.begin() + std::min<size_t>(std::stoul(row[0]), facts.columns.size());
      c = facts.columns.insert(at, std::move(added));
    }
    c->type_name = row[2];
    // sqliteodbc types a DECIMAL(4,2) as a double: its declared type tells.
    const std::string declared = Upper(row[2]);
    if (declared.rfind("DEC", 0) == 0 || declared.rfind("NUM", 0) == 0) {
      c->precision = c->scale = 0;
      TypeDigits(row[2], &c->precision, &c->scale);
    }
    c->generated = c->always_generated = row[6] == "2" || row[6] == "3";
    if (row[3] == "1") c->nullable = false;
    // INTEGER PRIMARY KEY is the rowid: SQLite numbers it when none is
    // given (with AUTOINCREMENT never reusing a number).
    c->auto_increment = key_columns == 1 && row[5] == "1" && Upper(row[2]) == "INTEGER";
    if (c->auto_increment) c->nullable = false;  // a NULL there is a new rowid
    if (c->auto_increment && Contains(text, "AUTOINCREMENT")) c->sequence = "sqlite_sequence";
  }
  // SQLite keeps CHECKs only in the table's own SQL.
  facts.checks = ChecksInTableSql(text);
}

}  // namespace kestrove

namespace kestrove {

std::string KeyCheckDeferral::SetConstraintsDeferred(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return "SET CONSTRAINTS " + list + " DEFERRED";
}

KeyCheckDeferral DbSchemaCatalog::Deferral() {
  KeyCheckDeferral d;
  switch (dbms_) {
    case Dbms::kSqlite:
      // Deferred to the commit of the transaction it is set in; foreign
      // keys are only enforced where the connection asks for it anyway.
      d.dbms = "SQLite";
      d.defer_all = "PRAGMA defer_foreign_keys = ON";
      break;
    case Dbms::kMariaDb:
      // A session variable any account may set; InnoDB does not check the
      // rows again when it is switched back on.
      d.dbms = "MariaDB";
      d.switch_off = "SET foreign_key_checks = 0";
      d.switch_on = "SET foreign_key_checks = 1";
      break;
    case Dbms::kPostgres: {
      d.dbms = "PostgreSQL";
      d.defers_deferrable = true;
      // pg_constraint: the DEFERRABLE foreign keys, named for SET
      // CONSTRAINTS with their schema.
      for (const auto& row :
           Query("SELECT c.conname, quote_ident(n.nspname) || '.' || quote_ident(c.conname) "
                 "FROM pg_constraint c JOIN pg_namespace n ON n.oid = c.connamespace "
                 "WHERE c.contype = 'f' AND c.condeferrable",
                 2))
        d.deferrable.emplace_back(row[0], row[1]);
      // session_replication_role = replica skips the triggers that check
      // foreign keys: a superuser may set it, and from PostgreSQL 15 a role
      // granted SET on it.
      bool may = false;
      const auto super = Query(
          "SELECT CASE WHEN rolsuper THEN 1 ELSE 0 END FROM pg_roles "
          "WHERE rolname = current_user",
          1);
      may = !super.empty() && super[0][0] == "1";
      if (!may) {
        const auto version = Query("SELECT current_setting('server_version_num')", 1);
        if (!version.empty() && std::atoi(version[0][0].c_str()) >= 150000) {
          const auto granted = Query(
              "SELECT CASE WHEN has_parameter_privilege('session_replication_role', 'SET') "
              "THEN 1 ELSE 0 END",
              1);
          may = !granted.empty() && granted[0][0] == "1";
        }
      }
      if (may) {
        d.switch_off = "SET session_replication_role = replica";
        d.switch_on = "SET session_replication_role = DEFAULT";
      }
      d.needs =
          "make one of those keys DEFERRABLE (ALTER TABLE ... ALTER CONSTRAINT ... "
          "DEFERRABLE), or run as a role that may set session_replication_role (a superuser, "
          "or from PostgreSQL 15 one granted SET ON PARAMETER session_replication_role)";
      break;
    }
    case Dbms::kOther:
      d.dbms = connection_.InfoText(SQL_DBMS_NAME);
      d.needs = "a database that lets this account defer or switch off the check of a foreign key";
      break;
  }
  return d;
}

}  // namespace kestrove

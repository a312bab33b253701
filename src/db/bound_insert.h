// Multi-row Inserts prepared once and executed again with each batch's
// values bound: "Insert into T (a,b) Values (?,?),(?,?)" for a table's
// batches of two records, each value bound with the C and SQL types of its
// class (core/run_services.h, ValueClass).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/run_services.h"

namespace kestrove {

class DbConnection;
class DbStatement;

// Parameters one statement may carry on a DBMS, as SQL_DBMS_NAME names it
// ("SQLite" asks the library; `dbms_version` is SQL_DBMS_VER, read when the
// library cannot be asked); 0 for a DBMS whose limit is not known.
int64_t MostParameters(const std::string& dbms, const std::string& dbms_version);

class BoundInserts {
 public:
  explicit BoundInserts(DbConnection& connection);
  ~BoundInserts();
  BoundInserts(const BoundInserts&) = delete;
  BoundInserts& operator=(const BoundInserts&) = delete;

  // Told once for each table whose batches hold more values than the data
  // source takes in one statement, with the rows it gets instead.
  std::function<void(const std::string& message)> Note;

  // Executes the Insert whose values `statement` tells (RunStatement::
  // Values), in statements of as many records as the data source takes.
  // False, with nothing executed, when a value cannot be bound as what its
  // class says (a fixed value written as an SQL expression): the caller
  // executes the text instead. Raises EODBC.
  bool Execute(const RunStatement& statement);

  // Frees the prepared statements.
  void Clear();

  struct Param;
  struct Prepared;

 private:
  Prepared& StatementFor(const std::string& head, int32_t rows, int32_t columns);
  int64_t Limit();

  DbConnection& connection_;
  std::map<std::pair<std::string, int32_t>, std::unique_ptr<Prepared>> prepared_;
  std::vector<std::string> noted_;
  int64_t limit_ = -1;
  // The batch's values as they are bound.
  struct Typed {
    int16_t c_type, sql_type;
    bool null;
    int64_t integer;
    double real;
    size_t at, size;  // char and binary data: in data_
  };
  std::vector<Typed> typed_;
  std::string data_;
};

}  // namespace kestrove

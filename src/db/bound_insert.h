// Inserts prepared once and executed again with each batch's values bound,
// each value with the C and SQL types of its class (core/run_services.h,
// ValueClass). How a batch goes to the driver depends on what the driver
// does best with it:
//  - a multi-row Insert, "Insert into T (a,b) Values (?,?),(?,?)" for a
//    table's batches of two records (SQLite, PostgreSQL and the others);
//  - MariaDB Connector/ODBC: the one-row Insert "... Values (?,?)" executed
//    over an array of the batch's records (SQL_ATTR_PARAMSET_SIZE), bound
//    column-wise, which the connector sends to the server as one bulk
//    command. Measured on the person profile: 1.4 times the rows per second
//    of the bound multi-row Insert.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string_view>
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
  struct Column;
  struct Arrays;

 private:
  Prepared& StatementFor(const std::string& head, int32_t rows, int32_t columns);
  // `head` followed by `rows` rows of `columns` markers, prepared as it is
  // (no ":name" is read out of it).
  std::unique_ptr<DbStatement> PrepareMarkers(std::string_view head, int32_t rows,
                                              size_t columns);
  int64_t Limit();
  // Executes the batch as arrays of parameter sets; false, with nothing
  // executed, when a column's values do not share their C and SQL types.
  bool ExecuteArrays(const RunStatement& statement);

  DbConnection& connection_;
  std::map<std::pair<std::string, int32_t>, std::unique_ptr<Prepared>> prepared_;
  std::map<std::string, std::unique_ptr<Arrays>, std::less<>> arrays_;
  int arrays_wanted_ = -1;  // the driver takes arrays best; -1 until asked
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
  std::vector<size_t> widths_;
  std::string head_;
};

}  // namespace kestrove

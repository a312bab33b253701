// What a database lookup needs of the database layer: a table reader to pick
// a row through, and someone to report the errors it survives to. Free of
// the ODBC headers, so the generators can use it.
#pragma once

#include <cstdint>
#include <string>

namespace kestrove {

class EODBC;

// The table reader a database lookup works through (LookupTable).
class LookupReader {
 public:
  virtual ~LookupReader() = default;
  virtual void SetTableName(const std::string& table) = 0;
  virtual void Open() = 0;
  virtual int32_t RecordCount() = 0;
  virtual void First() = 0;
  virtual void MoveBy(int32_t rows) = 0;
  // The named field of the current row (name matched without regard to case).
  virtual std::string FieldAsText(const std::string& field) = 0;
  virtual int32_t FieldAsInteger(const std::string& field) = 0;
  virtual void Close() = 0;
};

// Shows a database error that a handler caught, with the handler's text.
class DatabaseErrorReporter {
 public:
  virtual ~DatabaseErrorReporter() = default;
  virtual void ShowDatabaseError(const EODBC& error, const std::string& text) = 0;
};

}  // namespace kestrove

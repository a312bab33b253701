// A record of the ODBC calls the database layer makes, for the tests that
// check call sequences. The db test program is linked with -Wl,--wrap for
// every ODBC function the engine uses, so each call passes through a wrapper
// that records it (while recording is on), may answer in the driver's stead,
// and then forwards it to the driver manager.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestrove::testing {

struct OdbcCallLog {
  bool recording = false;
  std::vector<std::string> calls;

  // Asked before every recorded call with its text; a value answers the call
  // with that return code instead of the driver.
  std::function<std::optional<SQLRETURN>(const std::string& call)> answer;
  // Adjust what the driver described: the SQL type of a column, the
  // SQL_DESC_UNSIGNED attribute, the length SQLGetData reports.
  std::function<void(SQLUSMALLINT column, SQLSMALLINT* type, SQLULEN* size)> describe;
  std::function<void(SQLUSMALLINT column, SQLUSMALLINT field, SQLLEN* value)> col_attribute;
  std::function<void(SQLUSMALLINT column, SQLRETURN* rc, SQLLEN* indicator)> get_data;

  void Reset() { *this = OdbcCallLog(); }
  // The recorded calls whose text starts with one of the prefixes.
  std::vector<std::string> Only(const std::vector<std::string>& prefixes) const;
  // True when a call starts with `prefix`.
  bool Has(const std::string& prefix) const;
};

OdbcCallLog& CallLog();

// Records while alive; clears the log first.
class RecordCalls {
 public:
  RecordCalls() {
    CallLog().Reset();
    CallLog().recording = true;
  }
  ~RecordCalls() { CallLog().Reset(); }
  RecordCalls(const RecordCalls&) = delete;
  RecordCalls& operator=(const RecordCalls&) = delete;
};

}  // namespace kestrove::testing

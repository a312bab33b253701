// The database error and the teardown of a lost connection.
#include "db/odbc_error.h"

#include <algorithm>

#include "db/connection.h"
#include "db/odbc_internal.h"

namespace kestrove {

namespace {

constexpr const char* kUnableToRetrieve = "Unable to Retrieve ODBC Error";

std::string FirstMessage(const std::vector<TErrorRec>& records) {
  return records.empty() ? std::string(kUnableToRetrieve) : records.front().Message;
}

}  // namespace

EODBC::EODBC(OdbcObject object, DbConnection* connection, int16_t return_code,
             std::vector<TErrorRec> records)
    : EDatabaseError(FirstMessage(records)),
      object_(object),
      connection_(connection),
      return_code_(return_code),
      records_(std::move(records)) {
  if (records_.empty()) records_.push_back({"", 0, kUnableToRetrieve});
}

bool EODBC::NextRecord() {
  const int n = static_cast<int>(records_.size());
  if (current_ < n) {
    ++current_;
    return current_ < n;
  }
  return false;
}

bool EODBC::PreviousRecord() {
  if (current_ > -1) {
    --current_;
    return current_ > -1;
  }
  return false;
}

bool EODBC::IsConnectionLost() const {
  return std::any_of(records_.begin(), records_.end(),
                     [](const TErrorRec& r) { return r.SqlState.rfind("08", 0) == 0; });
}

std::vector<TErrorRec> BuildErrorRecords(int16_t return_code, const DiagRecordReader& read) {
  std::vector<TErrorRec> records;
  if (return_code == SQL_ERROR || return_code == SQL_SUCCESS_WITH_INFO) {
    int16_t rc = SQL_SUCCESS;
    for (int16_t number = 1;; ++number) {
      TErrorRec record;
      rc = read(number, record);
      if (!Succeeded(rc)) break;
      records.push_back(std::move(record));
      if (number == INT16_MAX) break;
    }
    if (records.empty() || rc != SQL_NO_DATA) records.push_back({"", 0, kUnableToRetrieve});
    return records;
  }
  std::string message;
  if (return_code == SQL_INVALID_HANDLE)
    message = "Invalid ODBC Handle";
  else if (return_code == SQL_NO_DATA)
    message = "No Data Found";
  else
    message = "ODBC Return Code " + std::to_string(return_code);
  records.push_back({"", 0, message});
  return records;
}

EODBC MakeODBCError(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle, OdbcObject object,
                    DbConnection* connection) {
  auto read = [&](int16_t number, TErrorRec& record) -> int16_t {
    SQLCHAR state[256] = {};
    SQLCHAR message[256] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLRETURN r = SQLGetDiagRec(handle_type, handle, number, state, &native, message,
                                sizeof message, &length);
    if (Succeeded(r)) {
      record.SqlState = reinterpret_cast<const char*>(state);
      record.NativeError = native;
      record.Message = reinterpret_cast<const char*>(message);
      if (record.Message.size() > 255) record.Message.resize(255);
    }
    return r;
  };
  return EODBC(object, connection, rc, BuildErrorRecords(rc, read));
}

void CheckOdbc(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle, OdbcObject object,
               DbConnection* connection) {
  if (Succeeded(rc)) return;
  throw MakeODBCError(rc, handle_type, handle, object, connection);
}

std::string TrimRight(std::string text) {
  size_t n = text.size();
  while (n > 0 && static_cast<unsigned char>(text[n - 1]) <= 32) --n;
  text.resize(n);
  return text;
}

void DiscardError(const EODBC& error) {
  if (!error.IsConnectionLost()) return;
  DbEnvironment& environment = DbEnvironment::Get();
  if (error.Object() == OdbcObject::kEnvironment) {
    environment.TerminateAll();
    return;
  }
  // The connection may have gone away since the error was raised; only one
  // the environment still knows is torn down.
  DbConnection* connection = error.Connection();
  if (connection && environment.IsRegistered(connection)) connection->TryTerminate();
}

}  // namespace kestrove

// The wrappers behind the ODBC call log (see odbc_call_log.h).
#include "odbc_call_log.h"

#include <string>

namespace kestrove::testing {

OdbcCallLog& CallLog() {
  static OdbcCallLog log;
  return log;
}

std::vector<std::string> OdbcCallLog::Only(const std::vector<std::string>& prefixes) const {
  std::vector<std::string> out;
  for (const std::string& call : calls)
    for (const std::string& prefix : prefixes)
      if (call.rfind(prefix, 0) == 0) {
        out.push_back(call);
        break;
      }
  return out;
}

bool OdbcCallLog::Has(const std::string& prefix) const {
  for (const std::string& call : calls)
    if (call.rfind(prefix, 0) == 0) return true;
  return false;
}

}  // namespace kestrove::testing

namespace {

using kestrove::testing::CallLog;

std::string Text(const SQLCHAR* text, long length) {
  if (!text) return "<null>";
  const char* p = reinterpret_cast<const char*>(text);
  return length == SQL_NTS ? std::string(p) : std::string(p, static_cast<size_t>(length));
}

std::string N(long long value) {
  return std::to_string(value);
}

// Records the call; a value when the test answers in the driver's stead.
std::optional<SQLRETURN> Record(const std::string& call) {
  auto& log = CallLog();
  if (!log.recording) return std::nullopt;
  log.calls.push_back(call);
  if (log.answer) return log.answer(call);
  return std::nullopt;
}

const char* FreeOption(SQLUSMALLINT option) {
  switch (option) {
    case SQL_CLOSE:
      return "CLOSE";
    case SQL_UNBIND:
      return "UNBIND";
    case SQL_RESET_PARAMS:
      return "RESET_PARAMS";
    default:
      return "DROP";
  }
}

// Attributes whose value is a pointer: only whether it is null is recorded.
bool PointerAttribute(SQLINTEGER attribute) {
  return attribute == SQL_ATTR_ROW_STATUS_PTR || attribute == SQL_ATTR_ROWS_FETCHED_PTR;
}

}  // namespace

extern "C" {

SQLRETURN __real_SQLAllocHandle(SQLSMALLINT, SQLHANDLE, SQLHANDLE*);
SQLRETURN __real_SQLFreeHandle(SQLSMALLINT, SQLHANDLE);
SQLRETURN __real_SQLSetEnvAttr(SQLHENV, SQLINTEGER, SQLPOINTER, SQLINTEGER);
SQLRETURN __real_SQLGetConnectAttr(SQLHDBC, SQLINTEGER, SQLPOINTER, SQLINTEGER, SQLINTEGER*);
SQLRETURN __real_SQLSetConnectAttr(SQLHDBC, SQLINTEGER, SQLPOINTER, SQLINTEGER);
SQLRETURN __real_SQLConnect(SQLHDBC, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                            SQLSMALLINT);
SQLRETURN __real_SQLDriverConnect(SQLHDBC, SQLHWND, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                  SQLSMALLINT*, SQLUSMALLINT);
SQLRETURN __real_SQLDisconnect(SQLHDBC);
SQLRETURN __real_SQLGetStmtAttr(SQLHSTMT, SQLINTEGER, SQLPOINTER, SQLINTEGER, SQLINTEGER*);
SQLRETURN __real_SQLSetStmtAttr(SQLHSTMT, SQLINTEGER, SQLPOINTER, SQLINTEGER);
SQLRETURN __real_SQLGetInfo(SQLHDBC, SQLUSMALLINT, SQLPOINTER, SQLSMALLINT, SQLSMALLINT*);
SQLRETURN __real_SQLPrepare(SQLHSTMT, SQLCHAR*, SQLINTEGER);
SQLRETURN __real_SQLExecute(SQLHSTMT);
SQLRETURN __real_SQLExecDirect(SQLHSTMT, SQLCHAR*, SQLINTEGER);
SQLRETURN __real_SQLFreeStmt(SQLHSTMT, SQLUSMALLINT);
SQLRETURN __real_SQLColAttribute(SQLHSTMT, SQLUSMALLINT, SQLUSMALLINT, SQLPOINTER, SQLSMALLINT,
                                 SQLSMALLINT*, SQLLEN*);
SQLRETURN __real_SQLDescribeCol(SQLHSTMT, SQLUSMALLINT, SQLCHAR*, SQLSMALLINT, SQLSMALLINT*,
                                SQLSMALLINT*, SQLULEN*, SQLSMALLINT*, SQLSMALLINT*);
SQLRETURN __real_SQLBindCol(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*);
SQLRETURN __real_SQLFetch(SQLHSTMT);
SQLRETURN __real_SQLFetchScroll(SQLHSTMT, SQLSMALLINT, SQLLEN);
SQLRETURN __real_SQLGetData(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*);
SQLRETURN __real_SQLSetPos(SQLHSTMT, SQLSETPOSIROW, SQLUSMALLINT, SQLUSMALLINT);
SQLRETURN __real_SQLGetDiagRec(SQLSMALLINT, SQLHANDLE, SQLSMALLINT, SQLCHAR*, SQLINTEGER*, SQLCHAR*,
                               SQLSMALLINT, SQLSMALLINT*);
SQLRETURN __real_SQLGetDiagField(SQLSMALLINT, SQLHANDLE, SQLSMALLINT, SQLSMALLINT, SQLPOINTER,
                                 SQLSMALLINT, SQLSMALLINT*);
SQLRETURN __real_SQLTables(SQLHSTMT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                           SQLSMALLINT, SQLCHAR*, SQLSMALLINT);
SQLRETURN __real_SQLNumResultCols(SQLHSTMT, SQLSMALLINT*);

SQLRETURN __wrap_SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  if (auto rc = Record("SQLAllocHandle " + N(type))) return *rc;
  return __real_SQLAllocHandle(type, input, output);
}

SQLRETURN __wrap_SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
  if (auto rc = Record("SQLFreeHandle " + N(type))) return *rc;
  return __real_SQLFreeHandle(type, handle);
}

SQLRETURN __wrap_SQLSetEnvAttr(SQLHENV env, SQLINTEGER attribute, SQLPOINTER value,
                               SQLINTEGER length) {
  if (auto rc = Record("SQLSetEnvAttr " + N(attribute))) return *rc;
  return __real_SQLSetEnvAttr(env, attribute, value, length);
}

SQLRETURN __wrap_SQLGetConnectAttr(SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value,
                                   SQLINTEGER length, SQLINTEGER* out) {
  if (auto rc = Record("SQLGetConnectAttr " + N(attribute))) return *rc;
  return __real_SQLGetConnectAttr(dbc, attribute, value, length, out);
}

SQLRETURN __wrap_SQLSetConnectAttr(SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value,
                                   SQLINTEGER length) {
  if (auto rc = Record("SQLSetConnectAttr " + N(attribute) + "=" +
                       N(static_cast<long long>(reinterpret_cast<SQLULEN>(value)))))
    return *rc;
  return __real_SQLSetConnectAttr(dbc, attribute, value, length);
}

SQLRETURN __wrap_SQLConnect(SQLHDBC dbc, SQLCHAR* dsn, SQLSMALLINT dsn_length, SQLCHAR* user,
                            SQLSMALLINT user_length, SQLCHAR* password,
                            SQLSMALLINT password_length) {
  if (auto rc = Record("SQLConnect " + Text(dsn, dsn_length) + "|" + Text(user, user_length) + "|" +
                       Text(password, password_length)))
    return *rc;
  return __real_SQLConnect(dbc, dsn, dsn_length, user, user_length, password, password_length);
}

SQLRETURN __wrap_SQLDriverConnect(SQLHDBC dbc, SQLHWND window, SQLCHAR* in, SQLSMALLINT in_length,
                                  SQLCHAR* out, SQLSMALLINT out_size, SQLSMALLINT* out_length,
                                  SQLUSMALLINT completion) {
  // The text holds any password: it is copied only when recording.
  if (CallLog().recording)
    if (auto rc = Record("SQLDriverConnect " + Text(in, in_length) + "|" + N(out_size) + "|" +
                         N(completion)))
      return *rc;
  return __real_SQLDriverConnect(dbc, window, in, in_length, out, out_size, out_length, completion);
}

SQLRETURN __wrap_SQLDisconnect(SQLHDBC dbc) {
  if (auto rc = Record("SQLDisconnect")) return *rc;
  return __real_SQLDisconnect(dbc);
}

SQLRETURN __wrap_SQLGetStmtAttr(SQLHSTMT stmt, SQLINTEGER attribute, SQLPOINTER value,
                                SQLINTEGER length, SQLINTEGER* out) {
  if (auto rc = Record("SQLGetStmtAttr " + N(attribute))) return *rc;
  return __real_SQLGetStmtAttr(stmt, attribute, value, length, out);
}

SQLRETURN __wrap_SQLSetStmtAttr(SQLHSTMT stmt, SQLINTEGER attribute, SQLPOINTER value,
                                SQLINTEGER length) {
  const std::string shown = PointerAttribute(attribute)
                                ? (value ? "ptr" : "null")
                                : N(static_cast<long long>(reinterpret_cast<SQLULEN>(value)));
  if (auto rc = Record("SQLSetStmtAttr " + N(attribute) + "=" + shown)) return *rc;
  return __real_SQLSetStmtAttr(stmt, attribute, value, length);
}

SQLRETURN __wrap_SQLGetInfo(SQLHDBC dbc, SQLUSMALLINT info, SQLPOINTER value, SQLSMALLINT length,
                            SQLSMALLINT* out) {
  if (auto rc = Record("SQLGetInfo " + N(info))) return *rc;
  return __real_SQLGetInfo(dbc, info, value, length, out);
}

SQLRETURN __wrap_SQLPrepare(SQLHSTMT stmt, SQLCHAR* text, SQLINTEGER length) {
  if (auto rc = Record("SQLPrepare " + Text(text, length))) return *rc;
  return __real_SQLPrepare(stmt, text, length);
}

SQLRETURN __wrap_SQLExecute(SQLHSTMT stmt) {
  if (auto rc = Record("SQLExecute")) return *rc;
  return __real_SQLExecute(stmt);
}

SQLRETURN __wrap_SQLExecDirect(SQLHSTMT stmt, SQLCHAR* text, SQLINTEGER length) {
  if (auto rc = Record("SQLExecDirect " + Text(text, length))) return *rc;
  return __real_SQLExecDirect(stmt, text, length);
}

SQLRETURN __wrap_SQLFreeStmt(SQLHSTMT stmt, SQLUSMALLINT option) {
  if (auto rc = Record(std::string("SQLFreeStmt ") + FreeOption(option))) return *rc;
  return __real_SQLFreeStmt(stmt, option);
}

SQLRETURN __wrap_SQLColAttribute(SQLHSTMT stmt, SQLUSMALLINT column, SQLUSMALLINT field,
                                 SQLPOINTER text, SQLSMALLINT length, SQLSMALLINT* out,
                                 SQLLEN* numeric) {
  if (auto rc = Record("SQLColAttribute " + N(column) + " " + N(field))) return *rc;
  SQLRETURN rc = __real_SQLColAttribute(stmt, column, field, text, length, out, numeric);
  auto& log = CallLog();
  if (log.recording && log.col_attribute && numeric && SQL_SUCCEEDED(rc))
    log.col_attribute(column, field, numeric);
  return rc;
}

SQLRETURN __wrap_SQLDescribeCol(SQLHSTMT stmt, SQLUSMALLINT column, SQLCHAR* name,
                                SQLSMALLINT name_size, SQLSMALLINT* name_length, SQLSMALLINT* type,
                                SQLULEN* size, SQLSMALLINT* digits, SQLSMALLINT* nullable) {
  if (auto rc = Record("SQLDescribeCol " + N(column) + " " + N(name_size))) return *rc;
  SQLRETURN rc = __real_SQLDescribeCol(stmt, column, name, name_size, name_length, type, size,
                                       digits, nullable);
  auto& log = CallLog();
  if (log.recording && log.describe && SQL_SUCCEEDED(rc)) log.describe(column, type, size);
  return rc;
}

SQLRETURN __wrap_SQLBindCol(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER buffer,
                            SQLLEN length, SQLLEN* indicator) {
  if (auto rc = Record("SQLBindCol " + N(column) + " " + N(type) + " " + N(length) + " " +
                       (buffer ? "buf" : "null")))
    return *rc;
  return __real_SQLBindCol(stmt, column, type, buffer, length, indicator);
}

SQLRETURN __wrap_SQLFetch(SQLHSTMT stmt) {
  if (auto rc = Record("SQLFetch")) return *rc;
  return __real_SQLFetch(stmt);
}

SQLRETURN __wrap_SQLFetchScroll(SQLHSTMT stmt, SQLSMALLINT orientation, SQLLEN offset) {
  if (auto rc = Record("SQLFetchScroll " + N(orientation) + " " + N(offset))) return *rc;
  return __real_SQLFetchScroll(stmt, orientation, offset);
}

SQLRETURN __wrap_SQLGetData(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER buffer,
                            SQLLEN length, SQLLEN* indicator) {
  if (auto rc = Record("SQLGetData " + N(column) + " " + N(type) + " " + N(length))) return *rc;
  SQLRETURN rc = __real_SQLGetData(stmt, column, type, buffer, length, indicator);
  auto& log = CallLog();
  if (log.recording && log.get_data) log.get_data(column, &rc, indicator);
  return rc;
}

SQLRETURN __wrap_SQLSetPos(SQLHSTMT stmt, SQLSETPOSIROW row, SQLUSMALLINT operation,
                           SQLUSMALLINT lock) {
  if (auto rc = Record("SQLSetPos " + N(static_cast<long long>(row)) + " " + N(operation) + " " +
                       N(lock)))
    return *rc;
  return __real_SQLSetPos(stmt, row, operation, lock);
}

SQLRETURN __wrap_SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number,
                               SQLCHAR* state, SQLINTEGER* native, SQLCHAR* message,
                               SQLSMALLINT size, SQLSMALLINT* length) {
  if (auto rc = Record("SQLGetDiagRec " + N(type) + " " + N(number) + " " + N(size))) return *rc;
  return __real_SQLGetDiagRec(type, handle, number, state, native, message, size, length);
}

SQLRETURN __wrap_SQLGetDiagField(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number,
                                 SQLSMALLINT field, SQLPOINTER value, SQLSMALLINT size,
                                 SQLSMALLINT* length) {
  if (auto rc = Record("SQLGetDiagField " + N(type) + " " + N(number) + " " + N(field))) return *rc;
  return __real_SQLGetDiagField(type, handle, number, field, value, size, length);
}

SQLRETURN __wrap_SQLTables(SQLHSTMT stmt, SQLCHAR* catalog, SQLSMALLINT catalog_length,
                           SQLCHAR* schema, SQLSMALLINT schema_length, SQLCHAR* table,
                           SQLSMALLINT table_length, SQLCHAR* types, SQLSMALLINT types_length) {
  if (auto rc =
          Record("SQLTables " + Text(catalog, catalog_length) + "|" + Text(schema, schema_length) +
                 "|" + Text(table, table_length) + "|" + Text(types, types_length)))
    return *rc;
  return __real_SQLTables(stmt, catalog, catalog_length, schema, schema_length, table, table_length,
                          types, types_length);
}

SQLRETURN __wrap_SQLNumResultCols(SQLHSTMT stmt, SQLSMALLINT* count) {
  if (auto rc = Record("SQLNumResultCols")) return *rc;
  return __real_SQLNumResultCols(stmt, count);
}

}  // extern "C"

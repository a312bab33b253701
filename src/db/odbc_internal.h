// The database layer's own view of the ODBC C API: handle ownership and the
// one check through which every call's return code passes. Only files of the
// database layer include this header.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>

#include "db/odbc_error.h"
#include "db/odbc_handle.h"

namespace kestrove {

class DbConnection;

inline bool Succeeded(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// Builds the error of a failed call from the handle's diagnostic records.
EODBC MakeODBCError(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle, OdbcObject object,
                    DbConnection* connection);

// Passes when `rc` is a success; otherwise raises the call's EODBC.
void CheckOdbc(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle, OdbcObject object,
               DbConnection* connection);

// Trailing characters with codes of 32 and below cut off.
std::string TrimRight(std::string text);

}  // namespace kestrove

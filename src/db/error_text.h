// A database error as text, the way the error dialog shows it: for the
// command-line tools, which have no dialog.
#pragma once

#include <string>

#include "db/odbc_error.h"

namespace kestrove {

// The caller's text, then one line per record:
//   "  ODBC Error <SQLSTATE>, Database Error <native>: <message>".
std::string FormatDatabaseError(const EODBC& error, const std::string& text);

}  // namespace kestrove

#include "db/error_text.h"

namespace kestrove {

std::string FormatDatabaseError(const EODBC& error, const std::string& text) {
  std::string out = text;
  for (const TErrorRec& record : error.Records()) {
    out += "\n  ODBC Error " + (record.SqlState.empty() ? std::string("-") : record.SqlState) +
           ", Database Error " + std::to_string(record.NativeError) + ": " + record.Message;
  }
  return out;
}

}  // namespace kestrove

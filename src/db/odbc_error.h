// The database layer's error for a failed ODBC call, with the driver's
// diagnostic records. Free of the ODBC headers, so that every layer that
// catches database errors can include it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/errors.h"

namespace kestrove {

class DbConnection;

// One diagnostic record of a failed call.
struct TErrorRec {
  std::string SqlState;     // five characters, empty when none
  int32_t NativeError = 0;  // 0 when none
  std::string Message;      // at most 255 characters
};

// The kind of object on which a call failed.
enum class OdbcObject { kEnvironment, kConnection, kStatement };

class EODBC : public EDatabaseError {
 public:
  // `records` must not be empty; the error's message is record 0's text.
  // `connection` is the connection of the failing connection or statement
  // (null for the environment); it is only used to tear a lost connection
  // down once the error has been dealt with.
  EODBC(OdbcObject object, DbConnection* connection, int16_t return_code,
        std::vector<TErrorRec> records);

  OdbcObject Object() const { return object_; }
  DbConnection* Connection() const { return connection_; }
  int16_t ReturnCode() const { return return_code_; }
  const std::vector<TErrorRec>& Records() const { return records_; }

  // Index of the current record; 0 when raised. It may step one place past
  // either end of the list (see NextRecord and PreviousRecord).
  int CurrentIndex() const { return current_; }
  void SetCurrentIndex(int index) { current_ = index; }
  bool HasCurrentRecord() const {
    return current_ >= 0 && current_ < static_cast<int>(records_.size());
  }
  // The record at the current index; only while HasCurrentRecord().
  const TErrorRec& CurrentRecord() const { return records_.at(current_); }

  // Moves on one record when the index is still below the count; true when
  // the new index lies within the list.
  bool NextRecord();
  // Moves back one record when the index is still above -1; true when the
  // new index lies within the list.
  bool PreviousRecord();

  // True when one of the records reports a lost connection (SQLSTATE class 08).
  bool IsConnectionLost() const;

 private:
  OdbcObject object_;
  DbConnection* connection_;
  int16_t return_code_;
  std::vector<TErrorRec> records_;
  int current_ = 0;
};

// Reads diagnostic record `number` (from 1) into `record`; returns the ODBC
// return code of the read.
using DiagRecordReader = std::function<int16_t(int16_t number, TErrorRec& record)>;

// The records of an error with return code `return_code`: the driver's
// records for SQL_ERROR and SQL_SUCCESS_WITH_INFO (read until a read fails),
// with "Unable to Retrieve ODBC Error" added when none could be read or the
// reading ended other than with SQL_NO_DATA; one fixed record for any other
// code. Never empty.
std::vector<TErrorRec> BuildErrorRecords(int16_t return_code, const DiagRecordReader& read);

// To be called when a handler is done with an error it caught: an error of a
// lost connection (SQLSTATE class 08) then tears down the connection it came
// from (every connection, for the environment), raising nothing, so that the
// next operation connects anew.
void DiscardError(const EODBC& error);

}  // namespace kestrove

// The data source side of kestrove-run: the window's database objects,
// connected to one data source, with database errors that the run survives
// printed the way the error dialog shows them.
#pragma once

#include <cstdio>
#include <string>

#include "db/database.h"
#include "db/error_text.h"
#include "generators/generators.h"

namespace kestrove {

class StderrErrorReporter : public DatabaseErrorReporter {
 public:
  void ShowDatabaseError(const EODBC& error, const std::string& text) override {
    std::fputs(FormatDatabaseError(error, text).c_str(), stderr);
    std::fputc('\n', stderr);
    ++shown_;
  }
  int shown() const { return shown_; }

 private:
  int shown_ = 0;
};

class RunDatabase {
 public:
  // Connects to the data source; a failure is printed as the window reports
  // it and then raised.
  explicit RunDatabase(const std::string& dsn) {
    db_.Connector.DataSource = dsn;
    try {
      db_.Connector.Connect();
    } catch (const EODBC& error) {
      reporter_.ShowDatabaseError(error,
                                  "Communication Failure. Please select another Data Source.");
      throw;
    }
  }

  void Execute(const std::string& sql) { db_.ExecuteStatement(sql); }
  LookupReader& Lookup() { return db_.LookupTable; }
  StderrErrorReporter& Reporter() { return reporter_; }

 private:
  Database db_;
  StderrErrorReporter reporter_;
};

}  // namespace kestrove

// The "Database Lookup" choices of text, integer, floating point and currency
// fields: the value of a named column in a random row of another table.
#include "db/odbc_error.h"
#include "generators/generators.h"

namespace kestrove {

namespace {

constexpr const char* kLookupFailed = "Cannot obtain Database Lookup using these parameters.";

}  // namespace

std::string Generators::DatabaseLookup(int32_t code, const std::string& field,
                                       const std::string& table) {
  if (field.empty() || table.empty() || !lookup_reader_) return {};
  LookupReader& reader = *lookup_reader_;
  try {
    reader.SetTableName(table);
    reader.Open();
    const int32_t n = reader.RecordCount();
    reader.First();
    const int32_t k = random_.RandomBetween(0, n - 1);
    std::string value;
    if (n > 0) {
      reader.MoveBy(k);
      value = code == 14 ? reader.FieldAsText(field) : std::to_string(reader.FieldAsInteger(field));
    } else {
      // A table without rows has no value to give; a misspelt field is
      // still reported.
      reader.FieldAsText(field);
    }
    reader.Close();
    return value;
  } catch (const EODBC& error) {
    if (error_reporter_) error_reporter_->ShowDatabaseError(error, kLookupFailed);
    try {
      reader.Close();
    } catch (const EODBC&) {
      // The reader counts as closed either way; the error already shown is
      // the one that matters.
    }
    DiscardError(error);
    return {};
  } catch (...) {
    // Errors that end the run still leave the reader closed, so that the
    // next run's lookups start from a fresh result.
    try {
      reader.Close();
    } catch (...) {
    }
    throw;
  }
}

}  // namespace kestrove

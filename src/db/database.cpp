#include "db/database.h"

namespace kestrove {

void ExecuteStatement(DbStatement& statement, const std::string& text) {
  statement.SetSQL(text);
  statement.Prepare();
  statement.Execute();
}

void ExecuteDirect(DbStatement& statement, const std::string& text) {
  statement.SetSQL(text);
  statement.Execute();
}

}  // namespace kestrove

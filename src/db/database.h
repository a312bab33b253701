// The database objects of the window, and the execution of generated
// statements on `Hstmt1`.
#pragma once

#include <string>

#include "db/catalog.h"
#include "db/connection.h"
#include "db/statement.h"
#include "db/table.h"

namespace kestrove {

// Sets the text, prepares and executes it; nothing is fetched or committed
// (the connection commits every statement by itself). Raises EODBC when the
// data source rejects the statement and EDatabaseError for an invalid
// parameter token.
void ExecuteStatement(DbStatement& statement, const std::string& text);
// The same text executed without a prepare (SQLExecDirect): one call, and
// one round trip on a server connection where a prepare costs its own.
void ExecuteDirect(DbStatement& statement, const std::string& text);

// The one connection and the objects working on it. Members are destroyed in
// reverse order, so every statement goes before the connection.
class Database {
 public:
  Database() = default;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  DbConnection Connector;
  DbCatalog Catalog{Connector};
  DbTable TargetTable{Connector, "TargetTable"};
  DbTable LookupTable{Connector, "LookupTable"};
  DbStatement Hstmt1{Connector};

  // A generated Delete or Insert statement, on Hstmt1.
  void ExecuteStatement(const std::string& text) { kestrove::ExecuteStatement(Hstmt1, text); }
  void ExecuteDirect(const std::string& text) { kestrove::ExecuteDirect(Hstmt1, text); }
};

}  // namespace kestrove

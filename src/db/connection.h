// The ODBC environment, the list of data sources, and the connection.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "db/odbc_handle.h"

namespace kestrove {

class DbConnection;
class DbStatement;

// Driver-completion values of InfoPrompt.
constexpr uint16_t kDriverNoPrompt = 0;
constexpr uint16_t kDriverComplete = 1;
constexpr uint16_t kDriverPrompt = 2;

// The process's one ODBC environment, created on first use and freed at
// program end.
class DbEnvironment {
 public:
  // The environment, allocated (ODBC 3 behaviour) on the first call. Raises
  // EODBC when the driver manager refuses.
  static DbEnvironment& Get();

  DbEnvironment(const DbEnvironment&) = delete;
  DbEnvironment& operator=(const DbEnvironment&) = delete;

  // The user and system data source names, in the driver manager's order.
  // A failure just ends the list.
  std::vector<std::string> ListDataSources();

  // Terminates every connection that holds a handle, raising nothing.
  void TerminateAll();

  void* Handle() const { return handle_.get(); }
  const std::vector<DbConnection*>& Connections() const { return connections_; }
  bool IsRegistered(const DbConnection* connection) const;

 private:
  friend class DbConnection;
  DbEnvironment();
  ~DbEnvironment();

  void Register(DbConnection* connection);
  void Unregister(DbConnection* connection);

  OdbcHandle handle_;
  std::vector<DbConnection*> connections_;
};

// Asks the user for a login (the window's login dialog).
class LoginPrompter {
 public:
  virtual ~LoginPrompter() = default;
  // Fills `user` and `password` for `data_source`; false when the user
  // cancels.
  virtual bool AskLogin(const std::string& data_source, std::string& user,
                        std::string& password) = 0;
};

// The connection to one data source (the window's `Connector`).
class DbConnection {
 public:
  DbConnection() = default;
  ~DbConnection();
  DbConnection(const DbConnection&) = delete;
  DbConnection& operator=(const DbConnection&) = delete;

  // Data source name; takes effect at the next Connect.
  std::string DataSource;
  // 0 SQLConnect without prompting; 1 and 2 SQLDriverConnect with
  // SQL_DRIVER_COMPLETE or SQL_DRIVER_PROMPT.
  uint16_t InfoPrompt = kDriverNoPrompt;
  // Isolation wanted after connecting (SQL_TXN_READ_COMMITTED).
  int32_t IsolationLevel = 2;
  // SQL_ATTR_ODBC_CURSORS: the driver's own cursors (SQL_CUR_USE_DRIVER).
  int32_t CursorLib = 2;
  // The window that owns any login dialog; null when there is none. It is
  // handed to the driver manager wrapped the way unixODBC expects it.
  void* WindowHandle = nullptr;
  // Asks for a user name and password; it must outlive the connection's
  // connects. Null, nobody is asked and connecting works on the data
  // source's own settings alone. With InfoPrompt 2 it is asked before every
  // connect; with 1 only when the driver reports a missing login, and the
  // connect is then tried once more. What was typed is not kept.
  LoginPrompter* LoginPrompt = nullptr;

  // Connects to DataSource; does nothing when connected. Raises EODBC.
  void Connect();
  // Terminates the statements and disconnects; does nothing when not
  // connected. The handle stays allocated.
  void Disconnect();
  bool Connected() const { return connected_; }
  // Releases the connection handle, disconnecting first. Raises EODBC.
  void Terminate();
  // The same without raising (destructor, program end, a lost connection):
  // a handle the driver manager will not free is given up.
  void TryTerminate() noexcept;

  // Allocates the connection handle when there is none.
  void AllocateHandle();
  bool Allocated() const { return static_cast<bool>(handle_); }
  void* Handle() const { return handle_.get(); }
  // Return code of the last ODBC call made on the connection.
  int16_t LastReturnCode() const { return last_rc_; }
  // The connection string SQLDriverConnect is given.
  std::string ConnectionString() const { return "DSN=" + DataSource + ";"; }
  // The same with a login: "UID=...;PWD=...;" appended, each value in
  // braces (with "}" doubled) when it holds ";", "{" or "}".
  std::string ConnectionString(const std::string& user, const std::string& password) const;

  // Statements holding a handle on this connection, most recent first.
  const std::vector<DbStatement*>& Statements() const { return statements_; }

  // The DBMS as the driver names it (SQLGetInfo SQL_DBMS_NAME), such as
  // "PostgreSQL", "SQLite" or "MariaDB". Asked once per connection;
  // connects first when not connected. Raises EODBC.
  const std::string& DbmsName();
  // True when the server reads a backslash inside a string literal as an
  // escape character, so that a text value must have its backslashes
  // doubled as well as its quotes to stay one literal. Asked once per
  // connection, of the servers known to do it; connects first when not
  // connected. Raises EODBC.
  bool BackslashEscapes();
  // True when the connection goes through MariaDB Connector/ODBC, whose
  // quirks the statements work around.
  bool MariaDbDriver();
  // A text of SQLGetInfo (SQL_DRIVER_NAME, SQL_DBMS_NAME...); empty when the
  // driver does not give it.
  std::string InfoText(uint16_t info);

  // Autocommit: on (every statement committed by itself) unless switched
  // off. Applied at once when connected, and again after every connect,
  // since a new connection starts with autocommit on. Raises EODBC when the
  // driver refuses the attribute.
  void SetAutoCommit(bool on);
  bool AutoCommit() const { return autocommit_; }
  // Ends the open transaction (SQLEndTran), committing or rolling back its
  // statements; nothing to do when not connected. Raises EODBC.
  void Commit();
  void Rollback();

  // Cancels the statement call under way on this connection (SQLCancel), if
  // there is one. Safe to call from any thread while another waits in the
  // driver; true when a call was under way and the driver took the cancel.
  bool CancelStatementUnderWay();
  // True when the last statement call made on this connection was cancelled
  // by CancelStatementUnderWay while it was under way.
  bool LastCallCancelled() const { return last_call_cancelled_; }

 private:
  friend class DbStatement;
  friend class DbEnvironment;
  void RegisterStatement(DbStatement* statement);
  void UnregisterStatement(DbStatement* statement);
  // The one check of the connection's calls: keeps the return code and
  // raises the call's EODBC when it failed.
  void Check(int16_t rc);
  // Writes a connection attribute only when the driver's value differs from
  // `wanted`; a failed read leaves it alone.
  void ApplyAttribute(int32_t attribute, int32_t wanted);
  void ApplyCursorUse();
  void ApplyAutoCommit();
  void EndTransaction(int16_t completion);
  void TerminateStatements();
  // SQLDriverConnect with `in`; returns the return code.
  int16_t DriverConnect(std::string& in);
  // Asks LoginPrompt; a cancel raises the "No Data Found" error.
  void AskLogin(std::string& user, std::string& password);
  void Unregister() noexcept;
  // A statement call that may wait on the server begins or ends; between the
  // two, CancelStatementUnderWay cancels it.
  void BeginCall(void* statement_handle);
  void EndCall();

  OdbcHandle handle_;
  DbEnvironment* environment_ = nullptr;
  bool connected_ = false;
  bool autocommit_ = true;
  int16_t last_rc_ = 0;
  std::vector<DbStatement*> statements_;
  // What the server was found to be, for the connection it was asked on.
  std::optional<std::string> dbms_name_;
  std::optional<std::string> driver_name_;
  std::optional<bool> backslash_escapes_;
  // The statement handle whose call is under way, guarded by call_mutex_.
  std::mutex call_mutex_;
  void* call_under_way_ = nullptr;
  std::atomic<bool> last_call_cancelled_{false};
};

}  // namespace kestrove

// The ODBC environment, the data source list and the connection.
#include "db/connection.h"

#include <odbcinst.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "db/odbc_internal.h"
#include "db/secret.h"
#include "db/statement.h"
#include "util/text.h"

namespace kestrove {

int16_t OdbcHandle::Free() noexcept {
  if (!handle_) return SQL_SUCCESS;
  SQLRETURN rc = SQLFreeHandle(type_, handle_);
  // A handle the driver manager refused to free is still valid; keep it.
  if (Succeeded(rc) || rc == SQL_INVALID_HANDLE) handle_ = nullptr;
  return rc;
}

// --- Environment ---

DbEnvironment& DbEnvironment::Get() {
  static DbEnvironment environment;
  return environment;
}

DbEnvironment::DbEnvironment() {
  SQLHANDLE env = SQL_NULL_HANDLE;
  SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  if (!Succeeded(rc)) {
    // There is no handle to ask for diagnostics.
    throw EODBC(OdbcObject::kEnvironment, nullptr, rc,
                BuildErrorRecords(rc, [](int16_t, TErrorRec&) -> int16_t { return SQL_NO_DATA; }));
  }
  OdbcHandle owner(SQL_HANDLE_ENV, env);
  rc = SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!Succeeded(rc))
    throw MakeODBCError(rc, SQL_HANDLE_ENV, env, OdbcObject::kEnvironment, nullptr);
  handle_ = std::move(owner);
}

DbEnvironment::~DbEnvironment() {
  // Program end: whatever is still connected goes first, and nothing that
  // fails on the way out is raised.
  TerminateAll();
  handle_.Free();
}

std::vector<std::string> DbEnvironment::ListDataSources() {
  std::vector<std::string> names;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLCHAR name[256] = {};
    SQLCHAR description[256] = {};
    SQLSMALLINT name_length = 0, description_length = 0;
    SQLRETURN rc = SQLDataSources(handle_.get(), direction, name, sizeof name, &name_length,
                                  description, sizeof description, &description_length);
    if (!Succeeded(rc)) break;
    names.emplace_back(reinterpret_cast<const char*>(name));
    direction = SQL_FETCH_NEXT;
  }
  return names;
}

void DbEnvironment::TerminateAll() {
  // Terminating unregisters, so work from a copy.
  std::vector<DbConnection*> connections = connections_;
  for (DbConnection* connection : connections) connection->TryTerminate();
}

bool DbEnvironment::IsRegistered(const DbConnection* connection) const {
  return std::find(connections_.begin(), connections_.end(), connection) != connections_.end();
}

void DbEnvironment::Register(DbConnection* connection) {
  if (!IsRegistered(connection)) connections_.push_back(connection);
}

void DbEnvironment::Unregister(DbConnection* connection) {
  connections_.erase(std::remove(connections_.begin(), connections_.end(), connection),
                     connections_.end());
}

// --- Connection ---

namespace {

// Wipes a text that holds a password when it goes out of scope, whichever
// way the scope is left.
class WipeOnExit {
 public:
  explicit WipeOnExit(std::string& text) : text_(text) {}
  ~WipeOnExit() { WipeSecret(text_); }
  WipeOnExit(const WipeOnExit&) = delete;
  WipeOnExit& operator=(const WipeOnExit&) = delete;

 private:
  std::string& text_;
};

// True when the failed connect's records say that a login is missing: an
// invalid authorization (28000), or a connection failure (08001) that
// mentions a password. psqlODBC reports every failed login as 08001, with
// libpq's text: "fe_sendauth: no password supplied" when the data source has
// no password (libpq never translates it), and the server's "password
// authentication failed" when the password is wrong, which asks as well.
bool LoginMissing(SQLHDBC handle) {
  for (SQLSMALLINT number = 1;; ++number) {
    SQLCHAR state[6] = {}, message[512] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    const SQLRETURN rc = SQLGetDiagRec(SQL_HANDLE_DBC, handle, number, state, &native, message,
                                       sizeof message, &length);
    if (!Succeeded(rc)) return false;
    const std::string sqlstate(reinterpret_cast<const char*>(state));
    const std::string text = Lower(reinterpret_cast<const char*>(message));
    if (sqlstate == "28000") return true;
    if (sqlstate == "08001" && text.find("password") != std::string::npos) return true;
  }
}

}  // namespace

DbConnection::~DbConnection() {
  TryTerminate();
}

void DbConnection::Check(int16_t rc) {
  last_rc_ = rc;
  CheckOdbc(rc, SQL_HANDLE_DBC, handle_.get(), OdbcObject::kConnection, this);
}

void DbConnection::AllocateHandle() {
  if (handle_) return;
  DbEnvironment& environment = DbEnvironment::Get();
  SQLHANDLE dbc = SQL_NULL_HANDLE;
  SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_DBC, environment.Handle(), &dbc);
  last_rc_ = rc;
  CheckOdbc(rc, SQL_HANDLE_ENV, environment.Handle(), OdbcObject::kEnvironment, nullptr);
  handle_ = OdbcHandle(SQL_HANDLE_DBC, dbc);
  environment_ = &environment;
  environment.Register(this);
  ApplyCursorUse();
}

void DbConnection::ApplyAttribute(int32_t attribute, int32_t wanted) {
  const SQLULEN value = static_cast<SQLULEN>(static_cast<uint32_t>(wanted));
  SQLULEN current = 0;
  if (!Succeeded(SQLGetConnectAttr(handle_.get(), attribute, &current, 0, nullptr))) return;
  if (current != value)
    Check(SQLSetConnectAttr(handle_.get(), attribute, reinterpret_cast<SQLPOINTER>(value), 0));
}

void DbConnection::ApplyCursorUse() {
  ApplyAttribute(SQL_ATTR_ODBC_CURSORS, CursorLib);
}

void DbConnection::Connect() {
  AllocateHandle();
  if (connected_) return;
  ApplyCursorUse();
  SQLRETURN rc;
  if (InfoPrompt == kDriverNoPrompt) {
    // No login given: null pointers, so that every driver falls back on the
    // data source's own user and password. psqlODBC reads an empty string
    // that way too and sqliteodbc has no login, but MariaDB Connector/ODBC
    // takes an empty user as given and then logs in as the operating-system
    // user instead of the data source's.
    rc = SQLConnect(handle_.get(), reinterpret_cast<SQLCHAR*>(DataSource.data()), SQL_NTS, nullptr,
                    0, nullptr, 0);
  } else if (InfoPrompt == kDriverPrompt && LoginPrompt) {
    // The drivers here have no login dialog of their own: psqlODBC built
    // for Linux, given SQL_DRIVER_PROMPT and no password, fails with 08001
    // just as with SQL_DRIVER_COMPLETE. So the program asks before every
    // connect.
    std::string user, password, in;
    WipeOnExit wipe_password(password), wipe_in(in);
    AskLogin(user, password);
    in = ConnectionString(user, password);
    rc = DriverConnect(in);
  } else {
    // The completed string the driver hands back is not kept: every connect
    // starts again from the bare DSN.
    std::string bare = ConnectionString();
    rc = DriverConnect(bare);
    if (rc == SQL_ERROR && InfoPrompt == kDriverComplete && LoginPrompt &&
        LoginMissing(handle_.get())) {
      // The data source lacks its login: ask once, and try once more.
      std::string user, password, in;
      WipeOnExit wipe_password(password), wipe_in(in);
      AskLogin(user, password);
      in = ConnectionString(user, password);
      rc = DriverConnect(in);
    }
  }
  // A cancelled login dialog gives SQL_NO_DATA, which is a failure here.
  Check(rc);
  connected_ = true;
  // A new connection may be to another server, or the same one set up
  // otherwise: what was found out is asked again.
  dbms_name_.reset();
  driver_name_.reset();
  backslash_escapes_.reset();

  // The connection stays open when the isolation cannot be written.
  ApplyAttribute(SQL_ATTR_TXN_ISOLATION, IsolationLevel);
  // Which driver and server this is, for the quirks handled elsewhere.
  dbms_name_ = InfoText(SQL_DBMS_NAME);
  driver_name_ = InfoText(SQL_DRIVER_NAME);
  if (!autocommit_) ApplyAutoCommit();
}

void DbConnection::SetAutoCommit(bool on) {
  autocommit_ = on;
  if (connected_) ApplyAutoCommit();
}

void DbConnection::ApplyAutoCommit() {
  const SQLULEN value = autocommit_ ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
  Check(SQLSetConnectAttr(handle_.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value),
                          SQL_IS_UINTEGER));
}

void DbConnection::Commit() {
  EndTransaction(SQL_COMMIT);
}

void DbConnection::Rollback() {
  EndTransaction(SQL_ROLLBACK);
}

void DbConnection::EndTransaction(int16_t completion) {
  if (!connected_) return;
  Check(SQLEndTran(SQL_HANDLE_DBC, handle_.get(), completion));
}

std::string DbConnection::InfoText(uint16_t info) {
  SQLCHAR text[256] = {};
  SQLSMALLINT length = 0;
  const SQLRETURN rc = SQLGetInfo(handle_.get(), info, text, sizeof text, &length);
  return Succeeded(rc) ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

int16_t DbConnection::DriverConnect(std::string& in) {
  // unixODBC refuses SQL_DRIVER_PROMPT without a window (HY092); the other
  // completions go through without one. It hands the window on to the
  // driver as given, and reads it as an ODBCINSTWND (the window in hWnd, an
  // empty szUI for its default dialogs) when it shows a dialog itself, so
  // the window is wrapped that way.
  ODBCINSTWND window;
  std::memset(&window, 0, sizeof window);
  window.hWnd = static_cast<HWND>(WindowHandle);
  SQLHWND parent = WindowHandle ? reinterpret_cast<SQLHWND>(&window) : nullptr;
  // The completed string that comes back holds the password as well.
  SQLCHAR out[256] = {};
  SQLSMALLINT out_length = 0;
  const SQLRETURN rc =
      SQLDriverConnect(handle_.get(), parent, reinterpret_cast<SQLCHAR*>(in.data()), SQL_NTS, out,
                       sizeof out, &out_length, InfoPrompt);
  WipeBytes(out, sizeof out);
  return rc;
}

void DbConnection::AskLogin(std::string& user, std::string& password) {
  // Cancelled: reported as a cancelled driver dialog is.
  if (!LoginPrompt->AskLogin(DataSource, user, password)) Check(SQL_NO_DATA);
}

std::string DbConnection::ConnectionString(const std::string& user,
                                           const std::string& password) const {
  // Written into one buffer of its final size: no temporary and no
  // reallocation leaves a copy of the password in released memory.
  auto braced = [](const std::string& text) {
    return text.find_first_of(";{}") != std::string::npos;
  };
  auto length = [&](const std::string& text) {
    return braced(text) ? text.size() + 2 + std::count(text.begin(), text.end(), '}') : text.size();
  };
  auto append = [&](std::string& out, const std::string& text) {
    if (!braced(text)) {
      out += text;
      return;
    }
    out += '{';
    for (char c : text) {
      out += c;
      if (c == '}') out += '}';
    }
    out += '}';
  };
  std::string out;
  out.reserve(4 + DataSource.size() + 5 + length(user) + 5 + length(password) + 1);
  out += "DSN=";
  out += DataSource;
  out += ";UID=";
  append(out, user);
  out += ";PWD=";
  append(out, password);
  out += ';';
  return out;
}

void DbConnection::TerminateStatements() {
  // Terminating a statement unregisters it, so work from a copy.
  std::vector<DbStatement*> statements = statements_;
  for (DbStatement* statement : statements) statement->Terminate();
}

void DbConnection::Disconnect() {
  if (!connected_) return;
  TerminateStatements();
  Check(SQLDisconnect(handle_.get()));
  connected_ = false;
}

void DbConnection::Terminate() {
  if (!handle_) return;
  TerminateStatements();
  Disconnect();
  // A handle that could not be freed stays owned (and registered); one the
  // driver manager found invalid is gone, and its error needs no records.
  Check(handle_.Free());
  Unregister();
}

void DbConnection::TryTerminate() noexcept {
  if (!handle_) return;
  std::vector<DbStatement*> statements = statements_;
  for (DbStatement* statement : statements) statement->TryTerminate();
  statements_.clear();
  if (connected_) last_rc_ = SQLDisconnect(handle_.get());
  connected_ = false;
  // When the driver manager keeps the handle (a failed SQLDisconnect leaves
  // it connected) nobody is told, so it is given up: the next operation
  // starts on a fresh one rather than failing on the old one for good.
  last_rc_ = handle_.Free();
  handle_.Abandon();
  Unregister();
}

void DbConnection::Unregister() noexcept {
  if (environment_) environment_->Unregister(this);
  environment_ = nullptr;
}

namespace {

// The first column of the first row of a query on the connection.
std::string QueryText(DbConnection& connection, const std::string& sql) {
  DbStatement statement(connection);
  statement.SetSQL(sql);
  statement.Execute();
  std::string text = statement.FetchNext() ? statement.ColumnText(1) : std::string();
  statement.Terminate();
  return text;
}

}  // namespace

const std::string& DbConnection::DbmsName() {
  if (!connected_) Connect();
  if (!dbms_name_) dbms_name_ = InfoText(SQL_DBMS_NAME);
  return *dbms_name_;
}

bool DbConnection::MariaDbDriver() {
  if (!driver_name_) {
    if (!connected_) return false;
    driver_name_ = InfoText(SQL_DRIVER_NAME);
  }
  return Lower(*driver_name_).find("maodbc") != std::string::npos;
}

bool DbConnection::BackslashEscapes() {
  if (!connected_) Connect();
  if (!backslash_escapes_) {
    const std::string dbms = Lower(DbmsName());
    bool escapes = false;
    if (dbms.find("postgresql") != std::string::npos) {
      // PostgreSQL reads "\" in an ordinary literal as an escape while
      // standard_conforming_strings is off (the server's, the database's or
      // the role's setting).
      escapes = Lower(QueryText(*this, "SHOW standard_conforming_strings")) == "off";
    } else if (dbms.find("mysql") != std::string::npos ||
               dbms.find("mariadb") != std::string::npos) {
      // MySQL and MariaDB read it as an escape unless the session's sql_mode
      // holds NO_BACKSLASH_ESCAPES (MariaDB Connector/ODBC names the DBMS
      // "MariaDB", MySQL's own driver "MySQL").
      const std::string mode = QueryText(*this, "SELECT @@sql_mode");
      escapes = Lower(mode).find("no_backslash_escapes") == std::string::npos;
    }
    backslash_escapes_ = escapes;
  }
  return *backslash_escapes_;
}

void DbConnection::BeginCall(void* statement_handle) {
  std::lock_guard<std::mutex> lock(call_mutex_);
  call_under_way_ = statement_handle;
  last_call_cancelled_ = false;
}

void DbConnection::EndCall() {
  std::lock_guard<std::mutex> lock(call_mutex_);
  call_under_way_ = nullptr;
}

bool DbConnection::CancelStatementUnderWay() {
  // The lock keeps the handle from being released while it is cancelled:
  // the thread in the driver must pass EndCall before it can free it.
  std::lock_guard<std::mutex> lock(call_mutex_);
  if (!call_under_way_) return false;
  if (last_call_cancelled_) return true;  // once per call is enough
  const SQLRETURN rc = SQLCancel(call_under_way_);
  if (!Succeeded(rc)) return false;
  last_call_cancelled_ = true;
  return true;
}

void DbConnection::RegisterStatement(DbStatement* statement) {
  UnregisterStatement(statement);
  statements_.insert(statements_.begin(), statement);
}

void DbConnection::UnregisterStatement(DbStatement* statement) {
  statements_.erase(std::remove(statements_.begin(), statements_.end(), statement),
                    statements_.end());
}

}  // namespace kestrove

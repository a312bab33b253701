// Connecting with a login asked of the user: when LoginPrompt is asked for
// each InfoPrompt, what the driver is then given, what a cancel and a wrong
// password raise, and how a login is written into a connection string. The
// server cases use the scratch cluster's role that must give a password
// (scripts/pg-scratch).
#include <sql.h>
#include <sqlext.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db_test_support.h"
#include "freed_memory.h"
#include "odbc_call_log.h"

namespace kestrove {
namespace {

using testing::CallLog;
using testing::RecordCalls;
using Calls = std::vector<std::string>;

// Stands in for the window that owns the login dialog: only its address is
// handed on.
int window_stand_in = 0;

const char kAsked[] = "LoginPrompt";

struct Login {
  std::string user;
  std::string password;
};

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

class LoginPrompt : public ::testing::Test, public LoginPrompter {
 protected:
  void SetUp() override {
    dsn_ = Env("KESTROVE_PG_LOGIN_DSN");
    plain_dsn_ = Env("KESTROVE_PG_DSN");
    login_ = {Env("KESTROVE_PG_LOGIN_USER"), Env("KESTROVE_PG_LOGIN_PASSWORD")};
    if (dsn_.empty() || plain_dsn_.empty() || login_.user.empty() || login_.password.empty()) {
      if (testing::UnderCi()) FAIL() << "KESTROVE_PG_LOGIN_DSN is not set (run scripts/pg-scratch)";
      GTEST_SKIP() << "KESTROVE_PG_LOGIN_DSN is not set: no data source that needs a login "
                      "(see scripts/pg-scratch)";
    }
  }

  // Sets `connection` up as the window does: its window, and the fixture as
  // its prompt, which answers `answer` (a cancel when there is none), counts
  // the times it is asked and marks them in the call log.
  void Prepare(DbConnection& connection, const std::string& dsn, uint16_t prompt,
               std::optional<Login> answer) {
    connection.DataSource = dsn;
    connection.InfoPrompt = prompt;
    connection.WindowHandle = &window_stand_in;
    connection.LoginPrompt = this;
    answer_ = std::move(answer);
  }
  bool AskLogin(const std::string& data_source, std::string& user, std::string& password) override {
    ++asked_;
    if (CallLog().recording) CallLog().calls.push_back(kAsked);
    EXPECT_FALSE(data_source.empty());
    // Nothing typed at an earlier ask comes back.
    EXPECT_EQ(password, "");
    if (!answer_) return false;
    user = answer_->user;
    password = answer_->password;
    return true;
  }

  // The connect calls and asks of the log.
  static Calls ConnectCalls() { return CallLog().Only({"SQLConnect", "SQLDriverConnect", kAsked}); }

  // `calls` with "bare" and "login" written out as the SQLDriverConnect
  // calls of the bare string and of the string with `login`.
  static Calls Spelled(const Calls& calls, const DbConnection& connection, const Login& login) {
    Calls out;
    for (const std::string& call : calls) {
      if (call == kAsked) {
        out.push_back(call);
        continue;
      }
      const std::string in = call == "bare"
                                 ? connection.ConnectionString()
                                 : connection.ConnectionString(login.user, login.password);
      out.push_back("SQLDriverConnect " + in + "|256|" + std::to_string(connection.InfoPrompt));
    }
    return out;
  }

  std::string dsn_, plain_dsn_;
  Login login_;
  std::optional<Login> answer_;
  int asked_ = 0;
};

TEST_F(LoginPrompt, WithoutPromptingTheDriverRefusesAndNobodyIsAsked) {
  DbConnection connection;
  Prepare(connection, dsn_, kDriverNoPrompt, login_);
  RecordCalls record;
  try {
    connection.Connect();
    ADD_FAILURE() << "connected without a password";
  } catch (const EODBC& error) {
    ASSERT_FALSE(error.Records().empty());
    EXPECT_EQ(error.Records()[0].SqlState, "08001") << error.what();
  }
  EXPECT_FALSE(connection.Connected());
  EXPECT_EQ(asked_, 0);
  EXPECT_EQ(ConnectCalls(), Calls{"SQLConnect " + dsn_ + "|<null>|<null>"});
}

TEST_F(LoginPrompt, PromptAsksBeforeEveryConnect) {
  DbConnection connection;
  Prepare(connection, dsn_, kDriverPrompt, login_);
  RecordCalls record;
  for (int i = 0; i < 2; ++i) {
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
    connection.Disconnect();
  }
  EXPECT_EQ(ConnectCalls(), Spelled({kAsked, "login", kAsked, "login"}, connection, login_));
}

TEST_F(LoginPrompt, CompleteAsksOnlyWhenTheDriverMissesTheLogin) {
  struct Case {
    std::string dsn;
    Calls calls;
  };
  for (const Case& c : {Case{dsn_, {"bare", kAsked, "login"}}, Case{plain_dsn_, {"bare"}}}) {
    SCOPED_TRACE(c.dsn);
    DbConnection connection;
    Prepare(connection, c.dsn, kDriverComplete, login_);
    RecordCalls record;
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(ConnectCalls(), Spelled(c.calls, connection, login_));
  }
}

// The calls of a connect on the login DSN up to the sending of the login.
struct BeforeLogin {
  uint16_t prompt;
  Calls calls;
};
const BeforeLogin kBeforeLogin[] = {
    {kDriverComplete, {"bare", kAsked}},
    {kDriverPrompt, {kAsked}},
};

TEST_F(LoginPrompt, CancelIsNoDataFoundAndTheNextConnectStartsAfresh) {
  for (const BeforeLogin& c : kBeforeLogin) {
    SCOPED_TRACE(c.prompt);
    DbConnection connection;
    Prepare(connection, dsn_, c.prompt, std::nullopt);
    RecordCalls record;
    try {
      connection.Connect();
      ADD_FAILURE() << "a cancelled login connected";
    } catch (const EODBC& error) {
      ASSERT_EQ(error.Records().size(), 1u);
      EXPECT_EQ(error.Records()[0].Message, "No Data Found");
      EXPECT_EQ(error.Records()[0].SqlState, "");
      EXPECT_EQ(error.ReturnCode(), SQL_NO_DATA);
    }
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(ConnectCalls(), Spelled(c.calls, connection, login_));
    Prepare(connection, dsn_, c.prompt, login_);
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
  }
}

TEST_F(LoginPrompt, WrongPasswordIsAskedOnceAndNotShownInTheError) {
  const Login wrong{login_.user, "Wr0ng;{secret}"};
  for (const BeforeLogin& c : kBeforeLogin) {
    SCOPED_TRACE(c.prompt);
    asked_ = 0;
    DbConnection connection;
    Prepare(connection, dsn_, c.prompt, wrong);
    RecordCalls record;
    try {
      connection.Connect();
      ADD_FAILURE() << "connected with a wrong password";
    } catch (const EODBC& error) {
      ASSERT_FALSE(error.Records().empty());
      EXPECT_EQ(error.Records()[0].SqlState, "08001") << error.what();
      // Neither half of the password, raw or encoded, is in any record.
      for (const TErrorRec& record : error.Records())
        for (const char* part : {"Wr0ng", "secret"})
          EXPECT_EQ(record.Message.find(part), std::string::npos) << record.Message;
    }
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(asked_, 1);
    Calls calls = c.calls;
    calls.push_back("login");
    EXPECT_EQ(ConnectCalls(), Spelled(calls, connection, wrong));
  }
}

// No buffer the layer releases still holds a typed password, plain or
// braced, whether the login is taken or refused. The passwords are long
// enough to live outside the string objects, where a released copy shows.
TEST_F(LoginPrompt, NoReleasedBufferHoldsThePassword) {
  const std::string tail(48, 'q');
  for (const std::string& password :
       {login_.password, "W1pe-me-" + tail, "W1pe-me-;{" + tail + "}"}) {
    SCOPED_TRACE(password);
    DbConnection connection;
    Prepare(connection, dsn_, kDriverPrompt, Login{login_.user, password});
    testing::FreedMemoryWatch watch(password.substr(0, 6));
    try {
      connection.Connect();
    } catch (const EODBC&) {
      EXPECT_NE(password, login_.password);
    }
    EXPECT_EQ(watch.Found(), 0);
  }
}

TEST(LoginConnectionString, BracesValuesThatNeedThem) {
  struct Case {
    const char* user;
    const char* password;
    const char* expected;
  };
  const Case cases[] = {
      {"anna", "pw", "DSN=Db;UID=anna;PWD=pw;"},
      {"", "", "DSN=Db;UID=;PWD=;"},
      {"anna", "a;b", "DSN=Db;UID=anna;PWD={a;b};"},
      {"an{na", "pw", "DSN=Db;UID={an{na};PWD=pw;"},
      {"anna", "x}y}", "DSN=Db;UID=anna;PWD={x}}y}}};"},
      {"anna", "{;}", "DSN=Db;UID=anna;PWD={{;}}};"},
  };
  DbConnection connection;
  connection.DataSource = "Db";
  for (const Case& c : cases)
    EXPECT_EQ(connection.ConnectionString(c.user, c.password), c.expected)
        << c.user << " / " << c.password;
}

}  // namespace
}  // namespace kestrove

// One composition for both front ends: a window run and a kestrove-run of
// the same profile, seed and date send the same statements; and the login
// prompt as the window shows it.
#include <QAction>
#include <sstream>

#include "main_form_fixture.h"
#include "tools/tool_runner.h"

namespace kestrove::testing {
namespace {

using testing_support::ReadWhole;
using testing_support::RunTool;
using testing_support::SchemaStatements;
using testing_support::SourceDir;

constexpr const char* kShopTables[] = {"customer", "product", "sale", "sale_line", "supplier"};

TEST_F(MainFormTest, AWindowRunAndAHeadlessRunSendTheSameStatements) {
  std::string dsn;
  KESTROVE_REQUIRE_DSN("KESTROVE_SQLITE_DSN", dsn);
  for (const char* table : kShopTables) Exec(dsn, std::string("DROP TABLE IF EXISTS ") + table);
  for (const std::string& statement : SchemaStatements(SourceDir() + "/examples/shop.sql"))
    Exec(dsn, statement);
  direct_.reset();

  Connect(dsn);
  prompts_.open_name = QString::fromStdString(SourceDir() + "/examples/shop.prf");
  Item("File1", "&Load Profile")->trigger();
  ASSERT_TRUE(prompts_.errors.isEmpty()) << prompts_.errors.join("\n").toStdString();
  Click(Button("AltGenerateBtn"));
  const std::string window = form_->sent;
  ASSERT_TRUE(prompts_.errors.isEmpty()) << prompts_.errors.join("\n").toStdString();
  ASSERT_TRUE(prompts_.database_errors.empty());
  form_.reset();  // the window's connection goes before the headless run starts

  // The profile deletes the rows first, so both runs start from empty tables.
  const std::string log = (dir_ / "headless.sql").string();
  const auto result =
      RunTool("kestrove-run", {"--profile", SourceDir() + "/examples/shop.prf", "--dsn", dsn,
                               "--seed", std::to_string(kSeedMs), "--today", "2026/12/09",
                               "--lists-dir", dir_.string(), "--sql-out", log});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  const std::string headless = ReadWhole(log);
  EXPECT_GT(std::count(window.begin(), window.end(), '\n'), 500);
  EXPECT_EQ(window, headless);
  EXPECT_NE(window.find("Insert into sale_line ("), std::string::npos);
}

TEST_F(MainFormTest, TheLoginPromptAsksWhenTheBoxSaysSo) {
  std::string dsn;
  KESTROVE_REQUIRE_DSN("KESTROVE_PG_LOGIN_DSN", dsn);
  const std::string password = std::getenv("KESTROVE_PG_LOGIN_PASSWORD");
  const std::string user = std::getenv("KESTROVE_PG_LOGIN_USER");
  prompts_.login = ui::LoginAnswer{user, password};
  auto& connector = form_->Work().Db.Connector;

  // Never clicked: connects without asking, and the server refuses.
  Connect(dsn);
  EXPECT_EQ(prompts_.logins_asked, 0);
  ASSERT_EQ(prompts_.database_errors.size(), 1u);
  EXPECT_EQ(prompts_.database_errors[0].text,
            "Communication Failure. Please select another Data Source.");
  EXPECT_EQ(prompts_.database_errors[0].records[0].SqlState, "08001");
  EXPECT_FALSE(connector.Connected());

  // Ticked: asked before every connect.
  Click(Button("PromptBox"));
  EXPECT_EQ(connector.InfoPrompt, 2);
  Connect(dsn);
  EXPECT_EQ(prompts_.logins_asked, 1);
  EXPECT_TRUE(connector.Connected());
  EXPECT_TRUE(Shown("TablePanel"));
  Connect(dsn);
  EXPECT_EQ(prompts_.logins_asked, 2);

  // Unticked after a click: asked only when the driver says the login is missing.
  Click(Button("PromptBox"));
  EXPECT_EQ(connector.InfoPrompt, 1);
  Connect(dsn);
  EXPECT_EQ(prompts_.logins_asked, 3);
  EXPECT_TRUE(connector.Connected());

  // Cancelled: the error of a cancelled login, and not connected.
  prompts_.login.reset();
  Click(Button("PromptBox"));
  Connect(dsn);
  ASSERT_EQ(prompts_.database_errors.size(), 2u);
  EXPECT_EQ(prompts_.database_errors[1].text,
            "Communication Failure. Please select another Data Source.");
  ASSERT_EQ(prompts_.database_errors[1].records.size(), 1u);
  EXPECT_EQ(prompts_.database_errors[1].records[0].Message, "No Data Found");
  EXPECT_FALSE(connector.Connected());
  for (const auto& shown : prompts_.database_errors)
    for (const auto& record : shown.records)
      EXPECT_EQ(record.Message.find(password), std::string::npos);
  EXPECT_FALSE(SqlMonitor()->FullText().contains(ui::FromEngine(password)));
}

}  // namespace
}  // namespace kestrove::testing

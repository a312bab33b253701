// The fixture of the main window tests: a fresh window over a program folder
// of its own (the shipped lists, no settings file), a fixed clock, the fake
// prompts, and helpers that work the controls as a user does.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "controls.h"
#include "db/database.h"
#include "fake_prompts.h"
#include "ui/main_form.h"
#include "ui/text.h"
#include "ui/widgets.h"

// Texts in failure messages as text, not as their bytes.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace kestrove::testing {

inline bool UnderCi() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

// The DSN an environment variable names; empty (and the case skipped, or
// failed under CI) when there is none.
#define KESTROVE_REQUIRE_DSN(var, out)                                    \
  do {                                                                    \
    const char* dsn_value = std::getenv(var);                             \
    if (!dsn_value || !*dsn_value) {                                      \
      if (::kestrove::testing::UnderCi()) FAIL() << var << " is not set"; \
      GTEST_SKIP() << var << " is not set (see scripts/pg-scratch)";      \
    }                                                                     \
    out = dsn_value;                                                      \
  } while (0)

// The window as the tests host a run in it: it keeps every statement sent,
// one a line, and lets a test act each time the run lets messages run.
class HostedForm : public ui::TMainForm {
 public:
  using TMainForm::TMainForm;
  std::string sent;
  // Called before the window's own event loop runs.
  std::function<void()> between_records;

 protected:
  void ProcessMessages() override {
    if (between_records) between_records();
    TMainForm::ProcessMessages();
  }
  void StatementSent(const RunStatement& statement) override {
    sent += statement.Sql;
    sent += '\n';
  }
};

class MainFormTest : public ::testing::Test {
 protected:
  static constexpr uint32_t kSeedMs = 4321;

  void SetUp() override {
    namespace fs = std::filesystem;
    dir_ = fs::temp_directory_path() /
           ("kestrove-ui-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (const auto& entry : fs::directory_iterator(KESTROVE_TEST_BIN_DIR))
      if (entry.path().extension() == ".bin")
        fs::copy_file(entry.path(), dir_ / entry.path().filename());
    MakeForm();
  }
  void TearDown() override {
    form_.reset();
    std::filesystem::remove_all(dir_);
  }

  void MakeForm() {
    form_.reset();
    ui::MainFormEnvironment environment;
    environment.clock = &clock_;
    environment.program_dir = dir_.string() + "/";
    environment.prompts = &prompts_;
    form_ = std::make_unique<HostedForm>(environment);
    form_->show();
  }

  // A plain connection of the test's own, for setting up and checking tables.
  Database& Direct(const std::string& dsn) {
    if (!direct_) {
      direct_ = std::make_unique<Database>();
      direct_->Connector.DataSource = dsn;
      direct_->Connector.Connect();
    }
    return *direct_;
  }
  void Exec(const std::string& dsn, const std::string& sql) { Direct(dsn).ExecuteStatement(sql); }
  int64_t Scalar(const std::string& dsn, const std::string& sql) {
    DbStatement st(Direct(dsn).Connector);
    st.SetSQL(sql);
    st.Execute();
    int64_t n = -1;
    EXPECT_TRUE(st.FetchNext()) << sql;
    EXPECT_TRUE(st.ColumnInt64(1, &n)) << sql;
    return n;
  }

  // The window's controls by their names, and its menu items by their
  // menu and caption.
  template <class T = QWidget>
  T* Ctl(const char* name) {
    return Control<T>(*form_->centralWidget(), name);
  }
  QLabel* Label(const char* name) { return Ctl<QLabel>(name); }
  QComboBox* Combo(const char* name) { return Ctl<QComboBox>(name); }
  QListWidget* List(const char* name) { return Ctl<QListWidget>(name); }
  QLineEdit* Edit(const char* name) { return Ctl<QLineEdit>(name); }
  QAbstractButton* Button(const char* name) { return Ctl<QAbstractButton>(name); }
  bool Shown(const char* name) { return Ctl(name)->isVisible(); }
  ui::MonitorLabel* SqlMonitor() { return Ctl<ui::MonitorLabel>("SQLMonitor"); }
  QAction* Item(const char* menu, const QString& caption) {
    return MenuItem(*form_->menuBar(), menu, caption);
  }

  // Into the data source box, which lists the data sources, and a pick.
  void Connect(const std::string& dsn) {
    Enter(Combo("dbList"), Qt::TabFocusReason);
    Pick(Combo("dbList"), ui::FromEngine(dsn));
  }

  TTableStruct& Slot(const QString& table) {
    return form_->State().Tables[Combo("TableList")->findText(table)];
  }

  std::filesystem::path dir_;
  FixedClock clock_{kSeedMs, {2026, 12, 9}};
  FakePrompts prompts_;
  std::unique_ptr<HostedForm> form_;
  std::unique_ptr<Database> direct_;
};

}  // namespace kestrove::testing

// The main window, offscreen against the SQLite test data source: the
// workflow's panels, a whole set-up run into the database, stopping, errors,
// the choice catalogue through the controls, profiles, the settings file and
// every menu command during a run.
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QStyleOptionComboBox>
#include <QTest>
#include <cstdlib>
#include <fstream>

#include "catalogue/profile_file.h"
#include "main_form_fixture.h"

namespace kestrove::testing {
namespace {

constexpr const char* kSqliteVar = "KESTROVE_SQLITE_DSN";

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class MainFormDbTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    KESTROVE_REQUIRE_DSN(kSqliteVar, dsn_);
    DropExtraTables();
    Exec(dsn_, "DROP TABLE IF EXISTS ui_person");
    Exec(dsn_,
         "CREATE TABLE ui_person (id INTEGER, surname VARCHAR(16), forename VARCHAR(16), "
         "born DATE, score FLOAT, flag BOOLEAN, at TIME, stamp TIMESTAMP, photo LONGVARBINARY)");
    direct_.reset();  // the window works on the table alone from here
  }
  void TearDown() override {
    form_.reset();
    if (!dsn_.empty()) {
      Exec(dsn_, "DROP TABLE IF EXISTS ui_person");
      DropExtraTables();
    }
    if (!saved_ini_.empty()) setenv("ODBCINI", saved_ini_.c_str(), 1);
    MainFormTest::TearDown();
  }

  // Adds a data source whose database cannot be opened (its folder does not
  // exist) to those listed; returns its name.
  std::string AddBrokenDataSource() {
    const char* ini = std::getenv("ODBCINI");
    if (ini && saved_ini_.empty()) saved_ini_ = ini;
    const std::filesystem::path path = dir_ / "odbc.ini";
    std::ofstream(path) << (ini ? ReadFile(ini) : "") << "\n[KestroveUiMissing]\nDriver=SQLite3\n"
                        << "Database=" << (dir_ / "missing" / "none.sqlite").string() << "\n";
    setenv("ODBCINI", path.c_str(), 1);
    return "KestroveUiMissing";
  }
  static void Enter(QWidget* widget, Qt::FocusReason reason) {
    QFocusEvent in(QEvent::FocusIn, reason);
    QCoreApplication::sendEvent(widget, &in);
  }

  // The tables a case adds beside ui_person.
  static std::string ExtraTable(int i) { return "ui_zz" + std::to_string(100 + i); }
  void DropExtraTables() {
    for (int i = 0; i < 100; ++i) Exec(dsn_, "DROP TABLE IF EXISTS " + ExtraTable(i));
    Exec(dsn_, "DROP TABLE IF EXISTS ui_wide");
  }

  // Connected, ui_person chosen, and a record count typed.
  void SetUpPerson(int records) {
    Connect(dsn_);
    Pick(form_->TableList, "ui_person");
    form_->TargetTableFrom->setText(QString::number(records));
    emit form_->TargetTableFrom->textEdited(form_->TargetTableFrom->text());
  }
  void Choose(const QString& field, const QString& choice) {
    Select(form_->FieldList, field);
    Select(form_->ChoiceList, choice);
  }
  void Generate() { form_->AltGenerateBtn->click(); }
  int64_t Rows() { return Scalar(dsn_, "SELECT Count(*) FROM ui_person"); }

  std::string dsn_;
  std::string saved_ini_;
};

TEST_F(MainFormDbTest, WorkflowStatesShowAndHideThePanels) {
  auto& f = *form_;
  auto shown = [](QWidget* w) { return w->isVisible(); };
  // No data source.
  EXPECT_EQ(f.windowTitle(), " Kestrove v3.1");
  EXPECT_EQ(f.centralWidget()->size(), QSize(627, 440));
  EXPECT_TRUE(shown(f.MainPanel) && shown(f.Label2));
  EXPECT_FALSE(shown(f.TablePanel) || shown(f.FieldPanel) || shown(f.TableLable));
  EXPECT_FALSE(f.LoadProfile->isEnabled() || f.SaveProfile->isEnabled());

  // Entering the box lists the data sources; its own drop-down closing does not.
  f.dbList->clear();
  QFocusEvent popup_closed(QEvent::FocusIn, Qt::PopupFocusReason);
  QCoreApplication::sendEvent(f.dbList, &popup_closed);
  EXPECT_EQ(f.dbList->count(), 0);
  QFocusEvent tabbed_in(QEvent::FocusIn, Qt::TabFocusReason);
  QCoreApplication::sendEvent(f.dbList, &tabbed_in);
  EXPECT_GE(f.dbList->findText(ui::FromEngine(dsn_)), 0);
  EXPECT_EQ(f.dbList->currentIndex(), 0);
  EXPECT_FALSE(shown(f.TablePanel));

  Connect(dsn_);
  EXPECT_TRUE(shown(f.TablePanel) && shown(f.TableLable));
  EXPECT_FALSE(shown(f.FieldPanel) || shown(f.Label2));
  EXPECT_TRUE(f.LoadProfile->isEnabled() && f.SaveProfile->isEnabled());
  EXPECT_EQ(f.TableList->currentIndex(), -1);

  Pick(f.TableList, "ui_person");
  EXPECT_TRUE(shown(f.FieldPanel));
  EXPECT_FALSE(shown(f.TableLable) || shown(f.ChoiceList));
  EXPECT_EQ(f.FCLabel->text(), "9");
  EXPECT_EQ(f.TargetTableFrom->text(), "10");
  EXPECT_FALSE(f.DeleteTarget->isChecked());

  Select(f.FieldList, "surname");
  EXPECT_TRUE(shown(f.ChoiceList));
  EXPECT_EQ(f.FTLabel->text(), "String");
  EXPECT_EQ(f.FSLabel->text(), "16");
  EXPECT_EQ(f.FNLabel->text(), "surname");
  EXPECT_EQ(f.ChoiceList->count(), 26);
  EXPECT_EQ(f.ChoiceList->currentRow(), 0);
  EXPECT_EQ(f.HelpLabel->text(), "Do not generate data for this field");

  // New Profile answered No changes nothing; Yes goes back to the start.
  prompts_.answer = false;
  f.NewProfile->trigger();
  EXPECT_EQ(prompts_.questions, QStringList{"Clear the current profile ?"});
  EXPECT_TRUE(shown(f.FieldPanel) && f.SaveProfile->isEnabled());
  EXPECT_EQ(Slot("ui_person").TableName, "ui_person");
  prompts_.answer = true;
  f.NewProfile->trigger();
  EXPECT_FALSE(shown(f.TablePanel) || shown(f.FieldPanel) || shown(f.TableLable));
  EXPECT_EQ(f.dbList->currentIndex(), -1);
  EXPECT_FALSE(f.LoadProfile->isEnabled());
  EXPECT_TRUE(f.State().Tables[0].TableName.empty() && f.State().Tables[1].TableName.empty());
}

TEST_F(MainFormDbTest, TheDataSourceBoxShowsTheConnectedDataSource) {
  std::string second;
  KESTROVE_REQUIRE_DSN("KESTROVE_SQLITE_FK_DSN", second);
  auto& f = *form_;
  // A fresh window: the press on the arrow can come before the box's focus
  // does, and still opens the list.
  f.dbList->setFocus();
  f.dbList->clear();
  QStyleOptionComboBox option;
  option.initFrom(f.dbList);
  const QRect arrow = f.dbList->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                        QStyle::SC_ComboBoxArrow, f.dbList);
  QTest::mousePress(f.dbList, Qt::LeftButton, {}, arrow.center());
  EXPECT_TRUE(f.dbList->view()->isVisible());
  EXPECT_GE(f.dbList->findText(ui::FromEngine(second)), 0);
  f.dbList->hidePopup();

  Connect(second);
  ASSERT_NE(f.dbList->itemText(0), ui::FromEngine(second)) << "needs a data source listed first";
  // Every way back into the box shows the connected one.
  for (const Qt::FocusReason reason : {Qt::TabFocusReason, Qt::BacktabFocusReason,
                                       Qt::MouseFocusReason, Qt::ActiveWindowFocusReason}) {
    Enter(f.dbList, reason);
    EXPECT_EQ(f.dbList->currentText(), ui::FromEngine(second)) << reason;
  }
}

TEST_F(MainFormDbTest, AFailedConnectLeavesNothingToRunAgainst) {
  const std::string broken = AddBrokenDataSource();
  SetUpPerson(5);
  Choose("id", "Counter");
  form_->dbListEnter();
  Pick(form_->dbList, ui::FromEngine(broken));
  ASSERT_EQ(prompts_.database_errors.size(), 1u);
  EXPECT_EQ(prompts_.database_errors[0].text,
            "Communication Failure. Please select another Data Source.");
  auto& f = *form_;
  EXPECT_FALSE(f.TablePanel->isVisible() || f.FieldPanel->isVisible() || f.TableLable->isVisible());
  EXPECT_TRUE(f.Label2->isVisible());
  EXPECT_FALSE(f.LoadProfile->isEnabled() || f.SaveProfile->isEnabled());
  EXPECT_EQ(f.TableList->count(), 0);

  // Generate, however it is pressed, starts nothing.
  int sent = 0;
  f.Work().StatementSent = [&](const std::string&) { ++sent; };
  f.AltGenerateBtn->click();
  f.GenerateBtn->click();
  EXPECT_EQ(sent, 0);
  EXPECT_TRUE(prompts_.errors.isEmpty() && prompts_.database_errors.size() == 1);
  // Back in the box after the error, the failed pick is still named.
  Enter(f.dbList, Qt::ActiveWindowFocusReason);
  EXPECT_EQ(f.dbList->currentText(), ui::FromEngine(broken));

  // A good data source again: the profile was kept, and runs.
  Connect(dsn_);
  EXPECT_TRUE(f.TablePanel->isVisible() && f.SaveProfile->isEnabled());
  Generate();
  EXPECT_EQ(Rows(), 5);
}

TEST_F(MainFormDbTest, TheWholeJobFillsTheTable) {
  SetUpPerson(25);
  form_->DeleteTarget->click();
  Choose("id", "Counter");
  EXPECT_EQ(form_->Param1L->text(), "Starting Value");
  Type(form_->Param1, "100");
  Choose("surname", "Surname");
  EXPECT_EQ(form_->MaxChars->text(), "Max chars generated by this field is 16");
  Choose("born", "Random Date");
  Type(form_->Param1, "1950/01/01");
  Type(form_->Param2, "1999/12/31");
  form_->Param3->setCurrentIndex(10);
  emit form_->Param3->activated(10);
  Generate();

  ASSERT_TRUE(prompts_.errors.isEmpty()) << prompts_.errors.join("\n").toStdString();
  EXPECT_EQ(Rows(), 25);
  EXPECT_EQ(Scalar(dsn_, "SELECT Min(id) FROM ui_person"), 100);
  EXPECT_EQ(Scalar(dsn_, "SELECT Max(id) FROM ui_person"), 124);
  EXPECT_EQ(Scalar(dsn_, "SELECT Count(*) FROM ui_person WHERE born LIKE '19__-__-__'"), 25);
  const TTableStruct& slot = Slot("ui_person");
  EXPECT_EQ(slot.DeleteExisting, 1);
  EXPECT_EQ(slot.Fields[3].ChoiceCode, 611);
  // Back to idle, the monitor showing the last statement.
  EXPECT_EQ(form_->AltGenerateBtn->text(), "   Generate");
  EXPECT_EQ(form_->GenerateBtn->text(), "Generate");
  EXPECT_FALSE(form_->ProcLabel->isVisible() || form_->MonitorRecNo->isVisible());
  EXPECT_TRUE(form_->SQLMonitor->FullText().startsWith(
      "Insert into ui_person (id,surname,born) Values (124,'"));
  EXPECT_TRUE(form_->SQLMonitor->FullText().endsWith("');    Completed"));

  // A second run empties the table first.
  Generate();
  EXPECT_EQ(Rows(), 25);
}

TEST_F(MainFormDbTest, StopEndsTheRunAfterTheRecordUnderWay) {
  SetUpPerson(1000);
  Choose("id", "Counter");
  bool pressed = false;
  bool stopping_caption = false;
  form_->between_records = [&] {
    if (!pressed && form_->Work().Run.StatementsExecuted() == 5) {
      pressed = true;
      form_->AltGenerateBtn->click();  // the second press, while the run lets messages run
      stopping_caption = form_->AltGenerateBtn->text() == "   Generate";
    }
  };
  Generate();
  EXPECT_TRUE(pressed && stopping_caption);
  EXPECT_EQ(Rows(), 6);
  EXPECT_TRUE(form_->Work().Run.RunStopped);
  EXPECT_TRUE(form_->SQLMonitor->FullText().endsWith(");    Completed"));
}

TEST_F(MainFormDbTest, ARunEndedByAnErrorIsBackToIdleBeforeTheErrorShows) {
  SetUpPerson(3);
  Choose("surname", "Surname");
  Slot("ui_person").TableName = "ui_no_such_table";
  QString caption;
  bool monitor_shown = true;
  prompts_.on_error = [&] {
    caption = form_->AltGenerateBtn->text();
    monitor_shown = form_->ProcLabel->isVisible() || form_->MonitorRecNo->isVisible();
  };
  Generate();
  ASSERT_EQ(prompts_.errors.size(), 1);
  EXPECT_TRUE(prompts_.errors[0].contains("no such table: ui_no_such_table"))
      << prompts_.errors[0].toStdString();
  EXPECT_EQ(caption, "   Generate");
  EXPECT_FALSE(monitor_shown);
  EXPECT_TRUE(form_->Work().Run.RunStopped);
  EXPECT_TRUE(form_->SQLMonitor->FullText().startsWith("Insert into ui_no_such_table (surname)"));
}

struct CatalogueCase {
  const char* field;
  const char* type;
  const char* choice;
  const char* param1;  // "" when hidden
  const char* param2;
  const char* param3;
  int items;
  const char* limit;  // nullptr when the limit line is hidden
};

TEST_F(MainFormDbTest, ChoiceCatalogueDrivesTheFieldPanel) {
  const CatalogueCase cases[] = {
      {"surname", "String", "Lookup", "", "", "User Table", 6,
       "Max chars generated by this field is 24"},
      {"surname", "String", "Number", "From", "To", "Type", 5, nullptr},
      {"forename", "String", "Age", "", "", "Type", 4, ""},
      {"id", "Integer", "Counter", "Starting Value", "", "", 0, nullptr},
      {"id", "Integer", "Database Lookup", "Field Name", "TableName", "", 0, nullptr},
      {"score", "Float", "Random", "From", "To", "", 0, nullptr},
      {"flag", "Boolean", "Random", "", "", "Style", 4, nullptr},
      {"born", "Date", "Random Date", "From", "To", "Style", 11, nullptr},
      {"at", "Time", "Random Time", "", "", "Format", 3, nullptr},
      {"stamp", "DateTime", "Random DateTime", "From", "To", "Format", 10, nullptr},
  };
  Connect(dsn_);
  Pick(form_->TableList, "ui_person");
  auto& f = *form_;
  for (const CatalogueCase& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " " + c.choice);
    Choose(c.field, c.choice);
    EXPECT_EQ(f.FTLabel->text(), c.type);
    EXPECT_EQ(f.Param1->isVisible(), *c.param1 != 0);
    EXPECT_EQ(f.Param1L->text(), c.param1);
    EXPECT_EQ(f.Param2->isVisible(), *c.param2 != 0);
    EXPECT_EQ(f.Param2L->text(), c.param2);
    EXPECT_EQ(f.Param3->isVisible(), *c.param3 != 0);
    EXPECT_EQ(f.Param3L->text(), c.param3);
    EXPECT_EQ(f.Param3->count(), c.items);
    if (c.items) {
      EXPECT_EQ(f.Param3->currentIndex(), 0);
    }
    EXPECT_EQ(f.MaxChars->isVisible(), c.limit != nullptr);
    if (c.limit) {
      EXPECT_EQ(f.MaxChars->text(), c.limit);
    }
  }
  // A BLOB can't be generated: no choice list at all.
  Select(f.FieldList, "photo");
  EXPECT_FALSE(f.ChoiceList->isVisible());
  EXPECT_EQ(f.HelpLabel->text(), "This Data Type cannot be generated automatically");

  // Re-selecting a field shows its stored choice, item and texts.
  Choose("surname", "Number");
  Type(f.Param1, "7");
  Type(f.Param2, "70");
  f.Param3->setCurrentIndex(2);
  emit f.Param3->activated(2);
  Select(f.FieldList, "id");
  Select(f.FieldList, "surname");
  EXPECT_EQ(f.ChoiceList->currentItem()->text(), "Number");
  EXPECT_EQ(f.Param1->text(), "7");
  EXPECT_EQ(f.Param2->text(), "70");
  EXPECT_EQ(f.Param3->currentIndex(), 2);
  const TFieldStruct& field = Slot("ui_person").Fields[1];
  EXPECT_EQ(field.FieldName, "surname");
  EXPECT_EQ(field.ChoiceBase + field.Param3Index, 5);

  // A new pick empties the parameters; "Do not update" clears the base.
  Select(f.ChoiceList, "Title");
  EXPECT_TRUE(field.Param1.empty() && field.Param2.empty());
  EXPECT_EQ(field.Param3Index, 0);
  Select(f.ChoiceList, "Do not update");
  EXPECT_EQ(field.ChoiceBase, 0);
  EXPECT_EQ(field.ChoiceCode, 0);
  EXPECT_FALSE(f.Param3->isVisible());
}

TEST_F(MainFormDbTest, ARecordCountThatIsNoNumberIsRefused) {
  SetUpPerson(42);
  form_->TargetTableFrom->setText("4x");
  emit form_->TargetTableFrom->textEdited("4x");
  EXPECT_EQ(prompts_.errors, QStringList{"'4x' is not a valid integer value."});
  EXPECT_EQ(Slot("ui_person").RecordCount, 42);
}

TEST_F(MainFormDbTest, SaveThenLoadGivesTheProfileBack) {
  SetUpPerson(33);
  form_->DeleteTarget->click();
  Choose("surname", "Title");
  form_->Param3->setCurrentIndex(3);
  emit form_->Param3->activated(3);
  Choose("id", "Counter");
  Type(form_->Param1, "5");
  const int32_t listed = form_->TableList->count();
  const std::string before = ProfileFileImage(form_->State(), listed);

  prompts_.save_name = QString::fromStdString((dir_ / "saved.prf").string());
  form_->SaveProfile->trigger();
  EXPECT_EQ(prompts_.last_folder.toStdString(), dir_.string() + "/");
  EXPECT_EQ(ReadFile(dir_ / "saved.prf"), before);
  EXPECT_EQ(before.substr(0, before.find('\r')), std::to_string(listed));

  prompts_.answer = true;
  form_->NewProfile->trigger();
  Connect(dsn_);
  prompts_.open_name = prompts_.save_name;
  form_->LoadProfile->trigger();
  EXPECT_TRUE(prompts_.errors.isEmpty()) << prompts_.errors.join("\n").toStdString();
  EXPECT_EQ(ProfileFileImage(form_->State(), listed), before);
  EXPECT_TRUE(form_->ProfileReady());
  EXPECT_TRUE(form_->TablePanel->isVisible());
  EXPECT_FALSE(form_->TableLable->isVisible() || form_->FieldPanel->isVisible());
  EXPECT_EQ(form_->TableList->currentIndex(), -1);

  // The loaded slot shows in the controls once the table and field are picked.
  Pick(form_->TableList, "ui_person");
  EXPECT_EQ(form_->TargetTableFrom->text(), "33");
  EXPECT_TRUE(form_->DeleteTarget->isChecked());
  Select(form_->FieldList, "surname");
  EXPECT_EQ(form_->Param3->currentIndex(), 3);

  // A file that cannot be read leaves the profile cleared, the panel hidden.
  prompts_.open_name = QString::fromStdString((dir_ / "missing.prf").string());
  form_->LoadProfile->trigger();
  ASSERT_EQ(prompts_.errors.size(), 1);
  EXPECT_TRUE(prompts_.errors[0].startsWith("Cannot open file "));
  EXPECT_FALSE(form_->ProfileReady());
  EXPECT_FALSE(form_->TablePanel->isVisible());
  EXPECT_TRUE(Slot("ui_person").TableName.empty());
}

TEST_F(MainFormTest, SettingsFileHoldsTheDisplayStyle) {
  // No kvsys.dat: the plain style, and the file written at once.
  EXPECT_FALSE(form_->HiResOn());
  EXPECT_EQ(ReadFile(dir_ / "kvsys.dat"), "0\r\n");
  EXPECT_TRUE(form_->AltGenerateBtn->isVisibleTo(form_->TablePanel));
  EXPECT_FALSE(form_->GenerateBtn->isVisibleTo(form_->TablePanel));
  EXPECT_FALSE(form_->Grad1->isVisibleTo(form_->MainPanel));
  EXPECT_EQ(form_->L1->palette().color(QPalette::WindowText), QColor(Qt::black));

  form_->HiRes->trigger();
  EXPECT_TRUE(form_->HiResOn());
  EXPECT_EQ(ReadFile(dir_ / "kvsys.dat"), "1\r\n");
  EXPECT_TRUE(form_->GenerateBtn->isVisibleTo(form_->TablePanel));
  EXPECT_TRUE(form_->Grad1->isVisibleTo(form_->MainPanel));
  EXPECT_EQ(form_->L1->palette().color(QPalette::WindowText), QColor(Qt::white));
  EXPECT_EQ(form_->FTLabel->palette().color(QPalette::WindowText), QColor(Qt::yellow));

  // A new window starts in the style the file holds.
  MakeForm();
  EXPECT_TRUE(form_->HiResOn());
  EXPECT_EQ(ReadFile(dir_ / "kvsys.dat"), "1\r\n");
}

TEST_F(MainFormDbTest, EveryMenuCommandDuringARunLeavesTheRunUnharmed) {
  SetUpPerson(40);
  Choose("id", "Counter");
  Choose("surname", "Surname");
  prompts_.save_name = QString::fromStdString((dir_ / "during.prf").string());
  prompts_.open_name = prompts_.save_name;
  prompts_.answer = true;
  auto& f = *form_;
  std::vector<std::function<void()>> commands = {
      [&] { f.SaveProfile->trigger(); },
      [&] { f.HiRes->trigger(); },
      [&] { f.LookupSurname->trigger(); },
      [&] { f.LookupStreet->trigger(); },
      [&] { f.UserTables[2]->trigger(); },
      [&] { f.AboutItem->trigger(); },
      [&] { f.HelpItem->trigger(); },
      [&] { Pick(f.TableList, "ui_person"); },
      [&] { Select(f.FieldList, "forename"); },
      [&] { Connect(dsn_); },
      [&] { f.LoadProfile->trigger(); },
      [&] { f.NewProfile->trigger(); },
      [&] { f.Exit->trigger(); },
  };
  size_t next = 0;
  form_->between_records = [&] {
    if (next < commands.size()) commands[next++]();
  };
  Generate();
  EXPECT_EQ(next, commands.size());
  EXPECT_TRUE(prompts_.errors.isEmpty()) << prompts_.errors.join("\n").toStdString();
  // Exit was asked for during the run: the run stopped, and the window
  // closes once the pass has ended.
  EXPECT_TRUE(f.Work().Run.RunStopped);
  EXPECT_GT(Rows(), 0);
  QCoreApplication::processEvents();
  EXPECT_FALSE(f.isVisible());
  EXPECT_FALSE(f.Work().Db.Connector.Connected());
}

TEST_F(MainFormDbTest, ClosingTheWindowDuringARunClosesOnceThePassHasEnded) {
  SetUpPerson(500);
  Choose("id", "Counter");
  form_->between_records = [&] {
    if (form_->Work().Run.StatementsExecuted() == 3) form_->close();
  };
  Generate();
  EXPECT_EQ(Rows(), 4);
  EXPECT_TRUE(form_->isVisible());
  QCoreApplication::processEvents();
  EXPECT_FALSE(form_->isVisible());
}

TEST_F(MainFormDbTest, TablesAndFieldsBeyondTheProfileHaveNoSlot) {
  // A table of 257 fields, then 100 more tables, which the driver lists
  // after it, past the last slot.
  std::string columns = "c0 INTEGER";
  for (int i = 1; i < 257; ++i) columns += ", c" + std::to_string(i) + " INTEGER";
  Exec(dsn_, "CREATE TABLE ui_wide (" + columns + ")");
  for (int i = 0; i < 100; ++i) Exec(dsn_, "CREATE TABLE " + ExtraTable(i) + " (a INTEGER)");
  direct_.reset();
  Connect(dsn_);
  ASSERT_GT(form_->TableList->count(), 100);
  const std::string before = ProfileFileImage(form_->State(), 99);
  form_->TableList->setCurrentIndex(form_->TableList->count() - 1);
  emit form_->TableList->activated(form_->TableList->count() - 1);
  ASSERT_EQ(prompts_.errors.size(), 1);
  EXPECT_EQ(prompts_.errors[0],
            "A profile holds the first 100 tables of a data source only. Please select another.");
  EXPECT_EQ(ProfileFileImage(form_->State(), 99), before);

  // Saving 100 or more listed tables is refused, and nothing is written.
  prompts_.save_name = QString::fromStdString((dir_ / "big.prf").string());
  form_->SaveProfile->trigger();
  EXPECT_EQ(prompts_.errors.size(), 2);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "big.prf"));

  Pick(form_->TableList, "ui_wide");
  ASSERT_EQ(form_->FieldList->count(), 257);
  form_->FieldList->setCurrentRow(256);
  ASSERT_EQ(prompts_.errors.size(), 3);
  EXPECT_EQ(prompts_.errors[2],
            "A profile holds the first 256 fields of a table only. Please select another.");
  EXPECT_EQ(form_->FieldList->currentRow(), -1);
  EXPECT_TRUE(Slot("ui_wide").Fields[255].FieldName.empty());
}

}  // namespace
}  // namespace kestrove::testing

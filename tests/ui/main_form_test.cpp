// The main window, offscreen against the SQLite test data source: the
// workflow's panels, a whole set-up run into the database, stopping, errors,
// the choice catalogue through the controls, profiles, the settings file and
// every menu command during a run.
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
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
  // The tables a case adds beside ui_person.
  static std::string ExtraTable(int i) { return "ui_zz" + std::to_string(100 + i); }
  void DropExtraTables() {
    for (int i = 0; i < 100; ++i) Exec(dsn_, "DROP TABLE IF EXISTS " + ExtraTable(i));
    Exec(dsn_, "DROP TABLE IF EXISTS ui_wide");
  }

  // Connected, ui_person chosen, and a record count typed.
  void SetUpPerson(int records) {
    Connect(dsn_);
    Pick(Combo("TableList"), "ui_person");
    Type(Edit("TargetTableFrom"), QString::number(records));
  }
  void Choose(const QString& field, const QString& choice) {
    Select(List("FieldList"), field);
    Select(List("ChoiceList"), choice);
  }
  void Generate() { Click(Button("AltGenerateBtn")); }
  int64_t Rows() { return Scalar(dsn_, "SELECT Count(*) FROM ui_person"); }

  std::string dsn_;
  std::string saved_ini_;
};

TEST_F(MainFormDbTest, WorkflowStatesShowAndHideThePanels) {
  auto& f = *form_;
  // No data source.
  EXPECT_EQ(f.windowTitle(), " Kestrove v3.1");
  EXPECT_EQ(f.centralWidget()->size(), QSize(627, 440));
  EXPECT_TRUE(Shown("MainPanel") && Shown("Label2"));
  EXPECT_FALSE(Shown("TablePanel") || Shown("FieldPanel") || Shown("TableLable"));
  QAction* load = Item("File1", "&Load Profile");
  QAction* save = Item("File1", "&Save Profile");
  EXPECT_FALSE(load->isEnabled() || save->isEnabled());

  // Entering the box lists the data sources; its own drop-down closing does not.
  QComboBox* db_list = Combo("dbList");
  db_list->clear();
  Enter(db_list, Qt::PopupFocusReason);
  EXPECT_EQ(db_list->count(), 0);
  Enter(db_list, Qt::TabFocusReason);
  EXPECT_GE(db_list->findText(ui::FromEngine(dsn_)), 0);
  EXPECT_EQ(db_list->currentIndex(), 0);
  EXPECT_FALSE(Shown("TablePanel"));

  Connect(dsn_);
  EXPECT_TRUE(Shown("TablePanel") && Shown("TableLable"));
  EXPECT_FALSE(Shown("FieldPanel") || Shown("Label2"));
  EXPECT_TRUE(load->isEnabled() && save->isEnabled());
  EXPECT_EQ(Combo("TableList")->currentIndex(), -1);

  Pick(Combo("TableList"), "ui_person");
  EXPECT_TRUE(Shown("FieldPanel"));
  EXPECT_FALSE(Shown("TableLable") || Shown("ChoiceList"));
  EXPECT_EQ(Label("FCLabel")->text(), "9");
  EXPECT_EQ(Edit("TargetTableFrom")->text(), "10");
  EXPECT_FALSE(Button("DeleteTarget")->isChecked());

  Select(List("FieldList"), "surname");
  QListWidget* choices = List("ChoiceList");
  EXPECT_TRUE(choices->isVisible());
  EXPECT_EQ(Label("FTLabel")->text(), "String");
  EXPECT_EQ(Label("FSLabel")->text(), "16");
  EXPECT_EQ(Label("FNLabel")->text(), "surname");
  EXPECT_EQ(choices->count(), 26);
  EXPECT_EQ(choices->currentRow(), 0);
  EXPECT_EQ(Label("HelpLabel")->text(), "Do not generate data for this field");

  // New Profile answered No changes nothing; Yes goes back to the start.
  QAction* new_profile = Item("File1", "&New Profile");
  prompts_.answer = false;
  new_profile->trigger();
  EXPECT_EQ(prompts_.questions, QStringList{"Clear the current profile ?"});
  EXPECT_TRUE(Shown("FieldPanel") && save->isEnabled());
  EXPECT_EQ(Slot("ui_person").TableName, "ui_person");
  prompts_.answer = true;
  new_profile->trigger();
  EXPECT_FALSE(Shown("TablePanel") || Shown("FieldPanel") || Shown("TableLable"));
  EXPECT_EQ(db_list->currentIndex(), -1);
  EXPECT_FALSE(load->isEnabled());
  EXPECT_TRUE(f.State().Tables[0].TableName.empty() && f.State().Tables[1].TableName.empty());
}

TEST_F(MainFormDbTest, TheDataSourceBoxShowsTheConnectedDataSource) {
  std::string second;
  KESTROVE_REQUIRE_DSN("KESTROVE_SQLITE_FK_DSN", second);
  QComboBox* db_list = Combo("dbList");
  // A fresh window: the press on the arrow can come before the box's focus
  // does, and still opens the list.
  db_list->setFocus();
  db_list->clear();
  QStyleOptionComboBox option;
  option.initFrom(db_list);
  const QRect arrow = db_list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxArrow, db_list);
  QTest::mousePress(db_list, Qt::LeftButton, {}, arrow.center());
  EXPECT_TRUE(db_list->view()->isVisible());
  EXPECT_GE(db_list->findText(ui::FromEngine(second)), 0);
  db_list->hidePopup();

  Connect(second);
  ASSERT_NE(db_list->itemText(0), ui::FromEngine(second)) << "needs a data source listed first";
  // Every way back into the box shows the connected one.
  for (const Qt::FocusReason reason : {Qt::TabFocusReason, Qt::BacktabFocusReason,
                                       Qt::MouseFocusReason, Qt::ActiveWindowFocusReason}) {
    Enter(db_list, reason);
    EXPECT_EQ(db_list->currentText(), ui::FromEngine(second)) << reason;
  }
}

TEST_F(MainFormDbTest, AFailedConnectLeavesNothingToRunAgainst) {
  const std::string broken = AddBrokenDataSource();
  SetUpPerson(5);
  Choose("id", "Counter");
  Connect(broken);
  ASSERT_EQ(prompts_.database_errors.size(), 1u);
  EXPECT_EQ(prompts_.database_errors[0].text,
            "Communication Failure. Please select another Data Source.");
  EXPECT_FALSE(Shown("TablePanel") || Shown("FieldPanel") || Shown("TableLable"));
  EXPECT_TRUE(Shown("Label2"));
  EXPECT_FALSE(Item("File1", "&Load Profile")->isEnabled() ||
               Item("File1", "&Save Profile")->isEnabled());
  EXPECT_EQ(Combo("TableList")->count(), 0);

  // Generate, however it is pressed, starts nothing.
  form_->sent.clear();
  Click(Button("AltGenerateBtn"));
  Button("GenerateBtn")->click();  // hidden in this style: no mouse reaches it
  EXPECT_EQ(form_->sent, "");
  EXPECT_TRUE(prompts_.errors.isEmpty() && prompts_.database_errors.size() == 1);
  // Back in the box after the error, the failed pick is still named.
  Enter(Combo("dbList"), Qt::ActiveWindowFocusReason);
  EXPECT_EQ(Combo("dbList")->currentText(), ui::FromEngine(broken));

  // A good data source again: the profile was kept, and runs.
  Connect(dsn_);
  EXPECT_TRUE(Shown("TablePanel") && Item("File1", "&Save Profile")->isEnabled());
  Generate();
  EXPECT_EQ(Rows(), 5);
}

TEST_F(MainFormDbTest, TheWholeJobFillsTheTable) {
  SetUpPerson(25);
  Click(Button("DeleteTarget"));
  Choose("id", "Counter");
  EXPECT_EQ(Label("Param1L")->text(), "Starting Value");
  Type(Edit("Param1"), "100");
  Choose("surname", "Surname");
  EXPECT_EQ(Label("MaxChars")->text(), "Max chars generated by this field is 16");
  Choose("born", "Random Date");
  Type(Edit("Param1"), "1950/01/01");
  Type(Edit("Param2"), "1999/12/31");
  Pick(Combo("Param3"), 10);
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
  EXPECT_EQ(Button("AltGenerateBtn")->text(), "   Generate");
  EXPECT_EQ(Button("GenerateBtn")->text(), "Generate");
  EXPECT_FALSE(Shown("ProcLabel") || Shown("MonitorRecNo"));
  EXPECT_TRUE(
      SqlMonitor()->FullText().startsWith("Insert into ui_person (id,surname,born) Values (124,'"));
  EXPECT_TRUE(SqlMonitor()->FullText().endsWith("');    Completed"));

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
      Generate();  // the second press, while the run lets messages run
      stopping_caption = Button("AltGenerateBtn")->text() == "   Generate";
    }
  };
  Generate();
  EXPECT_TRUE(pressed && stopping_caption);
  EXPECT_EQ(Rows(), 6);
  EXPECT_TRUE(form_->Work().Run.RunStopped);
  EXPECT_TRUE(SqlMonitor()->FullText().endsWith(");    Completed"));
}

TEST_F(MainFormDbTest, ARunEndedByAnErrorIsBackToIdleBeforeTheErrorShows) {
  SetUpPerson(3);
  Choose("surname", "Surname");
  Slot("ui_person").TableName = "ui_no_such_table";
  QString caption;
  bool monitor_shown = true;
  prompts_.on_error = [&] {
    caption = Button("AltGenerateBtn")->text();
    monitor_shown = Shown("ProcLabel") || Shown("MonitorRecNo");
  };
  Generate();
  ASSERT_EQ(prompts_.errors.size(), 1);
  EXPECT_TRUE(prompts_.errors[0].contains("no such table: ui_no_such_table"))
      << prompts_.errors[0].toStdString();
  EXPECT_EQ(caption, "   Generate");
  EXPECT_FALSE(monitor_shown);
  EXPECT_TRUE(form_->Work().Run.RunStopped);
  EXPECT_TRUE(SqlMonitor()->FullText().startsWith("Insert into ui_no_such_table (surname)"));
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
  Pick(Combo("TableList"), "ui_person");
  QLineEdit* param1 = Edit("Param1");
  QLineEdit* param2 = Edit("Param2");
  QComboBox* param3 = Combo("Param3");
  QListWidget* fields = List("FieldList");
  QListWidget* choices = List("ChoiceList");
  for (const CatalogueCase& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " " + c.choice);
    Choose(c.field, c.choice);
    EXPECT_EQ(Label("FTLabel")->text(), c.type);
    EXPECT_EQ(param1->isVisible(), *c.param1 != 0);
    EXPECT_EQ(Label("Param1L")->text(), c.param1);
    EXPECT_EQ(param2->isVisible(), *c.param2 != 0);
    EXPECT_EQ(Label("Param2L")->text(), c.param2);
    EXPECT_EQ(param3->isVisible(), *c.param3 != 0);
    EXPECT_EQ(Label("Param3L")->text(), c.param3);
    EXPECT_EQ(param3->count(), c.items);
    if (c.items) {
      EXPECT_EQ(param3->currentIndex(), 0);
    }
    EXPECT_EQ(Shown("MaxChars"), c.limit != nullptr);
    if (c.limit) {
      EXPECT_EQ(Label("MaxChars")->text(), c.limit);
    }
  }
  // A BLOB can't be generated: no choice list at all.
  Select(fields, "photo");
  EXPECT_FALSE(choices->isVisible());
  EXPECT_EQ(Label("HelpLabel")->text(), "This Data Type cannot be generated automatically");

  // Re-selecting a field shows its stored choice, item and texts.
  Choose("surname", "Number");
  Type(param1, "7");
  Type(param2, "70");
  Pick(param3, 2);
  Select(fields, "id");
  Select(fields, "surname");
  EXPECT_EQ(choices->currentItem()->text(), "Number");
  EXPECT_EQ(param1->text(), "7");
  EXPECT_EQ(param2->text(), "70");
  EXPECT_EQ(param3->currentIndex(), 2);
  const TFieldStruct& field = Slot("ui_person").Fields[1];
  EXPECT_EQ(field.FieldName, "surname");
  EXPECT_EQ(field.ChoiceBase + field.Param3Index, 5);

  // A new pick empties the parameters; "Do not update" clears the base.
  Select(choices, "Title");
  EXPECT_TRUE(field.Param1.empty() && field.Param2.empty());
  EXPECT_EQ(field.Param3Index, 0);
  Select(choices, "Do not update");
  EXPECT_EQ(field.ChoiceBase, 0);
  EXPECT_EQ(field.ChoiceCode, 0);
  EXPECT_FALSE(param3->isVisible());
}

TEST_F(MainFormDbTest, ARecordCountThatIsNoNumberIsRefused) {
  SetUpPerson(42);
  Paste(Edit("TargetTableFrom"), "4x");
  EXPECT_EQ(prompts_.errors, QStringList{"'4x' is not a valid integer value."});
  EXPECT_EQ(Slot("ui_person").RecordCount, 42);
}

TEST_F(MainFormDbTest, SaveThenLoadGivesTheProfileBack) {
  SetUpPerson(33);
  Click(Button("DeleteTarget"));
  Choose("surname", "Title");
  Pick(Combo("Param3"), 3);
  Choose("id", "Counter");
  Type(Edit("Param1"), "5");
  const int32_t listed = Combo("TableList")->count();
  const std::string before = ProfileFileImage(form_->State(), listed);

  prompts_.save_name = QString::fromStdString((dir_ / "saved.prf").string());
  Item("File1", "&Save Profile")->trigger();
  EXPECT_EQ(prompts_.last_folder.toStdString(), dir_.string() + "/");
  EXPECT_EQ(ReadFile(dir_ / "saved.prf"), before);
  EXPECT_EQ(before.substr(0, before.find('\r')), std::to_string(listed));

  prompts_.answer = true;
  Item("File1", "&New Profile")->trigger();
  Connect(dsn_);
  prompts_.open_name = prompts_.save_name;
  Item("File1", "&Load Profile")->trigger();
  EXPECT_TRUE(prompts_.errors.isEmpty()) << prompts_.errors.join("\n").toStdString();
  EXPECT_EQ(ProfileFileImage(form_->State(), listed), before);
  EXPECT_TRUE(form_->ProfileReady());
  EXPECT_TRUE(Shown("TablePanel"));
  EXPECT_FALSE(Shown("TableLable") || Shown("FieldPanel"));
  EXPECT_EQ(Combo("TableList")->currentIndex(), -1);

  // The loaded slot shows in the controls once the table and field are picked.
  Pick(Combo("TableList"), "ui_person");
  EXPECT_EQ(Edit("TargetTableFrom")->text(), "33");
  EXPECT_TRUE(Button("DeleteTarget")->isChecked());
  Select(List("FieldList"), "surname");
  EXPECT_EQ(Combo("Param3")->currentIndex(), 3);

  // A file that cannot be read leaves the profile cleared, the panel hidden.
  prompts_.open_name = QString::fromStdString((dir_ / "missing.prf").string());
  Item("File1", "&Load Profile")->trigger();
  ASSERT_EQ(prompts_.errors.size(), 1);
  EXPECT_TRUE(prompts_.errors[0].startsWith("Cannot open file "));
  EXPECT_FALSE(form_->ProfileReady());
  EXPECT_FALSE(Shown("TablePanel"));
  EXPECT_TRUE(Slot("ui_person").TableName.empty());
}

TEST_F(MainFormTest, SettingsFileHoldsTheDisplayStyle) {
  // No kvsys.dat: the plain style, and the file written at once.
  EXPECT_FALSE(form_->HiResOn());
  EXPECT_EQ(ReadFile(dir_ / "kvsys.dat"), "0\r\n");
  QWidget* table_panel = Ctl("TablePanel");
  EXPECT_TRUE(Button("AltGenerateBtn")->isVisibleTo(table_panel));
  EXPECT_FALSE(Button("GenerateBtn")->isVisibleTo(table_panel));
  EXPECT_FALSE(Ctl("Grad1")->isVisibleTo(Ctl("MainPanel")));
  EXPECT_EQ(Label("L1")->palette().color(QPalette::WindowText), QColor(Qt::black));

  Item("User1", "Hi Res")->trigger();
  EXPECT_TRUE(form_->HiResOn());
  EXPECT_EQ(ReadFile(dir_ / "kvsys.dat"), "1\r\n");
  EXPECT_TRUE(Button("GenerateBtn")->isVisibleTo(table_panel));
  EXPECT_TRUE(Ctl("Grad1")->isVisibleTo(Ctl("MainPanel")));
  EXPECT_EQ(Label("L1")->palette().color(QPalette::WindowText), QColor(Qt::white));
  EXPECT_EQ(Label("FTLabel")->palette().color(QPalette::WindowText), QColor(Qt::yellow));

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
  auto menu = [this](const char* name, const char* caption) {
    return [this, name, caption] { Item(name, caption)->trigger(); };
  };
  std::vector<std::function<void()>> commands = {
      menu("File1", "&Save Profile"),
      menu("User1", "Hi Res"),
      menu("Lookup1", "Surname"),
      menu("Lookup1", "Street"),
      menu("User1", "Table &3"),
      menu("Help1", "&About"),
      menu("Help1", "&Help"),
      [&] { Pick(Combo("TableList"), "ui_person"); },
      [&] { Select(List("FieldList"), "forename"); },
      [&] { Connect(dsn_); },
      menu("File1", "&Load Profile"),
      menu("File1", "&New Profile"),
      menu("File1", "E&xit"),
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
  QComboBox* tables = Combo("TableList");
  ASSERT_GT(tables->count(), 100);
  const std::string before = ProfileFileImage(form_->State(), 99);
  Pick(tables, tables->count() - 1);
  ASSERT_EQ(prompts_.errors.size(), 1);
  EXPECT_EQ(prompts_.errors[0],
            "A profile holds the first 100 tables of a data source only. Please select another.");
  EXPECT_EQ(ProfileFileImage(form_->State(), 99), before);

  // Saving 100 or more listed tables is refused, and nothing is written.
  prompts_.save_name = QString::fromStdString((dir_ / "big.prf").string());
  Item("File1", "&Save Profile")->trigger();
  EXPECT_EQ(prompts_.errors.size(), 2);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "big.prf"));

  Pick(tables, "ui_wide");
  QListWidget* fields = List("FieldList");
  ASSERT_EQ(fields->count(), 257);
  Select(fields, 256);
  ASSERT_EQ(prompts_.errors.size(), 3);
  EXPECT_EQ(prompts_.errors[2],
            "A profile holds the first 256 fields of a table only. Please select another.");
  EXPECT_EQ(fields->currentRow(), -1);
  EXPECT_TRUE(Slot("ui_wide").Fields[255].FieldName.empty());
}

}  // namespace
}  // namespace kestrove::testing

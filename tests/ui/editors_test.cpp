// The lookup list editors, opened from the main window's Lookup and User
// menus and worked by their controls' names while they are open: rows and
// OK, deleting, the navigator, sorting, reopening, the street editor without
// its file, the display style and a save that fails.
#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <functional>

#include "lookup/list_file.h"
#include "lookup/lookup_lists.h"
#include "main_form_fixture.h"
#include "ui/editors/list_editors.h"
#include "ui/editors/list_grid.h"
#include "ui/editors/list_navigator.h"

namespace kestrove::testing {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// The messages Qt prints (on standard error) while it lives.
class QtMessages {
 public:
  QtMessages() : previous_(qInstallMessageHandler(&Record)) { Lines().clear(); }
  ~QtMessages() { qInstallMessageHandler(previous_); }
  static QStringList& Lines() {
    static QStringList lines;
    return lines;
  }

 private:
  static void Record(QtMsgType, const QMessageLogContext&, const QString& text) { Lines() << text; }
  QtMessageHandler previous_;
};

class EditorTest : public MainFormTest {
 protected:
  std::string PathOf(int list) const { return (dir_ / kLookupFileNames[list]).string(); }

  // Writes a list file of the list's own fields.
  void WriteList(int list, const Rows& rows) {
    const LookupListKind& kind = LookupListInfo(list);
    TdxMemData data(kind.list_name, kind.fields);
    for (const auto& row : rows) {
      data.Append();
      for (size_t f = 0; f < row.size(); ++f) data.SetFieldText(static_cast<int>(f), row[f]);
      data.Post();
    }
    SaveListFile(data, PathOf(list));
  }
  Rows ReadList(int list) const {
    const LookupListKind& kind = LookupListInfo(list);
    TdxMemData data(kind.list_name, kind.fields, false);
    LoadListFile(data, PathOf(list));
    Rows rows;
    for (int32_t i = 0; i < data.RecordCount(); ++i) {
      rows.emplace_back();
      for (int f = 0; f < data.FieldCount(); ++f) rows.back().emplace_back(data.StoredText(i, f));
    }
    return rows;
  }

  // Opens an editor from its menu item and works it while it is open.
  void WithEditor(QAction* item, const std::function<void(ui::TTownForm&)>& work) {
    bool opened = false;
    prompts_.on_modal = [&](QDialog& dialog) {
      opened = true;
      auto* editor = dynamic_cast<ui::TTownForm*>(&dialog);
      ASSERT_NE(editor, nullptr) << dialog.objectName().toStdString();
      work(*editor);
    };
    item->trigger();
    prompts_.on_modal = nullptr;
    EXPECT_TRUE(opened);
  }

  template <typename W>
  static W* Child(QWidget& editor, const char* name) {
    W* widget = editor.findChild<W*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  static ui::ListGrid* Grid(QWidget& editor) { return Child<ui::ListGrid>(editor, "wwDBGrid1"); }
  static QToolButton* Nav(QWidget& editor, const char* button) {
    return Child<QToolButton>(editor, (std::string("wwDBNavigator1") + button).c_str());
  }
  static void Ok(QWidget& editor) { Child<QPushButton>(editor, "BitBtn1")->click(); }

  // The texts of the grid's first column, top to bottom.
  static QStringList Shown(ui::ListGrid& grid) {
    QStringList texts;
    for (int row = 0; row < grid.model()->rowCount(); ++row)
      texts << grid.model()->index(row, 0).data().toString();
    return texts;
  }
  // Opens the cell editor on a cell and types into it, leaving it open.
  static QLineEdit* TypeInto(ui::ListGrid& grid, int row, int column, const QString& text) {
    grid.setCurrentIndex(grid.model()->index(row, column));
    grid.edit(grid.currentIndex());
    auto* line = qobject_cast<QLineEdit*>(grid.indexWidget(grid.currentIndex()));
    EXPECT_NE(line, nullptr);
    if (line) {
      line->selectAll();
      QTest::keyClicks(line, text);
    }
    return line;
  }
  // Types into a cell and presses Enter in it.
  static void Type(ui::ListGrid& grid, int row, int column, const QString& text) {
    if (QLineEdit* line = TypeInto(grid, row, column, text)) QTest::keyClick(line, Qt::Key_Return);
  }
};

// --- Rows and OK ---

TEST_F(EditorTest, ARowAddedAndLeftIsSavedByOk) {
  WriteList(kSurnameList, {{"Brown"}, {"Smith"}});
  WithEditor(Item("Lookup1", "Surname"), [&](ui::TTownForm& editor) {
    ui::ListGrid& grid = *Grid(editor);
    EXPECT_EQ(Shown(grid), (QStringList{"Brown", "Smith"}));
    Nav(editor, "Last")->click();
    QTest::keyClick(&grid, Qt::Key_Down);  // the last row: a new one
    EXPECT_EQ(grid.model()->rowCount(), 3);
    // Enter in the only column moves on to the next row, a new one again.
    Type(grid, 2, 0, "Jones");
    EXPECT_EQ(Shown(grid), (QStringList{"Brown", "Smith", "Jones", ""}));
    EXPECT_EQ(grid.currentIndex().row(), 3);
    // Leaving a new row that was never typed into drops it.
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(Shown(grid), (QStringList{"Brown", "Smith", "Jones"}));
    Ok(editor);
    EXPECT_FALSE(editor.isVisible());
  });
  EXPECT_EQ(ReadList(kSurnameList), (Rows{{"Brown"}, {"Smith"}, {"Jones"}}));
}

TEST_F(EditorTest, OkSavesTheRowStillBeingTyped) {
  WriteList(kSurnameList, {{"Brown"}, {"Smith"}});
  WithEditor(Item("Lookup1", "Surname"), [&](ui::TTownForm& editor) {
    ui::ListGrid& grid = *Grid(editor);
    // A change to an existing row, left; then a new row whose cell editor
    // is still open when OK is pressed.
    Type(grid, 0, 0, "Browne");
    Nav(editor, "Last")->click();
    QTest::keyClick(&grid, Qt::Key_Down);
    TypeInto(grid, 2, 0, "Young");
    Ok(editor);
  });
  EXPECT_EQ(ReadList(kSurnameList), (Rows{{"Browne"}, {"Smith"}, {"Young"}}));
  EXPECT_TRUE(prompts_.errors.isEmpty());
}

TEST_F(EditorTest, TheGridsKeysWorkOnTheRows) {
  WriteList(kTownList, {{"Bath", "Somerset", "BA"}, {"York", "North Yorkshire", "YO"}});
  WithEditor(Item("Lookup1", "Town/County"), [&](ui::TTownForm& editor) {
    ui::ListGrid& grid = *Grid(editor);
    TdxMemData& list = editor.List();
    // Enter moves to the next cell as Tab does; Esc undoes the row.
    Type(grid, 0, 0, "Wells");
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(0, 1));
    EXPECT_EQ(list.GetState(), TdxMemData::State::Edit);
    QTest::keyClick(&grid, Qt::Key_Escape);
    EXPECT_EQ(list.GetState(), TdxMemData::State::Browse);
    EXPECT_EQ(Shown(grid), (QStringList{"Bath", "York"}));
    // Esc in the cell editor undoes the row too.
    Type(grid, 0, 0, "Wells");
    if (QLineEdit* line = TypeInto(grid, 0, 1, "Avon")) QTest::keyClick(line, Qt::Key_Escape);
    EXPECT_EQ(grid.model()->index(0, 1).data().toString(), "Somerset");
    EXPECT_EQ(Shown(grid), (QStringList{"Bath", "York"}));
    // Insert puts a new row before the current one; the post code at the end
    // of a row goes on to the next row. Text beyond a field's width is cut.
    grid.setCurrentIndex(grid.model()->index(1, 0));
    QTest::keyClick(&grid, Qt::Key_Insert);
    EXPECT_EQ(Shown(grid), (QStringList{"Bath", "", "York"}));
    Type(grid, 1, 0, "Weston-super-Mare-on-Sea-Extra");
    Type(grid, 1, 1, "Gloucestershire");
    Type(grid, 1, 2, "BSX");
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(2, 0));
    Ok(editor);
  });
  EXPECT_EQ(ReadList(kTownList), (Rows{{"Bath", "Somerset", "BA"},
                                       {"Weston-super-Mare-on-Sea", "Gloucestershire", "BS"},
                                       {"York", "North Yorkshire", "YO"}}));
}

// --- Delete ---

TEST_F(EditorTest, DeletingFromTheNavigatorIsAtOnceAndFromTheGridAsks) {
  WriteList(kCompanyList, {{"Acme"}, {"Bolt"}, {"Crane"}, {"Dyer"}});
  WithEditor(Item("Lookup1", "Company"), [&](ui::TTownForm& editor) {
    ui::ListGrid& grid = *Grid(editor);
    grid.setCurrentIndex(grid.model()->index(1, 0));
    Nav(editor, "Delete")->click();
    EXPECT_TRUE(prompts_.questions.isEmpty());
    EXPECT_EQ(Shown(grid), (QStringList{"Acme", "Crane", "Dyer"}));

    prompts_.answer = false;  // Cancel
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(prompts_.questions, QStringList{"Delete record?"});
    EXPECT_EQ(Shown(grid), (QStringList{"Acme", "Crane", "Dyer"}));
    prompts_.answer = true;  // OK
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Shown(grid), (QStringList{"Acme", "Dyer"}));
    Ok(editor);
  });
  EXPECT_EQ(ReadList(kCompanyList), (Rows{{"Acme"}, {"Dyer"}}));
}

// --- Navigator ---

TEST_F(EditorTest, NavigatorButtonsFollowTheList) {
  WriteList(kUser1List + 2, {{"one"}, {"two"}, {"three"}});
  WithEditor(Item("User1", "Table &3"), [&](ui::TTownForm& editor) {
    ui::ListGrid& grid = *Grid(editor);
    const char* names[] = {"First",  "Prior", "Next",   "Last",         "Insert",
                           "Delete", "Post",  "Cancel", "SaveBookmark", "RestoreBookmark"};
    // One letter per button, in order, "-" where it is disabled.
    auto enabling = [&] {
      std::string shown;
      for (int i = 0; i < ui::ListNavigator::kButtonCount; ++i)
        shown += Nav(editor, names[i])->isEnabled() ? "FPNLIDOCSG"[i] : '-';
      return shown;
    };
    struct Step {
      const char* what;
      std::function<void()> act;
      const char* expected;
    };
    const std::vector<Step> steps = {
        {"opened on the first row", [] {}, "--NLID--S-"},
        {"next", [&] { Nav(editor, "Next")->click(); }, "FPNLID--S-"},
        {"bookmark saved", [&] { Nav(editor, "SaveBookmark")->click(); }, "FPNLID--SG"},
        {"last", [&] { Nav(editor, "Last")->click(); }, "FP--ID--SG"},
        {"a new row at the end", [&] { QTest::keyClick(&grid, Qt::Key_Down); }, "FP--IDOC-G"},
        {"back to the bookmark", [&] { Nav(editor, "RestoreBookmark")->click(); }, "FPNLID--SG"},
        {"a cell being typed into", [&] { TypeInto(grid, 1, 0, "deux"); }, "FPNLIDOCSG"},
        {"posted", [&] { Nav(editor, "Post")->click(); }, "FPNLID--SG"},
        {"the bookmarked row deleted", [&] { Nav(editor, "Delete")->click(); }, "FP--ID--S-"},
        {"first", [&] { Nav(editor, "First")->click(); }, "--NLID--S-"},
        {"the others deleted",
         [&] {
           Nav(editor, "Delete")->click();
           Nav(editor, "Delete")->click();
         },
         "----I-----"},
        {"inserted into the empty list", [&] { Nav(editor, "Insert")->click(); }, "----IDOC--"},
        {"cancelled", [&] { Nav(editor, "Cancel")->click(); }, "----I-----"},
    };
    for (const Step& step : steps) {
      step.act();
      EXPECT_EQ(enabling(), step.expected) << step.what;
    }
    EXPECT_EQ(grid.model()->rowCount(), 0);
    Ok(editor);
  });
  EXPECT_TRUE(ReadList(kUser1List + 2).empty());
}

// --- Sort ---

TEST_F(EditorTest, SortInTheTownEditorIgnoresCaseAndUntickingKeepsTheOrder) {
  WriteList(kTownList, {{"york"}, {"Bath"}, {"aberdeen"}, {"Cardiff"}, {"bristol"}});
  WithEditor(Item("Lookup1", "Town/County"), [&](ui::TTownForm& editor) {
    ui::ListGrid& grid = *Grid(editor);
    auto* sort = Child<QCheckBox>(editor, "SortBox");
    EXPECT_FALSE(sort->isChecked());
    sort->click();
    EXPECT_EQ(Shown(grid), (QStringList{"aberdeen", "Bath", "bristol", "Cardiff", "york"}));
    sort->click();
    EXPECT_EQ(editor.List().SortedField(), "");
    // Unsorted again: a new row stays where it was added.
    Nav(editor, "Last")->click();
    QTest::keyClick(&grid, Qt::Key_Down);
    Type(grid, 5, 0, "Aston");
    EXPECT_EQ(Shown(grid),
              (QStringList{"aberdeen", "Bath", "bristol", "Cardiff", "york", "Aston"}));
    Ok(editor);
  });
  EXPECT_EQ(ReadList(kTownList), (Rows{{"aberdeen", "", ""},
                                       {"Bath", "", ""},
                                       {"bristol", "", ""},
                                       {"Cardiff", "", ""},
                                       {"york", "", ""},
                                       {"Aston", "", ""}}));
}

TEST_F(EditorTest, ReopeningShowsTheBoxUntickedAndTheListStillSorted) {
  WriteList(kSurnameList, {{"Young"}, {"Adams"}, {"Moss"}});
  WithEditor(Item("Lookup1", "Surname"), [&](ui::TTownForm& editor) {
    Child<QCheckBox>(editor, "SortBox")->click();
    Ok(editor);
  });
  // The file changed behind the editor's back: the load sorts it again.
  WriteList(kSurnameList, {{"Young"}, {"Adams"}, {"Moss"}, {"Baker"}});
  WithEditor(Item("Lookup1", "Surname"), [&](ui::TTownForm& editor) {
    ui::ListGrid& grid = *Grid(editor);
    EXPECT_FALSE(Child<QCheckBox>(editor, "SortBox")->isChecked());
    EXPECT_EQ(Shown(grid), (QStringList{"Adams", "Baker", "Moss", "Young"}));
    // A row posted now lands in its place.
    Nav(editor, "Last")->click();
    QTest::keyClick(&grid, Qt::Key_Down);
    Type(grid, 4, 0, "Carter");
    EXPECT_EQ(Shown(grid), (QStringList{"Adams", "Baker", "Carter", "Moss", "Young", ""}));
    Ok(editor);
  });
  EXPECT_EQ(ReadList(kSurnameList), (Rows{{"Adams"}, {"Baker"}, {"Carter"}, {"Moss"}, {"Young"}}));
}

// --- The street editor without its file ---

TEST_F(EditorTest, StreetEditorWithTheFileMissingCannotCreateTheList) {
  std::filesystem::remove(PathOf(kStreetList));
  WithEditor(Item("Lookup1", "Street"), [&](ui::TTownForm& editor) {
    ui::ListGrid& grid = *Grid(editor);
    for (int i = 0; i < ui::ListNavigator::kButtonCount; ++i)
      EXPECT_FALSE(Child<ui::ListNavigator>(editor, "wwDBNavigator1")
                       ->ButtonOf(static_cast<ui::ListNavigator::Button>(i))
                       ->isEnabled())
          << i;
    for (int key : {Qt::Key_Down, Qt::Key_Insert, Qt::Key_Return})
      QTest::keyClick(&grid, static_cast<Qt::Key>(key));
    EXPECT_EQ(grid.model()->rowCount(), 0);
    // Sort only takes note of the key.
    Child<QCheckBox>(editor, "SortBox")->click();
    EXPECT_EQ(editor.List().SortedField(), "StreetName");
    Ok(editor);
    EXPECT_FALSE(editor.isVisible());
  });
  EXPECT_FALSE(std::filesystem::exists(PathOf(kStreetList)));
  EXPECT_TRUE(prompts_.errors.isEmpty());
  // The key takes effect at the next load that succeeds.
  WriteList(kStreetList, {{"Oak"}, {"Birch"}});
  WithEditor(Item("Lookup1", "Street"), [&](ui::TTownForm& editor) {
    EXPECT_EQ(Shown(*Grid(editor)), (QStringList{"Birch", "Oak"}));
    Ok(editor);
  });
}

// --- Windows and texts ---

TEST_F(EditorTest, GradientsShowOnlyInTheHiResStyle) {
  for (bool hi_res : {false, true}) {
    if (form_->HiResOn() != hi_res) Item("User1", "Hi Res")->trigger();
    WithEditor(Item("Lookup1", "Street"), [&](ui::TTownForm& editor) {
      EXPECT_EQ(!Child<QWidget>(editor, "Grad5")->isHidden(), hi_res);
      EXPECT_EQ(!Child<QWidget>(editor, "Grad6")->isHidden(), hi_res);
      Ok(editor);
    });
  }
}

TEST_F(EditorTest, EveryMenuItemOpensItsEditor) {
  struct Case {
    QAction* item;
    const char* name;
    const char* title;
    QStringList columns;
    const char* first_guidance_line;  // empty for the user list editors
  };
  const std::vector<Case> cases = {
      {Item("Lookup1", "Town/County"),
       "TownForm",
       "Town & County Editor",
       {"Town", "County", "Post  Code"},
       "Town and County fields are restricted to 24 chars each."},
      {Item("Lookup1", "Surname"),
       "SurnameForm",
       "Surnames Editor",
       {"Surname"},
       "Names are restricted to 16 characters."},
      {Item("Lookup1", "Forenames (M)"),
       "ForenameMForm",
       "Male Forenames Editor",
       {"Forename"},
       "Names are restricted to 16 characters."},
      {Item("Lookup1", "Forenames (F)"),
       "ForenameFForm",
       "Female Forenames Editor",
       {"Forename"},
       "Names are restricted to 16 characters."},
      {Item("Lookup1", "Street"),
       "StreetForm",
       "Street Names Editor",
       {"StreetName"},
       "Street names are restricted to 16 characters."},
      {Item("Lookup1", "Company"),
       "CompanyForm",
       "Company Names Editor",
       {"Company"},
       "Company names are limited to 32 characters."},
      {Item("User1", "Table &1"), "User1Form", "Lookup Table 1 Editor", {"Data"}, ""},
      {Item("User1", "Table &6"), "User6Form", "Lookup Table 6 Editor", {"Data"}, ""},
  };
  const QtMessages messages;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool user = QString(c.name).startsWith("User");
    WithEditor(c.item, [&](ui::TTownForm& editor) {
      // Drawn as it shows, it prints nothing.
      editor.grab();
      EXPECT_EQ(messages.Lines(), QStringList()) << messages.Lines().join("\n").toStdString();
      EXPECT_EQ(editor.objectName(), c.name);
      EXPECT_EQ(editor.windowTitle(), user ? "User Table Editor" : "Lookup Table Editor");
      EXPECT_EQ(editor.size(), QSize(627, 459));
      EXPECT_FALSE(editor.windowFlags() & Qt::WindowCloseButtonHint);
      EXPECT_TRUE(editor.isModal());
      EXPECT_EQ(editor.parentWidget(), form_.get());
      EXPECT_EQ(Child<QLabel>(editor, "RxLabel1")->text(), c.title);
      QStringList columns;
      ui::ListGrid& grid = *Grid(editor);
      for (int i = 0; i < grid.model()->columnCount(); ++i)
        columns << grid.model()->headerData(i, Qt::Horizontal).toString();
      EXPECT_EQ(columns, c.columns);
      // The shipped list was loaded.
      EXPECT_GT(grid.model()->rowCount(), 0);
      const QString guidance = Child<QLabel>(editor, "Label2")->text();
      EXPECT_EQ(guidance.section('\n', 0, 0), c.first_guidance_line);
      EXPECT_EQ(editor.findChild<QLabel*>("Label1") != nullptr, user);
      // Esc does not close the window; OK does.
      QTest::keyClick(&editor, Qt::Key_Escape);
      EXPECT_TRUE(editor.isVisible());
      Ok(editor);
      EXPECT_FALSE(editor.isVisible());
    });
  }
  EXPECT_EQ(prompts_.modals.size(), static_cast<qsizetype>(cases.size()));
}

TEST_F(EditorTest, StreetGuidanceKeepsItsExampleLines) {
  WithEditor(Item("Lookup1", "Street"), [&](ui::TTownForm& editor) {
    const QStringList lines = Child<QLabel>(editor, "Label2")->text().split('\n');
    const int at =
        static_cast<int>(lines.indexOf("For example, a Street name of Cedar could become:"));
    ASSERT_GT(at, 0);
    EXPECT_EQ(lines.mid(at + 1, 4), (QStringList{"     15 Cedar Gardens", "     112 Cedar Avenue",
                                                 "     33 West Cedar Park", "     etc."}));
    EXPECT_EQ(lines.last(), "Choose Street names that will adapt well to these random extensions.");
    Ok(editor);
  });
  WithEditor(Item("User1", "Table &2"), [&](ui::TTownForm& editor) {
    EXPECT_EQ(Child<QLabel>(editor, "Label2")->text(), "");
    EXPECT_EQ(Child<QLabel>(editor, "Label1")->text(),
              "Field Sizes are restricted to a maximum length of 24 chars.");
    Ok(editor);
  });
}

// --- A save that fails ---

TEST_F(EditorTest, AFailedSaveOffersToTryAgainOrToCloseWithoutSaving) {
  const std::string path = PathOf(kForenamesFList);
  for (const bool retry : {true, false}) {
    SCOPED_TRACE(retry ? "try again" : "close without saving");
    WriteList(kForenamesFList, {{"Ann"}});
    prompts_.save_failures.clear();
    prompts_.retry_save = [&] {
      // Once the user has freed the file's place, trying again saves.
      if (retry) std::filesystem::remove_all(path);
      return retry;
    };
    WithEditor(Item("Lookup1", "Forenames (F)"), [&](ui::TTownForm& editor) {
      // The list file cannot be replaced: a folder stands in its place (a
      // read-only folder would not stop a test run as root).
      std::filesystem::remove(path);
      std::filesystem::create_directories(path + "/blocked");
      Nav(editor, "Last")->click();
      QTest::keyClick(Grid(editor), Qt::Key_Down);
      TypeInto(*Grid(editor), 1, 0, "Beth");
      Ok(editor);
      EXPECT_FALSE(editor.isVisible());
    });
    EXPECT_EQ(prompts_.save_failures,
              QStringList{ui::FromEngine("Cannot create file " + path +
                                         ".\n\nThe list has not been saved.")});
    EXPECT_TRUE(prompts_.errors.isEmpty());
    if (retry) {
      EXPECT_EQ(ReadList(kForenamesFList), (Rows{{"Ann"}, {"Beth"}}));
    } else {
      // What stands at the file's place is left as it was.
      EXPECT_TRUE(std::filesystem::is_directory(path + "/blocked"));
      std::filesystem::remove_all(path);
    }
  }
}

}  // namespace
}  // namespace kestrove::testing

namespace kestrove::testing {
namespace {

// An edited list is what the next run draws from.
TEST_F(EditorTest, TheNextRunUsesTheEditedList) {
  WriteList(kSurnameList, {{"Brown"}});
  WithEditor(Item("Lookup1", "Surname"), [&](ui::TTownForm& editor) {
    ui::ListGrid& grid = *Grid(editor);
    Nav(editor, "Last")->click();
    QTest::keyClick(&grid, Qt::Key_Down);
    Type(grid, 1, 0, "Quennell");
    Ok(editor);
  });
  // A dry run of twenty surnames from the window's own workspace.
  Workspace& ws = form_->Work();
  ws.SetDryRun(true);
  TTableStruct& table = form_->State().Tables[0];
  table.TableName = "T";
  table.RecordCount = 20;
  table.Fields[0] = {"name", 14, "", "", 0, 64, 0};
  Click(Button("AltGenerateBtn"));
  const std::string& sent = form_->sent;
  EXPECT_NE(sent.find("'Quennell'"), std::string::npos) << sent;
  EXPECT_NE(sent.find("'Brown'"), std::string::npos) << sent;
}

}  // namespace
}  // namespace kestrove::testing

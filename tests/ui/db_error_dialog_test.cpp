// The database error dialog and the standard error display.
#include "ui/db_error_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <stdexcept>

#include "core/errors.h"
#include "ui/error_display.h"

namespace kestrove::ui {
namespace {

EODBC TwoRecordError() {
  return EODBC(OdbcObject::kStatement, nullptr, -1,
               {{"42S02", 1, "no such table: t"}, {"HY000", 7, "second record"}});
}

TEST(DbErrorDialog, LayoutAndTextsWithTheDetailsHiddenAndShown) {
  DbErrorDialog dialog(TwoRecordError(), "Cannot obtain Database Lookup using these parameters.");
  EXPECT_EQ(dialog.windowTitle(), "Database Error: Kestrove v3.0");
  EXPECT_EQ(dialog.size(), QSize(291, 86));
  EXPECT_EQ(dialog.Label1->text(), "Cannot obtain Database Lookup using these parameters.");
  EXPECT_EQ(dialog.Button1->geometry(), QRect(108, 56, 75, 25));
  EXPECT_EQ(dialog.Button4->geometry(), QRect(212, 216, 75, 25));
  EXPECT_TRUE(dialog.Button1->isDefault());
  EXPECT_EQ(dialog.Button2->text(), "Details >>");
  EXPECT_EQ(dialog.Memo1->toPlainText(), "no such table: t");
  EXPECT_EQ(dialog.Edit1->text(), "42S02");
  EXPECT_EQ(dialog.Edit2->text(), "1");
  EXPECT_TRUE(dialog.Memo1->isReadOnly() && dialog.Edit1->isReadOnly());

  dialog.Button2->click();
  EXPECT_EQ(dialog.size(), QSize(291, 245));
  EXPECT_EQ(dialog.Button2->text(), "Details <<");
  dialog.Button2->click();
  EXPECT_EQ(dialog.size(), QSize(291, 86));
  EXPECT_EQ(dialog.Button2->text(), "Details >>");
}

TEST(DbErrorDialog, NextAndPrevStepThroughTheRecords) {
  DbErrorDialog dialog(TwoRecordError(), "text");
  EXPECT_FALSE(dialog.Button3->isEnabled());
  EXPECT_TRUE(dialog.Button4->isEnabled());

  dialog.Button4->click();  // record 1
  EXPECT_EQ(dialog.Memo1->toPlainText(), "second record");
  EXPECT_EQ(dialog.Edit1->text(), "HY000");
  EXPECT_EQ(dialog.Edit2->text(), "7");
  EXPECT_TRUE(dialog.Button3->isEnabled() && dialog.Button4->isEnabled());

  dialog.Button4->click();  // past the last: nothing moves, Next goes off
  EXPECT_EQ(dialog.Memo1->toPlainText(), "second record");
  EXPECT_FALSE(dialog.Button4->isEnabled());

  dialog.Button3->click();  // record 0, Next back on
  EXPECT_EQ(dialog.Memo1->toPlainText(), "no such table: t");
  EXPECT_TRUE(dialog.Button4->isEnabled() && dialog.Button3->isEnabled());
  dialog.Button3->click();  // before the first: Prev goes off
  EXPECT_EQ(dialog.Edit1->text(), "42S02");
  EXPECT_FALSE(dialog.Button3->isEnabled());
}

TEST(StandardErrorDisplay, AHandlerThatThrowsIsAbandonedAndItsMessageShown) {
  std::vector<std::string> shown;
  auto previous = SetStandardErrorDisplay([&](const std::string& m) { shown.push_back(m); });
  bool after = false;
  QPushButton button;
  QObject::connect(&button, &QPushButton::clicked, Guarded([&] {
    throw InvalidInteger("x");
    after = true;
  }));
  button.click();
  // A message ending past "." in sort order gets a full stop; one ending in
  // "." or a character before it does not.
  RunGuarded([] { throw EDatabaseError("LookupTable: Field 'Code' not found"); });
  RunGuarded([] { throw std::runtime_error("done."); });
  RunGuarded([] { throw std::runtime_error("(1)"); });
  SetStandardErrorDisplay(std::move(previous));
  EXPECT_FALSE(after);
  EXPECT_EQ(shown,
            (std::vector<std::string>{"'x' is not a valid integer value.",
                                      "LookupTable: Field 'Code' not found.", "done.", "(1)"}));
}

}  // namespace
}  // namespace kestrove::ui

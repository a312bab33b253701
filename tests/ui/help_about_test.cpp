// The help window and the About box, opened from the main window's Help menu.
#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBlock>

#include "main_form_fixture.h"
#include "ui/about_box.h"
#include "ui/help_form.h"

namespace kestrove::testing {
namespace {

std::vector<ui::THelpForm*> OpenHelpWindows(QWidget& owner) {
  std::vector<ui::THelpForm*> windows;
  for (auto* child : owner.findChildren<ui::THelpForm*>())
    if (child->isVisible()) windows.push_back(child);
  return windows;
}

QStringList MemoLines(const QPlainTextEdit& memo) {
  QStringList lines;
  for (QTextBlock block = memo.document()->begin(); block.isValid(); block = block.next())
    lines << block.text();
  return lines;
}

QPushButton* PageButton(ui::THelpForm& help, const char* caption) {
  for (QPushButton* button : help.PageButtons)
    if (button->text() == caption) return button;
  return nullptr;
}

TEST_F(MainFormTest, HelpWindowsShowTheirPagesIndependently) {
  Item("Help1", "&Help")->trigger();
  Item("Help1", "&Help")->trigger();
  auto windows = OpenHelpWindows(*form_);
  ASSERT_EQ(windows.size(), 2u);
  ui::THelpForm& first = *windows[0];
  ui::THelpForm& second = *windows[1];
  EXPECT_FALSE(first.isModal());
  EXPECT_EQ(first.windowTitle(), "Help");
  EXPECT_EQ(first.size(), QSize(627, 459));
  // A new window shows the buttons in order, and no page.
  QStringList captions;
  for (QPushButton* button : first.PageButtons) captions << button->text();
  EXPECT_EQ(captions,
            (QStringList{"Introduction", "Record Generation", "Lookup Tables", "Synchronisation",
                         "Profiles", "Other Issues", "Further Information"}));
  EXPECT_FALSE(first.Panel2->isVisible());
  EXPECT_TRUE(first.Memo1->toPlainText().isEmpty());

  // A page pressed twice shows once; the generation page starts empty and
  // carries its example lines exactly.
  PageButton(first, "Record Generation")->click();
  const QStringList once = MemoLines(*first.Memo1);
  PageButton(first, "Record Generation")->click();
  EXPECT_EQ(MemoLines(*first.Memo1), once);
  EXPECT_EQ(once, ui::THelpForm::PageLines("record_generation.txt"));
  ASSERT_GT(once.size(), 5);
  EXPECT_TRUE(once[0].isEmpty());
  EXPECT_TRUE(once.contains(
      "   Insert into TableName(CustID,Surname,Forename,Amount) Values(2174,'Smith','John', "
      "21.23);"));
  EXPECT_TRUE(once.contains(
      "   Insert into TableName(\"CustID\",\"Surname\",\"Amount\") Values(2174,'Smith',21.23);"));
  EXPECT_TRUE(first.Memo1->isReadOnly());

  // The other window shows a page of its own meanwhile.
  PageButton(second, "Further Information")->click();
  const QStringList further = MemoLines(*second.Memo1);
  EXPECT_TRUE(further.contains("                              KESTROVE    v3.1"));
  EXPECT_EQ(MemoLines(*first.Memo1), once);

  // OK closes (and frees) a window; the main window stayed usable throughout.
  QPointer<ui::THelpForm> closing(&first);
  first.BitBtn1->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(closing.isNull());
  EXPECT_TRUE(form_->isEnabled());
}

TEST_F(MainFormTest, EveryHelpPageIsThere) {
  for (const char* page :
       {"introduction.txt", "record_generation.txt", "lookup_tables.txt", "synchronisation.txt",
        "profiles.txt", "other_issues.txt", "further_information.txt"})
    EXPECT_GT(ui::THelpForm::PageLines(page).size(), 5) << page;
}

TEST_F(MainFormTest, AboutBoxIsModalWithTheProgramsNameAndVersion) {
  bool modal = false;
  QString texts;
  prompts_.on_modal = [&](QDialog& dialog) {
    auto& about = static_cast<ui::TAboutBox&>(dialog);
    modal = about.isModal();
    texts = about.windowTitle() + "|" + about.ProductName->text() + "|" + about.Version->text() +
            "|" + about.Label1->text() + "|" + about.BitBtn1->text();
    EXPECT_EQ(about.size(), QSize(298, 180));
    EXPECT_FALSE(about.ProgramIcon->pixmap().isNull());
  };
  Item("Help1", "&About")->trigger();
  EXPECT_EQ(prompts_.modals, QStringList{"AboutBox"});
  EXPECT_TRUE(modal);
  EXPECT_EQ(texts, "About|Kestrove|3|v3.1|  OK");
}

}  // namespace
}  // namespace kestrove::testing

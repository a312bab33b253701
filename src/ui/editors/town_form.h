// The lookup list editor: a modal window with a grid and a navigator over
// one of the main window's lists, a Sort box, guidance texts and OK, which
// saves the list to its file (a save that fails offers to try again or to
// close without saving). TTownForm is the town editor and the base of
// the eleven others, which change only their texts, the grid's columns and
// the list, file and sort key they work on.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "ui/editors/list_model.h"

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

namespace kestrove::ui {

class GradientFill;
class ListGrid;
class ListNavigator;
class TMainForm;

// What one editor is: its window name, the list it edits (which gives the
// file), its texts, the grid's columns and the sort key.
struct EditorKind {
  const char* name;     // the window's object name, e.g. "TownForm"
  int list;             // LookupListId
  const char* caption;  // window caption
  const char* title;    // RxLabel1, "&&" for an ampersand
  std::vector<GridColumn> columns;
  const char* sort_key;
  const char* guidance;  // Label2, lines broken with "\n"
  // The street editor's guidance runs beside the whole panel, and its
  // panel is all gradient.
  bool tall_guidance = false;
};

class TTownForm : public QDialog {
  Q_OBJECT

 public:
  // The town editor over the owner's town list.
  explicit TTownForm(TMainForm& owner);
  ~TTownForm() override;

  TdxMemData& List() { return list_; }
  // Where OK saves the list: the write folder of the window's places.
  const std::string& FilePath() const { return path_; }

  // Controls, by their names.
  GradientFill* Grad5;
  QFrame* Panel1;
  GradientFill* Grad6;
  QLabel* RxLabel1;
  QCheckBox* SortBox;
  ListNavigator* wwDBNavigator1;
  ListGrid* wwDBGrid1;
  QLabel* Label2;
  QPushButton* BitBtn1;
  ListModel* wwDataSource1;

  // The handlers, named after their control and event.
  void FormCreate();
  void FormClose();
  void BitBtn1Click();
  void SortBoxClick();

 protected:
  TTownForm(TMainForm& owner, const EditorKind& kind);

  // OK is the way out (or, after a failed save, closing without saving):
  // Esc and the window system's close do nothing.
  void reject() override;
  void done(int result) override;

 private:
  void BuildControls(const EditorKind& kind);
  void ListChanged();

  TMainForm& owner_;
  TdxMemData& list_;
  std::string path_;
  std::string sort_key_;
};

// "&&" shows as one ampersand; a single "&" marks an accelerator and is not
// shown.
QString ShownCaption(const QString& text);

}  // namespace kestrove::ui

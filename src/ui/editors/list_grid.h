// The editors' grid: a table view over a ListModel whose current row is the
// list's cursor. Enter moves on as Tab does, Insert inserts a row before the
// current one, the down arrow on the last row appends one, Ctrl+Delete
// deletes after a confirmation and Esc undoes the row's pending change.
#pragma once

#include <QStyledItemDelegate>
#include <QTableView>

#include "ui/editors/list_model.h"

namespace kestrove::ui {

class Prompts;

// The cell editor: the first key typed into it starts the row's edit, and
// Tab, Enter and Esc end the cell edit and leave the rest to the grid.
class CellDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  // A cell being typed into keeps its text when the list repaints.
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;

 signals:
  void EditStarted() const;
  void MoveRequested(bool forward);
  void UndoRequested();

 protected:
  bool eventFilter(QObject* object, QEvent* event) override;
};

class ListGrid : public QTableView {
  Q_OBJECT

 public:
  ListGrid(ListModel& model, Prompts& prompts, QWidget* parent = nullptr);

  ListModel& Model() { return model_; }
  // Ends an open cell edit, handing its text to the list, so a button that
  // acts on the list sees what was typed.
  void FinishCellEdit();
  // Catches up with the list after it changed and puts the current cell on
  // its cursor.
  void Follow();
  // Sets the column widths, in characters of the grid's font, each at
  // least as wide as its title.
  void ApplyColumnWidths();

  // The keys' actions, as the grid's own keys work them.
  void NextCell(bool forward);
  void NextRow();
  void DeleteWithConfirmation();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

 private:
  void PutCurrent(int row, int column);

  ListModel& model_;
  Prompts& prompts_;
  // Set while the grid moves its current cell itself, or while a move the
  // user made is carried out on the list, so that neither feeds back.
  bool following_ = false;
  bool moving_ = false;
};

}  // namespace kestrove::ui

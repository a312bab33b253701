#include "ui/editors/list_grid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>
#include <functional>

#include "ui/error_display.h"
#include "ui/prompts.h"

namespace kestrove::ui {

namespace {

using ListState = TdxMemData::State;

bool IsEnter(int key) {
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

QWidget* CellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
  QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
  if (auto* line = qobject_cast<QLineEdit*>(editor))
    connect(line, &QLineEdit::textEdited, this, &CellDelegate::EditStarted);
  return editor;
}

void CellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  if (auto* line = qobject_cast<QLineEdit*>(editor); line && line->isModified()) return;
  QStyledItemDelegate::setEditorData(editor, index);
}

bool CellDelegate::eventFilter(QObject* object, QEvent* event) {
  auto* editor = qobject_cast<QWidget*>(object);
  if (editor && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || IsEnter(key)) {
      emit commitData(editor);
      emit closeEditor(editor, QAbstractItemDelegate::NoHint);
      emit MoveRequested(key != Qt::Key_Backtab);
      return true;
    }
    if (key == Qt::Key_Escape) {
      // The typed text is dropped along with the row's other changes.
      emit closeEditor(editor, QAbstractItemDelegate::NoHint);
      emit UndoRequested();
      return true;
    }
  }
  return QStyledItemDelegate::eventFilter(object, event);
}

ListGrid::ListGrid(ListModel& model, Prompts& prompts, QWidget* parent)
    : QTableView(parent), model_(model), prompts_(prompts) {
  auto* delegate = new CellDelegate(this);
  setItemDelegate(delegate);
  setModel(&model_);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                  QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  setTabKeyNavigation(true);
  setSortingEnabled(false);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  horizontalHeader()->setSectionsMovable(false);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // The row indicator: a narrow column of marks, no numbers.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  verticalHeader()->setFixedWidth(fontMetrics().height() + 6);
  verticalHeader()->setHighlightSections(false);
  ApplyColumnWidths();

  // Typing into a cell puts the row into editing at once, so the navigator
  // offers Post and Cancel while the user types.
  connect(delegate, &CellDelegate::EditStarted, this, Guarded([this] {
            TdxMemData& list = model_.List();
            if (list.Active() && list.GetState() == ListState::Browse && list.RecordCount() > 0)
              list.Edit();
          }));
  connect(delegate, &CellDelegate::MoveRequested, this,
          Guarded<bool>([this](bool forward) { NextCell(forward); }));
  connect(delegate, &CellDelegate::UndoRequested, this, Guarded([this] {
            if (model_.List().Active()) model_.List().Cancel();
          }));
  Follow();
}

void ListGrid::ApplyColumnWidths() {
  // A column is never narrower than its title.
  const QFontMetrics title_metrics(horizontalHeader()->font());
  const int char_width = fontMetrics().averageCharWidth();
  for (int column = 0; column < model_.columnCount(); ++column) {
    const QString title = model_.headerData(column, Qt::Horizontal).toString();
    setColumnWidth(column, std::max(char_width * model_.WidthOfColumn(column),
                                    title_metrics.horizontalAdvance(title)) +
                               8);
  }
}

void ListGrid::FinishCellEdit() {
  if (state() != QAbstractItemView::EditingState) return;
  QWidget* editor = indexWidget(currentIndex());
  if (!editor) return;
  commitData(editor);
  closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void ListGrid::Follow() {
  const bool was_following = following_;
  following_ = true;
  model_.Refresh();
  if (!moving_) {
    TdxMemData& list = model_.List();
    const int row = list.Active() ? list.RecNo() : -1;
    if (row < 0) {
      selectionModel()->clearCurrentIndex();
    } else if (currentIndex().row() != row) {
      PutCurrent(row, std::max(currentIndex().column(), 0));
    }
  }
  following_ = was_following;
}

void ListGrid::PutCurrent(int row, int column) {
  if (row < 0 || row >= model_.rowCount() || column < 0 || column >= model_.columnCount()) return;
  setCurrentIndex(model_.index(row, column));
}

void ListGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  // The base hands an open cell edit to the list; the list must not pull
  // the current cell back to its cursor while the user's move is under way.
  const bool was_moving = moving_;
  moving_ = true;
  QTableView::currentChanged(current, previous);
  moving_ = was_moving;
  if (following_ || moving_ || !current.isValid()) return;
  if (current.row() == model_.List().RecNo()) return;
  moving_ = true;
  RunGuarded([&] { model_.GoToRow(current.row()); });
  moving_ = false;
  Follow();
}

void ListGrid::NextCell(bool forward) {
  TdxMemData& list = model_.List();
  if (!list.Active()) return;
  const QModelIndex current = currentIndex();
  const int last = model_.columnCount() - 1;
  const int column = current.isValid() ? current.column() : 0;
  if (forward) {
    if (current.isValid() && column < last) {
      PutCurrent(current.row(), column + 1);
      return;
    }
    // Past the last column: on to the first column of the next row, which
    // on the last row is a new one.
    NextRow();
    PutCurrent(list.RecNo(), 0);
    return;
  }
  if (current.isValid() && column > 0) {
    PutCurrent(current.row(), column - 1);
    return;
  }
  if (list.RecNo() > 0) model_.GoToRow(list.RecNo() - 1);
  PutCurrent(list.RecNo(), last);
}

void ListGrid::NextRow() {
  TdxMemData& list = model_.List();
  if (!list.Active()) return;
  const int row = list.RecNo();
  if (row < model_.ListRows() - 1) {
    model_.GoToRow(row + 1);
    return;
  }
  // A new row nobody has typed into yet is not followed by another.
  if (list.GetState() == ListState::Insert && !list.Modified()) return;
  list.Append();
}

void ListGrid::DeleteWithConfirmation() {
  TdxMemData& list = model_.List();
  if (!list.Active() || list.IsEmpty()) return;
  if (!prompts_.ConfirmOkCancel(this, "Delete record?")) return;
  list.Delete();
}

void ListGrid::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  const bool plain = modifiers == Qt::NoModifier;
  std::function<void()> action;
  TdxMemData& list = model_.List();
  if ((IsEnter(key) || key == Qt::Key_Tab) && plain)
    action = [this] { NextCell(true); };
  else if (key == Qt::Key_Backtab)
    action = [this] { NextCell(false); };
  else if (key == Qt::Key_Down && plain)
    action = [this] { NextRow(); };
  else if (key == Qt::Key_Insert && plain)
    action = [&list] { list.Insert(); };
  else if (key == Qt::Key_Delete && modifiers == Qt::ControlModifier)
    action = [this] { DeleteWithConfirmation(); };
  else if (key == Qt::Key_Escape && plain)
    action = [&list] { list.Cancel(); };
  if (!action) {
    QTableView::keyPressEvent(event);
    return;
  }
  event->accept();
  if (!list.Active()) return;
  RunGuarded([&] {
    FinishCellEdit();
    action();
  });
}

}  // namespace kestrove::ui

#include "ui/editors/list_model.h"

#include <algorithm>

#include "ui/text.h"

namespace kestrove::ui {

namespace {

using State = TdxMemData::State;

bool Pending(const TdxMemData& list) {
  return list.GetState() == State::Insert || list.GetState() == State::Edit;
}

// The row indicator: the current row, and whether it is being changed or
// is a new one.
constexpr char16_t kBrowseMark = u'\u25B6';  // black right-pointing triangle
constexpr char16_t kEditMark = u'\u270E';    // pencil
constexpr char16_t kInsertMark = u'\u2731';  // heavy asterisk

}  // namespace

void SettleRow(TdxMemData& list) {
  if (!Pending(list)) return;
  if (list.Modified())
    list.Post();
  else
    list.Cancel();
}

int32_t FindRecord(const TdxMemData& list, int32_t rec_id) {
  if (rec_id <= 0) return -1;
  const int32_t count = list.RecordCount();
  for (int32_t i = 0; i < count; ++i)
    if (list.StoredRecId(i) == rec_id) return i;
  return -1;
}

ListModel::ListModel(TdxMemData& list, const std::vector<GridColumn>& columns, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {
  for (const GridColumn& column : columns) {
    fields_.push_back(list.FieldIndex(column.field));
    widths_.push_back(column.width_chars);
    titles_.push_back(QString::fromLatin1(column.title));
  }
  rows_ = ListRows();
}

int ListModel::ListRows() const {
  if (!list_.Active()) return 0;
  return list_.RecordCount() + (list_.GetState() == State::Insert ? 1 : 0);
}

int ListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int ListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(fields_.size());
}

int32_t ListModel::StoredIndex(int row) const {
  if (!Pending(list_)) return row;
  const int32_t cursor = list_.RecNo();
  if (row == cursor) return -1;
  // The new record sits at the cursor and pushes the stored ones down.
  if (list_.GetState() == State::Insert && row > cursor) return row - 1;
  return row;
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  // During Refresh the views may ask for rows the list no longer has.
  if (!index.isValid() || index.row() >= ListRows() || !list_.Active()) return {};
  const int field = fields_.at(static_cast<size_t>(index.column()));
  const int32_t stored = StoredIndex(index.row());
  if (stored < 0) return FromEngine(list_.FieldText(field));
  const std::string_view text = list_.StoredText(stored, field);
  return FromEngine(std::string(text));
}

bool ListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || !list_.Active()) return false;
  if (index.row() >= ListRows()) return false;
  GoToRow(index.row());
  const int field = fields_.at(static_cast<size_t>(index.column()));
  const std::string text = ToEngine(value.toString());
  // A cell left as it was is no change: a new row that was only looked at
  // still disappears when it is left.
  if (text == list_.FieldText(field)) return true;
  list_.Edit();
  list_.SetFieldText(field, text);
  return true;
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const {
  if (!index.isValid() || !list_.Active()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal) {
    if (role == Qt::DisplayRole && section >= 0 && section < columnCount())
      return titles_[static_cast<size_t>(section)];
    return {};
  }
  if (role == Qt::TextAlignmentRole) return Qt::AlignCenter;
  // Every other role gets no value at all: the header reads a text given
  // for its font role as a font description, and warns.
  if (role != Qt::DisplayRole) return {};
  if (!list_.Active() || section != list_.RecNo()) return QString();
  switch (list_.GetState()) {
    case State::Insert:
      return QString(QChar(kInsertMark));
    case State::Edit:
      return QString(QChar(kEditMark));
    default:
      return QString(QChar(kBrowseMark));
  }
}

void ListModel::Refresh() {
  const int now = ListRows();
  if (now > rows_) {
    beginInsertRows(QModelIndex(), rows_, now - 1);
    rows_ = now;
    endInsertRows();
  } else if (now < rows_) {
    beginRemoveRows(QModelIndex(), now, rows_ - 1);
    rows_ = now;
    endRemoveRows();
  }
  // Any record may have moved (a sort, a posted record placed in order), so
  // every cell is read again.
  if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
  emit headerDataChanged(Qt::Vertical, 0, std::max(rows_ - 1, 0));
}

void ListModel::GoToRow(int row) {
  if (!list_.Active() || row < 0 || row == list_.RecNo()) return;
  const int32_t stored = StoredIndex(row);
  if (!Pending(list_)) {
    list_.MoveBy(stored - list_.RecNo());
    return;
  }
  const int32_t target = list_.StoredRecId(stored);
  SettleRow(list_);
  const int32_t at = FindRecord(list_, target);
  if (at >= 0) list_.MoveBy(at - list_.RecNo());
}

}  // namespace kestrove::ui

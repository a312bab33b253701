// The grid's view of a lookup list: a table model that reads and writes
// through the list store and keeps no records of its own. The store's
// cursor is the grid's current row, and a pending new record is a row of
// its own at the cursor.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <vector>

#include "lookup/mem_data.h"

namespace kestrove::ui {

// One grid column: the list field it shows, its width in characters and
// its title.
struct GridColumn {
  const char* field;
  int width_chars;
  const char* title;
};

// Ends the pending insert or edit as leaving the row does: posted when a
// field was changed, dropped otherwise.
void SettleRow(TdxMemData& list);

// Position of the stored record with that hidden record number; -1 when it
// is no longer in the list.
int32_t FindRecord(const TdxMemData& list, int32_t rec_id);

class ListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  ListModel(TdxMemData& list, const std::vector<GridColumn>& columns, QObject* parent = nullptr);

  TdxMemData& List() { return list_; }
  // The list field a column shows.
  int FieldOfColumn(int column) const { return fields_.at(static_cast<size_t>(column)); }
  int WidthOfColumn(int column) const { return widths_.at(static_cast<size_t>(column)); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // Rows the list shows now: its records, and a pending new one.
  int ListRows() const;
  // Catches up with the store after it changed: rows added or dropped at
  // the end, then every cell and the row indicator repainted.
  void Refresh();
  // Makes `row` the list's current record. Leaving a row settles it first,
  // which may move records (a sorted list places a posted one), so the
  // target is found again by its record number.
  void GoToRow(int row);

 private:
  // The stored record a row shows, or -1 for the pending one.
  int32_t StoredIndex(int row) const;

  TdxMemData& list_;
  std::vector<int> fields_;
  std::vector<int> widths_;
  std::vector<QString> titles_;
  // The rows the views were last told of; follows ListRows() in Refresh.
  int rows_ = 0;
};

}  // namespace kestrove::ui

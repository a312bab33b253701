#include "app/profile_layout.h"

namespace kestrove {

const std::vector<std::string>& DatabaseLayout::TableNames() {
  if (!listed_) {
    names_ = db_.Catalog.TableNames();
    // The window marks the catalogue stale after filling its list, so each
    // connect lists anew.
    db_.Catalog.MarkStale();
    listed_ = true;
  }
  return names_;
}

std::vector<LayoutColumn> DatabaseLayout::Columns(const std::string& table) {
  DbTable& reader = db_.TargetTable;
  reader.Close();
  reader.SetTableName(rules_ ? QuoteTableName(table, *rules_) : table);
  std::vector<LayoutColumn> columns;
  try {
    reader.Open();
    for (const TFieldDef& def : reader.FieldDefs())
      columns.push_back({def.Name, def.DataType, def.Size});
  } catch (...) {
    reader.Close();
    throw;
  }
  reader.Close();
  return columns;
}

}  // namespace kestrove

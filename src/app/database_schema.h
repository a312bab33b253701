// The draft's schema reader over a connected data source: the tables and
// columns as the window lists them, the keys from the driver's catalogue.
#pragma once

#include <string>
#include <vector>

#include "app/profile_layout.h"
#include "catalogue/draft.h"
#include "db/database.h"

namespace kestrove {

class DatabaseSchema : public SchemaReader {
 public:
  // `db` must be connected and outlive the reader.
  explicit DatabaseSchema(Database& db) : db_(db), layout_(db) {}

  const std::vector<std::string>& TableNames() override { return layout_.TableNames(); }
  bool IsView(size_t slot) override;
  // The columns through TargetTable, then the primary key and the foreign
  // keys; EODBC when any of them is refused.
  TableFacts Facts(const std::string& table) override;

 private:
  Database& db_;
  DatabaseLayout layout_;
};

}  // namespace kestrove

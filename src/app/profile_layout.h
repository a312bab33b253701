// The tables and fields of a connected data source as the window lists
// them, for placing and naming the tables and fields of named profiles.
#pragma once

#include <string>
#include <vector>

#include "catalogue/named_profile.h"
#include "db/database.h"

namespace kestrove {

class DatabaseLayout : public ProfileLayout {
 public:
  // `db` must be connected and outlive the layout.
  explicit DatabaseLayout(Database& db) : db_(db) {}

  // The table list, listed once, as the window lists it on connecting.
  const std::vector<std::string>& TableNames() override;
  // Every result column of the table, read through TargetTable, which is
  // left closed.
  std::vector<LayoutColumn> Columns(const std::string& table) override;

 private:
  Database& db_;
  std::vector<std::string> names_;
  bool listed_ = false;
};

}  // namespace kestrove

// The tables and fields of a connected data source as the window lists
// them, for placing and naming the tables and fields of named profiles.
#pragma once

#include <string>
#include <vector>

#include "catalogue/named_profile.h"
#include "db/database.h"
#include "db/identifiers.h"

namespace kestrove {

class DatabaseLayout : public ProfileLayout {
 public:
  // `db` must be connected and outlive the layout.
  // `rules`, when given, quote the table names it reads (a named run on a
  // data source); they must outlive the layout.
  explicit DatabaseLayout(Database& db, const IdentifierRules* rules = nullptr)
      : db_(db), rules_(rules) {}

  // The table list, listed once, as the window lists it on connecting.
  const std::vector<std::string>& TableNames() override;
  // Every result column of the table, read through TargetTable, which is
  // left closed.
  std::vector<LayoutColumn> Columns(const std::string& table) override;

 private:
  Database& db_;
  const IdentifierRules* rules_;
  std::vector<std::string> names_;
  bool listed_ = false;
};

}  // namespace kestrove

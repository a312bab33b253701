// Foreign keys read through SQLForeignKeys on every driver: the music shop's
// keys, a self-reference, and two keys of two columns to one table, whose
// rows the drivers interleave.
#include "db/foreign_keys.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "db/db_test_support.h"
#include "db/music_shop.h"

namespace kestrove {
namespace {

class ForeignKeysTest : public testing::DriverTest {
 protected:
  // Each key as "a,b -> t(x,y)", sorted, so the check does not depend on
  // the order in which a driver lists them.
  std::vector<std::string> Keys(const std::string& table) {
    std::vector<std::string> keys;
    for (const ForeignKey& key : ReadForeignKeys(db_.Connector, table)) {
      auto joined = [](const std::vector<std::string>& names) {
        std::string text;
        for (const std::string& name : names) text += (text.empty() ? "" : ",") + name;
        return text;
      };
      EXPECT_EQ(key.Columns.size(), key.ReferencedColumns.size()) << table;
      // PostgreSQL names its constraints; sqliteodbc names none.
      if (IsPostgres()) {
        EXPECT_FALSE(key.Name.empty()) << table;
      }
      keys.push_back(joined(key.Columns) + " -> " + key.ReferencedTable + "(" +
                     joined(key.ReferencedColumns) + ")");
    }
    std::sort(keys.begin(), keys.end());
    return keys;
  }
};

TEST_P(ForeignKeysTest, ReadsTheMusicShopsKeys) {
  testing::CreateMusicShop([&](const std::string& sql) { Exec(sql); }, IsPostgres());
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"album", {"artist_id -> artist(artist_id)", "label_id -> label(label_id)"}},
      {"employee", {"reports_to -> employee(employee_id)"}},
      {"playlist_track", {"playlist_id -> playlist(playlist_id)", "track_id -> track(track_id)"}},
      {"genre", {}},
  };
  for (const auto& [table, keys] : cases) EXPECT_EQ(Keys(table), keys) << table;
  testing::DropMusicShop([&](const std::string& sql) { Exec(sql); });
}

TEST_P(ForeignKeysTest, GroupsTheColumnsOfTwoKeysToOneTable) {
  Drop("kt_fk_child");
  Drop("kt_fk_parent");
  Exec(
      "CREATE TABLE kt_fk_parent (a INTEGER, b INTEGER, c INTEGER, d INTEGER, "
      "PRIMARY KEY (a, b), UNIQUE (c, d))");
  Exec(
      "CREATE TABLE kt_fk_child (w INTEGER, x INTEGER, y INTEGER, z INTEGER, "
      "CONSTRAINT kt_fk_ab FOREIGN KEY (x, w) REFERENCES kt_fk_parent (a, b), "
      "CONSTRAINT kt_fk_cd FOREIGN KEY (y, z) REFERENCES kt_fk_parent (c, d))");
  EXPECT_EQ(Keys("kt_fk_child"),
            (std::vector<std::string>{"x,w -> kt_fk_parent(a,b)", "y,z -> kt_fk_parent(c,d)"}));
  Drop("kt_fk_child");
  Drop("kt_fk_parent");
}

INSTANTIATE_TEST_SUITE_P(Drivers, ForeignKeysTest,
                         ::testing::Values(testing::Driver{"Sqlite", "KESTROVE_SQLITE_DSN"},
                                           testing::Driver{"Postgres", "KESTROVE_PG_DSN"}),
                         testing::DriverName);

}  // namespace
}  // namespace kestrove

// The music shop of tests/data, made afresh on a driver's data source.
#pragma once

#include <functional>
#include <string>

#include "tools/tool_runner.h"

namespace kestrove::testing {

// Its eleven tables, in the order the data sources list them (by name).
inline constexpr const char* kMusicShopTables[] = {
    "album",        "artist", "customer", "employee",       "genre", "invoice",
    "invoice_line", "label",  "playlist", "playlist_track", "track"};

// Drops what an earlier run left, children first so that no key stands in
// the way where keys are enforced, and creates the tables in the driver's
// own DDL.
inline void CreateMusicShop(const std::function<void(const std::string&)>& exec, bool postgres) {
  for (const char* table : {"playlist_track", "invoice_line", "invoice", "customer", "employee",
                            "track", "album", "artist", "label", "genre", "playlist"})
    exec(std::string("DROP TABLE IF EXISTS ") + table);
  const std::string file = testing_support::SourceDir() + "/tests/data/music_shop." +
                           (postgres ? "pg" : "sqlite") + ".sql";
  for (const std::string& statement : testing_support::SchemaStatements(file)) exec(statement);
}

}  // namespace kestrove::testing

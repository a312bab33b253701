// The music shop of tests/data, made afresh on a driver's data source.
#pragma once

#include <functional>
#include <string>

#include "tools/tool_runner.h"

namespace kestrove::testing {

using SqlExec = std::function<void(const std::string&)>;

// Drops its tables, children first so that no key stands in the way where
// keys are enforced.
inline void DropMusicShop(const SqlExec& exec) {
  for (const char* table : {"playlist_track", "invoice_line", "invoice", "client", "employee",
                            "track", "album", "artist", "label", "genre", "playlist"})
    exec(std::string("DROP TABLE IF EXISTS ") + table);
}

// Drops what an earlier run left and creates the tables in the driver's own
// DDL.
inline void CreateMusicShop(const SqlExec& exec, bool postgres) {
  DropMusicShop(exec);
  const std::string file = testing_support::SourceDir() + "/tests/data/music_shop." +
                           (postgres ? "pg" : "sqlite") + ".sql";
  for (const std::string& statement : testing_support::SchemaStatements(file)) exec(statement);
}

}  // namespace kestrove::testing

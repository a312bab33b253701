// Foreign keys that refer round in a circle: the hook through which a run
// fills the tables of such a cycle out of the plain parents-first order. A
// nullable key of the cycle is inserted as NULL and set by an Update once
// the table it refers to is filled; a NOT NULL key gets a value that the
// table it refers to will have, while the key checks are put off.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/key_guard.h"
#include "core/profile.h"
#include "core/run_services.h"

namespace kestrove {

// A statement the cycle keys ask the run to send (a Begin, a setting, a
// Commit), announced to the host as any other.
struct CycleStatement {
  StatementKind Kind;
  std::string Sql;
};

// One row's key set by an Update: "Update T Set column = value Where ...".
// Values are bare, as the record made them; `quoted` values are text
// literals, which the run writes as it writes the Inserts' text values.
struct KeyUpdate {
  struct Part {
    std::string Column;
    std::string Value;
    bool Quoted = false;
  };
  Part Set;
  std::vector<Part> Where;
};

// Asked by the run when set (GenerationRun::Cycles); the window and .prf
// runs never set one.
class CycleKeys {
 public:
  virtual ~CycleKeys() = default;
  // True for a key of a cycle: its field in table `slot` is filled by the
  // cycle keys, not by its Database Lookup (the key guard leaves it alone).
  virtual bool Owns(int slot, int field) const = 0;
  // Statements to send before the first statement of `slot` (its Delete
  // when `deleting`, else its first Insert).
  virtual void Before(int slot, bool deleting, std::vector<CycleStatement>& out) = 0;
  // The table's turn, before its first record.
  virtual void TableStarting(int slot, const TTableStruct& table, int32_t count) = 0;
  // For a field of the table under way that the cycle keys own: true when
  // it is inserted as NULL now (and set later); false when AppendValue
  // writes its value.
  virtual bool InsertsNull(int field) = 0;
  virtual void AppendValue(int field, std::string& out) = 0;
  // The record's values are final (admitted by the guard, before quotes
  // are doubled).
  virtual void RecordMade(const RecordValues& values) = 0;
  // After the table's last record: the Updates now due (of keys whose two
  // tables are filled), which the run sends into table `update_table`...
  struct Due {
    std::string Table;
    std::vector<KeyUpdate> Updates;
  };
  virtual void Filled(int slot, std::vector<Due>& out) = 0;
  // ... and then the statements that end a span of put-off checks there.
  // Raises EKeyError, before they are sent, when a key of the cycle names
  // no row.
  virtual void AfterFilled(int slot, std::vector<CycleStatement>& out) = 0;
};

}  // namespace kestrove

// How a cycle of foreign keys is planned: which keys wait, in which order
// the tables run, how the checks are put off on each DBMS, and what a
// cycle that cannot be filled says before anything is sent.
#include "app/key_cycles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrove {
namespace {

// Slots 0 (depot) and 1 (staff): depot.manager_staff_id -> staff,
// staff.depot_id -> depot, both NOT NULL unless `nullable_manager`.
std::vector<CycleEdge> DepotStaff(bool nullable_manager, bool manager_predictable,
                                  bool depot_predictable) {
  CycleEdge manager{0, 1, 1, 0, "manager_staff_id", "staff_id", "depot_manager_fkey"};
  manager.nullable = nullable_manager;
  manager.distinct = true;
  manager.predictable = manager_predictable;
  CycleEdge depot{1, 0, 1, 0, "depot_id", "depot_id", "staff_depot_fkey"};
  depot.predictable = depot_predictable;
  return {manager, depot};
}

KeyCheckDeferral Sqlite() {
  KeyCheckDeferral d;
  d.dbms = "SQLite";
  d.defer_all = "PRAGMA defer_foreign_keys = ON";
  return d;
}

KeyCheckDeferral MariaDb() {
  KeyCheckDeferral d;
  d.dbms = "MariaDB";
  d.switch_off = "SET foreign_key_checks = 0";
  d.switch_on = "SET foreign_key_checks = 1";
  return d;
}

// PostgreSQL with the manager's key DEFERRABLE or not, and an account that
// may set session_replication_role or not.
KeyCheckDeferral Postgres(bool deferrable, bool replica) {
  KeyCheckDeferral d;
  d.dbms = "PostgreSQL";
  d.defers_deferrable = true;
  if (deferrable) d.deferrable = {{"depot_manager_fkey", "public.depot_manager_fkey"}};
  if (replica) {
    d.switch_off = "SET session_replication_role = replica";
    d.switch_on = "SET session_replication_role = DEFAULT";
  }
  d.needs = "make one DEFERRABLE";
  return d;
}

struct Case {
  const char* name;
  std::vector<CycleEdge> edges;
  KeyCheckDeferral deferral;
  std::vector<int> order;
  std::vector<size_t> later, forward;
  std::vector<std::string> off, on;
  std::string error;
};

TEST(PlanCycleTest, EachDbmsAndAccountGetsItsWayOrItsReason) {
  const std::string cycle =
      "the foreign keys of tables depot and staff form a cycle of NOT NULL keys "
      "(depot.manager_staff_id -> staff and staff.depot_id -> depot)";
  const std::vector<Case> cases = {
      {"nullable key waits for an Update, no checks put off",
       DepotStaff(true, false, true),
       Postgres(false, false),
       {0, 1},
       {0},
       {},
       {},
       {},
       ""},
      {"SQLite defers every key",
       DepotStaff(false, true, true),
       Sqlite(),
       {0, 1},
       {},
       {0},
       {"PRAGMA defer_foreign_keys = ON"},
       {},
       ""},
      {"MariaDB switches the checks off and on",
       DepotStaff(false, false, true),
       MariaDb(),
       {1, 0},
       {},
       {1},
       {"SET foreign_key_checks = 0"},
       {"SET foreign_key_checks = 1"},
       ""},
      {"PostgreSQL defers the DEFERRABLE key, though replica is allowed",
       DepotStaff(false, true, true),
       Postgres(true, true),
       {0, 1},
       {},
       {0},
       {"SET CONSTRAINTS public.depot_manager_fkey DEFERRED"},
       {},
       ""},
      {"PostgreSQL with no DEFERRABLE key uses replica",
       DepotStaff(false, true, true),
       Postgres(false, true),
       {0, 1},
       {},
       {0},
       {"SET session_replication_role = replica"},
       {"SET session_replication_role = DEFAULT"},
       ""},
      {"PostgreSQL, no DEFERRABLE key and no replica: stopped",
       DepotStaff(false, true, true),
       Postgres(false, false),
       {},
       {},
       {},
       {},
       {},
       cycle + ", whose checks this account cannot put off on PostgreSQL: make one DEFERRABLE; "
               "nothing was sent"},
      {"the only DEFERRABLE key refers to no Counter: stopped",
       DepotStaff(false, false, true),
       Postgres(true, false),
       {},
       {},
       {},
       {},
       {},
       cycle + ": one of them must take the values that the table it refers to will have, which "
               "a run knows only of a Counter: give staff.staff_id a Counter (the only one of its "
               "table); nothing was sent"},
      {"no key refers to a Counter: stopped",
       DepotStaff(false, false, false),
       MariaDb(),
       {},
       {},
       {},
       {},
       {},
       cycle + ": one of them must take the values that the table it refers to will have, which "
               "a run knows only of a Counter: give staff.staff_id and depot.depot_id a Counter "
               "(the only one of its table); nothing was sent"},
  };
  const auto name = [](int slot) { return std::string(slot == 0 ? "depot" : "staff"); };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CyclePlan plan = PlanCycle({0, 1}, c.edges, c.deferral, name);
    EXPECT_EQ(plan.error, c.error);
    if (!c.error.empty()) continue;
    EXPECT_EQ(plan.order, c.order);
    EXPECT_EQ(plan.later, c.later);
    EXPECT_EQ(plan.forward, c.forward);
    EXPECT_EQ(plan.off, c.off);
    EXPECT_EQ(plan.on, c.on);
  }
}

}  // namespace
}  // namespace kestrove

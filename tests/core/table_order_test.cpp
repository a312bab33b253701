#include "core/table_order.h"

#include <gtest/gtest.h>

namespace kestrove {
namespace {

struct OrderCase {
  const char* name;
  std::vector<std::vector<int>> references;
  std::vector<int> order;
  std::vector<std::vector<int>> cycles;
};

TEST(TableOrderTest, ParentsComeFirstAndTiesKeepSlotOrder) {
  const OrderCase cases[] = {
      {"no tables", {}, {}, {}},
      {"no keys", {{}, {}, {}}, {0, 1, 2}, {}},
      {"child listed first", {{1}, {}}, {1, 0}, {}},
      {"self-reference", {{0}, {}}, {0, 1}, {}},
      {"self-reference and a parent", {{0, 1}, {}}, {1, 0}, {}},
      {"a later table overtakes only its child", {{2}, {}, {}}, {1, 2, 0}, {}},
      {"diamond", {{1, 2}, {3}, {3}, {}}, {3, 1, 2, 0}, {}},
      {"two keys to one parent", {{1, 1}, {}}, {1, 0}, {}},
      {"cycle", {{1}, {0}, {}}, {0, 1, 2}, {{0, 1}}},
      {"cycle after its parent", {{1, 3}, {0}, {}, {}}, {2, 3, 0, 1}, {{0, 1}}},
      {"cycle of three and a child of it", {{2}, {0}, {1}, {1}}, {0, 1, 2, 3}, {{0, 1, 2}}},
      {"two cycles", {{1}, {0}, {3}, {2, 0}}, {0, 1, 2, 3}, {{0, 1}, {2, 3}}},
      // The music shop as listed: album, artist, client, employee, genre,
      // invoice, invoice_line, label, playlist, playlist_track, track.
      {"music shop",
       {{1, 7}, {}, {3}, {3}, {}, {2}, {5, 10}, {}, {}, {8, 10}, {0, 4}},
       {1, 3, 2, 4, 5, 7, 0, 8, 10, 6, 9},
       {}},
  };
  for (const OrderCase& c : cases) {
    const ParentsFirstOrder result = OrderParentsFirst(c.references);
    EXPECT_EQ(result.Order, c.order) << c.name;
    EXPECT_EQ(result.Cycles, c.cycles) << c.name;
  }
}

}  // namespace
}  // namespace kestrove

// The order in which tables linked by foreign keys are filled: every table
// after the tables it refers to.
#pragma once

#include <vector>

namespace kestrove {

struct ParentsFirstOrder {
  // Every table once, each after the tables it refers to.
  std::vector<int> Order;
  // The tables whose keys refer round in a circle, each group in index order.
  std::vector<std::vector<int>> Cycles;
};

// Tables are numbered 0..n-1 in slot order; `references[i]` holds the tables
// that table i refers to (i itself for a self-reference, which is no
// constraint on the order). Ties keep index order: of the tables whose
// parents are all placed, the lowest comes next. The tables of a cycle
// cannot all follow each other's parents: they come together, in index
// order, once the tables they refer to outside the cycle are placed.
ParentsFirstOrder OrderParentsFirst(const std::vector<std::vector<int>>& references);

}  // namespace kestrove

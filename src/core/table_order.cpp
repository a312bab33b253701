#include "core/table_order.h"

#include <functional>
#include <queue>

namespace kestrove {

ParentsFirstOrder OrderParentsFirst(const std::vector<std::vector<int>>& references) {
  const int n = static_cast<int>(references.size());
  auto valid = [n](int t) { return t >= 0 && t < n; };
  // reach[i][j]: table i refers to j, directly or through others. A profile
  // holds at most a hundred tables, so a search from each is cheap enough.
  std::vector<std::vector<bool>> reach(n, std::vector<bool>(n, false));
  for (int from = 0; from < n; ++from) {
    std::vector<int> stack = {from};
    while (!stack.empty()) {
      const int at = stack.back();
      stack.pop_back();
      for (const int to : references[at])
        if (valid(to) && !reach[from][to]) {
          reach[from][to] = true;
          stack.push_back(to);
        }
    }
  }
  // Tables that reach each other form one group, named by its lowest table;
  // a group of one is a table on its own.
  std::vector<int> group(n);
  std::vector<std::vector<int>> members(n);
  ParentsFirstOrder result;
  for (int i = 0; i < n; ++i) {
    group[i] = i;
    for (int j = 0; j < i; ++j)
      if (reach[i][j] && reach[j][i]) {
        group[i] = group[j];
        break;
      }
    members[group[i]].push_back(i);
  }
  for (int g = 0; g < n; ++g)
    if (members[g].size() > 1) result.Cycles.push_back(members[g]);

  // Groups placed once every group they refer to is, the lowest first.
  std::vector<int> waiting(n, 0);
  std::vector<std::vector<int>> children(n);
  for (int i = 0; i < n; ++i)
    for (const int to : references[i])
      if (valid(to) && group[to] != group[i]) {
        ++waiting[group[i]];
        children[group[to]].push_back(group[i]);
      }
  std::priority_queue<int, std::vector<int>, std::greater<int>> ready;
  for (int g = 0; g < n; ++g)
    if (!members[g].empty() && waiting[g] == 0) ready.push(g);
  while (!ready.empty()) {
    const int g = ready.top();
    ready.pop();
    result.Order.insert(result.Order.end(), members[g].begin(), members[g].end());
    for (const int child : children[g])
      if (--waiting[child] == 0) ready.push(child);
  }
  return result;
}

}  // namespace kestrove

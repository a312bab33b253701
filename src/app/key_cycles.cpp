#include "app/key_cycles.h"

#include <algorithm>
#include <charconv>

#include "core/field_types.h"
#include "generators/random.h"

namespace kestrove {

namespace {

std::string Names(const std::vector<std::string>& names) {
  std::string out;
  for (size_t i = 0; i < names.size(); ++i)
    out += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
  return out;
}

bool IsDeferrable(const CycleEdge& edge, const KeyCheckDeferral& deferral, std::string* named) {
  if (!deferral.defers_deferrable || edge.constraint.empty()) return false;
  for (const auto& [bare, qualified] : deferral.deferrable)
    if (bare == edge.constraint) {
      if (named) *named = qualified;
      return true;
    }
  return false;
}

}  // namespace

CyclePlan PlanCycle(const std::vector<int>& tables, const std::vector<CycleEdge>& edges,
                    const KeyCheckDeferral& deferral,
                    const std::function<std::string(int slot)>& name) {
  CyclePlan plan;
  const size_t n = tables.size();
  auto at = [&](int slot) {
    return static_cast<size_t>(std::find(tables.begin(), tables.end(), slot) - tables.begin());
  };
  std::vector<bool> broken(edges.size(), false);
  auto live = [&](size_t e) {
    return !edges[e].nullable && !broken[e] && edges[e].child != edges[e].parent;
  };
  // A circle of the NOT NULL keys left: the edges of one, or none.
  auto find_circle = [&]() -> std::vector<size_t> {
    std::vector<int> state(n, 0);  // 0 new, 1 on the path, 2 done
    std::vector<size_t> path;
    std::vector<size_t> found;
    std::function<bool(size_t)> visit = [&](size_t v) {
      state[v] = 1;
      for (size_t e = 0; e < edges.size(); ++e) {
        if (!live(e) || at(edges[e].child) != v) continue;
        const size_t w = at(edges[e].parent);
        path.push_back(e);
        if (state[w] == 1) {
          // The circle is the path's edges from the one leaving w.
          size_t from = path.size() - 1;
          while (at(edges[path[from]].child) != w) --from;
          found.assign(path.begin() + static_cast<long>(from), path.end());
          return true;
        }
        if (state[w] == 0 && visit(w)) return true;
        path.pop_back();
      }
      state[v] = 2;
      return false;
    };
    for (size_t v = 0; v < n; ++v)
      if (state[v] == 0 && visit(v)) return found;
    return {};
  };
  const bool defer_all = !deferral.defer_all.empty();
  const bool switch_off = !deferral.switch_off.empty();
  for (std::vector<size_t> circle = find_circle(); !circle.empty(); circle = find_circle()) {
    std::vector<std::string> keys, counters;
    int best = -1;
    bool any_way = false;
    for (const size_t e : circle) {
      const CycleEdge& edge = edges[e];
      keys.push_back(name(edge.child) + "." + edge.column + " -> " + name(edge.parent));
      const bool deferrable = IsDeferrable(edge, deferral, nullptr);
      if (!(defer_all || switch_off || deferrable)) continue;
      any_way = true;
      counters.push_back(name(edge.parent) + "." + edge.parent_column);
      if (!edge.predictable) continue;
      // A key that can wait for the commit needs no switch.
      if (best < 0 || (deferrable && !IsDeferrable(edges[best], deferral, nullptr)))
        best = static_cast<int>(e);
    }
    std::vector<std::string> circle_tables;
    for (const size_t e : circle) circle_tables.push_back(name(edges[e].child));
    std::sort(circle_tables.begin(), circle_tables.end());
    const std::string head = "the foreign keys of tables " + Names(circle_tables) +
                             " form a cycle of NOT NULL keys (" + Names(keys) + ")";
    if (!any_way) {
      plan.error = head + ", whose checks this account cannot put off on " + deferral.dbms + ": " +
                   deferral.needs + "; nothing was sent";
      return plan;
    }
    if (best < 0) {
      counters.erase(std::unique(counters.begin(), counters.end()), counters.end());
      plan.error = head +
                   ": one of them must take the values that the table it refers to will have, "
                   "which a run knows only of a Counter: give " +
                   Names(counters) + " a Counter (the only one of its table); nothing was sent";
      return plan;
    }
    broken[static_cast<size_t>(best)] = true;
  }
  // Parents first by the NOT NULL keys left, ties in slot order.
  std::vector<bool> placed(n, false);
  while (plan.order.size() < n) {
    for (size_t v = 0; v < n; ++v) {
      if (placed[v]) continue;
      bool ready = true;
      for (size_t e = 0; e < edges.size() && ready; ++e)
        if (live(e) && at(edges[e].child) == v && !placed[at(edges[e].parent)]) ready = false;
      if (!ready) continue;
      placed[v] = true;
      plan.order.push_back(tables[v]);
      break;
    }
  }
  auto pos = [&](int slot) { return std::find(plan.order.begin(), plan.order.end(), slot); };
  std::vector<std::string> deferred;
  bool all_deferrable = true;
  for (size_t e = 0; e < edges.size(); ++e) {
    const CycleEdge& edge = edges[e];
    if (edge.child == edge.parent || pos(edge.parent) < pos(edge.child)) continue;
    if (edge.nullable) {
      plan.later.push_back(e);
      continue;
    }
    plan.forward.push_back(e);
    std::string qualified;
    if (IsDeferrable(edge, deferral, &qualified))
      deferred.push_back(qualified);
    else
      all_deferrable = false;
  }
  if (plan.forward.empty()) return plan;
  if (defer_all) {
    plan.off = {deferral.defer_all};
    plan.how = "the key checks deferred to the commit (" + deferral.defer_all + ")";
  } else if (all_deferrable) {
    plan.off = {KeyCheckDeferral::SetConstraintsDeferred(deferred)};
    plan.how = "the key checks deferred to the commit (" + plan.off[0] + ")";
  } else {
    plan.off = {deferral.switch_off};
    plan.on = {deferral.switch_on};
    plan.how = "the key checks switched off meanwhile (" + deferral.switch_off + ")";
  }
  return plan;
}

// --- the run -----------------------------------------------------------------

uint64_t KeyCycles::Below(uint64_t n) {
  if (n <= 1) return 0;
  if (n <= 0x80000000ull)
    return static_cast<uint64_t>(random_.RandomBetween(0, static_cast<int32_t>(n - 1)));
  const uint64_t high = static_cast<uint32_t>(random_.RandomBetween(INT32_MIN, INT32_MAX));
  const uint64_t low = static_cast<uint32_t>(random_.RandomBetween(INT32_MIN, INT32_MAX));
  return ((high << 32) | low) % n;
}

bool KeyCycles::Owns(int slot, int field) const {
  for (const Key& key : keys_)
    if (key.edge.child == slot && key.edge.field == field) return true;
  return false;
}

void KeyCycles::Before(int slot, bool deleting, std::vector<CycleStatement>& out) {
  // A table whose rows a later key of another names goes after that
  // table's Delete, children first: the key is emptied first where that
  // table deletes its rows too (they go anyway), so the Delete is not
  // refused.
  if (deleting)
    for (const Key& key : keys_) {
      const TTableStruct& child = state_.Tables[key.edge.child];
      if (!key.later || key.edge.parent != slot || child.DeleteExisting != 1) continue;
      auto name = [&](const std::string& n) { return QuoteName ? QuoteName(n) : n; };
      out.push_back({StatementKind::kUpdate, "Update " + name(child.TableName) + " Set " +
                                                 name(key.edge.column) + " = NULL"});
    }
  span_started_.resize(cycles_.size(), false);
  for (size_t c = 0; c < cycles_.size(); ++c) {
    Cycle& cycle = cycles_[c];
    if (!cycle.span || span_started_[c]) continue;
    if (std::find(cycle.tables.begin(), cycle.tables.end(), slot) == cycle.tables.end()) continue;
    span_started_[c] = true;
    out.push_back({StatementKind::kBegin, "BEGIN"});
    for (const std::string& sql : cycle.off) out.push_back({StatementKind::kSetting, sql});
  }
}

void KeyCycles::TableStarting(int slot, const TTableStruct& table, int32_t count) {
  slot_ = slot;
  (void)count;
  for (Key& key : keys_) {
    if (key.edge.child != slot || key.later) continue;
    // The Counter of the table referred to starts where its turn will
    // start it: past the values the table holds unless it is emptied
    // first (with the run's unique keys, as the guard starts it), and at
    // least at the Counter's Start.
    const TTableStruct& parent = state_.Tables[key.edge.parent];
    const TFieldStruct& counter = parent.Fields[key.edge.parent_field];
    int64_t start = 1;
    if (parent.DeleteExisting != 1 && unique_ && facts_ &&
        (counter.ChoiceCode == 206 || counter.ChoiceCode == kBigintCounter)) {
      int64_t top = 0;
      for (const std::string& v : facts_->Values(parent.TableName, key.edge.parent_column)) {
        int64_t x = 0;
        const auto r = std::from_chars(v.data(), v.data() + v.size(), x);
        if (r.ec == std::errc() && r.ptr == v.data() + v.size()) top = std::max(top, x);
      }
      start = std::max<int64_t>(start, top + 1);
    }
    if (!counter.Param1.empty())
      start = std::max<int64_t>(start, std::atoll(counter.Param1.c_str()));
    key.start = start;
    key.count = static_cast<int32_t>(static_cast<uint32_t>(parent.RecordCount));
    if (key.edge.distinct) key.sampler = DistinctSampler(key.count, count);
  }
  (void)table;
}

bool KeyCycles::InsertsNull(int field) {
  for (Key& key : keys_)
    if (key.edge.child == slot_ && key.edge.field == field) {
      key.want_update = key.later;
      return key.later;
    }
  return false;
}

void KeyCycles::AppendValue(int field, std::string& out) {
  for (Key& key : keys_) {
    if (key.edge.child != slot_ || key.edge.field != field) continue;
    uint64_t offset;
    if (key.edge.distinct) {
      // Counted before the run: the table referred to makes enough.
      offset = key.sampler.Take(Below(key.sampler.Left()));
    } else {
      offset = Below(static_cast<uint64_t>(key.count));
    }
    out += std::to_string(key.start + static_cast<int64_t>(offset));
    return;
  }
}

void KeyCycles::RecordMade(const RecordValues& values) {
  for (Key& key : keys_) {
    if (key.edge.parent == slot_ && key.later && key.edge.parent_field >= 0)
      key.made.emplace_back(values.Value(key.edge.parent_field));
    if (key.edge.child != slot_ || !key.later) continue;
    if (key.want_update && !key.row_fields.empty()) {
      std::vector<std::string> row;
      bool null = false;
      for (const int f : key.row_fields) {
        row.emplace_back(values.Value(f));
        null = null || row.back() == "NULL";
      }
      if (!null) key.rows.push_back(std::move(row));
    }
    key.want_update = false;
  }
}

void KeyCycles::Filled(int slot, std::vector<Due>& out) {
  done_.push_back(slot);
  auto done = [&](int s) { return std::find(done_.begin(), done_.end(), s) != done_.end(); };
  for (Key& key : keys_) {
    if (!key.later || (key.edge.child != slot && key.edge.parent != slot)) continue;
    if (!done(key.edge.child) || !done(key.edge.parent)) continue;
    const TTableStruct& child = state_.Tables[key.edge.child];
    const TTableStruct& parent = state_.Tables[key.edge.parent];
    std::vector<std::string> values = key.made;
    // A column the run leaves to the database: read once the table is
    // filled (on a data source; a dry run has none to read).
    if (key.edge.parent_field < 0 && facts_)
      values = facts_->Values(parent.TableName, key.edge.parent_column);
    std::vector<std::string> taken;
    if (key.edge.distinct && child.DeleteExisting != 1 && facts_)
      taken = facts_->Values(child.TableName, key.edge.column);
    if (key.edge.distinct) {
      std::sort(values.begin(), values.end());
      values.erase(std::unique(values.begin(), values.end()), values.end());
      std::sort(taken.begin(), taken.end());
      std::vector<std::string> left;
      std::set_difference(values.begin(), values.end(), taken.begin(), taken.end(),
                          std::back_inserter(left));
      values = std::move(left);
    }
    Due due{child.TableName, {}};
    size_t set = 0;
    for (const auto& row : key.rows) {
      if (values.empty()) break;
      const size_t at = static_cast<size_t>(Below(values.size()));
      KeyUpdate u;
      u.Set = {key.edge.column, values[at], key.quoted};
      for (size_t i = 0; i < row.size(); ++i)
        u.Where.push_back({key.row_columns[i], row[i], key.row_quoted[i]});
      due.Updates.push_back(std::move(u));
      ++set;
      if (key.edge.distinct) {
        values[at] = std::move(values.back());
        values.pop_back();
      }
    }
    if (set < key.rows.size())
      notes_.push_back(std::to_string(key.rows.size() - set) + " rows of " + child.TableName +
                       " keep " + key.edge.column + " NULL: " + parent.TableName +
                       " has no more values for it");
    key.rows.clear();
    key.made.clear();
    if (!due.Updates.empty()) out.push_back(std::move(due));
  }
}

void KeyCycles::AfterFilled(int slot, std::vector<CycleStatement>& out) {
  span_ended_.resize(cycles_.size(), false);
  auto done = [&](int s) { return std::find(done_.begin(), done_.end(), s) != done_.end(); };
  for (size_t c = 0; c < cycles_.size(); ++c) {
    Cycle& cycle = cycles_[c];
    if (!cycle.span || span_ended_[c]) continue;
    if (std::find(cycle.tables.begin(), cycle.tables.end(), slot) == cycle.tables.end()) continue;
    if (!std::all_of(cycle.tables.begin(), cycle.tables.end(), done)) continue;
    span_ended_[c] = true;
    // Before the checks are back: a key of the cycle that names no row
    // ends the run, and the span's transaction is rolled back.
    if (facts_ && CheckOrphans) {
      for (const CycleEdge& edge : cycle.edges) {
        const std::string& child = state_.Tables[edge.child].TableName;
        const std::string& parent = state_.Tables[edge.parent].TableName;
        const int64_t orphans = facts_->Orphans(child, edge.column, parent, edge.parent_column);
        if (orphans > 0)
          throw EKeyError("table " + child + ": " + std::to_string(orphans) + " rows name in " +
                          edge.column + " no row of " + parent +
                          " once the cycle's tables are filled; the cycle's rows were rolled "
                          "back");
      }
    }
    for (const std::string& sql : cycle.on) out.push_back({StatementKind::kSetting, sql});
    out.push_back({StatementKind::kCommit, "COMMIT"});
  }
}

}  // namespace kestrove

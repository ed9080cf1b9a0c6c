// A plain A* over a route measure, written as a textbook gives it: a binary
// heap of open points, a map from lattice point to its best cost, the
// measure's distance as the step cost and the estimate. The tests use it as
// the judge of route lengths, the benchmarks as the speed to beat.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <queue>
#include <unordered_map>
#include <vector>

#include "units/path_search.h"

namespace reference_route {

struct TResult {
  bool reached = false;
  // The cost of the cheapest route by the measure (steps and penalties).
  float cost = 0.0f;
  std::vector<TVector3> points;
};

inline int64_t KeyOf(const TVector3& p) {
  const auto half = [](float v) { return static_cast<int64_t>(std::lround(v * 2.0f)) + (1 << 20); };
  return (half(p.x) << 21) ^ half(p.y);
}

// The cheapest route from start to the goal's lattice point, expanding at
// most `maxExpansions` points.
inline TResult Search(const TVector3& start, const TVector3& goal, TPathMeasure& measure, int32_t maxExpansions) {
  struct TOpen {
    float total;
    int64_t key;
    bool operator>(const TOpen& other) const { return total > other.total; }
  };
  struct TInfo {
    TVector3 position;
    float cost;
    int64_t parent;
    bool closed;
  };
  std::unordered_map<int64_t, TInfo> info;
  std::priority_queue<TOpen, std::vector<TOpen>, std::greater<TOpen>> open;
  const auto estimate = [&](const TVector3& p) {
    TPathNode node;
    node.position = p;
    return measure.Distance(node, goal);
  };
  info[KeyOf(start)] = {start, 0.0f, -1, false};
  open.push({estimate(start), KeyOf(start)});
  std::vector<TVector3> neighbours;
  TResult result;
  int64_t found = -1;
  for (int32_t expansions = 0; !open.empty() && expansions < maxExpansions;) {
    const TOpen top = open.top();
    open.pop();
    TInfo& here = info[top.key];
    if (here.closed) continue;
    if (here.position.DistanceTo(goal) < TPathSearch::kArrivalDistance) {
      found = top.key;
      break;
    }
    here.closed = true;
    ++expansions;
    neighbours.clear();
    measure.Neighbours(here.position, neighbours);
    const TVector3 from = here.position;
    const float fromCost = here.cost;
    TPathNode node;
    node.position = from;
    for (const TVector3& next : neighbours) {
      const float cost = fromCost + measure.Distance(node, next) + measure.PointPenalty(next);
      const int64_t key = KeyOf(next);
      const auto known = info.find(key);
      if (known != info.end() && (known->second.closed || known->second.cost <= cost)) continue;
      if (!measure.IsStepAllowed(from, next, goal)) continue;
      info[key] = {next, cost, top.key, false};
      open.push({cost + estimate(next), key});
    }
  }
  if (found < 0) return result;
  result.reached = true;
  result.cost = info[found].cost;
  for (int64_t key = found; key >= 0; key = info[key].parent) result.points.insert(result.points.begin(), info[key].position);
  return result;
}

}  // namespace reference_route

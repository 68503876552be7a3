// The gas-flow class's cache: the node neighbours along the element outlines.
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "classes/gs/gs_internal.hpp"

namespace tivor::gs {
namespace {

void batch_neighbours(GsCache& held) {
  constexpr int kB = GsCache::kNodeBatch;
  const int32_t* start = held.start.data();
  held.batch_start.assign(1, 0);
  held.batch_next.clear();
  for (int32_t first = 0; first + kB <= held.n1; first += kB) {
    int32_t slots = 0;
    for (int32_t i = first; i < first + kB; ++i) slots = std::max(slots, start[i + 1] - start[i]);
    for (int32_t k = 0; k < slots; ++k) {
      for (int32_t i = first; i < first + kB; ++i) {
        const int32_t count = start[i + 1] - start[i];
        const int32_t node = count == 0 ? i : held.next[start[i] + (k < count ? k : 0)];
        held.batch_next.push_back(4 * node);
      }
    }
    held.batch_start.push_back(held.batch_start.back() + slots);
  }
}

}  // namespace

GsCache& gs_cache(Session& s) {
  GsCache* held = &class_cache_of<GsCache>(s.class_cache);
  const Cmesh& c = s.cmesh;
  if (held->stamp == s.pool_stamp && held->n1 == c.n1 && held->n2 == c.n2) return *held;
  held->stamp = s.pool_stamp;
  held->n1 = c.n1;
  held->n2 = c.n2;
  std::vector<std::pair<int32_t, int32_t>> edges;
  edges.reserve(8 * static_cast<size_t>(std::max(c.n2, 0)));
  const int32_t* conn = ints(s, c.jj1);
  for (int32_t e = 0; e < c.n2; ++e) {
    const int32_t* v = conn + int64_t{e} * c.m;
    const int k = corners(v, c.m);
    for (int i = 0; i < k; ++i) {
      const int32_t a = v[i] - 1, b = v[(i + 1) % k] - 1;
      edges.emplace_back(a, b);
      edges.emplace_back(b, a);
    }
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  held->start.assign(static_cast<size_t>(std::max(c.n1, 0)) + 1, 0);
  held->next.resize(edges.size());
  for (size_t k = 0; k < edges.size(); ++k) {
    held->start[static_cast<size_t>(edges[k].first) + 1] += 1;
    held->next[k] = edges[k].second;
  }
  for (int32_t i = 0; i < c.n1; ++i) held->start[i + 1] += held->start[i];
  batch_neighbours(*held);
  return *held;
}

}  // namespace tivor::gs

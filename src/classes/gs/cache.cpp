// The gas-flow class's cache: the node neighbours along the element outlines.
#include <algorithm>
#include <memory>
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
  // Every side of every element from both its ends: counted per node, placed, and then each
  // node's short list sorted with its repeats (sides two elements share) dropped.
  const int32_t n1 = std::max(c.n1, 0);
  const int32_t* conn = ints(s, c.jj1);
  const auto sides = [&](const auto& visit) {
    for (int32_t e = 0; e < c.n2; ++e) {
      const int32_t* v = conn + int64_t{e} * c.m;
      const int k = corners(v, c.m);
      for (int i = 0; i < k; ++i) {
        const int32_t a = v[i] - 1, b = v[(i + 1) % k] - 1;
        visit(a, b);
        visit(b, a);
      }
    }
  };
  std::vector<int32_t> first(static_cast<size_t>(n1) + 1, 0);
  sides([&](int32_t a, int32_t) { ++first[a + 1]; });
  for (int32_t i = 0; i < n1; ++i) first[i + 1] += first[i];
  std::vector<int32_t> ends(static_cast<size_t>(first[n1]));
  std::vector<int32_t> at(first.begin(), first.end() - 1);
  sides([&](int32_t a, int32_t b) { ends[at[a]++] = b; });
  held->start.assign(static_cast<size_t>(n1) + 1, 0);
  held->next.clear();
  held->next.reserve(ends.size() / 2 + static_cast<size_t>(n1));
  for (int32_t i = 0; i < n1; ++i) {
    const auto b = ends.begin() + first[i], e = ends.begin() + first[i + 1];
    std::sort(b, e);
    held->next.insert(held->next.end(), b, std::unique(b, e));
    held->start[i + 1] = static_cast<int32_t>(held->next.size());
  }
  batch_neighbours(*held);
  return *held;
}

}  // namespace tivor::gs

// Flips that even out the number of edges at the nodes: a mesh of near-equilateral triangles
// has six edges at each inner node, and a node on the boundary one more than the triangles
// its angle holds at 60 degrees each. Smoothing cannot make good triangles round a node of four
// or eight edges; a flip that brings the four nodes of a pair nearer their numbers lets it.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "mesh/triangulation.hpp"

namespace tivor::mesh_detail {

void flip_valence(Triangulation& t, std::vector<int32_t>& twin, double keep) {
  std::vector<int32_t>& tri = t.tri;
  const std::vector<Pt>& p = t.nodes;
  const size_t n = p.size();
  std::vector<int32_t> edges(n, 0), want(n, 6);
  std::vector<double> angle(n, 0);
  const auto next = [](size_t e) { return e - e % 3 + (e + 1) % 3; };
  const auto prev = [](size_t e) { return e - e % 3 + (e + 2) % 3; };
  std::vector<char> on_boundary(n, 0);
  for (const int32_t v : t.bnd) on_boundary[v] = 1;
  for (size_t e = 0; e < tri.size(); ++e) {
    if (twin[e] < 0 || twin[e] > static_cast<int32_t>(e)) ++edges[tri[e]], ++edges[tri[next(e)]];
    if (on_boundary[tri[e]]) angle[tri[e]] += corner(p[tri[e]], p[tri[next(e)]], p[tri[prev(e)]]);
  }
  for (size_t v = 0; v < n; ++v) {
    if (!on_boundary[v]) continue;
    want[v] = static_cast<int32_t>(std::max(1L, std::lround(angle[v] * 3 / std::numbers::pi))) + 1;
  }
  const auto off = [&](int32_t v, int32_t change) {
    const int32_t d = edges[v] + change - want[v];
    return d * d;
  };
  std::vector<int32_t> stack;
  stack.reserve(tri.size());
  for (size_t e = 0; e < tri.size(); ++e) {
    if (twin[e] > static_cast<int32_t>(e)) stack.push_back(static_cast<int32_t>(e));
  }
  // Each flip lowers the sum of the squared differences, a whole number: the loop ends.
  while (!stack.empty()) {
    const int32_t e1 = stack.back();
    stack.pop_back();
    const int32_t e2 = twin[e1];
    if (e2 < 0) continue;
    const int32_t t1 = e1 / 3, t2 = e2 / 3;
    const int32_t a = tri[e1], b = tri[next(e1)], c = tri[prev(e1)], d = tri[prev(e2)];
    if (c == d || edges[a] <= 3 || edges[b] <= 3) continue;
    const int32_t before = off(a, 0) + off(b, 0) + off(c, 0) + off(d, 0);
    const int32_t after = off(a, -1) + off(b, -1) + off(c, 1) + off(d, 1);
    if (after >= before) continue;
    const Pt A = p[a], B = p[b], C = p[c], D = p[d];
    if (!oriented(C, A, D) || !oriented(D, B, C)) continue;
    const double old_q = std::min(sine_min(A, B, C), sine_min(B, A, D));
    const double new_q = std::min(sine_min(C, A, D), sine_min(D, B, C));
    if (new_q < keep * old_q) continue;
    flip_edge(tri, twin, e1);
    --edges[a], --edges[b], ++edges[c], ++edges[d];
    for (int k = 0; k < 3; ++k) {
      for (const int32_t e : {3 * t1 + k, 3 * t2 + k}) {
        if (twin[e] >= 0) stack.push_back(std::max(e, twin[e]));
      }
    }
  }
}

}  // namespace tivor::mesh_detail

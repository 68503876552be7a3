// A finished triangulation into the mesh record and the pools, with MESH3TO4 when quadrilaterals
// are asked for.
#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "console/console.hpp"
#include "mesh/mesh_internal.hpp"
#include "mesh/triangulation.hpp"

namespace tivor::mesh_detail {
namespace {

double d2(Pt p, Pt q) {
  return (p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y);
}

// Room for n more words at the pool's mark, else the message with the size needed.
int room(Session& s, bool real_pool, int64_t n) {
  const int64_t mark = real_pool ? s.csize.maxa : s.csize.maxk;
  const int64_t size = real_pool ? real_words(s) : int_words(s);
  if (mark + n <= size) return 0;
  return real_pool ? need_more_reals(s, mark + n) : need_more_ints(s, mark + n);
}

int store_nodes_and_boundary(Session& s, const Triangulation& t, int64_t conn_words) {
  Cmesh& c = s.cmesh;
  const auto n1 = static_cast<int64_t>(t.nodes.size()), n3 = static_cast<int64_t>(t.bnd.size() / 2);
  if (room(s, true, 2 * n1) || room(s, false, 2 * n3 + conn_words)) return 1;
  if (reserve_reals(s, c.jrz, 2 * n1, "jrz") || reserve_ints(s, c.jj2, 2 * n3, "jj2")) return 1;
  float* rz = reals(s, c.jrz);
  for (int64_t k = 0; k < n1; ++k) {
    rz[2 * k] = static_cast<float>(t.nodes[k].y);
    rz[2 * k + 1] = static_cast<float>(t.nodes[k].x);
  }
  int32_t* b = ints(s, c.jj2);
  for (int64_t k = 0; k < n3; ++k) {
    b[2 * k] = t.bnd[2 * k] + 1;
    b[2 * k + 1] = (t.iface[k] ? -1 : 1) * (t.bnd[2 * k + 1] + 1);
  }
  c.n1 = static_cast<int32_t>(n1);
  c.n3 = static_cast<int32_t>(n3);
  c.n2 = 0;
  return 0;
}

}  // namespace

int need_more_reals(Session& s, int64_t need) {
  if (s.colors.col != 1) newstr(s);
  iwrite(s, "increase common/a/ up to",
         static_cast<int>(std::min<int64_t>(need, std::numeric_limits<int32_t>::max())), "(i12)",
         1);
  return flag_on(s, "need more memory");
}

int store_boundary(Session& s, const Triangulation& t) {
  return store_nodes_and_boundary(s, t, 0);
}

int store_triangulation(Session& s, const Triangulation& t, bool quads) {
  Cmesh& c = s.cmesh;
  std::vector<int32_t> four;
  if (quads) four = mesh3to4(t);
  const std::vector<int32_t>& conn = quads ? four : t.tri;
  const int m = quads ? 4 : 3;
  const auto words = static_cast<int64_t>(conn.size());
  if (store_nodes_and_boundary(s, t, words)) return 1;
  if (reserve_ints(s, c.jj1, words, "jj1")) return 1;
  int32_t* out = ints(s, c.jj1);
  for (int64_t k = 0; k < words; ++k) out[k] = conn[k] + 1;
  c.m = m;
  c.n2 = static_cast<int32_t>(words / m);
  return 0;
}

std::vector<int32_t> mesh3to4(const Triangulation& t) {
  const std::vector<int32_t>& tri = t.tri;
  const auto nt = static_cast<int32_t>(tri.size() / 3);
  std::unordered_map<uint64_t, int32_t> owner;
  owner.reserve(tri.size());
  for (int32_t k = 0; k < nt; ++k) {
    for (int i = 0; i < 3; ++i) owner[edge_key(tri[3 * k + i], tri[3 * k + (i + 1) % 3])] = k;
  }
  const std::vector<Pt>& p = t.nodes;
  auto convex = [&](const int32_t(&q)[4]) {
    double lmax = 0;
    for (int i = 0; i < 4; ++i) lmax = std::max(lmax, d2(p[q[i]], p[q[(i + 1) % 4]]));
    for (int i = 0; i < 4; ++i) {
      const Pt o = p[q[i]], a = p[q[(i + 1) % 4]], b = p[q[(i + 2) % 4]];
      const double f = (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
      if (!(f >= 1e-6 * lmax)) return false;
    }
    return true;
  };
  std::vector<char> taken(static_cast<size_t>(nt), 0);
  std::vector<int32_t> out;
  out.reserve(4 * static_cast<size_t>(nt));
  for (int32_t k = 0; k < nt; ++k) {
    if (taken[k]) continue;
    taken[k] = 1;
    bool merged = false;
    for (int i = 0; i < 3 && !merged; ++i) {
      const int32_t a = tri[3 * k + i], b = tri[3 * k + (i + 1) % 3], c = tri[3 * k + (i + 2) % 3];
      const auto it = owner.find(edge_key(b, a));
      if (it == owner.end() || taken[it->second]) continue;
      const int32_t o = it->second;
      int32_t d = -1;
      for (int j = 0; j < 3; ++j) {
        const int32_t n = tri[3 * o + j];
        if (n != a && n != b) d = n;
      }
      if (d < 0) continue;
      const double ab = d2(p[a], p[b]), cd = d2(p[c], p[d]);
      if (!(ab < 1.2 * cd && cd < 1.2 * ab)) continue;
      const int32_t q[4] = {a, d, b, c};
      if (!convex(q)) continue;
      taken[o] = 1;
      out.insert(out.end(), {a, d, b, c});
      merged = true;
    }
    if (!merged)
      out.insert(out.end(), {tri[3 * k], tri[3 * k + 1], tri[3 * k + 2], tri[3 * k + 2]});
  }
  return out;
}

}  // namespace tivor::mesh_detail

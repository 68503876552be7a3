// The assembled matrix of the implicit operator, for the multigrid that preconditions its
// solves. Every entry comes from the same element, inertia and contact code as the matrix-free
// product: an element's stiffness column is its forces of a unit increment of one component.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <type_traits>
#include <vector>

#include "classes/sol/implicit_element.hpp"
#include "classes/sol/sol_internal.hpp"
#include "kernels/kernels.hpp"
#include "kernels/multigrid.hpp"

namespace tivor::sol {
namespace {

// The nodes each node's rows couple to (itself, its mesh neighbours, its contact partners), in
// increasing order, as compressed rows.
struct NodeCoupling {
  std::vector<int64_t> first;
  std::vector<int32_t> list;
  // The place of node j among node i's couplings: the count of those below j, without branches
  // (a row holds a handful of nodes, and a binary search's branches are unpredictable).
  int64_t at(int32_t i, int32_t j) const {
    int64_t below = 0;
    for (int64_t q = first[i]; q < first[i + 1]; ++q) below += list[q] < j;
    return first[i] + below;
  }
};

// False when stop said yes on the way.
bool coupling(Session& s, NodeCoupling& nc, const std::function<bool()>& stop) {
  const NodeNeighbours& nb = node_neighbours(s);
  const int32_t n1 = s.cmesh.n1;
  // Contact pairs beside the mesh's, both ways.
  std::vector<std::vector<int32_t>> extra;
  Contact k;
  for (int32_t c = 0; c < contact_count(s); ++c) {
    if (!contact_at(s, c, k)) continue;
    if (extra.empty()) extra.resize(n1);
    const int32_t nodes[3] = {k.pn, k.a, k.b};
    for (int32_t a : nodes) {
      for (int32_t b : nodes) extra[a].push_back(b);
    }
  }
  nc.first.assign(n1 + 1, 0);
  nc.list.reserve(nb.list.size() + n1);
  std::vector<int32_t> row;
  for (int32_t i = 0; i < n1; ++i) {
    if (stop_at(stop, i)) return false;
    const auto begin = nb.list.begin() + nb.first[i], end = nb.list.begin() + nb.first[i + 1];
    if (extra.empty() || extra[i].empty()) {
      // The mesh's neighbours are sorted and leave the node itself out: it goes in its place.
      const auto below = std::lower_bound(begin, end, i);
      nc.list.insert(nc.list.end(), begin, below);
      nc.list.push_back(i);
      nc.list.insert(nc.list.end(), below, end);
    } else {
      row.assign(begin, end);
      row.push_back(i);
      row.insert(row.end(), extra[i].begin(), extra[i].end());
      std::sort(row.begin(), row.end());
      row.erase(std::unique(row.begin(), row.end()), row.end());
      nc.list.insert(nc.list.end(), row.begin(), row.end());
    }
    nc.first[i + 1] = static_cast<int64_t>(nc.list.size());
  }
  return true;
}

}  // namespace

int64_t sol_matrix_entries(Session& s) {
  const NodeNeighbours& nb = node_neighbours(s);
  return 4 * (static_cast<int64_t>(nb.list.size()) + s.cmesh.n1);
}

bool sol_matrix(Session& s, SparseMatrix& k, const std::function<bool()>& stop) {
  const SolParm& p = parm(s);
  const MeshArrays g = mesh_arrays(s);
  const int32_t n1 = g.n1;
  NodeCoupling nc;
  if (!coupling(s, nc, stop)) return false;
  // Row 2i + c holds, for each coupled node j in order, the columns 2j and 2j + 1.
  k.rows = 2 * n1;
  k.first.assign(k.rows + 1, 0);
  for (int32_t i = 0; i < n1; ++i) {
    const int64_t len = 2 * (nc.first[i + 1] - nc.first[i]);
    k.first[2 * i + 1] = k.first[2 * i] + len;
    k.first[2 * i + 2] = k.first[2 * i + 1] + len;
  }
  // Filled row by row, so that the memory is first touched between the questions whether to stop.
  k.col.clear();
  k.col.reserve(k.first[k.rows]);
  k.val.clear();
  k.val.reserve(k.first[k.rows]);
  for (int32_t i = 0; i < n1; ++i) {
    if (stop_at(stop, i)) return false;
    const int64_t at = static_cast<int64_t>(k.col.size()), len = nc.first[i + 1] - nc.first[i];
    k.col.resize(at + 4 * len);
    for (int64_t q = 0; q < len; ++q) {
      const int32_t j = nc.list[nc.first[i] + q];
      k.col[at + 2 * q] = k.col[at + 2 * len + 2 * q] = 2 * j;
      k.col[at + 2 * q + 1] = k.col[at + 2 * len + 2 * q + 1] = 2 * j + 1;
    }
    k.val.resize(k.col.size(), 0.0);
  }
  // Adds v to the entry of component c of node i and component d of node j.
  const auto add = [&](int32_t i, int c, int32_t j, int d, double v) {
    k.val[k.first[2 * i + c] + 2 * (nc.at(i, j) - nc.first[i]) + d] += v;
  };

  const float* ee = reals(s, p.jf[kEe]);
  const float* gam = reals(s, p.jgam);
  const float* rom = reals(s, p.jrom);
  const float* g2s = reals(s, p.ja5m);
  const float* k3s = reals(s, p.ja6m);
  const bool axisym = s.cmesh.isym == 1;
  Element el;
  int32_t first = 0;
  for (int32_t z = 0; z < g.ntel; ++z) {
    const int32_t end = std::clamp(g.last[z], first, g.n2);
    const bool gas = gam[z] > 1.0f && p.gn != 0.0f;
    for (int32_t e = first; e < end; ++e) {
      if (stop_at(stop, e)) return false;
      load_element(g, e, el);
      const float vol = g.vol[e];
      float k3 = k3s[z];
      if (gas) k3 += gas_k3(gam[z], p.gn, rom[z] * g.vol0[e] / vol, element_energy(el, ee));
      // Where the entries of node i's row 0 meet node j's columns, found once for the element;
      // row 1 of node i follows its row 0, as long as it.
      int64_t at[4][4], row_length[4];
      for (int i = 0; i < el.k; ++i) {
        row_length[i] = k.first[2 * el.n[i] + 1] - k.first[2 * el.n[i]];
        for (int j = 0; j < el.k; ++j) {
          at[i][j] = k.first[2 * el.n[i]] + 2 * (nc.at(el.n[i], el.n[j]) - nc.first[el.n[i]]);
        }
      }
      // Column (j, d) of the element's stiffness: its forces of a unit increment there. A fixed
      // count of nodes and the hoop terms known at compile time let the compiler unroll it.
      const auto columns = [&](auto nodes, auto hoop) {
        constexpr int kk = decltype(nodes)::value;
        constexpr bool kHoop = decltype(hoop)::value;
        for (int j = 0; j < kk; ++j) {
          for (int d = 0; d < 2; ++d) {
            float xr[kk] = {}, xz[kk] = {}, fr[kk], fz[kk];
            (d == 0 ? xr : xz)[j] = 1.0f;
            elastic_forces<kHoop>(kk, el.d1, el.d2, el.a, vol, kHoop ? g.rmin1[e] : 0.0f, g2s[z],
                                  k3, xr, xz, fr, fz);
            for (int i = 0; i < kk; ++i) {
              k.val[at[i][j] + d] += fr[i];
              k.val[at[i][j] + row_length[i] + d] += fz[i];
            }
          }
        }
      };
      using Four = std::integral_constant<int, 4>;
      using Three = std::integral_constant<int, 3>;
      if (el.k == 4) {
        axisym ? columns(Four{}, std::true_type{}) : columns(Four{}, std::false_type{});
      } else {
        axisym ? columns(Three{}, std::true_type{}) : columns(Three{}, std::false_type{});
      }
    }
    first = end;
  }
  if (p.mdin == 1) {
    const float* mass = reals(s, s.cmesh.jmm);
    const float dt = s.cht.ht;
    for (int32_t i = 0; i < n1; ++i) {
      add(i, 0, i, 0, inertia_stiffness(dt, mass[i]));
      add(i, 1, i, 1, inertia_stiffness(dt, mass[n1 + i]));
    }
  }
  // The contact springs on P, A, B with the weights 1, -(1 - t), -t of the gap.
  Contact c;
  for (int32_t q = 0; q < contact_count(s); ++q) {
    if (!contact_at(s, q, c)) continue;
    float f[2][2];  // f[d] is the force of a unit gap along d
    contact_force(p, c, 1.0f, 0.0f, f[0][0], f[0][1]);
    contact_force(p, c, 0.0f, 1.0f, f[1][0], f[1][1]);
    const int32_t nodes[3] = {c.pn, c.a, c.b};
    const float w[3] = {1.0f, -(1.0f - c.t), -c.t};
    for (int a = 0; a < 3; ++a) {
      for (int b = 0; b < 3; ++b) {
        for (int d = 0; d < 2; ++d) {
          add(nodes[a], 0, nodes[b], d, double{w[a]} * w[b] * f[d][0]);
          add(nodes[a], 1, nodes[b], d, double{w[a]} * w[b] * f[d][1]);
        }
      }
    }
  }
  // A prescribed component keeps its diagonal alone, in its row and in its column.
  std::vector<float> free(2 * int64_t{n1}, 1.0f);
  zero_prescribed(s, free.data());
  std::vector<uint8_t> fixed(k.rows);  // by row: component c of node i is row 2i + c
  for (int32_t i = 0; i < n1; ++i) {
    fixed[2 * i] = free[i] == 0;
    fixed[2 * i + 1] = free[n1 + i] == 0;
  }
  for (int32_t row = 0; row < k.rows; ++row) {
    if (stop_at(stop, row)) return false;
    const bool row_fixed = fixed[row] != 0;
    for (int64_t q = k.first[row]; q < k.first[row + 1]; ++q) {
      if ((row_fixed || fixed[k.col[q]] != 0) && k.col[q] != row) k.val[q] = 0.0;
    }
  }
  return true;
}

}  // namespace tivor::sol

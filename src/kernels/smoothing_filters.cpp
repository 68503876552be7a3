// Nodal smoothing filters: each node value is blended with the midpoint of the range spanned by
// its mesh neighbours, in 2D over the elements that contain the node, in 3D over its hexahedral
// star.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "console/console.hpp"
#include "core/pool.hpp"
#include "kernels/kernels.hpp"
#include "kernels/loop_hints.hpp"

namespace tivor {
namespace {

constexpr float kHuge = 1.0e18f;

// True when the arrays of na words at pointer a and of nb words at pointer b share a word.
bool overlap(int64_t a, int64_t na, int64_t b, int64_t nb) {
  return na > 0 && nb > 0 && a < b + nb && b < a + na;
}
bool overlap(int64_t a, int64_t b, int64_t n) {
  return overlap(a, n, b, n);
}

// The pool cannot hold the scratch the filter needs above the free mark.
void scratch_too_small(Session& s, std::string_view who, int64_t need) {
  if (s.colors.col != 1) newstr(s);
  iwrite(s, "increase common/a/ up to", static_cast<int>(std::min<int64_t>(need, INT32_MAX)),
         "(i12)", 1);
  flag_on(s, std::string(who) + ": /a/ too small:");
}

// Node numbers of element e (0-based): 0 when the element is skipped (first node not positive,
// or a node outside 1..n1), otherwise 3 or 4; a quadrilateral with equal third and fourth nodes
// is a triangle.
inline int element_nodes(const int32_t* conn, int m, int32_t n1, int64_t e, int32_t (&v)[4]) {
  const int32_t* p = conn + e * m;
  if (p[0] <= 0) return 0;
  for (int i = 0; i < m; ++i) {
    v[i] = std::abs(p[i]);
    if (v[i] > n1 || v[i] == 0) return 0;
  }
  return (m == 4 && v[2] != v[3]) ? 4 : 3;
}

// The blend weight of modes 2 (relative deviation from the midpoint, a quarter at a local
// extremum), 3 (alpha, at most a quarter) and 4 (the squared deviation over the range) for a
// node of value fi whose neighbours span [lo, hi].
inline float blend_weight(int mode, float alpha, float fi, float lo, float hi) {
  const float mid = (lo + hi) / 2;
  if (mode == 2) {
    if (fi <= lo || fi >= hi) return 0.25f;
    const float den = std::abs(fi) + std::abs(mid);
    return std::min(alpha, den > 0 ? std::abs(fi - mid) / den : 0.0f);
  }
  if (mode == 3) return std::min(alpha, 0.25f);
  const float q = (fi - mid) / (hi - lo + kEpsilon);
  return std::max(0.01f, std::min(q * q, 0.5f));
}

// The new value of a node: a node of no element has no neighbours (its range stays empty) and
// keeps its value.
inline float blend(float w, float fi, float lo, float hi) {
  const float wi = hi >= lo ? w : 0.0f;
  return wi * ((lo + hi) / 2) + (1 - wi) * fi;
}

// Up to four values of a row as one vector of 16 bytes, which every x86-64 processor holds in one
// register.
template <int P>
struct RowOf {
  typedef float type __attribute__((vector_size(sizeof(float) * P)));
};
template <int P>
using Row = typename RowOf<P>::type;

// The new values of the W fields (1, 2, 4 or 8) of node i whose old values stand interleaved in t
// (W values a node): the least and greatest value of its neighbours for each field, a row of the
// scratch taken in vectors of up to four values, then the blend, a plain loop over the fields
// that the compiler turns into vector instructions.
template <int W, int Mode>
[[gnu::always_inline]] inline void blend_node(const int64_t* first, const int32_t* list,
                                              const float* t, float alpha, int64_t i,
                                              float (&out)[W]) {
  constexpr int P = W < 4 ? W : 4, kParts = W / P;
  Row<P> lo_row[kParts], hi_row[kParts];
  for (int p = 0; p < kParts; ++p) lo_row[p] = Row<P>{} + kHuge, hi_row[p] = Row<P>{} - kHuge;
  for (int64_t k = first[i]; k < first[i + 1]; ++k) {
    const float* row = t + int64_t{list[k]} * W;
    for (int p = 0; p < kParts; ++p) {
      Row<P> tj;
      std::memcpy(&tj, row + p * P, sizeof tj);
      lo_row[p] = tj < lo_row[p] ? tj : lo_row[p];  // std::min and std::max, as asgl1 takes them
      hi_row[p] = hi_row[p] < tj ? tj : hi_row[p];
    }
  }
  // The blend vector by vector, so that each reads back what one store wrote.
  for (int p = 0; p < kParts; ++p) {
    float lo[P], hi[P];
    std::memcpy(lo, &lo_row[p], sizeof lo);
    std::memcpy(hi, &hi_row[p], sizeof hi);
    const float* fi = t + i * W + p * P;
    // Kept a loop, which the compiler vectorises; unrolled, its choices would stay branches.
    TIVOR_NO_UNROLL
    for (int g = 0; g < P; ++g) {
      out[p * P + g] = blend(blend_weight(Mode, alpha, fi[g], lo[g], hi[g]), fi[g], lo[g], hi[g]);
    }
  }
}

// NF fields of the nodes 0..n1: their old values interleaved into t (W values a node, W the least
// of 1, 2, 4 and 8 that holds NF), then each node's new values written to the fields.
template <int NF, int Mode>
[[gnu::always_inline]] inline void blend_fields(const NodeNeighbours& nb, float* t, float* const* f,
                                                float alpha) {
  constexpr int W = NF <= 2 ? NF : NF <= 4 ? 4 : 8;
  const int64_t n1 = nb.n1;
  for (int64_t i = 0; i < n1; ++i) {
    for (int g = 0; g < W; ++g) t[i * W + g] = g < NF ? f[g][i] : 0.0f;
  }
  const int64_t* first = nb.first.data();
  const int32_t* list = nb.list.data();
  for (int64_t i = 0; i < n1; ++i) {
    float out[W];
    blend_node<W, Mode>(first, list, t, alpha, i, out);
    for (int g = 0; g < NF; ++g) f[g][i] = out[g];
  }
}

template <int NF>
[[gnu::always_inline]] inline void blend_fields(const NodeNeighbours& nb, float* t, float* const* f,
                                                float alpha, int mode) {
  if (mode == 2) blend_fields<NF, 2>(nb, t, f, alpha);
  if (mode == 3) blend_fields<NF, 3>(nb, t, f, alpha);
  if (mode == 4) blend_fields<NF, 4>(nb, t, f, alpha);
}

// Up to eight fields at once, through scratch t of 8 n1 values. Built for each x86-64 level: the
// loops over the fields take the widest vectors.
TIVOR_CLONES void smooth_group(const NodeNeighbours& nb, float* t, float* const* f, int nf,
                               float alpha, int mode) {
  switch (nf) {
    case 1:
      return blend_fields<1>(nb, t, f, alpha, mode);
    case 2:
      return blend_fields<2>(nb, t, f, alpha, mode);
    case 3:
      return blend_fields<3>(nb, t, f, alpha, mode);
    case 4:
      return blend_fields<4>(nb, t, f, alpha, mode);
    case 5:
      return blend_fields<5>(nb, t, f, alpha, mode);
    case 6:
      return blend_fields<6>(nb, t, f, alpha, mode);
    case 7:
      return blend_fields<7>(nb, t, f, alpha, mode);
    default:
      return blend_fields<8>(nb, t, f, alpha, mode);
  }
}

}  // namespace

void asgl1(Session& s, int32_t f, int32_t g, int32_t wmax, int32_t wmin, float alpha, int mode) {
  const Cmesh& c = s.cmesh;
  const int64_t n1 = c.n1;
  const int32_t scratch = s.csize.maxa;
  if (n1 <= 0) return;
  if ((c.m != 3 && c.m != 4) || c.n2 < 0 || !int_array_ok(s, c.jj1, int64_t{c.m} * c.n2) ||
      !real_array_ok(s, f, n1) || !real_array_ok(s, g, n1) || !real_array_ok(s, wmax, n1) ||
      !real_array_ok(s, wmin, n1)) {
    flag_on(s, "asgl1:arrays lie outside the pools");
    return;
  }
  // The two work arrays must not share words with each other or with the field: filling them
  // would overwrite values still to be read.
  if (overlap(wmax, wmin, n1) || overlap(wmax, f, n1) || overlap(wmin, f, n1) ||
      overlap(wmax, g, n1) || overlap(wmin, g, n1)) {
    flag_on(s, "asgl1:work arrays overlap the field");
    return;
  }
  // The oscillation test looks at triangles only; on a quadrilateral mesh it finds the ranges
  // and leaves the field as it is.
  const bool oscillation_mode = mode != 2 && mode != 3 && mode != 4;
  const bool writes = !(oscillation_mode && c.m == 4);
  if (writes && !real_array_ok(s, scratch, 2 * n1)) {
    scratch_too_small(s, "asgl1", int64_t{scratch} + 2 * n1);
    return;
  }
  for (int32_t j : {f, g, wmax, wmin}) {
    if (writes && overlap(scratch, 2 * n1, j, n1)) {
      flag_on(s, "asgl1:arrays lie above the pool's free mark");
      return;
    }
  }

  const int32_t* conn = ints(s, c.jj1);
  const float* fv = reals(s, f);
  float* hi = reals(s, wmax);
  float* lo = reals(s, wmin);
  std::fill_n(lo, n1, kHuge);
  std::fill_n(hi, n1, -kHuge);

  // The range of the neighbours' values, the node's own value left out.
  for (int64_t e = 0; e < c.n2; ++e) {
    int32_t v[4];
    const int k = element_nodes(conn, c.m, c.n1, e, v);
    for (int a = 0; a < k; ++a) {
      const int32_t i = v[a] - 1;
      for (int b = 0; b < k; ++b) {
        if (b == a || v[b] == v[a]) continue;
        const float fj = fv[v[b] - 1];
        lo[i] = std::min(lo[i], fj);
        hi[i] = std::max(hi[i], fj);
      }
    }
  }

  if (!writes) return;

  // Scratch at the free mark: the weights, then the new values; g is written only at the end,
  // so every new value comes from the old field whatever the node order, also when g is f.
  float* w = reals(s, scratch);
  float* out = reals(s, int64_t{scratch} + n1);
  if (oscillation_mode) {
    std::fill_n(w, n1, alpha);
    auto second_difference = [&](int32_t node) {
      const int32_t i = node - 1;
      return lo[i] - 2 * fv[i] + hi[i];
    };
    for (int64_t e = 0; e < c.n2; ++e) {
      int32_t v[4];
      if (element_nodes(conn, c.m, c.n1, e, v) == 0) continue;
      const float d1 = second_difference(v[0]), d2 = second_difference(v[1]),
                  d3 = second_difference(v[2]);
      // A sign change of the second difference inside an element marks an oscillation.
      if (d1 * d3 < 0 || d1 * d2 < 0) w[v[0] - 1] = 0.5f;
      if (d2 * d3 < 0 || d1 * d2 < 0) w[v[1] - 1] = 0.5f;
      if (d3 * d1 < 0 || d2 * d3 < 0) w[v[2] - 1] = 0.5f;
    }
  } else {
    for (int64_t i = 0; i < n1; ++i) w[i] = blend_weight(mode, alpha, fv[i], lo[i], hi[i]);
  }
  for (int64_t i = 0; i < n1; ++i) out[i] = blend(w[i], fv[i], lo[i], hi[i]);
  std::copy_n(out, n1, reals(s, g));
}

// The neighbour lists of the mesh they were built from, known by its counts, its connectivity's
// pointer and a checksum of the connectivity, and the old values of the fields being smoothed.
struct SmoothingCache : ClassCache {
  std::array<uint64_t, 5> key{};
  NodeNeighbours nb;
  std::vector<float> old;
};

const NodeNeighbours& node_neighbours(Session& s) {
  const Cmesh& c = s.cmesh;
  const int64_t words = int64_t{c.m} * c.n2;
  const int32_t* conn = ints(s, c.jj1);
  const std::array<uint64_t, 5> key{uint64_t(uint32_t(c.n1)), uint64_t(uint32_t(c.n2)),
                                    uint64_t(uint32_t(c.m)), uint64_t(uint32_t(c.jj1)),
                                    words_checksum(conn, words)};
  SmoothingCache& cache = class_cache_of<SmoothingCache>(s.smoothing_cache);
  NodeNeighbours& nb = cache.nb;
  if (nb.n1 >= 0 && cache.key == key) return nb;
  cache.key = key;
  nb.n1 = c.n1;
  nb.m = c.m;
  const int64_t n1 = c.n1;
  // Every pair of distinct nodes of an element, duplicates included, then each node's list
  // sorted and made unique.
  std::vector<int64_t> at(n1 + 1, 0);
  for (int64_t e = 0; e < c.n2; ++e) {
    int32_t v[4];
    const int k = element_nodes(conn, c.m, c.n1, e, v);
    for (int a = 0; a < k; ++a) {
      for (int b = 0; b < k; ++b) at[v[a]] += b != a && v[b] != v[a];
    }
  }
  for (int64_t i = 0; i < n1; ++i) at[i + 1] += at[i];
  std::vector<int32_t> pairs(at[n1]);
  std::vector<int64_t> fill(at.begin(), at.end() - 1);
  for (int64_t e = 0; e < c.n2; ++e) {
    int32_t v[4];
    const int k = element_nodes(conn, c.m, c.n1, e, v);
    for (int a = 0; a < k; ++a) {
      for (int b = 0; b < k; ++b) {
        if (b != a && v[b] != v[a]) pairs[fill[v[a] - 1]++] = v[b] - 1;
      }
    }
  }
  nb.first.assign(n1 + 1, 0);
  nb.list.clear();
  nb.list.reserve(pairs.size());
  for (int64_t i = 0; i < n1; ++i) {
    const auto begin = pairs.begin() + at[i], end = pairs.begin() + at[i + 1];
    std::sort(begin, end);
    for (auto p = begin; p != end; ++p) {
      if (p != begin && *p == p[-1]) continue;
      nb.list.push_back(*p);
    }
    nb.first[i + 1] = std::ssize(nb.list);
  }
  return nb;
}

void asgl1_fields(Session& s, const NodeNeighbours& nb, std::span<const int32_t> fields,
                  float alpha, int mode) {
  const int64_t n1 = s.cmesh.n1;
  if (n1 <= 0 || fields.empty()) return;
  if (nb.n1 != n1 || mode < 2 || mode > 4) {
    flag_on(s, "asgl1:neighbour lists or mode do not fit the mesh");
    return;
  }
  for (size_t a = 0; a < fields.size(); ++a) {
    if (!real_array_ok(s, fields[a], n1)) {
      flag_on(s, "asgl1:arrays lie outside the pools");
      return;
    }
    for (size_t b = 0; b < a; ++b) {
      if (overlap(fields[a], fields[b], n1)) {
        flag_on(s, "asgl1:fields overlap");
        return;
      }
    }
  }
  // The old values of up to eight fields at a time, node by node, so that the neighbours'
  // values of all of them come in one load; the new values go straight to the fields.
  std::vector<float>& old = class_cache_of<SmoothingCache>(s.smoothing_cache).old;
  for (size_t k0 = 0; k0 < fields.size(); k0 += 8) {
    const int nf = static_cast<int>(std::min<size_t>(8, fields.size() - k0));
    float* f[8] = {};
    for (int k = 0; k < nf; ++k) f[k] = reals(s, fields[k0 + k]);
    old.resize(static_cast<size_t>(n1 * 8));
    smooth_group(nb, old.data(), f, nf, alpha, mode);
  }
}

void asgl94(Session& s, int32_t f, int32_t g, int32_t a, float alpha) {
  const Cmesh& c = s.cmesh;
  const int64_t n = c.nuz3;
  if (n <= 0) return;
  if (c.m != 4) {
    flag_on(s, "asgl94:the 3d star exists for hexahedral meshes only");
    return;
  }
  if (!int_array_ok(s, c.jstar, 6 * n) || !real_array_ok(s, f, n) || !real_array_ok(s, g, n) ||
      !real_array_ok(s, a, n)) {
    flag_on(s, "asgl94:arrays lie outside the pools");
    return;
  }
  // In place (g sharing words with f or a) the new values go to scratch at the free mark first,
  // so that every node sees its neighbours' old values.
  const bool in_place = overlap(g, f, n) || overlap(g, a, n);
  const int32_t scratch = s.csize.maxa;
  if (in_place) {
    if (!real_array_ok(s, scratch, n)) {
      scratch_too_small(s, "asgl94", int64_t{scratch} + n);
      return;
    }
    if (overlap(scratch, f, n) || overlap(scratch, a, n)) {
      flag_on(s, "asgl94:arrays lie above the pool's free mark");
      return;
    }
  }
  const int32_t* star = ints(s, c.jstar);
  const float* fv = reals(s, f);
  const float* av = reals(s, a);
  float* out = in_place ? reals(s, scratch) : reals(s, g);
  const float dt = s.cht.ht;
  for (int64_t i = 0; i < n; ++i) {
    float lo = kHuge, hi = -kHuge;
    for (int k = 0; k < 6; ++k) {
      const int32_t j = star[6 * i + k];
      if (j < 1 || j > n) continue;
      lo = std::min(lo, fv[j - 1]);
      hi = std::max(hi, fv[j - 1]);
    }
    float w = dt != 0 && av[i] / dt < 0.5f ? 0.5f : alpha;
    if (hi < lo) w = 0;  // no neighbour in the star
    out[i] = w * ((lo + hi) / 2) + (1 - w) * fv[i];
  }
  if (in_place) std::copy_n(out, n, reals(s, g));
}

}  // namespace tivor

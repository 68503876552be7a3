// Nodal smoothing filters: each node value is blended with the midpoint of the range spanned by
// its mesh neighbours, in 2D over the elements that contain the node, in 3D over its hexahedral
// star.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <vector>

#include "console/console.hpp"
#include "core/pool.hpp"
#include "kernels/kernels.hpp"

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

typedef float Vec4 __attribute__((vector_size(16)));
typedef float Vec8 __attribute__((vector_size(32)));
typedef float Vec16 __attribute__((vector_size(64)));

// The new values of W fields of a node (nf of them used) with old values fi and neighbour
// range [lo, hi]: blend(blend_weight(...)) lane by lane. V holds the W values of one node, or
// those of several nodes one after the other.
// (Passed by reference: a wide vector passed by value would tie the function to one target.)
template <int W, int Mode, typename V>
inline void blended(const V& fi, const V& lo, const V& hi, int nf, float alpha, V& out) {
  if constexpr (Mode == 4) {
    const V mid = (lo + hi) / 2;
    const V q = (fi - mid) / (hi - lo + kEpsilon);
    const V q2 = q * q, cap = V{} + 0.5f, floor = V{} + 0.01f;
    const V capped = cap < q2 ? cap : q2;
    const V w = floor < capped ? capped : floor;
    const V wi = hi >= lo ? w : V{};
    out = wi * mid + (1 - wi) * fi;
  } else {
    out = fi;
    for (int g = 0; g < static_cast<int>(sizeof(V) / sizeof(float)); ++g) {
      if (g % W < nf) {
        out[g] = blend(blend_weight(Mode, alpha, fi[g], lo[g], hi[g]), fi[g], lo[g], hi[g]);
      }
    }
  }
}

// Up to W fields (nf of them) of node i from their old values interleaved node by node in t (W
// values a node): the node's neighbour range for all of them at once, and the new values
// written to the fields.
template <int W, int Mode>
void blend_node(const NodeNeighbours& nb, const float* t, float* const* f, int nf, float alpha,
                int64_t i) {
  using V = std::conditional_t<W == 4, Vec4, Vec8>;
  V lo = V{} + kHuge, hi = V{} - kHuge;
  for (int64_t k = nb.first[i]; k < nb.first[i + 1]; ++k) {
    V tj;
    std::memcpy(&tj, t + int64_t{nb.list[k]} * W, sizeof tj);
    lo = tj < lo ? tj : lo;  // std::min and std::max, lane by lane
    hi = hi < tj ? tj : hi;
  }
  V fi;
  std::memcpy(&fi, t + i * W, sizeof fi);
  V out;
  blended<W, Mode>(fi, lo, hi, nf, alpha, out);
  for (int g = 0; g < nf; ++g) f[g][i] = out[g];
}

// Counts of fields whose values go between the fields and the records four nodes at a time by
// shuffles: a solid's two velocities (records of 4) and eight state fields (records of 8).
template <int W, int NF>
constexpr bool kRegrouped = NF == W || (W == 4 && NF == 2);

// The new values of four nodes from i0, W values a node in out (as many vectors of 16 as W / 4),
// written field by field: the values of the nodes regrouped by field with whole-vector shuffles,
// then four of one field stored together.
template <int W, int NF>
inline void store_by_field(const Vec16 (&out)[W / 4], float* const* f, int64_t i0) {
  const auto put = [&](const Vec16& v, int part, int g) {
    Vec4 q;
    std::memcpy(&q, reinterpret_cast<const float*>(&v) + 4 * part, sizeof q);
    std::memcpy(f[g] + i0, &q, sizeof q);
  };
  if constexpr (W == 8) {
    const Vec16 a = __builtin_shufflevector(out[0], out[1], 0, 8, 16, 24, 1, 9, 17, 25, 2, 10, 18,
                                            26, 3, 11, 19, 27);
    const Vec16 b = __builtin_shufflevector(out[0], out[1], 4, 12, 20, 28, 5, 13, 21, 29, 6, 14, 22,
                                            30, 7, 15, 23, 31);
    for (int g = 0; g < 4; ++g) put(a, g, g);
    for (int g = 0; g < 4; ++g) put(b, g, 4 + g);
  } else {
    const Vec16 a = __builtin_shufflevector(out[0], out[0], 0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14,
                                            3, 7, 11, 15);
    for (int g = 0; g < NF; ++g) put(a, g, g);
  }
}

// The records of W values a node (NF fields, the rest zero) of the nodes 0..n1 in groups of four:
// four values of each field loaded together and regrouped node by node with whole-vector
// shuffles. Returns the nodes done (the rest, fewer than four, are left to the caller).
template <int W, int NF>
inline int64_t records_by_field(float* const* f, int64_t n1, float* t) {
  int64_t i = 0;
  for (; i + 4 <= n1; i += 4) {
    Vec4 q[8] = {};
    for (int g = 0; g < NF; ++g) std::memcpy(&q[g], f[g] + i, sizeof q[g]);
    const Vec8 q01 = __builtin_shufflevector(q[0], q[1], 0, 1, 2, 3, 4, 5, 6, 7);
    if constexpr (W == 8) {
      const Vec8 q23 = __builtin_shufflevector(q[2], q[3], 0, 1, 2, 3, 4, 5, 6, 7);
      const Vec8 q45 = __builtin_shufflevector(q[4], q[5], 0, 1, 2, 3, 4, 5, 6, 7);
      const Vec8 q67 = __builtin_shufflevector(q[6], q[7], 0, 1, 2, 3, 4, 5, 6, 7);
      const Vec16 a =
          __builtin_shufflevector(q01, q23, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
      const Vec16 b =
          __builtin_shufflevector(q45, q67, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
      const Vec16 r0 =
          __builtin_shufflevector(a, b, 0, 4, 8, 12, 16, 20, 24, 28, 1, 5, 9, 13, 17, 21, 25, 29);
      const Vec16 r1 =
          __builtin_shufflevector(a, b, 2, 6, 10, 14, 18, 22, 26, 30, 3, 7, 11, 15, 19, 23, 27, 31);
      std::memcpy(t + i * W, &r0, sizeof r0);
      std::memcpy(t + i * W + 16, &r1, sizeof r1);
    } else {
      const Vec8 zero{};
      const Vec16 r =
          __builtin_shufflevector(q01, zero, 0, 4, 8, 8, 1, 5, 8, 8, 2, 6, 8, 8, 3, 7, 8, 8);
      std::memcpy(t + i * W, &r, sizeof r);
    }
  }
  return i;
}

// The same for every node, four at a time from the batched lists: the k-th neighbours of four
// nodes make 16 values (four nodes of four fields, or two vectors of two nodes of eight
// fields), so that one minimum and one maximum serve several nodes. (The vectors are built by
// nested shuffles, which the compiler turns into register inserts.)
// NF, when not 0, is nf known in advance, which frees the writes of the loops over the fields.
template <int W, int Mode, int NF>
void blend_fields(const NodeNeighbours& nb, const float* t, float* const* f, int nf, float alpha) {
  if constexpr (NF > 0) nf = NF;
  using V = std::conditional_t<W == 4, Vec4, Vec8>;
  constexpr int kParts = W / 4;  // 16-value vectors a batch
  const int32_t* list = nb.batch_list.data();
  const int64_t batches = std::ssize(nb.batch_alone);
  for (int64_t b = 0; b < batches; ++b) {
    const int64_t i0 = 4 * b;
    if (nb.batch_alone[b]) {
      for (int64_t i = i0; i < i0 + 4; ++i) blend_node<W, Mode>(nb, t, f, nf, alpha, i);
      continue;
    }
    Vec16 lo[kParts], hi[kParts];
    for (int p = 0; p < kParts; ++p) lo[p] = Vec16{} + kHuge, hi[p] = Vec16{} - kHuge;
    const int32_t* end = list + 4 * nb.batch_first[b + 1];
    for (const int32_t* k = list + 4 * nb.batch_first[b]; k < end; k += 4) {
      V v[4];
      for (int j = 0; j < 4; ++j) std::memcpy(&v[j], t + int64_t{k[j]} * W, sizeof(V));
      Vec16 tj[kParts];
      if constexpr (W == 4) {
        const auto v01 = __builtin_shufflevector(v[0], v[1], 0, 1, 2, 3, 4, 5, 6, 7);
        const auto v23 = __builtin_shufflevector(v[2], v[3], 0, 1, 2, 3, 4, 5, 6, 7);
        tj[0] =
            __builtin_shufflevector(v01, v23, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
      } else {
        tj[0] = __builtin_shufflevector(v[0], v[1], 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13,
                                        14, 15);
        tj[1] = __builtin_shufflevector(v[2], v[3], 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13,
                                        14, 15);
      }
      for (int p = 0; p < kParts; ++p) {
        lo[p] = tj[p] < lo[p] ? tj[p] : lo[p];
        hi[p] = hi[p] < tj[p] ? tj[p] : hi[p];
      }
    }
    Vec16 out[kParts];
    for (int p = 0; p < kParts; ++p) {
      Vec16 fi;
      std::memcpy(&fi, t + i0 * W + 16 * p, sizeof fi);
      blended<W, Mode>(fi, lo[p], hi[p], nf, alpha, out[p]);
    }
    if constexpr (kRegrouped<W, NF>) {
      store_by_field<W, NF>(out, f, i0);
    } else {
      for (int p = 0; p < kParts; ++p) {
        for (int j = 0; j < 16 / W; ++j) {
          for (int g = 0; g < nf; ++g) f[g][i0 + p * (16 / W) + j] = out[p][j * W + g];
        }
      }
    }
  }
  for (int64_t i = 4 * batches; i < nb.n1; ++i) blend_node<W, Mode>(nb, t, f, nf, alpha, i);
}

// The batched lists of nb from its per-node lists.
void batch_neighbours(NodeNeighbours& nb) {
  nb.batch_first.assign(1, 0);
  nb.batch_list.clear();
  nb.batch_alone.clear();
  for (int64_t i0 = 0; i0 + 4 <= nb.n1; i0 += 4) {
    int64_t slots = 0;
    bool alone = false;
    for (int64_t i = i0; i < i0 + 4; ++i) {
      slots = std::max(slots, nb.first[i + 1] - nb.first[i]);
      alone = alone || nb.first[i + 1] == nb.first[i];
    }
    if (alone) slots = 0;
    for (int64_t k = 0; k < slots; ++k) {
      for (int64_t i = i0; i < i0 + 4; ++i) {
        const int64_t count = nb.first[i + 1] - nb.first[i];
        nb.batch_list.push_back(nb.list[nb.first[i] + (k < count ? k : 0)]);
      }
    }
    nb.batch_first.push_back(nb.batch_first.back() + slots);
    nb.batch_alone.push_back(alone);
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
  batch_neighbours(nb);
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
    const int width = nf <= 4 ? 4 : 8;
    float* f[8] = {};
    for (int k = 0; k < nf; ++k) f[k] = reals(s, fields[k0 + k]);
    old.resize(static_cast<size_t>(n1 * width));
    // The velocities (two fields) and the eight state fields of a solid go through loops made
    // for their counts.
    const auto run = [&]<int W, int NF>() {
      float* const t0 = old.data();
      int64_t i = 0;
      if constexpr (kRegrouped<W, NF>) i = records_by_field<W, NF>(f, n1, t0);
      for (; i < n1; ++i) {
        float* t = t0 + i * W;
        if constexpr (NF > 0) {
          for (int k = 0; k < W; ++k) t[k] = k < NF ? f[k][i] : 0.0f;
        } else {
          for (int k = 0; k < W; ++k) t[k] = k < nf ? f[k][i] : 0.0f;
        }
      }
      if (mode == 2) blend_fields<W, 2, NF>(nb, t0, f, nf, alpha);
      if (mode == 3) blend_fields<W, 3, NF>(nb, t0, f, nf, alpha);
      if (mode == 4) blend_fields<W, 4, NF>(nb, t0, f, nf, alpha);
    };
    if (nf == 2) {
      run.operator()<4, 2>();
    } else if (nf == 8) {
      run.operator()<8, 8>();
    } else if (width == 4) {
      run.operator()<4, 0>();
    } else {
      run.operator()<8, 0>();
    }
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

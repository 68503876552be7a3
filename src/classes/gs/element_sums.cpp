// The element loop of a stage of the euler scheme: element residuals in batches, added to the
// nodal sums.
#include <algorithm>
#include <cstdint>

#include "classes/gs/element_residual.hpp"
#include "classes/gs/gs_internal.hpp"
#include "kernels/lane.hpp"
#include "kernels/loop_hints.hpp"

namespace tivor::gs {
namespace {

// Elements of one batch of the element loop.
constexpr int kBatch = 16;

// The values of a batch of elements with K nodes (M node numbers an element in the mesh),
// arranged by local node so that the arithmetic runs over the batch in vector registers.
template <int K, int M>
struct Batch {
  alignas(64) float ro[K][kBatch], u[K][kBatch], v[K][kBatch], e[K][kBatch];
  alignas(64) float d1[K][kBatch], d2[K][kBatch], hoop[kBatch], vol[kBatch];
  alignas(64) float add[K][4][kBatch];  // the element's contributions to its nodes' sums
  // The same as records of four values, element b of local node i at rec[i][b].
  alignas(64) float rec[K][kBatch][4];
  int32_t node[kBatch][K];

  // Element el into place b.
  [[gnu::always_inline]] void take_nodes(const StageView& a, int64_t el, int b) {
    for (int i = 0; i < K; ++i) node[b][i] = a.conn[el * M + i] - 1;
  }
  [[gnu::always_inline]] void take_values(const StageView& a, int64_t el, int b) {
    for (int i = 0; i < K; ++i) {
      const int32_t n = node[b][i];
      ro[i][b] = a.ro[n];
      u[i][b] = a.u[n];
      v[i][b] = a.v[n];
      e[i][b] = a.e[n];
      d1[i][b] = a.d1[el * M + i];
      d2[i][b] = a.d2[el * M + i];
    }
    hoop[b] = a.rmin1[el] * (1.0f / K);
    vol[b] = a.vol[el];
  }
  // Elements [e0, e0 + nb) into places [0, nb); the places after them get harmless values whose
  // results are never added.
  [[gnu::always_inline]] void take(const StageView& a, int64_t e0, int nb) {
    if (nb == kBatch) {
      // Fixed trip counts: the compiler gathers with vector instructions.
      for (int b = 0; b < kBatch; ++b) take_nodes(a, e0 + b, b);
      for (int b = 0; b < kBatch; ++b) take_values(a, e0 + b, b);
      return;
    }
    for (int b = 0; b < nb; ++b) {
      // The empty statement hides b from the vectoriser, which gains nothing on this short loop
      // and, in GCC 12, fails on it with an internal error.
      asm("" : "+r"(b));
      take_nodes(a, e0 + b, b);
      take_values(a, e0 + b, b);
    }
    for (int b = nb; b < kBatch; ++b) {
      for (int i = 0; i < K; ++i) ro[i][b] = u[i][b] = v[i][b] = e[i][b] = d1[i][b] = d2[i][b] = 0;
      hoop[b] = vol[b] = 0;
    }
  }
  // The residuals of the whole batch, lane by lane: one loop the compiler runs in vector
  // registers (square root and division included).
  [[gnu::always_inline]] void residuals(const ResidualConstants<K>& c) {
    for (int b = 0; b < kBatch; ++b) {
      ElementValues<K> x;
      for (int i = 0; i < K; ++i) {
        x.ro[i] = ro[i][b], x.u[i] = u[i][b], x.v[i] = v[i][b], x.e[i] = e[i][b];
        x.d1[i] = d1[i][b], x.d2[i] = d2[i][b];
      }
      x.hoop = hoop[b], x.vol = vol[b];
      float out[K][4];
      element_residual<K>(c, x, out);
      for (int i = 0; i < K; ++i) {
        for (int f = 0; f < 4; ++f) add[i][f][b] = out[i][f];
      }
    }
  }
  // add to rec, so that the four values of one node go to its sums as one record: 4 by 4
  // transposes of vectors of four, which every x86-64 level does with a few shuffles (a plain
  // loop over the values makes the whole step a third slower).
  [[gnu::always_inline]] void transpose() {
    for (int i = 0; i < K; ++i) {
      for (int q = 0; q < kBatch; q += 4) {
        Lane r[4];
        for (int f = 0; f < 4; ++f) r[f] = load<Lane>(&add[i][f][q]);
        transpose4(r);
        for (int l = 0; l < 4; ++l) store(rec[i][q + l], r[l]);
      }
    }
  }
};

template <int K, int M>
[[gnu::always_inline]] inline void batch_sums(const StageView& a, int32_t first, int32_t end,
                                              float g, const Scales& sc, float* sums, float* hmin_r,
                                              float* hmin_z) {
  const ResidualConstants<K> c(g, sc);
  Batch<K, M> t;
  for (int32_t e0 = first; e0 < end; e0 += kBatch) {
    const int nb = std::min(kBatch, end - e0);
    t.take(a, e0, nb);
    t.residuals(c);
    t.transpose();
    for (int b = 0; b < nb; ++b) {
      for (int i = 0; i < K; ++i) {
        float* sum = sums + 4 * int64_t{t.node[b][i]};
        store(sum, load<Lane>(sum) + load<Lane>(t.rec[i][b]));
      }
    }
    if (hmin_r == nullptr) continue;
    for (int b = 0; b < nb; ++b) {
      for (int i = 0; i < K; ++i) {
        const int32_t n = t.node[b][i];
        hmin_r[n] = std::min(hmin_r[n], a.hr[e0 + b]);
        hmin_z[n] = std::min(hmin_z[n], a.hz[e0 + b]);
      }
    }
  }
}

// The loops for a mesh of triangles, for triangles in a quadrilateral mesh and for
// quadrilaterals, each built for every x86-64 level.
using Loop = void (*)(const StageView&, int32_t, int32_t, float, const Scales&, float*, float*,
                      float*);

TIVOR_CLONES void triangle_sums(const StageView& a, int32_t first, int32_t end, float g,
                                const Scales& sc, float* sums, float* hmin_r, float* hmin_z) {
  batch_sums<3, 3>(a, first, end, g, sc, sums, hmin_r, hmin_z);
}

TIVOR_CLONES void quad_triangle_sums(const StageView& a, int32_t first, int32_t end, float g,
                                     const Scales& sc, float* sums, float* hmin_r, float* hmin_z) {
  batch_sums<3, 4>(a, first, end, g, sc, sums, hmin_r, hmin_z);
}

TIVOR_CLONES void quad_sums(const StageView& a, int32_t first, int32_t end, float g,
                            const Scales& sc, float* sums, float* hmin_r, float* hmin_z) {
  batch_sums<4, 4>(a, first, end, g, sc, sums, hmin_r, hmin_z);
}

}  // namespace

void element_sums(const StageView& a, int32_t first, int32_t end, float g, const Scales& sc,
                  float* sums, float* hmin_r, float* hmin_z) {
  for_each_run(a.conn, a.m, first, end, [&](int32_t e, int32_t next, bool tri) {
    const Loop loop = a.m == 3 ? triangle_sums : tri ? quad_triangle_sums : quad_sums;
    loop(a, e, next, g, sc, sums, hmin_r, hmin_z);
  });
}

}  // namespace tivor::gs

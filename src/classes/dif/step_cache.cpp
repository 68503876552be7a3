// Building the step cache of the diffusion class and checking that it still fits the task.
//
// The stiffness of component pair (a, b) is the sum over the subregions of D_ab times the
// Laplace stiffness of the subregion's elements, S_e grad N_k . grad N_l; its rows are summed in
// double and kept in single precision. The preconditioner's stiffness sums are taken element by
// element exactly as the scheme always took them.
#include "classes/dif/step_cache.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>

#include "classes/dif/element_loops.hpp"
#include "core/pool.hpp"

namespace tivor::dif {
namespace {

constexpr float kTiny = 1e-18f;

// The pointers of the mesh and class records that the step reads or writes.
constexpr int kPointers = 24;
void record_pointers(const Session& s, int32_t (&out)[kPointers]) {
  const Cmesh& c = s.cmesh;
  const DifParm& p = s.cparm.dif;
  const int32_t list[kPointers] = {c.jj1,    c.jj2,    c.jn2,    c.jsss,   c.jdr[0], c.jdr[1],
                                   c.jdr[2], c.jdz[0], c.jdz[1], c.jdz[2], c.jmm,    c.jhr,
                                   c.jhz,    p.jdiffc, p.jy[0],  p.jy[1],  p.jf[0],  p.jf[1],
                                   p.jf0[0], p.jf0[1], p.jdf[0], p.jdf[9], p.jfg[0], p.jfg[1]};
  std::copy(std::begin(list), std::end(list), out);
}

template <class T>
bool same_words(const std::vector<T>& kept, const T* now) {
  return kept.empty() || std::memcmp(kept.data(), now, kept.size() * sizeof(T)) == 0;
}

bool same_inputs(const Session& s, const StepCache& c) {
  const Cmesh& m = s.cmesh;
  const DifParm& p = s.cparm.dif;
  int32_t arrays[kPointers];
  record_pointers(s, arrays);
  if (c.stamp != s.pool_stamp || c.csize.na != s.csize.na || c.csize.nk != s.csize.nk ||
      c.n1 != m.n1 || c.n2 != m.n2 || c.n3 != m.n3 || c.ntel != m.ntel || c.m != m.m ||
      c.on[0] != (p.iconc1 != 0) || c.on[1] != (p.iconc2 != 0) ||
      !std::equal(std::begin(arrays), std::end(arrays), std::begin(c.arrays))) {
    return false;
  }
  // The small arrays are compared word by word: a factor or a boundary flag changed in the
  // memory checker is caught even without the stamp.
  return same_words(c.diffc, reals(s, p.jdiffc)) && same_words(c.jj2, ints(s, m.jj2)) &&
         same_words(c.flag[0], ints(s, p.jy[0])) && same_words(c.flag[1], ints(s, p.jy[1]));
}

// Rows with their off-diagonal columns, in the order of the nodes.
struct Rows {
  std::vector<int32_t> start;  // n1 + 1 offsets into col
  std::vector<int32_t> col;
};

// The off-diagonal columns of each node's row: the other nodes of the elements at the node.
Rows build_pattern(const Elements& el, int32_t n1) {
  std::vector<int32_t> count(static_cast<size_t>(n1) + 1, 0);
  el.for_subregions([&](int32_t, int32_t first, int32_t end) {
    for (int32_t e = first; e < end; ++e) {
      for (int k = 0; k < 3; ++k) count[std::abs(el.conn[3 * e + k]) - 1] += 2;
    }
  });
  std::vector<int32_t> at(static_cast<size_t>(n1) + 1, 0);
  for (int32_t i = 0; i < n1; ++i) at[i + 1] = at[i] + count[i];
  std::vector<int32_t> near(static_cast<size_t>(at[n1]));
  std::vector<int32_t> fill(at.begin(), at.end() - 1);
  el.for_subregions([&](int32_t, int32_t first, int32_t end) {
    for (int32_t e = first; e < end; ++e) {
      const int32_t* nd = el.conn + 3 * e;
      for (int k = 0; k < 3; ++k) {
        const int32_t a = std::abs(nd[k]) - 1;
        near[fill[a]++] = std::abs(nd[(k + 1) % 3]) - 1;
        near[fill[a]++] = std::abs(nd[(k + 2) % 3]) - 1;
      }
    }
  });
  Rows rows;
  rows.start.assign(static_cast<size_t>(n1) + 1, 0);
  rows.col.reserve(near.size() / 2 + 1);
  for (int32_t i = 0; i < n1; ++i) {
    const auto first = near.begin() + at[i], last = near.begin() + at[i + 1];
    std::sort(first, last);
    for (auto it = first; it != last; ++it) {
      if (*it != i && (it == first || *it != *(it - 1))) rows.col.push_back(*it);
    }
    rows.start[i + 1] = static_cast<int32_t>(rows.col.size());
  }
  return rows;
}

// The stiffness values of the pairs q with need[q] (0 K11, 1 K12, 2 K21, 3 K22), off the
// diagonal in the order of rows.col (into off[q]) and on it into c.kdiag[q].
void build_values(const Session& s, const Elements& el, const Rows& rows, const bool (&need)[4],
                  StepCache& c, std::vector<float> (&off)[4]) {
  const size_t nnz = rows.col.size(), n1 = static_cast<size_t>(c.n1);
  std::vector<double> sum[4], diag[4];
  for (int q = 0; q < 4; ++q) {
    if (!need[q]) continue;
    sum[q].assign(nnz, 0.0);
    diag[q].assign(n1, 0.0);
  }
  const float* dcoef = reals(s, s.cparm.dif.jdiffc);
  el.for_subregions([&](int32_t sub, int32_t first, int32_t end) {
    const double d[4] = {dcoef[4 * sub], dcoef[4 * sub + 1], dcoef[4 * sub + 2],
                         dcoef[4 * sub + 3]};
    for (int32_t e = first; e < end; ++e) {
      const int32_t* nd = el.conn + 3 * e;
      const double se = el.sss[e];
      for (int k = 0; k < 3; ++k) {
        const int32_t a = std::abs(nd[k]) - 1;
        const int32_t* row = rows.col.data() + rows.start[a];
        const int32_t len = rows.start[a + 1] - rows.start[a];
        for (int l = 0; l < 3; ++l) {
          const int32_t b = std::abs(nd[l]) - 1;
          const double g =
              se * (double{el.dr[k][e]} * el.dr[l][e] + double{el.dz[k][e]} * el.dz[l][e]);
          if (a == b) {
            for (int q = 0; q < 4; ++q) {
              if (need[q]) diag[q][a] += d[q] * g;
            }
            continue;
          }
          const size_t at = rows.start[a] + (std::find(row, row + len, b) - row);
          for (int q = 0; q < 4; ++q) {
            if (need[q]) sum[q][at] += d[q] * g;
          }
        }
      }
    }
  });
  for (int q = 0; q < 4; ++q) {
    off[q].assign(sum[q].begin(), sum[q].end());
    c.kdiag[q].assign(diag[q].begin(), diag[q].end());
  }
  // The rows of prescribed values: nothing moves them.
  for (int ic = 0; ic < 2; ++ic) {
    if (!c.on[ic]) continue;
    for (size_t i = 0; i < n1; ++i) {
      if (!c.prescribed[ic][i]) continue;
      for (int q = 2 * ic; q < 2 * ic + 2; ++q) {
        if (!need[q]) continue;
        c.kdiag[q][i] = 0.0f;
        std::fill(off[q].begin() + rows.start[i], off[q].begin() + rows.start[i + 1], 0.0f);
      }
    }
  }
}

// The rows laid out in slices, their columns in groups (step_cache.hpp).
void to_slices(const Rows& rows, const std::vector<float> (&off)[4], StepCache& c) {
  constexpr size_t kSlice = StepCache::kSlice;
  const size_t n1 = static_cast<size_t>(c.n1), slices = (n1 + kSlice - 1) / kSlice;
  const auto length = [&](size_t row) {
    return row < n1 ? static_cast<size_t>(rows.start[row + 1] - rows.start[row]) : 0;
  };
  c.slice_at.assign(slices + 1, 0);
  for (size_t sl = 0; sl < slices; ++sl) {
    size_t width = 0;
    for (size_t l = 0; l < kSlice; ++l) width = std::max(width, length(sl * kSlice + l));
    c.slice_at[sl + 1] = c.slice_at[sl] + static_cast<int32_t>(width * kSlice);
  }
  const size_t entries = static_cast<size_t>(c.slice_at[slices]);
  c.group.assign(entries / kSlice, 0);
  c.listed.clear();
  for (int q = 0; q < 4; ++q) c.k[q].assign(off[q].empty() ? 0 : entries, 0.0f);
  for (size_t sl = 0; sl < slices; ++sl) {
    const size_t width = (c.slice_at[sl + 1] - c.slice_at[sl]) / kSlice;
    for (size_t k = 0; k < width; ++k) {
      const size_t g = c.slice_at[sl] / kSlice + k;
      // The first column of the group if its entries are consecutive nodes, padding aside.
      int64_t base = -1;
      bool consecutive = true;
      for (size_t l = 0; l < kSlice; ++l) {
        const size_t row = sl * kSlice + l;
        if (k >= length(row)) continue;
        const int64_t at = rows.col[rows.start[row] + k] - static_cast<int64_t>(l);
        consecutive = consecutive && (base < 0 || at == base) && at >= 0;
        base = at;
        for (int q = 0; q < 4; ++q) {
          if (!off[q].empty())
            c.k[q][c.slice_at[sl] + k * kSlice + l] = off[q][rows.start[row] + k];
        }
      }
      if (consecutive && base + kSlice <= n1) {
        c.group[g] = static_cast<int32_t>(base);
        continue;
      }
      c.group[g] = -static_cast<int32_t>(c.listed.size() / kSlice) - 1;
      for (size_t l = 0; l < kSlice; ++l) {
        const size_t row = sl * kSlice + l;
        c.listed.push_back(k < length(row) ? rows.col[rows.start[row] + k]
                                           : static_cast<int32_t>(std::min(row, n1 - 1)));
      }
    }
  }
}

// The stable explicit step of every element, as DIHT_IMP takes it after the first step.
float stable_step(const Session& s) {
  const Cmesh& c = s.cmesh;
  const float* hr = reals(s, c.jhr);
  const float* hz = reals(s, c.jhz);
  const float* dcoef = reals(s, s.cparm.dif.jdiffc);
  const int32_t* last = ints(s, c.jn2);
  float est = 1e18f;
  int32_t first = 0;
  for (int32_t sub = 0; sub < c.ntel; ++sub) {
    const float* d = dcoef + 4 * sub;
    const float dmax = std::max({std::abs(d[0]), std::abs(d[1]), std::abs(d[2]), std::abs(d[3])});
    const float scale = 1.0f / (6.0f * dmax + kEpsilon);
    const int32_t end = std::clamp(last[sub], first, c.n2);
    for (int32_t e = first; e < end; ++e) {
      const float he = std::min(hr[e], hz[e]);
      est = std::min(est, he * he * scale);
    }
    first = end;
  }
  return est;
}

std::unique_ptr<StepCache> build(const Session& s) {
  if (!task_arrays_ok(s)) return nullptr;
  const Cmesh& m = s.cmesh;
  const DifParm& p = s.cparm.dif;
  auto c = std::make_unique<StepCache>();
  c->stamp = s.pool_stamp;
  c->csize = s.csize;
  c->n1 = m.n1, c->n2 = m.n2, c->n3 = m.n3, c->ntel = m.ntel, c->m = m.m;
  record_pointers(s, c->arrays);
  c->on[0] = p.iconc1 != 0;
  c->on[1] = p.iconc2 != 0;
  const float* dcoef = reals(s, p.jdiffc);
  c->diffc.assign(dcoef, dcoef + 4 * int64_t{m.ntel});
  c->jj2.assign(ints(s, m.jj2), ints(s, m.jj2) + 2 * int64_t{m.n3});
  const size_t n1 = static_cast<size_t>(m.n1);
  for (int ic = 0; ic < 2; ++ic) {
    c->flag[ic].assign(ints(s, p.jy[ic]), ints(s, p.jy[ic]) + m.n3);
    c->prescribed[ic].assign(n1, 0);
    for (int32_t k = 0; k < m.n3; ++k) {
      const int32_t node = c->jj2[2 * k + 1];
      if (c->flag[ic][k] == 0 && node > 0) c->prescribed[ic][node - 1] = 1;
    }
  }
  const Elements el(s);
  const Rows rows = build_pattern(el, m.n1);
  bool cross[2] = {false, false};  // D12 (D21) other than 0 in some subregion
  for (int32_t sub = 0; sub < m.ntel; ++sub) {
    cross[0] = cross[0] || dcoef[4 * sub + 1] != 0.0f;
    cross[1] = cross[1] || dcoef[4 * sub + 2] != 0.0f;
  }
  const bool need[4] = {c->on[0], c->on[0] && cross[0], c->on[1] && cross[1], c->on[1]};
  std::vector<float> off[4];
  build_values(s, el, rows, need, *c, off);
  to_slices(rows, off, *c);
  c->stiff_diag.assign(2 * n1, 0.0f);
  el.for_subregions([&](int32_t sub, int32_t first, int32_t end) {
    const float* d = dcoef + 4 * sub;
    if (c->on[0]) stiffness_diagonal(el, first, end, std::abs(d[0]) + kTiny, &c->stiff_diag[0]);
    if (c->on[1]) stiffness_diagonal(el, first, end, std::abs(d[3]) + kTiny, &c->stiff_diag[n1]);
  });
  c->est = stable_step(s);
  return c;
}

}  // namespace

StepCache* step_cache(Session& s) {
  auto* kept = dynamic_cast<StepCache*>(s.class_cache.held.get());
  if (kept != nullptr && same_inputs(s, *kept)) return kept;
  s.class_cache.held.reset();
  std::unique_ptr<StepCache> fresh = build(s);
  StepCache* c = fresh.get();
  s.class_cache.held = std::move(fresh);
  return c;
}

void set_time_step(Session& s, StepCache& c, float ht) {
  if (!c.adiag.empty() && std::bit_cast<uint32_t>(c.ht) == std::bit_cast<uint32_t>(ht)) return;
  const size_t n1 = static_cast<size_t>(c.n1);
  const float* minv = reals(s, s.cmesh.jmm);
  const float inv_ht = 1.0f / ht;
  c.ht = ht;
  c.adiag.assign(2 * n1, 0.0f);
  c.dg.assign(2 * n1, 0.0f);
  for (int ic = 0; ic < 2; ++ic) {
    if (!c.on[ic]) continue;
    const float* kd = c.kdiag[3 * ic].data();
    const float* sd = c.stiff_diag.data() + ic * n1;
    float* ad = c.adiag.data() + ic * n1;
    float* dg = c.dg.data() + ic * n1;
    for (size_t i = 0; i < n1; ++i) {
      const float mht = minv[i] * ht;
      dg[i] = mht / (sd[i] * mht + 1.0f);
      ad[i] = c.prescribed[ic][i] ? 0.0f : kd[i] + inv_ht / minv[i];
    }
  }
}

void drop_step_cache(Session& s) {
  s.class_cache.held.reset();
}

}  // namespace tivor::dif

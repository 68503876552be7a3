// The history recorder: after every step it samples the time, the step ratio and the chosen
// result functions at fixed points into curves of a fixed length, thinning them to every second
// point when they are full so that the whole run stays covered.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "console/console.hpp"
#include "core/function_read.hpp"
#include "core/pool.hpp"
#include "kernels/kernels.hpp"
#include "mesh/point_value.hpp"
#include "reader/reader.hpp"

namespace tivor {
namespace {

constexpr int kMaxGraphs = 20;
constexpr int kMaxFunctions = 30;  // entries of the result-function pointer table

int32_t clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// No history: later calls record nothing and the viewer finds no curves.
void disable(ChtHistory& h) {
  h.nthist = 0;
  h.nhist = 0;
  h.npoints = 0;
}

// The locator of the mesh as it was when it was built, known by the mesh's counts, its array
// pointers and a checksum of its coordinates and connectivity. It walks the mesh once for each
// point and keeps the answers; an index of the elements would sort the whole mesh, several times
// the cost of the walks for a few points. Beside it, the element each history point was last
// found in: while that element still holds the point, the record needs neither a walk nor the
// checksum of the mesh (which, at a million elements, cost more than the rest of a record).
struct KeptLocator : ClassCache {
  std::array<uint64_t, 6> key{};
  std::optional<MeshLocator> locator;
  struct Found {
    float x, y;
    int32_t element;
  };
  std::vector<Found> found;
};

const MeshLocator& mesh_locator(Session& s) {
  const Cmesh& c = s.cmesh;
  std::array<uint64_t, 6> key{uint64_t(uint32_t(c.n1)),  uint64_t(uint32_t(c.n2)),
                              uint64_t(uint32_t(c.m)),   uint64_t(uint32_t(c.jrz)),
                              uint64_t(uint32_t(c.jj1)), 0};
  if (real_array_ok(s, c.jrz, 2 * int64_t{c.n1})) {
    key[5] = words_checksum(reals(s, c.jrz), 2 * int64_t{c.n1});
  }
  if (c.m > 0 && int_array_ok(s, c.jj1, int64_t{c.n2} * c.m)) {
    key[5] ^= words_checksum(ints(s, c.jj1), int64_t{c.n2} * c.m) * 31;
  }
  KeptLocator& kept = class_cache_of<KeptLocator>(s.locator_cache);
  if (!kept.locator || kept.key != key) {
    kept.locator.emplace(s, LocatorSearch::walk);
    kept.key = key;
  }
  return *kept.locator;
}

// Field jf at history point (x, y) of the mesh as it is now; false when no element holds it.
bool history_value(Session& s, int32_t jf, float x, float y, float& value) {
  KeptLocator& kept = class_cache_of<KeptLocator>(s.locator_cache);
  const auto same = [&](const KeptLocator::Found& f) { return f.x == x && f.y == y; };
  auto at = std::find_if(kept.found.begin(), kept.found.end(), same);
  if (at != kept.found.end() && kept.locator &&
      point_value_in(s, *kept.locator, at->element, jf, x, y, value)) {
    return true;
  }
  const MeshLocator& locator = mesh_locator(s);
  const int32_t e = locator.cell_at(x, y);
  // The points of earlier set-ups are forgotten once there are more than the graphs.
  if (at == kept.found.end()) {
    if (kept.found.size() >= kMaxGraphs) kept.found.clear();
    at = kept.found.insert(kept.found.end(), {x, y, 0});
  }
  at->element = e;
  return e != 0 && point_value_in(s, locator, e, jf, x, y, value);
}

// The message for history graph i (from 1) whose point (x, y) lies outside the mesh.
void outside(Session& s, int i, float x, float y) {
  if (s.colors.col != 1) newstr(s);
  paus(s, "history:graph" + fmt_int(i, "(i3)") + " x=" + fmt_real(x, "(e11.4)") +
              " y=" + fmt_real(y, "(e11.4)") + " is outside the mesh");
}

// Reads the set-up: points per curve, the built-in curve and the point histories. Returns 1
// (flag set) on a failed read or a bad value, with the history left disabled.
int read_setup(Session& s) {
  ChtHistory& h = s.cht.hist;
  const auto fail = [&h] {
    disable(h);
    return 1;
  };
  int32_t nthist = 0;
  if (read_int(s, " number of points for history graph", "nthist", nthist)) return fail();
  disable(h);
  h.nthist = nthist;
  if (nthist < 2) return 0;

  h.interval = 1;
  h.next_step = 0;
  // Without an auxiliary force record of the class the step ratio is the only built-in curve.
  h.nhist0 = 1;
  for (auto& name : h.name0) set_field(name, "");
  set_field(h.name0[0], "ht/htdyn");
  if (reserve_reals(s, h.jthist, nthist, "jthist") ||
      reserve_reals(s, h.jhist0, int64_t{h.nhist0} * nthist, "jhist0")) {
    return fail();
  }

  int32_t nhist = 0;
  if (read_int(s, " number of history graphs", "nhist", nhist)) return fail();
  if (nhist < 0 || nhist > kMaxGraphs) {
    flag_on(s, "! nhist= 0-20 !");
    return fail();
  }
  const int32_t nipp = std::min(s.cht.nipp, kMaxFunctions);
  // A walk for the few points.
  const MeshLocator locator(s, LocatorSearch::walk);
  int32_t kept = 0;
  for (int i = 0; i < nhist; ++i) {
    int32_t f = 0;
    if (read_int(s, " function number for history graph", "f", f)) return fail();
    if (f < 1 || f > nipp) {
      flag_on(s, " incorrect f:  0< f <nipp+1");
      return fail();
    }
    float x = 0.0f, y = 0.0f;
    if (read_real(s, " x-coordinate for history graph", "x", x) ||
        read_real(s, " y-coordinate for history graph", "y", y)) {
      return fail();
    }
    // A point outside the mesh would have no value at any step: it is left out, the others
    // are kept.
    if (locator.cell_at(x, y) == 0) {
      outside(s, i + 1, x, y);
      continue;
    }
    h.ifhist[kept] = f;
    h.xhist[kept] = x;
    h.yhist[kept] = y;
    ++kept;
  }
  if (kept > 0 && reserve_reals(s, h.jhist, int64_t{kept} * nthist, "jhist")) return fail();
  h.nhist = kept;
  return 0;
}

// True when the curves the record points at lie inside the real pool, so that a damaged record
// (a state buffer from elsewhere) cannot make the recorder write outside it.
bool record_ok(const Session& s) {
  const ChtHistory& h = s.cht.hist;
  const int64_t n = h.nthist;
  return h.nhist >= 0 && h.nhist <= kMaxGraphs && h.nhist0 >= 1 && h.npoints >= 0 &&
         h.npoints <= n && real_array_ok(s, h.jthist, n) &&
         real_array_ok(s, h.jhist0, h.nhist0 * n) &&
         (h.nhist == 0 || real_array_ok(s, h.jhist, h.nhist * n));
}

// Keeps points 1, 3, 5, ... of the first `count` points of a curve, moved to 1, 2, 3, ...
void thin(float* curve, int32_t count) {
  for (int32_t k = 1; 2 * k - 1 <= count; ++k) curve[k - 1] = curve[2 * k - 2];
}

// Removes graph i (from 0): the later graphs and their curves move down by one.
void drop_graph(Session& s, int i) {
  ChtHistory& h = s.cht.hist;
  const int64_t n = h.nthist;
  float* curves = reals(s, h.jhist);
  for (int k = i + 1; k < h.nhist; ++k) {
    h.ifhist[k - 1] = h.ifhist[k];
    h.xhist[k - 1] = h.xhist[k];
    h.yhist[k - 1] = h.yhist[k];
    std::copy_n(curves + k * n, n, curves + (k - 1) * n);
  }
  --h.nhist;
}

void record(Session& s) {
  ChtHistory& h = s.cht.hist;
  const int64_t is = s.cht.is;
  const int64_t interval = std::max<int32_t>(h.interval, 1);
  // A run restarted at an earlier step starts recording again at once.
  if (interval + is < h.next_step) h.next_step = s.cht.is;
  if (h.next_step > is) return;
  if (h.next_step < is) h.next_step = s.cht.is;

  const int32_t n = h.nthist;
  if (h.npoints + 1 > n) {
    thin(reals(s, h.jthist), h.npoints);
    for (int32_t c = 0; c < h.nhist0; ++c) thin(reals(s, h.jhist0 + int64_t{c} * n), h.npoints);
    for (int32_t c = 0; c < h.nhist; ++c) thin(reals(s, h.jhist + int64_t{c} * n), h.npoints);
    h.npoints = (h.npoints + 1) / 2;
    h.next_step = clamp32(h.next_step + interval);
    h.interval = clamp32(2 * interval);
    return;
  }

  // A graph whose point has left the mesh (a mesh that moves) is dropped with a message; the
  // time, the built-in curves and the other graphs go on.
  float values[kMaxGraphs] = {};
  if (h.nhist > 0) {
    for (int i = 0; i < h.nhist;) {
      const int32_t f = h.ifhist[i];
      const bool published = f >= 1 && f <= kMaxFunctions;
      if (published) function_read(s, f);
      if (published && history_value(s, s.cht.ipp[f - 1], h.xhist[i], h.yhist[i], values[i])) {
        ++i;
        continue;
      }
      outside(s, i + 1, h.xhist[i], h.yhist[i]);
      drop_graph(s, i);
    }
  }
  const int32_t k = h.npoints;  // index of the new point from 0
  reals(s, h.jthist)[k] = s.cht.t;
  reals(s, h.jhist0)[k] = s.cht.ht / (std::abs(h.htdyn) + kEpsilon);
  for (int i = 0; i < h.nhist; ++i) reals(s, h.jhist + int64_t{i} * n)[k] = values[i];
  h.npoints = k + 1;
  h.next_step = clamp32(h.next_step + interval);
}

}  // namespace

int history(Session& s) {
  if (flag_tst(s)) return 1;
  if (s.cht.itask != kTaskPrepared && read_setup(s)) return 1;
  if (s.cht.hist.nthist > 1 && record_ok(s)) record(s);
  return 0;
}

}  // namespace tivor

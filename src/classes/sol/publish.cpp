// SOP: after set-up and after each step the class publishes its result functions and boundary
// conditions, derives the stress normal to the plane, marks the destroyed cells, sums the boundary
// forces of each zone, records the history points and lets the film take its frame.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "classes/sol/sol_internal.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"
#include "reader/reader.hpp"

namespace tivor::sol {
namespace {

struct Published {
  const char* name;
  int field;  // field of jf (0..11), or one of the other arrays below
};
constexpr int kStr = 100, kPore = 200, kCrack = 201, kEmx = 202, kNormal = 300, kDest = 301;
constexpr Published kFunctions[20] = {
    {"displ UX", kUr},
    {"displ UY", kUz},
    {"velos VX", kVr},
    {"velos VY", kVz},
    {"stress S11", kStr},
    {"stress s33", kStr + 1},
    {"stress S22", kNormal},
    {"stress S13", kStr + 2},
    {"mean stress", kStr + 3},
    {"Plastic work", kAp},
    {"Density", kRo},
    {"Int.energy", kEe},
    {"pore", kPore},
    {"crack", kCrack},
    {"emx", kEmx},
    {"dest.cells", kDest},
    {"ep11", kEp11},
    {"ep33", kEp33},
    {"ep13", kEp13},
    {"rop", kRop},
};

int32_t pointer_of(const SolParm& p, int field) {
  if (field < 12) return p.jf[field];
  if (field >= kStr && field < kStr + 4) return p.jstr[field - kStr];
  switch (field) {
    case kPore:
      return p.jpore;
    case kCrack:
      return p.jcrack;
    case kEmx:
      return p.jemx;
    case kNormal:
      return p.jdf[6];
    default:
      return p.jdf[0];
  }
}

// Without a film the redraw after a step is only there for the eye, which follows no more than
// this many seconds between pictures.
constexpr double kRedrawSeconds = 0.1;

// The film entry after a step: always while a film runs and at the last step of a run;
// otherwise when kRedrawSeconds, and nine times what the last redraw cost, have passed since it.
void film(Session& s) {
  if (!s.up.afilm) return;
  SolCache* clock = &sol_cache(s);
  const double now = s.host->clock();
  if (s.cht.ifilm == 0 && s.cht.is < s.cht.isp &&
      now - clock->drawn_at < std::max(kRedrawSeconds, 9.0 * clock->cost)) {
    return;
  }
  s.up.afilm();
  clock->drawn_at = s.host->clock();
  clock->cost = clock->drawn_at - now;
}

// The elements whose nodes count in the boundary force sums of their zone, and how many times
// each node counts: once for each boundary entry of the zone that ends at it, none at an
// interface (a node on an edge glued to another zone passes force to it, not to the outside).
void find_boundary_elements(Session& s, SolCache& cache) {
  const Cmesh& c = s.cmesh;
  const int32_t m = c.m, n1 = c.n1;
  const int32_t* conn = ints(s, c.jj1);
  const int32_t* last = ints(s, c.jn2);
  const int32_t* jn3 = ints(s, c.jn3);
  const int32_t* b = ints(s, c.jj2);
  cache.boundary_elements.clear();
  cache.boundary_first.assign(size_t(std::max(c.ntel, 0)) + 1, 0);
  // Each zone clears what it counted, so the counts are all zero between zones.
  std::vector<int32_t> counts(size_t(std::max(n1, 0)), 0);
  const auto clear_ends = [&](int32_t k) {
    for (const int32_t n : {std::abs(b[2 * k]), std::abs(b[2 * k + 1])}) {
      if (n >= 1 && n <= n1) counts[n - 1] = 0;
    }
  };
  int32_t first = 0, bfirst = 0;
  for (int32_t z = 0; z < c.ntel; ++z) {
    const int32_t end = std::clamp(last[z], first, c.n2);
    const int32_t bend = std::clamp(jn3[z], bfirst, c.n3);
    for (int32_t k = bfirst; k < bend; ++k) {
      const int32_t n = b[2 * k + 1];
      if (n >= 1 && n <= n1) ++counts[n - 1];
    }
    for (int32_t k = bfirst; k < bend; ++k) {
      if (b[2 * k + 1] <= 0) clear_ends(k);
    }
    for (int32_t e = first; e < end; ++e) {
      const int32_t* v = conn + int64_t{e} * m;
      const int k = (m == 4 && v[2] != v[3]) ? 4 : 3;
      SolCache::BoundaryElement be{e, {0, 0, 0, 0}};
      bool counted = false;
      for (int i = 0; i < k; ++i) {
        be.times[i] = counts[v[i] - 1];
        counted |= be.times[i] != 0;
      }
      if (counted) cache.boundary_elements.push_back(be);
    }
    cache.boundary_first[z + 1] = std::ssize(cache.boundary_elements);
    for (int32_t k = bfirst; k < bend; ++k) clear_ends(k);
    first = end;
    bfirst = bend;
  }
}

// SOFORCE1: for each zone, the sums over its outer boundary nodes of its elements' internal
// forces there, from the nodal stresses; at rest these balance the loads, supports and contacts
// acting on the zone. Nodes on an edge glued to another zone are left out, so a zone at rest
// sums to the force it passes to its neighbours, and a zone with no neighbour to about zero.
int soforce1(Session& s) {
  SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  if (s.cht.itask != kTaskPrepared) {
    int32_t order = 0;
    if (read_int(s, " order to calculate boundary forces", "nbforce", order) ||
        reserve_reals(s, p.jbfx, c.ntel, "jbfx") || reserve_reals(s, p.jbfy, c.ntel, "jbfy")) {
      return 1;
    }
  }
  SolCache& cache = sol_cache(s);
  const std::array<uint64_t, 5> key{s.pool_stamp, uint64_t(uint32_t(c.n1)),
                                    uint64_t(uint32_t(c.n2)), uint64_t(uint32_t(c.n3)),
                                    uint64_t(uint32_t(c.ntel))};
  if (cache.boundary_key != key || cache.boundary_first.empty()) {
    find_boundary_elements(s, cache);
    cache.boundary_key = key;
  }
  const int32_t m = c.m;
  const int32_t* conn = ints(s, c.jj1);
  const float* d1 = reals(s, c.jd1);
  const float* d2 = reals(s, c.jd2);
  const float* dm = reals(s, c.jdm);
  const float* vol = reals(s, c.jsss);
  const float* rmin1 = reals(s, c.jrmin1);
  const float* str[4];
  for (int i = 0; i < 4; ++i) str[i] = reals(s, p.jstr[i]);
  float* bfx = reals(s, p.jbfx);
  float* bfy = reals(s, p.jbfy);
  for (int32_t z = 0; z < c.ntel; ++z) {
    double sum_r = 0.0, sum_z = 0.0;
    for (int64_t q = cache.boundary_first[z]; q < cache.boundary_first[z + 1]; ++q) {
      const SolCache::BoundaryElement& be = cache.boundary_elements[q];
      const int64_t base = int64_t{be.e} * m;
      const int32_t* v = conn + base;
      const int k = (m == 4 && v[2] != v[3]) ? 4 : 3;
      float el[4] = {0, 0, 0, 0};
      for (int i = 0; i < k; ++i) {
        for (int j = 0; j < 4; ++j) el[j] += dm[base + i] * str[j][v[i] - 1];
      }
      const float w = vol[be.e];
      const float hoop = (3 * el[3] - el[0] - el[1]) * w * rmin1[be.e];
      for (int i = 0; i < k; ++i) {
        const int32_t times = be.times[i];
        if (times == 0) continue;
        sum_r +=
            times * (d1[base + i] * el[0] * w + d2[base + i] * el[2] * w + dm[base + i] * hoop);
        sum_z += times * (d1[base + i] * el[2] * w + d2[base + i] * el[1] * w);
      }
    }
    bfx[z] = static_cast<float>(sum_r);
    bfy[z] = static_cast<float>(sum_z);
  }
  return 0;
}

}  // namespace

void sop(Session& s) {
  if (flag_tst(s) || rtmr(s, "sop")) return;
  const SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  sobase(s);
  const bool axisym = c.isym == 1;
  set_field(s.cls.funname[0], "Contact");
  set_field(s.cls.funname[1], axisym ? "Velocity Vr" : "Velocity Vx");
  set_field(s.cls.funname[2], axisym ? "Velocity Vz" : "Velocity Vy");
  set_field(s.cls.funname[3], "Continuation");
  s.cls.jfun[0] = p.jkontw;
  s.cls.jfun[1] = p.jy[1];
  s.cls.jfun[2] = p.jy[2];
  s.cls.jfun[3] = p.jcontin;
  s.cls.nfun = 4;
  for (int i = 0; i < 20; ++i) {
    set_field(s.cls.ppname[i], kFunctions[i].name);
    s.cht.ipp[i] = pointer_of(p, kFunctions[i].field);
  }
  s.cht.nipp = 20;

  // The stress normal to the plane (the hoop stress of an axisymmetric task, the out-of-plane
  // stress of a plane one): the material model keeps a deviator whose trace is zero, so it is
  // 3 sigma_m - sigma_11 - sigma_33, node by node from the averaged nodal stresses.
  const int32_t n1 = c.n1, m = c.m;
  const float* s11 = reals(s, p.jstr[0]);
  const float* s33 = reals(s, p.jstr[1]);
  const float* mean = reals(s, p.jstr[3]);
  float* normal = reals(s, p.jdf[6]);
  for (int32_t i = 0; i < n1; ++i) normal[i] = 3 * mean[i] - s11[i] - s33[i];

  // The destroyed-cell marker: each node takes the flag of the last element around it.
  float* dest = reals(s, p.jdf[0]);
  std::fill_n(dest, n1, 0.0f);
  const int32_t* conn = ints(s, c.jj1);
  const float* cell = reals(s, c.jdest_cell);
  for (int32_t e = 0; e < c.n2; ++e) {
    const int32_t* v = conn + int64_t{e} * m;
    const int k = (m == 4 && v[2] != v[3]) ? 4 : 3;
    for (int i = 0; i < k; ++i) dest[v[i] - 1] = std::max(cell[e], 0.0f);
  }
  if (soforce1(s) || history(s)) return;
  film(s);
}

}  // namespace tivor::sol

// GSP: after set-up and after each step the class computes its derived fields (vorticity, stream
// function, local Mach number, temperature), publishes its result functions and boundary
// conditions, records the history points and lets the film take its frame. Inside a run a derived
// field is made only when a history graph, the film or an export reads it; the rest wait for the
// run's end.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "classes/gs/gs_internal.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"

namespace tivor::gs {
namespace {

constexpr const char* kFunctions[] = {"density",      "velocity vx", "velocity vy",
                                      "int. energy",  "pressure",    "vorticity",
                                      "stream func.", "local mach",  "temperature"};
constexpr int kPublished = 9;

// Without a film the redraw after a step is only there for the eye, which follows no more than
// this many seconds between pictures.
constexpr double kRedrawSeconds = 0.1;

// Vorticity dv/dr - du/dz: the element values averaged at the nodes with the lumped masses.
void vorticity(Session& s, float* w) {
  const Cmesh& c = s.cmesh;
  const GsParm& p = parm(s);
  const int64_t n1 = c.n1;
  const float* u = reals(s, p.jf[kU]);
  const float* v = reals(s, p.jf[kV]);
  const int32_t* conn = ints(s, c.jj1);
  const float* d1 = reals(s, c.jd1);
  const float* d2 = reals(s, c.jd2);
  const float* dm = reals(s, c.jdm);
  const float* vol = reals(s, c.jsss);
  const float* mass = reals(s, c.jmm);
  std::fill_n(w, n1, 0.0f);
  for (int32_t e = 0; e < c.n2; ++e) {
    const int64_t base = int64_t{e} * c.m;
    const int k = corners(conn + base, c.m);
    float curl = 0;
    for (int i = 0; i < k; ++i) {
      const int32_t n = conn[base + i] - 1;
      curl += d1[base + i] * v[n] - d2[base + i] * u[n];
    }
    for (int i = 0; i < k; ++i) w[conn[base + i] - 1] += dm[base + i] * vol[e] * curl;
  }
  for (int64_t n = 0; n < n1; ++n) w[n] *= mass[n];
}

// The stream function of the mass flux: d(psi)/dz = ro u r^k, d(psi)/dr = -ro v r^k (k = 1 in
// an axisymmetric task, 0 in a plane one), integrated along mesh edges with the trapezoid rule.
// The boundary chain through the first boundary node is integrated first, edge after edge, so
// that psi is constant along a wall the flow does not cross; every other node takes the mean of
// the values its known neighbours give it, reached breadth first. A prescribed psi (keyword
// "psi") fixes the constant at the first boundary element that carries it.
void stream_function(Session& s, float* psi, const GsCache& nb) {
  const Cmesh& c = s.cmesh;
  const GsParm& p = parm(s);
  const int32_t n1 = c.n1;
  const float* rz = reals(s, c.jrz);
  const float* ro = reals(s, p.jf[kRo]);
  const float* u = reals(s, p.jf[kU]);
  const float* v = reals(s, p.jf[kV]);
  const bool axisym = c.isym == 1;
  const auto step = [&](int32_t a, int32_t b) {
    const float ra = axisym ? rz[2 * a] : 1.0f, rb = axisym ? rz[2 * b] : 1.0f;
    const float gra = -ro[a] * v[a] * ra, grb = -ro[b] * v[b] * rb;
    const float gza = ro[a] * u[a] * ra, gzb = ro[b] * u[b] * rb;
    return 0.5f *
           ((gra + grb) * (rz[2 * b] - rz[2 * a]) + (gza + gzb) * (rz[2 * b + 1] - rz[2 * a + 1]));
  };
  std::vector<char> known(static_cast<size_t>(n1), 0);
  std::vector<int32_t> queue;
  queue.reserve(static_cast<size_t>(n1));
  const int32_t* b = ints(s, c.jj2);
  int32_t seed = 0;
  for (int32_t k = 0; k < c.n3; ++k) {
    if (b[2 * k] != 0) {
      seed = std::abs(b[2 * k]) - 1;
      break;
    }
  }
  psi[seed] = 0;
  known[static_cast<size_t>(seed)] = 1;
  queue.push_back(seed);
  // Along the boundary chain: each boundary element runs from its first node to its second.
  for (bool moved = true; moved;) {
    moved = false;
    for (int32_t k = 0; k < c.n3; ++k) {
      const int32_t q = std::abs(b[2 * k]) - 1, r = std::abs(b[2 * k + 1]) - 1;
      if (q < 0 || r < 0) continue;
      const bool kq = known[static_cast<size_t>(q)] != 0, kr = known[static_cast<size_t>(r)] != 0;
      if (kq == kr) continue;
      const int32_t from = kq ? q : r, to = kq ? r : q;
      psi[to] = psi[from] + step(from, to);
      known[static_cast<size_t>(to)] = 1;
      queue.push_back(to);
      moved = true;
    }
  }
  for (size_t head = 0; head < queue.size(); ++head) {
    const int32_t a = queue[head];
    for (int32_t j = nb.start[a]; j < nb.start[a + 1]; ++j) {
      const int32_t x = nb.next[j];
      if (known[static_cast<size_t>(x)] != 0) continue;
      float sum = 0;
      int count = 0;
      for (int32_t l = nb.start[x]; l < nb.start[x + 1]; ++l) {
        const int32_t y = nb.next[l];
        if (known[static_cast<size_t>(y)] == 0) continue;
        sum += psi[y] + step(y, x);
        ++count;
      }
      psi[x] = sum / static_cast<float>(count);
      known[static_cast<size_t>(x)] = 1;
      queue.push_back(x);
    }
  }
  for (int32_t n = 0; n < n1; ++n) {
    if (known[static_cast<size_t>(n)] == 0) psi[n] = 0;
  }
  const int32_t* flag = ints(s, p.jy[kStream]);
  const float* value = reals(s, p.jfg[kStream]);
  for (int32_t k = 0; k < c.n3; ++k) {
    const int32_t node = std::abs(b[2 * k + 1]);
    if (flag[k] != 0 || node == 0) continue;
    const float shift = value[k] - psi[node - 1];
    for (int32_t n = 0; n < n1; ++n) psi[n] += shift;
    break;
  }
}

// Local Mach number |velocity| / sound speed and temperature (gamma - 1) e, which is e / cv in
// units where the gas constant is 1, each with the constants of the node's subregion.
void mach_and_temperature(Session& s, float* mach, float* temp) {
  const Cmesh& c = s.cmesh;
  const GsParm& p = parm(s);
  const float* u = reals(s, p.jf[kU]);
  const float* v = reals(s, p.jf[kV]);
  const float* e = reals(s, p.jf[kE]);
  const float* gam = reals(s, p.jgam);
  const int32_t* last = ints(s, c.jn1);
  int32_t first = 0;
  for (int32_t sub = 0; sub < c.ntel; ++sub) {
    const int32_t end = range_end(last, sub, first, c.n1);
    const float g = gam[sub];
    for (int32_t n = first; n < end; ++n) {
      const float a = std::sqrt(std::max(g * (g - 1) * e[n], 0.0f)) + 1e-10f;
      mach[n] = std::sqrt(u[n] * u[n] + v[n] * v[n]) / a;
      temp[n] = (g - 1) * e[n];
    }
    first = end;
  }
}

// Derived fields, one bit each.
constexpr unsigned kVortBit = 1, kStreamBit = 2, kMachTempBit = 4, kAllDerived = 7;

// The derived field of result function k (from 1), as its bit; 0 for a field of the state.
unsigned derived_bit(int k) {
  switch (k - 1) {
    case kVort:
      return kVortBit;
    case kStream:
      return kStreamBit;
    case kMach:
    case kTemp:
      return kMachTempBit;
    default:
      return 0;
  }
}

// The derived fields named by bits, from the state in jf.
void derive(Session& s, GsCache& held, unsigned bits) {
  GsParm& p = parm(s);
  if (bits & kVortBit) vorticity(s, reals(s, p.jf[kVort]));
  if (bits & kStreamBit) stream_function(s, reals(s, p.jf[kStream]), held);
  if (bits & kMachTempBit) mach_and_temperature(s, reals(s, p.jf[kMach]), reals(s, p.jf[kTemp]));
  held.stale &= ~bits;
}

// True when the film takes its frame after this step: always while a film runs and at the last
// step of a run; otherwise when kRedrawSeconds, and nine times what the last redraw cost, have
// passed since it.
bool film_due(Session& s, const GsCache& clock) {
  if (!s.up.afilm) return false;
  return s.cht.ifilm != 0 || s.cht.is >= s.cht.isp ||
         s.host->clock() - clock.drawn_at >= std::max(kRedrawSeconds, 9.0 * clock.cost);
}

}  // namespace

void gsp(Session& s) {
  if (flag_tst(s) || rtmr(s, "gsp")) return;
  GsParm& p = parm(s);
  GsCache& held = gs_cache(s);
  // The last step of a run (and the preparation) publishes everything; the steps before it leave
  // the derived fields marked, to be made when the history, the film or an export reads them.
  const bool last = s.cht.is >= s.cht.isp;
  const bool film = film_due(s, held);
  held.stale |= kAllDerived;
  if (!last) {
    s.up.function_read = [&s](int k) {
      GsCache& cache = gs_cache(s);
      if (const unsigned bit = derived_bit(k) & cache.stale) derive(s, cache, bit);
    };
  } else {
    s.up.function_read = nullptr;
    derive(s, held, kAllDerived);
    gsbase(s);
    p.ivortex = p.istream = 1;
    for (int i = 0; i < kPublished; ++i) {
      set_field(s.cls.ppname[i], kFunctions[i]);
      s.cht.ipp[i] = p.jf[i];
    }
    s.cht.nipp = kPublished;
    constexpr const char* kConditions[] = {"ro", "wall", "vx", "vy", "ee", "p", "psi"};
    const int32_t flags[] = {p.jy[kRo], p.jwall,  p.jy[kU],     p.jy[kV],
                             p.jy[kE],  p.jy[kP], p.jy[kStream]};
    for (int i = 0; i < 7; ++i) {
      set_field(s.cls.funname[i], kConditions[i]);
      s.cls.jfun[i] = flags[i];
    }
    s.cls.nfun = 7;
  }
  if (history(s)) return;
  if (!film) return;
  const double now = s.host->clock();
  s.up.afilm();
  held.drawn_at = s.host->clock();
  held.cost = held.drawn_at - now;
}

void publish_stale(Session& s) {
  // Readers outside a run find every field made.
  s.up.function_read = nullptr;
  GsCache& held = gs_cache(s);
  if (held.stale != 0) derive(s, held, held.stale);
}

}  // namespace tivor::gs

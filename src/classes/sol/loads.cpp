// SOGRB and CONTIN: surface loads, body loads and the continued boundary, integrated along the
// boundary segments with two Gauss points into the force array (internal minus external forces).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"

namespace tivor::sol {
namespace {

// Shape values of the segment's ends at the two Gauss points; each point weighs 0.5.
constexpr float kShape[2][2] = {{0.788675f, 0.211325f}, {0.211325f, 0.788675f}};
constexpr float kShortest = 1e-6f;

// One boundary segment of zone z: its boundary element k, its end nodes (from 0), the
// positions of the ends and its length.
struct Segment {
  int32_t k, a, b;
  float ra, za, rb, zb, dr, dz, len;
};

// Calls f(segment) for every boundary segment with at least one non-negative node number, zone
// by zone, until f returns true.
template <typename F>
void for_segments(Session& s, F&& f) {
  const SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const int32_t* b = ints(s, c.jj2);
  const int32_t* jn3 = ints(s, c.jn3);
  const float* rz = reals(s, c.jrz);
  const float* ur = reals(s, p.jf0[kUr]);
  const float* uz = reals(s, p.jf0[kUz]);
  const float gn = p.gn;
  int32_t first = 0;
  for (int32_t z = 0; z < c.ntel; ++z) {
    const int32_t end = std::clamp(jn3[z], first, c.n3);
    for (int32_t k = first; k < end; ++k) {
      if (b[2 * k] < 0 && b[2 * k + 1] < 0) continue;
      Segment g;
      g.k = k;
      g.a = std::abs(b[2 * k]) - 1;
      g.b = std::abs(b[2 * k + 1]) - 1;
      if (g.a < 0 || g.b < 0) continue;
      g.ra = rz[2 * g.a] + gn * ur[g.a];
      g.za = rz[2 * g.a + 1] + gn * uz[g.a];
      g.rb = rz[2 * g.b] + gn * ur[g.b];
      g.zb = rz[2 * g.b + 1] + gn * uz[g.b];
      g.dr = g.rb - g.ra;
      g.dz = g.zb - g.za;
      g.len = std::sqrt(g.dr * g.dr + g.dz * g.dz);
      if (f(g)) return;
    }
    first = end;
  }
}

}  // namespace

int sogrb(Session& s) {
  if (rtmr(s, "sogrb")) return 1;
  SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const int32_t n1 = c.n1;
  const float dt = s.cht.ht;
  const float t = s.cht.t + dt;
  // Multipliers at t and their increments over the step.
  const auto at = [&](int32_t n, int32_t j, float& value, float& change) {
    const float* table = n > 0 ? reals(s, j) : nullptr;
    float slope = 0, later = 0;
    intr(t, table, n, value, slope);
    intr(t + dt, table, n, later, slope);
    change = later - value;
  };
  for (int l = 0; l < 4; ++l) {
    at(l < p.npn ? p.ntpn[l] : 0, p.jtpn[l], p.tpn[l], p.dtpn[l]);
    at(l < p.npt ? p.ntpt[l] : 0, p.jtpt[l], p.tpt[l], p.dtpt[l]);
    at(l < p.nqn ? p.ntqn[l] : 0, p.jtqn[l], p.tqn[l], p.dtqn[l]);
  }
  at(p.ntfr, p.jtfr, p.tfr, p.dtfr);
  at(p.ntfz, p.jtfz, p.tfz, p.dtfz);

  float* fr = reals(s, p.jgr);
  float* fz = fr + n1;
  const bool axisym = c.isym == 1;
  const int npn = std::clamp(p.npn, 0, 4), npt = std::clamp(p.npt, 0, 4);
  p.hgmin = 1e37f;
  int failed = 0;
  for_segments(s, [&](const Segment& g) {
    if (g.len < kShortest) {
      txtcon(s, " warning:ill condition!!!");
      paus(s, "sogrb:interval" + fmt_int(g.k + 1, "(i8)"));
      txtcon(s, "rr=" + fmt_real(g.ra, "(e12.4)") + fmt_real(g.rb, "(e12.4)"));
      txtcon(s, "zz=" + fmt_real(g.za, "(e12.4)") + fmt_real(g.zb, "(e12.4)"));
      failed = flag_on(s, "length=0");
      return true;
    }
    p.hgmin = std::min(p.hgmin, g.len);
    // The load values of the segment (each load array holds one value a boundary element, taken
    // at its midpoint), the same at both ends: a uniform load then gives its full resultant.
    float pn = 0, qt = 0;
    for (int l = 0; l < npn; ++l) pn += reals(s, p.jpn[l])[g.k] * p.tpn[l];
    for (int l = 0; l < npt; ++l) qt += reals(s, p.jpt[l])[g.k] * p.tpt[l];
    if (pn == 0 && qt == 0) return false;
    const float cr = g.dr / g.len, cz = g.dz / g.len;
    for (const auto& sh : kShape) {
      const float r = axisym ? sh[0] * g.ra + sh[1] * g.rb : 1.0f;
      const float along_r = 0.5f * r * (-cz * pn + cr * qt) * g.len;
      const float along_z = 0.5f * r * (cr * pn + cz * qt) * g.len;
      fr[g.a] -= sh[0] * along_r;
      fz[g.a] -= sh[0] * along_z;
      fr[g.b] -= sh[1] * along_r;
      fz[g.b] -= sh[1] * along_z;
    }
    return false;
  });
  if (failed) return 1;

  // Body loads.
  if (p.tfr != 0 || p.tfz != 0) {
    const float* mass = reals(s, c.jmm);
    const float* ro = reals(s, p.jf[kRo]);
    const float* rz = reals(s, c.jrz);
    const float* ur = reals(s, p.jf0[kUr]);
    for (int32_t i = 0; i < n1; ++i) {
      const float f = mass[i] * ro[i];
      if (!(f >= 1e-10f)) continue;
      const float r = axisym ? rz[2 * i] + p.gn * ur[i] : 1.0f;
      fr[i] -= f * p.tfr * r;
      fz[i] -= f * p.tfz;
    }
  }
  return 0;
}

int contin(Session& s) {
  if (rtmr(s, "contin")) return 1;
  SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const int32_t n1 = c.n1;
  const int32_t* flag = ints(s, p.jcontin);
  const float* s11 = reals(s, p.jstr[0]);
  const float* s33 = reals(s, p.jstr[1]);
  const float* s13 = reals(s, p.jstr[2]);
  float* fr = reals(s, p.jgr);
  float* fz = fr + n1;
  const bool axisym = c.isym == 1;
  int failed = 0;
  for_segments(s, [&](const Segment& g) {
    if (flag[g.k] != 0) return false;
    if (g.len < kShortest) {
      txtcon(s, "contin:check boundary element" + fmt_int(g.k + 1, "(i8)"));
      failed = flag_on(s, "zero length");
      return true;
    }
    const float cr = g.dr / g.len, cz = g.dz / g.len;
    for (const auto& sh : kShape) {
      const float a11 = sh[0] * s11[g.a] + sh[1] * s11[g.b];
      const float a33 = sh[0] * s33[g.a] + sh[1] * s33[g.b];
      const float a13 = sh[0] * s13[g.a] + sh[1] * s13[g.b];
      const float r = axisym ? sh[0] * g.ra + sh[1] * g.rb : 1.0f;
      // The traction sigma n of the medium beyond, n the outward normal (-dz, dr) / L, acts
      // on the boundary as an external load does.
      const float tr = 0.5f * r * (-cz * a11 + cr * a13) * g.len;
      const float tz = 0.5f * r * (-cz * a13 + cr * a33) * g.len;
      fr[g.a] -= sh[0] * tr;
      fz[g.a] -= sh[0] * tz;
      fr[g.b] -= sh[1] * tr;
      fz[g.b] -= sh[1] * tz;
    }
    return false;
  });
  return failed;
}

}  // namespace tivor::sol

// GSB, GSB1, GSBU: the boundary values of the gas-flow class: prescribed density, energy and
// pressure, prescribed velocities scaled by their time tables, and slip walls.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "classes/gs/gs_internal.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"

namespace tivor::gs {
namespace {

// GSB1: the prescribed value of every boundary element with flag 0 at its second node.
void gsb1(Session& s, float* f, int32_t jy, int32_t jfg) {
  const Cmesh& c = s.cmesh;
  const int32_t* b = ints(s, c.jj2);
  const int32_t* flag = ints(s, jy);
  const float* value = reals(s, jfg);
  for (int32_t k = 0; k < c.n3; ++k) {
    const int32_t node = std::abs(b[2 * k + 1]);
    if (flag[k] == 0 && node != 0) f[node - 1] = value[k];
  }
}

// GSBU: the prescribed velocities at t + ht, then the slip walls where neither component is
// prescribed: the velocity at both nodes of such a wall element keeps only its component along
// the element; what the wall takes of the kinetic energy is added to e.
void gsbu(Session& s, float* u, float* v, float* e) {
  if (rtmr(s, "gsbu")) return;
  GsParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const float at = s.cht.t + s.cht.ht;
  float slope = 0;
  intr(at, reals(s, p.jtvrg), p.ntvrg, p.tvrg, slope);
  intr(at, reals(s, p.jtvzg), p.ntvzg, p.tvzg, slope);
  const int32_t* b = ints(s, c.jj2);
  const int32_t* fu = ints(s, p.jy[kU]);
  const int32_t* fv = ints(s, p.jy[kV]);
  const int32_t* wall = ints(s, p.jwall);
  const float* gu = reals(s, p.jfg[kU]);
  const float* gv = reals(s, p.jfg[kV]);
  const float* rz = reals(s, c.jrz);
  const int32_t* last = ints(s, c.jn3);
  int32_t first = 0;
  for (int32_t sub = 0; sub < c.ntel; ++sub) {
    const int32_t end = range_end(last, sub, first, c.n3);
    for (int32_t k = first; k < end; ++k) {
      const int32_t pn = b[2 * k + 1];
      if (pn <= 0) continue;
      if (fu[k] == 0) u[pn - 1] = gu[k] * p.tvrg;
      if (fv[k] == 0) v[pn - 1] = gv[k] * p.tvzg;
      if (fu[k] + fv[k] < 2 || wall[k] != 0) continue;
      const int32_t qn = std::abs(b[2 * k]);
      if (qn == 0) continue;
      const float tr = rz[2 * (pn - 1)] - rz[2 * (qn - 1)];
      const float tz = rz[2 * (pn - 1) + 1] - rz[2 * (qn - 1) + 1];
      const float len = std::sqrt(tr * tr + tz * tz);
      if (len < 1e-6f) continue;
      for (const int32_t n : {pn, qn}) {
        const float along = (u[n - 1] * tr + v[n - 1] * tz) / (len * len);
        const float ur = along * tr, vz = along * tz;
        // A wall does no work: the kinetic energy of the normal velocity it stops stays in the
        // gas as internal energy.
        e[n - 1] += 0.5f * ((u[n - 1] * u[n - 1] + v[n - 1] * v[n - 1]) - (ur * ur + vz * vz));
        u[n - 1] = ur;
        v[n - 1] = vz;
      }
    }
    first = end;
  }
}

// The state behind a prescribed pressure: the scheme takes the pressure from density and energy
// by the gas law, so a node with a pressure condition gets the energy that gives the prescribed
// pressure with its density, or, where its energy is prescribed too, the density that gives it
// with that energy. Where both are prescribed the node's state is fully given and stays as it is.
void gsbp(Session& s, float* ro, float* e, const float* pres) {
  const GsParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const int32_t* b = ints(s, c.jj2);
  const int32_t* yp = ints(s, p.jy[kP]);
  int32_t first = 0;
  while (first < c.n3 && !(yp[first] == 0 && b[2 * first + 1] != 0)) ++first;
  if (first == c.n3) return;
  // 1: density prescribed at the node, 2: energy prescribed.
  std::vector<uint8_t> given(static_cast<size_t>(c.n1), 0);
  const int32_t* yr = ints(s, p.jy[kRo]);
  const int32_t* ye = ints(s, p.jy[kE]);
  for (int32_t k = 0; k < c.n3; ++k) {
    const int32_t node = std::abs(b[2 * k + 1]);
    if (node == 0) continue;
    if (yr[k] == 0) given[node - 1] |= 1;
    if (ye[k] == 0) given[node - 1] |= 2;
  }
  const int32_t* node_last = ints(s, c.jn1);
  const float* gam = reals(s, p.jgam);
  for (int32_t k = first; k < c.n3; ++k) {
    const int32_t node = std::abs(b[2 * k + 1]);
    if (yp[k] != 0 || node == 0) continue;
    const int32_t n = node - 1;
    // The gas law of the subregion whose node range holds the node, as for the pressure field.
    const int32_t* sub = std::upper_bound(node_last, node_last + c.ntel, n);
    const float gm1 = gam[std::min<int32_t>(static_cast<int32_t>(sub - node_last), c.ntel - 1)] - 1;
    if (gm1 <= 0.0f || pres[n] < 0.0f) continue;
    if ((given[n] & 2) == 0) {
      e[n] = pres[n] / (gm1 * std::max(ro[n], 1e-6f));
    } else if ((given[n] & 1) == 0 && e[n] > 0.0f) {
      ro[n] = std::max(pres[n] / (gm1 * e[n]), 1e-6f);
    }
  }
}

}  // namespace

void gsb(Session& s, int32_t f) {
  if (rtmr(s, "gsb")) return;
  const GsParm& p = parm(s);
  const int64_t n1 = s.cmesh.n1;
  float* base = reals(s, f);
  gsb1(s, base + kRo * n1, p.jy[kRo], p.jfg[kRo]);
  gsbu(s, base + kU * n1, base + kV * n1, base + kE * n1);
  gsb1(s, base + kE * n1, p.jy[kE], p.jfg[kE]);
  gsb1(s, base + kP * n1, p.jy[kP], p.jfg[kP]);
  gsbp(s, base + kRo * n1, base + kE * n1, base + kP * n1);
}

}  // namespace tivor::gs

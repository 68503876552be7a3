// GSVIS: the implicit step of the second method of the gas-flow class, after its euler step: the
// viscous stresses and heat conduction (viscous.hpp) on the class's fields with the class's
// boundary conditions.
//
// The prescribed velocities and energies are kept through the solves (prescribing u = v = 0 on a
// boundary makes it a no-slip wall). A slip wall ("wall" zones) bears no shear: its nodes move
// freely in the solve, and the class's boundary values afterwards turn their velocity along the
// wall, keeping the kinetic energy they take, as after the euler step. The boundary heat flux
// "qn" flows in where it is positive; the pressure follows the new energy by the gas law of each
// node's subregion.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "classes/gs/gs_internal.hpp"
#include "classes/gs/viscous.hpp"
#include "core/trace_hook.hpp"

namespace tivor::gs {

int gsvis(Session& s, int32_t fields) {
  if (rtmr(s, "gsvis") || flag_tst(s)) return 1;
  const GsParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const int64_t n1 = c.n1;
  float* f = reals(s, fields);
  float* u = f + kU * n1;
  float* v = f + kV * n1;
  const float* rz = reals(s, c.jrz);
  const int32_t* b = ints(s, c.jj2);
  const int32_t* yu = ints(s, p.jy[kU]);
  const int32_t* yv = ints(s, p.jy[kV]);
  const int32_t* ye = ints(s, p.jy[kE]);
  const float* gu = reals(s, p.jfg[kU]);
  const float* gv = reals(s, p.jfg[kV]);
  const float* qn = reals(s, p.jpg[kE]);
  const bool axi = c.isym == 1;
  std::vector<uint8_t> fu(n1, 0), fv(n1, 0), fe(n1, 0);
  std::vector<float> heat(n1, 0.0f);
  bool any_heat = false;
  for (int32_t k = 0; k < c.n3; ++k) {
    const int32_t pn = b[2 * k + 1], qn_node = std::abs(b[2 * k]);
    if (pn <= 0) continue;
    if (yu[k] == 0) u[pn - 1] = gu[k] * p.tvrg, fu[pn - 1] = 1;
    if (yv[k] == 0) v[pn - 1] = gv[k] * p.tvzg, fv[pn - 1] = 1;
    if (ye[k] == 0) fe[pn - 1] = 1;
    if (qn[k] == 0.0f || qn_node == 0) continue;
    // The heat through the edge, half to each of its nodes (times the radius when axisymmetric,
    // as the volumes are).
    const float* a = rz + 2 * (pn - 1);
    const float* q = rz + 2 * (qn_node - 1);
    float side = std::hypot(a[0] - q[0], a[1] - q[1]);
    if (axi) side *= 0.5f * (a[0] + q[0]);
    heat[pn - 1] += 0.5f * qn[k] * side;
    heat[qn_node - 1] += 0.5f * qn[k] * side;
    any_heat = true;
  }
  const ViscousMesh mesh{rz, ints(s, c.jj1), ints(s, c.jn2), c.n1, c.n2, c.m, c.ntel, axi};
  const ViscousStep step{f + kRo * n1,
                         reals(s, p.jmu0),
                         reals(s, p.jkk0),
                         fu.data(),
                         fv.data(),
                         fe.data(),
                         any_heat ? heat.data() : nullptr,
                         s.cht.ht,
                         s.cht.t + s.cht.ht};
  // The geometry is laid out anew each step: it costs little beside the solves, and nothing
  // kept outside the pools can go stale when a buffer or the memory checker changes them.
  ViscousWork work;
  if (viscous_step(s, mesh, step, u, v, f + kE * n1, work) != 0) return 1;
  gsb(s, fields);
  const float* gam = reals(s, p.jgam);
  const int32_t* node_last = ints(s, c.jn1);
  int32_t first = 0;
  for (int32_t sub = 0; sub < c.ntel; ++sub) {
    const int32_t end = range_end(node_last, sub, first, c.n1);
    const float gm1 = gam[sub] - 1;
    for (int64_t n = first; n < end; ++n) f[kP * n1 + n] = gm1 * f[n] * f[kE * n1 + n];
    first = end;
  }
  return rtmr(s, "gsvis-end");
}

}  // namespace tivor::gs

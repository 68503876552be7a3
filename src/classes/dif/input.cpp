// DIIN, DIIN1, DIBASE: the diffusion task's data, arrays and memory card.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "classes/dif/dif_internal.hpp"
#include "classes/dif/element_loops.hpp"
#include "classes/dif/step_cache.hpp"
#include "console/console.hpp"
#include "core/newarr.hpp"
#include "core/pool.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"
#include "mesh/mesh.hpp"
#include "reader/reader.hpp"

namespace tivor::dif {
namespace {

// An element whose doubled area is below this fraction of its longest edge squared has no area.
constexpr double kFlatElement = 1e-10;

// The report of an element that has no area (or lies on the axis of an axisymmetric task).
int incorrect_element(Session& s, int32_t e, double det, const int32_t (&node)[3],
                      const double (&r)[3], const double (&z)[3]) {
  clswnd3(s);
  locate1(s, 1, 18);
  txtcon(s, " diin:incorrect element:" + fmt_int(e, "(i7)") +
                " sss=" + fmt_real(static_cast<float>(det), "(e10.3)"));
  std::string nodes = " j1= x=", rs = " x=", zs = " y=";
  for (int k = 0; k < 3; ++k) {
    nodes += fmt_int(node[k], "(i7)");
    rs += fmt_real(static_cast<float>(r[k]), "(e11.3)");
    zs += fmt_real(static_cast<float>(z[k]), "(e11.3)");
  }
  txtcon(s, nodes);
  txtcon(s, rs);
  txtcon(s, zs);
  txtcon(s, " nel= " + fmt_int(e, "(i7)"));
  paus(s, "");
  return flag_on(s, " ");
}

// The factors of a subregion must make the equations that are switched on diffuse: D11 >= 0
// for c1, D22 >= 0 for c2 and, with both on, a symmetric part (D + D^T)/2 with no negative
// eigenvalue. Otherwise the solver meets an operator that is not positive definite, or the
// coupled system grows without bound. NaN and infinite factors are refused as well.
int check_factors(Session& s, int32_t sub, const float* d) {
  const DifParm& p = parm(s);
  const bool on1 = p.iconc1 != 0, on2 = p.iconc2 != 0;
  const auto refuse = [&](const char* what, double value) {
    return flag_on(s, " diin:subregion" + fmt_int(sub + 1, "(i4)") + " diffc " + what + "=" +
                          fmt_real(static_cast<float>(value), "(e10.3)"));
  };
  const char* names[4] = {"d11", "d12", "d21", "d22"};
  for (int k = 0; k < 4; ++k) {
    if (!std::isfinite(d[k])) return refuse(names[k], d[k]);
  }
  if (on1 && !(d[0] >= 0)) return refuse("d11", d[0]);
  if (on2 && !(d[3] >= 0)) return refuse("d22", d[3]);
  // The smaller eigenvalue of the symmetric part has the sign of d11 d22 - ((d12 + d21)/2)^2.
  const double cross = (double{d[1]} + d[2]) / 2;
  const double det = double{d[0]} * d[3] - cross * cross;
  if (on1 && on2 && det < 0) return refuse("not positive definite, det", det);
  return 0;
}

// Step 5 of the input: per subregion its initial values and factors, per element its shape
// derivatives, measure and sizes, and the lumped masses and mass-weighted initial values.
int elements(Session& s) {
  DifParm& p = parm(s);
  Cmesh& c = s.cmesh;
  const float* rz = reals(s, c.jrz);
  const int32_t* conn = ints(s, c.jj1);
  const int32_t* last = ints(s, c.jn2);
  float* mass = reals(s, c.jmm);
  float* c1 = reals(s, p.jf[0]);
  float* c2 = reals(s, p.jf[1]);
  float *dr[3], *dz[3];
  for (int k = 0; k < 3; ++k) {
    dr[k] = reals(s, c.jdr[k]);
    dz[k] = reals(s, c.jdz[k]);
  }
  float* sss = reals(s, c.jsss);
  float* rmin1 = reals(s, c.jrmin1);
  float* hr = reals(s, c.jhr);
  float* hz = reals(s, c.jhz);
  const bool axisym = c.isym == 1;
  int32_t first = 0;
  for (int32_t sub = 0; sub < c.ntel; ++sub) {
    float* f0 = reals(s, p.jfna) + 2 * sub;
    float* dcoef = reals(s, p.jdiffc) + 4 * sub;
    if (read_reals(s, "c1 c2 for t=0", "f0", f0, 2)) return 1;
    if (read_reals(s, " diffusion factors (kc)", "diffc", dcoef, 4)) return 1;
    if (check_factors(s, sub, dcoef)) return 1;
    const int32_t end = std::clamp(last[sub], first, c.n2);
    for (int32_t e = first; e < end; ++e) {
      int32_t node[3];
      double r[3], z[3];
      for (int k = 0; k < 3; ++k) {
        node[k] = std::abs(conn[3 * e + k]);
        r[k] = rz[2 * (node[k] - 1)];
        z[k] = rz[2 * (node[k] - 1) + 1];
      }
      double det = 0.0;
      for (int k = 0; k < 3; ++k) det += r[k] * (z[(k + 2) % 3] - z[(k + 1) % 3]);
      const double rc = (r[0] + r[1] + r[2]) / 3.0;
      // The mesh runs its elements counter-clockwise in the (z, r) plane, which makes det
      // positive. An inverted element (det < 0) or one without area is refused, never turned
      // over: its measure would hide a mesh that smoothing or the data folded. "Without area"
      // is relative to the element's own size.
      double longest2 = 0.0;
      for (int k = 0; k < 3; ++k) {
        const double dr0 = r[k] - r[(k + 1) % 3], dz0 = z[k] - z[(k + 1) % 3];
        longest2 = std::max(longest2, dr0 * dr0 + dz0 * dz0);
      }
      if (!(det > kFlatElement * longest2)) return incorrect_element(s, e + 1, det, node, r, z);
      double max_r = 0.0, max_z = 0.0;
      for (int k = 0; k < 3; ++k) {
        const double ddr = (z[(k + 2) % 3] - z[(k + 1) % 3]) / det;
        const double ddz = (r[(k + 1) % 3] - r[(k + 2) % 3]) / det;
        dr[k][e] = static_cast<float>(ddr);
        dz[k][e] = static_cast<float>(ddz);
        max_r = std::max(max_r, std::abs(ddr));
        max_z = std::max(max_z, std::abs(ddz));
      }
      if (max_r < 1e-18 || max_z < 1e-18 || (axisym && rc < 1e-18)) {
        return incorrect_element(s, e + 1, det, node, r, z);
      }
      hr[e] = static_cast<float>(1.0 / max_r);
      hz[e] = static_cast<float>(1.0 / max_z);
      const double measure = det / 2.0 * (axisym ? rc : 1.0);
      sss[e] = static_cast<float>(measure);
      rmin1[e] = axisym ? static_cast<float>(1.0 / rc) : 0.0f;
      const float third = static_cast<float>(measure / 3.0);
      p.rm = third;
      for (int k = 0; k < 3; ++k) {
        mass[node[k] - 1] += third;
        c1[node[k] - 1] += f0[0] * third;
        c2[node[k] - 1] += f0[1] * third;
      }
    }
    first = end;
  }
  return 0;
}

// The class needs a triangle mesh whose arrays lie in the pools and whose subregion counts are
// in order.
bool mesh_fits(const Session& s) {
  const Cmesh& c = s.cmesh;
  if (c.m != 3 || c.ntel < 1 || c.n1 < 1 || c.n2 < 1 ||
      !real_array_ok(s, c.jrz, 2 * int64_t{c.n1}) || !int_array_ok(s, c.jj1, 3 * int64_t{c.n2}) ||
      !int_array_ok(s, c.jn2, c.ntel) || !int_array_ok(s, c.jj2, 2 * int64_t{c.n3})) {
    return false;
  }
  const int32_t* conn = ints(s, c.jj1);
  for (int64_t k = 0; k < 3 * int64_t{c.n2}; ++k) {
    if (conn[k] == 0 || std::abs(conn[k]) > c.n1) return false;
  }
  return true;
}

}  // namespace

void dibase(Session& s) {
  static constexpr const char* kCard[] = {
      "c  1  2",
      "c c1 c2",
      "      common/cparm/jfna,jy(2),",
      "     +jpg(2),jfg(2),jf(2),jdf(10),jrb(6),jdiffc,",
      "     +jf0(2),rm,rmn,drm,pi,iconc1,iconc2,fc1,fc2",
  };
  set_memory_card(s, kCard);
}

int diin1(Session& s) {
  if (rtmr(s, "diin1")) return 1;
  DifParm& p = parm(s);
  Cmesh& c = s.cmesh;
  if (new_reals(s, &p.jdiffc, 1, 4 * int64_t{c.ntel}, "diffc") ||
      new_reals(s, &c.jmm, 1, c.n1, "jmm") || new_reals(s, p.jf, 2, c.n1, "jf") ||
      new_reals(s, c.jdr, 3, c.n2, "jdr") || new_reals(s, c.jdz, 3, c.n2, "jdz") ||
      new_reals(s, &c.jsss, 1, c.n2, "jsss") || new_reals(s, &c.jrmin1, 1, c.n2, "jrmin1") ||
      new_reals(s, p.jfg, 2, c.n3, "jfg") || new_reals(s, p.jpg, 2, c.n3, "jpg") ||
      new_ints(s, p.jy, 2, c.n3, "jy")) {
    return 1;
  }
  for (int i = 0; i < 2; ++i) {
    std::fill_n(ints(s, p.jy[i]), c.n3, 1);
    std::fill_n(reals(s, p.jfg[i]), c.n3, 0.0f);
    std::fill_n(reals(s, p.jpg[i]), c.n3, 0.0f);
  }
  c.jdcr[0] = p.jf[0];
  c.jdcr[1] = p.jf[1];
  c.jdcr[2] = p.jf[0];
  c.jdcr[3] = p.jf[1];
  if (bcn2(s, " conditions for c1", p.jy[0], p.jfg[0], "conc1")) return 1;
  if (bcn2(s, " conditions for c2", p.jy[1], p.jfg[1], "conc2")) return 1;
  return new_reals(s, &c.jhr, 1, c.n2, "jhr") || new_reals(s, &c.jhz, 1, c.n2, "jhz") ||
         new_reals(s, p.jf0, 2, c.n1, "jf0");
}

int diin(Session& s) {
  DifParm& p = parm(s);
  Cmesh& c = s.cmesh;
  s.cparm = Cparm{};
  drop_step_cache(s);
  p.pi = 3.1415927f;
  dibase(s);
  if (mesh(s) || flag_tst(s)) return 1;
  if (rtmr(s, "diin")) return 1;
  if (!mesh_fits(s)) return flag_on(s, " diin:the class needs a mesh of triangles (m=3)");

  if (read_int(s, " symmetry parameter(1,2)", "symmetry", c.isym)) return 1;
  if (read_int(s, " concent1", "concent1", p.iconc1)) return 1;
  if (read_int(s, " concent2", "concent2", p.iconc2)) return 1;
  if (diin1(s)) return 1;
  if (new_reals(s, &p.jfna, 1, 2 * int64_t{c.ntel}, "jfna")) return 1;
  std::fill_n(reals(s, p.jf[0]), c.n1, 0.0f);
  std::fill_n(reals(s, p.jf[1]), c.n1, 0.0f);
  std::fill_n(reals(s, c.jmm), c.n1, 0.0f);
  s.cht.t = 0.0f;
  s.cht.is = 0;
  if (elements(s)) return 1;

  if (read_real(s, " fc1", "fc1", p.fc1)) return 1;
  if (read_real(s, " fc2", "fc2", p.fc2)) return 1;
  if (read_real(s, " courant number", "cur", s.cht.cur)) return 1;
  if (read_real(s, " center coefficient", "bet", s.cht.bet)) return 1;
  if (read_reals(s, " smooth coefficient", "sgl", s.cht.sgl1, 3)) return 1;
  int32_t initc = 0;
  if (read_int(s, " initc", "initc", initc)) return 1;

  // Each node starts from the volume-weighted mean of the subregion values around it.
  float* mass = reals(s, c.jmm);
  float* c1 = reals(s, p.jf[0]);
  float* c2 = reals(s, p.jf[1]);
  for (int32_t i = 0; i < c.n1; ++i) {
    // A node of no element has no mass; its inverse stays large and finite.
    mass[i] = mass[i] > 0.0f ? 1.0f / mass[i] : 1.0f / kEpsilon;
    c1[i] *= mass[i];
    c2[i] *= mass[i];
  }
  if (new_reals(s, p.jdf, 10, c.n1, "jdf") || new_reals(s, p.jrb, 6, std::max(c.n1, c.n2), "jrb")) {
    return 1;
  }
  c.jdcr[4] = p.jrb[0];
  c.jdcr[5] = p.jrb[1];
  if (initc == 1 && (dicon0(s, 1, p.iconc1) || dicon0(s, 2, p.iconc2))) return 1;
  // Coordinates or data whose products overflow single precision leave values that are not
  // finite: the task is not prepared with them.
  for (int ic = 1; ic <= 2; ++ic) {
    const int64_t node = first_nonfinite(reals(s, p.jf[ic - 1]), c.n1);
    if (node >= 0) return nonfinite(s, "diin", ic, node, s.cht.t);
  }
  meshmove(s, 0.0f);
  std::copy_n(reals(s, p.jf[0]), 2 * int64_t{c.n1}, reals(s, p.jf0[0]));
  s.cht.isp = 0;
  return 0;
}

}  // namespace tivor::dif

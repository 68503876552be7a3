// SOIN, SOIN1, SOBASE, SOMPROP: the solids task's data, its arrays in the pools, the zones'
// materials and the memory card.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"
#include "core/newarr.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"
#include "mesh/mesh.hpp"
#include "reader/reader.hpp"

namespace tivor::sol {
namespace {

// A size read from the data that must not be negative.
int size_ok(Session& s, int32_t n, std::string_view key) {
  if (n >= 0) return 0;
  std::string message = "soin:";
  message += key;
  message += " must not be negative";
  return flag_on(s, message);
}

// The mesh the class needs: elements of 3 or 4 nodes whose node numbers are nodes, and its
// arrays in the pools.
bool mesh_fits(const Session& s) {
  const Cmesh& c = s.cmesh;
  if ((c.m != 3 && c.m != 4) || c.ntel < 1 || c.n1 < 1 || c.n2 < 1 || c.n3 < 0 ||
      !real_array_ok(s, c.jrz, 2 * int64_t{c.n1}) || !int_array_ok(s, c.jj1, int64_t{c.m} * c.n2) ||
      !int_array_ok(s, c.jn1, c.ntel) || !int_array_ok(s, c.jn2, c.ntel) ||
      !int_array_ok(s, c.jn3, c.ntel) || !int_array_ok(s, c.jj2, 2 * int64_t{c.n3}) ||
      !real_array_ok(s, c.jdest_cell, c.n2)) {
    return false;
  }
  const int32_t* conn = ints(s, c.jj1);
  for (int64_t k = 0; k < int64_t{c.m} * c.n2; ++k) {
    if (conn[k] < 1 || conn[k] > c.n1) return false;
  }
  const int32_t* b = ints(s, c.jj2);
  for (int64_t k = 0; k < 2 * int64_t{c.n3}; ++k) {
    if (b[k] == 0 || std::abs(b[k]) > c.n1) return false;
  }
  return true;
}

// The arrays that do not depend on the data, in the order of the class's layout up to the
// element geometry.
int lay_out(Session& s) {
  SolParm& p = parm(s);
  Cmesh& c = s.cmesh;
  const int64_t nt = c.ntel, n1 = c.n1, n2 = c.n2, n3 = c.n3;
  return new_ints(s, &p.jmatm, 1, nt, "jmatm") || new_reals(s, &p.jrom, 1, nt, "jrom") ||
         new_reals(s, &p.jc0m, 1, nt, "jc0m") || new_reals(s, &p.ja5m, 1, nt, "ja5m") ||
         new_reals(s, &p.ja6m, 1, nt, "ja6m") || new_ints(s, &p.jskm, 1, 2 * nt, "jskm") ||
         new_reals(s, &p.jgam, 1, nt, "jgam") || new_reals(s, &p.jemax, 1, nt, "jemax") ||
         new_reals(s, &p.jeewzr, 1, nt, "jeewzr") || new_ints(s, &p.jplast, 1, nt, "jplast") ||
         new_reals(s, &p.jrpres, 1, nt, "jrpres") || new_reals(s, &p.jskpres, 1, nt, "jskpres") ||
         new_reals(s, &p.jdamage, 1, 3 * nt, "jdamage") ||
         new_reals(s, &p.jcompact, 1, 3 * nt, "jcompact") || new_ints(s, &p.jy[1], 2, n3, "jy") ||
         new_reals(s, &p.jvrg, 1, n3, "jvrg") || new_reals(s, &p.jvzg, 1, n3, "jvzg") ||
         new_ints(s, &p.jcontin, 1, n3, "jcontin") || new_reals(s, &p.jpore, 1, n1, "jpore") ||
         new_reals(s, &p.jcrack, 1, n1, "jcrack") || new_reals(s, &p.jemx, 1, n1, "jemx") ||
         new_reals(s, p.jf, 12, n1, "jvr") || new_reals(s, p.jf0, 12, n1, "jvr") ||
         new_reals(s, p.jdf, 12, n1, "jvr") || new_reals(s, &p.jrl, 1, n1, "jrl") ||
         new_reals(s, &c.jmm, 1, 2 * n1, "jmm") || new_reals(s, &p.jmd, 1, 2 * n1, "jmd") ||
         new_reals(s, p.jrb, 2, std::max(n1, n2), "jrb") ||
         new_reals(s, &p.jgr, 1, 2 * n1, "jgr") || new_reals(s, &p.jgr0, 1, 2 * n1, "jgr0") ||
         new_reals(s, &p.jx, 1, 2 * n1, "jx") || new_reals(s, &p.js, 1, 2 * n1, "js") ||
         new_reals(s, &p.jas, 1, 2 * n1, "jas") || new_reals(s, p.jstr, 4, n1, "jstr") ||
         new_reals(s, &c.jsss, 1, n2, "jsss") || new_reals(s, &c.jsss0, 1, n2, "jsss0") ||
         new_reals(s, &c.jrmin1, 1, n2, "jrmin1") || new_reals(s, &c.jd1, 1, n2 * c.m, "jd1") ||
         new_reals(s, &c.jd2, 1, n2 * c.m, "jd2") || new_reals(s, &c.jdm, 1, n2 * c.m, "jdm");
}

// A time table of the data: its size under key, then 2 size reals under "m" at a new array.
int read_table(Session& s, std::string_view size_prompt, std::string_view size_key,
               std::string_view prompt, int32_t& n, int32_t& ptr, std::string_view name) {
  if (read_int(s, size_prompt, size_key, n) || size_ok(s, n, size_key)) return 1;
  if (new_reals(s, &ptr, 1, 2 * int64_t{n}, name)) return 1;
  return read_reals(s, prompt, "m", reals(s, ptr), 2 * n);
}

// Reads zone k (from 0), stores its constants and starts its nodes.
int read_zone(Session& s, int32_t k, int32_t first_node) {
  SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  int32_t mat = 1, plast = 0, nsk = 0;
  float e = 0, nu = 0, cs = 0, vr = 0, vz = 0, en = 0, gam = 0, emax = 0, rpres = 0, skpres = 0,
        eewzr = 0;
  float damage[3] = {0, 0, 0}, compact[3] = {0, 0, 0};
  if (read_int(s, "Media (1-elastic,2-elastoplastic", "MAT", mat) ||
      read_real(s, " Young modul", "E", e) || read_real(s, " Poisson ratio", "NU", nu) ||
      read_int(s, " yield criteria", "plast", plast) ||
      read_int(s, " size of array s-ap", "nsk", nsk) || size_ok(s, nsk, "nsk")) {
    return 1;
  }
  int32_t jsk = 0;
  if (new_reals(s, &jsk, 1, 2 * int64_t{nsk}, "jsk") ||
      read_reals(s, " array s-ap", "m", reals(s, jsk), 2 * nsk) ||
      read_real(s, " sound velocity ", "C", cs) || read_real(s, " initial R-velocity", "VR", vr) ||
      read_real(s, " initial Z-velocity", "VZ", vz) ||
      read_real(s, " initial internal energy", "EN", en) ||
      read_real(s, " gamma-ratio", "GAM", gam) ||
      read_real(s, " destructive strain", "EMAX", emax) ||
      read_real(s, " initial pressure", "rpres", rpres) ||
      read_real(s, " p-hardening", "skpres", skpres) ||
      read_real(s, " explosive energy", "EEWZR", eewzr) ||
      read_reals(s, "damage factors", "damage", damage, 3) ||
      read_reals(s, "compact factors", "compact", compact, 3)) {
    return 1;
  }
  // The gas pressure (GAM-1) ro ee pulls for GAM below 1: an energy given with such a GAM is
  // most likely meant for a solid with GAM=1.
  if (gam < 1.0f && en != 0.0f) {
    if (s.colors.col != 1) newstr(s);
    paus(s, "soin:zone" + fmt_int(k + 1, "(i3)") + " gam<1 turns the energy into tension");
  }
  // Poisson's ratios outside [0, 0.5) would make the material unstable: they are taken as 0.
  if (!(nu >= 0.0f && nu < 0.5f)) nu = 0.0f;
  e = std::abs(e) + kEpsilon;
  const float lambda = e * nu / ((1 + nu) * (1 - 2 * nu));
  const float g = 0.5f * e / (1 + nu);
  // A sound speed C > 0 gives the density; C <= 0 is minus the density and the speed follows.
  if (std::abs(cs) < 1e-6f) cs = 1e-6f;
  float ro = 0;
  if (cs <= 0) {
    ro = -cs;
    cs = std::sqrt((2 * g + lambda) / ro);
  } else {
    ro = (2 * g + lambda) / (cs * cs);
  }
  ints(s, p.jmatm)[k] = mat;
  reals(s, p.jc0m)[k] = cs;
  reals(s, p.jrom)[k] = ro;
  reals(s, p.ja5m)[k] = 2 * g;
  reals(s, p.ja6m)[k] = 3 * lambda + 2 * g;
  reals(s, p.jgam)[k] = gam;
  reals(s, p.jemax)[k] = emax;
  reals(s, p.jrpres)[k] = rpres;
  reals(s, p.jskpres)[k] = skpres;
  reals(s, p.jeewzr)[k] = eewzr;
  std::copy_n(damage, 3, reals(s, p.jdamage) + 3 * k);
  std::copy_n(compact, 3, reals(s, p.jcompact) + 3 * k);
  ints(s, p.jplast)[k] = plast;
  ints(s, p.jskm)[2 * k] = nsk;
  ints(s, p.jskm)[2 * k + 1] = jsk;
  // The table holds yield stresses; the model compares them with the deviator's norm.
  float* table = reals(s, jsk);
  for (int32_t i = 0; i < nsk; ++i) table[2 * i + 1] *= std::sqrt(2.0f / 3.0f);

  const int32_t last = std::clamp(ints(s, c.jn1)[k], first_node, c.n1);
  for (int32_t i = first_node; i < last; ++i) {
    reals(s, p.jf[kRo])[i] = ro;
    reals(s, p.jf[kRop])[i] = ro;
    reals(s, p.jf[kVr])[i] = vr;
    reals(s, p.jf[kVz])[i] = vz;
    reals(s, p.jf[kEe])[i] = en;
    reals(s, p.jrl)[i] = 1.0f;
    reals(s, p.jpore)[i] = compact[0];
  }
  return 0;
}

}  // namespace

void sobase(Session& s) {
  static constexpr const char* kCard[] = {
      "c f: ur,uz,vr,vz,ep11,ep13,empty,ep13,epcp,ap,ro,ee",
      "      COMMON/CPARM/NPN,NTPN(4),JTPN(4),NPT,NTPT(4),",
      "     +JTPT(4),NQN,NTQN(4),JTQN(4),NTFR,JTFR,NTFZ,JTFZ,JPN(4),JPT(4),JQN(4),",
      "     +TPN(4),DTPN(4),TPT(4),DTPT(4),TQN(4),DTQN(4),TFR,DTFR,TFZ,DTFZ,",
      "     +hkk(4),gn,mdin,visk,demax,jmatm,jrom,jc0m,ja5m,ja6m,jgam,jemax,",
      "     +jplast,jskm,jrpres,jskpres,jeewzr,jcontin,jdamage,jcompact,hgmin,",
      "     +jy(3),jvrg,jvzg,ntvr,jtvr,ntvz,jtvz,tvr,tvz,jrkont(8),jkcell(3),",
      "     +jkontw,jbfx,jbfy,jce,jcf,nce,jcnod,penalty,frict,",
      "     +jf(12),jf0(12),jdf(12),jstr(4),",
      "     +jpore,jcrack,jemx,jrl,jrb(6),",
      "     +jx,js,jgr,jgr0,",
      "     +jas,jmd,",
      "     +eps2",
  };
  set_memory_card(s, kCard);
}

ZoneMaterial somprop(const Session& s, int32_t k) {
  const SolParm& p = parm(s);
  ZoneMaterial z;
  z.c0 = reals(s, p.jc0m)[k];
  z.k3 = reals(s, p.ja6m)[k];
  z.gam = reals(s, p.jgam)[k];
  z.ro0 = reals(s, p.jrom)[k];
  z.g2 = reals(s, p.ja5m)[k];
  z.emax = reals(s, p.jemax)[k];
  z.mat = ints(s, p.jmatm)[k];
  z.plast = ints(s, p.jplast)[k];
  std::copy_n(reals(s, p.jdamage) + 3 * k, 3, z.damage);
  std::copy_n(reals(s, p.jcompact) + 3 * k, 3, z.compact);
  z.skpres = reals(s, p.jskpres)[k];
  const int32_t nsk = ints(s, p.jskm)[2 * k], jsk = ints(s, p.jskm)[2 * k + 1];
  if (nsk > 0 && real_array_ok(s, jsk, 2 * int64_t{nsk})) {
    z.yield = std::span<const float>(reals(s, jsk), 2 * static_cast<size_t>(nsk));
  }
  return z;
}

int soin1(Session& s) {
  if (rtmr(s, "soin1")) return 1;
  SolParm& p = parm(s);
  Cmesh& c = s.cmesh;
  s.cht.t = 0.0f;
  s.cht.is = 0;
  s.cht.ht = 0.0f;
  for (int i = 0; i < 12; ++i) std::fill_n(reals(s, p.jf[i]), c.n1, 0.0f);
  for (int i = 0; i < 4; ++i) std::fill_n(reals(s, p.jstr[i]), c.n1, 0.0f);
  for (const int32_t j : {p.jpore, p.jcrack, p.jemx}) std::fill_n(reals(s, j), c.n1, 0.0f);
  int32_t first = 0;
  for (int32_t k = 0; k < c.ntel; ++k) {
    if (read_zone(s, k, first)) return 1;
    first = std::clamp(ints(s, c.jn1)[k], first, c.n1);
  }
  if (const int32_t bad = soind3(s, p.jf[kUr], p.jf[kUz], true); bad != 0) {
    return flag_on(s, " soin:incorrect element:" + fmt_int(bad, "(i8)"));
  }
  sokc(s, p.jf[kVr], p.jf[kVz]);
  if (read_int(s, "dynamic - static 1-2", "dynamics", p.mdin) ||
      read_real(s, " KFL coefficient", "CUR", s.cht.cur) ||
      read_real(s, " maximal deformation increment", "DEMAX", p.demax) ||
      read_real(s, " center coefficient", "BET", s.cht.bet) ||
      read_reals(s, "smooth coefficients", "SGL", s.cht.sgl1, 3)) {
    return 1;
  }
  if (soczon_setup(s)) return 1;
  for (int i = 0; i < 12; ++i) std::copy_n(reals(s, p.jf[i]), c.n1, reals(s, p.jf0[i]));
  meshmove(s, p.gn);
  return 0;
}

int soin(Session& s) {
  SolParm& p = parm(s);
  Cmesh& c = s.cmesh;
  s.cparm = Cparm{};
  s.class_cache.held.reset();
  sobase(s);
  if (mesh(s) || flag_tst(s)) return 1;
  if (rtmr(s, "soin")) return 1;
  if (!mesh_fits(s)) return flag_on(s, " soin:the mesh does not fit the class");
  if (read_int(s, " symmetry (1,2)", "symmetry", c.isym) ||
      read_real(s, " large strains", "gn", p.gn) || lay_out(s)) {
    return 1;
  }
  c.nx = 2 * c.n1;
  c.jdcr[0] = p.jf[kVr];
  c.jdcr[1] = p.jf[kVz];
  c.jdcr[2] = p.jf[kUr];
  c.jdcr[3] = p.jf[kUz];
  c.jdcr[4] = p.jrb[0];
  c.jdcr[5] = p.jrb[1];
  std::fill_n(ints(s, p.jy[1]), 2 * int64_t{c.n3}, 1);
  std::fill_n(ints(s, p.jcontin), c.n3, 1);

  if (bcn2(s, "velocity x", p.jy[1], p.jvrg, "vx")) return 1;
  // The radial velocity on the axis of an axisymmetric solid is always prescribed.
  if (c.isym == 1) {
    const int32_t* b = ints(s, c.jj2);
    const float* rz = reals(s, c.jrz);
    int32_t* flag = ints(s, p.jy[1]);
    for (int32_t k = 0; k < c.n3; ++k) {
      const int32_t node = b[2 * k + 1];
      if (node > 0 && rz[2 * (node - 1)] < 1e-7f) flag[k] = 0;
    }
  }
  if (read_table(s, " size of history array for velocity vr", "ntvr",
                 " history array for velocity vr ", p.ntvr, p.jtvr, "jtvr") ||
      bcn2(s, "velocity y", p.jy[2], p.jvzg, "vy") ||
      read_table(s, " size of history array for displacement vz", "ntvz",
                 " history array for velocity vz ", p.ntvz, p.jtvz, "jtvz") ||
      bcn1(s, " continuated bounds", p.jcontin, "contin") ||
      rload(s, " normal surface loads ", p.npn, p.jpn, p.jtpn, p.ntpn, "pn") ||
      rload(s, " tangent surface loads ", p.npt, p.jpt, p.jtpt, p.ntpt, "pt") ||
      read_table(s, " history array size for weight load fr", "fr",
                 " history array for weight load fr", p.ntfr, p.jtfr, "jtfr") ||
      read_table(s, " history array size for weight load fz", "fz",
                 " history array for weight load fz", p.ntfz, p.jtfz, "jtfz") ||
      rload(s, " heat flow ", p.nqn, p.jqn, p.jtqn, p.ntqn, "qn")) {
    return 1;
  }
  return soin1(s);
}

}  // namespace tivor::sol

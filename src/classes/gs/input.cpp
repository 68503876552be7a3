// GSIN, GSIN1, GSBASE: the gas-flow task's data, its arrays in the pools, the initial state and
// the memory card.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "classes/gs/gs_internal.hpp"
#include "console/console.hpp"
#include "core/newarr.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"
#include "mesh/mesh.hpp"
#include "reader/reader.hpp"

namespace tivor::gs {
namespace {

// The mesh the class needs: elements of 3 or 4 nodes whose node numbers are nodes, boundary
// elements whose nodes are nodes, and its arrays in the pools.
bool mesh_fits(const Session& s) {
  const Cmesh& c = s.cmesh;
  if ((c.m != 3 && c.m != 4) || c.ntel < 1 || c.n1 < 1 || c.n2 < 1 || c.n3 < 0 ||
      !real_array_ok(s, c.jrz, 2 * int64_t{c.n1}) || !int_array_ok(s, c.jj1, int64_t{c.m} * c.n2) ||
      !int_array_ok(s, c.jn1, c.ntel) || !int_array_ok(s, c.jn2, c.ntel) ||
      !int_array_ok(s, c.jn3, c.ntel) || !int_array_ok(s, c.jj2, 2 * int64_t{c.n3})) {
    return false;
  }
  const int32_t* conn = ints(s, c.jj1);
  for (int64_t k = 0; k < int64_t{c.m} * c.n2; ++k) {
    if (conn[k] < 1 || conn[k] > c.n1) return false;
  }
  const int32_t* b = ints(s, c.jj2);
  for (int64_t k = 0; k < 2 * int64_t{c.n3}; ++k) {
    if (std::abs(b[k]) > c.n1) return false;
  }
  return true;
}

// A time table: its size under key, then 2 size reals under "m" at a new array.
int read_table(Session& s, std::string_view size_prompt, std::string_view size_key,
               std::string_view prompt, int32_t& n, int32_t& ptr, std::string_view name) {
  if (read_int(s, size_prompt, size_key, n)) return 1;
  if (n < 0) {
    std::string message = " gsin1:";
    message += size_key;
    message += " must not be negative";
    return flag_on(s, message);
  }
  if (new_reals(s, &ptr, 1, 2 * int64_t{n}, name)) return 1;
  return read_reals(s, prompt, "m", reals(s, ptr), 2 * n);
}

// The refusal of a subregion constant or initial value.
int refuse(Session& s, int32_t sub, std::string_view what, float value) {
  std::string message = " gsin:subregion";
  message += fmt_int(sub + 1, "(i4)");
  message += ' ';
  message += what;
  message += '=';
  message += fmt_real(value, "(e10.3)");
  return flag_on(s, message);
}

// Step 5 of the input: per subregion its gas constants and initial state. The fifth value of f0
// (a pressure) is kept at the nodes in jf(6) for the energy of gstr4 until the end of the input.
int subregions(Session& s) {
  GsParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  float* gam = reals(s, p.jgam);
  float* mu0 = reals(s, p.jmu0);
  float* kk0 = reals(s, p.jkk0);
  float* f[6];
  for (int i = 0; i < 6; ++i) f[i] = reals(s, p.jf[i]);
  const int32_t* last = ints(s, c.jn1);
  int32_t first = 0;
  for (int32_t sub = 0; sub < c.ntel; ++sub) {
    if (read_real(s, " adiabatic ratio", "gam", gam[sub]) ||
        read_real(s, " kinematic viscisity", "nu", mu0[sub]) ||
        read_real(s, " heat transfer coefficient", "kk", kk0[sub]) ||
        read_reals(s, "ro vr vz ee p for t=0", "f0", p.fna, 5)) {
      return 1;
    }
    // A gas needs gamma > 1 (else the pressure vanishes or turns negative), a positive density,
    // a non-negative energy and diffusivities that do not grow disturbances.
    if (!(gam[sub] > 1.0f) || !std::isfinite(gam[sub])) return refuse(s, sub, "gam", gam[sub]);
    if (!(mu0[sub] >= 0.0f) || !std::isfinite(mu0[sub])) return refuse(s, sub, "nu", mu0[sub]);
    if (!(kk0[sub] >= 0.0f) || !std::isfinite(kk0[sub])) return refuse(s, sub, "kk", kk0[sub]);
    if (!(p.fna[0] > 0.0f) || !std::isfinite(p.fna[0])) return refuse(s, sub, "ro", p.fna[0]);
    if (!(p.fna[3] >= 0.0f) || !std::isfinite(p.fna[3])) return refuse(s, sub, "ee", p.fna[3]);
    for (int i : {1, 2, 4}) {
      if (!std::isfinite(p.fna[i])) return refuse(s, sub, "f0", p.fna[i]);
    }
    const int32_t end = range_end(last, sub, first, c.n1);
    for (int32_t n = first; n < end; ++n) {
      for (int i = 0; i < 4; ++i) f[i][n] = p.fna[i];
      f[kP][n] = (gam[sub] - 1.0f) * p.fna[0] * p.fna[3];
      f[5][n] = p.fna[4];
    }
    first = end;
  }
  return 0;
}

// GSTR(4): the energy field at t = 0 from the pressure and the density of f0 through the gas
// law, e = p / ((gamma - 1) ro), subregion by subregion; the reference energy follows.
int gstr4(Session& s) {
  GsParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const float* gam = reals(s, p.jgam);
  const int32_t* last = ints(s, c.jn1);
  float* f[6];
  for (int i = 0; i < 6; ++i) f[i] = reals(s, p.jf[i]);
  int32_t first = 0;
  for (int32_t sub = 0; sub < c.ntel; ++sub) {
    const int32_t end = range_end(last, sub, first, c.n1);
    for (int32_t n = first; n < end; ++n) {
      if (!(f[5][n] >= 0.0f)) return refuse(s, sub, "p", f[5][n]);
      f[kE][n] = f[5][n] / ((gam[sub] - 1.0f) * f[kRo][n]);
      f[kP][n] = f[5][n];
    }
    if (sub == c.ntel - 1 && end > first) p.fna[3] = f[kE][end - 1];
    first = end;
  }
  return 0;
}

}  // namespace

void gsbase(Session& s) {
  static constexpr const char* kCard[] = {
      "c  1  2  3  4  5 ",
      "c ro  u  v  e  p ",
      "      common/cparm/stree,tfz,tvrg,tvzg,fna(5),jy(11),",
      "     +jpg(11),jfg(11),jf(11),jdf(11),jf0(11),jrb(6),",
      "     +ntvrg,ntvzg,jtvrg,jtvzg,ivortex,istream,imach,",
      "     +jgam,jmu0,jkk0,ipress,jf00(11),jadap(5),jwall,jrz0,",
      "     +jalpha,jbeta,jrnux,jrnuy,jrnup,iadapt",
  };
  set_memory_card(s, kCard);
}

int gsin1(Session& s) {
  if (rtmr(s, "gsin1")) return 1;
  GsParm& p = parm(s);
  Cmesh& c = s.cmesh;
  const int64_t nt = c.ntel, n1 = c.n1, n2 = c.n2, n3 = c.n3, m = c.m;
  if (new_reals(s, &p.jgam, 1, nt, "jgam") || new_reals(s, &p.jmu0, 1, nt, "jmu0") ||
      new_reals(s, &p.jkk0, 1, nt, "jkk0") || new_reals(s, &c.jmm, 1, n1, "jmm") ||
      new_reals(s, p.jf, 11, n1, "jf") || new_reals(s, &c.jd1, 1, n2 * m, "jd1") ||
      new_reals(s, &c.jd2, 1, n2 * m, "jd2") || new_reals(s, &c.jsss, 1, n2, "jsss") ||
      new_reals(s, &c.jrmin1, 1, n2, "jrmin1") || new_reals(s, p.jfg, 11, n3, "jfg") ||
      new_reals(s, p.jpg, 11, n3, "jpg") || new_ints(s, p.jy, 11, n3, "jy") ||
      new_ints(s, &p.jwall, 1, n3, "jwall")) {
    return 1;
  }
  std::fill_n(ints(s, p.jy[0]), 11 * n3, 1);
  std::fill_n(ints(s, p.jwall), n3, 1);
  for (int i = 0; i < 11; ++i) {
    std::fill_n(reals(s, p.jfg[i]), n3, 0.0f);
    std::fill_n(reals(s, p.jpg[i]), n3, 0.0f);
  }
  c.jdcr[0] = c.jdcr[2] = p.jf[kU];
  c.jdcr[1] = c.jdcr[3] = p.jf[kV];
  if (read_real(s, " gravity force coefficient", "tfz", p.tfz) ||
      bcn2(s, " conditions for ro", p.jy[kRo], p.jfg[kRo], "ro") ||
      bcn1(s, " wall", p.jwall, "wall") ||
      bcn2(s, " conditions for vx", p.jy[kU], p.jfg[kU], "vr") ||
      read_table(s, " size history array vx", "tvr", " history array vx", p.ntvrg, p.jtvrg,
                 "jtvrg") ||
      bcn2(s, " conditions for vy", p.jy[kV], p.jfg[kV], "vz") ||
      read_table(s, " size history array vy", "tvz", " history array vy", p.ntvzg, p.jtvzg,
                 "jtvzg") ||
      bcn2(s, " conditions for ee", p.jy[kE], p.jfg[kE], "ee") ||
      bcnp(s, " boundary heat flux", p.jpg[kE], "qn") ||
      bcn2(s, " conditions for p", p.jy[kP], p.jfg[kP], "p") ||
      bcn2(s, " conditions for stream function", p.jy[kStream], p.jfg[kStream], "psi") ||
      read_int(s, "adaption (1/0)", "adaption", p.iadapt)) {
    return 1;
  }
  if (p.iadapt != 0) {
    // The mesh of this program stays as generated: the switch is turned off and the user told.
    clswnd3(s);
    locate1(s, 1, 18);
    paus(s, " gsin1:mesh adaption is not available, it stays off");
    p.iadapt = 0;
  }
  return bcn2(s, " conditions for wr", p.jy[kMach], p.jfg[kMach], "wr") ||
         bcn2(s, " conditions for wz", p.jy[kTemp], p.jfg[kTemp], "wz") ||
         new_reals(s, &c.jhr, 1, n2, "jhr") || new_reals(s, &c.jhz, 1, n2, "jhz") ||
         new_reals(s, &c.jdm, 1, n2 * m, "jdm");
}

int gsin(Session& s) {
  GsParm& p = parm(s);
  Cmesh& c = s.cmesh;
  s.cparm = Cparm{};
  s.class_cache.held.reset();
  gsbase(s);
  if (mesh(s) || flag_tst(s)) return 1;
  if (rtmr(s, "gsin")) return 1;
  if (!mesh_fits(s)) return flag_on(s, " gsin:the mesh does not fit the class");
  if (read_int(s, " symmetry parameter(1,2)", "symmetry", c.isym)) return 1;
  if (gsin1(s) || rtmr(s, "gsin2")) return 1;
  const int64_t n1 = c.n1, n2 = c.n2;
  std::fill_n(reals(s, p.jf[0]), 7 * n1, 0.0f);
  if (new_reals(s, &p.jrz0, 1, 2 * n1, "jrz0") || new_reals(s, &c.jsss0, 1, n2, "jsss0")) return 1;
  s.cht.t = 0.0f;
  s.cht.is = 0;
  if (const int32_t bad = gsind3(s); bad != 0) {
    std::string message = " gsind3:incorrect element:";
    message += fmt_int(bad, "(i8)");
    return flag_on(s, message);
  }
  if (subregions(s) || read_real(s, " courant number", "cur", s.cht.cur) ||
      read_real(s, " center coefficient", "bet", s.cht.bet) ||
      read_reals(s, " smooth coefficient", "sgl", s.cht.sgl1, 3)) {
    return 1;
  }
  if (new_reals(s, p.jdf, 11, n1, "jdf") || new_reals(s, p.jf0, 11, n1, "jf0") ||
      new_reals(s, p.jrb, 6, std::max(n1, n2), "jrb") || new_reals(s, p.jadap, 5, n1, "jadap") ||
      new_reals(s, &p.jrnux, 1, n2, "jrnux") || new_reals(s, &p.jrnuy, 1, n2, "jrnuy") ||
      new_reals(s, &p.jrnup, 1, n2, "jrnup")) {
    return 1;
  }
  c.jdcr[4] = p.jrb[0];
  c.jdcr[5] = p.jrb[1];
  meshmove(s, 0.0f);
  p.istream = p.imach = p.ipress = 0;
  s.cht.isp = 0;
  int32_t request = 0;
  if (read_int(s, "request field ee for t=0", "gstr4", request)) return 1;
  if (request != 0 && gstr4(s)) return 1;
  std::fill_n(reals(s, p.jf[5]), n1, 0.0f);
  std::copy_n(reals(s, p.jf[0]), 11 * n1, reals(s, p.jf0[0]));
  return 0;
}

}  // namespace tivor::gs

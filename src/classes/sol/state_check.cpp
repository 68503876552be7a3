// The checks that keep the class's loops inside the pools: the arrays of a task, also one read
// from a buffer or changed in the memory checker, and values that stopped being finite.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "classes/sol/sol.hpp"
#include "classes/sol/sol_internal.hpp"

namespace tivor::sol {
namespace {

// Whether every word lies in 1..n, by the least and the greatest: a pass without branches that
// the compiler vectorises. Its own function, since inside the long chain of checks the compiler
// takes the loop for cold code and leaves it scalar.
[[gnu::noinline]] bool all_within(const int32_t* words, int64_t count, int64_t n) {
  int32_t least = 1, greatest = 1;
  for (int64_t k = 0; k < count; ++k) {
    least = std::min(least, words[k]);
    greatest = std::max(greatest, words[k]);
  }
  return least >= 1 && greatest <= n;
}

}  // namespace

bool arrays_ok(const Session& s) {
  const SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const int64_t n1 = c.n1, n2 = c.n2, n3 = c.n3, nt = c.ntel, m = c.m;
  if (!element_arrays_ok(s)) return false;
  const auto reals_ok = [&](int32_t j, int64_t n) { return real_array_ok(s, j, n); };
  const auto ints_ok = [&](int32_t j, int64_t n) { return int_array_ok(s, j, n); };
  if (!reals_ok(c.jdest_cell, n2) || !reals_ok(c.jmm, 2 * n1)) return false;
  for (const int32_t j : {p.jmatm, p.jplast}) {
    if (!ints_ok(j, nt)) return false;
  }
  for (const int32_t j :
       {p.jrom, p.jc0m, p.ja5m, p.ja6m, p.jgam, p.jemax, p.jrpres, p.jskpres, p.jeewzr}) {
    if (!reals_ok(j, nt)) return false;
  }
  if (!ints_ok(p.jskm, 2 * nt) || !reals_ok(p.jdamage, 3 * nt) || !reals_ok(p.jcompact, 3 * nt)) {
    return false;
  }
  for (const int32_t j : {p.jy[1], p.jy[2], p.jcontin, p.jkontw}) {
    if (!ints_ok(j, n3)) return false;
  }
  if (!reals_ok(p.jvrg, n3) || !reals_ok(p.jvzg, n3) || !ints_ok(p.jcnod, n1) ||
      !ints_ok(p.jce, 3 * n3) || !reals_ok(p.jcf, 3 * n3) ||
      !reals_ok(p.jtvr, 2 * int64_t{std::max(p.ntvr, 0)}) ||
      !reals_ok(p.jtvz, 2 * int64_t{std::max(p.ntvz, 0)}) ||
      !reals_ok(p.jtfr, 2 * int64_t{std::max(p.ntfr, 0)}) ||
      !reals_ok(p.jtfz, 2 * int64_t{std::max(p.ntfz, 0)})) {
    return false;
  }
  for (int i = 0; i < 12; ++i) {
    if (!reals_ok(p.jf[i], n1) || !reals_ok(p.jf0[i], n1) || !reals_ok(p.jdf[i], n1)) return false;
  }
  // The scheme treats these sets as consecutive arrays.
  for (int i = 1; i < 12; ++i) {
    if (p.jf0[i] != p.jf0[0] + i * n1 || p.jdf[i] != p.jdf[0] + i * n1) return false;
  }
  for (int i = 0; i < 4; ++i) {
    if (p.jstr[i] != p.jstr[0] + i * n1 || !reals_ok(p.jstr[i], n1)) return false;
  }
  for (const int32_t j : {p.jpore, p.jcrack, p.jemx, p.jrl}) {
    if (!reals_ok(j, n1)) return false;
  }
  for (const int32_t j : {p.jmd, p.jgr, p.jgr0, p.jx, p.js, p.jas}) {
    if (!reals_ok(j, 2 * n1)) return false;
  }
  if (!reals_ok(p.jrb[0], std::max(n1, n2)) || !reals_ok(p.jrb[1], std::max(n1, n2))) {
    return false;
  }
  const auto loads_ok = [&](int32_t n, const int32_t* jp, const int32_t* jt, const int32_t* nt4) {
    if (n < 0 || n > 4) return false;
    for (int l = 0; l < n; ++l) {
      if (!reals_ok(jp[l], n3) || nt4[l] < 0 || !reals_ok(jt[l], 2 * int64_t{nt4[l]})) return false;
    }
    return true;
  };
  if (!loads_ok(p.npn, p.jpn, p.jtpn, p.ntpn) || !loads_ok(p.npt, p.jpt, p.jtpt, p.ntpt) ||
      !loads_ok(p.nqn, p.jqn, p.jtqn, p.ntqn)) {
    return false;
  }
  const int32_t* skm = ints(s, p.jskm);
  for (int64_t k = 0; k < nt; ++k) {
    if (skm[2 * k] < 0 || (skm[2 * k] > 0 && !reals_ok(skm[2 * k + 1], 2 * int64_t{skm[2 * k]}))) {
      return false;
    }
  }
  // Node numbers of the elements and of the boundary.
  if (!all_within(ints(s, c.jj1), m * n2, n1)) return false;
  const int32_t* b = ints(s, c.jj2);
  for (int64_t k = 0; k < 2 * n3; ++k) {
    if (b[k] == 0 || std::abs(b[k]) > n1) return false;
  }
  return true;
}

}  // namespace tivor::sol

namespace tivor {

bool sol_state_ok(const Session& s) {
  if (s.cht.itask != kTaskPrepared) return true;  // the next preparation reads the data anew
  return sol::arrays_ok(s) && real_array_ok(s, s.cparm.sol.jbfx, s.cmesh.ntel) &&
         real_array_ok(s, s.cparm.sol.jbfy, s.cmesh.ntel);
}

}  // namespace tivor

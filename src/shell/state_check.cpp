// The consistency check of a task state just read from a buffer: every pointer and count of
// every record must describe arrays inside the pools, and the index arrays of the mesh must
// name nodes and elements that exist, so that nothing that later uses the state (the status
// screen, a time step, the viewer, the checker) can read or write outside the pools.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/pool.hpp"
#include "shell/state_buffer.hpp"

namespace tivor {
namespace {

// Steps beyond this are no task of this program; the limit keeps is + steps inside 32 bits.
constexpr int32_t kMaxSteps = 1000000000;

bool in_range(int64_t v, int64_t lo, int64_t hi) {
  return v >= lo && v <= hi;
}

// n entries of the integer array at j whose absolute values lie in lo..hi.
bool int_entries_ok(const Session& s, int32_t j, int64_t n, int64_t lo, int64_t hi) {
  if (!int_array_ok(s, j, n)) return false;
  const int32_t* v = ints(s, j);
  for (int64_t k = 0; k < n; ++k) {
    if (v[k] == INT32_MIN || !in_range(std::abs(v[k]), lo, hi)) return false;
  }
  return true;
}

bool class_record_ok(const Session& s) {
  const ClassRecord& c = s.cls;
  if (!in_range(c.iclass, 0, 15) || !in_range(c.imethod, 0, 15) || !in_range(c.nmethod, 0, 15) ||
      !in_range(c.nfun, 0, 20)) {
    return false;
  }
  for (int k = 0; k < c.nfun; ++k) {
    if (!int_array_ok(s, c.jfun[k], s.cmesh.n3)) return false;
  }
  return true;
}

bool cht_ok(const Session& s) {
  const Cht& h = s.cht;
  if (!in_range(h.nipp, 0, 30) || !in_range(h.ifilm, -1, 1) || !in_range(h.is, 0, kMaxSteps) ||
      !in_range(h.isp, 0, kMaxSteps)) {
    return false;
  }
  for (int k = 0; k < h.nipp; ++k) {
    if (!real_array_ok(s, h.ipp[k], s.cmesh.n1)) return false;
  }
  const ChtHistory& g = h.hist;
  if (g.nthist < 2) return true;  // no history is kept
  const int64_t n = g.nthist;
  if (!in_range(g.nhist, 0, 20) || !in_range(g.nhist0, 0, 20) || !in_range(g.npoints, 0, n) ||
      !real_array_ok(s, g.jthist, n) || !real_array_ok(s, g.jhist0, g.nhist0 * n) ||
      !real_array_ok(s, g.jhist, g.nhist * n)) {
    return false;
  }
  for (int i = 0; i < g.nhist; ++i) {
    if (!in_range(g.ifhist[i], 0, 30)) return false;
  }
  return true;
}

bool cmesh_ok(const Session& s) {
  const Cmesh& c = s.cmesh;
  const int64_t n1 = c.n1, n2 = c.n2, n3 = c.n3, ntel = c.ntel;
  if (n1 < 0 || n2 < 0 || n3 < 0 || ntel < 0 || c.ng < 0) return false;
  if (n2 > 0 && c.m != 3 && c.m != 4) return false;
  if (!real_array_ok(s, c.jrz, 2 * n1) || !real_array_ok(s, c.jgrz, 2 * int64_t{c.ng})) {
    return false;
  }
  for (int k = 0; k < 6; ++k) {
    if (!real_array_ok(s, c.jdcr[k], n1)) return false;
  }
  for (int k = 0; k < 3; ++k) {
    if (!real_array_ok(s, c.jdr[k], n2) || !real_array_ok(s, c.jdz[k], n2)) return false;
  }
  for (const int32_t j : {c.jrmin1, c.jsss, c.jhr, c.jhz, c.jdest_cell}) {
    if (!real_array_ok(s, j, n2)) return false;
  }
  if (!real_array_ok(s, c.jmm, n1) || !real_array_ok(s, c.jcsi, n3)) return false;
  // Element and boundary nodes must exist; the subregion counts stay within the totals.
  if (n2 > 0) {
    if (!int_entries_ok(s, c.jj1, c.m * n2, 0, n1)) return false;
    const int32_t* conn = ints(s, c.jj1);
    for (int64_t e = 0; e < n2; ++e) {
      for (int k = 0; k < 3; ++k) {
        if (conn[c.m * e + k] == 0) return false;
      }
    }
  }
  if (n3 > 0 && !int_entries_ok(s, c.jj2, 2 * n3, 1, n1)) return false;
  if (n3 > 0 && !int_entries_ok(s, c.jgrel, n3, 0, n2)) return false;
  if (ntel > 0) {
    if (!int_entries_ok(s, c.jn1, ntel, 0, n1) || !int_entries_ok(s, c.jn2, ntel, 0, n2) ||
        !int_entries_ok(s, c.jn3, ntel, 0, n3)) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string damaged_record(const Session& s) {
  if (!cmesh_ok(s)) return "cmesh";
  if (!class_record_ok(s)) return "class";
  if (!cht_ok(s)) return "cht";
  if (!in_range(s.ctime1.itrace, 0, 3)) return "ctime1";
  if (!in_range(s.cmemo.nlines, 0, 20)) return "cmemo";
  // The class knows the layout of its own parameter record.
  if (s.cls.iclass >= 1) {
    const std::string code(s.cls.clcode[s.cls.iclass - 1], 4);
    for (const ManagerEntry& entry : s.managers) {
      if (entry.code == code && entry.state_ok && !entry.state_ok(s)) return "cparm";
    }
  }
  return "";
}

}  // namespace tivor

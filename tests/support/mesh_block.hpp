// Data lines of a generator-2 block for test data files.
#pragma once

#include <cstdio>
#include <string>

namespace tivor::test {

inline std::string num(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.9g", v);
  return buf;
}

// The block [r0, r1] x [z0, z1] of nksi x neta cells with its 8 points at the corners and side
// midpoints, as the lines of one subregion: tipm, rz, nksi, neta, turn, nyt, rzcor.
inline std::string block(double r0, double z0, double r1, double z1, int nksi, int neta,
                         int nyt = 0, int rzcor = 0) {
  const double rm = (r0 + r1) / 2, zm = (z0 + z1) / 2;
  std::string t = "tipm=2\nrz=";
  int k = 0;  // three points to a line: data lines hold 80 characters
  for (double v : {r0, z0, r0, zm, r0, z1, rm, z1, r1, z1, r1, zm, r1, z0, rm, z0}) {
    t += num(v);
    t += ++k % 6 == 0 ? '\n' : ' ';
  }
  t += "\nnksi=" + std::to_string(nksi);
  t += " neta=" + std::to_string(neta);
  t += "\nturn=0 0 0 0 0\nnyt=" + std::to_string(nyt);
  t += " rzcor=" + std::to_string(rzcor);
  return t += '\n';
}

}  // namespace tivor::test

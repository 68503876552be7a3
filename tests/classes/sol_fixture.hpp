// A session for the solids class tests: data files of generator-2 blocks with the class's
// keywords, prepared and run the way the shell does it.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "classes/sol/sol.hpp"
#include "core/pool.hpp"
#include "support/mesh_block.hpp"
#include "support/prepare_task.hpp"
#include "support/screen_session.hpp"

namespace tivor::sol_test {

// A real as the reader takes it: digits and a point, no exponent.
inline std::string num(double v) {
  std::string t = std::to_string(v);  // six decimals
  if (std::abs(v) < 1e-3 && v != 0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.12f", v);
    t = buf;
  }
  return t;
}

// One zone: a block [r0, r1] x [z0, z1] of nksi x neta cells and its material.
struct Zone {
  double r0, z0, r1, z1;
  int nksi, neta;
  int mat = 1, plast = 0;
  float e = 1e6f, nu = 0.25f, c = -1000, vr = 0, vz = 0, en = 0, gam = 0, emax = 1e6f;
  std::string table = "nsk=0\n";  // the yield table's lines
  std::string compact = "0 0 0", damage = "0 0 0";
};

// The class's data after the mesh; each string holds whole data lines ending in newlines.
struct Task {
  std::vector<Zone> zones;
  int m = 4, symmetry = 2;
  float gn = 0;
  std::string vx = "vx=0\n", ntvr = "ntvr=0\n", vy = "vy=0\n", ntvz = "ntvz=0\n";
  std::string contin = "contin=0\n", loads = "npn=0\nnpt=0\nfr=0\nfz=0\nnqn=0\n";
  float cur = 0.5f, demax = 0;
  std::string contact = "contact=0\n";
  std::string history = "nthist=0\n";

  std::string text() const {
    std::string t = "ntel=" + std::to_string(zones.size()) + "\nm=" + std::to_string(m) + "\n";
    for (const Zone& g : zones) t += test::block(g.r0, g.z0, g.r1, g.z1, g.nksi, g.neta);
    t += zones.size() > 1 ? "skl=1\nm=-100 -100 100 100\n" : "skl=0\n";
    t += "scale=1 1\nrzcor=0\nsymmetry=" + std::to_string(symmetry) + "\ngn=" + num(gn) + "\n";
    t += vx + ntvr + vy + ntvz + contin + loads;
    for (const Zone& g : zones) {
      t += "MAT=" + std::to_string(g.mat) + "\nE=" + num(g.e) + "\nNU=" + num(g.nu) +
           "\nplast=" + std::to_string(g.plast) + "\n" + g.table + "C=" + num(g.c) +
           "\nVR=" + num(g.vr) + "\nVZ=" + num(g.vz) + "\nEN=" + num(g.en) + "\nGAM=" + num(g.gam) +
           "\nEMAX=" + num(g.emax) + "\nrpres=0\nskpres=0\nEEWZR=0\ndamage=" + g.damage +
           "\ncompact=" + g.compact + "\n";
    }
    t += "dynamics=1\nCUR=" + num(cur) + "\nDEMAX=" + num(demax) + "\nBET=0\nSGL=0 0 0\n";
    return t + contact + "penalty=0\nfrict=0\nnbforce=0\n" + history;
  }
};

class SolTest : public test::ScreenSession {
 protected:
  // Prepares the task as the shell does; `pauses` keys are queued for messages. True when the
  // task is prepared.
  bool prepare(const std::string& text, int pauses = 0) {
    return test::prepare_like_shell(*s, text, [&] {
      keys(pauses);
      som(*s, 1);
    });
  }
  bool prepare(const Task& t, int pauses = 0) { return prepare(t.text(), pauses); }
  // "go" with n steps of method k.
  void run(int n, int k = 1) {
    s->cht.isp = s->cht.is + n;
    som(*s, k);
    s->cht.isp = s->cht.is;
  }
  const Cmesh& mesh() const { return s->cmesh; }
  const SolParm& parm() const { return s->cparm.sol; }
  int32_t n1() const { return mesh().n1; }
  // Node i (from 0) of an array at pointer j.
  float at(int32_t j, int32_t i) const { return reals(*s, j)[i]; }
  float r(int32_t i) const { return at(mesh().jrz, 2 * i); }
  float z(int32_t i) const { return at(mesh().jrz, 2 * i + 1); }
  // The node (from 0) at (r0, z0), to within 1e-3.
  int32_t node_at(float r0, float z0) const {
    int32_t i = 0;
    while (i < n1() && (std::abs(r(i) - r0) > 1e-3f || std::abs(z(i) - z0) > 1e-3f)) ++i;
    return i;
  }
  std::vector<float> values(int32_t j) const { return {reals(*s, j), reals(*s, j) + n1()}; }
};

}  // namespace tivor::sol_test

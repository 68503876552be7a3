// A session for the gas-flow class tests: data files of generator-2 blocks with the class's
// keywords, prepared and run the way the shell does it.
#pragma once

#include <string>
#include <vector>

#include "classes/gs/gs.hpp"
#include "core/pool.hpp"
#include "support/mesh_block.hpp"
#include "support/prepare_task.hpp"
#include "support/screen_session.hpp"

namespace tivor::gs_test {

using test::num;

// One subregion: a block [r0, r1] x [z0, z1] of nksi x neta cells, its gas and initial state.
struct Region {
  double r0, z0, r1, z1;
  int nksi, neta;
  float gam = 1.4f, nu = 0, kk = 0;
  float ro = 1, u = 0, v = 0, e = 2.5f, p = 1;
};

// The class's data on one subregion; each condition string holds whole data lines ending in
// newlines.
struct Task {
  Region g;
  int m = 4, symmetry = 2;
  float tfz = 0;
  std::string ro = "ro=0\n", wall = "wall=0\n", vr = "vr=0\ntvr=0\n", vz = "vz=0\ntvz=0\n";
  std::string ee = "ee=0\n", qn = "qn=0\n", p = "p=0\n", psi = "psi=0\n";
  int adaption = 0;
  float cur = 0.5f;
  int gstr4 = 0;
  std::string history = "nthist=0\n";

  // Slip walls on every boundary element.
  Task& closed() { return wall = "wall=1\nm=-1000 -1000 1000 1000\n", *this; }

  std::string text() const {
    std::string t = "ntel=1\nm=" + std::to_string(m) + "\n";
    t += test::block(g.r0, g.z0, g.r1, g.z1, g.nksi, g.neta) +
         "skl=0\nscale=1 1\nrzcor=0\nsymmetry=" + std::to_string(symmetry) + "\ntfz=" + num(tfz) +
         "\n";
    t += ro + wall + vr + vz + ee + qn + p + psi + "adaption=" + std::to_string(adaption) +
         "\nwr=0\nwz=0\n";
    t += "gam=" + num(g.gam) + "\nnu=" + num(g.nu) + "\nkk=" + num(g.kk) + "\nf0=" + num(g.ro) +
         " " + num(g.u) + " " + num(g.v) + " " + num(g.e) + " " + num(g.p) + "\n";
    return t + "cur=" + num(cur) + "\nbet=0\nsgl=0 0 0\ngstr4=" + std::to_string(gstr4) + "\n" +
           history;
  }
};

class GsTest : public test::ScreenSession {
 protected:
  // Prepares the task with method 1 as the shell does; `pauses` keys are queued for messages.
  bool prepare(const Task& t, int pauses = 0) {
    return test::prepare_like_shell(*s, t.text(), [&] {
      keys(pauses);
      gsm(*s, 1);
    });
  }
  // "go" with n steps of method k.
  void run(int n, int k = 1) {
    s->cht.isp = s->cht.is + n;
    gsm(*s, k);
    s->cht.isp = s->cht.is;
  }
  const GsParm& parm() const { return s->cparm.gs; }
  int32_t n1() const { return s->cmesh.n1; }
  // Field f (0 ro, 1 u, 2 v, 3 e, 4 p, 5.. published) at node i (from 0).
  float at(int f, int32_t i) const { return reals(*s, parm().jf[f])[i]; }
  float r(int32_t i) const { return reals(*s, s->cmesh.jrz)[2 * i]; }
  float z(int32_t i) const { return reals(*s, s->cmesh.jrz)[2 * i + 1]; }
  // The sum over the nodes of a field times the lumped volume (mass, momentum, energy).
  double total(const std::vector<float>& f) const {
    double sum = 0;
    for (int32_t i = 0; i < n1(); ++i) sum += f[i] / reals(*s, s->cmesh.jmm)[i];
    return sum;
  }
};

}  // namespace tivor::gs_test

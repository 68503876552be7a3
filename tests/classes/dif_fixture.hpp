// A session for the diffusion class tests: the console session of the tests (the mesh generator
// writes "mesh.tmp" in its working directory), data files built from generator-2 blocks, and the
// shell's way of preparing a task and running steps.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "classes/dif/dif.hpp"
#include "core/pool.hpp"
#include "support/mesh_block.hpp"
#include "support/prepare_task.hpp"
#include "support/screen_session.hpp"

namespace tivor::dif_test {

using test::num;

// One subregion: a generator-2 block [r0, r1] x [z0, z1] of nksi x neta cells with its initial
// values and diffusion factors (D11, D12, D21, D22).
struct Region {
  double r0, z0, r1, z1;
  int nksi, neta;
  float f1 = 0, f2 = 0;
  float d11 = 1, d12 = 0, d21 = 0, d22 = 1;
};

// An interval of prescribed values: the boundary nodes on the segment (r0, z0)-(r1, z1) get the
// value interpolated between v0 and v1.
struct Interval {
  double r0, z0, r1, z1, v0, v1;
};

// A whole data file of the class: the mesh keywords, then the class's, then no history.
struct Task {
  std::vector<Region> regions;
  int symmetry = 0;
  int concent1 = 1, concent2 = 0;
  std::vector<Interval> conc1, conc2;
  float fc1 = 0, fc2 = 0;
  float cur = -0.01f;
  int initc = 0;

  std::string text() const {
    std::string t = "ntel=" + std::to_string(regions.size()) + "\nm=3\n";
    double rmin = 1e30, zmin = 1e30, rmax = -1e30, zmax = -1e30;
    for (const Region& g : regions) {
      t += test::block(g.r0, g.z0, g.r1, g.z1, g.nksi, g.neta);
      rmin = std::min(rmin, g.r0), zmin = std::min(zmin, g.z0);
      rmax = std::max(rmax, g.r1), zmax = std::max(zmax, g.z1);
    }
    if (regions.size() > 1) {
      t += "skl=1\nm=" + num(rmin - 1) + " " + num(zmin - 1) + " " + num(rmax + 1) + " " +
           num(zmax + 1) + "\n";
    } else {
      t += "skl=0\n";
    }
    t += "scale=1 1\nrzcor=0\n";
    t += "symmetry=" + std::to_string(symmetry) + "\nconcent1=" + std::to_string(concent1) +
         "\nconcent2=" + std::to_string(concent2) + "\n";
    t += intervals("conc1", conc1) + intervals("conc2", conc2);
    for (const Region& g : regions) {
      t += "f0=" + num(g.f1) + " " + num(g.f2) + "\ndiffc=" + num(g.d11) + " " + num(g.d12) + " " +
           num(g.d21) + " " + num(g.d22) + "\n";
    }
    t += "fc1=" + num(fc1) + "\nfc2=" + num(fc2) + "\ncur=" + num(cur) +
         "\nbet=0\nsgl=0 0 0\ninitc=" + std::to_string(initc) + "\nnthist=0\n";
    return t;
  }

  static std::string intervals(const std::string& key, const std::vector<Interval>& list) {
    std::string t = key + "=" + std::to_string(list.size()) + "\n";
    for (const Interval& v : list) {
      t += "m=" + num(v.r0) + " " + num(v.z0) + " " + num(v.r1) + " " + num(v.z1) + " " +
           num(v.v0) + " " + num(v.v1) + "\n";
    }
    return t;
  }
};

class DifTest : public test::ScreenSession {
 protected:
  // Prepares the task as the shell does: the data file is the input, the pools and the mesh
  // record start empty, the class reads its data and makes its first step (one pause, the last
  // moment check, plus `pauses` more), and the input goes back to the keyboard. True when the
  // task is prepared.
  bool prepare(const std::string& text, int pauses = 0) {
    return test::prepare_like_shell(*s, text, [&] {
      keys(1 + pauses);
      dim1(*s, 1);
    });
  }
  bool prepare(const Task& t, int pauses = 0) { return prepare(t.text(), pauses); }

  // "go" with n steps.
  void run(int n) {
    s->cht.isp = s->cht.is + n;
    dim1(*s, 1);
    s->cht.isp = s->cht.is;
  }

  const Cmesh& mesh() const { return s->cmesh; }
  const DifParm& parm() const { return s->cparm.dif; }
  int32_t n1() const { return mesh().n1; }
  // Node i from 0.
  float r(int32_t i) const { return reals(*s, mesh().jrz)[2 * i]; }
  float z(int32_t i) const { return reals(*s, mesh().jrz)[2 * i + 1]; }
  float c1(int32_t i) const { return reals(*s, parm().jf[0])[i]; }
  float c2(int32_t i) const { return reals(*s, parm().jf[1])[i]; }
  double mass(int32_t i) const { return 1.0 / reals(*s, mesh().jmm)[i]; }
  std::vector<float> field(int ic) const {
    const float* f = reals(*s, parm().jf[ic - 1]);
    return {f, f + n1()};
  }
  // Mass-weighted mean of component ic.
  double mean(int ic) const {
    double sum = 0, m = 0;
    for (int32_t i = 0; i < n1(); ++i) {
      sum += mass(i) * (ic == 1 ? c1(i) : c2(i));
      m += mass(i);
    }
    return sum / m;
  }
  // Largest nodal deviation of component ic from the function f(r, z).
  template <class F>
  double max_error(int ic, F&& f) const {
    double e = 0;
    for (int32_t i = 0; i < n1(); ++i) {
      const double v = ic == 1 ? c1(i) : c2(i);
      e = std::max(e, std::abs(v - f(double{r(i)}, double{z(i)})));
    }
    return e;
  }
};

}  // namespace tivor::dif_test

// A session for the mesh tests: a host whose keys come from a queue, the console up, the
// working directory a fresh temporary one (the generators write "mesh.tmp" there), data files
// written by the test or taken from examples/mesh, and looks at the mesh record's arrays.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "host/host.hpp"
#include "host/test_dir.hpp"
#include "mesh/mesh.hpp"
#include "reader/reader.hpp"
#include "support/screen_text.hpp"
#include "support/test_host.hpp"

namespace tivor::mesh_test {

using FakeHost = test::TestHost;

class MeshTest : public ::testing::Test {
 protected:
  MeshTest() : s(std::make_unique<Session>(host)), old_dir(std::filesystem::current_path()) {
    std::filesystem::current_path(dir.path());
    host.display_w = 1280;
    host.display_h = 700;
    host.on_wait = [this](int) { screens.push_back(screen()); };
    console_install(*s);
    int unit = kKeyboardUnit;
    EXPECT_EQ(readfrom(*s, unit, "keyboard"), 0);
  }
  ~MeshTest() override { std::filesystem::current_path(old_dir); }

  // Writes the data file and points the reader at it.
  void data(const std::string& text) {
    std::ofstream("data.dat", std::ios::binary) << text;
    int unit = 0;
    ASSERT_EQ(readfrom(*s, unit, "data.dat"), 0);
  }
  // Generator 2 alone on the data, as the dispatcher calls it for one subregion.
  void generator2(int m, const std::string& text) {
    data(text);
    initmesh(*s);
    s->cmesh.m = m;
    ASSERT_EQ(m == 3 ? mesh23(*s, 1) : mesh24(*s, 1), 0);
  }
  // Points the reader at a file of examples/mesh.
  void example(const std::string& name) {
    int unit = 0;
    ASSERT_EQ(readfrom(*s, unit, std::string(TIVOR_SOURCE_DIR) + "/examples/mesh/" + name), 0);
  }
  // Presses a key for each pause still to come.
  void keys(int n) {
    for (int i = 0; i < n; ++i) host.press(' ');
  }

  const Cmesh& c() const { return s->cmesh; }
  float r(int k) const { return s->a[static_cast<size_t>(c().jrz + 2 * k - 1)]; }
  float z(int k) const { return s->a[static_cast<size_t>(c().jrz + 2 * k)]; }
  // Node numbers of element e and of boundary element k (both from 1).
  std::vector<int32_t> element(int e) const {
    const auto* p = &s->km[static_cast<size_t>(c().jj1 + (e - 1) * c().m + 1)];
    return {p, p + c().m};
  }
  std::array<int32_t, 2> edge(int k) const {
    const auto* p = &s->km[static_cast<size_t>(c().jj2 + 2 * k - 1)];
    return {p[0], p[1]};
  }
  int32_t count(int32_t j, int i) const { return s->km[static_cast<size_t>(j + i)]; }
  // Text rows of the screen joined, for looking for messages.
  std::string screen() const { return test::screen_text(*s); }
  // True when the text was on the screen at some key wait or is there now.
  bool seen(const std::string& text) const { return test::seen_on(screens, *s, text); }
  bool scratch_left() const { return std::filesystem::exists("mesh.tmp"); }

  FakeHost host;
  TestDir dir;
  std::unique_ptr<Session> s;
  std::filesystem::path old_dir;
  std::vector<std::string> screens;  // the text screen at each key wait
};

// A generator-2 block [r0, r1] x [z0, z1] with its 8 points at the corners and side midpoints,
// as data lines for one subregion: tipm, rz, nksi, neta, turn, nyt, rzcor.
inline std::string block(double r0, double z0, double r1, double z1, int nksi, int neta,
                         int nyt = 0, int rzcor = 0) {
  auto f = [](double v) {
    std::string t = std::to_string(v);
    return t;
  };
  const double rm = (r0 + r1) / 2, zm = (z0 + z1) / 2;
  return "tipm=2\nrz=" + f(r0) + " " + f(z0) + " " + f(r0) + " " + f(zm) + " " + f(r0) + " " +
         f(z1) + "\n" + f(rm) + " " + f(z1) + " " + f(r1) + " " + f(z1) + " " + f(r1) + " " +
         f(zm) + "\n" + f(r1) + " " + f(z0) + " " + f(rm) + " " + f(z0) +
         "\nnksi=" + std::to_string(nksi) + " neta=" + std::to_string(neta) +
         "\nturn=0 0 0 0 0\nnyt=" + std::to_string(nyt) + " rzcor=" + std::to_string(rzcor) + "\n";
}

}  // namespace tivor::mesh_test

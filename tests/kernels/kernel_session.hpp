// A session for the kernel tests: the scripted host with the console up, a fresh working
// directory for data files, small meshes laid out by hand in the pools (arrays taken from the
// pools' free marks, which then stand after the last array), and looks at the text screen.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "console/console.hpp"
#include "core/pool.hpp"
#include "reader/reader.hpp"
#include "support/screen_text.hpp"
#include "support/test_host.hpp"
#include "support/work_dir.hpp"

namespace tivor::kernels_fixture {

class KernelSession : public ::testing::Test {
 protected:
  KernelSession() : s(std::make_unique<Session>(host)) {
    host.on_wait = [this](int) { screens.push_back(screen()); };
    console_install(*s);
    int unit = kKeyboardUnit;
    EXPECT_EQ(readfrom(*s, unit, "keyboard"), 0);
  }

  // Writes the data file and points the reader at it.
  void data(const std::string& text) {
    std::ofstream("data.dat", std::ios::binary) << text;
    int unit = 0;
    ASSERT_EQ(readfrom(*s, unit, "data.dat"), 0);
  }

  // A new array at the free mark of each pool, filled with fill.
  int32_t real_array(int n, float fill = 0) {
    const int32_t j = s->csize.maxa;
    for (int i = 1; i <= n; ++i) s->a[j + i] = fill;
    s->csize.maxa += n;
    return j;
  }
  int32_t int_array(int n, int32_t fill = 0) {
    const int32_t j = s->csize.maxk;
    for (int i = 1; i <= n; ++i) s->km[j + i] = fill;
    s->csize.maxk += n;
    return j;
  }
  int32_t real_array(const std::vector<float>& v) {
    const int32_t j = real_array(static_cast<int>(v.size()));
    for (size_t i = 0; i < v.size(); ++i) s->a[j + 1 + i] = v[i];
    return j;
  }
  int32_t int_array(const std::vector<int32_t>& v) {
    const int32_t j = int_array(static_cast<int>(v.size()));
    for (size_t i = 0; i < v.size(); ++i) s->km[j + 1 + i] = v[i];
    return j;
  }
  std::vector<float> reals_of(int32_t j, int n) const {
    return {s->a.begin() + j + 1, s->a.begin() + j + 1 + n};
  }
  std::vector<int32_t> ints_of(int32_t j, int n) const {
    return {s->km.begin() + j + 1, s->km.begin() + j + 1 + n};
  }

  // The mesh record: nodes (r, z), elements of m nodes and boundary elements (pairs).
  void mesh(const std::vector<std::pair<float, float>>& nodes, int m,
            const std::vector<int32_t>& elements, const std::vector<int32_t>& edges) {
    Cmesh& c = s->cmesh;
    c = Cmesh{};
    c.n1 = static_cast<int32_t>(nodes.size());
    c.m = m;
    c.n2 = static_cast<int32_t>(elements.size()) / m;
    c.n3 = static_cast<int32_t>(edges.size()) / 2;
    c.ntel = 1;
    std::vector<float> rz;
    for (auto [r, z] : nodes) rz.insert(rz.end(), {r, z});
    c.jrz = real_array(rz);
    c.jn3 = int_array({c.n3});
    c.jj2 = int_array(edges);
    c.jj1 = int_array(elements);
  }

  // The text rows of the screen, one line each.
  std::string screen() const {
    std::string out;
    for (int row = 1; row <= kRows; ++row) out += row_text(row) + '\n';
    return out;
  }
  std::string row_text(int row) const {
    std::string out;
    for (int col = 1; col <= kCols; ++col) {
      const char ch = static_cast<char>(s->text.ch[(row - 1) * kCols + col - 1]);
      out += ch == '\0' ? ' ' : ch;
    }
    return out;
  }
  // True when the text was on the screen at some key wait or is there now.
  bool seen(const std::string& text) const { return test::seen_on(screens, *s, text); }

  test::WorkDir dir;
  test::TestHost host;
  std::unique_ptr<Session> s;
  std::vector<std::string> screens;  // the text screen at each key wait
};

}  // namespace tivor::kernels_fixture

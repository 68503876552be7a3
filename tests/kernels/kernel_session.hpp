// A session for the kernel tests: the console session of the tests, small meshes laid out by
// hand in the pools (arrays taken from the pools' free marks, which then stand after the last
// array), and looks at the text screen.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/pool.hpp"
#include "support/screen_session.hpp"

namespace tivor::kernels_fixture {

class KernelSession : public test::ScreenSession {
 protected:
  // A new array at the free mark of each pool, filled with fill or with the values given.
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
    std::copy(v.begin(), v.end(), s->a.begin() + j + 1);
    return j;
  }
  int32_t int_array(const std::vector<int32_t>& v) {
    const int32_t j = int_array(static_cast<int>(v.size()));
    std::copy(v.begin(), v.end(), s->km.begin() + j + 1);
    return j;
  }
  std::vector<float> reals_of(int32_t j, int n) const {
    return {s->a.begin() + j + 1, s->a.begin() + j + 1 + n};
  }
  std::vector<int32_t> ints_of(int32_t j, int n) const {
    return {s->km.begin() + j + 1, s->km.begin() + j + 1 + n};
  }

  static void expect_near(const std::vector<float>& got, const std::vector<double>& want,
                          double tolerance = 1e-6) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], tolerance) << i;
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
    c.jn3 = int_array(std::vector<int32_t>{c.n3});
    c.jj2 = int_array(edges);
    c.jj1 = int_array(elements);
  }
};

}  // namespace tivor::kernels_fixture

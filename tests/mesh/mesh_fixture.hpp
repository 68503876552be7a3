// The mesh tests' session: the console session of the tests (the generators write "mesh.tmp" in
// its working directory), data files written by the test or taken from the samples in examples/,
// and looks at the mesh record's arrays.
#pragma once

#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "mesh/mesh.hpp"
#include "support/mesh_block.hpp"
#include "support/screen_session.hpp"

namespace tivor::mesh_test {

using test::block;

class MeshTest : public test::ScreenSession {
 protected:
  // Generator 2 alone on the data, as the dispatcher calls it for one subregion.
  void generator2(int m, const std::string& text) {
    data(text);
    initmesh(*s);
    s->cmesh.m = m;
    ASSERT_EQ(m == 3 ? mesh23(*s, 1) : mesh24(*s, 1), 0);
  }
  // Points the reader at a sample of examples/, "dif/block.dif" say: its mesh comes first.
  void example(const std::string& name) {
    int unit = 0;
    ASSERT_EQ(readfrom(*s, unit, std::string(TIVOR_SOURCE_DIR) + "/examples/" + name), 0);
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
  // Nodes, elements and boundary elements.
  using Counts = std::array<int32_t, 3>;
  Counts counts() const { return {c().n1, c().n2, c().n3}; }
  int32_t count(int32_t j, int i) const { return s->km[static_cast<size_t>(j + i)]; }
  // Pairs of nodes closer than 1e-6: none in a sound mesh.
  int coincident_nodes() const {
    int n = 0;
    for (int p = 1; p <= c().n1; ++p) {
      for (int q = p + 1; q <= c().n1; ++q) n += std::hypot(r(p) - r(q), z(p) - z(q)) < 1e-6;
    }
    return n;
  }
  bool scratch_left() const { return std::filesystem::exists("mesh.tmp"); }
};

}  // namespace tivor::mesh_test

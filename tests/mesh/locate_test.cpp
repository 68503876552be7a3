// The point queries on a real mesh: the locator against a plain search over all nodes and
// elements, and the checker's "num", "node" and "cell" commands on the L-shaped example.
#include "mesh/locate.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "console/console.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_fixture.hpp"
#include "shell/checker.hpp"
#include "shell/shell.hpp"

namespace tivor::mesh_test {
namespace {

class Locate : public MeshTest {
 protected:
  void SetUp() override {
    example("l_shape.dat");
    ASSERT_EQ(mesh(*s), 0);
  }
  // The nearest node by looking at all of them (the first of equally near ones).
  int nearest(float pr, float pz) const {
    int best = 0;
    double bd = 1e300;
    for (int k = 1; k <= c().n1; ++k) {
      const double d = std::pow(r(k) - double{pr}, 2) + std::pow(z(k) - double{pz}, 2);
      if (d < bd) bd = d, best = k;
    }
    return best;
  }
  // The first element holding the point, by the sign of the three edge functions.
  int holding(float pr, float pz) const {
    for (int e = 1; e <= c().n2; ++e) {
      const auto v = element(e);
      bool in = true;
      for (int i = 0; i < 3; ++i) {
        const int a = v[i], b = v[(i + 1) % 3];
        const double cross = (r(b) - double{r(a)}) * (pz - double{z(a)}) -
                             (pr - double{r(a)}) * (z(b) - double{z(a)});
        in = in && cross <= 1e-12;  // counter-clockwise in (z, r): inside is to the right in (r, z)
      }
      if (in) return e;
    }
    return 0;
  }
};

TEST_F(Locate, AgreesWithLookingAtEverything) {
  const MeshLocator where(*s);
  std::mt19937 gen(7);
  std::uniform_real_distribution<float> u(-0.5f, 3.5f);
  int inside = 0;
  for (int i = 0; i < 2000; ++i) {
    const float pr = u(gen), pz = u(gen) * 0.75f;
    const auto near = where.nodes_near(pr, pz);
    ASSERT_FALSE(near.empty());
    EXPECT_EQ(near.front().node, nearest(pr, pz)) << pr << " " << pz;
    for (size_t k = 1; k < near.size(); ++k) EXPECT_GE(near[k - 1].weight, near[k].weight);
    const int e = where.cell_at(pr, pz);
    EXPECT_EQ(e, holding(pr, pz)) << pr << " " << pz;
    inside += e > 0;
  }
  EXPECT_GT(inside, 500);
  // Far away the nearest node is still found.
  EXPECT_EQ(where.nodes_near(-30.0f, 50.0f).front().node, nearest(-30.0f, 50.0f));
  EXPECT_EQ(where.cell_at(2.5f, 1.5f), 0);  // the L's missing corner
}

TEST_F(Locate, CheckerQueriesOnTheMesh) {
  const int node = nearest(2.9f, 0.05f);
  const int cell = holding(0.3f, 1.2f);
  ASSERT_GT(cell, 0);
  int unit = kKeyboardUnit;
  ASSERT_EQ(readfrom(*s, unit, "keyboard"), 0);
  auto line = [this](const std::string& text) { host.line(text); };
  line("num 2.9 0.05");
  keys(1);
  line("node " + std::to_string(node));
  keys(1);
  line("cell 0.3 1.2");
  keys(1);
  line("e");
  amemo(*s);
  EXPECT_TRUE(host.events.empty());
  int found = 0;
  lntrt(*s, 2.9f, 0.05f, found);
  EXPECT_EQ(found, node);
  EXPECT_EQ(fcell2(*s, 0.3f, 1.2f), cell);
  EXPECT_TRUE(seen("nom=" + fmt_int(node, "(i8)")));
  EXPECT_TRUE(seen("r,z=" + fmt_real(r(node), "(e11.3)") + fmt_real(z(node), "(e11.3)")));
  EXPECT_TRUE(seen("nel=" + fmt_int(cell, "(i8)")));
  const auto v = element(cell);
  EXPECT_TRUE(seen("j1=" + fmt_int(v[0], "(i8)") + fmt_int(v[1], "(i8)") + fmt_int(v[2], "(i8)")));
}

}  // namespace
}  // namespace tivor::mesh_test

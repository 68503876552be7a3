// AMEMO and its mesh queries on a hand-made mesh of two triangles: the nearest node, a node's
// values, the cell holding a point, result ranges, the viewer before a preparation, the input
// modes and the text listing.
#include <gtest/gtest.h>

#include <string>

#include "console/console.hpp"
#include "shell/checker.hpp"
#include "shell/shell.hpp"
#include "support/screen_session.hpp"

namespace tivor::shell_test {
namespace {

std::string reals(std::initializer_list<float> v) {
  std::string out;
  for (float x : v) out += fmt_real(x, "(e11.3)");
  return out;
}
std::string ints(std::initializer_list<int> v) {
  std::string out;
  for (int x : v) out += fmt_int(x, "(i8)");
  return out;
}

// Nodes (r, z): 1 (0,0), 2 (1,0), 3 (1,1), 4 (0,1); elements (1,2,3) and (1,3,4).
class CheckerTest : public test::ScreenSession {
 protected:
  CheckerTest() {
    Cmesh& c = s->cmesh;
    c.n1 = 4, c.n2 = 2, c.m = 3, c.jrz = 10, c.jj1 = 20, c.jsss = 50;
    const float rz[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    std::copy(rz, rz + 8, &s->a[11]);
    const int32_t j1[6] = {1, 2, 3, 1, 3, 4};
    std::copy(j1, j1 + 6, &s->km[21]);
    for (int k = 0; k < 3; ++k) {  // element 1's values
      c.jdr[k] = 30 + 2 * k, s->a[31 + 2 * k] = 0.5f + k;
      c.jdz[k] = 40 + 2 * k, s->a[41 + 2 * k] = -0.25f * k;
    }
    s->a[51] = 0.5f;
    for (int k = 0; k < 4; ++k) c.jdcr[k] = 60 + 10 * k;
    s->a[63] = 1.5f, s->a[73] = -2.5f, s->a[83] = 1.25f, s->a[93] = 1.75f;  // vr vz r_ z_ of node 3
    s->csize.maxa = 100;
    s->csize.maxk = 30;
  }
  // Runs the checker over the key script, which ends by leaving it.
  void checker(std::string_view script) {
    host.script(script);
    amemo(*s);
    EXPECT_TRUE(host.events.empty());
  }
  int node(float r, float z) const {
    int n = -1;
    lntrt(*s, r, z, n);
    return n;
  }
};

TEST_F(CheckerTest, NearestNodeAndContainingCell) {
  EXPECT_TRUE(node(0.9f, 0.2f) == 2 && node(-3.0f, 5.0f) == 4);
  EXPECT_EQ(fcell2(*s, 0.8f, 0.2f), 1);
  EXPECT_EQ(fcell2(*s, 0.2f, 0.8f), 2);
  EXPECT_EQ(fcell2(*s, 1.0f, 0.5f), 1);  // on the boundary
  EXPECT_EQ(fcell2(*s, 2.0f, 2.0f), 0);
  // Quadrilateral storage: equal third and fourth nodes make a triangle.
  s->cmesh.m = 4;
  s->cmesh.n2 = 1;
  s->km[24] = 3;
  EXPECT_EQ(fcell2(*s, 0.2f, 0.8f), 0);
  s->km[24] = 4;
  EXPECT_EQ(fcell2(*s, 0.2f, 0.8f), 1);
}

TEST_F(CheckerTest, QueryCommands) {
  checker("num 0.9 0.95<Enter> node 3<Enter> cell 0.8 0.2<Enter> e<Enter>");
  EXPECT_EQ(
      unseen({"nom=" + ints({3}), "r,z=" + reals({1, 1}), "r_,z_=" + reals({1.25f, 1.75f}),
              "vr,vz=" + reals({1.5f, -2.5f}), "nel=" + ints({1}), "j1=" + ints({1, 2, 3}),
              "x0=" + reals({0, 1, 1}), "y0=" + reals({0, 0, 1}), "dr=" + reals({0.5f, 1.5f, 2.5f}),
              "dz=" + reals({0.0f, -0.25f, -0.5f}), "sss=" + reals({0.5f})}),
      "");
}

TEST_F(CheckerTest, EmptyMeshAnswersWithoutReading) {
  s->cmesh = Cmesh{};
  checker("num 0 0<Enter> node 1<Enter> cell 0 0<Enter> e<Enter>");
  EXPECT_TRUE(seen("nom=" + ints({0})));
  EXPECT_FALSE(seen("nel=") || seen("r,z="));
}

TEST_F(CheckerTest, PointersOutsideThePoolsAreNotFollowed) {
  Cmesh& c = s->cmesh;
  c.jrz = kPoolReals - 3;  // 4 nodes need 8 words
  EXPECT_TRUE(node(0.0f, 0.0f) == 0 && fcell2(*s, 0.5f, 0.2f) == 0);
  c.jrz = 10;
  c.jj1 = kPoolInts - 2;
  EXPECT_EQ(fcell2(*s, 0.5f, 0.2f), 0);
  c.jj1 = 20;
  s->km[22] = 99;  // not a node of the mesh
  EXPECT_EQ(fcell2(*s, 0.8f, 0.2f), 0);
  c.jdcr[0] = -1000;
  c.jdcr[2] = kPoolReals;
  checker("node 3<Enter> e<Enter>");
  EXPECT_TRUE(seen("r,z="));
  EXPECT_FALSE(seen("r_,z_=") || seen("vr,vz="));
}

TEST_F(CheckerTest, MinMaxOfResultFunctions) {
  s->cht.nipp = 3;
  const int32_t ipp[3] = {200, 300, kPoolReals - 2};  // the last outside the pool: skipped
  const char* names[3] = {"temperature", "pressure", "broken"};
  for (int k = 0; k < 3; ++k) s->cht.ipp[k] = ipp[k], set_field(s->cls.ppname[k], names[k]);
  const float f[4] = {3, -1, 7, 2};
  for (int i = 0; i < 4; ++i) s->a[201 + i] = f[i], s->a[301 + i] = 5.0f;
  checker("minmax<Enter> e<Enter>");
  EXPECT_TRUE(seen("temperature" + fmt_real(-1, "(e12.4)") + fmt_real(7, "(e12.4)")));
  EXPECT_TRUE(seen("pressure" + fmt_real(5, "(e12.4)") + fmt_real(5, "(e12.4)")));
  EXPECT_FALSE(seen("broken"));
}

TEST_F(CheckerTest, ViewBeforePreparationLeavesWordsBelowTheMark) {
  for (int i = 1; i <= 108; ++i) s->a[i] = static_cast<float>(i);
  std::vector<int32_t> jdcr;
  s->up.arez = [&] { jdcr.assign(s->cmesh.jdcr, s->cmesh.jdcr + 6); };
  checker("view<Enter>e<Enter>");
  EXPECT_EQ(jdcr, (std::vector<int32_t>{60, 70, 100, 104, 100, 104}));  // 60, 70 the class's own
  for (int i = 1; i <= 108; ++i) ASSERT_EQ(s->a[i], i <= 100 ? static_cast<float>(i) : 0.0f) << i;

  // With no room for the mesh at the end of the pool the pointers stay.
  s->cmesh.jdcr[2] = 80;
  s->csize.maxa = kPoolReals - 4;
  jdcr.clear();
  checker("view<Enter>e<Enter>");
  EXPECT_EQ(jdcr.at(2), 80);
}

TEST_F(CheckerTest, InputModeIsKeptAcrossCalls) {
  checker("zz<Enter>menu<Enter><Esc>");  // leaves from the menu
  EXPECT_TRUE(seen("m:incorrect command") && seen("- checker -"));
  EXPECT_EQ(s->checker_menu_mode, 1);
  checker("<End><Up><Up><Enter>g<Enter>");  // the menu again; item 16 switches back
  EXPECT_EQ(s->checker_menu_mode, 0);
}

TEST_F(CheckerTest, TextListsBothCardsAndTheReaderIsRestored) {
  set_field(s->cmemo.lines[0], "memory card is not available");
  s->cmemo.nlines = 1;
  s->crd.ip = 1;
  set_field(s->crd.str, "m t g rest");
  checker(" ");  // "t g" of the line in hand are its commands
  EXPECT_EQ(unseen({"   10      +jcd,jdcd,jmcd", "    1 memory card is not available"}), "");
  EXPECT_TRUE(s->crd.ip == 1 && field_str(s->crd.str) == "m t g rest");
}

}  // namespace
}  // namespace tivor::shell_test

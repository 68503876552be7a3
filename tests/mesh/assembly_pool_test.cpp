// The integer pool that gluing needs: no more than the mesh it leaves (and one word per boundary
// element while the glue zones are read), with the arrays laid out as in a roomy pool.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "mesh/mesh.hpp"
#include "mesh/mesh_fixture.hpp"

namespace tivor::mesh_test {
namespace {

class AssemblyPool : public MeshTest {};

TEST_F(AssemblyPool, GluedMeshWithHangingNodesFitsAPoolBarelyLargerThanItsArrays) {
  // Two blocks glued along r = 1 with 20 and 30 divisions: nodes of each hang in the other's
  // edges, so elements and boundary elements are added while gluing.
  const std::string text = "ntel=2 m=3\n" + block(0, 0, 1, 1, 20, 20) + block(1, 0, 2, 1, 20, 30) +
                           "skl=1 m=-10 -10 10 10 scale=1 1 rzcor=0\n";
  data(text);
  ASSERT_EQ(mesh(*s), 0);
  ASSERT_GT(c().n2, 2 * 400 + 2 * 600) << "hanging nodes split elements";
  const Cmesh roomy = c();
  const Csize used = s->csize;
  const std::vector<int32_t> ints(s->km.begin() + 1, s->km.begin() + 1 + used.maxk);
  const std::vector<float> reals(s->a.begin() + 1, s->a.begin() + 1 + used.maxa);

  // The same mesh in a pool with just the boundary elements' count to spare, and in one a tenth
  // too small, which says so.
  for (const int32_t nk : {used.maxk + roomy.n3, used.maxk - used.maxk / 10}) {
    s = std::make_unique<Session>(host, kPoolReals, nk);
    console_install(*s);
    data(text);
    keys(2);
    const int rc = mesh(*s);
    if (nk < used.maxk) {
      EXPECT_EQ(rc, 1);
      EXPECT_NE(screen().find("newarr:not enouth memory for array :"), std::string::npos)
          << screen();
      continue;
    }
    ASSERT_EQ(rc, 0) << screen();
    EXPECT_EQ(s->csize.maxk, used.maxk);
    EXPECT_EQ(s->csize.maxa, used.maxa);
    EXPECT_EQ(c().jj1, roomy.jj1);
    EXPECT_EQ(c().jj2, roomy.jj2);
    EXPECT_EQ(c().n3, roomy.n3);
    EXPECT_TRUE(std::equal(ints.begin(), ints.end(), s->km.begin() + 1));
    EXPECT_TRUE(std::equal(reals.begin(), reals.end(), s->a.begin() + 1));
  }
}

}  // namespace
}  // namespace tivor::mesh_test

// Gluing needs no integer pool beyond the mesh it leaves (and one word per boundary element
// while the glue zones are read), and lays the arrays out as in a roomy pool.
#include <algorithm>

#include "mesh/mesh_fixture.hpp"

namespace tivor::mesh_test {
namespace {

TEST_F(MeshTest, GluedMeshWithHangingNodesFitsAPoolBarelyLargerThanItsArrays) {
  // 20 against 30 divisions along the common line: nodes hang in the other block's edges.
  const std::string text = "ntel=2 m=3\n" + block(0, 0, 1, 1, 20, 20) + block(1, 0, 2, 1, 20, 30) +
                           "skl=1 m=-10 -10 10 10 scale=1 1 rzcor=0\n";
  data(text);
  ASSERT_EQ(mesh(*s), 0);
  ASSERT_GT(c().n2, 2000) << "hanging nodes split elements";
  const int32_t maxk = s->csize.maxk;
  const std::vector<int32_t> roomy(s->km.begin() + 1, s->km.begin() + 1 + maxk);
  s = std::make_unique<Session>(host, kPoolReals, maxk + c().n3);
  console_install(*s);
  data(text);
  ASSERT_EQ(mesh(*s), 0) << screen();
  EXPECT_TRUE(s->csize.maxk == maxk && std::equal(roomy.begin(), roomy.end(), &s->km[1]));
}

}  // namespace
}  // namespace tivor::mesh_test

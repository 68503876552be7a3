// Nodal smoothing filters: the weight of each mode on a spike and on a linear strip, constant
// fields, independence of the node order in place, several fields at once from neighbour lists
// kept by the session, and the 3D star filter.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <thread>
#include <vector>

#include "kernel_session.hpp"
#include "kernels/kernels.hpp"

namespace tivor {
namespace {

using kernels_fixture::KernelSession;

class FilterTest : public KernelSession {
 protected:
  // A hexagon of six triangles round node 1 at the origin (nodes 2..7 on the unit circle), and
  // node 8 at (5, 5) in no element.
  void hexagon() {
    std::vector<std::pair<float, float>> nodes = {{0, 0}};
    std::vector<int32_t> tri;
    for (int k = 0; k < 6; ++k) {
      const double a = k * M_PI / 3;
      nodes.emplace_back(static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)));
      tri.insert(tri.end(), {1, 2 + k, 2 + (k + 1) % 6});
    }
    nodes.emplace_back(5, 5);
    mesh(nodes, 3, tri, {});
    arrays();
  }
  // A grid of nx by ny unit squares, in triangles or quadrilaterals; node (i, j) is number
  // 1 + (j (nx + 1) + i) * stride mod the node count, row by row for stride 1.
  void grid(int nx, int ny, int m, int stride = 1) {
    const int n = (nx + 1) * (ny + 1);
    const auto number = [&](int i, int j) { return 1 + (j * (nx + 1) + i) * stride % n; };
    std::vector<std::pair<float, float>> nodes(n);
    std::vector<int32_t> el;
    for (int j = 0; j <= ny; ++j) {
      for (int i = 0; i <= nx; ++i) {
        nodes[number(i, j) - 1] = {float(i), float(j)};
        if (i == nx || j == ny) continue;
        const int32_t a = number(i, j), b = number(i + 1, j), c = number(i + 1, j + 1),
                      d = number(i, j + 1);
        const std::vector<int32_t> cell =
            m == 3 ? std::vector{a, b, c, a, c, d} : std::vector{a, b, c, d};
        el.insert(el.end(), cell.begin(), cell.end());
      }
    }
    mesh(nodes, m, el, {});
    arrays();
  }
  void arrays() {
    const int n1 = s->cmesh.n1;
    f = real_array(n1), g = real_array(n1, -99), hi = real_array(n1), lo = real_array(n1);
  }
  void set(const std::vector<float>& v) {
    for (size_t i = 0; i < v.size(); ++i) s->a[f + 1 + i] = v[i];
  }
  std::vector<float> out() const { return reals_of(g, s->cmesh.n1); }

  int32_t f = 0, g = 0, hi = 0, lo = 0;
};

TEST_F(FilterTest, SpikeMovesTowardsItsNeighboursByTheModesWeight) {
  hexagon();
  std::vector<float> spike(8, 0);
  spike[0] = 1, spike[7] = 4;
  // Centre: neighbours all 0 (mid 0); ring nodes: neighbours 0 and 1 (mid 0.5).
  struct Case {
    int mode;
    float alpha, centre, ring;
  };
  for (const Case& c : {Case{1, 0.1f, 0.5f, 0.25f},      // sign change: weight 0.5 everywhere
                        Case{2, 0.1f, 0.75f, 0.125f},    // local extrema: weight 0.25
                        Case{3, 0.1f, 0.9f, 0.05f},      // alpha below 0.25
                        Case{3, 0.9f, 0.75f, 0.125f},    // alpha capped at 0.25
                        Case{4, 0.9f, 0.5f, 0.125f}}) {  // q^2 capped at 0.5; ring q^2 = 0.25
    set(spike);
    asgl1(*s, f, g, hi, lo, c.alpha, c.mode);
    const std::vector<float> v = out();
    EXPECT_FLOAT_EQ(v[0], c.centre) << c.mode << " " << c.alpha;
    for (int k = 1; k < 7; ++k) EXPECT_FLOAT_EQ(v[k], c.ring) << c.mode << " node " << k + 1;
    EXPECT_EQ(v[7], 4.0f) << c.mode;  // in no element
  }
  EXPECT_EQ(reals_of(hi, 8), (std::vector<float>{0, 1, 1, 1, 1, 1, 1, -1e18f}));
  EXPECT_EQ(reals_of(lo, 8), (std::vector<float>{0, 0, 0, 0, 0, 0, 0, 1e18f}));
  EXPECT_EQ(reals_of(f, 8), spike);  // out of place: f stays
}

TEST_F(FilterTest, OscillationModeKeepsAlphaWhereTheSecondDifferenceKeepsItsSign) {
  // f = r on a strip of 3 cells: inside, the midpoint of the neighbours is the value itself;
  // at the left end (second difference > 0, neighbours' second differences 0) the weight stays
  // alpha, and so it does at the right end (< 0).
  grid(3, 1, 3);
  for (int mode : {1, 0, 9}) {
    set({0, 1, 2, 3, 0, 1, 2, 3});
    asgl1(*s, f, g, hi, lo, 0.2f, mode);
    expect_near(out(), {0.1, 1, 2, 2.9, 0.1, 1, 2, 2.9});
  }
}

TEST_F(FilterTest, OscillationModeWritesNothingOnQuadrilaterals) {
  grid(2, 1, 4);
  set({0, 5, 0, 1, 0, 1});
  asgl1(*s, f, g, hi, lo, 0.3f, 1);
  EXPECT_EQ(out(), std::vector<float>(6, -99));
  // The neighbour ranges are still there.
  EXPECT_EQ((std::array{s->a[hi + 2], s->a[lo + 2]}), (std::array{1.0f, 0.0f}));
  asgl1(*s, f, f, hi, lo, 0.3f, 1);
  EXPECT_EQ(reals_of(f, 6), (std::vector<float>{0, 5, 0, 1, 0, 1}));
}

TEST_F(FilterTest, InPlaceEqualsOutOfPlaceWhateverTheNodeOrderAndConstantsStay) {
  for (int m : {3, 4}) {
    grid(4, 4, m, 7);  // a rough field on scrambled nodes
    const int n1 = s->cmesh.n1;
    std::vector<float> start(n1);
    for (int i = 0; i < n1; ++i) start[i] = std::sin(3.7f * (i + 1)) * ((i + 1) % 3 == 0 ? 5 : 1);
    for (int mode : {1, 2, 3, 4, 0}) {
      set(std::vector<float>(n1, 2.5f));
      asgl1(*s, f, f, hi, lo, 0.4f, mode);
      EXPECT_EQ(reals_of(f, n1), std::vector<float>(n1, 2.5f)) << m << mode;
      if (mode == 0 || (m == 4 && mode == 1)) continue;
      set(start);
      asgl1(*s, f, g, hi, lo, 0.3f, mode);
      const std::vector<float> apart = out();
      asgl1(*s, f, f, hi, lo, 0.3f, mode);
      EXPECT_EQ(reals_of(f, n1), apart) << m << " mode " << mode;
      EXPECT_NE(apart, start) << m << " mode " << mode;
    }
  }
}

TEST_F(FilterTest, ManyFieldsAtOnceMatchOneByOneAlsoAfterTheMeshChangesInPlace) {
  // Grids of triangles and quadrilaterals, and the hexagon with a node of no element (the node
  // moves to another batch of four when the mesh is renumbered); fields in groups of 8 and 2
  // (a solid's), and of 8 and 1.
  for (int shape : {3, 4, 0}) {
    const int m = shape == 0 ? 3 : shape;
    if (shape == 0) {
      hexagon();
    } else {
      grid(4, 4, m);
    }
    const int n1 = s->cmesh.n1;
    const int count = shape == 0 ? 9 : 10;
    std::vector<int32_t> fields;
    for (int k = 0; k < count; ++k) fields.push_back(real_array(n1));
    for (int round = 0; round < 2; ++round) {
      if (round == 1) {  // the same words renumbered: kept neighbour lists would be stale
        int32_t* conn = &s->km[s->cmesh.jj1 + 1];
        for (int k = 0; k < m * s->cmesh.n2; ++k) conn[k] = 1 + (conn[k] - 1) * 7 % n1;
      }
      for (int mode : {2, 3, 4}) {
        std::vector<std::vector<float>> want;
        for (int k = 0; k < count; ++k) {
          for (int i = 0; i < n1; ++i) s->a[fields[k] + 1 + i] = std::sin(1.3f * (i + 1) * (k + 1));
          asgl1(*s, fields[k], g, hi, lo, 0.3f, mode);
          want.push_back(out());
        }
        asgl1_fields(*s, node_neighbours(*s), fields, 0.3f, mode);
        // The same formula node by node: the same bits.
        for (int k = 0; k < count; ++k) EXPECT_EQ(reals_of(fields[k], n1), want[k]) << k;
      }
    }
  }
}

TEST_F(FilterTest, NeighbourListsBelongToTheSessionWhateverTheThread) {
  grid(3, 2, 4);
  Session before(*s);  // the 12-node grid; a copy starts without lists
  grid(2, 2, 3);       // new arrays of 9 nodes in s
  const NodeNeighbours& mine = node_neighbours(*s);
  const NodeNeighbours* seen_elsewhere = nullptr;
  std::thread([&] { seen_elsewhere = &node_neighbours(*s); }).join();
  EXPECT_EQ(seen_elsewhere, &mine);  // kept, not built again for another thread
  const NodeNeighbours& theirs = node_neighbours(before);
  EXPECT_NE(&theirs, &mine);
  EXPECT_EQ(theirs.n1, 12);
  EXPECT_EQ(mine.n1, 9);
}

TEST_F(FilterTest, ScratchBeyondThePoolIsRefused) {
  hexagon();
  set({1, 0, 0, 0, 0, 0, 0, 0});
  s->csize.maxa = s->csize.na - 10;  // 16 scratch words needed
  host.spare_enters = 2;
  asgl1(*s, f, g, hi, lo, 0.3f, 3);
  EXPECT_TRUE(flag_tst(*s) && seen("increase common/a/ up to"));
  EXPECT_EQ(out(), std::vector<float>(8, -99));
}

TEST_F(FilterTest, StarFilterUsesTheSixNeighboursAndTheTimeStep) {
  // Three 3D nodes in a row: each star holds the row neighbours, itself where there is none.
  s->cmesh = Cmesh{};
  s->cmesh.m = 4, s->cmesh.nuz3 = 3;
  s->cmesh.jstar = int_array({1, 2, 1, 1, 1, 1, 1, 3, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3});
  f = real_array({0, 1, 0}), g = real_array(3, -99);
  const int32_t a = real_array({1, 0.01f, 1});
  s->cht.ht = 0.1f;
  asgl94(*s, f, g, a, 0.2f);
  // Node 2 (range 0..1, a / dt < 0.5): weight 0.5. Nodes 1 and 3 (range 0..1): weight 0.2.
  EXPECT_EQ(reals_of(g, 3), (std::vector<float>{0.1f, 0.75f, 0.1f}));
  asgl94(*s, f, f, a, 0.2f);  // in place: the same
  EXPECT_EQ(reals_of(f, 3), (std::vector<float>{0.1f, 0.75f, 0.1f}));

  s->cmesh.m = 3;  // prisms have no star
  host.press(' ');
  asgl94(*s, f, g, a, 0.2f);
  EXPECT_TRUE(flag_tst(*s));
}

}  // namespace
}  // namespace tivor

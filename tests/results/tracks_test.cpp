// The tracks: the marker step in fields known in closed form (uniform, linear), the stop at the
// mesh's edge, and whole runs: Esc, the arrow keys, the end once nothing moves, a rotating field.

#include <cmath>
#include <functional>

#include "mesh/locate.hpp"
#include "results/pictures.hpp"
#include "results/results_fixture.hpp"

namespace tivor::results_test {
namespace {

class TracksTest : public ResultsTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(prepare(kSquare));
    // Unless a test says otherwise: a uniform flow of 1 along r.
    field([](double, double) { return 1.0; }, [](double, double) { return 0.0; });
    host.on_poll = [this] {
      ++polls;
      if (polls == esc_at || polls > kPollLimit) {
        host.polled.push_back(key::kEsc);
      } else if (arrow != 0) {
        host.polled.push_back(arrow);
      }
    };
  }

  // The velocity field (vr, vz) at the nodes.
  void field(const std::function<double(double, double)>& vr,
             const std::function<double(double, double)>& vz) {
    const Cmesh& c = s->cmesh;
    const float* rz = reals(*s, c.jrz);
    for (int32_t i = 0; i < c.n1; ++i) {
      reals(*s, c.jdcr[0])[i] = static_cast<float>(vr(rz[2 * i], rz[2 * i + 1]));
      reals(*s, c.jdcr[1])[i] = static_cast<float>(vz(rz[2 * i], rz[2 * i + 1]));
    }
  }

  // Points of the track colours in the plot region.
  int track_points() const {
    const int32_t* r = s->grf.reg_pix;  // x min, x max, y min, y max
    int n = 0;
    for (int c : {9, 10, 11, 13, 14}) n += count(r[0], r[2], r[1], r[3], c);
    return n;
  }

  static constexpr int kPollLimit = 5000;
  int polls = 0;
  int esc_at = 0;  // the poll that sees Esc (0: none)
  int arrow = 0;   // the key every other poll sees
};

TEST_F(TracksTest, MarkerStepsInFieldsKnownInClosedForm) {
  // A uniform field: v dt per step.
  field([](double, double) { return 0.3; }, [](double, double) { return -0.2; });
  std::vector<TrackMarker> m(1);
  m[0].r = 0.5, m[0].z = 0.5;
  {
    const MeshLocator locator(*s);
    EXPECT_NEAR(track_step(*s, locator, m, 0.1), std::hypot(0.03, 0.02), 1e-6);
    static_cast<void>(track_step(*s, locator, m, 0.1));
    EXPECT_NEAR(m[0].r, 0.56, 1e-6);
    EXPECT_NEAR(m[0].z, 0.46, 1e-6);
  }
  // dr/dt = r: a step multiplies r by 1 + dt + dt^2 / 2 (Euler would give 1 + dt).
  field([](double r, double) { return r; }, [](double, double) { return 0.0; });
  m[0].r = 0.4, m[0].z = 0.3;
  static_cast<void>(track_step(*s, MeshLocator(*s), m, 0.1));
  EXPECT_NEAR(m[0].r, 0.4 * 1.105, 1e-6);
  EXPECT_NEAR(m[0].z, 0.3, 1e-7);
}

TEST_F(TracksTest, MarkerLeavingTheMeshStopsAtItsEdge) {
  const MeshLocator locator(*s);
  std::vector<TrackMarker> m(2);
  m[0].r = 0.95, m[0].z = 0.3;
  m[1].r = 1.5, m[1].z = 0.5;  // outside from the start
  // The edge is found to within the locator's boundary tolerance, 1e-5 of the mesh's diagonal.
  EXPECT_NEAR(track_step(*s, locator, m, 0.2), 0.05, 3e-5);
  EXPECT_NEAR(m[0].r, 1.0, 3e-5);
  EXPECT_TRUE(!m[0].moving && !m[1].moving && m[1].r == 1.5);
  EXPECT_EQ(track_step(*s, locator, m, 0.2), 0.0);
}

TEST_F(TracksTest, EscStopsAndTheArrowsChangeTheIncrement) {
  const auto run = [&](int key) {
    polls = 0, esc_at = 5;
    arrow = key;
    track2(*s);
    EXPECT_EQ((std::array{polls, s->cgout.igout[2]}), (std::array{5, 0}));  // screen output off
    return track_points();
  };
  const int plain = run(0);
  const std::vector<uint8_t> picture = s->frame.raster;
  // Four Left arrows: never below the starting increment.
  EXPECT_TRUE(run(key::kLeft) == plain && s->frame.raster == picture);
  // Four Right arrows: 1 + 2 + 3 + 4 + 5 increments instead of 5, longer tracks.
  EXPECT_GT(run(key::kRight), plain + plain / 4);
}

TEST_F(TracksTest, RunEndsWhenEveryMarkerHasLeftOrNothingMoves) {
  track2(*s);
  EXPECT_TRUE(polls > 100 && polls < 600) << polls;
  // The tracks reach the right edge of the mesh.
  int x = 0, y = 0;
  tmp1(*s, 0.99f, 0.5f, x, y);
  EXPECT_GT(count(x - 2, y - 100, x, y + 100, 14) + count(x - 2, y - 100, x, y + 100, 11), 4);

  polls = 0;
  field([](double, double) { return 0.0; }, [](double, double) { return 0.0; });
  track2(*s);
  EXPECT_EQ(polls, 0);

  // Without a prepared task there is nothing to move: the mesh is shown.
  s->cht.itask = 0;
  track2(*s);
  EXPECT_EQ((std::array{polls, track_points()}), (std::array{0, 0}));
}

TEST_F(TracksTest, RotatingFieldPicture) {
  field([](double, double z) { return -(z - 0.5); }, [](double r, double) { return r - 0.5; });
  esc_at = 700;
  track2(*s);
  EXPECT_TRUE(polls == 700 && track_points() > 3000) << polls;
}

}  // namespace
}  // namespace tivor::results_test

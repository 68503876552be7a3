// A session for the results viewer tests: a scripted host, the console and the graphics library
// up, a fresh temporary working directory, a prepared diffusion task on a small mesh (the square
// of the samples with 8 x 8 cells, or two glued subregions), the view settings at their
// documented defaults, helpers to choose menu items and to look at the raster and the text screen.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "classes/dif/dif.hpp"
#include "console/console.hpp"
#include "core/pool.hpp"
#include "gfx/gfx.hpp"
#include "reader/reader.hpp"
#include "results/results.hpp"
#include "support/prepare_task.hpp"
#include "support/screen_text.hpp"
#include "support/test_host.hpp"
#include "support/work_dir.hpp"

namespace tivor::results_test {

// The unit square with 8 x 8 cells (128 triangles, 81 nodes): c1 held at 1 on r = 0, starting
// from 0; a time step of 0.005; two history graphs of c1 at (0.25, 0.5) and (0.75, 0.5).
inline constexpr const char* kSquare = R"(ntel=1 m=3
tipm=2
rz=0 0  0 .5  0 1  .5 1  1 1  1 .5  1 0  .5 0
nksi=8 neta=8
turn=0 0 0 0 0 nyt=0 rzcor=0
skl=0 scale=1 1 rzcor=0
symmetry=0 concent1=1 concent2=0
conc1=1
m=0 0 0 1 1 1
conc2=0
f0=0 0
diffc=1 0 0 1
fc1=0 fc2=0 cur=-0.005 bet=0 sgl=0 0 0 initc=0
nthist=100 nhist=2
f=1 x=0.25 y=0.5
f=1 x=0.75 y=0.5
)";

// Two glued subregions 0 <= r <= 1 (d = 1, c1 = 0.5) and 1 <= r <= 2 (d = 0.1, c1 = 0) of 6 x 6
// cells each; c1 held at 1 on r = 0 and at 0 on r = 2; one history graph at (1, 0.5).
inline constexpr const char* kTwoRegions = R"(ntel=2 m=3
tipm=2
rz=0 0  0 .5  0 1  .5 1  1 1  1 .5  1 0  .5 0
nksi=6 neta=6
turn=0 0 0 0 0 nyt=0 rzcor=0
tipm=2
rz=1 0  1 .5  1 1  1.5 1  2 1  2 .5  2 0  1.5 0
nksi=6 neta=6
turn=0 0 0 0 0 nyt=0 rzcor=0
skl=1
m=0 0 2 1
scale=1 1 rzcor=0
symmetry=0 concent1=1 concent2=0
conc1=2
m=0 0 0 1 1 1
m=2 0 2 1 0 0
conc2=0
f0=0.5 0
diffc=1 0 0 1
f0=0 0
diffc=0.1 0 0 1
fc1=0 fc2=0 cur=-0.02 bet=0 sgl=0 0 0 initc=0
nthist=200 nhist=1
f=1 x=1 y=0.5
)";

// The viewer's defaults (TERMI on a session without a mesh), with the colours 1..15 repeated so
// that pictures can be read by colour number, no speed mode chosen yet, a film frame every step
// and the mesh as the current picture.
inline void view_defaults(Session& s) {
  s.cterm = Cterm{};
  termi(s);
  Cterm& t = s.cterm;
  for (int k = 0; k < 95; ++k) t.icolor[k] = 1 + k % 15;
  t.ispeed = 0;
  t.np = 1;
  t.ipc = 3;
}

class ResultsTest : public ::testing::Test {
 protected:
  ResultsTest() { fresh(); }

  // A new session on the same host, with the graphics library started as the viewer starts it.
  void fresh() {
    s = std::make_unique<Session>(host);
    console_install(*s);
    int unit = kKeyboardUnit;
    EXPECT_EQ(readfrom(*s, unit, "keyboard"), 0);
    dinit1(*s, "tivor", 0.8f, 0.8f);
    view_defaults(*s);
  }

  // Prepares the task from the data text as the shell does (the class reads its data and makes
  // its first step) and leaves the input at the keyboard. True when the task is prepared.
  bool prepare(const std::string& text) {
    return test::prepare_like_shell(*s, text, [&] {
      host.spare_enters = 8;  // the pauses of the first step
      dim1(*s, 1);
      host.spare_enters = 0;
    });
  }

  // "go" with n more steps.
  void run(int n) {
    s->cht.isp = s->cht.is + n;
    dim1(*s, 1);
    s->cht.isp = s->cht.is;
  }

  // The raster point (x, y), 1-based.
  int at(int x, int y) const { return s->frame.raster[(x - 1) + (y - 1) * kCanvasW]; }
  // Raster points of colour c (any colour but 0 when c < 0) in the rectangle x1..x2, y1..y2.
  int count(int x1, int y1, int x2, int y2, int c = -1) const {
    int n = 0;
    for (int y = y1; y <= y2; ++y) {
      for (int x = x1; x <= x2; ++x) {
        const int v = at(x, y);
        n += c < 0 ? (v != 0) : (v == c);
      }
    }
    return n;
  }
  int count_all(int c = -1) const { return count(1, 1, kCanvasW, kCanvasH, c); }

  void press(std::initializer_list<int> keys) {
    for (int k : keys) host.press(k);
  }
  // Chooses item k of the menu on the screen (Home, k - 1 times Down, Enter), then answers the
  // prompt it opens with the line when one is given.
  void item(int k, const char* line = nullptr) {
    host.press(key::kHome);
    for (int i = 1; i < k; ++i) host.press(key::kDown);
    host.press(key::kEnter);
    if (line != nullptr) host.line(line);
  }
  // Keeps the text screen at every key wait from now on.
  void record_screens() {
    host.on_wait = [this](int) { screens.push_back(test::screen_text(*s)); };
  }
  bool seen(std::string_view text) const { return test::seen_on(screens, *s, text); }
  // The screens kept that show the text.
  int times_seen(std::string_view text) const {
    return static_cast<int>(std::count_if(screens.begin(), screens.end(), [&](const auto& sc) {
      return sc.find(text) != std::string::npos;
    }));
  }
  // The first screen kept that shows the text ("" when none did).
  std::string screen_with(std::string_view text) const {
    for (const std::string& sc : screens) {
      if (sc.find(text) != std::string::npos) return sc;
    }
    return {};
  }

  test::WorkDir dir;
  test::TestHost host;
  std::unique_ptr<Session> s;
  std::vector<std::string> screens;
};

}  // namespace tivor::results_test

// A session for the results viewer tests: a scripted host, the console and the graphics library
// up, a fresh temporary working directory, a prepared diffusion task on a small mesh (the square
// of the samples with 8 x 8 cells, or two glued subregions), the view settings at their
// documented defaults, helpers to choose menu items and to look at the raster and the text screen.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
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

// A sample data file of examples/dif with some of its texts replaced.
inline std::string sample(const char* name,
                          std::initializer_list<std::pair<const char*, const char*>> edits = {}) {
  std::ifstream in(std::string(TIVOR_SOURCE_DIR) + "/examples/dif/" + name + ".dif");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const auto& [from, to] : edits) text.replace(text.find(from), std::strlen(from), to);
  return text;
}

// The unit square with 8 x 8 cells (128 triangles, 81 nodes): c1 held at 1 on r = 0, starting
// from 0; a time step of 0.005; two history graphs of c1 at (0.25, 0.5) and (0.75, 0.5).
inline const std::string kSquare = sample("square", {{"nksi=16", "nksi=8"}, {"neta=16", "neta=8"}});
// Two glued subregions 0 <= r <= 1 (d = 1, c1 = 0.5) and 1 <= r <= 2 (d = 0.1, c1 = 0) of 10 x 10
// cells each; c1 held at 1 on r = 0 and at 0 on r = 2; one history graph at (1, 0.5).
inline const std::string kTwoRegions = sample("two_regions");

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
    // The viewer's defaults (TERMI on a session without a mesh), with the colours 1..15 repeated
    // so that pictures can be read by colour number, no speed mode chosen yet, a film frame every
    // step and the mesh as the current picture.
    Cterm& t = s->cterm;
    t = Cterm{};
    termi(*s);
    for (int k = 0; k < 95; ++k) t.icolor[k] = 1 + k % 15;
    t.ispeed = 0, t.np = 1, t.ipc = 3;
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

// A session for the graphics tests on the scripted test host (a display larger than the canvas,
// no input), recording the messages shown through the pause upcall.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/session.hpp"
#include "gfx/gfx.hpp"
#include "support/test_host.hpp"

namespace tivor::test {

struct GfxSession {
  TestHost host;
  std::unique_ptr<Session> s = std::make_unique<Session>(host);
  std::vector<std::string> messages;
  GfxSession() {
    host.display_w = 1280;
    host.display_h = 700;
    s->up.pause = [this](std::string_view m) { messages.emplace_back(m); };
  }
  // Raster points of a colour inside the rectangle x1..x2, y1..y2 (1-based, inclusive).
  int count(int colour, int x1 = 1, int y1 = 1, int x2 = kCanvasW, int y2 = kCanvasH) {
    int n = 0;
    for (int y = y1; y <= y2; ++y) {
      for (int x = x1; x <= x2; ++x) n += s->frame.at(x, y) == colour;
    }
    return n;
  }
  int lit() { return kCanvasW * kCanvasH - count(0); }
  // Window pixels of a screen colour.
  long screen_count(int colour) {
    return std::count(host.surface().pixels.begin(), host.surface().pixels.end(), colour);
  }
};

// The graphics library started on a fresh session, as every graphics test begins.
struct GfxTest : ::testing::Test {
  GfxSession t;
  Session& s = *t.s;
  void SetUp() override { dinit1(s, "tivor", 0.6f, 0.6f); }
};

// The four words of a rectangle field of the graphics state.
inline std::array<int, 4> four(const int32_t* p) {
  return {p[0], p[1], p[2], p[3]};
}
using Four = std::array<int, 4>;

}  // namespace tivor::test

// One session for all fuzz inputs (the pools are large; building them for every input would
// make fuzzing crawl), with the console and the graphics set up as at start-up. Every blocking
// wait is answered with Enter, so a reader that reports an error and waits goes on without a
// script; the budget ends a reader that keeps asking, which would loop for ever on Enter.
#pragma once

#include <memory>

#include "console/console.hpp"
#include "gfx/gfx.hpp"
#include "support/test_host.hpp"

namespace tivor::fuzz {

inline Session& fuzz_session() {
  static test::TestHost host;
  static std::unique_ptr<Session> s = [] {
    auto made = std::make_unique<Session>(host);
    console_install(*made);
    dinit1(*made, "fuzz", 0.6f, 0.6f);
    return made;
  }();
  host.waits = 0;
  host.spare_enters = 10000;
  return *s;
}

}  // namespace tivor::fuzz

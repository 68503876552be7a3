// One session for all fuzz inputs (the pools are large; building them for every input would
// make fuzzing crawl), with the console and the graphics set up as at start-up.
#pragma once

#include <memory>

#include "console/console.hpp"
#include "fuzz/fuzz_host.hpp"
#include "gfx/gfx.hpp"

namespace tivor::fuzz {

inline Session& fuzz_session() {
  static FuzzHost host;
  static std::unique_ptr<Session> s = [] {
    auto made = std::make_unique<Session>(host);
    console_install(*made);
    dinit1(*made, "fuzz", 0.6f, 0.6f);
    return made;
  }();
  host.reset();
  return *s;
}

}  // namespace tivor::fuzz

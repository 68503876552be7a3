// One session for all fuzz inputs (the pools are large; building them for every input would
// make fuzzing crawl), with the console and the graphics set up as at start-up. Every blocking
// wait is answered with Enter, so a reader that reports an error and waits goes on without a
// script; the budget ends a reader that keeps asking, which would loop for ever on Enter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "console/console.hpp"
#include "gfx/gfx.hpp"
#include "reader/reader.hpp"
#include "support/test_host.hpp"

namespace tivor::fuzz {

inline Session& fuzz_session() {
  static test::TestHost host;
  static std::unique_ptr<Session> s = [] {
    auto made = std::make_unique<Session>(host);
    console_install(*made);
    dinit1(*made, "fuzz", 0.6f, 0.6f);
    // The targets try readers, not solvers: no step starts the multigrid's message-passing layer,
    // whose memory lives to the end of the process.
    made->solver = SolverChoice::jacobi;
    return made;
  }();
  host.waits = 0;
  host.spare_enters = 10000;
  return *s;
}

// The bytes as the keyword reader's input file, and the keyboard again afterwards.
inline void read_from(Session& s, const uint8_t* data, size_t size) {
  s.astime.bytes.assign(data, data + size);
  s.astime.pos = 0;
  s.astime.handle = 30;
  readin(s, 1, "&", 30, 0);
  flag_off(s);
}
inline void read_from_keyboard(Session& s) {
  readin(s, 0, "&", kKeyboardUnit, 1);
  s.astime.bytes.clear();
  flag_off(s);
}

}  // namespace tivor::fuzz

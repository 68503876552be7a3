// A class's data file through the preparation the shell runs, then, when it prepared, a few time
// steps of the class's first method. The work per input is bounded: the pools are cut to a size
// that keeps meshes small, and after a budget of keyboard polls every poll sees Esc, which stops
// the generators' iterations and the solvers. The generators' scratch files go to the working
// directory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/session.hpp"
#include "fuzz/fuzz_session.hpp"

namespace tivor::fuzz {

inline void prepare_and_step(const uint8_t* data, size_t size, void (*manager)(Session&, int),
                             int steps) {
  constexpr int32_t kReals = 60000;  // about a thousand nodes for the class and its work arrays
  constexpr int32_t kInts = 30000;
  constexpr int kPolls = 1000;
  Session& s = fuzz_session();
  auto& host = *static_cast<test::TestHost*>(s.host);
  host.spare_enters = 500;
  int polls = 0;
  host.on_poll = [&] {
    if (++polls > kPolls) host.polled.push_back(key::kEsc);
  };
  read_from(s, data, size);
  s.csize = Csize{kReals, kInts, 0, 0};
  s.cht = Cht{};
  s.cmesh = Cmesh{};
  try {
    manager(s, 1);
    if (steps > 0 && !flag_tst(s)) {
      s.cht.itask = kTaskPrepared;
      s.cht.isp = s.cht.is + steps;
      manager(s, 1);
    }
  } catch (const ProgramStop&) {
  }
  host.on_poll = nullptr;
  host.polled.clear();
  read_from_keyboard(s);
}

}  // namespace tivor::fuzz

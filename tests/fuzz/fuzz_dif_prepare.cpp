// Feeds arbitrary bytes to the diffusion class as its data file and prepares the task the way
// the shell does: the mesh generators and their keywords, the boundary conditions, the initial
// field, the first step and the history set-up. The work per input is bounded: the pools are
// cut to a size that keeps meshes small, and after a budget of keyboard polls every poll sees
// Esc, which stops the generators' iterations and the solvers. The generators' scratch files
// go to the working directory.
#include <cstddef>
#include <cstdint>

#include "classes/dif/dif.hpp"
#include "core/session.hpp"
#include "fuzz/fuzz_session.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tivor;
  constexpr int32_t kReals = 60000;  // about a thousand nodes for the class and its work arrays
  constexpr int32_t kInts = 30000;
  constexpr int kPolls = 1000;
  Session& s = fuzz::fuzz_session();
  auto& host = *static_cast<test::TestHost*>(s.host);
  host.spare_enters = 500;
  int polls = 0;
  host.on_poll = [&] {
    if (++polls > kPolls) host.polled.push_back(key::kEsc);
  };
  fuzz::read_from(s, data, size);
  s.csize = Csize{kReals, kInts, 0, 0};
  s.cht = Cht{};
  s.cmesh = Cmesh{};
  try {
    dim1(s, 1);
  } catch (const ProgramStop&) {
  }
  host.on_poll = nullptr;
  host.polled.clear();
  fuzz::read_from_keyboard(s);
  return 0;
}

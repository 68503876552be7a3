// Feeds arbitrary bytes to the state-buffer loader: it must refuse what does not add up and
// never read or write outside the pools and records.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/fuzz_session.hpp"
#include "shell/state_buffer.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tivor;
  Session& s = fuzz::fuzz_session();
  s.csize = Csize{kPoolReals, kPoolInts, 0, 0};
  static_cast<void>(load_state_buffer(s, std::span<const uint8_t>(data, size)));
  return 0;
}

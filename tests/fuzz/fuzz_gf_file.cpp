// Feeds arbitrary bytes to the picture-file replay, as a whole file and scaled: it must end the
// picture at anything that does not add up and never read past the data or draw off the canvas.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/fuzz_session.hpp"
#include "gfx/gfx.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tivor;
  Session& s = fuzz::fuzz_session();
  const std::span<const uint8_t> file(data, size);
  static_cast<void>(gf_replay(s, file, 1.0f));
  static_cast<void>(gf_replay(s, file, 0.37f));
  return 0;
}

// Feeds arbitrary bytes to the diffusion class as its data file and prepares the task the way
// the shell does: the mesh generators and their keywords, the boundary conditions, the initial
// field, the first step and the history set-up.
#include <cstddef>
#include <cstdint>

#include "classes/dif/dif.hpp"
#include "fuzz/fuzz_prepare.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tivor::fuzz::prepare_and_step(data, size, tivor::dim1, 0);
  return 0;
}

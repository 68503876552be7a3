// Feeds arbitrary bytes to the gas-flow class as its data file, prepares the task the way the
// shell does (mesh, gas zones, boundary conditions, the history set-up) and runs three steps of
// the Euler scheme.
#include <cstddef>
#include <cstdint>

#include "classes/gs/gs.hpp"
#include "fuzz/fuzz_prepare.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tivor::fuzz::prepare_and_step(data, size, tivor::gsm, 3);
  return 0;
}

// Feeds arbitrary bytes to the solids class as its data file, prepares the task the way the shell
// does (mesh, materials, loads, contact, the history set-up) and runs three explicit steps.
#include <cstddef>
#include <cstdint>

#include "classes/sol/sol.hpp"
#include "fuzz/fuzz_prepare.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tivor::fuzz::prepare_and_step(data, size, tivor::som, 3);
  return 0;
}

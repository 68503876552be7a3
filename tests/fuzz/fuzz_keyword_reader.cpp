// Feeds arbitrary bytes to the keyword reader as a data file and reads them with every kind of
// request until the reader reports an error or the file ends.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_session.hpp"
#include "reader/reader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tivor;
  Session& s = fuzz::fuzz_session();
  fuzz::read_from(s, data, size);
  try {
    for (int request = 0; request < 64 && !flag_tst(s); ++request) {
      int32_t ints[8] = {};
      float reals[8] = {};
      int n = request % 5 == 2 ? 0 : 1 + request % 3;
      std::string name;
      int len = 0;
      const int status = request % 5 == 0   ? readr(s, "value", reals, n, "cur", 0)
                         : request % 5 == 1 ? readi(s, "count", ints, n, "n", 2)
                         : request % 5 == 2 ? readr(s, "list", reals, n, "f", -1, 8)
                         : request % 5 == 3 ? readi(s, "optional", ints, n, "opt", 1)
                                            : (readname(s, name, 16, len, "name"), 0);
      if (status != 0) break;
    }
  } catch (const ProgramStop&) {
  }
  fuzz::read_from_keyboard(s);
  return 0;
}

// Feeds arbitrary bytes to the readers of window files, as a saved window restored over the
// screen and as a pixel block put back into two rectangles: a file whose sizes disagree with its
// contents must be ignored, never drawn past its end or outside the screen.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "console/console.hpp"
#include "fuzz/fuzz_session.hpp"
#include "host/test_dir.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tivor;
  Session& s = fuzz::fuzz_session();
  static const TestDir dir;
  static const std::string file = dir.file("window");
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  restwin(s, 1, 1, 80, 25, file);
  winfile(s, 1, 1, 16, 2, 1, file);
  winfile(s, 640, 350, 600, 300, 2, file);  // mode 2 also removes the file
  return 0;
}

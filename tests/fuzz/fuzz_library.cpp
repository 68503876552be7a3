// Feeds arbitrary bytes to the library reader: records whose lengths disagree, images larger than
// the buffer or data that ends early must end reading, never read past the data.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "librarian/librarian.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tivor;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  const Directory d = read_directory(in, 1000);
  // Every frame read must be whole: header, image and both lengths inside the data.
  size_t bytes = 0;
  for (const FrameHeader& h : d.heads) bytes += 52 + static_cast<size_t>(h.size);
  if (bytes > size || (d.heads.size() < 1000 && !d.damaged && bytes != size)) __builtin_trap();
  return 0;
}

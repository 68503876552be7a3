// Feeds arbitrary bytes to the library readers: records whose lengths disagree, images larger than
// the buffer or data that ends early must end reading, never read past the data; the whole-file
// reader that guards changes passes exactly the files of whole records.
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
  const LibraryFile lib = parse_library(std::vector<uint8_t>(data, data + size));
  if (d.heads.size() < 1000 && (lib.bad == 0) != (!d.damaged && lib.heads.size() == d.heads.size()))
    __builtin_trap();
  return 0;
}

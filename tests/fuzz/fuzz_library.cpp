// Feeds arbitrary bytes to the library reader: records whose lengths disagree, images larger than
// the buffer or data that ends early must end reading, never read past the data.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "librarian/librarian.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tivor;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  const Directory d = read_directory(in, 1000);
  // Every frame read must be whole: header, image and both lengths inside the data.
  size_t bytes = 0;
  for (const FrameHeader& h : d.heads) bytes += 52 + static_cast<size_t>(h.size);
  if (bytes > size || (d.heads.size() < 1000 && !d.damaged && bytes != size)) __builtin_trap();
  // The whole-file reader that guards changes: a file it passes is whole records end to end.
  const LibraryFile lib = parse_library(std::vector<uint8_t>(data, data + size));
  size_t end = 0;
  for (size_t i = 0; i < lib.heads.size(); ++i) {
    if (lib.starts[i] != end || lib.image(i).data() != lib.bytes.data() + end + 48)
      __builtin_trap();
    end += 52 + static_cast<size_t>(lib.heads[i].size);
  }
  if (end > size || (lib.bad == 0) != (end == size)) __builtin_trap();
  return 0;
}

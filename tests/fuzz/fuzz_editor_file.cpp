// Opens arbitrary bytes as a file in the built-in editor and saves it unedited: the file must
// come back byte for byte, whatever its line ends, long lines or control characters.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "console/text_editor.hpp"
#include "fuzz/fuzz_session.hpp"
#include "host/test_dir.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tivor;
  Session& s = fuzz::fuzz_session();
  auto& host = *static_cast<test::TestHost*>(s.host);
  static const TestDir scratch;  // a directory of its own for the file
  const std::string file = scratch.file("data.dat");
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;

  // The first byte also sets the room of the buffer, so files that do not fit are tried too.
  const int maxlines = 1 + (size > 0 ? data[0] % 40 : 0);
  std::vector<std::string> lines;
  int nlines = 0;
  host.events.clear();
  host.spare_enters = 0;
  host.press(key::kF2);
  host.press(key::kEsc);
  try {
    beg(s, lines, maxlines, nlines, 1, file, "absent.hlp");
  } catch (const ProgramStop&) {
    __builtin_trap();  // still waiting: the editor took the file as changed
  }
  if (nlines < 1 || nlines > maxlines) __builtin_trap();
  for (int i = 0; i < nlines; ++i) {
    if (lines[static_cast<size_t>(i)].size() != 80) __builtin_trap();
  }
  std::ifstream in(file, std::ios::binary);
  const std::string saved{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (saved != bytes) __builtin_trap();
  return 0;
}

// Feeds arbitrary bytes to the page-image decoder, as a page file and as a bare image drawn at
// the canvas corner and scaled: every run must land inside its box.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/fuzz_session.hpp"
#include "gfx/gfx.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tivor;
  Session& s = fuzz::fuzz_session();
  const std::span<const uint8_t> bytes(data, size);
  static_cast<void>(put_page_file(s, bytes));
  p_putpca(s, 1, 1, 1, 1, kCanvasW, kCanvasH, bytes, 1.0f);
  p_putpca(s, 100, 40, 90, 30, 500, 300, bytes, 1.5f);
  return 0;
}

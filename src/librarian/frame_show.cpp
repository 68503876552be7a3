// Showing frames of the current library on the open page, one after another: a range asked for,
// or the whole library as a movie. Each frame stays at least one clock tick (1/18 second); a key
// stops the show. The host shows one display page, so the two alternating drawing pages of a
// double-buffered display come down to drawing each frame and presenting it.
#include <algorithm>
#include <fstream>

#include "console/console.hpp"
#include "gfx/gfx.hpp"
#include "librarian/internal.hpp"
#include "librarian/librarian.hpp"
#include "reader/reader.hpp"

namespace tivor {
namespace {

using namespace librarian_detail;

constexpr int kMostFrames = 1000;
constexpr double kTick = 1.0 / 18.0;

// Draws a frame on the open page: cleared, the image, the white frame of the page.
void show_frame(Session& s) {
  const int32_t* p = s.grf.page_pix;  // x min, x max, y min, y max
  p_rect(s, p[0], p[2], p[1], p[3], 1, 0);
  putkdr(s);
  pageborder(s);
  putgscr(s, p[0], p[2], p[1], p[3]);
}

}  // namespace

void apfile(Session& s, int mode) {
  Ckadr& k = s.frame.kadr;
  int first = 1, last = kMostFrames;
  if (mode == 1) {
    clswnd3(s);
    locate1(s, 1, 18);
    int32_t range[2] = {0, 0};
    int n = 2;
    if (readi(s, "show pictures:", range, n, "", 0) != 0 || range[0] < 1) return;
    first = std::clamp(static_cast<int>(range[0]), 1, std::max(k.nkadr, 1));
    last = std::clamp(static_cast<int>(range[1]), first, std::max(k.nkadr, 1));
  }
  std::ifstream in(library_file(s), std::ios::binary);
  FrameReader reader(in);
  FrameHeader head{};
  std::vector<uint8_t> image;
  const int drawing = s.grf.igcolor;
  for (int i = 1; i <= last && reader.next(head, image); ++i) {
    k.carried = head.carried;
    if (i < first) continue;
    std::copy(image.begin(), image.end(), k.image);
    k.image_size = static_cast<int32_t>(image.size());
    show_frame(s);
    s.host->present();
    if (s.host->timed_wait(kTick) || s.host->poll_key() != 0) break;
  }
  color(s, drawing);
  if (reader.damaged()) report(s, " read error");
}

}  // namespace tivor

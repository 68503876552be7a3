// The page of a picture file: every page begins by clearing its rectangle, a filled polygon of
// four corners in colour 0, which is the picture's first drawing record.
#include <algorithm>

#include "core/bytes.hpp"
#include "gfx/gf_format.hpp"
#include "gfx/gfx.hpp"
#include "librarian/gfview/gfview.hpp"

namespace tivor::gfview {

bool page_box(std::span<const uint8_t> picture, Box& box) {
  ByteReader in(picture);
  in.i32();
  // A clip rectangle may come first: it draws nothing.
  uint8_t kind = in.u8();
  for (; kind == gf::kClip && in.ok(); kind = in.u8()) in.bytes(8);
  if (kind != gf::kPolygon || in.i16() != 4) return false;
  int xs[4], ys[4];
  for (int k = 0; k < 4; ++k) {
    xs[k] = in.i16() / gf::kUnitsPerPoint;
    ys[k] = in.i16() / gf::kUnitsPerPoint;
  }
  if (!in.ok()) return false;
  box = {std::max(*std::min_element(xs, xs + 4), 1), std::max(*std::min_element(ys, ys + 4), 1),
         std::min(*std::max_element(xs, xs + 4), kCanvasW),
         std::min(*std::max_element(ys, ys + 4), kCanvasH)};
  // Only a rectangle along the axes is a page.
  for (int k = 0; k < 4; ++k) {
    if ((xs[k] != box.x1 && xs[k] != box.x2) || (ys[k] != box.y1 && ys[k] != box.y2)) return false;
  }
  return box.x1 < box.x2 && box.y1 < box.y2;
}

}  // namespace tivor::gfview

// Page images: a rectangle of the raster coded row by row into runs of equal colour. Positions
// count with a row stride of 640 whatever the width, and the column one past the coded part
// ends every row, so the first run of each row after the first also covers the rest of the row
// above; the decoder draws every run on the row of its last point.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "gfx/gfx.hpp"

namespace tivor {
namespace {

constexpr int kStride = kCanvasW;

// One decoded run: its length in positions and its colour; false at the end of the bytes or at
// a run cut short.
bool next_run(ByteReader& in, int64_t& len, int& colour) {
  const uint8_t b = in.u8();
  colour = b & 15;
  if (b >= 128) {
    len = (b - 128) / 16;
  } else if (b / 16 == 7) {
    len = in.u16();
  } else {
    len = (b / 16) * 256 + in.u8();
  }
  return in.ok();
}

}  // namespace

void code_run(ByteWriter& out, int l, int c) {
  c &= 15;
  if (l < 8) {
    out.u8(static_cast<uint8_t>(128 + 16 * l + c));
  } else if (l < 1792) {
    out.u8(static_cast<uint8_t>(16 * (l / 256) + c));
    out.u8(static_cast<uint8_t>(l % 256));
  } else {
    out.u8(static_cast<uint8_t>(112 + c));
    out.u16(static_cast<uint16_t>(l));
  }
}

int getpca(const Session& s, int ix1, int iy1, int ix2, int iy2, std::span<uint8_t> buf) {
  const int x1 = std::max(ix1, 1), y1 = std::max(iy1, 1);
  const int x2 = std::min(ix2, kCanvasW + 1), y2 = std::min(iy2, kCanvasH);
  if (x2 <= x1 || y2 < y1) return 0;
  const uint8_t* raster = s.frame.raster.data();
  std::vector<uint8_t> runs;
  runs.reserve(buf.size() + 3);
  ByteWriter out(runs);
  int64_t begun = 0;  // position where the current run began
  for (int y = y1; y <= y2; ++y) {
    const uint8_t* row = raster + (y - 1) * kCanvasW - 1;  // row[x] is point (x, y)
    const int64_t base = static_cast<int64_t>(y - y1) * kStride;
    uint8_t colour = row[x1];
    for (int x = x1 + 1; x <= x2; ++x) {
      if (x < x2 && row[x] == colour) continue;
      const int64_t end = base + (x - x1);
      code_run(out, static_cast<int>(end - begun), colour);
      if (runs.size() > buf.size()) return -1;
      begun = end;
      if (x < x2) colour = row[x];
    }
  }
  std::copy(runs.begin(), runs.end(), buf.begin());
  return static_cast<int>(runs.size());
}

void p_putpca(Session& s, int x0, int y0, int cx1, int cy1, int cx2, int cy2,
              std::span<const uint8_t> buf, float scale) {
  cx1 = std::max(cx1, 1);
  cy1 = std::max(cy1, 1);
  cx2 = std::min(cx2, kCanvasW);
  cy2 = std::min(cy2, kCanvasH);
  if (cx1 > cx2 || cy1 > cy2) return;
  if (scale > 0.0f && scale < 1.0e4f) {
    const double k = scale;
    // A coordinate scaled and truncated, held where it cannot overflow.
    auto at = [k](int64_t v) {
      return static_cast<int64_t>(std::clamp(static_cast<double>(v) * k, -1.0e9, 1.0e9));
    };
    ByteReader in(buf);
    int64_t p = 0, len = 0;
    int colour = 0;
    while (next_run(in, len, colour)) {
      const int64_t start = p;
      p += len;
      if (len == 0) continue;
      const int64_t last = p - 1;
      const int64_t r = last / kStride;
      const int64_t first_col = start / kStride == r ? start % kStride : 0;
      const int64_t ya = at(y0 + r), yb = std::max(ya, at(y0 + r + 1) - 1);
      if (ya > cy2) break;  // rows only grow
      const int64_t xa = at(x0 + first_col), xb = std::max(xa, at(x0 + last % kStride + 1) - 1);
      const int64_t fx1 = std::max<int64_t>(xa, cx1), fx2 = std::min<int64_t>(xb, cx2);
      const int64_t fy1 = std::max<int64_t>(ya, cy1), fy2 = std::min<int64_t>(yb, cy2);
      for (int64_t y = fy1; y <= fy2; ++y) {
        for (int64_t x = fx1; x <= fx2; ++x) {
          s.frame.at(static_cast<int>(x), static_cast<int>(y)) = static_cast<uint8_t>(colour);
        }
      }
    }
  }
  putgscr(s, cx1, cy1, cx2, cy2);
}

bool getpage(Session& s) {
  Ckadr& k = s.frame.kadr;
  const int32_t* p = s.grf.page_pix;  // x min, x max, y min, y max
  const int n = getpca(s, p[0], p[2], p[1] + 1, p[3], std::span<uint8_t>(k.image));
  k.image_size = std::max(n, 0);
  return n >= 0;
}

void putkdr(Session& s) {
  const Ckadr& k = s.frame.kadr;
  const int32_t* p = s.grf.page_pix;
  const auto n = static_cast<size_t>(std::clamp(k.image_size, 0, kImageBytes));
  p_putpca(s, p[0], p[2], p[0], p[2], p[1], p[3], std::span<const uint8_t>(k.image, n), 1.0f);
}

}  // namespace tivor

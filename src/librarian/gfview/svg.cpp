// A picture file as SVG: every record stays a vector element. The file is read as the replay
// reads it, trusting nothing: a record that runs past its block or holds a count the writer
// never makes ends the conversion with a message.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/bytes.hpp"
#include "core/replace_file.hpp"
#include "gfx/gf_format.hpp"
#include "gfx/gfx.hpp"
#include "host/palette.hpp"
#include "librarian/gfview/gfview.hpp"

namespace tivor::gfview {
namespace {

constexpr int kCellW = 8;  // the bitmap font's character cell
constexpr int kCellH = 14;
constexpr double kBaseline = 11.5;  // from the top of the cell

// A canvas point of the file's units; pixel k covers k - 1 .. k, as the raster draws it.
std::string pt(int units) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%.2f", units / static_cast<double>(gf::kUnitsPerPoint) - 0.5);
  return buf;
}

// A length of the file's units in canvas points, the last point included.
std::string extent(int units) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%.2f", units / static_cast<double>(gf::kUnitsPerPoint) + 1.0);
  return buf;
}

// Appends each piece in place (GCC 12 at -O3 reports false overlaps in chains of string
// temporaries).
void put(std::string&) {}
template <class... Rest>
void put(std::string& out, const std::string& first, const Rest&... rest) {
  out += first;
  put(out, rest...);
}

// The colour the window shows for colour index c.
std::string colour(int c) {
  const Rgb& rgb = kConsolePalette[static_cast<size_t>(colpal(c & 15))];
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", rgb.r, rgb.g, rgb.b);
  return buf;
}

void put_text(std::string& out, std::span<const uint8_t> chars) {
  for (const uint8_t ch : chars) {
    if (ch == '&') {
      out += "&amp;";
    } else if (ch == '<') {
      out += "&lt;";
    } else if (ch == '>') {
      out += "&gt;";
    } else {
      // Characters XML does not take, and those of the console's upper half, are shown as '?'.
      out.push_back(ch >= ' ' && ch < 127 ? static_cast<char>(ch) : '?');
    }
  }
}

// The records of one block. Returns false with the offset of a bad record; consumed is set
// when the block ends with its end byte.
bool block(std::span<const uint8_t> b, std::string& out, int& clips, size_t& consumed,
           size_t& bad_at) {
  ByteReader in(b);
  consumed = 0;
  while (in.left() > 0) {
    bad_at = in.pos();
    const uint8_t kind = in.u8();
    if (kind > 128) {
      consumed = in.pos();
      return true;
    }
    int16_t v[4];
    if (kind < gf::kText || kind == gf::kClip) {
      for (int16_t& w : v) w = in.i16();
      if (!in.ok()) return false;
      if (kind == gf::kClip) {
        // Everything after a clip record is drawn inside its rectangle.
        if (clips > 0) out += "</g>\n";
        const std::string id = std::to_string(++clips);
        put(out, "<clipPath id=\"clip", id, "\"><rect x=\"", pt(std::min(v[0], v[2])), "\" y=\"",
            pt(std::min(v[1], v[3])), "\" width=\"", extent(std::abs(v[2] - v[0])), "\" height=\"",
            extent(std::abs(v[3] - v[1])), "\"/></clipPath>\n<g clip-path=\"url(#clip", id,
            ")\">\n");
      } else {
        put(out, "<line x1=\"", pt(v[0]), "\" y1=\"", pt(v[1]), "\" x2=\"", pt(v[2]), "\" y2=\"",
            pt(v[3]), "\" stroke=\"", colour(kind), "\"/>\n");
      }
    } else if (kind < gf::kPolygon) {
      for (int16_t& w : v) w = in.i16();
      const int n = in.i16();
      if (!in.ok() || n < 0 || n > gf::kMaxText) return false;
      const std::span<const uint8_t> chars = in.bytes(static_cast<size_t>(n));
      if (!in.ok()) return false;
      const int y = v[1] + static_cast<int>(kBaseline * gf::kUnitsPerPoint);
      put(out, "<text xml:space=\"preserve\" x=\"", pt(v[0]), "\" y=\"", pt(y), "\" fill=\"",
          colour(kind), "\" textLength=\"", std::to_string(kCellW * n),
          "\" lengthAdjust=\"spacingAndGlyphs\">");
      put_text(out, chars);
      out += "</text>\n";
    } else if (kind < gf::kPolygon + 16) {
      const int n = in.i16();
      if (!in.ok() || n < 1 || n > gf::kMaxPolygon || in.left() < 4 * static_cast<size_t>(n)) {
        return false;
      }
      // The raster fills a polygon's edge points too: an outline of its own colour does the same
      // and leaves no seam between neighbouring zones.
      put(out, "<polygon fill=\"", colour(kind), "\" stroke=\"", colour(kind), "\" points=\"");
      for (int k = 0; k < n; ++k) {
        const int x = in.i16(), y = in.i16();
        put(out, k == 0 ? "" : " ", pt(x), ",", pt(y));
      }
      out += "\"/>\n";
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

bool write_svg(std::span<const uint8_t> picture, const std::string& out_path, int width, int height,
               const Box& view, std::string& error) {
  ByteReader head(picture);
  const int64_t total = head.i32();
  if (!head.ok() || total < 0 || static_cast<uint64_t>(total) + 4 != picture.size()) {
    error = "bad header for a file of ";
    put(error, std::to_string(picture.size()), " bytes");
    return false;
  }
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  const std::string w = std::to_string(kCanvasW), h = std::to_string(kCanvasH);
  // Point k covers k - 1 .. k.
  std::string view_box;
  put(view_box, std::to_string(view.x1 - 1), " ", std::to_string(view.y1 - 1), " ",
      std::to_string(view.x2 - view.x1 + 1), " ", std::to_string(view.y2 - view.y1 + 1));
  put(out, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"", std::to_string(width),
      "\" height=\"", std::to_string(height), "\" viewBox=\"", view_box,
      "\" preserveAspectRatio=\"none\">\n<rect width=\"", w, "\" height=\"", h, "\" fill=\"",
      colour(0), "\"/>\n<g font-family=\"monospace\" font-size=\"", std::to_string(kCellH),
      "\" stroke-width=\"1\" stroke-linejoin=\"round\" white-space=\"pre\">\n");
  int clips = 0;
  size_t p = 0;
  const auto records = picture.subspan(4);
  while (p < records.size()) {
    const size_t want = std::min<size_t>(records.size() - p, kGfBlock);
    size_t consumed = 0, bad_at = 0;
    if (!block(records.subspan(p, want), out, clips, consumed, bad_at)) {
      error = "bad record at byte ";
      error += std::to_string(4 + p + bad_at);
      return false;
    }
    if (consumed == 0) {
      // Only the last block may end without its end byte.
      if (p + want < records.size()) {
        error = "no end byte in the block at byte ";
        error += std::to_string(4 + p);
        return false;
      }
      break;
    }
    p += consumed;
  }
  if (clips > 0) out += "</g>\n";
  out += "</g>\n</svg>\n";
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(out.data()), out.size());
  if (!replace_file(out_path, bytes)) {
    error = "cannot write " + out_path;
    return false;
  }
  return true;
}

}  // namespace tivor::gfview

// Writing picture files: the primitives append records to a block buffer while the picture-file
// output is on; full blocks are appended to a temporary file, and closing the picture writes the
// header and renames the file to its name, so an unfinished or failed picture never replaces a
// good one.
//
// Besides lines, texts and polygons the writer records the clip rectangle whenever it changes
// between two records (the clip record of the format), so that a replay clips every record as
// the raster did when it was drawn: zones drawn with region clipping replay point for point.
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "core/bytes.hpp"
#include "gfx/gf_format.hpp"
#include "gfx/gfx.hpp"
#include "gfx/points.hpp"

namespace tivor {
namespace {

namespace fs = std::filesystem;

std::string temp_name(const Session& s) {
  return field_str(s.cgout.gf_name) + ".tmp";
}

bool recording(const Session& s) {
  return s.cgout.igout[0] == 1 && s.cgout.gf_mode == kGfOpen;
}

// Writes bytes into the temporary file at the offset (the end when offset < 0); a failure
// marks the picture as failed.
void put_bytes(Session& s, const uint8_t* p, size_t n, long offset) {
  if (s.cgout.gf_failed == 1) return;
  std::FILE* f = std::fopen(temp_name(s).c_str(), offset < 0 ? "ab" : "r+b");
  bool ok = f != nullptr;
  if (ok && offset >= 0) ok = std::fseek(f, offset, SEEK_SET) == 0;
  if (ok && n > 0) ok = std::fwrite(p, 1, n, f) == n;
  if (f != nullptr && std::fclose(f) != 0) ok = false;
  if (!ok) s.cgout.gf_failed = 1;
}

// The clip rectangle as the raster applies it: the clip cut to the canvas.
std::array<int32_t, 4> raster_clip(const Session& s) {
  const int32_t* c = s.grf.clip;
  return {std::clamp(c[0], 1, kCanvasW), std::clamp(c[1], 1, kCanvasH),
          std::clamp(c[2], 1, kCanvasW), std::clamp(c[3], 1, kCanvasH)};
}

// Room for a record of len bytes in the block buffer; the block is written first when more than
// 31500 bytes wait or the record and the end byte would not fit.
uint8_t* reserve(Session& s, int len) {
  Cgout& g = s.cgout;
  if (g.gf_pending > gf::kFlushAbove || g.gf_pending + len + 1 > kGfBlock) gfwrite(s);
  uint8_t* p = g.gf_buf + g.gf_pending;
  g.gf_pending += len;
  return p;
}

// Appends a whole record to the block buffer.
void put_record(Session& s, const std::vector<uint8_t>& rec) {
  std::copy(rec.begin(), rec.end(), reserve(s, static_cast<int>(rec.size())));
}

// Records the clip rectangle when it differs from the one the file's records assume so far.
void sync_clip(Session& s) {
  const std::array<int32_t, 4> c = raster_clip(s);
  int32_t* last = s.cgout.gf_clip;
  if (std::equal(c.begin(), c.end(), last)) return;
  std::vector<uint8_t> rec;
  ByteWriter w(rec);
  w.u8(gf::kClip);
  for (int k = 0; k < 4; ++k) {
    w.i16(gf::to_units(c[static_cast<size_t>(k)]));
    last[k] = c[static_cast<size_t>(k)];
  }
  put_record(s, rec);
}

uint8_t kind_byte(const Session& s, uint8_t kind, int ic) {
  return static_cast<uint8_t>(kind + (resolve_colour(s, ic) & 15));
}

}  // namespace

void gfopen(Session& s, std::string_view name) {
  Cgout& g = s.cgout;
  if (g.gf_mode == kGfOpen) gfclose(s);
  g.gf_pending = 0;
  g.gf_total = 0;
  g.gf_failed = 0;
  set_field(g.gf_name, name);
  g.gf_mode = kGfOpen;
  const int32_t canvas[4] = {1, 1, kCanvasW, kCanvasH};
  std::copy(canvas, canvas + 4, g.gf_clip);
  std::error_code ec;
  fs::remove(temp_name(s), ec);
  uint8_t header[4] = {};
  put_bytes(s, header, 4, -1);
  g.igout[0] = 1;
}

void gfwrite(Session& s) {
  Cgout& g = s.cgout;
  if (g.gf_mode != kGfOpen) return;
  g.gf_buf[g.gf_pending++] = gf::kEndOfBlock;
  put_bytes(s, g.gf_buf, static_cast<size_t>(g.gf_pending), -1);
  g.gf_total += g.gf_pending;
  g.gf_pending = 0;
}

void gfclose(Session& s) {
  Cgout& g = s.cgout;
  if (g.gf_mode == kGfOpen) {
    // The last block goes out as it stands, without an end byte.
    if (g.gf_pending > 0) put_bytes(s, g.gf_buf, static_cast<size_t>(g.gf_pending), -1);
    g.gf_total += g.gf_pending;
    g.gf_pending = 0;
    std::vector<uint8_t> header;
    ByteWriter(header).i32(g.gf_total);
    put_bytes(s, header.data(), header.size(), 0);
    const std::string tmp = temp_name(s);
    std::error_code ec;
    if (g.gf_failed == 0) fs::rename(tmp, field_str(g.gf_name), ec);
    if (g.gf_failed == 1 || ec) {
      // A picture that could not be written leaves no file behind, not even the old one a
      // viewer would otherwise show in its place.
      fs::remove(tmp, ec);
      fs::remove(field_str(g.gf_name), ec);
    }
  }
  g.gf_mode = 0;
  g.igout[0] = 0;
}

void gf_line(Session& s, float x1, float y1, float x2, float y2, int ic) {
  if (!recording(s)) return;
  sync_clip(s);
  std::vector<uint8_t> rec;
  ByteWriter w(rec);
  w.u8(kind_byte(s, gf::kLine, ic));
  for (const float v : {x1, y1, x2, y2}) w.i16(gf::to_units(v));
  put_record(s, rec);
}

void gf_text(Session& s, std::string_view txt, float x, float y, float h, int angle, int ic) {
  if (!recording(s)) return;
  const int n = std::min(len1(txt), gf::kMaxText);
  sync_clip(s);
  std::vector<uint8_t> rec;
  ByteWriter w(rec);
  w.u8(kind_byte(s, gf::kText, ic));
  for (const float v : {x, y, h}) w.i16(gf::to_units(v));
  w.i16(static_cast<int16_t>(angle));
  w.i16(static_cast<int16_t>(n));
  w.bytes(std::span(reinterpret_cast<const uint8_t*>(txt.data()), static_cast<size_t>(n)));
  put_record(s, rec);
}

void gf_flood(Session& s, const float* xs, const float* ys, int n, int ic) {
  if (!recording(s)) return;
  n = std::min(n, gf::kMaxPolygon);
  if (n < 1) return;
  sync_clip(s);
  std::vector<uint8_t> rec;
  ByteWriter w(rec);
  w.u8(kind_byte(s, gf::kPolygon, ic));
  w.i16(static_cast<int16_t>(n));
  for (int k = 0; k < n; ++k) {
    w.i16(gf::to_units(xs[k]));
    w.i16(gf::to_units(ys[k]));
  }
  put_record(s, rec);
}

}  // namespace tivor

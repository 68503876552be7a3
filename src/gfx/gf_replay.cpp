// Replaying picture files onto the raster copy and the screen. The reader trusts nothing it
// reads: the first record that runs past its block, holds a count larger than the data or than
// the writer makes (a text of more than 488 characters, a polygon of no vertices or of more than
// FLOOD takes), or is of an unknown kind ends the picture with a message naming its kind and
// offset; so do a full block without its end byte and a header that is negative or leaves bytes
// after the picture. A header that promises more bytes than the file holds ends the picture with
// "Cannot read file".
#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/bytes.hpp"
#include "gfx/gf_format.hpp"
#include "gfx/gfx.hpp"
#include "gfx/points.hpp"

namespace tivor {
namespace {

// The bytes at an offset of the file, at most n of them (fewer at its end).
using Fetch = std::function<std::span<const uint8_t>(size_t offset, size_t n)>;

enum class Walk { next_block, end, bad };

struct Replay {
  Session& s;
  double scale;

  int pt(int units) const { return trunc_point(units * scale / gf::kUnitsPerPoint); }

  // A line record's line, from its four coordinates.
  void line(int c, const int16_t* v) {
    const int x1 = pt(v[0]), y1 = pt(v[1]), x2 = pt(v[2]), y2 = pt(v[3]);
    p_line(s, x1, y1, x2, y2, c);
    d_line(s, x1 - 1, y1 - 1, x2 - 1, y2 - 1, c);
  }

  void text(int c, const int16_t* v, std::span<const uint8_t> chars) {
    const int x = pt(v[0]), y = pt(v[1]), h = pt(v[2]), angle = v[3];
    const std::span<const uint8_t> shown = chars.first(std::min<size_t>(chars.size(), 80));
    const std::string txt(shown.begin(), shown.end());
    p_text(s, txt, x, y, h, angle, c);
    // The screen text goes where TEXT puts it, in the record's colour.
    const int drawing = s.grf.igcolor;
    s.grf.igcolor = c;
    d_text(s, x - 1, y - 1, rtrim(txt));
    s.grf.igcolor = drawing;
  }

  // The n vertices of a polygon record, as x, y pairs.
  void polygon(int c, ByteReader& in, int n) {
    std::array<int, gf::kMaxPolygon> xs{}, ys{};
    for (int k = 0; k < n; ++k) {
      xs[k] = pt(in.i16());
      ys[k] = pt(in.i16());
    }
    p_flood(s, xs.data(), ys.data(), n, c);
    for (int k = 0; k < n; ++k) {
      --xs[k];
      --ys[k];
    }
    d_flood(s, xs.data(), ys.data(), n, c);
  }

  // Draws the records of one block, which begins at the file offset at. consumed receives the
  // bytes up to and including its end byte when there is one; bad, the message for the first
  // record that is not whole or not a record the writer makes.
  Walk block(std::span<const uint8_t> b, int64_t at, size_t& consumed, std::string& bad) {
    ByteReader in(b);
    while (in.left() > 0) {
      const size_t off = in.pos();
      const uint8_t kind = in.u8();
      if (kind > 128) {
        consumed = in.pos();
        return Walk::next_block;
      }
      const auto fail = [&](const std::string& what) {
        bad = "gf_view: " + what + " at byte " + std::to_string(at + static_cast<int64_t>(off));
        return Walk::bad;
      };
      const int c = kind & 15;
      int16_t v[4];
      if (kind < gf::kText || kind == gf::kClip) {
        for (int16_t& w : v) w = in.i16();
        if (!in.ok()) return fail(kind == gf::kClip ? "bad clip record" : "bad line record");
        if (kind == gf::kClip) {
          set_clip(s, pt(v[0]), pt(v[1]), pt(v[2]), pt(v[3]));
        } else {
          line(c, v);
        }
      } else if (kind < gf::kPolygon) {
        for (int16_t& w : v) w = in.i16();
        const int n = in.i16();
        if (!in.ok() || n < 0 || n > gf::kMaxText) return fail("bad text record");
        const std::span<const uint8_t> chars = in.bytes(static_cast<size_t>(n));
        if (!in.ok()) return fail("bad text record");
        text(c, v, chars);
      } else if (kind < gf::kPolygon + 16) {
        const int n = in.i16();
        if (!in.ok() || n < 1 || n > gf::kMaxPolygon || in.left() < 4 * static_cast<size_t>(n)) {
          return fail("bad polygon record");
        }
        polygon(c, in, n);
      } else {
        return fail("unknown record kind " + std::to_string(kind));
      }
    }
    return Walk::end;
  }
};

// Walks the blocks of a file of size bytes and draws them up to the first fault; returns the
// message for that fault, empty when the whole picture was drawn. A header that is negative or
// leaves bytes after the picture is refused before anything is drawn; one that promises more
// bytes than the file holds stops at the block that cannot be read.
std::string replay(Session& s, const Fetch& fetch, uint64_t size, float scale) {
  const std::span<const uint8_t> head = fetch(0, 4);
  if (head.size() < 4) return "Cannot read file";
  const int64_t total = ByteReader(head).i32();
  if (total < 0 || static_cast<uint64_t>(total) + 4 < size) {
    return "gf_view: bad header " + std::to_string(total) + " for a file of " +
           std::to_string(size) + " bytes";
  }
  const int mode = s.grf.clip_mode;
  int32_t saved[4];
  std::copy(s.grf.clip, s.grf.clip + 4, saved);
  clip(s, 1);
  Replay r{s, scale};
  std::string fault;
  int64_t p = 0;
  while (p < total) {
    const auto want = static_cast<size_t>(std::min<int64_t>(total - p, kGfBlock));
    const std::span<const uint8_t> b = fetch(static_cast<size_t>(4 + p), want);
    if (b.size() < want) {
      fault = "Cannot read file";
      break;
    }
    size_t consumed = 0;
    const Walk w = r.block(b, 4 + p, consumed, fault);
    if (w == Walk::bad) break;
    if (w == Walk::end) {
      // Only the last block may end without its end byte.
      if (p + static_cast<int64_t>(want) < total) {
        fault = "gf_view: no end byte in the block at byte " + std::to_string(4 + p);
      }
      break;
    }
    p += static_cast<int64_t>(consumed);
  }
  std::copy(saved, saved + 4, s.grf.clip);
  s.grf.clip_mode = mode;
  s.host->present();
  return fault;
}

void tell(Session& s, std::string_view message) {
  if (s.up.pause) s.up.pause(message);
}

// Reads a file through a window of two blocks that moves forward as the replay needs it.
class FileWindow {
 public:
  explicit FileWindow(std::ifstream& in) : in_(in) {}
  std::span<const uint8_t> fetch(size_t offset, size_t n) {
    if (offset < start_ || offset + n > start_ + buf_.size()) {
      buf_.resize(2 * kGfBlock);
      in_.clear();
      in_.seekg(static_cast<std::streamoff>(offset));
      in_.read(reinterpret_cast<char*>(buf_.data()), static_cast<std::streamsize>(buf_.size()));
      buf_.resize(static_cast<size_t>(std::max<std::streamsize>(in_.gcount(), 0)));
      start_ = offset;
    }
    const size_t from = offset - start_;
    return std::span<const uint8_t>(buf_).subspan(from, std::min(n, buf_.size() - from));
  }

 private:
  std::ifstream& in_;
  std::vector<uint8_t> buf_;
  size_t start_ = 0;
};

}  // namespace

bool gf_replay(Session& s, std::span<const uint8_t> file, float scale) {
  const auto fetch = [file](size_t offset, size_t n) {
    if (offset >= file.size()) return std::span<const uint8_t>();
    return file.subspan(offset, std::min(n, file.size() - offset));
  };
  return replay(s, fetch, file.size(), scale).empty();
}

void gf_view(Session& s, std::string_view name, float scale) {
  const std::filesystem::path path{std::string(name)};
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    tell(s, "file not found");
    return;
  }
  std::ifstream in(path, std::ios::binary);
  const uint64_t size = std::filesystem::file_size(path, ec);
  if (!in || ec) {
    tell(s, "cannot open file");
    return;
  }
  FileWindow window(in);
  const std::string fault = replay(
      s, [&window](size_t offset, size_t n) { return window.fetch(offset, n); }, size, scale);
  if (!fault.empty()) tell(s, fault);
}

}  // namespace tivor

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
#include <string>
#include <vector>

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

  void line(const uint8_t* r) {
    const int c = r[0] & 15;
    const int x1 = pt(gf::get_i16(r + 1)), y1 = pt(gf::get_i16(r + 3));
    const int x2 = pt(gf::get_i16(r + 5)), y2 = pt(gf::get_i16(r + 7));
    p_line(s, x1, y1, x2, y2, c);
    d_line(s, x1 - 1, y1 - 1, x2 - 1, y2 - 1, c);
  }

  void text(const uint8_t* r, int n) {
    const int c = r[0] & 15;
    const int x = pt(gf::get_i16(r + 1)), y = pt(gf::get_i16(r + 3));
    const int h = pt(gf::get_i16(r + 5)), angle = gf::get_i16(r + 7);
    const std::string txt(reinterpret_cast<const char*>(r + 11),
                          static_cast<size_t>(std::min(n, 80)));
    p_text(s, txt, x, y, h, angle, c);
    // The screen text goes where TEXT puts it, in the record's colour.
    const int drawing = s.grf.igcolor;
    s.grf.igcolor = c;
    d_text(s, x - 1, y - 1, rtrim(txt));
    s.grf.igcolor = drawing;
  }

  void polygon(const uint8_t* r, int n) {
    const int c = r[0] & 15;
    std::array<int, gf::kMaxPolygon> xs{}, ys{};
    for (int k = 0; k < n; ++k) {
      xs[k] = pt(gf::get_i16(r + 3 + 4 * k));
      ys[k] = pt(gf::get_i16(r + 5 + 4 * k));
    }
    p_flood(s, xs.data(), ys.data(), n, c);
    for (int k = 0; k < n; ++k) {
      --xs[k];
      --ys[k];
    }
    d_flood(s, xs.data(), ys.data(), n, c);
  }

  void clip_rect(const uint8_t* r) {
    set_clip(s, pt(gf::get_i16(r + 1)), pt(gf::get_i16(r + 3)), pt(gf::get_i16(r + 5)),
             pt(gf::get_i16(r + 7)));
  }

  // Draws the records of one block, which begins at the file offset at. consumed receives the
  // bytes up to and including its end byte when there is one; bad, the message for the first
  // record that is not whole or not a record the writer makes.
  Walk block(std::span<const uint8_t> b, int64_t at, size_t& consumed, std::string& bad) {
    size_t off = 0;
    while (off < b.size()) {
      const uint8_t* r = b.data() + off;
      const size_t left = b.size() - off;
      const uint8_t kind = r[0];
      if (kind > 128) {
        consumed = off + 1;
        return Walk::next_block;
      }
      const auto fail = [&](const std::string& what) {
        bad = "gf_view: " + what + " at byte " + std::to_string(at + static_cast<int64_t>(off));
        return Walk::bad;
      };
      size_t len = 0;
      if (kind < gf::kText || kind == gf::kClip) {
        len = 9;
        if (left < len) return fail(kind == gf::kClip ? "bad clip record" : "bad line record");
        if (kind == gf::kClip) {
          clip_rect(r);
        } else {
          line(r);
        }
      } else if (kind < gf::kPolygon) {
        const int n = left < 11 ? -1 : gf::get_i16(r + 9);
        len = 11 + static_cast<size_t>(std::max(n, 0));
        if (n < 0 || n > gf::kMaxText || left < len) return fail("bad text record");
        text(r, n);
      } else if (kind < gf::kPolygon + 16) {
        const int n = left < 3 ? -1 : gf::get_i16(r + 1);
        len = 3 + 4 * static_cast<size_t>(std::max(n, 0));
        if (n < 1 || n > gf::kMaxPolygon || left < len) return fail("bad polygon record");
        polygon(r, n);
      } else {
        return fail("unknown record kind " + std::to_string(kind));
      }
      off += len;
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
  const int64_t total = gf::get_i32(head.data());
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

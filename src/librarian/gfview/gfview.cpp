// gfview: pictures of the workbench as files for reports and slides.
//
//   gfview [--width W] [--crop] PICTURE.gf OUT.png    a picture file replayed on the canvas
//   gfview [--width W] [--crop] PICTURE.gf OUT.svg    a picture file as vectors
//   gfview [--width W] [--crop] LIBRARY.lbr OUTDIR    every frame of a library, OUTDIR/frame001.png
//   gfview [--width W] [--crop] [--delay CS] LIBRARY.lbr OUT.gif   a library as one animated GIF
//
// The canvas of 640 by 350 points was made to be seen at 4:3, as the window shows it: pictures
// are W by 3W/4 pixels (640 by 480 unless --width asks for another width). A GIF shows each frame
// CS hundredths of a second (20 unless --delay says otherwise). --crop keeps only the page: the
// rectangle a picture file clears first, or the part of the canvas a library's frames cover. A
// library is told from a picture file by its content (the two lengths that begin a frame record
// agree), whatever the case of its extension. Colours are those of the window (colour 0 as white,
// 15 as black). Exit status: 0 when every picture was written, 1 when an input could not be read
// whole (the first damaged record named on stderr, no picture of a damaged file written) or an
// output could not be written, 2 for bad arguments.
#include "librarian/gfview/gfview.hpp"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/bytes.hpp"
#include "core/read_file.hpp"
#include "core/replace_file.hpp"
#include "gfx/gfx.hpp"
#include "host/headless_host.hpp"
#include "host/png_writer.hpp"
#include "host/window_fit.hpp"
#include "librarian/librarian.hpp"

namespace {

using namespace tivor;
using gfview::Box;
using gfview::page_box;

constexpr const char* kUsage =
    "usage: gfview [--width W] [--crop] PICTURE.gf OUT.png|OUT.svg\n"
    "       gfview [--width W] [--crop] LIBRARY.lbr OUTDIR\n"
    "       gfview [--width W] [--crop] [--delay CS] LIBRARY.lbr OUT.gif\n"
    "       gfview --help | --version\n"
    "  pictures are W by 3W/4 pixels, the 4:3 shape of the window (W 640 unless given,\n"
    "  from 64 to 8192); --crop keeps only the page's part of them; a GIF shows each frame\n"
    "  CS hundredths of a second (20 unless given)\n";

// Larger pictures would take more memory than any report needs.
constexpr int kMinWidth = 64;
constexpr int kMaxWidth = 8192;

struct Size {
  int w = kCanvasW;
  int h = kCanvasW * 3 / 4;
};

// The canvas as the window shows it, at w by h pixels: each pixel takes the canvas point under
// its centre.
std::vector<uint8_t> shown(const Session& s, Size size) {
  std::vector<uint8_t> screen(s.frame.raster.size());
  for (size_t i = 0; i < screen.size(); ++i) {
    screen[i] = static_cast<uint8_t>(colpal(s.frame.raster[i] & 15));
  }
  return resampled(screen, kCanvasW, kCanvasH, size.w, size.h);
}

// The pixels of a picture, or of the part of it kept.
struct Image {
  int w = 0, h = 0;
  std::vector<uint8_t> pixels;
};

// The first and last of n pixels whose centres fall on canvas points lo..hi of canvas_n.
std::pair<int, int> pixel_span(int lo, int hi, int canvas_n, int n) {
  int first = n, last = -1;
  for (int k = 0; k < n; ++k) {
    const int point = static_cast<int>((k + 0.5) * canvas_n / n) + 1;
    if (point < lo || point > hi) continue;
    first = std::min(first, k);
    last = k;
  }
  return {first, last};
}

// The pixels of the picture that show the box; the whole picture without one.
Image kept(std::vector<uint8_t> pixels, Size size, const std::optional<Box>& box) {
  if (!box) return {size.w, size.h, std::move(pixels)};
  const auto [x0, x1] = pixel_span(box->x1, box->x2, kCanvasW, size.w);
  const auto [y0, y1] = pixel_span(box->y1, box->y2, kCanvasH, size.h);
  Image out{std::max(x1 - x0 + 1, 0), std::max(y1 - y0 + 1, 0), {}};
  for (int y = y0; y <= y1; ++y) {
    const auto row = pixels.begin() + static_cast<ptrdiff_t>(y) * size.w;
    out.pixels.insert(out.pixels.end(), row + x0, row + x1 + 1);
  }
  return out;
}

// The image as PNG bytes; empty, with a message naming the file, when it has no pixels.
std::vector<uint8_t> png_of(const Image& image, const std::string& path) {
  std::vector<uint8_t> bytes;
  if (image.w > 0 && image.h > 0) bytes = indexed_png(image.w, image.h, image.pixels);
  if (bytes.empty()) std::fprintf(stderr, "gfview: cannot write %s\n", path.c_str());
  return bytes;
}

// Puts the bytes in place through a synced temporary file, so that a failed write (a full disk)
// leaves an older file of the name as it was.
bool put_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  if (replace_file(path, bytes)) return true;
  std::fprintf(stderr, "gfview: cannot write %s\n", path.c_str());
  return false;
}

bool write_image(const Image& image, const std::string& path) {
  const std::vector<uint8_t> bytes = png_of(image, path);
  return !bytes.empty() && put_file(path, bytes);
}

void clear_canvas(Session& s) {
  std::fill(s.frame.raster.begin(), s.frame.raster.end(), uint8_t{0});
}

std::string lower_extension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

int picture(Session& s, const std::string& in, const std::string& out, Size size, bool crop) {
  std::vector<uint8_t> bytes;
  std::optional<Box> box;
  if (crop) {
    Box page{};
    if (!read_whole_file(in, bytes) || !page_box(bytes, page)) {
      std::fprintf(stderr, "gfview: %s: no page to crop to\n", in.c_str());
      return 1;
    }
    box = page;
  }
  if (lower_extension(out) == ".svg") {
    std::string error;
    const Box view = box.value_or(Box{1, 1, kCanvasW, kCanvasH});
    const auto [x0, x1] = pixel_span(view.x1, view.x2, kCanvasW, size.w);
    const auto [y0, y1] = pixel_span(view.y1, view.y2, kCanvasH, size.h);
    if (!crop && !read_whole_file(in, bytes)) {
      error = "cannot read";
    } else if (gfview::write_svg(bytes, out, x1 - x0 + 1, y1 - y0 + 1, view, error)) {
      return 0;
    }
    std::fprintf(stderr, "gfview: %s: %s\n", in.c_str(), error.c_str());
    return 1;
  }
  bool failed = false;
  s.up.pause = [&](std::string_view message) {
    std::fprintf(stderr, "gfview: %s: %.*s\n", in.c_str(), static_cast<int>(message.size()),
                 message.data());
    failed = true;
  };
  clear_canvas(s);
  gf_view(s, in, 1.0f);
  if (failed) return 1;
  return write_image(kept(shown(s, size), size, box), out) ? 0 : 1;
}

// Draws a frame's page image at the canvas corner, as the librarian shows it; box is the part of
// the canvas the image covers.
void draw_frame(Session& s, const std::vector<uint8_t>& image, Box& box) {
  // Points no run reaches keep a value no colour has, and become the white of the canvas.
  constexpr uint8_t kUntouched = 0xff;
  std::fill(s.frame.raster.begin(), s.frame.raster.end(), kUntouched);
  p_putpca(s, 1, 1, 1, 1, kCanvasW, kCanvasH, image, 1.0f);
  box = {kCanvasW + 1, kCanvasH + 1, 0, 0};
  for (int y = 1; y <= kCanvasH; ++y) {
    for (int x = 1; x <= kCanvasW; ++x) {
      uint8_t& point = s.frame.raster[static_cast<size_t>(y - 1) * kCanvasW + (x - 1)];
      if (point == kUntouched) {
        point = 0;
        continue;
      }
      box = {std::min(box.x1, x), std::min(box.y1, y), std::max(box.x2, x), std::max(box.y2, y)};
    }
  }
}

int library(Session& s, const std::string& in, const std::string& out, Size size, int delay,
            bool crop) {
  std::ifstream file(in, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "gfview: cannot open %s\n", in.c_str());
    return 1;
  }
  const bool gif = lower_extension(out) == ".gif";
  FrameReader reader(file);
  FrameHeader head{};
  std::vector<uint8_t> image;
  // Every frame is made before any file is written, so that a library damaged after some
  // frames leaves no pictures behind: GIF frames as pixels, PNG frames as their files' bytes.
  std::vector<std::vector<uint8_t>> frames;
  std::vector<std::string> names;
  // A GIF keeps the part of the canvas any of its frames covers.
  Box all{kCanvasW + 1, kCanvasH + 1, 0, 0};
  int count = 0;
  while (reader.next(head, image)) {
    ++count;
    Box box{};
    draw_frame(s, image, box);
    all = {std::min(all.x1, box.x1), std::min(all.y1, box.y1), std::max(all.x2, box.x2),
           std::max(all.y2, box.y2)};
    if (gif) {
      frames.push_back(shown(s, size));
      continue;
    }
    char name[32];
    std::snprintf(name, sizeof name, "frame%03d.png", count);
    const std::optional<Box> part = crop && box.x1 <= box.x2 ? std::optional(box) : std::nullopt;
    names.push_back((std::filesystem::path(out) / name).string());
    frames.push_back(png_of(kept(shown(s, size), size, part), names.back()));
    if (frames.back().empty()) return 1;
  }
  if (reader.damaged()) {
    std::fprintf(stderr, "gfview: %s: damaged frame record at byte %llu after frame %d\n",
                 in.c_str(), static_cast<unsigned long long>(reader.offset()), count);
    return 1;
  }
  std::error_code ec;
  if (!gif) std::filesystem::create_directories(out, ec);
  for (size_t k = 0; !gif && k < frames.size(); ++k) {
    if (!put_file(names[k], frames[k])) return 1;
  }
  if (gif) {
    Image first;
    const std::optional<Box> part = crop && all.x1 <= all.x2 ? std::optional(all) : std::nullopt;
    for (std::vector<uint8_t>& frame : frames) {
      Image cut = kept(std::move(frame), size, part);
      frame = std::move(cut.pixels);
      first = {cut.w, cut.h, {}};
    }
    std::string error;
    if (!gfview::write_gif(frames, first.w > 0 ? first.w : size.w, first.h > 0 ? first.h : size.h,
                           delay, out, error)) {
      std::fprintf(stderr, "gfview: %s\n", error.c_str());
      return 1;
    }
  }
  std::printf("%d frames written to %s\n", count, out.c_str());
  return 0;
}

// Whether the file holds a picture library: its first frame record begins with two lengths
// that agree (n + 44, then an image size n of at most 32000 bytes), which in a picture file would
// take a header of exactly its first record's bytes plus 44. An empty file tells nothing: it is
// a library when its extension says so.
bool is_library(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  uint8_t b[8] = {};
  file.read(reinterpret_cast<char*>(b), sizeof b);
  if (file.gcount() == 0) return lower_extension(path) == ".lbr";
  if (file.gcount() < 8) return false;
  ByteReader words(b);
  const int32_t length = words.i32(), n = words.i32();
  return n >= 0 && n <= kImageBytes && length == n + 44;
}

bool whole_number(std::string_view text, int lo, int hi, int& out) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && out >= lo && out <= hi;
}

}  // namespace

int main(int argc, char** argv) {
  Size size;
  int delay = 20;
  bool crop = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "--version") {
      if (arg == "--help") std::fputs(kUsage, stdout);
      if (arg == "--version") std::printf("gfview %s\n", TIVOR_VERSION);
      return 0;
    }
    if (arg == "--width" || arg == "--delay") {
      const bool width = arg == "--width";
      int v = 0;
      if (i + 1 >= argc ||
          !whole_number(argv[++i], width ? kMinWidth : 0, width ? kMaxWidth : 65535, v)) {
        std::fprintf(stderr, "gfview: %s needs a whole number from %d to %d\n%s", argv[i - 1],
                     width ? kMinWidth : 0, width ? kMaxWidth : 65535, kUsage);
        return 2;
      }
      if (width) size = {v, (v * 3 + 2) / 4};
      if (!width) delay = v;
      continue;
    }
    if (arg == "--crop") {
      crop = true;
      continue;
    }
    files.emplace_back(arg);
  }
  if (files.size() != 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string in = files[0], out = files[1];
  HeadlessHost host({}, std::filesystem::temp_directory_path().string());
  auto session = std::make_unique<Session>(host);
  Session& s = *session;
  dinit1(s, "gfview", 0.6f, 0.6f);
  if (is_library(in)) return library(s, in, out, size, delay, crop);
  return picture(s, in, out, size, crop);
}

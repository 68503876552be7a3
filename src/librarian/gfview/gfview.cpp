// gfview: pictures of the workbench as files for reports and slides.
//
//   gfview [--width W] PICTURE.gf OUT.png    a picture file replayed on the canvas
//   gfview [--width W] PICTURE.gf OUT.svg    a picture file as vectors
//   gfview [--width W] LIBRARY.lbr OUTDIR    every frame of a library, OUTDIR/frame001.png, ...
//   gfview [--width W] [--delay CS] LIBRARY.lbr OUT.gif   a library as one animated GIF
//
// The canvas of 640 by 350 points was made to be seen at 4:3, as the window shows it: pictures
// are W by 3W/4 pixels (640 by 480 unless --width asks for another width). A GIF shows each frame
// CS hundredths of a second (20 unless --delay says otherwise). A library is told from a picture
// file by its content (the two lengths that begin a frame record agree), whatever the case of its
// extension. Colours are those of the window (colour 0 as white, 15 as black). Exit status: 0
// when every picture was written, 1 when an input could not be read whole (the first damaged
// record named on stderr, no picture of a damaged file written) or an output could not be
// written, 2 for bad arguments.
#include "librarian/gfview/gfview.hpp"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.hpp"
#include "core/read_file.hpp"
#include "gfx/gfx.hpp"
#include "host/headless_host.hpp"
#include "host/png_writer.hpp"
#include "librarian/librarian.hpp"

namespace {

using namespace tivor;

constexpr const char* kUsage =
    "usage: gfview [--width W] PICTURE.gf OUT.png|OUT.svg\n"
    "       gfview [--width W] LIBRARY.lbr OUTDIR\n"
    "       gfview [--width W] [--delay CS] LIBRARY.lbr OUT.gif\n"
    "       gfview --help | --version\n"
    "  pictures are W by 3W/4 pixels, the 4:3 shape of the window (W 640 unless given,\n"
    "  from 64 to 8192); a GIF shows each frame CS hundredths of a second (20 unless given)\n";

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
  std::vector<uint8_t> pixels(static_cast<size_t>(size.w) * size.h);
  for (int y = 0; y < size.h; ++y) {
    const int cy = static_cast<int>((y + 0.5) * kCanvasH / size.h);
    for (int x = 0; x < size.w; ++x) {
      const int cx = static_cast<int>((x + 0.5) * kCanvasW / size.w);
      pixels[static_cast<size_t>(y) * size.w + x] = static_cast<uint8_t>(
          colpal(s.frame.raster[static_cast<size_t>(cy) * kCanvasW + cx] & 15));
    }
  }
  return pixels;
}

bool write_canvas(const Session& s, Size size, const std::string& path) {
  if (write_indexed_png(path, size.w, size.h, shown(s, size))) return true;
  std::fprintf(stderr, "gfview: cannot write %s\n", path.c_str());
  return false;
}

void clear_canvas(Session& s) {
  std::fill(s.frame.raster.begin(), s.frame.raster.end(), uint8_t{0});
}

std::string lower_extension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

int picture(Session& s, const std::string& in, const std::string& out, Size size) {
  if (lower_extension(out) == ".svg") {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!read_whole_file(in, bytes)) {
      error = "cannot read";
    } else if (gfview::write_svg(bytes, out, size.w, size.h, error)) {
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
  return write_canvas(s, size, out) ? 0 : 1;
}

int library(Session& s, const std::string& in, const std::string& out, Size size, int delay) {
  std::ifstream file(in, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "gfview: cannot open %s\n", in.c_str());
    return 1;
  }
  const bool gif = lower_extension(out) == ".gif";
  std::error_code ec;
  if (!gif) std::filesystem::create_directories(out, ec);
  FrameReader reader(file);
  FrameHeader head{};
  std::vector<uint8_t> image;
  std::vector<std::vector<uint8_t>> frames;
  int count = 0;
  while (reader.next(head, image)) {
    ++count;
    clear_canvas(s);
    p_putpca(s, 1, 1, 1, 1, kCanvasW, kCanvasH, image, 1.0f);
    if (gif) {
      frames.push_back(shown(s, size));
      continue;
    }
    char name[32];
    std::snprintf(name, sizeof name, "frame%03d.png", count);
    if (!write_canvas(s, size, (std::filesystem::path(out) / name).string())) return 1;
  }
  if (reader.damaged()) {
    std::fprintf(stderr, "gfview: %s: damaged frame record at byte %llu after frame %d\n",
                 in.c_str(), static_cast<unsigned long long>(reader.offset()), count);
    return 1;
  }
  std::string error;
  if (gif && !gfview::write_gif(frames, size.w, size.h, delay, out, error)) {
    std::fprintf(stderr, "gfview: %s\n", error.c_str());
    return 1;
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
  if (is_library(in)) return library(s, in, out, size, delay);
  return picture(s, in, out, size);
}

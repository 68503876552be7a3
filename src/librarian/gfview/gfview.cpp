// gfview: pictures of the workbench as PNG files for reports.
//
//   gfview PICTURE.gf OUT.png     a picture file replayed on the 640 by 350 canvas
//   gfview LIBRARY.lbr OUTDIR     every frame of a picture library, OUTDIR/frame001.png, ...
//
// A library is told from a picture file by its content (the two lengths that begin a frame
// record agree), whatever the case of its extension. The PNG shows the canvas as the window does
// (colour 0 as white, 15 as black). Exit status: 0 when every picture was written, 1 when an
// input could not be read whole (the first damaged record named on stderr, no PNG of a damaged
// picture written) or an output could not be written, 2 for bad arguments.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/bytes.hpp"
#include "gfx/gfx.hpp"
#include "host/headless_host.hpp"
#include "host/png_writer.hpp"
#include "librarian/librarian.hpp"

namespace {

using namespace tivor;

constexpr const char* kUsage =
    "usage: gfview PICTURE.gf OUT.png\n"
    "       gfview LIBRARY.lbr OUTDIR\n"
    "       gfview --help | --version\n";

bool write_canvas(const Session& s, const std::string& path) {
  std::vector<uint8_t> pixels(s.frame.raster.size());
  for (size_t i = 0; i < pixels.size(); ++i) {
    pixels[i] = static_cast<uint8_t>(colpal(s.frame.raster[i] & 15));
  }
  if (write_indexed_png(path, kCanvasW, kCanvasH, pixels)) return true;
  std::fprintf(stderr, "gfview: cannot write %s\n", path.c_str());
  return false;
}

void clear_canvas(Session& s) {
  std::fill(s.frame.raster.begin(), s.frame.raster.end(), uint8_t{0});
}

int picture(Session& s, const std::string& in, const std::string& out) {
  bool failed = false;
  s.up.pause = [&](std::string_view message) {
    std::fprintf(stderr, "gfview: %s: %.*s\n", in.c_str(), static_cast<int>(message.size()),
                 message.data());
    failed = true;
  };
  clear_canvas(s);
  gf_view(s, in, 1.0f);
  if (failed) return 1;
  return write_canvas(s, out) ? 0 : 1;
}

int library(Session& s, const std::string& in, const std::string& out_dir) {
  std::ifstream file(in, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "gfview: cannot open %s\n", in.c_str());
    return 1;
  }
  std::error_code ec;
  std::filesystem::create_directories(out_dir, ec);
  FrameReader reader(file);
  FrameHeader head{};
  std::vector<uint8_t> image;
  int frames = 0;
  while (reader.next(head, image)) {
    ++frames;
    clear_canvas(s);
    p_putpca(s, 1, 1, 1, 1, kCanvasW, kCanvasH, image, 1.0f);
    char name[32];
    std::snprintf(name, sizeof name, "frame%03d.png", frames);
    if (!write_canvas(s, (std::filesystem::path(out_dir) / name).string())) return 1;
  }
  if (reader.damaged()) {
    std::fprintf(stderr, "gfview: %s: damaged frame record at byte %llu after frame %d\n",
                 in.c_str(), static_cast<unsigned long long>(reader.offset()), frames);
    return 1;
  }
  std::printf("%d frames written to %s\n", frames, out_dir.c_str());
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
  if (file.gcount() == 0) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".lbr";
  }
  if (file.gcount() < 8) return false;
  ByteReader words(b);
  const int32_t length = words.i32(), n = words.i32();
  return n >= 0 && n <= kImageBytes && length == n + 44;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "--version")) {
    if (std::string(argv[1]) == "--help") std::fputs(kUsage, stdout);
    if (std::string(argv[1]) == "--version") std::printf("gfview %s\n", TIVOR_VERSION);
    return 0;
  }
  if (argc != 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string in = argv[1], out = argv[2];
  HeadlessHost host({}, std::filesystem::temp_directory_path().string());
  auto session = std::make_unique<Session>(host);
  Session& s = *session;
  dinit1(s, "gfview", 0.6f, 0.6f);
  if (is_library(in)) return library(s, in, out);
  return picture(s, in, out);
}

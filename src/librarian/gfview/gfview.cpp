// gfview: pictures of the workbench as PNG files for reports.
//
//   gfview PICTURE.gf OUT.png     a picture file replayed on the 640 by 350 canvas
//   gfview LIBRARY.lbr OUTDIR     every frame of a picture library, OUTDIR/frame001.png, ...
//
// The PNG shows the canvas as the window does (colour 0 as white, 15 as black). Exit status: 0
// when every picture was written, 1 when an input could not be read or an output written, 2 for
// bad arguments.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "gfx/gfx.hpp"
#include "host/headless_host.hpp"
#include "host/png_writer.hpp"
#include "librarian/librarian.hpp"

namespace {

using namespace tivor;

constexpr const char* kUsage =
    "usage: gfview PICTURE.gf OUT.png\n"
    "       gfview LIBRARY.lbr OUTDIR\n";

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
    std::fprintf(stderr, "gfview: %s: damaged record after frame %d\n", in.c_str(), frames);
    return 1;
  }
  std::printf("%d frames written to %s\n", frames, out_dir.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string in = argv[1], out = argv[2];
  HeadlessHost host({}, std::filesystem::temp_directory_path().string());
  auto session = std::make_unique<Session>(host);
  Session& s = *session;
  dinit1(s, "gfview", 0.6f, 0.6f);
  if (std::filesystem::path(in).extension() == ".lbr") return library(s, in, out);
  return picture(s, in, out);
}

// gfview's pictures for reports: a picture file as SVG read by an XML parser, as a PNG at the
// width asked for in the window's 4:3 shape, and a library as one animated GIF read by giflib.
#include <gif_lib.h>

#include <array>
#include <cstdio>
#include <string>
#include <utility>

#include "export/program_output.hpp"
#include "host/png_writer.hpp"
#include "librarian/library_fixture.hpp"

namespace tivor::librarian_test {
namespace {

Rgb window_rgb(int c) {
  return kConsolePalette[static_cast<size_t>(colpal(c))];
}

using Gfview = LibraryTest;

std::string said_;  // what the last gfview said

int gfview(const std::string& args) {
  int status = -1;
  said_ = test::output(std::string(TIVOR_GFVIEW) + " " + args + " 2>&1", status);
  return status;
}

TEST_F(Gfview, PictureAsSvgKeepsEveryRecordAndAsPngKeepsTheWindowShape) {
  gfopen(*s, "p.gf");
  line(*s, 10, 10, 300, 10, 4);
  line(*s, 10, 20, 300, 200, 4);
  color(*s, 2);
  rect(*s, 400, 100, 500, 200, 1);
  text(*s, "conc1 <max>", 50, 300, 14, 0, 1);
  gfclose(*s);
  ASSERT_EQ(gfview("p.gf p.svg"), 0) << said_;
  int status = -1;
  test::read_back("p.svg", status, said_);
  const auto hex = [](int c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", window_rgb(c).r, window_rgb(c).g,
                  window_rgb(c).b);
    return std::string(buf);
  };
  EXPECT_EQ(said_, "size 640 480\nline 2 " + hex(4) + "\npolygon 1 " + hex(2) + "\ntext 1 " +
                       hex(1) + " conc1 <max>\n");
  ASSERT_EQ(gfview("--width 1000 p.gf p.png"), 0) << said_;
  const auto png = read_png_rgb("p.png");
  ASSERT_TRUE(png);
  EXPECT_EQ(std::pair(png->w, png->h), std::pair(1000, 750));
  // The filled rectangle's middle, canvas point (450, 150), and the white page beside it.
  EXPECT_EQ(png->at(450 * 1000 / 640, 150 * 750 / 350), window_rgb(2));
  EXPECT_EQ(png->at(10, 10), window_rgb(0));
  // A record cut short: no SVG.
  std::vector<uint8_t> bad = slurp("p.gf");
  bad.push_back(77);
  bad[0] = static_cast<uint8_t>(bad[0] + 1);
  spit("bad.gf", bad);
  EXPECT_EQ(gfview("bad.gf bad.svg"), 1);
  EXPECT_NE(said_.find("bad record at byte " + std::to_string(bad.size() - 1)), std::string::npos);
  EXPECT_FALSE(fs::exists("bad.svg"));
}

TEST_F(Gfview, LibraryAsOneAnimatedGif) {
  std::vector<uint8_t> lib;
  for (const uint8_t c : {4, 9, 2}) append_frame_record(lib, {}, std::vector<uint8_t>{c, 100});
  spit("film.lbr", lib);
  ASSERT_EQ(gfview("--delay 7 --width 320 film.lbr film.gif"), 0) << said_;
  int error = 0;
  GifFileType* gif = DGifOpenFileName("film.gif", &error);
  ASSERT_NE(gif, nullptr);
  ASSERT_EQ(DGifSlurp(gif), GIF_OK);
  EXPECT_EQ((std::array{gif->ImageCount, gif->SWidth, gif->SHeight}), (std::array{3, 320, 240}));
  for (int k = 0; k < gif->ImageCount; ++k) {
    GraphicsControlBlock control{};
    ASSERT_EQ(DGifSavedExtensionToGCB(gif, k, &control), GIF_OK);
    EXPECT_EQ(control.DelayTime, 7);
    const GifColorType& c = gif->SColorMap->Colors[gif->SavedImages[k].RasterBits[0]];
    EXPECT_EQ((Rgb{c.Red, c.Green, c.Blue}), window_rgb(k == 0 ? 4 : k == 1 ? 9 : 2)) << k;
  }
  DGifCloseFile(gif, &error);
  // A library cut short: no GIF.
  spit("cut.lbr", std::vector<uint8_t>(lib.begin(), lib.end() - 1));
  EXPECT_EQ(gfview("cut.lbr cut.gif"), 1);
  EXPECT_FALSE(fs::exists("cut.gif"));
}

TEST_F(Gfview, CropKeepsOnlyThePage) {
  // A page of 400 by 200 points with a frame two points wide in colour 15.
  gfopen(*s, "page.gf");
  for (const int c : {0, 15}) {
    color(*s, c);
    rect(*s, 1, 1, 400, 200, 1);
  }
  color(*s, 0);
  rect(*s, 3, 3, 398, 198, 1);
  gfclose(*s);
  ASSERT_EQ(gfview("--width 1024 page.gf whole.png"), 0) << said_;
  ASSERT_EQ(gfview("--width 1024 --crop page.gf page.png"), 0) << said_;
  const auto whole = read_png_rgb("whole.png"), page = read_png_rgb("page.png");
  ASSERT_TRUE(whole && page);
  // Every edge of the cropped picture is the page's frame: no white band is left.
  const auto edge_white = [](const auto& png, bool column, int at) {
    int white = 0;
    for (int k = 0; k < (column ? png->h : png->w); ++k) {
      white += (column ? png->at(at, k) : png->at(k, at)) == window_rgb(0) ? 1 : 0;
    }
    return white;
  };
  EXPECT_EQ(std::pair(page->w, page->h), std::pair(640, 200 * 768 / 350 + 1));
  for (const auto& [column, at] : {std::pair{true, 0}, std::pair{true, page->w - 1},
                                   std::pair{false, 0}, std::pair{false, page->h - 1}}) {
    EXPECT_EQ(edge_white(page, column, at), 0) << column << " " << at;
  }
  EXPECT_EQ(edge_white(whole, true, whole->w - 1), whole->h);
  int status = -1;
  ASSERT_EQ(gfview("--width 1024 --crop page.gf page.svg"), 0) << said_;
  EXPECT_EQ(test::read_back("page.svg", status, said_)["size"],
            (std::vector<std::string>{"640", std::to_string(page->h)}));
  // A library's frames cover 100 points of the first row.
  std::vector<uint8_t> lib;
  for (const uint8_t c : {4, 9}) append_frame_record(lib, {}, std::vector<uint8_t>{c, 100});
  spit("film.lbr", lib);
  ASSERT_EQ(gfview("--width 320 --crop film.lbr film.gif"), 0) << said_;
  int error = 0;
  GifFileType* gif = DGifOpenFileName("film.gif", &error);
  ASSERT_NE(gif, nullptr);
  ASSERT_EQ(DGifSlurp(gif), GIF_OK);
  EXPECT_EQ((std::array{gif->ImageCount, gif->SWidth, gif->SHeight}), (std::array{2, 50, 1}));
  DGifCloseFile(gif, &error);
  // A picture that does not begin with its page has nothing to crop to.
  spit("bare.gf", std::vector<uint8_t>{0, 0, 0, 0});
  EXPECT_EQ(gfview("--crop bare.gf bare.png"), 1);
  EXPECT_NE(said_.find("no page"), std::string::npos) << said_;
}

}  // namespace
}  // namespace tivor::librarian_test

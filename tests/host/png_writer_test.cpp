#include "host/png_writer.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/files.hpp"
#include "test_dir.hpp"

namespace tivor {
namespace {

TEST(PngWriter, RoundTripOfAllColoursAtAnOddWidth) {
  TestDir dir;
  const std::string path = dir.file("all.png");
  // 17 columns: the 4-bit rows end in half a byte.
  const int w = 17, h = 5;
  std::vector<uint8_t> px(w * h);
  for (int i = 0; i < w * h; ++i) px[i] = static_cast<uint8_t>((i * 7) % 16);
  ASSERT_TRUE(write_indexed_png(path, w, h, px));

  const std::string file = test::file_bytes(path);
  ASSERT_GT(file.size(), 26u);
  EXPECT_TRUE(file[24] == 4 && file[25] == 3);  // bit depth 4, colour type palette

  const auto img = read_png_rgb(path);
  ASSERT_TRUE(img.has_value());
  ASSERT_TRUE(img->w == w && img->h == h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      EXPECT_EQ(img->at(x, y), kConsolePalette[px[y * w + x]]) << x << "," << y;
    }
  }
}

TEST(PngWriter, UsesTheGivenPalette) {
  TestDir dir;
  std::array<Rgb, 16> pal{};
  pal[3] = {1, 2, 3};
  ASSERT_TRUE(write_indexed_png(dir.file("p.png"), 2, 1, std::vector<uint8_t>{3, 0}, pal));
  const auto img = read_png_rgb(dir.file("p.png"));
  ASSERT_TRUE(img.has_value());
  EXPECT_TRUE(img->at(0, 0) == (Rgb{1, 2, 3}) && img->at(1, 0) == (Rgb{0, 0, 0}));
}

TEST(PngWriter, RefusesInvalidImagesAndUnwritablePaths) {
  TestDir dir;
  const std::string path = dir.file("bad.png");
  // Too few pixels, a colour beyond 15, no pixels, a negative size.
  EXPECT_FALSE(write_indexed_png(path, 2, 2, std::vector<uint8_t>(3, 0)) ||
               write_indexed_png(path, 2, 2, std::vector<uint8_t>{0, 1, 16, 2}) ||
               write_indexed_png(path, 0, 0, {}) ||
               write_indexed_png(path, -1, -4, std::vector<uint8_t>(4, 0)));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(write_indexed_png(dir.file("no/such/dir/x.png"), 1, 1, std::vector<uint8_t>{1}));
}

TEST(PngReader, RejectsMissingForeignAndTruncatedFiles) {
  TestDir dir;
  EXPECT_FALSE(read_png_rgb(dir.file("missing.png")).has_value());
  std::ofstream(dir.file("text.png")) << "not a picture";
  EXPECT_FALSE(read_png_rgb(dir.file("text.png")).has_value());

  ASSERT_TRUE(write_indexed_png(dir.file("whole.png"), 64, 64, std::vector<uint8_t>(64 * 64, 9)));
  const std::string whole = test::file_bytes(dir.file("whole.png"));
  test::write_file(dir.file("half.png"), whole.substr(0, whole.size() / 2));
  EXPECT_FALSE(read_png_rgb(dir.file("half.png")).has_value());
}

}  // namespace
}  // namespace tivor

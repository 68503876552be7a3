// Page images: the three run forms and a one-colour page (golden bytes), pictures that decode
// back point for point (a full-width page included), refusal of an image that does not fit,
// damaged codes kept inside the box, scaled drawing, and page files.
#include "gfx_session.hpp"
#include "picture_records.hpp"

namespace tivor::test {
namespace {

struct PageImages : GfxTest {
  std::vector<uint8_t> code(int x1, int y1, int x2, int y2) {
    std::vector<uint8_t> buf(kImageBytes);
    const int n = getpca(s, x1, y1, x2, y2, buf);
    EXPECT_GE(n, 0);
    buf.resize(static_cast<size_t>(std::max(n, 0)));
    return buf;
  }
  void clear(int colour) { std::fill(s.frame.raster.begin(), s.frame.raster.end(), colour); }
  // The worst picture for run-length codes: every run one point long.
  void checkerboard() {
    for (int i = 0; i < kCanvasW * kCanvasH; ++i)
      s.frame.raster[i] = (i % kCanvasW + i / kCanvasW) % 2;
  }
  // A picture with runs of every length: stripes, a filled polygon, lines, text.
  void draw() {
    for (int y = 1; y <= kCanvasH; ++y) {
      for (int x = 1; x <= kCanvasW; ++x)
        s.frame.at(x, y) = static_cast<uint8_t>((x / 37 + y / 50) % 16);
    }
    const int xs[4] = {100, 400, 350, 120}, ys[4] = {40, 60, 300, 280};
    p_flood(s, xs, ys, 4, 12);
    for (int k = 0; k < 40; ++k) p_line(s, 5 * k, 1, 640 - 7 * k, 350, k % 16);
    p_text(s, "page image", 200, 150, 14, 0, 15);
  }
};

TEST_F(PageImages, RunsOfSevenEightAnd1792PointsTakeOneTwoAndThreeBytes) {
  std::vector<uint8_t> bytes;
  ByteWriter out(bytes);
  for (const int l : {7, 8, 1791, 1792, 65535}) code_run(out, l, 9);
  expect_golden(bytes, "runs.pci");
  // Decoded, each run lies on the row of its last point: 7 + 8 points on row 1, the run of 1791
  // from the start of row 3 (it began on row 1), the one of 1792 on row 6.
  p_putpca(s, 1, 1, 1, 1, 640, 350, bytes, 1.0f);
  EXPECT_EQ((std::array{t.count(9, 1, 1, 640, 1), t.count(9, 1, 2, 640, 2),
                        t.count(9, 1, 3, 640, 3), t.count(9, 1, 6, 640, 6)}),
            (std::array{15, 0, 1805 - 2 * 640 + 1, 7 + 8 + 1791 + 1792 - 5 * 640}));
}

TEST_F(PageImages, OneColourPageCodesIntoOneRunPerRowAndDecodesBack) {
  clear(0);
  p_rect(s, 1, 1, 100, 3, 1, 5);
  const std::vector<uint8_t> image = code(1, 1, 101, 3);
  // Row 1: 100 points; rows 2 and 3: 640 positions each (the rest of the row above, then 100).
  expect_golden(image, "one_colour.pci");
  clear(0);
  p_putpca(s, 1, 1, 1, 1, 640, 350, image, 1.0f);
  EXPECT_EQ((std::array{t.count(5, 1, 1, 100, 3), t.lit()}), (std::array{300, 300}));
}

TEST_F(PageImages, PicturesDecodeBackPointForPoint) {
  for (const auto& r : {std::array{1, 1, 641, 350}, std::array{30, 20, 489, 238}}) {
    draw();
    const std::vector<uint8_t> drawn(s.frame.raster);
    std::vector<uint8_t> buf(400000);
    const int n = getpca(s, r[0], r[1], r[2], r[3], buf);
    ASSERT_GT(n, 0);
    clear(3);
    p_putpca(s, r[0], r[1], 1, 1, 640, 350, std::span<const uint8_t>(buf.data(), n), 1.0f);
    for (int y = 1; y <= kCanvasH; ++y) {
      for (int x = 1; x <= kCanvasW; ++x) {
        const bool inside = x >= r[0] && x < r[2] && y >= r[1] && y <= r[3];
        ASSERT_EQ(s.frame.at(x, y), inside ? drawn[(x - 1) + (y - 1) * kCanvasW] : 3)
            << x << "," << y;
      }
    }
  }
}

TEST_F(PageImages, AnImageThatDoesNotFitIsRefusedWithoutWritingPastTheBuffer) {
  checkerboard();
  std::vector<uint8_t> buf(kImageBytes + 16, 0xee);
  EXPECT_TRUE(getpca(s, 1, 1, 641, 350, std::span<uint8_t>(buf.data(), kImageBytes)) == -1 &&
              std::count(buf.begin() + kImageBytes, buf.end(), 0xee) == 16);
  page(s, 1, 1, 80, 25, 0);
  checkerboard();
  EXPECT_TRUE(!getpage(s) && s.frame.kadr.image_size == 0);
}

TEST_F(PageImages, DamagedCodesStayInsideTheBox) {
  clear(0);
  // A run ending on row 15 at column 599, far wider than the box; then a run past the box,
  // a two-byte and a three-byte form cut short.
  const int l = 15 * 640 + 600;
  const std::vector<uint8_t> image = {112 + 4, l % 256, l / 256, 112 + 5, 255, 255, 16 + 6, 0};
  p_putpca(s, 50, 50, 60, 60, 80, 70, image, 1.0f);
  EXPECT_EQ((std::array{t.count(4), t.count(4, 60, 65, 80, 65), t.lit()}),
            (std::array{21, 21, 21}));
  const std::vector<uint8_t> cut = {112 + 7, 1};
  p_putpca(s, 50, 50, 60, 60, 80, 70, cut, 1.0f);
  // Nothing drawn for a scale that makes no sense.
  p_putpca(s, 1, 1, 1, 1, 640, 350, image, -1.0f);
  EXPECT_EQ(t.lit(), 21);
}

TEST_F(PageImages, ScaledImagesLeaveNoGaps) {
  clear(0);
  p_rect(s, 1, 1, 3, 1, 1, 2);
  p_rect(s, 4, 1, 6, 1, 1, 5);
  const std::vector<uint8_t> image = code(1, 1, 7, 2);
  clear(0);
  p_putpca(s, 10, 10, 1, 1, 640, 350, image, 2.0f);
  EXPECT_EQ((std::array{t.count(2, 20, 20, 25, 21), t.count(5, 26, 20, 31, 21), t.lit()}),
            (std::array{12, 12, 24}));
}

TEST_F(PageImages, PageFilesRestoreThePageAndRefuseDamagedOnes) {
  WorkDir dir;
  page(s, 1, 1, 61, 17, 1);
  checkerboard();
  ASSERT_FALSE(savepage(s, "page.pct"));  // a checkerboard does not fit in 32000 bytes
  EXPECT_FALSE(std::filesystem::exists("page.pct"));
  clear(0);
  p_rect(s, 20, 20, 300, 200, 1, 6);
  pageborder(s);
  ASSERT_TRUE(savepage(s, "page.pct"));
  const std::vector<uint8_t> file = slurp("page.pct");
  clear(9);
  EXPECT_TRUE(restpage(s, "page.pct"));
  EXPECT_EQ((std::array{t.count(9, 1, 1, 488, 238), t.count(6)}), (std::array{0, 281 * 181}));

  std::vector<uint8_t> big = file;
  big[1] = 0x7e;  // an image size of more than 32000 bytes
  std::vector<uint8_t> cut(file.begin(), file.end() - 1);
  clear(9);
  EXPECT_EQ((std::array{put_page_file(s, big), put_page_file(s, cut),
                        put_page_file(s, std::vector<uint8_t>{1, 0}), restpage(s, "missing.pct")}),
            (std::array{false, false, false, false}));
  EXPECT_EQ(t.count(9), kCanvasW * kCanvasH);
}

}  // namespace
}  // namespace tivor::test

// Picture files: the bytes of a fresh page and of a file of several blocks (golden files), the
// 16-bit coordinates, the replay that reproduces the raster, the reader's refusals of damaged
// files, and files that are only ever replaced whole.
#include <tuple>

#include "gfx_session.hpp"
#include "picture_records.hpp"

namespace tivor::test {
namespace {

struct PictureFiles : GfxTest {
  WorkDir dir;

  // Replays bytes on a cleared raster; the result of gf_replay.
  bool replay(const std::vector<uint8_t>& bytes) {
    std::fill(s.frame.raster.begin(), s.frame.raster.end(), uint8_t{0});
    return gf_replay(s, bytes, 1.0f);
  }
};

std::vector<uint8_t> header(int32_t total) {
  std::vector<uint8_t> b(4);
  for (int k = 0; k < 4; ++k) b[k] = static_cast<uint8_t>(static_cast<uint32_t>(total) >> (8 * k));
  return b;
}

void put16(std::vector<uint8_t>& b, int v) {
  b.push_back(static_cast<uint8_t>(v & 0xff));
  b.push_back(static_cast<uint8_t>((v >> 8) & 0xff));
}

// A line record in colour c between two points given in file units.
void line_record(std::vector<uint8_t>& b, int c, int x1, int y1, int x2, int y2) {
  b.push_back(static_cast<uint8_t>(c));
  for (int v : {x1, y1, x2, y2}) put16(b, v);
}

TEST_F(PictureFiles, FreshPageHoldsOnePolygonRecordAndIsShownAtItsEnd) {
  gout(s, 1, 1, 0);
  page(s, 1, 1, 80, 25, 0);
  EXPECT_FALSE(std::filesystem::exists("page.gf"));  // written under its temporary name
  color(s, 12);
  p_rect(s, 10, 10, 20, 20, 1, 12);  // raster only: not in the picture, gone after the replay
  endpg(s, 0);
  EXPECT_EQ(s.cgout.igout[0] + s.cgout.gf_mode, 0);
  // One record: the clearing rectangle, its 640 points stored as 32000.
  expect_golden(slurp("page.gf"), "fresh_page.gf");
  EXPECT_EQ(t.count(12), 0);
}

TEST_F(PictureFiles, CoordinatesAreFiftiethsOfAPointIn16Bits) {
  gfopen(s, "units.gf");
  gf_line(s, 655.34f, 10.9f, 700.0f, -3.0f, -1);
  gf_text(s, "ab   ", 1.0f, 2.0f, 8.0f, 70000, 21);
  gfclose(s);
  const auto recs = records(slurp("units.gf"));
  ASSERT_EQ(recs.size(), 2u);
  // A negative colour is the drawing colour.
  EXPECT_EQ(std::tie(recs[0].colour, recs[0].v),
            std::tuple(7, std::vector<int>{32767, 544, 35000 - 65536, -150}));
  EXPECT_EQ(std::tie(recs[1].colour, recs[1].v, recs[1].text),
            std::tuple(5, std::vector<int>{50, 100, 400, 70000 - 65536, 2}, std::string("ab")));
}

TEST_F(PictureFiles, LongPicturesAreCutIntoBlocksWithEndBytesOnAllButTheLast) {
  gfopen(s, "blocks.gf");
  for (int i = 0; i < 4000; ++i) line(s, i % 640 + 0.5f, 1.0f, 640.0f - i % 640, 350.0f, i % 16);
  gfclose(s);
  // 3501 records make more than 31500 pending bytes: the next one starts a new block.
  const std::vector<uint8_t> b = slurp("blocks.gf");
  expect_golden(b, "blocks.gf");
  const std::vector<uint8_t> drawn(s.frame.raster);
  EXPECT_TRUE(replay(b) && s.frame.raster == drawn);
}

TEST_F(PictureFiles, ReplayReproducesThePicturePointForPoint) {
  gout(s, 1, 1, 0);
  page(s, 1, 1, 61, 17, 1);
  region(s, 4, 2, 50, 16, 1);
  limits(s, -1.0f, 1.0f, -1.0f, 1.0f);
  // Zones and lines of a grid reaching past the region: drawn with region clipping.
  constexpr int n = 9;
  float f[n * n], x[n * n], y[n * n];
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      x[i + j * n] = -1.4f + 2.8f * i / (n - 1);
      y[i + j * n] = -1.2f + 2.4f * j / (n - 1);
      f[i + j * n] = x[i + j * n] * y[i + j * n];
    }
  }
  const float lev[4] = {-0.5f, -0.1f, 0.1f, 0.5f};
  const int32_t col[5] = {1, 9, 2, 12, 4};
  izolc(s, f, x, y, n, n, lev, col, 4);
  izol(s, f, x, y, n, n, lev, col, 4);
  clrscale(s, lev, col, 4);
  text(s, "replay", 30.0f, 220.0f, 8.0f, 0, 14);
  color(s, 11);
  rect(s, 300.5f, 20.7f, 380.2f, 90.9f, 0);
  const std::vector<uint8_t> drawn(s.frame.raster);
  EXPECT_GT(t.count(2) + t.count(12), 1000);
  lpg(s, 2);
  // The page's end shows the file over the picture; the replay leaves the caller's clip as it was.
  ASSERT_TRUE(std::filesystem::exists("page.gf") && s.frame.raster == drawn);
  EXPECT_TRUE(replay(slurp("page.gf")) && s.frame.raster == drawn && s.grf.clip_mode == 1);
}

TEST_F(PictureFiles, DamagedFilesEndThePictureWithoutReadingPastTheData) {
  std::vector<uint8_t> good = header(0);
  line_record(good, 9, 500, 500, 5000, 500);  // 10..100 on row 10
  auto with = [&](const std::vector<uint8_t>& tail) {
    std::vector<uint8_t> b = good;
    b.insert(b.end(), tail.begin(), tail.end());
    const auto total = static_cast<int32_t>(b.size() - 4);
    for (int k = 0; k < 4; ++k) b[k] = static_cast<uint8_t>(total >> (8 * k));
    return b;
  };
  const int line_points = 91;

  // A polygon record cut short, a text longer than its data, a polygon of 501 vertices, an
  // unknown kind: each ends the picture after what came before.
  std::vector<uint8_t> cut = {32 + 4, 4, 0, 1, 2};
  std::vector<uint8_t> text_over = {16 + 3, 1, 0, 1, 0, 1, 0, 0, 0, 200, 0, 'a', 'b'};
  std::vector<uint8_t> polygon_over = {32 + 5};
  put16(polygon_over, 501);
  for (int k = 0; k < 501; ++k) {
    put16(polygon_over, 1000 + k);
    put16(polygon_over, 1000 + (k % 7) * 500);
  }
  std::vector<uint8_t> unknown = {50, 0, 0, 0, 0, 0, 0, 0, 0};
  line_record(unknown, 9, 500, 1000, 5000, 1000);
  for (const auto& tail : {cut, text_over, polygon_over, unknown})
    EXPECT_TRUE(!replay(with(tail)) && t.lit() == line_points) << tail.size();
  // A header promising more than the file holds: the block cannot be read.
  std::vector<uint8_t> lying = good;
  lying[0] = 200;
  EXPECT_EQ((std::array{replay(lying), replay({1, 0}), replay(header(-5)), t.lit() != 0}),
            (std::array{false, false, false, false}));

  // A block ending early with its end byte: the next block starts after it.
  std::vector<uint8_t> two = good;
  two.push_back(129);
  line_record(two, 4, 500, 1000, 5000, 1000);
  two[0] = static_cast<uint8_t>(two.size() - 4);
  EXPECT_TRUE(replay(two) && t.count(4) == line_points);

  spit("short.gf", lying);
  gf_view(s, "short.gf", 1.0f);
  gf_view(s, "missing.gf", 1.0f);
  EXPECT_EQ(t.messages, (std::vector<std::string>{"Cannot read file", "file not found"}));
}

TEST_F(PictureFiles, AFileIsReplacedOnlyWhenTheNewPictureIsComplete) {
  std::ofstream("old.gf", std::ios::binary) << "old picture";
  gfopen(s, "old.gf");
  line(s, 1, 1, 50, 50, 3);
  EXPECT_EQ(slurp("old.gf").size(), 11u);
  gfclose(s);
  EXPECT_TRUE(slurp("old.gf").size() == 4u + 9u && !std::filesystem::exists("old.gf.tmp"));

  // A picture that cannot be written leaves nothing behind, and drawing goes on.
  gfopen(s, "no/such/dir/x.gf");
  line(s, 1, 1, 50, 50, 3);
  gfclose(s);
  EXPECT_TRUE(!std::filesystem::exists("no") && s.cgout.igout[0] == 0);
}

}  // namespace
}  // namespace tivor::test

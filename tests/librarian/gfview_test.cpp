// The gfview program run on picture files and libraries, good and damaged: its exit status, the
// message on stderr and the PNG files it leaves.
#include <sstream>

#include "host/png_writer.hpp"
#include "host/process.hpp"
#include "librarian/library_fixture.hpp"

namespace tivor::librarian_test {
namespace {

struct Gfview : LibraryTest {
  std::string err;
  // Runs gfview on in and out; its exit status, stderr in err.
  int run(const std::string& in, const std::string& out) {
    const int status = run_shell_line(std::string(GFVIEW_PROGRAM) + " '" + in + "' '" + out +
                                      "' >out.txt 2>err.txt");
    std::ostringstream text;
    text << std::ifstream("err.txt").rdbuf();
    err = text.str();
    return status;
  }
};

void put16(std::vector<uint8_t>& b, int v) {
  b.push_back(static_cast<uint8_t>(v & 0xff));
  b.push_back(static_cast<uint8_t>((v >> 8) & 0xff));
}

TEST_F(Gfview, WritesGoodPicturesAndNamesTheFirstBadRecordOfDamagedOnes) {
  gfopen(*s, "good.gf");
  color(*s, 4);
  rect(*s, 40, 30, 200, 120, 1);
  gfclose(*s);
  ASSERT_EQ(run("good.gf", "good.png"), 0) << err;
  const auto png = read_png_rgb("good.png");
  ASSERT_TRUE(png);
  EXPECT_EQ(png->at(100, 70), kConsolePalette[static_cast<size_t>(colpal(4))]);
  EXPECT_EQ(png->at(400, 300), kConsolePalette[static_cast<size_t>(colpal(0))]);

  // Each damaged record after the good one: a polygon of 30000 points, a text of 32767
  // characters, a record of no known kind.
  const std::vector<uint8_t> good = slurp("good.gf");
  const std::string at = " at byte " + std::to_string(good.size());
  std::vector<uint8_t> polygon = {32 + 2}, text = {16 + 3, 1, 0, 1, 0, 1, 0, 0, 0}, odd = {50};
  put16(polygon, 30000);
  put16(text, 32767);
  for (int k = 0; k < 40; ++k) {
    polygon.push_back(static_cast<uint8_t>(k * 37));
    text.push_back('a');
    odd.push_back(static_cast<uint8_t>(k * 53));
  }
  const std::pair<std::vector<uint8_t>, std::string> cases[] = {
      {polygon, "bad polygon record" + at},
      {text, "bad text record" + at},
      {odd, "unknown record kind 50" + at}};
  for (const auto& [tail, message] : cases) {
    std::vector<uint8_t> b = good;
    b.insert(b.end(), tail.begin(), tail.end());
    const auto total = static_cast<uint32_t>(b.size() - 4);
    for (int k = 0; k < 4; ++k) b[static_cast<size_t>(k)] = static_cast<uint8_t>(total >> (8 * k));
    spit("bad.gf", b);
    EXPECT_EQ(run("bad.gf", "bad.png"), 1);
    EXPECT_NE(err.find(message), std::string::npos) << err;
  }
  std::vector<uint8_t> negative = good;
  negative[3] = 0xff;
  spit("bad.gf", negative);
  EXPECT_EQ(run("bad.gf", "bad.png"), 1);
  EXPECT_NE(err.find("bad header"), std::string::npos) << err;
  EXPECT_FALSE(fs::exists("bad.png"));
}

TEST_F(Gfview, TellsLibrariesByTheirContent) {
  std::vector<uint8_t> bytes;
  for (const int c : {4, 9}) {
    FrameHeader h{};
    const uint8_t image[2] = {static_cast<uint8_t>(c), 100};  // 100 points of colour c
    append_frame_record(bytes, h, image);
  }
  spit("FILM.LBR", bytes);
  ASSERT_EQ(run("FILM.LBR", "frames"), 0) << err;
  for (const int c : {4, 9}) {
    const auto png = read_png_rgb("frames/frame00" + std::to_string(c == 4 ? 1 : 2) + ".png");
    ASSERT_TRUE(png);
    EXPECT_EQ(png->at(50, 0), kConsolePalette[static_cast<size_t>(colpal(c))]);
  }

  // A damaged tail: the frames before it are written, the record is named.
  bytes.resize(bytes.size() - 2);
  spit("film.lbr", bytes);
  EXPECT_EQ(run("film.lbr", "frames"), 1);
  EXPECT_NE(err.find("damaged frame record at byte 54 after frame 1"), std::string::npos) << err;
}

}  // namespace
}  // namespace tivor::librarian_test

// The gfview program on good and damaged files: exit status, stderr and the pictures written.
#include "host/png_writer.hpp"
#include "host/process.hpp"
#include "librarian/library_fixture.hpp"
#include "support/files.hpp"

namespace tivor::librarian_test {
namespace {

struct Gfview : LibraryTest {
  std::string err;
  int run(const std::string& args) {
    const int status = run_shell_line(std::string(GFVIEW_PROGRAM) + " " + args + " 2>err");
    err = test::file_bytes("err");
    return status;
  }
  static Rgb colour(int c) { return kConsolePalette[static_cast<size_t>(colpal(c))]; }
};

TEST_F(Gfview, WritesGoodFilesAndNamesTheFirstDamagedRecord) {
  gfopen(*s, "good.gf");
  color(*s, 4);
  rect(*s, 40, 30, 200, 120, 1);
  gfclose(*s);
  ASSERT_EQ(run("good.gf good.png"), 0) << err;
  EXPECT_EQ(read_png_rgb("good.png").value().at(100, 70), colour(4));
  // Polygon of 30000 points, text of 32767 characters, unknown kind; then a negative header.
  const std::vector<uint8_t> good = slurp("good.gf");
  const std::string at = " at byte " + std::to_string(good.size());
  const std::pair<std::vector<uint8_t>, std::string> cases[] = {
      {{32 + 2, 0x30, 0x75, 1, 2, 3, 4}, "bad polygon record" + at},
      {{16 + 3, 1, 0, 1, 0, 1, 0, 0, 0, 0xff, 0x7f, 'a'}, "bad text record" + at},
      {{50, 7, 7, 7, 7, 7, 7, 7, 7}, "unknown record kind 50" + at},
      {{}, "bad header -256"}};
  for (const auto& [tail, message] : cases) {
    std::vector<uint8_t> b = good;
    b.insert(b.end(), tail.begin(), tail.end());
    const uint32_t total = tail.empty() ? 0xffffff00u : static_cast<uint32_t>(b.size() - 4);
    for (size_t k = 0; k < 4; ++k) b[k] = static_cast<uint8_t>(total >> (8 * k));
    spit("bad.gf", b);
    EXPECT_EQ(run("bad.gf bad.png"), 1);
    EXPECT_NE(err.find(message), std::string::npos) << err;
  }
  EXPECT_FALSE(fs::exists("bad.png"));
  // A library is known by its content, whatever the case of its extension.
  std::vector<uint8_t> lib;
  for (const uint8_t c : {4, 9}) append_frame_record(lib, {}, std::vector<uint8_t>{c, 100});
  spit("FILM.LBR", lib);
  ASSERT_EQ(run("FILM.LBR frames"), 0) << err;
  EXPECT_EQ(read_png_rgb("frames/frame002.png").value().at(50, 0), colour(9));
  // A library damaged after its first frame leaves no picture behind.
  lib.pop_back();
  spit("cut.lbr", lib);
  EXPECT_EQ(run("cut.lbr cut"), 1);
  EXPECT_FALSE(fs::exists("cut/frame001.png"));
}

}  // namespace
}  // namespace tivor::librarian_test

// Picture libraries: the file format (a golden file), frames that decode back to the page, the
// refusals that keep a library whole (full, damaged, unreadable), deleting with renumbering, and
// the menu's define and movie dialogues.
#include <unistd.h>

#include <sstream>

#include "librarian/library_fixture.hpp"

namespace tivor::librarian_test {
namespace {

// A library of frames f1, f2, ... whose images are one run of one point each.
std::vector<uint8_t> library_of(int frames) {
  std::vector<uint8_t> bytes;
  for (int i = 1; i <= frames; ++i) {
    FrameHeader h{};
    set_field(h.name, "f" + std::to_string(i));
    h.number = i;
    h.t = 0.5f * static_cast<float>(i);
    const uint8_t image[1] = {static_cast<uint8_t>(128 + 16 + i % 16)};
    append_frame_record(bytes, h, image);
  }
  return bytes;
}

void draw_scene(Session& s, int colour) {
  color(s, colour);
  rect(s, 40, 30, 200, 120, 1);
  line(s, 10, 200, 480, 20, 14);
}

TEST_F(LibraryTest, SavedFramesMatchTheGoldenFileAndShowTheirPagesAgain) {
  spit("lbr/film.lbr", {});
  choose("lbr/film.lbr");
  draw_scene(*s, 4);
  const std::vector<uint8_t> first(s->frame.raster);
  apsave(*s, 1.5f, "alpha", 1);
  draw_scene(*s, 9);
  apsave(*s, 2.5f, "beta", 1);
  EXPECT_TRUE(s->frame.kadr.nkadr == 2 && s->frame.kadr.changed == 1);

  test::expect_golden(slurp("lbr/film.lbr"), "two_frames.lbr", "librarian");

  // Reading the file again rebuilds the same directory.
  s->frame.kadr.nkadr = 0;
  aplpds(*s, 0);
  ASSERT_EQ(s->frame.kadr.nkadr, 2);
  const FrameHeader& beta = s->frame.kadr.dir[1];
  EXPECT_TRUE(std::string(beta.name, 8) == "beta    " && beta.number == 2 && beta.t == 2.5f);

  // Showing frame 1 puts the first page back point for point.
  std::fill(s->frame.raster.begin(), s->frame.raster.end(), uint8_t{6});
  host.line("1 1");
  apfile(*s, 1);
  for (int y = 1; y <= 238; ++y) {
    for (int x = 1; x <= 488; ++x) {
      ASSERT_EQ(s->frame.at(x, y), first[(x - 1) + (y - 1) * kCanvasW]) << x << "," << y;
    }
  }
  EXPECT_EQ(s->frame.at(489, 1), 6);
}

TEST_F(LibraryTest, FullLibraryRefusesASaveAndStaysUnchanged) {
  spit("lbr/full.lbr", library_of(kMaxFrames));
  choose("lbr/full.lbr");
  ASSERT_EQ(s->frame.kadr.nkadr, kMaxFrames);
  host.press(key::kEnter);
  apsave(*s, 1.0f, "extra", 1);
  EXPECT_TRUE(seen(" aksave: library full") && s->frame.kadr.nkadr == kMaxFrames);
  EXPECT_EQ(slurp("lbr/full.lbr"), library_of(kMaxFrames));
}

TEST_F(LibraryTest, DeletingFramesTwoToThreeOfFiveRenumbersTheRest) {
  spit("lbr/five.lbr", library_of(5));
  choose("lbr/five.lbr");
  host.line("2 3");
  apdele(*s);
  ASSERT_EQ(s->frame.kadr.nkadr, 3);
  const char* names[] = {"f1      ", "f4      ", "f5      "};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(std::string(s->frame.kadr.dir[i].name, 8), names[i]);
    EXPECT_EQ(s->frame.kadr.dir[i].number, i + 1);
  }
  // The file holds the same three frames, renumbered, and nothing else.
  std::ifstream in("lbr/five.lbr", std::ios::binary);
  const Directory d = read_directory(in, 1000);
  ASSERT_EQ(d.heads.size(), 3u);
  EXPECT_TRUE(!d.damaged && d.heads[1].number == 2 && d.heads[1].t == 2.0f);

  // A rewrite that fails keeps the library whole.
  const std::vector<uint8_t> three = slurp("lbr/five.lbr");
  fs::create_directory("lbr/five.lbr.tmp" + std::to_string(::getpid()));
  host.script("1 1<Enter><Enter>");
  apdele(*s);
  EXPECT_TRUE(seen(" write error") && s->frame.kadr.nkadr == 3 && slurp("lbr/five.lbr") == three);
  fs::remove("lbr/five.lbr.tmp" + std::to_string(::getpid()));

  // Deleting everything leaves an empty library that still takes frames.
  host.script("1 9<Enter><Enter>");  // a key for " library ... is empty. "
  apdele(*s);
  EXPECT_TRUE(s->frame.kadr.nkadr == 0 && seen(" library lbr/five.lbr is empty."));
  apsave(*s, 3.0f, "again", 1);
  EXPECT_EQ(s->frame.kadr.nkadr, 1);
}

TEST_F(LibraryTest, DamagedRecordsEndReadingAndBlockChanges) {
  std::vector<uint8_t> bytes = library_of(3);
  bytes[bytes.size() - 4] ^= 1;  // the third record's trailing length
  spit("lbr/bad.lbr", bytes);
  host.press(key::kEnter);
  choose("lbr/bad.lbr");
  EXPECT_TRUE(s->frame.kadr.nkadr == 2 && seen(" read error"));

  // Saving (as a film does) and deleting refuse a library not read whole, and leave it as it is.
  host.press(key::kEnter);
  apsave(*s, 1.0f, "x", 1);
  EXPECT_TRUE(seen("apsave: read error, kadr=  3"));
  host.script("1 1<Enter><Enter>");
  apdele(*s);
  EXPECT_EQ(slurp("lbr/bad.lbr"), bytes);

  // Deleting from a library of more frames than the directory holds keeps those past it.
  spit("lbr/many.lbr", library_of(kMaxFrames + 2));
  choose("lbr/many.lbr");
  host.line("1 1");
  apdele(*s);
  EXPECT_EQ(slurp("lbr/many.lbr").size(), (kMaxFrames + 1u) * 53);  // records of one image byte

  // Records that lie about their sizes are refused whole, never read past.
  for (const int32_t n : {-1, kImageBytes + 1, 1 << 30}) {
    std::vector<uint8_t> lie = library_of(1);
    for (int k = 0; k < 4; ++k) {
      lie[4 + k] = static_cast<uint8_t>(static_cast<uint32_t>(n) >> (8 * k));
      lie[k] = static_cast<uint8_t>(static_cast<uint32_t>(n + 44) >> (8 * k));
    }
    std::istringstream in(std::string(lie.begin(), lie.end()));
    const Directory d = read_directory(in, 100);
    EXPECT_TRUE(d.heads.empty() && d.damaged) << n;
  }
}

TEST_F(LibraryTest, ListingKeepsItsColumnsApartUnderTheirHeadings) {
  FrameHeader h{};
  set_field(h.name, "abcdefgh");
  h.t = -0.27f;
  std::vector<uint8_t> bytes;
  append_frame_record(bytes, h, std::vector<uint8_t>(10765, 0x80));
  spit("lbr/wide.lbr", bytes);
  choose("lbr/wide.lbr");
  host.press(key::kEnter);
  aplpds(*s, 1);
  const std::string& sc = screens.back();  // the size ends under "bytes"
  EXPECT_EQ(sc.find("  1 abcdefgh -0.270E+00   10765") % (kCols + 1) + 26,
            sc.find("bytes") % (kCols + 1));
}

TEST_F(LibraryTest, DefiningALibraryAsksBeforeMakingANewOne) {
  // Everything but the movie defines a library first; "n" leaves none chosen, then "y" makes the
  // new, empty library (its message takes a key).
  host.script("<Enter>films<Enter>n<Enter><Enter>films<Enter>y<Enter><Esc>");
  apict1(*s, 0.0f);
  for (const char* t :
       {" enter name for picture library:", "lbr/films.lbr library not found",
        "lbr/films.lbr : is it a new library? (y/n):", " library lbr/films.lbr is empty."}) {
    EXPECT_TRUE(seen(t)) << t;
  }
  int chosen = 0, changed = 0;
  plib_tst(*s, chosen, changed);
  EXPECT_TRUE(fs::exists("lbr/films.lbr") && chosen == kLibraryChosen && changed == 0);
}

TEST_F(LibraryTest, MoviePlaysAnyLibraryAndKeepsTheCurrentOne) {
  host.script("<Down><Enter><Enter><Esc>");
  apict1(*s, 0.0f);
  EXPECT_TRUE(seen("picture libraries not found.."));

  spit("lbr/aaa.lbr", library_of(4));
  spit("lbr/bbb.lbr", library_of(2));
  set_field(s->frame.kadr.libname, "lbr/bbb.lbr");
  s->frame.kadr.chosen = kLibraryChosen;
  // show movie, the first one (aaa), leave
  host.script("<Down><Enter><Enter><Esc>");
  apict1(*s, 0.0f);
  EXPECT_TRUE(seen(" choose movie:") && field_str(s->frame.kadr.libname) == "lbr/bbb.lbr");
  EXPECT_EQ(s->frame.kadr.image[0], 128 + 16 + 4);  // all four frames were shown

  // A key stops the movie after the frame it was pressed in.
  host.polled.push_back(key::kEsc);
  set_field(s->frame.kadr.libname, "lbr/aaa.lbr");
  apfile(*s, 0);
  EXPECT_EQ(s->frame.kadr.image[0], 128 + 16 + 1);
}

}  // namespace
}  // namespace tivor::librarian_test

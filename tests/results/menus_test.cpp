// The viewer's menus driven by scripted keys: the results menu and its defaults, the picture file,
// the options with their corrections and the colour editor, the boundaries menu, the viewer
// entry by class, and the help topics of every item.
#include <array>
#include <filesystem>
#include <set>
#include <sstream>

#include "gfx/picture_records.hpp"
#include "results/pictures.hpp"
#include "results_fixture.hpp"

namespace tivor::results_test {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kInitialised = -1000000;

class Menus : public ResultsTest {
 protected:
  Menus() { record_screens(); }
  // Runs the menu to its end; false when the keys ran out first.
  bool runs(void (*menu)(Session&)) {
    try {
      menu(*s);
    } catch (const ProgramStop&) {
      return false;
    }
    return host.events.empty();
  }
};

// Everything of the settings but the window and the limits.
Cterm without_window_and_limits(Cterm t) {
  std::fill(std::begin(t.reg), std::end(t.reg), 0.0f);
  std::fill(std::begin(t.rlim), std::end(t.rlim), 0.0f);
  return t;
}

TEST_F(Menus, EntryInitialisesTheSettingsOnceAndEscLeavesWithTheFlagAsItWas) {
  ASSERT_TRUE(prepare(kSquare));
  fs::create_directories("hlp");
  fs::copy_file(std::string(TIVOR_SOURCE_DIR) + "/hlp/auto.hlp", "hlp/auto.hlp");
  // A boundary parameter array at the top of the pool: rlig(2) takes its last value.
  Cmesh& c = s->cmesh;
  c.n3 = 3, c.jcsi = s->csize.na - 10;
  reals(*s, c.jcsi)[2] = 4.5f;
  Cterm& t = s->cterm;
  t = Cterm{};
  t.rmesh = 0.25f, t.ipc = 7, t.np = 3, t.ntabl = 3;
  set_flag(*s, 7);
  // F1 on the third item (mesh) shows its own topic of the program's help file.
  for (int k : {key::kDown, key::kDown, key::kF1, int{' '}, key::kEsc}) host.press(k);
  ASSERT_TRUE(runs(term));
  EXPECT_TRUE(seen("Draws the mesh: every element as its outline") && seen("contur lines"));
  EXPECT_EQ((std::array{float(iflag(*s)), float(t.ntabl), t.rlig[1]}),
            (std::array{7.f, 20.f, 4.5f}));
  EXPECT_TRUE(t.rlim[0] >= t.rlim[1] && t.reg[0] >= t.reg[2]);  // automatic limits and window
  int32_t colours[95];
  default_zone_colours(t.nl, colours);
  EXPECT_TRUE(std::equal(colours, colours + 95, t.icolor));
  // Left as they were: the class's deformation factor, the picture and the film rhythm.
  EXPECT_EQ((std::array{t.rmesh * 100, float(t.ipc), float(t.np)}), (std::array{25.f, 7.f, 3.f}));
  // Initialised settings are kept on the next visit.
  t.ntabl = 3;
  host.press(key::kEsc);
  ASSERT_TRUE(runs(term));
  EXPECT_EQ(t.ntabl, 3);
}

TEST_F(Menus, DefaultsResetOnlyWindowAndLimitsAndKeepTheItemSelected) {
  ASSERT_TRUE(prepare(kSquare));
  Cterm& t = s->cterm;
  t.reg[0] = 0.1f, t.reg[1] = 0.2f, t.reg[2] = 0.7f, t.reg[3] = 0.9f;
  t.rlim[0] = 0.3f, t.rlim[1] = 0.6f;
  t.nf = 2, t.nl = 5, t.isymg = 2, t.rspeed = 0.3f, t.ntabl = 7, t.nlinur = 9, t.ipc = 7;
  t.rlin[2] = 0.5f;
  const Cterm before = t;
  uint16_t highlighted = 0;
  const int w0 = host.waits;
  host.on_wait = [&](int n) {
    if (n - w0 == 3) highlighted = s->text.attr_at(64, 20);  // the 19th item, after "defaults"
  };
  press({key::kEnd, key::kEnter, key::kEsc});
  ASSERT_TRUE(runs(term));
  EXPECT_EQ((std::array{t.reg[2], t.rlim[0], t.rlim[1]}), (std::array{-1.0f, 0.0f, -1.0f}));
  EXPECT_GE(t.reg[0], t.reg[2]);
  const Cterm a = without_window_and_limits(t), b = without_window_and_limits(before);
  EXPECT_TRUE(std::memcmp(&a, &b, sizeof a) == 0 && highlighted == 3 * 16 + 0) << highlighted;
}

TEST_F(Menus, PrintPictureWritesAReplayableFileOnlyForAName) {
  ASSERT_TRUE(prepare(kSquare));
  s->cterm.ipc = 7;
  const int32_t colours0 = s->cterm.icolor[40];
  item(13);
  press({'y'});
  host.line("");  // an empty name: nothing
  item(13);
  press({'n'});
  item(13);
  press({'y'});
  host.line("zones.pic");
  press({key::kEsc});
  ASSERT_TRUE(runs(term));
  EXPECT_TRUE(seen("print picture ? (y/n)?") && seen("enter name for picture:"));
  ASSERT_TRUE(fs::exists("zones.gf"));
  EXPECT_EQ(std::ranges::count_if(fs::directory_iterator("."),
                                  [](const auto& e) { return e.path().extension() == ".gf"; }),
            1);
  EXPECT_EQ(s->cterm.icolor[40], colours0);
  const std::vector<uint8_t> drawn = s->frame.raster;
  std::fill(s->frame.raster.begin(), s->frame.raster.end(), uint8_t{0});
  ASSERT_TRUE(gf_replay(*s, test::slurp("zones.gf"), 1.0f));
  // The replay shows the zones as the screen did.
  const int zone_colour = s->cterm.icolor[0];
  EXPECT_GT(count_all(zone_colour), 500);
  int same = 0, total = 0;
  for (size_t i = 0; i < drawn.size(); ++i) {
    total += drawn[i] == zone_colour;
    same += drawn[i] == zone_colour && s->frame.raster[i] == zone_colour;
  }
  EXPECT_GT(same, total * 9 / 10);
}

TEST_F(Menus, FunctionChoiceSetsTheFunctionWithAutomaticLimits) {
  ASSERT_TRUE(prepare(kSquare));
  s->cterm.rlim[0] = 0.2f, s->cterm.rlim[1] = 0.8f, s->cterm.ipc = 7;
  std::fill(s->frame.raster.begin(), s->frame.raster.end(), uint8_t{0});
  item(18);
  press({key::kDown, key::kEnter, key::kEsc});
  ASSERT_TRUE(runs(term));
  EXPECT_TRUE(seen("choose function") && seen("conc2"));
  EXPECT_TRUE(s->cterm.nf == 2 && s->cterm.rlim[0] >= s->cterm.rlim[1]);  // automatic limits
  EXPECT_GT(count_all(), 1000);                                           // drawn
}

TEST_F(Menus, AddMeshOnlyOverContourPictures) {
  ASSERT_TRUE(prepare(kSquare));
  run(20);
  s->cterm.ipc = 3;
  std::fill(s->frame.raster.begin(), s->frame.raster.end(), uint8_t{0});
  item(12);
  press({key::kEsc});
  ASSERT_TRUE(runs(term));
  EXPECT_EQ(count_all(), 0);  // after the mesh picture: nothing

  item(6);   // contour zones
  item(12);  // and the mesh over them
  press({key::kEsc});
  int lines_before = 0;
  const int w0 = host.waits;
  host.on_wait = [&](int n) {
    if (n - w0 == 8) lines_before = count_all(15);  // the menu after the zones were drawn
  };
  ASSERT_TRUE(runs(term));
  EXPECT_GT(count_all(15), lines_before + 1000);
  // The zones are still there under the mesh.
  EXPECT_GT(count_all(s->cterm.icolor[0]) + count_all(s->cterm.icolor[10]), 1000);
}

TEST_F(Menus, ViewersOfOtherClassesAreRefused) {
  // The 3D classes have no viewer in this program; the 2D one is entered for the others.
  for (const char* code : {"gfe ", "sl  ", "the ", "ffd ", "gfd ", "dif "}) {
    fresh();
    std::memcpy(s->cls.clcode[0], code, 4);
    s->cls.iclass = 1, s->cterm.initerm = 0;
    screens.clear();
    const bool refused = std::string(code) != "dif ";
    press({refused ? int{' '} : key::kEsc});
    arez_viewer(*s);
    EXPECT_EQ(flag_tst(*s), refused) << code;
    EXPECT_EQ(seen("3D results viewer: not available in this program"), refused) << code;
    EXPECT_EQ(s->cterm.initerm == kInitialised, !refused) << code;
  }
  // The finite-difference family has neither a mesh picture nor a boundaries menu.
  std::memcpy(s->cls.clcode[0], "ffd ", 4);
  EXPECT_EQ(itermtip(*s), 2);
  press({' ', ' '});
  boundary_menu(*s);
  lmesh(*s);
  EXPECT_EQ(times_seen("for this class command is not avalable"), 2);
}

TEST_F(Menus, OptionsReadCorrectAndKeep) {
  Cterm& t = s->cterm;
  t.reg[0] = 0.5f;
  item(6, "0");      // lines_number
  item(7, "0");      // zones_number
  item(1, "");       // window: an empty answer keeps it
  item(2, "1 2.5");  // limits
  item(5);           // points_number: Esc keeps it
  press({key::kEsc});
  item(13, "3 -1");  // multi: the numbers given are taken, the others kept
  item(12, ".25");   // element_scale
  item(14, "2");     // prograph: the values start from the defaults the picture would set
  press({key::kEsc});
  ASSERT_TRUE(runs(termo));
  EXPECT_EQ((std::array{t.nlinur, t.nl, t.ntabl, t.prograph_set}), (std::array{25, 1, 20, 999999}));
  EXPECT_EQ((std::array{t.reg[0], t.rlim[0], t.rlim[1], t.rtmesh, t.ud1}),
            (std::array{0.5f, 1.0f, 2.5f, 0.25f, 2.0f}));
  EXPECT_EQ(std::vector<int32_t>(t.imulti, t.imulti + 6),
            (std::vector<int32_t>{3, -1, 3, 4, 5, 6}));
  for (const char* prompt :
       {"number of level lines =", "number of level zones =", "xmin ymin xmax ymax?", "fmin fmax?",
        "number of points for line graph (table)=   20", "multi=    1    2    3    4    5    6"}) {
    EXPECT_TRUE(seen(prompt)) << prompt;
  }
}

TEST_F(Menus, MirrorMakesTheWindowAutomaticAndOtherSwitches) {
  Cterm& t = s->cterm;
  t.reg[0] = 0.1f, t.reg[1] = 0.1f, t.reg[2] = 0.9f, t.reg[3] = 0.9f;
  item(9);  // mirror
  press({key::kRight, key::kEnter});
  item(10);  // vel/dir
  press({key::kLeft, key::kEnter});
  item(15);  // testgraf: test
  press({key::kEnd, key::kEnter, key::kEsc});
  ASSERT_TRUE(runs(termo));
  EXPECT_EQ((std::array{t.isymg, t.ispeed, t.test_graph}), (std::array{2, 1, 1}));
  EXPECT_GE(t.reg[0], t.reg[2]);
  // " test graph mode": the stored 0 of the defaults.
  EXPECT_TRUE(seen(" mirror off") && seen(" draw directions") && seen(" test graph mode"));

  // Leaving the mirror menu with Esc changes nothing.
  t.reg[2] = 2.0f;
  item(9);
  press({key::kEsc, key::kEsc});
  ASSERT_TRUE(runs(termo));
  EXPECT_TRUE(t.isymg == 2 && t.reg[2] == 2.f && seen(" mirror on"));
}

TEST_F(Menus, ColourEditorChangesKeepsAndDiscards) {
  Cterm& t = s->cterm;
  t.nl = 4;
  std::fill_n(t.icolor, 95, 5);
  std::vector<uint8_t> editor_screen;
  const int w0 = host.waits;
  host.on_wait = [&](int n) {
    if (n - w0 == 17) editor_screen = host.surface().pixels;  // the colours edited, before Enter
  };
  item(8);
  // Zone 2 up to 6, zone 3 typed as 12, zone 5 (the last of nl + 1) down to 4.
  press({key::kDown, '+', key::kDown, '1', '2', key::kEnd, '-', key::kEnter});
  item(8);
  press({'9', key::kEsc, key::kEsc});  // discarded
  ASSERT_TRUE(runs(termo));
  EXPECT_EQ(std::vector<int32_t>(t.icolor, t.icolor + 6),
            (std::vector<int32_t>{5, 6, 12, 5, 4, 5}));
  ASSERT_FALSE(editor_screen.empty());
  // The swatches show the colours as the pictures do.
  const ScreenSurface& surf = host.surface();
  for (const auto& [row, colour] : {std::pair{3, 6}, {4, 12}, {6, 4}}) {
    const int x = ((11 - 1) * 8 + 4) * surf.w / kCanvasW,
              y = ((row - 1) * 14 + 7) * surf.h / kCanvasH;
    EXPECT_EQ(editor_screen[static_cast<size_t>(y) * surf.w + x], colour) << row;
  }

  // d: the default colours for the zones.
  item(8);
  press({'d', key::kEnter, key::kEsc});
  ASSERT_TRUE(runs(termo));
  int32_t expected[95];
  default_zone_colours(4, expected);
  EXPECT_TRUE(std::equal(expected, expected + 95, t.icolor));

  // The default colours follow the number of zones; colours set in the editor stay.
  item(7, "12");
  item(8);
  press({'+', key::kEnter});
  item(7, "20");
  press({key::kEsc});
  ASSERT_TRUE(runs(termo));
  default_zone_colours(12, expected);
  EXPECT_EQ(t.icolor[0], expected[0] % 15 + 1);
  EXPECT_TRUE(std::equal(expected + 1, expected + 95, t.icolor + 1));
}

TEST(ZoneColours, EachColourMarksOneRunOfNeighbouringZones) {
  for (int nl = 1; nl <= 94; ++nl) {
    int32_t col[95];
    default_zone_colours(nl, col);
    std::set<int32_t> left;  // colours whose run has ended
    for (int i = 0; i <= nl; ++i) {
      EXPECT_TRUE(col[i] >= 1 && col[i] <= 14) << nl;  // neither the background nor white
      EXPECT_FALSE(left.count(col[i])) << nl << " zone " << i;
      if (i > 0 && col[i] != col[i - 1]) left.insert(col[i - 1]);
      if (i > 0 && nl < 14) {
        EXPECT_NE(col[i], col[i - 1]) << nl;  // a colour for each zone
      }
    }
  }
}

TEST_F(Menus, ConditionsAreDrawnAsZonesOfTheWorkField) {
  ASSERT_TRUE(prepare(kSquare));
  termi(*s);
  // check_conditions, conc1.
  press({key::kDown, key::kDown, key::kEnter, key::kEnter, key::kEsc});
  boundary_menu(*s);
  EXPECT_TRUE(seen("conditions"));
  const Cmesh& c = s->cmesh;
  // The work field: 0 on the side r = 0 where c1 is held, 1 away from it.
  const float* w = reals(*s, c.jdcr[4]);
  // The boundary element that ends in a corner of that side brings its other node along.
  const float* rz = reals(*s, c.jrz);
  int zeros = 0;
  for (int32_t i = 0; i < c.n1; ++i) {
    if (rz[2 * i] < 1e-6f) {
      EXPECT_EQ(w[i], 0.0f) << i;
    } else if (rz[2 * i] > 0.2f) {
      EXPECT_EQ(w[i], 1.0f) << i;
    }
    zeros += w[i] == 0.0f;
  }
  EXPECT_NEAR(zeros, 10, 1);
  // The lowest zone lies along the left side of the plot, the highest fills the rest.
  const int low = s->cterm.icolor[0], high = s->cterm.icolor[s->cterm.nl];
  EXPECT_GT(count(1, 1, 150, 240, low), 200);
  EXPECT_EQ(count(250, 1, 340, 240, low), 0);
  EXPECT_GT(count(150, 1, 340, 240, high), 5000);
  EXPECT_NE(s->cterm.ipc, 6);  // the picture type of the film stays
}

TEST_F(Menus, BoundsPicturesAndTheSubregionSwitch) {
  ASSERT_TRUE(prepare(kTwoRegions));
  termi(*s);
  item(2);  // subregion_bounds
  item(1);  // region_bounds
  item(4);  // view_subregions
  press({' ', key::kEsc});
  int with_subregions = 0;
  const int w0 = host.waits;
  host.on_wait = [&](int n) {
    if (n - w0 == 4) with_subregions = count_all(15);
    screens.push_back(test::screen_text(*s));
  };
  boundary_menu(*s);
  EXPECT_GT(with_subregions, count_all(15) + 50);  // the outer bounds only at the end
  EXPECT_TRUE(s->cterm.ipc == 6 && s->cterm.subregion_bounds == 1 && seen("subregion bounds on"));
}

// Every item of the viewer's menus finds its own topic in the delivered help file, not one whose
// name merely begins with the item's text.
TEST(ViewerHelp, EveryItemHasItsOwnTopic) {
  const std::string file = std::string(TIVOR_SOURCE_DIR) + "/hlp/auto.hlp";
  const std::vector<uint8_t> bytes = test::slurp(file);
  ASSERT_FALSE(bytes.empty());
  const std::string text(bytes.begin(), bytes.end());
  std::istringstream words(
      "options boundaries mesh velocities contur_lines contur_zones line_graph line_table "
      "history_graphs librarian produce_movie add_mesh print_picture multi tracks prograph user "
      "function defaults window limits mesh_motion line_for_graph points_number lines_number "
      "zones_number colors mirror vel/dir speed_scale element_scale testgraf off on directions "
      "text graph test region_bounds subregion_bounds check_conditions view_subregions table "
      "renew combine");
  for (std::string word; words >> word;) {
    std::replace(word.begin(), word.end(), '_', ' ');
    // The lines of the topic named exactly so.
    const size_t at = text.find("\n$" + word + "\n");
    ASSERT_NE(at, std::string::npos) << word;
    std::vector<std::string> own;
    std::istringstream rest(text.substr(at + word.size() + 3));
    for (std::string line; std::getline(rest, line) && line.rfind('$', 0) != 0;) {
      own.push_back(line);
    }
    std::ifstream in(file);
    EXPECT_EQ(help_topic_lines(in, word), own) << word;
  }
}

}  // namespace
}  // namespace tivor::results_test

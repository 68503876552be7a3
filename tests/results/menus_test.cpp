// The viewer's menus driven by scripted keys: the results menu and its defaults, the picture file,
// the options with their corrections and the colour editor, the boundaries menu, the viewer
// entry by class, and the help topics of every item.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "results/pictures.hpp"
#include "results/results.hpp"
#include "results_fixture.hpp"

namespace tivor::results_test {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kInitialised = -1000000;

class Menus : public ResultsTest {
 protected:
  Menus() {
    host.on_wait = [this](int) { screens.push_back(screen()); };
  }

  // Chooses item k of the menu on the screen (Home, then k - 1 times Down, Enter).
  void item(int k) {
    host.press(key::kHome);
    for (int i = 1; i < k; ++i) host.press(key::kDown);
    host.press(key::kEnter);
  }

  std::string screen() const { return test::screen_text(*s); }
  bool seen(const std::string& text) const {
    for (const std::string& sc : screens) {
      if (sc.find(text) != std::string::npos) return true;
    }
    return false;
  }
  // Runs the results menu to its end; false when the keys ran out first.
  bool run_term() {
    try {
      term(*s);
    } catch (const ProgramStop&) {
      return false;
    }
    return host.events.empty();
  }
  bool run_termo() {
    try {
      termo(*s);
    } catch (const ProgramStop&) {
      return false;
    }
    return host.events.empty();
  }

  std::vector<std::string> screens;
};

// Everything of the settings but the window and the limits.
Cterm without_window_and_limits(Cterm t) {
  std::fill(std::begin(t.reg), std::end(t.reg), 0.0f);
  std::fill(std::begin(t.rlim), std::end(t.rlim), 0.0f);
  return t;
}

TEST_F(Menus, DefaultsOfTheSettings) {
  ASSERT_TRUE(prepare(kSquare));
  // A boundary parameter array at the top of the pool: rlig(2) takes its last value.
  Cmesh& c = s->cmesh;
  c.n3 = 3;
  c.jcsi = s->csize.na - 10;
  reals(*s, c.jcsi)[2] = 4.5f;
  Cterm& t = s->cterm;
  t = Cterm{};
  t.rmesh = 0.25f;
  t.ipc = 7;
  t.np = 3;
  t.nlinur = 7;
  termi(*s);
  EXPECT_EQ(t.nf, 1);
  EXPECT_EQ(t.nl, 10);
  EXPECT_EQ(t.nhi[0], 0);
  EXPECT_EQ(t.nhi[1], 0);
  EXPECT_GE(t.rlim[0], t.rlim[1]);  // automatic
  EXPECT_EQ(std::vector<float>(t.rlin, t.rlin + 4), (std::vector<float>{0, 0, 1, 1}));
  EXPECT_GE(t.reg[0], t.reg[2]);  // automatic
  EXPECT_EQ(t.rspeed, 0.0f);
  EXPECT_EQ(t.ispeed, 2);
  EXPECT_EQ(t.rlig[0], 0.0f);
  EXPECT_EQ(t.rlig[1], 4.5f);
  EXPECT_EQ(t.isymg, 1);
  EXPECT_EQ(t.rtmesh, 0.5f);
  EXPECT_EQ(t.ntabl, 20);
  EXPECT_EQ(t.nlinur, 25);
  EXPECT_EQ(t.subregion_bounds, 0);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(t.imulti[k], k + 1);
  EXPECT_EQ(t.initerm, kInitialised);
  // Left as they were: the class's deformation factor, the picture and the film rhythm.
  EXPECT_EQ(t.rmesh, 0.25f);
  EXPECT_EQ(t.ipc, 7);
  EXPECT_EQ(t.np, 3);
  // The zone colours: a ramp over the 11 zones, all of them visible colours, distinct ends.
  for (int k = 0; k < 95; ++k) {
    EXPECT_GE(t.icolor[k], 1);
    EXPECT_LE(t.icolor[k], 14);
  }
  EXPECT_NE(t.icolor[0], t.icolor[10]);
  for (int k = 1; k <= 10; ++k) EXPECT_NE(t.icolor[k], t.icolor[k - 1]) << k;
}

TEST_F(Menus, EntryInitialisesOnceAndEscLeavesWithTheFlagAsItWas) {
  ASSERT_TRUE(prepare(kSquare));
  s->cterm.initerm = 0;
  s->cterm.ntabl = 3;
  set_flag(*s, 7);
  host.press(key::kEsc);
  ASSERT_TRUE(run_term());
  EXPECT_EQ(s->cterm.ntabl, 20);
  EXPECT_EQ(iflag(*s), 7);
  // Initialised settings are kept on the next visit.
  s->cterm.ntabl = 3;
  host.press(key::kEsc);
  ASSERT_TRUE(run_term());
  EXPECT_EQ(s->cterm.ntabl, 3);
  EXPECT_TRUE(seen("results"));
  EXPECT_TRUE(seen("contur lines"));
  EXPECT_TRUE(seen("defaults"));
}

TEST_F(Menus, F1ShowsTheItemsTopicFromTheProgramsHelpFile) {
  fs::create_directories("hlp");
  fs::copy_file(std::string(TIVOR_SOURCE_DIR) + "/hlp/auto.hlp", "hlp/auto.hlp");
  s->cterm.initerm = 0;
  host.press(key::kHome);
  host.press(key::kDown);
  host.press(key::kDown);
  host.press(key::kF1);
  host.press(' ');
  host.press(key::kEsc);
  ASSERT_TRUE(run_term());
  EXPECT_TRUE(seen("Draws the mesh: every element as its outline"));
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
  host.press(key::kEnd);
  host.press(key::kEnter);
  host.press(key::kEsc);
  ASSERT_TRUE(run_term());
  EXPECT_EQ(t.reg[2], -1.0f);
  EXPECT_GE(t.reg[0], t.reg[2]);
  EXPECT_EQ(t.rlim[0], 0.0f);
  EXPECT_EQ(t.rlim[1], -1.0f);
  const Cterm a = without_window_and_limits(t), b = without_window_and_limits(before);
  EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
  EXPECT_EQ(highlighted, 3 * 16 + 0);
}

TEST_F(Menus, PrintPictureWritesAReplayableFileOnlyForAName) {
  ASSERT_TRUE(prepare(kSquare));
  s->cterm.ipc = 7;
  const int32_t colours0 = s->cterm.icolor[40];
  item(13);
  host.press('y');
  host.line("");  // an empty name: nothing
  item(13);
  host.press('n');
  item(13);
  host.press('y');
  host.line("zones.pic");
  host.press(key::kEsc);
  ASSERT_TRUE(run_term());
  EXPECT_TRUE(seen("print picture ? (y/n)?"));
  EXPECT_TRUE(seen("enter name for picture:"));
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(".")) {
    if (e.path().extension() == ".gf") files.push_back(e.path().filename().string());
  }
  ASSERT_EQ(files, std::vector<std::string>{"zones.gf"});
  EXPECT_EQ(s->cterm.icolor[40], colours0);
  std::ifstream in("zones.gf", std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 100u);
  const std::vector<uint8_t> drawn = s->frame.raster;
  std::fill(s->frame.raster.begin(), s->frame.raster.end(), uint8_t{0});
  ASSERT_TRUE(gf_replay(*s, bytes, 1.0f));
  // The replay shows the zones as the screen did.
  const int zone_colour = s->cterm.icolor[0];
  EXPECT_GT(count_all(zone_colour), 500);
  int same = 0, total = 0;
  for (size_t i = 0; i < drawn.size(); ++i) {
    if (drawn[i] == zone_colour) {
      ++total;
      same += s->frame.raster[i] == zone_colour;
    }
  }
  EXPECT_GT(same, total * 9 / 10);
}

TEST_F(Menus, FunctionChoiceSetsTheFunctionWithAutomaticLimits) {
  ASSERT_TRUE(prepare(kSquare));
  s->cterm.rlim[0] = 0.2f;
  s->cterm.rlim[1] = 0.8f;
  s->cterm.ipc = 7;
  std::fill(s->frame.raster.begin(), s->frame.raster.end(), uint8_t{0});
  item(18);
  host.press(key::kDown);
  host.press(key::kEnter);
  host.press(key::kEsc);
  ASSERT_TRUE(run_term());
  EXPECT_TRUE(seen("choose function"));
  EXPECT_TRUE(seen("conc2"));
  EXPECT_EQ(s->cterm.nf, 2);
  EXPECT_GE(s->cterm.rlim[0], s->cterm.rlim[1]);
  EXPECT_GT(count_all(), 1000);  // drawn
}

TEST_F(Menus, AddMeshOnlyOverContourPictures) {
  ASSERT_TRUE(prepare(kSquare));
  run(20);
  s->cterm.ipc = 3;
  std::fill(s->frame.raster.begin(), s->frame.raster.end(), uint8_t{0});
  item(12);
  host.press(key::kEsc);
  ASSERT_TRUE(run_term());
  EXPECT_EQ(count_all(), 0);  // after the mesh picture: nothing

  item(6);   // contour zones
  item(12);  // and the mesh over them
  host.press(key::kEsc);
  int lines_before = 0;
  const int w0 = host.waits;
  host.on_wait = [&](int n) {
    if (n - w0 == 8) lines_before = count_all(15);  // the menu after the zones were drawn
  };
  ASSERT_TRUE(run_term());
  const int lines_after = count_all(15);
  EXPECT_GT(lines_after, lines_before + 1000);
  // The zones are still there under the mesh.
  EXPECT_GT(count_all(s->cterm.icolor[0]) + count_all(s->cterm.icolor[10]), 1000);
  save_png((fs::temp_directory_path() / "tivor_menus_add_mesh.png").string());
}

TEST_F(Menus, ThreeDimensionalClassesAreRefused) {
  for (const char* code : {"gfe ", "sl  ", "the ", "ffd ", "gfd "}) {
    fresh();
    std::memcpy(s->cls.clcode[0], code, 4);
    s->cls.iclass = 1;
    s->cterm.initerm = 0;
    screens.clear();
    host.press(' ');
    arez_viewer(*s);
    EXPECT_TRUE(flag_tst(*s)) << code;
    EXPECT_TRUE(seen("3D results viewer: not available in this program")) << code;
    EXPECT_NE(s->cterm.initerm, kInitialised) << code;  // the 2D viewer was not entered
  }
  fresh();
  std::memcpy(s->cls.clcode[0], "dif ", 4);
  s->cls.iclass = 1;
  s->cterm.initerm = 0;
  host.press(key::kEsc);
  arez_viewer(*s);
  EXPECT_FALSE(flag_tst(*s));
  EXPECT_EQ(s->cterm.initerm, kInitialised);
}

TEST_F(Menus, OptionsReadCorrectAndKeep) {
  Cterm& t = s->cterm;
  t.reg[0] = 0.5f;
  item(6);  // lines_number
  host.line("0");
  item(7);  // zones_number
  host.line("0");
  item(1);  // window: an empty answer keeps it
  host.line("");
  item(2);  // limits
  host.line("1 2.5");
  item(5);  // points_number: Esc keeps it
  host.press(key::kEsc);
  item(13);  // multi: the numbers given are taken, the others kept
  host.line("3 -1");
  item(12);  // element_scale
  host.line(".25");
  item(14);  // prograph: the values start from the defaults the picture would set
  host.line("2");
  host.press(key::kEsc);
  ASSERT_TRUE(run_termo());
  EXPECT_EQ(t.nlinur, 25);
  EXPECT_EQ(t.nl, 1);
  EXPECT_EQ(t.reg[0], 0.5f);
  EXPECT_EQ(t.rlim[0], 1.0f);
  EXPECT_EQ(t.rlim[1], 2.5f);
  EXPECT_EQ(t.ntabl, 20);
  EXPECT_EQ(std::vector<int32_t>(t.imulti, t.imulti + 6),
            (std::vector<int32_t>{3, -1, 3, 4, 5, 6}));
  EXPECT_EQ(t.rtmesh, 0.25f);
  EXPECT_EQ(t.prograph_set, 999999);
  EXPECT_EQ(t.ud1, 2.0f);
  EXPECT_FLOAT_EQ(t.xams1, 0.6f);
  EXPECT_FLOAT_EQ(t.yaug1, 0.6f);
  EXPECT_EQ(t.zug1, 0.0f);
  EXPECT_TRUE(seen("number of level lines ="));
  EXPECT_TRUE(seen("number of level zones ="));
  EXPECT_TRUE(seen("xmin ymin xmax ymax?"));
  EXPECT_TRUE(seen("fmin fmax?"));
  EXPECT_TRUE(seen("number of points for line graph (table)=   20"));
  EXPECT_TRUE(seen("multi=    1    2    3    4    5    6"));
}

TEST_F(Menus, MirrorMakesTheWindowAutomaticAndOtherSwitches) {
  Cterm& t = s->cterm;
  t.reg[0] = 0.1f, t.reg[1] = 0.1f, t.reg[2] = 0.9f, t.reg[3] = 0.9f;
  item(9);  // mirror
  host.press(key::kRight);
  host.press(key::kEnter);
  item(10);  // vel/dir
  host.press(key::kLeft);
  host.press(key::kEnter);
  item(15);  // testgraf: test
  host.press(key::kEnd);
  host.press(key::kEnter);
  host.press(key::kEsc);
  ASSERT_TRUE(run_termo());
  EXPECT_EQ(t.isymg, 2);
  EXPECT_GE(t.reg[0], t.reg[2]);
  EXPECT_EQ(t.ispeed, 1);
  EXPECT_EQ(t.test_graph, 1);
  EXPECT_TRUE(seen(" mirror off"));
  EXPECT_TRUE(seen(" draw directions"));
  EXPECT_TRUE(seen(" test graph mode"));  // the stored 0 of the defaults

  // Leaving the mirror menu with Esc changes nothing.
  t.reg[2] = 2.0f;
  item(9);
  host.press(key::kEsc);
  host.press(key::kEsc);
  ASSERT_TRUE(run_termo());
  EXPECT_EQ(t.isymg, 2);
  EXPECT_EQ(t.reg[2], 2.0f);
  EXPECT_TRUE(seen(" mirror on"));
}

TEST_F(Menus, ColourEditorChangesKeepsAndDiscards) {
  Cterm& t = s->cterm;
  t.nl = 4;
  for (int k = 0; k < 95; ++k) t.icolor[k] = 5;
  std::vector<uint8_t> editor_screen;
  const int w0 = host.waits;
  host.on_wait = [&](int n) {
    if (n - w0 == 17) editor_screen = host.surface().pixels;  // the colours edited, before Enter
  };
  item(8);
  host.press(key::kDown);
  host.press('+');  // zone 2: 6
  host.press(key::kDown);
  host.type("12");  // zone 3: 12
  host.press(key::kEnd);
  host.press('-');  // zone 5 (the last of nl + 1): 4
  host.press(key::kEnter);
  item(8);
  host.type("9");
  host.press(key::kEsc);  // discarded
  host.press(key::kEsc);
  ASSERT_TRUE(run_termo());
  EXPECT_EQ(t.icolor[0], 5);
  EXPECT_EQ(t.icolor[1], 6);
  EXPECT_EQ(t.icolor[2], 12);
  EXPECT_EQ(t.icolor[3], 5);
  EXPECT_EQ(t.icolor[4], 4);
  EXPECT_EQ(t.icolor[5], 5);
  ASSERT_FALSE(editor_screen.empty());
  // The swatches show the colours as the pictures do.
  const ScreenSurface& surf = host.surface();
  const auto swatch = [&](int row) {
    const int x = ((11 - 1) * 8 + 4) * surf.w / kCanvasW,
              y = ((row - 1) * 14 + 7) * surf.h / kCanvasH;
    return editor_screen[static_cast<size_t>(y) * surf.w + x];
  };
  EXPECT_EQ(swatch(3), 6);
  EXPECT_EQ(swatch(4), 12);
  EXPECT_EQ(swatch(6), 4);
  write_indexed_png((fs::temp_directory_path() / "tivor_menus_colours.png").string(), surf.w,
                    surf.h, editor_screen);

  // d: the default colours for the zones.
  item(8);
  host.press('d');
  host.press(key::kEnter);
  host.press(key::kEsc);
  ASSERT_TRUE(run_termo());
  int32_t expected[95];
  default_zone_colours(4, expected);
  EXPECT_EQ(std::vector<int32_t>(t.icolor, t.icolor + 95),
            std::vector<int32_t>(expected, expected + 95));

  // The default colours follow the number of zones; colours set in the editor stay.
  item(7);
  host.line("12");
  item(8);
  host.press('+');
  host.press(key::kEnter);
  item(7);
  host.line("20");
  host.press(key::kEsc);
  ASSERT_TRUE(run_termo());
  default_zone_colours(12, expected);
  EXPECT_EQ(t.icolor[0], expected[0] % 15 + 1);
  EXPECT_EQ(std::vector<int32_t>(t.icolor + 1, t.icolor + 95),
            std::vector<int32_t>(expected + 1, expected + 95));
}

TEST(ZoneColours, AColourComesBackOnlyAfterAllFourteenOthers) {
  for (int nl = 1; nl <= 94; ++nl) {
    int32_t col[95];
    default_zone_colours(nl, col);
    for (int i = 0; i <= nl; ++i) {
      EXPECT_TRUE(col[i] >= 1 && col[i] <= 14) << nl;  // neither the background nor white
      for (int j = i + 1; j <= std::min(nl, i + 13); ++j) EXPECT_NE(col[i], col[j]) << nl << j;
    }
  }
}

TEST_F(Menus, ConditionsAreDrawnAsZonesOfTheWorkField) {
  ASSERT_TRUE(prepare(kSquare));
  termi(*s);
  host.press(key::kDown);
  host.press(key::kDown);
  host.press(key::kEnter);  // check_conditions
  host.press(key::kEnter);  // conc1
  host.press(key::kEsc);
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
  EXPECT_GE(zeros, 9);
  EXPECT_LE(zeros, 11);
  // The lowest zone lies along the left side of the plot, the highest fills the rest.
  const int low = s->cterm.icolor[0], high = s->cterm.icolor[s->cterm.nl];
  EXPECT_GT(count(1, 1, 150, 240, low), 200);
  EXPECT_EQ(count(250, 1, 340, 240, low), 0);
  EXPECT_GT(count(150, 1, 340, 240, high), 5000);
  EXPECT_NE(s->cterm.ipc, 6);  // the picture type of the film stays
  save_png((fs::temp_directory_path() / "tivor_menus_conditions.png").string());
}

TEST_F(Menus, BoundsPicturesAndTheSubregionSwitch) {
  ASSERT_TRUE(prepare(kTwoRegions));
  termi(*s);
  item(2);  // subregion_bounds
  int with_subregions = 0;
  item(1);  // region_bounds
  item(4);  // view_subregions
  host.press(' ');
  host.press(key::kEsc);
  std::vector<std::string> texts;
  const int w0 = host.waits;
  host.on_wait = [&](int n) {
    if (n - w0 == 4) with_subregions = count_all(15);
    texts.push_back(screen());
  };
  boundary_menu(*s);
  const int outer_only = count_all(15);
  EXPECT_GT(with_subregions, outer_only + 50);
  EXPECT_EQ(s->cterm.ipc, 6);
  EXPECT_EQ(s->cterm.subregion_bounds, 1);
  bool on = false;
  for (const std::string& t : texts) on = on || t.find("subregion bounds on") != std::string::npos;
  EXPECT_TRUE(on);
}

TEST_F(Menus, FiniteDifferenceClassesHaveNoBoundariesMenu) {
  std::memcpy(s->cls.clcode[0], "ffd ", 4);
  s->cls.iclass = 1;
  host.press(' ');
  boundary_menu(*s);
  EXPECT_TRUE(seen("for this class command is not avalable"));
}

// Every item of the viewer's menus finds its own topic in the delivered help file, not one whose
// name merely begins with the item's text.
TEST(ViewerHelp, EveryItemHasItsOwnTopic) {
  const std::string file = std::string(TIVOR_SOURCE_DIR) + "/hlp/auto.hlp";
  std::ifstream probe(file);
  ASSERT_TRUE(probe.good());
  const std::string text((std::istreambuf_iterator<char>(probe)), std::istreambuf_iterator<char>());
  const std::string items =
      "options boundaries mesh velocities contur_lines contur_zones line_graph line_table "
      "history_graphs librarian produce_movie add_mesh print_picture multi tracks prograph user "
      "function defaults window limits mesh_motion line_for_graph points_number lines_number "
      "zones_number colors mirror vel/dir speed_scale element_scale testgraf off on directions "
      "text graph test region_bounds subregion_bounds check_conditions view_subregions table "
      "renew combine";
  std::istringstream words(items);
  std::string word;
  while (words >> word) {
    std::replace(word.begin(), word.end(), '_', ' ');
    // The lines of the topic named exactly so.
    const size_t at = text.find("\n$" + word + "\n");
    ASSERT_NE(at, std::string::npos) << word;
    std::vector<std::string> own;
    std::istringstream rest(text.substr(at + word.size() + 3));
    std::string line;
    while (std::getline(rest, line) && line.rfind('$', 0) != 0) own.push_back(line);
    std::ifstream in(file);
    EXPECT_EQ(help_topic_lines(in, word), own) << word;
  }
}

}  // namespace
}  // namespace tivor::results_test

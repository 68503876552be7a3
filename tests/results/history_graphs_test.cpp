// History graphs: the limits of the drawn curves (flat, with a second curve, against another
// curve, degenerate), the menu's combinations, table and restart, and the graphs of a real run.

#include "results/results_fixture.hpp"

namespace tivor::results_test {
namespace {

class HistoryTest : public ResultsTest {
 protected:
  HistoryTest() { record_screens(); }

  // A recording made by hand: point history k of function functions[k] (conc1 or conc2) with
  // values[k] at the times 0, 1, 2, ..., one built-in curve, room for nthist points.
  void record(const std::vector<int>& functions, const std::vector<std::vector<float>>& values,
              int nthist = 40) {
    s->cht.nipp = 2;
    set_field(s->cls.ppname[0], "conc1");
    set_field(s->cls.ppname[1], "conc2");
    ChtHistory& h = s->cht.hist;
    h = ChtHistory{};
    h.nthist = nthist, h.nhist = static_cast<int32_t>(functions.size()), h.nhist0 = 1;
    ASSERT_EQ(reserve_reals(*s, h.jthist, nthist, "jthist"), 0);
    ASSERT_EQ(reserve_reals(*s, h.jhist, h.nhist * nthist, "jhist"), 0);
    ASSERT_EQ(reserve_reals(*s, h.jhist0, nthist, "jhist0"), 0);
    h.npoints = static_cast<int32_t>(values[0].size());
    for (int i = 0; i < h.npoints; ++i) reals(*s, h.jthist)[i] = static_cast<float>(i);
    for (size_t k = 0; k < functions.size(); ++k) {
      h.ifhist[k] = functions[k], h.xhist[k] = 0.25f * static_cast<float>(k + 1), h.yhist[k] = 0.5f;
      std::copy(values[k].begin(), values[k].end(), reals(*s, h.jhist + int32_t(k) * nthist));
    }
  }

  void limits_are(float x1, float x2, float y1, float y2) const {
    const float got[] = {s->grf.xmnlim, s->grf.xmxlim, s->grf.ymnlim, s->grf.ymxlim};
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(got[i], (std::array{x1, x2, y1, y2})[i]) << i;
  }
};

TEST_F(HistoryTest, LimitsOfTheDrawnCurves) {
  // A flat curve: a band of +-0.001 around its value, the line across the region at mid height.
  record({1, 1, 2}, {{2.5f, 2.5f, 2.5f, 2.5f}, {-2, 0, 4, 6}, {5, 5, 5, 5}});
  lhist(*s, 1, 1);
  limits_are(0, 3, 2.499f, 2.501f);
  const int32_t* r = s->grf.reg_pix;  // x min, x max, y min, y max
  int best = 0;
  for (int y = (r[2] + r[3]) / 2 - 1; y <= (r[2] + r[3]) / 2 + 1; ++y) {
    best = std::max(best, count(r[0] + 1, y, r[1] - 1, y, 15));
  }
  EXPECT_GT(best, (r[1] - r[0]) * 9 / 10);

  // A second curve widens the range; a negative number makes it the abscissa.
  s->cterm.nhi[1] = 2;
  lhist(*s, 1, 1);
  limits_are(0, 3, -2, 6);
  s->cterm.nhi[1] = -2;
  lhist(*s, 1, 1);
  limits_are(-2, 6, 2.499f, 2.501f);

  // A constant abscissa, or a single point, draws nothing.
  const std::vector<uint8_t> before = s->frame.raster;
  s->cterm.nhi[1] = -3;
  lhist(*s, 1, 1);
  s->cterm.nhi[1] = 0, s->cht.hist.npoints = 1;
  lhist(*s, 1, 1);
  EXPECT_TRUE(s->frame.raster == before);
}

TEST_F(HistoryTest, CombineOverlaysOneFunctionAndPlotsTwoFunctionsAgainstEachOther) {
  // Curves 1 and 3 sample conc1, curve 2 conc2.
  record({1, 2, 1}, {{0, 1, 2}, {0, 1, 2}, {0, 1, 2}});
  const auto combine = [&](const char* pair, bool refused) {
    s->cterm.nhi[1] = 3;
    screens.clear();
    item(5);
    host.line(pair);
    if (refused) host.press(' ');
    host.press(key::kEsc);
    ahist(*s);
    EXPECT_TRUE(host.events.empty()) << pair;
    EXPECT_EQ(screen_with(" check numbers:cannot combine graphs").empty(), !refused) << pair;
    return std::make_pair(s->cterm.nhi[0], s->cterm.nhi[1]);
  };
  // The same function: overlaid against time, whatever the signs.
  EXPECT_EQ(combine("-3 1", false), std::make_pair(3, 1));
  // Two functions with the second number negative: the first against the second. The pair shown
  // is the last one entered.
  EXPECT_EQ(combine("2 -1", false), std::make_pair(2, -1));
  EXPECT_FALSE(screen_with(" numbers of graphs to combine:  -3   1").empty());
  // Anything else clears the combination.
  for (const char* pair : {"1 2", "2 2", "4 -2", "2 -9", "-1 -2"}) {
    EXPECT_EQ(combine(pair, true).second, 0);
  }
}

TEST_F(HistoryTest, TablePagesRenewAndNoRecording) {
  std::vector<float> v(25);
  for (int i = 0; i < 25; ++i) v[i] = 0.5f * static_cast<float>(i);
  record({1}, {v});
  // One visit to the menu per action: each starts from the first item.
  const auto visit = [&](int k, std::vector<int> keys) {
    item(k);
    for (int key : keys) host.press(key);
    host.press(key::kEsc);
    ahist(*s);
  };
  visit(2, {' ', ' '});     // the table: a page of 21 lines, then the last 4
  visit(4, {key::kEnter});  // renew: y
  visit(2, {' '});          // the empty table
  EXPECT_TRUE(host.events.empty());
  const std::string page1 = screen_with(" press any key ");
  for (const char* text :
       {" x,y= 0.250E+00 0.500E+00", "  time     conc1", " 0.200E+02  0.100E+02"}) {
    EXPECT_NE(page1.find(text), std::string::npos) << page1;
  }
  EXPECT_EQ(page1.find(" 0.210E+02"), std::string::npos) << page1;
  EXPECT_NE(screen_with(" 0.240E+02  0.120E+02").find("press any key"), std::string::npos);
  // After renew: no points, and the table shows no rows.
  EXPECT_EQ((std::array{s->cht.hist.npoints, s->cht.hist.interval, s->cht.hist.next_step}),
            (std::array{0, 1, 0}));
  const auto table = std::find_if(screens.rbegin(), screens.rend(), [](const std::string& sc) {
    return sc.find("  time     conc1") != std::string::npos;
  });
  ASSERT_NE(table, screens.rend());
  EXPECT_EQ(table->substr(2 * (kCols + 1), 14), "press any key ") << *table;

  s->cht.hist.nthist = 1;
  host.press(' ');
  ahist(*s);
  EXPECT_TRUE(!screen_with(" request for history graphs not found").empty() && host.events.empty());
}

TEST_F(HistoryTest, GraphOfARunChosenFromTheMenu) {
  ASSERT_TRUE(prepare(kSquare));
  run(30);
  ASSERT_GE(s->cht.hist.npoints, 30);
  item(1);  // function: the second curve, then the graph through the film entry
  press({key::kDown, key::kEnter, key::kEsc});
  ahist(*s);
  EXPECT_EQ((std::array{s->cterm.nhi[0], s->cterm.ipc}), (std::array{2, 5}));
  EXPECT_FALSE(screen_with("conc1               x= 0.750E+00  z= 0.500E+00").empty());

  // Both histories of c1 on one graph: the nearer point rises first and higher.
  s->cterm.nhi[0] = 1, s->cterm.nhi[1] = 2;
  lhist(*s, 1, 1);
  const float* near = reals(*s, s->cht.hist.jhist);
  const float* far = near + s->cht.hist.nthist;
  const int last = s->cht.hist.npoints - 1;
  EXPECT_GT(near[last], far[last]);
  EXPECT_FLOAT_EQ(s->grf.ymxlim, near[last]);
  EXPECT_GT(count(1, 1, 488, 238, 15), 1500);
}

}  // namespace
}  // namespace tivor::results_test

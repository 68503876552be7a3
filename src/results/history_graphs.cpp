// The history graphs of the viewer: the list of recorded curves (the point histories, then the
// built-in curves of the recorder), the "history" menu with its table, graph, restart and
// combination, and the drawing of one curve against time, together with a second curve, or
// against another curve.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "console/menu_table.hpp"
#include "core/pool.hpp"
#include "gfx/gfx.hpp"
#include "reader/reader.hpp"
#include "results/pictures.hpp"
#include "results/results.hpp"

namespace tivor {
namespace {

constexpr std::string_view kHelpFile = "hlp/auto.hlp";
constexpr int kHighFg = 0, kHighBg = 3, kFg = 14, kBg = 1;
constexpr int kMaxGraphs = 20;    // point histories the recorder keeps
constexpr int kMaxBuiltIn = 20;   // built-in curves
constexpr size_t kNameLen = 20;   // curve names
constexpr size_t kTitleLen = 72;  // picture title
constexpr int kTableLines = 21;   // table lines per page
constexpr float kFlatRange = 1.0e-5f;
constexpr float kFlatBand = 1.0e-3f;
constexpr float kMinAbscissa = 1.0e-10f;

// One curve of the viewer's list: where its values lie in the real pool, its name and, for a
// point history, the point it samples.
struct Curve {
  int32_t ptr = 0;
  std::string name;  // kNameLen characters, blank padded
  bool at_point = false;
  float x = 0.0f, z = 0.0f;
};

// A fixed-length text with its zero bytes read as blanks, cut or padded to n characters.
std::string fixed(const char* text, size_t size, size_t n) {
  std::string out(text, std::min(size, n));
  for (char& c : out) {
    if (c == '\0') c = ' ';
  }
  out.resize(n, ' ');
  return out;
}

// Underscores in a name are shown as blanks.
std::string shown(std::string text) {
  std::replace(text.begin(), text.end(), '_', ' ');
  return text;
}

// The list of recorded curves (the record cahist of the history menu): point history k at
// jhist + (k - 1) nthist named after its result function, then the built-in curves at jhist0 +
// (k - 1) nthist with their own names. Empty when nothing is recorded or the record does not
// describe arrays inside the pool, so a damaged record never leads outside it.
std::vector<Curve> curve_list(const Session& s) {
  const ChtHistory& h = s.cht.hist;
  std::vector<Curve> list;
  const int64_t n = h.nthist;
  if (n < 2 || h.nhist < 0 || h.nhist > kMaxGraphs || h.nhist0 < 0 || h.nhist0 > kMaxBuiltIn ||
      !real_array_ok(s, h.jthist, n) || !real_array_ok(s, h.jhist, h.nhist * n) ||
      !real_array_ok(s, h.jhist0, h.nhist0 * n)) {
    return list;
  }
  for (int k = 0; k < h.nhist; ++k) {
    Curve c;
    c.ptr = static_cast<int32_t>(h.jhist + k * n);
    const int32_t f = h.ifhist[k];
    c.name = f >= 1 && f <= 30 ? fixed(s.cls.ppname[f - 1], sizeof s.cls.ppname[0], kNameLen)
                               : std::string(kNameLen, ' ');
    c.at_point = true;
    c.x = h.xhist[k];
    c.z = h.yhist[k];
    list.push_back(c);
  }
  for (int k = 0; k < h.nhist0; ++k) {
    Curve c;
    c.ptr = static_cast<int32_t>(h.jhist0 + k * n);
    c.name = fixed(h.name0[k], sizeof h.name0[0], kNameLen);
    list.push_back(c);
  }
  return list;
}

// Points recorded so far.
int recorded(const Session& s) {
  return std::clamp(s.cht.hist.npoints, 0, s.cht.hist.nthist);
}

// The menu label of a curve (at most 60 characters): its name, then its point.
std::string label(const Curve& c) {
  std::string text = shown(c.name);
  if (c.at_point) text += "x=" + fmt_real(c.x, "(e10.3)") + "  z=" + fmt_real(c.z, "(e10.3)");
  return text;
}

// A curve number of the list, 1-based; numbers outside it give the first curve.
int curve_number(int k, size_t count) {
  return k >= 1 && static_cast<size_t>(k) <= count ? k : 1;
}

// The title of a curve's graph: its name, " versus " and "time" or the name of the abscissa
// curve; 72 characters at most.
std::string curve_title(const Curve& c, const Curve* versus) {
  std::string title = rtrim(shown(c.name)) + " versus " +
                      (versus != nullptr ? rtrim(shown(versus->name)) : std::string("time"));
  if (title.size() > kTitleLen) title.resize(kTitleLen);
  return title;
}

// A round tick step (1, 2, 2.5 or 5 times a power of ten) for an axis of range r drawn over
// `points` points: the smallest that leaves `room` points between neighbouring ticks.
float panel_step(double r, double points, double room) {
  if (!(r > 0.0) || !(points > 0.0)) return 0.0f;
  double p = std::pow(10.0, std::floor(std::log10(r)) - 2);
  for (int e = 0; e < 6; ++e, p *= 10) {
    for (double m : {1.0, 2.0, 2.5, 5.0}) {
      if (m * p * points / r >= room) return static_cast<float>(m * p);
    }
  }
  return static_cast<float>(r);
}

void range(const float* v, int n, float& lo, float& hi) {
  lo = hi = v[0];
  for (int i = 1; i < n; ++i) {
    lo = std::min(lo, v[i]);
    hi = std::max(hi, v[i]);
  }
}

// The table of the current curve on the left of the screen (columns 1..61, all rows), page by
// page; the caller's next menu pass restores the picture under it.
void table(Session& s, const Curve& c) {
  const int n = recorded(s);
  const float* t = reals(s, s.cht.hist.jthist);
  const float* v = reals(s, c.ptr);
  const auto header = [&] {
    cls1(s, 1, 1, 61, kRows);
    locate1(s, 1, 1);
    txtcon(s, c.at_point ? " x,y=" + fmt_real(c.x, "(e10.3)") + fmt_real(c.z, "(e10.3)") : "");
    txtcon(s, "  time     " + shown(c.name));
  };
  header();
  for (int i = 0; i < n; ++i) {
    txtcon(s, fmt_real(t[i], "(e10.3)") + " " + fmt_real(v[i], "(e10.3)") + " ");
    if ((i + 1) % kTableLines == 0) {
      paus(s, " press any key ");
      if (i + 1 < n) header();
    }
  }
  // The last page waits too, also an empty table; a page just paused for needs no second wait.
  if (n == 0 || n % kTableLines != 0) paus(s, "press any key");
  cls1(s, 1, 1, 61, kRows);
}

void renew(Session& s) {
  int choice = 1;
  wmenu(s, "renew hystory graphs?", choice, "y n", 2, kHelpFile, 2, 18, kHighFg, kHighBg, kFg, kBg,
        2, 4);
  if (choice != 1) return;
  ChtHistory& h = s.cht.hist;
  h.interval = 1;
  h.next_step = 0;
  h.npoints = 0;
}

// Two curves of the same function at different points are overlaid against time; otherwise the
// second number must be negative and the first curve is drawn against the second.
void combine(Session& s, const std::vector<Curve>& curves) {
  const int nhist = s.cht.hist.nhist;
  if (nhist <= 1) return;
  int32_t* nhi = s.cterm.nhi;
  clswnd3(s);
  locate1(s, 1, 18);
  int32_t* pq = s.combine_pair;
  txtcon(s, " numbers of graphs to combine:" + fmt_int(pq[0], "(i4)") + fmt_int(pq[1], "(i4)"));
  new_answer_line(s);
  int32_t typed[2] = {pq[0], pq[1]};
  int n = 2;
  if (readi(s, " new values?", typed, n, "", 0) != 0) return;
  pq[0] = typed[0];
  pq[1] = typed[1];
  const int p = pq[0], q = pq[1];
  const int i = std::clamp(std::abs(p), 1, nhist);
  const int j = std::clamp(std::abs(q), 1, nhist);
  if (i != j &&
      curves[static_cast<size_t>(i - 1)].name == curves[static_cast<size_t>(j - 1)].name) {
    nhi[0] = i;
    nhi[1] = j;
  } else if (p >= 1 && p <= nhist && q < 0 && -q <= nhist) {
    nhi[0] = p;
    nhi[1] = q;
  } else {
    nhi[1] = 0;
    clswnd3(s);
    paus(s, " check numbers:cannot combine graphs");
  }
}

struct HistoryMenu {
  Session& s;
  const std::vector<Curve>& curves;
  int32_t& current;   // the curve drawn
  bool draw = false;  // the graph is drawn after the item
};

void choose_curve(HistoryMenu& m) {
  std::vector<std::string> labels;
  for (const Curve& c : m.curves) labels.push_back(label(c));
  int k = m.current;
  wmenuh(m.s, "choose function", k, labels, static_cast<int>(labels.size()), kHelpFile, 2, 2,
         kHighFg, kHighBg, kFg, kBg, 1, 60);
  if (k >= 1) {
    m.current = curve_number(k, m.curves.size());
    m.draw = true;
  }
}

constexpr MenuItem<HistoryMenu> kItems[] = {
    {"function", choose_curve},
    {"table", [](HistoryMenu& m) { table(m.s, m.curves[static_cast<size_t>(m.current - 1)]); }},
    {"graph", [](HistoryMenu& m) { m.draw = true; }},
    {"renew", [](HistoryMenu& m) { renew(m.s); }},
    {"combine", [](HistoryMenu& m) { combine(m.s, m.curves); }},
};

}  // namespace

void ahist(Session& s) {
  int choice = 1;
  for (;;) {
    const std::vector<Curve> curves = curve_list(s);
    if (curves.empty()) {
      clswnd3(s);
      paus(s, " request for history graphs not found");
      return;
    }
    int32_t& current = s.cterm.nhi[0];
    current = curve_number(current, curves.size());
    restwnd1(s);
    clswnd2(s);
    clswnd3(s);
    table_menu(s, {.title = "history", .helpfile = kHelpFile}, kItems, choice);
    clswnd3(s);
    HistoryMenu menu{s, curves, current};
    if (!call_item(kItems, choice, menu)) return;
    if (menu.draw) {
      s.cterm.ipc = 5;
      afilm(s);
    }
  }
}

std::string lhist_title(const Session& s, int curve) {
  const std::vector<Curve> curves = curve_list(s);
  if (curves.empty()) return {};
  const Curve& c = curves[static_cast<size_t>(curve_number(curve, curves.size()) - 1)];
  const int64_t second = s.cterm.nhi[1];
  const bool versus = second < 0 && static_cast<size_t>(-second) <= curves.size();
  return curve_title(c, versus ? &curves[static_cast<size_t>(-second - 1)] : nullptr);
}

void lhist(Session& s, int curve, int own_page) {
  const std::vector<Curve> curves = curve_list(s);
  const int n = recorded(s);
  if (curves.empty() || n < 1) return;
  const Curve& c = curves[static_cast<size_t>(curve_number(curve, curves.size()) - 1)];
  const int32_t second = s.cterm.nhi[1];
  const size_t count = curves.size();
  const Curve* over = second > 0 && static_cast<size_t>(second) <= count
                          ? &curves[static_cast<size_t>(second - 1)]
                          : nullptr;
  const Curve* versus = second < 0 && static_cast<size_t>(-int64_t{second}) <= count
                            ? &curves[static_cast<size_t>(-int64_t{second} - 1)]
                            : nullptr;

  const float* y = reals(s, c.ptr);
  float ymin = 0.0f, ymax = 0.0f;
  range(y, n, ymin, ymax);
  if (ymax - ymin < kFlatRange) {
    ymin -= kFlatBand;
    ymax += kFlatBand;
  }
  if (over != nullptr) {
    float lo = 0.0f, hi = 0.0f;
    range(reals(s, over->ptr), n, lo, hi);
    ymin = std::min(ymin, lo);
    ymax = std::max(ymax, hi);
  }
  const float* x = reals(s, versus != nullptr ? versus->ptr : s.cht.hist.jthist);
  float xmin = 0.0f, xmax = 0.0f;
  range(x, n, xmin, xmax);
  // A degenerate abscissa (one point, or a constant curve to plot against) draws nothing.
  if (!(xmax - xmin >= kMinAbscissa)) return;

  const std::string title = curve_title(c, versus);

  if (own_page != 0) {
    lpg_region(s, kPlotCol, kGraphRow);
    limits(s, xmin, xmax, ymin, ymax);
    room_for_axes(s);
    color(s, 15);
    axes(s);
  } else {
    // A small panel: ticks far enough apart that their labels (up to 6 characters along x) do
    // not run into each other, the labels kept inside the caller's clip rectangle.
    limits(s, xmin, xmax, ymin, ymax);
    const Grf& g = s.grf;
    const int cw = g.cell_w, ch = g.cell_h;
    const float xs = panel_step(double{xmax} - xmin, g.reg_pix[1] - g.reg_pix[0] - 7 * cw, 7 * cw);
    const float ys = panel_step(double{ymax} - ymin, g.reg_pix[3] - g.reg_pix[2], ch + 4);
    int cx1 = 0, cy1 = 0, cx2 = 0, cy2 = 0;
    get_clip(s, cx1, cy1, cx2, cy2);
    fit_region_to_axes(s, cx1, cx2, xs, ys);
    color(s, 15);
    axes(s, xs, ys);
  }
  clip(s, 3);
  lineo(s, x, y, n);
  if (over != nullptr) lineo(s, x, reals(s, over->ptr), n);
  clip(s, 2);
  if (own_page != 0) {
    markpic(s, title);
    text(s, label(c), 44, 210, 8, 0, 15);
    lpg(s, 2);
  }
}

}  // namespace tivor

// Graphs and tables of the current function: along the straight line rlin (values interpolated
// from the mesh at evenly spaced points), and along the boundary by arc length.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "core/pool.hpp"
#include "gfx/gfx.hpp"
#include "mesh/locate.hpp"
#include "mesh/point_value.hpp"
#include "reader/reader.hpp"
#include "results/pictures.hpp"

namespace tivor {
namespace {

constexpr int kMaxIntervals = 100000;  // points of a line graph or table, less one
constexpr int kLinesPerPage = 20;
constexpr int kHighFg = 0, kHighBg = 3, kFg = 14, kBg = 1;
constexpr std::string_view kHelpFile = "hlp/auto.hlp";

// The points of a line graph or table: abscissa and value.
struct Table {
  std::vector<float> x, v;
  bool along_r = true;  // the abscissa is r (else z)
};

// The function's range over all nodes (NaN and infinities left out).
void field_range(const float* f, int32_t n1, float& fmin, float& fmax) {
  bool any = false;
  fmin = fmax = 0.0f;
  for (int32_t i = 0; i < n1; ++i) {
    if (!std::isfinite(f[i])) continue;
    if (!any) {
      fmin = fmax = f[i];
      any = true;
    }
    fmin = std::min(fmin, f[i]);
    fmax = std::max(fmax, f[i]);
  }
}

// The vertical range of a graph: rlim when it is a range, otherwise the function's range over all
// nodes, widened by 1 each way when narrower than tiny.
void graph_range(const Session& s, const float* f, bool relative, float tiny, float& fmin,
                 float& fmax) {
  fmin = s.cterm.rlim[0];
  fmax = s.cterm.rlim[1];
  if (fmin < fmax) return;
  field_range(f, s.cmesh.n1, fmin, fmax);
  const float scale = relative ? std::max({std::fabs(fmin), std::fabs(fmax), 1.0f}) : 1.0f;
  if (fmax - fmin < tiny * scale) {
    fmin -= 1.0f;
    fmax += 1.0f;
  }
}

// ntabl + 1 points evenly spaced along rlin and the current function's value at each (0 outside
// the mesh). Empty when there is no function to show.
Table line_table(Session& s) {
  Table t;
  if (current_function(s) == nullptr) return t;
  const Cterm& c = s.cterm;
  const int nt = std::clamp(c.ntabl, 1, kMaxIntervals);
  const int32_t jf = s.cht.ipp[c.nf - 1];
  const float r0 = c.rlin[0], z0 = c.rlin[1], dr = c.rlin[2] - r0, dz = c.rlin[3] - z0;
  t.along_r = std::fabs(dr) >= std::fabs(dz);
  t.x.resize(static_cast<size_t>(nt) + 1);
  t.v.resize(static_cast<size_t>(nt) + 1);
  const MeshLocator locator(s);
  for (int i = 0; i <= nt; ++i) {
    const float u = static_cast<float>(i) / static_cast<float>(nt);
    const float r = r0 + u * dr, z = z0 + u * dz;
    t.x[static_cast<size_t>(i)] = t.along_r ? r : z;
    point_value(s, locator, jf, r, z, t.v[static_cast<size_t>(i)]);
  }
  return t;
}

void label(Session& s, const std::string& txt, float x) {
  text(s, txt, x, 214.0f, 8.0f, 0, 15);
}

// The cumulative boundary parameter at the end of each boundary element: the mesh's jcsi when it
// holds one (increasing to a positive length), otherwise the arc length of the boundary elements
// in their order, edges between glued subregions counting 0.
std::vector<float> boundary_parameter(const Session& s) {
  const Cmesh& c = s.cmesh;
  const int64_t n3 = std::max(c.n3, 0);
  std::vector<float> csi(static_cast<size_t>(n3), 0.0f);
  if (n3 == 0) return csi;
  if (c.jcsi > 0 && real_array_ok(s, c.jcsi, n3)) {
    const float* given = reals(s, c.jcsi);
    if (given[n3 - 1] > 0.0f && std::is_sorted(given, given + n3)) {
      std::copy_n(given, n3, csi.begin());
      return csi;
    }
  }
  const int32_t* be = ints(s, c.jj2);
  const float* rz = reals(s, c.jrz);
  double length = 0.0;
  for (int64_t k = 0; k < n3; ++k) {
    const int64_t a = std::llabs(static_cast<int64_t>(be[2 * k]));
    const int64_t b = be[2 * k + 1];
    if (b > 0 && a >= 1 && a <= c.n1 && b <= c.n1) {
      length +=
          std::hypot(double{rz[2 * b - 2]} - rz[2 * a - 2], double{rz[2 * b - 1]} - rz[2 * a - 1]);
    }
    csi[static_cast<size_t>(k)] = static_cast<float>(length);
  }
  return csi;
}

// The function at boundary parameter xi: linear along the first boundary element whose
// cumulative parameter reaches xi; 0 beyond the end.
float boundary_value(const Session& s, const std::vector<float>& csi, const float* f, float xi) {
  const auto it = std::lower_bound(csi.begin(), csi.end(), xi);
  if (it == csi.end()) return 0.0f;
  const int64_t k = it - csi.begin();
  const int32_t* be = ints(s, s.cmesh.jj2);
  const int64_t a = std::llabs(static_cast<int64_t>(be[2 * k]));
  const int64_t b = std::llabs(static_cast<int64_t>(be[2 * k + 1]));
  if (a < 1 || a > s.cmesh.n1 || b < 1 || b > s.cmesh.n1) return 0.0f;
  const float start = k == 0 ? 0.0f : csi[static_cast<size_t>(k - 1)];
  const float len = *it - start;
  const float u = len > 0.0f ? std::clamp((xi - start) / len, 0.0f, 1.0f) : 0.0f;
  return f[a - 1] + u * (f[b - 1] - f[a - 1]);
}

// Writes the table lines to the screen, 20 to a page under a header.
void table_to_screen(Session& s, const Table& t, const std::vector<std::string>& lines) {
  const std::string header =
      std::string(11, ' ') + (t.along_r ? "r" : "z") + "       " + function_title(s, s.cterm.nf);
  for (size_t i = 0; i < lines.size(); i += kLinesPerPage) {
    cls1(s, 1, 1, 61, kRows);
    locate1(s, 1, 1);
    txtcon(s, header);
    for (size_t k = i; k < std::min(lines.size(), i + kLinesPerPage); ++k) txtcon(s, lines[k]);
    locate1(s, 1, kRows - 1);
    if (i + kLinesPerPage < lines.size()) paus(s, "more...");
  }
  paus(s, " press any key");
  cls1(s, 1, 1, 61, kRows);
}

void table_to_file(Session& s, const std::vector<std::string>& lines) {
  clswnd3(s);
  locate1(s, 1, 18);
  std::string name;
  int len = 0;
  readname(s, name, 64, len, "enter file name:");
  if (len == 0) return;
  bool ok = false;
  {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    if (out) {
      for (const std::string& l : lines) out << l << '\n';
      out.close();
      ok = !out.fail();
    }
  }
  if (!ok) {
    txtcon(s, "");
    paus(s, "can not open file " + name);
  }
}

}  // namespace

void lline2(Session& s) {
  const Table t = line_table(s);
  lpg_region(s, kPlotCol, kGraphRow);
  if (!t.x.empty()) {
    const float* f = current_function(s);
    float fmin = 0, fmax = 0;
    graph_range(s, f, true, 1.0e-9f, fmin, fmax);
    limits(s, t.x.front(), t.x.back(), fmin, fmax);
    room_for_axes(s);
    color(s, 15);
    axes(s);
    label(s, "line:", 100.0f);
    for (int k = 0; k < 4; ++k) {
      label(s, fmt_real(s.cterm.rlin[k], "(e10.3)"), 150.0f + 80.0f * static_cast<float>(k));
    }
    clip(s, 3);
    color(s, 15);
    lineo(s, t.x.data(), t.v.data(), static_cast<int>(t.x.size()));
    clip(s, 2);
  }
  markpic(s, function_title(s, s.cterm.nf));
  lpg(s, 2);
}

void prline(Session& s) {
  int choice = 1;
  clswnd3(s);
  wmenu(s, "output to:", choice, "screen file", 2, kHelpFile, 2, 18, kHighFg, kHighBg, kFg, kBg, 2,
        8);
  if (choice != 1 && choice != 2) return;
  const Table t = line_table(s);
  std::vector<std::string> lines;
  lines.reserve(t.x.size());
  for (size_t i = 0; i < t.x.size(); ++i) {
    lines.push_back(fmt_real(t.x[i], "(e12.5)") + fmt_real(t.v[i], "(e12.5)"));
  }
  if (choice == 1) {
    table_to_screen(s, t, lines);
  } else {
    table_to_file(s, lines);
  }
}

void lling(Session& s) {
  const Cterm& c = s.cterm;
  const float* f = current_function(s);
  lpg_region(s, kPlotCol, kGraphRow);
  const Cmesh& m = s.cmesh;
  if (f != nullptr && c.ntabl > 0 && mesh_ok(s) && m.n3 > 0 &&
      int_array_ok(s, m.jj2, 2 * static_cast<int64_t>(m.n3))) {
    const std::vector<float> csi = boundary_parameter(s);
    float a = c.rlig[0], b = c.rlig[1];
    // An empty interval (the default before a mesh existed) shows the whole boundary.
    if (!(std::fabs(b - a) > kEpsilon)) {
      a = 0.0f;
      b = csi.back();
    }
    if (std::fabs(b - a) > kEpsilon) {
      const int nt = std::min(c.ntabl, kMaxIntervals);
      std::vector<float> xi(static_cast<size_t>(nt) + 1), v(static_cast<size_t>(nt) + 1);
      for (int i = 0; i <= nt; ++i) {
        const float x =
            i == nt ? b : static_cast<float>(a + (double{b} - a) * i / static_cast<double>(nt));
        xi[static_cast<size_t>(i)] = x;
        v[static_cast<size_t>(i)] = boundary_value(s, csi, f, x);
      }
      float fmin = 0, fmax = 0;
      graph_range(s, f, false, 1.0e-7f, fmin, fmax);
      limits(s, a, b, fmin, fmax);
      room_for_axes(s);
      color(s, 15);
      axes(s);
      label(s, "ksi:P", 100.0f);
      label(s, fmt_real(a, "(e10.3)"), 150.0f);
      label(s, fmt_real(b, "(e10.3)"), 230.0f);
      clip(s, 3);
      color(s, 15);
      lineo(s, xi.data(), v.data(), nt + 1);
      clip(s, 2);
    }
  }
  // Titled with the boundary function of the same number.
  const int nfun = std::min(s.cls.nfun, 20);
  markpic(s, c.nf >= 1 && c.nf <= nfun ? field_str(s.cls.funname[c.nf - 1]) : std::string());
  lpg(s, 2);
}

}  // namespace tivor

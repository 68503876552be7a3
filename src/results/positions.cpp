// What every picture of the viewer starts from: the drawing family of the class, the drawn node
// positions and the window around them, the levels of a field, the current function, the time
// and title on the picture's border.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "console/console.hpp"
#include "core/function_read.hpp"
#include "core/pool.hpp"
#include "gfx/gfx.hpp"
#include "results/pictures.hpp"

namespace tivor {
namespace {

// True when the real arrays of n words at pointer j and of m words at pointer k share a word.
bool overlap(int64_t j, int64_t n, int64_t k, int64_t m) {
  return j < k + m && k < j + n;
}

// Stores the positions into the work array at pointer j when it lies in the pool and holds none
// of the arrays the positions are made from.
void store_positions(Session& s, int32_t j, const std::vector<float>& v) {
  const Cmesh& c = s.cmesh;
  const int64_t n1 = c.n1;
  if (j <= 0 || n1 <= 0 || !real_array_ok(s, j, n1)) return;
  if (overlap(j, n1, c.jrz, 2 * n1)) return;
  for (int k = 0; k < 4; ++k) {
    if (c.jdcr[k] > 0 && overlap(j, n1, c.jdcr[k], n1)) return;
  }
  std::copy(v.begin(), v.end(), reals(s, j));
}

}  // namespace

int itermtip(const Session& s) {
  const int ic = s.cls.iclass;
  if (ic < 1 || ic > 15) return 1;
  const std::string_view code(s.cls.clcode[ic - 1], 3);
  return code == "gfd" || code == "ffd" || code == "the" ? 2 : 1;
}

bool mesh_ok(const Session& s) {
  const Cmesh& c = s.cmesh;
  return (c.m == 3 || c.m == 4) && c.n1 >= 0 && c.n2 >= 0 &&
         real_array_ok(s, c.jrz, 2 * static_cast<int64_t>(c.n1)) &&
         int_array_ok(s, c.jj1, static_cast<int64_t>(c.m) * c.n2);
}

bool element_nodes(const Session& s, int32_t e, int (&idx)[4], int& corners) {
  const Cmesh& c = s.cmesh;
  const int32_t* el = ints(s, c.jj1) + static_cast<int64_t>(e) * c.m;
  corners = c.m == 3 || el[3] == 0 || std::abs(el[2]) == std::abs(el[3]) ? 3 : 4;
  for (int k = 0; k < corners; ++k) {
    const int64_t node = std::llabs(static_cast<int64_t>(el[k]));
    if (node < 1 || node > c.n1) return false;
    idx[k] = static_cast<int>(node - 1);
  }
  return true;
}

Positions tlim(Session& s) {
  Positions p;
  const Cmesh& c = s.cmesh;
  if (!mesh_ok(s)) {
    tlim1(s, p);
    return p;
  }
  const int64_t n1 = c.n1;
  p.x.resize(static_cast<size_t>(n1));
  p.y.resize(static_cast<size_t>(n1));
  const float* rz = reals(s, c.jrz);
  for (int64_t i = 0; i < n1; ++i) {
    p.x[static_cast<size_t>(i)] = rz[2 * i];
    p.y[static_cast<size_t>(i)] = rz[2 * i + 1];
  }
  // Until a task is prepared the mesh is drawn as generated.
  const float rmesh = s.cht.itask == kTaskPrepared ? s.cterm.rmesh : 0.0f;
  if (rmesh != 0.0f && c.jdcr[2] > 0 && c.jdcr[3] > 0 && real_array_ok(s, c.jdcr[2], n1) &&
      real_array_ok(s, c.jdcr[3], n1)) {
    const float* dx = reals(s, c.jdcr[2]);
    const float* dy = reals(s, c.jdcr[3]);
    for (int64_t i = 0; i < n1; ++i) {
      p.x[static_cast<size_t>(i)] += rmesh * dx[i];
      p.y[static_cast<size_t>(i)] += rmesh * dy[i];
    }
  }
  store_positions(s, c.jdcr[4], p.x);
  store_positions(s, c.jdcr[5], p.y);
  tlim1(s, p);
  return p;
}

void tlim1(Session& s, const Positions& p) {
  const Cterm& t = s.cterm;
  const float* reg = t.reg;
  if (reg[2] > reg[0] && reg[3] > reg[1] && std::isfinite(reg[0]) && std::isfinite(reg[2]) &&
      std::isfinite(reg[1]) && std::isfinite(reg[3])) {
    limits(s, reg[0], reg[2], reg[1], reg[3]);
    return;
  }
  float xmin = 0, xmax = 0, ymin = 0, ymax = 0;
  bool any = false;
  for (size_t i = 0; i < p.x.size(); ++i) {
    const float x = p.x[i], y = p.y[i];
    if (!std::isfinite(x) || !std::isfinite(y)) continue;
    if (!any) {
      xmin = xmax = x;
      ymin = ymax = y;
      any = true;
      continue;
    }
    xmin = std::min(xmin, x);
    xmax = std::max(xmax, x);
    ymin = std::min(ymin, y);
    ymax = std::max(ymax, y);
  }
  const float dx = xmax - xmin, dy = ymax - ymin;
  if (t.isymg == 2) {
    // The axis in the middle and both halves whole: the side is twice the largest distance of a
    // node from the axis (a mesh that does not reach the axis lies off it).
    const float reach = std::max(std::fabs(xmin), std::fabs(xmax));
    const float side = std::max(2.0f * reach, dy);
    limits(s, -side / 2, side / 2, ymin, ymin + side);
  } else {
    const float side = std::max(dx, dy);
    limits(s, xmin, xmin + side, ymin, ymin + side);
  }
}

namespace {

// The range of the finite values of f (0, 0 when there are none).
void field_range(const float* f, int n1, float& fmin, float& fmax) {
  bool any = false;
  fmin = fmax = 0.0f;
  for (int i = 0; f != nullptr && i < n1; ++i) {
    const float v = f[i];
    if (!std::isfinite(v)) continue;
    if (!any) {
      fmin = fmax = v;
      any = true;
    }
    fmin = std::min(fmin, v);
    fmax = std::max(fmax, v);
  }
}

bool within_rounding(float fmin, float fmax) {
  return fmax - fmin <= 1.0e-5f * std::max(std::fabs(fmin), std::fabs(fmax));
}

}  // namespace

bool constant_field(const Session& s, const float* f, int n1, float& value) {
  if (s.cterm.rlim[0] < s.cterm.rlim[1]) return false;
  float fmin = 0, fmax = 0;
  field_range(f, n1, fmin, fmax);
  value = fmin + (fmax - fmin) / 2;
  return within_rounding(fmin, fmax);
}

std::vector<float> setlim(const Session& s, const float* f, int n1, int n) {
  std::vector<float> lev(static_cast<size_t>(std::max(n, 0)));
  if (n <= 0) return lev;
  float fmin = s.cterm.rlim[0], fmax = s.cterm.rlim[1];
  if (!(fmin < fmax)) {
    field_range(f, n1, fmin, fmax);
    if (within_rounding(fmin, fmax)) {
      // Levels a step apart around the value, half a step from it on each side.
      const double mid = fmin + (static_cast<double>(fmax) - fmin) / 2;
      const double step = 2 * (mid != 0.0 ? std::fabs(mid) : 1.0) / (n + 1);
      const double centre = (n + 1) / 2.0 + (n % 2) * 0.5;
      for (int i = 1; i <= n; ++i)
        lev[static_cast<size_t>(i - 1)] = static_cast<float>(mid + (i - centre) * step);
      return lev;
    }
  }
  const double step = (static_cast<double>(fmax) - fmin) / (n + 1);
  for (int i = 1; i <= n; ++i)
    lev[static_cast<size_t>(i - 1)] = static_cast<float>(fmin + i * step);
  return lev;
}

void markpic(Session& s, std::string_view title) {
  color(s, 15);
  text(s, "time=" + fmt_real(s.cht.t, "(e10.3)"), 44.0f, 224.0f, 8.0f, 0, 15);
  text(s, rtrim(title), 176.0f, 224.0f, 8.0f, 0, 15);
  color(s, 15);
}

const float* current_function(Session& s) {
  const int nipp = std::min(s.cht.nipp, 30);
  if (nipp < 1) return nullptr;
  Cterm& t = s.cterm;
  t.nf = std::clamp(t.nf, 1, nipp);
  function_read(s, t.nf);
  const int32_t j = s.cht.ipp[t.nf - 1];
  if (s.cmesh.n1 < 0 || !real_array_ok(s, j, s.cmesh.n1)) return nullptr;
  return reals(s, j);
}

std::string function_title(const Session& s, int k) {
  if (k < 1 || k > std::min(s.cht.nipp, 30)) return {};
  std::string name = field_str(s.cls.ppname[k - 1]);
  std::replace(name.begin(), name.end(), '_', ' ');
  return rtrim(name);
}

void lpg_region(Session& s, int col2, int row2) {
  lpg(s, 1);
  region(s, 7, 2, col2, row2, 0);
  color(s, 15);
}

void room_for_axes(Session& s) {
  // Inside the page's frame.
  const int frame = s.grf.irampag == 1 ? 1 : 0;
  fit_region_to_axes(s, s.grf.page_pix[0] + frame, s.grf.page_pix[1] - frame);
}

void lpg_legend(Session& s) {
  lpg_region(s, kLegendCol, kPlotRow);
}

}  // namespace tivor

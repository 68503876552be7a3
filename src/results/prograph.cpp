// The prograph: an oblique relief view of the current function standing on the mesh, the mesh
// turned in its plane, compressed vertically and sheared; relief polygons painted from the lowest
// element mean to the highest.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "core/pool.hpp"
#include "gfx/gfx.hpp"
#include "results/pictures.hpp"

namespace tivor {
namespace {

constexpr int32_t kSettingsSet = 999999;

void defaults(Cterm& t) {
  if (t.prograph_set == kSettingsSet) return;
  t.ud1 = 1.75f;
  t.xams1 = 0.6f;
  t.yaug1 = 0.6f;
  t.zug1 = 0.0f;
  t.prograph_set = kSettingsSet;
}

void polygon(Session& s, const float* x, const float* y, int n, int fill, int outline) {
  if (fill >= 0) flood0(s, x, y, n, fill);
  if (outline >= 0) {
    for (int k = 0; k < n; ++k) {
      const int j = (k + 1) % n;
      segment(s, x[k], y[k], x[j], y[j], outline, false);
    }
  }
}

}  // namespace

void grapr2(Session& s) {
  Cterm& t = s.cterm;
  defaults(t);
  const Cmesh& c = s.cmesh;
  // The work values of the view: three per node and one per element, plus a node index each.
  const int64_t room = static_cast<int64_t>(s.csize.na) - s.csize.maxa;
  if (c.n1 < 0 || c.n2 < 0 || room < 4 * static_cast<int64_t>(c.n1) + c.n2) return;
  const float* f = current_function(s);

  lpg_region(s, kPlotCol, kPlotRow);
  const Positions p = tlim(s);
  if (f != nullptr && !p.x.empty() && mesh_ok(s)) {
    const size_t n1 = p.x.size();
    const float cz = std::cos(t.zug1), sz = std::sin(t.zug1), shear = std::sin(t.yaug1);
    std::vector<float> bx(n1), by(n1), ry(n1);
    float fmin = INFINITY, fmax = -INFINITY, rmin = p.x[0], rmax = p.x[0];
    for (size_t i = 0; i < n1; ++i) {
      if (std::isfinite(f[i])) {
        fmin = std::min(fmin, f[i]);
        fmax = std::max(fmax, f[i]);
      }
      rmin = std::min(rmin, p.x[i]);
      rmax = std::max(rmax, p.x[i]);
      bx[i] = p.x[i] * cz - p.y[i] * sz;
      by[i] = t.ud1 * (p.y[i] * cz + p.x[i] * sz);
    }
    if (!(fmin <= fmax)) fmin = fmax = 0.0f;
    const float ymin = *std::min_element(by.begin(), by.end());
    const float k = (rmax - rmin) * t.xams1 / std::max(fmax - fmin, 1.0e-6f);
    for (size_t i = 0; i < n1; ++i) {
      bx[i] += (by[i] - ymin) * shear;
      ry[i] = by[i] + (f[i] - fmin) * k;
    }
    float x1 = bx[0], x2 = bx[0], y1 = by[0], y2 = by[0];
    for (size_t i = 0; i < n1; ++i) {
      x1 = std::min(x1, bx[i]);
      x2 = std::max(x2, bx[i]);
      y1 = std::min({y1, by[i], ry[i]});
      y2 = std::max({y2, by[i], ry[i]});
    }
    limits(s, x1, x2, y1, y2);
    clip(s, 3);

    // The base: every element in colour 1, the boundary in colour 15.
    std::vector<float> mean(static_cast<size_t>(c.n2), 0.0f);
    std::vector<int32_t> order;
    order.reserve(static_cast<size_t>(c.n2));
    for (int32_t e = 0; e < c.n2; ++e) {
      int idx[4], corners = 0;
      if (!element_nodes(s, e, idx, corners)) continue;
      float x[4], y[4], sum = 0.0f;
      for (int j = 0; j < corners; ++j) {
        const size_t i = static_cast<size_t>(idx[j]);
        x[j] = bx[i];
        y[j] = by[i];
        sum += f[i];
      }
      mean[static_cast<size_t>(e)] = sum / static_cast<float>(corners);
      order.push_back(e);
      polygon(s, x, y, corners, 1, -1);
    }
    if (c.n3 > 0 && int_array_ok(s, c.jj2, 2 * static_cast<int64_t>(c.n3))) {
      const int32_t* be = ints(s, c.jj2);
      for (int64_t j = 0; j < c.n3; ++j) {
        const int64_t a = std::llabs(static_cast<int64_t>(be[2 * j]));
        const int64_t b = std::llabs(static_cast<int64_t>(be[2 * j + 1]));
        if (a < 1 || a > c.n1 || b < 1 || b > c.n1) continue;
        segment(s, bx[a - 1], by[a - 1], bx[b - 1], by[b - 1], 15, false);
      }
    }

    // The relief, lowest elements first so that higher ones are painted over them.
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
      return mean[static_cast<size_t>(a)] < mean[static_cast<size_t>(b)];
    });
    for (const int32_t e : order) {
      int idx[4], corners = 0;
      static_cast<void>(element_nodes(s, e, idx, corners));
      float x[4], y[4];
      for (int j = 0; j < corners; ++j) {
        x[j] = bx[static_cast<size_t>(idx[j])];
        y[j] = ry[static_cast<size_t>(idx[j])];
      }
      polygon(s, x, y, corners, 2, 15);
    }
    clip(s, 2);
  }
  color(s, 15);
  markpic(s, function_title(s, t.nf));
  lpg(s, 2);
}

}  // namespace tivor

// The implicit viscous and heat-conduction step of the gas-flow class (viscous.hpp).
//
// Both operators are applied element by element, never assembled: each triangle keeps its
// shape-function derivatives, its volume and 1/r, and per step the coefficient rho nu V (rho
// nu the dynamic viscosity with the triangle's mean density) and rho kappa V. The velocity
// system couples u and v through the stress and is solved as one system of 2 n1 unknowns;
// the energy system follows with the heating of the new velocities.
//
// Both solves find the change of the step (solve() below); the solver's stopping test is
// relative, so that the same physics gives the same answer in any unit.
#include "classes/gs/viscous.hpp"

#include <algorithm>
#include <cmath>
#include <span>
#include <string>

#include "console/console.hpp"

namespace tivor::gs {
namespace {

constexpr float kRhoMin = 1e-6f;
// The solver's relative tolerance on squared quantities: a residual of about 3e-7 of the first
// one, near the rounding of single precision.
constexpr double kRelTol = 1e-13;
constexpr int kProgressEvery = 50;

struct Tri {
  int32_t n[3];
  float d1[3], d2[3];
  float twice_area;  // signed
};

Tri triangle(const float* rz, int32_t a, int32_t b, int32_t c) {
  Tri t{{a, b, c}, {}, {}, 0.0f};
  const float r1 = rz[2 * a], z1 = rz[2 * a + 1];
  const float r2 = rz[2 * b], z2 = rz[2 * b + 1];
  const float r3 = rz[2 * c], z3 = rz[2 * c + 1];
  t.twice_area = (z2 - z1) * (r3 - r1) - (z3 - z1) * (r2 - r1);
  if (t.twice_area == 0.0f) return t;
  const float inv = 1.0f / t.twice_area;
  t.d1[0] = (z3 - z2) * inv, t.d1[1] = (z1 - z3) * inv, t.d1[2] = (z2 - z1) * inv;
  t.d2[0] = (r2 - r3) * inv, t.d2[1] = (r3 - r1) * inv, t.d2[2] = (r1 - r2) * inv;
  return t;
}

void add_triangle(const ViscousMesh& mesh, ViscousWork& w, const Tri& t, float weight,
                  int32_t sub) {
  const float rbar = (mesh.rz[2 * t.n[0]] + mesh.rz[2 * t.n[1]] + mesh.rz[2 * t.n[2]]) / 3.0f;
  const bool axi = mesh.axisymmetric && rbar > 0.0f;
  for (int k = 0; k < 3; ++k) {
    w.tn.push_back(t.n[k]);
    w.d1.push_back(t.d1[k]);
    w.d2.push_back(t.d2[k]);
  }
  w.vol.push_back(weight * 0.5f * std::abs(t.twice_area) * (axi ? rbar : 1.0f));
  w.rinv.push_back(axi ? 1.0f / rbar : 0.0f);
  w.sub.push_back(sub);
}

// Elements [first, end) of subregion sub: the lumped volumes and the stiffness triangles.
void lay_out(const ViscousMesh& mesh, ViscousWork& w, int32_t sub, int32_t first, int32_t end) {
  for (int32_t e = first; e < end; ++e) {
    const int32_t* c = mesh.conn + int64_t{e} * mesh.m;
    int32_t nd[4] = {0, 0, 0, 0};
    bool inside = true;
    for (int k = 0; k < mesh.m; ++k) {
      nd[k] = std::abs(c[k]) - 1;
      inside = inside && nd[k] >= 0 && nd[k] < mesh.n1;
    }
    if (!inside) continue;
    const bool quad = mesh.m == 4 && nd[2] != nd[3];
    const int corners = quad ? 4 : 3;
    const Tri t123 = triangle(mesh.rz, nd[0], nd[1], nd[2]);
    const Tri t134 = quad ? triangle(mesh.rz, nd[0], nd[2], nd[3]) : Tri{};
    const float twice = t123.twice_area + t134.twice_area;
    if (!(std::abs(twice) > 0.0f) || !std::isfinite(twice)) continue;
    // The lumped volume: the element's volume (area times its mean radius) shared equally.
    float rbar = 0.0f;
    for (int k = 0; k < corners; ++k) rbar += mesh.rz[2 * nd[k]];
    rbar /= static_cast<float>(corners);
    const float v = 0.5f * std::abs(twice) * (mesh.axisymmetric ? rbar : 1.0f);
    for (int k = 0; k < corners; ++k) w.node_vol[nd[k]] += v / static_cast<float>(corners);
    const auto same_side = [twice](const Tri& t) { return t.twice_area * twice > 0.0f; };
    if (!quad) {
      add_triangle(mesh, w, t123, 1.0f, sub);
      continue;
    }
    const Tri t124 = triangle(mesh.rz, nd[0], nd[1], nd[3]);
    const Tri t234 = triangle(mesh.rz, nd[1], nd[2], nd[3]);
    const bool split_a = same_side(t123) && same_side(t134);
    const bool split_b = same_side(t124) && same_side(t234);
    const float weight = split_a && split_b ? 0.5f : 1.0f;
    if (split_a) add_triangle(mesh, w, t123, weight, sub), add_triangle(mesh, w, t134, weight, sub);
    if (split_b) add_triangle(mesh, w, t124, weight, sub), add_triangle(mesh, w, t234, weight, sub);
  }
}

// f += K_v (u, v) over the triangles: the divergence of the Newtonian stress.
void stress_product(const ViscousWork& w, const float* u, const float* v, float* fu, float* fv) {
  const size_t nt = w.vol.size();
  for (size_t t = 0; t < nt; ++t) {
    const float c = w.coef_v[t];
    if (c == 0.0f) continue;
    const int32_t* n = &w.tn[3 * t];
    const float* d1 = &w.d1[3 * t];
    const float* d2 = &w.d2[3 * t];
    const float u0 = u[n[0]], u1 = u[n[1]], u2 = u[n[2]];
    const float v0 = v[n[0]], v1 = v[n[1]], v2 = v[n[2]];
    const float ur = d1[0] * u0 + d1[1] * u1 + d1[2] * u2;
    const float uz = d2[0] * u0 + d2[1] * u1 + d2[2] * u2;
    const float vr = d1[0] * v0 + d1[1] * v1 + d1[2] * v2;
    const float vz = d2[0] * v0 + d2[1] * v1 + d2[2] * v2;
    const float hq = w.rinv[t] * (1.0f / 3.0f);
    const float hoop = hq * (u0 + u1 + u2);
    const float third = (2.0f / 3.0f) * (ur + vz + hoop);
    const float srr = c * (2.0f * ur - third), szz = c * (2.0f * vz - third);
    const float srz = c * (uz + vr), stt = c * (2.0f * hoop - third);
    for (int k = 0; k < 3; ++k) {
      fu[n[k]] += srr * d1[k] + srz * d2[k] + stt * hq;
      fv[n[k]] += srz * d1[k] + szz * d2[k];
    }
  }
}

// f += K_c e over the triangles.
void conduction_product(const ViscousWork& w, const float* e, float* f) {
  const size_t nt = w.vol.size();
  for (size_t t = 0; t < nt; ++t) {
    const float c = w.coef_c[t];
    if (c == 0.0f) continue;
    const int32_t* n = &w.tn[3 * t];
    const float* d1 = &w.d1[3 * t];
    const float* d2 = &w.d2[3 * t];
    const float gr = c * (d1[0] * e[n[0]] + d1[1] * e[n[1]] + d1[2] * e[n[2]]);
    const float gz = c * (d2[0] * e[n[0]] + d2[1] * e[n[1]] + d2[2] * e[n[2]]);
    for (int k = 0; k < 3; ++k) f[n[k]] += gr * d1[k] + gz * d2[k];
  }
}

// h += the viscous heating tau : grad U of each triangle, a third at each of its nodes.
void heating(const ViscousWork& w, const float* u, const float* v, float* h) {
  const size_t nt = w.vol.size();
  for (size_t t = 0; t < nt; ++t) {
    const float c = w.coef_v[t];
    if (c == 0.0f) continue;
    const int32_t* n = &w.tn[3 * t];
    const float* d1 = &w.d1[3 * t];
    const float* d2 = &w.d2[3 * t];
    const float ur = d1[0] * u[n[0]] + d1[1] * u[n[1]] + d1[2] * u[n[2]];
    const float uz = d2[0] * u[n[0]] + d2[1] * u[n[1]] + d2[2] * u[n[2]];
    const float vr = d1[0] * v[n[0]] + d1[1] * v[n[1]] + d1[2] * v[n[2]];
    const float vz = d2[0] * v[n[0]] + d2[1] * v[n[1]] + d2[2] * v[n[2]];
    const float hoop = w.rinv[t] * (u[n[0]] + u[n[1]] + u[n[2]]) * (1.0f / 3.0f);
    const float div = ur + vz + hoop;
    const float shear = uz + vr;
    const float phi =
        c * (2.0f * (ur * ur + vz * vz + hoop * hoop) + shear * shear - (2.0f / 3.0f) * div * div);
    const float share = std::max(phi, 0.0f) * (1.0f / 3.0f);
    for (int k = 0; k < 3; ++k) h[n[k]] += share;
  }
}

// The per-step coefficients of the triangles; returns whether any viscosity (conduction) acts.
void set_coefficients(const ViscousStep& step, ViscousWork& w, bool& any_v, bool& any_c) {
  const size_t nt = w.vol.size();
  w.coef_v.assign(nt, 0.0f);
  w.coef_c.assign(nt, 0.0f);
  any_v = any_c = false;
  for (size_t t = 0; t < nt; ++t) {
    const int32_t* n = &w.tn[3 * t];
    const float rho = (std::max(step.rho[n[0]], kRhoMin) + std::max(step.rho[n[1]], kRhoMin) +
                       std::max(step.rho[n[2]], kRhoMin)) /
                      3.0f;
    const float nu = std::max(step.nu[w.sub[t]], 0.0f);
    const float ka = std::max(step.kappa[w.sub[t]], 0.0f);
    w.coef_v[t] = nu * rho * w.vol[t];
    w.coef_c[t] = ka * rho * w.vol[t];
    any_v = any_v || w.coef_v[t] > 0.0f;
    any_c = any_c || w.coef_c[t] > 0.0f;
  }
}

bool fixed(const uint8_t* flags, size_t i) {
  return flags != nullptr && flags[i] != 0;
}

int report_nonfinite(Session& s, const char* what, int64_t node, float t) {
  clswnd3(s);
  locate1(s, 1, 18);
  std::string text = " gsvis:";
  text += what;
  text += " not finite at node";
  text += fmt_int(static_cast<int>(node + 1), "(i8)");
  text += " t=";
  text += fmt_real(t, "(e10.3)");
  return flag_on(s, text);
}

// Acts on how a solve ended: the solution and the solver's vectors are searched for the first
// value that is not finite, component by component (n1 values each).
int outcome(Session& s, const CjResult& res, const ViscousWork& w, size_t n1, int components,
            const char* const* names, float t) {
  if (res.end == CjEnd::interrupted) return 1;
  if (res.end == CjEnd::stagnated || res.end == CjEnd::iteration_limit) {
    return flag_on(s, " gsvis:ill conditions");
  }
  for (const std::vector<float>* vec : {&w.x, &w.r, &w.w, &w.p}) {
    for (int k = 0; k < components; ++k) {
      const int64_t i = first_nonfinite(vec->data() + k * n1, static_cast<int64_t>(n1));
      if (i >= 0) return report_nonfinite(s, names[k], i, t);
    }
  }
  if (res.end == CjEnd::not_finite) return report_nonfinite(s, names[0], 0, t);
  return 0;
}

CjOptions options(const Session& s, size_t n) {
  CjOptions opt;
  opt.eps = kRelTol;
  opt.max_iterations = static_cast<int>(std::max<size_t>(200, 2 * n));
  opt.text = " gsvis:";
  opt.nprint = kProgressEvery;
  opt.threads = s.threads;
  return opt;
}

// Solves (M/dt + K) x = M/dt x_old + src for the unknowns of w.x, which hold x_old on entry
// and the new values on return; w.md holds M/dt (0 in the rows kept) and w.diag the diagonal of
// K. product(x, out) adds K x. The solver works on the change d = x - x_old, the solution of
// (M/dt + K) d = src - K x_old from d = 0, so that its relative stopping test measures the error
// against the size of the change (against this right-hand side) rather than against the values.
template <class Product>
CjResult solve(Session& s, ViscousWork& w, const float* src, const Product& product) {
  const size_t n = w.x.size();
  for (size_t i = 0; i < n; ++i) w.diag[i] = w.md[i] > 0.0f ? 1.0f / (w.md[i] + w.diag[i]) : 0.0f;
  w.old = w.x;
  std::fill(w.x.begin(), w.x.end(), 0.0f);
  w.w.assign(n, 0.0f), w.r.assign(n, 0.0f), w.p.assign(n, 0.0f), w.z.assign(n, 0.0f);
  const float* md = w.md.data();
  const CjOperator op = [&](std::span<const float> x, std::span<float> out, int it, unsigned) {
    std::fill(out.begin(), out.end(), 0.0f);
    if (it > 0) {
      product(x.data(), out.data());
      for (size_t i = 0; i < n; ++i) out[i] = md[i] > 0.0f ? out[i] + md[i] * x[i] : 0.0f;
      return;
    }
    // The residual of d = 0: K x_old - src.
    product(w.old.data(), out.data());
    for (size_t i = 0; i < n; ++i) {
      out[i] = md[i] > 0.0f ? out[i] - (src != nullptr ? src[i] : 0.0f) : 0.0f;
    }
  };
  const CjResult res = cj(s, w.x, w.diag, w.w, w.r, w.p, w.z, op, options(s, n));
  for (size_t i = 0; i < n; ++i) w.x[i] += w.old[i];
  return res;
}

}  // namespace

void viscous_geometry(const ViscousMesh& mesh, ViscousWork& w) {
  w.tn.clear(), w.d1.clear(), w.d2.clear(), w.vol.clear(), w.rinv.clear(), w.sub.clear();
  w.node_vol.assign(static_cast<size_t>(std::max(mesh.n1, 0)), 0.0f);
  if (mesh.m != 3 && mesh.m != 4) return;
  int32_t first = 0;
  for (int32_t sub = 0; sub < mesh.ntel; ++sub) {
    const int32_t end = std::clamp(mesh.sub_end[sub], first, mesh.n2);
    lay_out(mesh, w, sub, first, end);
    first = end;
  }
  w.built_rz = mesh.rz, w.built_conn = mesh.conn;
  w.built_n1 = mesh.n1, w.built_n2 = mesh.n2, w.built_m = mesh.m;
  w.built_axi = mesh.axisymmetric;
}

int viscous_step(Session& s, const ViscousMesh& mesh, const ViscousStep& step, float* u, float* v,
                 float* e, ViscousWork& w, ViscousStats* stats) {
  if (w.built_rz != mesh.rz || w.built_conn != mesh.conn || w.built_n1 != mesh.n1 ||
      w.built_n2 != mesh.n2 || w.built_m != mesh.m || w.built_axi != mesh.axisymmetric) {
    viscous_geometry(mesh, w);
  }
  if (stats != nullptr) *stats = {};
  const size_t n1 = static_cast<size_t>(mesh.n1);
  if (n1 == 0 || !(step.dt > 0.0f)) return 0;
  // The state must be finite before anything is solved with it.
  const float* const state[4] = {step.rho, u, v, e};
  const char* const state_names[4] = {"ro", "u", "v", "e"};
  for (int k = 0; k < 4; ++k) {
    const int64_t i = first_nonfinite(state[k], static_cast<int64_t>(n1));
    if (i >= 0) return report_nonfinite(s, state_names[k], i, step.t);
  }
  bool any_v = false, any_c = false;
  set_coefficients(step, w, any_v, any_c);
  const float inv_dt = 1.0f / step.dt;
  w.mass.resize(n1);
  for (size_t i = 0; i < n1; ++i) w.mass[i] = std::max(step.rho[i], kRhoMin) * w.node_vol[i];
  // M/dt of component k's unknowns, 0 at the nodes whose value is kept.
  const auto set_mass_rate = [&](size_t k, const uint8_t* keep) {
    for (size_t i = 0; i < n1; ++i) {
      w.md[k * n1 + i] = fixed(keep, i) || !(w.mass[i] > 0.0f) ? 0.0f : w.mass[i] * inv_dt;
    }
  };

  // The velocities: one system of 2 n1 unknowns, u then v.
  std::vector<float> vel(u, u + n1);
  vel.insert(vel.end(), v, v + n1);
  if (any_v) {
    w.x = vel;
    w.md.resize(2 * n1);
    set_mass_rate(0, step.fix_u);
    set_mass_rate(1, step.fix_v);
    w.diag.assign(2 * n1, 0.0f);
    for (size_t t = 0; t < w.vol.size(); ++t) {
      const float c = w.coef_v[t];
      const float hq = w.rinv[t] * (1.0f / 3.0f);
      for (int k = 0; k < 3; ++k) {
        const float a = w.d1[3 * t + k], b = w.d2[3 * t + k];
        w.diag[w.tn[3 * t + k]] +=
            c * (2 * a * a + b * b + 2 * hq * hq - (a + hq) * (a + hq) * 2 / 3);
        w.diag[n1 + w.tn[3 * t + k]] += c * (a * a + b * b * 4 / 3);
      }
    }
    const auto product = [&](const float* x, float* out) {
      stress_product(w, x, x + n1, out, out + n1);
    };
    const CjResult res = solve(s, w, nullptr, product);
    if (stats != nullptr) stats->iterations[0] = res.iterations;
    const char* const names[2] = {"u", "v"};
    if (outcome(s, res, w, n1, 2, names, step.t) != 0) return 1;
    vel = w.x;
  }

  // The energy, with the heating of the new velocities and the heat flowing in.
  w.rhs.assign(n1, 0.0f);
  if (any_v && step.heating) heating(w, vel.data(), vel.data() + n1, w.rhs.data());
  bool any_source = false;
  for (size_t i = 0; i < n1; ++i) {
    if (step.heat_in != nullptr) w.rhs[i] += step.heat_in[i];
    any_source = any_source || w.rhs[i] != 0.0f;
  }
  std::vector<float> energy(e, e + n1);
  if (any_c || any_source) {
    w.x.assign(e, e + n1);
    w.md.resize(n1);
    set_mass_rate(0, step.fix_e);
    w.diag.assign(n1, 0.0f);
    for (size_t t = 0; t < w.vol.size(); ++t) {
      for (int k = 0; k < 3; ++k) {
        const float a = w.d1[3 * t + k], b = w.d2[3 * t + k];
        w.diag[w.tn[3 * t + k]] += w.coef_c[t] * (a * a + b * b);
      }
    }
    const auto product = [&](const float* x, float* out) {
      if (any_c) conduction_product(w, x, out);
    };
    const CjResult res = solve(s, w, w.rhs.data(), product);
    if (stats != nullptr) stats->iterations[1] = res.iterations;
    const char* const names[1] = {"e"};
    if (outcome(s, res, w, n1, 1, names, step.t) != 0) return 1;
    energy = w.x;
  }
  std::copy_n(vel.data(), n1, u);
  std::copy_n(vel.data() + n1, n1, v);
  std::copy_n(energy.data(), n1, e);
  return 0;
}

}  // namespace tivor::gs

// SOMATEQU: the material model of the solids class for one element. It turns the strain
// increments and total displacement gradients of an element into stresses, with gas pressure,
// pressure hardening, compaction of pores, damage and plasticity, and updates the element's
// plastic strains, plastic work, density and energy. It keeps no state of its own.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <type_traits>

#include "kernels/lane.hpp"

namespace tivor::sol {

// The constants of one zone (SOMPROP).
struct ZoneMaterial {
  float c0 = 0.0f;               // sound speed
  float k3 = 0.0f;               // 3K = 3 lambda + 2G
  float gam = 0.0f;              // gamma-ratio; above 1.1 the zone is a gas
  float ro0 = 0.0f;              // density
  float g2 = 0.0f;               // 2G
  float emax = 0.0f;             // destructive strain
  int32_t mat = 1;               // media type: 1 elastic, 2 elasto-plastic
  int32_t plast = 0;             // yield criterion: 1 von Mises, 2 maximal principal stress
  float damage[3] = {};          // D1 (model), D2, D3
  float compact[3] = {};         // C1 (initial and limiting porosity), C2 (rate), C3
  float skpres = 0.0f;           // pressure-hardening factor of the yield stress
  std::span<const float> yield;  // (plastic work, yield stress) pairs
};

// What the scheme knows of the element's motion in this pass; T is float for one element, Lane
// or Wide for several side by side.
template <class T = float>
struct Kinematics {
  T de11{}, de33{};                      // deviatoric strain increments
  T de13{}, dem{};                       // shear and mean strain increments
  T durdr{}, durdz{}, duzdr{}, duzdz{};  // total displacement gradient
  T ubar{};                              // mean radial displacement
  T rmin1{};                             // inverse mean radius, 0 in plane problems
  T volume{}, volume0{};
  float dt = 0.0f;
  float gn = 0.0f;  // large-strain factor
};
using ElementKinematics = Kinematics<float>;

// The element values the model updates in place.
template <class T = float>
struct State {
  T ep11{}, ep33{}, ep13{};  // plastic strains
  T ro{}, rop{};             // density, pressure-corrected density
  T emx{};                   // damage strain
  T ap{}, ee{};              // plastic work, specific internal energy
  T pore{}, crack{};         // porosity, crack measure
};
using ElementState = State<float>;

// Stress components in the order S11, S33, S13, mean stress.
template <class T = float>
struct Stresses {
  T inc[4] = {};    // increments; in force mode the predicted stresses that drive the forces
  T total[4] = {};  // total stresses
};
using ElementStresses = Stresses<float>;

enum class MaterialMode { force, state };

// Runs the model for one element of the zone. dest_cell is the element's destroyed-cell flag of
// the mesh, set to 0 when the element's damage strain reaches the destructive strain.
void somatequ(const ZoneMaterial& zone, const ElementKinematics& k, ElementState& e,
              MaterialMode mode, ElementStresses& out, float& dest_cell);

// A zone's constants with what the model derives from them made once for all its elements.
struct ZoneModel : ZoneMaterial {
  float inv_ro0 = 0.0f;  // 1 / density, 0 for a zone without density (whose energy stays)
  int damage_model = 0;  // D1 and D2 rounded to the switches they select
  int damage_measure = 0;
  // A yield table of at most two rows as the line f0 + (w - w0) slope it interpolates.
  float yield_w0 = 0.0f, yield_f0 = 0.0f, yield_slope = 0.0f;
  // No compaction, no damage, no yield criterion or the von Mises one, a yield table of at most
  // two rows, a density: the model of such a zone takes no branch that depends on the element,
  // and the element loops run it on whole vectors of elements.
  bool plain = false;
};
ZoneModel zone_model(const ZoneMaterial& zone);

namespace material_detail {

// Squared norm of the deviator (S11, S33, S13) with the hoop part -S11-S33.
template <class T>
[[gnu::always_inline]] inline T deviator_norm2(T s11, T s33, T s13) {
  return 2.0f * (s11 * s11 + s33 * s33 + s11 * s33 + s13 * s13);
}

// Factor that brings a deviator of squared norm j back onto radius y: y / max(sqrt(j), y).
template <class T>
[[gnu::always_inline]] inline T radial_return(T j, T y) {
  const T r2 = j + 1e-10f;
  // Both values, then the choice: a choice between values is vector code, a branch is not.
  const T onto = y / sqrt_of(r2);
  return pick(r2 <= y * y, splat<T>(1.0f), onto);
}

// Yield stress at plastic work w from the zone's (plastic work, yield stress) rows, linear
// between rows and along the first or last segment outside them. A one-row table is a
// constant yield stress; no table is none.
inline float yield_table(std::span<const float> table, float w) {
  const int rows = static_cast<int>(table.size() / 2);
  if (rows == 0) return 0.0f;
  if (rows == 1) return table[1];
  int j = 1;
  while (j < rows - 1 && !(table[2 * j] > w)) ++j;
  const float w0 = table[2 * j - 2], f0 = table[2 * j - 1];
  const float dw = table[2 * j] - w0;
  const float slope = dw > 1e-6f ? (table[2 * j + 1] - f0) / dw : 0.0f;
  return f0 + (w - w0) * slope;
}

// The zone's yield stress at plastic work w, raised by pressure; Plain: from its line.
template <bool Plain, class T>
[[gnu::always_inline]] inline T yield_stress(const ZoneModel& zone, T w) {
  if constexpr (Plain) {
    return max_of(splat<T>(1e-10f), zone.yield_f0 + (w - zone.yield_w0) * zone.yield_slope);
  } else {
    return std::max(1e-10f, yield_table(zone.yield, w));
  }
}

}  // namespace material_detail

// The model itself, inlined into the element loops (forced: the compiler otherwise keeps it out
// of line, a call and a spill of the element's values per element). Plain (a plain zone, see
// ZoneModel) leaves out at compile time what such a zone does not use, and runs on one element
// (T float) or on several side by side (T Lane or Wide); it computes the same values as the full
// model.
template <MaterialMode Mode, bool Plain = false, class T = float>
[[gnu::always_inline]] inline void material_model(const ZoneModel& zone, const Kinematics<T>& k,
                                                  State<T>& e, Stresses<T>& out, float& dest_cell) {
  static_assert(Plain || std::is_same_v<T, float>, "only a plain zone runs on lanes");
  // Moduli of this element; compaction and damage soften them below the zone's values.
  float g2 = zone.g2, k3 = zone.k3;

  // Elastic increments.
  const T inc11 = g2 * k.de11, inc33 = g2 * k.de33, inc13 = g2 * k.de13, incm = k3 * k.dem;

  // Total strains; with gn = 1 the quadratic terms cancel the strains of a rigid rotation.
  const float gh = 0.5f * k.gn;
  const T e11 = k.durdr - gh * (k.durdr * k.durdr + k.duzdr * k.duzdr);
  const T e33 = k.duzdz - gh * (k.durdz * k.durdz + k.duzdz * k.duzdz);
  const T e13 = 0.5f * (k.durdz + k.duzdr - k.gn * (k.durdr * k.durdz + k.duzdr * k.duzdz));
  const T hoop = k.rmin1 * k.ubar;
  const T e22 = hoop - gh * hoop * hoop;
  const T em = (e11 + e22 + e33) * (1.0f / 3.0f);

  // Total stresses. The hoop deviator is -S11-S33 throughout and is not carried.
  T s11 = g2 * (e11 - em - e.ep11);
  T s33 = g2 * (e33 - em - e.ep33);
  T s13 = g2 * (e13 - e.ep13);
  T sm = k3 * em;

  e.ro = zone.ro0 * k.volume0 / k.volume;

  // A gas keeps no normal deviatoric stress.
  if (zone.gam > 1.1f) s11 = s33 = T{};

  // Yield stress, raised by pressure (compression is a negative mean stress); only the two
  // criteria read it.
  T y{};
  if (zone.plast == 1 || zone.plast == 2) {
    y = material_detail::yield_stress<Plain>(zone, e.ap - sm * zone.skpres);
  }

  if constexpr (!Plain) {
    // Compaction of pores under pressure, within [0, 0.9].
    const float c1 = zone.compact[0];
    if (c1 > 0.0f) {
      const float phi = std::clamp(e.pore, 0.0f, 0.9f);
      const float drive = (c1 - phi) * zone.compact[2] * phi - sm / (3.0f * (1.0f - phi));
      const float phi_new =
          std::clamp(phi - std::max(0.0f, drive) * zone.compact[1] * k.dt, 0.0f, 0.9f);
      const float scale = 1.0f - (phi_new - phi) / (1.0f - phi_new) / 3.0f;
      s11 *= scale;
      s33 *= scale;
      s13 *= scale;
      sm *= scale;
      if (sm > 0.0f) k3 *= 1.0f - phi_new / (c1 + 0.001f);
      y *= 1.0f - phi_new;
      e.pore = phi_new;
    }

    // Damage.
    const float d1 = zone.damage[0], d2 = zone.damage[1], d3 = zone.damage[2];
    const int model = zone.damage_model;
    if (model == 1) {
      const float mid = 0.5f * (e11 + e33);
      const float rad = std::sqrt(0.25f * (e11 - e33) * (e11 - e33) + e13 * e13);
      bool measured = true;
      switch (zone.damage_measure) {
        case 1:
          e.emx = std::max({mid + rad, e22, 0.0f});
          break;
        case 2:
          e.emx = 2.0f * rad;
          break;
        case 3:
          e.emx = k3 != 0.0f ? sm / k3 : 0.0f;
          break;
        default:
          measured = false;
      }
      if (measured && e.emx >= zone.emax) {
        // Destroyed: the deviator is cut, and tension with it; compression is kept.
        dest_cell = 0.0f;
        const float cut = std::max(d3, 1.0f);
        s11 /= cut;
        s33 /= cut;
        s13 /= cut;
        sm = std::min(sm, sm / cut);
      }
    } else if (model == 2) {
      if (g2 > 0.0f) {
        const float excess =
            material_detail::deviator_norm2(s11, s33, s13) / (g2 * g2) - zone.emax * zone.emax;
        e.crack += std::max(0.0f, excess) * d3 * k.dt;
      }
      const float f = std::exp(-e.crack);
      sm = std::min(f * sm, sm);
      k3 *= f;
      g2 *= f;
      s11 *= f;
      s33 *= f;
      s13 *= f;
    } else if (model < 0) {
      const float g = std::exp(-d3 * e.crack);
      const float x =
          std::fabs(d1) * std::max(0.0f, material_detail::deviator_norm2(s11, s33, s13) - d2 * d2);
      e.crack += x * k.dt;
      // The deviator follows the damaged shear modulus, exp(-D3 crack) times the zone's: the
      // stresses come from the total strains each step, so only the crack measure carries the
      // loss on, and a deviator held at one strain relaxes at the rate D3 x.
      const float bulk = 1.0f + k.dt * x, shear = g / (1.0f + d3 * k.dt * x);
      sm /= bulk;
      k3 /= bulk;
      s11 *= shear;
      s33 *= shear;
      s13 *= shear;
      g2 *= shear;
    }
  }

  // Plasticity.
  if (zone.plast == 1) {
    const T j = material_detail::deviator_norm2(s11, s33, s13);
    const T f = material_detail::radial_return(j, y);
    if (zone.g2 > 0.0f) {
      // The plastic strain takes what the return removes from the trial deviator, so that the
      // next step starts from the stress on the surface; the work is that stress times it. (As
      // selections, not a branch: a batch takes them for every element.)
      const auto flows = f < 1.0f;
      const T kp = (1.0f - f) / zone.g2;
      e.ap = pick(flows, e.ap + kp * f * j, e.ap);
      e.ep11 = pick(flows, e.ep11 + kp * s11, e.ep11);
      e.ep33 = pick(flows, e.ep33 + kp * s33, e.ep33);
      e.ep13 = pick(flows, e.ep13 + kp * s13, e.ep13);
    }
    s11 *= f;
    s33 *= f;
    s13 *= f;
  }
  if constexpr (!Plain) {
    if (zone.plast == 2) {
      // Principal stresses in the r-z plane and the hoop stress; the largest is capped at y.
      const float a11 = s11 + sm, a33 = s33 + sm;
      const float half = 0.5f * (a11 - a33);
      const float root = std::sqrt(std::max(half * half + s13 * s13, 1e-6f));
      const float c = half / root, s = s13 / root;
      const float p1 = 0.5f * ((1.0f + c) * a11 + (1.0f - c) * a33) + s * s13;
      const float p2 = 0.5f * ((1.0f - c) * a11 + (1.0f + c) * a33) - s * s13;
      const float theta = sm - s11 - s33;
      const float top = std::max({p1, p2, theta});
      if (top > y) {
        const float a = y / top;
        const float q1 = a * p1, q2 = a * p2;
        const float n11 = 0.5f * ((1.0f + c) * q1 + (1.0f - c) * q2);
        const float n33 = 0.5f * ((1.0f - c) * q1 + (1.0f + c) * q2);
        // The shear turns back with the normal stresses, so the new principal stresses are
        // the capped ones.
        s13 *= a;
        sm = (n11 + n33 + a * theta) / 3.0f;
        s11 = n11 - sm;
        s33 = n33 - sm;
        if (g2 > 0.0f) {
          // Plastic strains that reproduce these stresses from the total strains.
          e.ep11 = e11 - s11 / g2 - em;
          e.ep33 = e33 - s33 / g2 - em;
          e.ep13 = e13 - s13 / g2;
        }
        if (k3 != 0.0f) e.rop = e.ro / (1.0f - 3.0f * sm / k3);
      }
    }
  }

  // Internal energy takes the work of the increments, given back as the element unloads: an
  // elastic cycle leaves no heat.
  const T work = 3.0f * k.dem * sm + k.de11 * s11 + k.de33 * s33 + (s11 + s33) * (k.de11 + k.de33) +
                 2.0f * k.de13 * s13;
  if (zone.ro0 > 0.0f) e.ee += work * zone.inv_ro0;

  out.total[0] = s11;
  out.total[1] = s33;
  out.total[2] = s13;
  out.total[3] = sm;
  if constexpr (Mode == MaterialMode::force) {
    // The predicted stresses that drive the forces, the deviator held to the yield surface.
    T p11 = s11 + inc11, p33 = s33 + inc33, p13 = s13 + inc13;
    if (zone.plast == 1) {
      const T f = material_detail::radial_return(material_detail::deviator_norm2(p11, p33, p13), y);
      p11 *= f;
      p33 *= f;
      p13 *= f;
    }
    out.inc[0] = p11;
    out.inc[1] = p33;
    out.inc[2] = p13;
    out.inc[3] = sm + incm;
  } else {
    out.inc[0] = inc11;
    out.inc[1] = inc33;
    out.inc[2] = inc13;
    out.inc[3] = incm;
  }
}

}  // namespace tivor::sol

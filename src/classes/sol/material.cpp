// The material model of the solids class for one element: elastic increments, large-strain total
// stresses, gas zones, pressure-hardened yield, compaction, damage, plasticity and energy. The
// model itself is inline in the header; here the zone's derived constants and the plain call.
#include "classes/sol/material.hpp"

#include <cmath>

namespace tivor::sol {
namespace {

// A model switch given as a real, rounded to the nearest integer; values no model uses (and
// NaN) fall to 0, which selects nothing.
int model_switch(float v) {
  if (!(std::fabs(v) < 1000.0f)) return 0;
  return static_cast<int>(std::lround(v));
}

}  // namespace

ZoneModel zone_model(const ZoneMaterial& zone) {
  ZoneModel m;
  static_cast<ZoneMaterial&>(m) = zone;
  m.inv_ro0 = zone.ro0 > 0.0f ? 1.0f / zone.ro0 : 0.0f;
  m.damage_model = model_switch(zone.damage[0]);
  m.damage_measure = model_switch(zone.damage[1]);
  const std::span<const float> t = zone.yield;
  if (t.size() >= 2) m.yield_f0 = t[1];
  if (t.size() >= 4) {
    const float dw = t[2] - t[0];
    m.yield_w0 = t[0];
    m.yield_slope = dw > 1e-6f ? (t[3] - t[1]) / dw : 0.0f;
  }
  m.plain = !(zone.compact[0] > 0.0f) && m.damage_model == 0 &&
            (zone.plast == 0 || zone.plast == 1) && t.size() <= 4 && zone.ro0 > 0.0f;
  return m;
}

void somatequ(const ZoneMaterial& zone, const ElementKinematics& k, ElementState& e,
              MaterialMode mode, ElementStresses& out, float& dest_cell) {
  const ZoneModel m = zone_model(zone);
  if (mode == MaterialMode::force) {
    material_model<MaterialMode::force>(m, k, e, out, dest_cell);
  } else {
    material_model<MaterialMode::state>(m, k, e, out, dest_cell);
  }
}

}  // namespace tivor::sol

// SOMATEQU: the material model of the solids class for one element. It turns the strain
// increments and total displacement gradients of an element into stresses, with gas pressure,
// pressure hardening, compaction of pores, damage and plasticity, and updates the element's
// plastic strains, plastic work, density and energy. It keeps no state of its own.
#pragma once

#include <cstdint>
#include <span>

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

// What the scheme knows of the element's motion in this pass.
struct ElementKinematics {
  float de11 = 0.0f, de33 = 0.0f;                                // deviatoric strain increments
  float de13 = 0.0f, dem = 0.0f;                                 // shear and mean strain increments
  float durdr = 0.0f, durdz = 0.0f, duzdr = 0.0f, duzdz = 0.0f;  // total displacement gradient
  float ubar = 0.0f;                                             // mean radial displacement
  float rmin1 = 0.0f;  // inverse mean radius, 0 in plane problems
  float volume = 0.0f, volume0 = 0.0f;
  float dt = 0.0f;
  float gn = 0.0f;  // large-strain factor
};

// The element values the model updates in place.
struct ElementState {
  float ep11 = 0.0f, ep33 = 0.0f, ep13 = 0.0f;  // plastic strains
  float ro = 0.0f, rop = 0.0f;                  // density, pressure-corrected density
  float emx = 0.0f;                             // damage strain
  float ap = 0.0f, ee = 0.0f;                   // plastic work, specific internal energy
  float pore = 0.0f, crack = 0.0f;              // porosity, crack measure
};

// Stress components in the order S11, S33, S13, mean stress.
struct ElementStresses {
  float inc[4] = {};    // increments; in force mode the predicted stresses that drive the forces
  float total[4] = {};  // total stresses
};

enum class MaterialMode { force, state };

// Runs the model for one element of the zone. dest_cell is the element's destroyed-cell flag of
// the mesh, set to 0 when the element's damage strain reaches the destructive strain.
void somatequ(const ZoneMaterial& zone, const ElementKinematics& k, ElementState& e,
              MaterialMode mode, ElementStresses& out, float& dest_cell);

}  // namespace tivor::sol

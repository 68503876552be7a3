// The implicit step of the viscous stresses and of heat conduction of the gas-flow class, on
// plain arrays: backward Euler in time with lumped masses, each system solved matrix-free by
// diagonally preconditioned conjugate gradients.
//
//   (M/dt + K_v) U = M/dt U_old                        velocities (u, v), coupled
//   (M/dt + K_c) e = M/dt e_old + H + Q                specific internal energy
//
// M: nodal mass rho_i * vol_i, vol_i the lumped volume of the node (a third or a quarter of each
// element's volume, area times mean radius when axisymmetric). K_v: the full Newtonian stress
// with the dynamic viscosity rho * nu and the bulk viscosity -2/3 of it,
//   tau = rho nu (grad U + grad U^T - 2/3 div U I),  with the hoop strain u / r when axisymmetric.
// K_c: conduction with the diffusivity kappa, div(rho kappa grad e) (kappa is a diffusivity like
// nu, so the heat capacity drops out). H: the viscous heating tau : grad U of the new velocities,
// so that the kinetic energy the stresses take goes into internal energy. Q: heat flowing in
// through the boundary.
//
// The stiffness is integrated on linear triangles: a quadrilateral is the mean of its two
// splittings along a diagonal, so that no hourglass pattern escapes the viscous operator.
#pragma once

#include <cstdint>
#include <vector>

#include "core/session.hpp"
#include "kernels/kernels.hpp"

namespace tivor::gs {

// The mesh as the class stores it.
struct ViscousMesh {
  const float* rz = nullptr;         // 2 n1: r then z of each node
  const int32_t* conn = nullptr;     // m node numbers per element (1-based, sign ignored)
  const int32_t* sub_end = nullptr;  // ntel cumulative element counts of the subregions
  int32_t n1 = 0, n2 = 0, m = 3, ntel = 1;
  bool axisymmetric = false;
};

// The gas and the conditions of one step. A node whose flag is not 0 keeps the value it has on
// entry (walls: the caller writes u = v = 0 there first).
struct ViscousStep {
  const float* rho = nullptr;      // n1 nodal densities (taken as at least 1e-6)
  const float* nu = nullptr;       // ntel kinematic viscosities
  const float* kappa = nullptr;    // ntel thermal diffusivities
  const uint8_t* fix_u = nullptr;  // n1 flags each; null: nothing fixed
  const uint8_t* fix_v = nullptr;
  const uint8_t* fix_e = nullptr;
  const float* heat_in = nullptr;  // n1 heat inflow rates (energy per time); null: none
  float dt = 0.0f;
  float t = 0.0f;       // the time after the step, for messages
  bool heating = true;  // add the viscous heating H
};

// What the solves did.
struct ViscousStats {
  int iterations[2] = {0, 0};  // CG iterations of the velocity and of the energy system
};

// The geometry and vectors kept between steps; owned by the caller.
struct ViscousWork {
  // Triangles of the stiffness (quadrilaterals split): nodes (0-based), shape-function
  // derivatives, volume (with the splitting's weight), 1/r of the hoop strain, subregion.
  std::vector<int32_t> tn;
  std::vector<float> d1, d2, vol, rinv, coef_v, coef_c;
  std::vector<int32_t> sub;
  std::vector<float> node_vol;  // n1 lumped volumes
  std::vector<float> mass, md, diag, old, x, w, r, p, z, rhs;
  const float* built_rz = nullptr;
  const int32_t* built_conn = nullptr;
  int32_t built_n1 = -1, built_n2 = -1, built_m = 0;
  bool built_axi = false;
};

// Lays out the geometry of the mesh in work (done by viscous_step when the mesh changed).
void viscous_geometry(const ViscousMesh& mesh, ViscousWork& work);

// One implicit step: u, v (when nu > 0 somewhere) and e (when kappa > 0 somewhere or heating
// applies) replaced by their new values. On a solve that does not converge, is interrupted
// (Esc) or yields a value that is not finite, the fields are left as they were, a message
// " gsvis:..." is shown, the flag is raised and 1 is returned.
[[nodiscard]] int viscous_step(Session& s, const ViscousMesh& mesh, const ViscousStep& step,
                               float* u, float* v, float* e, ViscousWork& work,
                               ViscousStats* stats = nullptr);

// GSVIS: the implicit step of the class's second method on the five state fields at pool
// pointer f (ro, u, v, e, p, n1 reals each) after the euler step, with the class's boundary
// conditions; the pressure follows the new energy. 1 on the error exit.
[[nodiscard]] int gsvis(Session& s, int32_t f);

}  // namespace tivor::gs

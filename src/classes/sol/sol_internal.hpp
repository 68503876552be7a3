// The routines of the solids class behind its manager. Internal to src/classes/sol.
#pragma once

#include <cstdint>
#include <string_view>

#include "classes/sol/material.hpp"
#include "core/pool.hpp"
#include "core/session.hpp"

namespace tivor::sol {

inline SolParm& parm(Session& s) {
  return s.cparm.sol;
}
inline const SolParm& parm(const Session& s) {
  return s.cparm.sol;
}

// The mesh arrays of the element loops, looked up once per step or solve.
struct MeshArrays {
  int32_t m, n1, n2, ntel;
  const int32_t* conn;
  const int32_t* last;
  const float* d1;
  const float* d2;
  const float* dm;
  const float* vol;
  const float* vol0;
  const float* rmin1;
};
MeshArrays mesh_arrays(Session& s);

// Field numbers (from 0) of the twelve nodal state fields jf.
enum Field : int {
  kUr = 0,
  kUz = 1,
  kVr = 2,
  kVz = 3,
  kEp11 = 4,
  kEp33 = 5,
  kEp22 = 6,
  kEp13 = 7,
  kRop = 8,
  kAp = 9,
  kRo = 10,
  kEe = 11,
};

// SOIN: the mesh, the class's keywords and every array of the task; 1 on the error exit.
[[nodiscard]] int soin(Session& s);
// SOIN1: the zones' materials, the scheme coefficients, the geometry and the contact set-up.
[[nodiscard]] int soin1(Session& s);
// SOBASE: the class's memory card (13 lines).
void sobase(Session& s);
// SOMPROP: the constants of zone k (from 0) for the material model.
ZoneMaterial somprop(const Session& s, int32_t k);
// True when the class's arrays lie in the pools as SOIN lays them out and the mesh's arrays
// match the counts of the mesh record (the condition of every step).
bool arrays_ok(const Session& s);

// SOIND3: element geometry on the mesh coordinates plus gn times the displacements (fields ur,
// uz at pointers fr, fz); at set-up also the initial volumes and the inverse nodal masses.
// Returns the element (from 1) whose area is not positive, 0 when every element is sound.
int32_t soind3(Session& s, int32_t fr, int32_t fz, bool setup);
// SOKC: the prescribed velocities at t + ht on the velocity arrays vr, vz.
void sokc(Session& s, int32_t vr, int32_t vz);

// SOCZON at set-up: lays out and reads the contact data; 1 on the error exit.
[[nodiscard]] int soczon_setup(Session& s);
// SOCZON during a step: the contact list of the predicted positions; 1 when it is full.
[[nodiscard]] int soczon_list(Session& s);
// SOKN: the contact correction of the velocities vr, vz (fields of jf); 1 on the error exit.
[[nodiscard]] int sokn(Session& s);

// SOHT2: the step of the explicit schemes and, with CUR <= 0, the scaled nodal density.
// 1 on the error exit (no step can be chosen).
[[nodiscard]] int soht2(Session& s);
// SOGRB: the surface and body loads at t + ht subtracted from the force array jgr, and hgmin.
[[nodiscard]] int sogrb(Session& s);
// CONTIN: the interior stresses acting on the continued boundary, added to jgr.
[[nodiscard]] int contin(Session& s);

// SO3 (variant false) and SO3I (variant true): one explicit step; 1 on the error exit.
[[nodiscard]] int so3(Session& s, bool variant);

// SOHT1: the step of the implicit scheme; 1 on the error exit (no step can be chosen).
[[nodiscard]] int soht1(Session& s);
// SOL4: the operator of the implicit scheme on the displacement increments x (2 n1 values,
// radial then axial). Mode 0: the residual of x into res (jgr), with the loads at t + ht, the
// contact list and the inverse diagonal d. Mode > 0: the product of the elastic increments
// (with inertia in the dynamic mode and the contact penalty) with x into res. Both zero the
// prescribed components. Mode 0 also leaves in jf0(5..6) the sum of the magnitudes of the terms
// of each residual component, the scale of its rounding. Mode -1: x becomes the new time level.
// 1 on the error exit.
[[nodiscard]] int sol4(Session& s, const float* x, float* d, float* res, int mode);
// SOMADK: the penalty terms of the contact list added to the diagonal d.
void somadk(Session& s, float* d);
// SOKNTG1: the penalty forces of the contact list added to res; v holds the increments of the
// step (positions true: the gaps are taken on the displaced positions) or a direction.
void sokntg1(Session& s, const float* v, float* res, bool positions);
// SO6: one step of the implicit scheme; 1 on the error exit (the time level is then unchanged).
// iterations, when given, receives the solver's operator products.
[[nodiscard]] int so6(Session& s, int* iterations = nullptr);

// SOP: publishes the result functions and boundary lists, the boundary force sums, the history
// and the film.
void sop(Session& s);

}  // namespace tivor::sol

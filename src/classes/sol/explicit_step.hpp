// The parts of the explicit step of the solids class (SO3, SO3I), internal to src/classes/sol:
// the arrays it reads, the element passes that run in batches, the checks that stop it, and the
// new time level.
//
// The element passes take the elements in batches of kLanes of one kind (triangles or
// quadrilaterals): each element's sums over its nodes are gathered into the batch's lanes, one
// array a value; the element formulas (kinematics, material model, forces) run over the lanes
// in one loop, which the compiler makes vector code for a plain zone; the results go back to the
// nodes element after element, in element order, so that every nodal sum keeps its order.
#pragma once

#include <cstdint>
#include <span>

#include "classes/sol/sol_internal.hpp"

namespace tivor::sol {

// The state fields an element gathers from its nodes in both passes, kept together for each node
// so that a node's values come in one cache line.
enum StateValue : int {
  kStateEp11,
  kStateEp33,
  kStateEp13,
  kStateRop,
  kStateAp,
  kStateRo,
  kStateEe,
  kStatePore,
  kStateCrack,
  kStateEmx,
  kStateValues,
};

// The sums of pass 2 at a node, kept together so that an element adds to one cache line per
// node: the weight, the changes (SO3) or the weighted values (SO3I) of the state, and the
// stresses.
enum Sum : int {
  kSumWeight,
  kSumEp11,
  kSumEp33,
  kSumPore,
  kSumEp13,
  kSumRop,
  kSumAp,
  kSumRo,
  kSumEe,
  kSumS11,
  kSumS33,
  kSumS13,
  kSumSm,
  kSumCrack,
  kSumEmx,
  kSums,
};

// Elements of one batch.
constexpr int kLanes = 16;

// The pool arrays of one step, looked up once.
struct StepArrays : MeshArrays {
  float* dest;
  const float* f[12];  // start-of-step fields (plastic strains and state)
  float* u[4];         // the copies: ur, uz, vr, vz of the new time level
  float* fr;           // forces, radial then axial
  float* fz;
  const float* pore;
  const float* crack;
  const float* emx;
  const NodeState* state;  // the start-of-step state fields above, node by node
  const float* motion;     // the copies ur, uz, vr, vz of each node together, 4 values a node
  const float* rz;         // the mesh coordinates, r and z of each node
  float dt, gn;
  bool axisym;
};
StepArrays step_arrays(Session& s);

// Pass 1: the element forces into fr, fz.
void element_forces(const StepArrays& a, Session& s, bool variant);
// Pass 2: each element's new state, weighted by w_i V, into the sums q of its nodes. With doubt
// not null (a mesh of triangles whose zones are all plain), also whether an element may be
// turned over by the new displacements (first_inverted then decides).
void element_states(const StepArrays& a, Session& s, NodeSums* q, bool variant, bool* doubt);
// Whether pass 2 runs every element of the mesh through plain zones, which change nothing but
// the sums: the zones cover the mesh, and all are plain.
bool plain_zones_cover_mesh(Session& s, const MeshArrays& a);

// The records of the state fields node by node from the ten fields of StateValue.
void state_records(const float* const (&from)[kStateValues], int32_t n1, NodeState* out);

// The first element (from 1) that the new displacements turn over; 0 when none (or gn = 0).
int32_t first_inverted(const StepArrays& a);
// Tells that element e (from 1) turned inside out at t and stops the step: returns 1.
int inverted(Session& s, int32_t e, float t);
// Stops the step when one of n arrays of n1 values (at consecutive pointers from j) holds a
// value that is not finite, naming its field and node.
int check_finite(Session& s, int32_t j, int n, const char* const* names, float t);
// Stops the step when a sum of pass 2 is not finite, naming the first such sum and its node.
int check_sums(Session& s, const NodeSums* q, int32_t n1, float t);

// The new time level: the displacements and velocities from the step's copies, the state fields
// and stresses from the sums of pass 2, which it clears.
void new_level(Session& s, NodeSums* q, bool variant);

}  // namespace tivor::sol

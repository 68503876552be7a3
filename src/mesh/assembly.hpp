// The steps of the assembly MESHA that live in files of their own. Internal to src/mesh.
#pragma once

#include <cstdint>

#include "core/session.hpp"

namespace tivor::mesh_detail {

// MESHA_1: inserts into each glued boundary edge the nodes of other glued boundary elements that
// lie inside it, splitting the edge and its element. skl holds the zone flags of the boundary
// elements (0 = glued); at most room_b boundary elements and room_e elements may result. When
// anything was split, the boundary elements are stored anew at jj2 and the connectivity right
// after them (jj1 moves), within the integer pool. The per-subregion counts jn2, jn3
// (cumulative) grow with the splits.
[[nodiscard]] int mesha_1(Session& s, const int32_t* skl, int64_t room_b, int64_t room_e);

}  // namespace tivor::mesh_detail

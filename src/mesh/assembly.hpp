// The steps of the assembly MESHA that live in files of their own. Internal to src/mesh.
#pragma once

#include <cstdint>

#include "core/session.hpp"

namespace tivor::mesh_detail {

// MESHA_1: inserts into each glued boundary edge the nodes of other glued boundary elements that
// lie inside it, splitting the edge and its element. jskl points at the zone flags (0 = glued);
// the arrays at jj2 and jj1 have room for room_b boundary elements and room_e elements. The
// per-subregion counts jn2, jn3 (cumulative) grow with the splits.
[[nodiscard]] int mesha_1(Session& s, int32_t jskl, int64_t room_b, int64_t room_e);

}  // namespace tivor::mesh_detail

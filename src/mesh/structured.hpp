// Pieces shared by the structured generators 2 and 5 and the 3D dispatcher. Internal to
// src/mesh. Node (i, j) of a logical grid of nksi by neta cells is number i * (neta + 1) + j + 1.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/session.hpp"

namespace tivor::mesh_detail {

// Reads the two cell counts; counts below 1 become 1.
[[nodiscard]] int read_cells(Session& s, std::string_view key_ksi, std::string_view prompt_ksi,
                             std::string_view key_eta, std::string_view prompt_eta, int32_t& nksi,
                             int32_t& neta);
// The 2 * (nksi + neta) boundary elements once round the logical rectangle, starting with the
// side j = 0 (i from nksi - 1 down to 0), each starting where the one before it ends.
void block_boundary(int32_t nksi, int32_t neta, int32_t* b);
// Cell (i, j) as the quadrilateral (i-1, j-1), (i-1, j), (i, j), (i, j-1), cells i outer.
void block_quads(int32_t nksi, int32_t neta, int32_t* conn);

}  // namespace tivor::mesh_detail

// What the mesh keeps of the files generator 6 read, for after the assembly: the named curves,
// for boundary conditions given by name, and the edges where two zones of a file meet, which
// the assembly glues. Internal to src/mesh.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/session.hpp"
#include "mesh/msh_file.hpp"

namespace tivor::mesh_detail {

// Forgets the files of an earlier mesh.
void clear_mesh_files(Session& s);
// Keeps the named curves of the file and the edges between its zones, its nodes turned by the
// "turn" values t as its zones are.
void keep_mesh_file(Session& s, std::string_view name, const MshMesh& mesh, const float (&t)[5]);
// Scales what is kept as RZSCALE scales the nodes.
void scale_mesh_files(Session& s, float fr, float fz);
// skl(k) := 0 for every boundary element lying on an edge between two zones of a file, so that
// the assembly glues the zones again.
void glue_file_zones(const Session& s, int32_t* skl);

}  // namespace tivor::mesh_detail

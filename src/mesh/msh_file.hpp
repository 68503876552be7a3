// A 2D mesh read from the text of a gmsh file in format 4.1 (ASCII), for generator 6. Internal
// to src/mesh (and its tests and fuzz target).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tivor {

// The mesh in the workbench's terms: x is r and y is z. gmsh writes the elements of a surface
// whose normal is +z counter-clockwise in (x, y); that is clockwise in the (z, r) plane, so
// every element is stored with its node order reversed (first node kept), which makes it
// counter-clockwise there, as the mesh record wants.
struct MshMesh {
  struct Cell {
    std::array<int32_t, 4> node;  // 0-based node indices; a triangle repeats its third node
    int corners;                  // 3 or 4
  };
  // The elements of one physical surface (tag > 0), or those of surfaces in none (tag 0).
  struct Zone {
    int64_t tag;
    std::vector<Cell> cells;
  };
  // A named physical curve: its line elements in the order of the file, each from its first
  // node to its second as written.
  struct Curve {
    std::string name;
    std::vector<std::array<int32_t, 2>> edges;
  };
  std::vector<float> rz;      // r, z of every node, in the order of the file
  std::vector<Zone> zones;    // by tag, the elements in no physical surface last
  std::vector<Curve> curves;  // in the order of $PhysicalNames
};

// Reads the text of a .msh file. False, with the reason in error, for a file that is not a
// sound first-order 2D mesh in format 4.1 ASCII: another version, a binary file, volume
// elements only, element types other than points, lines, triangles and quadrilaterals, counts
// that do not match the text, a node tag given twice or missing, nodes of elements off the
// plane z = 0, and elements that are clockwise in (x, y) or degenerate. Nothing is allocated
// from a count the file gives before the text holding it has been read.
bool parse_msh(std::string_view text, MshMesh& mesh, std::string& error);

}  // namespace tivor

// Results out of the workbench for other programs: the mesh and the published result functions
// as a VTK unstructured grid (.vtu), a time series of such files listed in a ParaView collection
// (.pvd), and the mesh with its subregions and boundary edges in gmsh's format 4.1 (.msh).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/session.hpp"

namespace tivor {

// The 2D mesh of a task and its nodal result functions, copied out of the pools after every
// pointer and index was checked.
struct ExportMesh {
  struct Cell {
    int32_t node[4];  // 0-based node indices
    int corners;      // 3 or 4
    int32_t subregion;
  };
  struct Edge {
    int32_t a, b;  // 0-based node indices
    bool interface;
  };
  struct Field {
    std::string name;
    std::vector<float> values;
  };
  bool axisymmetric = false;
  double time = 0.0;
  int32_t step = 0;
  int32_t subregions = 0;
  std::vector<float> rz;  // r, z of every node
  std::vector<Cell> cells;
  std::vector<Edge> edges;  // boundary edges; an interface edge once
  std::vector<Field> fields;
};

// False with a message when the session holds no 2D mesh or its arrays do not lie in the pools.
bool export_mesh(const Session& s, ExportMesh& out, std::string& error);

// The file texts.
std::string vtu_text(const ExportMesh& mesh);
std::string msh_text(const ExportMesh& mesh);

// Writes the file through a temporary renamed over the target, so that a failure leaves no
// file (and an older file of the name untouched). The format follows the extension (.vtu or
// .msh). False with a message.
bool write_export(const Session& s, const std::string& path, std::string& error);

// A series of .vtu files in one folder, one per frame, NAME_NNNNN.vtu with NNNNN the step, and
// NAME.pvd listing them with their times. NAME is the data file's name without its extension.
class TimeSeries {
 public:
  explicit TimeSeries(std::string folder) : folder_(std::move(folder)) {}
  // Writes the frame and rewrites the collection. A step at or before the last one listed
  // (the task was prepared again or an earlier state read back) drops the entries from that
  // step on.
  bool add(const Session& s, std::string& error);

 private:
  struct Entry {
    int32_t step;
    double time;
    std::string file;
  };
  std::string folder_;
  std::map<std::string, std::vector<Entry>> series_;
};

}  // namespace tivor

// Results out of the workbench for other programs: the mesh and the published result functions
// as a VTK unstructured grid (.vtu), a time series of such files listed in a ParaView collection
// (.pvd), and the mesh with its subregions and boundary edges in gmsh's format 4.1 (.msh).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
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
    std::string name;  // the result function's name as the program shows it, unique in the file
    std::vector<float> values;
  };
  // A vector of the plane made of two result functions (fields x and y); z is 0.
  struct Vector {
    std::string name;
    size_t x, y;
  };
  bool axisymmetric = false;
  double time = 0.0;
  int32_t step = 0;
  int32_t subregions = 0;
  std::vector<float> rz;  // r, z of every node
  std::vector<Cell> cells;
  std::vector<Edge> edges;  // boundary edges; an interface edge once
  std::vector<Field> fields;
  std::vector<Vector> vectors;
};

// How the mesh is written: as generated, or at the current place of a solid (the mesh plus
// factor times the displacement).
struct ExportOptions {
  bool deformed = false;
  double factor = 1.0;
};

// False with a message when the session holds no 2D mesh or its arrays do not lie in the pools.
// The result functions a class publishes as the components of a displacement or a velocity also
// become the vectors "displacement" and "velocity".
bool export_mesh(const Session& s, ExportMesh& out, std::string& error);

// Moves every node by factor times the displacement. False with a message when the mesh has no
// displacement or a moved node is not finite.
bool deform(ExportMesh& mesh, double factor, std::string& error);

// The highest word of each pool that export_mesh reads, from the records alone (0 for arrays
// it will refuse anyway), so that a reader of a large buffer can load only those words.
struct PoolExtent {
  int64_t reals = 0, ints = 0;
};
PoolExtent export_extent(const Session& s);

// The file texts.
std::string vtu_text(const ExportMesh& mesh);
std::string msh_text(const ExportMesh& mesh);

// Writes the file through a temporary renamed over the target, so that a failure leaves no
// file (and an older file of the name untouched). The format follows the extension (.vtu or
// .msh). False with a message.
bool write_export(const Session& s, const std::string& path, std::string& error,
                  const ExportOptions& options = {});
// The text as the file path, written as write_export writes; false with a message.
bool put_export_file(const std::string& path, const std::string& text, std::string& error);

// A series of .vtu files in one folder, one per frame, NAME_NNNNN.vtu with NNNNN the step, and
// NAME.pvd listing them with their times. NAME is the data file's name without its extension.
// The first frame of a session takes over the frames an earlier session listed in NAME.pvd.
class TimeSeries {
 public:
  explicit TimeSeries(std::string folder) : folder_(std::move(folder)) {}
  // The task goes on from this step (a state was read back or the task prepared again): the
  // frames listed after it belong to an abandoned run and go at the next frame.
  void resume_from(int32_t step) { resume_ = step; }
  // Writes the frame and rewrites the collection. A step at or before the last one listed drops
  // the entries from that step on, and the files of dropped entries are removed. notice tells
  // of a collection on the disk that could not be taken over and was replaced.
  bool add(const Session& s, std::string& error, std::string* notice = nullptr);

  struct Entry {
    int32_t step;
    double time;
    std::string file;
  };

 private:
  std::string folder_;
  std::map<std::string, std::vector<Entry>> series_;
  std::optional<int32_t> resume_;
};

// The collection file of the entries, and the entries read back from such a file: false when
// the text is not exactly what collection_text makes for entries named NAME_NNNNN.vtu.
std::string collection_text(const std::vector<TimeSeries::Entry>& entries);
bool read_collection(const std::string& text, const std::string& name,
                     std::vector<TimeSeries::Entry>& entries);

}  // namespace tivor

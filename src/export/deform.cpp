// The mesh at the current place of a solid: every node moved by a multiple of its displacement.
#include <cmath>
#include <string>

#include "export/export.hpp"
#include "export/text.hpp"

namespace tivor {

bool deform(ExportMesh& mesh, double factor, std::string& error) {
  const ExportMesh::Vector* u = nullptr;
  for (const ExportMesh::Vector& v : mesh.vectors) {
    if (v.name == "displacement") u = &v;
  }
  if (u == nullptr) {
    error = "export: this task has no displacement to deform the mesh by";
    return false;
  }
  if (!std::isfinite(factor)) {
    error = "export: the deformation factor is not a finite number";
    return false;
  }
  const std::vector<float>& ux = mesh.fields[u->x].values;
  const std::vector<float>& uy = mesh.fields[u->y].values;
  for (size_t i = 0; 2 * i < mesh.rz.size(); ++i) {
    const double x = mesh.rz[2 * i] + factor * ux[i], y = mesh.rz[2 * i + 1] + factor * uy[i];
    // A node the file cannot place would vanish from every picture without a word.
    if (!std::isfinite(static_cast<float>(x)) || !std::isfinite(static_cast<float>(y))) {
      error = "export: the deformed place of node ";
      export_text::put(error, i + 1, " is not finite");
      return false;
    }
    mesh.rz[2 * i] = static_cast<float>(x);
    mesh.rz[2 * i + 1] = static_cast<float>(y);
  }
  return true;
}

}  // namespace tivor

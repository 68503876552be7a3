// The samples of examples/ as the class tests read them.
#pragma once

#include <filesystem>
#include <string>

namespace tivor::test {

// Copies the gmsh files of examples/FOLDER into the working directory, where the data files the
// tests write look for them.
inline void copy_mesh_files(const std::string& folder) {
  namespace fs = std::filesystem;
  for (const auto& f : fs::directory_iterator(fs::path(TIVOR_SOURCE_DIR) / "examples" / folder)) {
    if (f.path().extension() == ".msh") {
      fs::copy_file(f.path(), f.path().filename(), fs::copy_options::overwrite_existing);
    }
  }
}

}  // namespace tivor::test

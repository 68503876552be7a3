// Export files on the disk: one state as .vtu or .msh, and the time series of a run.
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>

#include "core/replace_file.hpp"
#include "export/export.hpp"
#include "export/text.hpp"

namespace tivor {
namespace {

bool put_file(const std::string& path, const std::string& text, std::string& error) {
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  if (replace_file(path, bytes)) return true;
  error = "export: cannot write " + path;
  return false;
}

std::string lower_extension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext;
}

// The collection file: the frames in step order, each with its time.
std::string pvd_text(const auto& entries) {
  std::string out = "<?xml version=\"1.0\"?>\n";
  out += "<VTKFile type=\"Collection\" version=\"1.0\" byte_order=\"LittleEndian\">\n";
  out += "  <Collection>\n";
  for (const auto& e : entries) {
    export_text::put(out, "    <DataSet timestep=\"", export_text::real(e.time),
                     "\" part=\"0\" file=\"", e.file, "\"/>\n");
  }
  out += "  </Collection>\n</VTKFile>\n";
  return out;
}

}  // namespace

bool write_export(const Session& s, const std::string& path, std::string& error) {
  const std::string ext = lower_extension(path);
  if (ext != ".vtu" && ext != ".msh") {
    error = "export: the output file must end in .vtu or .msh: " + path;
    return false;
  }
  ExportMesh mesh;
  if (!export_mesh(s, mesh, error)) return false;
  return put_file(path, ext == ".vtu" ? vtu_text(mesh) : msh_text(mesh), error);
}

bool TimeSeries::add(const Session& s, std::string& error) {
  ExportMesh mesh;
  if (!export_mesh(s, mesh, error)) return false;
  // The name is the data file's, in characters every file system takes.
  std::string name = std::filesystem::path(field_str(s.cls.datfile)).stem().string();
  for (char& c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_';
    if (!plain) c = '_';
  }
  if (name.empty()) name = "tivor";
  char file[128];
  std::snprintf(file, sizeof file, "%s_%05d.vtu", name.c_str(), mesh.step);
  std::error_code ec;
  std::filesystem::create_directories(folder_, ec);
  const std::filesystem::path dir(folder_);
  if (!put_file((dir / file).string(), vtu_text(mesh), error)) return false;
  std::vector<Entry>& entries = series_[name];
  while (!entries.empty() && entries.back().step >= mesh.step) entries.pop_back();
  entries.push_back({mesh.step, mesh.time, file});
  return put_file((dir / (name + ".pvd")).string(), pvd_text(entries), error);
}

}  // namespace tivor

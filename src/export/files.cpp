// Export files on the disk: one state as .vtu or .msh.
#include <filesystem>
#include <span>
#include <string>

#include "core/replace_file.hpp"
#include "export/export.hpp"

namespace tivor {
namespace {

std::string lower_extension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext;
}

}  // namespace

bool put_export_file(const std::string& path, const std::string& text, std::string& error) {
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  if (replace_file(path, bytes)) return true;
  error = "export: cannot write " + path;
  return false;
}

bool write_export(const Session& s, const std::string& path, std::string& error,
                  const ExportOptions& options) {
  const std::string ext = lower_extension(path);
  if (ext != ".vtu" && ext != ".msh") {
    error = "export: the output file must end in .vtu or .msh: " + path;
    return false;
  }
  ExportMesh mesh;
  if (!export_mesh(s, mesh, error)) return false;
  if (options.deformed && !deform(mesh, options.factor, error)) return false;
  return put_export_file(path, ext == ".vtu" ? vtu_text(mesh) : msh_text(mesh), error);
}

}  // namespace tivor

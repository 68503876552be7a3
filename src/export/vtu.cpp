// The VTK unstructured grid in XML with ASCII data: node coordinates (r, z, 0) as the viewer
// draws them, triangles and quadrilaterals as they are, every result function as point data
// under its own name, displacements and velocities also as vectors (r, z, 0), the subregion number
// as cell data, the time and the symmetry as field data.
#include <string>

#include "export/export.hpp"
#include "export/text.hpp"

namespace tivor {
namespace {

using export_text::put;
using export_text::real;

constexpr int kVtkTriangle = 5;
constexpr int kVtkQuad = 9;

// The characters XML gives a meaning are escaped, and so are tab and line ends, which a reader
// would otherwise turn into blanks in an attribute. Names hold no other control bytes.
std::string xml_escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '\t':
        out += "&#9;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      case '\'':
        out += "&apos;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

void open_array(std::string& out, const char* type, const std::string& name, int components) {
  put(out, "        <DataArray type=\"", type, "\"");
  if (!name.empty()) put(out, " Name=\"", xml_escaped(name), "\"");
  if (components > 1) put(out, " NumberOfComponents=\"", components, "\"");
  out += " format=\"ascii\">\n";
}

// Values a few to a line, so that no line of the file is long.
template <class Range, class Put>
void put_values(std::string& out, const Range& values, Put put_one) {
  int on_line = 0;
  for (const auto& v : values) {
    out += on_line == 0 ? "          " : " ";
    put_one(v);
    if (++on_line == 8) {
      out += "\n";
      on_line = 0;
    }
  }
  if (on_line != 0) out += "\n";
  out += "        </DataArray>\n";
}

void field_value(std::string& out, const char* type, const char* name, const std::string& v) {
  put(out, "        <DataArray type=\"", type, "\" Name=\"", name,
      "\" NumberOfTuples=\"1\" format=\"ascii\">\n          ", v, "\n        </DataArray>\n");
}

}  // namespace

std::string vtu_text(const ExportMesh& mesh) {
  const size_t n1 = mesh.rz.size() / 2;
  std::string out = "<?xml version=\"1.0\"?>\n";
  out += "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\">\n";
  out += "  <UnstructuredGrid>\n    <FieldData>\n";
  field_value(out, "Float64", "TimeValue", real(mesh.time));
  field_value(out, "Int32", "axisymmetric", mesh.axisymmetric ? "1" : "0");
  out += "    </FieldData>\n";
  put(out, "    <Piece NumberOfPoints=\"", n1, "\" NumberOfCells=\"", mesh.cells.size(), "\">\n");
  // The first vector (the displacement when there is one) is the one filters take by default.
  out += "      <PointData";
  if (!mesh.vectors.empty()) put(out, " Vectors=\"", xml_escaped(mesh.vectors[0].name), "\"");
  out += ">\n";
  for (const ExportMesh::Field& f : mesh.fields) {
    open_array(out, "Float32", f.name, 1);
    put_values(out, f.values, [&](float v) { out += real(v); });
  }
  for (const ExportMesh::Vector& v : mesh.vectors) {
    open_array(out, "Float32", v.name, 3);
    const std::vector<float>& x = mesh.fields[v.x].values;
    const std::vector<float>& y = mesh.fields[v.y].values;
    for (size_t i = 0; i < n1; ++i) put(out, "          ", real(x[i]), " ", real(y[i]), " 0\n");
    out += "        </DataArray>\n";
  }
  out += "      </PointData>\n      <CellData Scalars=\"subregion\">\n";
  open_array(out, "Int32", "subregion", 1);
  put_values(out, mesh.cells, [&](const ExportMesh::Cell& c) { put(out, c.subregion); });
  out += "      </CellData>\n      <Points>\n";
  open_array(out, "Float32", "", 3);
  for (size_t i = 0; i < n1; ++i) {
    put(out, "          ", real(mesh.rz[2 * i]), " ", real(mesh.rz[2 * i + 1]), " 0\n");
  }
  out += "        </DataArray>\n      </Points>\n      <Cells>\n";
  open_array(out, "Int32", "connectivity", 1);
  for (const ExportMesh::Cell& c : mesh.cells) {
    out += "         ";
    for (int k = 0; k < c.corners; ++k) put(out, " ", c.node[k]);
    out += "\n";
  }
  out += "        </DataArray>\n";
  open_array(out, "Int32", "offsets", 1);
  int64_t offset = 0;
  put_values(out, mesh.cells, [&](const ExportMesh::Cell& c) { put(out, offset += c.corners); });
  open_array(out, "UInt8", "types", 1);
  put_values(out, mesh.cells, [&](const ExportMesh::Cell& c) {
    put(out, c.corners == 3 ? kVtkTriangle : kVtkQuad);
  });
  out += "      </Cells>\n    </Piece>\n  </UnstructuredGrid>\n</VTKFile>\n";
  return out;
}

}  // namespace tivor

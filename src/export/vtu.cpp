// The VTK unstructured grid in XML with ASCII data: node coordinates (r, z, 0) as the viewer
// draws them, triangles and quadrilaterals as they are, every result function as point data
// under its own name, the subregion number as cell data and the time as field data.
#include <cstdio>
#include <string>

#include "export/export.hpp"

namespace tivor {
namespace {

constexpr int kVtkTriangle = 5;
constexpr int kVtkQuad = 9;

void append_real(std::string& out, double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", v);
  out += buf;
}

// Names are printable ASCII already; the characters XML gives a meaning are escaped.
std::string xml_escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
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
  out += "        <DataArray type=\"";
  out += type;
  out += "\"";
  if (!name.empty()) {
    out += " Name=\"";
    out += xml_escaped(name);
    out += "\"";
  }
  if (components > 1) {
    out += " NumberOfComponents=\"";
    out += std::to_string(components);
    out += "\"";
  }
  out += " format=\"ascii\">\n";
}

// Values a few to a line, so that no line of the file is long.
template <class Range, class Put>
void put_values(std::string& out, const Range& values, Put put) {
  int on_line = 0;
  for (const auto& v : values) {
    out += on_line == 0 ? "          " : " ";
    put(v);
    if (++on_line == 8) {
      out += "\n";
      on_line = 0;
    }
  }
  if (on_line != 0) out += "\n";
  out += "        </DataArray>\n";
}

}  // namespace

std::string vtu_text(const ExportMesh& mesh) {
  const size_t n1 = mesh.rz.size() / 2;
  std::string out;
  out += "<?xml version=\"1.0\"?>\n";
  out += "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\">\n";
  out += "  <UnstructuredGrid>\n";
  out += "    <FieldData>\n";
  out +=
      "        <DataArray type=\"Float64\" Name=\"TimeValue\" NumberOfTuples=\"1\" "
      "format=\"ascii\">\n          ";
  append_real(out, mesh.time);
  out += "\n        </DataArray>\n";
  out +=
      "        <DataArray type=\"Int32\" Name=\"axisymmetric\" NumberOfTuples=\"1\" "
      "format=\"ascii\">\n          ";
  out += mesh.axisymmetric ? "1" : "0";
  out += "\n        </DataArray>\n";
  out += "    </FieldData>\n";
  out += "    <Piece NumberOfPoints=\"" + std::to_string(n1) + "\" NumberOfCells=\"" +
         std::to_string(mesh.cells.size()) + "\">\n";
  out += "      <PointData>\n";
  for (const ExportMesh::Field& f : mesh.fields) {
    open_array(out, "Float32", f.name, 1);
    put_values(out, f.values, [&](float v) { append_real(out, v); });
  }
  out += "      </PointData>\n";
  out += "      <CellData Scalars=\"subregion\">\n";
  open_array(out, "Int32", "subregion", 1);
  put_values(out, mesh.cells,
             [&](const ExportMesh::Cell& c) { out += std::to_string(c.subregion); });
  out += "      </CellData>\n";
  out += "      <Points>\n";
  open_array(out, "Float32", "", 3);
  for (size_t i = 0; i < n1; ++i) {
    out += "          ";
    append_real(out, mesh.rz[2 * i]);
    out += " ";
    append_real(out, mesh.rz[2 * i + 1]);
    out += " 0\n";
  }
  out += "        </DataArray>\n";
  out += "      </Points>\n";
  out += "      <Cells>\n";
  open_array(out, "Int32", "connectivity", 1);
  for (const ExportMesh::Cell& c : mesh.cells) {
    out += "         ";
    for (int k = 0; k < c.corners; ++k) out += " " + std::to_string(c.node[k]);
    out += "\n";
  }
  out += "        </DataArray>\n";
  open_array(out, "Int32", "offsets", 1);
  int64_t offset = 0;
  put_values(out, mesh.cells, [&](const ExportMesh::Cell& c) {
    offset += c.corners;
    out += std::to_string(offset);
  });
  open_array(out, "UInt8", "types", 1);
  put_values(out, mesh.cells, [&](const ExportMesh::Cell& c) {
    out += std::to_string(c.corners == 3 ? kVtkTriangle : kVtkQuad);
  });
  out += "      </Cells>\n";
  out += "    </Piece>\n";
  out += "  </UnstructuredGrid>\n";
  out += "</VTKFile>\n";
  return out;
}

}  // namespace tivor

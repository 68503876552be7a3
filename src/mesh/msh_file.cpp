// The reader of gmsh's format 4.1 (ASCII): the format line, the physical names, the entities
// and their physical groups, the nodes and the elements, each checked as it is read. Other
// sections are skipped.
#include "mesh/msh_file.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <utility>

#include "mesh/mesh_internal.hpp"

namespace tivor {
namespace {

// The text as blank-separated words.
class Words {
 public:
  explicit Words(std::string_view t) : t_(t) {}
  std::string_view next() {
    skip();
    const size_t b = p_;
    while (p_ < t_.size() && !blank(t_[p_])) ++p_;
    return t_.substr(b, p_ - b);
  }
  // A name in double quotes, on one line.
  bool quoted(std::string& out) {
    skip();
    if (p_ >= t_.size() || t_[p_] != '"') return false;
    const size_t e = t_.find_first_of("\"\n", p_ + 1);
    if (e == std::string_view::npos || t_[e] != '"') return false;
    out.assign(t_.substr(p_ + 1, e - p_ - 1));
    p_ = e + 1;
    return true;
  }
  bool at_end() {
    skip();
    return p_ >= t_.size();
  }
  // Bytes not read yet: no count of things, each at least two bytes long, can exceed it.
  size_t left() const { return t_.size() - p_; }

 private:
  static bool blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
  void skip() {
    while (p_ < t_.size() && blank(t_[p_])) ++p_;
  }
  std::string_view t_;
  size_t p_ = 0;
};

// Nodes per element and the element's dimension, for the types the reader knows: points, lines,
// triangles, quadrilaterals and the first-order volume elements (only to say that a file holds
// volumes). 0 for any other type.
struct ElementType {
  int nodes;
  int dim;
};
ElementType element_type(int64_t type) {
  switch (type) {
    case 15:
      return {1, 0};
    case 1:
      return {2, 1};
    case 2:
      return {3, 2};
    case 3:
      return {4, 2};
    case 4:
      return {4, 3};
    case 5:
      return {8, 3};
    case 6:
      return {6, 3};
    case 7:
      return {5, 3};
    default:
      return {0, 0};
  }
}

class Reader {
 public:
  Reader(std::string_view text, MshMesh& mesh, std::string& error)
      : w_(text), mesh_(mesh), error_(error) {}

  bool run() {
    if (w_.next() != "$MeshFormat") return fail("not a gmsh mesh file");
    if (!format()) return false;
    bool nodes_read = false, elements_read = false;
    while (!w_.at_end()) {
      const std::string_view word = w_.next();
      bool ok = true;
      if (word == "$PhysicalNames") {
        ok = physical_names();
      } else if (word == "$Entities") {
        ok = entities();
      } else if (word == "$PartitionedEntities") {
        return fail("partitioned meshes are not read");
      } else if (word == "$Nodes" && !nodes_read) {
        ok = nodes();
        nodes_read = true;
      } else if (word == "$Elements" && !elements_read) {
        ok = elements();
        elements_read = true;
      } else if (word.size() > 1 && word[0] == '$' && word.substr(0, 4) != "$End") {
        ok = skip(word.substr(1));
      } else {
        return fail("\"" + std::string(word.substr(0, 20)) + "\" outside a section");
      }
      if (!ok) return false;
    }
    if (!nodes_read || !elements_read) return fail("no $Nodes or no $Elements");
    return finish();
  }

 private:
  bool fail(std::string why) {
    if (error_.empty()) error_ = std::move(why);
    return false;
  }
  bool integer(int64_t& v) {
    const std::string_view t = w_.next();
    if (t.empty()) return fail("the file ends inside " + section_);
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size()) {
      return fail("\"" + std::string(t.substr(0, 20)) + "\" is not an integer in " + section_);
    }
    return true;
  }
  // A count of items still to come in the text: never more than its bytes left.
  bool count(int64_t& v) {
    if (!integer(v)) return false;
    if (v < 0 || static_cast<uint64_t>(v) > w_.left() / 2) {
      return fail("count " + std::to_string(v) + " does not match the text of " + section_);
    }
    return true;
  }
  bool real(double& v) {
    const std::string_view t = w_.next();
    if (t.empty()) return fail("the file ends inside " + section_);
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v)) {
      return fail("\"" + std::string(t.substr(0, 20)) + "\" is not a number in " + section_);
    }
    return true;
  }
  bool end_of(std::string_view name) {
    if (w_.next() == "$End" + std::string(name)) return true;
    return fail("$" + std::string(name) + " does not end where its counts say");
  }

  bool format() {
    section_ = "$MeshFormat";
    const std::string_view version = w_.next();
    if (version != "4.1")
      return fail("version " + std::string(version.substr(0, 20)) + ", not 4.1");
    int64_t type = 0, size = 0;
    if (!integer(type) || !integer(size)) return false;
    if (type != 0) return fail("a binary file, not ascii");
    return end_of("MeshFormat");
  }

  bool physical_names() {
    section_ = "$PhysicalNames";
    int64_t n = 0;
    if (!count(n)) return false;
    for (int64_t i = 0; i < n; ++i) {
      int64_t dim = 0, tag = 0;
      std::string name;
      if (!integer(dim) || !integer(tag)) return false;
      if (!w_.quoted(name)) return fail("a name without its quotes in " + section_);
      if (dim == 1) curve_of_tag_[tag] = curve_index(name);
    }
    return end_of("PhysicalNames");
  }
  size_t curve_index(const std::string& name) {
    for (size_t i = 0; i < mesh_.curves.size(); ++i) {
      if (mesh_.curves[i].name == name) return i;
    }
    mesh_.curves.push_back({name, {}});
    return mesh_.curves.size() - 1;
  }

  // Points: tag, x, y, z and physical tags; curves, surfaces, volumes: tag, box, physical tags
  // and bounding entities.
  bool entities() {
    section_ = "$Entities";
    int64_t n[4] = {0, 0, 0, 0};
    for (int64_t& k : n) {
      if (!count(k)) return false;
    }
    for (int dim = 0; dim < 4; ++dim) {
      for (int64_t i = 0; i < n[dim]; ++i) {
        int64_t tag = 0, nphys = 0, nbound = 0, v = 0;
        double x = 0;
        if (!integer(tag)) return false;
        for (int k = 0; k < (dim == 0 ? 3 : 6); ++k) {
          if (!real(x)) return false;
        }
        if (!count(nphys)) return false;
        std::vector<int64_t>& phys = physical_[dim][tag];
        for (int64_t k = 0; k < nphys; ++k) {
          if (!integer(v)) return false;
          phys.push_back(std::abs(v));
        }
        if (dim == 0) continue;
        if (!count(nbound)) return false;
        for (int64_t k = 0; k < nbound; ++k) {
          if (!integer(v)) return false;
        }
      }
    }
    return end_of("Entities");
  }

  bool nodes() {
    section_ = "$Nodes";
    int64_t blocks = 0, total = 0, lo = 0, hi = 0;
    if (!count(blocks) || !count(total) || !integer(lo) || !integer(hi)) return false;
    std::vector<int64_t> tags;
    for (int64_t b = 0; b < blocks; ++b) {
      int64_t dim = 0, entity = 0, parametric = 0, n = 0;
      if (!integer(dim) || !integer(entity) || !integer(parametric) || !count(n)) return false;
      const size_t first = tags.size();
      for (int64_t i = 0; i < n; ++i) {
        int64_t tag = 0;
        if (!integer(tag)) return false;
        if (tag < 1) return fail("node tag " + std::to_string(tag) + " in " + section_);
        tags.push_back(tag);
      }
      const int params = parametric != 0 && (dim == 1 || dim == 2) ? static_cast<int>(dim) : 0;
      for (size_t i = first; i < tags.size(); ++i) {
        double v[3] = {0, 0, 0}, u = 0;
        for (double& x : v) {
          if (!real(x)) return false;
        }
        for (int k = 0; k < params; ++k) {
          if (!real(u)) return false;
        }
        xyz_.insert(xyz_.end(), v, v + 3);
      }
    }
    if (static_cast<int64_t>(tags.size()) != total) {
      return fail("$Nodes holds " + std::to_string(tags.size()) + " nodes, not " +
                  std::to_string(total));
    }
    by_tag_.resize(tags.size());
    for (size_t i = 0; i < tags.size(); ++i) by_tag_[i] = {tags[i], static_cast<int32_t>(i)};
    std::sort(by_tag_.begin(), by_tag_.end());
    for (size_t i = 1; i < by_tag_.size(); ++i) {
      if (by_tag_[i].first == by_tag_[i - 1].first) {
        return fail("node tag " + std::to_string(by_tag_[i].first) + " given twice");
      }
    }
    // x is r, y is z; the plane's size bounds the z that counts as 0.
    mesh_.rz.resize(2 * tags.size());
    for (size_t i = 0; i < tags.size(); ++i) {
      for (int d = 0; d < 2; ++d) {
        const double v = xyz_[3 * i + d];
        if (std::abs(v) > std::numeric_limits<float>::max() / 4) {
          return fail("node " + std::to_string(tags[i]) + " beyond the range of reals");
        }
        mesh_.rz[2 * i + d] = static_cast<float>(v);
        size_ = std::max(size_, std::abs(v));
      }
    }
    return end_of("Nodes");
  }

  bool node_index(int64_t tag, int32_t& index) {
    const auto it = std::lower_bound(by_tag_.begin(), by_tag_.end(), std::make_pair(tag, 0));
    if (it == by_tag_.end() || it->first != tag) {
      return fail("node tag " + std::to_string(tag) + " is missing");
    }
    index = it->second;
    return true;
  }

  bool elements() {
    section_ = "$Elements";
    int64_t blocks = 0, total = 0, lo = 0, hi = 0, read = 0;
    if (!count(blocks) || !count(total) || !integer(lo) || !integer(hi)) return false;
    for (int64_t b = 0; b < blocks; ++b) {
      int64_t dim = 0, entity = 0, type = 0, n = 0;
      if (!integer(dim) || !integer(entity) || !integer(type) || !count(n)) return false;
      const ElementType et = element_type(type);
      if (et.nodes == 0) return fail("element type " + std::to_string(type) + " is not read");
      if (et.dim != dim)
        return fail("element type " + std::to_string(type) + " on a " + std::to_string(dim) +
                    "D entity");
      for (int64_t i = 0; i < n; ++i) {
        int64_t tag = 0, node = 0;
        int32_t v[4] = {0, 0, 0, 0};
        if (!integer(tag)) return false;
        for (int k = 0; k < et.nodes; ++k) {
          if (!integer(node)) return false;
          if (et.dim >= 1 && et.dim <= 2 && !node_index(node, v[k])) return false;
        }
        if (et.dim == 3) ++volumes_;
        if (et.dim == 1) add_line(entity, v);
        if (et.dim == 2 && !add_cell(entity, tag, v, et.nodes)) return false;
      }
      read += n;
    }
    if (read != total) {
      return fail("$Elements holds " + std::to_string(read) + " elements, not " +
                  std::to_string(total));
    }
    return end_of("Elements");
  }

  // The physical tags of an entity (none when the file lists no such entity).
  const std::vector<int64_t>* physical(int dim, int64_t entity) const {
    const auto it = physical_[dim].find(entity);
    return it == physical_[dim].end() ? nullptr : &it->second;
  }

  void add_line(int64_t entity, const int32_t (&v)[4]) {
    const std::vector<int64_t>* phys = physical(1, entity);
    if (phys == nullptr) return;
    for (const int64_t tag : *phys) {
      const auto it = curve_of_tag_.find(tag);
      if (it != curve_of_tag_.end()) mesh_.curves[it->second].edges.push_back({v[0], v[1]});
    }
  }

  // A triangle or quadrilateral: in the plane, counter-clockwise in (x, y), then reversed. It
  // goes to the zone of its surface's smallest physical tag (the last zone when none).
  bool add_cell(int64_t entity, int64_t tag, const int32_t (&v)[4], int nn) {
    const std::string which = "element " + std::to_string(tag);
    for (int k = 0; k < nn; ++k) {
      if (std::abs(xyz_[3 * static_cast<size_t>(v[k]) + 2]) > 1e-6 * size_) {
        return fail(which + " is off the plane z=0");
      }
      for (int j = 0; j < k; ++j) {
        if (v[j] == v[k]) return fail(which + " is degenerate");
      }
    }
    MshMesh::Cell cell{{v[0], v[2], v[1], v[1]}, nn};
    if (nn == 4) cell.node = {v[0], v[3], v[2], v[1]};
    int32_t one_based[4];
    for (int k = 0; k < 4; ++k) one_based[k] = cell.node[k] + 1;
    if (!mesh_detail::element_oriented(mesh_.rz.data(), one_based, nn)) {
      const bool turned = mesh_detail::element_orient(mesh_.rz.data(), one_based, nn) < 0;
      return fail(which + (turned ? " is turned over (clockwise in x, y)" : " is degenerate"));
    }
    const std::vector<int64_t>* phys = physical(2, entity);
    int64_t zone = std::numeric_limits<int64_t>::max();
    if (phys != nullptr && !phys->empty()) zone = *std::min_element(phys->begin(), phys->end());
    zones_[zone].push_back(cell);
    return true;
  }

  bool finish() {
    if (zones_.empty()) {
      return fail(volumes_ > 0 ? "3D elements only" : "no triangles or quadrilaterals");
    }
    for (auto& [tag, cells] : zones_) {
      const int64_t t = tag == std::numeric_limits<int64_t>::max() ? 0 : tag;
      mesh_.zones.push_back({t, std::move(cells)});
    }
    return true;
  }

  bool skip(std::string_view name) {
    section_ = "$" + std::string(name);
    const std::string end = "$End" + std::string(name);
    while (!w_.at_end()) {
      if (w_.next() == end) return true;
    }
    return fail("the file ends inside " + section_);
  }

  Words w_;
  MshMesh& mesh_;
  std::string& error_;
  std::string section_;
  std::map<int64_t, std::vector<int64_t>> physical_[4];  // by dimension and entity tag
  std::map<int64_t, size_t> curve_of_tag_;               // physical curve tag -> curve
  std::vector<double> xyz_;                              // x, y, z of every node
  std::vector<std::pair<int64_t, int32_t>> by_tag_;      // node tags, sorted, with the index
  double size_ = 0.0;                                    // largest |x| or |y|
  std::map<int64_t, std::vector<MshMesh::Cell>> zones_;  // by physical tag
  int64_t volumes_ = 0;
};

}  // namespace

bool parse_msh(std::string_view text, MshMesh& mesh, std::string& error) {
  mesh = MshMesh{};
  error.clear();
  Reader reader(text, mesh, error);
  if (reader.run()) return true;
  mesh = MshMesh{};
  return false;
}

}  // namespace tivor

// Pool checks, keyword reads, reservations and the scratch file shared by the mesh routines.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "console/console.hpp"
#include "core/newarr.hpp"
#include "mesh/mesh_internal.hpp"
#include "reader/reader.hpp"

namespace tivor::mesh_detail {
namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

}  // namespace

// Each lane of four nodes keeps its own bounds, so that the scan is not one chain of dependent
// comparisons (the boundary conditions' tolerance and the mesh test take it once per call).
NodesBox nodes_box(const float* rz, int64_t n1) {
  constexpr int kLanes = 4;
  float lo[2][kLanes], hi[2][kLanes];
  for (int d = 0; d < 2; ++d) {
    std::fill_n(lo[d], kLanes, rz[d]);
    std::fill_n(hi[d], kLanes, rz[d]);
  }
  int64_t k = 0;
  for (; k + kLanes <= n1; k += kLanes) {
    for (int l = 0; l < kLanes; ++l) {
      for (int d = 0; d < 2; ++d) {
        lo[d][l] = std::min(lo[d][l], rz[2 * (k + l) + d]);
        hi[d][l] = std::max(hi[d][l], rz[2 * (k + l) + d]);
      }
    }
  }
  for (; k < n1; ++k) {
    for (int d = 0; d < 2; ++d) {
      lo[d][0] = std::min(lo[d][0], rz[2 * k + d]);
      hi[d][0] = std::max(hi[d][0], rz[2 * k + d]);
    }
  }
  NodesBox box{};
  for (int d = 0; d < 2; ++d) {
    box.lo[d] = lo[d][0];
    box.hi[d] = hi[d][0];
    for (int l = 1; l < kLanes; ++l) {
      box.lo[d] = std::min(box.lo[d], lo[d][l]);
      box.hi[d] = std::max(box.hi[d], hi[d][l]);
    }
  }
  return box;
}

bool mesh_arrays_ok(const Session& s) {
  const Cmesh& c = s.cmesh;
  return (c.m == 3 || c.m == 4) && c.n1 >= 0 && c.n2 >= 0 && c.n3 >= 0 && c.ng >= 0 &&
         real_array_ok(s, c.jrz, 2 * int64_t{c.n1}) &&
         int_array_ok(s, c.jj1, int64_t{c.m} * c.n2) && int_array_ok(s, c.jj2, 2 * int64_t{c.n3}) &&
         real_array_ok(s, c.jgrz, 2 * int64_t{c.ng});
}

int bad_arrays(Session& s) {
  return flag_on(s, "mesh:mesh arrays lie outside the pools");
}

bool node_numbers_ok(const Session& s) {
  const Cmesh& c = s.cmesh;
  auto in_range = [&c](const int32_t* v, int64_t n) {
    for (int64_t k = 0; k < n; ++k) {
      if (v[k] == 0 || std::abs(v[k]) > c.n1) return false;
    }
    return true;
  };
  return in_range(ints(s, c.jj1), int64_t{c.m} * c.n2) &&
         in_range(ints(s, c.jj2), 2 * int64_t{c.n3});
}

int bad_node_numbers(Session& s) {
  return flag_on(s, "mesh:node numbers outside 1..n1");
}

int need_more_ints(Session& s, int64_t need) {
  if (s.colors.col != 1) newstr(s);
  iwrite(s, "increase common/km/ up to", static_cast<int>(std::min(need, kInt32Max)), "(i12)", 1);
  return flag_on(s, "need more memory");
}

ScratchFile::~ScratchFile() {
  remove();
}

int ScratchFile::create(Session& s) {
  close();
  f_ = std::fopen(kName, "w+b");
  if (f_ == nullptr) return flag_on(s, std::string("can not open file ") + kName);
  exists_ = true;
  return 0;
}

int ScratchFile::rewind_for_reading(Session& s) {
  if (f_ == nullptr) f_ = std::fopen(kName, "rb");
  if (f_ == nullptr || std::fflush(f_) != 0 || std::fseek(f_, 0, SEEK_SET) != 0) {
    return flag_on(s, std::string("can not open file ") + kName);
  }
  return 0;
}

int ScratchFile::write(Session& s, const void* data, size_t bytes) {
  if (bytes == 0) return 0;
  if (f_ == nullptr || std::fwrite(data, 1, bytes, f_) != bytes) {
    return flag_on(s, std::string("mesh:can not write file ") + kName);
  }
  return 0;
}

int ScratchFile::read(Session& s, void* data, size_t bytes) {
  if (bytes == 0) return 0;
  if (f_ == nullptr || std::fread(data, 1, bytes, f_) != bytes) {
    return flag_on(s, std::string("mesh:can not read file ") + kName);
  }
  return 0;
}

void ScratchFile::close() {
  if (f_ != nullptr) std::fclose(f_);
  f_ = nullptr;
}

void ScratchFile::remove() {
  close();
  if (exists_) std::remove(kName);
  exists_ = false;
}

}  // namespace tivor::mesh_detail

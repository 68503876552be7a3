// MESH, the 2D generator dispatcher, and the subregion loop it shares with MESH3DFD.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_files.hpp"
#include "mesh/mesh_internal.hpp"

namespace tivor {

using namespace mesh_detail;

namespace mesh_detail {
namespace {

// region: the contours of the region meshed, for the generators that keep nodes off the corners
// their boundary nodes skip (3 and 4); empty for the others.
int run_generator(Session& s, int i, int tipm, std::vector<Polygon>& region) {
  switch (tipm) {
    case 1:
      return mesh1(s, i);
    case 2:
      return s.cmesh.m == 3 ? mesh23(s, i) : mesh24(s, i);
    case 3:
      return mgrid_region(s, i, region);
    case 4:
      return mesh4_region(s, i, region);
    default:
      return mesh5(s, i);
  }
}

// Appends the current subregion to the scratch file: coordinates, connectivity, boundary
// elements, with no header (the counts stay in jn1, jn2, jn3).
int write_subregion(Session& s, ScratchFile& scratch) {
  const Cmesh& c = s.cmesh;
  if (scratch.write(s, reals(s, c.jrz), sizeof(float) * 2 * static_cast<size_t>(c.n1)) ||
      scratch.write(s, ints(s, c.jj1), sizeof(int32_t) * c.m * static_cast<size_t>(c.n2)) ||
      scratch.write(s, ints(s, c.jj2), sizeof(int32_t) * 2 * static_cast<size_t>(c.n3))) {
    return 1;
  }
  return 0;
}

}  // namespace

void store_counts(Session& s, int i) {
  Cmesh& c = s.cmesh;
  if (i < 1 || i > c.ntel || !int_array_ok(s, c.jn3, c.ntel)) return;
  ints(s, c.jn1)[i - 1] = c.n1;
  ints(s, c.jn2)[i - 1] = c.n2;
  ints(s, c.jn3)[i - 1] = c.n3;
}

int start_mesh(Session& s) {
  initmesh(s);
  clear_mesh_files(s);
  Cmesh& c = s.cmesh;
  int32_t ntel = 1, m = 3;
  if (read_int(s, " number of subregions", "ntel", ntel)) return 1;
  if (read_int(s, " nodes per element", "m", m)) return 1;
  c.ntel = std::max(std::abs(ntel), 1);
  c.m = m == 3 ? 3 : 4;
  if (reserve_ints(s, c.jn1, c.ntel, "jn1") || reserve_ints(s, c.jn2, c.ntel, "jn2") ||
      reserve_ints(s, c.jn3, c.ntel, "jn3")) {
    return 1;
  }
  std::fill_n(ints(s, c.jn1), 3 * static_cast<size_t>(c.ntel), 0);
  c.maxaw = s.csize.maxa;
  c.maxkw = s.csize.maxk;
  return 0;
}

int read_generator(Session& s, bool three_d, int32_t& tipm) {
  tipm = 1;
  if (read_int(s, " mesh generator: 1-5", "tipm", tipm)) return 1;
  if (tipm < 1 || tipm > 6) {
    txtcon(s, "mesh:tipm must be equal 1,2,3 or 4, trying 1...");
    tipm = 1;
  }
  if (three_d && tipm != 2 && tipm != 5) return flag_on(s, "itip=2,5");
  return 0;
}

int refine_and_smooth(Session& s, int i, int tipm, int32_t nyt, int32_t ncor,
                      const std::vector<Polygon>* region) {
  Cmesh& c = s.cmesh;
  if (nyt < 0 || c.m == 4) nyt = 0;
  c.nyt = nyt;
  store_counts(s, i);
  if (nyt > 0) {
    if (tipm == 3 || tipm == 4) c.ng = 0;
    for (int k = 0; k < nyt; ++k) {
      if (meshi(s) || meshtest(s)) return 1;
      store_counts(s, i);
    }
  }
  if (ncor > 0 && (arzcor_within(s, ncor, region) || meshtest(s))) return 1;
  return 0;
}

int make_subregion(Session& s, int i, int tipm, std::vector<Polygon>* regions) {
  Cmesh& c = s.cmesh;
  s.csize.maxa = c.maxaw;
  s.csize.maxk = c.maxkw;
  c.jgrz = 0;
  c.ng = 0;
  std::vector<Polygon> region;
  float turn[5] = {0, 0, 0, 0, 0};
  if (run_generator(s, i, tipm, region) || meshtest(s) || arotor_turn(s, turn) || meshtest(s)) {
    return 1;
  }
  turn_polygons(region, turn);

  int32_t nyt = 0, ncor = 0;
  if (read_int(s, " how many times decrease cells?", "nyt", nyt) ||
      read_int(s, "number of corrections", "rzcor", ncor)) {
    return 1;
  }
  if (refine_and_smooth(s, i, tipm, nyt, ncor, region.empty() ? nullptr : &region)) return 1;
  if (regions != nullptr) regions->insert(regions->end(), region.begin(), region.end());
  return 0;
}

}  // namespace mesh_detail

void initmesh(Session& s) {
  s.cmesh = Cmesh{};
}

int mesh(Session& s) {
  if (rtmr(s, "mesh")) return 1;
  if (start_mesh(s)) return 1;
  Cmesh& c = s.cmesh;
  ScratchFile scratch;
  if (scratch.create(s)) return 1;
  const auto write = [&s, &scratch] { return write_subregion(s, scratch); };
  // The contours of the subregions made by generators 3 and 4, for the last smoothing.
  std::vector<Polygon> regions;
  for (int i = 1; i <= c.ntel; ++i) {
    int32_t tipm = 1;
    if (read_generator(s, false, tipm)) return 1;
    if (tipm == 6) {
      int zones = 0;
      if (mesh6(s, i, zones, write)) return 1;
      i += zones - 1;
    } else if (make_subregion(s, i, tipm, &regions) || write()) {
      return 1;
    }
  }
  if (mesha(s, scratch) || meshtest(s)) return 1;

  s.csize.maxa = c.jrz + 2 * c.n1;
  s.csize.maxk = c.jj1 + c.m * c.n2;
  if (reserve_reals(s, c.jdest_cell, c.n2, "jdest_cell")) return 1;
  std::fill_n(reals(s, c.jdest_cell), c.n2, 1.0f);
  // Every operation that moves nodes is followed by the mesh test: the classes rely on every
  // element being counter-clockwise.
  float fr = 1, fz = 1;
  if (rzscale_by(s, fr, fz) || meshtest(s)) return 1;
  scale_polygons(regions, fr, fz);

  int32_t ncor = 0;
  if (read_int(s, "number of corrections", "rzcor", ncor)) return 1;
  if (ncor > 0 && (arzcor_within(s, ncor, regions.empty() ? nullptr : &regions) || meshtest(s))) {
    return 1;
  }
  return grel(s);
}

}  // namespace tivor

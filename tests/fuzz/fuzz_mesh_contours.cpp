// Feeds arbitrary contours and cell sizes to the triangulation generators 1, 3 and 4 through
// the dispatcher's keyword data. The bytes choose the generator, the element kind, a refinement
// and a smoothing, the contours (points given directly, or as a star of angles and radii, which
// makes simple polygons the fuzzer reaches easily) and the cell size relative to the region.
// Each input either fails cleanly (error flag raised) or gives a mesh with the properties of a
// sound mesh whose boundary nodes lie on the contours and whose nodes lie in the region; any
// other outcome aborts. The pools are cut so that meshes stay small.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_session.hpp"
#include "mesh/mesh.hpp"
#include "support/mesh_properties.hpp"

namespace {

struct Bytes {
  const uint8_t* p;
  size_t n;
  int next() { return n > 0 ? (--n, *p++) : 0; }
  // A coordinate on a grid of 1/4096 in -8..8.
  double coord() { return static_cast<int16_t>(next() << 8 | next()) / 4096.0; }
};

using tivor::test::Contour;

Contour contour(Bytes& b, int n) {
  Contour c;
  if (b.next() & 1) {
    const double r0 = b.coord(), z0 = b.coord(), scale = 1 + b.next() / 16.0;
    double angle = 0;
    for (int k = 0; k < n; ++k) {
      angle += (1 + b.next()) * 2 * M_PI / (257.0 * n / 2);
      const double rad = scale * (1 + b.next()) / 256;
      c.push_back(static_cast<float>(r0 + rad * std::sin(angle)));
      c.push_back(static_cast<float>(z0 + rad * std::cos(angle)));
    }
  } else {
    for (int k = 0; k < 2 * n; ++k) c.push_back(b.coord());
  }
  return c;
}

// A blank and the number as the reader reads it back (single precision).
std::string number(double x) {
  char out[32];
  std::snprintf(out, sizeof out, " %.9g", static_cast<double>(static_cast<float>(x)));
  return out;
}

[[noreturn]] void fault(const std::string& text, const std::string& what) {
  std::fprintf(stderr, "%s\nfault: %s\n", text.c_str(), what.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tivor;
  Bytes b{data, size};
  const int flags = b.next();
  const int tipm = flags % 3 == 0 ? 1 : flags % 3 == 1 ? 3 : 4;
  const int m = flags & 4 ? 4 : 3, nyt = flags >> 3 & 1, rzcor = flags >> 4 & 1;
  const int nc = tipm == 1 ? 1 : 1 + b.next() % 3;
  const int del_code = b.next();
  std::vector<Contour> cs;
  std::string text = "ntel=1 m=" + std::to_string(m) + " tipm=" + std::to_string(tipm) + " pic=0";
  if (tipm != 1) text += " nc=" + std::to_string(nc);
  // The reader scans columns 1 to 72 of a line: a piece that would pass them starts a new line.
  const auto put = [&](const std::string& piece) {
    if (text.size() - text.rfind('\n') - 1 + piece.size() > 72) text += '\n';
    text += piece;
  };
  const auto list = [&](const Contour& v) {
    for (const double x : v) put(number(x));
  };
  std::vector<int> counts;
  double lo = HUGE_VAL, hi = -HUGE_VAL;
  for (int k = 0; k < nc; ++k) {
    const int head = b.next();
    const int n = head % 32 < 30 ? 3 + head % 32 : head % 32 - 29;
    counts.push_back(head & 128 && tipm != 1 ? -n : n);  // negative: given the other way round
    cs.push_back(contour(b, n));
    for (const double x : cs.back()) lo = std::min(lo, x), hi = std::max(hi, x);
  }
  // Cells from the whole region down to about a thousandth of it, and a few bad sizes.
  const double del = del_code > 250 ? std::vector<double>{0, -1, 1e-5, 9e-6, 1e9}[del_code - 251]
                                    : (hi - lo) * std::exp2(-del_code / 25.0);
  for (int k = 0; k < nc; ++k) {
    text += "\nng=" + std::to_string(counts[k]) + " m=";
    Contour listed = cs[k];
    for (size_t i = 0, j = listed.size() - 2; counts[k] < 0 && i < j; i += 2, j -= 2) {
      std::swap(listed[i], listed[j]);
      std::swap(listed[i + 1], listed[j + 1]);
    }
    list(listed);
    if (tipm != 1) put(" del=" + number(del));
  }
  int given = 0, inner_count = 0;
  if (tipm == 1) {
    given = b.next() % 8;
    inner_count = b.next() % 8;
    Contour params(static_cast<size_t>(given)), inner(static_cast<size_t>(2 * inner_count));
    for (double& v : params) v = b.next() * static_cast<double>(cs[0].size() / 2) / 255;
    for (double& v : inner) v = b.coord();
    put(" n3=" + std::to_string(given) + (given > 0 ? " m=" : ""));
    list(params);
    put(" n4=" + std::to_string(inner.size() / 2) + (inner.empty() ? "" : " m="));
    list(inner);
  }
  text += "\nturn=0 0 0 0 0 nyt=" + std::to_string(nyt) + " rzcor=" + std::to_string(rzcor) +
          " skl=0 scale=1 1 rzcor=0\n";

  Session& s = fuzz::fuzz_session();
  fuzz::read_from(s, reinterpret_cast<const uint8_t*>(text.data()), text.size());
  s.csize = Csize{20000, 80000, 0, 0};
  s.cmesh = Cmesh{};
  int status = 1;
  try {
    status = mesh(s);
  } catch (const ProgramStop&) {
    fault(text, "the program stopped");
  }
  if (status != 0 && !flag_tst(s)) fault(text, "failure without the error flag");
  if (status == 0) {
    // Refined boundary edges of generators 3 and 4 keep to the chords that cut the corners
    // closer than a cell, so their midpoints may lie up to a cell off the contours.
    const double tol = tipm != 1 && nyt ? del : 1e-5 * (std::abs(lo) + std::abs(hi) + 1);
    // The scaling and the keywords keep the region where it was given, every node in it.
    const test::MeshCheck got = test::check_mesh(s, tipm == 1 ? 0 : nc - 1, cs, tol);
    if (!got.fault.empty()) fault(text, got.fault);
    const Cmesh& c = s.cmesh;
    // Generator 1 connects every node it is given.
    const int32_t nodes = (given > 0 ? given : std::abs(counts[0])) + inner_count;
    if (tipm == 1 && nyt == 0 && c.n1 != nodes) fault(text, "nodes left out");
    const float* rz = reals(s, c.jrz);
    for (int32_t k = 0; k < 2 * c.n3; ++k) {
      const int32_t n = std::abs(ints(s, c.jj2)[k]) - 1;
      if (std::abs(test::region_distance(cs, rz[2 * n], rz[2 * n + 1])) > tol) {
        fault(text, "boundary node off the contours");
      }
    }
    // The boundary encloses the region's area, but for the corners that the cells cut off.
    double outer = 0, sum = 0, perimeter = 0;
    for (const Contour& q : cs) {
      double twice = 0;
      for (size_t i = 0, n = q.size() / 2; i < n; ++i) {
        const size_t j = (i + n - 1) % n;
        twice += q[2 * j + 1] * q[2 * i] - q[2 * i + 1] * q[2 * j];
        perimeter += std::hypot(q[2 * i] - q[2 * j], q[2 * i + 1] - q[2 * j + 1]);
      }
      outer = std::max(outer, std::abs(twice) / 2);
      sum += std::abs(twice) / 2;
    }
    // (Single precision moves each point by up to tol.)
    const double slack = perimeter * (tipm != 1 ? del : given == 0 ? tol : HUGE_VAL) + 1e-4 * outer;
    if (!(std::abs(got.enclosed - (2 * outer - sum)) <= slack)) fault(text, "area");
  }
  fuzz::read_from_keyboard(s);
  return 0;
}

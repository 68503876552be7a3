// Shared by the mesh benchmarks: a session on the benchmark host working in a temporary
// directory (the generators write "mesh.tmp" there), data files for square blocks of
// generator 2, and pools that can be made larger than the program's for sizes beyond them.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "bench_host.hpp"
#include "console/console.hpp"
#include "reader/reader.hpp"

namespace tivor::bench {

class MeshBench {
 public:
  MeshBench() : s(std::make_unique<Session>(host)) { console_install(*s); }
  // Integer pool of n words (the program has 1,000,000), real pool of na words.
  void pools(int32_t na, int32_t nk) {
    s->a.assign(static_cast<size_t>(na) + 1, 0.0f);
    s->km.assign(static_cast<size_t>(nk) + 1, 0);
    s->csize = Csize{na, nk, 0, 0};
  }
  // Writes the data file once.
  void write(const std::string& text) { std::ofstream("bench.dat", std::ios::binary) << text; }
  // Points the reader at the start of the data file.
  bool open() {
    int unit = 0;
    return readfrom(*s, unit, "bench.dat") == 0;
  }

  // First member: entered before the task is made, left after it is gone.
  ScratchDir scratch;
  BenchHost host;
  std::unique_ptr<Session> s;
};

// The 8 points of the block [r0, r0 + w] x [z0, z0 + w] and its cell counts, as the keywords
// "rz", "nksi", "neta" of generator 2.
inline std::string square_block(double r0, double z0, double w, int cells) {
  auto f = [](double v) { return std::to_string(v); };
  const double r1 = r0 + w, z1 = z0 + w, rm = r0 + w / 2, zm = z0 + w / 2;
  return "rz=" + f(r0) + " " + f(z0) + " " + f(r0) + " " + f(zm) + " " + f(r0) + " " + f(z1) +
         "\n" + f(rm) + " " + f(z1) + " " + f(r1) + " " + f(z1) + " " + f(r1) + " " + f(zm) + "\n" +
         f(r1) + " " + f(z0) + " " + f(rm) + " " + f(z0) + "\nnksi=" + std::to_string(cells) +
         " neta=" + std::to_string(cells) + "\n";
}

}  // namespace tivor::bench

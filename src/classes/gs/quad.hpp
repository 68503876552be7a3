// The record of ro, u, v, e of one node as one vector of four values (the vector extension of
// GCC and clang), which every x86-64 processor holds in one register. Internal to
// src/classes/gs.
#pragma once

#include <cstring>

namespace tivor::gs {

using Quad = float __attribute__((vector_size(16)));

inline Quad load_quad(const float* p) {
  Quad q;
  std::memcpy(&q, p, sizeof q);
  return q;
}

inline void store_quad(float* p, Quad q) {
  std::memcpy(p, &q, sizeof q);
}

}  // namespace tivor::gs

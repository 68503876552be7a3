// Whole-vector rearrangements for the batched element loops of the solids step: a batch of 16
// elements is gathered as one row of values an element, turned into lanes (one vector a value)
// for the arithmetic, and turned back into per-element groups for the arrays of the mesh.
#pragma once

#include <cstddef>
#include <cstring>
#include <utility>

namespace tivor::sol {

// Elements of one batch: the lanes of a vector of 16 floats.
constexpr int kLanes = 16;

// A row of 16 values as one vector, and four of them. Vectors this wide go by reference: they
// are not passed or returned by value alike on every target.
typedef float Record __attribute__((vector_size(64)));
typedef float Quad __attribute__((vector_size(16)));

// out[k][j] = in[j][k] for a block of 16 by 16 values, by whole-vector shuffles: pairs of rows
// interleaved value by value, then two values by two, then quarters twice.
inline void transpose16(const float (&in)[16][16], float (&out)[16][16]) {
  Record r[16], t[16];
  std::memcpy(r, in, sizeof r);
  for (int i = 0; i < 16; i += 2) {
    t[i] = __builtin_shufflevector(r[i], r[i + 1], 0, 16, 1, 17, 4, 20, 5, 21, 8, 24, 9, 25, 12, 28,
                                   13, 29);
    t[i + 1] = __builtin_shufflevector(r[i], r[i + 1], 2, 18, 3, 19, 6, 22, 7, 23, 10, 26, 11, 27,
                                       14, 30, 15, 31);
  }
  // r[4k + c] now holds columns c, c + 4, c + 8, c + 12 of rows 4k..4k + 3, a quarter each.
  for (int k = 0; k < 16; k += 4) {
    for (int h = 0; h < 2; ++h) {
      const Record& lo = t[k + h];
      const Record& hi = t[k + h + 2];
      r[k + 2 * h] =
          __builtin_shufflevector(lo, hi, 0, 1, 16, 17, 4, 5, 20, 21, 8, 9, 24, 25, 12, 13, 28, 29);
      r[k + 2 * h + 1] = __builtin_shufflevector(lo, hi, 2, 3, 18, 19, 6, 7, 22, 23, 10, 11, 26, 27,
                                                 14, 15, 30, 31);
    }
  }
  // Quarters 0 and 2, or 1 and 3, of two vectors; twice makes each column whole.
  const auto even = [](const Record& p, const Record& q, Record& to) {
    to = __builtin_shufflevector(p, q, 0, 1, 2, 3, 8, 9, 10, 11, 16, 17, 18, 19, 24, 25, 26, 27);
  };
  const auto odd = [](const Record& p, const Record& q, Record& to) {
    to = __builtin_shufflevector(p, q, 4, 5, 6, 7, 12, 13, 14, 15, 20, 21, 22, 23, 28, 29, 30, 31);
  };
  for (int c = 0; c < 4; ++c) {
    Record w0, w1, w2, w3;
    even(r[c], r[4 + c], w0);
    odd(r[c], r[4 + c], w1);
    even(r[8 + c], r[12 + c], w2);
    odd(r[8 + c], r[12 + c], w3);
    even(w0, w2, t[c]);
    odd(w0, w2, t[c + 8]);
    even(w1, w3, t[c + 4]);
    odd(w1, w3, t[c + 12]);
  }
  std::memcpy(out, t, sizeof t);
}

namespace lanes_detail {

// Value g of the interleaved output (element g / M, its value g % M) taken from two of the
// rows: pair 0 holds values 0 and 1 of an element, pair 1 values 2 and 3; any other lane is
// left to the next step.
constexpr int from_pair(int g, int m, int pair) {
  const int value = g % m - 2 * pair;
  return value == 0 ? g / m : value == 1 ? 16 + g / m : 0;
}
constexpr int from_pairs(int g, int m, int p) {
  return g % m < 2 ? p : 16 + p;
}

template <int M, int Part, std::size_t... P>
inline void interleave_part(const Record (&rows)[M], float* out, std::index_sequence<P...>) {
  const Record ab =
      __builtin_shufflevector(rows[0], rows[1], from_pair(16 * Part + int(P), M, 0)...);
  const Record cd = __builtin_shufflevector(rows[2], M == 4 ? rows[M - 1] : rows[2],
                                            from_pair(16 * Part + int(P), M, 1)...);
  const Record v = __builtin_shufflevector(ab, cd, from_pairs(16 * Part + int(P), M, int(P))...);
  std::memcpy(out + 16 * Part, &v, sizeof v);
}

}  // namespace lanes_detail

// The M rows of 16 lanes as 16 groups of M values, out[j M + i] = rows[i][j] (M 3 or 4).
template <int M>
inline void interleave(const float (&rows)[M][kLanes], float* out) {
  static_assert(M == 3 || M == 4);
  Record r[M];
  std::memcpy(r, rows, sizeof r);
  [&]<std::size_t... Part>(std::index_sequence<Part...>) {
    (lanes_detail::interleave_part<M, int(Part)>(r, out, std::make_index_sequence<16>{}), ...);
  }
  (std::make_index_sequence<M>{});
}

}  // namespace tivor::sol

// Loops split into blocks of a fixed size that run on a small set of persistent threads. The
// blocks depend only on the length of a loop, never on the number of threads, and the sums of a
// loop are combined block by block in block order: a result is the same bit for bit whatever the
// number of threads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tivor {

// Rows of one block.
inline constexpr size_t kBlockRows = 2048;

// The blocks of a loop over n rows; block k holds rows [k kBlockRows, min((k + 1) kBlockRows, n)).
inline size_t block_count(size_t n) {
  return (n + kBlockRows - 1) / kBlockRows;
}
inline size_t block_begin(size_t k) {
  return k * kBlockRows;
}
inline size_t block_end(size_t k, size_t n) {
  return k * kBlockRows + kBlockRows < n ? k * kBlockRows + kBlockRows : n;
}

using BlockBody = void (*)(const void* context, size_t block);
// Calls body(context, k) once for every block k in [0, blocks) on up to `threads` threads, the
// calling thread among them, and returns when every call has returned. The calls must not
// throw. One loop runs at a time; a loop started while another runs waits for it.
void run_blocks(int threads, size_t blocks, BlockBody body, const void* context);

// for_blocks(threads, blocks, f) calls f(k) for every block k as run_blocks does.
template <class F>
void for_blocks(int threads, size_t blocks, const F& f) {
  if (threads <= 1 || blocks <= 1) {
    for (size_t k = 0; k < blocks; ++k) f(k);
    return;
  }
  run_blocks(
      threads, blocks, [](const void* c, size_t k) { (*static_cast<const F*>(c))(k); }, &f);
}

}  // namespace tivor

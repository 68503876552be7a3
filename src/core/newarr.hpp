// Named arrays in the workspace pools: NEWARR hands out consecutive arrays at a pool's bump mark,
// ABASE sets the default memory card.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/session.hpp"

namespace tivor {

// Places arrays k1..k2 of len words each at the pool mark, one after another: jarr points at
// entry 1 of the caller's pointer array (entry k is jarr[k - 1]), mark is the pool's mark
// (csize.maxa or csize.maxk) and limit its size (csize.na or csize.nk). Returns 0, or 1 with the
// error flag set when k1 < 1, len < 0 or the arrays do not fit below the limit; on overflow the
// mark stays advanced (capped at the largest int32) and the shell empties the pools.
[[nodiscard]] int newarr(Session& s, int32_t* jarr, int k1, int k2, int32_t len, int32_t& mark,
                         int32_t limit, std::string_view name);

// count arrays of len reals (or integers) each, from pointer entry 1 on; a length beyond the
// largest int32 is refused like any that does not fit.
[[nodiscard]] int new_reals(Session& s, int32_t* jarr, int count, int64_t len,
                            std::string_view name);
[[nodiscard]] int new_ints(Session& s, int32_t* jarr, int count, int64_t len,
                           std::string_view name);

// Replaces the memory card by the given lines (as many as the card holds) and sets its count.
void set_memory_card(Session& s, std::span<const char* const> lines);

// The default memory card: the single line "memory card is not available".
void abase(Session& s);

}  // namespace tivor

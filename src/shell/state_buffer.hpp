// Reading a state buffer's bytes into the session.
#pragma once

#include <cstdint>
#include <span>

#include "core/session.hpp"

namespace tivor {

enum class BufferLoad {
  kLoaded,    // pools and records replaced
  kTooLarge,  // the snapshot does not fit the pools: pools emptied, no task, records kept
  kDamaged,   // shorter or longer than its header announces: nothing changed
};

// Checks every byte count before anything is changed.
BufferLoad load_state_buffer(Session& s, std::span<const uint8_t> bytes);

}  // namespace tivor

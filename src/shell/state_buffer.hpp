// Reading a state buffer's bytes into the session.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/session.hpp"

namespace tivor {

enum class BufferLoad {
  kLoaded,    // pools and records replaced
  kTooLarge,  // the snapshot does not fit the pools: pools emptied, no task, records kept
  kDamaged,   // shorter or longer than its header announces, or a record that does not fit the
              // pools: nothing changed
};

// The bytes of a buffer that holds the given numbers of pool words.
size_t state_buffer_size(int32_t maxa, int32_t maxk);

// The records (class, trace, view, time and mesh, class parameters, memory card) close every
// buffer: its last kStateRecordBytes bytes.
inline constexpr size_t kStateRecordBytes = 9500;

// Replaces the session's records by those in bytes, without a check: for a reader that checks
// what it uses of them. False, nothing changed, when bytes is not kStateRecordBytes long.
bool take_state_records(Session& s, std::span<const uint8_t> bytes);

// Checks every byte count before anything is changed, then every pointer and count of the
// records; a buffer that fails leaves the session as it was. On kDamaged, record names the
// record that failed (empty when the length is wrong).
BufferLoad load_state_buffer(Session& s, std::span<const uint8_t> bytes,
                             std::string* record = nullptr);

// The first record of the session's state whose pointers or counts reach outside the pools or
// whose index arrays name nodes or elements that do not exist ("cmesh", "class", "cht",
// "ctime1", "cmemo", or "cparm" from the class's own check); empty when all fit.
std::string damaged_record(const Session& s);

}  // namespace tivor

// A run without window or keys: the task is prepared from a data file (or read from a state
// buffer), runs its steps and writes the files the command line asks for.
#pragma once

#include "app/options.hpp"

namespace tivor {

// Exit statuses of a batch run beside 0 (every step made, every file written), 1 (the pools do
// not fit in memory) and 2 (bad arguments).
inline constexpr int kBatchNotPrepared = 4;    // a data error: the task could not be prepared
inline constexpr int kBatchBufferRefused = 5;  // the state buffer is missing, damaged or too large
inline constexpr int kBatchStepFailed = 6;     // a step failed (not finite, no convergence, ...)
inline constexpr int kBatchInterrupted = 7;    // SIGINT or SIGTERM stopped the run
inline constexpr int kBatchWriteFailed = 8;    // a file could not be written

// Runs the batch the options describe, in the current directory (already the working
// directory); the file names other than the data file are absolute. Returns the exit status.
int run_batch(const Options& opt);

}  // namespace tivor

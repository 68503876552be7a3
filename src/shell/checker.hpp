// The debugger and the common-block checker: the trace hook behind rtmr(), the record dumps,
// the identifier lookup over declaration text, and the checker's mesh queries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/session.hpp"

namespace tivor {

// A declaration text: lines of 80 characters (a memory card, the mesh card).
using CardLines = std::span<const char[80]>;

// ---- debugger ----

// The trace hook of every computational routine (RTMR): shows the routine on row 25, keeps the
// clock readings, stops at breakpoints and runs the debugger prompt. 1 when the routine must
// return at once.
[[nodiscard]] int debug_hook(Session& s, std::string_view name);
// Installs the trace hook and the memory checker into the session's upcalls.
void debugger_install(Session& s);

// ---- record checker ----

// ADMP: asks for a record name and shows (mode 0) or edits (mode 1) it.
void admp(Session& s, int mode);
// Prints the dump of one record by its checker name ("crd", "ctime", "term", "grf", "cmesh",
// "term3", "chistor", "cht"); the "cht" dump ends by asking for cur, bet and sgl1(3).
void print_record(Session& s, std::string_view name);
// INCOMB: asks for an identifier and looks it up in the declaration of record block within
// lines. kind 0 shows (mode 0) or edits (mode 1) the record's own words, taken from record by
// word offset; kinds 1 and 2 follow a pointer of the record into the real or the integer pool.
// Returns 1 when the identifier is not found or its declaration is malformed, with the reader
// set back to the identifier so that another record can be searched for it.
[[nodiscard]] int incomb(Session& s, int kind, int mode, CardLines lines, int nlines,
                         std::span<std::byte> record, std::string_view block);
// LISTTEXT: lines first..last (1-based, clamped to the text), each after its number "(i5) ".
void listtext(Session& s, int first, int last, CardLines lines);

// ---- mesh queries of the checker (two-dimensional triangular meshes) ----

// A node near a point with its weight (the larger, the nearer).
struct NodeCandidate {
  int node;
  float weight;
};

// LNTR1: the candidate nodes near the point (r, z), nearest first, each weighted 1 / (distance +
// eps).
std::vector<NodeCandidate> lntr1(const Session& s, float r, float z);
// LNTRT: the candidate of largest weight, 0 when there is none.
void lntrt(const Session& s, float r, float z, int& node);
// FCELL2: the first element that contains the point (r, z), 0 when none.
int fcell2(const Session& s, float r, float z);
void node2(Session& s);
void prcell2(Session& s);
void fminmax(Session& s);

}  // namespace tivor

// The mesh card: the declaration text of the mesh record, by which the checker names its words.
#pragma once

#include "core/session.hpp"

namespace tivor {

// Writes the ten lines of the mesh record's declaration into s.tmesh (count 10, the other
// lines blank). The names follow the field order of Cmesh word for word.
void meshbase(Session& s);

}  // namespace tivor

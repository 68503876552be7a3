// The trace gate every computational routine passes first, with its own lower-case name. The
// debugger installs the hook; without it the gate lets everything through.
#pragma once

#include <string_view>

#include "core/session.hpp"

namespace tivor {

// 1 when the calling routine must return at once (the error flag is set or the user chose to
// go back to the main menu), otherwise 0.
inline int rtmr(Session& s, std::string_view name) {
  return s.up.rtmr ? s.up.rtmr(name) : 0;
}

}  // namespace tivor

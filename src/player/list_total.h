#pragma once
// The list-play total of the time display.
#include <cstdint>

#include "core/app_state.h"

namespace lirafok {

// The sum of the track lengths of the play-list entries before the current one (TOTLE non-zero:
// elapsed) or after it (TOTLE 0: remaining; an index below 1 counts as 1), in milliseconds.
std::int32_t listOtherEntriesMs(const AppState& s);

}  // namespace lirafok

#pragma once
#include <vector>

#include "demo_music.h"

namespace lirafok::tools {

// The songs of the demo disc, in track order.
std::vector<Song> demoSongs();

}  // namespace lirafok::tools

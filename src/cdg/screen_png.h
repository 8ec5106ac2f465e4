#pragma once
// A screen as a PNG file: 300 x 216 RGB pixels, border included.
#include <string>

#include "cdg/screen.h"

namespace lirafok::cdg {

// The bytes of a PNG image of the whole screen (8-bit RGB).
std::string screenToPng(const Screen& screen);

}  // namespace lirafok::cdg

#pragma once
// A stored disc title as one line of text, for places outside the two title panels (the
// desktop's player widgets, the album tag of an LRC file).
#include <string>

namespace lirafok {

// The two title halves without their padding, joined by a blank; a first half that fills all
// its bytes ran on into the second and is joined without one.
std::string titleText(const std::string& storedTitle);

}  // namespace lirafok

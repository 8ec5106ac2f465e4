#pragma once
// The time text of the timing setter's boxes: minutes, seconds and milliseconds separated by
// the full-width colon, "01：02：500" for 62500 ms.
#include <cstdint>
#include <string>

namespace lirafok {

// MM：SS：mmm of a time in ms: minutes and seconds two digits each (more minutes above 99),
// milliseconds three digits.
std::string TIME_SETWK(std::int32_t ms);

// The reverse of TIME_SETWK, by character positions: characters 1-2 are minutes, 4-5
// seconds, 7-10 milliseconds, each read with the lenient number parse (a box the user typed
// into gives whatever numbers stand at those places).
std::int32_t setterTimeValue(const std::string& timeText);

}  // namespace lirafok

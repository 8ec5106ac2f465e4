#pragma once
// The sleep timer of the main window: play or stop the disc at a clock time. The settings
// window arms it; Timer3 of the main window counts the wait down in pieces of at most
// 60000 ms (a timer interval never holds more).
#include <cstdint>
#include <ctime>

namespace lirafok {

class App;

// Timer states (TimerArmedState).
inline constexpr int kTimerNone = 0;
inline constexpr int kTimerPlay = 1;  // "ON": start playing at the time
inline constexpr int kTimerStop = 2;  // "OFF": stop at the time

// Milliseconds from local midnight to `now` (whole seconds).
std::int64_t msSinceMidnight(std::time_t now);
// Milliseconds from `now` to the next hour:minute (local time): later today, or tomorrow when
// that time of today has passed. 0 when `now` is exactly that time.
std::int64_t sleepTimerDelay(int hour, int minute, std::time_t now);

// Arms the timer for `state` at hour:minute from the scheduler's wall clock: the first piece
// of the wait goes into Timer3, the rest into TimerRemainingMs, POWER turns blue.
// kTimerNone disarms it (POWER red). Any countdown running before is dropped first.
void ArmSleepTimer(App& app, int state, int hour, int minute);

}  // namespace lirafok

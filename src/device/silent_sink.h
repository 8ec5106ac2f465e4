#pragma once
// An audio sink without sound: it consumes frames at 44 100 per second of monotonic time, so
// that a machine without audio output still plays every span on time and reports the same
// positions as one with sound. Not thread-safe by itself: its callers serialise the calls.
#include <chrono>
#include <cstdint>

#include "device/audio_sink.h"

namespace lirafok::device {

class SilentSink final : public AudioSink {
public:
    // `bufferFrames`: how much the pretend device holds ahead of the listener (its latency
    // when full). The default is 100 ms. `now`: the clock it plays by (empty: the real one).
    explicit SilentSink(std::int64_t bufferFrames = kSinkSampleRate / 10, MonotonicClock now = {});

    bool open() override;
    void close() override;
    std::int64_t writableFrames() override;
    std::int64_t write(const std::int16_t* frames, std::int64_t count) override;
    std::int64_t bufferedFrames() override;
    void pause() override;
    void resume() override;
    void flush() override;

private:
    using Clock = std::chrono::steady_clock;
    // Moves the play head: frames whose time has come count as heard.
    void advance();

    MonotonicClock m_now;
    std::int64_t m_capacity;
    bool m_open = false;
    bool m_paused = false;
    std::int64_t m_buffered = 0;
    // Time of the last update, and the part of a frame's time (ns) not yet credited, so that
    // rounding to whole frames never makes the clock drift.
    Clock::time_point m_last{};
    std::int64_t m_remainderNs = 0;
};

}  // namespace lirafok::device

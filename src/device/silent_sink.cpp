#include "device/silent_sink.h"

#include <algorithm>

namespace lirafok::device {

namespace {
constexpr std::int64_t kNsPerSecond = 1'000'000'000;
}

SilentSink::SilentSink(std::int64_t bufferFrames, MonotonicClock now)
    : m_now(now ? std::move(now) : MonotonicClock(&Clock::now)),
      m_capacity(std::max<std::int64_t>(bufferFrames, 1)) {}

bool SilentSink::open() {
    if (!m_open) {
        m_open = true;
        m_buffered = 0;
        m_remainderNs = 0;
        m_last = m_now();
    }
    return true;
}

void SilentSink::close() {
    m_open = false;
    m_buffered = 0;
}

void SilentSink::advance() {
    const auto now = m_now();
    if (!m_open || m_paused || m_buffered == 0) {
        // Nothing plays: time passing now must not be credited to frames written later.
        m_last = now;
        m_remainderNs = 0;
        return;
    }
    const std::int64_t elapsedNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(now - m_last).count() + m_remainderNs;
    m_last = now;
    const std::int64_t played = elapsedNs * kSinkSampleRate / kNsPerSecond;
    if (played >= m_buffered) {
        m_buffered = 0;
        m_remainderNs = 0;
    } else {
        m_buffered -= played;
        m_remainderNs = elapsedNs - played * kNsPerSecond / kSinkSampleRate;
    }
}

std::int64_t SilentSink::writableFrames() {
    if (!m_open || m_paused) return 0;
    advance();
    return m_capacity - m_buffered;
}

std::int64_t SilentSink::write(const std::int16_t* /*frames*/, std::int64_t count) {
    if (!m_open || m_paused || count <= 0) return 0;
    advance();
    const std::int64_t taken = std::min(count, m_capacity - m_buffered);
    if (m_buffered == 0) m_last = m_now();
    m_buffered += taken;
    return taken;
}

std::int64_t SilentSink::bufferedFrames() {
    advance();
    return m_buffered;
}

void SilentSink::pause() {
    if (m_paused) return;
    advance();
    m_paused = true;
}

void SilentSink::resume() {
    if (!m_paused) return;
    m_paused = false;
    m_last = m_now();
}

void SilentSink::flush() {
    m_buffered = 0;
    m_remainderNs = 0;
    m_last = m_now();
}

}  // namespace lirafok::device

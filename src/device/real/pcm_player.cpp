#include "device/real/pcm_player.h"

#include <algorithm>
#include <chrono>

#include "device/silent_sink.h"

namespace lirafok::device::real {

namespace {
// Frames read per source call: four sectors (53 ms). Small enough that a new span's first
// audio is ready at once, large enough to keep the per-call cost low.
constexpr std::int64_t kReadFrames = 4 * 588;
// The reader stays at most this far ahead of the writer (2 s).
constexpr std::int64_t kQueueFrames = 2 * 44100;
// When the sink is full the writer sleeps this long: half of the shortest sink buffer
// (100 ms), a quarter of the sound server's (200 ms), so the sink never runs dry while the
// writer wakes only twenty times a second. Commands wake it at once.
constexpr auto kWriterSleep = std::chrono::milliseconds(50);
// After the last frame, silence is written so that a sink that waits for a full buffer before
// starting (a sound server's prebuffering) still plays a short span to its end.
constexpr std::int64_t kMaxPadding = 44100;
// A sink that never reports the end as heard is given up on after this long.
constexpr auto kDrainGiveUp = std::chrono::seconds(3);
}  // namespace

PcmPlayer::PcmPlayer(std::unique_ptr<AudioSink> sink, EndNotice notice)
    : m_sink(std::move(sink)), m_notice(std::move(notice)) {
    if (!m_sink || !m_sink->open()) {
        m_sink = std::make_unique<SilentSink>();
        m_sink->open();
        m_hasSound = false;
    }
    m_sinkLevels = m_sink->setLevels(0xFFFF, 0xFFFF, false);
    m_reader = std::thread([this] { readerLoop(); });
    m_writer = std::thread([this] { writerLoop(); });
}

PcmPlayer::~PcmPlayer() {
    {
        std::lock_guard lk(m_mutex);
        m_quit = true;
    }
    m_readerCv.notify_all();
    m_writerCv.notify_all();
    m_reader.join();
    m_writer.join();
    m_sink->close();
}

void PcmPlayer::clearLocked() {
    m_queue.clear();
    m_queuedFrames = 0;
    m_written = 0;
    m_padding = 0;
    m_readFailed = false;
    m_sink->flush();
}

std::uint64_t PcmPlayer::play(std::shared_ptr<PcmSource> source, std::int64_t first,
                              std::int64_t end) {
    std::uint64_t span;
    {
        std::lock_guard lk(m_mutex);
        span = ++m_span;
        clearLocked();
        if (m_paused) m_sink->resume();
        m_paused = false;
        m_active = true;
        m_source = std::move(source);
        m_first = first;
        m_end = std::max(first, end);
        m_readNext = first;
    }
    m_readerCv.notify_all();
    m_writerCv.notify_all();
    return span;
}

std::int64_t PcmPlayer::audibleLocked() {
    const std::int64_t heard = m_written + m_padding - m_sink->bufferedFrames();
    return m_first + std::clamp<std::int64_t>(heard, 0, m_written);
}

std::int64_t PcmPlayer::stop() {
    std::lock_guard lk(m_mutex);
    if (m_active) {
        m_idlePosition = audibleLocked();
        m_active = false;
        ++m_span;  // a reader still inside a read drops its chunk
        clearLocked();
        if (m_paused) m_sink->resume();
        m_paused = false;
        m_source.reset();
    }
    return m_idlePosition;
}

void PcmPlayer::setPosition(std::int64_t frame) {
    std::lock_guard lk(m_mutex);
    if (!m_active) m_idlePosition = frame;
}

void PcmPlayer::pause() {
    std::lock_guard lk(m_mutex);
    if (m_active && !m_paused) {
        m_paused = true;
        m_sink->pause();
    }
}

void PcmPlayer::resume() {
    {
        std::lock_guard lk(m_mutex);
        if (!m_active || !m_paused) return;
        m_paused = false;
        m_sink->resume();
    }
    m_writerCv.notify_all();
}

std::int64_t PcmPlayer::position() {
    std::lock_guard lk(m_mutex);
    return m_active ? audibleLocked() : m_idlePosition;
}

bool PcmPlayer::active() {
    std::lock_guard lk(m_mutex);
    return m_active;
}

bool PcmPlayer::paused() {
    std::lock_guard lk(m_mutex);
    return m_active && m_paused;
}

std::int64_t PcmPlayer::writtenFrames() {
    std::lock_guard lk(m_mutex);
    return m_written;
}

std::uint64_t PcmPlayer::currentSpan() {
    std::lock_guard lk(m_mutex);
    return m_span;
}

void PcmPlayer::setLevels(std::uint16_t left, std::uint16_t right) {
    std::lock_guard lk(m_mutex);
    m_levels = (std::uint32_t{left} << 16) | right;
    if (m_sinkLevels) m_sink->setLevels(left, right, m_muted);
}

void PcmPlayer::setMuted(bool muted) {
    std::lock_guard lk(m_mutex);
    m_muted = muted;
    if (m_sinkLevels)
        m_sink->setLevels(static_cast<std::uint16_t>(m_levels >> 16),
                          static_cast<std::uint16_t>(m_levels & 0xFFFF), muted);
}

void PcmPlayer::readerLoop() {
    std::unique_lock lk(m_mutex);
    while (!m_quit) {
        if (!m_active || m_readFailed || m_readNext >= m_end || m_queuedFrames >= kQueueFrames) {
            m_readerCv.wait(lk);
            continue;
        }
        const std::uint64_t span = m_span;
        const std::shared_ptr<PcmSource> source = m_source;
        const std::int64_t first = m_readNext;
        const std::int64_t n = std::min(kReadFrames, m_end - first);
        lk.unlock();
        Chunk chunk;
        chunk.samples.resize(static_cast<std::size_t>(n) * 2);
        chunk.frames = n;
        const bool ok = source->read(first, chunk.samples.data(), n);
        lk.lock();
        if (span != m_span || !m_active) continue;  // superseded while reading
        if (!ok) {
            m_readFailed = true;
        } else {
            m_queue.push_back(std::move(chunk));
            m_queuedFrames += n;
            m_readNext += n;
        }
        m_writerCv.notify_all();
    }
}

const std::int16_t* PcmPlayer::applyLevels(const std::int16_t* in, std::int64_t frames) {
    // The high half of the level word drives the left channel, the low half the right one.
    const std::int32_t left = m_muted ? 0 : static_cast<std::int32_t>(m_levels >> 16);
    const std::int32_t right = m_muted ? 0 : static_cast<std::int32_t>(m_levels & 0xFFFF);
    if (m_sinkLevels || (left == 0xFFFF && right == 0xFFFF)) return in;
    m_scratch.resize(static_cast<std::size_t>(frames) * 2);
    for (std::int64_t i = 0; i < frames; ++i) {
        m_scratch[i * 2] = static_cast<std::int16_t>(in[i * 2] * left / 0xFFFF);
        m_scratch[i * 2 + 1] = static_cast<std::int16_t>(in[i * 2 + 1] * right / 0xFFFF);
    }
    return m_scratch.data();
}

void PcmPlayer::writerLoop() {
    using Clock = std::chrono::steady_clock;
    std::unique_lock lk(m_mutex);
    std::uint64_t drainSpan = 0;
    Clock::time_point drainStart{};
    while (!m_quit) {
        if (!m_active || m_paused) {
            m_writerCv.wait(lk);
            continue;
        }
        std::chrono::milliseconds pause = kWriterSleep;
        if (!m_queue.empty()) {
            // Offer the rest of the chunk; the sink takes what fits (one call instead of asking
            // for room first: a sink on another thread makes every call a round trip).
            Chunk& c = m_queue.front();
            const std::int64_t n = c.frames - c.taken;
            const std::int64_t w = m_sink->write(applyLevels(c.samples.data() + c.taken * 2, n), n);
            c.taken += w;
            m_written += w;
            m_queuedFrames -= w;
            if (c.taken >= c.frames) {
                m_queue.pop_front();
                m_readerCv.notify_all();
            }
            if (w == n) continue;  // the sink may take more
        } else if (m_readFailed) {
            m_idlePosition = audibleLocked();
            m_active = false;
            const std::uint64_t span = m_span;
            clearLocked();
            m_source.reset();
            lk.unlock();
            if (m_notice) m_notice(span, SpanEnd::Failed);
            lk.lock();
            continue;
        } else if (m_readNext >= m_end) {
            // Everything is written: let the sink play it out, padded with silence.
            if (drainSpan != m_span) {
                drainSpan = m_span;
                drainStart = Clock::now();
            }
            if (m_padding < kMaxPadding) {
                const std::int64_t n = std::min<std::int64_t>(4410, kMaxPadding - m_padding);
                m_scratch.assign(static_cast<std::size_t>(n) * 2, 0);
                m_padding += m_sink->write(m_scratch.data(), n);
            }
            const std::int64_t heard = m_written + m_padding - m_sink->bufferedFrames();
            if (heard >= m_written || Clock::now() - drainStart > kDrainGiveUp) {
                m_idlePosition = m_end;
                m_active = false;
                const std::uint64_t span = m_span;
                clearLocked();
                m_source.reset();
                lk.unlock();
                if (m_notice) m_notice(span, SpanEnd::Reached);
                lk.lock();
                continue;
            }
            pause = std::chrono::milliseconds(2);
        }
        m_writerCv.wait_for(lk, pause);
    }
}

}  // namespace lirafok::device::real

#pragma once
// The PCM pipeline: a reader thread pulls the span from a PcmSource into a queue (about two
// seconds ahead, so a CD that spins up or a slow disk does not break the sound), and a writer
// thread applies the channel levels and mute and feeds the AudioSink as it makes room.
//
// A span crosses track and file boundaries without a gap: the source is read as one stream of
// disc frames. play(), stop() and pause() drop or hold what the sink buffers, so they are
// heard within a few tens of milliseconds (the sink's buffer is not waited for).
//
// Positions are disc frames (1/44100 s). The position is what the listener hears: frames
// written to the sink minus the frames the sink reports it still buffers.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/audio_sink.h"
#include "device/cd_audio_device.h"
#include "device/real/pcm_source.h"

namespace lirafok::device::real {

class PcmPlayer {
public:
    // Called on the writer thread when a span ends by itself: Reached once its last frame has
    // been heard (the sink has played it, not merely accepted it), Failed when the source
    // failed. Not called for spans that stop() or play() cut short.
    using EndNotice = std::function<void(std::uint64_t span, SpanEnd why)>;

    // Opens `sink`; when it is missing or cannot open, a SilentSink takes its place so that
    // playback still runs on time.
    PcmPlayer(std::unique_ptr<AudioSink> sink, EndNotice notice);
    ~PcmPlayer();
    PcmPlayer(const PcmPlayer&) = delete;
    PcmPlayer& operator=(const PcmPlayer&) = delete;

    // Plays frames [first, end) of `source`, replacing any span (its buffered audio is
    // dropped). Returns the new span's number (never 0).
    std::uint64_t play(std::shared_ptr<PcmSource> source, std::int64_t first, std::int64_t end);
    // Stops at once and returns the frame heard last; the position stays there.
    std::int64_t stop();
    // Places the position while nothing plays (after stop()).
    void setPosition(std::int64_t frame);
    // Holds the span and its buffered audio; resume() continues it. No-ops when idle.
    void pause();
    void resume();

    // The frame the listener hears now; while idle, where the last span stopped or ended.
    std::int64_t position();
    // A span is active (playing or paused) and has not ended yet.
    bool active();
    bool paused();
    // Frames of the current span accepted by the sink so far (for measurements).
    std::int64_t writtenFrames();

    // Channel levels, 0 = silent .. 65535 = unchanged. A sink that applies them itself (a sound
    // server's stream volume) gets them at once, queued audio included; otherwise they scale the
    // samples before the sink.
    void setLevels(std::uint16_t left, std::uint16_t right);
    void setMuted(bool muted);
    // False when the player fell back to the silent sink.
    bool hasSound() const { return m_hasSound; }
    // The span number of the last play() (0 before the first).
    std::uint64_t currentSpan();

private:
    struct Chunk {
        std::vector<std::int16_t> samples;
        std::int64_t frames = 0;
        std::int64_t taken = 0;  // frames already given to the sink
    };

    void readerLoop();
    void writerLoop();
    // Under the lock: the audible frame of the active span.
    std::int64_t audibleLocked();
    void clearLocked();
    // The frames as the sink should get them: `in` itself when the sink applies the levels
    // (or they are full), else a scaled copy in m_scratch. Under the lock.
    const std::int16_t* applyLevels(const std::int16_t* in, std::int64_t frames);

    std::mutex m_mutex;
    std::condition_variable m_readerCv;
    std::condition_variable m_writerCv;
    std::unique_ptr<AudioSink> m_sink;
    EndNotice m_notice;
    bool m_hasSound = true;
    bool m_quit = false;

    std::uint64_t m_span = 0;
    bool m_active = false;
    bool m_paused = false;
    std::shared_ptr<PcmSource> m_source;
    std::int64_t m_first = 0;
    std::int64_t m_end = 0;
    std::int64_t m_readNext = 0;
    bool m_readFailed = false;
    std::deque<Chunk> m_queue;
    std::int64_t m_queuedFrames = 0;
    std::int64_t m_written = 0;  // frames of the span accepted by the sink
    std::int64_t m_padding = 0;  // silence written after the span's last frame
    std::int64_t m_idlePosition = 0;

    std::uint32_t m_levels = 0xFFFFFFFFu;
    bool m_muted = false;
    bool m_sinkLevels = false;  // the sink applies levels and mute itself (at once)
    std::vector<std::int16_t> m_scratch;

    std::thread m_reader;
    std::thread m_writer;
};

}  // namespace lirafok::device::real

#pragma once
// An AudioSink on one long-lived PulseAudio playback stream. The stream is made once, by
// open(), and lives until close(): a start, a seek, a pause or a track change never makes a
// new one. flush() drops what the server has queued (the next write replaces it), pause()
// holds the stream (what the device has mixed ahead still plays out), and the
// latency that bufferedFrames() reports is the server's own: the data still queued for the
// stream plus what its output device holds, so the position derived from it is the sample the
// listener hears. A pause drops the server's queue too and keeps a copy of what it dropped, so
// that resume() sends it again from the very frame the server had not mixed yet. Channel levels
// and mute are the stream's volume in the server, applied to queued audio at once.
//
// When the server goes away while playing, the sink plays on as a SilentSink, so playback stays
// on time (and silent) instead of stopping.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/audio_sink.h"
#include "device/real/pulse_connection.h"
#include "device/silent_sink.h"

struct pa_stream;

namespace lirafok::device::real {

class PulseSink final : public AudioSink {
public:
    // `name`: the stream's name in the server's mixer. `bufferMs`: how much audio the sink
    // keeps queued ahead of the listener (server queue and device together); a tenth of it at
    // most sits in the device, the rest in the server's queue where a flush drops it.
    PulseSink(std::shared_ptr<PulseConnection> connection, std::string name, int bufferMs = 500);
    ~PulseSink() override;
    PulseSink(const PulseSink&) = delete;
    PulseSink& operator=(const PulseSink&) = delete;

    // Makes the stream and waits (a round trip to the server) until it is ready. False when
    // the connection is gone or the server refuses the stream.
    bool open() override;
    void close() override;
    std::int64_t writableFrames() override;
    std::int64_t write(const std::int16_t* frames, std::int64_t count) override;
    std::int64_t bufferedFrames() override;
    void pause() override;
    void resume() override;
    void flush() override;
    bool setLevels(std::uint16_t left, std::uint16_t right, bool muted) override;

    // The server stream works (false before open(), after close() and once it failed).
    bool streaming();
    // Frames the sink keeps queued when full.
    std::int64_t capacityFrames() const { return m_capacity; }

private:
    // Everything below runs under the main-loop lock.
    // True once the stream failed; switches to the silent clock.
    bool failedLocked();
    void resetLocked();
    // A segment: what is sent from caller frame `callerFrame` on, placed at server frame
    // `serverFrame` (frames the server has been given since the last flush), after a lead-in.
    void startSegmentLocked(std::int64_t callerFrame, std::int64_t serverFrame);
    std::int64_t serverSentLocked() const;
    std::int64_t bufferedLocked();
    // Frames the server may be given now.
    std::int64_t roomLocked();
    bool sendLocked(const std::int16_t* frames, std::int64_t count);
    void sendRetainedLocked();
    // Waits (releasing the lock) until `done`, at most half a second; false on time-out.
    bool waitLocked(const std::function<bool()>& done);
    void applyLevelsLocked();
    static void onStreamState(pa_stream* s, void* self);
    static void onPauseTiming(pa_stream* s, int success, void* self);

    std::shared_ptr<PulseConnection> m_connection;
    std::string m_name;
    std::int64_t m_capacity;
    pa_stream* m_stream = nullptr;
    std::atomic<bool> m_broken{false};  // set on the server's thread
    bool m_fallback = false;            // playing on m_silent since the stream failed
    SilentSink m_silent;
    bool m_paused = false;
    // Frames since the last flush: accepted from the caller, given to the server (fewer only
    // while frames dropped by a pause are being sent again), and heard (the most ever seen).
    std::int64_t m_written = 0;
    std::int64_t m_sent = 0;
    std::int64_t m_heard = 0;
    // The last frames written, by their number modulo its size: a pause sends again those the
    // server dropped.
    std::vector<std::int16_t> m_retained;
    // The segment being sent: where it starts, and its lead-in of silence.
    std::int64_t m_segCaller = 0, m_segServer = 0, m_leadIn = 0;
    bool m_leadInDue = true;
    // A pause: the server's write index and m_sent when it flushed, and the first frame it
    // dropped (known once the server has reported).
    std::int64_t m_pauseWriteIndex = 0;
    std::int64_t m_pauseSent = 0;
    std::int64_t m_pauseServerSent = 0;
    std::int64_t m_pauseServerAt = 0;  // the server frame the pause dropped from
    std::int64_t m_resumeFrom = 0;
    bool m_resumeKnown = true;
    std::uint64_t m_pauseIssued = 0, m_pauseToken = 0;
    std::uint16_t m_left = 0xFFFF, m_right = 0xFFFF;
    bool m_muted = false;
};

}  // namespace lirafok::device::real

#pragma once
// An AudioSink on one long-lived PulseAudio playback stream. The stream is made once, by
// open(), and lives until close(): a start, a seek, a pause or a track change never makes a
// new one. flush() drops what the server has queued (the next write replaces it), pause()
// corks the stream (the server keeps what it has mixed ahead and plays it on resume), and the
// latency that bufferedFrames() reports is the server's own: the data still queued for the
// stream plus what its output device holds, so the position derived from it is the sample the
// listener hears. Channel levels and mute are the stream's volume in the server, applied to
// queued audio at once.
//
// When the server goes away while playing, the sink plays on as a SilentSink, so playback stays
// on time (and silent) instead of stopping.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

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
    // Under the main-loop lock: true once the stream failed; switches to the silent clock.
    bool failedLocked();
    std::int64_t bufferedLocked();
    void applyLevelsLocked();
    static void onStreamState(pa_stream* s, void* self);

    std::shared_ptr<PulseConnection> m_connection;
    std::string m_name;
    std::int64_t m_capacity;
    pa_stream* m_stream = nullptr;
    std::atomic<bool> m_broken{false};  // set on the server's thread
    bool m_fallback = false;            // playing on m_silent since the stream failed
    SilentSink m_silent;
    bool m_paused = false;
    std::int64_t m_written = 0;         // frames written since the last flush
    std::int64_t m_heard = 0;           // highest count heard since the last flush
    std::int64_t m_pausedBuffered = 0;  // latency frozen at pause()
    std::uint16_t m_left = 0xFFFF, m_right = 0xFFFF;
    bool m_muted = false;
};

}  // namespace lirafok::device::real

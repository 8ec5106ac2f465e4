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
// No call waits for the server. open() asks for the stream and returns; until the server has
// made it, write() takes nothing. A pause asks the server where it stopped and a resume waits
// (taking no data) for that answer, which libpulse's thread applies when it comes. All state is
// under the main loop's lock, which libpulse also holds while it runs the sink's callbacks.
//
// When the server does not make the first stream in time, the sink plays on as a SilentSink, so
// playback stays on time (and silent) instead of stopping. When a working stream ends under it
// (the server died, or its sink went away with no other to move to) the sink is lost(): it
// takes nothing, the frames not yet heard stay buffered (so the position stays where the sound
// stopped), and it asks for a new stream, on a new connection when the old one is gone, a few
// times a second. Once the server makes one, the kept frames are sent again from the first one
// not heard, and playback goes on from there.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/audio_sink.h"
#include "device/real/cycle_clock.h"
#include "device/real/pulse_connection.h"
#include "device/silent_sink.h"

struct pa_stream;
struct pa_timing_info;

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

    // Asks the server for the stream and returns at once. False when the connection is gone
    // or the stream cannot be asked for; a server that refuses it later, or has not made it
    // within a few seconds, leaves the sink playing silence.
    bool open() override;
    void close() override;
    std::int64_t writableFrames() override;
    std::int64_t write(const std::int16_t* frames, std::int64_t count) override;
    std::int64_t bufferedFrames() override;
    void pause() override;
    void resume() override;
    void flush() override;
    bool setLevels(std::uint16_t left, std::uint16_t right, bool muted) override;

    // The server stream works or is being made (false before open(), after close() and once
    // it failed).
    bool streaming();
    // The server has made the stream.
    bool ready();
    // The working stream ended and no new one is made yet (see above).
    bool lost() override;
    // Frames the sink keeps queued when full.
    std::int64_t capacityFrames() const { return m_capacity; }

private:
    using Clock = std::chrono::steady_clock;

    // Everything below runs under the main-loop lock.
    // True once the first stream was not made in time; switches to the silent clock.
    bool failedLocked();
    // Makes the server stream (open() and every recovery); false when it cannot be asked for.
    bool makeStreamLocked();
    // Lets the stream go, whatever its state.
    void releaseStreamLocked();
    // A stream that worked has ended under the sink: keeps what was not heard, for later.
    void checkLostLocked();
    // While lost: asks for a new stream (on a new connection when the old one is gone), at most
    // every few hundred milliseconds. Takes the lock itself.
    void recover();
    // The new stream is ready: what was not heard before the loss goes out again first.
    void finishRecoveryLocked();
    // The stream is ready for data (not failed, not being made).
    bool readyLocked();
    // The server has told its write index since the last flush.
    bool indexKnownLocked() const;
    // The pause's flush, once the server's write index is known.
    void flushForPauseLocked();
    // A pause whose flushed frames are not known: all not yet heard is sent again on resume.
    void holdFromHeardLocked();
    void resumeLocked();
    // Completes a resume whose answer from the server is overdue.
    void settleLocked();
    void resetLocked();
    // A segment: what is sent from caller frame `callerFrame` on, placed at server frame
    // `serverFrame` (frames the server has been given since the last flush), after a lead-in.
    // `leadIn`: the segment continues a sound and starts with kLeadInFrames of silence.
    void startSegmentLocked(std::int64_t callerFrame, std::int64_t serverFrame, bool leadIn);
    std::int64_t serverSentLocked() const;
    std::int64_t bufferedLocked();
    // Moves m_heard on by the server's latency report (paused or not).
    void updateHeardLocked();
    // The heard frame by the cycle clock, which the position follows on a server whose read
    // index steps by whole graph cycles; nothing elsewhere, or before the clock has its
    // reports (the position then follows m_heard).
    std::optional<std::int64_t> clockHeardLocked();
    // The server frame a timing report says the stream had taken, carried on to now at the
    // stream's rate while it said it was playing.
    std::int64_t takenByNowLocked(const pa_timing_info& t) const;
    // Frames the server may be given now.
    std::int64_t roomLocked();
    bool sendLocked(const std::int16_t* frames, std::int64_t count);
    void sendRetainedLocked();
    void applyLevelsLocked();
    // libpulse's thread, under the main-loop lock.
    static void onStreamState(pa_stream* s, void* self);
    static void onPauseIndex(pa_stream* s, int success, void* self);
    // Each timing report: the read index's steps (m_cycleSteps) and the cycle clock.
    static void onTimingReport(pa_stream* s, void* self);
    static void onPauseTiming(pa_stream* s, int success, void* self);
    // A stream closed while the server was still making it: disconnected once made.
    static void onOrphanState(pa_stream* s, void*);

    std::shared_ptr<PulseConnection> m_connection;
    std::string m_name;
    std::int64_t m_capacity;
    pa_stream* m_stream = nullptr;
    Clock::time_point m_openedAt{};
    bool m_broken = false;    // set on the server's thread
    bool m_fallback = false;  // playing on m_silent since the stream failed
    // Lost: the working stream ended; recovering: a new one is being made. Both keep m_written
    // and m_heard (and the frames in between, in m_retained) for the new stream.
    bool m_everReady = false;
    bool m_lost = false;
    bool m_recovering = false;
    Clock::time_point m_retryAt{};
    SilentSink m_silent;
    // The caller's view: pause() was called and resume() not yet. While a resume waits for the
    // server's answer on the pause (m_resumeDue) the stream still takes no data; while a pause
    // waits for the write index before it flushes (m_pauseFlushDue) the server plays on.
    bool m_paused = false;
    bool m_resumeDue = false;
    Clock::time_point m_resumeAsked{};
    bool m_pauseFlushDue = false;
    // Frames since the last flush: accepted from the caller, given to the server (fewer only
    // while frames dropped by a pause are being sent again), and heard (the most ever seen).
    std::int64_t m_written = 0;
    std::int64_t m_sent = 0;
    std::int64_t m_heard = 0;
    // The last frames written, by their number modulo its size: a pause sends again those the
    // server dropped.
    std::vector<std::int16_t> m_retained;
    // The segment being sent: where it starts, and its lead-in of silence (none after a flush).
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
    // The heard frame on a server whose reports step by whole graph cycles (clockHeardLocked).
    CycleClock m_cycleClock{kSinkSampleRate};
    // The stream's read index at the last report, and the cycle its steps fit.
    std::int64_t m_lastReadIndex = -1;
    CycleSteps m_cycleSteps;
    std::uint16_t m_left = 0xFFFF, m_right = 0xFFFF;
    bool m_muted = false;
};

}  // namespace lirafok::device::real

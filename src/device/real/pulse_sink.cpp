#include "device/real/pulse_sink.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>
#include <pulse/volume.h>

#include <algorithm>
#include <chrono>

namespace lirafok::device::real {

namespace {
constexpr std::int64_t kBytesPerFrame = 4;
// The device's share of the latency asked of a server that runs in graph cycles (frames).
constexpr std::int64_t kCycleFrames = 1024;
// Silence sent before the first frame that continues a sound (after a pause, or on a server
// that came back): a stream that has run dry loses a millisecond or two of whatever it is sent
// first, as the server rewinds its output to end the underrun, and a continuation must lose
// nothing (10 ms). New audio after a flush (a start or a seek) goes out at once instead: it is
// heard that much sooner, at the cost of those first milliseconds, as in other players.
constexpr std::int64_t kLeadInFrames = kSinkSampleRate / 100;
// A server that has not made the stream by then is taken as gone: the sink plays silence.
// Long enough for a busy or briefly stalled server, short enough that a dead one does not
// hold the music at its first frame for long.
constexpr auto kOpenTimeout = std::chrono::seconds(5);
// A resume waits this long for the server to say where the pause stopped; then everything
// not yet heard is sent again.
constexpr auto kResumeTimeout = std::chrono::milliseconds(500);
// A lost stream asks for a new one this often; a new connection may take this long to answer
// (a server that is back answers within milliseconds, one that is gone refuses at once).
constexpr auto kRetryEvery = std::chrono::milliseconds(200);
constexpr int kReconnectTimeoutMs = 150;

std::uint32_t msToBytes(std::int64_t ms) {
    return static_cast<std::uint32_t>(ms * kSinkSampleRate / 1000 * kBytesPerFrame);
}

pa_cvolume volumeOf(std::uint16_t left, std::uint16_t right) {
    pa_cvolume v;
    pa_cvolume_init(&v);
    v.channels = 2;
    v.values[0] = pa_sw_volume_from_linear(left / 65535.0);
    v.values[1] = pa_sw_volume_from_linear(right / 65535.0);
    return v;
}

// Frames the server's report says were queued for the stream, not yet taken.
std::int64_t queuedFrames(const pa_timing_info& t) {
    return std::max<std::int64_t>(0, t.write_index - t.read_index) / kBytesPerFrame;
}

void drop(pa_operation* op) {
    if (op) pa_operation_unref(op);
}
}  // namespace

PulseSink::PulseSink(std::shared_ptr<PulseConnection> connection, std::string name, int bufferMs)
    : m_connection(std::move(connection)),
      m_name(std::move(name)),
      m_capacity(static_cast<std::int64_t>(std::max(bufferMs, 40)) * kSinkSampleRate / 1000),
      m_silent(kSinkSampleRate / 10) {}

PulseSink::~PulseSink() {
    close();
}

void PulseSink::onStreamState(pa_stream* s, void* self) {
    auto* sink = static_cast<PulseSink*>(self);
    const pa_stream_state_t st = pa_stream_get_state(s);
    if (st == PA_STREAM_FAILED || st == PA_STREAM_TERMINATED) sink->m_broken = true;
    if (st == PA_STREAM_READY) sink->m_everReady = true;
    // Levels set while the stream was being made reach it now.
    if (st == PA_STREAM_READY && !sink->m_fallback) sink->applyLevelsLocked();
}

bool PulseSink::open() {
    if (!m_connection) return false;
    PulseConnection::Lock lock(*m_connection);
    if (m_stream || m_fallback || m_lost) return true;
    if (!makeStreamLocked()) return false;
    resetLocked();
    m_paused = m_resumeDue = m_pauseFlushDue = false;
    m_everReady = m_recovering = false;
    m_retained.assign(static_cast<std::size_t>(m_capacity * 2 + kSinkSampleRate) * 2, 0);
    return true;
}

bool PulseSink::makeStreamLocked() {
    if (pa_context_get_state(m_connection->context()) != PA_CONTEXT_READY) return false;
    m_lastReadIndex = -1;
    m_cycleSteps.reset();
    const pa_sample_spec format{PA_SAMPLE_S16NE, kSinkSampleRate, kSinkChannels};
    pa_channel_map map;
    pa_channel_map_init_stereo(&map);
    m_stream = pa_stream_new(m_connection->context(), m_name.c_str(), &format, &map);
    if (!m_stream) return false;
    m_broken = false;
    pa_stream_set_state_callback(m_stream, onStreamState, this);
    pa_stream_set_latency_update_callback(m_stream, onTimingReport, this);
    // The device's share of the latency is what the server asks of the device for this stream
    // (target length minus twice the minimum request): a tenth of the buffer, so that a flush
    // is heard within that time, while the queue keeps the rest ahead of a busy machine.
    // A server that runs in graph cycles makes that share the cycle of every stream on the
    // device whenever it is the lowest asked for: there it is a desktop's usual cycle (1024
    // frames, 23 ms), since 50 ms would take the cycle to 2048 frames and double how long a
    // flush takes to be heard.
    // Playback starts as soon as 10 ms are queued (after a flush too), never later.
    const std::int64_t device = m_connection->runsInCycles()
                                    ? std::min<std::int64_t>(kCycleFrames, m_capacity / 4)
                                    : m_capacity / 10;
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(m_capacity * kBytesPerFrame);
    attr.minreq = static_cast<std::uint32_t>((m_capacity - device) / 2 * kBytesPerFrame);
    attr.prebuf = msToBytes(10);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_NOT_MONOTONIC |
        (m_muted ? PA_STREAM_START_MUTED : PA_STREAM_START_UNMUTED));
    const pa_cvolume volume = volumeOf(m_left, m_right);
    if (pa_stream_connect_playback(m_stream, nullptr, &attr, flags, &volume, nullptr) < 0) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
        return false;
    }
    // The server's answer comes on its thread; until then the stream takes no data.
    m_openedAt = Clock::now();
    return true;
}

void PulseSink::releaseStreamLocked() {
    if (m_stream && pa_stream_get_state(m_stream) == PA_STREAM_CREATING) {
        // libpulse cannot take back a stream the server has not made yet: it is let go as soon
        // as it is made, by a callback that needs nothing of this sink.
        pa_stream_set_state_callback(m_stream, onOrphanState, nullptr);
        pa_stream_set_latency_update_callback(m_stream, nullptr, nullptr);
    } else if (m_stream) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_latency_update_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
    }
    m_stream = nullptr;
    m_broken = false;
}

void PulseSink::checkLostLocked() {
    if (m_fallback || m_lost || !m_stream || (!m_everReady && !m_recovering)) return;
    const pa_stream_state_t st = pa_stream_get_state(m_stream);
    const bool ended = m_broken || !PA_STREAM_IS_GOOD(st) ||
                       pa_context_get_state(m_connection->context()) != PA_CONTEXT_READY;
    const bool late = st == PA_STREAM_CREATING && Clock::now() - m_openedAt >= kOpenTimeout;
    if (!ended && !late) return;
    // The sound stopped at the last frame known heard (or where a pause stopped it): the new
    // stream starts there. What the server held is gone with it.
    const std::int64_t from =
        (m_paused || m_resumeDue) && m_resumeKnown && !m_recovering ? m_resumeFrom : m_heard;
    // A stream that worked is asked for again at once; one that failed while being made again
    // (the server is not ready yet, or has no sink) after a pause.
    m_retryAt = m_recovering ? Clock::now() + kRetryEvery : Clock::now();
    releaseStreamLocked();
    m_lost = true;
    m_recovering = false;
    m_resumeDue = m_pauseFlushDue = false;
    ++m_pauseIssued;  // a report still on its way is void
    m_heard = m_resumeFrom = std::min(from, m_written);
    m_resumeKnown = true;
}

void PulseSink::recover() {
    const std::shared_ptr<PulseConnection> old = m_connection;
    bool connectionGone = false;
    {
        PulseConnection::Lock lock(*old);
        checkLostLocked();
        if (!m_lost || Clock::now() < m_retryAt) return;
        m_retryAt = Clock::now() + kRetryEvery;
        connectionGone = pa_context_get_state(old->context()) != PA_CONTEXT_READY;
    }
    if (connectionGone) {
        // The old stream is already let go: nothing of this sink is left on the old connection.
        auto fresh = old->again(kReconnectTimeoutMs);
        if (!fresh) return;
        m_connection = std::move(fresh);
    }
    PulseConnection::Lock lock(*m_connection);
    if (!makeStreamLocked()) return;
    m_lost = false;
    m_recovering = true;
}

void PulseSink::finishRecoveryLocked() {
    m_recovering = false;
    m_sent = m_heard;
    startSegmentLocked(m_heard, 0, true);
}

bool PulseSink::lost() {
    if (!m_connection) return false;
    PulseConnection::Lock lock(*m_connection);
    checkLostLocked();
    return m_lost || m_recovering;
}

void PulseSink::onOrphanState(pa_stream* s, void*) {
    switch (pa_stream_get_state(s)) {
        case PA_STREAM_READY:
            pa_stream_disconnect(s);
            break;
        case PA_STREAM_FAILED:
        case PA_STREAM_TERMINATED:
            pa_stream_unref(s);  // libpulse holds its own reference during this call
            break;
        default:
            break;
    }
}

void PulseSink::close() {
    if (!m_connection) return;
    PulseConnection::Lock lock(*m_connection);
    releaseStreamLocked();
    m_silent.close();
    m_fallback = m_lost = m_recovering = false;
    m_paused = m_resumeDue = m_pauseFlushDue = false;
    ++m_pauseIssued;  // a report still on its way is void
    resetLocked();
}

bool PulseSink::failedLocked() {
    if (m_fallback) return true;
    if (!m_stream) return false;
    const pa_stream_state_t st = pa_stream_get_state(m_stream);
    if (!m_broken && st == PA_STREAM_READY) return false;
    if (!m_broken && st == PA_STREAM_CREATING &&
        (m_recovering || Clock::now() - m_openedAt < kOpenTimeout))
        return false;
    // What the server held is lost with it; from here a clock stands in for the listener.
    m_fallback = true;
    m_resumeDue = m_pauseFlushDue = false;
    ++m_pauseIssued;
    m_silent.open();
    if (m_paused) m_silent.pause();
    resetLocked();
    return true;
}

bool PulseSink::readyLocked() {
    return m_stream && !failedLocked() && pa_stream_get_state(m_stream) == PA_STREAM_READY;
}

bool PulseSink::indexKnownLocked() const {
    const pa_timing_info* t = pa_stream_get_timing_info(m_stream);
    return t && !t->write_index_corrupt;
}

void PulseSink::settleLocked() {
    if (m_resumeDue && Clock::now() - m_resumeAsked >= kResumeTimeout) {
        m_resumeFrom = m_heard;
        m_resumeKnown = true;
        ++m_pauseIssued;  // a late answer is void
        resumeLocked();
    }
}

void PulseSink::resetLocked() {
    m_written = m_sent = m_heard = 0;
    startSegmentLocked(0, 0, false);
    m_resumeKnown = true;
    m_resumeFrom = 0;
}

void PulseSink::startSegmentLocked(std::int64_t callerFrame, std::int64_t serverFrame,
                                   bool leadIn) {
    m_segCaller = callerFrame;
    m_segServer = serverFrame;
    m_cycleClock.reset();
    // A flush moves the read index by what it dropped, not by whole cycles: the steps count
    // again from the next report.
    m_lastReadIndex = -1;
    m_leadIn = 0;
    m_leadInDue = leadIn;
}

std::int64_t PulseSink::serverSentLocked() const {
    return m_segServer + m_leadIn + (m_sent - m_segCaller);
}

bool PulseSink::streaming() {
    if (!m_connection) return false;
    PulseConnection::Lock lock(*m_connection);
    return m_stream && !failedLocked();
}

bool PulseSink::ready() {
    if (!m_connection) return false;
    PulseConnection::Lock lock(*m_connection);
    return readyLocked();
}

std::int64_t PulseSink::bufferedLocked() {
    if (m_paused || m_resumeDue) return m_written - (m_resumeKnown ? m_resumeFrom : m_heard);
    updateHeardLocked();
    return m_written - clockHeardLocked().value_or(m_heard);
}

void PulseSink::updateHeardLocked() {
    if (m_sent == m_segCaller) return;  // nothing sent since the segment started
    pa_usec_t latency = 0;
    int negative = 0;
    // Until the server has reported on the data sent since the last flush, none of it has been
    // heard.
    if (pa_stream_get_latency(m_stream, &latency, &negative) < 0) return;
    if (negative) latency = 0;
    std::int64_t ahead =
        static_cast<std::int64_t>((latency * kSinkSampleRate + 500'000) / 1'000'000);
    // The frames of this segment the server has heard at most: no more than it had taken when
    // it last reported, plus what it played since (nothing, if it said it was not playing).
    // libpulse's interpolation can run ahead of that: before the first report on a new stream
    // it says nothing is queued, and on a server whose read index steps by graph cycles it
    // overshoots between reports.
    std::int64_t most = m_sent - m_segCaller;
    if (const pa_timing_info* t = pa_stream_get_timing_info(m_stream);
        t && !t->read_index_corrupt && !t->write_index_corrupt) {
        const std::int64_t queued = queuedFrames(*t);
        most = std::min(most, takenByNowLocked(*t) - m_segServer - m_leadIn);
        // libpulse's interpolation stands still while the server's last report said the
        // stream was not playing. A stream whose whole queue was played between two reports
        // (a stalled server catching up renders it at once) would then seem never to play
        // again, and the sink would never send more. What the server reported still queued,
        // plus what was sent since, is the most that can be ahead of the listener then. (While
        // it plays, the read index may run ahead of the listener: a server that reads graph
        // cycles ahead after a flush has not played them yet.)
        if (!t->playing) {
            const auto device =
                static_cast<std::int64_t>(t->sink_usec * kSinkSampleRate / 1'000'000);
            ahead = std::min(ahead, queued + device);
        }
    }
    const std::int64_t inSegment = std::clamp<std::int64_t>(
        serverSentLocked() - ahead - m_segServer - m_leadIn, 0, std::max<std::int64_t>(0, most));
    // The server's interpolation may step back for a moment: what has been heard stays heard.
    m_heard = std::max(m_heard, m_segCaller + inSegment);
}

// libpulse's interpolation runs slow between the reports of a server whose read index
// steps by graph cycles, and jumps at each: the position follows the cycle clock, which
// runs on the reports themselves, instead. The server does not say where in a cycle the
// audio it took is heard: the middle of the cycle is at most half a cycle (12 ms) from
// either end. What is sent again after a pause or a loss still goes by m_heard, which
// never runs ahead of the server's own account. The clock runs on libpulse's own reports
// (a burst after every start and flush, then one every second and a half): asking for more
// of them made PipeWire's service skip a cycle of a playing stream now and then.
std::optional<std::int64_t> PulseSink::clockHeardLocked() {
    if (m_sent == m_segCaller) return std::nullopt;
    const std::int64_t cycle = m_cycleSteps.cycle();
    if (cycle == 0) return std::nullopt;
    const auto heard = m_cycleClock.frameAt(Clock::now(), cycle);
    if (!heard) return std::nullopt;
    return m_segCaller + std::clamp<std::int64_t>(*heard - cycle / 2 - m_segServer - m_leadIn, 0,
                                                  m_sent - m_segCaller);
}

std::int64_t PulseSink::takenByNowLocked(const pa_timing_info& t) const {
    const std::int64_t played =
        t.playing
            ? static_cast<std::int64_t>(pa_timeval_age(&t.timestamp)) * kSinkSampleRate / 1'000'000
            : 0;
    return serverSentLocked() - queuedFrames(t) + played;
}

void PulseSink::onTimingReport(pa_stream* s, void* self) {
    auto* sink = static_cast<PulseSink*>(self);
    const pa_timing_info* t = pa_stream_get_timing_info(s);
    if (!t || t->read_index_corrupt || t->write_index_corrupt || !t->playing) {
        sink->m_cycleClock.reset();
        return;
    }
    const std::int64_t read = t->read_index / kBytesPerFrame;
    if (sink->m_lastReadIndex >= 0) sink->m_cycleSteps.step(read - sink->m_lastReadIndex);
    sink->m_lastReadIndex = read;
    if (sink->m_sent == sink->m_segCaller) return;  // nothing of this segment sent yet
    // What the report says was heard by now: taken as it reported, carried on by its age, less
    // what the device holds.
    const auto device = static_cast<std::int64_t>(t->sink_usec * kSinkSampleRate / 1'000'000);
    sink->m_cycleClock.observe(Clock::now(), sink->takenByNowLocked(*t) - device);
}

std::int64_t PulseSink::bufferedFrames() {
    if (!m_connection) return 0;
    recover();
    PulseConnection::Lock lock(*m_connection);
    if (m_lost || m_recovering) return m_written - m_heard;
    if (!m_stream) return 0;
    if (failedLocked()) return m_silent.bufferedFrames();
    settleLocked();
    return bufferedLocked();
}

std::int64_t PulseSink::roomLocked() {
    bufferedLocked();
    return std::max<std::int64_t>(0, m_capacity - (m_sent - m_heard));
}

bool PulseSink::sendLocked(const std::int16_t* frames, std::int64_t count) {
    if (m_leadInDue) {
        const std::vector<std::int16_t> silence(static_cast<std::size_t>(kLeadInFrames) * 2, 0);
        if (pa_stream_write(m_stream, silence.data(), silence.size() * 2, nullptr, 0,
                            PA_SEEK_RELATIVE) != 0)
            return false;
        m_leadInDue = false;
        m_leadIn = kLeadInFrames;
    }
    if (pa_stream_write(m_stream, frames, static_cast<std::size_t>(count * kBytesPerFrame), nullptr,
                        0, PA_SEEK_RELATIVE) != 0)
        return false;
    return true;
}

void PulseSink::sendRetainedLocked() {
    // Frames written before a pause that the server had not yet mixed go out again first, at
    // the place the server dropped them from, so the sound resumes exactly where it stopped.
    const auto ring = static_cast<std::int64_t>(m_retained.size() / 2);
    while (m_sent < m_written) {
        const std::int64_t at = m_sent % ring;
        const std::int64_t n = std::min({m_written - m_sent, ring - at, roomLocked()});
        if (n <= 0 || !sendLocked(m_retained.data() + at * 2, n)) return;
        m_sent += n;
    }
}

std::int64_t PulseSink::writableFrames() {
    if (!m_connection) return 0;
    recover();
    PulseConnection::Lock lock(*m_connection);
    checkLostLocked();
    if (!m_stream || m_paused || m_lost) return 0;
    if (failedLocked()) return m_silent.writableFrames();
    settleLocked();
    if (m_resumeDue || !readyLocked()) return 0;
    if (m_recovering) finishRecoveryLocked();
    sendRetainedLocked();
    return m_sent < m_written ? 0 : roomLocked();
}

std::int64_t PulseSink::write(const std::int16_t* frames, std::int64_t count) {
    if (!m_connection || count <= 0) return 0;
    PulseConnection::Lock lock(*m_connection);
    checkLostLocked();
    if (!m_stream || m_paused || m_lost) return 0;
    if (failedLocked()) return m_silent.write(frames, count);
    settleLocked();
    if (m_resumeDue || !readyLocked()) return 0;
    if (m_recovering) finishRecoveryLocked();
    sendRetainedLocked();
    if (m_sent < m_written) return 0;
    // The room is the sink's own target, not the server's last request: right after a flush
    // the whole target may be written at once, without waiting for the server to ask.
    const std::int64_t n = std::min(count, roomLocked());
    if (n <= 0 || !sendLocked(frames, n)) return 0;
    const auto ring = static_cast<std::int64_t>(m_retained.size() / 2);
    for (std::int64_t done = 0; done < n;) {
        const std::int64_t at = (m_written + done) % ring;
        const std::int64_t k = std::min(n - done, ring - at);
        std::copy(frames + done * 2, frames + (done + k) * 2, m_retained.begin() + at * 2);
        done += k;
    }
    m_written += n;
    m_sent = m_written;
    return n;
}

void PulseSink::onPauseIndex(pa_stream* s, int success, void* self) {
    auto* sink = static_cast<PulseSink*>(self);
    if (!sink->m_pauseFlushDue || sink->m_pauseToken != sink->m_pauseIssued) return;
    sink->updateHeardLocked();
    if (success && sink->indexKnownLocked()) {
        sink->flushForPauseLocked();
    } else {
        sink->holdFromHeardLocked();
        drop(pa_stream_flush(s, nullptr, nullptr));
    }
}

void PulseSink::onPauseTiming(pa_stream* s, int success, void* self) {
    auto* sink = static_cast<PulseSink*>(self);
    if (sink->m_pauseToken != sink->m_pauseIssued || sink->m_resumeKnown) return;
    const pa_timing_info* t = pa_stream_get_timing_info(s);
    if (success && t && !t->write_index_corrupt) {
        // The flush moved the server's write index back to its read index: everything past it
        // was dropped unheard.
        const std::int64_t dropped = (sink->m_pauseWriteIndex - t->write_index) / kBytesPerFrame;
        sink->m_pauseServerAt = sink->m_pauseServerSent - dropped;
        sink->m_resumeFrom =
            sink->m_segCaller +
            std::clamp<std::int64_t>(sink->m_pauseServerAt - sink->m_segServer - sink->m_leadIn, 0,
                                     sink->m_pauseSent - sink->m_segCaller);
    } else {
        // No report from the server: everything not yet heard is sent again.
        sink->m_resumeFrom = sink->m_heard;
    }
    sink->m_resumeKnown = true;
    if (sink->m_resumeDue) sink->resumeLocked();
}

void PulseSink::holdFromHeardLocked() {
    m_pauseFlushDue = false;
    m_resumeFrom = m_heard;
    m_pauseServerAt = serverSentLocked();
    m_resumeKnown = true;
}

void PulseSink::flushForPauseLocked() {
    m_pauseFlushDue = false;
    m_pauseWriteIndex = pa_stream_get_timing_info(m_stream)->write_index;
    m_pauseSent = m_sent;
    m_pauseServerSent = serverSentLocked();
    m_pauseServerAt = m_pauseServerSent;
    m_resumeKnown = false;
    m_pauseToken = ++m_pauseIssued;
    drop(pa_stream_flush(m_stream, nullptr, nullptr));
    // libpulse refuses the request when too many are on their way (a stalled server).
    pa_operation* report = pa_stream_update_timing_info(m_stream, onPauseTiming, this);
    if (!report) holdFromHeardLocked();
    drop(report);
}

void PulseSink::pause() {
    if (!m_connection) return;
    PulseConnection::Lock lock(*m_connection);
    checkLostLocked();
    if (m_lost || m_recovering) {
        // Nothing plays: the new stream simply waits for resume().
        m_paused = true;
        return;
    }
    if (!m_stream) return;
    if (m_resumeDue) {
        // Still held: the resume is simply called off.
        m_resumeDue = false;
        m_paused = true;
        return;
    }
    if (m_paused) return;
    m_paused = true;
    if (failedLocked()) {
        m_silent.pause();
        return;
    }
    if (!readyLocked() || (m_sent == m_segCaller && m_sent == m_written)) {
        // Being made, or nothing sent since the last flush or resume: the server holds nothing
        // to drop or keep.
        holdFromHeardLocked();
        return;
    }
    // A pause is a flush whose dropped frames are kept: corking instead would make the server
    // rewind what the device had mixed ahead, which it does only to within a few milliseconds.
    // The server's write index tells exactly how much of what was sent it dropped; right after
    // a flush it is not known until the server has answered, so the pause's flush waits for
    // that answer (the server plays on for that round trip).
    updateHeardLocked();
    if (indexKnownLocked()) {
        flushForPauseLocked();
        return;
    }
    m_pauseToken = ++m_pauseIssued;
    pa_operation* report = pa_stream_update_timing_info(m_stream, onPauseIndex, this);
    if (!report) {
        holdFromHeardLocked();
        drop(pa_stream_flush(m_stream, nullptr, nullptr));
        return;
    }
    drop(report);
    m_pauseFlushDue = true;
    m_resumeKnown = false;
}

void PulseSink::resume() {
    if (!m_connection) return;
    PulseConnection::Lock lock(*m_connection);
    checkLostLocked();
    if (m_lost || m_recovering) {
        m_paused = false;
        return;
    }
    if (!m_paused || !m_stream) return;
    m_paused = false;
    if (failedLocked()) {
        m_silent.resume();
        return;
    }
    if (m_pauseFlushDue) {
        // The flush never happened: the stream simply plays on.
        m_pauseFlushDue = false;
        m_resumeKnown = true;
        ++m_pauseIssued;
        return;
    }
    if (!m_resumeKnown) {
        // Sent again from where the server stopped, once it has said where that was.
        m_resumeDue = true;
        m_resumeAsked = Clock::now();
        return;
    }
    resumeLocked();
}

void PulseSink::resumeLocked() {
    m_resumeDue = false;
    m_sent = m_heard = m_resumeFrom;
    startSegmentLocked(m_resumeFrom, m_pauseServerAt, true);
    if (readyLocked()) sendRetainedLocked();
}

void PulseSink::flush() {
    if (!m_connection) return;
    PulseConnection::Lock lock(*m_connection);
    checkLostLocked();
    if (m_lost || m_recovering) {
        // The new stream starts with what is written next.
        if (m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY)
            drop(pa_stream_flush(m_stream, nullptr, nullptr));
        resetLocked();
        return;
    }
    if (!m_stream) return;
    if (failedLocked()) {
        m_silent.flush();
        return;
    }
    // The server drops its queue for this stream and waits for the next write; what the device
    // already holds (at most a tenth of the buffer) still plays out before it. A resume waiting
    // for the server is complete (nothing is left to send again); a pause waiting to flush has
    // its flush now.
    if (pa_stream_get_state(m_stream) == PA_STREAM_READY)
        drop(pa_stream_flush(m_stream, nullptr, nullptr));
    ++m_pauseIssued;  // a report still on its way for a pause is void
    m_resumeDue = m_pauseFlushDue = false;
    resetLocked();
}

void PulseSink::applyLevelsLocked() {
    if (!m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY) return;
    const std::uint32_t index = pa_stream_get_index(m_stream);
    const pa_cvolume volume = volumeOf(m_left, m_right);
    pa_context* c = m_connection->context();
    drop(pa_context_set_sink_input_volume(c, index, &volume, nullptr, nullptr));
    drop(pa_context_set_sink_input_mute(c, index, m_muted ? 1 : 0, nullptr, nullptr));
}

bool PulseSink::setLevels(std::uint16_t left, std::uint16_t right, bool muted) {
    if (!m_connection) return false;
    PulseConnection::Lock lock(*m_connection);
    m_left = left;
    m_right = right;
    m_muted = muted;
    if (m_stream && !failedLocked()) applyLevelsLocked();
    return true;
}

}  // namespace lirafok::device::real

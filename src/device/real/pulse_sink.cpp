#include "device/real/pulse_sink.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/volume.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace lirafok::device::real {

namespace {
constexpr std::int64_t kBytesPerFrame = 4;

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
    pa_threaded_mainloop_signal(sink->m_connection->mainloop(), 0);
}

bool PulseSink::open() {
    if (!m_connection) return false;
    PulseConnection::Lock lock(*m_connection);
    if (m_stream || m_fallback) return true;
    if (pa_context_get_state(m_connection->context()) != PA_CONTEXT_READY) return false;
    const pa_sample_spec spec{PA_SAMPLE_S16NE, kSinkSampleRate, kSinkChannels};
    pa_channel_map map;
    pa_channel_map_init_stereo(&map);
    m_stream = pa_stream_new(m_connection->context(), m_name.c_str(), &spec, &map);
    if (!m_stream) return false;
    m_broken = false;
    pa_stream_set_state_callback(m_stream, onStreamState, this);
    // The device's share of the latency is what the server asks of the device for this stream
    // (target length minus twice the minimum request): a tenth of the buffer, so that a flush
    // is heard within that time, while the queue keeps the rest ahead of a busy machine.
    // Playback starts as soon as 10 ms are queued (after a flush too), never later.
    const std::int64_t ms = m_capacity * 1000 / kSinkSampleRate;
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = msToBytes(ms);
    attr.minreq = msToBytes(ms * 45 / 100);
    attr.prebuf = msToBytes(10);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_NOT_MONOTONIC |
        (m_muted ? PA_STREAM_START_MUTED : PA_STREAM_START_UNMUTED));
    const pa_cvolume volume = volumeOf(m_left, m_right);
    if (pa_stream_connect_playback(m_stream, nullptr, &attr, flags, &volume, nullptr) < 0) {
        pa_stream_unref(m_stream);
        m_stream = nullptr;
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (pa_stream_get_state(m_stream) == PA_STREAM_CREATING &&
           std::chrono::steady_clock::now() < deadline) {
        pa_threaded_mainloop_unlock(m_connection->mainloop());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        pa_threaded_mainloop_lock(m_connection->mainloop());
    }
    if (pa_stream_get_state(m_stream) != PA_STREAM_READY) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
        return false;
    }
    m_written = m_heard = 0;
    m_paused = false;
    return true;
}

void PulseSink::close() {
    if (!m_connection) return;
    PulseConnection::Lock lock(*m_connection);
    if (m_stream) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    m_silent.close();
    m_fallback = false;
    m_paused = false;
    m_written = m_heard = 0;
}

bool PulseSink::failedLocked() {
    if (m_fallback) return true;
    if (!m_stream) return false;
    if (!m_broken && pa_stream_get_state(m_stream) == PA_STREAM_READY) return false;
    // What the server held is lost with it; from here a clock stands in for the listener.
    m_fallback = true;
    m_silent.open();
    if (m_paused) m_silent.pause();
    m_written = m_heard = 0;
    return true;
}

bool PulseSink::streaming() {
    if (!m_connection) return false;
    PulseConnection::Lock lock(*m_connection);
    return m_stream && !failedLocked();
}

std::int64_t PulseSink::bufferedLocked() {
    if (m_paused) return m_pausedBuffered;
    pa_usec_t latency = 0;
    int negative = 0;
    // Until the server has reported on the data written since the last flush, none of it has
    // been heard.
    if (pa_stream_get_latency(m_stream, &latency, &negative) < 0) return m_written - m_heard;
    if (negative) latency = 0;
    const auto ahead = static_cast<std::int64_t>((latency * kSinkSampleRate + 500'000) / 1'000'000);
    // The server's interpolation may step back for a moment (after a resume): what has been
    // heard stays heard.
    m_heard = std::max(m_heard, std::clamp<std::int64_t>(m_written - ahead, 0, m_written));
    return m_written - m_heard;
}

std::int64_t PulseSink::bufferedFrames() {
    if (!m_connection) return 0;
    PulseConnection::Lock lock(*m_connection);
    if (!m_stream) return 0;
    if (failedLocked()) return m_silent.bufferedFrames();
    return bufferedLocked();
}

std::int64_t PulseSink::writableFrames() {
    if (!m_connection) return 0;
    PulseConnection::Lock lock(*m_connection);
    if (!m_stream || m_paused) return 0;
    if (failedLocked()) return m_silent.writableFrames();
    return std::max<std::int64_t>(0, m_capacity - bufferedLocked());
}

std::int64_t PulseSink::write(const std::int16_t* frames, std::int64_t count) {
    if (!m_connection || count <= 0) return 0;
    PulseConnection::Lock lock(*m_connection);
    if (!m_stream || m_paused) return 0;
    if (failedLocked()) return m_silent.write(frames, count);
    // The room is the sink's own target, not the server's last request: right after a flush
    // the whole target may be written at once, without waiting for the server to ask.
    const std::int64_t n = std::min(count, m_capacity - bufferedLocked());
    if (n <= 0) return 0;
    if (pa_stream_write(m_stream, frames, static_cast<std::size_t>(n * kBytesPerFrame), nullptr, 0,
                        PA_SEEK_RELATIVE) < 0)
        return 0;
    m_written += n;
    return n;
}

void PulseSink::pause() {
    if (!m_connection) return;
    PulseConnection::Lock lock(*m_connection);
    if (m_paused || !m_stream) return;
    if (failedLocked()) {
        m_silent.pause();
    } else {
        // The latency is read before corking: while corked the server's figures describe the
        // stream as it rewinds what the device had mixed ahead, not what was heard.
        m_pausedBuffered = bufferedLocked();
        drop(pa_stream_cork(m_stream, 1, nullptr, nullptr));
    }
    m_paused = true;
}

void PulseSink::resume() {
    if (!m_connection) return;
    PulseConnection::Lock lock(*m_connection);
    if (!m_paused || !m_stream) return;
    m_paused = false;
    if (failedLocked()) {
        m_silent.resume();
        return;
    }
    drop(pa_stream_cork(m_stream, 0, nullptr, nullptr));
}

void PulseSink::flush() {
    if (!m_connection) return;
    PulseConnection::Lock lock(*m_connection);
    if (!m_stream) return;
    if (failedLocked()) {
        m_silent.flush();
        return;
    }
    // The server drops its queue for this stream and waits for the next write; what the device
    // already holds (at most a tenth of the buffer) still plays out before it.
    drop(pa_stream_flush(m_stream, nullptr, nullptr));
    m_written = m_heard = 0;
    m_pausedBuffered = 0;
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

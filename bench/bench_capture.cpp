#include "bench_capture.h"

#include <pulse/thread-mainloop.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <cstdio>
#include <cstdlib>

namespace lirafok::bench {

namespace {
constexpr std::int64_t kWindow = 64;
constexpr double kUsPerFrame = 1e6 / 44100;

bool quiet(const std::vector<std::int16_t>& rec, std::int64_t at) {
    std::int64_t energy = 0;
    for (std::int64_t i = at; i < at + kWindow; ++i)
        energy += std::abs(rec[static_cast<std::size_t>(i) * 2]) +
                  std::abs(rec[static_cast<std::size_t>(i) * 2 + 1]);
    return energy < kWindow * 2 * 200;
}

bool matches(const std::vector<std::int16_t>& rec, std::int64_t at, const Source& src,
             std::int64_t s, std::int64_t frames) {
    for (std::int64_t i = 0; i < frames; ++i)
        for (int c = 0; c < 2; ++c)
            if (std::abs(rec[static_cast<std::size_t>(at + i) * 2 + c] - src(s + i, c)) > 2)
                return false;
    return true;
}
}  // namespace

std::int64_t nowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool MonitorCapture::start(std::string* why) {
    m_pulse = device::real::PulseConnection::connect("lirafok-bench-capture", why);
    if (!m_pulse) return false;
    device::real::PulseConnection::Lock lock(*m_pulse);
    const pa_sample_spec format{PA_SAMPLE_S16LE, 44100, 2};
    m_stream = pa_stream_new(m_pulse->context(), "monitor", &format, nullptr);
    pa_stream_set_read_callback(m_stream, onRead, this);
    pa_buffer_attr attr;
    std::memset(&attr, 0xff, sizeof attr);
    attr.fragsize = 441 * 4;
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_record(m_stream, "lirafok_test.monitor", &attr, flags) < 0) {
        if (why) *why = "cannot record the monitor";
        return false;
    }
    return true;
}

void MonitorCapture::onRead(pa_stream* s, std::size_t, void* self) {
    auto* c = static_cast<MonitorCapture*>(self);
    const void* data = nullptr;
    std::size_t bytes = 0;
    while (pa_stream_readable_size(s) > 0 && pa_stream_peek(s, &data, &bytes) == 0 && bytes > 0) {
        std::lock_guard lk(c->m_mutex);
        const std::size_t n = bytes / 2;
        if (data) {
            const auto* p = static_cast<const std::int16_t*>(data);
            c->m_samples.insert(c->m_samples.end(), p, p + n);
        } else {
            c->m_samples.insert(c->m_samples.end(), n, 0);  // a hole: the server lost data
        }
        pa_stream_drop(s);
    }
    pa_usec_t latency = 0;
    int negative = 0;
    if (pa_stream_get_latency(s, &latency, &negative) != 0) return;
    // The newest frame read was captured `latency` ago (or will be heard in `latency`).
    std::lock_guard lk(c->m_mutex);
    const double lat = negative ? -static_cast<double>(latency) : static_cast<double>(latency);
    const double frames = static_cast<double>(c->m_samples.size() / 2);
    c->m_bases.push_back(static_cast<double>(nowUs()) - lat - frames * kUsPerFrame);
    c->m_baseAt.push_back(static_cast<std::int64_t>(frames));
    c->m_arrivals.push_back(static_cast<double>(nowUs()) - frames * kUsPerFrame);
    c->m_latencies.push_back(lat);
}

void MonitorCapture::stop() {
    if (!m_pulse || !m_stream) return;
    if (std::getenv("BENCH_DEBUG")) {
        std::lock_guard lk(m_mutex);
        std::vector<double> a = m_arrivals, l = m_latencies;
        const double b0 = percentile(m_bases, 0.5);
        std::printf(
            "capture: %zu reads; per-read base minus median: p1 %.0f p50 %.0f p99 %.0f us;"
            " arrival minus median: min %.0f p50 %.0f us; latency p50 %.0f us\n",
            a.size(), percentile(m_bases, 0.01) - b0, 0.0, percentile(m_bases, 0.99) - b0,
            percentile(a, 0.0) - b0, percentile(a, 0.5) - b0, percentile(l, 0.5));
    }
    device::real::PulseConnection::Lock lock(*m_pulse);
    pa_stream_set_read_callback(m_stream, nullptr, nullptr);
    pa_stream_disconnect(m_stream);
    pa_stream_unref(m_stream);
    m_stream = nullptr;
}

std::vector<std::int16_t> MonitorCapture::samples() {
    std::lock_guard lk(m_mutex);
    return m_samples;
}

std::int64_t MonitorCapture::frames() {
    std::lock_guard lk(m_mutex);
    return static_cast<std::int64_t>(m_samples.size() / 2);
}

std::vector<double> MonitorCapture::aroundLocked(const std::vector<double>& perRead,
                                                 std::int64_t frame) const {
    // The reads of the 5 s around `frame`: a base that moves (the server dropped data while the
    // machine was busy) is followed.
    const auto lo = std::lower_bound(m_baseAt.begin(), m_baseAt.end(), frame - 5 * 44100);
    const auto hi = std::upper_bound(m_baseAt.begin(), m_baseAt.end(), frame + 5 * 44100);
    std::vector<double> v(perRead.begin() + (lo - m_baseAt.begin()),
                          perRead.begin() + (hi - m_baseAt.begin()));
    return v.empty() ? perRead : v;
}

double MonitorCapture::baseUs(std::int64_t frame) {
    std::lock_guard lk(m_mutex);
    if (m_bases.empty()) return 0;
    std::vector<double> b = aroundLocked(m_bases, frame);
    std::nth_element(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(b.size() / 2), b.end());
    return b[b.size() / 2];
}

double MonitorCapture::arrivalBaseUs(std::int64_t frame) {
    std::lock_guard lk(m_mutex);
    if (m_arrivals.empty()) return 0;
    const std::vector<double> a = aroundLocked(m_arrivals, frame);
    return *std::min_element(a.begin(), a.end());
}

double MonitorCapture::heardUs(std::int64_t frame) {
    return baseUs(frame) + static_cast<double>(frame) * kUsPerFrame;
}

std::int64_t MonitorCapture::frameAtUs(double us, double (MonitorCapture::*base)(std::int64_t)) {
    // Two rounds: the base depends a little on where the frame is.
    std::int64_t f = std::llround((us - (this->*base)(0)) / kUsPerFrame);
    f = std::llround((us - (this->*base)(f)) / kUsPerFrame);
    return std::llround((us - (this->*base)(f)) / kUsPerFrame);
}

std::int64_t MonitorCapture::frameAtUs(double us) {
    return frameAtUs(us, &MonitorCapture::baseUs);
}

std::int64_t MonitorCapture::frameAtUsByArrival(double us) {
    return frameAtUs(us, &MonitorCapture::arrivalBaseUs);
}

std::optional<std::int64_t> locate(const std::vector<std::int16_t>& rec, std::int64_t at,
                                   const Source& src, std::int64_t from, std::int64_t to) {
    const auto frames = static_cast<std::int64_t>(rec.size() / 2);
    if (at < 0 || at + kWindow > frames || quiet(rec, at)) return std::nullopt;
    for (std::int64_t s = std::max<std::int64_t>(0, from); s < to; ++s)
        if (matches(rec, at, src, s, kWindow)) return s;
    return std::nullopt;
}

std::optional<Onset> onsetOf(const std::vector<std::int16_t>& rec, std::int64_t from,
                             const Source& src, std::int64_t target, std::int64_t withinFrames) {
    const auto frames = static_cast<std::int64_t>(rec.size() / 2);
    for (std::int64_t r = std::max<std::int64_t>(0, from);
         r + kWindow <= frames && r < from + withinFrames; r += kWindow) {
        const auto s = locate(rec, r, src, target, target + (r - from) + kWindow);
        if (!s) continue;
        Onset o{r, *s};
        while (o.recFrame > from && o.srcFrame > target &&
               matches(rec, o.recFrame - 1, src, o.srcFrame - 1, 1))
            --o.recFrame, --o.srcFrame;
        return o;
    }
    return std::nullopt;
}

std::vector<std::int64_t> dropouts(const std::vector<std::int16_t>& rec, std::int64_t from,
                                   std::int64_t to, const Source& src, std::int64_t srcFrom,
                                   std::int64_t srcTo) {
    std::vector<std::int64_t> out;
    std::optional<std::int64_t> offset;  // source frame minus recorded frame
    std::int64_t brokenSince = -1;
    for (std::int64_t r = from; r + kWindow <= to; r += kWindow) {
        if (offset && matches(rec, r, src, r + *offset, kWindow)) {
            if (brokenSince >= 0) out.push_back(r - brokenSince);
            brokenSince = -1;
            continue;
        }
        if (offset && brokenSince < 0) brokenSince = r;
        const auto s = locate(rec, r, src, offset ? r + *offset - 44100 : srcFrom,
                              offset ? r + *offset + 44100 : srcTo);
        if (s) {
            if (offset && *s - r != *offset && brokenSince >= 0) out.push_back(r - brokenSince);
            if (offset && *s - r != *offset) brokenSince = -1;
            offset = *s - r;
        }
    }
    return out;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5)];
}

bool SoundBench::start(const char* clientName) {
    std::string why;
    if (!server.start(&why)) {
        std::fprintf(stderr, "cannot start %s: %s\n", server.name(), why.c_str());
        return false;
    }
    if (!capture.start(&why)) {
        std::fprintf(stderr, "cannot record the monitor: %s\n", why.c_str());
        return false;
    }
    pulse = device::real::PulseConnection::connect(clientName, &why);
    if (!pulse) std::fprintf(stderr, "cannot connect to %s: %s\n", server.name(), why.c_str());
    return pulse != nullptr;
}

}  // namespace lirafok::bench

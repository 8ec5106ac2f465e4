#pragma once
// What reached the sound server's null sink, recorded from its monitor, with the moment each
// recorded frame was heard; and where in a known source a stretch of the recording comes from.
#include <pulse/stream.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/real/pulse_connection.h"
#include "sound_server.h"

namespace lirafok::bench {

// Microseconds on the steady clock (the clock the sound server and the program both use).
std::int64_t nowUs();

// Records "lirafok_test.monitor". A frame's heard time is the server's own account of when it
// played: the moment it was read, less the record stream's latency, which for a monitor
// counts back to the sink's output (negative: the monitor receives what the sink mixes before
// the sink plays it). The time base of a frame is the median of the reads' estimates over the
// 5 s around it, since the sink plays at a steady rate.
class MonitorCapture {
public:
    bool start(std::string* why);
    void stop();
    // A copy of what was recorded so far (interleaved stereo).
    std::vector<std::int16_t> samples();
    std::int64_t frames();
    // When recorded frame `frame` was heard, and the frame heard at time `us`.
    double heardUs(std::int64_t frame);
    std::int64_t frameAtUs(double us);
    // The recorded frame that had reached this process at time `us`, by the earliest any
    // recorded frame could have: the least, over the reads of the 5 s around it, of the read's
    // time less the frames recorded by then. On a server that runs in graph cycles this bound
    // is met within a millisecond each run (a read right after a cycle), where the server's
    // own account (heardUs, frameAtUs) wanders by some milliseconds from run to run.
    std::int64_t frameAtUsByArrival(double us);

private:
    static void onRead(pa_stream* s, std::size_t bytes, void* self);
    // The heard time of recorded frame 0 around `frame`: the median of the server's account,
    // or the earliest arrival; and the frame at `us` by either.
    double baseUs(std::int64_t frame);
    double arrivalBaseUs(std::int64_t frame);
    std::int64_t frameAtUs(double us, double (MonitorCapture::*base)(std::int64_t));
    // The per-read values of the reads around `frame` (all of them if none), under m_mutex.
    std::vector<double> aroundLocked(const std::vector<double>& perRead, std::int64_t frame) const;

    std::shared_ptr<device::real::PulseConnection> m_pulse;
    pa_stream* m_stream = nullptr;
    std::mutex m_mutex;
    std::vector<std::int16_t> m_samples;
    std::vector<double> m_bases;         // per read: the heard time of recorded frame 0
    std::vector<std::int64_t> m_baseAt;  // recorded frames when each base was taken
    std::vector<double> m_arrivals, m_latencies;
};

// The source a recording is matched against: sample `frame`, channel 0 or 1.
using Source = std::function<std::int16_t(std::int64_t frame, int channel)>;

// The source frame whose audio recorded frame `at` begins (a window of 64 frames matching to
// within rounding), searched over source frames [from, to). Quiet windows match nothing.
std::optional<std::int64_t> locate(const std::vector<std::int16_t>& rec, std::int64_t at,
                                   const Source& src, std::int64_t from, std::int64_t to);

// The first recorded frame from `from` on that plays source audio at or after `target` (as a
// start or a seek to `target` would), walked back to where that audio begins. `srcFrame` is
// the first source frame heard: `target` itself unless the start was cut.
struct Onset {
    std::int64_t recFrame = 0;
    std::int64_t srcFrame = 0;
};
std::optional<Onset> onsetOf(const std::vector<std::int16_t>& rec, std::int64_t from,
                             const Source& src, std::int64_t target, std::int64_t withinFrames);

// Breaks in continuous playback between recorded frames [from, to): stretches where the
// recording stops following the source (silence or a jump), each with its length in frames.
std::vector<std::int64_t> dropouts(const std::vector<std::int16_t>& rec, std::int64_t from,
                                   std::int64_t to, const Source& src, std::int64_t srcFrom,
                                   std::int64_t srcTo);

double percentile(std::vector<double> v, double p);

// What every sound bench starts from: a private sound server, its null sink's monitor being
// recorded, and this process's connection to the server.
struct SoundBench {
    testing::PrivateSoundServer server;
    MonitorCapture capture;
    std::shared_ptr<device::real::PulseConnection> pulse;
    // Starts all three; says why on stderr and returns false when one cannot be started.
    bool start(const char* clientName);
};

}  // namespace lirafok::bench

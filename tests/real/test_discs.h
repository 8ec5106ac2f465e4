#pragma once
// Generated test discs: every track is a tone of its own frequency, the left channel at full
// test amplitude and the right one at half, so that a read-back can be checked sample by
// sample and a recording by frequency, level and channel.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "device/audio_sink.h"
#include "device/silent_sink.h"

namespace lirafok::testing {

struct ToneTrack {
    double freqHz = 440;
    std::int64_t frames = 0;     // audio of the track proper (from INDEX 01)
    std::int64_t gapFrames = 0;  // INDEX 00 gap before it (silence, part of the disc)
};

// The sample of `track`'s tone at frame `i` of the track (channel 0 left, 1 right).
std::int16_t toneSample(const ToneTrack& track, std::int64_t i, int channel);

// The whole disc as interleaved stereo frames from disc frame 0 (the lead-in is silent),
// tracks and gaps laid end to end from frame 88 200.
std::vector<std::int16_t> expectedDisc(const std::vector<ToneTrack>& tracks);

// Writes `dir`/disc.bin (raw little-endian CD audio) and `dir`/disc.cue. Lengths must be
// whole sectors.
void writeBinCue(const std::string& dir, const std::vector<ToneTrack>& tracks);

// FLAC (or WAV) + CUE rips in `dir`/rip.cue. `perTrack`: one file per track, each starting
// with its track's INDEX 00 gap; otherwise one file for the whole disc.
void writeRip(const std::string& dir, const std::vector<ToneTrack>& tracks, bool perTrack,
              const std::string& ext = "flac");

// One audio file of raw interleaved stereo frames at `rate`.
void writeAudioFile(const std::string& path, const std::vector<std::int16_t>& frames,
                    int rate = 44100, int channels = 2);

// A fresh, empty folder under the system's temporary folder.
std::string makeTempDir(const std::string& tag);

// A monotonic clock that moves only when the test says so; any thread may read it. Counts its
// readings, so that a test can wait until a pipeline thread has seen the time it was set to.
class FakeClock {
public:
    std::chrono::steady_clock::time_point now() {
        m_reads.fetch_add(1);
        return std::chrono::steady_clock::time_point(std::chrono::hours(1)) +
               std::chrono::nanoseconds(m_ns.load());
    }
    void advance(std::chrono::nanoseconds by) { m_ns.fetch_add(by.count()); }
    long reads() const { return m_reads.load(); }
    device::MonotonicClock clock() {
        return [this] { return now(); };
    }

private:
    std::atomic<std::int64_t> m_ns{0};
    std::atomic<long> m_reads{0};
};

// A sink on the silent sink's clock (the real one, or `now`) that keeps what the listener
// "heard": every frame it was given, minus what a flush threw away before it was played.
class RecordingSink final : public device::AudioSink {
public:
    explicit RecordingSink(std::int64_t bufferFrames = 4410, device::MonotonicClock now = {})
        : m_clock(bufferFrames, std::move(now)) {}
    bool open() override;
    void close() override;
    std::int64_t writableFrames() override;
    std::int64_t write(const std::int16_t* frames, std::int64_t count) override;
    std::int64_t bufferedFrames() override;
    void pause() override;
    void resume() override;
    void flush() override;

    // Frames heard so far (interleaved).
    std::vector<std::int16_t> heard();
    void clear();
    // Frames write() ever took, and whether it is paused.
    std::int64_t acceptedFrames();
    bool paused();

private:
    std::mutex m_mutex;
    device::SilentSink m_clock;
    std::vector<std::int16_t> m_data;
    std::int64_t m_accepted = 0;
    bool m_paused = false;
};

}  // namespace lirafok::testing

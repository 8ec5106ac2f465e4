#pragma once
// Where the PCM of the CD-audio pipeline and of the sound cues ends up: a sound server, a
// sound card, or a clock that only pretends to play.
//
// Format: always 44 100 frames per second, 16-bit signed native-endian samples, two
// interleaved channels (left, right). A frame is one left and one right sample.
//
// Threading: calls on one sink never overlap; the caller serialises them (the PCM pipeline
// makes every call from its writer thread), but successive calls may come from different
// threads. No call blocks for longer than a few milliseconds: nothing waits for a sound
// server's answer. What needs one (making a stream, learning where a pause stopped) is asked
// for and completed later, on the server's own thread; until then the sink takes no data.
// A sink never calls back into its caller.
#include <chrono>
#include <cstdint>
#include <functional>

namespace lirafok::device {

inline constexpr int kSinkSampleRate = 44100;
inline constexpr int kSinkChannels = 2;

// The monotonic clock a sink or the pipeline reads. Empty means std::chrono::steady_clock;
// tests give a fake one (shared by the pipeline and its sink) that moves only when told. It is
// read under the pipeline's lock, so it takes no lock and never blocks.
using MonotonicClock = std::function<std::chrono::steady_clock::time_point()>;

class AudioSink {
public:
    virtual ~AudioSink() = default;

    // Opens the output. False when there is no usable output (no sound server, no device);
    // the caller may then fall back to a silent sink. Opening an open sink returns true.
    // May return before the output is ready (a sound server still making the stream): until
    // it is, write() takes nothing; an output that then fails plays on as silence, on time.
    virtual bool open() = 0;
    // Drops any buffered data and releases the output. Idempotent.
    virtual void close() = 0;

    // Frames that write() accepts right now. 0 while paused or closed.
    virtual std::int64_t writableFrames() = 0;
    // Queues `count` frames from `frames` (2 * count samples) behind the data already buffered.
    // Never blocks: returns the number of frames taken (possibly fewer than `count`, 0 when
    // full, paused or closed). Playback of queued data starts by itself.
    virtual std::int64_t write(const std::int16_t* frames, std::int64_t count) = 0;

    // Latency: frames accepted by write() that the listener has not heard yet, i.e. what the
    // sink, the sound server and the device still hold. Drops to 0 once all data has been
    // played. Frozen while paused.
    virtual std::int64_t bufferedFrames() = 0;

    // Pause stops the output within a few milliseconds (or as soon as a stalled sound server
    // answers) and keeps the buffered data; resume continues it where it stopped, once the
    // sink knows where that was (write() takes nothing until then). Both are idempotent.
    virtual void pause() = 0;
    virtual void resume() = 0;
    // Discards every buffered frame at once, including what a sound server has queued
    // (bufferedFrames() becomes 0); what write() gives next replaces it on the same output, so
    // the first frame written after a flush is the first one heard. A paused sink stays paused.
    virtual void flush() = 0;

    // Applies the channel levels (0 = silent .. 65535 = unchanged) and mute at the output
    // itself, to the frames already queued as well, so that a change is heard at once. False
    // when the sink cannot; the caller then scales the samples it writes.
    virtual bool setLevels(std::uint16_t left, std::uint16_t right, bool muted) { return false; }
    // The output went away under a working stream (the sound server died) and is not back yet:
    // nothing is heard, write() takes nothing and bufferedFrames() holds still until it is.
    virtual bool lost() { return false; }
};

}  // namespace lirafok::device

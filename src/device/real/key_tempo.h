#pragma once
// Key, tempo and the guide vocal at work: the voice filter works on the disc's stereo frames; the
// stretcher (Rubber Band, real-time mode) shifts the key without changing the tempo and the tempo
// without changing the key, and says which disc frame each frame it gives out comes from, so that
// every position the program shows stays disc time.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/key_tempo_settings.h"

namespace RubberBand {
class RubberBandStretcher;
}

namespace lirafok::device::real {

using device::KeyTempo;
using device::VoiceMode;

// The voice modes on interleaved 16-bit stereo frames, in place. Keeps the state of its
// filters from one call to the next; reset() at a jump in the audio.
class VoiceFilter {
public:
    void setMode(VoiceMode mode);
    VoiceMode mode() const { return m_mode; }
    void reset();
    void process(std::int16_t* frames, std::int64_t count);

private:
    // One second-order section (Butterworth), direct form I.
    struct Biquad {
        double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        double run(double x);
    };
    VoiceMode m_mode = VoiceMode::Both;
    // The shared part below and above the voice band, each fourth order (two sections), so
    // that a voice near the band's edges still drops by more than 20 dB.
    Biquad m_low[2], m_high[2];
};

// One span of audio through Rubber Band at fixed settings: started at a disc frame, fed the
// disc's frames in order, it gives out frames of the changed key and tempo and keeps the
// map from its output to the disc. A change of settings starts a new span (the caller restarts
// at the frame being heard).
class Stretcher {
public:
    ~Stretcher();
    // Null, with `error` set, when the stretcher cannot be made (out of memory): the caller
    // then plays at the original key and tempo and tells the user.
    static std::unique_ptr<Stretcher> create(const KeyTempo& settings, std::string* error);

    // Takes other settings for the next span (no new allocation: a key change in the middle of
    // a song must not wait for one). start() must follow.
    void retune(const KeyTempo& settings);

    // Starts a span whose first input frame is disc frame `discFrame`.
    void start(std::int64_t discFrame);
    // Takes `count` input frames (interleaved stereo) and appends to `out` what the stretcher
    // gives back for them (possibly nothing yet, possibly more than `count`).
    void process(const std::int16_t* in, std::int64_t count, std::vector<std::int16_t>& out);
    // The span's input has ended: appends what the stretcher still holds, so that the span's
    // output is its input's length times the time ratio, to the frame.
    void finish(std::vector<std::int16_t>& out);
    // The disc frame that output frame `n` of the span (from 0, after the start delay) comes
    // from.
    std::int64_t discFrameOf(std::int64_t n) const;
    // Output frames given out since start().
    std::int64_t outputFrames() const { return m_out; }
    const KeyTempo& settings() const { return m_settings; }
    // Output frames per disc frame.
    double ratio() const { return m_settings.timeRatio(); }

private:
    explicit Stretcher(const KeyTempo& settings);
    void retrieve(std::vector<std::int16_t>& out);

    KeyTempo m_settings;
    std::unique_ptr<RubberBand::RubberBandStretcher> m_rb;
    std::int64_t m_startFrame = 0;
    std::int64_t m_in = 0;         // frames taken since start() (the start pad not counted)
    std::int64_t m_out = 0;        // frames given out
    std::int64_t m_toDiscard = 0;  // start delay still to drop from the output
    std::vector<float> m_inL, m_inR, m_outL, m_outR;
};

// Makes the stretcher for a span (Stretcher::create unless a test simulates a failure): null
// with `error` set when it cannot.
using StretcherFactory =
    std::function<std::unique_ptr<Stretcher>(const KeyTempo& settings, std::string* error)>;

}  // namespace lirafok::device::real

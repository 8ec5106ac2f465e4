#pragma once
// Key, tempo and the guide vocal: what a singer changes about the disc's sound, as the player
// asks the drive for it.
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace lirafok::device {

// The guide vocal.
enum class VoiceMode {
    Both,       // both channels as the disc has them
    LeftOnly,   // the left channel on both speakers (a multiplex disc's backing or guide)
    RightOnly,  // the right channel on both speakers
    Reduced,    // what both channels share in the voice band (about 200 Hz to 6 kHz) cancelled
};

struct KeyTempo {
    int semitones = 0;  // -12 .. +12
    int tempo = 100;    // percent, 50 .. 150 in steps of 5
    VoiceMode voice = VoiceMode::Both;

    static constexpr int kMinSemitones = -12, kMaxSemitones = 12;
    static constexpr int kMinTempo = 50, kMaxTempo = 150, kTempoStep = 5;

    // The values held to their ranges (a tempo between steps goes to the nearest step).
    KeyTempo clamped() const {
        KeyTempo k = *this;
        k.semitones = std::clamp(semitones, kMinSemitones, kMaxSemitones);
        const int steps = static_cast<int>(std::lround(tempo / static_cast<double>(kTempoStep)));
        k.tempo = std::clamp(steps * kTempoStep, kMinTempo, kMaxTempo);
        return k;
    }
    // The stretcher is in the path (key or tempo changed); at 0 and 100 % the audio is the
    // disc's own, frame for frame.
    bool stretches() const { return semitones != 0 || tempo != 100; }
    // Output frames per disc frame: 1.25 at 80 % tempo.
    double timeRatio() const { return 100.0 / tempo; }
    bool operator==(const KeyTempo&) const = default;
};

}  // namespace lirafok::device

#include "demo_music.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace lirafok::tools {

namespace {

constexpr double kRate = 44100;
const int kMajor[] = {0, 2, 4, 5, 7, 9, 11};
const int kMinor[] = {0, 2, 3, 5, 7, 8, 10};

double beatSeconds(const Song& s) {
    return 60.0 / s.bpm;
}

int midiOf(const Song& s, int degree, int octaveShift = 0) {
    const int* scale = s.minor ? kMinor : kMajor;
    int d = degree - 1;
    int oct = 0;
    while (d < 0) d += 7, --oct;
    while (d >= 7) d -= 7, ++oct;
    return s.rootMidi + scale[d] + 12 * (oct + octaveShift);
}

double hz(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// Attack-decay-sustain-release envelope at time t of a note lasting `len` seconds.
double envelope(double t, double len, double a, double d, double s, double r) {
    if (t < 0) return 0;
    double v;
    if (t < a)
        v = t / a;
    else if (t < a + d)
        v = 1 - (1 - s) * (t - a) / d;
    else
        v = s;
    if (t > len) v *= std::max(0.0, 1 - (t - len) / r);
    return v;
}

struct Mix {
    std::vector<double> left, right;
    explicit Mix(std::size_t frames) : left(frames), right(frames) {}
    // Adds a voice: `harmonics` weights of the partials, panned (-1 left .. 1 right).
    void add(double start, double len, double freq, double gain, double pan,
             std::initializer_list<double> harmonics, double a, double d, double s, double r,
             double vibrato = 0) {
        const auto first = static_cast<std::size_t>(start * kRate);
        const auto count = static_cast<std::size_t>((len + r) * kRate);
        const double gl = gain * std::sqrt((1 - pan) / 2), gr = gain * std::sqrt((1 + pan) / 2);
        double phase = 0;
        for (std::size_t i = 0; i < count && first + i < left.size(); ++i) {
            const double t = i / kRate;
            const double f =
                freq * (1 + vibrato * std::sin(2 * M_PI * 5.5 * t) * std::min(1.0, t / 0.3));
            phase += 2 * M_PI * f / kRate;
            double v = 0;
            int k = 1;
            for (double h : harmonics) v += h * std::sin(phase * k++);
            v *= envelope(t, len, a, d, s, r);
            left[first + i] += v * gl;
            right[first + i] += v * gr;
        }
    }
};

std::vector<std::int16_t> toPcm(const Mix& m, bool stereo) {
    double peak = 1e-9;
    for (std::size_t i = 0; i < m.left.size(); ++i)
        peak = std::max({peak, std::abs(m.left[i]), std::abs(m.right[i])});
    const double scale = 0.8 * 32767 / peak;
    std::vector<std::int16_t> out;
    for (std::size_t i = 0; i < m.left.size(); ++i) {
        out.push_back(static_cast<std::int16_t>(std::lround(m.left[i] * scale)));
        if (stereo) out.push_back(static_cast<std::int16_t>(std::lround(m.right[i] * scale)));
    }
    return out;
}

}  // namespace

std::vector<std::int32_t> phraseStartsMs(const Song& song) {
    std::vector<std::int32_t> out;
    const double bar = 4 * beatSeconds(song);
    for (std::size_t p = 0; p < song.phrases.size(); ++p)
        out.push_back(
            static_cast<std::int32_t>(std::lround((song.introBars + 2.0 * p) * bar * 1000)));
    return out;
}

std::vector<SungSyllable> phraseSyllables(const Song& song, std::size_t p) {
    std::vector<SungSyllable> out;
    const Phrase& phrase = song.phrases[p];
    std::size_t sounding = 0;
    for (const Note& n : phrase.notes) sounding += n.degree != 0 ? 1 : 0;
    if (phrase.sung.empty() || phrase.sung.size() != sounding) return out;
    const double beatMs = beatSeconds(song) * 1000;
    const double start = phraseStartsMs(song)[p];
    double at = 0;
    std::size_t next = 0;
    for (std::size_t i = 0; i < phrase.notes.size(); ++i) {
        const Note& n = phrase.notes[i];
        if (n.degree != 0) {
            const bool restAfter = i + 1 == phrase.notes.size() || phrase.notes[i + 1].degree == 0;
            out.push_back({phrase.sung[next++],
                           static_cast<std::int32_t>(std::lround(start + at * beatMs)),
                           static_cast<std::int32_t>(std::lround(start + (at + n.beats) * beatMs)),
                           restAfter});
        }
        at += n.beats;
    }
    return out;
}

std::vector<std::int16_t> renderSong(const Song& song) {
    const double beat = beatSeconds(song), bar = 4 * beat;
    const int bars = song.introBars + 2 * static_cast<int>(song.phrases.size()) + song.outroBars;
    const double seconds = bars * bar + 1.5;  // the last chord rings out
    std::size_t frames = static_cast<std::size_t>(seconds * kRate);
    frames = (frames + 587) / 588 * 588;  // whole CD sectors
    Mix mix(frames);

    for (int b = 0; b < bars; ++b) {
        const int root = song.chords[static_cast<std::size_t>(b) % song.chords.size()];
        const double t = b * bar;
        const bool last = b == bars - 1;
        const double len = last ? bar + 1.0 : bar * 0.95;
        // Pad: the triad, soft attack, spread across the stereo field.
        for (int k = 0; k < 3; ++k) {
            mix.add(t, len, hz(midiOf(song, root + 2 * k)), 0.09, -0.5 + 0.5 * k, {1, 0.25, 0.1},
                    0.25, 0.4, 0.7, 0.6);
        }
        // Bass on beats 1 and 3.
        for (int beatNo : {0, 2}) {
            if (last && beatNo == 2) break;
            mix.add(t + beatNo * beat, last ? bar : beat * 1.6, hz(midiOf(song, root, -2)), 0.28, 0,
                    {1, 0.5, 0.2}, 0.01, 0.2, 0.5, 0.12);
        }
    }
    for (std::size_t p = 0; p < song.phrases.size(); ++p) {
        double t = (song.introBars + 2.0 * static_cast<double>(p)) * bar;
        for (const Note& n : song.phrases[p].notes) {
            const double len = n.beats * beat;
            if (n.degree != 0) {
                mix.add(t, len * 0.92, hz(midiOf(song, n.degree, 1)), 0.3, 0.1,
                        {1, 0.35, 0.15, 0.05}, 0.02, 0.12, 0.75, 0.09, 0.004);
            }
            t += len;
        }
    }
    return toPcm(mix, true);
}

std::vector<std::int16_t> renderOkCue() {
    Mix mix(static_cast<std::size_t>(0.09 * kRate));
    mix.add(0, 0.02, 1318.5, 0.5, 0, {1, 0.2}, 0.002, 0.03, 0.3, 0.05);
    return toPcm(mix, false);
}

std::vector<std::int16_t> renderErrorCue() {
    Mix mix(static_cast<std::size_t>(0.32 * kRate));
    mix.add(0, 0.22, 155.6, 0.5, 0, {1, 0.6, 0.45, 0.3, 0.2, 0.12}, 0.005, 0.05, 0.8, 0.08);
    return toPcm(mix, false);
}

}  // namespace lirafok::tools

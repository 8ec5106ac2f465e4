#include "device/real/key_tempo.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <cmath>
#include <new>

namespace lirafok::device::real {

namespace {

constexpr double kRate = 44100;
constexpr std::int64_t kMaxBlock = 4096;  // frames handed to Rubber Band in one call
// The voice band: what both channels share between these is cancelled in VoiceMode::Reduced.
constexpr double kVoiceLowHz = 200, kVoiceHighHz = 6000;

std::int16_t toSample(double v) {
    return static_cast<std::int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
}

}  // namespace

// --- VoiceFilter ---

double VoiceFilter::Biquad::run(double x) {
    const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
}

void VoiceFilter::setMode(VoiceMode mode) {
    if (mode == m_mode) return;
    m_mode = mode;
    // Butterworth sections (Q = 1/sqrt 2): a low-pass at the band's bottom, a high-pass at
    // its top.
    auto design = [](Biquad& f, double hz, bool low) {
        const double w = 2 * M_PI * hz / kRate, c = std::cos(w),
                     alpha = std::sin(w) / std::sqrt(2.0);
        const double a0 = 1 + alpha;
        f.b0 = (low ? (1 - c) : (1 + c)) / 2 / a0;
        f.b1 = (low ? (1 - c) : -(1 + c)) / a0;
        f.b2 = f.b0;
        f.a1 = -2 * c / a0;
        f.a2 = (1 - alpha) / a0;
    };
    for (int i = 0; i < 2; ++i) {
        design(m_low[i], kVoiceLowHz, true);
        design(m_high[i], kVoiceHighHz, false);
    }
    reset();
}

void VoiceFilter::reset() {
    for (Biquad* f : {&m_low[0], &m_low[1], &m_high[0], &m_high[1]})
        f->x1 = f->x2 = f->y1 = f->y2 = 0;
}

void VoiceFilter::process(std::int16_t* frames, std::int64_t count) {
    switch (m_mode) {
        case VoiceMode::Both:
            return;
        case VoiceMode::LeftOnly:
        case VoiceMode::RightOnly: {
            const int from = m_mode == VoiceMode::LeftOnly ? 0 : 1;
            for (std::int64_t i = 0; i < count; ++i)
                frames[2 * i] = frames[2 * i + 1] = frames[2 * i + from];
            return;
        }
        case VoiceMode::Reduced:
            break;
    }
    // Left and right become the side (what differs between them) plus the part of the middle
    // outside the voice band: a voice in the centre goes, bass and cymbals stay. The side is
    // raised by 3 dB so that a sound panned to one side keeps its level (it now comes from
    // both speakers, in opposite phase).
    for (std::int64_t i = 0; i < count; ++i) {
        const double l = frames[2 * i], r = frames[2 * i + 1];
        const double mid = (l + r) / 2, side = (l - r) / 2 * std::sqrt(2.0);
        const double kept = m_low[1].run(m_low[0].run(mid)) + m_high[1].run(m_high[0].run(mid));
        frames[2 * i] = toSample(kept + side);
        frames[2 * i + 1] = toSample(kept - side);
    }
}

// --- Stretcher ---

Stretcher::Stretcher(const KeyTempo& settings) : m_settings(settings) {}

Stretcher::~Stretcher() = default;

std::unique_ptr<Stretcher> Stretcher::create(const KeyTempo& settings, std::string* error) {
    using RB = RubberBand::RubberBandStretcher;
    // The R3 engine with its short window: the pitch of a tone lands on the semitone (R2 was
    // measured up to 2 % off on a pure tone), its delay is 15 to 60 ms (the standard window
    // doubles it) and it costs about half of the standard window's CPU. Formants kept so that
    // a voice shifted in key still sounds human. High consistency: with the default pitch mode
    // the start delay the library reports is wrong by up to 20 ms when the key goes up (a mark
    // of the disc came out that much early), which the map to disc time would then carry.
    const RB::Options options = RB::OptionProcessRealTime | RB::OptionEngineFiner |
                                RB::OptionWindowShort | RB::OptionFormantPreserved |
                                RB::OptionChannelsTogether | RB::OptionPitchHighConsistency;
    try {
        std::unique_ptr<Stretcher> s(new Stretcher(settings));
        s->m_rb =
            std::make_unique<RB>(static_cast<std::size_t>(kRate), 2, options, settings.timeRatio(),
                                 std::pow(2.0, settings.semitones / 12.0));
        s->m_rb->setMaxProcessSize(kMaxBlock);
        s->m_inL.resize(kMaxBlock);
        s->m_inR.resize(kMaxBlock);
        return s;
    } catch (const std::bad_alloc&) {
        if (error)
            *error = "キーとテンポを変えるための処理を始められません（メモリーが足りません）";
        return nullptr;
    }
}

void Stretcher::retune(const KeyTempo& settings) {
    m_settings = settings;
    m_rb->setTimeRatio(settings.timeRatio());
    m_rb->setPitchScale(std::pow(2.0, settings.semitones / 12.0));
}

void Stretcher::start(std::int64_t discFrame) {
    m_rb->reset();
    m_startFrame = discFrame;
    m_out = 0;
    // Silence ahead of the first frame, and as much output dropped, puts output frame 0 on the
    // span's first disc frame.
    std::vector<std::int16_t> none;
    std::vector<std::int16_t> pad(static_cast<std::size_t>(m_rb->getPreferredStartPad()) * 2, 0);
    m_toDiscard = static_cast<std::int64_t>(m_rb->getStartDelay());
    process(pad.data(), static_cast<std::int64_t>(pad.size() / 2), none);
    m_in = 0;
}

void Stretcher::process(const std::int16_t* in, std::int64_t count,
                        std::vector<std::int16_t>& out) {
    while (count > 0) {
        const std::int64_t n = std::min(count, kMaxBlock);
        for (std::int64_t i = 0; i < n; ++i) {
            m_inL[static_cast<std::size_t>(i)] = in[2 * i] / 32768.0f;
            m_inR[static_cast<std::size_t>(i)] = in[2 * i + 1] / 32768.0f;
        }
        const float* planes[2] = {m_inL.data(), m_inR.data()};
        m_rb->process(planes, static_cast<std::size_t>(n), false);
        retrieve(out);
        in += 2 * n;
        count -= n;
        m_in += n;
    }
}

void Stretcher::finish(std::vector<std::int16_t>& out) {
    // In real-time mode the library holds the output of the last frames until more input
    // pushes it out (its final flag gives nothing more): silence pushes it out, and the output
    // is cut where the span's own audio ends, so that a span lasts exactly its length at this
    // tempo (60 s at 80 % are 75 s, not 60 ms less).
    const std::int64_t total = std::llround(static_cast<double>(m_in) * ratio());
    const std::int64_t in = m_in;
    const std::size_t had = out.size();
    const std::vector<std::int16_t> silence(1024 * 2, 0);
    for (int i = 0; i < 64 && m_out < total; ++i) process(silence.data(), 1024, out);
    m_in = in;
    const std::int64_t extra =
        std::min<std::int64_t>(m_out - total, static_cast<std::int64_t>((out.size() - had) / 2));
    if (extra > 0) {
        out.resize(out.size() - static_cast<std::size_t>(extra) * 2);
        m_out -= extra;
    }
}

void Stretcher::retrieve(std::vector<std::int16_t>& out) {
    for (int avail; (avail = m_rb->available()) > 0;) {
        m_outL.resize(static_cast<std::size_t>(avail));
        m_outR.resize(static_cast<std::size_t>(avail));
        float* planes[2] = {m_outL.data(), m_outR.data()};
        const std::int64_t got =
            static_cast<std::int64_t>(m_rb->retrieve(planes, static_cast<std::size_t>(avail)));
        const std::int64_t skip = std::min(got, m_toDiscard);
        m_toDiscard -= skip;
        for (std::int64_t i = skip; i < got; ++i) {
            out.push_back(toSample(m_outL[static_cast<std::size_t>(i)] * 32768.0));
            out.push_back(toSample(m_outR[static_cast<std::size_t>(i)] * 32768.0));
        }
        m_out += got - skip;
    }
}

std::int64_t Stretcher::discFrameOf(std::int64_t n) const {
    return m_startFrame + std::llround(n / m_settings.timeRatio());
}

}  // namespace lirafok::device::real

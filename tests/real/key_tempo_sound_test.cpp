// Key, tempo and voice through the whole PCM pipeline: generated tones played into a private
// PulseAudio null sink and measured on its monitor (pitch, length, levels, bit-exactness at the
// disc's own key), and the position the player reports against the output actually heard,
// across key changes and seeks. The sound-server cases are skipped when no server starts.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "coded_disc.h"
#include "device/real/pcm_player.h"
#include "device/real/pulse_sink.h"
#include "device/silent_sink.h"
#include "sound_server.h"
#include "tone_analysis.h"

namespace lirafok::device::real {
namespace {

using namespace std::chrono_literals;
using testing::audibleStretches;
using testing::frequency;
using testing::GeneratedSource;
using testing::level;
using testing::sine;
constexpr std::int64_t kSecond = 44100;

// One private sound server for the whole suite (it takes seconds to start).
class KeyTempoSound : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_server = new testing::PrivateSoundServer;
        if (s_server->start(&s_why)) s_pulse = PulseConnection::connect("lirafok-test", &s_why);
    }
    static void TearDownTestSuite() {
        s_pulse.reset();
        delete s_server;
        s_server = nullptr;
    }
    void SetUp() override {
        if (!s_pulse) GTEST_SKIP() << "no PulseAudio server: " << s_why;
    }
    // What the null sink played while `script` drove a fresh player on it.
    static std::vector<std::int16_t> record(const std::function<void(PcmPlayer&)>& script) {
        testing::MonitorRecorder recorder(s_server->runtimeDir() + "/monitor.raw");
        EXPECT_TRUE(recorder.start());
        std::this_thread::sleep_for(200ms);
        {
            PcmPlayer player(std::make_unique<PulseSink>(s_pulse, "CD"), nullptr);
            script(player);
            std::this_thread::sleep_for(300ms);
        }
        return recorder.stop();
    }

    static testing::PrivateSoundServer* s_server;
    static std::shared_ptr<PulseConnection> s_pulse;
    static std::string s_why;
};
testing::PrivateSoundServer* KeyTempoSound::s_server = nullptr;
std::shared_ptr<PulseConnection> KeyTempoSound::s_pulse;
std::string KeyTempoSound::s_why;

TEST_F(KeyTempoSound, TheKeyIsHeardOnTheSemitone) {
    const auto source =
        std::make_shared<GeneratedSource>([](std::int64_t f, std::int16_t& l, std::int16_t& r) {
            l = r = static_cast<std::int16_t>(12000 * sine(440, f));
        });
    const struct {
        int semitones;
        double hz;
    } cases[] = {{2, 493.883}, {12, 880}, {-5, 329.628}};
    const auto rec = record([&](PcmPlayer& p) {
        for (const auto& c : cases) {
            p.setKeyTempo({c.semitones, 100});
            p.play(source, 0, 20 * kSecond);
            std::this_thread::sleep_for(700ms);
            p.stop();
            std::this_thread::sleep_for(450ms);
        }
    });
    // Apart by 450 ms of silence: a gap of the sound server on a busy machine is far shorter.
    const auto heard = audibleStretches(rec, kSecond / 5);
    ASSERT_EQ(heard.size(), std::size(cases));
    for (std::size_t i = 0; i < heard.size(); ++i) {
        SCOPED_TRACE(cases[i].semitones);
        const double hz = frequency(rec, heard[i].first + kSecond / 8, heard[i].end - 2205);
        EXPECT_NEAR(hz, cases[i].hz, cases[i].hz * 0.005);
    }
}

TEST_F(KeyTempoSound, TheVoiceModesKeepTheChannelAskedForAndCancelTheCentre) {
    // Left: a centre tone (1 kHz, on both channels) and a side tone (2.5 kHz, left only);
    // right: the centre tone alone.
    constexpr double kCentre = 1000, kSide = 2500, kAmp = 6000;
    const auto source =
        std::make_shared<GeneratedSource>([](std::int64_t f, std::int16_t& l, std::int16_t& r) {
            l = static_cast<std::int16_t>(kAmp * sine(kCentre, f) + kAmp * sine(kSide, f));
            r = static_cast<std::int16_t>(kAmp * sine(kCentre, f));
        });
    const VoiceMode modes[] = {VoiceMode::Both, VoiceMode::LeftOnly, VoiceMode::RightOnly,
                               VoiceMode::Reduced};
    const auto rec = record([&](PcmPlayer& p) {
        for (VoiceMode m : modes) {
            p.setKeyTempo({0, 100, m});
            p.play(source, 0, 20 * kSecond);
            std::this_thread::sleep_for(600ms);
            p.stop();
            std::this_thread::sleep_for(450ms);
        }
    });
    const auto heard = audibleStretches(rec, kSecond / 5);
    ASSERT_EQ(heard.size(), std::size(modes));
    // Level of a tone over both speakers in stretch `i`.
    auto both = [&](std::size_t i, double hz) {
        const std::int64_t from = heard[i].first + kSecond / 10, to = heard[i].end - 2205;
        return std::hypot(level(rec, hz, from, to, 0), level(rec, hz, from, to, 1));
    };
    auto sameOnBoth = [&](std::size_t i) {
        for (std::int64_t f = heard[i].first; f < heard[i].end; ++f)
            if (rec[static_cast<std::size_t>(2 * f)] != rec[static_cast<std::size_t>(2 * f + 1)])
                return false;
        return true;
    };
    // Both: as the disc has it.
    EXPECT_NEAR(both(0, kSide), kAmp, kAmp * 0.05);
    EXPECT_NEAR(both(0, kCentre), kAmp * std::sqrt(2.0), kAmp * 0.05);
    // Left only: the left channel on both speakers, side tone included.
    EXPECT_TRUE(sameOnBoth(1));
    EXPECT_NEAR(both(1, kSide), kAmp * std::sqrt(2.0), kAmp * 0.05);
    // Right only: the right channel on both; the left's side tone is gone.
    EXPECT_TRUE(sameOnBoth(2));
    EXPECT_LT(both(2, kSide), kAmp / 100);
    EXPECT_NEAR(both(2, kCentre), kAmp * std::sqrt(2.0), kAmp * 0.05);
    // Reduced: the centre at least 20 dB down, the side tone at its level within 1 dB.
    EXPECT_GE(testing::decibels(both(0, kCentre) / both(3, kCentre)), 20.0);
    EXPECT_NEAR(testing::decibels(both(3, kSide) / both(0, kSide)), 0.0, 1.0);
}

TEST_F(KeyTempoSound, AtEightyPercentTheSongLastsLongerAndItsMarksKeepTheirPlace) {
    // Marks 0.5 s and 7.5 s into an 8 s tone, key +3 at 80 %: 7 s of the disc between them take
    // 8.75 s of the listener's time, and the song is heard for 10 s.
    constexpr std::int64_t kFirstMark = kSecond / 2, kLastMark = 15 * kSecond / 2;
    constexpr std::int64_t kEnd = 8 * kSecond;
    const auto source =
        std::make_shared<GeneratedSource>([](std::int64_t f, std::int16_t& l, std::int16_t& r) {
            const double v = 3000 * sine(330, f) +
                             30000 * (testing::mark(kFirstMark, f) + testing::mark(kLastMark, f));
            l = r = static_cast<std::int16_t>(v);
        });
    bool reached = false;
    const auto rec = record([&](PcmPlayer& p) {
        p.setKeyTempo({3, 80});
        p.play(source, 0, kEnd);
        std::this_thread::sleep_for(10200ms);
        reached = p.state() == PlayerState::Idle;
    });
    EXPECT_TRUE(reached) << "the span has not ended 10.2 s after it started";
    const auto heard = audibleStretches(rec, kSecond / 5);
    ASSERT_EQ(heard.size(), 1u);
    const double ratio = 1.25;
    const auto first = testing::markAt(rec, heard[0].first, heard[0].first + kSecond, ratio);
    const auto last = testing::markAt(rec, heard[0].first + 9 * kSecond, heard[0].end, ratio);
    ASSERT_TRUE(first && last);
    EXPECT_NEAR((*last - *first) / kSecond, 8.75, 0.020);
    EXPECT_NEAR(double(heard[0].end - heard[0].first) / kSecond, 10.0, 0.020);
}

TEST_F(KeyTempoSound, BackAtTheOriginalKeyTheDiscIsHeardBitForBit) {
    // A disc whose frames carry their numbers: stretched it is noise, at key 0 and 100 % every
    // frame must come back exactly, from where the listener was when the key went back.
    const auto source =
        std::make_shared<GeneratedSource>([](std::int64_t f, std::int16_t& l, std::int16_t& r) {
            l = testing::codedLeft(f);
            r = testing::codedRight(f);
        });
    std::int64_t backAt = 0;
    const auto rec = record([&](PcmPlayer& p) {
        p.setKeyTempo({3, 90});
        p.play(source, kSecond, 30 * kSecond);
        std::this_thread::sleep_for(600ms);
        backAt = p.position();
        p.setKeyTempo({});
        std::this_thread::sleep_for(800ms);
        p.stop();
    });
    const auto runs = testing::heardRuns(rec);
    ASSERT_FALSE(runs.empty());
    // The stretched noise decodes, by chance, to short runs; the disc itself plays long ones.
    const auto& run = runs.back();
    EXPECT_GE(run.lastDiscFrame - run.firstDiscFrame, kSecond / 2);
    EXPECT_NEAR(double(run.firstDiscFrame), double(backAt), 0.06 * kSecond);
}

// A sink on the real clock that keeps what it was given and says how many of those frames
// have been played (flushed frames taken off), without copying them.
class CountingSink final : public AudioSink {
public:
    bool open() override {
        std::lock_guard lk(m_mutex);
        return m_clock.open();
    }
    void close() override {
        std::lock_guard lk(m_mutex);
        m_clock.close();
    }
    std::int64_t writableFrames() override {
        std::lock_guard lk(m_mutex);
        return m_clock.writableFrames();
    }
    std::int64_t write(const std::int16_t* frames, std::int64_t count) override {
        std::lock_guard lk(m_mutex);
        const std::int64_t n = m_clock.write(frames, count);
        m_data.insert(m_data.end(), frames, frames + n * 2);
        return n;
    }
    std::int64_t bufferedFrames() override {
        std::lock_guard lk(m_mutex);
        return m_clock.bufferedFrames();
    }
    void pause() override {
        std::lock_guard lk(m_mutex);
        m_clock.pause();
    }
    void resume() override {
        std::lock_guard lk(m_mutex);
        m_clock.resume();
    }
    void flush() override {
        std::lock_guard lk(m_mutex);
        m_data.resize(m_data.size() - static_cast<std::size_t>(m_clock.bufferedFrames()) * 2);
        m_clock.flush();
    }
    std::int64_t playedFrames() {
        std::lock_guard lk(m_mutex);
        return static_cast<std::int64_t>(m_data.size() / 2) - m_clock.bufferedFrames();
    }
    std::vector<std::int16_t> data() {
        std::lock_guard lk(m_mutex);
        return m_data;
    }

private:
    std::mutex m_mutex;
    SilentSink m_clock;
    std::vector<std::int16_t> m_data;
};

TEST(KeyTempoPosition, ThePositionIsTheDiscFrameHeardAcrossKeyChangesAndSeeks) {
    // Marks every half second of the disc. The position is sampled every millisecond with the
    // frame the sink plays; each mark must be heard when the position passes its disc frame.
    constexpr std::int64_t kMarkEvery = kSecond / 2;
    const auto source =
        std::make_shared<GeneratedSource>([](std::int64_t f, std::int16_t& l, std::int16_t& r) {
            const double v =
                3000 * sine(330, f) + 30000 * testing::mark(f / kMarkEvery * kMarkEvery, f);
            l = r = static_cast<std::int16_t>(v);
        });
    auto owned = std::make_unique<CountingSink>();
    CountingSink* sink = owned.get();
    PcmPlayer player(std::move(owned), nullptr);
    struct Sample {
        std::int64_t position, played;
        double ratio;
    };
    std::vector<Sample> samples;
    auto run = [&](std::chrono::milliseconds span, double ratio) {
        const auto until = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < until) {
            // A sample the test thread was held up in the middle of (a busy machine) is dropped.
            const std::int64_t before = sink->playedFrames();
            const std::int64_t position = player.position();
            const std::int64_t after = sink->playedFrames();
            if (after - before <= 44) samples.push_back({position, (before + after) / 2, ratio});
            std::this_thread::sleep_for(1ms);
        }
    };
    player.setKeyTempo({3, 80});
    player.play(source, 10 * kSecond, 60 * kSecond);
    run(1600ms, 1.25);
    player.setKeyTempo({-2, 120});  // mid-song, from the frame heard
    run(1600ms, 1 / 1.2);
    player.play(source, 31 * kSecond + 1234, 60 * kSecond);  // a seek
    run(1600ms, 1 / 1.2);
    player.stop();
    const auto out = sink->data();

    int checked = 0;
    double worstMs = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        const Sample &a = samples[i - 1], &b = samples[i];
        // The mark whose disc frame the position passed between two samples (a jump of the
        // position, as at a seek, passes none).
        const std::int64_t markFrame = (b.position / kMarkEvery) * kMarkEvery;
        if (!(a.position < markFrame && b.position >= markFrame) ||
            b.position - a.position > kSecond / 10)
            continue;
        const double t = double(markFrame - a.position) / double(b.position - a.position);
        const double playedThen = a.played + t * double(b.played - a.played);
        const auto heardAt = testing::markAt(out, std::llround(playedThen - 0.1 * kSecond),
                                             std::llround(playedThen + 0.1 * kSecond), b.ratio);
        if (!heardAt) continue;
        const double errMs = (playedThen - *heardAt) * 1000 / kSecond;
        worstMs = std::max(worstMs, std::abs(errMs));
        ++checked;
        EXPECT_LT(std::abs(errMs), 12.0) << "mark at disc frame " << markFrame;
    }
    EXPECT_GE(checked, 8);
}

TEST(KeyTempoPosition, AStretcherThatCannotBeMadeLeavesTheDiscsOwnKeyAndSaysWhy) {
    const auto source =
        std::make_shared<GeneratedSource>([](std::int64_t f, std::int16_t& l, std::int16_t& r) {
            l = testing::codedLeft(f);
            r = testing::codedRight(f);
        });
    auto owned = std::make_unique<CountingSink>();
    CountingSink* sink = owned.get();
    PcmPlayer player(std::move(owned), nullptr);
    int attempts = 0;
    player.setStretcherFactory([&](const KeyTempo&, std::string* error) {
        ++attempts;
        *error = "メモリーが足りません";
        return std::unique_ptr<Stretcher>();
    });
    player.setKeyTempo({3, 80});
    player.play(source, 5 * kSecond, 30 * kSecond);
    std::this_thread::sleep_for(500ms);
    const std::int64_t position = player.position();
    player.stop();
    EXPECT_EQ(player.takeKeyTempoError(), "メモリーが足りません");
    EXPECT_EQ(player.takeKeyTempoError(), "") << "reading the error clears it";
    EXPECT_EQ(attempts, 1);
    // The disc's own frames, in order from the start, and the position at the disc's pace.
    const auto runs = testing::heardRuns(sink->data());
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].firstDiscFrame, 5 * kSecond);
    EXPECT_NEAR(double(position - 5 * kSecond), 0.5 * kSecond, 0.15 * kSecond);
}

}  // namespace
}  // namespace lirafok::device::real

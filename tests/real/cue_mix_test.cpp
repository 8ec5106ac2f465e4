// A sound cue over full-scale music on a private PulseAudio null sink: the monitor, which
// carries the server's mix, must never reach full scale, while the cue is still heard and the
// music comes back to its own level afterwards. Skipped when no server can be started.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "device/real/pcm_player.h"
#include "device/real/pulse_sink.h"
#include "device/real/wave_player.h"
#include "sound_server.h"
#include "test_discs.h"

namespace lirafok::device::real {
namespace {

// A square wave near full scale on both channels (kMusic): loud enough that a cue at its own
// level added to it would clip.
constexpr int kMusic = 30000;
class FullScaleSource : public PcmSource {
public:
    bool read(std::int64_t first, std::int16_t* out, std::int64_t count) override {
        for (std::int64_t i = 0; i < count; ++i) {
            const std::int16_t s = ((first + i) / 50) % 2 ? kMusic : -kMusic;
            out[i * 2] = out[i * 2 + 1] = s;
        }
        return true;
    }
};

int peakOf(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t to) {
    int peak = 0;
    for (std::size_t i = from; i < std::min(to, samples.size()); ++i)
        peak = std::max(peak, std::abs(int{samples[i]}));
    return peak;
}

TEST(CueMix, ACueOverFullScaleMusicNeverClipsAndTheMusicComesBack) {
    testing::PrivateSoundServer server;
    std::string why;
    if (!server.start(&why)) GTEST_SKIP() << "no PulseAudio server: " << why;
    const auto pulse = PulseConnection::connect("lirafok-test", &why);
    ASSERT_TRUE(pulse) << why;

    // The cue itself at full scale: a 0.3 s sine of 1 kHz.
    const std::string dir = server.runtimeDir() + "/cues";
    std::filesystem::create_directories(dir);
    std::vector<std::int16_t> cue(13230 * 2);
    for (std::size_t i = 0; i < cue.size() / 2; ++i)
        cue[i * 2] = cue[i * 2 + 1] =
            static_cast<std::int16_t>(32767 * std::sin(2 * M_PI * 1000.0 * i / 44100));
    testing::writeAudioFile(dir + "/ok.wav", cue, 44100, 2);

    PcmPlayer music(std::make_unique<PulseSink>(pulse, "CD"), nullptr);
    WavePlayer cues(std::make_unique<PulseSink>(pulse, "cue", 100));
    testing::MonitorRecorder recorder(server.runtimeDir() + "/monitor.raw");
    ASSERT_TRUE(recorder.start());
    music.play(std::make_shared<FullScaleSource>(), 0, 44100 * 30);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    for (int round = 0; round < 3; ++round) {
        cues.play(dir + "/ok.wav");
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
    }
    const auto heard = recorder.stop();
    music.stop();

    // 44100 stereo frames a second; the music runs through the whole recording.
    ASSERT_GT(heard.size(), 44100u * 2 * 2);
    std::size_t firstSound = 0;
    while (firstSound < heard.size() && heard[firstSound] == 0) ++firstSound;
    ASSERT_LT(firstSound, heard.size()) << "nothing was heard";
    // Without the lowering the sum would reach full scale; with it the mix stays at or below
    // the music's own peak.
    EXPECT_LE(peakOf(heard, firstSound, heard.size()), kMusic + 100) << "the mix got louder";
    EXPECT_EQ(cues.started(), 3);
    // The music is heard at its own level after the cues (the last 0.2 s) ...
    EXPECT_GE(peakOf(heard, heard.size() - 44100 / 5 * 2, heard.size()), kMusic - 100);
    // ... and the cues over it: values that neither the music (kMusic) nor the lowered music
    // (half of it) has alone.
    const auto mixed = std::count_if(heard.begin() + static_cast<std::ptrdiff_t>(firstSound),
                                     heard.end(), [](std::int16_t s) {
                                         const int a = std::abs(int{s});
                                         return a > kMusic / 2 + 500 && a < kMusic - 500;
                                     });
    EXPECT_GT(mixed, 3 * 5000) << "the cues were not heard over the music";
}

}  // namespace
}  // namespace lirafok::device::real

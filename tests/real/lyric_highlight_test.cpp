// The karaoke panels on the real pipeline at another tempo, through the whole program: each
// line lights when the listener hears it (less the lead time), not when a wait worked out in
// disc time runs out on the window's clock.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/text.h"
#include "lyrics/lyrics_file.h"
#include "player/cdoke.h"
#include "program_on_drive.h"
#include "test_discs.h"
#include "ui/virtual_scheduler.h"

namespace lirafok {
namespace {

using Clock = std::chrono::steady_clock;

TEST(LyricHighlight, AtEveryTempoALineLightsWhenItIsHeard) {
    constexpr std::int32_t kLead = 300;  // ms
    const std::vector<std::int32_t> times = {1500, 2500, 3300, 4400, 5200, 6000, 7100};
    for (const int tempo : {125, 75}) {
        SCOPED_TRACE(tempo);
        const std::string dir = testing::makeTempDir("lineheard");
        const std::string discDir = dir + "/disc";
        std::filesystem::create_directories(discDir);
        testing::writeRip(discDir, {{440, 20 * 44100, 0}}, false, "wav");
        std::int32_t length = 0;
        {
            ui::VirtualScheduler sched;
            device::real::VirtualDrive probe(discDir, "probe", sched, {});
            ASSERT_EQ(probe.open(), device::errors::kNone);
            ASSERT_TRUE(probe.mediaPresent()) << probe.lastError();
            length = probe.discLengthMs();
        }
        text::writeLines(dir + "/LIRAFOK.INI",
                         {"KASIH=1", "KAIGY=0", "KASID=cat/", "CYOUS=" + text::pad(kLead, 4)});
        text::writeLines(dir + "/LIRAFOK.FOT", {"00NNoto Sans CJK JP"});
        std::filesystem::create_directories(dir + "/cat");
        std::vector<std::string> lyric;
        for (std::size_t i = 0; i < times.size(); ++i) lyric.push_back("line " + std::to_string(i));
        lyric.push_back(std::string(1, kLyricsSeparator));
        for (std::size_t i = 0; i < times.size(); ++i)
            lyric.push_back(formatTimingLine(static_cast<int>(i), times[i], 0));
        text::writeLines(lyricsFilePath(dir + "/cat/", text::pad(length, 9), 1), lyric);

        {
            testing::ProgramOnVirtualDrive p(dir, discDir);
            App& app = *p.app;
            ASSERT_TRUE(app.run(""));
            ASSERT_TRUE(app.isLoaded("CDKASIF2"));
            CDOKE& w = cdoke(app);
            device::KeyTempo k;
            k.tempo = tempo;
            w.keyTempo.set(k);
            w.MMControl1.userButton(device::TransportButton::Play);
            // The program's clock runs with the real one, in steps of a millisecond.
            std::vector<double> errors;
            int lit = 0;
            const auto end = Clock::now() +
                             std::chrono::milliseconds((times.back() - kLead + 400) * 100 / tempo);
            while (Clock::now() < end && lit < static_cast<int>(times.size())) {
                p.m.sched.advance(1);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                if (app.state.NextLyricLine <= lit) continue;
                lit = app.state.NextLyricLine;
                const std::int32_t heard = p.drive.positionMs() - app.state.CurrentTrackStartMs;
                errors.push_back(heard - (times[static_cast<std::size_t>(lit - 1)] - kLead));
            }
            ASSERT_EQ(errors.size(), times.size()) << "lines lit";
            // Disc milliseconds past the moment: at most a step of this loop and the post.
            for (std::size_t i = 0; i < errors.size(); ++i) {
                EXPECT_GE(errors[i], -2) << "line " << i << " lit before it was heard";
                EXPECT_LE(errors[i], 15) << "line " << i << " lit late";
            }
        }
        std::filesystem::remove_all(dir);
    }
}

}  // namespace
}  // namespace lirafok

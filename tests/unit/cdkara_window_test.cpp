// The karaoke screen and the CD+G window on the headless machine: one of them shows. A track
// with graphics puts the CD+G window in the karaoke screen's place (full screen if it was);
// the next track without graphics brings the karaoke screen back and the CD+G window goes.
#include <gtest/gtest.h>

#include <thread>

#include "../support/window_test.h"
#include "cdg/encoder.h"
#include "device/disc_graphics.h"
#include "player/cdcdg.h"
#include "player/cdkara.h"
#include "player/player_transport.h"

namespace lirafok {
namespace {

class OneTrackGraphics final : public device::DiscGraphics {
public:
    Presence presence(int track) const override {
        return track == 1 ? Presence::Present : Presence::None;
    }
    bool read(int, const Sink& sink, Counts*, std::string*) override {
        std::vector<std::uint8_t> s;
        for (int n = 0; n < 300; ++n) cdg::encode::append(s, cdg::encode::memoryPreset(n % 16));
        sink(std::move(s));
        return true;
    }
};

class KaraokeWindow : public testing::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        settings({});
        drives.current().insertDisc({60000, 60000});
        drives.current().setGraphics(std::make_shared<OneTrackGraphics>());
        start();
    }
    void playFor(std::int64_t ms) {
        for (std::int64_t t = 0; t < ms; t += 4) {
            sched.advance(4);
            for (int i = 0; i < 1000; ++i) {
                sched.runDue();
                CDCDG* w = app->loaded<CDCDG>();
                if (!w || !w->loading()) break;
                std::this_thread::yield();
            }
        }
    }
};

TEST_F(KaraokeWindow, OneOfTheTwoShows) {
    ShowKaraokeWindow(*app);
    CDKARA& k = *app->loaded<CDKARA>();
    k.move(1500, 3000, 9000, 6000);
    k.FULL_Click();
    ASSERT_TRUE(k.fullScreen());
    PlayerTransport(*app).play();
    playFor(500);
    // Track 1 has graphics: the CD+G window in the karaoke screen's place, full screen.
    CDCDG* g = app->loaded<CDCDG>();
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(g->shown());
    EXPECT_TRUE(g->fullScreen());
    EXPECT_EQ(g->left(), 1500);
    EXPECT_EQ(g->width(), 9000);
    EXPECT_FALSE(k.shown());
    EXPECT_TRUE(k.yieldedToCdg());
    // Track 2 has none: the karaoke screen is back, full screen as it was.
    PlayerTransport(*app).next();
    playFor(500);
    EXPECT_TRUE(k.shown());
    EXPECT_TRUE(k.fullScreen());
    EXPECT_FALSE(k.yieldedToCdg());
    EXPECT_EQ(k.loadedTrack(), 2);
    EXPECT_FALSE(g->shown());
    EXPECT_FALSE(g->fullScreen());
}

TEST_F(KaraokeWindow, ClosedByTheUserItStaysAway) {
    ShowKaraokeWindow(*app);
    ASSERT_TRUE(app->loaded<CDKARA>()->userClose());
    PlayerTransport(*app).play();
    playFor(300);
    PlayerTransport(*app).next();
    playFor(300);
    EXPECT_FALSE(app->isLoaded<CDKARA>() && app->loaded<CDKARA>()->shown());
}

}  // namespace
}  // namespace lirafok

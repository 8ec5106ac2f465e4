// The CD+G window on the headless machine: it opens by itself for a track with graphics and
// always shows the packet of the position the drive reports, through play, pause, seeks, track
// changes and repeats; closing, full screen and its settings.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "../support/window_test.h"
#include "cdg/encoder.h"
#include "device/disc_graphics.h"
#include "player/cdcdg.h"
#include "player/cdg_loader.h"
#include "ui/virtual_scheduler.h"
#include "player/player_transport.h"

namespace lirafok {
namespace {

// Graphics held in memory, handed over in pieces of 10 s (as a drive delivers them).
class MemoryGraphics final : public device::DiscGraphics {
public:
    std::vector<std::vector<std::uint8_t>> tracks;  // [0] = track 1; empty: none
    Presence presence(int track) const override {
        return track >= 1 && track <= static_cast<int>(tracks.size()) &&
                       !tracks[static_cast<std::size_t>(track - 1)].empty()
                   ? Presence::Present
                   : Presence::None;
    }
    bool read(int track, const Sink& sink, Counts*, std::string*) override {
        const auto& all = tracks[static_cast<std::size_t>(track - 1)];
        const std::size_t piece = 3000 * cdg::kPacketBytes;
        for (std::size_t at = 0; at < all.size(); at += piece)
            if (!sink(
                    {all.begin() + static_cast<std::ptrdiff_t>(at),
                     all.begin() + static_cast<std::ptrdiff_t>(std::min(all.size(), at + piece))}))
                break;
        return true;
    }
};

// A stream whose picture tells the time: every tenth of a second a full-screen preset in
// colour (tenths % 16), and a tile whose ink tells the packet index (packet % 16).
std::vector<std::uint8_t> clockStream(int seconds) {
    std::vector<std::uint8_t> s;
    for (int n = 0; n < seconds * cdg::kPacketsPerSecond; ++n) {
        if (n % 30 == 0)
            cdg::encode::append(s, cdg::encode::memoryPreset((n / 30) % 16));
        else
            cdg::encode::append(s, cdg::encode::tile(5, 5, 0, n % 16,
                                                     {0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F,
                                                      0x3F, 0x3F, 0x3F, 0x3F, 0x3F}));
    }
    return s;
}

class CdgWindow : public testing::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        settings({});
        drives.current().insertDisc({60000, 60000, 60000});
        graphics = std::make_shared<MemoryGraphics>();
        graphics->tracks = {clockStream(60), {}, clockStream(60)};
        drives.current().setGraphics(graphics);
        start();
    }
    // Runs what is due and lets the reading thread deliver.
    void settle() {
        for (int i = 0; i < 200000; ++i) {
            sched.runDue();
            CDCDG* w = app->loaded<CDCDG>();
            if (!w || !w->loading()) break;
            std::this_thread::yield();
        }
        sched.runDue();
    }
    void playFor(std::int64_t ms) {
        for (std::int64_t t = 0; t < ms; t += 4) {
            sched.advance(4);
            settle();
        }
    }
    CDCDG& window() { return *app->loaded<CDCDG>(); }
    device::CdAudioDevice& drive() { return drives.current(); }
    // The packet of the position, as the window must show it: colour of pixel 0,0 is the tenth
    // of a second, the tile's ink the packet.
    void expectShowsPosition() {
        const std::int32_t pos = drive().positionMs();
        const auto tracks = drive().tracks();
        int track = 0;
        for (std::size_t i = 0; i < tracks.size(); ++i)
            if (pos >= tracks[i].startMs) track = static_cast<int>(i) + 1;
        const cdg::Screen* screen = window().PICTURE.screen();
        if (graphics->presence(track) == device::DiscGraphics::Presence::None) {
            EXPECT_EQ(screen, nullptr) << "at " << pos;
            return;
        }
        ASSERT_NE(screen, nullptr) << "at " << pos;
        // Packets whose time has come, from the track's start in milliseconds as sectors.
        const std::int64_t intoTrack = pos - tracks[static_cast<std::size_t>(track - 1)].startMs;
        const std::int64_t packet = intoTrack * 300 / 1000;
        EXPECT_NEAR(window().timeline().applied(), packet + 1, 1) << "at " << pos;
        const std::size_t applied = window().timeline().applied() - 1;
        EXPECT_EQ(screen->at(0, 0), (applied / 30) % 16) << "at " << pos;
    }

    std::shared_ptr<MemoryGraphics> graphics;
};

TEST_F(CdgWindow, OpensByItselfAndFollowsPlayPauseSeekAndTracks) {
    PlayerTransport(*app).play();
    playFor(1500);
    ASSERT_NE(app->loaded<CDCDG>(), nullptr);
    EXPECT_TRUE(window().shown());
    expectShowsPosition();
    playFor(2000);
    expectShowsPosition();

    PlayerTransport(*app).pause();
    playFor(8);
    expectShowsPosition();
    const auto shown = window().PICTURE.shownCount();
    playFor(500);
    EXPECT_EQ(window().PICTURE.shownCount(), shown);  // nothing moves while paused
    expectShowsPosition();
    PlayerTransport(*app).playPause();

    // Back to 1.2 s into the track, then ahead to 40 s: the picture is the one playing shows.
    ASSERT_TRUE(PlayerTransport(*app).seekInTrack(1200));
    playFor(8);
    expectShowsPosition();
    ASSERT_TRUE(PlayerTransport(*app).seekInTrack(40000));
    playFor(8);
    expectShowsPosition();

    // Track 2 has none: blank. Track 3 has its own.
    PlayerTransport(*app).next();
    playFor(300);
    expectShowsPosition();
    EXPECT_EQ(window().loadedTrack(), 2);
    PlayerTransport(*app).next();
    playFor(700);
    EXPECT_EQ(window().loadedTrack(), 3);
    expectShowsPosition();
}

TEST_F(CdgWindow, EveryRefreshShowsThePacketOfThePosition) {
    PlayerTransport(*app).play();
    playFor(1200);
    ASSERT_TRUE(window().shown());
    // One refresh tick after any moment, the packet shown is the position's.
    for (int i = 0; i < 300; ++i) {
        sched.advance(CDCDG::kRefreshMs);
        settle();
        expectShowsPosition();
    }
}

TEST_F(CdgWindow, UserCloseHidesUntilTheNextTrackWithGraphics) {
    PlayerTransport(*app).play();
    playFor(1200);
    ASSERT_TRUE(window().shown());
    window().userClose();
    ASSERT_NE(app->loaded<CDCDG>(), nullptr);  // hidden, not gone
    playFor(1200);
    EXPECT_FALSE(window().shown());
    PlayerTransport(*app).next();
    PlayerTransport(*app).next();
    playFor(1500);
    EXPECT_TRUE(window().shown());
}

TEST_F(CdgWindow, FullScreenByKeyAndDoubleClickAndEscape) {
    PlayerTransport(*app).play();
    playFor(1200);
    CDCDG& w = window();
    EXPECT_TRUE(w.userKeyDown(ui::key::kF11, 0));
    EXPECT_TRUE(w.fullScreen());
    EXPECT_TRUE(w.FULL.checked());
    EXPECT_TRUE(w.userKeyDown(ui::key::kEscape, 0));
    EXPECT_FALSE(w.fullScreen());
    w.PICTURE.onDblClick();
    EXPECT_TRUE(w.fullScreen());
    w.PICTURE.onDblClick();
    EXPECT_FALSE(w.fullScreen());
    EXPECT_FALSE(w.userKeyDown(ui::key::kEscape, 0));  // not full screen: not ours
}

TEST_F(CdgWindow, SettingsAreKeptInTheirOwnFileAndAutoOpenCanBeTurnedOff) {
    PlayerTransport(*app).play();
    playFor(1200);
    window().SMOOTH.userClick();
    window().AUTO.userClick();
    EXPECT_TRUE(window().PICTURE.smooth());
    const CdgWindowSettings saved = loadCdgWindowSettings(*app);
    EXPECT_TRUE(saved.smooth);
    EXPECT_FALSE(saved.autoOpen);
    // A new program with auto-open off: playing a CD+G track leaves the window closed, F11 in
    // the main window opens it.
    app->unload<CDCDG>();
    PlayerTransport(*app).next();
    PlayerTransport(*app).next();
    playFor(1500);
    EXPECT_EQ(app->loaded<CDCDG>(), nullptr);
    EXPECT_TRUE(main().userKeyDown(ui::key::kF11, 0));
    settle();
    EXPECT_TRUE(window().shown());
    EXPECT_TRUE(window().PICTURE.smooth());
}

}  // namespace
}  // namespace lirafok

namespace lirafok {
namespace {

// Graphics whose read blocks until released: the reading thread outlives the loader, the
// window and the scheduler, and must touch none of them afterwards (the sanitizer run catches
// a post to a scheduler that is gone).
struct SlowGraphics final : device::DiscGraphics {
    std::mutex m;
    std::condition_variable cv;
    bool released = false, finished = false;
    Presence presence(int) const override { return Presence::Present; }
    bool read(int, const Sink& sink, Counts*, std::string*) override {
        std::unique_lock lock(m);
        cv.wait(lock, [this] { return released; });
        lock.unlock();
        const bool more = sink(std::vector<std::uint8_t>(24 * 4, 0));
        lock.lock();
        finished = true;
        cv.notify_all();
        return more;
    }
};

TEST(CdgLoaderLifetime, AReadThatEndsAfterEverythingIsGoneTouchesNothing) {
    auto graphics = std::make_shared<SlowGraphics>();
    int pieces = 0;
    {
        auto scheduler = std::make_unique<ui::VirtualScheduler>();
        auto loader = std::make_unique<CdgLoader>(
            *scheduler, graphics, 1, [&](std::vector<std::uint8_t>) { ++pieces; },
            [](bool, const std::string&, const device::DiscGraphics::Counts&) {});
        loader.reset();
        scheduler.reset();
    }
    {
        std::lock_guard lock(graphics->m);
        graphics->released = true;
    }
    graphics->cv.notify_all();
    std::unique_lock lock(graphics->m);
    ASSERT_TRUE(
        graphics->cv.wait_for(lock, std::chrono::seconds(5), [&] { return graphics->finished; }));
    EXPECT_EQ(pieces, 0);
}

}  // namespace
}  // namespace lirafok

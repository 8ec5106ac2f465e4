// List play on a drive that can queue jumps (as the real drives do), on the virtual clock: the
// entry that follows is heard at the very millisecond the one before ends, and the player's
// entry, track and repeats follow what is heard, also between two status events.
#include <gtest/gtest.h>

#include "player/cdrep.h"
#include "player/play_modes.h"
#include "../support/window_test.h"

namespace lirafok {
namespace {

// Three tracks of 60.25 s, which start at 2000, 62250 and 122500 ms; each entry plays up to a
// second before its track's end (59.25 s), so that entries change between status events.
constexpr std::int32_t kTrack1 = 2000, kTrack2 = 62250, kTrack3 = 122500, kEntry = 59250;

class JumpingListPlay : public testing::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        settings({});
        drive().insertDisc({60250, 60250, 60250});
        drive().setCanJump(true);
        start();
        ASSERT_TRUE(writePrivateList(privateListPath(app->state), {2, 1, 3}));
        main().ORG.userClick();
        sched.advance(10);
        ASSERT_EQ(drive().lastPlay(), std::make_pair(kTrack2, kTrack2 + kEntry));
        m_started = sched.nowMs() - (drive().positionMs() - kTrack2);
    }
    device::SimulatedDrive& drive() { return drives.current(); }
    // Plays on to `ms` into the list.
    void at(std::int64_t ms) { sched.advance(ms - (sched.nowMs() - m_started)); }
    void shows(int entry, const char* track) {
        EXPECT_EQ(app->state.PlayListIndex, entry);
        EXPECT_EQ(main().TRKNO.caption(), track);
    }
    void press(device::TransportButton b) { main().MMControl1.userButton(b); }

    std::int64_t m_started = 0;  // when the list was started
};

TEST_F(JumpingListPlay, EachEntryIsHeardAsTheOneBeforeEnds) {
    at(kEntry - 1);
    EXPECT_EQ(drive().positionMs(), kTrack2 + kEntry - 1);
    at(kEntry + 1);
    EXPECT_EQ(drive().positionMs(), kTrack1 + 1) << "entry 2 from its first millisecond";
    EXPECT_EQ(drive().lastPlay(), std::make_pair(kTrack2, kTrack2 + kEntry)) << "no play command";
    at(kEntry + 1100);  // a status event has come
    shows(2, "1");
    // Next just after the jump to the last entry, before a status event has told the player:
    // the entry heard is the last one, where Next does nothing.
    at(2 * kEntry + 1);
    press(device::TransportButton::Next);
    sched.advance(10);
    shows(3, "3");
    EXPECT_EQ(drive().positionMs(), kTrack3 + 11) << "the last entry plays on";
}

TEST_F(JumpingListPlay, ARepeatingListGoesFromItsLastEntryToItsFirst) {
    main().REPEAT.userClick();
    app->form<CDREP>().Command3D1.userClick();  // the whole list
    at(3 * kEntry + 1);
    EXPECT_EQ(drive().positionMs(), kTrack2 + 1) << "the first entry again, without a gap";
    at(3 * kEntry + 1100);
    shows(1, "2");
    // Switched off in the first entry, the list stops after its last one as always.
    app->form<CDREP>().Command3D5.userClick();
    at(6 * kEntry + 1100);
    EXPECT_EQ(drive().mode(), device::DeviceMode::Stopped);
    EXPECT_EQ(app->state.PlayListIndex, -1);
}

TEST_F(JumpingListPlay, RepeatsInsideTheListTurnWhereTheyEnd) {
    // One track: the entry's end goes back to the track's start, entry after entry.
    at(1000);
    main().REPEAT.userClick();
    app->form<CDREP>().Command3D2.userClick();
    at(kEntry + 1);
    EXPECT_EQ(drive().positionMs(), kTrack2 + 1);
    at(kEntry + 1100);
    shows(1, "2");
    at(2 * kEntry + 1);
    EXPECT_EQ(drive().positionMs(), kTrack2 + 1);
    app->form<CDREP>().Command3D5.userClick();

    // A-B inside the entry: the first turn is a play from A (B is where the music is when it is
    // set), every later one comes at B's very millisecond.
    at(2 * kEntry + 5000);
    main().REPEAT.userClick();
    app->form<CDREP>().STRX.userClick();
    at(2 * kEntry + 8000);
    app->form<CDREP>().ENDX.userClick();
    ASSERT_TRUE(app->state.repeating(RepeatMode::AB));
    const std::int32_t a = app->state.RepeatStartMs, b = app->state.RepeatEndMs;
    EXPECT_EQ(a, kTrack2 + 5000);
    sched.advance(200);
    EXPECT_LT(drive().positionMs(), a + 300) << "the first turn";
    const std::int64_t turned = sched.nowMs() - (drive().positionMs() - a);
    for (int turn = 1; turn <= 3; ++turn) {
        at(turned - m_started + turn * (b - a) - 1);
        EXPECT_EQ(drive().positionMs(), b - 1) << turn;
        sched.advance(1);
        EXPECT_EQ(drive().positionMs(), a) << turn;
    }
    shows(1, "2");
}

}  // namespace
}  // namespace lirafok

// The multimedia control over the simulated drive: one-shot properties, notifications with
// their codes, status events and the button protocol.
#include <gtest/gtest.h>

#include <vector>

#include "device/mm_control.h"
#include "device/simulated_drive.h"
#include "ui/form.h"
#include "ui/virtual_scheduler.h"

namespace lirafok::device {
namespace {

struct NullHost : ui::FormHost {
    void showForm(ui::Form&, bool) override {}
    void hideForm(ui::Form&) override {}
    void unloadForm(ui::Form&) override {}
    void formChanged(ui::Form&) override {}
};

struct Rig {
    ui::VirtualScheduler s;
    NullHost h;
    ui::Form f{h, "CDOKE"};
    SimulatedDrive drive{s, "Q:"};
    MMControl mci{f, s, "MMControl1"};
    std::vector<int> done;
    Rig() {
        mci.setDevice(&drive);
        mci.onDone = [this](int c) { done.push_back(c); };
        drive.insertDisc({60000, 90000, 30000});
        (void)mci.command(Command::Open);
    }
};

TEST(MMControl, ReportsTheTableOfContentsOfTheSelectedTrack) {
    Rig r;
    EXPECT_TRUE(r.mci.CanPlay());
    EXPECT_EQ(r.mci.Tracks(), 3);
    EXPECT_EQ(r.mci.Start(), 2000);
    EXPECT_EQ(r.mci.Length(), 180000);
    r.mci.setTrack(2);
    EXPECT_EQ(r.mci.TrackPosition(), 62000);
    EXPECT_EQ(r.mci.TrackLength(), 90000);
    r.mci.setTrack(9);
    EXPECT_EQ(r.mci.TrackLength(), 0);
}

TEST(MMControl, PlaySpanStopsAtToAndNotifiesSuccess) {
    Rig r;
    r.mci.setFrom(62000);
    r.mci.setTo(65000);
    r.mci.setNotify(true);
    ASSERT_EQ(r.mci.command(Command::Play), 0);
    EXPECT_EQ(r.mci.Mode(), device::DeviceMode::Playing);
    r.s.advance(2999);
    EXPECT_EQ(r.mci.Position(), 64999);
    EXPECT_TRUE(r.done.empty());
    r.s.advance(1);
    EXPECT_EQ(r.mci.Mode(), device::DeviceMode::Stopped);
    EXPECT_EQ(r.mci.Position(), 65000);
    EXPECT_EQ(r.done, (std::vector<int>{kNotifySuccessful}));
}

TEST(MMControl, FromToWaitNotifyApplyToTheNextCommandOnly) {
    Rig r;
    r.mci.setFrom(62000);
    r.mci.setTo(63000);
    r.mci.setNotify(true);
    (void)r.mci.command(Command::Play);
    r.s.advance(1000);
    r.done.clear();
    (void)r.mci.command(
        Command::Play);  // no From/To/Notify now: from here to the disc end, silently
    EXPECT_EQ(r.drive.lastPlay()->first, 63000);
    EXPECT_EQ(r.drive.lastPlay()->second, -1);
    r.s.advance(200000);
    EXPECT_TRUE(r.done.empty());
    EXPECT_EQ(r.mci.Position(), 182000);
}

TEST(MMControl, CutShortPlaysNotifyWithTheirCodes) {
    struct Case {
        Command command;
        int code;
    };
    for (Case c : {Case{Command::Stop, kNotifyAborted}, Case{Command::Play, kNotifySuperseded}}) {
        Rig r;
        r.mci.setNotify(true);
        r.mci.setFrom(2000);
        (void)r.mci.command(Command::Play);
        r.s.advance(500);
        r.mci.setFrom(30000);
        (void)r.mci.command(c.command);
        r.s.runDue();
        EXPECT_EQ(r.done, (std::vector<int>{c.code})) << static_cast<int>(c.command);
    }
}

TEST(MMControl, CommandsOnAnOpenDoorFailWithADeviceError) {
    Rig r;
    r.drive.openDoor();
    EXPECT_EQ(r.mci.Mode(), device::DeviceMode::DoorOpen);
    EXPECT_FALSE(r.mci.CanPlay());
    EXPECT_NE(r.mci.command(Command::Play), 0);
    EXPECT_NE(r.mci.command(Command::Seek), 0);
}

TEST(MMControl, PositionAdvancesOnlyWhilePlaying) {
    Rig r;
    r.s.advance(5000);
    EXPECT_EQ(r.mci.Position(), 2000);
    (void)r.mci.command(Command::Play);
    r.s.advance(1500);
    (void)r.mci.command(Command::Pause);
    EXPECT_EQ(r.mci.Mode(), device::DeviceMode::Paused);
    r.s.advance(5000);
    EXPECT_EQ(r.mci.Position(), 3500);
    (void)r.mci.command(Command::Play);  // resumes the paused span
    r.s.advance(500);
    EXPECT_EQ(r.mci.Position(), 4000);
}

TEST(MMControl, StatusUpdateFollowsTheIntervalLastWritten) {
    Rig r;
    std::vector<std::int64_t> at;
    r.mci.onStatusUpdate = [&] {
        at.push_back(r.s.nowMs());
        if (r.mci.UpdateInterval() == 1) r.mci.setUpdateInterval(1000);
    };
    r.mci.setUpdateInterval(1);
    r.s.advance(2001);
    EXPECT_EQ(at, (std::vector<std::int64_t>{1, 1001, 2001}));
    r.mci.setUpdateInterval(0);
    r.s.advance(5000);
    EXPECT_EQ(at.size(), 3u);
}

TEST(MMControl, ButtonClickMayCancelTheControlsOwnAction) {
    Rig r;
    bool cancel = true;
    int completed = 0;
    r.mci.onPlayClick = [&](bool& c) {
        r.mci.setFrom(62000);  // a cancelled click also forgets what it prepared
        c = cancel;
    };
    r.mci.onPlayCompleted = [&](int) { ++completed; };
    r.mci.userButton(TransportButton::Play);
    EXPECT_EQ(r.mci.Mode(), device::DeviceMode::Stopped);
    EXPECT_EQ(completed, 0);
    cancel = false;
    r.mci.userButton(TransportButton::Play);
    EXPECT_EQ(r.mci.Mode(), device::DeviceMode::Playing);
    EXPECT_EQ(r.drive.lastPlay()->first, 62000);
    EXPECT_EQ(completed, 1);
}

TEST(MMControl, NextAndPrevSkipTracks) {
    Rig r;
    (void)r.mci.command(Command::Next);
    EXPECT_EQ(r.mci.Position(), 62000);
    (void)r.mci.command(Command::Play);
    r.s.advance(5000);
    (void)r.mci.command(Command::Prev);  // more than 3 s into the track: its own start
    EXPECT_EQ(r.mci.Position(), 62000);
    EXPECT_EQ(r.mci.Mode(), device::DeviceMode::Playing);
    (void)r.mci.command(Command::Prev);  // within 3 s: the track before
    EXPECT_EQ(r.mci.Position(), 2000);
}

}  // namespace
}  // namespace lirafok::device

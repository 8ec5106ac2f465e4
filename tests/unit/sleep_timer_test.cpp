// The sleep timer's wait to a clock time, and a stop timer while a list plays (the list set
// up directly in the shared state, as the play modes leave it).
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <ctime>

#include "../support/temp_folder.h"
#include "common/app.h"
#include "core/text.h"
#include "player/cdoke.h"
#include "player/sleep_timer.h"
#include "scenario/headless.h"
#include "../support/window_test.h"
#include "windows/windows.h"

namespace lirafok {
namespace {

std::time_t at(int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = 126;
    tm.tm_mon = 0;
    tm.tm_mday = 1;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

TEST(SleepTimer, WaitRunsToTheNextTimeOfDay) {
    struct Case {
        int hour, minute;
        std::time_t now;
        std::int64_t ms;
    } cases[] = {
        {23, 30, at(22, 0, 0), 5400000},  // later today
        {1, 30, at(22, 0, 0), 12600000},  // tomorrow
        {1, 0, at(22, 0, 0), 10800000},   // exactly three hours
        {22, 0, at(22, 0, 0), 0},         // this very second
        {22, 0, at(22, 0, 1), 86399000},  // a second ago: tomorrow
        {12, 1, at(11, 59, 59), 61000},   // two pieces: 60000, then 1000
        {0, 0, at(23, 59, 59), 1000},     // over midnight
    };
    for (const Case& c : cases)
        EXPECT_EQ(sleepTimerDelay(c.hour, c.minute, c.now), c.ms)
            << c.hour << ":" << c.minute << " at " << msSinceMidnight(c.now);
}

class ListStop : public testing::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        settings({});
        drives.current().insertDisc({60000, 60000, 60000});
        sched.setWallClock(at(12, 0, 0));
        start();
    }
};

TEST_F(ListStop, LeavesThePlayerCuedAtTheFirstEntryInListMode) {
    AppState& s = app->state;
    CDOKE& w = static_cast<CDOKE&>(app->form("CDOKE"));
    s.ListPlay = 1;
    s.PlayListCount = 2;
    s.PlayList[1] = "03 01:00 三曲目";
    s.PlayList[2] = "01 01:00 一曲目";
    s.PlayListIndex = 1;
    w.MMControl1.setTrack(3);
    w.MMControl1.setFrom(122000);
    (void)w.MMControl1.command(device::Command::Play);
    w.MMControl1.setUpdateInterval(1000);
    sched.advance(1000);
    ASSERT_EQ(drives.current().mode(), device::DeviceMode::Playing);

    ArmSleepTimer(*app, kTimerStop, 12, 1);
    EXPECT_EQ(w.POWER.foreColor(), ui::kBlue);
    sched.advance(60000);
    EXPECT_EQ(w.POWER.foreColor(), ui::kRed);
    EXPECT_EQ(s.TimerArmedState, kTimerNone);
    EXPECT_EQ(drives.current().mode(), device::DeviceMode::Stopped);
    EXPECT_EQ(drives.current().positionMs(), 122000);
    EXPECT_EQ(w.TRKNO.caption(), "3");
    EXPECT_EQ(s.ListPlay, 1);
    EXPECT_EQ(s.PlayListIndex, -1);
    EXPECT_EQ(s.LastCommand, "STOP");
    sched.advance(10000);
    EXPECT_EQ(drives.current().mode(), device::DeviceMode::Stopped);
}

}  // namespace
}  // namespace lirafok

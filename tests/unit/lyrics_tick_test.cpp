// The line timer against a heard position that trails the program's clock (a sound server's
// position, a few milliseconds behind the timer that was aimed by it): each line still lights
// the moment the position reaches it, not a whole minimum tick later.
#include <gtest/gtest.h>

#include "../support/window_test.h"
#include "lyrics/lyrics_file.h"
#include "player/cdkasif2.h"
#include "player/player_transport.h"

namespace lirafok {
namespace {

constexpr ui::Color kCurrent = 255;

class LyricsTick : public testing::WindowTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        settings({"KASIH=1", "KAIGY=0", "CYOUS=0300", "CKAS2=0", "CKAS3=255", "CKAS4=65280"});
        drives.current().insertDisc({180000, 200000});
        text::writeLines(lyricsFilePath(dir() + "/", text::pad(380000, 9), 1),
                         {"first", "second", "third", std::string(1, kLyricsSeparator),
                          formatTimingLine(0, 5000, 0), formatTimingLine(1, 10000, 0),
                          formatTimingLine(2, 15000, 0)});
    }
    // Milliseconds after the play until the panel of `line` shows in the current colour.
    std::int64_t litAfter(const std::string& line, std::int64_t limit) {
        for (std::int64_t t = 0; t < limit; ++t) {
            sched.advance(1);
            sched.runDue();
            if (CDKASIF2* w = app->loaded<CDKASIF2>())
                for (ui::Panel& p : w->KASI)
                    if (p.caption() == line && p.foreColor() == kCurrent) return t + 1;
        }
        return -1;
    }
};

TEST_P(LyricsTick, ALineLightsWhenTheTrailingPositionReachesIt) {
    // Track 1 starts at 2000 ms on the disc; "second" (10000 ms, lead 300) is due at 9700 ms of
    // the track. The position falls `lag` behind the clock after the tick aimed at it (as a
    // sound server's may, running slow between two reports), so it reaches the line `lag` late:
    // the line lights then, not at the next tick of the full minimum 100 ms later.
    const std::int32_t lag = GetParam();
    start();
    PlayerTransport(*app).play();
    const std::int64_t first = litAfter("first", 6000);
    ASSERT_GE(first, 0);
    drives.current().setPositionLag(lag);
    const std::int64_t second = litAfter("second", 6000);
    ASSERT_GE(second, 0);
    EXPECT_NEAR(first + second, 9700 + lag, 2);
}

INSTANTIATE_TEST_SUITE_P(Lags, LyricsTick, ::testing::Values(0, 13, 60));

}  // namespace
}  // namespace lirafok

// Play-mode states that no scenario can reach yet: the timing setter's hold on the player and
// the stop timer running out, which come from windows this build does not have.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "common/app.h"
#include "core/text.h"
#include "player/cdoke.h"
#include "scenario/headless.h"
#include "windows/windows.h"

namespace lirafok {
namespace {

namespace fs = std::filesystem;

class PlayModes : public ::testing::Test, protected scenario::HeadlessMachine {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/lirafok-modes-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
        char buf[PATH_MAX];
        m_oldCwd = getcwd(buf, sizeof buf);
        ASSERT_EQ(chdir(m_dir.c_str()), 0);
        text::writeLines("LIRAFOK.FOT", {"00NＭＳ Ｐゴシック"});
        text::writeLines("LIRAFOK.INI", {"KASID=" + m_dir + "/", "SOUND=1"});
        // Three tracks of 60 s: disc key 000180000; private list 03, 01.
        text::writeLines(m_dir + "/00018000.000", {"03", "01"});
        drives.current().insertDisc(std::vector<std::int32_t>(3, 60000));
        m_app = std::make_unique<App>(services());
        registerWindows(*m_app);
        m_app->run("");
        sched.runDue();
        cues.played.clear();
    }
    void TearDown() override {
        m_app.reset();
        (void)chdir(m_oldCwd.c_str());
        fs::remove_all(m_dir);
    }
    CDOKE& main() { return cdoke(*m_app); }

    std::string m_dir, m_oldCwd;
    std::unique_ptr<App> m_app;
};

TEST_F(PlayModes, EditorsAndModesRefusedWhileTheTimingSetterHoldsThePlayer) {
    m_app->state.SetterHoldTransport = 1;
    for (ui::Button* b :
         {&main().PROG, &main().EDITX, &main().RAN, &main().ORG, &main().SCAN, &main().REPEAT})
        b->userClick();
    EXPECT_EQ(cues.played, std::vector<std::string>(6, "error"));
    EXPECT_FALSE(m_app->isLoaded("CDPRG"));
    EXPECT_FALSE(m_app->isLoaded("CDREP"));
    EXPECT_EQ(main().STATUS2.caption(), "NORMAL");
}

TEST_F(PlayModes, AnArmedListRefusesTheEditors) {
    main().ORG.userClick();  // armed: PlayListIndex 0 until the next status event
    ASSERT_EQ(m_app->state.PlayListIndex, 0);
    main().PROG.userClick();
    main().EDITX.userClick();
    EXPECT_EQ(cues.played, (std::vector<std::string>{"ok", "error", "error"}));
    EXPECT_FALSE(m_app->isLoaded("CDPRG"));
}

TEST_F(PlayModes, TheStopTimerKeepsTheListModeShownAndEndsTheLoop) {
    AppState& s = m_app->state;
    main().ORG.userClick();
    sched.advance(5001);
    ASSERT_EQ(main().MMControl1.Mode(), device::DeviceMode::Playing);
    s.RepeatOn = RepeatSwitch::On;
    s.RepeatKind = RepeatMode::AB;
    main().REPEAT.setForeColor(12583104);
    // The armed stop time has come.
    s.TimerArmedState = 2;
    s.TimerRemainingMs = 0;
    main().Timer3_Timer();
    sched.advance(100);
    EXPECT_EQ(main().MMControl1.Mode(), device::DeviceMode::Stopped);
    EXPECT_EQ(s.ListPlay, 1);
    EXPECT_EQ(main().STATUS2.caption(), "PRIVATE");
    EXPECT_EQ(main().ORG.foreColor(), ui::kRed);
    EXPECT_EQ(s.RepeatKind, RepeatMode::None);
    EXPECT_EQ(main().REPEAT.foreColor(), ui::kBlack);
    EXPECT_EQ(main().TRKNO.caption(), "3");
}

}  // namespace
}  // namespace lirafok

// What the registration window does on states a scenario cannot reach yet: the artist box
// while a row has the focus (with per-song artists on it shows the other column's working
// value of the row's track, for an empty row nothing; with them off it keeps the disc artist),
// and the refusals while the other editor of a track is open.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "common/app.h"
#include "core/text.h"
#include "editors/cddata.h"
#include "player/cdoke.h"
#include "scenario/headless.h"
#include "windows/windows.h"

namespace lirafok {
namespace {

namespace fs = std::filesystem;

class DataWindow : public ::testing::Test, protected scenario::HeadlessMachine {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/lirafok-cddata-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
        char buf[PATH_MAX];
        m_oldCwd = getcwd(buf, sizeof buf);
        ASSERT_EQ(chdir(m_dir.c_str()), 0);
        text::writeLines("LIRAFOK.FOT", {"00NＭＳ Ｐゴシック"});
        text::writeLines("LIRAFOK.INI", {"KASID=" + m_dir + "/"});
        // Twelve tracks of 30 s: disc key 000360000.
        drives.current().insertDisc(std::vector<std::int32_t>(12, 30000));
    }
    void TearDown() override {
        m_app.reset();
        (void)chdir(m_oldCwd.c_str());
        fs::remove_all(m_dir);
    }
    CDDATA& open(const std::vector<std::string>& catalogue) {
        text::writeLines(m_dir + "/LIRAFOK.TXT", catalogue);
        m_app = std::make_unique<App>(services());
        registerWindows(*m_app);
        m_app->run("");
        sched.runDue();
        cdoke(*m_app).DATAX.userClick();
        auto* w = dynamic_cast<CDDATA*>(m_app->loadedForm("CDDATA"));
        if (!w) throw std::runtime_error("CDDATA did not open");
        return *w;
    }

    std::string m_dir, m_oldCwd;
    std::unique_ptr<App> m_app;
};

TEST_F(DataWindow, PerSongArtistsShowTheOtherColumn) {
    CDDATA& w = open({"000360000-00-Title", "000360000-01-一曲目", "000360000-A01-歌手Ａ",
                      "000360000-02-Two", "000360000-A02-Singer B", "000360000-11-Eleven",
                      "000360000-A11-Singer K"});
    ASSERT_EQ(w.Command3D7.foreColor(), ui::kRed);
    // Song view: the row's per-song artist.
    w.KYOKU[1].userGotFocus();
    EXPECT_EQ(w.ARTIST.text(), "Singer B");
    w.KYOKU[0].userGotFocus();
    EXPECT_EQ(w.ARTIST.text(), "歌手Ａ");
    // Artist view: the row's song name, as typed so far.
    w.Command3D6.userClick();
    EXPECT_EQ(w.Panel3D2.caption(), "Song");
    w.KYOKU[0].userGotFocus();
    EXPECT_EQ(w.ARTIST.text(), "一曲目");
    // The next page empties the box; an empty row leaves it empty.
    w.Command3D1.userClick();
    EXPECT_EQ(w.ARTIST.text(), "");
    w.KYOKU[0].userGotFocus();
    EXPECT_EQ(w.ARTIST.text(), "Eleven");
    w.KYOKU[5].userGotFocus();
    EXPECT_EQ(w.ARTIST.text(), "");
    // A name typed on this page is what the other view's box shows.
    w.Command3D5.userClick();
    w.KYOKU[0].userType("十一");
    w.Command3D6.userClick();
    w.KYOKU[0].userGotFocus();
    EXPECT_EQ(w.ARTIST.text(), "十一");
}

TEST_F(DataWindow, DiscArtistStays) {
    CDDATA& w = open({"000360000-00-Title", "000360000-AR-Band", "000360000-01-One"});
    ASSERT_EQ(w.Command3D7.foreColor(), ui::kBlack);
    w.KYOKU[0].userGotFocus();
    EXPECT_EQ(w.ARTIST.text(), "Band");
    w.KYOKU[9].userGotFocus();
    EXPECT_EQ(w.ARTIST.text(), "Band");
}

TEST_F(DataWindow, OneToolAtATime) {
    CDDATA& w = open({"000360000-00-Title", "000360000-01-One"});
    m_app->state.TimingSetterActive = 1;
    w.KYOKUNO[0].userClick();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown.front().text, "タイミング設定中です");
    EXPECT_EQ(m_app->state.EditorSavePending, 0);
    dialogs.shown.clear();
    m_app->state.TimingSetterActive = 0;
    m_app->state.EditorActive = 1;
    w.KUBUNS.userClick();
    w.KYOKUNO[0].userClick();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown.front().text, "歌詞編集中です");
    EXPECT_EQ(m_app->state.SetterFromData, 0);
    EXPECT_EQ(w.EditTrack, 1);
}

}  // namespace
}  // namespace lirafok

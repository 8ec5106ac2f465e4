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
#include "../support/window_test.h"
#include "windows/windows.h"

namespace lirafok {
namespace {

namespace fs = std::filesystem;

class DataWindow : public testing::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        settings({});
        // Twelve tracks of 30 s: disc key 000360000.
        drives.current().insertDisc(std::vector<std::int32_t>(12, 30000));
    }
    CDDATA& open(const std::vector<std::string>& catalogue) {
        text::writeLines(dir() + "/LIRAFOK.TXT", catalogue);
        start();
        main().DATAX.userClick();
        auto* w = app->loaded<CDDATA>();
        if (!w) throw std::runtime_error("CDDATA did not open");
        return *w;
    }
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
    app->state.TimingSetterActive = 1;
    w.KYOKUNO[0].userClick();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown.front().text, "タイミング設定中です");
    EXPECT_EQ(app->state.EditorSavePending, 0);
    dialogs.shown.clear();
    app->state.TimingSetterActive = 0;
    app->state.EditorActive = 1;
    w.KUBUNS.userClick();
    w.KYOKUNO[0].userClick();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown.front().text, "歌詞編集中です");
    EXPECT_EQ(app->state.SetterFromData, 0);
    EXPECT_EQ(w.EditTrack, 1);
}

}  // namespace
}  // namespace lirafok

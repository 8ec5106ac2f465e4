// Saving a disc's record from the registration window and redisplaying the disc, on the whole
// program running headless (virtual clock, simulated drive, scripted dialogs, real files).
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "player/disc_display.h"
#include "core/text.h"
#include "player/cdoke.h"
#include "scenario/headless.h"
#include "ui/virtual_scheduler.h"
#include "common/app.h"
#include "../support/window_test.h"
#include "windows/windows.h"

namespace lirafok {
namespace {

namespace fs = std::filesystem;
using namespace scenario;

class Program : public testing::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        settings({"SOUND=1"});
        // Disc key 000090000: three tracks of 30 s.
        drives.current().insertDisc({30000, 30000, 30000});
    }
    std::vector<std::string> catalogue() { return *text::readLines(dir() + "/LIRAFOK.TXT"); }
};

DiscRecordEntry entry() {
    DiscRecordEntry e;
    e.title1 = "春の歌集";
    e.title2 = "第二集";
    e.artist = "山田花子";
    e.fontSet = 2;
    e.songName[1] = "さくら";
    e.songName[2] = "若葉";
    e.songName[3] = "風";
    return e;
}

TEST_F(Program, SavingARecordStoresItAtTheTopAndShowsIt) {
    text::writeLines(dir() + "/LIRAFOK.TXT", {"000012345-00-Other", "000090000-00-Old title"});
    start();
    CDOKE& w = cdoke(*app);
    EXPECT_EQ(app->state.DiscUnregistered, 0);
    ASSERT_TRUE(SaveDiscRecord(*app, entry()));
    auto lines = catalogue();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0],
              "000090000-00-" + text::padBytes("春の歌集", 26) + text::padBytes("第二集", 26));
    EXPECT_EQ(lines[1], "000090000-AR-山田花子");
    EXPECT_EQ(lines[2], "000090000-FT-2");
    EXPECT_EQ(lines[3], "000090000-01-さくら");
    EXPECT_EQ(lines[6], "000012345-00-Other");
    EXPECT_EQ(*text::readLines(dir() + "/LIRAFOK.BAK"),
              (std::vector<std::string>{"000012345-00-Other", "000090000-00-Old title"}));
    EXPECT_EQ(w.TITLE[0].caption(), text::padBytes("春の歌集", 26));
    EXPECT_TRUE(w.TITLE[1].visible());
    EXPECT_EQ(w.ART.caption(), "山田花子 ");
    EXPECT_EQ(w.List1.list(0), " 01 00:30 さくら");
    EXPECT_EQ(app->state.DiscFontSet, 2);
}

TEST_F(Program, ANewlyRegisteredDiscGetsTheFullLayout) {
    start();
    CDOKE& w = cdoke(*app);
    EXPECT_EQ(app->state.DiscUnregistered, 1);
    EXPECT_FALSE(w.GGG.visible());  // compact arrangement
    DiscRecordEntry e = entry();
    e.perSongArtists = true;
    e.songArtist[1] = "歌手一";
    ASSERT_TRUE(SaveDiscRecord(*app, e));
    EXPECT_EQ(app->state.DiscUnregistered, 0);
    EXPECT_TRUE(w.GGG.visible());
    EXPECT_EQ(app->state.HasSongArtists, 1);
    EXPECT_EQ(w.ART.caption(), "歌手一");  // the artist of the track shown
    auto lines = catalogue();
    EXPECT_EQ(lines[1], "000090000-AR-");
    EXPECT_EQ(lines[4], "000090000-A01-歌手一");
}

TEST_F(Program, ACatalogueThatCannotBeWrittenChangesNothing) {
    start();
    text::writeLines("LIRAFOK.INI", {});
    app->state.KASID = dir() + "/missing/";
    ASSERT_FALSE(SaveDiscRecord(*app, entry()));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_FALSE(dialogs.shown.front().text.empty());
    EXPECT_EQ(cues.played.back(), "error");
    EXPECT_EQ(app->state.DiscUnregistered, 1);
    EXPECT_TRUE(app->state.DiscTitle.empty());
    EXPECT_EQ(cdoke(*app).List1.list(0), " 01 00:30 ");
}

TEST_F(Program, RedisplayReadsTheRecordAgainAndRepaints) {
    start();
    CDOKE& w = cdoke(*app);
    text::writeLines(dir() + "/LIRAFOK.TXT",
                     {"000090000-00-新しい題名", "000090000-AR-歌手", "000090000-02-二曲目"});
    app->state.CMAI1 = 255;
    app->state.TRKLE = 1;
    RedisplayDisc(*app);
    EXPECT_EQ(w.TITLE[0].caption(), "新しい題名");  // stored unpadded: shown as stored
    EXPECT_EQ(w.ART.caption(), "歌手 ");
    EXPECT_EQ(w.TRKNO.backColor(), 255);
    EXPECT_EQ(w.TIMEDSP.foreColor(), ui::kBlack);
    EXPECT_EQ(w.List1.list(1), " 02 00:30 二曲目");
    EXPECT_TRUE(w.List1.selected(0));  // the track shown in TRKNO
    EXPECT_TRUE(w.GGG.visible());      // registered now: full arrangement
    EXPECT_EQ(w.Timer1.interval(), 0);
}

}  // namespace
}  // namespace lirafok

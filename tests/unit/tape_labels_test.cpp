// The tape split's arithmetic on tables of discs, the tape length's limits, and the MD label
// windows on a stand-in program editor (the label reads only the editor's program list).
#include <gtest/gtest.h>

#include "common/app.h"
#include "labels/cdmd.h"
#include "labels/cdmdf.h"
#include "program/cdprg.h"
#include "program/cdtedit.h"
#include "scenario/headless.h"

namespace lirafok {
namespace {

struct SplitCase {
    const char* what;
    std::vector<std::int32_t> seconds;  // tracks 1..n
    std::int32_t capacitySeconds;
    bool bestFit;
    std::vector<int> sideA, sideB;
    int exchanges;
};

TEST(TapeSplit, InOrderAndBestFit) {
    const SplitCase cases[] = {
        {"a track that would fill side A exactly stays off it",
         {600, 750, 100},
         1350,
         false,
         {1},
         {2, 3},
         0},
        {"a disc shorter than a side is all side A", {60, 60}, 1350, false, {1, 2}, {}, 0},
        {"best fit skips a track exactly as long as the room",
         {600, 750, 700, 740},
         1350,
         true,
         {1, 4},
         {2, 3},
         0},
        {"equal lengths: the lowest number joins side A",
         {1000, 400, 300, 300},
         1350,
         true,
         {1, 3},
         {2, 4},
         0},
        {"one exchange, then none better than the gap",
         {270, 900, 450, 405},
         1350,
         true,
         {4, 2},
         {3, 1},
         1},
        {"a perfect fit makes no exchange", {675, 675, 100}, 1351, true, {1, 2}, {3}, 0},
        {"nothing fits and no exchange helps: side B keeps the rest",
         {900, 900},
         1000,
         true,
         {1},
         {2},
         0},
    };
    for (const SplitCase& c : cases) {
        std::vector<std::int32_t> ms{0};
        for (std::int32_t s : c.seconds) ms.push_back(s * 1000);
        const TapeSplit got = splitTracks(ms, static_cast<int>(c.seconds.size()),
                                          c.capacitySeconds * 1000, c.bestFit);
        EXPECT_EQ(got.sideA, c.sideA) << c.what;
        EXPECT_EQ(got.sideB, c.sideB) << c.what;
        EXPECT_EQ(got.exchanges, c.exchanges) << c.what;
    }
}

TEST(TapeSplit, TimeLeftGoesNegativeWhenASideIsOverFull) {
    EXPECT_EQ(tapeLeftText(45, 1380000), "00:-30");   // 23:00 on a 22:30 side
    EXPECT_EQ(tapeLeftText(45, 1440400), "-01:-30");  // 24:00.4
    EXPECT_EQ(tapeLeftText(45, 0), "22:30");
    EXPECT_EQ(tapeLeftText(1, 29600), "00:00");  // 0.4 s left shows as none
    EXPECT_EQ(tapeTotalText(59500), "01:00");
}

class LabelWindows : public ::testing::Test, protected scenario::HeadlessMachine {
protected:
    void SetUp() override {
        app = std::make_unique<App>(services());
        app->state.SOUND = 1;
        app->state.AppDir = "/nonexistent/";
        app->registerForm<CDPRG>();
        app->registerForm<CDMD>();
        app->registerForm<CDMDF>();
        app->registerForm<CDTEDIT>();
        app->state.DiscTitle = "ABC                       DEF";
        app->state.DiscArtist = "";
    }
    CDMD& openLabel(int entries) {
        app->show("CDPRG");
        auto& prg = app->form<CDPRG>();
        for (int i = 0; i < entries; ++i)
            prg.SEL.addItem((i % 2 ? "05" : "02") + std::string(" 03:2") + char('0' + i % 10) +
                            " 曲" + std::to_string(i + 1));
        app->show("CDMD");
        return static_cast<CDMD&>(app->form("CDMD"));
    }
    CDMDF& label() { return static_cast<CDMDF&>(app->form("CDMDF")); }

    std::unique_ptr<App> app;
};

TEST_F(LabelWindows, TapeLengthStaysWithinOneAndHundredTwentyMinutes) {
    app->show("CDTEDIT");
    auto& w = static_cast<CDTEDIT&>(app->form("CDTEDIT"));
    for (int i = 0; i < 60; ++i) w.Spin1.userSpinUp();
    EXPECT_EQ(w.TIMEX.caption(), "120");
    EXPECT_TRUE(cues.played.empty());
    w.Spin1.userSpinUp();
    EXPECT_EQ(w.TIMEX.caption(), "120");
    for (int i = 0; i < 119; ++i) w.Spin1.userSpinDown();
    EXPECT_EQ(w.TIMEX.caption(), "1");
    w.Spin1.userSpinDown();
    EXPECT_EQ(w.TIMEX.caption(), "1");
    EXPECT_EQ(cues.played, (std::vector<std::string>{"error", "error"}));
}

TEST_F(LabelWindows, SongColumnsNumberByListPosition) {
    CDMD& md = openLabel(9);
    ASSERT_TRUE(label().shown());
    EXPECT_EQ(label().caption(), "MDラベル");
    EXPECT_EQ(label().LABEL2.caption(), "ABC DEF");
    EXPECT_EQ(label().LABEL2.height(), 480);
    EXPECT_FALSE(label().LABEL1[1].visible());
    EXPECT_EQ(label().LABEL1[0].width(), 3735);
    EXPECT_EQ(label().LABEL2.font().size, 10.5);
    EXPECT_EQ(label().LABEL1[0].font().size, 9);
    md.Check2.userClick();
    md.Check3.userClick();
    EXPECT_TRUE(label().LABEL1[0].caption().starts_with("01 03:20 曲1\r\n02 03:21 曲2\r\n"));
    // Nine entries: four and five, each entry once, the numbers running on.
    md.Check5.userClick();
    EXPECT_TRUE(label().LABEL1[1].visible());
    EXPECT_TRUE(label().Line6.visible());
    EXPECT_EQ(label().LABEL1[0].width(), 1815);
    EXPECT_EQ(label().LABEL1[0].caption(),
              "01 03:20 曲1\r\n02 03:21 曲2\r\n03 03:22 曲3\r\n04 03:23 曲4\r\n");
    EXPECT_EQ(label().LABEL1[1].caption(),
              "05 03:24 曲5\r\n06 03:25 曲6\r\n07 03:26 曲7\r\n"
              "08 03:27 曲8\r\n09 03:28 曲9\r\n");
    md.Check3.userClick();
    EXPECT_TRUE(label().LABEL1[0].caption().starts_with("01 曲1\r\n02 曲2\r\n"));
    md.Check5.userClick();
    EXPECT_FALSE(label().LABEL1[1].visible());
    EXPECT_FALSE(label().Line6.visible());
}

TEST_F(LabelWindows, ColumnSplitsForFewEntries) {
    EXPECT_EQ(mdFirstColumnCount(0), 0);
    EXPECT_EQ(mdFirstColumnCount(1), 1);  // not left with an empty first column
    EXPECT_EQ(mdFirstColumnCount(2), 1);
    EXPECT_EQ(mdFirstColumnCount(9), 4);
    EXPECT_EQ(mdFirstColumnCount(10), 5);
    CDMD& md = openLabel(1);
    md.Check5.userClick();
    EXPECT_EQ(label().LABEL1[0].caption(), "曲1\r\n");
    EXPECT_EQ(label().LABEL1[1].caption(), "");
}

TEST_F(LabelWindows, TitleLinesAndAlignment) {
    CDMD& md = openLabel(0);
    EXPECT_EQ(label().LABEL1[0].caption(), "");
    // Separate lines asked for, but no artist: one line of height 480.
    md.Check1.userClick();
    EXPECT_EQ(label().LABEL2.height(), 480);
    EXPECT_FALSE(label().LABEL3.visible());
    app->state.DiscArtist = "山田花子  ";
    md.Check1.userClick();
    EXPECT_EQ(label().LABEL2.caption(), "ABC DEF ／ 山田花子");
    md.Check1.userClick();
    EXPECT_EQ(label().LABEL2.caption(), "ABC DEF");
    EXPECT_EQ(label().LABEL2.height(), 240);
    EXPECT_TRUE(label().LABEL3.visible());
    EXPECT_EQ(label().LABEL3.caption(), "山田花子");
    md.Check4.userClick();
    EXPECT_EQ(label().LABEL2.alignment(), 7);
    EXPECT_EQ(label().LABEL3.alignment(), 7);
    md.Check4.userClick();
    EXPECT_EQ(label().LABEL2.alignment(), 1);
    // Fonts: at most 16 points, on both title labels.
    dialogs.fonts.push_back({ui::FontChoice{"Noto Sans CJK JP", 20, true, false}, 1});
    md.SSCommand1.userClick();
    EXPECT_EQ(label().LABEL3.font(), (ui::Font{"Noto Sans CJK JP", 16, true, false}));
}

TEST_F(LabelWindows, PrintsTheLabelAsAnImageAndClosesWithIt) {
    CDMD& md = openLabel(2);
    md.Command3D2.userClick();
    ASSERT_EQ(printer.lastJob.size(), 2u);
    EXPECT_EQ(printer.lastJob[0], (std::vector<std::string>{"form", "CDMDF"}));
    EXPECT_EQ(printer.lastJob[1], (std::vector<std::string>{"enddoc"}));
    // Cancel closes the label too, and so does the frame.
    md.Command3D7.userClick();
    EXPECT_FALSE(app->isLoaded("CDMD"));
    EXPECT_FALSE(app->isLoaded("CDMDF"));
    openLabel(0);
    app->form("CDMD").userClose();
    EXPECT_FALSE(app->isLoaded("CDMDF"));
    CDMD& again = openLabel(0);
    again.Command3D1.userClick();
    EXPECT_FALSE(app->isLoaded("CDMD"));
    EXPECT_FALSE(app->isLoaded("CDMDF"));
}

}  // namespace
}  // namespace lirafok

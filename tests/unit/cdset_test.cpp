// The timing setter and its disc-change prompt on the whole program running headless (virtual
// clock, simulated drive, scripted dialogs, real files), opened as the registration window
// opens it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../support/temp_folder.h"
#include "common/app.h"
#include "core/text.h"
#include "editors/cdset.h"
#include "editors/cdset_time.h"
#include "player/cdoke.h"
#include "scenario/headless.h"
#include "../support/window_test.h"
#include "windows/windows.h"

namespace lirafok {
namespace {

namespace fs = std::filesystem;
using namespace scenario;
using device::DeviceMode;
using device::TransportButton;

// Twelve tracks of 60 s from 2000 ms: disc key 000720000, track 3 starts at 122000 ms.
constexpr std::int32_t kTrack3 = 122000;
const std::string kFile = "00072000.003";

class Setter : public testing::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        settings({"SOUND=1", "CYOUS=0300", "AUTOX=0"});
        insertDisc();
        text::writeLines("LIRAFOK.TXT", {"000720000-00-Title", "000720000-03-三曲目"});
        onModalShown = [](ui::Form& f) {
            EXPECT_EQ(f.caption(), "タイミング保存");
            EXPECT_EQ(f.findControl("Label1")->caption(), "タイミングを保存しますか？");
        };
        start();
    }

    void insertDisc() { drives.current().insertDisc(std::vector<std::int32_t>(12, 60000)); }
    static constexpr auto writeRaw = lirafok::testing::writeRaw;
    static constexpr auto readRaw = lirafok::testing::readRaw;
    CDSET& open(int track = 3) {
        OpenTimingSetter(*app, track);
        sched.runDue();
        auto* w = app->loaded<CDSET>();
        if (!w) throw std::runtime_error("CDSET did not open");
        return *w;
    }
    bool setterOpen() const { return app->isLoaded<CDSET>(); }
    std::vector<std::string> rows(const CDSET& w) const {
        std::vector<std::string> out;
        for (const ui::Panel& p : w.KASI) out.push_back(p.caption());
        return out;
    }
    std::vector<std::string> messages() {
        std::vector<std::string> out;
        for (const MessageRecord& m : dialogs.shown) out.push_back(m.text);
        dialogs.shown.clear();
        return out;
    }
    std::string lastCue() const { return cues.played.empty() ? "" : cues.played.back(); }
    // The player is free again: nothing held, the main window's Play button plays.
    void expectPlayerReleased() {
        const AppState& s = app->state;
        EXPECT_EQ(s.TimingSetterActive, 0);
        EXPECT_EQ(s.SetterHoldTransport, 0);
        EXPECT_EQ(s.SetterHoldStatus, 0);
        EXPECT_EQ(s.SetterRunFinished, 0);
        main().MMControl1.userButton(TransportButton::Play);
        EXPECT_EQ(lastCue(), "ok");
        EXPECT_EQ(drives.current().mode(), DeviceMode::Playing);
        main().MMControl1.userButton(TransportButton::Stop);
        sched.advance(3000);
    }
};

// Three sung lines, two empty lines and a stale timing for line 4.
const std::string kText = text::toCp932("一行目\r\n\tタブ\r\nさん\r\n\r\n\r\n");
const std::string kLyric = kText + "\x03\r\n004 009000 1\r\n";

TEST(SetterTime, TextAndItsReverse) {
    const std::pair<std::int32_t, const char*> shown[] = {
        {0, "00：00：000"},     {62500, "01：02：500"},   {59999, "00：59：999"},
        {60000, "01：00：000"}, {5999999, "99：59：999"}, {6000000, "100：00：000"},
    };
    for (const auto& [ms, text] : shown) {
        EXPECT_EQ(TIME_SETWK(ms), text) << ms;
        if (ms < 6000000) {
            EXPECT_EQ(setterTimeValue(text), ms) << text;
        }
    }
    // What a user may type: fields are taken by position, each read leniently.
    const std::pair<const char*, std::int32_t> typed[] = {
        {"01:02:500", 62500},
        {"1：02：500", 62000},
        {"00：03：5", 3005},
        {"ab：cd：efg", 0},
        {"", 0},
        {"02", 120000},
    };
    for (const auto& [text, ms] : typed) EXPECT_EQ(setterTimeValue(text), ms) << text;
}

TEST_F(Setter, RecordsLinesTrimsTheLyricRefusesTheFifthSetAndSavesWithABackup) {
    writeRaw(kFile, kLyric);
    CDSET& w = open();
    const AppState& s = app->state;
    EXPECT_EQ(w.caption(), "03 - 三曲目");
    // Three lines and one empty line: the stale fifth line and its timing are gone.
    EXPECT_EQ(s.Lyrics.count, 4);
    EXPECT_EQ(rows(w), (std::vector<std::string>{"", "", "", "", "", "一行目", "        タブ",
                                                 "さん", "", ""}));
    EXPECT_EQ(w.CHG.foreColor(), ui::kBlack);
    EXPECT_EQ(w.INFO.caption(),
              "あと 4 回「設 定」(Space) を押します（最後の 1 回は最後の行の歌い終わり）。");
    for (const ui::TextBox& box : w.Text1) EXPECT_EQ(box.text(), "");

    // The player is held: its transport is refused.
    main().MMControl1.userButton(TransportButton::Play);
    EXPECT_EQ(lastCue(), "error");
    EXPECT_EQ(drives.current().mode(), DeviceMode::Stopped);

    w.Command3D2.userClick();  // 設 定 before 設定開始
    EXPECT_EQ(lastCue(), "error");
    w.Command3D1.userClick();
    EXPECT_EQ(lastCue(), "ok");
    EXPECT_EQ(main().TRKNO.caption(), "3");
    EXPECT_EQ(drives.current().lastPlay(), std::make_pair(kTrack3, kTrack3 + 59000));

    // Nudging and closing are refused while the track plays.
    w.UPX.userClick();
    EXPECT_TRUE(w.userClose() == false);
    EXPECT_EQ(messages(), (std::vector<std::string>{"停止してから行ってください",
                                                    "停止してから行ってください"}));
    ASSERT_TRUE(setterOpen());

    for (int line = 0; line < 4; ++line) {
        sched.advance(1000);
        if (line == 3)
            EXPECT_EQ(w.INFO.caption(),
                      "あと 1 回：最後の行を歌い終えたところで「設 定」(Space) を押します。");
        // Space presses "設 定" as well as the button does.
        if (line % 2)
            w.Command3D2.userClick();
        else
            EXPECT_TRUE(w.userKeyDown(ui::key::kSpace, 0));
    }
    EXPECT_EQ(s.NextLyricLine, 4);
    EXPECT_EQ(w.INFO.caption(), "すべての行のタイミングを設定しました。");
    EXPECT_EQ(w.Text1[4].text(), "00：04：000");
    EXPECT_EQ(w.KASI[3].caption(), "さん");
    sched.advance(1000);
    w.Command3D2.userClick();  // past the last line: refused, recording ends
    EXPECT_EQ(lastCue(), "error");
    EXPECT_EQ(w.SetterRecording, 0);
    EXPECT_EQ(s.NextLyricLine, 4);
    EXPECT_EQ(s.Lyrics.times[4], kNoTiming);
    w.Command3D2.userClick();
    EXPECT_EQ(lastCue(), "error");

    // A page break on line 3 (row 4), and line 2 nudged after stopping.
    w.CHG.userClick();
    EXPECT_EQ(w.CHG.caption(), "改頁");
    EXPECT_EQ(w.CHG.foreColor(), ui::kRed);
    w.Command3D8.userClick();
    sched.advance(3000);
    EXPECT_EQ(drives.current().mode(), DeviceMode::Stopped);
    w.Command3D8.userClick();
    EXPECT_EQ(lastCue(), "error");
    main().MMControl1.userButton(TransportButton::Play);  // still held after the run
    EXPECT_EQ(lastCue(), "error");
    w.Command3D7.userClick();
    w.Command3D7.userClick();  // N = 2: row 5 is line 2
    w.UPX.userClick();
    w.UPX.userClick();
    w.DOWNX.userClick();
    EXPECT_EQ(w.Text1[5].text(), "00：03：100");
    w.Command3D6.userClick();
    w.Command3D6.userClick();

    w.Command3D3.userClick();
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(setterOpen());
    // The text section is kept byte for byte; the timing section is replaced.
    EXPECT_EQ(readRaw(kFile),
              kText + "\x03\r\n000 001000 0\r\n001 002000 0\r\n002 003100 0\r\n003 004000 1\r\n");
    EXPECT_EQ(readRaw("LIRAFOK.BAK"), kLyric);
    EXPECT_EQ(main().TRKNO.caption(), "1");
    EXPECT_EQ(drives.current().positionMs(), 2000);
    expectPlayerReleased();
}

TEST_F(Setter, SaveRefusesUntimedAndReversedLinesAndAppliesRowFour) {
    struct Case {
        const char* what;
        std::string timings;
        int cursor;           // NEXT presses before the save
        const char* row4;     // typed into row 4's box, or nullptr
        const char* message;  // nullptr: saved
        std::string saved;    // timing section written
    };
    const Case cases[] = {
        {"reversed", "000 001000 0\r\n001 001000 0\r\n002 003000 0\r\n", 0, nullptr,
         "タイミングが逆転しています", ""},
        {"untimed", "000 001000 0\r\n002 003000 0\r\n", 0, nullptr,
         "タイミングが設定されていない行が有ります", ""},
        {"row 4 emptied", "000 001000 0\r\n001 002000 0\r\n002 003000 0\r\n", 2, "",
         "タイミングが設定されていない行が有ります", ""},
        {"row 4 applied", "000 001000 0\r\n001 001000 0\r\n002 063000 0\r\n", 2, "01：02：500",
         nullptr, "000 001000 0\r\n001 062500 0\r\n002 063000 0\r\n"},
        {"a time the file cannot hold", "000 001000 0\r\n001 002000 0\r\n002 003000 0\r\n", 2,
         "16：40：000", "16分40秒より後の行にはタイミングを設定できません", ""},
        {"the last time the file holds", "000 001000 0\r\n001 002000 0\r\n002 999998 0\r\n", 2,
         "16：39：997", nullptr, "000 001000 0\r\n001 999997 0\r\n002 999998 0\r\n"},
        {"row 4 at the end is not applied", "000 001000 0\r\n001 002000 0\r\n002 003000 0\r\n", 3,
         "", nullptr, "000 001000 0\r\n001 002000 0\r\n002 003000 0\r\n"},
    };
    const std::string text = "a\r\nb\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove("LIRAFOK.BAK");
        const std::string before = text + "\x03\r\n" + c.timings;
        writeRaw(kFile, before);
        CDSET& w = open();
        ASSERT_EQ(app->state.Lyrics.count, 3);
        for (int i = 0; i < c.cursor; ++i) w.Command3D6.userClick();
        if (c.row4) w.Text1[4].userType(c.row4);
        w.Command3D3.userClick();
        if (c.message) {
            EXPECT_EQ(messages(), std::vector<std::string>{c.message});
            EXPECT_EQ(lastCue(), "error");
            ASSERT_TRUE(setterOpen());
            EXPECT_EQ(readRaw(kFile), before);
            EXPECT_FALSE(fs::exists("LIRAFOK.BAK"));
            w.Command3D4.userClick();
            EXPECT_EQ(readRaw(kFile), before);
        } else {
            EXPECT_TRUE(messages().empty());
            EXPECT_EQ(readRaw(kFile), text + "\x03\r\n" + c.saved);
            EXPECT_EQ(readRaw("LIRAFOK.BAK"), before);
        }
        EXPECT_FALSE(setterOpen());
        EXPECT_EQ(app->state.TimingSetterActive, 0);
    }
}

TEST_F(Setter, ASaveThatCannotBeWrittenSaysSoAndKeepsTheSetterOpen) {
    const std::string before = "a\r\n\x03\r\n000 001000 0\r\n001 002000 0\r\n";
    writeRaw(kFile, before);
    fs::create_directory("LIRAFOK.BAK");
    CDSET& w = open();
    w.Command3D3.userClick();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "CDSET");
    EXPECT_EQ(messages(), std::vector<std::string>{"COPY ERR"});
    ASSERT_TRUE(setterOpen());
    EXPECT_EQ(app->state.TimingSetterActive, 1);
    EXPECT_EQ(readRaw(kFile), before);
    fs::remove("LIRAFOK.BAK");
    w.Command3D3.userClick();
    EXPECT_FALSE(setterOpen());
    EXPECT_EQ(readRaw("LIRAFOK.BAK"), before);
}

TEST_F(Setter, TestModeMovesEachLineIntoRowFourTheLeadTimeEarly) {
    writeRaw(kFile,
             "a\r\nb\r\nc\r\n\x03\r\n000 001000 0\r\n001 002000 0\r\n002 003000 0\r\n"
             "003 004000 0\r\n");
    CDSET& w = open();
    w.Command3D9.userClick();
    EXPECT_EQ(drives.current().lastPlay(), std::make_pair(kTrack3, kTrack3 + 59000));
    EXPECT_EQ(w.SetterTesting, 1);
    // CYOUS 300: line k reaches row 4 at its time minus 300 ms.
    const std::pair<int, const char*> steps[] = {
        {699, ""}, {1, "a"}, {999, "a"}, {1, "b"}, {1000, "c"}};
    for (const auto& [ms, row4] : steps) {
        sched.advance(ms);
        EXPECT_EQ(w.KASI[4].caption(), row4) << "after " << ms;
    }
    EXPECT_EQ(w.KASI[5].caption(), "");  // the closing empty line
    sched.advance(1000);                 // nothing timed is left: the test ends
    EXPECT_EQ(w.Timer1.interval(), 0);
    w.Command3D8.userClick();
    sched.advance(3000);
    EXPECT_TRUE(w.userClose());  // the frame cancels as "取消" does once the disc has stopped
    EXPECT_FALSE(setterOpen());
    expectPlayerReleased();
}

TEST_F(Setter, DiscRemovedWhileOpenAsksThenClosesTheSetterAndReleasesThePlayer) {
    const std::string lyric = "a\r\n\x03\r\n000 001000 0\r\n001 002000 0\r\n";
    const std::string saved = "a\r\n\x03\r\n000 001500 0\r\n001 002000 0\r\n";
    enum class Run { None, Playing, Stopped };  // the setter's run when the door opens
    struct Case {
        const char* answer;
        Run run;
        std::string after;
    };
    const Case cases[] = {{"Command1", Run::None, saved},    {"Command2", Run::None, lyric},
                          {"Command1", Run::Playing, saved}, {"Command2", Run::Playing, lyric},
                          {"Command1", Run::Stopped, saved}, {"Command2", Run::Stopped, lyric}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.answer) + " run " + std::to_string(static_cast<int>(c.run)));
        writeRaw(kFile, lyric);
        CDSET& w = open();
        if (c.run == Run::None) {
            w.Command3D6.userClick();
            w.Text1[4].userType("00：01：500");
        } else {
            w.Command3D1.userClick();
            sched.advance(1500);
            w.Command3D2.userClick();  // line 0 at 1500 ms into the track
        }
        if (c.run == Run::Stopped) {
            w.Command3D8.userClick();
            sched.advance(10000);  // the held player still watches the drive
        }
        answerModal("CDSTIME", c.answer);
        drives.current().openDoor();
        sched.advance(3000);
        EXPECT_FALSE(modalAnswersLeft());
        EXPECT_FALSE(app->isLoaded("CDSTIME"));
        EXPECT_FALSE(setterOpen());
        EXPECT_EQ(readRaw(kFile), c.after);
        messages();
        insertDisc();
        sched.advance(5000);
        ASSERT_EQ(app->state.TrackCount, 12);
        expectPlayerReleased();
    }
}

TEST_F(Setter, WithoutALyricEveryButtonButCancelAsksToCancelAndTheLockHolds) {
    CDSET& w = open(5);
    EXPECT_EQ(dialogs.shown.back().title, "歌詞タイミング設定");
    EXPECT_EQ(messages(), std::vector<std::string>{"歌詞が登録されていません"});
    EXPECT_EQ(app->state.TimingSetterActive, 1);
    EXPECT_EQ(app->state.SetterHoldTransport, 1);
    for (ui::Button* b : {&w.Command3D1, &w.Command3D2, &w.Command3D3, &w.Command3D5, &w.Command3D6,
                          &w.Command3D7, &w.Command3D8, &w.Command3D9, &w.UPX, &w.DOWNX, &w.CHG}) {
        b->userClick();
        EXPECT_EQ(messages(), std::vector<std::string>{"取消を行って下さい"}) << b->name();
        EXPECT_EQ(lastCue(), "error");
    }
    main().MMControl1.userButton(TransportButton::Play);
    EXPECT_EQ(lastCue(), "error");
    EXPECT_FALSE(fs::exists("00072000.005"));

    // The disc goes: the prompt's save has nothing to write; the setter closes all the same.
    answerModal("CDSTIME", "Command1");
    drives.current().openDoor();
    sched.advance(3000);
    EXPECT_FALSE(modalAnswersLeft());
    EXPECT_FALSE(setterOpen());
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(fs::exists("00072000.005"));
    insertDisc();
    sched.advance(5000);
    expectPlayerReleased();
}

}  // namespace
}  // namespace lirafok

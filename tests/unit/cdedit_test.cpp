// The lyrics editor and its save prompt on the whole program running headless (virtual clock,
// simulated drive, scripted dialogs, real files), opened as the registration window opens it.
#include <gtest/gtest.h>

#include <deque>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../support/temp_folder.h"
#include "common/app.h"
#include "core/text.h"
#include "editors/cdedit.h"
#include "lyrics/lyrics_file.h"
#include "scenario/headless.h"
#include "../support/window_test.h"
#include "windows/windows.h"

namespace lirafok {
namespace {

namespace fs = std::filesystem;
using namespace scenario;

class Editor : public testing::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        settings({"SOUND=1", "KASIF=9"});
        // Twelve tracks of 10 s: disc key 000120000, so track 3 is 00012000.003.
        drives.current().insertDisc(std::vector<std::int32_t>(12, 10000));
        text::writeLines("LIRAFOK.TXT", {"000120000-00-Title", "000120000-03-三曲目"});
        start();
    }

    static std::string lyrics(int track) { return "00012000.0" + text::pad(track, 2); }
    static constexpr auto writeRaw = lirafok::testing::writeRaw;
    static constexpr auto readRaw = lirafok::testing::readRaw;
    CDEDIT& open(int track) {
        OpenLyricsEditor(*app, track);
        sched.runDue();
        auto* w = app->loaded<CDEDIT>();
        if (!w) throw std::runtime_error("CDEDIT did not open");
        return *w;
    }
    bool editorOpen() const { return app->isLoaded<CDEDIT>(); }
    // The message boxes shown since the last call.
    std::vector<std::string> messages() {
        std::vector<std::string> out;
        for (const MessageRecord& m : dialogs.shown) out.push_back(m.text);
        dialogs.shown.clear();
        return out;
    }
};

const std::string kTimings = "000 001000 1\r\n002 000000 0\r\n";
const std::string kText = text::toCp932("春の歌") + "\r\n\tタブ\r\n\r\n";

TEST_F(Editor, EachSizeMarkerLoadsChecksItsEntryAndSavesBack) {
    struct Size {
        const char* entry;
        std::string marker;  // the file's first line; empty for the standard size
        int points;
    };
    const Size sizes[] = {{"PHY", "", 9},      {"P10", "\x02", 10}, {"P11", "\x04", 11},
                          {"P12", "\x01", 12}, {"P13", "\x05", 13}, {"P14", "\x06", 14}};
    writeRaw(lyrics(3), "\x06\r\n" + kText + "\x03\r\n" + kTimings);
    for (const Size& size : sizes) {
        SCOPED_TRACE(size.entry);
        CDEDIT& w = open(3);
        EXPECT_EQ(w.caption(), "03 - 三曲目");
        EXPECT_EQ(w.EDTEXT.text(), text::fromCp932(kText));
        w.findControl(size.entry)->userClick();
        for (const char* other : {"PHY", "P10", "P11", "P12", "P13", "P14"})
            EXPECT_EQ(static_cast<ui::Menu*>(w.findControl(other))->checked(),
                      std::string(other) == size.entry);
        EXPECT_EQ(w.EDTEXT.font().size, size.points);
        w.Quit.userClick();
        EXPECT_FALSE(editorOpen());
        const std::string markerLine = size.marker.empty() ? "" : size.marker + "\r\n";
        EXPECT_EQ(readRaw(lyrics(3)), markerLine + kText + "\x03\r\n" + kTimings);

        // Reopened, the saved marker checks the same entry alone.
        CDEDIT& again = open(3);
        EXPECT_TRUE(static_cast<ui::Menu*>(again.findControl(size.entry))->checked());
        EXPECT_EQ(again.checkedFontSize(), size.marker.empty() ? 0 : size.points);
        EXPECT_EQ(again.EDTEXT.font().size, size.points);
        again.CANCEL_R.userClick();
        EXPECT_EQ(app->state.EditorActive, 0);
    }
    // Choosing 10 points after 14 leaves only the 10-point entry checked.
    CDEDIT& w = open(3);
    w.P14.userClick();
    w.P10.userClick();
    EXPECT_FALSE(w.P14.checked());
    w.Quit.userClick();
    EXPECT_EQ(readRaw(lyrics(3)).substr(0, 3), "\x02\r\n");
}

TEST_F(Editor, LoadedAndSavedWithoutChangesTheFileIsByteIdentical) {
    const std::string files[] = {
        "\x04\r\n" + kText + "\x03\r\n" + kTimings,
        kText + "\x03\r\n",
        // What a plain text editor leaves: no separator, no line break at the end.
        text::toCp932("一行目") + "\r\nlast",
    };
    for (const std::string& bytes : files) {
        writeRaw(lyrics(5), bytes);
        for (int round = 0; round < 3; ++round) {
            open(5).Quit.userClick();
            ASSERT_FALSE(editorOpen());
            EXPECT_EQ(readRaw(lyrics(5)), bytes);
        }
    }
    // An edited text saves with no empty line added after its last line.
    writeRaw(lyrics(5), "a\r\n\x03\r\n" + kTimings);
    CDEDIT& w = open(5);
    w.EDTEXT.userType("a\r\nb\r\n");
    w.Quit.userClick();
    const std::string edited = "a\r\nb\r\n\x03\r\n" + kTimings;
    EXPECT_EQ(readRaw(lyrics(5)), edited);
}

TEST_F(Editor, AMissingFileOpensEmptyUnderTheLockAndSavingCreatesIt) {
    CDEDIT& w = open(4);
    EXPECT_EQ(w.caption(), "04 - ");
    EXPECT_EQ(w.EDTEXT.text(), "");
    EXPECT_TRUE(w.PHY.checked());
    EXPECT_EQ(w.EDTEXT.font().size, 9);
    EXPECT_EQ(app->state.EditorActive, 1);  // the timing setter stays refused
    EXPECT_EQ(app->state.EditorSavePending, 1);
    EXPECT_EQ(w.left(), screen.width - w.width());
    EXPECT_EQ(w.top(), 0);
    EXPECT_EQ(w.height(), screen.height);

    w.EDTEXT.userType("新しい歌\r\n二行目");
    w.P12.userClick();
    w.Quit.userClick();
    EXPECT_FALSE(editorOpen());
    EXPECT_EQ(app->state.EditorActive, 0);
    EXPECT_EQ(app->state.EditorSavePending, 0);
    EXPECT_EQ(readRaw(lyrics(4)),
              "\x01\r\n" + text::toCp932("新しい歌\r\n二行目\r\n") + "\x03\r\n");

    // Nothing typed: saving still creates the file, with the separator alone.
    open(6).Quit.userClick();
    EXPECT_EQ(readRaw(lyrics(6)), "\x03\r\n");
}

TEST_F(Editor, ClipboardEntriesWorkOnTheSelectionAndTheSystemClipboard) {
    writeRaw(lyrics(3), text::toCp932("あいうえお") + "\r\n");
    CDEDIT& w = open(3);
    w.EDTEXT.setSelection(1, 2);
    w.COPY.userClick();
    EXPECT_EQ(clipboard.value, "いう");
    w.Cut.userClick();
    EXPECT_EQ(w.EDTEXT.text(), "あえお\r\n");
    w.EDTEXT.setSelection(3, 0);
    clipboard.value = "X\nY";
    w.Paste.userClick();
    EXPECT_EQ(w.EDTEXT.text(), "あえおX\r\nY\r\n");
    w.EDTEXT.setSelection(0, 1);
    w.Delete.userClick();
    EXPECT_EQ(w.EDTEXT.text(), "えおX\r\nY\r\n");
    EXPECT_EQ(clipboard.value, "X\nY");
}

TEST_F(Editor, CopyAsksForATrackAndRefusesWrongAnswers) {
    const std::string mine = "mine\r\n\x03\r\n";
    writeRaw(lyrics(3), mine);
    CDEDIT& w = open(3);
    for (std::optional<std::string> answer :
         {std::optional<std::string>("0"), std::optional<std::string>("13"),
          std::optional<std::string>("a1"), std::optional<std::string>("123"),
          std::optional<std::string>(""), std::optional<std::string>("７"),
          std::optional<std::string>(" 7"), std::optional<std::string>()}) {
        SCOPED_TRACE(answer.value_or("(cancelled)"));
        dialogs.inputs.push_back({answer});
        w.COPY_RTN.userClick();
        EXPECT_EQ(messages(), std::vector<std::string>{"曲番号が誤っています"});
        EXPECT_EQ(cues.played.back(), "error");
        ASSERT_TRUE(editorOpen());
    }
    dialogs.inputs.push_back({std::string("7")});  // a track without lyrics
    w.COPY_RTN.userClick();
    EXPECT_EQ(messages(), std::vector<std::string>{"複写元の歌詞が登録されていません"});
    ASSERT_TRUE(editorOpen());
    EXPECT_EQ(readRaw(lyrics(3)), mine);

    const std::string source = "\x05\r\n" + text::toCp932("七曲目") + "\r\n\x03\r\n" + kTimings;
    writeRaw(lyrics(7), source);
    w.EDTEXT.userType("discarded");
    dialogs.inputs.push_back({std::string("07")});
    w.COPY_RTN.userClick();
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(editorOpen());
    EXPECT_EQ(readRaw(lyrics(3)), source);
    EXPECT_EQ(app->state.EditorActive, 0);
    EXPECT_EQ(app->state.EditorSavePending, 0);
}

TEST_F(Editor, DiscRemovedWithUnsavedWorkAsksToSave) {
    writeRaw(lyrics(3), "old\r\n\x03\r\n" + kTimings);
    for (const char* answer : {"Command1", "Command2"}) {
        SCOPED_TRACE(answer);
        CDEDIT& w = open(3);
        w.EDTEXT.userType("new\r\n");
        w.userLoseFocus();  // working in another window does not disarm the prompt
        EXPECT_EQ(app->state.EditorSavePending, 1);
        answerModal("CDSKASI", answer);
        drives.current().openDoor();
        sched.advance(4000);
        EXPECT_FALSE(modalAnswersLeft());  // the prompt was shown modally
        EXPECT_FALSE(app->isLoaded("CDSKASI"));
        EXPECT_FALSE(editorOpen());
        EXPECT_EQ(app->state.EditorActive, 0);
        EXPECT_EQ(app->state.EditorSavePending, 0);
        const std::string text = std::string(answer) == "Command1" ? "new" : "old";
        EXPECT_EQ(readRaw(lyrics(3)), text + "\r\n\x03\r\n" + kTimings);
        writeRaw(lyrics(3), "old\r\n\x03\r\n" + kTimings);
        drives.current().insertDisc(std::vector<std::int32_t>(12, 10000));
        sched.advance(5000);
        ASSERT_EQ(app->state.TrackCount, 12);
    }

    // Picking another track while the editor is open closes it as the frame does: edited
    // text is offered for saving (here: not saved), then the other track opens.
    open(3).EDTEXT.userType("dropped\r\n");
    answerModal("CDSKASI", "Command2");
    CDEDIT& other = open(5);
    EXPECT_FALSE(modalAnswersLeft());
    EXPECT_EQ(other.caption(), "05 - ");
    EXPECT_EQ(app->state.EditorActive, 1);
    EXPECT_EQ(readRaw(lyrics(3)), "old\r\n\x03\r\n" + kTimings);
    other.CANCEL_R.userClick();

    // Closing the editor by its frame with edited text offers to save too.
    CDEDIT& w = open(3);
    w.EDTEXT.userType("framed\r\n");
    answerModal("CDSKASI", "Command1");
    w.userClose();
    EXPECT_FALSE(modalAnswersLeft());
    EXPECT_FALSE(editorOpen());
    EXPECT_EQ(readRaw(lyrics(3)), "framed\r\n\x03\r\n" + kTimings);

    // Ending the program offers to save as well.
    open(3).EDTEXT.userType("at the end\r\n");
    answerModal("CDSKASI", "Command1");
    app->form("CDOKE").userClose();
    EXPECT_TRUE(app->ended());
    EXPECT_EQ(readRaw(lyrics(3)), "at the end\r\n\x03\r\n" + kTimings);
}

TEST_F(Editor, AFileThatCannotBeReadIsNotOpenedEmpty) {
    // Opened empty, the editor's save would replace what the user has.
    const std::string big(kMaxLyricsFileBytes + 10, 'x');
    writeRaw(lyrics(3), big);
    OpenLyricsEditor(*app, 3);
    sched.runDue();
    EXPECT_FALSE(editorOpen());
    EXPECT_EQ(messages(), std::vector<std::string>{"歌詞ファイルを読めません"});
    EXPECT_EQ(app->state.EditorSavePending, 0);
    EXPECT_EQ(readRaw(lyrics(3)), big);
}

TEST_F(Editor, ASaveThatCannotBeWrittenKeepsTheText) {
    // A save that cannot be written keeps the text on screen and says so.
    CDEDIT& locked = open(3);
    locked.EDTEXT.userType("kept\r\n");
    fs::remove(lyrics(3));
    fs::create_directory(lyrics(3));
    answerModal("CDSKASI", "Command1");
    drives.current().openDoor();
    sched.advance(4000);
    EXPECT_EQ(messages(), std::vector<std::string>{"歌詞ファイルを保存できません"});
    ASSERT_TRUE(editorOpen());
    EXPECT_EQ(locked.EDTEXT.text(), "kept\r\n");
    EXPECT_EQ(app->state.EditorActive, 1);
    EXPECT_EQ(app->state.EditorSavePending, 1);

    // The next disc change offers the kept text again; this time it can be written.
    drives.current().insertDisc(std::vector<std::int32_t>(12, 10000));
    sched.advance(5000);
    fs::remove(lyrics(3));
    answerModal("CDSKASI", "Command1");
    drives.current().openDoor();
    sched.advance(4000);
    EXPECT_FALSE(modalAnswersLeft());
    EXPECT_FALSE(editorOpen());
    EXPECT_EQ(readRaw(lyrics(3)), "kept\r\n\x03\r\n");
}

}  // namespace
}  // namespace lirafok

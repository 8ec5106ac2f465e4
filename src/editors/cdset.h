#pragma once
// The lyrics timing setter: records, for one track, the moment each lyric line begins while
// the track plays from the setter, lets the user nudge times and mark page breaks, tests the
// result against the playing track, and saves the timing section of the track's lyrics file.
//
// While the window is open it owns the shared lyric tables and the line cursor NextLyricLine
// (N: row r shows line N - 5 + r, so row 4 holds the line last set and row 5 the next one),
// the lyrics display is suspended, and the player is held: the main window's transport buttons
// are refused and its status routine leaves the stopped disc where the setter put it.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "ui/control.h"
#include "ui/form.h"
#include "ui/timer.h"

namespace lirafok {

class App;
class SetterWords;

inline constexpr int kSetterRows = 10;

class CDSET : public ui::Form {
public:
    static constexpr const char* kName = "CDSET";
    explicit CDSET(App& app);

    App& app;
    std::array<ui::Panel, kSetterRows> KASI;
    std::array<ui::TextBox, kSetterRows> Text1;
    ui::Button Command3D1;  // 設定開始
    ui::Button Command3D2;  // 設 定
    ui::Button Command3D3;  // 保存
    ui::Button Command3D4;  // 取消
    ui::Button Command3D5;  // TOP
    ui::Button Command3D6;  // NEXT
    ui::Button Command3D7;  // PREV
    ui::Button Command3D8;  // 停止
    ui::Button Command3D9;  // テスト
    ui::Button UPX, DOWNX, CHG;
    ui::Button WORD;   // 文字単位: one tap per syllable instead of one per line
    ui::Button SPLIT;  // 分ける: the syllable under the cursor after its first character
    ui::Button JOIN;   // つなぐ: the syllable under the cursor with the next one
    ui::Button ENDX;   // 区切り (Enter): the syllable just tapped ends now
    ui::Label INFO;    // how many presses of "設 定" are still needed
    ui::Timer Timer1;  // test mode

    // The track being set (the last two characters of SetterLyricsPath).
    int EditTrack = 0;
    std::int32_t SetterRecording = 0;  // "設定開始" pressed: "設 定" records
    std::int32_t SetterTesting = 0;
    std::int32_t SavedProgramPlay = 0;
    std::int32_t SavedListPlay = 0;

    void Command3D1_Click();
    void Command3D2_Click();
    void Command3D3_Click();
    void Command3D4_Click();
    void Command3D5_Click();
    void Command3D6_Click();
    void Command3D7_Click();
    void Command3D8_Click();
    void Command3D9_Click();
    void UPX_Click();
    void DOWNX_Click();
    void CHG_Click();
    void WORD_Click();
    void SPLIT_Click();
    void JOIN_Click();
    void ENDX_Click();
    void Timer1_Timer();

    // Word mode is on (the setter taps syllables).
    bool wordMode() const { return m_wordOn; }
    const SetterWords* words() const { return m_words.get(); }
    // Writes the word mode's syllables beside the lyrics file. False (told) on failure.
    bool saveWords();
    // The syllable times run backwards in a line: told, and that line comes up. True then.
    bool refusedForDisorder();

    // Shows lines N - 5 .. N + 4 in the rows and the page mark of line N - 1.
    void showRows();
    // Row 4's box into the time of line N - 1 (empty: no timing), when 1 <= N <= LyricCount - 1.
    void applyRow4();
    // Ends the setter's hold: flags cleared, test timer off, play modes as they were; with
    // `cue`, the stopped disc is cued at track 1 (or the first list entry) and the main
    // window's display refreshed. The window itself stays; the caller closes it.
    void releasePlayer(bool cue);

    // Puts the cursor on line `line` (row 5, the next line to set) and shows the rows.
    void moveCursorTo(int line);

    ~CDSET() override;

protected:
    void Form_Load() override;
    void Form_QueryUnload(bool& cancel, ui::UnloadMode mode) override;
    // Space presses "設 定", so the user can tap along without aiming at the button.
    bool Form_KeyDown(int keyCode, int shift) override;

private:
    void wireEvents();
    // The lyric could not be loaded: the button is refused. True when refused.
    bool refusedWithoutLyric();
    // Plays the track from line N - 1 (from its start when N is 0 or that time lies beyond
    // the track) to one second before the track's end.
    void startPlayback();
    void nudge(std::int32_t deltaMs);
    void showTapsLeft();
    std::int32_t trackStart() const;
    std::int32_t trackLength() const;
    // Word mode: a tap, the rows' captions and the guide line, the test on the karaoke screen.
    void wordTap(std::int32_t time);
    void showWordRows();
    void startKaraokeTest();

    bool m_released = false;
    // Made when word mode is first switched on; kept (and saved) when it is switched off.
    std::unique_ptr<SetterWords> m_words;
    bool m_wordOn = false;
};

// Validates the recorded times and writes them into the timing section of SetterLyricsPath
// (backup LIRAFOK.BAK in the current directory), then releases the player and closes the
// setter. Called by "保存" and by the disc-change prompt CDSTIME. False, and the setter stays
// open, when the disc plays, a line is untimed or out of order, or the file cannot be written.
bool SaveLyricsTimings(App& app);

// What the registration window does when the user picks a track to time: SetterLyricsPath for
// the track, the setter marked as opened from there, then CDSET is shown. A setter already open
// for a track is cancelled first (when it cannot be, because the disc plays, nothing opens).
void OpenTimingSetter(App& app, int track);

// The setter's test on the karaoke screen ends (the screen reads the files again).
void EndKaraokeTest(App& app);

}  // namespace lirafok

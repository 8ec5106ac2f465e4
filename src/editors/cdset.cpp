#include "editors/cdset.h"
#include "ui/control_array.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "common/app.h"
#include "core/text.h"
#include "editors/cdset_time.h"
#include "editors/cdset_words.h"
#include "lyrics/lyrics_file.h"
#include "lyrics/lyrics_sync.h"
#include "player/cdoke.h"
#include "player/player_routines.h"

namespace lirafok {

namespace {

using device::DeviceMode;

const char* const kTitle = "歌詞タイミング設定";
const char* const kStopFirst = "停止してから行ってください";

// Twips.
constexpr int kRowTop = 120;
constexpr int kRowPitch = 330;
constexpr int kRowHeight = 300;
constexpr int kLyricLeft = 120;
constexpr int kLyricWidth = 6360;
constexpr int kTimeLeft = 6600;
constexpr int kTimeWidth = 1800;
constexpr int kButtonHeight = 420;
constexpr int kInnerWidth = 8520;
constexpr int kInnerHeight = 5640;

// The track the setter's file belongs to: the path rule ends every lyrics file name in the
// track number as two digits.
int pathTrack(const std::string& path) {
    const std::size_t chars = text::charLength(path);
    return chars >= 2 ? text::val(text::mid(path, chars - 1, 2)) : 0;
}

bool inSlots(int i) {
    return i >= 0 && i < kLyricSlots;
}

// The largest time a timing line holds (ms).
constexpr std::int32_t kMaxStoredTime = 999998;

std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

// One line of text left after the last sung line, timed like any other (its time ends the
// last sung line); everything below it is cleared.
void trimLyric(LyricTables& t) {
    int k = t.count - 1;
    while (k >= 0 && t.lines[at(k)].empty()) --k;
    if (inSlots(k + 1)) t.lines[at(k + 1)].clear();
    for (int i = k + 2; i <= t.count && inSlots(i); ++i) {
        t.lines[at(i)].clear();
        t.times[at(i)] = kNoTiming;
        t.pageFlags[at(i)] = 0;
    }
    t.count = std::min(k + 2, kLyricSlots);
}

CDSET* loadedSetter(App& app) {
    return app.loaded<CDSET>();
}

}  // namespace

CDSET::CDSET(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      KASI(ui::controlArray<ui::Panel, kSetterRows>(*this, "KASI")),
      Text1(ui::controlArray<ui::TextBox, kSetterRows>(*this, "Text1")),
      Command3D1(*this, "Command3D1"),
      Command3D2(*this, "Command3D2"),
      Command3D3(*this, "Command3D3"),
      Command3D4(*this, "Command3D4"),
      Command3D5(*this, "Command3D5"),
      Command3D6(*this, "Command3D6"),
      Command3D7(*this, "Command3D7"),
      Command3D8(*this, "Command3D8"),
      Command3D9(*this, "Command3D9"),
      UPX(*this, "UPX"),
      DOWNX(*this, "DOWNX"),
      CHG(*this, "CHG"),
      WORD(*this, "WORD"),
      SPLIT(*this, "SPLIT"),
      JOIN(*this, "JOIN"),
      ENDX(*this, "ENDX"),
      INFO(*this, "INFO"),
      Timer1(*this, a.svc.scheduler, "Timer1") {
    setCaption(kTitle);
    setResizable(false);
    move(1200, 1200, kInnerWidth + kFrameWidth, kInnerHeight + kFrameHeight);
    for (int r = 0; r < kSetterRows; ++r) {
        const int top = kRowTop + r * kRowPitch;
        KASI[at(r)].move(kLyricLeft, top, kLyricWidth, kRowHeight);
        KASI[at(r)].setBackColor(ui::kWhite);
        Text1[at(r)].move(kTimeLeft, top, kTimeWidth, kRowHeight);
    }
    // The row of the line last set and the row of the next line stand out.
    KASI[4].setForeColor(ui::kRed);
    KASI[5].setForeColor(ui::kBlue);

    const int rowA = kRowTop + kSetterRows * kRowPitch + 120;
    const int rowB = rowA + kButtonHeight + 120;
    Command3D1.move(120, rowA, 1200, kButtonHeight);
    Command3D1.setCaption("設定開始");
    Command3D2.move(1440, rowA, 1200, kButtonHeight);
    Command3D2.setCaption("設 定");
    Command3D8.move(2760, rowA, 1200, kButtonHeight);
    Command3D8.setCaption("停止");
    Command3D9.move(4080, rowA, 1200, kButtonHeight);
    Command3D9.setCaption("テスト");
    CHG.move(5400, rowA, 1080, kButtonHeight);
    UPX.move(6600, rowA, 840, kButtonHeight);
    UPX.setCaption("▲");
    DOWNX.move(7560, rowA, 840, kButtonHeight);
    DOWNX.setCaption("▼");
    Command3D5.move(120, rowB, 1200, kButtonHeight);
    Command3D5.setCaption("TOP");
    Command3D6.move(1440, rowB, 1200, kButtonHeight);
    Command3D6.setCaption("NEXT");
    Command3D7.move(2760, rowB, 1200, kButtonHeight);
    Command3D7.setCaption("PREV");
    Command3D3.move(5400, rowB, 1440, kButtonHeight);
    Command3D3.setCaption("保存");
    Command3D4.move(6960, rowB, 1440, kButtonHeight);
    Command3D4.setCaption("取消");
    // Word mode: its switch beside the cursor buttons, its tools in a row of their own.
    const int rowC = rowB + kButtonHeight + 120;
    WORD.move(4080, rowB, 1200, kButtonHeight);
    WORD.setCaption("文字単位");
    WORD.setShowsModeState(true);
    SPLIT.move(120, rowC, 1200, kButtonHeight);
    SPLIT.setCaption("分ける");
    JOIN.move(1440, rowC, 1200, kButtonHeight);
    JOIN.setCaption("つなぐ");
    ENDX.move(2760, rowC, 1200, kButtonHeight);
    ENDX.setCaption("区切り");
    for (ui::Button* b : {&SPLIT, &JOIN, &ENDX}) b->setEnabled(false);
    INFO.move(120, rowC + kButtonHeight + 60, kInnerWidth - 240, 300);
    // The page mark is a state of row 4's line: the caption stays, its colour and a pressed
    // look tell whether the line starts a new page.
    CHG.setCaption("改頁");
    CHG.setShowsModeState(true);
    Timer1.setInterval(0);
    wireEvents();
    setToolTips({
        {"Command3D1", "曲を頭から演奏してタイミングの設定を始める"},
        {"Command3D2", "歌い出しでこのボタンを押す：次の行のタイミングを設定 (Space)"},
        {"Command3D3", "タイミングを保存して閉じる"},
        {"Command3D4", "保存せずに閉じる"},
        {"Command3D5", "最初の行へ"},
        {"Command3D6", "次の行へ"},
        {"Command3D7", "前の行へ"},
        {"Command3D8", "演奏を止める"},
        {"Command3D9", "設定したタイミングで歌詞を表示して確かめる"},
        {"UPX", "青い行（次の行）の時間を 100 ms 遅くする"},
        {"DOWNX", "青い行（次の行）の時間を 100 ms 早くする"},
        {"CHG", "赤い行（設定した行）で改ページする・しない（赤：する）"},
        {"WORD", "1 文字（音節）ごとにタイミングを設定する・行ごとに戻す"},
        {"SPLIT", "【】の文字の区切りを 1 文字目の後ろで分ける"},
        {"JOIN", "【】の文字を次の文字とつなぐ"},
        {"ENDX", "いま設定した文字をここで歌い終わる（息継ぎ・間奏の前）(Enter)"},
    });
}

void CDSET::wireEvents() {
    Command3D1.onClick = [this] { Command3D1_Click(); };
    Command3D2.onClick = [this] { Command3D2_Click(); };
    Command3D3.onClick = [this] { Command3D3_Click(); };
    Command3D4.onClick = [this] { Command3D4_Click(); };
    Command3D5.onClick = [this] { Command3D5_Click(); };
    Command3D6.onClick = [this] { Command3D6_Click(); };
    Command3D7.onClick = [this] { Command3D7_Click(); };
    Command3D8.onClick = [this] { Command3D8_Click(); };
    Command3D9.onClick = [this] { Command3D9_Click(); };
    UPX.onClick = [this] { UPX_Click(); };
    DOWNX.onClick = [this] { DOWNX_Click(); };
    CHG.onClick = [this] { CHG_Click(); };
    WORD.onClick = [this] { WORD_Click(); };
    SPLIT.onClick = [this] { SPLIT_Click(); };
    JOIN.onClick = [this] { JOIN_Click(); };
    ENDX.onClick = [this] { ENDX_Click(); };
    Timer1.onTimer = [this] { Timer1_Timer(); };
}

void CDSET::Form_Load() {
    AppState& s = app.state;
    SavedProgramPlay = s.ProgramPlay;
    SavedListPlay = s.ListPlay;
    // The lock and the hold come first and stay even when there is no lyric to set: the
    // window is open until "取消", and the editor and the display must keep off the tables.
    s.TimingSetterActive = 1;
    s.SetterHoldTransport = 1;
    s.SetterHoldStatus = 1;
    s.SetterRunFinished = 1;
    s.NextLyricLine = 0;
    EditTrack = pathTrack(s.SetterLyricsPath);

    LyricTables& t = s.Lyrics;
    const SetterLyrics read = readSetterLyrics(s.SetterLyricsPath, t);
    if (!read.ok || !read.hasText) {
        t = LyricTables{};
        t.count = 0;
        showRows();
        app.msgBox("歌詞が登録されていません", 0, kTitle);
        return;
    }
    trimLyric(t);
    const std::string song =
        EditTrack >= 0 && EditTrack < kTrackSlots ? s.SongName[at(EditTrack)] : "";
    setCaption(text::pad(EditTrack, 2) + " - " + song);
    showRows();
}

void CDSET::Form_QueryUnload(bool& cancel, ui::UnloadMode mode) {
    if (m_released) return;
    if (mode == ui::UnloadMode::User) {
        // The frame acts as "取消"; while the disc plays the window stays open with its hold
        // (closing it then would leave the player held with no window to release it).
        if (cdoke(app).MMControl1.Mode() == DeviceMode::Playing) {
            app.PlayErrorCue();
            app.msgBox(kStopFirst);
            cancel = true;
            return;
        }
        app.state.SetterFromData = 0;
        releasePlayer(true);
        return;
    }
    // Closed by the program (the disc went away): nothing to cue, but the hold must go.
    releasePlayer(false);
}

std::int32_t CDSET::trackStart() const {
    return EditTrack >= 1 && EditTrack < kTrackSlots ? app.state.TrackStartMs[at(EditTrack)] : 0;
}

std::int32_t CDSET::trackLength() const {
    return EditTrack >= 1 && EditTrack < kTrackSlots ? app.state.TrackLengthMs[at(EditTrack)] : 0;
}

void CDSET::showRows() {
    const LyricTables& t = app.state.Lyrics;
    const int n = app.state.NextLyricLine;
    for (int r = 0; r < kSetterRows; ++r) {
        const int line = n - 5 + r;
        const bool shown = line >= 0 && line <= t.count && inSlots(line);
        KASI[at(r)].setCaption(shown ? t.lines[at(line)] : "");
        const bool timed = shown && t.times[at(line)] != kNoTiming;
        Text1[at(r)].setText(timed ? TIME_SETWK(t.times[at(line)]) : "");
    }
    const bool mark = inSlots(n - 1) && t.pageFlags[at(n - 1)] == 1;
    CHG.setForeColor(mark ? ui::kRed : ui::kBlack);
    if (wordMode())
        showWordRows();
    else
        showTapsLeft();
}

void CDSET::showTapsLeft() {
    const int count = app.state.Lyrics.count;
    const int left = count - app.state.NextLyricLine;
    if (count == 0)
        INFO.setCaption("");
    else if (left <= 0)
        INFO.setCaption("すべての行のタイミングを設定しました。");
    else if (left == 1)
        INFO.setCaption("あと 1 回：最後の行を歌い終えたところで「設 定」(Space) を押します。");
    else
        INFO.setCaption("あと " + std::to_string(left) +
                        " 回「設 定」(Space) を押します（最後の 1 回は最後の行の歌い終わり）。");
}

void CDSET::moveCursorTo(int line) {
    app.state.NextLyricLine = std::clamp(line, 0, app.state.Lyrics.count);
    showRows();
}

bool CDSET::Form_KeyDown(int keyCode, int shift) {
    if (keyCode == ui::key::kReturn && shift == 0 && wordMode()) {
        ENDX.userClick();
        return true;
    }
    if (keyCode != ui::key::kSpace || shift != 0) return false;
    Command3D2.userClick();
    return true;
}

void CDSET::applyRow4() {
    LyricTables& t = app.state.Lyrics;
    const int n = app.state.NextLyricLine;
    if (n < 1 || n > t.count - 1) return;
    const std::string& box = Text1[4].text();
    t.times[at(n - 1)] = box.empty() ? kNoTiming : setterTimeValue(box);
}

bool CDSET::refusedWithoutLyric() {
    if (app.state.Lyrics.count != 0) return false;
    app.PlayErrorCue();
    app.msgBox("取消を行って下さい");
    return true;
}

void CDSET::startPlayback() {
    AppState& s = app.state;
    CDOKE& main = cdoke(app);
    device::MMControl& mci = main.MMControl1;
    app.PlayOkCue();
    SetterRecording = 1;
    s.ProgramPlay = 0;
    s.LastCommand = "PLAY";
    main.showTrack(EditTrack);
    mci.setNotify(true);
    mci.setWait(true);
    mci.setTrack(EditTrack);
    const int n = s.NextLyricLine;
    std::int32_t start = trackStart();
    if (n > 0 && inSlots(n - 1) && s.Lyrics.times[at(n - 1)] <= trackLength())
        start += s.Lyrics.times[at(n - 1)];
    mci.setTo(start);
    // A seek that fails leaves the position where it was; the display reads it back.
    (void)mci.command(device::Command::Seek);
    SuppressScreenSaver(app);
    mci.setUpdateInterval(device::StatusMarker::Running);
    mci.setNotify(true);
    mci.setWait(false);
    mci.setTrack(EditTrack);
    mci.setFrom(start);
    mci.setTo(trackLength() + trackStart() - 1000);
    // A play that cannot start leaves the drive stopped; the status events show it.
    (void)mci.command(device::Command::Play);
}

void CDSET::Command3D1_Click() {
    if (refusedWithoutLyric()) return;
    startPlayback();
}

void CDSET::Command3D2_Click() {
    if (refusedWithoutLyric()) return;
    AppState& s = app.state;
    if (SetterRecording != 1) {
        app.PlayErrorCue();
        return;
    }
    if (s.NextLyricLine >= s.Lyrics.count) {
        // Past the last line: there is no line to take the time, so none is stored (a time
        // stored here would be written as a timing line for a line the lyric does not have).
        app.PlayErrorCue();
        SetterRecording = 0;
        return;
    }
    // The position the user hears, as the lyrics display follows it.
    const std::int32_t time = cdoke(app).MMControl1.Position() - trackStart();
    if (wordMode()) {
        wordTap(time);
        return;
    }
    s.Lyrics.times[at(s.NextLyricLine)] = time;
    ++s.NextLyricLine;
    showRows();
}

void CDSET::Command3D3_Click() {
    if (refusedWithoutLyric()) return;
    if (SaveLyricsTimings(app)) app.state.LyricsLoadedTrack = 0;
}

void CDSET::Command3D4_Click() {
    if (cdoke(app).MMControl1.Mode() == DeviceMode::Playing) {
        app.PlayErrorCue();
        app.msgBox(kStopFirst);
        return;
    }
    app.state.SetterFromData = 0;
    releasePlayer(true);
    app.unload<CDSET>();
}

void CDSET::Command3D5_Click() {
    if (refusedWithoutLyric()) return;
    if (m_words) m_words->resetCursor();
    app.state.NextLyricLine = 0;
    showRows();
}

void CDSET::Command3D6_Click() {
    if (refusedWithoutLyric()) return;
    AppState& s = app.state;
    if (s.NextLyricLine >= s.Lyrics.count) {
        app.PlayErrorCue();
        return;
    }
    if (m_words) m_words->resetCursor();
    ++s.NextLyricLine;
    showRows();
}

void CDSET::Command3D7_Click() {
    if (refusedWithoutLyric()) return;
    AppState& s = app.state;
    if (s.NextLyricLine == 0) {
        app.PlayErrorCue();
        return;
    }
    if (m_words) m_words->resetCursor();
    --s.NextLyricLine;
    showRows();
}

void CDSET::Command3D8_Click() {
    if (refusedWithoutLyric()) return;
    device::MMControl& mci = cdoke(app).MMControl1;
    if (mci.Mode() == DeviceMode::Stopped) {
        app.PlayErrorCue();
        return;
    }
    Timer1.setInterval(0);
    app.state.LastCommand = "STOP";
    RestoreScreenSaver(app);
    mci.setUpdateInterval(device::StatusMarker::Idle);
    mci.setNotify(true);
    mci.setWait(true);
    // Stopping a drive that has stopped or lost its disc changes nothing.
    (void)mci.command(device::Command::Stop);
}

void CDSET::Command3D9_Click() {
    if (refusedWithoutLyric()) return;
    AppState& s = app.state;
    Timer1.setInterval(0);
    applyRow4();
    SetterTesting = 1;
    s.ListPlay = 0;
    s.ProgramPlay = 0;
    startPlayback();

    const LyricTables& t = s.Lyrics;
    const int n = s.NextLyricLine;
    const std::int64_t prev = n > 0 && inSlots(n - 1) ? t.times[at(n - 1)] : 0;
    const std::int64_t next = inSlots(n) ? t.times[at(n)] : kNoTiming;
    std::int64_t wait = next - s.CYOUS - prev;
    if (wait < 10) wait = 100;
    const TimerWait piece = nextWaitPiece(static_cast<std::int32_t>(
        std::min<std::int64_t>(wait, std::numeric_limits<std::int32_t>::max())));
    s.PendingWait = piece.pending;
    Timer1.setTimerEnabled(true);
    Timer1.setInterval(piece.interval);
    cdoke(app).runTimer1();
    if (wordMode()) startKaraokeTest();
}

void CDSET::Timer1_Timer() {
    AppState& s = app.state;
    if (Timer1.interval() == 0) return;
    if (s.PendingWait != 0) {
        const TimerWait piece = nextWaitPiece(s.PendingWait);
        s.PendingWait = piece.pending;
        Timer1.setInterval(piece.interval);
        return;
    }
    const LyricTables& t = s.Lyrics;
    int i = s.NextLyricLine + 1;
    while (i <= t.count - 1 && inSlots(i) && t.times[at(i)] == kNoTiming) ++i;
    if (i > t.count - 1 || !inSlots(i)) {
        Timer1.setInterval(0);
        return;
    }
    const std::int32_t elapsed = cdoke(app).MMControl1.Position() - trackStart();
    std::int64_t wait = std::int64_t{t.times[at(i)]} - s.CYOUS - elapsed;
    if (wait < 1) wait = 100;
    const TimerWait piece = nextWaitPiece(static_cast<std::int32_t>(
        std::min<std::int64_t>(wait, std::numeric_limits<std::int32_t>::max())));
    s.PendingWait = piece.pending;
    Timer1.setInterval(piece.interval);
    s.NextLyricLine = i;
    showRows();
}

void CDSET::nudge(std::int32_t deltaMs) {
    if (refusedWithoutLyric()) return;
    AppState& s = app.state;
    if (cdoke(app).MMControl1.Mode() == DeviceMode::Playing) {
        app.PlayErrorCue();
        app.msgBox(kStopFirst);
        return;
    }
    const int n = s.NextLyricLine;
    if (n >= s.Lyrics.count || !inSlots(n)) {
        // Row 5 is below the lyric: no line there to take a time.
        app.PlayErrorCue();
        return;
    }
    if (wordMode() && !m_words->units(n).empty()) {
        // The syllable under the cursor moves; the first one moves its line with it.
        const std::int32_t t = m_words->nudge(n, deltaMs);
        if (t == kNoTiming) {
            app.PlayErrorCue();
            return;
        }
        if (m_words->cursor() == 0) s.Lyrics.times[at(n)] = t;
        showRows();
        return;
    }
    s.Lyrics.times[at(n)] += deltaMs;
    Text1[5].setText(TIME_SETWK(s.Lyrics.times[at(n)]));
}

void CDSET::UPX_Click() {
    nudge(100);
}

void CDSET::DOWNX_Click() {
    nudge(-100);
}

void CDSET::CHG_Click() {
    if (refusedWithoutLyric()) return;
    AppState& s = app.state;
    const int n = s.NextLyricLine;
    if (n < 1 || !inSlots(n - 1)) return;
    std::int32_t& flag = s.Lyrics.pageFlags[at(n - 1)];
    flag = flag == 1 ? 0 : 1;
    CHG.setForeColor(flag == 1 ? ui::kRed : ui::kBlack);
}

void CDSET::releasePlayer(bool cue) {
    if (m_released) return;
    m_released = true;
    AppState& s = app.state;
    CDOKE& main = cdoke(app);
    device::MMControl& mci = main.MMControl1;
    // Only a disc that is still there is cued (a save from the disc-change prompt finds it
    // gone, and the lyrics windows it closed must stay closed).
    cue = cue && mci.Mode() == DeviceMode::Stopped;
    Timer1.setInterval(0);
    EndKaraokeTest(app);
    s.PendingWait = 0;
    s.TimingSetterActive = 0;
    s.SetterHoldTransport = 0;
    s.SetterHoldStatus = 0;
    s.SetterRunFinished = 0;
    SetterTesting = 0;
    SetterRecording = 0;
    // The setter's lines are in the shared tables now: the display reads its file afresh.
    s.LyricsLoadedTrack = 0;
    if (cue) {
        const bool list = SavedProgramPlay != 0 || SavedListPlay != 0;
        const int track = list ? text::val(text::left(s.PlayList[1], 2)) : 1;
        main.showTrack(track);
        mci.setNotify(false);
        mci.setTrack(track);
        mci.setTo(mci.TrackPosition());
        mci.setWait(true);
        // A seek that fails leaves the position where it was; the display reads it back.
        (void)mci.command(device::Command::Seek);
    }
    s.ProgramPlay = SavedProgramPlay;
    s.ListPlay = SavedListPlay;
    if (cue) {
        // Idle again, as after any stop: the status routine resumes and the display follows.
        mci.setUpdateInterval(device::StatusMarker::Idle);
        s.CurrentPositionMs = mci.Position();
        UpdateTrackDisplay(app);
    }
}

bool SaveLyricsTimings(App& app) {
    AppState& s = app.state;
    s.SetterFromData = 0;
    CDSET* w = loadedSetter(app);
    if (!w) return true;
    // Without a lyric there is nothing to write (the save button refuses before this).
    if (s.Lyrics.count == 0) return false;
    if (cdoke(app).MMControl1.Mode() == DeviceMode::Playing) {
        app.PlayErrorCue();
        app.msgBox("停止してから保存して下さい");
        return false;
    }
    w->applyRow4();
    if (w->refusedForDisorder()) return false;
    const LyricTables& t = s.Lyrics;
    for (int i = 0; i < t.count && inSlots(i); ++i) {
        const char* fault = nullptr;
        if (t.times[at(i)] == kNoTiming)
            fault = "タイミングが設定されていない行が有ります";
        else if (i > 0 && t.times[at(i)] <= t.times[at(i - 1)])
            fault = "タイミングが逆転しています";
        else if (t.times[at(i)] > kMaxStoredTime)
            // The file's six-digit time field ends at 16:39.998; a longer time would push the
            // page flag out of its column.
            fault = "16分40秒より後の行にはタイミングを設定できません";
        if (fault) {
            app.PlayErrorCue();
            app.msgBox(fault);
            // The line at fault comes up as the next line to set.
            w->moveCursorTo(i);
            return false;
        }
    }
    w->Timer1.setInterval(0);
    w->SetterTesting = 0;
    if (!saveLyricsTimings(s.SetterLyricsPath, "LIRAFOK.BAK", t)) {
        app.PlayErrorCue();
        app.msgBox("COPY ERR", 0, CDSET::kName);
        return false;
    }
    if (!w->saveWords()) return false;
    w->releasePlayer(true);
    app.unload<CDSET>();
    return true;
}

void OpenTimingSetter(App& app, int track) {
    AppState& s = app.state;
    if (CDSET* open = loadedSetter(app)) {
        open->Command3D4_Click();
        if (loadedSetter(app)) return;
    }
    s.SetterLyricsPath = lyricsFilePath(s.KASID, s.DiscKey, track);
    s.SetterFromData = 1;
    app.show<CDSET>();
}

}  // namespace lirafok

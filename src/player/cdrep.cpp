#include "player/cdrep.h"

#include "core/text.h"
#include "player/cdoke.h"
#include "player/lyrics_display.h"
#include "player/player_routines.h"
#include "common/app.h"

namespace lirafok {

namespace {
constexpr int kInnerWidth = 3900;  // twips
constexpr int kInnerHeight = 2700;
constexpr int kButtonWidth = 1380;
constexpr int kButtonHeight = 450;
constexpr ui::Color kAbRepeatColour = 12583104;  // REPEAT caption: A-B repeat on
constexpr const char* kOnlyWhilePlaying = "演奏中のみ指定可能です。";
constexpr const char* kReversed = "終了位置と開始位置が逆転しています。";
}  // namespace

CDREP::CDREP(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      Frame3D1(*this, "Frame3D1"),
      STRX(*this, "STRX"),
      ENDX(*this, "ENDX"),
      Command3D1(*this, "Command3D1"),
      Command3D2(*this, "Command3D2"),
      Command3D5(*this, "Command3D5") {
    setCaption("リピート指定");
    setResizable(false);
    move(4500, 3000, kInnerWidth + kFrameWidth, kInnerHeight + kFrameHeight);
    Command3D1.move(240, 240, 2400, kButtonHeight);
    Command3D1.setCaption("全曲リピート");
    Command3D2.move(240, 810, 2400, kButtonHeight);
    Command3D2.setCaption("1曲リピート");
    Command3D5.move(2820, 240, 840, 1020);
    Command3D5.setCaption("取消");
    Frame3D1.move(120, 1440, 3660, 1140);
    Frame3D1.setCaption("指定範囲リピート");
    STRX.setContainer(&Frame3D1);
    STRX.move(240, 420, kButtonWidth, kButtonHeight);
    STRX.setCaption("Start");
    ENDX.setContainer(&Frame3D1);
    ENDX.move(3660 - 240 - kButtonWidth, 420, kButtonWidth, kButtonHeight);
    ENDX.setCaption("End");
    Command3D1.onClick = [this] { Command3D1_Click(); };
    Command3D2.onClick = [this] { Command3D2_Click(); };
    STRX.onClick = [this] { STRX_Click(); };
    ENDX.onClick = [this] { ENDX_Click(); };
    Command3D5.onClick = [this] { Command3D5_Click(); };
    STRX.setShowsModeState(true);
    setToolTips({
        {"STRX", "区間リピートの開始位置 A を今の位置に"},
        {"ENDX", "区間リピートの終了位置 B を今の位置に（A の後で）"},
        {"Command3D1", "全曲をくり返し演奏"},
        {"Command3D2", "演奏中の曲をくり返し演奏"},
        {"Command3D5", "リピートをやめる"},
    });
}

void CDREP::close() {
    app.unload<CDREP>();
}

namespace {
bool playing(CDOKE& w) {
    return w.MMControl1.Mode() == device::DeviceMode::Playing;
}
}  // namespace

void CDREP::Command3D1_Click() {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    app.PlayOkCue();
    ShowTrackLyrics(app);
    s.RepeatOn = RepeatSwitch::Armed;
    s.RepeatKind = RepeatMode::WholeDisc;
    if (playing(w)) s.RepeatOn = RepeatSwitch::On;
    w.REPEAT.setForeColor(ui::kRed);
    close();
}

void CDREP::Command3D2_Click() {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    device::MMControl& mci = w.MMControl1;
    if (!playing(w)) {
        app.PlayErrorCue();
        app.msgBox(kOnlyWhilePlaying);
        close();
        return;
    }
    app.PlayOkCue();
    ShowTrackLyrics(app);
    s.RepeatOn = RepeatSwitch::On;
    s.RepeatKind = RepeatMode::OneTrack;
    const int track = text::val(w.TRKNO.caption());
    mci.setTrack(track);
    s.RepeatTrack = track;
    s.RepeatStartMs = mci.TrackPosition();
    s.RepeatEndMs = s.RepeatStartMs + mci.TrackLength();
    s.CurrentTrackStartMs = s.RepeatStartMs;
    s.CurrentTrackEndMs = s.RepeatEndMs;
    s.CurrentTrackLengthMs = s.RepeatEndMs - s.RepeatStartMs;
    w.REPEAT.setForeColor(ui::kBlue);
    close();
}

void CDREP::STRX_Click() {
    // The entry and track are the ones heard now, even between two status events.
    FollowHeardEntry(app);
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    device::MMControl& mci = w.MMControl1;
    if (!playing(w)) {
        app.PlayErrorCue();
        app.msgBox(kOnlyWhilePlaying);
        return;
    }
    app.PlayOkCue();
    const int track = text::val(w.TRKNO.caption());
    mci.setTrack(track);
    s.RepeatTrack = track;
    s.RepeatStartMs = mci.Position();
    s.RepeatEntryEndMs = s.CurrentTrackEndMs;
    s.RepeatStartEntry = s.PlayListIndex;
    STRX.setForeColor(ui::kBlue);
}

void CDREP::ENDX_Click() {
    // The entry and track are the ones heard now, even between two status events.
    FollowHeardEntry(app);
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    device::MMControl& mci = w.MMControl1;
    if (STRX.foreColor() != ui::kBlue) return;
    if (playing(w)) {
        mci.setTrack(text::val(w.TRKNO.caption()));
        s.RepeatEndMs = mci.Position();
    } else {
        app.PlayErrorCue();
        app.msgBox(kOnlyWhilePlaying);
    }
    const bool inOrder =
        listPlay(s) ? s.RepeatStartEntry < s.PlayListIndex ||
                          (s.RepeatStartEntry == s.PlayListIndex && s.RepeatStartMs < s.RepeatEndMs)
                    : s.RepeatStartMs < s.RepeatEndMs;
    if (!inOrder) {
        app.PlayErrorCue();
        app.msgBox(kReversed);
        return;
    }
    app.PlayOkCue();
    ShowTrackLyrics(app);
    s.RepeatOn = RepeatSwitch::On;
    s.RepeatKind = RepeatMode::AB;
    w.REPEAT.setForeColor(kAbRepeatColour);
    s.RepeatEndEntry = s.PlayListIndex;
    // B is where the music is now: the next status event comes at once and turns the loop,
    // instead of up to a whole interval past B. (Never 1, which marks a play just started.)
    if (playing(w)) mci.setUpdateInterval(2);
    close();
}

void CDREP::Command3D5_Click() {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    app.PlayOkCue();
    s.clearRepeat();
    w.REPEAT.setForeColor(ui::kBlack);
    if (s.PlayListIndex > 0) s.LastCommand = "PLAY";
    close();
}

}  // namespace lirafok

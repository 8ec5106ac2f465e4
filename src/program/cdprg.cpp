#include "program/cdprg.h"

#include <array>
#include <string>

#include "core/text.h"
#include "player/cdoke.h"
#include "player/play_modes.h"
#include "player/player_routines.h"
#include "common/app.h"

namespace lirafok {

// Windows of the folders above this one, shown and closed by their class.
class CDMD;

namespace {
constexpr int kInnerWidth = 8400;  // twips
constexpr int kInnerHeight = 5520;
constexpr int kListWidth = 3600;
constexpr int kListTop = 600;
constexpr int kListHeight = 3480;
constexpr int kButtonWidth = 1500;
constexpr int kButtonHeight = 450;
}  // namespace

CDPRG::CDPRG(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      ALL(*this, "ALL"),
      SEL(*this, "SEL"),
      Panel3D1(*this, "Panel3D1"),
      ALLTIME(*this, "ALLTIME"),
      SELTIME(*this, "SELTIME"),
      Command3D3(*this, "Command3D3"),
      Command3D4(*this, "Command3D4"),
      Command3D1(*this, "Command3D1"),
      Command3D2(*this, "Command3D2"),
      Command3D5(*this, "Command3D5"),
      SAVE(*this, "SAVE"),
      SSCommand1(*this, "SSCommand1") {
    setCaption("ＰＲＯＧＲＡＭ");
    setResizable(false);
    move(2400, 1800, kInnerWidth + kFrameWidth, kInnerHeight + kFrameHeight);
    Panel3D1.move(120, 120, kInnerWidth - 240, 360);
    Panel3D1.setCaption("PROGRAM");
    Panel3D1.setAlignment(ui::align::kCentre);
    const int selLeft = kInnerWidth - 120 - kListWidth;
    ALL.move(120, kListTop, kListWidth, kListHeight);
    ALL.setMultiSelect(true);
    SEL.move(selLeft, kListTop, kListWidth, kListHeight);
    SEL.setMultiSelect(true);
    const int timeTop = kListTop + kListHeight + 60;
    ALLTIME.move(120 + kListWidth - 1200, timeTop, 1200, 360);
    ALLTIME.setCaption("00:00");
    ALLTIME.setAlignment(ui::align::kCentre);
    SELTIME.move(selLeft + kListWidth - 1200, timeTop, 1200, 360);
    SELTIME.setCaption("00:00");
    SELTIME.setAlignment(ui::align::kCentre);
    // The arrows show their direction in the caption; its colour is their armed state.
    const int arrowLeft = 120 + kListWidth + (selLeft - 120 - kListWidth - 720) / 2;
    Command3D3.move(arrowLeft, 1500, 720, kButtonHeight);
    Command3D3.setCaption("→");
    Command3D4.move(arrowLeft, 2400, 720, kButtonHeight);
    Command3D4.setCaption("←");
    const int buttonTop = timeTop + 480;
    const int gap = (kInnerWidth - 240 - 5 * kButtonWidth) / 4;
    int x = 120;
    for (auto [button, caption] :
         std::array<std::pair<ui::Button*, const char*>, 5>{{{&Command3D1, "演 奏"},
                                                             {&SAVE, "保  存"},
                                                             {&Command3D5, "クリアー"},
                                                             {&SSCommand1, "ＭＤ印刷"},
                                                             {&Command3D2, "取  消"}}}) {
        button->move(x, buttonTop, kButtonWidth, kButtonHeight);
        button->setCaption(caption);
        x += kButtonWidth + gap;
    }
    ALL.onClick = [this] { ALL_Click(); };
    SEL.onClick = [this] { SEL_Click(); };
    Command3D3.onClick = [this] { Command3D3_Click(); };
    Command3D4.onClick = [this] { Command3D4_Click(); };
    Command3D5.onClick = [this] { Command3D5_Click(); };
    SAVE.onClick = [this] { SAVE_Click(); };
    Command3D1.onClick = [this] { Command3D1_Click(); };
    Command3D2.onClick = [this] { Command3D2_Click(); };
    SSCommand1.onClick = [this] { SSCommand1_Click(); };
    setToolTips({
        {"Command3D3", "選んだ曲をプログラムに加える"},
        {"Command3D4", "選んだ曲をプログラムから外す"},
        {"Command3D1", "プログラムを演奏する"},
        {"Command3D2", "変更せずに閉じる"},
        {"Command3D5", "プログラムを空にする"},
        {"SAVE", "プログラムをプライベートリストとして保存"},
        {"SSCommand1", "プログラムの曲で MD ラベルを印刷"},
        {"ALLTIME", "残りの曲の合計時間"},
        {"SELTIME", "プログラムの合計時間"},
    });
}

void CDPRG::Form_Load() {
    AppState& s = app.state;
    ALL.clear();
    SEL.clear();
    if (s.ProgramPlay == 1) {
        // The whole program and every unchosen track come back, however long the program is.
        for (int i = 1; i < kTrackSlots; ++i)
            if (!s.ProgramRestList[static_cast<std::size_t>(i)].empty())
                ALL.addItem(s.ProgramRestList[static_cast<std::size_t>(i)]);
        for (int i = 1; i <= s.PlayListCount && i < kTrackSlots; ++i)
            if (!s.PlayList[static_cast<std::size_t>(i)].empty())
                SEL.addItem(s.PlayList[static_cast<std::size_t>(i)]);
    } else {
        fillAllTracks();
    }
    AddArrowArmed = 0;
    RemoveArrowArmed = 0;
    showTotals();
}

void CDPRG::fillAllTracks() {
    ALL.clear();
    for (int t = 1; t <= app.state.TrackCount; ++t) ALL.addItem(trackEntryText(app.state, t));
}

void CDPRG::showTotals() {
    const AppState& s = app.state;
    auto total = [&s](const ui::ListBox& list) {
        std::int64_t sum = 0;
        for (const std::string& item : list.items()) {
            int t = entryTrackNumber(item);
            if (t >= 0 && t < kTrackSlots) sum += s.TrackLengthMs[static_cast<std::size_t>(t)];
        }
        return minutesSeconds(sum);
    };
    ALLTIME.setCaption(total(ALL));
    SELTIME.setCaption(total(SEL));
}

void CDPRG::disarmArrows() {
    Command3D3.setForeColor(ui::kBlack);
    Command3D4.setForeColor(ui::kBlack);
}

void CDPRG::ALL_Click() {
    Command3D3.setForeColor(ui::kRed);
    AddArrowArmed = 1;
}

void CDPRG::SEL_Click() {
    Command3D4.setForeColor(ui::kRed);
    RemoveArrowArmed = 1;
}

void CDPRG::Command3D3_Click() {
    if (AddArrowArmed == 1) {
        app.PlayOkCue();
        for (int i = 0; i < ALL.listCount(); ++i)
            if (ALL.selected(i)) SEL.addItem(ALL.list(i));
        for (int i = ALL.listCount() - 1; i >= 0; --i)
            if (ALL.selected(i)) ALL.removeItem(i);
        AddArrowArmed = 0;
    }
    disarmArrows();
    showTotals();
}

void CDPRG::Command3D4_Click() {
    if (RemoveArrowArmed == 1) {
        app.PlayOkCue();
        // Back into ALL in track order: one slot per track number, so a track chosen twice
        // comes back once.
        std::vector<std::string> slots(static_cast<std::size_t>(kTrackSlots));
        auto place = [&slots](const std::string& item) {
            int t = entryTrackNumber(item);
            if (t >= 0 && t < kTrackSlots) slots[static_cast<std::size_t>(t)] = item;
        };
        for (const std::string& item : ALL.items()) place(item);
        for (int i = 0; i < SEL.listCount(); ++i)
            if (SEL.selected(i)) place(SEL.list(i));
        ALL.clear();
        for (const std::string& item : slots)
            if (!item.empty()) ALL.addItem(item);
        for (int i = SEL.listCount() - 1; i >= 0; --i)
            if (SEL.selected(i)) SEL.removeItem(i);
        RemoveArrowArmed = 0;
    }
    disarmArrows();
    showTotals();
}

void CDPRG::Command3D5_Click() {
    app.PlayOkCue();
    fillAllTracks();
    SEL.clear();
    showTotals();
    disarmArrows();
}

void CDPRG::SAVE_Click() {
    if (SEL.listCount() == 0) {
        app.PlayErrorCue();
        app.msgBox("プライベート演奏用の曲が選択されていません");
        return;
    }
    std::vector<int> tracks;
    for (const std::string& item : SEL.items()) tracks.push_back(entryTrackNumber(item));
    if (!writePrivateList(privateListPath(app.state), tracks)) {
        // No disc key, or the lyrics folder is missing or unwritable: the old list is kept.
        app.PlayErrorCue();
        app.msgBox("プライベート演奏データを保存できませんでした。");
        return;
    }
    app.PlayOkCue();
}

void CDPRG::cueProgramStart() {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    device::MMControl& mci = w.MMControl1;
    int t = entryTrackNumber(s.PlayList[1]);
    mci.setTrack(t);
    w.showTrack(t);
    mci.setTo(mci.TrackPosition());
    // A seek that fails leaves the position where it was; the display reads it back.
    (void)mci.command(device::Command::Seek);
    UpdateTimeDisplay(app);
}

void CDPRG::Command3D1_Click() {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    device::MMControl& mci = w.MMControl1;
    app.PlayOkCue();
    for (auto& e : s.ProgramRestList) e.clear();
    for (int i = 0; i < ALL.listCount() && i + 1 < kTrackSlots; ++i)
        s.ProgramRestList[static_cast<std::size_t>(i + 1)] = ALL.list(i);
    for (int i = 1; i < kTrackSlots; ++i) s.PlayList[static_cast<std::size_t>(i)].clear();
    const int count = std::min(SEL.listCount(), kTrackSlots - 1);
    for (int i = 0; i < count; ++i) s.PlayList[static_cast<std::size_t>(i + 1)] = SEL.list(i);
    if (count > 0) {
        s.ProgramPlay = 1;
        s.PlayListIndex = -1;
        s.PlayListCount = count;
        w.showMode(CDOKE::ModeButton::Program, true);
        mci.setTrack(entryTrackNumber(s.PlayList[1]));
    } else {
        s.ProgramPlay = 0;
        s.PlayList[1] = "01";
        w.showMode(CDOKE::ModeButton::Program, false);
        mci.setTrack(1);
    }
    mci.setTo(mci.TrackPosition());
    // A seek that fails leaves the position where it was; the display reads it back.
    (void)mci.command(device::Command::Seek);
    s.LyricsLoadedTrack = text::val(w.TRKNO.caption());
    s.CurrentTrackStartMs = mci.TrackPosition();
    s.CurrentTrackLengthMs = mci.TrackLength();
    s.CurrentTrackEndMs = s.CurrentTrackStartMs + s.CurrentTrackLengthMs;
    UpdateTimeDisplay(app);
    if (s.ProgramPlay == 1) {
        s.PlayListIndex = 0;
        mci.setUpdateInterval(device::StatusMarker::Started);
    }
    s.startArmedRepeat();
    RefreshTrackList(app);
    app.unload<CDPRG>();
}

void CDPRG::Command3D2_Click() {
    app.PlayOkCue();
    if (app.state.ProgramPlay == 1) cueProgramStart();
    app.unload<CDPRG>();
}

void CDPRG::Form_QueryUnload(bool&, ui::UnloadMode mode) {
    // Closing by the frame is a cancel.
    if (mode == ui::UnloadMode::User && app.state.ProgramPlay == 1) cueProgramStart();
}

void CDPRG::SSCommand1_Click() {
    if (app.show<CDMD>()) {
        app.PlayOkCue();
    } else {
        app.PlayErrorCue();
    }
}

}  // namespace lirafok

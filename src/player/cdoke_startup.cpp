// Start-up of the program: the main window's Form_Load.
#include <unistd.h>

#include <algorithm>
#include <climits>

#include "core/font_list.h"
#include "core/settings_file.h"
#include "core/text.h"
#include "player/cdkara.h"
#include "player/cdoke.h"
#include "player/layout.h"
#include "player/player_routines.h"
#include "player/font_routines.h"
#include "common/app.h"
#include "common/drive_discovery.h"

namespace lirafok {

void AutoPlayStart(App& app) {
    const std::string& line = app.commandLine();
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos) {
        app.msgBox("Windows95の自動演奏のコマンドが正しく指定されていません");
        return;
    }
    // The program's own folder, so that the settings and the font list are found there.
    const std::string programDir = line.substr(0, blank);
    if (chdir(programDir.c_str()) != 0)
        app.msgBox("プログラムのフォルダに移動できません（" + programDir + "）");
    std::string drive = line.substr(blank + 1);
    // "Q:\" names the drive Q:; a folder or device path may end in "/" the same way.
    if (drive.size() > 1 && (drive.back() == '\\' || drive.back() == '/')) drive.pop_back();
    switch (ChangeDefaultDrive(app, drive)) {
        case DriveChange::Changed:
            break;
        case DriveChange::UnknownDrive:
            app.msgBox("ドライブ名が間違っています。");
            break;
        case DriveChange::CannotChange:
            app.msgBox("ドライブを変更できません。");
            break;
    }
}

namespace {

std::string currentDirectory() {
    char buf[PATH_MAX];
    if (!getcwd(buf, sizeof buf)) return "./";
    return buf;
}

void applyColours(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    for (ui::Control* c : std::initializer_list<ui::Control*>{
             &w.GGG, &w.HHH, &w.III, &w.AAA, &w.BBB, &w.CCC, &w.TRKNO, &w.TRKLEN, &w.TOTALLEN,
             &w.STATUS1, &w.STATUS2, &w.TITLE[0], &w.TITLE[1], &w.ART, &w.KYOKU, &w.DDD, &w.EEE,
             &w.FFF})
        c->setBackColor(s.CMAI1);
    for (ui::Control* c : std::initializer_list<ui::Control*>{&w.AAA, &w.BBB, &w.CCC, &w.TRKNO,
                                                              &w.TRKLEN, &w.TOTALLEN, &w.STATUS1,
                                                              &w.STATUS2, &w.DDD, &w.EEE, &w.FFF})
        c->setForeColor(s.CMAI2);
    for (ui::Control* c :
         std::initializer_list<ui::Control*>{&w.TITLE[0], &w.TITLE[1], &w.ART, &w.KYOKU})
        c->setForeColor(s.CMAI3);
    w.List1.setBackColor(s.CMAI4);
    w.List1.setForeColor(s.CMAI5);
    // The lyrics windows take CKAS1/CKAS2 when they load.
}

}  // namespace

void ApplyMainColours(App& app) {
    applyColours(app);
}

void CDOKE::Form_Load() {
    AppState& s = app.state;
    // 1. Design geometry for the layouts.
    CaptureLayoutGeometry(app);
    // 2. AutoPlay command line.
    if (!app.commandLine().empty()) AutoPlayStart(app);
    // 3.
    POWER.setForeColor(ui::kRed);
    STATUS2.setCaption("NORMAL");
    // 4. Defaults.
    static_cast<Settings&>(s) = Settings{};
    s.LyricsOn = 0;
    s.LyricsTextFontSize = 12;
    s.Lyrics = LyricTables{};
    s.ListTotalMs = 0;
    s.ListTotalKeyIndex = kNoListTotalIndex;
    s.ListTotalKeyMode = kNoListTotalMode;
    WindowPos full = kFullLayoutHome, reduced = kReducedLayoutHome;
    // 5. Paths.
    s.AppDir = currentDirectory();
    if (s.AppDir.empty() || s.AppDir.back() != '/') s.AppDir += '/';
    s.HelpPath = s.AppDir + "LIRAFOK.HLP";
    s.IniPath = s.AppDir + "LIRAFOK.INI";
    // 6. Settings file.
    int layoutFlag = -1;
    SettingsReadResult r = readSettings(s.IniPath, s, [this](int channel, std::int32_t level) {
        // A level word is 16 bits; a value outside it (a hand-edited file) is taken at the
        // nearest end rather than overflowing the step arithmetic.
        level = std::clamp<std::int32_t>(level, 0, 0xFFFF);
        app.state.VolumeLevel[static_cast<std::size_t>(channel)] = level - 1024;
        VOLS_SpinUp(channel);
    });
    if (!r.opened) {
        app.msgBox("環境ファイルがセットアップされていません(" + s.IniPath + ")\n" +
                   "この後必ず環境設定(SETUP)を行って下さい。");
        applySettingsFallback(s);
        s.LyricsTextFontSize = 12;
    } else {
        layoutFlag = r.layoutFlag;
        full = {r.fullLeft, r.fullTop};
        reduced = {r.reducedLeft, r.reducedTop};
        s.LyricsTextFontSize = s.KASIF;
    }
    s.LyricsOn = s.KASIH;
    // 7. Font list.
    auto fonts = loadFontList(s.AppDir);
    if (!fonts) {
        app.msgBox("フォント　ファイルが有りません　" + s.AppDir + "LIRAFOK.FOT");
        app.endProgram();
        return;
    }
    s.Fonts = *fonts;
    s.CurrentFontSet = 0;
    CheckFonts(app);
    // 8. Saved windows stay on the screen.
    int sw = app.svc.screen.widthTwips(), sh = app.svc.screen.heightTwips();
    if (sh < s.KASIT) s.KASIT = 0;
    if (sw < s.KASIL) s.KASIL = 0;
    // A window further left than this (1200 twips, 80 pixels) shows too little of itself to
    // be grabbed and moved back: it returns to its first-run place, as one beyond the right
    // edge does.
    constexpr std::int32_t kFurthestLeft = -1200;
    if (s.KASIL < kFurthestLeft) s.KASIL = 0;
    if (s.KASIT < 0) s.KASIT = 0;
    if (reduced.left > sw || reduced.left < kFurthestLeft) reduced.left = kReducedLayoutHome.left;
    if (reduced.top > sh) reduced.top = kReducedLayoutHome.top;
    if (full.left > sw || full.left < kFurthestLeft) full.left = kFullLayoutHome.left;
    if (full.top > sh) full.top = kFullLayoutHome.top;
    // 9.
    if (s.HOZON == 1) {
        s.FullPos = full;
        s.ReducedPos = reduced;
    } else {
        s.FullPos = kFullLayoutHome;
        s.ReducedPos = kReducedLayoutHome;
    }
    if (s.SASIH == 0) {
        s.SASIH = 240;
        s.KASII = 630;
    }
    // 10. Colours.
    applyColours(app);
    // 11. Playback state.
    s.PlayListIndex = -1;
    s.PlayListCount = 0;
    s.PausedByUser = 0;
    s.TimerPhase = Timer1Phase::Polling;
    s.LastCommand.clear();
    // 12. The disc.
    if (s.SLOAD == 1) {
        LOADX.setVisible(true);
    } else {
        LOADX.setVisible(false);
        LoadDisc(app);
        if (app.ended()) return;
    }
    // 13.
    if (s.LyricsOn == 1) KASI.setForeColor(ui::kRed);
    // 14. Volume control mode.
    if (s.SWVOL == 1) {
        VOLS[0].setVisible(false);
        VOLD[0].setVisible(false);
    } else if (s.SWVOL == 2) {
        for (std::size_t i = 0; i < 2; ++i) {
            VOLS[i].setVisible(false);
            VOLD[i].setVisible(false);
        }
    }
    // 15.
    if (s.FullPos.top < 0) s.FullPos.top = 0;
    if (s.ReducedPos.top < 0) s.ReducedPos.top = 0;
    // 16. Start-up layout.
    if (s.HOZON != 1) {
        s.ReducedLayout = s.KIDOU != 1 ? 1 : 0;
    } else if (layoutFlag == 1) {
        s.SkipPositionSave = 1;
        s.ReducedLayout = 0;
    } else {
        move(s.FullPos.left, s.FullPos.top, width(), height());
        s.ReducedLayout = 1;
    }
    ToggleLayout(app);
    // 17.
    TIMEDSP.setForeColor(s.TRKLE != 1 ? ui::kBlue : ui::kBlack);
    // 18. The karaoke screen, when its own settings say it opens with the program.
    OpenKaraokeAtStartup(app);
}

}  // namespace lirafok

// How the settings window ends: save (checks, shared settings, main window, settings file),
// cancel, and the drive change, which saves as well.
#include <cctype>
#include <filesystem>

#include "common/app.h"
#include "common/online_use.h"
#include "core/settings_file.h"
#include "catalogue/lyrics_folder.h"
#include "core/text.h"
#include "player/cdoke.h"
#include "player/disc_display.h"
#include "player/player_routines.h"
#include "player/sleep_timer.h"
#include "settings/cdkankyox.h"

namespace lirafok {

namespace {

constexpr const char* kTitle = "環境設定";
constexpr std::int64_t kAskBeyondMs = 10800000;  // three hours

// A scan length is a whole number of seconds from 1 to 60, blanks around it allowed. A sign,
// a fraction or anything else is refused (a lenient parse would turn "-5" into a backwards
// scan and "1O" into 1).
bool validScanSeconds(const std::string& t) {
    std::size_t a = t.find_first_not_of(' ');
    std::size_t b = t.find_last_not_of(' ');
    if (a == std::string::npos) return false;
    const std::string digits = t.substr(a, b - a + 1);
    if (digits.size() > 2) return false;
    for (char c : digits)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    const int n = std::stoi(digits);
    return n >= 1 && n <= 60;
}

bool folderExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

}  // namespace

bool CDKANKYOX::validate() {
    AppState& s = app.state;
    auto refuse = [this](const std::string& why) {
        app.PlayErrorCue();
        app.msgBox(why, ui::mb::kOkOnly, kTitle);
        return false;
    };
    if (KASIDIR.text().empty()) return refuse("歌詞ﾌｫﾙﾀﾞｰを指定して下さい");
    if (KASIDIR.text().back() != '/') KASIDIR.setText(KASIDIR.text() + "/");
    // The root is tested as it stands, any other folder without its final separator.
    const std::string& typed = KASIDIR.text();
    const std::string folder = typed == "/" ? typed : typed.substr(0, typed.size() - 1);
    if (!folderExists(folder))
        return refuse(typed.substr(0, typed.size() - 1) + "歌詞ﾌｫﾙﾀﾞｰが存在しません");
    if (cdoke(app).EDITX.foreColor() == ui::kRed)
        return refuse("通常演奏に戻してから保存して下さい。");
    if (!validScanSeconds(SCANTIME.text())) return refuse("ＳＣＡＮ秒数が誤っています");
    if (ONOFF.caption() != "NON") {
        const std::int64_t ahead = sleepTimerDelay(s.TimerReservedHour, s.TimerReservedMinute,
                                                   app.svc.scheduler.wallClock());
        if (ahead > kAskBeyondMs && app.msgBox("タイマーの設定が３時間以上です。よろしいですか？",
                                               ui::mb::kYesNo, "") != ui::mb::kYes)
            return false;
    }
    return true;
}

void CDKANKYOX::applySettings() {
    AppState& s = app.state;
    s.CMAI1 = WorkColour[kCMAI1];
    s.CMAI2 = WorkColour[kCMAI2];
    s.CMAI3 = WorkColour[kCMAI3];
    s.CMAI4 = WorkColour[kCMAI4];
    s.CMAI5 = WorkColour[kCMAI5];
    s.CKAS1 = WorkColour[kCKAS1];
    s.CKAS2 = WorkColour[kCKAS2];
    s.CKAS3 = WorkColour[kCKAS3];
    s.CKAS4 = WorkColour[kCKAS4];
    s.KASIH = KASIH.value() == 1 ? 1 : 0;
    s.KAIGY = KAIGYO.value() == 1 ? 1 : 0;
    s.TUNEH = TUNE.value() == 1 ? 1 : 0;
    s.KASIF = WorkFontSize;
    s.FONTN = WorkFontName;
    s.KASID = KASIDIR.text();
    s.SCANA = text::val(SCANTIMEA.text());
    s.SCANS = text::val(SCANTIME.text());
    s.CYOUS = text::val(CYOUSEI.text());
    s.KIDOU = KIDOU.value() == 1 ? 1 : 0;
    s.HOZON = JHOZON.value() == 1 ? 1 : 0;
    s.TRKLE = ZANTIME.value() ? 0 : 1;
    s.TOTLE = s.TRKLE;
    s.FBOLD = WorkFontBold;
    s.FITAL = WorkFontItalic;
    if (SCREENS.value() == 1) {
        s.SCREN = 1;
    } else {
        s.SCREN = 0;
        RestoreScreenSaver(app);
    }
    s.SLOAD = CDSET.caption() == "自動" ? 0 : 1;
    s.AUTOX = AUTOX.caption() != "手動" ? 1 : 0;
    s.SOUND = SOUNDX.caption() != "OFF" ? 1 : 0;
}

void CDKANKYOX::applyToMainWindow() {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    w.showLoadButton(s.SLOAD == 1);
    if (s.SLOAD != 1 && s.DiscKey.empty()) w.pollForDisc();
    if (s.DiscKey.empty()) w.MMControl1.setAutoEnable(true);
    const std::string& mode = ONOFF.caption();
    if (mode == "NON") {
        ArmSleepTimer(app, kTimerNone, 0, 0);
    } else {
        const std::string& hhmm = HHMM.caption();
        ArmSleepTimer(app, mode == "ON" ? kTimerPlay : kTimerStop, text::val(text::mid(hhmm, 1, 2)),
                      text::val(text::mid(hhmm, 4, 2)));
    }
    const std::string& vol = VOLSW.caption();
    if (vol == "単独") {
        s.SWVOL = 0;
        w.showVolumeControls(2);
        return;
    }
    s.SWVOL = vol == "同時" ? 1 : 2;
    w.showVolumeControls(s.SWVOL == 1 ? 1 : 0);
    // Re-step the second channel: in linked mode both channels take its level.
    s.VolumeLevel[1] -= 1024;
    StepVolumeUp(app, 1);
}

void CDKANKYOX::Command3D1_Click() {
    std::string start = KASIDIR.text();
    if (start.size() > 1 && start.back() == '/') start.pop_back();
    const auto picked = app.svc.dialogs.folderDialog("歌詞フォルダーを選ぶ", start);
    if (!picked || picked->empty()) return;
    KASIDIR.setText(picked->back() == '/' ? *picked : *picked + "/");
}

bool CDKANKYOX::settleLyricsFolder() {
    const std::string old = app.state.KASID;
    const std::string now = KASIDIR.text();
    if (now == old || old.empty() || holdsCatalogue(now) || !holdsCatalogue(old)) return true;
    const int answer = app.msgBox(
        "新しい歌詞フォルダー " + now + " にはカタログ（LIRAFOK.TXT）がありません。\n" +
            "今の歌詞フォルダーのカタログと歌詞ファイルをコピーしますか？\n\n" +
            "はい：コピーして新しいフォルダーを使う（元のファイルはそのまま残ります）\n" +
            "いいえ：空の新しいフォルダーを使う\n" + "キャンセル：今のフォルダー " + old +
            " のまま",
        ui::mb::kYesNoCancel + ui::mb::kQuestion, kTitle);
    if (answer == ui::mb::kCancel) {
        KASIDIR.setText(old);
        return true;
    }
    if (answer != ui::mb::kYes) return true;
    const FolderCopy copy = copyLyricsFolder(old, now);
    if (copy.ok) return true;
    app.PlayErrorCue();
    app.msgBox(copy.error + "\n歌詞フォルダーは変更していません。",
               ui::mb::kOkOnly + ui::mb::kExclamation, kTitle);
    return false;
}

void CDKANKYOX::Command3D2_Click() {
    if (!validate()) return;
    if (!settleLyricsFolder()) return;
    applySettings();
    applyToMainWindow();
    if (!SaveSettings(app.state))
        app.msgBox("環境ファイルに書き込めません(" + app.state.IniPath + ")\n" +
                       "設定はこの起動の間だけ有効です。",
                   ui::mb::kOkOnly + ui::mb::kExclamation, kTitle);
    saveOnlineSwitch();
    // The lyric on screen is read again: from the new folder, in the new colours and font
    // (without this the old folder's lyric stayed up until the next track).
    app.state.LyricsLoadedTrack = 0;
    RedisplayDisc(app);
    app.unload<CDKANKYOX>();
}

void CDKANKYOX::saveOnlineSwitch() {
    const bool on = NETSW.value() != 0;
    // Never asked and left off: still never asked, so that the first use asks.
    if (on == (m_online == OnlineConsent::Allowed)) return;
    OnlineSettings o = LoadOnlineSettings(app);
    o.consent = on ? OnlineConsent::Allowed : OnlineConsent::Refused;
    if (!writeOnlineSettings(OnlineSettingsPath(app), o))
        app.msgBox("オンライン設定ファイルに書き込めません(" + OnlineSettingsPath(app) + ")",
                   ui::mb::kOkOnly + ui::mb::kExclamation, kTitle);
}

void CDKANKYOX::Command3D3_Click() {
    const AppState& s = app.state;
    CDOKE& w = cdoke(app);
    w.showLoadButton(s.SLOAD != 0);
    if (s.SLOAD == 0 && s.DiscKey.empty()) w.pollForDisc();
    if (s.DiscKey.empty()) w.MMControl1.setAutoEnable(true);
    app.unload<CDKANKYOX>();
}

void CDKANKYOX::Command2_Click() {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    // Everything that can refuse the change is checked while the present drive still plays:
    // a refused change leaves it as it was.
    int index = -1;
    for (int i = 0; i <= 25; ++i) {
        if (s.DriveNames[static_cast<std::size_t>(i)] == DEVX.text()) {
            index = i;
            break;
        }
    }
    auto refuse = [this](const std::string& why) {
        app.msgBox(why);
        app.PlayErrorCue();
    };
    if (index < 0 || DEVX.text().empty()) return refuse("ドライブ名が間違っています。");
    device::CdAudioDevice* next = app.svc.drives.device(index);
    if (!next) return refuse("ドライブ名が間違っています。");
    if (next != app.currentDevice()) {
        if (next->open() != 0) {
            next->close();
            return refuse("ドライブを変更できません。");
        }
        next->close();
    }
    std::string data = s.DefaultDriveData;
    if (data.size() < 4) data.resize(4, '\0');
    data[0] = static_cast<char>(index);
    if (!app.svc.drives.writeDefault(data)) return refuse("ドライブを変更できません。");
    s.DefaultDriveData = data;

    w.MMControl1.setNotify(false);
    w.MMControl1.setWait(true);
    // Stopping a drive that has stopped or lost its disc changes nothing.
    (void)w.MMControl1.command(device::Command::Stop);
    w.MMControl1.setNotify(false);
    w.MMControl1.setWait(true);
    // Closing is the last word to the drive: a failure leaves nothing to undo.
    (void)w.MMControl1.command(device::Command::Close);
    app.setCurrentDriveIndex(index);
    FindCdDrives();

    ResetToNoDisc(app);
    w.showMode(CDOKE::ModeButton::Edit, false);
    w.showStatus("STOP");
    s.RepeatKind = RepeatMode::None;
    s.SetterHoldTransport = 0;
    s.SetterHoldStatus = 0;
    s.DiscTitle.clear();
    LoadDisc(app);
    if (app.ended()) return;
    Command3D2_Click();
}

}  // namespace lirafok

// The settings window's layout, its opening, and the actions that only change its working
// state: the toggles, the colours and their reset, the lyrics font, the timer tab and the
// screen font button.
#include "settings/cdkankyox.h"

#include <cmath>
#include <ctime>

#include "common/app.h"
#include "common/online_use.h"
#include "core/text.h"
#include "settings/cdfont.h"

namespace lirafok {

namespace {

constexpr int kButtonHeight = 405;
constexpr int kRowHeight = 330;
// The classic system colour "button text": the reset button's caption colour at opening,
// which is neither of the colours it uses to remember the next set.
constexpr ui::Color kButtonTextColour = static_cast<ui::Color>(0x80000012u);

// The two colour sets of the reset button (ColourKey order); set A is the program's defaults.
constexpr std::array<ui::Color, kColourCount> kColourSetA = {0,        65535, 255, 0, 16776960,
                                                             16777215, 0,     255, 0};
constexpr std::array<ui::Color, kColourCount> kColourSetB = {
    8388608, 16711680, 16711680, 8388608, 16777215, 12632256, 0, 255, 0};

std::string twoDigits(int n) {
    return text::pad(n, 2);
}

}  // namespace

CDKANKYOX::CDKANKYOX(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      SSTab1(*this, "SSTab1"),
      Timer1(*this, a.svc.scheduler, "Timer1"),
      Frame8(*this, "Frame8"),
      DEVX(*this, "DEVX"),
      Command2(*this, "Command2"),
      Label6(*this, "Label6"),
      Command3D2(*this, "Command3D2"),
      Command3D3(*this, "Command3D3"),
      Command3D1(*this, "Command3D1"),
      KASIDIR(*this, "KASIDIR"),
      Panel3D1(*this, "Panel3D1"),
      SCANTIMEA(*this, "SCANTIMEA"),
      SCANTIME(*this, "SCANTIME"),
      Label1(*this, "Label1"),
      Label2(*this, "Label2"),
      Panel3D3(*this, "Panel3D3"),
      Panel3D2(*this, "Panel3D2"),
      Panel3D8(*this, "Panel3D8"),
      Panel3D7(*this, "Panel3D7"),
      Panel3D5(*this, "Panel3D5"),
      Panel3D6(*this, "Panel3D6"),
      SSPanel1(*this, "SSPanel1"),
      JHOZON(*this, "JHOZON"),
      KIDOU(*this, "KIDOU"),
      AUTOX(*this, "AUTOX"),
      CDSET(*this, "CDSET"),
      ZANTIME(*this, "ZANTIME"),
      ENTIME(*this, "ENTIME"),
      VOLSW(*this, "VOLSW"),
      SOUNDX(*this, "SOUNDX"),
      SCREENS(*this, "SCREENS"),
      NETSW(*this, "NETSW"),
      Frame3(*this, "Frame3"),
      Frame4(*this, "Frame4"),
      CDKANKYO(*this, "CDKANKYO"),
      Command3D6(*this, "Command3D6"),
      Command3D7(*this, "Command3D7"),
      Command3D8(*this, "Command3D8"),
      Command3D9(*this, "Command3D9"),
      Command3D10(*this, "Command3D10"),
      Command3D11(*this, "Command3D11"),
      Command3D12(*this, "Command3D12"),
      Command3D13(*this, "Command3D13"),
      SSCommand1(*this, "SSCommand1"),
      Command3D15(*this, "Command3D15"),
      Command3D16(*this, "Command3D16"),
      Command3D17(*this, "Command3D17"),
      Frame1(*this, "Frame1"),
      CYOUSEI(*this, "CYOUSEI"),
      Label4(*this, "Label4"),
      TUNE(*this, "TUNE"),
      KAIGYO(*this, "KAIGYO"),
      KASIH(*this, "KASIH"),
      Frame2(*this, "Frame2"),
      Frame7(*this, "Frame7"),
      Frame6(*this, "Frame6"),
      HHMM(*this, "HHMM"),
      NOWTIME(*this, "NOWTIME"),
      SpinButton1(*this, "SpinButton1"),
      SpinButton2(*this, "SpinButton2"),
      Label3(*this, "Label3"),
      Label5(*this, "Label5"),
      ONOFF(*this, "ONOFF") {
    layoutDesign();
    wireEvents();
    setToolTips({
        {"Command3D1", "歌詞ファイルのフォルダーを選ぶ"},
        {"AUTOX", "ディスクを入れたら自動で演奏する・しない"},
        {"CDSET", "ディスクを自動で読み込む・LOAD ボタンで読み込む"},
        {"VOLSW", "左右の音量：同時／単独／OFF"},
        {"SOUNDX", "ボタンの効果音：ON／OFF"},
        {"Command3D6", "メイン画面の背景色"},
        {"Command3D7", "メイン画面の文字色"},
        {"Command3D8", "タイトルの文字色"},
        {"Command3D9", "曲名一覧の背景色"},
        {"Command3D10", "曲名一覧の文字色"},
        {"Command3D11", "歌詞画面の背景色"},
        {"Command3D12", "歌詞画面の文字色"},
        {"Command3D13", "歌詞画面の演奏中の行の色"},
        {"SSCommand1", "歌詞画面の歌い終わった行の色"},
        {"Command3D15", "色を初めの状態に戻す"},
        {"Command3D16", "歌詞のフォント"},
        {"Command3D17", "メイン画面のフォントセット"},
        {"SpinButton1", "予約時刻の時"},
        {"SpinButton2", "予約時刻の分"},
        {"ONOFF", "タイマー：NON 使わない／ON 時刻に演奏／OFF 時刻に停止"},
        {"Command2", "この CD ドライブを使う"},
        {"NETSW", "タイトル・歌詞をインターネット（MusicBrainz・gnudb・LRCLIB）で探す"},
        {"Command3D2", "設定を保存して閉じる"},
        {"Command3D3", "保存せずに閉じる"},
    });
}

// Inner area 7440 x 5160 twips: the four tabs above, the drive change frame and the save and
// cancel buttons below them. Controls on a tab are placed relative to the tab control (its
// row of tabs takes the upper 400 twips), controls in a frame relative to the frame.
void CDKANKYOX::layoutDesign() {
    setCaption("環境設定");
    setResizable(false);
    move(2400, 1500, 7440 + kFrameWidth, 5160 + kFrameHeight);

    SSTab1.move(120, 120, 7200, 3960);
    SSTab1.setTabs(4);
    SSTab1.setTabCaption(0, "オプション");
    SSTab1.setTabCaption(1, "フォント");
    SSTab1.setTabCaption(2, "歌詞表示");
    SSTab1.setTabCaption(3, "タイマー");
    SSTab1.setTab(0);

    auto at = [](ui::Control& c, ui::Control* in, int page, int left, int top, int width,
                 int height, const std::string& caption) {
        c.setContainer(in, page);
        c.move(left, top, width, height);
        if (!caption.empty()) c.setCaption(caption);
    };
    auto label = [](ui::Panel& p) { p.setAlignment(ui::align::kCentre); };

    // Tab "オプション".
    at(Command3D1, &SSTab1, 0, 240, 540, 1320, 360, "歌詞ﾌｫﾙﾀﾞｰ");
    at(KASIDIR, &SSTab1, 0, 1620, 555, 5340, kRowHeight, "");
    at(Panel3D1, &SSTab1, 0, 240, 1020, 1320, 360, "SCAN秒数");
    at(SCANTIMEA, &SSTab1, 0, 1620, 1035, 600, kRowHeight, "  0");
    at(Label1, &SSTab1, 0, 2280, 1080, 1020, 300, "秒目から");
    at(SCANTIME, &SSTab1, 0, 3300, 1035, 600, kRowHeight, "10");
    at(Label2, &SSTab1, 0, 3960, 1080, 720, 300, "秒間");
    at(Panel3D3, &SSTab1, 0, 240, 1500, 1320, 360, "状態保存");
    at(JHOZON, &SSTab1, 0, 1680, 1515, 1200, kRowHeight, "保存");
    at(Panel3D2, &SSTab1, 0, 3600, 1500, 1320, 360, "起動ﾓｰﾄﾞ");
    at(KIDOU, &SSTab1, 0, 5040, 1515, 1500, kRowHeight, "リモコン");
    at(Panel3D8, &SSTab1, 0, 240, 1980, 1320, 360, "自動再生");
    at(AUTOX, &SSTab1, 0, 1620, 1980, 900, 360, "自動");
    at(Panel3D7, &SSTab1, 0, 3600, 1980, 1320, 360, "ＣＤセット");
    at(CDSET, &SSTab1, 0, 4980, 1980, 900, 360, "自動");
    at(Panel3D5, &SSTab1, 0, 240, 2460, 1320, 360, "TIME表示");
    at(ZANTIME, &SSTab1, 0, 1680, 2475, 1740, kRowHeight, "残り時間表示");
    at(ENTIME, &SSTab1, 0, 3600, 2475, 1740, kRowHeight, "演奏時間表示");
    at(Panel3D6, &SSTab1, 0, 240, 2940, 1320, 360, "ボリューム");
    at(VOLSW, &SSTab1, 0, 1620, 2940, 900, 360, "同時");
    at(SSPanel1, &SSTab1, 0, 3600, 2940, 1320, 360, "サウンド機能");
    at(SOUNDX, &SSTab1, 0, 4980, 2940, 900, 360, "OFF");
    at(SCREENS, &SSTab1, 0, 240, 3420, 3600, kRowHeight, " 演奏中ｽｸﾘｰﾝｾｲﾊﾞｰ無効");
    at(NETSW, &SSTab1, 0, 3960, 3420, 3000, kRowHeight, " オンライン検索を使う");
    for (ui::Panel* p :
         {&Panel3D1, &Panel3D3, &Panel3D2, &Panel3D8, &Panel3D7, &Panel3D5, &Panel3D6, &SSPanel1})
        label(*p);
    ZANTIME.setGroup(1);
    ENTIME.setGroup(1);

    // Tab "フォント": the colour buttons in their frames, the reset and the two font buttons.
    at(Frame3, &SSTab1, 1, 240, 540, 3360, 960, "メイン画面");
    at(Command3D6, &Frame3, 0, 120, 360, 960, kButtonHeight, "背 景");
    at(Command3D7, &Frame3, 0, 1200, 360, 960, kButtonHeight, "文 字");
    at(Command3D8, &Frame3, 0, 2280, 360, 960, kButtonHeight, "Title");
    at(Frame4, &SSTab1, 1, 240, 1620, 3360, 960, "曲名一覧");
    at(Command3D9, &Frame4, 0, 120, 360, 960, kButtonHeight, "LIST");
    at(Command3D10, &Frame4, 0, 1200, 360, 960, kButtonHeight, "曲名");
    at(CDKANKYO, &SSTab1, 1, 3720, 540, 3240, 2040, "歌詞画面");
    at(Command3D11, &CDKANKYO, 0, 120, 360, 960, kButtonHeight, "背 景");
    at(Command3D12, &CDKANKYO, 0, 1140, 360, 960, kButtonHeight, "文 字");
    at(Command3D13, &CDKANKYO, 0, 2160, 360, 960, kButtonHeight, "表 示");
    at(SSCommand1, &CDKANKYO, 0, 2160, 900, 960, kButtonHeight, "済");
    at(Command3D15, &SSTab1, 1, 5400, 2760, 1560, kButtonHeight, "初 期 化");
    at(Command3D16, &SSTab1, 1, 240, 2760, 2400, kButtonHeight, "歌詞フォント設定");
    at(Command3D17, &SSTab1, 1, 2760, 2760, 2400, kButtonHeight, "画面フォント");

    // Tab "歌詞表示".
    at(Frame1, &SSTab1, 2, 240, 540, 2760, 840, "タイミング調整");
    at(CYOUSEI, &Frame1, 0, 240, 360, 900, kRowHeight, "0100");
    at(Label4, &Frame1, 0, 1260, 400, 600, 300, "ｍｓ");
    at(TUNE, &SSTab1, 2, 240, 1620, 5400, kRowHeight, " 歌詞を常に表示");
    at(KAIGYO, &SSTab1, 2, 240, 2100, 5400, kRowHeight, " 演奏中の歌詞は常に先頭行");
    at(KASIH, &SSTab1, 2, 240, 2580, 5400, kRowHeight, " 歌詞表示  （次回の起動より有効）");

    // Tab "タイマー".
    at(Frame2, &SSTab1, 3, 240, 540, 6720, 3180, "タイマー");
    at(Frame7, &Frame2, 0, 240, 360, 3720, 1320, "予約時間");
    at(HHMM, &Frame7, 0, 240, 480, 1320, 480, "");
    at(SpinButton1, &Frame7, 0, 1740, 360, 255, 720, "");
    at(Label3, &Frame7, 0, 2040, 540, 480, 300, " 時");
    at(SpinButton2, &Frame7, 0, 2640, 360, 255, 720, "");
    at(Label5, &Frame7, 0, 2940, 540, 480, 300, " 分");
    at(Frame6, &Frame2, 0, 4200, 360, 2280, 1320, "時刻");
    at(NOWTIME, &Frame6, 0, 240, 480, 1800, 480, "");
    at(ONOFF, &Frame2, 0, 240, 2040, 1320, 450, "NON");
    HHMM.setAlignment(ui::align::kCentre);
    NOWTIME.setAlignment(ui::align::kCentre);

    // Below the tabs.
    Frame8.move(120, 4200, 5100, 840);
    Frame8.setCaption("ドライブ変更");
    at(DEVX, &Frame8, 0, 120, 340, 1800, kRowHeight, "");
    at(Command2, &Frame8, 0, 2040, 300, 840, kButtonHeight, "決定");
    at(Label6, &Frame8, 0, 3000, 360, 2000, 300, "環境設定も保存します");
    Command3D2.move(5340, 4440, 900, 450);
    Command3D2.setCaption("保存");
    Command3D3.move(6360, 4440, 960, 450);
    Command3D3.setCaption("取消");
    Command3D15.setForeColor(kButtonTextColour);
}

void CDKANKYOX::wireEvents() {
    AUTOX.onClick = [this] { AUTOX_Click(); };
    CDSET.onClick = [this] { CDSET_Click(); };
    VOLSW.onClick = [this] { VOLSW_Click(); };
    SOUNDX.onClick = [this] { SOUNDX_Click(); };
    ONOFF.onClick = [this] { ONOFF_Click(); };
    SpinButton1.onSpinUp = [this] { SpinButton1_SpinUp(); };
    SpinButton1.onSpinDown = [this] { SpinButton1_SpinDown(); };
    SpinButton2.onSpinUp = [this] { SpinButton2_SpinUp(); };
    SpinButton2.onSpinDown = [this] { SpinButton2_SpinDown(); };
    Timer1.onTimer = [this] { Timer1_Timer(); };
    Command3D1.onClick = [this] { Command3D1_Click(); };
    Command3D6.onClick = [this] { Command3D6_Click(); };
    Command3D7.onClick = [this] { Command3D7_Click(); };
    Command3D8.onClick = [this] { Command3D8_Click(); };
    Command3D9.onClick = [this] { Command3D9_Click(); };
    Command3D10.onClick = [this] { Command3D10_Click(); };
    Command3D11.onClick = [this] { Command3D11_Click(); };
    Command3D12.onClick = [this] { Command3D12_Click(); };
    Command3D13.onClick = [this] { Command3D13_Click(); };
    SSCommand1.onClick = [this] { SSCommand1_Click(); };
    Command3D15.onClick = [this] { COMMAND3D15_Click(); };
    Command3D16.onClick = [this] { Command3D16_Click(); };
    Command3D17.onClick = [this] { Command3D17_Click(); };
    Command3D2.onClick = [this] { Command3D2_Click(); };
    Command3D3.onClick = [this] { Command3D3_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
    Timer1.setInterval(0);
}

void CDKANKYOX::Form_Load() {
    const AppState& s = app.state;
    Timer1.setInterval(1000);
    Timer1.setTimerEnabled(true);
    WorkFontSize = s.KASIF;
    WorkFontName = s.FONTN;
    WorkFontItalic = s.FITAL;
    WorkFontBold = s.FBOLD;
    WorkColour = {s.CMAI1, s.CMAI2, s.CMAI3, s.CMAI4, s.CMAI5, s.CKAS1, s.CKAS2, s.CKAS3, s.CKAS4};
    KASIH.setValue(s.KASIH != 0 ? 1 : 0);
    KAIGYO.setValue(s.KAIGY != 0 ? 1 : 0);
    TUNE.setValue(s.TUNEH != 0 ? 1 : 0);
    KIDOU.setValue(s.KIDOU != 0 ? 1 : 0);
    JHOZON.setValue(s.HOZON != 0 ? 1 : 0);
    KASIDIR.setText(s.KASID);
    SCANTIMEA.setText(std::to_string(s.SCANA));
    SCANTIME.setText(std::to_string(s.SCANS));
    CYOUSEI.setText(std::to_string(s.CYOUS));
    if (s.TRKLE != 0)
        ENTIME.setValue(true);
    else
        ZANTIME.setValue(true);
    if (s.TimerArmedState != 0) {
        HHMM.setCaption(twoDigits(s.TimerArmedHour) + ":" + twoDigits(s.TimerArmedMinute));
        ONOFF.setCaption(s.TimerArmedState == 1 ? "ON" : "OFF");
        ONOFF.setForeColor(ui::kRed);
    } else {
        ONOFF.setCaption("NON");
        HHMM.setCaption("");
        ONOFF.setForeColor(ui::kBlack);
    }
    VOLSW.setCaption(s.SWVOL == 0 ? "単独" : s.SWVOL == 1 ? "同時" : "OFF");
    SCREENS.setValue(s.SCREN != 0 ? 1 : 0);
    m_online = LoadOnlineSettings(app).consent;
    NETSW.setValue(m_online == OnlineConsent::Allowed ? 1 : 0);
    CDSET.setCaption(s.SLOAD != 0 ? "手動" : "自動");
    AUTOX.setCaption(s.AUTOX != 0 ? "自動" : "手動");
    SOUNDX.setCaption(s.SOUND != 0 ? "ON" : "OFF");
    Timer1_Timer();  // the clock shows at once, not a second later
    COLOR_SET();
    FindCdDrives();
}

void CDKANKYOX::FindCdDrives() {
    AppState& s = app.state;
    std::string data;
    if (!app.svc.drives.readDefault(data)) {
        Frame8.setVisible(false);
        return;
    }
    s.DefaultDriveData = data;
    Frame8.setVisible(true);
    const int d = data.empty() ? 0 : static_cast<unsigned char>(data[0]);
    DEVX.clear();
    for (auto& name : s.DriveNames) name.clear();
    const std::vector<std::string> names = app.svc.drives.names();
    for (std::size_t i = 0; i < names.size() && i < s.DriveNames.size(); ++i) {
        s.DriveNames[i] = names[i];
        DEVX.addItem(names[i]);
    }
    // Only indexes 0 to 9 are recognised; any other stored value shows no drive.
    DEVX.setText(d <= 9 ? s.DriveNames[static_cast<std::size_t>(d)] : std::string());
}

void CDKANKYOX::COLOR_SET() {
    ui::Button* buttons[kColourCount] = {&Command3D6,  &Command3D7,  &Command3D8,
                                         &Command3D9,  &Command3D10, &Command3D11,
                                         &Command3D12, &Command3D13, &SSCommand1};
    for (int k = 0; k < kColourCount; ++k)
        buttons[k]->setForeColor(WorkColour[static_cast<std::size_t>(k)]);
}

void CDKANKYOX::Timer1_Timer() {
    const std::time_t now = app.svc.scheduler.wallClock();
    std::tm tm{};
    localtime_r(&now, &tm);
    NOWTIME.setCaption(twoDigits(tm.tm_hour) + ":" + twoDigits(tm.tm_min) + ":" +
                       twoDigits(tm.tm_sec));
}

// --- options ---

void CDKANKYOX::AUTOX_Click() {
    if (AUTOX.caption() == "自動") {
        AUTOX.setCaption("手動");
    } else {
        AUTOX.setCaption("自動");
        CDSET.setCaption("自動");
    }
}

void CDKANKYOX::CDSET_Click() {
    if (AUTOX.caption() == "自動") {
        app.msgBox("自動再生が自動の場合は変更できません");
        return;
    }
    CDSET.setCaption(CDSET.caption() == "自動" ? "手動" : "自動");
}

void CDKANKYOX::VOLSW_Click() {
    const std::string& c = VOLSW.caption();
    VOLSW.setCaption(c == "同時" ? "単独" : c == "単独" ? "OFF" : "同時");
}

void CDKANKYOX::SOUNDX_Click() {
    SOUNDX.setCaption(SOUNDX.caption() == "ON" ? "OFF" : "ON");
}

// --- colours ---

void CDKANKYOX::pickColour(int key) {
    ui::Color& colour = WorkColour[static_cast<std::size_t>(key)];
    // A cancelled dialog returns the colour it was opened with.
    colour = app.svc.dialogs.colorDialog(colour).value_or(colour);
    Command3D15.setForeColor(ui::kBlack);
    COLOR_SET();
}

void CDKANKYOX::Command3D6_Click() {
    pickColour(kCMAI1);
}
void CDKANKYOX::Command3D7_Click() {
    pickColour(kCMAI2);
}
void CDKANKYOX::Command3D8_Click() {
    pickColour(kCMAI3);
}
void CDKANKYOX::Command3D9_Click() {
    pickColour(kCMAI4);
}
void CDKANKYOX::Command3D10_Click() {
    pickColour(kCMAI5);
}
void CDKANKYOX::Command3D11_Click() {
    pickColour(kCKAS1);
}
void CDKANKYOX::Command3D12_Click() {
    pickColour(kCKAS2);
}
void CDKANKYOX::Command3D13_Click() {
    pickColour(kCKAS3);
}
void CDKANKYOX::SSCommand1_Click() {
    pickColour(kCKAS4);
}

void CDKANKYOX::COMMAND3D15_Click() {
    // The button's own caption colour says which set comes next: after set A (blue) or at
    // opening comes set B, after set B (red) or a single pick (black) comes set A.
    const ui::Color mark = Command3D15.foreColor();
    if (mark == ui::kRed || mark == ui::kBlack) {
        WorkColour = kColourSetA;
        Command3D15.setForeColor(ui::kBlue);
    } else {
        WorkColour = kColourSetB;
        Command3D15.setForeColor(ui::kRed);
    }
    COLOR_SET();
}

// --- fonts ---

void CDKANKYOX::Command3D16_Click() {
    ui::FontDialogRequest req;
    req.preset = {WorkFontName, static_cast<double>(WorkFontSize), WorkFontBold != 0,
                  WorkFontItalic != 0};
    req.screenFontsOnly = true;
    req.limitSize = true;
    req.minSize = 10;
    req.maxSize = 14;
    // A cancelled dialog returns the font it was opened with.
    const ui::FontChoice choice = app.svc.dialogs.fontDialog(req).value_or(req.preset);
    if (choice.name.empty()) {
        app.PlayErrorCue();
        app.msgBox("フォント名が設定されていません");
        return;
    }
    WorkFontName = choice.name;
    WorkFontSize = static_cast<int>(std::lround(choice.size));
    WorkFontBold = choice.bold ? 1 : 0;
    WorkFontItalic = choice.italic ? 1 : 0;
}

void CDKANKYOX::Command3D17_Click() {
    // A font window already open keeps the set it is editing: switching it to the standard
    // set under its displayed rows would file those rows under the wrong set.
    if (!app.isLoaded<CDFONT>()) app.state.CurrentFontSet = 0;
    app.show<CDFONT>();
}

// --- timer tab ---

void CDKANKYOX::showReservedTime() {
    const AppState& s = app.state;
    HHMM.setCaption(twoDigits(s.TimerReservedHour) + ":" + twoDigits(s.TimerReservedMinute));
}

void CDKANKYOX::ONOFF_Click() {
    AppState& s = app.state;
    const std::string& c = ONOFF.caption();
    if (c == "NON") {
        const std::time_t now = app.svc.scheduler.wallClock();
        std::tm tm{};
        localtime_r(&now, &tm);
        s.TimerReservedHour = tm.tm_hour;
        s.TimerReservedMinute = tm.tm_min;
        showReservedTime();
        ONOFF.setCaption("ON");
        ONOFF.setForeColor(ui::kRed);
    } else if (c == "ON") {
        ONOFF.setCaption("OFF");
        ONOFF.setForeColor(ui::kRed);
    } else {
        ONOFF.setCaption("NON");
        HHMM.setCaption("");
        ONOFF.setForeColor(ui::kBlack);
    }
}

void CDKANKYOX::SpinButton1_SpinUp() {
    if (ONOFF.caption() == "NON") return;
    int& h = app.state.TimerReservedHour;
    h = h >= 23 ? 0 : h + 1;
    showReservedTime();
}

void CDKANKYOX::SpinButton1_SpinDown() {
    if (ONOFF.caption() == "NON") return;
    int& h = app.state.TimerReservedHour;
    h = h <= 0 ? 23 : h - 1;
    showReservedTime();
}

void CDKANKYOX::SpinButton2_SpinUp() {
    if (ONOFF.caption() == "NON") return;
    int& m = app.state.TimerReservedMinute;
    m = m >= 59 ? 0 : m + 1;
    showReservedTime();
}

void CDKANKYOX::SpinButton2_SpinDown() {
    if (ONOFF.caption() == "NON") return;
    int& m = app.state.TimerReservedMinute;
    m = m <= 0 ? 59 : m - 1;
    showReservedTime();
}

}  // namespace lirafok

#include "player/cdoke.h"

#include "common/app.h"

namespace lirafok {

CDOKE& cdoke(App& app) {
    return app.form<CDOKE>();
}

namespace {
constexpr int kRow = 405;  // button height
constexpr int kCol = 570;  // button width
}  // namespace

CDOKE::CDOKE(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      MMControl1(*this, a.svc.scheduler, "MMControl1"),
      Timer1(*this, a.svc.scheduler, "Timer1"),
      Timer2(*this, a.svc.scheduler, "Timer2"),
      Timer3(*this, a.svc.scheduler, "Timer3"),
      POINTX(*this, "POINTX"),
      List1(*this, "List1"),
      III(*this, "III"),
      GGG(*this, "GGG"),
      HHH(*this, "HHH"),
      AAA(*this, "AAA"),
      BBB(*this, "BBB"),
      CCC(*this, "CCC"),
      DDD(*this, "DDD"),
      EEE(*this, "EEE"),
      FFF(*this, "FFF"),
      TRKNO(*this, "TRKNO"),
      TRKLEN(*this, "TRKLEN"),
      TOTALLEN(*this, "TOTALLEN"),
      STATUS1(*this, "STATUS1"),
      STATUS2(*this, "STATUS2"),
      TITLE{{ui::Panel{*this, "TITLE", 0}, ui::Panel{*this, "TITLE", 1}}},
      ART(*this, "ART"),
      KYOKU(*this, "KYOKU"),
      VOLD{{ui::Panel{*this, "VOLD", 0}, ui::Panel{*this, "VOLD", 1}}},
      VOLS{{ui::SpinButton{*this, "VOLS", 0}, ui::SpinButton{*this, "VOLS", 1}}},
      NORMAL(*this, "NORMAL"),
      PROG(*this, "PROG"),
      RAN(*this, "RAN"),
      SCAN(*this, "SCAN"),
      ORG(*this, "ORG"),
      REPEAT(*this, "REPEAT"),
      TIMEDSP(*this, "TIMEDSP"),
      MUTE(*this, "MUTE"),
      POWER(*this, "POWER"),
      REMO(*this, "REMO"),
      LOADX(*this, "LOADX"),
      DATAX(*this, "DATAX"),
      EDITX(*this, "EDITX"),
      KASI(*this, "KASI"),
      SETUP(*this, "SETUP"),
      HELPX(*this, "HELPX"),
      KEYTEMPO(*this, "KEYTEMPO"),
      keyTempo(a) {
    layoutDesign();
    wireEvents();
    for (ui::Button* b : {&NORMAL, &PROG, &RAN, &SCAN, &ORG, &REPEAT, &EDITX, &MUTE, &KASI})
        b->setShowsModeState(true);
    setToolTips({
        {"NORMAL", "通常の演奏に戻す（青：ディスクを入れても自動で演奏しない）"},
        {"PROG", "プログラム演奏：曲を選んで好きな順に演奏"},
        {"RAN", "ランダム演奏：全曲を一度ずつばらばらの順に"},
        {"SCAN", "イントロスキャン：各曲の頭を数秒ずつ演奏"},
        {"ORG", "プライベートリスト：保存した曲順で演奏"},
        {"REPEAT", "リピート：全曲・1曲・A-B区間"},
        {"EDITX", "カセット編集：A面・B面に曲を振り分け"},
        {"KASI", "歌詞ウィンドウの表示・非表示 (SONG)"},
        {"DATAX", "ディスクのタイトル・曲名の登録 (DATA)"},
        {"LOADX", "ディスクを読み込む・取り出したディスクを戻す"},
        {"HELPX", "ヘルプ（キー操作の一覧も）"},
        {"TIMEDSP", "時間表示の切り替え：経過時間／残り時間 (DSP)"},
        {"POWER", "終了（青：タイマーが予約されている）"},
        {"MUTE", "消音の入・切"},
        {"REMO", "小さなリモコン表示との切り替え"},
        {"SETUP", "環境設定"},
        {"VOLS(0)", "左チャンネルの音量（ホイールでも変更）"},
        {"VOLS(1)", "右チャンネルの音量（同時のときは両方；ホイールでも変更）"},
        {"VOLD(0)", "左チャンネルの音量"},
        {"VOLD(1)", "右チャンネルの音量"},
        {"POINTX", "曲の中の位置：ドラッグで移動 (← → で5秒)"},
        {"TRKNO", "演奏中の曲番号"},
        {"TRKLEN", "曲の時間（DSPで経過／残りを切り替え）"},
        {"TOTALLEN", "ディスク全体の時間（DSPで経過／残りを切り替え）"},
        {"STATUS1", "演奏の状態"},
        {"STATUS2", "演奏モード"},
        {"List1", "曲の一覧：クリックでその曲を演奏 (↑ ↓ で前後の曲)"},
        {"KEYTEMPO",
         "キー・テンポ・ボーカルが原曲と違います (+ / - キー、[ / ] テンポ、"
         "V ボーカル、0 で元に戻す、T で設定の窓)"},
    });
}

// The design-time arrangement: the full layout of a disc with a catalogue record.
// Inner area 8250 x 4065 twips. The upper 2280 twips are what the compact layout (a disc
// without a record) keeps: time strip, track list, transport and buttons; below them the full
// layout adds the title, artist and song band (GGG, HHH), which follows the list down when
// the window grows. Panels inside a band are placed relative to the band's top.
void CDOKE::layoutDesign() {
    setCaption("LIRAFOK");
    setResizable(true);
    move(1350, 585, 8250 + kFrameWidth, 4065 + kFrameHeight);

    // Time strip.
    III.move(0, 0, 4200, 420);
    AAA.move(45, 120, 480, 240);
    AAA.setCaption("Track");
    TRKNO.move(525, 45, 570, 330);
    TRKNO.setCaption("01");
    BBB.move(1140, 120, 480, 240);
    BBB.setCaption("Time");
    TRKLEN.move(1620, 60, 1080, 330);
    TRKLEN.setCaption("00:00");
    CCC.move(2745, 120, 420, 240);
    CCC.setCaption("Total");
    TOTALLEN.move(3165, 60, 990, 330);
    TOTALLEN.setCaption("00:00");
    for (ui::Panel* p : {&AAA, &BBB, &CCC, &DDD, &EEE, &FFF}) p->setFlat(true);
    for (ui::Panel* p : {&TRKNO, &TRKLEN, &TOTALLEN}) p->setAlignment(ui::align::kCentre);

    // Status words, position slider.
    STATUS1.move(4260, 45, 1230, 330);
    STATUS1.setCaption("STOP");
    STATUS2.move(5550, 65, 1740, 330);
    STATUS2.setCaption("NORMAL");
    STATUS1.setAlignment(ui::align::kCentre);
    STATUS2.setAlignment(ui::align::kCentre);
    POINTX.move(2760, 480, 4530, 255);
    POINTX.setRange(0, 100);

    // Track list: the left column below the time strip.
    List1.move(0, 420, 2700, 2295);

    // Transport, volume, load and help.
    MMControl1.move(2760, 840, 2640, 480);
    VOLD[0].move(2760, 1410, 450, 300);
    VOLS[0].move(3240, 1380, 255, 360);
    VOLD[1].move(3570, 1410, 450, 300);
    VOLS[1].move(4050, 1380, 255, 360);
    for (auto& v : VOLD) {
        v.setCaption("64");
        v.setAlignment(ui::align::kCentre);
    }

    // Button grid and the right column.
    auto place = [](ui::Button& b, int left, int top, int width, const char* caption) {
        b.move(left, top, width, kRow);
        b.setCaption(caption);
    };
    place(NORMAL, 5520, 840, kCol, "NOM");
    NORMAL.setForeColor(ui::kRed);  // normal play is the mode at start
    place(PROG, 6120, 840, kCol, "PROG");
    place(RAN, 6720, 840, kCol, "RAN");
    place(EDITX, 5520, 1320, kCol, "EDIT");
    place(ORG, 6120, 1320, kCol, "PRIV");
    place(SCAN, 6720, 1320, kCol, "SCAN");
    place(KASI, 5520, 1800, kCol, "SONG");
    place(DATAX, 6120, 1800, kCol, "DATA");
    place(REPEAT, 6720, 1800, kCol, "REP");
    place(LOADX, 4440, 1380, 960, "LOAD");
    place(HELPX, 4440, 1800, 960, "HELP");
    place(TIMEDSP, 7350, 45, 840, "DSP");
    TIMEDSP.setHeight(330);
    place(POWER, 7350, 420, 840, "POWER");
    POWER.setHeight(330);
    place(MUTE, 7350, 795, 840, "MUTE");
    MUTE.setHeight(375);
    place(REMO, 7350, 1200, 840, "REMO");
    place(SETUP, 7350, 1800, 840, "SETUP");
    // The key/tempo indicator: below the volume controls, beside HELP; shown only while the
    // sound is not the disc's own.
    KEYTEMPO.move(2760, 1770, 1620, 420);
    KEYTEMPO.setFlat(true);
    KEYTEMPO.setAlignment(ui::align::kCentre);
    KEYTEMPO.setForeColor(ui::kRed);
    KEYTEMPO.setVisible(false);

    // Title, artist and song band: two frames holding their panels.
    GGG.move(0, 2745, 8250, 600);
    for (ui::Control* c : std::initializer_list<ui::Control*>{&DDD, &TITLE[0], &TITLE[1]})
        c->setContainer(&GGG);
    DDD.move(60, 165, 900, 270);
    DDD.setCaption("  Title");
    TITLE[0].move(1020, 150, 7170, 400);
    TITLE[1].move(1020, 300, 7170, 270);
    TITLE[1].setVisible(false);
    HHH.move(0, 3360, 8250, 675);
    for (ui::Control* c : std::initializer_list<ui::Control*>{&EEE, &ART, &FFF, &KYOKU})
        c->setContainer(&HHH);
    EEE.move(60, 45, 900, 270);
    EEE.setCaption("Artist");
    ART.move(1020, 45, 7170, 285);
    FFF.move(60, 360, 900, 270);
    FFF.setCaption("Song");
    KYOKU.move(1020, 360, 7170, 285);
    // The time strip holds its labels and numbers (at the window's corner, so their places are
    // the same either way).
    for (ui::Control* c :
         std::initializer_list<ui::Control*>{&AAA, &BBB, &CCC, &TRKNO, &TRKLEN, &TOTALLEN})
        c->setContainer(&III);
}

void CDOKE::wireEvents() {
    MMControl1.onPlayClick = [this](bool& c) { MMCONTROL1_PlayClick(c); };
    MMControl1.onPauseClick = [this](bool& c) { MMCONTROL1_PauseClick(c); };
    MMControl1.onStopClick = [this](bool& c) { MMCONTROL1_StopClick(c); };
    MMControl1.onNextClick = [this](bool& c) { MMCONTROL1_NextClick(c); };
    MMControl1.onPrevClick = [this](bool& c) { MMCONTROL1_PrevClick(c); };
    MMControl1.onEjectClick = [this](bool& c) { MMCONTROL1_EjectClick(c); };
    MMControl1.onPlayCompleted = [this](int e) { MMCONTROL1_PlayCompleted(e); };
    MMControl1.onStopCompleted = [this](int e) { MMControl1_StopCompleted(e); };
    MMControl1.onNextCompleted = [this](int e) { MMCONTROL1_NextCompleted(e); };
    MMControl1.onPrevCompleted = [this](int e) { MMCONTROL1_PrevCompleted(e); };
    MMControl1.onEjectCompleted = [this](int e) { MMControl1_EjectCompleted(e); };
    MMControl1.onStopLostFocus = [this] { MMCONTROL1_StopLostFocus(); };
    MMControl1.onButtonDone = [this] { showStateNow(); };
    MMControl1.onStatusUpdate = [this] { MMCONTROL1_StatusUpdate(); };
    MMControl1.onDone = [this](int code) { MMControl1_Done(code); };
    Timer1.onTimer = [this] { Timer1_Timer(); };
    Timer2.onTimer = [this] { Timer2_Timer(); };
    Timer3.onTimer = [this] { Timer3_Timer(); };
    List1.onMouseDown = [this](int, int, int, int) { List1_MouseDown(); };
    POINTX.onChange = [this] { POINTX_Change(); };
    LOADX.onClick = [this] { LOADX_Click(); };
    DATAX.onClick = [this] { DATAX_Click(); };
    EDITX.onClick = [this] { EDITX_Click(); };
    PROG.onClick = [this] { PROG_Click(); };
    KASI.onClick = [this] { KASI_Click(); };
    SETUP.onClick = [this] { SETUP_Click(); };
    HELPX.onClick = [this] { HELPX_Click(); };
    REPEAT.onClick = [this] { REPEAT_Click(); };
    NORMAL.onClick = [this] { NORMAL_Click(); };
    RAN.onClick = [this] { RAN_Click(); };
    SCAN.onClick = [this] { SCAN_Click(); };
    ORG.onClick = [this] { ORG_Click(); };
    TIMEDSP.onClick = [this] { TIMEDSP_Click(); };
    MUTE.onClick = [this] { MUTE_Click(); };
    POWER.onClick = [this] { POWER_Click(); };
    REMO.onClick = [this] { REMO_Click(); };
    for (int i = 0; i < 2; ++i) {
        VOLS[static_cast<std::size_t>(i)].onSpinUp = [this, i] { VOLS_SpinUp(i); };
        VOLS[static_cast<std::size_t>(i)].onSpinDown = [this, i] { VOLS_SpinDown(i); };
    }
    // The timers start disabled until the program arms them.
    Timer1.setInterval(0);
    Timer2.setInterval(0);
    Timer3.setInterval(0);
}

bool CDOKE::transportHeld() const {
    return app.state.SetterHoldTransport == 1 || app.state.SetterHoldStatus == 1;
}

bool CDOKE::discReady() {
    // A disc that went in after the last poll is in the open device but not loaded yet (no
    // track table): it is ready once the poll has loaded it.
    return (MMControl1.CanPlay() || MMControl1.CanEject()) && app.state.TrackCount > 0;
}

}  // namespace lirafok

#include "player/cdoke.h"

#include "windows/app.h"

namespace lirafok {

namespace {
constexpr int kRow = 405;  // button height
constexpr int kCol = 570;  // button width
}  // namespace

CDOKE::CDOKE(App& a)
    : ui::Form(a.svc.host, "CDOKE"),
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
      HELPX(*this, "HELPX") {
    layoutDesign();
    wireEvents();
}

// The design-time arrangement: the full layout of a disc with a catalogue record.
// Inner area 8250 x 4065 twips; the track list fills the left column below the time strip.
void CDOKE::layoutDesign() {
    setCaption("LIRAFOK");
    setResizable(true);
    move(1350, 585, 8250 + kFrameWidth, 4065 + kFrameHeight);

    // Time strip.
    III.move(0, 0, 4200, 420);
    AAA.move(45, 105, 480, 255);
    AAA.setCaption("Track");
    TRKNO.move(525, 30, 570, 360);
    TRKNO.setCaption("01");
    BBB.move(1140, 105, 480, 255);
    BBB.setCaption("Time");
    TRKLEN.move(1620, 30, 1080, 360);
    TRKLEN.setCaption("00:00");
    CCC.move(2745, 105, 420, 255);
    CCC.setCaption("Total");
    TOTALLEN.move(3165, 30, 990, 360);
    TOTALLEN.setCaption("00:00");
    for (ui::Panel* p : {&AAA, &BBB, &CCC, &DDD, &EEE, &FFF}) p->setFlat(true);
    for (ui::Panel* p : {&TRKNO, &TRKLEN, &TOTALLEN}) p->setAlignment(2);

    // Disc title, artist and song.
    GGG.move(4230, 0, 3060, 585);
    DDD.move(4260, 60, 660, 270);
    DDD.setCaption("  Title");
    TITLE[0].move(4950, 150, 2310, 400);
    TITLE[1].move(4950, 300, 2310, 270);
    TITLE[1].setVisible(false);
    HHH.move(4230, 585, 3060, 690);
    EEE.move(4260, 630, 660, 270);
    EEE.setCaption("Artist");
    ART.move(4950, 630, 2310, 285);
    FFF.move(4260, 945, 660, 270);
    FFF.setCaption("Song");
    KYOKU.move(4950, 945, 2310, 285);

    // Right column: display mode, power, mute.
    TIMEDSP.move(7350, 60, 840, 330);
    TIMEDSP.setCaption("DSP");
    POWER.move(7350, 420, 840, 330);
    POWER.setCaption("POWER");
    MUTE.move(7350, 780, 840, 330);
    MUTE.setCaption("MUTE");

    // Track list and position slider.
    List1.move(0, 420, 2700, 2295);
    POINTX.move(0, 2760, 2700, 255);
    POINTX.setRange(0, 100);

    // Status words next to the list.
    STATUS1.move(2760, 450, 690, 330);
    STATUS1.setCaption("STOP");
    STATUS2.move(3480, 450, 720, 330);
    STATUS2.setCaption("NORMAL");
    STATUS1.setAlignment(2);
    STATUS2.setAlignment(2);

    // Transport and volume.
    MMControl1.move(2760, 1335, 2640, 480);
    VOLD[0].move(2760, 1905, 450, 300);
    VOLS[0].move(3240, 1875, 255, 360);
    VOLD[1].move(3570, 1905, 450, 300);
    VOLS[1].move(4050, 1875, 255, 360);
    for (auto& v : VOLD) {
        v.setCaption("64");
        v.setAlignment(2);
    }

    // Button grid.
    auto place = [](ui::Button& b, int left, int top, const char* caption) {
        b.move(left, top, kCol, kRow);
        b.setCaption(caption);
    };
    place(NORMAL, 5520, 1335, "NOM");
    place(PROG, 6120, 1335, "PROG");
    place(RAN, 6720, 1335, "RAN");
    place(REMO, 7350, 1335, "REMO");
    REMO.setWidth(840);
    place(EDITX, 5520, 1815, "EDIT");
    place(ORG, 6120, 1815, "PRIV");
    place(SCAN, 6720, 1815, "SCAN");
    place(SETUP, 7350, 1815, "SETUP");
    SETUP.setWidth(840);
    place(KASI, 5520, 2295, "SONG");
    place(DATAX, 6120, 2295, "DATA");
    place(REPEAT, 6720, 2295, "REP");
    place(HELPX, 7350, 2295, "HELP");
    HELPX.setWidth(840);
    place(LOADX, 5520, 2775, "LOAD");
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

bool CDOKE::discReady() { return MMControl1.CanPlay() || MMControl1.CanEject(); }

}  // namespace lirafok

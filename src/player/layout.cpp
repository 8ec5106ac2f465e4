#include "player/layout.h"
#include "player/disc_display.h"

#include "player/cdoke.h"
#include "player/font_routines.h"
#include "common/app.h"

namespace lirafok {

namespace {

DesignLayout& design(App& app) {
    return cdoke(app).designLayout();
}

void storePos(App& app, WindowPos& pos) {
    CDOKE& w = cdoke(app);
    if (w.left() <= app.svc.screen.widthTwips()) pos.left = w.left();
    if (w.top() <= app.svc.screen.heightTwips()) pos.top = w.top();
}

void toFull(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    DesignLayout& d = design(app);
    s.ReducedLayout = 0;
    if (w.REMO.caption() == "EXIT") storePos(app, s.ReducedPos);
    w.resetScale();
    w.move(s.FullPos.left, s.FullPos.top, d.formWidth, d.formHeight);
    for (auto& [c, g] : d.controls) c->move(g.left, g.top, g.width, g.height);
    for (ui::Control* c : std::initializer_list<ui::Control*>{
             &w.ART, &w.KYOKU, &w.AAA, &w.BBB, &w.CCC, &w.DDD, &w.EEE, &w.FFF, &w.GGG, &w.HHH,
             &w.III, &w.STATUS1, &w.STATUS2, &w.KASI})
        c->setVisible(true);
    w.HELPX.setVisible(d.controls[&w.HELPX].visible);
    w.REMO.setCaption("REMO");
    w.LOADX.setCaption("LOAD");
    w.PROG.setCaption("PROG");
    w.REPEAT.setCaption("REP");
    w.RAN.setCaption("RAN");
    w.POWER.setCaption("POWER");
    w.NORMAL.setCaption("NOR");
    w.SETUP.setCaption("SETUP");
    w.TIMEDSP.setCaption("DSP");
    w.MUTE.setCaption("MUTE");
    s.LayoutBuiltUnregistered = CompactLayoutWanted(app) ? 1 : 0;
    // The design geometry is the one-line title arrangement; a two-line title needs its own.
    ArrangeTitlePanels(app);
    if (s.LayoutBuiltUnregistered == 1) {
        for (ui::Control* c : std::initializer_list<ui::Control*>{&w.HHH, &w.DDD, &w.EEE, &w.FFF,
                                                                  &w.GGG, &w.ART, &w.KYOKU})
            c->setVisible(false);
        w.setHeight(2640);
        w.setScale(0, 0, 8250, 2280);
        w.MMControl1.move(2760, 840, 2640, w.MMControl1.height());
        w.NORMAL.move(5520, 840, w.NORMAL.width(), w.NORMAL.height());
        w.EDITX.move(5520, 1320, w.EDITX.width(), w.EDITX.height());
        w.PROG.move(6120, 840, w.PROG.width(), w.PROG.height());
        w.ORG.move(6120, 1320, w.ORG.width(), w.ORG.height());
        w.RAN.move(6720, 840, w.RAN.width(), w.RAN.height());
        w.SCAN.move(6720, 1320, w.SCAN.width(), w.SCAN.height());
        w.MUTE.setLeft(7350);
        w.KASI.setTop(1800);
        w.DATAX.setTop(1800);
        w.REPEAT.setTop(1800);
        w.REMO.setTop(1200);
        w.SETUP.setTop(1800);
        w.TRKLEN.setTop(w.TRKLEN.top() - 60);
        w.TOTALLEN.setTop(w.TOTALLEN.top() - 60);
        w.STATUS2.setTop(w.STATUS2.top() - 20);
    }
    ShowDiscFonts(app);
    PlaceVolumeControls(app);
    w.showKeyTempo(KeyTempoControl::indicatorText(w.keyTempo.current()));
}

void toReduced(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    s.ReducedLayout = 1;
    if (s.SkipPositionSave == 1)
        s.SkipPositionSave = 0;
    else
        storePos(app, s.FullPos);
    for (ui::Control* c : std::initializer_list<ui::Control*>{
             &w.ART, &w.KYOKU, &w.AAA, &w.BBB, &w.CCC, &w.DDD, &w.EEE, &w.FFF, &w.GGG, &w.HHH,
             &w.STATUS1, &w.STATUS2, &w.HELPX})
        c->setVisible(false);
    w.move(s.ReducedPos.left, s.ReducedPos.top, 2535, 4275);
    w.setScale(0, 0, 2415, 3670);
    constexpr int kW = 615, kH = 300;
    w.III.move(0, 0, 2120, 425);
    w.III.setVisible(true);
    w.TRKNO.move(20, 70, 515, 275);
    w.TRKLEN.move(530, 70, 780, 275);
    w.TOTALLEN.move(1320, 70, 780, 275);
    w.TIMEDSP.move(2130, 10, 285, 405);
    w.MMControl1.move(0, 420, 2370, 540);
    w.POINTX.move(0, 1000, 1850, 240);
    w.List1.move(0, 2520, 2415, w.List1.height());
    // Three columns of 620 twips, rows of 310; the fourth column holds the volume controls
    // above the last two rows.
    w.NORMAL.move(5, 1280, kW, kH);
    w.PROG.move(625, 1280, kW, kH);
    w.RAN.move(1245, 1280, kW, kH);
    w.EDITX.move(5, 1590, kW, kH);
    w.SCAN.move(625, 1590, kW, kH);
    w.REPEAT.move(1245, 1590, kW, kH);
    w.KASI.move(5, 1900, kW, kH);
    w.DATAX.move(625, 1900, kW, kH);
    w.ORG.move(1245, 1900, kW, kH);
    w.MUTE.move(1865, 1900, 550, kH);
    w.POWER.move(5, 2210, kW, kH);
    w.LOADX.move(625, 2210, 550, kH);
    w.SETUP.move(1245, 2210, kW, kH);
    w.REMO.move(1865, 2210, 550, kH);
    w.REMO.setCaption("EXIT");
    w.LOADX.setCaption("LOD");
    w.PROG.setCaption("PROG");
    w.REPEAT.setCaption("REP");
    w.RAN.setCaption("RAN");
    w.POWER.setCaption("POW");
    w.NORMAL.setCaption("NOR");
    w.SETUP.setCaption("SET");
    w.TIMEDSP.setCaption("D");
    w.MUTE.setCaption("MUT");
    PlaceVolumeControls(app);
    w.showKeyTempo(KeyTempoControl::indicatorText(w.keyTempo.current()));
}

}  // namespace

void CaptureLayoutGeometry(App& app) {
    CDOKE& w = cdoke(app);
    DesignLayout& d = design(app);
    d.formWidth = w.width();
    d.formHeight = w.height();
    d.controls.clear();
    for (ui::Control* c : w.controls())
        d.controls[c] = {c->left(), c->top(), c->width(), c->height(), c->visible()};
    d.captured = true;
}

void ToggleLayout(App& app) {
    DesignLayout& d = design(app);
    if (!d.captured) CaptureLayoutGeometry(app);
    d.switching = true;
    if (app.state.ReducedLayout == 1)
        toFull(app);
    else
        toReduced(app);
    d.switching = false;
    ResizeMainWindow(app);
}

namespace {
bool oneLineTitle(const CDOKE& w) {
    const std::string& second = w.TITLE[1].caption();
    return second.empty() || second == std::string(26, ' ');
}
}  // namespace

double TitleFontSize(App& app) {
    return oneLineTitle(cdoke(app)) ? 13 : 11;
}

void ArrangeTitlePanels(App& app) {
    CDOKE& w = cdoke(app);
    if (oneLineTitle(w)) {
        w.TITLE[1].setVisible(false);
        w.TITLE[0].setFontSize(13);
        w.TITLE[0].setTop(150);
        w.TITLE[0].setHeight(400);
    } else if (app.state.ReducedLayout == 0) {
        w.TITLE[1].setVisible(true);
        w.TITLE[0].setFontSize(11);
        w.TITLE[0].setTop(30);
        w.TITLE[0].setHeight(270);
        w.TITLE[1].setFontSize(w.TITLE[0].font().size);
        w.TITLE[1].setTop(300);
        w.TITLE[1].setHeight(270);
    }
}

void PlaceVolumeControls(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    bool two = s.SWVOL == 0;
    w.VOLS[0].setVisible(two);
    w.VOLD[0].setVisible(two);
    w.VOLS[1].setVisible(s.SWVOL != 2);
    w.VOLD[1].setVisible(s.SWVOL != 2);
    if (s.ReducedLayout == 1) {
        if (two) {
            w.VOLD[0].move(1900, 970, 280, 300);
            w.VOLS[0].move(1900, 1280, 280, 600);
            w.VOLD[1].move(2180, 970, 280, 300);
            w.VOLS[1].move(2180, 1280, 280, 600);
        } else {
            w.VOLD[1].move(1950, 970, 450, 300);
            w.VOLS[1].move(1950, 1280, 450, 600);
        }
        return;
    }
    // Fixed places of each full arrangement: the compact one (no record, 2280 twips high)
    // packs the row 30 twips higher.
    const int top = s.LayoutBuiltUnregistered == 1 ? 1380 : 1410;
    if (two) {
        w.VOLD[0].move(2760, top, 450, 300);
        w.VOLS[0].move(3240, top - 30, 255, 360);
        w.VOLD[1].move(3570, top, 450, 300);
        w.VOLS[1].move(4050, top - 30, 255, 360);
    } else {
        w.VOLD[1].move(3570, top, 450, 300);
        w.VOLS[1].move(4050, top - 30, 255, 360);
    }
}

void ResizeMainWindow(App& app) {
    CDOKE& w = cdoke(app);
    if (design(app).switching || w.minimized()) return;
    // The inner height in twips, as the minimum sizes and list offsets are given.
    int inner = w.innerHeight();
    int minimum, list, fixed;
    bool full = false;
    if (app.state.ReducedLayout == 1) {
        minimum = 2870, list = inner - 2520, fixed = 3475;
    } else if (app.state.LayoutBuiltUnregistered == 1) {
        minimum = 1253, list = inner - 471, fixed = 2640;
    } else {
        minimum = 4065, list = inner - 1770, fixed = 4470;
        full = true;
    }
    if (inner < minimum) {
        w.setHeight(fixed);
        return;
    }
    if (list > 0) w.List1.setHeight(list);
    if (full) {
        // The title, artist and song frames stay right below the list.
        int shift = w.List1.top() + w.List1.height() + 30 - w.GGG.top();
        if (shift != 0) {
            w.GGG.setTop(w.GGG.top() + shift);
            w.HHH.setTop(w.HHH.top() + shift);
        }
    }
}

void CDOKE::Form_Resize() {
    ResizeMainWindow(app);
}

void CDOKE::REMO_Click() {
    app.PlayOkCue();
    ToggleLayout(app);
}

}  // namespace lirafok

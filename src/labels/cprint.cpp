#include "labels/cprint.h"
#include "labels/label_font.h"

#include <algorithm>
#include <cmath>

#include "common/app.h"
#include "core/text.h"
#include "labels/label_text.h"
#include "program/cdtedit.h"
#include "ui/control_array.h"

namespace lirafok {

namespace {

const char* const kTitle = "カセットラベル印刷";
// The tape length on the card is always printed in this face.
const char* const kSizeFace = "ＭＳ ゴシック";
constexpr double kSizePoints = 18;
constexpr double kOtherPoints = 9;
// Largest sizes the font dialog offers, points.
constexpr double kTitleMax = 16;
constexpr double kSideMax = 14;
constexpr double kOtherMax = 9;
// Alignment of the title panels: centred, or left.
// Title panel heights (twips): one line in the row, or each of two lines.
constexpr int kOneLine = 511;
constexpr int kHalfLine = 255;

// Twips.
constexpr int kPreviewLeft = 120;
constexpr int kPreviewTop = 120;
constexpr int kSide = 6000;  // left edge of the options
constexpr int kRowH = 330;
constexpr int kInnerWidth = 10440;
constexpr int kInnerHeight = 6720;

// A stored size is held to what the font dialog offers the panel (1 to `maxPoints`): a
// foreign settings file with a 999999-point size would otherwise stall the preview and print.
// Sizes that are not positive take `fallback`, the key's default.
ui::Font fontOf(const std::string& name, std::int32_t size, std::int32_t bold, std::int32_t italic,
                double maxPoints, double fallback) {
    const double points = size > 0 ? std::min<double>(size, maxPoints) : fallback;
    return ui::Font{name, points, bold != 0, italic != 0};
}

// A stored font flag: the digit 1 for on, 0 for off (a -1 from older files still reads as on).
std::int32_t flag(bool on) {
    return on ? 1 : 0;
}

std::int32_t wholePoints(double size) {
    return static_cast<std::int32_t>(std::nearbyint(size));
}

}  // namespace

CPRINT::CPRINT(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      Check1(*this, "Check1"),
      Check2(*this, "Check2"),
      Check3(*this, "Check3"),
      Check4(*this, "Check4"),
      STEREO(*this, "STEREO"),
      TAPEX(*this, "TAPEX"),
      NR(*this, "NR"),
      LEG(*this, "LEG"),
      Panel3D8(*this, "Panel3D8"),
      TAPEXXX(*this, "TAPEXXX"),
      NRX(*this, "NRX"),
      Panel3D11(*this, "Panel3D11"),
      Panel3D5(*this, "Panel3D5"),
      TOPX(*this, "TOPX"),
      Panel3D6(*this, "Panel3D6"),
      Spin2(*this, "Spin2"),
      Panel3D3(*this, "Panel3D3"),
      LEFTX(*this, "LEFTX"),
      Panel3D4(*this, "Panel3D4"),
      Spin1(*this, "Spin1"),
      Panel3D1(*this, "Panel3D1"),
      TITLE1(ui::controlArray<ui::Panel, 2>(*this, "TITLE1")),
      TEXT1(ui::controlArray<ui::Label, 2>(*this, "TEXT1")),
      T4(*this, "T4"),
      T5(*this, "T5"),
      T1(*this, "T1"),
      DATEX(*this, "DATEX"),
      T2(*this, "T2"),
      TAPETYPE(*this, "TAPETYPE"),
      T3(*this, "T3"),
      TAPENR(*this, "TAPENR"),
      TAPESTEREO(*this, "TAPESTEREO"),
      TAPESIZE(*this, "TAPESIZE"),
      Label1(*this, "Label1"),
      Label2(*this, "Label2"),
      Label3(*this, "Label3"),
      Label4(*this, "Label4"),
      Label5(*this, "Label5"),
      Command3D3(*this, "Command3D3"),
      Command3D4(*this, "Command3D4"),
      Command3D8(*this, "Command3D8"),
      Command3D5(*this, "Command3D5"),
      Command3D6(*this, "Command3D6"),
      Command1(*this, "Command1"),
      Command3D2(*this, "Command3D2"),
      Command3D1(*this, "Command3D1"),
      Command3D7(*this, "Command3D7") {
    setCaption(kTitle);
    setResizable(false);
    move(900, 900, kInnerWidth + kFrameWidth, kInnerHeight + kFrameHeight);
    layoutPreview();
    layout();
    wireEvents();
    setToolTips({
        {"Spin2", "上の余白 (mm)"},
        {"Spin1", "左の余白 (mm)"},
        {"Command3D3", "タイトルのフォント"},
        {"Command3D4", "アーティストのフォント"},
        {"Command3D8", "A 面の曲名のフォント"},
        {"Command3D5", "B 面の曲名のフォント"},
        {"Command3D6", "その他の文字のフォント"},
        {"Command1", "プリンターの設定"},
        {"Command3D2", "印刷する"},
        {"Command3D1", "設定を保存して閉じる"},
        {"Command3D7", "設定を保存せずに閉じる"},
    });
}

void CPRINT::layoutPreview() {
    // The card at its printed size: rows of 685 twips, 5660 wide.
    Panel3D1.move(kPreviewLeft, kPreviewTop, kCardWidth, 5137);
    Panel3D1.setBackColor(ui::kWhite);
    Panel3D1.setCaption("");
    auto place = [this](ui::Control& c, int left, int top, int width, int height) {
        c.setContainer(&Panel3D1);
        c.move(left, top, width, height);
        c.setBackColor(ui::kWhite);
    };
    const int U = kCardRow;
    place(T1, 60, 180, 540, kRowH);
    T1.setCaption("DATE");
    place(DATEX, 600, 180, 1380, kRowH);
    place(TAPESTEREO, 2040, 180, 960, kRowH);
    place(T2, 3060, 180, 540, kRowH);
    T2.setCaption("TYPE");
    place(TAPETYPE, 3600, 180, 840, kRowH);
    place(T3, 4500, 180, 360, kRowH);
    T3.setCaption("NR");
    place(TAPENR, 4860, 180, 780, kRowH);
    place(TAPESIZE, 20, U + 60, 640, U - 120);
    TAPESIZE.setFont({kSizeFace, kSizePoints, false, false});
    place(TITLE1[0], U, U + 87, kCardWidth - U - 60, kOneLine);
    place(TITLE1[1], U, U + 87 + kHalfLine, kCardWidth - U - 60, kHalfLine);
    place(T4, 50, 2 * U + 150, 2700, kRowH);
    T4.setCaption(" SIde A");
    place(T5, 2870, 2 * U + 150, 2700, kRowH);
    T5.setCaption(" SIde B");
    place(TEXT1[0], 50, 3 * U, 2750, 5137 - 3 * U - 60);
    place(TEXT1[1], 2870, 3 * U, 2750, 5137 - 3 * U - 60);
    for (ui::Control* c :
         {static_cast<ui::Control*>(&T1), static_cast<ui::Control*>(&T2),
          static_cast<ui::Control*>(&T3), static_cast<ui::Control*>(&T4),
          static_cast<ui::Control*>(&T5), static_cast<ui::Control*>(&DATEX),
          static_cast<ui::Control*>(&TAPESTEREO), static_cast<ui::Control*>(&TAPETYPE),
          static_cast<ui::Control*>(&TAPENR), static_cast<ui::Control*>(&TAPESIZE),
          static_cast<ui::Control*>(&TITLE1[0]), static_cast<ui::Control*>(&TITLE1[1])})
        c->setFlat(true);
}

void CPRINT::layout() {
    int y = 120;
    for (auto [box, caption] :
         {std::pair{&Check1, "TITLEとARTISTと別の行に印刷"}, std::pair{&Check2, "曲番号印刷"},
          std::pair{&Check3, "演奏時間印刷"}, std::pair{&Check4, "TITLE/ARTISTを中央に印刷"}}) {
        box->move(kSide, y, 4320, kRowH);
        box->setCaption(caption);
        y += 360;
    }
    y += 60;
    auto choice = [&](ui::Panel& label, const char* caption, ui::ComboBox& combo,
                      std::initializer_list<const char*> items) {
        label.move(kSide, y, 1680, kRowH);
        label.setCaption(caption);
        combo.move(kSide + 1800, y, 1680, kRowH);
        for (const char* item : items) combo.addItem(item);
        y += 390;
    };
    choice(Panel3D8, "STEREO/MONO", STEREO, {"STEREO", "MONO"});
    choice(TAPEXXX, "TAPE  TYPE", TAPEX, {"NORMAL", "HIGH", "METAL"});
    choice(NRX, "   N.R", NR, {"OFF", "DOLBY B", "DOLBY C", "DOLBY HX"});
    choice(Panel3D11, " SIZE", LEG, {"45", "46", "54", "60", "64", "70", "80", "90", "120", "150"});
    auto margin = [&](ui::Panel& label, const char* caption, ui::Panel& value, ui::Panel& unit,
                      ui::SpinButton& spin) {
        label.move(kSide, y, 1680, kRowH);
        label.setCaption(caption);
        value.move(kSide + 1800, y, 720, kRowH);
        value.setCaption("05");
        value.setAlignment(ui::align::kCentre);
        value.setBackColor(ui::kWhite);
        spin.move(kSide + 2520, y, 300, kRowH);
        unit.move(kSide + 2880, y, 600, kRowH);
        unit.setCaption("mm");
        unit.setFlat(true);
        y += 390;
    };
    margin(Panel3D5, "上ﾏｰｼﾞﾝ", TOPX, Panel3D6, Spin2);
    margin(Panel3D3, "左ﾏｰｼﾞﾝ", LEFTX, Panel3D4, Spin1);
    y += 60;
    // Two columns of font buttons, each named by its label.
    int column = 0;
    for (auto [label, caption, button] :
         {std::tuple{&Label1, "TITLE", &Command3D3}, std::tuple{&Label2, "ARTIST", &Command3D4},
          std::tuple{&Label3, "Side A", &Command3D8}, std::tuple{&Label4, "Side B", &Command3D5},
          std::tuple{&Label5, "OTHER", &Command3D6}}) {
        const int x = kSide + column * 2220;
        label->move(x, y + 60, 960, kRowH);
        label->setCaption(caption);
        button->move(x + 960, y, 1080, 420);
        button->setCaption("ﾌｫﾝﾄ");
        if (++column == 2) {
            column = 0;
            y += 480;
        }
    }
    const int bottom = kInnerHeight - 540;
    Command1.move(kSide, bottom - 540, 2040, 420);
    Command1.setCaption("ﾌﾟﾘﾝﾀｰ設定");
    Command3D2.move(kSide, bottom, 1320, 420);
    Command3D2.setCaption("印刷");
    Command3D1.move(kSide + 1440, bottom, 1320, 420);
    Command3D1.setCaption("終了");
    Command3D7.move(kSide + 2880, bottom, 1320, 420);
    Command3D7.setCaption("取消");
}

void CPRINT::wireEvents() {
    Check1.onClick = [this] { CHECK1_Click(); };
    Check2.onClick = [this] { CHECK2_Click(); };
    Check3.onClick = [this] { CHECK3_Click(); };
    Check4.onClick = [this] { CHECK4_Click(); };
    LEG.onChange = [this] { LEG_Change(); };
    LEG.onClick = [this] { LEG_Click(); };
    NR.onChange = [this] { NR_Change(); };
    NR.onClick = [this] { NR_Click(); };
    STEREO.onChange = [this] { STEREO_Change(); };
    STEREO.onClick = [this] { STEREO_Click(); };
    TAPEX.onChange = [this] { TAPEX_Change(); };
    TAPEX.onClick = [this] { TAPEX_Click(); };
    Spin1.onSpinUp = [this] { Spin1_SpinUp(); };
    Spin1.onSpinDown = [this] { Spin1_SpinDown(); };
    Spin2.onSpinUp = [this] { Spin2_SpinUp(); };
    Spin2.onSpinDown = [this] { Spin2_SpinDown(); };
    Command1.onClick = [this] { Command1_Click(); };
    Command3D1.onClick = [this] { Command3D1_Click(); };
    Command3D2.onClick = [this] { Command3D2_Click(); };
    Command3D3.onClick = [this] { Command3D3_Click(); };
    Command3D4.onClick = [this] { Command3D4_Click(); };
    Command3D5.onClick = [this] { Command3D5_Click(); };
    Command3D6.onClick = [this] { Command3D6_Click(); };
    Command3D7.onClick = [this] { Command3D7_Click(); };
    Command3D8.onClick = [this] { Command3D8_Click(); };
}

void CPRINT::Form_Load() {
    const AppState& s = app.state;
    const Settings defaults;
    TITLE1[0].setFont(fontOf(s.GPT1N, s.GPT1S, s.GPT1B, s.GPT1I, kTitleMax, defaults.GPT1S));
    TITLE1[1].setFont(fontOf(s.GPT2N, s.GPT2S, s.GPT2B, s.GPT2I, kTitleMax, defaults.GPT2S));
    TEXT1[0].setFont(fontOf(s.GPASN, s.GPASS, s.GPASI, s.GPASB, kSideMax, defaults.GPASS));
    TEXT1[1].setFont(fontOf(s.GPBSN, s.GPBSS, s.GPBSI, s.GPBSB, kSideMax, defaults.GPBSS));
    for (ui::Panel* p : {&TAPESTEREO, &TAPETYPE, &TAPENR, &DATEX})
        p->setFont({s.GPOTN, kOtherPoints, s.GPOTI != 0, s.GPOTB != 0});
    // The check boxes raise their clicks as they are ticked; the previews follow once below.
    Check1.setValue(s.GPCH1 != 0 ? 1 : 0);
    Check2.setValue(s.GPCH2 != 0 ? 1 : 0);
    Check3.setValue(s.GPCH3 != 0 ? 1 : 0);
    Check4.setValue(s.GPCH4 != 0 ? 1 : 0);
    TOPX.setCaption(text::pad(s.GPTOP, 2));
    LEFTX.setCaption(text::pad(s.GPLEF, 2));
    CHECK1_Click();
    FillSidePreview();
    STEREO.setText(s.GPSTR);
    TAPEX.setText(s.GPTYP);
    NR.setText(s.GPNR);
    LEG.setText(std::to_string(s.GPSIZ));
    // setText raises Change only for a new text; the previews take the texts in any case.
    STEREO_Change();
    TAPEX_Change();
    NR_Change();
    LEG_Change();
    DATEX.setCaption(labelDate(app.svc.scheduler.wallClock()));
}

void CPRINT::Form_QueryUnload(bool& cancel, ui::UnloadMode mode) {
    // Closing by the frame keeps nothing, as "取消" does.
}

void CPRINT::CHECK1_Click() {
    const AppState& s = app.state;
    const std::string artist = trimTrailingBlanks(s.DiscArtist);
    if (Check1.value() == 0 || artist.empty()) {
        TITLE1[0].setHeight(kOneLine);
        TITLE1[0].setCaption(titleWithArtist(s));
        TITLE1[1].setVisible(false);
    } else {
        TITLE1[0].setHeight(kHalfLine);
        TITLE1[0].setCaption(discTitleText(s));
        TITLE1[1].setCaption(artist);
        TITLE1[1].setVisible(true);
    }
}

std::vector<std::string> CPRINT::sideLines(const std::vector<std::string>& entries) const {
    std::vector<std::string> lines;
    for (const std::string& e : entries)
        lines.push_back(
            songLine(e, Check2.value() == 1 ? text::left(e, 3) : "", Check3.value() == 1));
    return lines;
}

void CPRINT::FillSidePreview() {
    const CDTEDIT* tape = app.loaded<CDTEDIT>();
    m_sideA = tape ? tape->ALL.items() : std::vector<std::string>{};
    m_sideB = tape ? tape->SEL.items() : std::vector<std::string>{};
    for (int side = 0; side < 2; ++side) {
        std::string t;
        for (const std::string& line : sideLines(side == 0 ? m_sideA : m_sideB)) t += line + "\r\n";
        TEXT1[static_cast<std::size_t>(side)].setCaption(t);
    }
}

void CPRINT::CHECK2_Click() {
    FillSidePreview();
}

void CPRINT::CHECK3_Click() {
    FillSidePreview();
}

void CPRINT::CHECK4_Click() {
    const int a = Check4.value() == 1 ? ui::align::kPanelCentre : ui::align::kPanelLeft;
    TITLE1[0].setAlignment(a);
    TITLE1[1].setAlignment(a);
}

void CPRINT::LEG_Change() {
    TAPESIZE.setCaption(LEG.text());
}
void CPRINT::LEG_Click() {
    LEG_Change();
}
void CPRINT::NR_Change() {
    TAPENR.setCaption(NR.text());
}
void CPRINT::NR_Click() {
    NR_Change();
}
void CPRINT::STEREO_Change() {
    TAPESTEREO.setCaption(STEREO.text());
}
void CPRINT::STEREO_Click() {
    STEREO_Change();
}
void CPRINT::TAPEX_Change() {
    TAPETYPE.setCaption(TAPEX.text());
}
void CPRINT::TAPEX_Click() {
    TAPEX_Change();
}

void CPRINT::stepMargin(ui::Panel& value, int delta) {
    const int mm = text::val(value.caption()) + delta;
    if (mm < 0) {
        app.PlayErrorCue();
        return;
    }
    value.setCaption(text::pad(mm, 2));
}

void CPRINT::Spin1_SpinUp() {
    stepMargin(LEFTX, 1);
}
void CPRINT::Spin1_SpinDown() {
    stepMargin(LEFTX, -1);
}
void CPRINT::Spin2_SpinUp() {
    stepMargin(TOPX, 1);
}
void CPRINT::Spin2_SpinDown() {
    stepMargin(TOPX, -1);
}

void CPRINT::Command3D3_Click() {
    PickLabelFont(app, TITLE1[0], kTitleMax, {&TITLE1[0]});
}
void CPRINT::Command3D4_Click() {
    PickLabelFont(app, TITLE1[1], kTitleMax, {&TITLE1[1]});
}
void CPRINT::Command3D8_Click() {
    PickLabelFont(app, TEXT1[0], kSideMax, {&TEXT1[0]});
}
void CPRINT::Command3D5_Click() {
    PickLabelFont(app, TEXT1[1], kSideMax, {&TEXT1[1]});
}
void CPRINT::Command3D6_Click() {
    PickLabelFont(app, TAPESTEREO, kOtherMax, {&TAPESTEREO, &TAPETYPE, &TAPENR, &DATEX});
}

void CPRINT::Command1_Click() {
    app.PlayOkCue();
    app.svc.dialogs.printerSetup();
}

CassetteCard CPRINT::card() const {
    CassetteCard c;
    c.leftMm = text::val(LEFTX.caption());
    c.topMm = text::val(TOPX.caption());
    c.header = "  DATE  " + labelDate(app.svc.scheduler.wallClock()) + "     " + STEREO.text() +
               "    TYPE  " + TAPEX.text() + "    NR  " + NR.text();
    c.otherFont = TAPESTEREO.font();
    c.tapeSize = TAPESIZE.caption();
    c.sizeFont = TAPESIZE.font();
    // Two lines only as the preview shows them: a title without an artist stays one line.
    c.twoLines = TITLE1[1].visible();
    c.title = TITLE1[0].caption();
    c.artist = c.twoLines ? TITLE1[1].caption() : "";
    c.titleFont = TITLE1[0].font();
    c.artistFont = TITLE1[1].font();
    c.sideA = sideLines(m_sideA);
    c.sideB = sideLines(m_sideB);
    c.sideAFont = TEXT1[0].font();
    c.sideBFont = TEXT1[1].font();
    return c;
}

void CPRINT::Command3D2_Click() {
    app.PlayOkCue();
    app.svc.printer.setDocumentName(labelJobName(app.state, "カセットカード"));
    tellLabelJob(app, printCassetteCard(app.svc.printer, card()), kTitle);
}

void CPRINT::Command3D1_Click() {
    AppState& s = app.state;
    app.PlayOkCue();
    auto keep = [](const ui::Font& f, std::string& name, std::int32_t& size, std::int32_t& bold,
                   std::int32_t& italic) {
        name = f.name;
        size = wholePoints(f.size);
        bold = flag(f.bold);
        italic = flag(f.italic);
    };
    keep(TITLE1[0].font(), s.GPT1N, s.GPT1S, s.GPT1B, s.GPT1I);
    keep(TITLE1[1].font(), s.GPT2N, s.GPT2S, s.GPT2B, s.GPT2I);
    keep(TEXT1[0].font(), s.GPASN, s.GPASS, s.GPASI, s.GPASB);
    keep(TEXT1[1].font(), s.GPBSN, s.GPBSS, s.GPBSI, s.GPBSB);
    s.GPOTN = TAPESTEREO.font().name;
    s.GPOTI = flag(TAPESTEREO.font().bold);
    s.GPOTB = flag(TAPESTEREO.font().italic);
    s.GPSTR = STEREO.text();
    s.GPTYP = TAPEX.text();
    s.GPNR = NR.text();
    s.GPSIZ = text::val(LEG.text());
    s.GPCH1 = Check1.value() == 1 ? 1 : 0;
    s.GPCH2 = Check2.value() == 1 ? 1 : 0;
    s.GPCH3 = Check3.value() == 1 ? 1 : 0;
    s.GPCH4 = Check4.value() == 1 ? 1 : 0;
    s.GPTOP = text::val(TOPX.caption());
    s.GPLEF = text::val(LEFTX.caption());
    app.unload<CPRINT>();
}

void CPRINT::Command3D7_Click() {
    app.PlayOkCue();
    app.unload<CPRINT>();
}

}  // namespace lirafok

#include "settings/cdfont.h"

#include <cmath>
#include <sstream>

#include "common/app.h"
#include "core/text.h"
#include "player/font_routines.h"
#include "ui/control_array.h"

namespace lirafok {

namespace {

constexpr int kRowTop = 480;
constexpr int kRowStep = 420;
constexpr int kButtonHeight = 405;
const char* const kOn = " 有効";
const char* const kOff = " 無効";

// A size as the window shows it: a whole number without a fraction ("8", "12").
std::string sizeText(double size) {
    if (size == std::floor(size)) return std::to_string(static_cast<long long>(size));
    std::ostringstream out;
    out << size;
    return out.str();
}

}  // namespace

CDFONT::CDFONT(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      FONTNO(*this, "FONTNO"),
      AUTOX(*this, "AUTOX"),
      Command3D1(*this, "Command3D1"),
      Command3D2(*this, "Command3D2"),
      Command3D3(*this, "Command3D3"),
      Command3D4(*this, "Command3D4"),
      Command3D5(*this, "Command3D5"),
      Command3D6(*this, "Command3D6"),
      FONTN(ui::controlArray<ui::Label, kFontRowCount>(*this, "FONTN")),
      FONTS(ui::controlArray<ui::Label, kFontRowCount>(*this, "FONTS")),
      FONTB(ui::controlArray<ui::Label, kFontRowCount>(*this, "FONTB")),
      FONTI(ui::controlArray<ui::Label, kFontRowCount>(*this, "FONTI")),
      Label1(*this, "Label1"),
      Label2(*this, "Label2"),
      Label3(*this, "Label3"),
      Label4(*this, "Label4"),
      Command3D7(*this, "Command3D7"),
      Command3D8(*this, "Command3D8") {
    layoutDesign();
    wireEvents();
    setToolTips({
        {"AUTOX", "固定部（ボタンなど）のフォント"},
        {"Command3D1", "可変部（時間表示など）のフォント"},
        {"Command3D2", "タイトルのフォント"},
        {"Command3D3", "曲名のフォント"},
        {"Command3D4", "アーティストのフォント"},
        {"Command3D5", "曲名一覧のフォント"},
        {"Command3D6", "状態表示のフォント"},
        {"FONTNO", "次のフォントセットへ（6 セット）"},
        {"Command3D7", "保存して閉じる"},
        {"Command3D8", "保存せずに閉じる"},
    });
}

// Inner area 7440 x 3960 twips: column headings, seven rows (row button, name, bold, italic,
// size), then the set button and finish / cancel.
void CDFONT::layoutDesign() {
    setCaption("画面フォント設定");
    setResizable(false);
    move(3000, 2100, 7440 + kFrameWidth, 3960 + kFrameHeight);
    Label1.move(1560, 150, 3120, 300);
    Label1.setCaption("   フ ォ  ン  ト  名");
    Label2.move(4740, 150, 900, 300);
    Label2.setCaption(" BOLD");
    Label3.move(5700, 150, 900, 300);
    Label3.setCaption(" ITALIC");
    Label4.move(6660, 150, 660, 300);
    Label4.setCaption(" SIZE");
    ui::Button* buttons[kFontRowCount] = {&AUTOX,      &Command3D1, &Command3D2, &Command3D3,
                                          &Command3D4, &Command3D5, &Command3D6};
    for (int r = 0; r < kFontRowCount; ++r) {
        const auto i = static_cast<std::size_t>(r);
        const int top = kRowTop + r * kRowStep;
        buttons[r]->move(120, top, 1320, kButtonHeight - 30);
        buttons[r]->setCaption(kFontRowCaption[r]);
        FONTN[i].move(1560, top + 45, 3120, 300);
        FONTB[i].move(4740, top + 45, 900, 300);
        FONTI[i].move(5700, top + 45, 900, 300);
        FONTS[i].move(6660, top + 45, 660, 300);
        FONTS[i].setAlignment(ui::align::kCentre);
    }
    const int bottom = kRowTop + kFontRowCount * kRowStep + 60;
    FONTNO.move(120, bottom, 1560, kButtonHeight);
    FONTNO.setCaption(fontSetCaption(0));
    Command3D7.move(4800, bottom, 1200, kButtonHeight);
    Command3D7.setCaption("終了");
    Command3D8.move(6120, bottom, 1200, kButtonHeight);
    Command3D8.setCaption("取消");
}

void CDFONT::wireEvents() {
    AUTOX.onClick = [this] { AUTOX_Click(); };
    Command3D1.onClick = [this] { Command3D1_Click(); };
    Command3D2.onClick = [this] { Command3D2_Click(); };
    Command3D3.onClick = [this] { Command3D3_Click(); };
    Command3D4.onClick = [this] { Command3D4_Click(); };
    Command3D5.onClick = [this] { Command3D5_Click(); };
    Command3D6.onClick = [this] { Command3D6_Click(); };
    FONTNO.onClick = [this] { FONTNO_Click(); };
    Command3D7.onClick = [this] { Command3D7_Click(); };
    Command3D8.onClick = [this] { Command3D8_Click(); };
}

void CDFONT::Form_Load() {
    m_opened = app.state.Fonts;
    showRows();
}

void CDFONT::showRows() {
    const AppState& s = app.state;
    const int set =
        s.CurrentFontSet < 0 || s.CurrentFontSet >= kFontSetCount ? 0 : s.CurrentFontSet;
    FONTNO.setCaption(fontSetCaption(set));
    for (int r = 0; r < kFontRowCount; ++r) {
        const auto i = static_cast<std::size_t>(r);
        const FontEntry& e = s.Fonts.entry[set][r];
        FONTN[i].setCaption(e.name);
        FONTS[i].setCaption(sizeText(e.size));
        FONTB[i].setCaption(e.bold ? kOn : kOff);
        FONTI[i].setCaption(e.italic ? kOn : kOff);
    }
}

void CDFONT::keepRows() {
    AppState& s = app.state;
    const int set =
        s.CurrentFontSet < 0 || s.CurrentFontSet >= kFontSetCount ? 0 : s.CurrentFontSet;
    for (int r = 0; r < kFontRowCount; ++r) {
        const auto i = static_cast<std::size_t>(r);
        FontEntry& e = s.Fonts.entry[set][r];
        e.name = FONTN[i].caption();
        e.size = text::valDouble(FONTS[i].caption());
        e.bold = FONTB[i].caption() == kOn;
        e.italic = FONTI[i].caption() == kOn;
    }
}

void CDFONT::pickFont(int row) {
    const auto i = static_cast<std::size_t>(row);
    ui::FontDialogRequest req;
    req.preset = {FONTN[i].caption(), text::valDouble(FONTS[i].caption()),
                  FONTB[i].caption() == kOn, FONTI[i].caption() == kOn};
    req.screenFontsOnly = true;
    req.limitSize = true;
    req.minSize = kFontMinSize[row];
    req.maxSize = kFontMaxSize[row];
    // A cancelled dialog returns the font it was opened with.
    const ui::FontChoice choice = app.svc.dialogs.fontDialog(req).value_or(req.preset);
    if (choice.name.empty()) {
        app.msgBox("フォント名が設定されていません");
        return;
    }
    FONTB[i].setCaption(choice.bold ? kOn : kOff);
    FONTI[i].setCaption(choice.italic ? kOn : kOff);
    FONTN[i].setCaption(choice.name);
    FONTS[i].setCaption(sizeText(choice.size));
}

void CDFONT::AUTOX_Click() {
    pickFont(0);
}
void CDFONT::Command3D1_Click() {
    pickFont(1);
}
void CDFONT::Command3D2_Click() {
    pickFont(2);
}
void CDFONT::Command3D3_Click() {
    pickFont(3);
}
void CDFONT::Command3D4_Click() {
    pickFont(4);
}
void CDFONT::Command3D5_Click() {
    pickFont(5);
}
void CDFONT::Command3D6_Click() {
    pickFont(6);
}

void CDFONT::FONTNO_Click() {
    AppState& s = app.state;
    keepRows();
    s.CurrentFontSet = s.CurrentFontSet < kFontSetCount - 1 ? s.CurrentFontSet + 1 : 0;
    showRows();
}

void CDFONT::Command3D7_Click() {
    AppState& s = app.state;
    keepRows();
    const std::string path = fontListPath(s.AppDir);
    if (!writeFontList(path, s.Fonts))
        app.msgBox("フォント　ファイルに書き込めません(" + path + ")\n" +
                       "設定はこの起動の間だけ有効です。",
                   ui::mb::kOkOnly + ui::mb::kExclamation, "画面フォント設定");
    s.CurrentFontSet = s.DiscFontSet;
    ShowDiscFonts(app);
    app.unload<CDFONT>();
}

void CDFONT::Command3D8_Click() {
    // Every change since the window opened goes, the rows kept by a set switch included, and
    // the main window's set is the disc's again (the next layout switch applies it).
    app.state.Fonts = m_opened;
    app.state.CurrentFontSet = app.state.DiscFontSet;
    app.unload<CDFONT>();
}

}  // namespace lirafok

#include "labels/cdmd.h"
#include "labels/label_font.h"

#include "common/app.h"
#include "core/text.h"
#include "labels/cdmdf.h"
#include "labels/label_text.h"
#include "program/cdprg.h"

namespace lirafok {

namespace {

const char* const kTitle = "ＭＤレベル印刷";
constexpr double kMaxPoints = 16;
// Heights of the title label: one line holding title and artist, or the title above the artist.
constexpr int kTitleOneLine = 480;
constexpr int kTitleHalf = 240;

// Twips.
constexpr int kRowH = 330;
constexpr int kInnerWidth = 4440;
constexpr int kInnerHeight = 3660;

std::string songText(const std::vector<std::string>& entries, int from, int to, bool numbers,
                     bool times) {
    std::string t;
    for (int i = from; i <= to; ++i)
        t += songLine(entries[static_cast<std::size_t>(i - 1)],
                      numbers ? text::pad(i, 2) + " " : "", times) +
             "\r\n";
    return t;
}

}  // namespace

int mdFirstColumnCount(int n) {
    // The second column starts at entry n / 2 + 1; a lone entry stays in the first column
    // rather than leave it empty.
    if (n == 1) return 1;
    return n / 2;
}

CDMD::CDMD(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      Check1(*this, "Check1"),
      Check2(*this, "Check2"),
      Check3(*this, "Check3"),
      Check4(*this, "Check4"),
      Check5(*this, "Check5"),
      LabeL5(*this, "LabeL5"),
      Label6(*this, "Label6"),
      SSCommand1(*this, "SSCommand1"),
      Command3D3(*this, "Command3D3"),
      Command1(*this, "Command1"),
      Command3D2(*this, "Command3D2"),
      Command3D1(*this, "Command3D1"),
      Command3D7(*this, "Command3D7") {
    setCaption(kTitle);
    setResizable(false);
    move(900, 900, kInnerWidth + kFrameWidth, kInnerHeight + kFrameHeight);
    int y = 120;
    for (auto [box, caption] :
         {std::pair{&Check1, "TITLEとARTISTと別の行に印刷"}, std::pair{&Check2, "曲番号印刷"},
          std::pair{&Check3, "演奏時間印刷"}, std::pair{&Check4, "TITLE/ARTISTを中央に印刷"},
          std::pair{&Check5, "曲名２分割表示"}}) {
        box->move(120, y, 4200, kRowH);
        box->setCaption(caption);
        y += 360;
    }
    y += 60;
    LabeL5.move(120, y + 60, 720, kRowH);
    LabeL5.setCaption("TITLE");
    SSCommand1.move(840, y, 1200, 420);
    Label6.move(2280, y + 60, 720, kRowH);
    Label6.setCaption("SONG");
    Command3D3.move(3000, y, 1200, 420);
    for (ui::Button* b : {&SSCommand1, &Command3D3}) b->setCaption("フォント");
    y += 540;
    Command1.move(120, y, 2040, 420);
    Command1.setCaption("ﾌﾟﾘﾝﾀｰ設定");
    y += 540;
    Command3D2.move(120, y, 1320, 420);
    Command3D2.setCaption("印刷");
    Command3D1.move(1560, y, 1320, 420);
    Command3D1.setCaption("終了");
    Command3D7.move(3000, y, 1320, 420);
    Command3D7.setCaption("取消");
    wireEvents();
    setToolTips({
        {"SSCommand1", "タイトルのフォント"},
        {"Command3D3", "曲名のフォント"},
        {"Command1", "プリンターの設定"},
        {"Command3D2", "印刷する"},
        {"Command3D1", "設定を保存して閉じる"},
        {"Command3D7", "設定を保存せずに閉じる"},
    });
}

void CDMD::wireEvents() {
    Check1.onClick = [this] { CHECK1_Click(); };
    Check2.onClick = [this] { CHECK2_Click(); };
    Check3.onClick = [this] { CHECK3_Click(); };
    Check4.onClick = [this] { CHECK4_Click(); };
    Check5.onClick = [this] { CHECK5_Click(); };
    SSCommand1.onClick = [this] { SSCommand1_Click(); };
    Command3D3.onClick = [this] { Command3D3_Click(); };
    Command1.onClick = [this] { Command1_Click(); };
    Command3D2.onClick = [this] { Command3D2_Click(); };
    Command3D1.onClick = [this] { Command3D1_Click(); };
    Command3D7.onClick = [this] { Command3D7_Click(); };
}

CDMDF& CDMD::label() {
    auto& f = app.form<CDMDF>();
    if (loaded() && !f.shown()) app.show<CDMDF>();
    return f;
}

void CDMD::Form_Load() {
    MD_SET();
    CDMDF& f = app.form<CDMDF>();
    f.move(left() + width() + 120, top(), f.width(), f.height());
    app.show<CDMDF>();
}

void CDMD::Form_Unload() {
    // The label is this window's preview: it goes with it, however the window is closed.
    app.unload<CDMDF>();
}

void CDMD::MD_SET() {
    const AppState& s = app.state;
    CDMDF& f = app.form<CDMDF>();
    f.LABEL2.setCaption("");
    f.LABEL3.setCaption("");
    const std::string title = discTitleText(s);
    const std::string artist = trimTrailingBlanks(s.DiscArtist);
    if (Check1.value() == 1 && !artist.empty()) {
        f.LABEL2.setCaption(title);
        f.LABEL2.setHeight(kTitleHalf);
        f.LABEL3.setCaption(artist);
        f.LABEL3.setVisible(true);
    } else {
        f.LABEL2.setCaption(artist.empty() ? title : title + " ／ " + artist);
        f.LABEL2.setHeight(kTitleOneLine);
        f.LABEL3.setVisible(false);
    }
    const CDPRG* program = app.loaded<CDPRG>();
    const std::vector<std::string> entries =
        program ? program->SEL.items() : std::vector<std::string>{};
    const int n = static_cast<int>(entries.size());
    const bool numbers = Check2.value() == 1, times = Check3.value() == 1;
    if (Check5.value() == 0) {
        f.LABEL1[0].setCaption(songText(entries, 1, n, numbers, times));
        f.LABEL1[0].setWidth(kMdOneColumn);
        f.LABEL1[1].setCaption("");
        f.LABEL1[1].setVisible(false);
        f.Line6.setVisible(false);
    } else {
        const int first = mdFirstColumnCount(n);
        f.LABEL1[0].setCaption(songText(entries, 1, first, numbers, times));
        f.LABEL1[1].setCaption(songText(entries, first + 1, n, numbers, times));
        f.LABEL1[0].setWidth(kMdHalfColumn);
        f.LABEL1[1].setWidth(kMdHalfColumn);
        f.LABEL1[1].setVisible(true);
        f.Line6.setVisible(true);
    }
}

void CDMD::CHECK1_Click() {
    MD_SET();
    label();
}
void CDMD::CHECK2_Click() {
    MD_SET();
    label();
}
void CDMD::CHECK3_Click() {
    MD_SET();
    label();
}
void CDMD::CHECK5_Click() {
    MD_SET();
    label();
}

void CDMD::CHECK4_Click() {
    CDMDF& f = label();
    const int a = Check4.value() == 1 ? ui::align::kPanelCentre : ui::align::kPanelLeft;
    f.LABEL2.setAlignment(a);
    f.LABEL3.setAlignment(a);
    MD_SET();
}

void CDMD::SSCommand1_Click() {
    CDMDF& f = label();
    PickLabelFont(app, f.LABEL2, kMaxPoints, {&f.LABEL2, &f.LABEL3});
}

void CDMD::Command3D3_Click() {
    CDMDF& f = label();
    PickLabelFont(app, f.LABEL1[0], kMaxPoints, {&f.LABEL1[0], &f.LABEL1[1]});
}

void CDMD::Command1_Click() {
    app.PlayOkCue();
    app.svc.dialogs.printerSetup();
}

void CDMD::Command3D2_Click() {
    app.PlayOkCue();
    CDMDF& f = label();
    ui::Printer& p = app.svc.printer;
    p.setDocumentName(labelJobName(app.state, "MDラベル"));
    p.setDocumentSize(f.innerWidth(), f.innerHeight());
    p.printForm(f);
    tellLabelJob(app, p.endDoc(), kTitle);
}

void CDMD::Command3D1_Click() {
    app.PlayOkCue();
    app.unload<CDMD>();
}

void CDMD::Command3D7_Click() {
    app.PlayOkCue();
    app.unload<CDMD>();
}

}  // namespace lirafok

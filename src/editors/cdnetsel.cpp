#include "editors/cdnetsel.h"

#include "common/app.h"
#include "editors/cddata.h"
#include "ui/control_array.h"

namespace lirafok {

namespace {

constexpr int kFactTop = 2160;  // twips
constexpr int kFactStep = 300;

const char* const kFactNames[kReleaseFacts] = {"タイトル", "アーティスト", "国",  "発売日",
                                               "レーベル", "品番",         "曲数"};

std::string orDash(const std::string& s) {
    return s.empty() ? "－" : s;
}

}  // namespace

CDNETSEL::CDNETSEL(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      LIST(*this, "LIST"),
      FACTNAME(ui::controlArray<ui::Label, kReleaseFacts>(*this, "FACTNAME")),
      FACT(ui::controlArray<ui::Label, kReleaseFacts>(*this, "FACT")),
      Command1(*this, "Command1"),
      Command2(*this, "Command2") {
    // Inner area 7200 x 4800 twips: the list at the top, the facts below it, the two buttons
    // at the bottom right.
    setCaption("見つかったディスク情報");
    setResizable(false);
    move(3000, 1800, 7200 + kFrameWidth, 4800 + kFrameHeight);
    LIST.move(120, 120, 6960, 1920);
    for (int k = 0; k < kReleaseFacts; ++k) {
        const auto i = static_cast<std::size_t>(k);
        FACTNAME[i].move(120, kFactTop + k * kFactStep, 1320, 285);
        FACTNAME[i].setCaption(kFactNames[k]);
        FACT[i].move(1500, kFactTop + k * kFactStep, 5580, 285);
    }
    Command1.move(4560, 4260, 1200, 405);
    Command1.setCaption("決 定");
    Command2.move(5880, 4260, 1200, 405);
    Command2.setCaption("取 消");
    LIST.onClick = [this] { LIST_Click(); };
    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
    setToolTips({{"Command1", "選んだディスク情報を登録画面に入れる（まだ保存しません）"},
                 {"Command2", "どれも使わずに閉じる"}});
}

void CDNETSEL::Form_Load() {
    const CDDATA* data = app.loaded<CDDATA>();
    LIST.clear();
    if (!data) return;
    for (const ui::ReleaseCandidate& r : data->onlineReleases()) {
        std::string line = r.title + " ／ " + r.artist;
        if (!r.country.empty() || !r.date.empty())
            line += " （" + r.country + (r.country.empty() || r.date.empty() ? "" : " ") + r.date +
                    "）";
        LIST.addItem(line);
    }
    if (LIST.listCount() > 0) LIST.setListIndex(0);
    showFacts(LIST.listIndex());
}

void CDNETSEL::showFacts(int index) {
    const CDDATA* data = app.loaded<CDDATA>();
    if (!data || index < 0 || static_cast<std::size_t>(index) >= data->onlineReleases().size()) {
        for (ui::Label& f : FACT) f.setCaption("");
        return;
    }
    const ui::ReleaseCandidate& r = data->onlineReleases()[static_cast<std::size_t>(index)];
    const std::string facts[kReleaseFacts] = {
        orDash(r.title),
        orDash(r.artist),
        orDash(r.country),
        orDash(r.date),
        orDash(r.label),
        orDash(r.catalogNumber),
        std::to_string(r.totalTracks) + " 曲（" + r.source + "）"};
    for (int k = 0; k < kReleaseFacts; ++k) FACT[static_cast<std::size_t>(k)].setCaption(facts[k]);
}

void CDNETSEL::LIST_Click() {
    showFacts(LIST.listIndex());
}

void CDNETSEL::Command1_Click() {
    const int index = LIST.listIndex();
    if (index < 0) {
        app.PlayErrorCue();
        return;
    }
    app.unload<CDNETSEL>();
    if (CDDATA* data = app.loaded<CDDATA>()) data->applyRelease(index);
}

void CDNETSEL::Command2_Click() {
    app.PlayOkCue();
    app.unload<CDNETSEL>();
    if (CDDATA* data = app.loaded<CDDATA>()) data->NETMSG.setCaption("選ばずに閉じました");
}

}  // namespace lirafok

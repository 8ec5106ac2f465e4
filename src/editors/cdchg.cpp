#include "editors/cdchg.h"

#include <cstdlib>

#include "catalogue/catalogue_file.h"
#include "common/app.h"
#include "core/text.h"
#include "editors/cddata.h"
#include "editors/rekey.h"
#include "player/disc_display.h"

namespace lirafok {

namespace {

// Total lengths further apart than this are not the same album, or not without a question.
constexpr std::int32_t kSameLengthToleranceMs = 2000;
constexpr int kButtonHeight = 420;

}  // namespace

CDCHG::CDCHG(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      List1(*this, "List1"),
      List2(*this, "List2"),
      ART(*this, "ART"),
      Command1(*this, "Command1"),
      Command2(*this, "Command2") {
    layoutDesign();
    List1.onClick = [this] { List1_Click(); };
    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
    setToolTips({
        {"Command1", "選んだ登録をこのディスクのものにする"},
        {"Command2", "閉じる"},
    });
}

// Inner area 9000 x 4920 twips: the titles at the left, the selected record's artist and
// songs at the right, the two buttons below.
void CDCHG::layoutDesign() {
    setCaption("ファイル名変更");
    setResizable(false);
    move(2700, 1800, 9000 + kFrameWidth, 4920 + kFrameHeight);
    List1.move(120, 120, 4560, 4080);
    ART.move(4800, 120, 4080, 330);
    List2.move(4800, 540, 4080, 3660);
    Command1.move(5280, 4380, 1560, kButtonHeight);
    Command1.setCaption("変更");
    Command2.move(7200, 4380, 1560, kButtonHeight);
    Command2.setCaption("終了");
}

void CDCHG::Form_Load() {
    List1.clear();
    List2.clear();
    const CatalogueTitles titles = readCatalogueTitles(catalogueFilePath(app.state.KASID));
    for (const auto& t : titles.titles) List1.addItem(t);
    if (titles.titles.empty()) app.msgBox("データが登録されていません");
}

int CDCHG::selectedRecord() {
    const int n = List1.listIndex() + 1;
    if (n < 1) app.msgBox("Ｔｉｔｌｅを選択して下さい");
    return n < 1 ? 0 : n;
}

bool CDCHG::confirm(const std::string& question) {
    return app.msgBox(question, ui::mb::kYesNo) == ui::mb::kYes;
}

void CDCHG::List1_Click() {
    const int n = selectedRecord();
    if (n == 0) return;
    List2.clear();
    // The record shown here is not the disc's: the disc's own artist must not stay beside
    // another record's songs.
    ART.setCaption("");
    app.state.DiscFontSet = 0;
    const RecordSummary r = readRecordAt(catalogueFilePath(app.state.KASID), n);
    if (r.hasArtist) ART.setCaption(r.artist + " ");
    app.state.DiscFontSet = r.fontSet;
    for (const auto& song : r.songs) List2.addItem(song);
}

void CDCHG::Command1_Click() {
    AppState& s = app.state;
    const int n = selectedRecord();
    if (n == 0) return;
    if (s.DiscKey.empty()) {
        app.PlayErrorCue();
        app.msgBox("ＣＤが入っていません");
        return;
    }
    const RekeyPlan plan = planRekey(catalogueFilePath(s.KASID), n, s.DiscKey);
    switch (plan.outcome) {
        case RekeyPlan::Outcome::Ready:
            break;
        case RekeyPlan::Outcome::AlreadyKeyed:
            app.msgBox("すでにこのＣＤは、変更（登録）されています。");
            return;
        case RekeyPlan::Outcome::Unreadable:
        case RekeyPlan::Outcome::NoSuchRecord:
            app.PlayErrorCue();
            app.msgBox("LIRAFOK.TXT を読み込めません");
            return;
    }
    const std::int32_t difference = text::val(s.DiscKey) - text::val(plan.oldKey);
    if (std::abs(difference) > kSameLengthToleranceMs &&
        !confirm("演奏時間が異なりますが、続行してもいいですか？"))
        return;
    if (plan.songCount != s.TrackCount && !confirm("曲数が異なりますが、続行してもいいですか？"))
        return;
    const RekeyResult result = applyRekey(s.KASID, plan, s.DiscKey);
    if (!result.ok) {
        app.PlayErrorCue();
        app.msgBox(result.error);
        return;
    }
    if (!result.notice.empty()) app.msgBox(result.notice);
    // The lyrics shown for the current track were looked up under the old key (or found
    // missing): the redisplay reads them again under the new one.
    s.LyricsLoadedTrack = 0;
    LookupDisc(app);
    if (auto* data = app.loaded<CDDATA>()) data->FillFromDisc();
    Command2_Click();
}

void CDCHG::Command2_Click() {
    RedisplayDisc(app);
    app.unloadForm(name());
}

void CDCHG::Form_QueryUnload(bool&, ui::UnloadMode mode) {
    // "終了" has redisplayed already; the program closing the window shows nothing.
    if (mode == ui::UnloadMode::User) RedisplayDisc(app);
}

}  // namespace lirafok

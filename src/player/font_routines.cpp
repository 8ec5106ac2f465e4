#include "player/font_routines.h"

#include <algorithm>
#include <vector>

#include "catalogue/catalogue_file.h"
#include "core/font_list.h"
#include "player/cdoke.h"
#include "common/app.h"

namespace lirafok {

namespace {

std::vector<ui::Control*> rowControls(CDOKE& w, int row) {
    switch (row) {
        case 0:
            return {&w.AAA, &w.BBB, &w.CCC, &w.DDD, &w.EEE, &w.FFF};
        case 1:
            return {&w.TRKNO, &w.TRKLEN, &w.TOTALLEN};
        case 2:
            return {&w.TITLE[0], &w.TITLE[1]};
        case 3:
            return {&w.KYOKU};
        case 4:
            return {&w.ART};
        case 5:
            return {&w.List1};
        case 6:
            return {&w.STATUS1, &w.STATUS2};
        default:
            return {};
    }
}

void recover(App& app) {
    AppState& s = app.state;
    app.msgBox("フォントが登録されていません。初期設定します");
    std::string name;
    for (;;) {
        ui::FontDialogRequest req;
        req.preset = {"ＭＳ Ｐゴシック", 12, false, false};
        req.screenFontsOnly = true;
        req.forceExisting = true;
        auto choice = app.svc.dialogs.fontDialog(req);
        name = choice ? choice->name : req.preset.name;
        if (!name.empty()) break;
        app.msgBox("フォント名が設定されていません");
    }
    applyRecoveryFont(s, s.Fonts, name);
    if (!writeFontList(fontListPath(s.AppDir), s.Fonts))
        // Told once here: otherwise the same recovery would come back silently at every start.
        app.msgBox("フォントファイルを保存できません(" + fontListPath(s.AppDir) + ")");
    app.msgBox("環境設定で好みのフォントに設定して下さい");
}

}  // namespace

void CheckFonts(App& app) {
    AppState& s = app.state;
    for (const std::string& name : fontNamesToCheck(s, s.Fonts)) {
        if (!app.svc.fonts.isInstalled(name)) {
            recover(app);
            break;
        }
    }
    CDOKE& w = cdoke(app);
    for (int row = 0; row < kFontRowCount; ++row) {
        const FontEntry& e = s.Fonts.entry[0][row];
        for (ui::Control* c : rowControls(w, row)) {
            ui::Font f = c->font();
            f.name = e.name;
            f.bold = e.bold;
            f.italic = e.italic;
            c->setFont(f);
        }
    }
}

void ShowDiscFonts(App& app) {
    AppState& s = app.state;
    int set = s.CurrentFontSet < 0 || s.CurrentFontSet >= kFontSetCount ? 0 : s.CurrentFontSet;
    CDOKE& w = cdoke(app);
    for (int row = 0; row < kFontRowCount; ++row) {
        const FontEntry& e = s.Fonts.entry[set][row];
        for (ui::Control* c : rowControls(w, row)) {
            double size = e.size;
            // The artist panel's size is fitted to the length of its caption; the set's size
            // is the most it may take, so a long artist still fits after the set is applied.
            if (c == &w.ART && !w.ART.caption().empty())
                size = std::min(size, fitArtistFontSize(w.ART.caption()));
            c->setFont(ui::Font{e.name, size, e.bold, e.italic});
        }
    }
}

}  // namespace lirafok

#include "editors/cdsdata.h"

#include "common/app.h"
#include "editors/cddata.h"
#include "player/disc_display.h"

namespace lirafok {

CDSDATA::CDSDATA(App& a)
    : SavePrompt(a, kName, "ＤＡＴＡファイル保存確認", "ＤＡＴＡファイルを保存しますか？", 4800) {}

void CDSDATA::Command1_Click() {
    // The registration window is still loaded and supplies the record.
    if (auto* data = app.loaded<CDDATA>()) {
        DiscRecordEntry entry = data->recordEntry();
        // A record without a title would be shown and stored as a disc without a name: refused
        // as the window's own save button refuses it.
        if (entry.title1.empty()) {
            app.PlayErrorCue();
            app.msgBox("Ｔｉｔｌｅは必ず指定して下さい。");
        } else if (SaveDiscRecord(app, entry)) {
            app.PlayOkCue();
        }
    }
    app.unload<CDSDATA>();
}

void CDSDATA::Command2_Click() {
    app.PlayOkCue();
    app.unload<CDSDATA>();
}

}  // namespace lirafok

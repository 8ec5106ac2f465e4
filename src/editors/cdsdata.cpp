#include "editors/cdsdata.h"

#include "common/app.h"
#include "editors/cddata.h"
#include "player/disc_display.h"

namespace lirafok {

// Inner area 4800 x 1500 twips: the question above the two buttons.
CDSDATA::CDSDATA(App& a)
    : ui::Form(a.svc.host, "CDSDATA"),
      app(a),
      Label1(*this, "Label1"),
      Command1(*this, "Command1"),
      Command2(*this, "Command2") {
    setCaption("ＤＡＴＡファイル保存確認");
    setResizable(false);
    move(4200, 3600, 4800 + kFrameWidth, 1500 + kFrameHeight);
    Label1.move(240, 240, 4320, 330);
    Label1.setAlignment(2);
    Label1.setCaption("ＤＡＴＡファイルを保存しますか？");
    Command1.move(600, 840, 1500, 405);
    Command1.setCaption("保  存");
    Command2.move(2700, 840, 1500, 405);
    Command2.setCaption("取  消");
    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
}

void CDSDATA::Command1_Click() {
    // The registration window is still loaded and supplies the record.
    if (auto* data = dynamic_cast<CDDATA*>(app.loadedForm("CDDATA"))) {
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
    app.unloadForm("CDSDATA");
}

void CDSDATA::Command2_Click() {
    app.PlayOkCue();
    app.unloadForm("CDSDATA");
}

}  // namespace lirafok

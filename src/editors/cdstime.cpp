#include "editors/cdstime.h"

#include "common/app.h"
#include "editors/cdset.h"

namespace lirafok {

CDSTIME::CDSTIME(App& a)
    : ui::Form(a.svc.host, "CDSTIME"),
      app(a),
      Label1(*this, "Label1"),
      Command1(*this, "Command1"),
      Command2(*this, "Command2") {
    setCaption("タイミング保存");
    setResizable(false);
    move(3000, 3000, 4200 + kFrameWidth, 1500 + kFrameHeight);
    Label1.move(240, 240, 3720, 360);
    Label1.setAlignment(2);
    Label1.setCaption("タイミングを保存しますか？");
    Command1.move(480, 840, 1200, 420);
    Command1.setCaption("保  存");
    Command2.move(2520, 840, 1200, 420);
    Command2.setCaption("取  消");
    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
}

// A save that is refused (untimed or reversed lines) has told the user why; the setter is
// closed by the caller all the same, since its disc is gone.
void CDSTIME::Command1_Click() {
    SaveLyricsTimings(app);
    app.unloadForm("CDSTIME");
}

// Closing the prompt by its frame answers the same: the file stays as it is.
void CDSTIME::Command2_Click() {
    app.unloadForm("CDSTIME");
}

}  // namespace lirafok

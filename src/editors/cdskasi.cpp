#include "editors/cdskasi.h"

#include "common/app.h"
#include "editors/cdedit.h"

namespace lirafok {

CDSKASI::CDSKASI(App& a)
    : ui::Form(a.svc.host, "CDSKASI"),
      app(a),
      Label1(*this, "Label1"),
      Command1(*this, "Command1"),
      Command2(*this, "Command2") {
    setCaption("歌詞ファイル保存確認");
    setResizable(false);
    move(3000, 3000, 4200 + kFrameWidth, 1500 + kFrameHeight);
    Label1.move(240, 240, 3720, 360);
    Label1.setAlignment(2);
    Label1.setCaption("歌詞ファイルを保存しますか？");
    Command1.move(480, 840, 1200, 420);
    Command1.setCaption("保  存");
    Command2.move(2520, 840, 1200, 420);
    Command2.setCaption("取  消");
    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
}

void CDSKASI::Command1_Click() {
    if (!SaveLyricsText(app))
        if (auto* editor = static_cast<CDEDIT*>(app.loadedForm("CDEDIT")))
            editor->keepOpenAfterFailedSave();
    app.unloadForm("CDSKASI");
}

// Closing the prompt by its frame answers the same: the file stays as it is.
void CDSKASI::Command2_Click() {
    app.unloadForm("CDSKASI");
}

}  // namespace lirafok

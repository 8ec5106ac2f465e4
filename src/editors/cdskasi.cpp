#include "editors/cdskasi.h"

#include "common/app.h"
#include "editors/cdedit.h"

namespace lirafok {

CDSKASI::CDSKASI(App& a)
    : SavePrompt(a, "CDSKASI", "歌詞ファイル保存確認", "歌詞ファイルを保存しますか？") {}

void CDSKASI::Command1_Click() {
    if (!SaveLyricsText(app))
        if (auto* editor = static_cast<CDEDIT*>(app.loadedForm("CDEDIT")))
            editor->keepOpenAfterFailedSave();
    app.unloadForm("CDSKASI");
}

}  // namespace lirafok

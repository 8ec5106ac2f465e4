#include "editors/cdskasi.h"

#include "common/app.h"
#include "editors/cdedit.h"

namespace lirafok {

CDSKASI::CDSKASI(App& a)
    : SavePrompt(a, kName, "歌詞ファイル保存確認", "歌詞ファイルを保存しますか？") {}

void CDSKASI::Command1_Click() {
    if (!SaveLyricsText(app))
        if (auto* editor = app.loaded<CDEDIT>()) editor->keepOpenAfterFailedSave();
    app.unload<CDSKASI>();
}

}  // namespace lirafok

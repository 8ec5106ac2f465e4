#include "editors/cdstime.h"

#include "common/app.h"
#include "editors/cdset.h"

namespace lirafok {

CDSTIME::CDSTIME(App& a) : SavePrompt(a, kName, "タイミング保存", "タイミングを保存しますか？") {}

// A save that is refused (untimed or reversed lines) has told the user why; the setter is
// closed by the caller all the same, since its disc is gone.
void CDSTIME::Command1_Click() {
    SaveLyricsTimings(app);
    app.unload<CDSTIME>();
}

}  // namespace lirafok

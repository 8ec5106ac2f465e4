#include "windows/windows.h"

#include "common/app.h"
#include "editors/cdchg.h"
#include "editors/cddata.h"
#include "editors/cdedit.h"
#include "editors/cdsdata.h"
#include "editors/cdset.h"
#include "editors/cdstime.h"
#include "editors/cdskasi.h"
#include "player/cdkasif.h"
#include "player/cdkasif2.h"
#include "player/cdoke.h"

namespace lirafok {

namespace {
template <class W>
App::FormFactory factory() {
    return [](App& app) { return std::make_unique<W>(app); };
}
}  // namespace

void registerWindows(App& app) {
    app.registerForm("CDOKE", factory<CDOKE>());
    app.registerForm("CDKASIF", factory<CDKASIF>());
    app.registerForm("CDKASIF2", factory<CDKASIF2>());
    app.registerForm("CDDATA", factory<CDDATA>());
    app.registerForm("CDSDATA", factory<CDSDATA>());
    app.registerForm("CDEDIT", factory<CDEDIT>());
    app.registerForm("CDSKASI", factory<CDSKASI>());
    app.registerForm("CDSET", factory<CDSET>());
    app.registerForm("CDSTIME", factory<CDSTIME>());
    app.registerForm("CDCHG", factory<CDCHG>());
    // Windows the program has but this build does not yet.
    for (const char* name :
         {"CDPRG", "CDREP", "CDKANKYOX", "CDFONT", "CDTEDIT", "CPRINT", "CDMD", "CDMDF"})
        app.reserveForm(name);
}

}  // namespace lirafok

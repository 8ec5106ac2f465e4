#include "windows/windows.h"

#include "common/app.h"
#include "editors/cdchg.h"
#include "editors/cddata.h"
#include "editors/cdedit.h"
#include "editors/cdsdata.h"
#include "editors/cdset.h"
#include "editors/cdstime.h"
#include "editors/cdskasi.h"
#include "labels/cdmd.h"
#include "labels/cdmdf.h"
#include "labels/cprint.h"
#include "player/cdkasif.h"
#include "player/cdkasif2.h"
#include "player/cdoke.h"
#include "player/cdrep.h"
#include "program/cdprg.h"
#include "program/cdtedit.h"
#include "settings/cdfont.h"
#include "settings/cdkankyox.h"

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
    app.registerForm("CDKANKYOX", factory<CDKANKYOX>());
    app.registerForm("CDFONT", factory<CDFONT>());
    app.registerForm("CDPRG", factory<CDPRG>());
    app.registerForm("CDREP", factory<CDREP>());
    app.registerForm("CDTEDIT", factory<CDTEDIT>());
    app.registerForm("CPRINT", factory<CPRINT>());
    app.registerForm("CDMD", factory<CDMD>());
    app.registerForm("CDMDF", factory<CDMDF>());
    app.registerForm("CDCHG", factory<CDCHG>());
}

}  // namespace lirafok

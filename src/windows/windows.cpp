#include "windows/windows.h"

#include "common/app.h"
#include "editors/cdchg.h"
#include "editors/cddata.h"
#include "editors/cdedit.h"
#include "editors/cdnetsel.h"
#include "editors/cdsdata.h"
#include "editors/cdsend.h"
#include "editors/cdset.h"
#include "editors/cdstime.h"
#include "editors/cdskasi.h"
#include "labels/cdmd.h"
#include "labels/cdmdf.h"
#include "labels/cprint.h"
#include "player/cdcdg.h"
#include "player/cdkara.h"
#include "player/cdkasif.h"
#include "player/cdkasif2.h"
#include "player/cdkey.h"
#include "player/cdoke.h"
#include "player/cdrep.h"
#include "program/cdprg.h"
#include "program/cdtedit.h"
#include "settings/cdfont.h"
#include "settings/cdkankyox.h"

namespace lirafok {

void registerWindows(App& app) {
    app.registerForm<CDOKE>();
    app.registerForm<CDKASIF>();
    app.registerForm<CDKASIF2>();
    app.registerForm<CDDATA>();
    app.registerForm<CDSDATA>();
    app.registerForm<CDEDIT>();
    app.registerForm<CDSKASI>();
    app.registerForm<CDSET>();
    app.registerForm<CDSTIME>();
    app.registerForm<CDKANKYOX>();
    app.registerForm<CDFONT>();
    app.registerForm<CDPRG>();
    app.registerForm<CDREP>();
    app.registerForm<CDTEDIT>();
    app.registerForm<CPRINT>();
    app.registerForm<CDMD>();
    app.registerForm<CDMDF>();
    app.registerForm<CDCHG>();
    app.registerForm<CDCDG>();
    app.registerForm<CDNETSEL>();
    app.registerForm<CDSEND>();
    app.registerForm<CDKARA>();
    app.registerForm<CDKEY>();
    app.setMainForm<CDOKE>();
}

}  // namespace lirafok

#include "player/cdoke.h"
#include "windows/app.h"

namespace lirafok {
void CDOKE::Timer2_Timer() {}
void CDOKE::KASI_Click() {}
}  // namespace lirafok

#include "lyrics/cdkasif.h"
#include "lyrics/cdkasif2.h"
#include "windows/app.h"

namespace lirafok {

namespace {
template <std::size_t... I>
std::array<ui::Panel, kLyricPanels> makePanels(ui::Form& f, std::index_sequence<I...>) {
    return {{ui::Panel{f, "KASI", static_cast<int>(I)}...}};
}
}  // namespace

CDKASIF::CDKASIF(App& a) : ui::Form(a.svc.host, "CDKASIF"), app(a), KASI(*this, "KASI") {
    KASI.setMultiLine(true);
    KASI.setLocked(true);
    move(0, 0, 4500, 6885);
}

void CDKASIF::Form_Load() {}
void CDKASIF::Form_Resize() {}
void CDKASIF::Form_QueryUnload(bool&, ui::UnloadMode) {}

CDKASIF2::CDKASIF2(App& a)
    : ui::Form(a.svc.host, "CDKASIF2"),
      app(a),
      KASI(makePanels(*this, std::make_index_sequence<kLyricPanels>{})) {
    move(720, 30, 7095, 6885);
    for (int i = 0; i < kLyricPanels; ++i)
        KASI[static_cast<std::size_t>(i)].move(0, i * kLyricPanelHeight, 6975, kLyricPanelHeight);
}

void CDKASIF2::Form_Load() {}
void CDKASIF2::Form_Resize() {}
void CDKASIF2::Form_QueryUnload(bool&, ui::UnloadMode) {}

}  // namespace lirafok

namespace lirafok {
void installLyricsHooks(App&) {}
}  // namespace lirafok

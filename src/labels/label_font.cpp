#include "labels/label_font.h"

#include <optional>

#include "common/app.h"

namespace lirafok {

void PickLabelFont(App& app, const ui::Control& preset, double maxPoints,
                   const std::vector<ui::Control*>& targets) {
    app.PlayOkCue();
    ui::FontDialogRequest request;
    const ui::Font& f = preset.font();
    request.preset = {f.name, f.size, f.bold, f.italic};
    request.screenFontsOnly = false;
    request.limitSize = true;
    request.maxSize = maxPoints;
    const std::optional<ui::FontChoice> pick = app.svc.dialogs.fontDialog(request);
    if (!pick || pick->name.empty()) return;
    for (ui::Control* c : targets) c->setFont({pick->name, pick->size, pick->bold, pick->italic});
}

}  // namespace lirafok

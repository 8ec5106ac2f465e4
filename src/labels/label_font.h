#pragma once
// The font button of the label windows: the font dialog with screen and printer fonts and a
// size limit, preset with one panel's font; the choice goes onto every target panel.
#include <vector>

#include "ui/control.h"

namespace lirafok {

class App;

// Plays the ok cue, then asks. A cancelled dialog, or one cleared of its name, changes nothing.
void PickLabelFont(App& app, const ui::Control& preset, double maxPoints,
                   const std::vector<ui::Control*>& targets);

}  // namespace lirafok

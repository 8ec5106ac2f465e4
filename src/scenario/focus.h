#pragma once
// Which control holds the focus in the headless program, and the events a move raises: the
// control that had the focus gets LostFocus, then the new one gets GotFocus. One transport
// button of a multimedia control can hold the focus on its own; of those only Stop has an
// event (StopLostFocus).
#include <optional>

#include "device/mm_control.h"
#include "ui/control.h"
#include "ui/form.h"

namespace lirafok::scenario {

class FocusHolder {
public:
    struct Target {
        ui::Control* control = nullptr;
        std::optional<device::TransportButton> button;  // with a multimedia control only
        bool operator==(const Target&) const = default;
    };

    const Target& current() const { return m_current; }
    // Moves the focus to `to` (reachability is the caller's business). Nothing happens when
    // `to` has it already. A LostFocus handler may move the focus on or close the window;
    // GotFocus then goes to nobody.
    void moveTo(const Target& to);
    // The window is unloaded: its controls hold the focus no more (and raise nothing).
    void formUnloaded(const ui::Form& form);
    void clear() { m_current = {}; }

private:
    Target m_current;
};

}  // namespace lirafok::scenario

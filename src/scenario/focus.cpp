#include "scenario/focus.h"

namespace lirafok::scenario {

void FocusHolder::moveTo(const Target& to) {
    if (to == m_current) return;
    const Target from = m_current;
    // While LostFocus runs nobody holds the focus; its handler may give it to another control.
    m_current = {};
    if (from.control) {
        if (!from.button) {
            from.control->userLostFocus();
        } else if (*from.button == device::TransportButton::Stop) {
            auto* mm = static_cast<device::MMControl*>(from.control);
            if (mm->onStopLostFocus) mm->onStopLostFocus();
        }
    }
    // A window unloaded by LostFocus lives on until the event in progress returns: asking it
    // whether it is loaded is safe here.
    if (m_current.control || !to.control || !to.control->form().loaded()) return;
    m_current = to;
    if (!to.button) to.control->userGotFocus();
}

void FocusHolder::formUnloaded(const ui::Form& form) {
    if (m_current.control && &m_current.control->form() == &form) m_current = {};
}

}  // namespace lirafok::scenario

#pragma once
// Creates the view of a control from its kind; windows need no Qt code of their own.
#include <memory>
#include <vector>

#include "qt/control_view.h"

class QMenuBar;

namespace lirafok::ui {
class Form;
}

namespace lirafok::qt {

class FormWindow;

// The view of `control` inside `window`, or nullptr for kinds that are not drawn (timers,
// common dialogs) and for menu entries (see buildMenus).
std::unique_ptr<ViewHandle> createView(ui::Control& control, FormWindow& window);

// Fills `bar` with the form's menu entries in their order: entries without a parent are the
// bar's items, entries with a parent form that parent's drop-down (nested to any depth).
// Returns the entries' views.
std::vector<std::unique_ptr<ViewHandle>> buildMenus(ui::Form& form, QMenuBar& bar);

bool hasMenus(const ui::Form& form);

}  // namespace lirafok::qt

#pragma once
// The main window's design geometry, captured once at start-up, from which the layouts are
// rebuilt when the window switches between them.
#include <map>

#include "ui/control.h"

namespace lirafok {

struct DesignGeometry {
    int left, top, width, height;
    bool visible;
};

struct DesignLayout {
    bool captured = false;
    int formWidth = 0, formHeight = 0;
    std::map<ui::Control*, DesignGeometry> controls;
    bool switching = false;  // the resize handler does nothing while controls move
};

}  // namespace lirafok

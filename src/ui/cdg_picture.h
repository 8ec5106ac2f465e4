#pragma once
// The control that shows a CD+G screen: the whole 300 x 216 picture, border included, scaled
// to the control at the aspect of a television picture (4:3), on black.
#include <cstdint>

#include "cdg/screen.h"
#include "ui/control.h"

namespace lirafok::ui {

class CdgPicture : public Control {
public:
    CdgPicture(Form& f, std::string name) : Control(f, ControlKind::CdgPicture, std::move(name)) {}

    // Shows `screen` (the view repaints at the screen's next refresh). The screen must stay
    // valid until the next showScreen() or clear(); the window calls this after every change
    // of picture.
    void showScreen(const cdg::Screen& screen) {
        m_screen = &screen;
        ++m_shown;
        changed(Prop::Value);
    }
    // Nothing to show: black.
    void clear() {
        m_screen = nullptr;
        ++m_shown;
        changed(Prop::Value);
    }
    const cdg::Screen* screen() const { return m_screen; }
    // How many pictures were shown so far (tests, measurements).
    std::uint64_t shownCount() const { return m_shown; }

    // Smooth (bilinear) scaling, or nearest-neighbour that keeps the pixels sharp.
    bool smooth() const { return m_smooth; }
    void setSmooth(bool on) {
        m_smooth = on;
        changed(Prop::Value);
    }

private:
    const cdg::Screen* m_screen = nullptr;
    std::uint64_t m_shown = 0;
    bool m_smooth = false;
};

}  // namespace lirafok::ui

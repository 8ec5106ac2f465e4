#pragma once
// Views of spin buttons, scroll bars, the multimedia control's transport row and menu entries.
#include <QAction>
#include <QScrollBar>
#include <QToolButton>
#include <QWidget>
#include <array>

#include "qt/control_view.h"

namespace lirafok::device {
class MMControl;
}

namespace lirafok::qt {

// Two arrow buttons, stacked when the control is taller than wide (up above down), side by
// side otherwise (down on the left). Holding a button repeats it.
class SpinButtonView : public ControlViewBase {
    Q_OBJECT
public:
    SpinButtonView(ui::Control& c, FormWindow& w);
    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }
    void applyGeometry() override;

protected:
    void applyColors() override;
    // The mouse wheel steps the spinner: away from the user up, towards the user down.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
};

// Dragging the thumb reports one Change when it is released, like the classic scroll bar;
// the program's own moves never disturb a drag in progress.
class ScrollBarView : public ControlViewBase {
    Q_OBJECT
public:
    ScrollBarView(ui::Control& c, FormWindow& w);
    QScrollBar* bar() const { return static_cast<QScrollBar*>(m_widget.data()); }

protected:
    void applyRange() override;
    void applyValue() override;
};

// Previous, next, play, pause, stop and eject, each enabled as the control says.
class MMControlView : public ControlViewBase {
    Q_OBJECT
public:
    MMControlView(ui::Control& c, FormWindow& w);
    static constexpr int kButtons = 6;
    QToolButton* button(int i) const { return m_buttons[static_cast<std::size_t>(i)]; }
    void applyGeometry() override;

protected:
    void applyButtons() override;
    void applyEnabled() override;
    void applyColors() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    device::MMControl& mm() const;
    void layoutButtons();
    std::array<QToolButton*, kButtons> m_buttons{};
};

// A menu entry: a QAction in the window's menu bar or in its parent's drop-down.
class MenuView : public ViewHandle {
    Q_OBJECT
public:
    MenuView(ui::Control& c, QAction* action, bool topLevel);
    void update(ui::Prop what) override;
    void applyAll() override;
    void detach() override;
    QAction* action() const { return m_action; }

private:
    QAction* m_action;
    bool m_topLevel;
};

}  // namespace lirafok::qt

#pragma once
// The view of a tab control: a row of tabs over an empty page frame. The controls placed on a
// page are the form's own widgets lying over the frame; they show or hide with their tab as
// the model says.
#include <QTabWidget>

#include "qt/control_view.h"

namespace lirafok::qt {

class TabView : public ControlViewBase {
    Q_OBJECT
public:
    TabView(ui::Control& c, FormWindow& w);
    QTabWidget* tabs() const { return static_cast<QTabWidget*>(m_widget.data()); }

protected:
    void applyItems() override;
    void applyValue() override;

private:
    ui::TabControl& model() const { return static_cast<ui::TabControl&>(*m_control); }
};

}  // namespace lirafok::qt

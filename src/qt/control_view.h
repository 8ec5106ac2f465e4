#pragma once
// The Qt side of one control: mirrors the model's state onto a widget and reports the user's
// actions back through the control's `user...` methods.
//
// Program changes are applied with the widget's signals blocked, so that they never come back
// as user events; the model raises its own events for them. A view is detached when its form
// unloads: from then on it ignores its widget and never touches the control again.
#include <QObject>
#include <QPointer>
#include <QWidget>

#include "ui/control.h"

namespace lirafok::qt {

class FormWindow;

// What every view offers the form window.
class ViewHandle : public QObject, public ui::ControlView {
    Q_OBJECT
public:
    explicit ViewHandle(ui::Control& control) : m_control(&control) {}
    // Stops all traffic between widget and control and releases the control.
    virtual void detach();
    ui::Control* control() const { return m_control; }
    // The control's widget, nullptr for views without one (menu entries).
    virtual QWidget* widget() const { return nullptr; }
    // Applies every property (first show).
    virtual void applyAll() = 0;

protected:
    ui::Control* m_control;
};

class ControlViewBase : public ViewHandle {
    Q_OBJECT
public:
    ControlViewBase(ui::Control& control, FormWindow& window);
    ~ControlViewBase() override;

    void update(ui::Prop what) override;
    void detach() override;
    QWidget* widget() const override { return m_widget; }
    void applyAll() override;
    virtual void applyGeometry();

protected:
    // Set by the derived constructor; owned by the view.
    void setWidget(QWidget* w);
    QWidget* parentWidget() const;

    virtual void applyCaption() {}
    virtual void applyColors();
    virtual void applyFont();
    virtual void applyAlignment() {}
    virtual void applyItems() {}
    virtual void applySelection() {}
    virtual void applyValue() {}
    virtual void applyRange() {}
    virtual void applyTextSelection() {}
    virtual void applyButtons() {}
    virtual void applyEnabled();
    virtual void applyVisible();
    virtual void applyToolTip();
    // Whether a mouse press on the widget raises MouseDown through the base (list boxes raise
    // it with the item click instead).
    virtual bool reportsMouseDown() const { return true; }
    // Widgets inside the view's widget that receive mouse and focus events (viewports).
    void watch(QObject* o);

    bool eventFilter(QObject* watched, QEvent* event) override;

    // Colour helpers: background roles in every group, text roles only in the active and
    // inactive groups so that disabled controls keep the style's grey text.
    static void setBackRole(QPalette& pal, QPalette::ColorRole role, const QColor& c);
    static void setTextRole(QPalette& pal, QPalette::ColorRole role, const QColor& c);

    FormWindow& m_window;
    QPointer<QWidget> m_widget;
    bool m_applying = false;  // true while program state is written to the widget
};

// RAII flag for ControlViewBase::m_applying.
class Applying {
public:
    explicit Applying(bool& flag) : m_flag(flag), m_old(flag) { m_flag = true; }
    ~Applying() { m_flag = m_old; }

private:
    bool& m_flag;
    bool m_old;
};

}  // namespace lirafok::qt

#include "qt/control_view.h"

#include <QEvent>
#include <QFocusEvent>
#include <QMouseEvent>

#include "qt/font_resolver.h"
#include "qt/form_window.h"
#include "qt/qt_convert.h"

namespace lirafok::qt {

void ViewHandle::detach() {
    if (m_control && m_control->view() == this) m_control->attachView(nullptr);
    m_control = nullptr;
}

ControlViewBase::ControlViewBase(ui::Control& control, FormWindow& window)
    : ViewHandle(control), m_window(window) {}

ControlViewBase::~ControlViewBase() {
    detach();
    delete m_widget.data();
}

QWidget* ControlViewBase::parentWidget() const {
    return m_window.client();
}

void ControlViewBase::setWidget(QWidget* w) {
    m_widget = w;
    w->setObjectName(toQ(m_control->path()));
    watch(w);
}

void ControlViewBase::watch(QObject* o) {
    o->installEventFilter(this);
}

void ControlViewBase::detach() {
    ViewHandle::detach();
    if (m_widget) {
        // Pending signals and events of the widget must not reach the control any more.
        m_widget->disconnect(this);
        for (QObject* child : m_widget->findChildren<QObject*>()) child->disconnect(this);
    }
}

void ControlViewBase::applyAll() {
    if (!m_control || !m_widget) return;
    Applying guard(m_applying);
    applyColors();
    applyFont();
    applyItems();
    applyCaption();
    applyAlignment();
    applyRange();
    applyValue();
    applySelection();
    applyTextSelection();
    applyButtons();
    applyEnabled();
    applyGeometry();
    applyVisible();
    applyToolTip();
}

void ControlViewBase::applyToolTip() {
    m_widget->setToolTip(toQ(m_control->toolTip()));
}

void ControlViewBase::update(ui::Prop what) {
    if (!m_control || !m_widget) return;
    Applying guard(m_applying);
    switch (what) {
        case ui::Prop::Caption:
            applyCaption();
            break;
        case ui::Prop::ForeColor:
        case ui::Prop::BackColor:
            applyColors();
            break;
        case ui::Prop::Font:
            applyFont();
            break;
        case ui::Prop::Visible:
            applyVisible();
            break;
        case ui::Prop::Enabled:
            applyEnabled();
            break;
        case ui::Prop::Geometry:
            applyGeometry();
            break;
        case ui::Prop::Alignment:
            applyAlignment();
            break;
        case ui::Prop::Items:
            applyItems();
            applySelection();
            break;
        case ui::Prop::Selection:
            applySelection();
            break;
        case ui::Prop::Value:
        case ui::Prop::Checked:
            applyValue();
            break;
        case ui::Prop::Range:
            applyRange();
            break;
        case ui::Prop::TextSelection:
            applyTextSelection();
            break;
        case ui::Prop::Buttons:
            applyButtons();
            break;
        case ui::Prop::ToolTip:
            applyToolTip();
            break;
    }
}

void ControlViewBase::setBackRole(QPalette& pal, QPalette::ColorRole role, const QColor& c) {
    pal.setColor(role, c);
}

void ControlViewBase::setTextRole(QPalette& pal, QPalette::ColorRole role, const QColor& c) {
    pal.setColor(QPalette::Active, role, c);
    pal.setColor(QPalette::Inactive, role, c);
}

void ControlViewBase::applyColors() {
    QPalette pal = m_widget->palette();
    const QColor back = toQColor(m_control->backColor());
    const QColor fore = toQColor(m_control->foreColor());
    setBackRole(pal, QPalette::Window, back);
    setBackRole(pal, QPalette::Button, back);
    setTextRole(pal, QPalette::WindowText, fore);
    setTextRole(pal, QPalette::ButtonText, fore);
    m_widget->setPalette(pal);
}

void ControlViewBase::applyFont() {
    m_widget->setFont(resolveFont(m_control->font()));
}

void ControlViewBase::applyEnabled() {
    m_widget->setEnabled(m_control->effectivelyEnabled());
}

void ControlViewBase::applyVisible() {
    m_widget->setVisible(m_control->effectivelyVisible());
}

void ControlViewBase::applyGeometry() {
    const ui::Control& c = *m_control;
    m_widget->setGeometry(
        m_window.mapper().map(c.absoluteLeft(), c.absoluteTop(), c.width(), c.height()));
    m_window.scheduleRestack();
}

bool ControlViewBase::eventFilter(QObject* watched, QEvent* event) {
    if (!m_control) return false;
    switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut: {
            // Only focus moves inside the window count; switching windows or opening a menu
            // is not a focus change of the control.
            auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) break;
            if (watched != m_widget) break;
            if (event->type() == QEvent::FocusIn)
                m_control->userGotFocus();
            else
                m_control->userLostFocus();
            break;
        }
        case QEvent::MouseButtonPress: {
            if (!reportsMouseDown()) break;
            auto* me = static_cast<QMouseEvent*>(event);
            int button = me->button() == Qt::RightButton    ? 2
                         : me->button() == Qt::MiddleButton ? 4
                                                            : 1;
            m_control->userMouseDown(button);
            break;
        }
        case QEvent::MouseButtonDblClick:
            if (m_control->onDblClick) m_control->onDblClick();
            break;
        default:
            break;
    }
    return false;
}

}  // namespace lirafok::qt

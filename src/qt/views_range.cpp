#include "qt/views_range.h"

#include <QWheelEvent>

#include <algorithm>

#include <QApplication>
#include <QBoxLayout>
#include <QEvent>
#include <QIconEngine>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QTimer>

#include "device/mm_control.h"
#include "qt/form_window.h"
#include "qt/qt_convert.h"

namespace lirafok::qt {

// --- SpinButtonView ---

SpinButtonView::SpinButtonView(ui::Control& c, FormWindow& w) : ControlViewBase(c, w) {
    auto* box = new QWidget(parentWidget());
    m_up = new QToolButton(box);
    m_down = new QToolButton(box);
    for (QToolButton* b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(400);
        b->setAutoRepeatInterval(120);
        b->setFocusPolicy(Qt::NoFocus);
    }
    m_up->setObjectName(QStringLiteral("up"));
    m_down->setObjectName(QStringLiteral("down"));
    setWidget(box);
    connect(m_up, &QToolButton::clicked, this, [this] {
        if (m_control && !m_applying) static_cast<ui::SpinButton*>(m_control)->userSpinUp();
    });
    connect(m_down, &QToolButton::clicked, this, [this] {
        if (m_control && !m_applying) static_cast<ui::SpinButton*>(m_control)->userSpinDown();
    });
}

void SpinButtonView::applyGeometry() {
    ControlViewBase::applyGeometry();
    const QRect r = m_widget->rect();
    const bool vertical = r.height() >= r.width();
    m_up->setArrowType(vertical ? Qt::UpArrow : Qt::RightArrow);
    m_down->setArrowType(vertical ? Qt::DownArrow : Qt::LeftArrow);
    if (vertical) {
        const int half = r.height() / 2;
        m_up->setGeometry(0, 0, r.width(), half);
        m_down->setGeometry(0, half, r.width(), r.height() - half);
    } else {
        const int half = r.width() / 2;
        m_down->setGeometry(0, 0, half, r.height());
        m_up->setGeometry(half, 0, r.width() - half, r.height());
    }
}

void SpinButtonView::applyColors() {
    QPalette pal = m_widget->palette();
    setBackRole(pal, QPalette::Button, toQColor(m_control->backColor()));
    setTextRole(pal, QPalette::ButtonText, toQColor(m_control->foreColor()));
    m_widget->setPalette(pal);
}

bool SpinButtonView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel && m_control && m_control->effectivelyEnabled()) {
        const int dy = static_cast<QWheelEvent*>(event)->angleDelta().y();
        auto* spin = static_cast<ui::SpinButton*>(m_control);
        if (dy > 0) spin->userSpinUp();
        if (dy < 0) spin->userSpinDown();
        return true;
    }
    return ControlViewBase::eventFilter(watched, event);
}

// --- ScrollBarView ---

ScrollBarView::ScrollBarView(ui::Control& c, FormWindow& w) : ControlViewBase(c, w) {
    auto& sb = static_cast<ui::ScrollBar&>(c);
    auto* sbw = new QScrollBar(sb.vertical() ? Qt::Vertical : Qt::Horizontal, parentWidget());
    sbw->setTracking(false);
    setWidget(sbw);
    connect(sbw, &QScrollBar::valueChanged, this, [this](int v) {
        if (!m_control || m_applying) return;
        static_cast<ui::ScrollBar*>(m_control)->userScroll(v);
    });
    connect(sbw, &QScrollBar::sliderReleased, this, [this] {
        // A drag that ended where it began changes nothing; show the program's value again.
        QTimer::singleShot(0, this, [this] {
            if (!m_control || bar()->isSliderDown()) return;
            Applying guard(m_applying);
            applyValue();
        });
    });
}

void ScrollBarView::applyRange() {
    auto& sb = static_cast<ui::ScrollBar&>(*m_control);
    QSignalBlocker block(bar());
    bar()->setRange(sb.min(), sb.max());
    bar()->setSingleStep(1);
    bar()->setPageStep(std::max(1, (sb.max() - sb.min()) / 10));
    applyValue();
}

void ScrollBarView::applyValue() {
    if (bar()->isSliderDown()) return;
    QSignalBlocker block(bar());
    bar()->setValue(static_cast<ui::ScrollBar*>(m_control)->value());
}

// --- MMControlView ---

namespace {

using device::TransportButton;
constexpr std::array<TransportButton, MMControlView::kButtons> kOrder = {
    TransportButton::Prev,  TransportButton::Next, TransportButton::Play,
    TransportButton::Pause, TransportButton::Stop, TransportButton::Eject};

// The style has no eject symbol: a triangle over a bar, in the button's text colour, painted at
// the size and device pixel ratio asked for, so it stays sharp on any screen.
class EjectIconEngine : public QIconEngine {
public:
    explicit EjectIconEngine(const QPalette& pal) : m_pal(pal) {}

    void paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const QColor c = m_pal.color(
            mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active, QPalette::ButtonText);
        // Drawn on a 32-unit square centred in `rect`.
        const qreal side = std::min(rect.width(), rect.height());
        p->save();
        p->translate(rect.x() + (rect.width() - side) / 2.0, rect.y() + (rect.height() - side) / 2.0);
        p->scale(side / 32.0, side / 32.0);
        p->setRenderHint(QPainter::Antialiasing);
        p->setPen(Qt::NoPen);
        p->setBrush(c);
        QPainterPath tri;
        tri.moveTo(16, 5);
        tri.lineTo(28, 19);
        tri.lineTo(4, 19);
        tri.closeSubpath();
        p->drawPath(tri);
        p->drawRect(QRectF(4, 23, 24, 4));
        p->restore();
    }
    // QIcon asks for the size in device pixels and sets the pixel ratio itself.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }
    QIconEngine* clone() const override { return new EjectIconEngine(m_pal); }

private:
    QPalette m_pal;
};

}  // namespace

MMControlView::MMControlView(ui::Control& c, FormWindow& w) : ControlViewBase(c, w) {
    auto* row = new QWidget(parentWidget());
    QStyle* style = QApplication::style();
    const QStyle::StandardPixmap pix[] = {QStyle::SP_MediaSkipBackward, QStyle::SP_MediaSkipForward,
                                          QStyle::SP_MediaPlay, QStyle::SP_MediaPause,
                                          QStyle::SP_MediaStop};
    const char* names[] = {"Prev", "Next", "Play", "Pause", "Stop", "Eject"};
    // The keys are the main window's (its Form_KeyDown) and the keyboard's media keys.
    const char* tips[] = {"前の曲 (↑)",       "次の曲 (↓)", "再生 (Space)",
                          "一時停止 (Space)", "停止",       "取り出し"};
    for (int i = 0; i < kButtons; ++i) {
        auto* b = new QToolButton(row);
        b->setObjectName(QString::fromLatin1(names[i]));
        b->setToolTip(QString::fromUtf8(tips[i]));
        b->setIcon(i < 5 ? style->standardIcon(pix[i])
                         : QIcon(new EjectIconEngine(row->palette())));
        b->setFocusPolicy(Qt::StrongFocus);
        b->setAutoRaise(false);
        b->installEventFilter(this);
        m_buttons[static_cast<std::size_t>(i)] = b;
        const TransportButton which = kOrder[static_cast<std::size_t>(i)];
        connect(b, &QToolButton::clicked, this, [this, which] {
            if (!m_control || m_applying) return;
            mm().userButton(which);
            if (m_control) {
                Applying guard(m_applying);
                applyButtons();
            }
        });
    }
    setWidget(row);
}

device::MMControl& MMControlView::mm() const {
    return static_cast<device::MMControl&>(*m_control);
}

void MMControlView::applyGeometry() {
    ControlViewBase::applyGeometry();
    layoutButtons();
}

void MMControlView::layoutButtons() {
    const QRect r = m_widget->rect();
    int x = 0;
    for (int i = 0; i < kButtons; ++i) {
        // Spread the remainder so the row fills the control exactly.
        int next = r.width() * (i + 1) / kButtons;
        QToolButton* b = button(i);
        b->setGeometry(x, 0, next - x, r.height());
        int side = std::max(8, std::min(next - x, r.height()) - 10);
        b->setIconSize(QSize(side, side));
        x = next;
    }
}

void MMControlView::applyButtons() {
    for (int i = 0; i < kButtons; ++i)
        button(i)->setEnabled(mm().buttonEnabled(kOrder[static_cast<std::size_t>(i)]));
}

void MMControlView::applyEnabled() {
    ControlViewBase::applyEnabled();
    applyButtons();
}

void MMControlView::applyColors() {
    QPalette pal = m_widget->palette();
    setBackRole(pal, QPalette::Button, toQColor(m_control->backColor()));
    m_widget->setPalette(pal);
}

bool MMControlView::eventFilter(QObject* watched, QEvent* event) {
    if (!m_control) return false;
    if (event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
            static_cast<QToolButton*>(watched)->animateClick();
            return true;
        }
    }
    if (event->type() == QEvent::FocusOut && watched == button(4)) {
        auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            mm().onStopLostFocus)
            mm().onStopLostFocus();
        return false;
    }
    return ControlViewBase::eventFilter(watched, event);
}

// --- MenuView ---

MenuView::MenuView(ui::Control& c, QAction* action, bool topLevel)
    : ViewHandle(c), m_action(action), m_topLevel(topLevel) {
    if (!topLevel && !action->menu()) action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this] {
        if (!m_control) return;
        m_control->userClick();
        if (m_control) update(ui::Prop::Checked);
    });
}

void MenuView::detach() {
    ViewHandle::detach();
    m_action->disconnect(this);
}

void MenuView::applyAll() {
    for (ui::Prop p : {ui::Prop::Caption, ui::Prop::Visible, ui::Prop::Enabled, ui::Prop::Checked})
        update(p);
}

void MenuView::update(ui::Prop what) {
    if (!m_control) return;
    auto& menu = static_cast<ui::Menu&>(*m_control);
    switch (what) {
        case ui::Prop::Caption: {
            const QString text = toQ(menu.caption());
            m_action->setSeparator(text == QStringLiteral("-"));
            m_action->setText(text);
            break;
        }
        case ui::Prop::Visible:
            m_action->setVisible(menu.visible());
            break;
        case ui::Prop::Enabled:
            m_action->setEnabled(menu.enabled());
            break;
        case ui::Prop::Checked:
            if (m_action->isCheckable()) {
                QSignalBlocker block(m_action);
                m_action->setChecked(menu.checked());
            }
            break;
        default:
            break;
    }
}

}  // namespace lirafok::qt

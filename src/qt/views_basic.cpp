#include "qt/views_basic.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <qdrawutil.h>

#include "qt/form_window.h"
#include "qt/qt_convert.h"

namespace lirafok::qt {

// 0 left and 2 centre as plain labels number them; 1 to 8 as the three-dimensional panels do
// (left, right, centre, each top, middle, bottom), so 1 is left too.
Qt::Alignment horizontalAlignment(int a) {
    switch (a) {
        case 3:
        case 4:
        case 5:
            return Qt::AlignRight;
        case 2:
        case 6:
        case 7:
        case 8:
            return Qt::AlignHCenter;
        default:
            return Qt::AlignLeft;
    }
}

// --- KeyButton ---

void KeyButton::keyPressEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
        e->modifiers() == Qt::NoModifier) {
        animateClick();
        return;
    }
    QPushButton::keyPressEvent(e);
}

// --- PanelWidget ---

void PanelWidget::setText(const QString& t) {
    if (t == m_text) return;
    m_text = t;
    update();
}

void PanelWidget::setBevel(Bevel b) {
    m_bevel = b;
    update();
}

void PanelWidget::setTextAlignment(Qt::Alignment a) {
    m_align = a;
    update();
}

void PanelWidget::setLabelStyle(bool label) {
    m_label = label;
    update();
}

void PanelWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Window));
    int inset = 0;
    if (m_bevel != Bevel::None && width() > 2 && height() > 2) {
        qDrawShadePanel(&p, rect(), pal, m_bevel == Bevel::Sunken, 1);
        inset = 1;
    }
    if (m_text.isEmpty()) return;
    QRect r = rect().adjusted(inset + 2, inset, -(inset + 2), -inset);
    p.setPen(pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    QString text = m_text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    int flags = int(m_align);
    const int lineHeight = QFontMetrics(font()).height();
    if (m_label) {
        flags |= Qt::AlignTop | Qt::TextWordWrap;
        p.setFont(font());
    } else {
        flags |= Qt::AlignVCenter;
        // Wrap only where a second line has room; a one-line field keeps its text on one line
        // and, when it is too long, a smaller size of the same face.
        if (r.height() >= 2 * lineHeight || text.contains(QLatin1Char('\n'))) {
            flags |= Qt::TextWordWrap;
            p.setFont(font());
        } else {
            p.setFont(fitToWidth(font(), text, r.width()));
        }
    }
    p.setClipRect(rect().adjusted(inset, inset, -inset, -inset));
    p.drawText(r, flags, text);
}

// --- LineWidget ---

void LineWidget::setColor(const QColor& c) {
    m_color = c;
    update();
}

void LineWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(QPen(m_color, 1));
    if (height() <= 2)
        p.drawLine(0, 0, width() - 1, 0);
    else if (width() <= 2)
        p.drawLine(0, 0, 0, height() - 1);
    else
        p.drawLine(0, 0, width() - 1, height() - 1);
}

// --- ButtonView ---

ButtonView::ButtonView(ui::Control& c, FormWindow& w) : ControlViewBase(c, w) {
    auto* b = new KeyButton(parentWidget());
    b->setAutoDefault(false);
    setWidget(b);
    connect(b, &QPushButton::clicked, this, [this] {
        if (m_control && !m_applying) m_control->userClick();
        // A refused press leaves the mode as it was: the pressed look follows the state, not
        // the click.
        if (m_control && m_widget) applyColors();
    });
}

void ButtonView::applyColors() {
    ControlViewBase::applyColors();
    if (!m_control->showsModeState()) return;
    button()->setCheckable(true);
    button()->setChecked(m_control->foreColor() != ui::kBlack);
}

void ButtonView::applyCaption() {
    button()->setText(toQ(m_control->caption()));
    applyFont();
}

void ButtonView::applyFont() {
    // Small grid buttons keep their whole caption: a long caption gets a smaller size.
    const int room = m_widget->width() - 6;
    m_widget->setFont(fitToWidth(resolveFont(m_control->font()), button()->text(), room));
}

void ButtonView::applyGeometry() {
    ControlViewBase::applyGeometry();
    applyFont();
}

// --- PanelView ---

PanelView::PanelView(ui::Control& c, FormWindow& w) : ControlViewBase(c, w) {
    auto* p = new PanelWidget(parentWidget());
    p->setLabelStyle(c.kind() == ui::ControlKind::Label);
    setWidget(p);
}

void PanelView::applyCaption() {
    panel()->setText(toQ(m_control->caption()));
    FontPurpose purpose =
        looksLikeDigits(panel()->text()) ? FontPurpose::Digits : FontPurpose::Text;
    if (purpose != m_purpose && !panel()->text().isEmpty()) {
        m_purpose = purpose;
        applyFont();
    }
}

void PanelView::applyFont() {
    QFont f = resolveFont(m_control->font(), m_purpose);  // sized in pixels
    const double zoom = m_control->form().fontZoom();
    if (zoom != 1) f.setPixelSize(std::max(1, static_cast<int>(f.pixelSize() * zoom + 0.5)));
    if (m_control->fitsTextToHeight() && m_widget->height() > 0) {
        // The glyphs' em and a tenth of it as air, so stacked lines never touch.
        const int room = static_cast<int>(m_widget->height() / 1.1);
        if (f.pixelSize() > room) f.setPixelSize(std::max(6, room));
    }
    m_widget->setFont(f);
}

void PanelView::applyGeometry() {
    ControlViewBase::applyGeometry();
    if (m_control->fitsTextToHeight()) applyFont();
}

void PanelView::applyColors() {
    ControlViewBase::applyColors();
    const bool label = m_control->kind() == ui::ControlKind::Label;
    if (label || m_control->flat()) {
        panel()->setBevel(PanelWidget::Bevel::None);
    } else {
        // Dark display fields look recessed like a device's display window; light panels
        // stand out like the frames around them.
        bool dark = toQColor(m_control->backColor()).lightness() < 96;
        panel()->setBevel(dark ? PanelWidget::Bevel::Sunken : PanelWidget::Bevel::Raised);
    }
    panel()->update();
}

void PanelView::applyAlignment() {
    panel()->setTextAlignment(horizontalAlignment(m_control->alignment()));
}

// --- FrameView ---

FrameView::FrameView(ui::Control& c, FormWindow& w) : ControlViewBase(c, w) {
    auto* g = new QGroupBox(parentWidget());
    g->setAutoFillBackground(true);
    g->setFocusPolicy(Qt::NoFocus);
    setWidget(g);
}

void FrameView::applyCaption() {
    box()->setTitle(toQ(m_control->caption()));
}

// --- LineView ---

LineView::LineView(ui::Control& c, FormWindow& w) : ControlViewBase(c, w) {
    auto* l = new LineWidget(parentWidget());
    l->setAttribute(Qt::WA_TransparentForMouseEvents);
    setWidget(l);
}

void LineView::applyGeometry() {
    const ui::Control& c = *m_control;
    QRect r = m_window.mapper().map(c.left(), c.top(), c.width(), c.height());
    if (r.width() < 1) r.setWidth(1);
    if (r.height() < 1) r.setHeight(1);
    m_widget->setGeometry(r);
    m_window.scheduleRestack();
}

void LineView::applyColors() {
    static_cast<LineWidget*>(m_widget.data())->setColor(toQColor(m_control->foreColor()));
}

}  // namespace lirafok::qt

#include "qt/views_cdg.h"

#include <QPaintEvent>
#include <QPainter>

#include "qt/form_window.h"
#include "ui/cdg_picture.h"

namespace lirafok::qt {

namespace {
// The picture fills a television frame: 4 wide for 3 high.
constexpr int kAspectW = 4, kAspectH = 3;
}  // namespace

CdgWidget::CdgWidget(QWidget* parent)
    : QWidget(parent), m_image(cdg::kWidth, cdg::kHeight, QImage::Format_RGB32) {
    m_image.fill(Qt::black);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect CdgWidget::pictureRect() const {
    const int w = width(), h = height();
    int pw = w, ph = w * kAspectH / kAspectW;
    if (ph > h) {
        ph = h;
        pw = h * kAspectW / kAspectH;
    }
    return QRect((w - pw) / 2, (h - ph) / 2, pw, ph);
}

void CdgWidget::setScreen(const cdg::Screen* screen) {
    if (!screen) {
        m_image.fill(Qt::black);
        m_blank = true;
        update();
        return;
    }
    // Only the rows and columns that changed are repainted: a karaoke wipe touches a tile or
    // two at a time, and a full repaint at 1920 x 1080 costs far more than the decoding.
    std::array<QRgb, cdg::kColours> lut;
    for (int i = 0; i < cdg::kColours; ++i)
        lut[static_cast<std::size_t>(i)] =
            0xFF000000u | cdg::Screen::toRgb(screen->colours[static_cast<std::size_t>(i)]);
    int left = cdg::kWidth, right = -1, top = cdg::kHeight, bottom = -1;
    for (int y = 0; y < cdg::kHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(m_image.scanLine(y));
        const std::uint8_t* src = screen->pixels.data() + static_cast<std::size_t>(y) * cdg::kWidth;
        for (int x = 0; x < cdg::kWidth; ++x) {
            const QRgb c = lut[src[x]];
            if (row[x] == c) continue;
            row[x] = c;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (m_blank) {
        m_blank = false;
        update();
        return;
    }
    if (right < 0) return;
    // The changed pixels mapped onto the widget, one pixel wider for smooth scaling.
    const QRect r = pictureRect();
    const int x0 = r.x() + left * r.width() / cdg::kWidth - 1;
    const int x1 = r.x() + (right + 1) * r.width() / cdg::kWidth + 1;
    const int y0 = r.y() + top * r.height() / cdg::kHeight - 1;
    const int y1 = r.y() + (bottom + 1) * r.height() / cdg::kHeight + 1;
    update(QRect(QPoint(x0, y0), QPoint(x1, y1)));
}

void CdgWidget::setSmooth(bool smooth) {
    if (smooth == m_smooth) return;
    m_smooth = smooth;
    update();
}

void CdgWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect r = pictureRect();
    const QRegion outside = QRegion(event->rect()) - QRegion(r);
    for (const QRect& band : outside) p.fillRect(band, Qt::black);
    p.setRenderHint(QPainter::SmoothPixmapTransform, m_smooth);
    p.setClipRect(event->rect());
    p.drawImage(r, m_image);
    ++m_paints;
}

CdgPictureView::CdgPictureView(ui::Control& c, FormWindow& w) : ControlViewBase(c, w) {
    setWidget(new CdgWidget(parentWidget()));
}

void CdgPictureView::applyGeometry() {
    if (m_window.isFullScreen() || (m_window.form() && m_window.form()->fullScreen())) {
        m_widget->setGeometry(m_window.client()->rect());
        return;
    }
    ControlViewBase::applyGeometry();
}

void CdgPictureView::applyValue() {
    auto& c = static_cast<ui::CdgPicture&>(*m_control);
    picture()->setSmooth(c.smooth());
    picture()->setScreen(c.screen());
}

}  // namespace lirafok::qt

#include "qt/twip_mapper.h"

#include <algorithm>
#include <cmath>

#include "ui/form.h"

namespace lirafok::qt {

int twipsToPixels(double twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

TwipMapper TwipMapper::forForm(const ui::Form& form) {
    QSize inner(std::max(0, twipsToPixels(form.innerWidth())),
                std::max(0, twipsToPixels(form.innerHeight())));
    if (!form.customScale()) return TwipMapper(inner, 0, 0, 0, 0);
    return TwipMapper(inner, form.scaleLeft(), form.scaleTop(), form.scaleWidth(),
                      form.scaleHeight());
}

TwipMapper::TwipMapper(QSize innerPixels, double scaleLeft, double scaleTop, double scaleWidth,
                       double scaleHeight)
    : m_inner(innerPixels), m_originX(scaleLeft), m_originY(scaleTop) {
    if (scaleWidth > 0) m_pxPerUnitX = innerPixels.width() / scaleWidth;
    if (scaleHeight > 0) m_pxPerUnitY = innerPixels.height() / scaleHeight;
}

TwipMapper TwipMapper::resized(QSize innerPixels) const {
    TwipMapper m = *this;
    m.m_inner = innerPixels;
    return m;
}

QRect TwipMapper::map(double left, double top, double width, double height) const {
    auto px = [](double v) { return static_cast<int>(std::lround(v)); };
    int x1 = px((left - m_originX) * m_pxPerUnitX);
    int y1 = px((top - m_originY) * m_pxPerUnitY);
    int x2 = px((left + width - m_originX) * m_pxPerUnitX);
    int y2 = px((top + height - m_originY) * m_pxPerUnitY);
    return QRect(x1, y1, std::max(0, x2 - x1), std::max(0, y2 - y1));
}

}  // namespace lirafok::qt

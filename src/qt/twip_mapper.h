#pragma once
// Maps a form's inner coordinate system to pixels of its client area.
//
// Without a custom scale, coordinates are twips from the inner top-left corner at 15 twips
// per pixel. A custom scale (ScaleLeft, ScaleTop, ScaleWidth, ScaleHeight) covers the inner
// area as it is when the scale is set; resizing the window afterwards keeps the unit, so
// controls stay where they are and keep their size, as they always did on a resize.
#include <QRect>
#include <QSize>

namespace lirafok::ui {
class Form;
}

namespace lirafok::qt {

inline constexpr int kTwipsPerPixel = 15;

// Twips to whole pixels, rounded to the nearest.
int twipsToPixels(double twips);

class TwipMapper {
public:
    TwipMapper() = default;
    // The inner area's size follows the form's outer size minus the non-client frame.
    static TwipMapper forForm(const ui::Form& form);
    // An inner area of `innerPixels` with the given scale rectangle (width/height <= 0: twips).
    TwipMapper(QSize innerPixels, double scaleLeft, double scaleTop, double scaleWidth,
               double scaleHeight);

    QSize innerPixels() const { return m_inner; }
    // The same units and origin for an inner area of another size.
    TwipMapper resized(QSize innerPixels) const;
    // A control's rectangle. Edges are rounded separately, so neighbours that touch in the
    // model touch on screen.
    QRect map(double left, double top, double width, double height) const;
    bool operator==(const TwipMapper&) const = default;

private:
    QSize m_inner;
    double m_originX = 0, m_originY = 0;
    double m_pxPerUnitX = 1.0 / kTwipsPerPixel, m_pxPerUnitY = 1.0 / kTwipsPerPixel;
};

}  // namespace lirafok::qt

#pragma once
// The view of the CD+G picture: the 300 x 216 screen scaled into the control at 4:3, centred on
// black, sharp (nearest neighbour) or smooth.
#include <QImage>
#include <QWidget>
#include <array>

#include "cdg/screen.h"
#include "qt/control_view.h"

namespace lirafok::qt {

class CdgWidget : public QWidget {
    Q_OBJECT
public:
    explicit CdgWidget(QWidget* parent);
    // Takes the picture of `screen` (nullptr: black) and repaints the part that changed at the
    // next screen refresh.
    void setScreen(const cdg::Screen* screen);
    void setSmooth(bool smooth);
    // Where the 300 x 216 picture lands in the widget.
    QRect pictureRect() const;
    const QImage& image() const { return m_image; }
    // Pictures painted so far (measurements).
    std::uint64_t paints() const { return m_paints; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;  // 300 x 216, RGB32
    bool m_blank = true;
    bool m_smooth = false;
    std::uint64_t m_paints = 0;
};

class CdgPictureView : public ControlViewBase {
    Q_OBJECT
public:
    CdgPictureView(ui::Control& c, FormWindow& w);
    CdgWidget* picture() const { return static_cast<CdgWidget*>(m_widget.data()); }
    // Full screen: the picture fills the whole client area.
    void applyGeometry() override;

protected:
    void applyValue() override;
};

}  // namespace lirafok::qt

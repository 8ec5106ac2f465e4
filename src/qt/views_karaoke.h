#pragma once
// The view of the karaoke screen: the two lines drawn large on the background colour, the
// wipe's edge placed for the lyric time read at the moment each frame is drawn.
//
// Each line shown is drawn once into two pictures, one in the colour of lines to come and one
// in the colour of the wipe; a frame then only copies the two, cut at the edge (and, in the
// readings above, at the point of each reading that matches the edge below it). Only the
// strip the edge crossed since the last frame is drawn again, so a frame at 1920 x 1080 costs
// a few thousand pixels, not two million.
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <vector>

#include "qt/control_view.h"
#include "ui/karaoke_screen.h"

namespace lirafok::qt {

class KaraokeWidget : public QWidget {
    Q_OBJECT
public:
    explicit KaraokeWidget(QWidget* parent);

    void setScene(const ui::KaraokeScene* scene);
    void setColours(const ui::KaraokeColours& colours);
    void setFontFace(const ui::Font& font);
    // The lyric time now (read at every frame).
    void setClock(std::function<std::int32_t()> clock) { m_clock = std::move(clock); }
    // A tick: draws, at the next chance, what moved since the last frame.
    void advance();
    // A click on a row (after the double-click time, so that a double click does not seek).
    std::function<void(int row)> onRowClick;

    // Every frame drawn: when it was finished (steady clock, ns), the lyric time it was drawn
    // for, and the wipe's edge in pixels of the row being sung (-1: none). Measurements.
    struct FrameRecord {
        std::int64_t doneNs;
        std::int32_t drawnFor;
        double edge;
    };
    std::function<void(const FrameRecord&)> onFrame;
    std::uint64_t frames() const { return m_frames; }

    // Where row r's line sits (widget pixels) and its edge at lyric time t; tests.
    QRect rowRect(int row) const;
    double edgeAt(int row, std::int32_t t) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // One line drawn into two pictures, and where its pieces and readings lie in them.
    struct RowPicture {
        int line = -1;  // scene line; -1: nothing
        QImage coming, sung, passed;
        std::vector<double> pieceX;  // left edge of each piece, and the right end last
        struct RubyPlace {
            double baseLeft, baseRight, left, right;
        };
        std::vector<RubyPlace> rubies;
        int rubyHeight = 0;  // the band of readings at the top of the pictures
        QPoint at;           // top left in the widget
    };
    void layoutRow(int row, int line);
    RowPicture buildRow(int row, int line) const;
    void prepareAhead(std::int32_t t);
    void invalidateRows();
    double baseEdge(const RowPicture& r, double wiped) const;
    QRect dirtyFor(int row, double fromEdge, double toEdge) const;
    void paintRow(QPainter& p, int row, const ui::KaraokeRowFrame& f, const QRect& area);
    void paintTitle(QPainter& p);
    void paintDots(QPainter& p, int row, int dots);
    int mainPixels() const;

    const ui::KaraokeScene* m_scene = nullptr;
    ui::KaraokeColours m_colours;
    ui::Font m_font;
    std::function<std::int32_t()> m_clock;
    std::array<RowPicture, 2> m_rows;
    std::map<int, RowPicture> m_ready;  // lines about to appear, drawn ahead
    ui::KaraokeFrame m_painted;         // what the last frame showed
    std::array<double, 2> m_paintedEdge{{-1, -1}};
    bool m_fullRepaint = true;
    std::uint64_t m_frames = 0;
    QTimer m_clickDelay;
    int m_pendingRow = -1;
};

class KaraokeScreenView : public ControlViewBase {
    Q_OBJECT
public:
    KaraokeScreenView(ui::Control& c, FormWindow& w);
    KaraokeWidget* screen() const { return static_cast<KaraokeWidget*>(m_widget.data()); }
    void applyGeometry() override;
    void detach() override;

protected:
    void applyItems() override;
    void applyValue() override;
    void applyColors() override;
    void applyFont() override;
    bool reportsMouseDown() const override { return false; }
};

}  // namespace lirafok::qt

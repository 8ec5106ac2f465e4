#include "qt/views_karaoke.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cmath>

#include "qt/font_resolver.h"
#include "qt/form_window.h"
#include "qt/qt_convert.h"

namespace lirafok::qt {

namespace {

// Sizes as parts of the screen's height, so that the lines fill a television as they fill a
// small window.
constexpr double kMainPart = 0.10;  // the lyric's characters
constexpr double kRubyPart = 0.45;  // readings, of the lyric's size
constexpr double kMargin = 0.05;    // left and right, of the width
constexpr double kLowerBottom = 0.93;
constexpr double kRowGap = 0.30;  // between the rows, of the lyric's size

// Characters (code points) of a QString: the index in the string where each one starts, and
// the length at the end.
std::vector<int> charStarts(const QString& s) {
    std::vector<int> out;
    for (int i = 0; i < s.size(); ++i) {
        out.push_back(i);
        if (s.at(i).isHighSurrogate() && i + 1 < s.size()) ++i;
    }
    out.push_back(static_cast<int>(s.size()));
    return out;
}

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

KaraokeWidget::KaraokeWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_clickDelay.setSingleShot(true);
    connect(&m_clickDelay, &QTimer::timeout, this, [this] {
        if (m_pendingRow >= 0 && onRowClick) onRowClick(m_pendingRow);
        m_pendingRow = -1;
    });
}

int KaraokeWidget::mainPixels() const {
    return std::max(12, static_cast<int>(height() * kMainPart));
}

void KaraokeWidget::setScene(const ui::KaraokeScene* scene) {
    m_scene = scene;
    invalidateRows();
}

void KaraokeWidget::setColours(const ui::KaraokeColours& colours) {
    m_colours = colours;
    invalidateRows();
}

void KaraokeWidget::setFontFace(const ui::Font& font) {
    m_font = font;
    invalidateRows();
}

void KaraokeWidget::invalidateRows() {
    for (RowPicture& r : m_rows) r = RowPicture{};
    m_ready.clear();
    m_fullRepaint = true;
    update();
}

void KaraokeWidget::resizeEvent(QResizeEvent*) {
    invalidateRows();
}

QRect KaraokeWidget::rowRect(int row) const {
    const RowPicture& r = m_rows[static_cast<std::size_t>(row & 1)];
    if (r.line < 0) return {};
    return QRect(r.at, r.coming.size());
}

void KaraokeWidget::layoutRow(int row, int line) {
    RowPicture& r = m_rows[static_cast<std::size_t>(row & 1)];
    if (const auto ready = m_ready.find(line); ready != m_ready.end()) {
        r = std::move(ready->second);
        m_ready.erase(ready);
        return;
    }
    r = buildRow(row, line);
}

void KaraokeWidget::prepareAhead(std::int32_t t) {
    // One line a tick, the next to appear within the coming second and a half: its pictures
    // are drawn while nothing else is, not in the frame that shows it.
    for (std::size_t i = 0; i < m_scene->lines.size(); ++i) {
        const ui::KaraokeLine& l = m_scene->lines[i];
        if (l.appear <= t || l.appear > t + 1500) continue;
        const int line = static_cast<int>(i);
        if (m_ready.count(line) || m_rows[0].line == line || m_rows[1].line == line) continue;
        m_ready.emplace(line, buildRow(l.row, line));
        return;
    }
}

KaraokeWidget::RowPicture KaraokeWidget::buildRow(int row, int line) const {
    RowPicture r;
    r.line = line;
    if (!m_scene || line < 0 || line >= static_cast<int>(m_scene->lines.size())) {
        r.line = -1;
        return r;
    }
    const ui::KaraokeLine& l = m_scene->lines[static_cast<std::size_t>(line)];
    QFont font = resolveFont(m_font);
    font.setPixelSize(mainPixels());
    const QString text = QString::fromStdString(l.text());
    const double room = width() * (1 - 2 * kMargin);
    {
        // A line too long for the screen is drawn smaller.
        const double w = QFontMetricsF(font).horizontalAdvance(text);
        if (w > room && w > 0)
            font.setPixelSize(std::max(8, static_cast<int>(mainPixels() * room / w)));
    }
    QFont rubyFont = font;
    rubyFont.setPixelSize(std::max(6, static_cast<int>(font.pixelSize() * kRubyPart)));
    const QFontMetricsF fm(font), rm(rubyFont);
    const int rubyH =
        l.rubies.empty() ? static_cast<int>(rm.height() * 0.6) : static_cast<int>(rm.height());
    r.rubyHeight = rubyH;
    const double pad = rm.height();  // readings may stand out at either end
    const int w = static_cast<int>(std::ceil(fm.horizontalAdvance(text) + 2 * pad));
    const int h = static_cast<int>(std::ceil(rubyH + fm.height()));

    QString prefix;
    for (const ui::KaraokePiece& p : l.pieces) {
        r.pieceX.push_back(pad + fm.horizontalAdvance(prefix));
        prefix += QString::fromStdString(p.text);
    }
    r.pieceX.push_back(pad + fm.horizontalAdvance(prefix));

    const std::vector<int> starts = charStarts(text);
    auto charX = [&](std::size_t c) {
        c = std::min(c, starts.size() - 1);
        return pad + fm.horizontalAdvance(text.left(starts[c]));
    };
    for (const ui::KaraokeRubySpan& s : l.rubies) {
        RowPicture::RubyPlace place;
        place.baseLeft = charX(s.first);
        place.baseRight = charX(s.first + s.length);
        const double rw = rm.horizontalAdvance(QString::fromStdString(s.reading));
        const double mid = (place.baseLeft + place.baseRight) / 2;
        place.left = mid - rw / 2;
        place.right = mid + rw / 2;
        r.rubies.push_back(place);
    }

    auto draw = [&](QImage& img, ui::Color colour) {
        img = QImage(std::max(1, w), std::max(1, h), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setPen(toQColor(colour));
        p.setFont(font);
        p.drawText(QPointF(pad, rubyH + fm.ascent()), text);
        p.setFont(rubyFont);
        for (std::size_t i = 0; i < l.rubies.size(); ++i)
            p.drawText(QPointF(r.rubies[i].left, rm.ascent()),
                       QString::fromStdString(l.rubies[i].reading));
    };
    draw(r.coming, m_colours.coming);
    draw(r.sung, m_colours.current);
    draw(r.passed, m_colours.passed);

    const int lowerTop = static_cast<int>(height() * kLowerBottom) - h;
    const int upperTop = lowerTop - static_cast<int>(mainPixels() * kRowGap) - h;
    const int margin = static_cast<int>(width() * kMargin);
    if ((row & 1) == 0)
        r.at = QPoint(margin - static_cast<int>(pad), upperTop);
    else
        r.at = QPoint(width() - margin - w + static_cast<int>(pad), lowerTop);
    return r;
}

double KaraokeWidget::baseEdge(const RowPicture& r, double wiped) const {
    if (r.pieceX.size() < 2) return 0;
    const auto pieces = r.pieceX.size() - 1;
    const double whole = std::floor(wiped);
    if (whole >= static_cast<double>(pieces)) return r.pieceX.back();
    const auto i = static_cast<std::size_t>(std::max(0.0, whole));
    return r.pieceX[i] + (wiped - whole) * (r.pieceX[i + 1] - r.pieceX[i]);
}

double KaraokeWidget::edgeAt(int row, std::int32_t t) const {
    if (!m_scene) return -1;
    const ui::KaraokeFrame f = ui::karaokeFrameAt(*m_scene, t);
    const RowPicture& r = m_rows[static_cast<std::size_t>(row & 1)];
    if (r.line < 0 || f.rows[static_cast<std::size_t>(row & 1)].line != r.line) return -1;
    return r.at.x() + baseEdge(r, f.rows[static_cast<std::size_t>(row & 1)].wiped);
}

QRect KaraokeWidget::dirtyFor(int row, double fromEdge, double toEdge) const {
    const RowPicture& r = m_rows[static_cast<std::size_t>(row & 1)];
    double lo = std::min(fromEdge, toEdge), hi = std::max(fromEdge, toEdge);
    for (const RowPicture::RubyPlace& rp : r.rubies) {
        if (rp.baseRight < lo || rp.baseLeft > hi) continue;
        lo = std::min(lo, rp.left);
        hi = std::max(hi, rp.right);
    }
    return QRect(r.at.x() + static_cast<int>(std::floor(lo)) - 2, r.at.y(),
                 static_cast<int>(std::ceil(hi - lo)) + 4, r.coming.height());
}

void KaraokeWidget::advance() {
    if (!m_scene) {
        if (m_painted.title || m_painted.rows[0].line >= 0 || m_painted.rows[1].line >= 0)
            invalidateRows();
        return;
    }
    if (m_fullRepaint) return;  // a whole frame is on its way
    const std::int32_t t = m_clock ? m_clock() : 0;
    const ui::KaraokeFrame f = ui::karaokeFrameAt(*m_scene, t);
    prepareAhead(t);
    if (f.title != m_painted.title || f.dots != m_painted.dots) {
        m_fullRepaint = true;
        update();
        return;
    }
    for (int row = 0; row < 2; ++row) {
        const auto& now = f.rows[static_cast<std::size_t>(row)];
        const auto& was = m_painted.rows[static_cast<std::size_t>(row)];
        if (now.line != was.line || now.state != was.state) {
            m_fullRepaint = true;
            update();
            return;
        }
        if (now.line < 0 || now.state != ui::LineState::Singing) continue;
        const RowPicture& r = m_rows[static_cast<std::size_t>(row)];
        const double edge = baseEdge(r, now.wiped);
        const double painted = m_paintedEdge[static_cast<std::size_t>(row)];
        if (std::abs(edge - painted) < 0.5) continue;
        // The frame is drawn a moment after this tick: leave room for the edge to move on.
        const double ahead = edge + std::abs(edge - painted) + 4;
        update(dirtyFor(row, painted, ahead));
    }
}

void KaraokeWidget::paintTitle(QPainter& p) {
    if (!m_scene) return;
    QFont font = resolveFont(m_font);
    font.setPixelSize(mainPixels());
    const QRect area = rect().adjusted(width() / 20, 0, -width() / 20, 0);
    p.setPen(toQColor(m_colours.current));
    p.setFont(fitToWidth(font, QString::fromStdString(m_scene->title), area.width()));
    p.drawText(QRect(area.x(), height() * 30 / 100, area.width(), mainPixels() * 3 / 2),
               Qt::AlignCenter, QString::fromStdString(m_scene->title));
    font.setPixelSize(mainPixels() * 6 / 10);
    p.setPen(toQColor(m_colours.coming));
    p.setFont(fitToWidth(font, QString::fromStdString(m_scene->artist), area.width()));
    p.drawText(QRect(area.x(), height() * 50 / 100, area.width(), mainPixels()), Qt::AlignCenter,
               QString::fromStdString(m_scene->artist));
}

void KaraokeWidget::paintDots(QPainter& p, int row, int dots) {
    const RowPicture& r = m_rows[static_cast<std::size_t>(row & 1)];
    if (r.line < 0 || r.pieceX.empty()) return;
    const double d = mainPixels() * 0.3;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(toQColor(m_colours.current));
    const double y = r.at.y() - d * 1.2;
    for (int i = 0; i < dots; ++i)
        p.drawEllipse(QRectF(r.at.x() + r.pieceX.front() + i * d * 1.6, y, d, d));
}

void KaraokeWidget::paintRow(QPainter& p, int row, const ui::KaraokeRowFrame& f, const QRect&) {
    RowPicture& r = m_rows[static_cast<std::size_t>(row & 1)];
    if (f.line < 0 || r.line < 0) return;
    const ui::KaraokeLine& l = m_scene->lines[static_cast<std::size_t>(f.line)];
    switch (f.state) {
        case ui::LineState::Coming:
            p.drawImage(r.at, r.coming);
            m_paintedEdge[static_cast<std::size_t>(row)] = r.pieceX.front();
            return;
        case ui::LineState::Passed:
            p.drawImage(r.at, r.passed);
            return;
        case ui::LineState::Singing:
            break;
    }
    if (!l.wipe) {
        p.drawImage(r.at, r.sung);
        return;
    }
    const double edge = baseEdge(r, f.wiped);
    p.drawImage(r.at, r.coming);
    QRegion sung(QRect(r.at.x(), r.at.y() + r.rubyHeight, static_cast<int>(std::round(edge)),
                       r.coming.height() - r.rubyHeight));
    for (const RowPicture::RubyPlace& rp : r.rubies) {
        double re;
        if (edge <= rp.baseLeft)
            continue;
        else if (edge >= rp.baseRight)
            re = rp.right;
        else
            re = rp.left +
                 (edge - rp.baseLeft) / (rp.baseRight - rp.baseLeft) * (rp.right - rp.left);
        sung += QRect(r.at.x() + static_cast<int>(std::floor(rp.left)), r.at.y(),
                      static_cast<int>(std::round(re - std::floor(rp.left))), r.rubyHeight);
    }
    p.save();
    p.setClipRegion(sung, Qt::IntersectClip);
    p.drawImage(r.at, r.sung);
    p.restore();
    m_paintedEdge[static_cast<std::size_t>(row)] = edge;
}

void KaraokeWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), toQColor(m_colours.background));
    const std::int32_t t = m_clock ? m_clock() : 0;
    ui::KaraokeFrame f;
    if (m_scene) f = ui::karaokeFrameAt(*m_scene, t);
    for (int row = 0; row < 2; ++row) {
        const int line = f.rows[static_cast<std::size_t>(row)].line;
        if (m_rows[static_cast<std::size_t>(row)].line != line ||
            (line >= 0 && m_rows[static_cast<std::size_t>(row)].coming.isNull()))
            layoutRow(row, line);
    }
    if (f.title) paintTitle(p);
    double edge = -1;
    for (int row = 0; row < 2; ++row) {
        const auto i = static_cast<std::size_t>(row);
        const double before = m_paintedEdge[i];
        paintRow(p, row, f.rows[i], event->rect());
        const auto& rf = f.rows[i];
        if (rf.line < 0 || rf.state != ui::LineState::Singing ||
            !m_scene->lines[static_cast<std::size_t>(rf.line)].wipe)
            continue;
        // The edge counts as drawn only when the whole strip it crossed was drawn now.
        const QRect need = dirtyFor(row, before, m_paintedEdge[i]);
        if (!m_fullRepaint && !(QRegion(need) - event->region()).isEmpty())
            m_paintedEdge[i] = before;
        edge = m_rows[i].at.x() + m_paintedEdge[i];
    }
    if (f.dots > 0) paintDots(p, f.dotsRow, f.dots);
    m_painted = f;
    if (event->rect() == rect()) m_fullRepaint = false;
    ++m_frames;
    if (onFrame) onFrame({nowNs(), t, edge});
}

void KaraokeWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    m_pendingRow = -1;
    for (int row = 0; row < 2; ++row)
        if (rowRect(row).contains(event->position().toPoint())) m_pendingRow = row;
    if (m_pendingRow >= 0) m_clickDelay.start(QApplication::doubleClickInterval());
}

void KaraokeWidget::mouseDoubleClickEvent(QMouseEvent*) {
    m_clickDelay.stop();
    m_pendingRow = -1;
}

KaraokeScreenView::KaraokeScreenView(ui::Control& c, FormWindow& w) : ControlViewBase(c, w) {
    auto* widget = new KaraokeWidget(parentWidget());
    setWidget(widget);
    widget->setClock(
        [this] { return m_control ? static_cast<ui::KaraokeScreen*>(m_control)->now() : 0; });
    widget->onRowClick = [this](int row) {
        if (m_control) static_cast<ui::KaraokeScreen*>(m_control)->userClickRow(row);
    };
}

void KaraokeScreenView::detach() {
    // The scene belongs to the control: the widget must not look at it any more.
    if (screen()) screen()->setScene(nullptr);
    ControlViewBase::detach();
}

void KaraokeScreenView::applyGeometry() {
    if (m_window.isFullScreen() || (m_window.form() && m_window.form()->fullScreen())) {
        m_widget->setGeometry(m_window.client()->rect());
        return;
    }
    ControlViewBase::applyGeometry();
}

void KaraokeScreenView::applyItems() {
    screen()->setScene(static_cast<ui::KaraokeScreen&>(*m_control).scene());
}

void KaraokeScreenView::applyValue() {
    screen()->advance();
}

void KaraokeScreenView::applyColors() {
    screen()->setColours(static_cast<ui::KaraokeScreen&>(*m_control).colours());
}

void KaraokeScreenView::applyFont() {
    screen()->setFontFace(m_control->font());
}

}  // namespace lirafok::qt

#include "qt/qt_printer.h"

#include <QDir>
#include <QFontMetricsF>
#include <cmath>
#include <QPixmap>

#include "qt/font_resolver.h"
#include "qt/form_window.h"
#include "qt/qt_convert.h"
#include "qt/qt_form_host.h"

namespace lirafok::qt {

namespace {
constexpr double kTwipsPerInch = 1440.0;
constexpr double kTwipsPerPoint = 20.0;
}  // namespace

QtPrinter::QtPrinter(QPrinter& printer, QtFormHost& host) : m_printer(printer), m_host(host) {}

QtPrinter::~QtPrinter() {
    if (m_painter.isActive()) m_painter.end();
}

QString QtPrinter::fallbackPdfPath() {
    return QDir::current().filePath(QStringLiteral("LIRAFOK-print.pdf"));
}

bool QtPrinter::begin() {
    if (m_painter.isActive()) return true;
    if (m_failed) return false;
    if (m_printer.outputFormat() == QPrinter::PdfFormat && m_printer.outputFileName().isEmpty())
        m_printer.setOutputFileName(fallbackPdfPath());
    if (!m_painter.begin(&m_printer)) {
        m_failed = true;
        return false;
    }
    const double dotsPerTwip = m_printer.resolution() / kTwipsPerInch;
    m_painter.scale(dotsPerTwip, dotsPerTwip);
    m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.setRenderHint(QPainter::TextAntialiasing);
    return true;
}

void QtPrinter::setPenWidth(int dots) {
    const double twips = std::max(1, dots) * kTwipsPerInch / m_printer.resolution();
    QPen pen(Qt::black, twips);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    m_painter.setPen(pen);
    m_painter.setBrush(Qt::NoBrush);
}

void QtPrinter::line(double x1, double y1, double x2, double y2, int width) {
    if (!begin()) return;
    setPenWidth(width);
    m_painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void QtPrinter::box(double x1, double y1, double x2, double y2, int width) {
    if (!begin()) return;
    setPenWidth(width);
    m_painter.drawRect(QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized());
}

QFont QtPrinter::printerFont(const ui::Font& font) {
    QFont f = resolveFont(font);
    // The painter draws in twips: a point is 20 of them.
    f.setPixelSize(std::max(1, static_cast<int>(font.size * kTwipsPerPoint + 0.5)));
    return f;
}

double QtPrinter::textHeight(const ui::Font& font) {
    // The font's pixel size is in twips, so its metrics are too.
    return QFontMetricsF(printerFont(font)).height();
}

void QtPrinter::drawText(double x, double y, const ui::Font& font, const std::string& text) {
    if (!begin()) return;
    const QFont f = printerFont(font);
    m_painter.setFont(f);
    m_painter.setPen(Qt::black);
    // The position is the top-left corner of the text, as the cursor of a printer is. Each
    // line of the text lies one textHeight below the one before, as the cursor moves.
    const double step = QFontMetricsF(f).height();
    const QStringList lines = toWidgetLineBreaks(toQ(text))
                                  .replace(QLatin1Char('\r'), QLatin1Char('\n'))
                                  .split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i)
        m_painter.drawText(QRectF(x, y + i * step, 1e6, step),
                           Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, lines[i]);
}

void QtPrinter::printForm(ui::Form& form) {
    FormWindow* w = m_host.windowOf(form);
    if (!w || !begin()) return;
    const QPixmap image = w->client()->grab();
    // One screen pixel is 15 twips on paper as on the screen.
    m_painter.drawPixmap(QRectF(0, 0, image.width() * 15.0, image.height() * 15.0), image,
                         QRectF(image.rect()));
}

void QtPrinter::sendJob() {
    if (m_painter.isActive()) m_painter.end();
    m_failed = false;
}

}  // namespace lirafok::qt

#include "qt/qt_printer.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QPageLayout>
#include <QPageSize>
#include <QFontMetricsF>
#include <cmath>
#include <QPixmap>

#include "qt/font_resolver.h"
#include "qt/form_window.h"
#include "qt/qt_convert.h"
#include "qt/qt_form_host.h"
#include "qt/views_basic.h"

namespace lirafok::qt {

namespace {
constexpr double kTwipsPerInch = 1440.0;
constexpr double kTwipsPerPoint = 20.0;
}  // namespace

QtPrinter::QtPrinter(QPrinter& printer, QtFormHost& host) : m_printer(printer), m_host(host) {}

QtPrinter::~QtPrinter() {
    if (m_painter.isActive()) m_painter.end();
}

void QtPrinter::setDocumentSize(double widthTwips, double heightTwips) {
    m_docWidth = widthTwips;
    m_docHeight = heightTwips;
}

QString QtPrinter::suggestedPdfPath() const {
    QString name = toQ(m_docName).trimmed();
    // Characters a file name cannot hold on the desktops the file may travel to.
    for (QChar bad : QStringLiteral("/\\:*?\"<>|")) name.replace(bad, QLatin1Char('_'));
    if (name.isEmpty()) name = QStringLiteral("LIRAFOK");
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    return QDir(folder).filePath(name + QStringLiteral(".pdf"));
}

bool QtPrinter::begin() {
    if (m_painter.isActive()) return true;
    if (m_failed) return false;
    const bool pdf = m_printer.outputFormat() == QPrinter::PdfFormat;
    m_cancelled = false;
    if (pdf && askPdfPath) {
        // Every PDF job asks where it goes: no earlier file is overwritten behind the user.
        QString path = askPdfPath(suggestedPdfPath());
        if (path.isEmpty()) {
            m_failed = true;
            m_cancelled = true;
            m_error.clear();
            return false;
        }
        if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");
        m_printer.setOutputFileName(path);
    }
    if (pdf && m_printer.outputFileName().isEmpty()) {
        m_failed = true;
        m_error =
            "プリンターが設定されていません。「ﾌﾟﾘﾝﾀｰ設定」でプリンターか「PDF "
            "に保存」を選んでください。";
        return false;
    }
    if (pdf && m_docWidth > 0 && m_docHeight > 0) {
        // The file is the document: one page of its size, drawn from the page's corner.
        m_printer.setFullPage(true);
        const QPageSize size(QSizeF(m_docWidth / kTwipsPerPoint, m_docHeight / kTwipsPerPoint),
                             QPageSize::Point, QString(), QPageSize::ExactMatch);
        m_printer.setPageLayout(
            QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Point));
    } else if (pdf) {
        m_printer.setFullPage(false);
        m_printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                            QMarginsF(18, 18, 18, 18), QPageLayout::Point));
    }
    if (!m_painter.begin(&m_printer)) {
        m_failed = true;
        m_error = pdf ? "PDF ファイル「" + m_printer.outputFileName().toStdString() +
                            "」に書き込めません。"
                      : "プリンター「" + m_printer.printerName().toStdString() +
                            "」で印刷を始められません。";
        return false;
    }
    m_error.clear();
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
    if (!begin()) return;
    // The window drawn from its controls, in twips as they are placed: text and rules as
    // vectors at the printer's resolution, and text never cut at its control's edge.
    for (const ui::Control* c : form.controls()) {
        if (!c->effectivelyVisible()) continue;
        const QRectF r(c->absoluteLeft(), c->absoluteTop(), c->width(), c->height());
        if (c->kind() == ui::ControlKind::Line) {
            m_painter.fillRect(r, toQColor(c->foreColor()));
            continue;
        }
        if (c->kind() != ui::ControlKind::Label && c->kind() != ui::ControlKind::Panel) continue;
        if (c->backColor() != ui::kWhite) m_painter.fillRect(r, toQColor(c->backColor()));
        if (c->caption().empty()) continue;
        const int flags =
            int(horizontalAlignment(c->alignment()) | Qt::AlignTop) | Qt::TextWordWrap;
        const QString text = toWidgetLineBreaks(toQ(c->caption()));
        // A text taller than its control (a title that wraps to a second line) is set smaller
        // until it fits, in half points, rather than cut or run over the rule below it.
        ui::Font font = c->font();
        while (font.size > 4 &&
               QFontMetricsF(printerFont(font)).boundingRect(r, flags, text).height() > r.height())
            font.size -= 0.5;
        m_painter.setFont(printerFont(font));
        m_painter.setPen(toQColor(c->foreColor()));
        m_painter.drawText(r, flags | Qt::TextDontClip, text);
    }
}

bool QtPrinter::sendJob() {
    bool sent = !m_failed;
    const bool pdf = m_printer.outputFormat() == QPrinter::PdfFormat;
    if (m_painter.isActive()) {
        const bool ended = m_painter.end();
        if (!ended || m_printer.printerState() == QPrinter::Error) {
            sent = false;
            m_error = "プリンターがエラーを返しました。";
        }
    }
    m_failed = false;
    m_docWidth = m_docHeight = 0;
    m_docName.clear();
    if (sent) m_error.clear();
    m_savedTo = sent && pdf ? m_printer.outputFileName().toStdString() : std::string();
    return sent;
}

double QtPrinter::textWidth(const ui::Font& font, const std::string& text) {
    const QFontMetricsF metrics(printerFont(font));
    double widest = 0;
    for (const QString& line : toWidgetLineBreaks(toQ(text)).split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

}  // namespace lirafok::qt

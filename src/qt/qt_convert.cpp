#include "qt/qt_convert.h"

#include <QApplication>
#include <QPalette>

namespace lirafok::qt {

namespace {

// Classic system colour indexes and the palette role that plays the same part.
QColor systemColor(int index) {
    const QPalette pal = QApplication::palette();
    switch (index) {
        case 5:
            return pal.color(QPalette::Base);  // window background
        case 8:
            return pal.color(QPalette::Text);  // window text
        case 13:
            return pal.color(QPalette::Highlight);  // selected item
        case 14:
            return pal.color(QPalette::HighlightedText);
        case 16:
            return pal.color(QPalette::Dark);  // button shadow
        case 17:
            return pal.color(QPalette::Disabled, QPalette::Text);
        case 18:
            return pal.color(QPalette::ButtonText);
        case 20:
            return pal.color(QPalette::Light);  // button highlight
        case 24:
            return pal.color(QPalette::ToolTipBase);
        case 23:
            return pal.color(QPalette::ToolTipText);
        case 4:
            return pal.color(QPalette::Window);  // menu bar
        case 7:
            return pal.color(QPalette::WindowText);  // menu text
        default:
            return pal.color(QPalette::Button);  // 15 button face and the rest
    }
}

}  // namespace

QColor toQColor(ui::Color c) {
    if (c < 0) return systemColor(c & 0xFF);
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

ui::Color fromQColor(const QColor& c) {
    QColor rgb = c.toRgb();
    return (rgb.blue() << 16) | (rgb.green() << 8) | rgb.red();
}

QString toWidgetLineBreaks(const QString& modelText) {
    QString s = modelText;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

QString toModelLineBreaks(const QString& widgetText) {
    QString s;
    s.reserve(widgetText.size() + widgetText.count(QLatin1Char('\n')));
    for (qsizetype i = 0; i < widgetText.size(); ++i) {
        QChar ch = widgetText.at(i);
        if (ch == QChar::ParagraphSeparator || ch == QChar::LineSeparator) ch = QLatin1Char('\n');
        if (ch == QLatin1Char('\n') && (i == 0 || widgetText.at(i - 1) != QLatin1Char('\r')))
            s += QLatin1Char('\r');
        s += ch;
    }
    return s;
}

int modelToWidgetPos(const QString& modelText, int codePoint) {
    int cp = 0;
    int w = 0;
    for (qsizetype i = 0; i < modelText.size() && cp < codePoint; ++cp) {
        QChar ch = modelText.at(i);
        if (ch == QLatin1Char('\r') && i + 1 < modelText.size() &&
            modelText.at(i + 1) == QLatin1Char('\n')) {
            i += 1;  // the CR of a line break has no widget counterpart
            continue;
        }
        int units = ch.isHighSurrogate() && i + 1 < modelText.size() ? 2 : 1;
        i += units;
        w += units;
    }
    return w;
}

int widgetToModelPos(const QString& modelText, int widgetPos) {
    int cp = 0;
    int w = 0;
    qsizetype i = 0;
    while (i < modelText.size() && w < widgetPos) {
        QChar ch = modelText.at(i);
        if (ch == QLatin1Char('\r') && i + 1 < modelText.size() &&
            modelText.at(i + 1) == QLatin1Char('\n')) {
            i += 1;
            ++cp;
            continue;
        }
        int units = ch.isHighSurrogate() && i + 1 < modelText.size() ? 2 : 1;
        i += units;
        w += units;
        ++cp;
    }
    return cp;
}

}  // namespace lirafok::qt

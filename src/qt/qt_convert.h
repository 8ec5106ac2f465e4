#pragma once
// Conversions between the control model's values and Qt's: UTF-8 strings, colours held as
// 0x00BBGGRR integers, and the CR LF line breaks the model keeps in multi-line text.
#include <QColor>
#include <QString>
#include <string>

#include "ui/control.h"

namespace lirafok::qt {

inline QString toQ(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
inline std::string fromQ(const QString& s) {
    return s.toUtf8().toStdString();
}

// A colour value of the model. Negative values are the classic system colours (0x80000000 +
// index); they map to the matching role of the application palette.
QColor toQColor(ui::Color c);
// The model's colour value of an opaque Qt colour.
ui::Color fromQColor(const QColor& c);

// "\r\n" -> "\n" (what text widgets hold) and back (what the model and the clipboard hold).
QString toWidgetLineBreaks(const QString& modelText);
QString toModelLineBreaks(const QString& widgetText);

// Positions in a text: the model counts code points of its own string (CR LF = 2), a text
// widget counts UTF-16 units of the string with "\n" line breaks.
int modelToWidgetPos(const QString& modelText, int codePoint);
int widgetToModelPos(const QString& modelText, int widgetPos);

}  // namespace lirafok::qt

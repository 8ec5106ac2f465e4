#include "qt/font_resolver.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <algorithm>
#include <QSet>
#include <cmath>

#include "qt/qt_convert.h"

namespace lirafok::qt {

namespace {

const QSet<QString>& installedFamilies() {
    // Fonts do not come and go while the program runs; one look at the database is enough.
    static const QSet<QString> families = [] {
        const QStringList list = QFontDatabase::families();
        return QSet<QString>(list.begin(), list.end());
    }();
    return families;
}

void addIfInstalled(QStringList& out, const QString& family) {
    if (isFontInstalled(family) && !out.contains(family)) out << family;
}

bool contains(const QString& face, const char* what) {
    return face.contains(QString::fromUtf8(what), Qt::CaseInsensitive);
}

}  // namespace

int pointsToPixels(double points) {
    int px = static_cast<int>(std::lround(points * 96.0 / 72.0));
    return px < 1 ? 1 : px;
}

bool isFontInstalled(const QString& family) {
    return !family.isEmpty() && installedFamilies().contains(family);
}

bool isFontInstalled(const std::string& family) {
    return isFontInstalled(toQ(family));
}

QStringList fallbackFamilies(const QString& face, FontPurpose purpose) {
    QStringList out;
    const bool installed = isFontInstalled(face);
    if (installed) out << face;
    if (purpose == FontPurpose::Digits && !installed) {
        addIfInstalled(out, QStringLiteral("DejaVu Sans Mono"));
        addIfInstalled(out, QStringLiteral("Noto Sans Mono"));
        addIfInstalled(out, QStringLiteral("Liberation Mono"));
    }
    const bool mincho =
        contains(face, "明朝") || contains(face, "mincho") || contains(face, "serif");
    // "ＭＳ ゴシック" is fixed-pitch, "ＭＳ Ｐゴシック" proportional.
    const bool fixedGothic = (contains(face, "ゴシック") || contains(face, "gothic")) &&
                             !contains(face, "Ｐ") && !contains(face, "pgothic") &&
                             !contains(face, " p");
    if (mincho) addIfInstalled(out, QStringLiteral("Noto Serif CJK JP"));
    if (fixedGothic) addIfInstalled(out, QStringLiteral("Noto Sans Mono CJK JP"));
    addIfInstalled(out, QStringLiteral("Noto Sans CJK JP"));
    addIfInstalled(out, QStringLiteral("Noto Sans JP"));
    addIfInstalled(out, QStringLiteral("IPAPGothic"));
    addIfInstalled(out, QStringLiteral("VL PGothic"));
    addIfInstalled(out, QStringLiteral("DejaVu Sans"));
    if (out.isEmpty()) out << face;  // let fontconfig substitute
    return out;
}

QFont resolveFont(const ui::Font& font, FontPurpose purpose) {
    const QString face = toQ(font.name);
    QFont f;
    const QStringList families = fallbackFamilies(face, purpose);
    f.setFamilies(families);
    f.setPixelSize(pointsToPixels(font.size > 0 ? font.size : 9));
    const bool substitutedDigits = purpose == FontPurpose::Digits && !isFontInstalled(face);
    f.setBold(font.bold || substitutedDigits);
    f.setItalic(font.italic);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

QFont fitToWidth(const QFont& font, const QString& text, int width, double minScale) {
    QString shown = text;
    shown.remove(QLatin1Char('&'));
    if (shown.isEmpty() || width <= 0 || font.pixelSize() <= 0) return font;
    QFont f = font;
    const int original = font.pixelSize();
    const int smallest = std::max(6, static_cast<int>(std::ceil(original * minScale)));
    for (int px = original; px >= smallest; --px) {
        f.setPixelSize(px);
        if (QFontMetrics(f).horizontalAdvance(shown) <= width) return f;
    }
    f.setPixelSize(smallest);
    return f;
}

QFont applicationFont() {
    return resolveFont(ui::Font{"ＭＳ Ｐゴシック", 10, false, false});
}

bool looksLikeDigits(const QString& caption) {
    bool digit = false;
    for (QChar ch : caption) {
        if (ch.isDigit()) {
            digit = true;
            continue;
        }
        if (ch == QLatin1Char(':') || ch == QLatin1Char(' ') || ch == QLatin1Char('-') ||
            ch == QLatin1Char('.') || ch == QLatin1Char('+') || ch == QChar(0xFF1A))
            continue;
        return false;
    }
    return digit;
}

}  // namespace lirafok::qt

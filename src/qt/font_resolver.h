#pragma once
// Turns a font of the model (face name, points, bold, italic) into a QFont that exists here.
//
// The program's fonts carry Windows face names ("ＭＳ Ｐゴシック", "ＭＳ 明朝"); when a face
// is not installed the nearest installed Japanese face stands in (gothic -> Noto Sans CJK JP,
// fixed-pitch gothic -> Noto Sans Mono CJK JP, mincho -> Noto Serif CJK JP). Display fields
// that show only digits (track number, times, levels) use a bold fixed-pitch face instead, so
// that the digits stay readable and do not jump while they count.
#include <QFont>
#include <QString>
#include <QStringList>
#include <string>

#include "ui/control.h"

namespace lirafok::qt {

enum class FontPurpose {
    Text,    // any caption or text
    Digits,  // a display field holding only digits, blanks, ":" and the like
};

// Sizes in points become pixel sizes at 96 pixels per inch, the same 15 twips per pixel the
// geometry uses, so that text fits its control whatever the screen's logical resolution.
int pointsToPixels(double points);

bool isFontInstalled(const QString& family);  // exact family name
bool isFontInstalled(const std::string& family);

// The families tried in order for a face name (the face itself first when installed).
QStringList fallbackFamilies(const QString& face, FontPurpose purpose);

QFont resolveFont(const ui::Font& font, FontPurpose purpose = FontPurpose::Text);

// The face of dialogs, menus and the help viewer: the Japanese gothic at 10 points, so that
// kanji never fall back to a Chinese face.
QFont applicationFont();

// `font` made smaller, when needed, so that one line of `text` fits `width` pixels; never
// below `minScale` of its size (the text is clipped beyond that). '&' mnemonics are ignored.
QFont fitToWidth(const QFont& font, const QString& text, int width, double minScale = 0.6);

// True when a caption holds only what a numeric display shows ("01", "03:25", "-1", "64").
bool looksLikeDigits(const QString& caption);

}  // namespace lirafok::qt

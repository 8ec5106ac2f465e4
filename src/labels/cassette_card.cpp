#include "labels/cassette_card.h"

#include <algorithm>
#include <cmath>

#include "ui/services.h"

namespace lirafok {

namespace {

constexpr int kThickRule = 8;  // printer dots
constexpr int kThinRule = 4;
// The side lists end once the next line would pass this far below the top margin.
constexpr double kListLimit = 1200 + 4200;

double frameBottom(double top) {
    return std::floor(top + 7.5 * kCardRow);
}

// One side's songs from `y0` down, each followed by a rule from `ruleFrom` to `ruleTo`.
void printSide(ui::Printer& p, const std::vector<std::string>& lines, const ui::Font& font,
               double x, double ruleFrom, double ruleTo, double top) {
    double y = std::floor(top + 2.6 * kCardRow);
    const double h = p.textHeight(font);
    for (const std::string& line : lines) {
        p.text(x, y, font, line);
        y = p.currentY() + 20;
        p.line(ruleFrom, y, ruleTo, y, kThinRule);
        y += 40;
        if (y + h > top + kListLimit) break;
    }
}

// `font` made small enough for `text` to fit `room` twips: a face wider than the one the card
// was laid out for is scaled down to the field, never cut (in half points, not below 4).
ui::Font fitted(ui::Printer& p, ui::Font font, const std::string& text, double room) {
    const double width = p.textWidth(font, text);
    if (width <= room || width <= 0) return font;
    font.size = std::max(4.0, std::floor(font.size * room / width * 2) / 2);
    while (font.size > 4 && p.textWidth(font, text) > room) font.size -= 0.5;
    return font;
}

}  // namespace

double cardPageWidth(const CassetteCard& card) {
    return 2.0 * card.leftMm * kTwipsPerMm + kCardWidth;
}

double cardPageHeight(const CassetteCard& card) {
    const double t = card.topMm * kTwipsPerMm;
    return frameBottom(t) + t;
}

bool printCassetteCard(ui::Printer& p, const CassetteCard& card) {
    const double L = card.leftMm * kTwipsPerMm;
    const double T = card.topMm * kTwipsPerMm;
    const double U = kCardRow;
    const double W = kCardWidth;
    p.setDocumentSize(cardPageWidth(card), cardPageHeight(card));
    for (int row = 0; row < 3; ++row) p.line(L, T + row * U, L + W, T + row * U, kThickRule);
    p.text(L + 150, T + 150, card.otherFont, card.header);
    p.text(L + 20, T + U + 140, card.sizeFont, card.tapeSize);
    // The fields run to the card's right rule, less a small margin.
    const ui::Font titleFont = fitted(p, card.titleFont, card.title, W - U - 60);
    if (!card.twoLines) {
        const double h = p.textHeight(titleFont);
        p.text(L + U, T + U + std::trunc((U - h) / 2), titleFont, card.title);
    } else {
        const double h1 = p.textHeight(titleFont);
        const double y1 = T + U + std::trunc((U / 2 - h1) / 2);
        p.text(L + U, y1, titleFont, card.title);
        const double artistLeft = 20000.0 / 35;
        const ui::Font artistFont = fitted(p, card.artistFont, card.artist, W - artistLeft - 60);
        p.text(L + artistLeft, y1 + p.textHeight(artistFont), artistFont, card.artist);
    }
    p.text(L + 50, T + 2 * U + 150, card.otherFont, "SIDE A");
    p.text(L + 2870, T + 2 * U + 150, card.otherFont, "SIDE B");
    printSide(p, card.sideA, card.sideAFont, L + 50, L + 20, L + 2800, T);
    printSide(p, card.sideB, card.sideBFont, L + 2900, L + 2870, L + 5650, T);
    p.box(L, T, L + W, frameBottom(T), kThickRule);
    return p.endDoc();
}

}  // namespace lirafok

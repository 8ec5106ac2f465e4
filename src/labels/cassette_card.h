#pragma once
// The cassette index card as it is printed: three rules across the top rows, the header line,
// the tape length, the title (one line, or title and artist on two), the two side lists with
// a rule under every song, and the outer frame. All positions are printer twips.
#include <string>
#include <vector>

#include "ui/control.h"

namespace lirafok::ui {
class Printer;
}

namespace lirafok {

// Row height and label width, twips; a margin of n mm is n x 57 twips.
inline constexpr int kCardRow = 685;
inline constexpr int kCardWidth = 5660;
inline constexpr int kTwipsPerMm = 57;

struct CassetteCard {
    int leftMm = 0, topMm = 0;
    std::string header;  // "  DATE  03-07-2026     STEREO    TYPE  ..."
    ui::Font otherFont;  // header and the side headings
    std::string tapeSize;
    ui::Font sizeFont;
    // Title and artist on two lines; otherwise `title` is the whole title line.
    bool twoLines = false;
    std::string title, artist;
    ui::Font titleFont, artistFont;
    std::vector<std::string> sideA, sideB;  // one printed line per song
    ui::Font sideAFont, sideBFont;
};

// Width and height in twips of the card with its margins on every side: the page a PDF gets.
double cardPageWidth(const CassetteCard& card);
double cardPageHeight(const CassetteCard& card);

// Draws the card and sends the page. False when the printer could not print it.
bool printCassetteCard(ui::Printer& printer, const CassetteCard& card);

}  // namespace lirafok

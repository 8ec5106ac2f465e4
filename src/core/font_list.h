#pragma once
// The font table of the main window and its file "LIRAFOK.FOT" (default copy "LIRAFOK.FOX").
//
// Six font sets (0 the standard set, 1 to 5 selectable per disc) of seven display groups.
// The file holds, for set 0..5 and row 0..6, four lines: set digit, row digit, a letter and
// the value from the fourth character:  "srN" + name, "srB" + bold ("00" off, "-01" on),
// "srI" + italic (same form), "srS" + size (two digits). An older form lacks the "S" lines.
#include <optional>
#include <string>
#include <vector>

#include "core/settings_file.h"

namespace lirafok {

constexpr int kFontSetCount = 6;
constexpr int kFontRowCount = 7;

// Rows: 0 fixed captions, 1 changing numbers, 2 disc title, 3 song name, 4 artist,
// 5 track list, 6 status words. Sizes in points.
constexpr int kFontDefaultSize[kFontRowCount] = {12, 24, 14, 14, 15, 10, 12};
constexpr int kFontMinSize[kFontRowCount] = {8, 14, 12, 11, 10, 8, 10};
constexpr int kFontMaxSize[kFontRowCount] = {12, 24, 14, 14, 15, 10, 12};
// Captions of the row buttons of the font settings window.
inline constexpr const char* kFontRowCaption[kFontRowCount] = {
    "固定部", "可変部", "Title", "Song", "Artist", "曲名一覧", "状態表示"};

// A size read from a font list or about to be written: whole points within the row's font
// dialog range (kFontMinSize..kFontMaxSize); a size that is not positive gives the default.
// A foreign list with 999999-point sizes would otherwise lay out glyphs no screen can hold.
double fontSizeForRow(int row, double size);

// Caption of a font set: "ﾌｫﾝﾄ標準" for set 0, "ﾌｫﾝﾄ01" … "ﾌｫﾝﾄ05" for the others.
std::string fontSetCaption(int set);

struct FontEntry {
    std::string name;
    double size = 0;  // points; a whole number in practice
    bool bold = false;
    bool italic = false;
};

struct FontTable {
    // Every entry starts with an empty name, its row's default size, no bold, no italic.
    FontTable();
    FontEntry entry[kFontSetCount][kFontRowCount];
};

bool operator==(const FontEntry& a, const FontEntry& b);
bool operator==(const FontTable& a, const FontTable& b);

// "LIRAFOK.FOT" / "LIRAFOK.FOX" inside `appDir` (with or without its trailing "/").
std::string fontListPath(const std::string& appDir);
std::string defaultFontListPath(const std::string& appDir);

// Reads a font list. Entries run in file order; a size line is taken when the line after an
// entry's italic line has "S" as its third character. A file that ends early leaves the
// remaining entries as FontTable() made them (empty name, default size). std::nullopt when
// the file cannot be opened.
std::optional<FontTable> readFontList(const std::string& path);

// The 168 lines of the file, set by set, row by row.
std::vector<std::string> fontListLines(const FontTable& table);
// Writes the table safely; false on failure (the old file is then untouched).
bool writeFontList(const std::string& path, const FontTable& table);

// Makes sure "LIRAFOK.FOT" can be opened: when it cannot, "LIRAFOK.FOX" is copied line by
// line into a new "LIRAFOK.FOT". False when neither can be read, or the copy cannot be written.
bool ensureFontList(const std::string& appDir);

// The start-up read: ensureFontList, then readFontList of "LIRAFOK.FOT". When the copy cannot
// be written (read-only program folder) the default list is read directly instead.
// std::nullopt when neither file can be read: the caller reports the missing font file.
std::optional<FontTable> loadFontList(const std::string& appDir);

// The names the font check tries, in its order: GPT1N, GPT2N, GPASN, GPBSN, GPOTN, FONTN,
// then the 42 table names set by set, row by row (48 names).
std::vector<std::string> fontNamesToCheck(const Settings& s, const FontTable& table);

// The recovery after an unusable font: `name` becomes the name of every table entry and of
// GPT1N, GPT2N, GPASN, GPBSN, GPOTN and FONTN; bold and italic of the table are cleared;
// sizes stay.
void applyRecoveryFont(Settings& s, FontTable& table, const std::string& name);

}  // namespace lirafok

#include "core/font_list.h"

#include <algorithm>
#include <cmath>

#include "core/text.h"

namespace lirafok {

namespace {

std::string inAppDir(const std::string& appDir, const char* name) {
    if (appDir.empty() || appDir.back() == '/') return appDir + name;
    return appDir + "/" + name;
}

std::string flagText(bool on) {
    return on ? text::pad(-1, 2) : text::pad(0, 2);
}

}  // namespace

double fontSizeForRow(int row, double size) {
    // NaN and sizes no font can have keep the row's default; the rest is held to the sizes
    // the row's font dialog offers, whole points, so the two-digit size line holds it.
    if (!(size > 0)) return kFontDefaultSize[row];
    return std::clamp(std::round(size), static_cast<double>(kFontMinSize[row]),
                      static_cast<double>(kFontMaxSize[row]));
}

std::string fontSetCaption(int set) {
    if (set == 0) return "ﾌｫﾝﾄ標準";
    return "ﾌｫﾝﾄ" + text::pad(set, 2);
}

FontTable::FontTable() {
    for (auto& set : entry)
        for (int r = 0; r < kFontRowCount; ++r) set[r].size = kFontDefaultSize[r];
}

bool operator==(const FontEntry& a, const FontEntry& b) {
    return a.name == b.name && a.size == b.size && a.bold == b.bold && a.italic == b.italic;
}

bool operator==(const FontTable& a, const FontTable& b) {
    for (int s = 0; s < kFontSetCount; ++s)
        for (int r = 0; r < kFontRowCount; ++r)
            if (!(a.entry[s][r] == b.entry[s][r])) return false;
    return true;
}

std::string fontListPath(const std::string& appDir) {
    return inAppDir(appDir, "LIRAFOK.FOT");
}

std::string defaultFontListPath(const std::string& appDir) {
    return inAppDir(appDir, "LIRAFOK.FOX");
}

std::optional<FontTable> readFontList(const std::string& path) {
    const std::optional<std::vector<std::string>> lines = text::readLines(path);
    if (!lines) return std::nullopt;
    FontTable table;
    std::size_t i = 0;
    const std::size_t n = lines->size();
    // The letters and digits before each value are not checked: entries follow file order.
    // A file that ends inside an entry keeps what the entry got so far.
    for (int s = 0; s < kFontSetCount; ++s) {
        for (int r = 0; r < kFontRowCount; ++r) {
            FontEntry& e = table.entry[s][r];
            if (i >= n) return table;
            e.name = text::mid((*lines)[i++], 4);
            if (i >= n) return table;
            e.bold = text::val(text::mid((*lines)[i++], 4)) != 0;
            if (i >= n) return table;
            e.italic = text::val(text::mid((*lines)[i++], 4)) != 0;
            // The size line is optional: anything else is the next entry's name line.
            if (i < n && text::mid((*lines)[i], 3, 1) == "S") {
                e.size = fontSizeForRow(r, text::valDouble(text::mid((*lines)[i++], 4)));
            }
        }
    }
    return table;
}

std::vector<std::string> fontListLines(const FontTable& table) {
    std::vector<std::string> lines;
    lines.reserve(kFontSetCount * kFontRowCount * 4);
    for (int s = 0; s < kFontSetCount; ++s) {
        for (int r = 0; r < kFontRowCount; ++r) {
            const FontEntry& e = table.entry[s][r];
            const std::string prefix = text::pad(s, 1) + text::pad(r, 1);
            lines.push_back(prefix + "N" + e.name);
            lines.push_back(prefix + "B" + flagText(e.bold));
            lines.push_back(prefix + "I" + flagText(e.italic));
            lines.push_back(prefix + "S" + text::pad(std::llround(fontSizeForRow(r, e.size)), 2));
        }
    }
    return lines;
}

bool writeFontList(const std::string& path, const FontTable& table) {
    return text::writeLines(path, fontListLines(table));
}

bool ensureFontList(const std::string& appDir) {
    const std::string fot = fontListPath(appDir);
    if (text::readLines(fot)) return true;
    const std::optional<std::vector<std::string>> fox =
        text::readLines(defaultFontListPath(appDir));
    if (!fox) return false;
    return text::writeLines(fot, *fox);
}

std::optional<FontTable> loadFontList(const std::string& appDir) {
    if (ensureFontList(appDir)) {
        if (std::optional<FontTable> table = readFontList(fontListPath(appDir))) return table;
    }
    return readFontList(defaultFontListPath(appDir));
}

std::vector<std::string> fontNamesToCheck(const Settings& s, const FontTable& table) {
    std::vector<std::string> names = {s.GPT1N, s.GPT2N, s.GPASN, s.GPBSN, s.GPOTN, s.FONTN};
    for (const auto& set : table.entry)
        for (const FontEntry& e : set) names.push_back(e.name);
    return names;
}

void applyRecoveryFont(Settings& s, FontTable& table, const std::string& name) {
    for (auto& set : table.entry) {
        for (FontEntry& e : set) {
            e.name = name;
            e.bold = false;
            e.italic = false;
        }
    }
    for (std::string* field : {&s.GPT1N, &s.GPT2N, &s.GPASN, &s.GPBSN, &s.GPOTN, &s.FONTN})
        *field = name;
}

}  // namespace lirafok

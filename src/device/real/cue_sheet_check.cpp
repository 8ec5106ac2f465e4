#include "device/real/cue_sheet_check.h"

#include <algorithm>
#include <vector>

namespace lirafok::device::real {

namespace {

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t from = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > from) out.push_back(line.substr(from, i - from));
    }
    return out;
}

bool allDigits(std::string_view s) {
    return !s.empty() && s.size() <= 6 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int number(std::string_view s) {
    int n = 0;
    for (char c : s) n = n * 10 + (c - '0');
    return n;
}

// MM:SS:FF, minutes of any length a disc can have, seconds below 60, frames below 75.
bool validTime(std::string_view t) {
    const auto a = t.find(':');
    const auto b = a == std::string_view::npos ? a : t.find(':', a + 1);
    if (b == std::string_view::npos) return false;
    const auto m = t.substr(0, a), s = t.substr(a + 1, b - a - 1), f = t.substr(b + 1);
    return allDigits(m) && allDigits(s) && allDigits(f) && number(m) < 1000 && number(s) < 60 &&
           number(f) < 75;
}

// A quoted word must close on its own line: the parser's strings run across line ends, and a
// title left open would swallow the lines after it.
bool quotesClosed(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i < line.size() && (line[i] == '"' || line[i] == '\'')) {
            const auto close = line.find(line[i], i + 1);
            if (close == std::string_view::npos) return false;
            i = close + 1;
        }
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    }
    return true;
}

bool knownMode(std::string_view m) {
    static const char* const kModes[] = {"AUDIO",      "MODE1/2048", "MODE1/2352", "MODE2/2336",
                                         "MODE2/2048", "MODE2/2342", "MODE2/2332", "MODE2/2352"};
    return std::any_of(std::begin(kModes), std::end(kModes), [&](const char* k) { return m == k; });
}

// FILE, a name (quoted, or one word) and the kind of file.
bool fileLineValid(std::string_view line) {
    static const char* const kKinds[] = {"BINARY", "MOTOROLA", "AIFF", "WAVE", "MP3", "FLAC"};
    auto rest = line.substr(line.find("FILE") + 4);
    rest.remove_prefix(std::min(rest.find_first_not_of(" \t"), rest.size()));
    if (rest.empty()) return false;
    std::size_t nameEnd = 0;
    if (rest[0] == '"' || rest[0] == '\'') {
        nameEnd = rest.find(rest[0], 1);  // closed: quotesClosed() held
        if (nameEnd == std::string_view::npos) return false;
        ++nameEnd;
    } else {
        nameEnd = std::min(rest.find_first_of(" \t"), rest.size());
    }
    const auto kind = words(rest.substr(nameEnd));
    return kind.size() == 1 && std::any_of(std::begin(kKinds), std::end(kKinds),
                                           [&](const char* k) { return kind[0] == k; });
}

}  // namespace

std::string checkCueSheet(std::string_view sheet) {
    bool haveFile = false;
    int tracks = 0;
    bool trackHasIndex1 = true;
    std::size_t lineNo = 0;
    auto trackText = [&] { return " のトラック " + std::to_string(tracks); };
    std::size_t at = 0;
    while (at <= sheet.size()) {
        auto end = sheet.find('\n', at);
        if (end == std::string_view::npos) end = sheet.size();
        std::string_view line = sheet.substr(at, end - at);
        at = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!quotesClosed(line))
            return " の " + std::to_string(lineNo) + " 行目の引用符が閉じていません";
        const auto w = words(line);
        if (w.empty()) continue;
        const std::string_view key = w[0];
        if (key == "FILE") {
            if (!fileLineValid(line))
                return " の " + std::to_string(lineNo) + " 行目の FILE が正しくありません";
            haveFile = true;
        } else if (key == "TRACK") {
            if (!trackHasIndex1) return trackText() + " に INDEX 01 がありません";
            if (!haveFile) return " のトラックの前に FILE 行がありません";
            ++tracks;
            if (tracks > 99) return " のトラックが 99 を超えています（CD のトラックは 99 まで）";
            if (w.size() != 3 || !allDigits(w[1]) || number(w[1]) < 1 || number(w[1]) > 99 ||
                !knownMode(w[2]))
                return " の " + std::to_string(lineNo) + " 行目の TRACK が正しくありません";
            trackHasIndex1 = false;
        } else if (key == "INDEX" || key == "PREGAP" || key == "POSTGAP") {
            if (tracks == 0)
                return " の " + std::to_string(lineNo) + " 行目の " + std::string(key) +
                       " がトラックの外にあります";
            const bool index = key == "INDEX";
            const std::size_t timeAt = index ? 2 : 1;
            if (index && (w.size() < 2 || !allDigits(w[1]) || number(w[1]) > 99))
                return trackText() + " の INDEX 番号が正しくありません";
            if (w.size() > timeAt + 1)
                return trackText() + " の " + std::string(key) + " 行に余分な語があります";
            if (w.size() <= timeAt || !validTime(w[timeAt])) {
                return trackText() + " の " + std::string(key) + " の時間「" +
                       std::string(w.size() > timeAt ? w[timeAt] : "") + "」が正しくありません";
            }
            if (index && number(w[1]) == 1) trackHasIndex1 = true;
        }
    }
    if (!trackHasIndex1) return trackText() + " に INDEX 01 がありません";
    if (tracks == 0) return " にはトラックがありません";
    return {};
}

}  // namespace lirafok::device::real

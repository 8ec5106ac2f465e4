#include "catalogue/online_titles.h"

#include <algorithm>

#include "catalogue/catalogue_file.h"
#include "core/text.h"

namespace lirafok {

namespace {

// Bytes of the UTF-8 sequence that starts with `b` (1 for a byte that starts none).
std::size_t sequenceLength(unsigned char b) {
    if (b >= 0xF0 && b <= 0xF4) return 4;
    if (b >= 0xE0) return b <= 0xEF ? 3 : 1;
    if (b >= 0xC2) return 2;
    return 1;
}

char32_t decode(std::string_view seq) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(seq[i]); };
    switch (seq.size()) {
        case 1:
            return b(0);
        case 2:
            return (b(0) & 0x1Fu) << 6 | (b(1) & 0x3Fu);
        case 3:
            return (b(0) & 0x0Fu) << 12 | (b(1) & 0x3Fu) << 6 | (b(2) & 0x3Fu);
        default:
            return (b(0) & 0x07u) << 18 | (b(1) & 0x3Fu) << 12 | (b(2) & 0x3Fu) << 6 |
                   (b(3) & 0x3Fu);
    }
}

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Every character of `utf8` that CP932 holds, the rest replaced (counted in notes); tabs kept
// when `keepTabs`, other line-like controls turned into blanks.
std::string cleaned(std::string_view utf8, bool keepTabs, OnlineTextNotes& notes) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t n = sequenceLength(static_cast<unsigned char>(utf8[i]));
        if (i + n > utf8.size() || !text::validUtf8(utf8.substr(i, n))) n = 0;
        const char32_t c = n ? decode(utf8.substr(i, n)) : 0xFFFD;
        const std::string_view seq = utf8.substr(i, n ? n : 1);
        i += seq.size();
        if (c == '\t' && keepTabs) {
            out += '\t';
        } else if (c == '\t' || c == '\n' || c == '\r') {
            out += ' ';
        } else if (isControl(c) || !text::inCp932(c)) {
            out += kReplacedMark;
            ++notes.replaced;
        } else {
            out += seq;
        }
    }
    return out;
}

std::string trimBlanks(const std::string& s) {
    const auto a = s.find_first_not_of(' ');
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

// The longest start of `s` (whole characters) within `bytes` CP932 bytes; the rest in `rest`.
std::string fitBytes(const std::string& s, std::size_t bytes, std::string* rest) {
    const std::size_t chars = text::charLength(s);
    std::size_t n = 0, used = 0;
    while (n < chars) {
        const std::size_t b = text::byteLength(text::mid(s, n + 1, 1));
        if (used + b > bytes) break;
        used += b;
        ++n;
    }
    if (rest) *rest = text::mid(s, n + 1);
    return text::left(s, n);
}

// `s` within `bytes`, ended by the cut mark when it had to be cut.
std::string cutTo(const std::string& s, std::size_t bytes, OnlineTextNotes& notes) {
    if (text::byteLength(s) <= bytes) return s;
    ++notes.cut;
    const std::size_t mark = text::byteLength(kCutMark);
    return trimBlanks(fitBytes(s, bytes > mark ? bytes - mark : 0, nullptr)) + kCutMark;
}

}  // namespace

std::string fitOnlineText(std::string_view utf8, std::size_t maxBytes, OnlineTextNotes& notes) {
    const std::string s = trimBlanks(cleaned(utf8, false, notes));
    return maxBytes > 0 ? cutTo(s, maxBytes, notes) : s;
}

std::string fitOnlineLyricLine(std::string_view utf8, OnlineTextNotes& notes) {
    std::string s = cleaned(utf8, true, notes);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string fitOnlineTitle(std::string_view utf8, OnlineTextNotes& notes) {
    const auto half = static_cast<std::size_t>(kTitleHalfBytes);
    std::string rest;
    const std::string first = fitBytes(fitOnlineText(utf8, 0, notes), half, &rest);
    rest = trimBlanks(rest);
    if (rest.empty()) return first;
    // The second half starts where discTextTitle() will start it: after the first half's
    // bytes, its leading blanks dropped.
    return first + cutTo(rest, half, notes);
}

device::DiscText releaseToDiscText(const ui::ReleaseCandidate& r, int discTracks,
                                   OnlineTextNotes& notes) {
    device::DiscText t;
    t.title = fitOnlineTitle(r.title, notes);
    t.performer = fitOnlineText(r.artist, kOnlineNameBytes, notes);
    notes.releaseTracks = std::max(r.totalTracks, static_cast<int>(r.tracks.size()));
    notes.discTracks = discTracks;
    const std::size_t n =
        std::min(r.tracks.size(), static_cast<std::size_t>(std::max(discTracks, 0)));
    for (std::size_t i = 0; i < n; ++i) {
        t.trackTitles.push_back(fitOnlineText(r.tracks[i].title, kOnlineNameBytes, notes));
        const std::string artist = fitOnlineText(r.tracks[i].artist, kOnlineNameBytes, notes);
        t.trackPerformers.push_back(artist == t.performer ? std::string() : artist);
    }
    return t;
}

std::string onlineNotesText(const OnlineTextNotes& notes) {
    std::string out;
    if (notes.replaced > 0)
        out += "・Shift-JIS で表せない文字や制御文字を「" + std::string(kReplacedMark) + "」に" +
               "置き換えました（" + std::to_string(notes.replaced) + " 文字）。\n";
    if (notes.cut > 0)
        out += "・長すぎるタイトル・名前を「" + std::string(kCutMark) + "」で切りました（" +
               std::to_string(notes.cut) + " か所）。\n";
    if (notes.releaseTracks != notes.discTracks && notes.releaseTracks > 0)
        out += "・ディスクは " + std::to_string(notes.discTracks) + " 曲ですが、見つかった情報は " +
               std::to_string(notes.releaseTracks) + " 曲です。\n";
    if (out.empty()) return out;
    return out + "保存する前に内容を確かめてください。";
}

}  // namespace lirafok

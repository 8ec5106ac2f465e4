#include "lyrics/lrc_file.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "core/raw_file.h"
#include "core/text.h"
#include "lyrics/lyrics_file.h"

namespace lirafok {

namespace {

const char* const kSizeTag = "lirafok-size";
const char* const kPageTag = "lirafok-page";

const char* const kTooManyLines =
    "LRCファイルの行が多すぎます（時刻のある行は200行まで）。読み込めません。";
const char* const kTimeTooLong =
    "LRCファイルに長すぎる時刻（999999ミリ秒以上）があります。読み込めません。";
const char* const kCannotRead = "LRCファイルを読み込めません。";

bool allDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "mm:ss", "mm:ss.f..." or "mm:ss:ff" (some tools separate the hundredths with a colon), in
// ms; nullopt when `body` is not a time. Digits beyond milliseconds are dropped.
std::optional<std::int64_t> parseTime(std::string_view body) {
    const auto colon = body.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view minutes = body.substr(0, colon);
    std::string_view rest = body.substr(colon + 1);
    std::string_view seconds = rest, fraction;
    if (const auto sep = rest.find_first_of(".:"); sep != std::string_view::npos) {
        seconds = rest.substr(0, sep);
        fraction = rest.substr(sep + 1);
        if (!allDigits(fraction)) return std::nullopt;
    }
    if (!allDigits(minutes) || !allDigits(seconds) || minutes.size() > 6 || seconds.size() > 2)
        return std::nullopt;
    std::int64_t ms =
        std::stoll(std::string(minutes)) * 60000 + std::stoll(std::string(seconds)) * 1000;
    std::string f(fraction.substr(0, 3));
    while (!f.empty() && f.size() < 3) f += '0';
    if (!f.empty()) ms += std::stoll(f);
    return ms;
}

// One bracketed tag at the start of `line`: its body, and the rest after it.
bool takeTag(std::string_view& line, std::string_view& body) {
    if (line.size() < 2 || line.front() != '[') return false;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return false;
    body = line.substr(1, close - 1);
    line.remove_prefix(close + 1);
    return true;
}

// An ID tag "key:value" whose key is a word (letters, digits, '-', '_', '#').
bool idTag(std::string_view body, std::string& key, std::string& value) {
    const auto colon = body.find(':');
    if (colon == 0 || colon == std::string_view::npos) return false;
    for (char c : body.substr(0, colon))
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '#')
            return false;
    key.clear();
    for (char c : body.substr(0, colon))
        key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    value = std::string(body.substr(colon + 1));
    return true;
}

// Word times of the extended format ("<01:02.30>") inside a line are for word-by-word
// players; the lyric line keeps only the words.
std::string dropWordTimes(std::string_view text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '<') {
            const auto close = text.find('>', i);
            if (close != std::string_view::npos && parseTime(text.substr(i + 1, close - i - 1))) {
                i = close + 1;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

bool validUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t extra = c < 0x80                ? 0
                                  : c >= 0xC2 && c < 0xE0 ? 1
                                  : c >= 0xE0 && c < 0xF0 ? 2
                                  : c >= 0xF0 && c < 0xF5 ? 3
                                                          : 4;
        if (extra == 4 || i + extra >= s.size() + (extra == 0)) return false;
        for (std::size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

std::vector<std::string> splitEditorText(const std::string& text) {
    std::vector<std::string> lines;
    for (std::string_view l : rawfile::splitLines(text)) lines.emplace_back(l);
    return lines;
}

}  // namespace

std::string formatLrcTime(std::int32_t ms) {
    if (ms < 0) ms = 0;
    const std::int32_t minutes = ms / 60000, seconds = ms / 1000 % 60, frac = ms % 1000;
    std::string out = "[" + text::pad(minutes, 2) + ":" + text::pad(seconds, 2) + ".";
    out += frac % 10 == 0 ? text::pad(frac / 10, 2) : text::pad(frac, 3);
    return out + "]";
}

std::string formatLrc(const LrcLyrics& lyrics, const LrcTags& tags) {
    std::string out;
    auto line = [&out](const std::string& l) { out += l + "\r\n"; };
    if (!tags.title.empty()) line("[ti:" + tags.title + "]");
    if (!tags.artist.empty()) line("[ar:" + tags.artist + "]");
    if (!tags.album.empty()) line("[al:" + tags.album + "]");
    if (lyrics.fontSize != 0)
        line("[" + std::string(kSizeTag) + ":" + std::to_string(lyrics.fontSize) + "]");
    for (std::size_t i = 0; i < lyrics.lines.size(); ++i) {
        const std::int32_t t = i < lyrics.times.size() ? lyrics.times[i] : kNoTiming;
        if (t == kNoTiming || i >= static_cast<std::size_t>(kTimedLyricLines)) {
            line(lyrics.lines[i]);
            continue;
        }
        if (i < lyrics.pages.size() && lyrics.pages[i] != 0)
            line("[" + std::string(kPageTag) + ":]");
        line(formatLrcTime(t) + lyrics.lines[i]);
    }
    return out;
}

LrcImport parseLrc(std::string_view utf8) {
    struct Entry {
        std::int64_t key;   // sort key: the time, or that of the timed line above
        std::size_t order;  // place in the file, for a stable order among equal keys
        std::string text;
        std::int64_t time;  // -1: untimed
        int page;
        bool copy = false;  // a second or later time of one line
    };
    LrcImport result;
    std::vector<Entry> entries;
    if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
    std::int64_t offset = 0;
    int fontSize = 0;
    bool pagePending = false;

    for (std::string_view raw : rawfile::splitLines(utf8)) {
        std::string_view rest = raw, body;
        std::vector<std::int64_t> times;
        bool tagLine = false;
        std::string key, value;
        while (true) {
            std::string_view probe = rest;
            if (!takeTag(probe, body)) break;
            if (auto t = parseTime(body)) {
                times.push_back(*t);
                rest = probe;
                continue;
            }
            // An ID tag counts only as a line of its own, so that a lyric line that starts
            // with brackets ("[Chorus]") stays text.
            if (times.empty() && idTag(body, key, value) &&
                probe.find_first_not_of(" \t") == std::string_view::npos) {
                tagLine = true;
                rest = probe;
            }
            break;
        }
        if (tagLine) {
            if (key == "offset") {
                offset = text::val(value);
            } else if (key == kSizeTag) {
                const int size = text::val(value);
                if (markerForFontSize(size) != 0 || size == 0) fontSize = size;
            } else if (key == kPageTag) {
                pagePending = true;
            }
            continue;
        }
        std::string lyric = dropWordTimes(rest);
        if (times.empty()) {
            entries.push_back({-1, entries.size(), std::move(lyric), -1, 0});
            continue;
        }
        for (std::size_t k = 0; k < times.size(); ++k) {
            entries.push_back(
                {times[k], entries.size(), lyric, times[k], pagePending ? 1 : 0, k > 0});
        }
        pagePending = false;
    }

    for (Entry& e : entries) {
        if (e.time < 0) continue;
        // A positive offset shows the lines earlier.
        e.time = std::max<std::int64_t>(0, e.time - offset);
        e.key = e.time;
        if (e.time >= kNoTiming) {
            result.error = kTimeTooLong;
            return result;
        }
    }
    // Untimed lines follow the timed line above them (the first time of a line with several).
    std::int64_t carry = -1;
    for (Entry& e : entries) {
        if (e.time < 0)
            e.key = carry;
        else if (!e.copy)
            carry = e.time;
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.key < b.key; });

    if (entries.size() > static_cast<std::size_t>(kLyricSlots)) {
        result.error = kTooManyLines;
        return result;
    }
    LrcLyrics& l = result.lyrics;
    l.fontSize = fontSize;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        if (e.time >= 0 && i >= static_cast<std::size_t>(kTimedLyricLines)) {
            result.error = kTooManyLines;
            result.lyrics = {};
            return result;
        }
        l.lines.push_back(e.text);
        l.times.push_back(e.time >= 0 ? static_cast<std::int32_t>(e.time) : kNoTiming);
        l.pages.push_back(e.page);
    }
    result.ok = true;
    return result;
}

std::string decodeLrcBytes(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return validUtf8(bytes) ? std::string(bytes) : text::fromCp932(bytes);
}

LrcImport readLrcFile(const std::string& path) {
    const std::optional<std::string> bytes = rawfile::readBytes(path);
    if (!bytes) {
        LrcImport refused;
        refused.error = kCannotRead;
        return refused;
    }
    return parseLrc(decodeLrcBytes(*bytes));
}

bool writeLrcFile(const std::string& path, const LrcLyrics& lyrics, const LrcTags& tags) {
    return rawfile::writeBytes(path, formatLrc(lyrics, tags));
}

LrcLyrics lrcFromEditor(int fontSize, const std::string& editText, const LyricTimeTable& times,
                        const LyricTimeTable& pageFlags) {
    LrcLyrics l;
    l.fontSize = fontSize;
    l.lines = splitEditorText(editText);
    for (std::size_t i = 0; i < l.lines.size(); ++i) {
        const bool inTable = i < static_cast<std::size_t>(kTimedLyricLines);
        l.times.push_back(inTable ? times[i] : kNoTiming);
        l.pages.push_back(inTable && times[i] != kNoTiming ? pageFlags[i] : 0);
    }
    return l;
}

EditorForm lrcToEditor(const LrcLyrics& lyrics) {
    EditorForm f;
    for (std::size_t i = 0; i < lyrics.lines.size(); ++i) {
        f.text += lyrics.lines[i] + "\r\n";
        if (i < static_cast<std::size_t>(kLyricSlots)) {
            f.times[i] = i < lyrics.times.size() ? lyrics.times[i] : kNoTiming;
            f.pageFlags[i] = i < lyrics.pages.size() ? lyrics.pages[i] : 0;
        }
    }
    return f;
}

}  // namespace lirafok

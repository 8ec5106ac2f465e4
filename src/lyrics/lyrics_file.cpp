#include "lyrics/lyrics_file.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "core/raw_file.h"
#include "lyrics/syllable_file.h"
#include "core/text.h"

namespace lirafok {
namespace {

// A lyrics file cut into its sections.
struct Sections {
    int fontSize = 0;
    std::vector<std::string> text;
    std::vector<std::string> timing;
};

// The file's lines, or nothing when it cannot be read or is too large to be a lyric.
std::optional<std::vector<std::string>> readLyricsLines(const std::string& path) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxLyricsFileBytes) return std::nullopt;
    return text::readLines(path);
}

Sections splitSections(std::vector<std::string>&& lines) {
    Sections s;
    std::size_t i = 0;
    for (; i < lines.size(); ++i) {
        const char32_t first = text::firstChar(lines[i]);
        if (first == static_cast<char32_t>(kLyricsSeparator)) {
            ++i;
            for (; i < lines.size(); ++i) s.timing.push_back(std::move(lines[i]));
            break;
        }
        if (i == 0) {
            s.fontSize = markerFontSize(first);
            if (s.fontSize != 0) continue;
        }
        s.text.push_back(std::move(lines[i]));
    }
    return s;
}

bool inTables(std::int32_t index) {
    return index >= 0 && index < kLyricSlots;
}

std::string joinWithCrLf(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

// Lines of an edit-box text; CR LF and a lone LF both end a line, a final unterminated piece
// is a line.
std::vector<std::string> splitEditText(const std::string& s) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < s.size()) {
        const std::size_t lf = s.find('\n', start);
        if (lf == std::string::npos) {
            lines.push_back(s.substr(start));
            break;
        }
        std::size_t end = lf;
        if (end > start && s[end - 1] == '\r') --end;
        lines.push_back(s.substr(start, end - start));
        start = lf + 1;
    }
    return lines;
}

void appendTimingLines(std::vector<std::string>& out, const LyricTimeTable& times,
                       const LyricTimeTable& pageFlags) {
    for (int i = 0; i < kTimedLyricLines; ++i)
        if (times[i] != kNoTiming) out.push_back(formatTimingLine(i, times[i], pageFlags[i]));
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string lyricsFilePath(const std::string& folder, const std::string& discKey, int track) {
    return folder + text::mid(discKey, 1, 8) + "." + text::mid(discKey, 9, 1) + text::pad(track, 2);
}

int markerFontSize(char32_t first) {
    switch (first) {
        case 0x02:
            return 10;
        case 0x04:
            return 11;
        case 0x01:
            return 12;
        case 0x05:
            return 13;
        case 0x06:
            return 14;
        default:
            return 0;
    }
}

char markerForFontSize(int fontSize) {
    switch (fontSize) {
        case 10:
            return '\x02';
        case 11:
            return '\x04';
        case 12:
            return '\x01';
        case 13:
            return '\x05';
        case 14:
            return '\x06';
        default:
            return 0;
    }
}

TimingLine parseTimingLine(const std::string& line, int timeWidth) {
    TimingLine t;
    t.index = text::val(text::mid(line, 1, 3));
    t.time = text::val(text::mid(line, 5, timeWidth));
    t.flag = text::val(text::mid(line, 12, 1));
    return t;
}

std::string formatTimingLine(int index, std::int32_t time, std::int32_t flag) {
    // A negative time keeps its six columns ("-00010"): six digits after the sign would push
    // the flag out of column 12, and every reader would then take another flag.
    const std::string t =
        time < 0 && time >= -99999 ? "-" + text::pad(-time, 5) : text::pad(time, 6);
    return text::pad(index, 3) + " " + t + " " + text::pad(flag, 1);
}

std::string expandTabsToStops(const std::string& line) {
    std::string out;
    long added = 0;     // columns added by earlier tabs
    long position = 0;  // 1-based character position in `line`
    for (char c : line) {
        if (!isContinuationByte(c)) ++position;
        if (c != '\t') {
            out += c;
            continue;
        }
        const long column = added + position;
        const long blanks = 8 * ((column - 1) / 8 + 1) - column + 1;
        out.append(static_cast<std::size_t>(blanks), ' ');
        added += blanks - 1;
    }
    return out;
}

std::string expandTabsFixed(const std::string& line) {
    std::string out;
    for (char c : line) {
        if (c == '\t')
            out += "        ";
        else
            out += c;
    }
    return out;
}

bool lyricsFileUnreadable(const std::string& path) {
    if (!rawfile::fileExists(path)) return false;
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxLyricsFileBytes) return true;
    rawfile::ChunkReader reader(path);
    return !reader.isOpen();
}

DisplayLyrics readDisplayLyrics(const std::string& path, LyricTables& t) {
    DisplayLyrics result;
    std::optional<std::vector<std::string>> lines = readLyricsLines(path);
    if (!lines) return result;
    const Sections s = splitSections(std::move(*lines));
    if (s.text.size() > static_cast<std::size_t>(kLyricSlots)) return result;

    std::vector<TimingLine> accepted;
    bool timed = false;
    for (const std::string& line : s.timing) {
        if (line.empty()) continue;
        timed = true;
        const TimingLine tl = parseTimingLine(line);
        // The display follows no line timed at 0 or 999 ms, nor the untimed value.
        if (tl.time == kNoTiming || tl.time == 0 || tl.time == 999) continue;
        if (!inTables(tl.index)) return result;
        accepted.push_back(tl);
    }

    // Times of the previous lyric are cleared before the new text goes in, so that no entry
    // of the new text is mistaken for a stale timed entry.
    t.times.fill(kNoTiming);
    t.pageFlags.fill(0);
    for (std::size_t i = 0; i < t.lines.size(); ++i)
        t.lines[i] = i < s.text.size() ? expandTabsToStops(s.text[i]) : std::string();
    t.count = static_cast<int>(s.text.size());
    t.anyPageFlag = 0;
    for (const TimingLine& tl : accepted) {
        t.times[tl.index] = tl.time;
        t.pageFlags[tl.index] = tl.flag;
        t.count = tl.index + 1;
        if (tl.flag == 1) t.anyPageFlag = 1;
    }

    result.ok = true;
    result.fontSize = s.fontSize;
    result.rawText = joinWithCrLf(s.text);
    result.timed = timed;
    return result;
}

SetterLyrics readSetterLyrics(const std::string& path, LyricTables& t) {
    t = LyricTables{};
    SetterLyrics result;
    std::optional<std::vector<std::string>> lines = readLyricsLines(path);
    if (!lines) return result;
    const Sections s = splitSections(std::move(*lines));
    if (s.text.size() > static_cast<std::size_t>(kLyricSlots)) return result;

    LyricTables loaded;
    for (std::size_t i = 0; i < s.text.size(); ++i) loaded.lines[i] = expandTabsFixed(s.text[i]);
    loaded.count = static_cast<int>(s.text.size());
    for (const std::string& line : s.timing) {
        if (line.empty()) continue;
        const TimingLine tl = parseTimingLine(line);
        if (!inTables(tl.index)) return result;
        loaded.times[tl.index] = tl.time;
        loaded.pageFlags[tl.index] = tl.flag;
        if (tl.flag == 1) loaded.anyPageFlag = 1;
    }
    t = std::move(loaded);
    result.ok = true;
    result.hasText = !s.text.empty();
    result.fontSize = s.fontSize;
    return result;
}

EditorLyrics readEditorLyrics(const std::string& path) {
    EditorLyrics result;
    std::optional<std::vector<std::string>> lines = readLyricsLines(path);
    if (!lines) return result;
    const Sections s = splitSections(std::move(*lines));
    result.exists = true;
    result.fontSize = s.fontSize;
    result.text = joinWithCrLf(s.text);
    for (const std::string& line : s.timing) {
        if (line.empty()) continue;
        // Seven characters from column 5 read the same number as six for a six-digit field
        // (column 11 is the blank) and keep a seven-digit time whole.
        const TimingLine tl = parseTimingLine(line, 7);
        // An index the tables cannot hold could never be written back, nor a time wider than
        // its six columns (a foreign file's 1234567 or -123456 would push the page flag out
        // of column 12, and every other reader would take a different time and flag from
        // it). Dropping the line is better than refusing the whole file, which would leave
        // the editor empty.
        if (!inTables(tl.index) || tl.time < -99999 || tl.time > kNoTiming) continue;
        result.times[tl.index] = tl.time;
        result.pageFlags[tl.index] = tl.flag;
    }
    return result;
}

bool saveLyricsText(const std::string& path, int fontSize, const std::string& editText,
                    const LyricTimeTable& times, const LyricTimeTable& pageFlags) {
    std::vector<std::string> lines;
    if (const char marker = markerForFontSize(fontSize)) lines.emplace_back(1, marker);
    // The editor reader ends every line it loads with CR LF, the last one included: that line
    // break ends the last line, it does not start another (an unchanged text saves as it was).
    for (std::string& line : splitEditText(editText)) lines.push_back(std::move(line));
    lines.emplace_back(1, kLyricsSeparator);
    appendTimingLines(lines, times, pageFlags);
    return text::writeLines(path, lines);
}

bool saveLyricsTimings(const std::string& path, const std::string& backupPath,
                       const LyricTables& t) {
    const std::optional<std::string> data = rawfile::readBytes(path);
    if (!data) return false;
    if (!rawfile::writeBytes(backupPath, *data)) return false;

    std::string out;
    out.reserve(data->size() + 64);
    for (std::string_view raw : rawfile::splitLines(*data)) {
        // 0x03 is never part of a CP932 double-byte character, so the raw test is exact.
        if (!raw.empty() && raw.front() == kLyricsSeparator) break;
        out += raw;
        out += "\r\n";
    }
    std::vector<std::string> timing;
    appendTimingLines(timing, t.times, t.pageFlags);
    out += kLyricsSeparator;
    out += "\r\n";
    for (const std::string& line : timing) {
        out += line;
        out += "\r\n";
    }
    return rawfile::writeBytes(path, out);
}

std::string lyricsSourcePath(const std::string& editorPath, int sourceTrack) {
    const std::size_t chars = text::charLength(editorPath);
    return text::left(editorPath, chars >= 2 ? chars - 2 : 0) + text::pad(sourceTrack, 2);
}

bool copyLyrics(const std::string& editorPath, int sourceTrack) {
    const std::string source = lyricsSourcePath(editorPath, sourceTrack);
    if (!rawfile::fileExists(source)) return false;
    if (!text::copyFile(source, editorPath)) return false;
    // The syllables and readings go with their lyric; a target's own would fit no line now.
    const std::string fromSide = syllableFilePath(source), toSide = syllableFilePath(editorPath);
    if (rawfile::fileExists(fromSide)) return text::copyFile(fromSide, toSide);
    return !rawfile::fileExists(toSide) || std::remove(toSide.c_str()) == 0;
}

}  // namespace lirafok

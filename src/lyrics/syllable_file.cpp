#include "lyrics/syllable_file.h"

#include <cstdio>

#include "core/raw_file.h"
#include "core/text.h"

namespace lirafok {

namespace {

const char* const kHeader = "#LIRAFOK-SYL 1";
const char* const kOffset = "#OFFSET=";

bool digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string escapeText(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == '[')
            out += "[[]";
        else
            out += c;
    }
    return out;
}

std::string tag(std::int32_t t) {
    if (t == kNoTiming) return "[-]";
    std::string out(1, '[');
    out += std::to_string(t);
    out += ']';
    return out;
}

}  // namespace

std::string syllableFilePath(const std::string& lyricsPath) {
    return lyricsPath + kSyllableFileSuffix;
}

std::string formatTaggedLine(const SyllableLine& line) {
    if (line.syllables.empty()) return escapeText(line.text);
    std::string out;
    for (std::size_t i = 0; i < line.syllables.size(); ++i) {
        const Syllable& s = line.syllables[i];
        if (i > 0) {
            const std::int32_t prevEnd = line.syllables[i - 1].end;
            if (prevEnd != kNoTiming) out += tag(prevEnd);
        }
        out += tag(s.start);
        out += escapeText(s.text);
    }
    if (line.syllables.back().end != kNoTiming) out += tag(line.syllables.back().end);
    return out;
}

bool parseTaggedLine(std::string_view tagged, SyllableLine& line) {
    line = SyllableLine{};
    std::vector<std::int32_t> pending;  // tags read since the last piece of text
    bool anyTag = false;
    std::string piece;
    auto flushPiece = [&] {
        if (piece.empty()) return;
        if (!line.syllables.empty() && pending.size() >= 2) line.syllables.back().end = pending[0];
        Syllable s{piece, pending.empty() ? kNoTiming : pending.back(), kNoTiming};
        if (pending.empty() && !line.syllables.empty()) {
            // Text with no tag before it continues the syllable before.
            line.syllables.back().text += piece;
        } else {
            line.syllables.push_back(std::move(s));
        }
        line.text += piece;
        piece.clear();
        pending.clear();
    };
    for (std::size_t i = 0; i < tagged.size();) {
        if (tagged[i] != '[') {
            piece += tagged[i++];
            continue;
        }
        if (tagged.substr(i, 3) == "[[]") {
            piece += '[';
            i += 3;
            continue;
        }
        const auto close = tagged.find(']', i);
        if (close == std::string_view::npos) return false;
        const std::string_view body = tagged.substr(i + 1, close - i - 1);
        std::int32_t t;
        if (body == "-")
            t = kNoTiming;
        else if (digits(body) && body.size() <= 9)
            t = static_cast<std::int32_t>(std::stol(std::string(body)));
        else
            return false;
        flushPiece();
        pending.push_back(t);
        anyTag = true;
        i = close + 1;
    }
    flushPiece();
    if (!line.syllables.empty() && !pending.empty()) line.syllables.back().end = pending.front();
    if (!anyTag) line.syllables.clear();
    return true;
}

std::vector<std::string> formatSyllableFile(const SyllableTrack& track,
                                            const std::vector<std::string>& unknown) {
    std::vector<std::string> out{kHeader};
    if (track.offsetMs != 0) out.push_back(kOffset + std::to_string(track.offsetMs));
    for (std::size_t i = 0; i < track.lines.size(); ++i) {
        const SyllableLine& l = track.lines[i];
        if (l.empty()) continue;
        const std::string index = text::pad(static_cast<std::int64_t>(i), 3);
        out.push_back(index + "=" + formatTaggedLine(l));
        for (const Ruby& r : l.rubies)
            out.push_back(index + "@" + std::to_string(r.first) + "," + std::to_string(r.length) +
                          "=" + r.reading);
    }
    out.insert(out.end(), unknown.begin(), unknown.end());
    return out;
}

SyllableFile parseSyllableFile(const std::vector<std::string>& lines) {
    SyllableFile f;
    f.exists = true;
    if (lines.empty() || lines.front() != kHeader) {
        f.skipped.push_back("LIRAFOK の文字タイミングファイルではありません");
        return f;
    }
    f.ok = true;
    for (std::size_t n = 1; n < lines.size(); ++n) {
        const std::string& l = lines[n];
        if (l.empty()) continue;
        if (l.starts_with(kOffset)) {
            const std::string v = l.substr(std::string(kOffset).size());
            const bool neg = v.starts_with("-");
            if (!digits(neg ? v.substr(1) : v) || v.size() > 8) {
                f.skipped.push_back(l);
                continue;
            }
            f.track.offsetMs = static_cast<std::int32_t>(std::stol(v));
            continue;
        }
        const auto eq = l.find('=');
        const std::string head = eq == std::string::npos ? "" : l.substr(0, eq);
        const std::string body = eq == std::string::npos ? "" : l.substr(eq + 1);
        if (head.size() < 3 || !digits(head.substr(0, 3))) {
            f.unknown.push_back(l);
            continue;
        }
        const auto index = static_cast<std::size_t>(std::stoi(head.substr(0, 3)));
        if (index >= static_cast<std::size_t>(kLyricSlots)) {
            f.skipped.push_back(l);
            continue;
        }
        if (head.size() == 3) {
            SyllableLine parsed;
            if (!parseTaggedLine(body, parsed) || parsed.text.empty()) {
                f.skipped.push_back(l);
                continue;
            }
            f.track.at(index) = std::move(parsed);
            continue;
        }
        // A reading: "NNN@first,length=reading", for a line whose record came before.
        const auto comma = head.find(',');
        const std::string first = head.size() > 4 && head[3] == '@' && comma != std::string::npos
                                      ? head.substr(4, comma - 4)
                                      : "";
        const std::string length = comma == std::string::npos ? "" : head.substr(comma + 1);
        SyllableLine* line = index < f.track.lines.size() ? &f.track.lines[index] : nullptr;
        if (!digits(first) || !digits(length) || first.size() > 4 || length.size() > 4 ||
            body.empty() || !line || line->text.empty() ||
            !setRuby(*line, std::stoul(first), std::stoul(length), body)) {
            f.skipped.push_back(l);
            continue;
        }
    }
    return f;
}

SyllableFile readSyllableFile(const std::string& path) {
    const auto lines = text::readLines(path);
    if (!lines) return SyllableFile{};
    return parseSyllableFile(*lines);
}

bool writeSyllableFile(const std::string& path, const SyllableTrack& track,
                       const std::vector<std::string>& unknown) {
    if (track.empty() && unknown.empty()) {
        if (!rawfile::fileExists(path)) return true;
        return std::remove(path.c_str()) == 0;
    }
    return text::writeLines(path, formatSyllableFile(track, unknown));
}

}  // namespace lirafok

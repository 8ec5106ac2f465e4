#include "lyrics/syllables.h"

#include <algorithm>

#include "core/text.h"

namespace lirafok {

namespace {

// Code points of a UTF-8 string, with the byte offset where each one starts.
struct CodePoint {
    char32_t c;
    std::size_t at;
    std::size_t size;
};

std::vector<CodePoint> codePoints(std::string_view s) {
    std::vector<CodePoint> out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        const std::size_t size = std::min(n, s.size() - i);
        out.push_back({text::firstChar(s.substr(i, size)), i, size});
        i += size;
    }
    return out;
}

bool smallKana(char32_t c) {
    static constexpr std::u32string_view kSmall =
        U"ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶㇰㇱㇲㇳㇴㇵㇶㇷㇸㇹㇺㇻㇼㇽㇾㇿーｰｧｨｩｪｫｬ"
        U"ｭｮｯ";
    return kSmall.find(c) != std::u32string_view::npos;
}

}  // namespace

bool SyllableLine::timed() const {
    return !syllables.empty() && std::all_of(syllables.begin(), syllables.end(),
                                             [](const auto& s) { return s.start != kNoTiming; });
}

std::int32_t SyllableLine::firstTime() const {
    return timed() ? syllables.front().start : kNoTiming;
}

std::int32_t SyllableLine::lastEnd() const {
    return syllables.empty() ? kNoTiming : syllables.back().end;
}

bool SyllableTrack::empty() const {
    return offsetMs == 0 &&
           std::all_of(lines.begin(), lines.end(), [](const auto& l) { return l.empty(); });
}

SyllableLine& SyllableTrack::at(std::size_t index) {
    if (lines.size() <= index) lines.resize(index + 1);
    return lines[index];
}

const SyllableLine* SyllableTrack::find(std::size_t index) const {
    return index < lines.size() && !lines[index].empty() ? &lines[index] : nullptr;
}

CharClass classify(char32_t c) {
    if (smallKana(c)) return CharClass::SmallKana;
    if ((c >= 0x3041 && c <= 0x309F) || (c >= 0x30A0 && c <= 0x30FF) ||
        (c >= 0xFF66 && c <= 0xFF9D))
        return c == 0x30FB ? CharClass::Mark : CharClass::Kana;  // ・ is a mark
    if ((c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
        (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x2FFFF) || c == 0x3005 ||
        c == 0x3006 || c == 0x3007)
        return CharClass::Kanji;
    if (c == ' ' || c == '\t' || c == 0x3000) return CharClass::Space;
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '\'' ||
        (c >= 0xC0 && c <= 0x24F) || (c >= 0xFF10 && c <= 0xFF19) || (c >= 0xFF21 && c <= 0xFF3A) ||
        (c >= 0xFF41 && c <= 0xFF5A))
        return CharClass::Word;
    return CharClass::Mark;
}

std::vector<Syllable> splitSyllables(std::string_view line) {
    std::vector<Syllable> out;
    std::string prefix;  // blanks and marks before the first unit
    CharClass last = CharClass::Mark;
    bool lastJoinable = false;  // the unit before can take a following kanji or letter
    for (const CodePoint& cp : codePoints(line)) {
        const std::string_view ch = line.substr(cp.at, cp.size);
        const CharClass k = classify(cp.c);
        const bool glue =
            k == CharClass::SmallKana || k == CharClass::Space || k == CharClass::Mark;
        bool newUnit;
        if (out.empty())
            newUnit = !glue || k == CharClass::SmallKana;
        else if (glue)
            newUnit = false;
        else if (k == CharClass::Kanji || k == CharClass::Word)
            newUnit = !(lastJoinable && last == k);
        else
            newUnit = true;
        if (newUnit) {
            out.push_back({prefix + std::string(ch)});
            prefix.clear();
            last = k;
            lastJoinable = true;
        } else if (out.empty()) {
            prefix += ch;
        } else {
            out.back().text += ch;
            // A run continues only over its own kind: "夢を" ends the kanji run.
            if (k != last) lastJoinable = false;
        }
    }
    if (!prefix.empty()) {
        if (out.empty())
            out.push_back({prefix});
        else
            out.back().text += prefix;
    }
    return out;
}

bool splitSyllableAt(std::vector<Syllable>& syllables, std::size_t index) {
    if (index >= syllables.size()) return false;
    Syllable& s = syllables[index];
    const auto cps = codePoints(s.text);
    if (cps.size() < 2) return false;
    Syllable rest{s.text.substr(cps[1].at), kNoTiming, s.end};
    s.text.resize(cps[1].at);
    s.end = kNoTiming;
    syllables.insert(syllables.begin() + static_cast<std::ptrdiff_t>(index) + 1, std::move(rest));
    return true;
}

bool joinSyllables(std::vector<Syllable>& syllables, std::size_t index) {
    if (index + 1 >= syllables.size()) return false;
    Syllable& a = syllables[index];
    const Syllable& b = syllables[index + 1];
    a.text += b.text;
    a.end = b.end;
    if (a.start == kNoTiming) a.start = b.start;
    syllables.erase(syllables.begin() + static_cast<std::ptrdiff_t>(index) + 1);
    return true;
}

std::int32_t syllableEnd(const SyllableLine& line, std::size_t index, std::int32_t lineEnd) {
    const auto& s = line.syllables;
    if (index >= s.size()) return lineEnd;
    std::int32_t end = s[index].end;
    if (end == kNoTiming) end = index + 1 < s.size() ? s[index + 1].start : lineEnd;
    if (end == kNoTiming) end = s[index].start;
    return std::max(end, s[index].start);
}

bool setRuby(SyllableLine& line, std::size_t first, std::size_t length, std::string reading) {
    if (length == 0 || first + length > text::charLength(line.text)) return false;
    auto& r = line.rubies;
    r.erase(std::remove_if(r.begin(), r.end(),
                           [&](const Ruby& x) {
                               return x.first < first + length && first < x.first + x.length;
                           }),
            r.end());
    if (!reading.empty()) {
        const auto pos =
            std::find_if(r.begin(), r.end(), [&](const Ruby& x) { return x.first > first; });
        r.insert(pos, Ruby{first, length, std::move(reading)});
    }
    return true;
}

int anchorToLyric(SyllableTrack& track, const std::vector<std::string>& lyricLines) {
    std::vector<SyllableLine> placed(lyricLines.size());
    std::vector<bool> taken(lyricLines.size(), false);
    std::vector<std::size_t> moved;
    int dropped = 0;
    for (std::size_t i = 0; i < track.lines.size(); ++i) {
        if (track.lines[i].empty()) continue;
        if (i < lyricLines.size() && lyricLines[i] == track.lines[i].text) {
            placed[i] = std::move(track.lines[i]);
            taken[i] = true;
        } else {
            moved.push_back(i);
        }
    }
    for (std::size_t i : moved) {
        SyllableLine& l = track.lines[i];
        std::size_t best = lyricLines.size();
        std::size_t bestDistance = SIZE_MAX;
        for (std::size_t j = 0; j < lyricLines.size(); ++j) {
            if (taken[j] || lyricLines[j] != l.text) continue;
            const std::size_t d = j > i ? j - i : i - j;
            if (d < bestDistance) {
                bestDistance = d;
                best = j;
            }
        }
        if (best == lyricLines.size()) {
            ++dropped;
            continue;
        }
        placed[best] = std::move(l);
        taken[best] = true;
    }
    while (!placed.empty() && placed.back().empty()) placed.pop_back();
    track.lines = std::move(placed);
    return dropped;
}

}  // namespace lirafok

#include "device/real/cue_sheet.h"

#include <algorithm>

#include "core/text.h"

namespace lirafok::device::real {

namespace {

bool isAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The first blank-separated word of `s`; `s` keeps what follows it.
std::string_view nextWord(std::string_view& s) {
    s = trim(s);
    std::size_t end = 0;
    while (end < s.size() && !isBlank(s[end])) ++end;
    const std::string_view word = s.substr(0, end);
    s = trim(s.substr(end));
    return word;
}

bool sameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto up = [](char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; };
               return up(x) == up(y);
           });
}

// A decimal number of up to six digits; -1 when `s` is anything else.
int number(std::string_view s) {
    if (s.empty() || s.size() > 6) return -1;
    int n = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

// "mm:ss:ff", "ss:ff" or "ff" in sectors. The leftmost field may be of any size; seconds below
// it stay below 60 and frames below 75.
std::optional<std::int64_t> sectorsOf(std::string_view time) {
    std::int64_t fields[3] = {0, 0, 0};
    int count = 0;
    while (true) {
        const auto colon = time.find(':');
        const int n = number(time.substr(0, colon));
        if (n < 0 || count == 3) return std::nullopt;
        fields[count++] = n;
        if (colon == std::string_view::npos) break;
        time.remove_prefix(colon + 1);
    }
    // Read from the right: the last field is always frames.
    const std::int64_t frames = fields[count - 1];
    const std::int64_t seconds = count >= 2 ? fields[count - 2] : 0;
    const std::int64_t minutes = count == 3 ? fields[0] : 0;
    if (count >= 2 && frames >= 75) return std::nullopt;
    if (count == 3 && seconds >= 60) return std::nullopt;
    return (minutes * 60 + seconds) * 75 + frames;
}

// The value of TITLE, PERFORMER and FILE: from the first quote to the last one on the line, so
// that a quote inside a title ('TITLE "12" Single"') stays in it. Unquoted, the whole rest.
std::string_view quotedValue(std::string_view rest) {
    if (rest.empty() || rest.front() != '"') return rest;
    const auto last = rest.rfind('"');
    return last > 0 ? rest.substr(1, last - 1) : rest.substr(1);
}

bool cp932Lead(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// True when `bytes` are valid CP932 that reads as Japanese: kana, a run of double-byte
// characters, or a double-byte character standing apart from ASCII letters. An isolated pair
// glued to letters is what Western text looks like through CP932 ("Don\x92t": 0x92 't' is a
// kanji), so it is no evidence. User-defined characters count as invalid: Western text makes
// them (0xF6 'r' of "Mot\xF6rhead") far more often than Japanese text uses them.
bool looksLikeJapaneseCp932(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    bool japanese = false;
    bool afterPair = false;
    int halfWidthRun = 0;
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            afterPair = false;
            halfWidthRun = 0;
            ++i;
            continue;
        }
        if (b >= 0xA1 && b <= 0xDF) {
            // Half-width katakana; alone it is as likely an accented Western capital.
            if (++halfWidthRun >= 2) japanese = true;
            afterPair = false;
            ++i;
            continue;
        }
        halfWidthRun = 0;
        if (!cp932Lead(b) || i + 1 >= n) return false;
        const char32_t c = text::firstChar(text::fromCp932(bytes.substr(i, 2)));
        if (c >= 0xE000 && c <= 0xF8FF) return false;  // no character, or a user-defined one
        const unsigned char trail = p[i + 1];
        const bool kana = (b == 0x82 && trail >= 0x9F) || (b == 0x83 && trail <= 0x96);
        const bool glued = isAsciiAlnum(trail) || (i > 0 && isAsciiAlnum(p[i - 1])) ||
                           (i + 2 < n && isAsciiAlnum(p[i + 2]));
        if (kana || afterPair || !glued) japanese = true;
        afterPair = true;
        i += 2;
    }
    return japanese;
}

CueEncoding legacyEncoding(std::string_view bytes) {
    if (text::validUtf8(bytes)) return CueEncoding::Utf8;
    return looksLikeJapaneseCp932(bytes) ? CueEncoding::Cp932 : CueEncoding::Cp1252;
}

std::string decode(std::string_view bytes, CueEncoding encoding) {
    switch (encoding) {
        case CueEncoding::Cp932:
            return text::fromCp932(bytes);
        case CueEncoding::Cp1252:
            return text::fromCp1252(bytes);
        case CueEncoding::Utf8:
        case CueEncoding::Utf16:
            break;
    }
    return std::string(bytes);
}

// UTF-16 code units (after the byte-order mark) as UTF-8; an unpaired surrogate becomes
// U+FFFD, an odd last byte is dropped.
std::string fromUtf16(std::string_view bytes, bool bigEndian) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    auto unit = [&](std::size_t i) -> char32_t {
        return bigEndian ? (p[i] << 8 | p[i + 1]) : (p[i] | p[i + 1] << 8);
    };
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
        text::appendUtf8(out, c);
    }
    return out;
}

// Where an index lies on the disc, before the files' lengths are known: files come one after
// another, so an index in a later FILE entry lies later.
bool before(const CueIndex& a, const CueIndex& b) {
    return a.file != b.file ? a.file < b.file : a.sector < b.sector;
}

void setMode(CueTrack& track, std::string_view mode) {
    track.audio = sameWord(mode, "AUDIO") || sameWord(mode, "CDG");
    track.sectorBytes = sameWord(mode, "CDG") ? 2448 : 2352;
    // MODE1/2048, MODE2/2336, CDI/2352, ...: the size follows the slash.
    const auto slash = mode.find('/');
    if (!track.audio && slash != std::string_view::npos) {
        const int size = number(mode.substr(slash + 1));
        if (size >= 2048 && size <= 2448) track.sectorBytes = size;
    }
}

class Parser {
public:
    Parser(std::string_view text, CueEncoding encoding) : m_text(text) {
        m_sheet.encoding = encoding;
    }

    std::optional<CueSheet> run(CueRefusal* refusal) {
        std::size_t at = 0;
        while (at < m_text.size()) {
            std::size_t end = m_text.find_first_of("\r\n", at);
            if (end == std::string_view::npos) end = m_text.size();
            ++m_line;
            if (!line(m_text.substr(at, end - at))) break;
            at = end + (m_text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        }
        if (m_why.empty()) {
            if (m_sheet.tracks.empty())
                m_why = " にはトラックがありません";
            else
                trackComplete();
        }
        if (m_why.empty()) return std::move(m_sheet);
        if (refusal) *refusal = {m_why, false};
        return std::nullopt;
    }

private:
    std::string at(int line) const { return " の " + std::to_string(line) + " 行目の"; }
    std::string trackName() const { return "トラック " + std::to_string(m_sheet.tracks.size()); }
    bool fail(std::string why) {
        m_why = std::move(why);
        return false;
    }

    // False when the sheet is refused.
    bool line(std::string_view text) {
        std::string_view rest = text;
        const std::string_view key = nextWord(rest);
        if (sameWord(key, "FILE")) return file(rest);
        if (sameWord(key, "TRACK")) return track(rest);
        if (sameWord(key, "INDEX")) return index(rest);
        if (sameWord(key, "PREGAP") || sameWord(key, "POSTGAP")) return gap(key, rest);
        if (sameWord(key, "TITLE") || sameWord(key, "PERFORMER")) {
            std::string value = decode(quotedValue(rest), m_sheet.encoding);
            const bool title = sameWord(key, "TITLE");
            if (m_sheet.tracks.empty())
                (title ? m_sheet.title : m_sheet.performer) = std::move(value);
            else
                (title ? m_sheet.tracks.back().title : m_sheet.tracks.back().performer) =
                    std::move(value);
        }
        return true;
    }

    bool file(std::string_view rest) {
        std::string_view name, type;
        if (!rest.empty() && rest.front() == '"' && rest.rfind('"') > 0) {
            name = quotedValue(rest);
            type = trim(rest.substr(rest.rfind('"') + 1));
        } else {
            if (!rest.empty() && rest.front() == '"') rest.remove_prefix(1);  // never closed
            // The type is the last word, unless that word is the name's own ("a.wav").
            const auto blank = rest.find_last_of(" \t");
            name = rest;
            if (blank != std::string_view::npos &&
                rest.substr(blank + 1).find('.') == std::string_view::npos) {
                name = trim(rest.substr(0, blank));
                type = rest.substr(blank + 1);
            }
        }
        if (name.empty()) return fail(at(m_line) + " FILE が正しくありません");
        CueFile f;
        f.rawName = std::string(name);
        f.name = decode(name, m_sheet.encoding);
        f.kind = sameWord(type, "BINARY")     ? CueFileKind::Binary
                 : sameWord(type, "MOTOROLA") ? CueFileKind::Motorola
                                              : CueFileKind::Audio;
        f.line = m_line;
        // One file named twice in a row is one file: its times go on from its own start.
        if (!m_sheet.files.empty() && m_sheet.files.back().rawName == f.rawName &&
            m_sheet.files.back().kind == f.kind)
            return true;
        m_sheet.files.push_back(std::move(f));
        return true;
    }

    bool track(std::string_view rest) {
        if (m_sheet.files.empty()) return fail(at(m_line) + " TRACK の前に FILE 行がありません");
        if (!m_sheet.tracks.empty() && !trackComplete()) return false;
        if (m_sheet.tracks.size() == 99)
            return fail(at(m_line) + "トラックが 99 を超えています（CD のトラックは 99 まで）");
        const int n = number(nextWord(rest));
        if (n < 1 || n > 99) return fail(at(m_line) + " TRACK が正しくありません");
        CueTrack t;
        t.number = n;
        t.line = m_line;
        t.file = static_cast<int>(m_sheet.files.size()) - 1;
        setMode(t, nextWord(rest));
        m_sheet.tracks.push_back(std::move(t));
        return true;
    }

    // The track just read has an INDEX 01.
    bool trackComplete() {
        const CueTrack& t = m_sheet.tracks.back();
        const bool start = std::any_of(t.indexes.begin(), t.indexes.end(),
                                       [](const CueIndex& i) { return i.number == 1; });
        return start || fail(at(t.line) + trackName() + " に INDEX 01 がありません");
    }

    bool index(std::string_view rest) {
        if (m_sheet.tracks.empty()) return fail(at(m_line) + " INDEX がトラックの外にあります");
        const int n = number(nextWord(rest));
        if (n < 0 || n > 99) return fail(at(m_line) + " INDEX 番号が正しくありません");
        const std::string_view time = nextWord(rest);
        const auto sector = sectorsOf(time);
        if (!sector)
            return fail(at(m_line) + " INDEX の時間「" + std::string(time) +
                        "」が正しくありません");
        CueTrack& t = m_sheet.tracks.back();
        const CueIndex index{n, static_cast<int>(m_sheet.files.size()) - 1, *sector, m_line};
        const std::string where = at(m_line) + trackName();
        if (t.indexes.empty()) {
            // A track's audio begins after all of the previous track's indexes.
            if (m_sheet.tracks.size() > 1) {
                const CueIndex& last = m_sheet.tracks[m_sheet.tracks.size() - 2].indexes.back();
                if (!before(last, index))
                    return fail(where + " の INDEX が前のトラックと重なっています");
            }
        } else {
            const CueIndex& last = t.indexes.back();
            if (n <= last.number) {
                return fail(where + (n == 0 && last.number > 0
                                         ? " の INDEX 00 が INDEX 01 より後にあります"
                                         : " の INDEX 番号が順番どおりではありません"));
            }
            // INDEX 01 may share INDEX 00's place (a gap of no length); later ones move on.
            if (n == 1 && before(index, last))
                return fail(where + " の INDEX 00 が INDEX 01 より後にあります");
            if (n > 1 && !before(last, index))
                return fail(where + " の INDEX " + text::pad(n, 2) +
                            " が前の INDEX より前にあります");
        }
        t.indexes.push_back(index);
        return true;
    }

    bool gap(std::string_view key, std::string_view rest) {
        const std::string name(sameWord(key, "PREGAP") ? "PREGAP" : "POSTGAP");
        if (m_sheet.tracks.empty())
            return fail(at(m_line) + " " + name + " がトラックの外にあります");
        const std::string_view time = nextWord(rest);
        const auto sectors = sectorsOf(time);
        if (!sectors)
            return fail(at(m_line) + " " + name + " の時間「" + std::string(time) +
                        "」が正しくありません");
        (name == "PREGAP" ? m_sheet.tracks.back().pregap : m_sheet.tracks.back().postgap) =
            *sectors;
        return true;
    }

    std::string_view m_text;
    CueSheet m_sheet;
    int m_line = 0;
    std::string m_why;
};

}  // namespace

const CueIndex& CueTrack::start() const {
    const auto it = std::find_if(indexes.begin(), indexes.end(),
                                 [](const CueIndex& i) { return i.number == 1; });
    return it != indexes.end() ? *it : indexes.front();
}

std::optional<CueSheet> parseCueSheet(std::string_view bytes, CueRefusal* refusal) {
    std::string utf16;
    std::string_view text = bytes;
    CueEncoding encoding = CueEncoding::Utf8;
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        utf16 = fromUtf16(text.substr(2), text[0] == '\xFE');
        text = utf16;
        encoding = CueEncoding::Utf16;
    } else {
        if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
        encoding = legacyEncoding(text);
    }
    // A NUL byte is in no text a ripper writes: this is some other file named ".cue".
    if (text.find('\0') != std::string_view::npos) {
        if (refusal) *refusal = {" は CUE シートではありません", true};
        return std::nullopt;
    }
    return Parser(text, encoding).run(refusal);
}

std::string cueTextToUtf8(std::string_view bytes) {
    return decode(bytes, legacyEncoding(bytes));
}

}  // namespace lirafok::device::real

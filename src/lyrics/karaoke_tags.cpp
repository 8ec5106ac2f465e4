#include "lyrics/karaoke_tags.h"

#include <algorithm>
#include <map>
#include <optional>

#include "core/raw_file.h"
#include "core/text.h"
#include "lyrics/lrc_file.h"

namespace lirafok {

namespace {

bool allDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "mm:ss", "mm:ss.ff", "mm:ss:ff", with one to three fraction digits; ms, or nullopt.
std::optional<std::int32_t> parseTime(std::string_view body) {
    const auto colon = body.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view minutes = body.substr(0, colon);
    std::string_view seconds = body.substr(colon + 1), fraction;
    if (const auto sep = seconds.find_first_of(".:"); sep != std::string_view::npos) {
        fraction = seconds.substr(sep + 1);
        seconds = seconds.substr(0, sep);
        if (!allDigits(fraction) || fraction.size() > 3) return std::nullopt;
    }
    if (!allDigits(minutes) || !allDigits(seconds) || minutes.size() > 4 || seconds.size() != 2)
        return std::nullopt;
    std::int32_t ms =
        std::stoi(std::string(minutes)) * 60000 + std::stoi(std::string(seconds)) * 1000;
    std::string f(fraction);
    while (!f.empty() && f.size() < 3) f += '0';
    if (!f.empty()) ms += std::stoi(f);
    return ms;
}

struct Token {
    bool isTag;
    std::int32_t time;
    std::string text;
};

// Splits a line body at the time tags between `open` and `close`; a bracket that holds no
// time is text.
std::vector<Token> tokenize(std::string_view s, char open, char close) {
    std::vector<Token> out;
    std::string textRun;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == open) {
            const auto end = s.find(close, i + 1);
            if (end != std::string_view::npos) {
                if (const auto t = parseTime(s.substr(i + 1, end - i - 1))) {
                    if (!textRun.empty()) out.push_back({false, 0, std::move(textRun)});
                    textRun.clear();
                    out.push_back({true, *t, {}});
                    i = end + 1;
                    continue;
                }
            }
        }
        textRun += s[i++];
    }
    if (!textRun.empty()) out.push_back({false, 0, std::move(textRun)});
    return out;
}

struct Counts {
    int reordered = 0;
};

// A line's syllables from its tokens: the tag before a piece starts it, a second tag in a row
// ends the piece before, a tag after the last piece ends it. `lead` starts a first piece that
// has no tag before it. Times that run backwards are raised to the time before them.
SyllableLine lineFromTokens(const std::vector<Token>& tokens, std::int32_t lead, Counts& counts) {
    SyllableLine line;
    bool anyTag = false;
    std::vector<std::int32_t> pending;
    for (const Token& t : tokens) {
        if (t.isTag) {
            pending.push_back(t.time);
            anyTag = true;
            continue;
        }
        line.text += t.text;
        if (!line.syllables.empty() && pending.size() >= 2)
            line.syllables.back().end = pending.front();
        if (pending.empty() && !line.syllables.empty())
            line.syllables.back().text += t.text;
        else
            line.syllables.push_back({t.text, pending.empty() ? lead : pending.back(), kNoTiming});
        pending.clear();
    }
    if (!line.syllables.empty() && !pending.empty()) line.syllables.back().end = pending.front();
    if (!anyTag) {
        line.syllables.clear();
        return line;
    }
    std::int32_t last = -1;
    for (Syllable& s : line.syllables) {
        if (s.start != kNoTiming) {
            if (s.start < last) {
                s.start = last;
                ++counts.reordered;
            }
            last = s.start;
        }
        if (s.end != kNoTiming) {
            if (s.end < last) {
                s.end = last;
                ++counts.reordered;
            }
            last = s.end;
        }
    }
    return line;
}

std::string lrcWordTag(std::int32_t ms) {
    std::string t = formatLrcTime(ms);
    t.front() = '<';
    t.back() = '>';
    return t;
}

// The syllables of a timed line with tags made by `tag`.
std::string taggedBody(const SyllableLine& l, std::string (*tag)(std::int32_t)) {
    std::string out;
    for (std::size_t i = 0; i < l.syllables.size(); ++i) {
        const Syllable& s = l.syllables[i];
        if (i > 0 && l.syllables[i - 1].end != kNoTiming) out += tag(l.syllables[i - 1].end);
        out += tag(s.start) + s.text;
    }
    if (l.syllables.back().end != kNoTiming) out += tag(l.syllables.back().end);
    return out;
}

std::string lrcLineTag(std::int32_t ms) {
    return formatLrcTime(ms);
}

void finish(KaraokeImport& in, const Counts& c, int lineTagDiffers) {
    if (c.reordered > 0)
        in.dropped.push_back("逆転した時刻 " + std::to_string(c.reordered) +
                             " か所（前の時刻にそろえました）");
    if (lineTagDiffers > 0)
        in.dropped.push_back("最初の文字と異なる行の時刻 " + std::to_string(lineTagDiffers) +
                             " 行（最初の文字の時刻にしました）");
    if (in.lyric.lines.size() > static_cast<std::size_t>(kLyricSlots)) {
        in.ok = false;
        in.error =
            "歌詞の行が多すぎます（" + std::to_string(kLyricSlots) + "行まで）。読み込めません。";
        return;
    }
    for (std::int32_t t : in.lyric.times)
        if (t != kNoTiming && t > 999998) {
            in.ok = false;
            in.error = "長すぎる時刻（999999ミリ秒以上）があります。読み込めません。";
            return;
        }
    in.ok = true;
}

std::vector<std::string_view> splitLines(std::string_view s) {
    if (s.starts_with("\xEF\xBB\xBF")) s.remove_prefix(3);
    std::vector<std::string_view> out = rawfile::splitLines(s);
    return out;
}

// The time the reading windows compare with: the line's own time, else the time of the timed
// line before it, else -1.
std::vector<std::int32_t> windowTimes(const KaraokeLyric& l) {
    std::vector<std::int32_t> out;
    std::int32_t last = -1;
    for (std::int32_t t : l.times) {
        if (t != kNoTiming) last = t;
        out.push_back(last);
    }
    return out;
}

struct RubyDef {
    std::string base, reading;
    std::optional<std::int32_t> from, to;
};

// Gives every match of a definition's base, within its window, that no earlier definition
// took, the definition's reading (an empty reading takes the match without one).
void applyRubies(KaraokeLyric& lyric, const std::vector<RubyDef>& defs) {
    const auto when = windowTimes(lyric);
    std::vector<std::vector<std::pair<std::size_t, std::size_t>>> taken(lyric.lines.size());
    for (const RubyDef& d : defs) {
        const std::size_t len = text::charLength(d.base);
        if (len == 0) continue;
        for (std::size_t i = 0; i < lyric.lines.size(); ++i) {
            if (d.from && when[i] < *d.from) continue;
            if (d.to && when[i] >= *d.to) continue;
            SyllableLine& line = lyric.lines[i];
            const std::size_t chars = text::charLength(line.text);
            for (std::size_t p = 0; p + len <= chars;) {
                if (text::mid(line.text, p + 1, static_cast<long>(len)) != d.base) {
                    ++p;
                    continue;
                }
                const bool clash = std::any_of(taken[i].begin(), taken[i].end(), [&](auto r) {
                    return r.first < p + len && p < r.first + r.second;
                });
                if (!clash) {
                    taken[i].push_back({p, len});
                    if (!d.reading.empty()) setRuby(line, p, len, d.reading);
                }
                p += len;
            }
        }
    }
}

}  // namespace

KaraokeFormat detectKaraokeFormat(std::string_view utf8) {
    bool timeTags = false;
    for (std::string_view line : splitLines(utf8)) {
        if (line.starts_with("@Ruby") || line.starts_with("@Title") || line.starts_with("@Artist"))
            timeTags = true;
        for (const Token& t : tokenize(line, '<', '>'))
            if (t.isTag) return KaraokeFormat::EnhancedLrc;
        const auto tokens = tokenize(line, '[', ']');
        bool textSeen = false;
        for (const Token& t : tokens) {
            if (!t.isTag)
                textSeen = true;
            else if (textSeen)
                timeTags = true;
        }
    }
    return timeTags ? KaraokeFormat::TimeTags : KaraokeFormat::PlainLrc;
}

std::string formatTimeTag(std::int32_t ms) {
    if (ms < 0) ms = 0;
    const std::int32_t minutes = ms / 60000, seconds = ms / 1000 % 60, frac = ms % 1000;
    std::string out = "[" + text::pad(minutes, 2) + ":" + text::pad(seconds, 2) + ":";
    out += frac % 10 == 0 ? text::pad(frac / 10, 2) : text::pad(frac, 3);
    return out + "]";
}

std::string formatEnhancedLrc(const KaraokeLyric& lyric) {
    std::string out;
    auto put = [&out](const std::string& l) { out += l + "\r\n"; };
    if (!lyric.title.empty()) put("[ti:" + lyric.title + "]");
    if (!lyric.artist.empty()) put("[ar:" + lyric.artist + "]");
    for (std::size_t i = 0; i < lyric.lines.size(); ++i) {
        const SyllableLine& l = lyric.lines[i];
        const std::int32_t t = i < lyric.times.size() ? lyric.times[i] : kNoTiming;
        if (l.timed())
            put(lrcLineTag(l.firstTime()) + taggedBody(l, lrcWordTag));
        else if (t != kNoTiming)
            put(lrcLineTag(t) + l.text);
        else
            put(l.text);
    }
    return out;
}

KaraokeImport parseEnhancedLrc(std::string_view utf8) {
    KaraokeImport in;
    Counts counts;
    int differs = 0, repeats = 0;
    std::int32_t offset = 0;
    std::vector<std::string> otherTags;
    struct Raw {
        std::vector<Token> body;
        std::optional<std::int32_t> time;
    };
    std::vector<Raw> raws;
    for (std::string_view line : splitLines(utf8)) {
        // ID tags: "[key:value]" alone on a line, the key made of letters.
        if (line.size() > 3 && line.front() == '[' && line.back() == ']') {
            const auto colon = line.find(':');
            const std::string key(line.substr(1, colon == std::string_view::npos ? 0 : colon - 1));
            if (!key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
                    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
                })) {
                const std::string value(line.substr(colon + 1, line.size() - colon - 2));
                if (key == "ti")
                    in.lyric.title = value;
                else if (key == "ar")
                    in.lyric.artist = value;
                else if (key == "offset")
                    offset = text::val(value);
                else if (key != "al" && key != "by" && key != "re" && key != "ve" &&
                         key != "length")
                    otherTags.push_back("[" + key + ":]");
                continue;
            }
        }
        Raw r;
        std::string_view rest = line;
        // The line's own tags: every time tag before the text.
        while (rest.starts_with("[")) {
            const auto close = rest.find(']');
            if (close == std::string_view::npos) break;
            const auto t = parseTime(rest.substr(1, close - 1));
            if (!t) break;
            if (r.time)
                ++repeats;
            else
                r.time = *t;
            rest.remove_prefix(close + 1);
        }
        r.body = tokenize(rest, '<', '>');
        raws.push_back(std::move(r));
    }
    for (Raw& r : raws) {
        for (Token& t : r.body)
            if (t.isTag) t.time = std::max(0, t.time - offset);
        std::int32_t time = r.time ? std::max(0, *r.time - offset) : kNoTiming;
        SyllableLine line = lineFromTokens(r.body, time, counts);
        if (line.timed() && time != kNoTiming && line.firstTime() != time) ++differs;
        if (line.timed()) time = line.firstTime();
        in.lyric.lines.push_back(std::move(line));
        in.lyric.times.push_back(time);
    }
    if (repeats > 0)
        in.dropped.push_back("同じ行の2つ目以降の時刻 " + std::to_string(repeats) + " 個");
    for (const std::string& t : otherTags) in.dropped.push_back("タグ " + t);
    finish(in, counts, differs);
    return in;
}

std::string formatTimeTags(const KaraokeLyric& lyric) {
    std::string out;
    auto put = [&out](const std::string& l) { out += l + "\r\n"; };
    for (std::size_t i = 0; i < lyric.lines.size(); ++i) {
        const SyllableLine& l = lyric.lines[i];
        const std::int32_t t = i < lyric.times.size() ? lyric.times[i] : kNoTiming;
        if (l.timed())
            put(taggedBody(l, formatTimeTag));
        else if (t != kNoTiming)
            put(formatTimeTag(t) + l.text);
        else
            put(l.text);
    }
    if (!lyric.title.empty()) put("@Title=" + lyric.title);
    if (!lyric.artist.empty()) put("@Artist=" + lyric.artist);

    // Readings: per base text, its matches in line order; a run of matches with one reading
    // becomes one definition, its window from the first line of the run to the first line of
    // the next run.
    const auto when = windowTimes(lyric);
    std::vector<std::string> bases;
    for (const SyllableLine& l : lyric.lines)
        for (const Ruby& r : l.rubies) {
            const std::string b = text::mid(l.text, r.first + 1, static_cast<long>(r.length));
            if (std::find(bases.begin(), bases.end(), b) == bases.end()) bases.push_back(b);
        }
    int n = 0;
    for (const std::string& base : bases) {
        const std::size_t len = text::charLength(base);
        struct Match {
            std::size_t line;
            std::string reading;
        };
        std::vector<Match> matches;
        for (std::size_t i = 0; i < lyric.lines.size(); ++i) {
            const SyllableLine& l = lyric.lines[i];
            const std::size_t chars = text::charLength(l.text);
            for (std::size_t p = 0; p + len <= chars;) {
                if (text::mid(l.text, p + 1, static_cast<long>(len)) != base) {
                    ++p;
                    continue;
                }
                std::string reading;
                for (const Ruby& r : l.rubies)
                    if (r.first == p && r.length == len) reading = r.reading;
                matches.push_back({i, reading});
                p += len;
            }
        }
        for (std::size_t m = 0; m < matches.size();) {
            std::size_t e = m;
            while (e < matches.size() && matches[e].reading == matches[m].reading) ++e;
            if (!matches[m].reading.empty()) {
                std::string def =
                    "@Ruby" + std::to_string(++n) + "=" + base + "," + matches[m].reading;
                const bool hasFrom = m > 0, hasTo = e < matches.size();
                if (hasFrom || hasTo) {
                    def += ',';
                    if (hasFrom) def += formatTimeTag(when[matches[m].line]);
                }
                if (hasTo) {
                    def += ',';
                    def += formatTimeTag(when[matches[e].line]);
                }
                put(def);
            }
            m = e;
        }
    }
    return out;
}

KaraokeImport parseTimeTags(std::string_view utf8) {
    KaraokeImport in;
    Counts counts;
    std::vector<RubyDef> defs;
    int rubyTimes = 0;
    for (std::string_view line : splitLines(utf8)) {
        if (line.starts_with("@")) {
            const auto eq = line.find('=');
            const std::string key(line.substr(1, eq == std::string_view::npos ? 0 : eq - 1));
            const std::string value(eq == std::string_view::npos ? "" : line.substr(eq + 1));
            if (key == "Title") {
                in.lyric.title = value;
            } else if (key == "Artist") {
                in.lyric.artist = value;
            } else if (key.starts_with("Ruby") && allDigits(key.substr(4))) {
                std::vector<std::string> f;
                std::size_t from = 0;
                for (std::size_t c; (c = value.find(',', from)) != std::string::npos; from = c + 1)
                    f.push_back(value.substr(from, c - from));
                f.push_back(value.substr(from));
                RubyDef d;
                d.base = f[0];
                // A reading may carry time tags of its own: the reading is kept, its timing
                // follows the base text's syllables instead.
                if (f.size() > 1) {
                    for (const Token& t : tokenize(f[1], '[', ']')) {
                        if (t.isTag)
                            ++rubyTimes;
                        else
                            d.reading += t.text;
                    }
                }
                auto window = [](const std::string& s) -> std::optional<std::int32_t> {
                    if (s.size() < 2 || s.front() != '[' || s.back() != ']') return std::nullopt;
                    return parseTime(std::string_view(s).substr(1, s.size() - 2));
                };
                if (f.size() > 2) d.from = window(f[2]);
                if (f.size() > 3) d.to = window(f[3]);
                defs.push_back(std::move(d));
            } else if (key != "Album") {
                in.dropped.push_back("@" + (key.empty() ? std::string(line) : key));
            }
            continue;
        }
        const auto tokens = tokenize(line, '[', ']');
        SyllableLine l = lineFromTokens(tokens, kNoTiming, counts);
        std::int32_t time = kNoTiming;
        if (!tokens.empty() && tokens.front().isTag) time = tokens.front().time;
        if (l.syllables.size() == 1 && l.syllables.front().end == kNoTiming) {
            // A line tag alone before the text: a line time, no split.
            l.syllables.clear();
        }
        if (l.timed()) time = l.firstTime();
        in.lyric.lines.push_back(std::move(l));
        in.lyric.times.push_back(time);
    }
    applyRubies(in.lyric, defs);
    if (rubyTimes > 0)
        in.dropped.push_back("ルビの中の時刻 " + std::to_string(rubyTimes) +
                             " 個（ルビは漢字の文字の時刻に合わせて色が変わります）");
    finish(in, counts, 0);
    return in;
}

KaraokeImport readKaraokeFile(const std::string& path) {
    const auto bytes = rawfile::readBytes(path);
    if (!bytes) {
        KaraokeImport in;
        in.error = "ファイルを読み込めません。";
        return in;
    }
    const std::string utf8 = decodeLrcBytes(*bytes);
    switch (detectKaraokeFormat(utf8)) {
        case KaraokeFormat::EnhancedLrc:
            return parseEnhancedLrc(utf8);
        case KaraokeFormat::TimeTags:
            return parseTimeTags(utf8);
        case KaraokeFormat::PlainLrc:
            break;
    }
    KaraokeImport in;
    in.error = "文字ごとの時刻がありません。";
    return in;
}

bool writeEnhancedLrcFile(const std::string& path, const KaraokeLyric& lyric) {
    return rawfile::writeBytes(path, formatEnhancedLrc(lyric));
}

bool writeTimeTagFile(const std::string& path, const KaraokeLyric& lyric) {
    return rawfile::writeBytes(path, text::toCp932(formatTimeTags(lyric)));
}

std::string droppedMessage(const std::vector<std::string>& dropped) {
    if (dropped.empty()) return "";
    std::string m = "次のものは読み込みませんでした：";
    for (const std::string& d : dropped) m += "\n・" + d;
    return m;
}

}  // namespace lirafok

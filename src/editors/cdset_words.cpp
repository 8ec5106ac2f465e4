#include "editors/cdset_words.h"

#include <algorithm>

namespace lirafok {

namespace {
const std::vector<Syllable> kNone;
}  // namespace

SetterWords::SetterWords(std::vector<std::string> rawLines, SyllableTrack stored)
    : m_raw(std::move(rawLines)), m_stored(std::move(stored)) {
    anchorToLyric(m_stored, m_raw);
    for (std::size_t i = 0; i < m_raw.size(); ++i) {
        const SyllableLine* s = m_stored.find(i);
        m_units.push_back(s && !s->syllables.empty() ? s->syllables : splitSyllables(m_raw[i]));
    }
}

const std::vector<Syllable>& SetterWords::units(int line) const {
    if (line < 0 || static_cast<std::size_t>(line) >= m_units.size()) return kNone;
    return m_units[static_cast<std::size_t>(line)];
}

SetterWords::Tap SetterWords::tap(int line, std::int32_t time) {
    Tap r;
    if (line < 0 || static_cast<std::size_t>(line) >= m_units.size()) return r;
    auto& u = m_units[static_cast<std::size_t>(line)];
    r.stored = true;
    if (u.empty()) {  // a blank line: one tap, its line time
        r.lineTime = true;
        r.lineDone = true;
        m_cursor = 0;
        return r;
    }
    m_cursor = std::min(m_cursor, u.size() - 1);
    u[m_cursor].start = time;
    // A tap again over a syllable that had an end starts it afresh.
    u[m_cursor].end = kNoTiming;
    r.lineTime = m_cursor == 0;
    if (++m_cursor >= u.size()) {
        m_cursor = 0;
        r.lineDone = true;
    }
    return r;
}

bool SetterWords::markEnd(int line, std::int32_t time) {
    Syllable* s = nullptr;
    if (m_cursor > 0 && line >= 0 && static_cast<std::size_t>(line) < m_units.size())
        s = &m_units[static_cast<std::size_t>(line)][m_cursor - 1];
    else
        for (int l = line - 1; l >= 0 && !s; --l)
            if (static_cast<std::size_t>(l) < m_units.size() &&
                !m_units[static_cast<std::size_t>(l)].empty()) {
                s = &m_units[static_cast<std::size_t>(l)].back();
                break;
            }
    if (!s || s->start == kNoTiming || time < s->start) return false;
    s->end = time;
    return true;
}

bool SetterWords::split(int line) {
    if (line < 0 || static_cast<std::size_t>(line) >= m_units.size()) return false;
    return splitSyllableAt(m_units[static_cast<std::size_t>(line)], m_cursor);
}

bool SetterWords::join(int line) {
    if (line < 0 || static_cast<std::size_t>(line) >= m_units.size()) return false;
    return joinSyllables(m_units[static_cast<std::size_t>(line)], m_cursor);
}

std::int32_t SetterWords::nudge(int line, std::int32_t deltaMs) {
    if (line < 0 || static_cast<std::size_t>(line) >= m_units.size()) return kNoTiming;
    auto& u = m_units[static_cast<std::size_t>(line)];
    if (m_cursor >= u.size() || u[m_cursor].start == kNoTiming) return kNoTiming;
    u[m_cursor].start = std::max(0, u[m_cursor].start + deltaMs);
    return u[m_cursor].start;
}

std::string SetterWords::caption(int line, bool withCursor) const {
    const auto& u = units(line);
    if (u.empty())
        return line >= 0 && static_cast<std::size_t>(line) < m_raw.size()
                   ? m_raw[static_cast<std::size_t>(line)]
                   : "";
    std::string out;
    for (std::size_t i = 0; i < u.size(); ++i) {
        if (i) out += "/";
        if (withCursor && i == m_cursor)
            out += "【" + u[i].text + "】";
        else
            out += u[i].text;
    }
    return out;
}

int SetterWords::firstDisorder() const {
    for (std::size_t l = 0; l < m_units.size(); ++l) {
        std::int32_t last = -1;
        for (const Syllable& s : m_units[l]) {
            if (s.start == kNoTiming) continue;
            if (s.start < last) return static_cast<int>(l);
            last = s.start;
            if (s.end != kNoTiming) {
                if (s.end < last) return static_cast<int>(l);
                last = s.end;
            }
        }
    }
    return -1;
}

SyllableTrack SetterWords::track() const {
    SyllableTrack t;
    t.offsetMs = m_stored.offsetMs;
    for (std::size_t i = 0; i < m_units.size(); ++i) {
        const auto& u = m_units[i];
        const SyllableLine* stored = m_stored.find(i);
        const bool anyTime = std::any_of(u.begin(), u.end(), [](const Syllable& s) {
            return s.start != kNoTiming || s.end != kNoTiming;
        });
        const bool resplit = !u.empty() && u != splitSyllables(m_raw[i]);
        if (!anyTime && !resplit && !(stored && !stored->rubies.empty())) continue;
        SyllableLine& l = t.at(i);
        l.text = m_raw[i];
        if (anyTime || resplit) l.syllables = u;
        if (stored) l.rubies = stored->rubies;
    }
    return t;
}

}  // namespace lirafok

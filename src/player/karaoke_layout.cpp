#include "player/karaoke_layout.h"

#include <algorithm>
#include <limits>

namespace lirafok {

namespace {

bool blank(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t'; }) ||
           s == "\u3000";
}

std::string withoutTabs(std::string s) {
    std::replace(s.begin(), s.end(), '\t', ' ');
    return s;
}

}  // namespace

std::int32_t lyricClock(std::int32_t elapsedMs, std::int32_t leadMs, std::int32_t offsetMs) {
    return elapsedMs + leadMs - offsetMs;
}

ui::KaraokeScene buildKaraokeScene(const KaraokeLyricInput& in) {
    ui::KaraokeScene scene;
    scene.title = in.title;
    scene.artist = in.artist;

    // Every timed line (blank ones too: their time ends the line before).
    struct Timed {
        std::size_t index;
        std::int32_t time;
    };
    std::vector<Timed> timed;
    for (std::size_t i = 0; i < in.lines.size(); ++i) {
        const SyllableLine* syl = in.syllables.find(i);
        std::int32_t t = i < in.times.size() ? in.times[i] : kNoTiming;
        if (syl && syl->timed()) t = syl->firstTime();
        if (t != kNoTiming) timed.push_back({i, t});
    }
    auto nextTime = [&](std::size_t k) -> std::int32_t {
        for (std::size_t j = k + 1; j < timed.size(); ++j)
            if (timed[j].time > timed[k].time) return timed[j].time;
        return kNoTiming;
    };

    for (std::size_t k = 0; k < timed.size(); ++k) {
        const std::size_t i = timed[k].index;
        if (blank(in.lines[i])) continue;
        ui::KaraokeLine line;
        line.lyricLine = static_cast<int>(i);
        line.start = timed[k].time;
        const std::int32_t next = nextTime(k);
        const SyllableLine* syl = in.syllables.find(i);
        if (syl && syl->timed() && syl->text == in.lines[i]) {
            line.wipe = true;
            std::int32_t lineEnd = syl->lastEnd();
            if (lineEnd == kNoTiming) {
                const std::int32_t lastStart = syl->syllables.back().start;
                lineEnd =
                    next == kNoTiming ? lastStart + kTailMs : std::min(next, lastStart + kTailMs);
            }
            for (std::size_t s = 0; s < syl->syllables.size(); ++s)
                line.pieces.push_back({withoutTabs(syl->syllables[s].text), syl->syllables[s].start,
                                       syllableEnd(*syl, s, lineEnd)});
            line.end = std::max(line.start, line.pieces.back().end);
        } else {
            line.pieces.push_back({withoutTabs(in.lines[i]), line.start, line.start});
            line.end = next == kNoTiming ? line.start + kLongGapMs : next;
        }
        if (syl && syl->text == in.lines[i])
            for (const Ruby& r : syl->rubies) line.rubies.push_back({r.first, r.length, r.reading});
        scene.lines.push_back(std::move(line));
    }

    // Blocks, rows and when each line shows.
    std::size_t blockFirst = 0;
    for (std::size_t k = 0; k < scene.lines.size(); ++k) {
        ui::KaraokeLine& l = scene.lines[k];
        const bool newBlock = k == 0 || l.start - scene.lines[k - 1].end > kLongGapMs;
        if (newBlock) {
            blockFirst = k;
            const std::int32_t after = k == 0 ? 0 : scene.lines[k - 1].end;
            l.appear = std::max(after, l.start - ui::kCountInMs);
            // Dots count in a line the music has led up to for a while.
            l.countIn = l.start - after > kLongGapMs;
        } else if (k == blockFirst + 1) {
            l.appear = scene.lines[blockFirst].appear;
        } else {
            l.appear = std::min(l.start, scene.lines[k - 2].end);
        }
        l.row = static_cast<int>((k - blockFirst) % 2);
    }
    for (std::size_t k = 0; k < scene.lines.size(); ++k) {
        ui::KaraokeLine& l = scene.lines[k];
        // The line two on, if it is in the same block, takes this row.
        std::size_t last = k;
        while (last + 1 < scene.lines.size() &&
               scene.lines[last + 1].start - scene.lines[last].end <= kLongGapMs)
            ++last;
        if (k + 2 <= last) {
            l.vanish = scene.lines[k + 2].appear;
        } else {
            l.vanish = scene.lines[last].end + kLingerMs;
            if (last + 1 < scene.lines.size())
                l.vanish = std::min(l.vanish, scene.lines[last + 1].appear);
        }
        l.vanish = std::max(l.vanish, l.end);
    }
    // The title card: until the first lines appear, and for a moment even when the singing
    // starts soon after the track (the first lines then come a little later).
    if (scene.lines.empty()) {
        // Nothing timed to sing: the title card stays.
        scene.titleUntil = std::numeric_limits<std::int32_t>::max();
    } else {
        const std::int32_t first = scene.lines.front().start;
        scene.titleUntil =
            std::max(scene.lines.front().appear, std::min(first - kTitleLeadMs, kTitleMs));
        for (std::size_t k = 0; k < scene.lines.size() && k < 2; ++k) {
            ui::KaraokeLine& l = scene.lines[k];
            if (l.row == static_cast<int>(k)) l.appear = std::max(l.appear, scene.titleUntil);
        }
    }
    return scene;
}

}  // namespace lirafok

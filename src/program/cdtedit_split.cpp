// The tape editor's arithmetic: the automatic split with its best-fit exchanges, the side
// times, and the routines of the window that use them.
#include <algorithm>
#include <cmath>

#include "common/app.h"
#include "core/text.h"
#include "program/cdtedit.h"

namespace lirafok {

namespace {

// Best-fit exchanges stop after this many, whatever the gap.
constexpr int kMaxExchanges = 11;
// The exchange search keeps a pair only when its slack is below this (ms).
constexpr std::int64_t kSlackStart = 6000000;

std::int64_t lengthOf(const std::vector<std::int32_t>& lengthMs, int t) {
    return t >= 0 && static_cast<std::size_t>(t) < lengthMs.size()
               ? lengthMs[static_cast<std::size_t>(t)]
               : 0;
}

// A number the way the two-digit format shows it: rounded half away from zero.
std::string twoDigits(double v) {
    return text::pad(static_cast<std::int64_t>(std::llround(v)), 2);
}

void improveByExchanges(TapeSplit& split, const std::vector<std::int32_t>& lengthMs,
                        std::int64_t capacity, std::int64_t& totalA) {
    for (int round = 0; round < kMaxExchanges; ++round) {
        const std::int64_t gap = capacity - totalA;
        std::int64_t best = kSlackStart;
        std::size_t bestA = 0, bestB = 0;
        bool found = false;
        for (std::size_t a = 0; a < split.sideA.size(); ++a) {
            for (std::size_t b = 0; b < split.sideB.size(); ++b) {
                const std::int64_t slack = capacity - (totalA - lengthOf(lengthMs, split.sideA[a]) +
                                                       lengthOf(lengthMs, split.sideB[b]));
                if (slack > 0 && slack < best) {
                    best = slack;
                    bestA = a;
                    bestB = b;
                    found = true;
                }
            }
        }
        if (!found || best >= gap) return;
        totalA += lengthOf(lengthMs, split.sideB[bestB]) - lengthOf(lengthMs, split.sideA[bestA]);
        std::swap(split.sideA[bestA], split.sideB[bestB]);
        ++split.exchanges;
    }
}

}  // namespace

TapeSplit splitTracks(const std::vector<std::int32_t>& lengthMs, int trackCount,
                      std::int32_t capacityMs, bool bestFit) {
    TapeSplit split;
    std::int64_t totalA = 0;
    int f = 1;
    for (; f <= trackCount; ++f) {
        if (totalA + lengthOf(lengthMs, f) >= capacityMs) break;
        split.sideA.push_back(f);
        totalA += lengthOf(lengthMs, f);
    }
    if (!bestFit) {
        for (int t = f; t <= trackCount; ++t) split.sideB.push_back(t);
        return split;
    }
    // The longest remaining track strictly shorter than the room left; the lowest number
    // among equal lengths.
    const std::int64_t room = capacityMs - totalA;
    int chosen = 0;
    for (int t = f; t <= trackCount; ++t)
        if (lengthOf(lengthMs, t) < room &&
            (chosen == 0 || lengthOf(lengthMs, t) > lengthOf(lengthMs, chosen)))
            chosen = t;
    if (chosen != 0) {
        split.sideA.push_back(chosen);
        totalA += lengthOf(lengthMs, chosen);
    }
    for (int t = f; t <= trackCount; ++t)
        if (t != chosen) split.sideB.push_back(t);
    improveByExchanges(split, lengthMs, capacityMs, totalA);
    return split;
}

std::string tapeTotalText(std::int64_t ms) {
    const std::int64_t s = static_cast<std::int64_t>(static_cast<double>(ms) / 1000 + 0.5);
    const std::int64_t m = s / 60;
    return text::pad(m, 2) + ":" + text::pad(s - 60 * m, 2);
}

std::string tapeLeftText(int minutes, std::int64_t sideMs) {
    const double r = std::trunc(minutes * 60 * 0.5) - static_cast<double>(sideMs) / 1000;
    const double m = std::trunc(r / 60);
    return twoDigits(m) + ":" + twoDigits(r - 60 * m);
}

std::string trackEntry(const AppState& s, int t) {
    const auto i = static_cast<std::size_t>(t < 0 || t >= kTrackSlots ? 0 : t);
    return text::pad(t, 2) + " " + s.TrackTimeText[i] + " " + s.SongName[i];
}

void CDTEDIT::SplitSides() {
    const AppState& s = app.state;
    ALL.clear();
    SEL.clear();
    const std::vector<std::int32_t> lengths(s.TrackLengthMs.begin(), s.TrackLengthMs.end());
    const TapeSplit split = splitTracks(lengths, s.TrackCount, SideCapacityMs, AI.value() == 1);
    SideATotalMs = 0;
    for (int t : split.sideA) {
        SideATotalMs += s.TrackLengthMs[static_cast<std::size_t>(t)];
        ALL.addItem(trackEntry(s, t));
    }
    for (int t : split.sideB) SEL.addItem(trackEntry(s, t));
    SortSides();
    ShowSideTimes();
}

void CDTEDIT::SortSides() {
    for (ui::ListBox* list : {&ALL, &SEL}) {
        std::vector<std::string> items = list->items();
        std::sort(items.begin(), items.end());
        list->clear();
        for (const std::string& e : items) list->addItem(e);
    }
}

std::int64_t CDTEDIT::sideMs(const ui::ListBox& list) const {
    std::int64_t ms = 0;
    for (const std::string& e : list.items()) {
        const int t = text::val(text::left(e, 2));
        if (t >= 1 && t < kTrackSlots) ms += app.state.TrackLengthMs[static_cast<std::size_t>(t)];
    }
    return ms;
}

void CDTEDIT::ShowSideTimes() {
    const AppState& s = app.state;
    std::int64_t disc = 0;
    for (int t = 1; t <= s.TrackCount && t < kTrackSlots; ++t)
        disc += s.TrackLengthMs[static_cast<std::size_t>(t)];
    TOTALX.setCaption(tapeTotalText(disc));
    const std::int64_t a = sideMs(ALL), b = sideMs(SEL);
    ALLTIME.setCaption(tapeTotalText(a));
    AZAN.setCaption(tapeLeftText(tapeMinutes(), a));
    SELTIME.setCaption(tapeTotalText(b));
    BZAN.setCaption(tapeLeftText(tapeMinutes(), b));
}

void CDTEDIT::CHECKX_Click() {
    const AppState& s = app.state;
    app.PlayOkCue();
    if (HALF.value()) {
        std::int64_t disc = 0;
        for (int t = 1; t <= s.TrackCount && t < kTrackSlots; ++t)
            disc += s.TrackLengthMs[static_cast<std::size_t>(t)];
        SideCapacityMs = static_cast<std::int32_t>(disc / 2);
    } else {
        SideCapacityMs = tapeMinutes() * 60000 / 2;
    }
    SplitSides();
}

}  // namespace lirafok

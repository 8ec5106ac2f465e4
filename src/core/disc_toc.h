#pragma once
// A disc's table of contents as online databases want it: absolute sector addresses (1/75 s,
// the 150-sector lead-in included, so track 1 of a pressed CD starts at 150), one flag per
// track for audio or data, and the lead-out. Plain data; the disc IDs are computed from it by
// whoever asks a database.
#include <cstdint>
#include <vector>

namespace lirafok {

struct DiscToc {
    int firstTrack = 1;                      // number of trackSectors[0]
    std::vector<std::int64_t> trackSectors;  // ascending start sectors
    std::vector<bool> audio;                 // per track; false for a data track
    std::int64_t leadOutSector = 0;          // just past the last track

    bool empty() const { return trackSectors.empty(); }
    bool operator==(const DiscToc&) const = default;
};

// A table from track positions in the driver's milliseconds (start and length of each track,
// ms = sectors * 1000 / 75 rounded down, plus one): each figure goes back to the sectors it
// came from; the lead-out is one sector past the last track's length, as the driver counts
// the last track up to one sector before the lead-out.
// Empty for no tracks. Every track counts as audio.
inline DiscToc tocFromTrackTimes(const std::vector<std::int32_t>& startMs,
                                 const std::vector<std::int32_t>& lengthMs) {
    DiscToc toc;
    auto sectors = [](std::int64_t ms) { return ms <= 1 ? 0 : ((ms - 1) * 75 + 999) / 1000; };
    for (std::size_t i = 0; i < startMs.size() && i < lengthMs.size(); ++i) {
        toc.trackSectors.push_back(sectors(startMs[i]));
        toc.audio.push_back(true);
    }
    if (!toc.trackSectors.empty())
        toc.leadOutSector = toc.trackSectors.back() + sectors(lengthMs.back()) + 1;
    return toc;
}

}  // namespace lirafok

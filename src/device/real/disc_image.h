#pragma once
// A disc as the drive sees it: its table of contents in sectors and the source of its audio.
#include <cstdint>
#include <memory>
#include <vector>

#include "device/cd_audio_device.h"
#include "device/real/cd_time.h"
#include "device/real/pcm_source.h"

namespace lirafok::device::real {

struct TocEntry {
    std::int64_t startSector = 0;  // absolute, lead-in included (track 1 of a CD: 150)
    bool audio = true;             // false for a data track (plays as silence)
};

struct DiscImage {
    std::vector<TocEntry> toc;       // toc[0] = track 1
    std::int64_t leadOutSector = 0;  // absolute sector just past the last track
    DiscText text;
    std::shared_ptr<PcmSource> source;

    // Track table in milliseconds: start from the start sector; length from the sector count
    // up to the next track (the lead-out for the last one).
    std::vector<TrackInfo> tracksMs() const {
        std::vector<TrackInfo> out;
        for (std::size_t i = 0; i < toc.size(); ++i) {
            const std::int64_t end = i + 1 < toc.size() ? toc[i + 1].startSector : leadOutSector;
            out.push_back({sectorsToMs(toc[i].startSector), sectorsToMs(end - toc[i].startSector)});
        }
        return out;
    }
    std::int32_t startMs() const { return toc.empty() ? 0 : sectorsToMs(toc.front().startSector); }
    // The total the drive reports: the lead-out position in milliseconds.
    std::int32_t lengthMs() const { return toc.empty() ? 0 : sectorsToMs(leadOutSector); }
    std::int64_t endFrame() const { return leadOutSector * kFramesPerSector; }
};

}  // namespace lirafok::device::real

#pragma once
// A disc as the drive sees it: its table of contents in sectors and the source of its audio.
#include <cstdint>
#include <memory>
#include <vector>

#include "device/cd_audio_device.h"
#include "device/disc_graphics.h"
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
    std::shared_ptr<DiscGraphics> graphics;  // CD+G, when the disc can carry any

    // The figures a CD-audio driver reports in milliseconds (see cd_time.h):
    // `TrackPosition` of a track is its start sector; its `TrackLength` is the sectors up to
    // the next track's start, and for the last track up to one sector before the lead-out.
    std::vector<TrackInfo> tracksMs() const {
        std::vector<TrackInfo> out;
        for (std::size_t i = 0; i < toc.size(); ++i) {
            const std::int64_t end =
                i + 1 < toc.size() ? toc[i + 1].startSector : leadOutSector - 1;
            out.push_back(
                {sectorsToMciMs(toc[i].startSector), sectorsToMciMs(end - toc[i].startSector)});
        }
        return out;
    }
    // `Start`: the first track's start.
    std::int32_t startMs() const {
        return toc.empty() ? 0 : sectorsToMciMs(toc.front().startSector);
    }
    // `Length`, the disc key: from the first track's start to one sector before the lead-out.
    std::int32_t lengthMs() const {
        return toc.empty() ? 0 : sectorsToMciMs(leadOutSector - toc.front().startSector - 1);
    }
    // The lead-out's position: the end of the disc, the latest position a play or seek reaches.
    std::int32_t endMs() const { return toc.empty() ? 0 : sectorsToMciMs(leadOutSector); }
    std::int64_t endFrame() const { return leadOutSector * kFramesPerSector; }
};

}  // namespace lirafok::device::real

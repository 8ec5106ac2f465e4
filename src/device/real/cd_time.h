#pragma once
// The CD timeline: sectors (CD frames) of 1/75 s holding 588 stereo sample frames each, a
// 2-second lead-in (150 sectors) before the first track, and milliseconds the way the Windows
// CD-audio driver reports them with its time format set to milliseconds: whole milliseconds of
// the sector count, plus one. Disc keys of existing catalogues were computed that way, so a
// disc is found only when every millisecond figure follows the same rule.
#include <cstdint>

namespace lirafok::device::real {

inline constexpr std::int64_t kSectorsPerSecond = 75;
inline constexpr std::int64_t kFramesPerSector = 588;  // 44100 / 75
inline constexpr std::int64_t kFramesPerSecond = 44100;
inline constexpr std::int64_t kLeadInSectors = 150;  // disc position 2001 ms
inline constexpr std::int64_t kBytesPerSector = kFramesPerSector * 4;

// A sector count or an absolute sector position in the driver's milliseconds:
// sectors * 1000 / 75 (rounded down) + 1. Position 00:02:00 (sector 150) is 2001 ms.
inline std::int32_t sectorsToMciMs(std::int64_t sectors) {
    return static_cast<std::int32_t>(sectors * 1000 / kSectorsPerSecond + 1);
}

// Durations: milliseconds <-> sample frames (exact: 44.1 frames per ms), rounded down.
inline std::int64_t msToFrame(std::int64_t ms) {
    return ms * kFramesPerSecond / 1000;
}
inline std::int32_t frameToMs(std::int64_t frame) {
    return static_cast<std::int32_t>(frame * 1000 / kFramesPerSecond);
}

// Disc positions: an absolute sample frame in the driver's milliseconds, on the same rule as
// sector positions (a track's first frame reads exactly as the track's start).
inline std::int32_t frameToDiscMs(std::int64_t frame) {
    return static_cast<std::int32_t>(frame * 1000 / kFramesPerSecond + 1);
}
// The sample frame where disc position `ms` begins: the first frame that reads as `ms`, or the
// sector boundary inside that millisecond when there is one, so that playing from a track's
// start begins exactly on its first sector. frameToDiscMs(discMsToFrame(ms)) == ms for ms >= 1.
inline std::int64_t discMsToFrame(std::int64_t ms) {
    const std::int64_t x = ms > 1 ? ms - 1 : 0;
    const std::int64_t first = (x * kFramesPerSecond + 999) / 1000;
    const std::int64_t next = ((x + 1) * kFramesPerSecond + 999) / 1000;
    const std::int64_t boundary =
        (first + kFramesPerSector - 1) / kFramesPerSector * kFramesPerSector;
    return boundary < next ? boundary : first;
}

// Sample count -> whole sectors, rounded up (a partial sector is padded with silence).
inline std::int64_t framesToSectorsCeil(std::int64_t frames) {
    return (frames + kFramesPerSector - 1) / kFramesPerSector;
}

}  // namespace lirafok::device::real

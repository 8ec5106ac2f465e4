#pragma once
// The CD timeline: sectors (CD frames) of 1/75 s holding 588 stereo sample frames each, a
// 2-second lead-in (150 sectors) before the first track, and milliseconds rounded down the
// way a CD-audio driver reports them.
#include <cstdint>

namespace lirafok::device::real {

inline constexpr std::int64_t kSectorsPerSecond = 75;
inline constexpr std::int64_t kFramesPerSector = 588;  // 44100 / 75
inline constexpr std::int64_t kFramesPerSecond = 44100;
inline constexpr std::int64_t kLeadInSectors = 150;  // disc position 2000 ms
inline constexpr std::int64_t kBytesPerSector = kFramesPerSector * 4;

// Sector count or position -> milliseconds, rounded down.
inline std::int32_t sectorsToMs(std::int64_t sectors) {
    return static_cast<std::int32_t>(sectors * 1000 / kSectorsPerSecond);
}
// Milliseconds -> sample frame on the disc (exact: 44.1 frames per ms).
inline std::int64_t msToFrame(std::int64_t ms) {
    return ms * kFramesPerSecond / 1000;
}
// Sample frame -> milliseconds, rounded down.
inline std::int32_t frameToMs(std::int64_t frame) {
    return static_cast<std::int32_t>(frame * 1000 / kFramesPerSecond);
}
// Sample count -> whole sectors, rounded up (a partial sector is padded with silence).
inline std::int64_t framesToSectorsCeil(std::int64_t frames) {
    return (frames + kFramesPerSector - 1) / kFramesPerSector;
}

}  // namespace lirafok::device::real

#pragma once
// The audio of a raw CD image file, as the BINARY and MOTOROLA files of a BIN/CUE image hold
// it: sector after sector, each starting with 2352 bytes of 16-bit stereo PCM (588 frames) for
// an audio track. The sector size is the track's: 2352 for AUDIO and MODEx/2352, 2048 or 2336
// for other data modes, 2448 for CD+G rips (the 96 bytes after the audio are sub-channel).
// One file may hold tracks of several sizes, so its bytes are described as zones.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lirafok::device::real {

// From sector `firstSector` of the file (in 1/75 s, counted as the CUE sheet counts them) on,
// sectors of `sectorBytes` bytes starting at byte `byteOffset`.
struct RawZone {
    std::int64_t firstSector = 0;
    std::int64_t byteOffset = 0;
    int sectorBytes = 2352;
};

struct RawFormat {
    bool bigEndian = false;      // MOTOROLA: samples most significant byte first
    std::vector<RawZone> zones;  // ascending, the first at sector 0
};

// Whole or partial sectors a file of `fileBytes` holds under `format` (a partial sector at the
// end counts, its missing bytes are silence).
std::int64_t rawFileSectors(const RawFormat& format, std::int64_t fileBytes);

class RawSectorReader {
public:
    // nullptr when the file cannot be opened; `error` then names it.
    static std::unique_ptr<RawSectorReader> open(const std::string& path, RawFormat format,
                                                 std::string* error);
    ~RawSectorReader();
    RawSectorReader(const RawSectorReader&) = delete;
    RawSectorReader& operator=(const RawSectorReader&) = delete;

    // Reads `count` frames from file frame `first` (sector * 588 + frame in the sector), each
    // sector's first 2352 bytes taken as audio. Bytes past the end of the file are silence.
    // False on a read failure.
    bool read(std::int64_t first, std::int16_t* out, std::int64_t count);

private:
    RawSectorReader(int fd, RawFormat format) : m_fd(fd), m_format(std::move(format)) {}

    int m_fd = -1;
    RawFormat m_format;
};

}  // namespace lirafok::device::real

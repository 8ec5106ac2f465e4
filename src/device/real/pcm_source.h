#pragma once
// The audio of one disc as 44.1 kHz stereo 16-bit frames addressed by their position on the
// disc timeline (frame 0 = disc time 0; track 1 of a pressed CD starts at frame 88 200).
#include <cstdint>
#include <string>

namespace lirafok::device::real {

class PcmSource {
public:
    virtual ~PcmSource() = default;
    // Reads `count` frames starting at disc frame `first` into `out` (2 * count samples,
    // interleaved left/right). Frames outside the audio (lead-in, data tracks, padding) read
    // as silence. Returns false on a read failure (drive error, file gone or corrupt); `out`
    // is then undefined. May block for as long as the medium needs (a CD spinning up).
    // Called from one thread at a time (the pipeline's reader thread).
    virtual bool read(std::int64_t first, std::int16_t* out, std::int64_t count) = 0;
    // Text of the last failure, for diagnostics.
    virtual std::string lastError() const { return {}; }
};

}  // namespace lirafok::device::real

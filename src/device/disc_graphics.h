#pragma once
// The CD+G graphics of the disc in a drive, track by track: from .cdg files beside the audio
// or in a ZIP, from the sub-channel of a disc image, or from a real drive's sub-channel.
//
// Threading: presence() is called on the window thread and returns at once. read() blocks for
// as long as the files or the drive need and is called on a worker thread, one call at a
// time per object; it may run while the window thread uses the drive for the audio.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lirafok::device {

class DiscGraphics {
public:
    enum class Presence {
        None,     // the track has no graphics
        Present,  // it has (a .cdg, a CD+G track of an image)
        Unknown,  // only reading tells (a real drive: any audio track may carry them)
    };
    // What reading the sub-channel met: packets put right, packets skipped, sectors skipped.
    struct Counts {
        std::int64_t corrected = 0;
        std::int64_t damaged = 0;
        std::int64_t unreadable = 0;
    };
    // Receives packets in order (whole packets of 24 bytes); returns false to stop reading.
    using Sink = std::function<bool(std::vector<std::uint8_t> packets)>;

    virtual ~DiscGraphics() = default;
    // Track numbers count from 1.
    virtual Presence presence(int track) const = 0;
    // Reads the track's packets from its start (INDEX 01) to its end, packet n of the track
    // playing n/300 s after its start, and hands them to `sink` piece by piece. A .cdg shorter
    // than the track ends early; a longer one is cut at the track's end. Sectors that cannot be
    // read are skipped and counted (their packets are given as empty packets, so that later
    // packets keep their time). False, with `error` in Japanese naming the file or drive, when
    // nothing could be read at all.
    virtual bool read(int track, const Sink& sink, Counts* counts, std::string* error) = 0;
};

}  // namespace lirafok::device

#pragma once
// Where the CD+G packets of files and disc images come from: .cdg files beside audio files (or
// read from a ZIP), the 96 sub-channel bytes after each 2352-byte sector of a CDG track in a
// BIN image, and CloneCD's .sub files. Real drives are in cdio_subcode.h.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/disc_graphics.h"

namespace lirafok::device::real {

// One track's graphics.
struct CdgPiece {
    enum class Kind {
        None,         // no graphics
        Packets,      // a .cdg: the file at `path`, or `bytes` when read from a ZIP
        SectorTail,   // the last 96 bytes of raw image sectors of `stride` bytes
        ChannelFile,  // CloneCD .sub: 96 bytes a sector, packed by channel
    };
    Kind kind = Kind::None;
    std::string path;
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;
    // Packets: the packet of the .cdg where the track starts. SectorTail / ChannelFile: the
    // byte where the sub-channel of the track's first sector starts.
    std::int64_t first = 0;
    int stride = 96;           // bytes from one sector's sub-channel to the next
    std::int64_t sectors = 0;  // the track's length in sectors (1/75 s, 4 packets each)
};

class FileGraphics final : public DiscGraphics {
public:
    explicit FileGraphics(std::vector<CdgPiece> tracks) : m_tracks(std::move(tracks)) {}
    Presence presence(int track) const override;
    bool read(int track, const Sink& sink, Counts* counts, std::string* error) override;

    const std::vector<CdgPiece>& tracks() const { return m_tracks; }

private:
    std::vector<CdgPiece> m_tracks;  // [0] = track 1
};

// The .cdg beside an audio file: the same stem with the extension .cdg in any case.
std::optional<std::string> cdgBeside(const std::string& audioPath);
// The audio file beside a .cdg file, as cdgBeside pairs them.
std::optional<std::string> audioBeside(const std::string& cdgPath);

// How raw sub-channel bytes hold the packets: as the disc carries them (interleaved, to be
// corrected), or already de-interleaved and corrected (4 packets a sector). Decided from the
// first sectors that carry anything: the form in which more packets pass their parity.
enum class SubcodeForm { Interleaved, Packets };
SubcodeForm guessSubcodeForm(const std::vector<std::uint8_t>& symbols);

// Turns the raw sub-channel symbols of consecutive sectors (96 each; two more sectors after the
// last one are used when given) into packets, 4 a sector, counting what was corrected and
// skipped.
std::vector<std::uint8_t> packetsFromSubcode(const std::vector<std::uint8_t>& symbols,
                                             std::int64_t sectors, SubcodeForm form,
                                             DiscGraphics::Counts* counts);

}  // namespace lirafok::device::real

#pragma once
// The CD+G graphics of one track and the screen at any moment of it.
//
// Going forward, packets are applied one after the other. A jump (backwards, or far ahead)
// replays from the latest point at or before the target whose screen is known: a full-screen
// memory preset (which paints every pixel, so only the colours, the transparent colour and the
// scroll offsets in effect there are needed, and a scan of the stream at load time records
// them), a snapshot taken while playing through (every kSnapshotEvery packets), or the track's
// start. So the picture after a seek is exactly the one playing through shows.
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "cdg/screen.h"

namespace lirafok::cdg {

class Timeline {
public:
    // Packets beyond this many from the current one are reached by a jump, not by applying
    // every packet in between.
    static constexpr std::size_t kForwardLimit = 3000;   // 10 s
    static constexpr std::size_t kSnapshotEvery = 6000;  // 20 s

    Timeline() = default;
    // `bytes`: whole packets of 24 bytes (a trailing partial packet is dropped).
    explicit Timeline(std::vector<std::uint8_t> bytes);
    // More packets, as they are read (a drive delivers a track piece by piece). The screen
    // stays what it is; later packets become reachable.
    void append(const std::vector<std::uint8_t>& bytes);

    std::size_t packetCount() const { return m_bytes.size() / kPacketBytes; }
    const std::uint8_t* packet(std::size_t i) const { return m_bytes.data() + i * kPacketBytes; }

    // The screen once the first `count` packets are applied (count is capped at
    // packetCount(); 0 is the blank screen a track starts with).
    const Screen& screenAfter(std::size_t count);
    // The screen while playing `frames` sample frames (44.1 kHz) after the track's start:
    // packets 0 .. frames / 147 applied; before the start, the blank screen.
    const Screen& screenAtFrame(std::int64_t frames);
    const Screen& screen() const { return m_screen; }
    std::size_t applied() const { return m_applied; }
    // Changes whenever the picture may have changed (a packet that draws, or a jump).
    std::uint64_t generation() const { return m_generation; }

    // Packets applied by jumps and steps so far (measurements).
    std::uint64_t packetsReplayed() const { return m_replayed; }

private:
    void forward(std::size_t count);
    void jump(std::size_t count);
    // Records the full-screen presets among packets [from, packetCount()).
    void scan(std::size_t from);

    std::vector<std::uint8_t> m_bytes;
    // Full-screen presets: their packet indexes, and the colours and (transparent colour,
    // horizontal offset, vertical offset) in effect before each.
    std::vector<std::size_t> m_presetIndex;
    std::vector<std::array<std::uint16_t, kColours>> m_presetColours;
    std::vector<std::array<int, 3>> m_presetState;
    Screen m_scanned;  // colours, transparent colour and offsets after the packets scanned
    std::map<std::size_t, Screen> m_snapshots;  // by packets applied
    Screen m_screen;
    std::size_t m_applied = 0;
    std::uint64_t m_generation = 0;
    std::uint64_t m_replayed = 0;
};

}  // namespace lirafok::cdg

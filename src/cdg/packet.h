#pragma once
// CD+G packets as a .cdg file or a disc's R-W sub-channel carries them.
//
// A packet is 24 six-bit symbols (bytes whose two high bits are ignored): symbol 0 the command,
// 1 the instruction, 2-3 the Q parity, 4-19 the data, 20-23 the P parity. 300 packets play per
// second of audio, 4 per CD sector (1/75 s); packet n of a track plays n/300 s after the
// track's start. A .cdg file is just the packets one after the other (7,200 bytes a second).
#include <array>
#include <cstdint>

namespace lirafok::cdg {

inline constexpr int kPacketBytes = 24;
inline constexpr int kPacketsPerSecond = 300;
inline constexpr int kPacketsPerSector = 4;
inline constexpr int kSubcodeBytesPerSector = kPacketBytes * kPacketsPerSector;  // 96
// Sample frames of 44.1 kHz audio per packet: 44100 / 300.
inline constexpr int kFramesPerPacket = 147;

inline constexpr std::uint8_t kSymbolMask = 0x3F;
inline constexpr std::uint8_t kCdgCommand = 0x09;  // command symbol of a CD+G packet

// The screen: 50 x 18 tiles of 6 x 12 pixels; the outermost tile row and column on each side
// is the border (the visible picture is 294 x 204 inside 6 pixels left and right and 12 top
// and bottom).
inline constexpr int kWidth = 300;
inline constexpr int kHeight = 216;
inline constexpr int kTileWidth = 6;
inline constexpr int kTileHeight = 12;
inline constexpr int kColumns = kWidth / kTileWidth;  // 50
inline constexpr int kRows = kHeight / kTileHeight;   // 18
inline constexpr int kBorderWidth = 6;
inline constexpr int kBorderHeight = 12;
inline constexpr int kColours = 16;

// The instructions of CD+G packets (the instruction symbol & 0x3F).
enum class Instruction : std::uint8_t {
    MemoryPreset = 1,        // fill the screen with one colour
    BorderPreset = 2,        // fill the border with one colour
    TileBlock = 6,           // draw a 6 x 12 tile in two colours
    ScrollPreset = 20,       // scroll, filling the uncovered strip with a colour
    ScrollCopy = 24,         // scroll, the strip that leaves one side comes in at the other
    DefineTransparent = 28,  // choose the colour that shows the video behind (if any)
    LoadColoursLow = 30,     // colours 0-7 of the colour table
    LoadColoursHigh = 31,    // colours 8-15
    TileBlockXor = 38,       // a tile XORed onto the screen's colour indexes
};

using Packet = std::array<std::uint8_t, kPacketBytes>;

inline bool isCdgPacket(const std::uint8_t* p) {
    return (p[0] & kSymbolMask) == kCdgCommand;
}
inline int instructionOf(const std::uint8_t* p) {
    return p[1] & kSymbolMask;
}
// A memory preset that fills the whole screen: repeats (a non-zero repeat count) are copies
// sent for robustness and change nothing.
inline bool isFullScreenPreset(const std::uint8_t* p) {
    return isCdgPacket(p) && instructionOf(p) == static_cast<int>(Instruction::MemoryPreset) &&
           (p[5] & 0x0F) == 0;
}

// The packet that is playing `frames` sample frames (44.1 kHz) after the track's start: the
// last one whose time has come. Negative before the start.
inline std::int64_t packetAtFrame(std::int64_t frames) {
    return frames >= 0 ? frames / kFramesPerPacket : -1;
}
// The packet playing `ms` milliseconds after the track's start (n/300 s <= ms).
inline std::int64_t packetAtMs(std::int64_t ms) {
    return ms >= 0 ? ms * kPacketsPerSecond / 1000 : -1;
}

}  // namespace lirafok::cdg

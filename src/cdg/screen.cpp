#include "cdg/screen.h"

#include <algorithm>
#include <cstring>

namespace lirafok::cdg {

namespace {

using Data = const std::uint8_t*;  // the 16 data symbols of a packet

// A repeat count in the second data symbol marks a copy of a preset already applied.
bool firstOfItsSeries(Data d) {
    return (d[1] & 0x0F) == 0;
}

void fillRows(Screen& s, int top, int rows, std::uint8_t colour) {
    std::memset(s.pixels.data() + static_cast<std::size_t>(top) * kWidth, colour,
                static_cast<std::size_t>(rows) * kWidth);
}

void borderPreset(Screen& s, std::uint8_t colour) {
    fillRows(s, 0, kBorderHeight, colour);
    fillRows(s, kHeight - kBorderHeight, kBorderHeight, colour);
    for (int y = kBorderHeight; y < kHeight - kBorderHeight; ++y) {
        std::uint8_t* row = s.pixels.data() + static_cast<std::size_t>(y) * kWidth;
        std::memset(row, colour, kBorderWidth);
        std::memset(row + kWidth - kBorderWidth, colour, kBorderWidth);
    }
}

void loadColours(Screen& s, Data d, int first) {
    for (int i = 0; i < 8; ++i) {
        const unsigned hi = d[2 * i] & kSymbolMask, lo = d[2 * i + 1] & kSymbolMask;
        s.colours[static_cast<std::size_t>(first + i)] =
            static_cast<std::uint16_t>((hi << 6 | lo) & 0xFFF);
    }
}

// Row and column count tiles; the scroll offsets shift where the tile lands, and a tile that
// would not fit on the screen whole is refused.
bool tileBlock(Screen& s, Data d, bool xorMode) {
    const int top = (d[2] & 0x1F) * kTileHeight + s.vOffset;
    const int left = (d[3] & kSymbolMask) * kTileWidth + s.hOffset;
    if (top > kHeight - kTileHeight || left > kWidth - kTileWidth) return false;
    const std::uint8_t off = d[0] & 0x0F, on = d[1] & 0x0F;
    for (int y = 0; y < kTileHeight; ++y) {
        std::uint8_t* row = s.pixels.data() + static_cast<std::size_t>(top + y) * kWidth + left;
        const std::uint8_t bits = d[4 + y];
        for (int x = 0; x < kTileWidth; ++x) {
            const std::uint8_t c = (bits >> (5 - x)) & 1 ? on : off;
            row[x] = xorMode ? static_cast<std::uint8_t>(row[x] ^ c) : c;
        }
    }
    return true;
}

// Scroll: the picture moves by `dx`, `dy` pixels (the change of offset plus a whole tile for a
// scroll command); the strips it uncovers are filled with `colour` (preset) or take what left
// the other side (copy). The horizontal strip wins where the two strips cross.
bool scroll(Screen& s, Data d, bool copy) {
    const std::uint8_t colour = d[0] & 0x0F;
    const int hCommand = (d[1] & 0x30) >> 4, vCommand = (d[2] & 0x30) >> 4;
    const int hOffset = std::min(d[1] & 0x07, kBorderWidth - 1);
    const int vOffset = std::min(d[2] & 0x0F, kBorderHeight - 1);
    // A larger horizontal offset moves the picture right, a larger vertical one moves it up.
    int dx = hOffset - s.hOffset, dy = s.vOffset - vOffset;
    s.hOffset = hOffset;
    s.vOffset = vOffset;
    // Command 1 moves right / down, command 2 left / up.
    if (hCommand == 1) dx += kTileWidth;
    if (hCommand == 2) dx -= kTileWidth;
    if (vCommand == 1) dy += kTileHeight;
    if (vCommand == 2) dy -= kTileHeight;
    if (dx == 0 && dy == 0) return false;

    const auto before = s.pixels;
    auto in = [&](int x, int y) { return before[static_cast<std::size_t>(y) * kWidth + x]; };
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = s.pixels.data() + static_cast<std::size_t>(y) * kWidth;
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t c;
            if (dx > 0 && x < dx)
                c = copy ? in(kWidth - dx + x, y) : colour;
            else if (dx < 0 && x >= kWidth + dx)
                c = copy ? in(x - (kWidth + dx), y) : colour;
            else if (dy > 0 && y < dy)
                c = copy ? in(x, kHeight - dy + y) : colour;
            else if (dy < 0 && y >= kHeight + dy)
                c = copy ? in(x, y - (kHeight + dy)) : colour;
            else
                c = in(x - dx, y - dy);
            row[x] = c;
        }
    }
    return true;
}

}  // namespace

bool apply(Screen& s, const std::uint8_t* packet) {
    if (!isCdgPacket(packet)) return false;
    Data d = packet + 4;
    switch (static_cast<Instruction>(instructionOf(packet))) {
        case Instruction::MemoryPreset:
            if (!firstOfItsSeries(d)) return false;
            s.pixels.fill(d[0] & 0x0F);
            return true;
        case Instruction::BorderPreset:
            if (!firstOfItsSeries(d)) return false;
            borderPreset(s, d[0] & 0x0F);
            return true;
        case Instruction::TileBlock:
            return tileBlock(s, d, false);
        case Instruction::TileBlockXor:
            return tileBlock(s, d, true);
        case Instruction::ScrollPreset:
            return scroll(s, d, false);
        case Instruction::ScrollCopy:
            return scroll(s, d, true);
        case Instruction::DefineTransparent:
            s.transparent = d[0] & 0x0F;
            return true;
        case Instruction::LoadColoursLow:
            loadColours(s, d, 0);
            return true;
        case Instruction::LoadColoursHigh:
            loadColours(s, d, 8);
            return true;
    }
    return false;
}

}  // namespace lirafok::cdg

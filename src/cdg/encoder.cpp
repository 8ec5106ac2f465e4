#include "cdg/encoder.h"

#include <algorithm>

#include "cdg/subcode.h"

namespace lirafok::cdg::encode {

namespace {

Packet command(Instruction i) {
    Packet p{};
    p[0] = kCdgCommand;
    p[1] = static_cast<std::uint8_t>(i);
    return p;
}

Packet finished(Packet p) {
    addParity(p.data());
    return p;
}

}  // namespace

Packet nothing() {
    return Packet{};
}

Packet memoryPreset(int colour, int repeat) {
    Packet p = command(Instruction::MemoryPreset);
    p[4] = static_cast<std::uint8_t>(colour & 0x0F);
    p[5] = static_cast<std::uint8_t>(repeat & 0x0F);
    return finished(p);
}

Packet borderPreset(int colour) {
    Packet p = command(Instruction::BorderPreset);
    p[4] = static_cast<std::uint8_t>(colour & 0x0F);
    return finished(p);
}

Packet tile(int row, int column, int off, int on, const std::array<std::uint8_t, 12>& bits,
            bool xorMode) {
    Packet p = command(xorMode ? Instruction::TileBlockXor : Instruction::TileBlock);
    p[4] = static_cast<std::uint8_t>(off & 0x0F);
    p[5] = static_cast<std::uint8_t>(on & 0x0F);
    p[6] = static_cast<std::uint8_t>(row & 0x1F);
    p[7] = static_cast<std::uint8_t>(column & kSymbolMask);
    for (int y = 0; y < kTileHeight; ++y)
        p[static_cast<std::size_t>(8 + y)] = bits[static_cast<std::size_t>(y)] & kSymbolMask;
    return finished(p);
}

Packet loadColours(bool high, const std::array<std::uint16_t, 8>& rgb12) {
    Packet p = command(high ? Instruction::LoadColoursHigh : Instruction::LoadColoursLow);
    for (int i = 0; i < 8; ++i) {
        const unsigned c = rgb12[static_cast<std::size_t>(i)] & 0xFFF;
        p[static_cast<std::size_t>(4 + 2 * i)] = static_cast<std::uint8_t>(c >> 6);
        p[static_cast<std::size_t>(5 + 2 * i)] = static_cast<std::uint8_t>(c & kSymbolMask);
    }
    return finished(p);
}

Packet scroll(bool copy, int colour, Move h, int hOffset, Move v, int vOffset) {
    Packet p = command(copy ? Instruction::ScrollCopy : Instruction::ScrollPreset);
    p[4] = static_cast<std::uint8_t>(colour & 0x0F);
    p[5] = static_cast<std::uint8_t>(static_cast<int>(h) << 4 | (hOffset & 0x07));
    p[6] = static_cast<std::uint8_t>(static_cast<int>(v) << 4 | (vOffset & 0x0F));
    return finished(p);
}

Packet transparent(int colour) {
    Packet p = command(Instruction::DefineTransparent);
    p[4] = static_cast<std::uint8_t>(colour & 0x0F);
    return finished(p);
}

std::vector<Packet> drawDifference(Screen& now, const Screen& target, int firstRow, int firstColumn,
                                   int rows, int columns) {
    std::vector<Packet> out;
    for (int row = firstRow; row < std::min(firstRow + rows, kRows); ++row) {
        for (int column = firstColumn; column < std::min(firstColumn + columns, kColumns);
             ++column) {
            const int x0 = column * kTileWidth, y0 = row * kTileHeight;
            bool same = true;
            std::array<int, kColours> uses{};
            for (int y = 0; y < kTileHeight; ++y)
                for (int x = 0; x < kTileWidth; ++x) {
                    const std::uint8_t c = target.at(x0 + x, y0 + y);
                    ++uses[c];
                    same = same && c == now.at(x0 + x, y0 + y);
                }
            if (same) continue;
            // The most used colour is the tile's ground, the next its ink; each further colour
            // is XORed onto the ground where it belongs.
            std::array<int, kColours> order{};
            for (int i = 0; i < kColours; ++i) order[static_cast<std::size_t>(i)] = i;
            std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
                return uses[static_cast<std::size_t>(a)] > uses[static_cast<std::size_t>(b)];
            });
            const int ground = order[0];
            const int ink = uses[static_cast<std::size_t>(order[1])] ? order[1] : ground;
            auto mask = [&](int colour) {
                std::array<std::uint8_t, 12> bits{};
                for (int y = 0; y < kTileHeight; ++y)
                    for (int x = 0; x < kTileWidth; ++x)
                        if (target.at(x0 + x, y0 + y) == colour)
                            bits[static_cast<std::size_t>(y)] |=
                                static_cast<std::uint8_t>(1 << (5 - x));
                return bits;
            };
            out.push_back(tile(row, column, ground, ink, mask(ink)));
            for (int k = 2;
                 k < kColours && uses[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])];
                 ++k) {
                const int colour = order[static_cast<std::size_t>(k)];
                out.push_back(tile(row, column, 0, ground ^ colour, mask(colour), true));
            }
            for (int y = 0; y < kTileHeight; ++y)
                for (int x = 0; x < kTileWidth; ++x)
                    now.pixels[static_cast<std::size_t>(y0 + y) * kWidth + x0 + x] =
                        target.at(x0 + x, y0 + y);
        }
    }
    return out;
}

void append(std::vector<std::uint8_t>& stream, const Packet& p) {
    stream.insert(stream.end(), p.begin(), p.end());
}

void append(std::vector<std::uint8_t>& stream, const std::vector<Packet>& ps) {
    for (const Packet& p : ps) append(stream, p);
}

}  // namespace lirafok::cdg::encode

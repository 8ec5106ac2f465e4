#pragma once
// Makes CD+G packets: the demo disc draws its lyrics with it, and the tests make streams that
// exercise every instruction. Every packet gets its Q and P parity.
#include <array>
#include <cstdint>
#include <vector>

#include "cdg/packet.h"
#include "cdg/screen.h"

namespace lirafok::cdg::encode {

// An empty packet (no CD+G command): plays as a pause in the graphics.
Packet nothing();
// `repeat` 0 clears the screen; 1-15 are the copies a disc sends after it.
Packet memoryPreset(int colour, int repeat = 0);
Packet borderPreset(int colour);
// A 6 x 12 tile at tile row `row` (0-17) and column `column` (0-49): bit 5 of each of the 12
// row bytes is the leftmost pixel; set bits take `on`, clear bits `off`.
Packet tile(int row, int column, int off, int on, const std::array<std::uint8_t, 12>& bits,
            bool xorMode = false);
// Colours 0-7 (high = false) or 8-15 as 0xRGB.
Packet loadColours(bool high, const std::array<std::uint16_t, 8>& rgb12);
enum class Move { None = 0, Forward = 1, Back = 2 };  // right/down, left/up by one tile
// A scroll: `copy` wraps what leaves at one side round to the other, else the uncovered strip
// takes `colour`. Offsets are pixels (0-5, 0-11).
Packet scroll(bool copy, int colour, Move h, int hOffset, Move v, int vOffset);
Packet transparent(int colour);

// The packets that draw the tiles of `target` that differ from `now`, and make `now` the same
// as `target` there: one packet per tile of one or two colours, one XOR packet more for each
// further colour. Tiles are visited row by row; only the given tile rectangle is looked at.
// Both screens must have zero scroll offsets.
std::vector<Packet> drawDifference(Screen& now, const Screen& target, int firstRow = 0,
                                   int firstColumn = 0, int rows = kRows, int columns = kColumns);

// Appends packets to a byte stream (the .cdg layout).
void append(std::vector<std::uint8_t>& stream, const Packet& p);
void append(std::vector<std::uint8_t>& stream, const std::vector<Packet>& ps);

}  // namespace lirafok::cdg::encode

#pragma once
// The CD+G screen and the decoder that draws packets onto it.
//
// The screen is what is shown, border included: 300 x 216 colour indexes into a 16-colour
// table of 12-bit colours. Scrolling moves the pixels themselves (by whole tiles and by the
// 0-5 / 0-11 pixel offsets of the scroll instructions), and tiles are drawn shifted by the
// offsets in effect, so that the picture is exactly what FFmpeg's cdgraphics decoder shows
// (the test suite compares the two pixel by pixel).
#include <array>
#include <cstdint>

#include "cdg/packet.h"

namespace lirafok::cdg {

struct Screen {
    std::array<std::uint8_t, kWidth * kHeight> pixels{};  // colour indexes 0-15, row by row
    std::array<std::uint16_t, kColours> colours{};        // 0xRGB, 4 bits each
    int transparent = -1;  // the colour index that lets video through; -1: none defined
    int hOffset = 0;       // pixels, 0-5: the horizontal scroll offset in effect
    int vOffset = 0;       // pixels, 0-11

    std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * kWidth + x]; }
    // 0xRRGGBB of a 12-bit colour: each 4-bit level times 17 (0xF -> 0xFF).
    static std::uint32_t toRgb(std::uint16_t rgb12) {
        const std::uint32_t r = (rgb12 >> 8) & 0xF, g = (rgb12 >> 4) & 0xF, b = rgb12 & 0xF;
        return (r * 17) << 16 | (g * 17) << 8 | (b * 17);
    }
    std::uint32_t rgbAt(int x, int y) const { return toRgb(colours[at(x, y)]); }
    bool operator==(const Screen&) const = default;
};

// Applies one packet of 24 bytes. Packets that are no CD+G packets, unknown instructions and
// tiles placed outside the screen change nothing; no packet can draw outside the screen.
// Returns true when the picture (pixels or colours) may have changed.
bool apply(Screen& screen, const std::uint8_t* packet);

}  // namespace lirafok::cdg

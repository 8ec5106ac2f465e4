// LIRAFOK's CD+G screen against FFmpeg's cdgraphics decoder, pixel by pixel after every packet,
// on streams made by the project's encoder that exercise every instruction.
//
// FFmpeg's demuxer stamps packet n with time n (1/300 s), and with -frame_pts the frame of
// packet n is written as f_n.png. It decodes no frame for a packet that is no CD+G packet and
// none for a tile it refuses (one that does not fit on the screen): the test expects exactly
// those gaps.
//
// FFmpeg mishandles one packet: a scroll that neither moves by a tile nor changes an offset
// leaves it a fresh frame without pixels or colours (the screen goes black and stays without
// colours until the next colour table). LIRAFOK leaves the screen as it is, as the format
// says (see ScrollThatMovesNothing in cdg_decoder_test.cpp); such packets are kept out of the
// streams compared here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "cdg/encoder.h"
#include "cdg/screen.h"
#include "../support/png_reader.h"
#include "../support/temp_folder.h"

namespace lirafok::cdg {
namespace {

using encode::Move;
using Stream = std::vector<Packet>;

std::array<std::uint8_t, 12> randomBits(std::mt19937& rng) {
    std::array<std::uint8_t, 12> b{};
    for (auto& v : b) v = static_cast<std::uint8_t>(rng() & 0x3F);
    return b;
}

Stream colourTables(std::mt19937& rng) {
    Stream s;
    for (int k = 0; k < 6; ++k) {
        std::array<std::uint16_t, 8> lo{}, hi{};
        for (auto& c : lo) c = static_cast<std::uint16_t>(rng() & 0xFFF);
        for (auto& c : hi) c = static_cast<std::uint16_t>(rng() & 0xFFF);
        s.push_back(encode::loadColours(false, lo));
        s.push_back(encode::loadColours(true, hi));
    }
    return s;
}

// Every colour on the whole screen and on the border, presets repeated as discs repeat them.
Stream presets() {
    std::mt19937 rng(1);
    Stream s = colourTables(rng);
    for (int c = 0; c < 16; ++c) {
        s.push_back(encode::memoryPreset(c));
        s.push_back(encode::memoryPreset((c + 5) % 16, 1 + c % 15));  // a repeat: no change
        s.push_back(encode::borderPreset(15 - c));
    }
    return s;
}

// A tile at every row and column, then tiles that do not fit.
Stream tilesEverywhere() {
    std::mt19937 rng(2);
    Stream s = colourTables(rng);
    s.push_back(encode::memoryPreset(3));
    for (int row = 0; row < kRows; ++row)
        for (int column = 0; column < kColumns; ++column)
            s.push_back(encode::tile(row, column, static_cast<int>(rng() % 16),
                                     static_cast<int>(rng() % 16), randomBits(rng)));
    for (int row : {18, 25, 31}) s.push_back(encode::tile(row, 3, 1, 2, randomBits(rng)));
    for (int column : {50, 63}) s.push_back(encode::tile(2, column, 1, 2, randomBits(rng)));
    return s;
}

// XOR tiles over a busy picture, each place hit several times.
Stream xorTiles() {
    std::mt19937 rng(3);
    Stream s = colourTables(rng);
    for (int i = 0; i < 400; ++i)
        s.push_back(encode::tile(static_cast<int>(rng() % kRows),
                                 static_cast<int>(rng() % kColumns), static_cast<int>(rng() % 16),
                                 static_cast<int>(rng() % 16), randomBits(rng), i % 3 != 0));
    return s;
}

// Every scroll direction and offset, filling and wrapping, each followed by tiles (which land
// shifted by the offsets in effect, some no longer fitting).
Stream scrolls() {
    std::mt19937 rng(4);
    Stream s = colourTables(rng);
    for (int row = 0; row < kRows; ++row)
        for (int column = 0; column < kColumns; ++column)
            s.push_back(encode::tile(row, column, static_cast<int>((row + column) % 16),
                                     static_cast<int>(rng() % 16), randomBits(rng)));
    for (bool copy : {false, true})
        for (Move h : {Move::None, Move::Forward, Move::Back})
            for (Move v : {Move::None, Move::Forward, Move::Back})
                for (int ho = 0; ho < 6; ++ho)
                    for (int vo = 0; vo < 12; vo += (ho == 0 ? 1 : 5)) {
                        s.push_back(
                            encode::scroll(copy, static_cast<int>(rng() % 16), h, ho, v, vo));
                        s.push_back(encode::tile(static_cast<int>(rng() % kRows),
                                                 static_cast<int>(rng() % kColumns), 1, 9,
                                                 randomBits(rng)));
                    }
    // Offsets past the limits (7 and 15) are taken as the largest.
    s.push_back(encode::scroll(true, 2, Move::Forward, 7, Move::Back, 15));
    s.push_back(encode::tile(16, 48, 4, 5, randomBits(rng)));
    return s;
}

// The transparent colour changes no colour, and colour tables loaded after it keep their RGB.
Stream transparency() {
    std::mt19937 rng(5);
    Stream s;
    s.push_back(encode::transparent(4));
    auto more = colourTables(rng);
    s.insert(s.end(), more.begin(), more.end());
    s.push_back(encode::memoryPreset(4));
    s.push_back(encode::tile(5, 5, 4, 7, randomBits(rng)));
    s.push_back(encode::transparent(7));
    s.push_back(encode::borderPreset(7));
    return s;
}

// Packets as a damaged stream may hold them: random symbols, CD+G command or not, unknown
// instructions among the known ones.
Stream garbage() {
    std::mt19937 rng(6);
    Stream s = colourTables(rng);
    for (int i = 0; i < 600; ++i) {
        Packet p{};
        for (auto& b : p) b = static_cast<std::uint8_t>(rng());
        if (i % 4 != 0) p[0] = static_cast<std::uint8_t>((rng() & 0xC0) | kCdgCommand);
        if (i % 2 == 0) {
            static const int kKnown[] = {1, 2, 6, 20, 24, 28, 30, 31, 38};
            p[1] = static_cast<std::uint8_t>((rng() & 0xC0) | kKnown[rng() % 9]);
        }
        s.push_back(p);
    }
    return s;
}

// What FFmpeg makes a frame of: a CD+G packet, unless it is a tile that does not fit.
bool framed(const Packet& p, const Screen& before) {
    if (!isCdgPacket(p.data())) return false;
    const int i = instructionOf(p.data());
    if (i != 6 && i != 38) return true;
    return (p[6] & 0x1F) * kTileHeight + before.vOffset <= kHeight - kTileHeight &&
           (p[7] & 0x3F) * kTileWidth + before.hOffset <= kWidth - kTileWidth;
}

bool scrollThatMovesNothing(const Packet& p, const Screen& before) {
    if (!isCdgPacket(p.data())) return false;
    const int i = instructionOf(p.data());
    if (i != 20 && i != 24) return false;
    Screen after = before;
    apply(after, p.data());
    return (p[5] & 0x30) == 0 && (p[6] & 0x30) == 0 && after.hOffset == before.hOffset &&
           after.vOffset == before.vOffset;
}

Stream withoutEmptyScrolls(const Stream& in) {
    Stream out;
    Screen screen;
    for (const Packet& p : in) {
        if (scrollThatMovesNothing(p, screen)) continue;
        apply(screen, p.data());
        out.push_back(p);
    }
    return out;
}

struct Case {
    const char* name;
    std::function<Stream()> make;
};

class AgainstFfmpeg : public ::testing::TestWithParam<Case> {};

TEST_P(AgainstFfmpeg, SameScreenAfterEveryPacket) {
    ASSERT_EQ(std::system("ffmpeg -version >/dev/null 2>&1"), 0)
        << "ffmpeg is needed (scripts/setup.sh installs it)";
    const Stream stream = withoutEmptyScrolls(GetParam().make());
    testing::TempFolder dir("cdg_ffmpeg");
    {
        std::ofstream out(dir / "t.cdg", std::ios::binary);
        for (const Packet& p : stream)
            out.write(reinterpret_cast<const char*>(p.data()), kPacketBytes);
    }
    const std::string command = "cd '" + dir.path() +
                                "' && ffmpeg -nostdin -loglevel quiet -i t.cdg -fps_mode "
                                "passthrough -frame_pts 1 f_%05d.png";
    ASSERT_EQ(std::system(command.c_str()), 0);

    Screen screen;
    int compared = 0;
    for (std::size_t n = 0; n < stream.size(); ++n) {
        const bool expectFrame = framed(stream[n], screen);
        apply(screen, stream[n].data());
        char name[32];
        std::snprintf(name, sizeof name, "f_%05zu.png", n);
        const bool exists = std::filesystem::exists(dir / name);
        ASSERT_EQ(exists, expectFrame) << "packet " << n;
        if (!exists) continue;
        const auto frame = testing::readPng(dir / name);
        ASSERT_TRUE(frame) << name;
        ASSERT_EQ(frame->width, kWidth);
        ASSERT_EQ(frame->height, kHeight);
        int differing = 0, firstX = -1, firstY = -1;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (frame->at(x, y) != screen.rgbAt(x, y) && differing++ == 0) {
                    firstX = x;
                    firstY = y;
                }
        ASSERT_EQ(differing, 0) << "packet " << n << " (instruction "
                                << instructionOf(stream[n].data()) << "), first at " << firstX
                                << "," << firstY;
        ++compared;
    }
    EXPECT_GT(compared, static_cast<int>(stream.size()) / 2);
}

INSTANTIATE_TEST_SUITE_P(Streams, AgainstFfmpeg,
                         ::testing::Values(Case{"presets", presets},
                                           Case{"tiles_everywhere", tilesEverywhere},
                                           Case{"xor_tiles", xorTiles}, Case{"scrolls", scrolls},
                                           Case{"transparency", transparency},
                                           Case{"garbage", garbage}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lirafok::cdg

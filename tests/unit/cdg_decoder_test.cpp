// The CD+G decoder, its seek by replay and the sub-channel codes, as tables of cases.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "cdg/encoder.h"
#include "cdg/screen.h"
#include "cdg/subcode.h"
#include "cdg/timeline.h"

namespace lirafok::cdg {
namespace {

using encode::Move;

const std::array<std::uint8_t, 12> kFrame = {0x3F, 0x21, 0x21, 0x21, 0x21, 0x21,
                                             0x21, 0x21, 0x21, 0x21, 0x21, 0x3F};

Screen play(const std::vector<Packet>& ps, Screen s = {}) {
    for (const Packet& p : ps) apply(s, p.data());
    return s;
}

// --- instructions: what one packet does to a known screen ---

struct PixelCase {
    const char* what;
    std::vector<Packet> packets;
    int x, y;
    int colour;  // the index expected at x, y
};

class Pixels : public ::testing::TestWithParam<PixelCase> {};

TEST_P(Pixels, AfterThePackets) {
    const PixelCase& c = GetParam();
    EXPECT_EQ(play(c.packets).at(c.x, c.y), c.colour) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Instructions, Pixels,
    ::testing::Values(
        PixelCase{"preset fills the border too", {encode::memoryPreset(7)}, 0, 0, 7},
        PixelCase{"preset fills the last pixel", {encode::memoryPreset(7)}, 299, 215, 7},
        PixelCase{"a repeat changes nothing",
                  {encode::memoryPreset(3), encode::memoryPreset(9, 2)},
                  150,
                  100,
                  3},
        PixelCase{"border: top-left", {encode::borderPreset(5)}, 0, 0, 5},
        PixelCase{"border: right edge", {encode::borderPreset(5)}, 294, 100, 5},
        PixelCase{"border: bottom", {encode::borderPreset(5)}, 100, 204, 5},
        PixelCase{"border leaves the picture", {encode::borderPreset(5)}, 6, 12, 0},
        PixelCase{"border leaves the picture's far corner", {encode::borderPreset(5)}, 293, 203, 0},
        PixelCase{"tile: set bit takes the ink", {encode::tile(1, 1, 2, 3, kFrame)}, 6, 12, 3},
        PixelCase{"tile: clear bit takes the ground", {encode::tile(1, 1, 2, 3, kFrame)}, 7, 13, 2},
        PixelCase{
            "tile: bit 0 is the rightmost pixel", {encode::tile(1, 1, 2, 3, kFrame)}, 11, 13, 3},
        PixelCase{
            "tile in the last row and column", {encode::tile(17, 49, 2, 3, kFrame)}, 299, 215, 3},
        PixelCase{"tile beyond the rows draws nothing",
                  {encode::memoryPreset(1), encode::tile(18, 0, 2, 3, kFrame)},
                  0,
                  215,
                  1},
        PixelCase{"xor: ink 6 on 5 gives 3",
                  {encode::memoryPreset(5), encode::tile(0, 0, 0, 6, kFrame, true)},
                  0,
                  0,
                  3},
        PixelCase{"xor: ground 0 keeps the pixel",
                  {encode::memoryPreset(5), encode::tile(0, 0, 0, 6, kFrame, true)},
                  1,
                  1,
                  5},
        PixelCase{"scroll right a tile, preset fills the left strip",
                  {encode::memoryPreset(1), encode::tile(0, 0, 2, 2, kFrame),
                   encode::scroll(false, 4, Move::Forward, 0, Move::None, 0)},
                  0,
                  0,
                  4},
        PixelCase{"scroll right a tile moves the tile",
                  {encode::memoryPreset(1), encode::tile(0, 0, 2, 2, kFrame),
                   encode::scroll(false, 4, Move::Forward, 0, Move::None, 0)},
                  6,
                  0,
                  2},
        PixelCase{"scroll copy left wraps the first tile to the right edge",
                  {encode::memoryPreset(1), encode::tile(0, 0, 2, 2, kFrame),
                   encode::scroll(true, 4, Move::Back, 0, Move::None, 0)},
                  294,
                  0,
                  2},
        PixelCase{"scroll copy up wraps the top row of tiles to the bottom",
                  {encode::memoryPreset(1), encode::tile(0, 3, 2, 2, kFrame),
                   encode::scroll(true, 4, Move::None, 0, Move::Back, 0)},
                  18,
                  204,
                  2},
        PixelCase{"scroll down a tile",
                  {encode::memoryPreset(1), encode::tile(0, 3, 2, 2, kFrame),
                   encode::scroll(false, 4, Move::None, 0, Move::Forward, 0)},
                  18,
                  12,
                  2},
        PixelCase{"a horizontal offset of 3 moves the picture 3 right",
                  {encode::memoryPreset(1), encode::tile(0, 0, 2, 2, kFrame),
                   encode::scroll(false, 4, Move::None, 3, Move::None, 0)},
                  8,
                  0,
                  2},
        PixelCase{"a vertical offset of 5 moves the picture 5 up",
                  {encode::memoryPreset(1), encode::tile(1, 0, 2, 2, kFrame),
                   encode::scroll(false, 4, Move::None, 0, Move::None, 5)},
                  0,
                  7,
                  2},
        PixelCase{"tiles land shifted by the offsets",
                  {encode::memoryPreset(1), encode::scroll(false, 1, Move::None, 3, Move::None, 5),
                   encode::tile(0, 0, 2, 2, kFrame)},
                  3,
                  5,
                  2},
        PixelCase{"a scroll that moves nothing changes nothing",
                  {encode::memoryPreset(1), encode::tile(0, 0, 2, 2, kFrame),
                   encode::scroll(false, 4, Move::None, 0, Move::None, 0)},
                  0,
                  0,
                  2}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(Colours, TwelveBitColoursSpreadToEightBits) {
    const Screen s =
        play({encode::loadColours(false, {0x000, 0xF00, 0x0F0, 0x00F, 0x123, 0x888, 0xFFF, 0x7A5}),
              encode::loadColours(true, {0xABC, 0, 0, 0, 0, 0, 0, 0x001})});
    const struct {
        int index;
        std::uint32_t rgb;
    } cases[] = {{0, 0x000000}, {1, 0xFF0000}, {2, 0x00FF00}, {3, 0x0000FF}, {4, 0x112233},
                 {5, 0x888888}, {6, 0xFFFFFF}, {7, 0x77AA55}, {8, 0xAABBCC}, {15, 0x000011}};
    for (const auto& c : cases)
        EXPECT_EQ(Screen::toRgb(s.colours[static_cast<std::size_t>(c.index)]), c.rgb) << c.index;
}

TEST(Colours, TransparentIndexIsKeptWithoutTouchingColours) {
    const Screen before = play({encode::loadColours(false, {1, 2, 3, 4, 5, 6, 7, 8})});
    const Screen after = play({encode::transparent(3)}, before);
    EXPECT_EQ(after.transparent, 3);
    EXPECT_EQ(after.colours, before.colours);
}

// Every packet of random symbols, as a damaged disc may give: no crash, and packets that are
// no CD+G packets never change anything (run under the sanitizers in build-asan).
TEST(Robustness, RandomPacketsNeverFailAndNonCdgPacketsChangeNothing) {
    std::mt19937 rng(11);
    Screen s;
    for (int i = 0; i < 200000; ++i) {
        Packet p;
        for (auto& b : p) b = static_cast<std::uint8_t>(rng());
        if (i % 3) p[0] = static_cast<std::uint8_t>((p[0] & 0xC0) | kCdgCommand);
        const Screen before = s;
        const bool changed = apply(s, p.data());
        if (!isCdgPacket(p.data())) {
            ASSERT_EQ(s, before);
        }
        if (!changed) {
            ASSERT_EQ(s.pixels, before.pixels);
        }
        ASSERT_LE(s.hOffset, 5);
        ASSERT_LE(s.vOffset, 11);
    }
}

// --- seek by replay ---

// A karaoke-like stream: a preset every 20 s, colour changes, lines of tiles, XOR wipes and
// scrolls, `seconds` long.
std::vector<std::uint8_t> songStream(int seconds, bool presets, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> s;
    const int count = seconds * kPacketsPerSecond;
    for (int n = 0; n < count; ++n) {
        Packet p = encode::nothing();
        const int k = static_cast<int>(rng() % 100);
        if (presets && n % 6000 == 0)
            p = encode::memoryPreset(static_cast<int>(rng() % 16));
        else if (k < 50)
            p = encode::tile(static_cast<int>(rng() % 18), static_cast<int>(rng() % 50),
                             static_cast<int>(rng() % 16), static_cast<int>(rng() % 16), kFrame,
                             k < 20);
        else if (k < 51)
            p = encode::loadColours(
                rng() % 2, {static_cast<std::uint16_t>(rng() & 0xFFF), 2, 3, 4, 5, 6, 7, 8});
        else if (k == 52 && rng() % 20 == 0)
            p = encode::scroll(rng() % 2, 3, Move(rng() % 3), static_cast<int>(rng() % 6),
                               Move(rng() % 3), static_cast<int>(rng() % 12));
        encode::append(s, p);
    }
    return s;
}

struct SeekCase {
    const char* what;
    bool presets;
    std::vector<std::size_t> targets;  // packets applied, visited in this order
};

class Seek : public ::testing::TestWithParam<SeekCase> {};

TEST_P(Seek, ShowsWhatPlayingThroughShows) {
    const SeekCase& c = GetParam();
    const auto bytes = songStream(120, c.presets, 5);
    Timeline timeline(bytes);
    for (const std::size_t target : c.targets) {
        Screen expected;
        for (std::size_t i = 0; i < std::min(target, timeline.packetCount()); ++i)
            apply(expected, timeline.packet(i));
        ASSERT_EQ(timeline.screenAfter(target), expected) << c.what << ", to " << target;
        ASSERT_EQ(timeline.applied(), std::min(target, timeline.packetCount()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, Seek,
    ::testing::Values(
        SeekCase{"forward in small steps", true, {1, 2, 300, 301, 3300}},
        SeekCase{"back past a preset", true, {30000, 6001, 6000, 5999}},
        SeekCase{"back onto the preset itself and just after", true, {20000, 12001, 12000}},
        SeekCase{"far ahead, then back between snapshots", false, {35000, 18000, 12001, 7}},
        SeekCase{"to the start and beyond the end", false, {9000, 0, 99999999, 1}},
        SeekCase{"back by one packet", false, {24001, 24000, 23999}}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(Seek, FrameTimesPickThePacketWhoseTimeHasCome) {
    Timeline timeline(songStream(2, false, 1));
    const struct {
        std::int64_t frames;
        std::size_t applied;
    } cases[] = {{-1, 0}, {0, 1}, {146, 1}, {147, 2}, {44100, 301}, {10'000'000, 600}};
    for (const auto& c : cases) {
        timeline.screenAtFrame(c.frames);
        EXPECT_EQ(timeline.applied(), c.applied) << c.frames;
    }
}

// A generous bound for a slow shared machine; bench/cdg_bench prints the real figures. The
// sanitizers' instrumentation makes any time meaningless, so their builds do not look at it.
TEST(Seek, AnyPointOfATenMinuteTrackWithoutPresetsIsQuick) {
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "timed under a sanitizer";
#endif
    Timeline timeline(songStream(600, false, 9));
    std::mt19937 rng(3);
    double worst = 0;
    for (int i = 0; i < 40; ++i) {
        const auto start = std::chrono::steady_clock::now();
        timeline.screenAfter(rng() % timeline.packetCount());
        worst = std::max(worst, std::chrono::duration<double, std::milli>(
                                    std::chrono::steady_clock::now() - start)
                                    .count());
    }
    EXPECT_LT(worst, 250.0);
}

// --- the sub-channel codes ---

TEST(Subcode, InterleaveOffsetsSwapThreePairsAndDelayByPlaceModEight) {
    const struct {
        int symbol, offset;
    } cases[] = {{0, 0}, {1, 66},   {2, 125}, {3, 191}, {4, 100}, {5, 50},
                 {8, 8}, {15, 183}, {18, 25}, {19, 91}, {23, 75}};
    for (const auto& c : cases) EXPECT_EQ(interleaveOffset(c.symbol), c.offset) << c.symbol;
}

struct DamageCase {
    const char* what;
    std::vector<int> symbols;  // damaged symbol places
    Check expected;
};

class Damage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(Damage, IsCorrectedOrRefused) {
    const DamageCase& c = GetParam();
    std::mt19937 rng(21);
    for (int trial = 0; trial < 50; ++trial) {
        Packet p =
            encode::tile(static_cast<int>(rng() % 18), static_cast<int>(rng() % 50), 1, 2, kFrame);
        const Packet good = p;
        for (int s : c.symbols)
            p[static_cast<std::size_t>(s)] ^= static_cast<std::uint8_t>(1 + rng() % 63);
        ASSERT_EQ(correct(p.data()), c.expected) << c.what;
        if (c.expected != Check::Damaged) {
            ASSERT_EQ(p, good) << c.what;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Symbols, Damage,
    ::testing::Values(DamageCase{"none", {}, Check::Clean},
                      DamageCase{"the command", {0}, Check::Corrected},
                      DamageCase{"a Q parity symbol", {3}, Check::Corrected},
                      DamageCase{"a P parity symbol", {23}, Check::Corrected},
                      DamageCase{"two data symbols", {7, 15}, Check::Corrected},
                      DamageCase{"first and last", {0, 23}, Check::Corrected},
                      DamageCase{"four symbols", {1, 6, 11, 19}, Check::Damaged},
                      DamageCase{"six symbols", {0, 2, 4, 8, 12, 16}, Check::Damaged}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(Subcode, DeinterleavingGivesBackThePackets) {
    const auto bytes = songStream(3, true, 4);
    const auto raw = interleave(bytes);
    Deinterleaver d;
    std::vector<std::uint8_t> out(bytes.size());
    for (std::size_t s = 0; s * kPacketsPerSector * kPacketBytes < bytes.size(); ++s)
        d.decodeSector(raw.data() + s * kSubcodeBytesPerSector,
                       out.data() + s * kSubcodeBytesPerSector);
    EXPECT_EQ(out, bytes);
    EXPECT_EQ(d.counts().corrected, 0);
    EXPECT_EQ(d.counts().damaged, 0);
}

TEST(Subcode, ChannelPackingRoundTrips) {
    std::mt19937 rng(8);
    std::array<std::uint8_t, 96> symbols{}, packed{}, back{};
    for (auto& b : symbols) b = static_cast<std::uint8_t>(rng());
    packChannels(symbols.data(), packed.data());
    unpackChannels(packed.data(), back.data());
    EXPECT_EQ(back, symbols);
    // Symbol 0's P bit is the first bit of the P channel's first byte.
    symbols.fill(0);
    symbols[0] = 0x80;
    symbols[9] = 0x01;  // W of symbol 9
    packChannels(symbols.data(), packed.data());
    EXPECT_EQ(packed[0], 0x80);
    EXPECT_EQ(packed[7 * 12 + 1], 0x40);
}

}  // namespace
}  // namespace lirafok::cdg

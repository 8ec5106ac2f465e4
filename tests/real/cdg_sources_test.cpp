// Where a track's CD+G comes from: .cdg pairs in a folder disc, a ZIP, a BIN/CUE image with a
// CDG track, a CloneCD image; the disc-image path gives the same screens as the .cdg file,
// also with damaged sub-channel symbols.
#include <gtest/gtest.h>

#include <zip.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "cdg/encoder.h"
#include "cdg/subcode.h"
#include "cdg/timeline.h"
#include "device/real/cdg_sources.h"
#include "device/real/karaoke_files.h"
#include "device/real/virtual_drive.h"
#include "test_discs.h"

namespace lirafok::device::real {
namespace {

using Bytes = std::vector<std::uint8_t>;

// `sectors` sectors of packets: a preset, colours, then tiles and XOR tiles at random, and
// two sectors without graphics at the end (the interleave spreads a packet over the two
// sectors after its own, which on a disc belong to what follows the track).
Bytes song(std::int64_t sectors, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes s;
    cdg::encode::append(s, cdg::encode::loadColours(
                               false, {0x000, 0xF00, 0x0F0, 0x00F, 0xFF0, 0x0FF, 0xF0F, 0xFFF}));
    cdg::encode::append(s, cdg::encode::memoryPreset(1));
    while (static_cast<std::int64_t>(s.size()) < sectors * cdg::kSubcodeBytesPerSector) {
        std::array<std::uint8_t, 12> bits{};
        for (auto& b : bits) b = static_cast<std::uint8_t>(rng() & 0x3F);
        cdg::encode::append(
            s, rng() % 3 == 0
                   ? cdg::encode::nothing()
                   : cdg::encode::tile(static_cast<int>(rng() % 18), static_cast<int>(rng() % 50),
                                       static_cast<int>(rng() % 8), static_cast<int>(rng() % 8),
                                       bits, rng() % 2));
    }
    s.resize(static_cast<std::size_t>(sectors - 2) * cdg::kSubcodeBytesPerSector);
    s.resize(static_cast<std::size_t>(sectors) * cdg::kSubcodeBytesPerSector, 0);
    return s;
}

void writeBytes(const std::string& path, const Bytes& b) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

std::vector<std::int16_t> tone(std::int64_t sectors) {
    return std::vector<std::int16_t>(static_cast<std::size_t>(sectors * kFramesPerSector * 2),
                                     1000);
}

struct Read {
    Bytes packets;
    DiscGraphics::Counts counts;
    std::string error;
    bool ok = false;
};

Read readTrack(DiscGraphics& g, int track) {
    Read r;
    r.ok = g.read(
        track,
        [&](Bytes piece) {
            r.packets.insert(r.packets.end(), piece.begin(), piece.end());
            return true;
        },
        &r.counts, &r.error);
    return r;
}

// The screens of two packet streams after every packet (compared every 7th, and the last).
void expectSameScreens(const Bytes& a, const Bytes& b) {
    cdg::Timeline ta(a), tb(b);
    ASSERT_EQ(ta.packetCount(), tb.packetCount());
    for (std::size_t n = 1; n <= ta.packetCount(); n += (n + 7 > ta.packetCount() ? 1 : 7))
        ASSERT_EQ(ta.screenAfter(n), tb.screenAfter(n)) << "after " << n << " packets";
}

TEST(CdgSources, FolderOfPairsGivesEachTrackItsCdg) {
    const std::string dir = testing::makeTempDir("cdg_pairs");
    testing::writeAudioFile(dir + "/01 Song.wav", tone(150));
    testing::writeAudioFile(dir + "/02 Other.wav", tone(300));
    testing::writeAudioFile(dir + "/03 Plain.wav", tone(75));
    const Bytes first = song(150, 1), second = song(100, 2);  // the second is shorter
    writeBytes(dir + "/01 Song.cdg", first);
    writeBytes(dir + "/02 other.CDG", second);
    std::string error;
    auto disc = readVirtualDisc(dir, nullptr, &error);
    ASSERT_TRUE(disc) << error;
    ASSERT_TRUE(disc->graphics);
    EXPECT_EQ(disc->graphics->presence(1), DiscGraphics::Presence::Present);
    EXPECT_EQ(disc->graphics->presence(2), DiscGraphics::Presence::Present);
    EXPECT_EQ(disc->graphics->presence(3), DiscGraphics::Presence::None);
    EXPECT_EQ(readTrack(*disc->graphics, 1).packets, first);
    // Shorter than the audio: what there is; the last picture stays (the timeline holds it).
    EXPECT_EQ(readTrack(*disc->graphics, 2).packets, second);
    std::filesystem::remove_all(dir);
}

TEST(CdgSources, LongerCdgIsCutAtTheTracksEnd) {
    const std::string dir = testing::makeTempDir("cdg_long");
    testing::writeAudioFile(dir + "/song.wav", tone(75));
    const Bytes packets = song(200, 3);
    writeBytes(dir + "/song.cdg", packets);
    std::string error;
    auto disc = readVirtualDisc(dir + "/song.cdg", nullptr, &error);  // dropped: the pair
    ASSERT_TRUE(disc) << error;
    const Read r = readTrack(*disc->graphics, 1);
    EXPECT_EQ(r.packets, Bytes(packets.begin(), packets.begin() + 75 * 96));
    std::filesystem::remove_all(dir);
}

void writeZip(const std::string& path, const std::vector<std::pair<std::string, Bytes>>& members) {
    int code = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_TRUE(z);
    std::vector<std::unique_ptr<Bytes>> keep;
    for (const auto& [name, bytes] : members) {
        keep.push_back(std::make_unique<Bytes>(bytes));
        zip_source_t* src = zip_source_buffer(z, keep.back()->data(), keep.back()->size(), 0);
        ASSERT_GE(zip_file_add(z, name.c_str(), src, ZIP_FL_ENC_UTF_8), 0);
    }
    ASSERT_EQ(zip_close(z), 0);
}

Bytes fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(CdgSources, ZipWithOneAudioFileAndOneCdgIsADisc) {
    const std::string dir = testing::makeTempDir("cdg_zip");
    testing::writeAudioFile(dir + "/a.wav", tone(150));
    const Bytes wav = fileBytes(dir + "/a.wav"), packets = song(150, 4);
    writeZip(dir + "/カラオケ.zip",
             {{"曲/歌.wav", wav}, {"曲/歌.cdg", packets}, {"readme.txt", {'x'}}});
    std::string error;
    auto layout = layoutFromZip(dir + "/カラオケ.zip", dir + "/cache", &error);
    ASSERT_TRUE(layout) << error;
    EXPECT_EQ(layout->text.trackTitles, std::vector<std::string>{"歌"});
    auto disc = discFromLayout(std::move(*layout));
    ASSERT_EQ(disc.tracksMs().size(), 1u);
    EXPECT_EQ(readTrack(*disc.graphics, 1).packets, packets);
    std::filesystem::remove_all(dir);
}

TEST(CdgSources, ZipThatIsNoKaraokeSongIsToldByName) {
    const std::string dir = testing::makeTempDir("cdg_zipbad");
    testing::writeAudioFile(dir + "/a.wav", tone(10));
    const Bytes wav = fileBytes(dir + "/a.wav");
    const struct {
        const char* name;
        std::vector<std::pair<std::string, Bytes>> members;
        const char* told;
    } cases[] = {
        {"nocdg.zip", {{"a.wav", wav}}, "ZIP ファイル {} には CD+G (.cdg) ファイルがありません"},
        {"twoaudio.zip",
         {{"a.wav", wav}, {"b.flac", wav}, {"a.cdg", song(10, 1)}},
         "ZIP ファイル {} には音声ファイルが複数あります"},
        {"noaudio.zip", {{"a.cdg", song(10, 1)}}, "ZIP ファイル {} には音声ファイルがありません"},
    };
    for (const auto& c : cases) {
        writeZip(dir + "/" + c.name, c.members);
        std::string error;
        EXPECT_FALSE(readVirtualDisc(dir + "/" + c.name, nullptr, &error));
        std::string told = c.told;
        told.replace(told.find("{}"), 2, dir + "/" + c.name);
        EXPECT_EQ(error, told);
    }
    std::filesystem::remove_all(dir);
}

// A BIN/CUE rip of a CD+G disc: track 1 plain audio, track 2 a CDG track of 2448-byte sectors
// whose sub-channel holds `subcode` (one 96-byte block a sector).
std::string writeCdgBinCue(const std::string& dir, std::int64_t sectors1, std::int64_t sectors2,
                           const Bytes& subcode) {
    Bytes bin(static_cast<std::size_t>(sectors1 * 2352 + sectors2 * 2448), 0);
    for (std::int64_t s = 0; s < sectors2; ++s)
        std::copy_n(subcode.begin() + s * 96, 96, bin.begin() + sectors1 * 2352 + s * 2448 + 2352);
    writeBytes(dir + "/disc.bin", bin);
    std::ofstream(dir + "/disc.cue")
        << "FILE \"disc.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
        << "  TRACK 02 CDG\r\n    INDEX 01 00:" << (sectors1 / 75 < 10 ? "0" : "") << sectors1 / 75
        << ":" << (sectors1 % 75 < 10 ? "0" : "") << sectors1 % 75 << "\r\n";
    return dir + "/disc.cue";
}

struct ImageCase {
    const char* what;
    int damagedPerPacket;  // symbols spoiled in every packet (0-2: corrected)
    bool oneBeyond;        // and one packet spoiled beyond correction
    bool packed;           // the image holds de-interleaved packets, not the disc's symbols
};

class DiscImagePath : public ::testing::TestWithParam<ImageCase> {};

TEST_P(DiscImagePath, GivesTheScreensOfTheCdgFile) {
    const ImageCase& c = GetParam();
    const std::int64_t sectors = 300;
    const Bytes packets = song(sectors, 7);
    Bytes subcode;
    if (c.packed) {
        subcode = packets;
    } else {
        subcode = cdg::interleave(packets);
        subcode.resize(static_cast<std::size_t>(sectors) * 96);
    }
    std::mt19937 rng(9);
    const std::size_t count = packets.size() / 24;
    const std::size_t spoilt = count / 2 + 1;
    for (std::size_t n = 0; n < count; ++n) {
        // The places of a packet's symbols in the image.
        auto place = [&](int symbol) {
            return c.packed ? n * 24 + static_cast<std::size_t>(symbol)
                            : n * 24 + static_cast<std::size_t>(cdg::interleaveOffset(symbol));
        };
        const int hits = c.oneBeyond && n == spoilt ? 6 : c.damagedPerPacket;
        for (int k = 0; k < hits; ++k) {
            const std::size_t at = place((static_cast<int>(n) * 5 + k * 11) % 24);
            if (at < subcode.size()) subcode[at] ^= static_cast<std::uint8_t>(1 + rng() % 63);
        }
        // P and Q bits of the sub-channel ride along in the high bits and must be ignored.
        if (!c.packed && n * 24 < subcode.size()) subcode[n * 24] |= 0x80;
    }
    const std::string dir = testing::makeTempDir("cdg_bin");
    std::string error;
    auto disc = readVirtualDisc(writeCdgBinCue(dir, 150, sectors, subcode), nullptr, &error);
    ASSERT_TRUE(disc) << error;
    ASSERT_TRUE(disc->graphics);
    EXPECT_EQ(disc->graphics->presence(1), DiscGraphics::Presence::None);
    ASSERT_EQ(disc->graphics->presence(2), DiscGraphics::Presence::Present);
    const Read r = readTrack(*disc->graphics, 2);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.packets.size(), packets.size());
    // Every packet but those whose spoilt symbols would lie beyond the track.
    if (c.damagedPerPacket > 0) EXPECT_GE(r.counts.corrected, static_cast<std::int64_t>(count) - 9);
    EXPECT_EQ(r.counts.damaged, c.oneBeyond ? 1 : 0);
    EXPECT_EQ(r.counts.unreadable, 0);
    if (!c.oneBeyond) {
        EXPECT_EQ(r.packets, packets);
    } else {
        // The packet beyond correction is skipped: what the file shows without it.
        Bytes without = packets;
        std::fill_n(without.begin() + static_cast<std::ptrdiff_t>(spoilt * 24), 24, 0);
        expectSameScreens(r.packets, without);
    }
    if (!c.oneBeyond) expectSameScreens(r.packets, packets);
    std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Images, DiscImagePath,
                         ::testing::Values(ImageCase{"clean", 0, false, false},
                                           ImageCase{"one symbol a packet", 1, false, false},
                                           ImageCase{"two symbols a packet", 2, false, false},
                                           ImageCase{"two a packet and one packet beyond", 2, true,
                                                     false},
                                           ImageCase{"de-interleaved packets", 0, false, true},
                                           ImageCase{"de-interleaved, one beyond", 1, true, true}),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(CdgSources, CloneCdImageTakesItsGraphicsFromTheSubFile) {
    const std::string dir = testing::makeTempDir("cdg_ccd");
    const std::int64_t sectors1 = 75, sectors2 = 150;
    const Bytes packets = song(sectors2, 11);
    Bytes raw = cdg::interleave(packets);
    raw.resize(static_cast<std::size_t>(sectors2) * 96);
    Bytes sub(static_cast<std::size_t>(sectors1) * 96, 0);  // track 1: no graphics
    for (std::int64_t s = 0; s < sectors2; ++s) {
        std::uint8_t packed[96];
        cdg::packChannels(raw.data() + s * 96, packed);
        sub.insert(sub.end(), packed, packed + 96);
    }
    writeBytes(dir + "/Disc.img", Bytes(static_cast<std::size_t>((sectors1 + sectors2) * 2352), 0));
    writeBytes(dir + "/Disc.sub", sub);
    std::ofstream(dir + "/Disc.ccd")
        << "[CloneCD]\r\nVersion=3\r\n[TRACK 1]\r\nMODE=0\r\nINDEX 1=0\r\n"
        << "[TRACK 2]\r\nMODE=0\r\nINDEX 1=" << sectors1 << "\r\n";
    std::string error;
    auto disc = readVirtualDisc(dir + "/Disc.ccd", nullptr, &error);
    ASSERT_TRUE(disc) << error;
    ASSERT_EQ(disc->toc.size(), 2u);
    EXPECT_EQ(disc->toc[1].startSector, 150 + sectors1);
    EXPECT_EQ(disc->leadOutSector, 150 + sectors1 + sectors2);
    const Read r = readTrack(*disc->graphics, 2);
    EXPECT_EQ(r.packets, packets);
    std::filesystem::remove_all(dir);
}

TEST(CdgSources, UnreadableSubcodeSectorsAreSkippedAndCounted) {
    const std::string dir = testing::makeTempDir("cdg_short");
    const Bytes packets = song(150, 5);
    // The image ends 40 sectors early: those sectors read as nothing (zeros) and draw nothing.
    auto cue = writeCdgBinCue(dir, 75, 150, cdg::interleave(packets));
    std::filesystem::resize_file(dir + "/disc.bin", 75 * 2352 + 110 * 2448);
    std::string error;
    auto disc = readVirtualDisc(cue, nullptr, &error);
    ASSERT_TRUE(disc) << error;
    const Read r = readTrack(*disc->graphics, 2);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.packets.size(), 110u * 96);  // the track as the image has it
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace lirafok::device::real

// lirafok-discinfo on generated rips of the layouts rippers write: the key, the track table,
// the disc IDs and the titles it prints, against tables of contents worked out by hand.
#include <gtest/gtest.h>

#include <discid/discid.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "device/real/disc_ids.h"
#include "test_discs.h"

namespace lirafok::device::real {
namespace {

// Milliseconds as the Windows CD-audio driver reports them.
std::int64_t mci(std::int64_t sectors) {
    return sectors * 1000 / 75 + 1;
}

std::string musicBrainzOf(const std::vector<std::int64_t>& starts, std::int64_t leadOut) {
    int offsets[100] = {static_cast<int>(leadOut)};
    for (std::size_t i = 0; i < starts.size(); ++i) offsets[i + 1] = static_cast<int>(starts[i]);
    DiscId* d = discid_new();
    EXPECT_TRUE(discid_put(d, 1, static_cast<int>(starts.size()), offsets));
    std::string id = discid_get_id(d);
    discid_free(d);
    return id;
}

// `sectors` of a tone as 16-bit stereo frames.
std::vector<std::int16_t> tone(std::int64_t sectors, double hz) {
    const testing::ToneTrack t{hz, sectors * 588, 0};
    std::vector<std::int16_t> pcm;
    for (std::int64_t i = 0; i < t.frames; ++i) {
        pcm.push_back(testing::toneSample(t, i, 0));
        pcm.push_back(testing::toneSample(t, i, 1));
    }
    return pcm;
}

void writeBin(const std::string& path, const std::vector<std::int16_t>& pcm) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(pcm.data()),
               static_cast<std::streamsize>(pcm.size() * 2));
}

std::string utf16(const std::string& ascii, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return out;
}

struct Layout {
    const char* name;
    // Writes the disc into the folder and returns the path to give the tool.
    std::function<std::string(const std::string& dir)> write;
    std::vector<std::int64_t> starts;  // absolute sectors
    std::int64_t leadOut;
    std::vector<std::string> textLines;  // title / performer / song lines expected
};

const std::string kTwoTracks =  // per-track files: 225 and 300 sectors
    "FILE \"01.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n";

const std::vector<Layout> kLayouts = {
    {"one file with an INDEX 00 pregap",
     [](const std::string& d) {
         testing::writeAudioFile(d + "/all.flac", tone(600, 440));
         std::ofstream(d + "/a.cue", std::ios::binary)
             << "TITLE \"One File\"\r\nFILE \"all.flac\" WAVE\r\n  TRACK 01 AUDIO\r\n"
                "    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    INDEX 00 00:03:00\r\n"
                "    INDEX 01 00:04:00\r\n";
         return d + "/a.cue";
     },
     {150, 450},
     750,
     {"title One File"}},
    {"file per track, gaps appended (INDEX 00 in the previous file)",
     [](const std::string& d) {
         testing::writeAudioFile(d + "/01.wav", tone(225, 440));
         testing::writeAudioFile(d + "/02.wav", tone(300, 660));
         std::ofstream(d + "/a.cue", std::ios::binary)
             << kTwoTracks
             << "  TRACK 02 AUDIO\r\n    TITLE \"Second\"\r\n    INDEX 00 00:02:00\r\n"
                "FILE \"02.wav\" WAVE\r\n    INDEX 01 00:00:00\r\n";
         return d + "/a.cue";
     },
     {150, 375},
     675,
     {"song 02 Second"}},
    {"file per track, gaps prepended (INDEX 00 at the start of its own file)",
     [](const std::string& d) {
         testing::writeAudioFile(d + "/01.wav", tone(225, 440));
         testing::writeAudioFile(d + "/02.wav", tone(300, 660));
         std::ofstream(d + "/a.cue", std::ios::binary)
             << kTwoTracks
             << "FILE \"02.wav\" WAVE\r\n  TRACK 02 AUDIO\r\n    INDEX 00 00:00:00\r\n"
                "    INDEX 01 00:01:00\r\n";
         return d + "/a.cue";
     },
     {150, 450},
     675,
     {}},
    {"hidden track before track 1",
     [](const std::string& d) {
         testing::writeAudioFile(d + "/01.wav", tone(900, 440));
         std::ofstream(d + "/a.cue", std::ios::binary)
             << "FILE \"01.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    INDEX 00 00:00:00\r\n"
                "    INDEX 01 00:08:00\r\n";
         return d + "/a.cue";
     },
     {750},
     1050,
     {}},
    {"folder of audio files",
     [](const std::string& d) {
         std::filesystem::create_directory(d + "/album");
         testing::writeAudioFile(d + "/album/01 A.flac", tone(100, 440));
         testing::writeAudioFile(d + "/album/02 B.wav", tone(75, 660));
         return d + "/album";
     },
     {150, 250},
     325,
     {"title album", "song 01 A", "song 02 B"}},
    {"BIN/CUE, one bin named unlike the sheet",
     [](const std::string& d) {
         auto pcm = tone(200, 440);
         const auto more = tone(160, 660);
         pcm.insert(pcm.end(), more.begin(), more.end());
         writeBin(d + "/Image (Disc).bin", pcm);
         std::ofstream(d + "/sheet.cue", std::ios::binary)
             << "PERFORMER \"Bin Band\"\r\nFILE \"Image (Disc).bin\" BINARY\r\n"
                "  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n"
                "    INDEX 00 00:02:00\r\n    INDEX 01 00:02:50\r\n";
         return d + "/sheet.cue";
     },
     {150, 350},
     510,
     {"performer Bin Band"}},
    {"BIN/CUE, one bin a track",
     [](const std::string& d) {
         writeBin(d + "/t1.bin", tone(200, 440));
         writeBin(d + "/t2.bin", tone(160, 660));
         std::ofstream(d + "/sheet.cue", std::ios::binary)
             << "FILE \"t1.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                "FILE \"t2.bin\" BINARY\r\n  TRACK 02 AUDIO\r\n    INDEX 00 00:00:00\r\n"
                "    INDEX 01 00:02:00\r\n";
         return d + "/sheet.cue";
     },
     {150, 500},
     510,
     {}},
    {"Shift-JIS sheet naming a file named in UTF-8",
     [](const std::string& d) {
         testing::writeAudioFile(d + "/歌.wav", tone(300, 440));
         std::ofstream(d + "/a.cue", std::ios::binary)
             << "TITLE \"\x83\x65\x83\x58\x83\x67\"\r\n"                  // テスト
             << "FILE \"\x89\xCC.wav\" WAVE\r\n"                          // 歌.wav
             << "  TRACK 01 AUDIO\r\n    TITLE \"\x82\xA4\x82\xBD\"\r\n"  // うた
                "    INDEX 01 00:00:00\r\n";
         return d + "/a.cue";
     },
     {150},
     450,
     {"title テスト", "song 01 うた"}},
    {"UTF-16 LE sheet",
     [](const std::string& d) {
         testing::writeAudioFile(d + "/x.wav", tone(300, 440));
         std::ofstream(d + "/a.cue", std::ios::binary) << utf16(
             "TITLE \"Wide\"\r\nFILE \"x.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n"
             "    INDEX 01 00:00:00\r\n",
             false);
         return d + "/a.cue";
     },
     {150},
     450,
     {"title Wide"}},
    {"UTF-16 BE sheet",
     [](const std::string& d) {
         testing::writeAudioFile(d + "/x.wav", tone(300, 440));
         std::ofstream(d + "/a.cue", std::ios::binary) << utf16(
             "TITLE \"Wide\"\r\nFILE \"x.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n"
             "    INDEX 01 00:00:00\r\n",
             true);
         return d + "/a.cue";
     },
     {150},
     450,
     {"title Wide"}},
};

std::string run(const std::string& command, int* status) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    *status = pclose(p);
    return out;
}

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

TEST(DiscInfo, PrintsWhatTheDriveSeesForEveryLayout) {
    for (const Layout& l : kLayouts) {
        SCOPED_TRACE(l.name);
        const std::string dir = testing::makeTempDir("discinfo");
        const std::string path = l.write(dir);
        std::string want = "tracks " + std::to_string(l.starts.size()) + "\n";
        want += "start " + std::to_string(mci(l.starts.front())) + "\n";
        const std::int64_t length = mci(l.leadOut - l.starts.front() - 1);
        want += "length " + std::to_string(length) + "\n";
        char key[32];
        std::snprintf(key, sizeof key, "%09lld", static_cast<long long>(length));
        want += "key " + std::string(key) + "\n";
        for (std::size_t i = 0; i < l.starts.size(); ++i) {
            const std::int64_t end = i + 1 < l.starts.size() ? l.starts[i + 1] : l.leadOut - 1;
            char line[80];
            std::snprintf(line, sizeof line, "track %02zu %lld %lld audio\n", i + 1,
                          static_cast<long long>(mci(l.starts[i])),
                          static_cast<long long>(mci(end - l.starts[i])));
            want += line;
        }
        DiscImage toc;
        for (std::int64_t s : l.starts) toc.toc.push_back({s, true});
        toc.leadOutSector = l.leadOut;
        want += "musicbrainz " + musicBrainzOf(l.starts, l.leadOut) + "\n";
        want += "freedb " + freedbDiscIdText(toc) + "\n";
        for (const auto& t : l.textLines) want += t + "\n";
        int status = 0;
        EXPECT_EQ(run(quoted(LIRAFOK_DISCINFO) + " " + quoted(path), &status), want);
        EXPECT_EQ(status, 0);
        std::filesystem::remove_all(dir);
    }
}

TEST(DiscInfo, NoDiscIsToldByNameWithAFailingStatus) {
    const std::string dir = testing::makeTempDir("discinfo");
    std::ofstream(dir + "/broken.cue") << "FILE \"gone.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n";
    for (const std::string& path : {dir + "/broken.cue", dir + "/missing", dir + "/empty"}) {
        SCOPED_TRACE(path);
        std::filesystem::create_directory(dir + "/empty");
        int status = 0;
        const std::string err =
            run(quoted(LIRAFOK_DISCINFO) + " " + quoted(path) + " 2>&1 >/dev/null", &status);
        EXPECT_NE(status, 0);
        EXPECT_NE(err.find(path), std::string::npos) << err;
    }
    std::filesystem::remove_all(dir);
}

TEST(DiscIds, PublishedVectorAndTheCddbRule) {
    // A four-track disc whose MusicBrainz ID is published with its table of contents.
    DiscImage disc;
    disc.toc = {{150}, {11563}, {25174}, {45863}};
    disc.leadOutSector = 55370;
    EXPECT_EQ(musicBrainzDiscId(disc), "nljDXdC8B_pDwbdY1vZJvdrAZI4-");
    // Start seconds 2, 154, 335, 611: digit sums 2 + 10 + 11 + 8 = 31; 738 - 2 = 736 s.
    EXPECT_EQ(freedbDiscIdText(disc), "1f02e004");
    // An enhanced CD: the data track is left out of the MusicBrainz ID, not of the freedb ID.
    DiscImage enhanced = disc;
    enhanced.toc.push_back({55370 + 11400, false});
    enhanced.leadOutSector = 55370 + 11400 + 3000;
    EXPECT_EQ(musicBrainzDiscId(enhanced), "nljDXdC8B_pDwbdY1vZJvdrAZI4-");
    EXPECT_EQ(freedbDiscId(enhanced) & 0xFF, 5u);
}

}  // namespace
}  // namespace lirafok::device::real

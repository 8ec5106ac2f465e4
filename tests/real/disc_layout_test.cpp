// Tables of contents and PCM of generated CD images and rips, read back through the same code
// the drives use.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <sndfile.h>

#include "device/real/audio_file_reader.h"
#include "device/real/cdio_source.h"
#include "device/real/virtual_drive.h"
#include "device/real/virtual_layout.h"
#include "test_discs.h"

namespace lirafok::device::real {
namespace {

using testing::ToneTrack;

// 225, 150 (+150 gap) and 181 sectors: track 3's length is not a whole number of ms.
const std::vector<ToneTrack> kTracks = {
    {440, 225 * 588, 0}, {660, 150 * 588, 150 * 588}, {880, 181 * 588, 0}};

struct Expect {
    std::vector<TrackInfo> tracks;
    std::int32_t startMs, lengthMs;
};
// Milliseconds as the CD-audio driver reports them: sectors * 1000 / 75 + 1, the last track
// and the disc length one sector short of the lead-out (856).
const Expect kToc = {{{2001, 5001}, {7001, 2001}, {9001, 2401}}, 2001, 9401};

void expectToc(const DiscImage& disc) {
    const auto t = disc.tracksMs();
    ASSERT_EQ(t.size(), kToc.tracks.size());
    for (std::size_t i = 0; i < t.size(); ++i) {
        EXPECT_EQ(t[i].startMs, kToc.tracks[i].startMs) << "track " << i + 1;
        EXPECT_EQ(t[i].lengthMs, kToc.tracks[i].lengthMs) << "track " << i + 1;
    }
    EXPECT_EQ(disc.startMs(), kToc.startMs);
    EXPECT_EQ(disc.lengthMs(), kToc.lengthMs);
}

// Reads `count` frames at `first` and compares them with the generated disc, sample by sample.
void expectPcm(PcmSource& source, const std::vector<std::int16_t>& disc, std::int64_t first,
               std::int64_t count) {
    std::vector<std::int16_t> got(static_cast<std::size_t>(count) * 2);
    ASSERT_TRUE(source.read(first, got.data(), count)) << source.lastError();
    for (std::int64_t i = 0; i < count * 2; ++i) {
        const std::size_t at = static_cast<std::size_t>(first * 2 + i);
        const std::int16_t want = at < disc.size() ? disc[at] : 0;
        ASSERT_EQ(got[static_cast<std::size_t>(i)], want) << "frame " << first + i / 2;
    }
}

// Places where errors hide: the lead-in's end, track starts, the gap, file joins, the end.
const std::vector<std::pair<std::int64_t, std::int64_t>> kProbes = {
    {88200 - 300, 600},        // lead-in into track 1
    {375 * 588 - 333, 700},    // track 1 into track 2's gap (a file join in per-track rips)
    {525 * 588 - 5, 1000},     // track 2's INDEX 01
    {675 * 588 - 1001, 2002},  // track 2 into track 3
    {856 * 588 - 700, 1400},   // the disc's end and past it (silence)
    {1000, 7},                 // deep in the lead-in
};

class DiscLayout : public ::testing::Test {
protected:
    void SetUp() override { dir = testing::makeTempDir("layout"); }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string dir;
    const std::vector<std::int16_t> disc = testing::expectedDisc(kTracks);
};

TEST_F(DiscLayout, BinCueImageThroughLibcdio) {
    testing::writeBinCue(dir, kTracks);
    for (bool paranoia : {false, true}) {
        SCOPED_TRACE(paranoia ? "cdparanoia" : "direct");
        std::string error;
        auto image = readCdioDisc(dir + "/disc.cue", paranoia, &error);
        ASSERT_TRUE(image) << error;
        expectToc(*image);
        EXPECT_EQ(image->text.title, "Test Disc");
        for (auto [first, count] : kProbes) expectPcm(*image->source, disc, first, count);
    }
}

TEST_F(DiscLayout, RipsGiveTheSameDiscAsTheImage) {
    struct Case {
        const char* name;
        bool perTrack;
        const char* ext;
    };
    for (const Case& c : {Case{"flac per track", true, "flac"}, Case{"one flac", false, "flac"},
                          Case{"wav per track", true, "wav"}}) {
        SCOPED_TRACE(c.name);
        const std::string sub = dir + "/" + c.ext + (c.perTrack ? "-split" : "-one");
        std::filesystem::create_directories(sub);
        testing::writeRip(sub, kTracks, c.perTrack, c.ext);
        std::string error;
        auto image = readVirtualDisc(sub, nullptr, &error);
        ASSERT_TRUE(image) << error;
        expectToc(*image);
        for (auto [first, count] : kProbes) expectPcm(*image->source, disc, first, count);
        if (c.perTrack) {
            ASSERT_EQ(image->text.trackTitles.size(), 3u);
            EXPECT_EQ(image->text.trackTitles[1], "Song 02");
        }
    }
}

TEST_F(DiscLayout, CueSheetQuirks) {
    // PREGAP inserts silence that no file holds; a FILE naming a .wav that was converted to
    // .flac still finds its audio; a Shift-JIS title becomes UTF-8.
    std::vector<std::int16_t> a, b;
    const ToneTrack ta{500, 75 * 588, 0}, tb{700, 75 * 588, 0};
    for (std::int64_t i = 0; i < ta.frames; ++i) {
        a.push_back(testing::toneSample(ta, i, 0));
        a.push_back(testing::toneSample(ta, i, 1));
        b.push_back(testing::toneSample(tb, i, 0));
        b.push_back(testing::toneSample(tb, i, 1));
    }
    testing::writeAudioFile(dir + "/a.flac", a);
    testing::writeAudioFile(dir + "/B.flac", b);
    std::ofstream(dir + "/x.cue", std::ios::binary)
        << "TITLE \"\x83\x65\x83\x58\x83\x67\"\r\n"  // テスト in Shift-JIS
        << "FILE \"a.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
        << "FILE \"b.wav\" WAVE\r\n  TRACK 02 AUDIO\r\n    PREGAP 00:01:00\r\n    INDEX 01 "
           "00:00:00\r\n";
    std::string error;
    auto image = readVirtualDisc(dir + "/x.cue", nullptr, &error);
    ASSERT_TRUE(image) << error;
    EXPECT_EQ(image->text.title, "テスト");
    const auto t = image->tracksMs();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].startMs, 2001);
    EXPECT_EQ(t[0].lengthMs, 2001);  // one second of audio, one of pregap
    EXPECT_EQ(t[1].startMs, 4001);
    EXPECT_EQ(image->endMs(), 5001);
    std::vector<std::int16_t> got(4);
    ASSERT_TRUE(image->source->read(88200 + 44100 + 100, got.data(), 2));
    EXPECT_EQ(got, std::vector<std::int16_t>(4, 0));  // inside the pregap
    ASSERT_TRUE(image->source->read(88200 + 2 * 44100 + 10, got.data(), 2));
    EXPECT_EQ(got[0], testing::toneSample(tb, 10, 0));
}

// "CCC:SS:FF" of a sector count.
std::string msf(int sectors) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", sectors / 75 / 60, sectors / 75 % 60,
                  sectors % 75);
    return buf;
}

// A sheet of `n` one-sector tracks in a.wav.
std::string manyTracks(int n) {
    std::string sheet = "FILE \"a.wav\" WAVE\n";
    for (int i = 0; i < n; ++i) {
        sheet += "  TRACK " + std::to_string(i % 99 + 1) + " AUDIO\n    INDEX 01 " + msf(i) + "\n";
    }
    return sheet;
}

TEST_F(DiscLayout, SheetsThatCannotBeACdAreRefusedNamingTheFile) {
    // a.wav holds 200 sectors; sub/b.wav 10; x.wav lies outside the disc's folder.
    const std::string disc = dir + "/disc";
    std::filesystem::create_directories(disc + "/sub");
    testing::writeAudioFile(disc + "/a.wav", std::vector<std::int16_t>(588 * 2 * 200, 0));
    testing::writeAudioFile(disc + "/sub/b.wav", std::vector<std::int16_t>(588 * 2 * 10, 0));
    testing::writeAudioFile(dir + "/x.wav", std::vector<std::int16_t>(588 * 2 * 10, 0));
    std::ofstream(disc + "/empty.wav");
    std::ofstream(disc + "/text.wav") << "RIFF? no, just text";
    const std::string one = " TRACK 01 AUDIO\n  INDEX 01 00:00:00\n";
    const std::string cue = disc + "/t.cue";
    const std::string sheet = "CUE シート " + cue;
    struct Case {
        const char* name;
        std::string text;
        std::string error;  // empty: read, with `tracks` tracks
        std::size_t tracks = 0;
    };
    const std::vector<Case> cases = {
        {"99 tracks, the most a CD holds", manyTracks(99), "", 99},
        {"a sub-folder of the sheet's own", "FILE \"sub/b.wav\" WAVE\n" + one, "", 1},
        {"a detour that stays inside", "FILE \"sub/../a.wav\" WAVE\n" + one, "", 1},
        {"the last line without a line end",
         "FILE \"a.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00", "", 1},
        {"100 tracks", manyTracks(100),
         sheet + " の 200 行目のトラックが 99 を超えています（CD のトラックは 99 まで）"},
        {"200 tracks", manyTracks(200),
         sheet + " の 200 行目のトラックが 99 を超えています（CD のトラックは 99 まで）"},
        {"INDEX 01 before INDEX 00",
         "FILE \"a.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:10\n  INDEX 00 00:00:20\n",
         sheet + " の 4 行目のトラック 1 の INDEX 00 が INDEX 01 より後にあります"},
        {"a gap reaching into the previous track",
         "FILE \"a.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 00 00:00:00\n  INDEX 01 00:00:30\n"
         " TRACK 02 AUDIO\n  INDEX 00 00:00:20\n  INDEX 01 00:00:40\n",
         sheet + " の 6 行目のトラック 2 の INDEX が前のトラックと重なっています"},
        {"an index before the previous track's",
         "FILE \"a.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:30\n"
         " TRACK 02 AUDIO\n  INDEX 01 00:00:10\n",
         sheet + " の 5 行目のトラック 2 の INDEX が前のトラックと重なっています"},
        {"two tracks at one place (no length)",
         "FILE \"a.wav\" WAVE\n" + one + " TRACK 02 AUDIO\n  INDEX 01 00:00:00\n",
         sheet + " の 5 行目のトラック 2 の INDEX が前のトラックと重なっています"},
        {"an index at the file's end",
         "FILE \"a.wav\" WAVE\n" + one + " TRACK 02 AUDIO\n  INDEX 01 " + msf(200) + "\n",
         sheet + " の 5 行目のトラック 2 の INDEX 01 が音声ファイル a.wav の終わりを越えています"},
        {"no FILE line", one, sheet + " の 1 行目の TRACK の前に FILE 行がありません"},
        {"no tracks", "FILE \"a.wav\" WAVE\n", sheet + " にはトラックがありません"},
        {"a track without INDEX 01", "FILE \"a.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 00 00:00:00\n",
         sheet + " の 2 行目のトラック 1 に INDEX 01 がありません"},
        {"seconds and frames out of range",
         "FILE \"a.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 99:99:99\n",
         sheet + " の 3 行目の INDEX の時間「99:99:99」が正しくありません"},
        {"no time", "FILE \"a.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 abc\n",
         sheet + " の 3 行目の INDEX の時間「abc」が正しくありません"},
        {"a title left open ends with its line", "TITLE \"Best of\nFILE \"a.wav\" WAVE\n" + one, "",
         1},
        {"up out of the folder", "FILE \"../x.wav\" WAVE\n" + one,
         sheet + " の 1 行目の音声ファイル ../x.wav はディスクのフォルダーの外にあります"},
        {"up out through a sub-folder", "FILE \"sub\\..\\..\\x.wav\" WAVE\n" + one,
         sheet +
             " の 1 行目の音声ファイル sub\\..\\..\\x.wav はディスクのフォルダーの外にあります"},
        {"an absolute path", "FILE \"" + dir + "/x.wav\" WAVE\n" + one,
         sheet + " の 1 行目の音声ファイル " + dir + "/x.wav はディスクのフォルダーの外にあります"},
        {"a Windows drive", "FILE \"C:\\x.wav\" WAVE\n" + one,
         sheet + " の 1 行目の音声ファイル C:\\x.wav はディスクのフォルダーの外にあります"},
        {"absent audio", "FILE \"gone.wav\" WAVE\n" + one,
         sheet + " の 1 行目の音声ファイル gone.wav が見つかりません"},
        {"a 0-byte WAV", "FILE \"empty.wav\" WAVE\n" + one, disc + "/empty.wav は空のファイルです"},
        {"a file that is no audio", "FILE \"text.wav\" WAVE\n" + one,
         disc + "/text.wav を音声ファイルとして読み込めません（形式が分からないか、壊れています）"},
        {"binary junk", std::string("FILE \"a.wav\" WAVE\n\0\x01\x02", 22),
         cue + " は CUE シートではありません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(cue, std::ios::binary | std::ios::trunc) << c.text;
        std::string error;
        const auto image = readVirtualDisc(cue, nullptr, &error);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(image ? image->toc.size() : 0u, c.tracks);
    }
}

TEST_F(DiscLayout, ATruncatedFlacKeepsItsDeclaredLengthAndIsSilentPastTheCut) {
    // One FLAC for three tracks, cut off in track 2: the disc keeps the length (and so the
    // key) of the rip as made; what decodes plays; past the cut, read in order or by a jump,
    // is silence rather than a failure.
    const std::vector<ToneTrack> tracks = {
        {440, 150 * 588, 0}, {660, 300 * 588, 0}, {880, 150 * 588, 0}};
    testing::writeRip(dir, tracks, false);
    std::string error;
    const auto whole = readVirtualDisc(dir + "/rip.cue", nullptr, &error);
    ASSERT_TRUE(whole) << error;
    std::filesystem::resize_file(dir + "/rip.flac",
                                 std::filesystem::file_size(dir + "/rip.flac") / 2);
    const auto cut = readVirtualDisc(dir + "/rip.cue", nullptr, &error);
    ASSERT_TRUE(cut) << error;
    EXPECT_EQ(cut->lengthMs(), whole->lengthMs());
    EXPECT_EQ(cut->tracksMs().size(), 3u);
    const auto expected = testing::expectedDisc(tracks);
    expectPcm(*cut->source, expected, 88200 + 1000, 700);  // track 1 decodes
    std::vector<std::int16_t> got(588 * 2);
    ASSERT_TRUE(cut->source->read(88200 + 500 * 588, got.data(), 588));  // a jump into track 3
    EXPECT_EQ(got, std::vector<std::int16_t>(588 * 2, 0));
    auto reread = readVirtualDisc(dir + "/rip.cue", nullptr, &error);
    ASSERT_TRUE(reread);
    std::int64_t heard = 0;
    for (std::int64_t f = 88200; f < reread->endFrame(); f += 588) {  // in order, to the end
        ASSERT_TRUE(reread->source->read(f, got.data(), 588)) << "frame " << f;
        heard += std::count_if(got.begin(), got.end(), [](std::int16_t v) { return v != 0; });
    }
    EXPECT_GT(heard, 150 * 588);  // more than track 1 decoded
}

TEST_F(DiscLayout, FolderOfFilesRoundsEachTrackUpToWholeSectors) {
    // Names sort as tracks; 1000 frames need 2 sectors; 48 000 frames at 48 kHz are one
    // second (75 sectors); a mono file counts like a stereo one.
    const ToneTrack tone{1000, 1000, 0};
    std::vector<std::int16_t> shortFile;
    for (std::int64_t i = 0; i < tone.frames; ++i) {
        shortFile.push_back(testing::toneSample(tone, i, 0));
        shortFile.push_back(testing::toneSample(tone, i, 1));
    }
    testing::writeAudioFile(dir + "/01 short.wav", shortFile);
    testing::writeAudioFile(dir + "/02 hires.flac", std::vector<std::int16_t>(48000 * 2, 1000),
                            48000);
    testing::writeAudioFile(dir + "/03 mono.wav", std::vector<std::int16_t>(588 * 3, 2000), 44100,
                            1);
    std::ofstream(dir + "/notes.txt") << "not audio";
    std::string error;
    auto image = readVirtualDisc(dir, nullptr, &error);
    ASSERT_TRUE(image) << error;
    ASSERT_EQ(image->toc.size(), 3u);
    EXPECT_EQ(image->toc[0].startSector, 150);
    EXPECT_EQ(image->toc[1].startSector, 152);
    EXPECT_EQ(image->toc[2].startSector, 227);
    EXPECT_EQ(image->leadOutSector, 230);
    EXPECT_EQ(image->lengthMs(), (230 - 150 - 1) * 1000 / 75 + 1);
    std::vector<std::int16_t> got(1200 * 2);
    ASSERT_TRUE(image->source->read(88200, got.data(), 1200));
    EXPECT_EQ(got[999 * 2], testing::toneSample(tone, 999, 0));
    EXPECT_EQ(got[1000 * 2], 0);  // padding up to the sector's end
    ASSERT_TRUE(image->source->read(227 * 588, got.data(), 1));
    EXPECT_EQ(got[0], 2000);
    EXPECT_EQ(got[1], 2000);  // mono doubled
    ASSERT_TRUE(image->source->read(152 * 588 + 100, got.data(), 1));
    EXPECT_EQ(got[0], 1000);  // resampled constant stays constant
}

TEST_F(DiscLayout, EmptyFolderHasNoDisc) {
    std::string error;
    EXPECT_FALSE(readVirtualDisc(dir, nullptr, &error));
    EXPECT_FALSE(readVirtualDisc(dir + "/missing", nullptr, &error));
}

TEST_F(DiscLayout, FloatFilesAreScaledAndClippedAsTheyAreRead) {
    // Floats beyond full scale clip; the reader scales them itself (asking libsndfile to would
    // make it measure the file's peak, decoding all of it on open).
    const std::string path = dir + "/float.wav";
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    const float samples[] = {0.5f, -0.25f, 1.5f, -2.0f};
    sf_write_float(f, samples, 4);
    sf_close(f);
    auto reader = device::real::AudioFileReader::open(path, nullptr);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->frames(), 4);
    std::int16_t out[8];
    ASSERT_TRUE(reader->read(0, out, 4));
    const std::int16_t want[8] = {16384, 16384, -8192, -8192, 32767, 32767, -32767, -32767};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], want[i]) << i;
}

TEST(FolderDisc, SongNamesFromFileNamesLoseTheirOwnTrackNumber) {
    const struct {
        const char* stem;
        int track;
        const char* song;
    } cases[] = {
        {"01 Beep Song", 1, "Beep Song"},
        {"01-Beep Song", 1, "Beep Song"},
        {"1. Beep Song", 1, "Beep Song"},
        {"012_Beep", 12, "Beep"},
        {"03 - 夜明け", 3, "夜明け"},
        {"99 Luftballons", 3, "99 Luftballons"},
        {"1984", 1, "1984"},
        {"07", 7, "07"},
        {"07 ", 7, "07 "},
        {"Beep Song", 1, "Beep Song"},
    };
    for (const auto& c : cases) EXPECT_EQ(songFromFileName(c.stem, c.track), c.song) << c.stem;
}

}  // namespace
}  // namespace lirafok::device::real

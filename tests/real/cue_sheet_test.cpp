// CUE sheets as rippers lay out a disc (one file, a file per track with the gaps appended or
// prepended, a hidden track, BIN images, in the encodings Windows and Linux programs write),
// read back through the virtual drive's reading: the table of contents in sectors and the PCM
// of the whole disc, sample by sample.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/text.h"
#include "device/real/virtual_drive.h"
#include "device/real/virtual_layout.h"
#include "test_discs.h"

namespace lirafok::device::real {
namespace {

namespace fs = std::filesystem;

// A track of a generated disc, in sectors: an INDEX 00 gap holding a tone of its own (so that
// a gap laid in the wrong place is heard), then the track's tone. A data track is silent on
// the disc and junk in its image.
struct Piece {
    std::int64_t gap = 0;
    double gapHz = 0;
    std::int64_t sectors = 0;
    double hz = 0;
    bool audio = true;
};

const std::vector<Piece> kDisc = {{0, 0, 225, 440}, {150, 330, 150, 660}, {30, 990, 181, 880}};
// 30 seconds of hidden audio before track 1's INDEX 01.
const std::vector<Piece> kHidden = {
    {2250, 250, 225, 440}, {150, 330, 150, 660}, {30, 990, 181, 880}};
// A data track first, as on a mixed-mode CD.
const std::vector<Piece> kMixed = {
    {0, 0, 100, 0, false}, {150, 330, 150, 660}, {30, 990, 181, 880}};

// Where things lie, in sectors from the lead-in's end.
struct Places {
    std::vector<std::int64_t> gapStart, start;
    std::int64_t end = 0;
};

Places placesOf(const std::vector<Piece>& disc) {
    Places p;
    for (const Piece& t : disc) {
        p.gapStart.push_back(p.end);
        p.start.push_back(p.end + t.gap);
        p.end += t.gap + t.sectors;
    }
    return p;
}

std::int16_t tone(double hz, std::int64_t i, int channel) {
    return testing::toneSample({hz, 0, 0}, i, channel);
}

// What the CD plays, from the lead-in's end.
std::vector<std::int16_t> audioOf(const std::vector<Piece>& disc) {
    std::vector<std::int16_t> out;
    for (const Piece& t : disc) {
        for (const auto& [sectors, hz] : {std::pair{t.gap, t.gapHz}, std::pair{t.sectors, t.hz}}) {
            for (std::int64_t i = 0; i < sectors * 588; ++i) {
                out.push_back(t.audio ? tone(hz, i, 0) : 0);
                out.push_back(t.audio ? tone(hz, i, 1) : 0);
            }
        }
    }
    return out;
}

enum class Style { OneFile, GapsAppended, GapsPrepended };
enum class Encoding { Utf8, Utf8Bom, Utf16Le, Utf16Be, Cp932, Cp1252 };

struct Rip {
    Style style = Style::OneFile;
    std::string type = "WAVE";  // or BINARY, MOTOROLA
    std::string ext = "wav";
    std::string stem = "Track";
    bool cdg = false;             // CD+G image: 2448-byte sectors
    bool rawNamesOnDisk = false;  // files named in the sheet's CP932 bytes, not in UTF-8
};

std::string msf(std::int64_t sectors) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", static_cast<long long>(sectors / 4500),
                  static_cast<long long>(sectors / 75 % 60), static_cast<long long>(sectors % 75));
    return buf;
}

// The bytes of sectors [from, to) as a raw image holds them.
std::string rawImage(const std::vector<Piece>& disc, const std::vector<std::int16_t>& audio,
                     std::int64_t from, std::int64_t to, const Rip& rip) {
    const Places p = placesOf(disc);
    std::string out;
    for (std::int64_t s = from; s < to; ++s) {
        std::size_t k = 0;
        while (k + 1 < disc.size() && p.gapStart[k + 1] <= s) ++k;
        if (!disc[k].audio) {
            out.append(2048, '\x33');  // MODE1/2048 data: would be loud if played
            continue;
        }
        for (std::int64_t i = s * 588 * 2; i < (s + 1) * 588 * 2; ++i) {
            const auto v = static_cast<std::uint16_t>(audio[static_cast<std::size_t>(i)]);
            const char lo = static_cast<char>(v & 0xFF), hi = static_cast<char>(v >> 8);
            out += rip.type == "MOTOROLA" ? hi : lo;
            out += rip.type == "MOTOROLA" ? lo : hi;
        }
        if (rip.cdg) out.append(96, '\x5A');  // sub-channel
    }
    return out;
}

// Writes the rip's files into `dir` and returns its sheet (UTF-8). Files are cut where the
// style cuts them; FILE, TRACK and INDEX lines follow in disc order, so that an INDEX 00 ends
// up in the file before its INDEX 01 when the gaps are appended.
std::string writeRip(const std::string& dir, const std::vector<Piece>& disc, const Rip& rip) {
    const Places p = placesOf(disc);
    const auto audio = audioOf(disc);
    std::vector<std::int64_t> cuts;
    if (rip.style == Style::OneFile) cuts = {0};
    if (rip.style == Style::GapsPrepended) cuts = p.gapStart;
    if (rip.style == Style::GapsAppended) {
        if (p.start[0] > 0) cuts.push_back(0);  // EAC's file of the hidden track
        cuts.insert(cuts.end(), p.start.begin(), p.start.end());
    }
    std::vector<std::string> names;
    for (std::size_t f = 0; f < cuts.size(); ++f) {
        std::string name = rip.stem;
        // Numbered by track; EAC numbers the hidden track's file 00.
        const bool hiddenFile = rip.style == Style::GapsAppended && p.start[0] > 0;
        if (rip.style != Style::OneFile)
            name += " " + text::pad(static_cast<int>(f + (hiddenFile ? 0 : 1)), 2);
        name += "." + rip.ext;
        names.push_back(name);
        const std::int64_t from = cuts[f], to = f + 1 < cuts.size() ? cuts[f + 1] : p.end;
        const std::string path = dir + "/" + (rip.rawNamesOnDisk ? text::toCp932(name) : name);
        if (rip.type == "WAVE") {
            testing::writeAudioFile(path,
                                    {audio.begin() + from * 588 * 2, audio.begin() + to * 588 * 2});
        } else {
            std::ofstream(path, std::ios::binary) << rawImage(disc, audio, from, to, rip);
        }
    }
    std::string sheet = "REM COMMENT \"generated\"\r\nTITLE \"Disc Title\"\r\n";
    std::size_t nextFile = 0;
    std::int64_t fileStart = 0;
    for (std::size_t k = 0; k < disc.size(); ++k) {
        for (const int index : {0, 1}) {
            const std::int64_t at = index == 0 ? p.gapStart[k] : p.start[k];
            if (index == 0 && disc[k].gap == 0) continue;
            for (; nextFile < cuts.size() && cuts[nextFile] <= at; ++nextFile) {
                sheet += "FILE \"" + names[nextFile] + "\" " + rip.type + "\r\n";
                fileStart = cuts[nextFile];
            }
            if (index == 0 || disc[k].gap == 0) {
                const char* mode = !disc[k].audio ? "MODE1/2048" : rip.cdg ? "CDG" : "AUDIO";
                sheet += "  TRACK " + text::pad(static_cast<int>(k + 1), 2) + " " + mode +
                         "\r\n    TITLE \"Song " + std::to_string(k + 1) + "\"\r\n";
            }
            sheet += "    INDEX 0" + std::to_string(index) + " " + msf(at - fileStart) + "\r\n";
        }
    }
    return sheet;
}

std::string utf16(const std::string& utf8, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const int len = b < 0x80 ? 1 : b < 0xE0 ? 2 : 3;  // the sheets here stay in the BMP
        char32_t c = len == 1 ? b : b & (0x3F >> (len - 1));
        for (int k = 1; k < len; ++k) c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += static_cast<std::size_t>(len);
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

std::string encode(std::string sheet, Encoding e) {
    switch (e) {
        case Encoding::Utf8:
            return sheet;
        case Encoding::Utf8Bom:
            return "\xEF\xBB\xBF" + sheet;
        case Encoding::Utf16Le:
            return utf16(sheet, false);
        case Encoding::Utf16Be:
            return utf16(sheet, true);
        case Encoding::Cp932:
            return text::toCp932(sheet);
        case Encoding::Cp1252:
            for (std::size_t at; (at = sheet.find("’")) != std::string::npos;)
                sheet.replace(at, 3, "\x92");
            return sheet;
    }
    return sheet;
}

struct LayoutCase {
    const char* what;
    const std::vector<Piece>* disc;
    Rip rip;
    Encoding encoding = Encoding::Utf8;
    std::string title = "Disc Title";  // in the sheet, and as read back
};

TEST(CueSheetLayout, RipsReadAsTheBurnedCd) {
    const Rip appended{Style::GapsAppended};
    const Rip japanese{Style::GapsAppended, "WAVE", "wav", "曲 テスト"};
    const LayoutCase cases[] = {
        {"one WAV with INDEX 00 gaps", &kDisc, {Style::OneFile}},
        {"gaps appended (EAC), FLAC", &kDisc, {Style::GapsAppended, "WAVE", "flac"}},
        {"gaps prepended", &kDisc, {Style::GapsPrepended}},
        {"hidden track before track 1, one file", &kHidden, {Style::OneFile}},
        {"hidden track before track 1, gaps appended", &kHidden, appended},
        {"one BIN named unlike the sheet", &kDisc, {Style::OneFile, "BINARY", "bin", "Disc Audio"}},
        {"a BIN per track (redump)", &kDisc, {Style::GapsPrepended, "BINARY", "bin"}},
        {"a MOTOROLA image", &kDisc, {Style::OneFile, "MOTOROLA", "bin"}},
        {"a CD+G image", &kDisc, {Style::OneFile, "BINARY", "bin", "karaoke", true}},
        {"a BIN with a MODE1/2048 data track first", &kMixed, {Style::OneFile, "BINARY", "img"}},
        {"a CP932 sheet naming UTF-8 file names", &kDisc, japanese, Encoding::Cp932, "テスト盤"},
        {"a CP932 sheet naming files in its own bytes",
         &kDisc,
         {Style::GapsAppended, "WAVE", "wav", "曲 テスト", false, true},
         Encoding::Cp932,
         "テスト盤"},
        {"UTF-16 LE", &kDisc, japanese, Encoding::Utf16Le, "テスト盤"},
        {"UTF-16 BE", &kDisc, japanese, Encoding::Utf16Be, "テスト盤"},
        {"UTF-8 with a byte-order mark", &kDisc, japanese, Encoding::Utf8Bom, "テスト盤"},
        {"a CP1252 title", &kDisc, appended, Encoding::Cp1252, "Don’t Stop"},
    };
    const std::string root = testing::makeTempDir("cue-layout");
    // A lambda, so that a case that fails an assertion leaves the others to run.
    auto check = [&](const LayoutCase& c, const std::string& dir) {
        fs::create_directories(dir);
        std::string sheet = writeRip(dir, *c.disc, c.rip);
        sheet.replace(sheet.find("Disc Title"), 10, c.title);
        std::ofstream(dir + "/rip.cue", std::ios::binary) << encode(sheet, c.encoding);
        // libcdio's cue driver reads the image named after the sheet, whatever its FILE says.
        std::ofstream(dir + "/rip.bin", std::ios::binary) << std::string(2352 * 100, '\x11');

        std::string error;
        const auto image = readVirtualDisc(dir + "/rip.cue", nullptr, &error);
        ASSERT_TRUE(image) << error;
        const Places p = placesOf(*c.disc);
        ASSERT_EQ(image->toc.size(), c.disc->size());
        for (std::size_t k = 0; k < c.disc->size(); ++k) {
            EXPECT_EQ(image->toc[k].startSector, 150 + p.start[k]) << "track " << k + 1;
            EXPECT_EQ(image->toc[k].audio, (*c.disc)[k].audio) << "track " << k + 1;
        }
        EXPECT_EQ(image->leadOutSector, 150 + p.end);
        EXPECT_EQ(image->text.title, c.title);
        ASSERT_EQ(image->text.trackTitles.size(), c.disc->size());
        EXPECT_EQ(image->text.trackTitles[1], "Song 2");

        // The whole disc and a little past its end, in reads that cross every join unaligned.
        std::vector<std::int16_t> want(88200 * 2, 0);
        const auto audio = audioOf(*c.disc);
        want.insert(want.end(), audio.begin(), audio.end());
        want.resize(want.size() + 1001 * 2, 0);
        std::vector<std::int16_t> got(want.size());
        const std::int64_t frames = static_cast<std::int64_t>(want.size() / 2);
        for (std::int64_t f = 0; f < frames; f += 1001) {
            const std::int64_t n = std::min<std::int64_t>(1001, frames - f);
            ASSERT_TRUE(image->source->read(f, got.data() + f * 2, n))
                << image->source->lastError();
        }
        for (std::size_t i = 0; i < want.size(); ++i) {
            ASSERT_EQ(got[i], want[i]) << "frame " << i / 2 << " (sector " << i / 2 / 588 << ")";
        }
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.what);
        check(c, root + "/" + std::to_string(&c - cases));
    }
    fs::remove_all(root);
}

// The left sample of a.wav's frame `i`.
std::int16_t aFrame(std::int64_t i) {
    return tone(500, i, 0);
}

struct SheetCase {
    const char* what;
    std::string text;
    std::vector<std::int64_t> starts;  // track starts, absolute sectors
    std::int64_t leadOut = 0;
    // Disc frame -> the a.wav frame heard there (-1: silence).
    std::vector<std::pair<std::int64_t, std::int64_t>> samples;
};

struct RefusalCase {
    const char* what;
    std::string text;
    std::string error;  // after "CUE シート " and the sheet's path
};

class CueSheets : public ::testing::Test {
protected:
    // a.wav: 200 sectors of a tone; b.wav: 100 sectors; d.bin: 10 sectors.
    void SetUp() override {
        std::vector<std::int16_t> a;
        for (std::int64_t i = 0; i < 200 * 588; ++i) {
            a.push_back(aFrame(i));
            a.push_back(tone(500, i, 1));
        }
        testing::writeAudioFile(dir + "/a.wav", a);
        testing::writeAudioFile(dir + "/b.wav", std::vector<std::int16_t>(100 * 588 * 2, 9));
        std::ofstream(dir + "/d.bin", std::ios::binary) << std::string(2352 * 10, '\x11');
    }
    void TearDown() override { fs::remove_all(dir); }
    std::optional<DiscImage> read(const std::string& text, std::string* error) {
        std::ofstream(cue, std::ios::binary | std::ios::trunc) << text;
        return readVirtualDisc(cue, nullptr, error);
    }

    const std::string dir = testing::makeTempDir("cue-sheets");
    const std::string cue = dir + "/t.cue";
    const std::string one = "FILE \"a.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n";
};

TEST_F(CueSheets, LenientSheetsReadAsPlayersReadThem) {
    const SheetCase cases[] = {
        {"PREGAP before an INDEX 00 gap: both count",
         one + " TRACK 02 AUDIO\n  PREGAP 00:01:00\n  INDEX 00 00:01:00\n  INDEX 01 00:02:00\n",
         {150, 375},
         425,
         {{250 * 588, -1}, {300 * 588 + 7, 75 * 588 + 7}, {375 * 588, 150 * 588}}},
        {"POSTGAP between tracks and at the end",
         one + "  POSTGAP 00:01:00\n TRACK 02 AUDIO\n  INDEX 01 00:00:50\n  POSTGAP 1:00\n",
         {150, 275},
         500,
         {{200 * 588 - 1, 50 * 588 - 1},
          {200 * 588, -1},
          {275 * 588, 50 * 588},
          {424 * 588 + 587, 199 * 588 + 587},
          {425 * 588, -1}}},
        {"one file named on consecutive FILE lines",
         one + "FILE \"a.wav\" WAVE\n TRACK 02 AUDIO\n  INDEX 01 01:00\n",
         {150, 225},
         350,
         {{225 * 588 + 3, 75 * 588 + 3}}},
        {"an unknown mode is a silent data track",
         one + " TRACK 02 WHATEVER\n  INDEX 01 00:01:25\n",
         {150, 250},
         350,
         {{249 * 588 + 587, 99 * 588 + 587}, {250 * 588, -1}}},
        {"a name in another case",
         "FILE \"A.WAV\" WAVE\n TRACK 1 AUDIO\n  INDEX 1 0\n",
         {150},
         350,
         {{150 * 588, 0}}},
    };
    for (const SheetCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        const auto image = read(c.text, &error);
        ASSERT_TRUE(image) << error;
        std::vector<std::int64_t> starts;
        for (const TocEntry& t : image->toc) starts.push_back(t.startSector);
        EXPECT_EQ(starts, c.starts);
        EXPECT_EQ(image->leadOutSector, c.leadOut);
        for (const auto& [frame, from] : c.samples) {
            std::int16_t got[2];
            ASSERT_TRUE(image->source->read(frame, got, 1));
            EXPECT_EQ(got[0], from < 0 ? 0 : aFrame(from)) << "disc frame " << frame;
        }
    }
}

TEST_F(CueSheets, WhatCannotBeACdIsRefusedNamingTheFileAndLine) {
    const RefusalCase cases[] = {
        {"INDEX 01 beyond its file", one + " TRACK 02 AUDIO\n  INDEX 01 00:02:50\n",
         " の 5 行目のトラック 2 の INDEX 01 が音声ファイル a.wav の終わりを越えています"},
        {"an appended gap beyond its file",
         one + " TRACK 02 AUDIO\n  INDEX 00 00:03:00\nFILE \"b.wav\" WAVE\n  INDEX 01 00:00:00\n",
         " の 5 行目のトラック 2 の INDEX 00 が音声ファイル a.wav の終わりを越えています"},
        {"the second file's INDEX beyond its end",
         one + "FILE \"b.wav\" WAVE\n TRACK 02 AUDIO\n  INDEX 01 00:01:25\n",
         " の 6 行目のトラック 2 の INDEX 01 が音声ファイル b.wav の終わりを越えています"},
        {"an index beyond a BIN's sectors",
         "FILE \"d.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:10\n",
         " の 3 行目のトラック 1 の INDEX 01 がイメージファイル d.bin の終わりを越えています"},
        {"a missing BIN", "FILE \"gone.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n",
         " の 1 行目のイメージファイル gone.bin が見つかりません"},
        {"a BIN outside the folder",
         "REM\nFILE \"../d.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n",
         " の 2 行目のイメージファイル ../d.bin はディスクのフォルダーの外にあります"},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        EXPECT_FALSE(read(c.text, &error));
        EXPECT_EQ(error, "CUE シート " + cue + c.error);
    }
    // Too large to be a sheet: told by the path alone.
    std::string error;
    EXPECT_FALSE(read(one + std::string(kMaxCueSheetBytes, ' '), &error));
    EXPECT_EQ(error, cue + " は CUE シートではありません（大きすぎます）");
}

TEST_F(CueSheets, ImagesWhoseTableOfContentsCannotBeACdAreRefused) {
    // cdrdao TOC files, which libcdio reads as they say; d.bin holds 10 sectors. (libcdio looks
    // for a relative FILE name in the current folder, not beside the TOC file.)
    struct Case {
        const char* what;
        std::string tracks;
        std::vector<std::int64_t> starts;  // empty: refused
    };
    const Case cases[] = {
        {"two tracks one after the other",
         "0 00:00:05\nTRACK AUDIO\nFILE \"@\" 00:00:05 00:00:05",
         {150, 155}},
        {"every track at one sector", "0 0\nTRACK AUDIO\nFILE \"@\" 0 0", {}},
        {"starts going backwards", "00:00:05 00:00:05\nTRACK AUDIO\nFILE \"@\" 0 00:00:05", {}},
    };
    const std::string toc = dir + "/disc.toc";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text = "CD_DA\nTRACK AUDIO\nFILE \"@\" " + c.tracks + "\n";
        for (std::size_t at; (at = text.find('@')) != std::string::npos;)
            text.replace(at, 1, dir + "/d.bin");
        std::ofstream(toc, std::ios::trunc) << text;
        std::string error;
        const auto image = readVirtualDisc(toc, nullptr, &error);
        if (c.starts.empty()) {
            EXPECT_FALSE(image);
            EXPECT_EQ(
                error,
                toc + " の目次は CD のものではありません（トラックの位置が正しくありません）");
            continue;
        }
        ASSERT_TRUE(image) << error;
        std::vector<std::int64_t> starts;
        for (const TocEntry& t : image->toc) starts.push_back(t.startSector);
        EXPECT_EQ(starts, c.starts);
    }
}

}  // namespace
}  // namespace lirafok::device::real

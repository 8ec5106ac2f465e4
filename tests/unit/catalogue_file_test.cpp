#include "catalogue/catalogue_file.h"

#include "../support/temp_folder.h"
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/text.h"

namespace lirafok {
namespace {

namespace fs = std::filesystem;

class CatalogueFileTest : public ::testing::Test {
protected:
    lirafok::testing::TempFolder m_tmp{"catalogue"};
    std::string m_dir = m_tmp.path();
    std::string m_folder = m_dir + "/";

    std::string catalogue() const { return m_folder + "LIRAFOK.TXT"; }
    std::string backup() const { return m_folder + "LIRAFOK.BAK"; }

    static constexpr auto writeRaw = lirafok::testing::writeRaw;
    static constexpr auto readRaw = lirafok::testing::readRaw;
    // UTF-8 lines -> CP932 file with CR LF.
    static std::string cp932Lines(const std::vector<std::string>& lines) {
        std::string out;
        for (const std::string& l : lines) out += text::toCp932(l) + "\r\n";
        return out;
    }
};

using Songs = std::array<std::string, kCatalogueSlots>;

Songs songs(std::initializer_list<std::string> names) {
    Songs s;
    int n = 1;
    for (const std::string& name : names) s[n++] = name;
    return s;
}

// ---------------------------------------------------------------- lookup

struct LookupCase {
    const char* name;
    std::vector<std::string> lines;  // UTF-8, written as CP932 with CR LF
    std::string title, artist;
    int fontSet;
    std::vector<std::pair<int, std::string>> songNames, songArtists, numberTexts;
    bool hasSongArtists;
    bool found;
};

TEST_F(CatalogueFileTest, LookupAppliesTheColumnRules) {
    const std::string k = "123456789";
    const LookupCase cases[] = {
        {"full record",
         {k + "-00-夏の歌", k + "-AR-山田花子", k + "-FT-3", k + "-01-海へ", k + "-02-Sky"},
         "夏の歌",
         "山田花子",
         3,
         {{1, "海へ"}, {2, "Sky"}},
         {},
         {{1, "01"}, {2, "02"}},
         false,
         true},
        {"FT digit beyond the font sets gives 0",
         {k + "-FT-4", k + "-FT-7"},
         "",
         "",
         0,
         {},
         {},
         {},
         false,
         true},
        {"no FT and no AR line",
         {k + "-00-T", k + "-01-a"},
         "T",
         "",
         0,
         {{1, "a"}},
         {},
         {},
         false,
         true},
        {"later line overrides earlier",
         {k + "-01-old", k + "-AR-x", k + "-01-new", k + "-AR-y"},
         "",
         "y",
         0,
         {{1, "new"}},
         {},
         {},
         false,
         true},
        {"other discs and key prefixes are ignored",
         {"123456780-00-other", "12345678-00-short key", "0123456789-00-longer", k + "-00-mine"},
         "mine",
         "",
         0,
         {},
         {},
         {},
         false,
         true},
        {"per-song artist line",
         {k + "-03-曲", k + "-A03-歌手", k + "-A10-X"},
         "",
         "",
         0,
         {{3, "曲"}},
         {{3, "歌手"}, {10, "X"}},
         {{3, "03"}, {10, "10"}},
         true,
         true},
        {"line shorter than 14 characters gives an empty value",
         {k + "-05-keep", k + "-05", k + "-00"},
         "",
         "",
         0,
         {{5, ""}},
         {},
         {{5, "05"}},
         false,
         true},
        {"non-numeric track number is track 0",
         {k + "-xy-zero"},
         "",
         "",
         0,
         {{0, "zero"}},
         {},
         {{0, "xy"}},
         false,
         true},
        {"negative track numbers are ignored without harm",
         {k + "--1-bad", k + "-A-5-bad", k + "-02-ok"},
         "",
         "",
         0,
         {{2, "ok"}},
         {},
         {},
         false,
         true},
        {"columns count characters, not bytes",
         {k + "-曲-名前"},
         "",
         "",
         0,
         {{0, "前"}},
         {},
         {{0, "曲-"}},
         false,
         true},
        {"disc without a record", {"999999999-00-x"}, "", "", 0, {}, {}, {}, false, false},
    };
    for (const LookupCase& c : cases) {
        SCOPED_TRACE(c.name);
        writeRaw(catalogue(), cp932Lines(c.lines));
        const CatalogueLookup l = lookupDisc(catalogue(), k);
        EXPECT_TRUE(l.opened);
        const CatalogueRecord& r = l.record;
        EXPECT_EQ(r.found, c.found);
        EXPECT_EQ(r.title, c.title);
        EXPECT_EQ(r.artist, c.artist);
        EXPECT_EQ(r.fontSet, c.fontSet);
        EXPECT_EQ(r.hasSongArtists, c.hasSongArtists);
        for (auto& [n, v] : c.songNames) EXPECT_EQ(r.songName[n], v) << n;
        for (auto& [n, v] : c.songArtists) EXPECT_EQ(r.songArtist[n], v) << n;
        for (auto& [n, v] : c.numberTexts) EXPECT_EQ(r.songNumberText[n], v) << n;
    }
}

TEST_F(CatalogueFileTest, LookupHandlesLineEndsAndMissingFile) {
    EXPECT_FALSE(lookupDisc(catalogue(), "123456789").opened);
    EXPECT_FALSE(lookupDisc(catalogue(), "123456789").record.found);

    // LF-only line ends, a final line without a break, and an undecodable byte in a value.
    writeRaw(catalogue(), "123456789-00-A\n123456789-01-\xFF\xB1\r\n123456789-AR-last");
    const CatalogueLookup l = lookupDisc(catalogue(), "123456789");
    EXPECT_EQ(l.record.title, "A");
    EXPECT_EQ(l.record.artist, "last");
    EXPECT_EQ(text::toCp932(l.record.songName[1]), "\xFF\xB1");
}

TEST_F(CatalogueFileTest, SongNumberTextCanBeLeftAlone) {
    writeRaw(catalogue(), cp932Lines({"123456789-07-x"}));
    const CatalogueLookup l = lookupDisc(catalogue(), "123456789", false);
    EXPECT_EQ(l.record.songName[7], "x");
    EXPECT_EQ(l.record.songNumberText[7], "");
}

// ---------------------------------------------------------------- title and artist font

TEST(CatalogueTitle, HalvesAre26BytesOfTheCodePage) {
    struct Case {
        const char* name;
        std::string line1, line2, stored, half0, half1;
    };
    const std::string az = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const std::string ten = "あいうえおかきくけこ";  // 20 bytes
    const Case cases[] = {
        {"first line exactly 26 bytes: no blanks between", az, "2nd",
         az + "2nd" + std::string(23, ' '), az, "2nd" + std::string(23, ' ')},
        {"ten two-byte characters get 6 blanks", ten, "", ten + std::string(6 + 26, ' '),
         ten + std::string(6, ' '), std::string(26, ' ')},
        {"longer half stored whole", az + "0123", "x", az + "0123" + "x" + std::string(25, ' '), az,
         "0123x" + std::string(21, ' ')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string title = buildTitle(c.line1, c.line2);
        EXPECT_EQ(title, c.stored);
        EXPECT_EQ(titleLine(title, 0), c.half0);
        EXPECT_EQ(titleLine(title, 1), c.half1);
    }
}

TEST(CatalogueArtistFont, SizeFollowsTheByteLength) {
    const std::pair<std::string, double> cases[] = {
        {"ABCDEFGHIJKL ", 15.0},       // 13 bytes
        {"ABCDEFGHIJKLM ", 13.5},      // 14
        {"ABCDEFGHIJKLMNO ", 12.0},    // 16
        {"ABCDEFGHIJKLMNOPQ ", 10.5},  // 18
        {"ABCDEFGHIJKLMNOPQR ", 9.75},
        {"あいうえおか ", 15.0},    // 13 bytes in CP932
        {"あいうえおかき ", 12.0},  // 15
        {" ", 15.0},
    };
    for (const auto& [caption, size] : cases)
        EXPECT_EQ(fitArtistFontSize(caption), size) << caption;
}

// ---------------------------------------------------------------- save

TEST_F(CatalogueFileTest, SaveMovesTheRecordToTheTopAndKeepsOtherDiscsByteForByte) {
    // Disc A with bytes that do not decode (lead byte + blank, 0xFF, 0x80), a lone CR and
    // half-width katakana; disc B's old record is spread around it.
    const std::string discA =
        "111111111-00-\x81\x20odd\xFF\x80\r\n"
        "111111111-AR-\xB1\xB2\xB3 \x93\xFA\x96\x7B\r\n"
        "111111111-01-cr\rinside\r\n";
    const std::string old = "222222222-00-old B\r\n" + discA + "222222222-01-old song\r\n";
    writeRaw(catalogue(), old);

    const SaveResult r = saveDiscRecord(m_folder, "222222222", 2, buildTitle("新しい", "題名"),
                                        "歌手", 4, songs({"一曲目", "二曲目"}), Songs{}, false);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(readRaw(backup()), old);
    const std::string expected =
        cp932Lines({"222222222-00-" + buildTitle("新しい", "題名"), "222222222-AR-歌手",
                    "222222222-FT-4", "222222222-01-一曲目", "222222222-02-二曲目"}) +
        discA;
    EXPECT_EQ(readRaw(catalogue()), expected);

    const CatalogueRecord b = lookupDisc(catalogue(), "222222222").record;
    EXPECT_EQ(titleLine(b.title, 0), "新しい" + std::string(20, ' '));
    EXPECT_EQ(b.songName[2], "二曲目");
    EXPECT_EQ(b.fontSet, 4);
}

TEST_F(CatalogueFileTest, SaveWithPerSongArtistsWritesEmptyArtistAndArtistLines) {
    const SaveResult r = saveDiscRecord(m_folder, "000123456", 2, buildTitle("T", ""), "ignored", 0,
                                        songs({"a", "b"}), songs({"x", "y"}), true);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(
        readRaw(catalogue()),
        cp932Lines({"000123456-00-" + buildTitle("T", ""), "000123456-AR-", "000123456-FT-0",
                    "000123456-01-a", "000123456-A01-x", "000123456-02-b", "000123456-A02-y"}));
    const CatalogueRecord rec = lookupDisc(catalogue(), "000123456").record;
    EXPECT_TRUE(rec.hasSongArtists);
    EXPECT_EQ(rec.songArtist[2], "y");
    EXPECT_EQ(rec.artist, "");
}

TEST_F(CatalogueFileTest, SaveWithoutCatalogueStartsFromAnEmptyBackup) {
    ASSERT_TRUE(
        saveDiscRecord(m_folder, "123456789", 1, "t", "a", 1, songs({"s"}), Songs{}, false).ok);
    EXPECT_TRUE(fs::exists(backup()));
    EXPECT_EQ(readRaw(backup()), "");
    EXPECT_EQ(readRaw(catalogue()),
              cp932Lines({"123456789-00-t", "123456789-AR-a", "123456789-FT-1", "123456789-01-s"}));
}

TEST_F(CatalogueFileTest, SaveNeverWritesMoreThan99Tracks) {
    Songs many;
    for (int n = 1; n <= 101; ++n) many[n] = std::string("s").append(std::to_string(n));
    ASSERT_TRUE(saveDiscRecord(m_folder, "123456789", 101, "", "", 0, many, Songs{}, false).ok);
    const CatalogueRecord rec = lookupDisc(catalogue(), "123456789").record;
    EXPECT_EQ(rec.songName[99], "s99");
    EXPECT_EQ(rec.songName[10], "s10");  // a three-digit tag would have overwritten track 10
    EXPECT_EQ(rec.songName[100], "");
}

TEST_F(CatalogueFileTest, LargeCatalogueIsReadAndCopiedAcrossBufferBoundaries) {
    // About 1.3 MB: lines of varying length cross every read boundary, one value is longer
    // than a whole read buffer, and the disc looked up ends the file without a line break.
    std::string others;
    for (int i = 0; i < 20000; ++i)
        others += text::pad(100000000 + i % 977, 9) + "-01-" + std::string(i % 97, 'x') + "\r\n";
    others += "100000001-00-" + std::string(300000, '\x88') + "\r\n";
    writeRaw(catalogue(), others + "555555555-01-first\r\n555555555-02-last");

    const CatalogueRecord found = lookupDisc(catalogue(), "555555555").record;
    EXPECT_EQ(found.songName[1], "first");
    EXPECT_EQ(found.songName[2], "last");
    EXPECT_EQ(text::byteLength(lookupDisc(catalogue(), "100000001").record.title), 300000u);

    ASSERT_TRUE(saveDiscRecord(m_folder, "555555555", 0, "", "", 0, Songs{}, Songs{}, false).ok);
    EXPECT_EQ(readRaw(catalogue()),
              cp932Lines({"555555555-00-", "555555555-AR-", "555555555-FT-0"}) + others);
}

TEST_F(CatalogueFileTest, FailedSaveLeavesTheCatalogueWhole) {
    const std::string old = "111111111-00-keep me\r\n111111111-01-\x81\x20\r\n";
    struct Case {
        const char* name;
        std::function<void()> breakIt;
        std::string folder;
    };
    const Case cases[] = {
        {"lyrics folder missing", [] {}, m_folder + "nowhere/"},
        {"backup cannot be written", [&] { fs::create_directories(backup() + "/occupied"); },
         m_folder},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeRaw(catalogue(), old);
        c.breakIt();
        const SaveResult r =
            saveDiscRecord(c.folder, "111111111", 1, "new", "", 0, songs({"x"}), Songs{}, false);
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.empty());
        EXPECT_EQ(readRaw(catalogue()), old);
        fs::remove_all(backup());
    }
    // Only the catalogue and the leftovers we made: no temporary files remain.
    for (const auto& e : fs::directory_iterator(m_dir))
        EXPECT_EQ(e.path().filename(), "LIRAFOK.TXT");
}

TEST_F(CatalogueFileTest, UnreadableCatalogueIsNotReplaced) {
    fs::create_directories(catalogue() + "/x");  // the catalogue name taken by a folder
    const SaveResult r =
        saveDiscRecord(m_folder, "111111111", 0, "", "", 0, Songs{}, Songs{}, false);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(fs::is_directory(catalogue() + "/x"));
    EXPECT_FALSE(fs::exists(backup()));
}

}  // namespace
}  // namespace lirafok

#include "lyrics/lyrics_file.h"

#include "../support/temp_folder.h"
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/text.h"

namespace lirafok {
namespace {

namespace fs = std::filesystem;

class LyricsFileTest : public ::testing::Test {
protected:
    lirafok::testing::TempFolder m_tmp{"lyrics"};
    std::string m_dir = m_tmp.path();
    std::string m_path = m_tmp / "12345678.903";

    static constexpr auto writeRaw = lirafok::testing::writeRaw;
    static constexpr auto readRaw = lirafok::testing::readRaw;
    // UTF-8 lines -> CP932 with CR LF.
    void writeLyrics(const std::vector<std::string>& lines) const {
        std::string out;
        for (const std::string& l : lines) out += text::toCp932(l) + "\r\n";
        writeRaw(m_path, out);
    }
};

std::vector<std::string> numberedLines(int n) {
    std::vector<std::string> lines;
    for (int i = 0; i < n; ++i) lines.push_back("line " + std::to_string(i));
    return lines;
}

// ---------------------------------------------------------------- names and fields

TEST(LyricsPath, KeyAndTrackMakeAnEightDotThreeName) {
    const struct {
        std::string folder, key;
        int track;
        std::string path;
    } cases[] = {
        {"/kasi/", "123456789", 3, "/kasi/12345678.903"},
        {"/kasi/", "003456789", 7, "/kasi/00345678.907"},
        {"/kasi/", "003456789", 12, "/kasi/00345678.912"},
        {"/kasi/", "003456789", 0, "/kasi/00345678.900"},  // private list
        {"", "123456789", 3, "12345678.903"},
    };
    for (const auto& c : cases) EXPECT_EQ(lyricsFilePath(c.folder, c.key, c.track), c.path);
    EXPECT_EQ(lyricsSourcePath("/kasi/12345678.903", 7), "/kasi/12345678.907");
}

TEST(LyricsTimingLine, FieldsByPosition) {
    EXPECT_EQ(formatTimingLine(12, 83456, 0), "012 083456 0");
    EXPECT_EQ(formatTimingLine(0, 0, 1), "000 000000 1");
    EXPECT_EQ(formatTimingLine(5, -10, 1), "005 -00010 1");
    EXPECT_EQ(formatTimingLine(199, 1234567, 1), "199 1234567 1");  // all digits kept

    const struct {
        std::string line;
        int width;
        std::int32_t index, time, flag;
    } cases[] = {
        {"012 083456 0", 6, 12, 83456, 0},
        {"012 083456 1", 7, 12, 83456, 1},
        {"199 1234567 1", 6, 199, 123456, 0},  // six characters read; column 12 is the blank
        {"199 1234567 1", 7, 199, 1234567, 0},
        {"5", 6, 5, 0, 0},
        {"abc xyz", 6, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const TimingLine t = parseTimingLine(c.line, c.width);
        EXPECT_EQ(t.index, c.index) << c.line;
        EXPECT_EQ(t.time, c.time) << c.line;
        EXPECT_EQ(t.flag, c.flag) << c.line;
    }
}

TEST(LyricsTabs, StopsEveryEightColumnsOrEightBlanks) {
    const struct {
        std::string line, stops, fixed;
    } cases[] = {
        {"a\tb", "a" + std::string(7, ' ') + "b", "a" + std::string(8, ' ') + "b"},
        {"\tx", std::string(8, ' ') + "x", std::string(8, ' ') + "x"},
        {"abcdefgh\tx", "abcdefgh" + std::string(8, ' ') + "x",
         "abcdefgh" + std::string(8, ' ') + "x"},
        {"abcdefg\tx", "abcdefg x", "abcdefg" + std::string(8, ' ') + "x"},
        {"a\tb\tc", "a" + std::string(7, ' ') + "b" + std::string(7, ' ') + "c",
         "a" + std::string(8, ' ') + "b" + std::string(8, ' ') + "c"},
        {"歌\t詞", "歌" + std::string(7, ' ') + "詞", "歌" + std::string(8, ' ') + "詞"},
        {"no tab", "no tab", "no tab"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(expandTabsToStops(c.line), c.stops) << c.line;
        EXPECT_EQ(expandTabsFixed(c.line), c.fixed) << c.line;
    }
}

// ---------------------------------------------------------------- readers

TEST_F(LyricsFileTest, MarkerLineIsNotTextInAnyReader) {
    const struct {
        std::string first;
        int size;
        std::string line0;
    } cases[] = {
        {"\x05"
         "ignored rest",
         13, "最初の行"},
        {"\x02", 10, "最初の行"},
        {"普通の行", 0, "普通の行"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        writeLyrics({c.first, "最初の行", "a\tb", "\x03", "001 001000 0"});
        const int lines = c.size ? 2 : 3;

        LyricTables d;
        const DisplayLyrics shown = readDisplayLyrics(m_path, d);
        ASSERT_TRUE(shown.ok);
        EXPECT_EQ(shown.fontSize, c.size);
        EXPECT_EQ(d.lines[0], c.line0);
        EXPECT_EQ(d.lines[lines - 1], "a" + std::string(7, ' ') + "b");
        EXPECT_EQ(shown.rawText.substr(shown.rawText.size() - 5), "a\tb\r\n");

        LyricTables s;
        const SetterLyrics set = readSetterLyrics(m_path, s);
        ASSERT_TRUE(set.ok);
        EXPECT_TRUE(set.hasText);
        EXPECT_EQ(set.fontSize, c.size);
        EXPECT_EQ(s.count, lines);
        EXPECT_EQ(s.lines[0], c.line0);
        EXPECT_EQ(s.lines[lines - 1], "a" + std::string(8, ' ') + "b");

        const EditorLyrics e = readEditorLyrics(m_path);
        ASSERT_TRUE(e.exists);
        EXPECT_EQ(e.fontSize, c.size);
        EXPECT_EQ(e.text.substr(0, c.line0.size()), c.line0);
        EXPECT_EQ(e.text.substr(e.text.size() - 5), "a\tb\r\n");
        EXPECT_EQ(e.times[1], 1000);
    }
}

TEST_F(LyricsFileTest, DisplaySkipsUntimedValuesAndCountsToTheLastTimedLine) {
    const struct {
        const char* name;
        std::vector<std::string> timing;
        int count;
        bool timed;
        std::vector<std::pair<int, std::int32_t>> times;
        int anyPageFlag;
    } cases[] = {
        {"timings only for 3 and 10",
         {"003 001000 0", "010 005000 0"},
         11,
         true,
         {{3, 1000}, {10, 5000}, {4, kNoTiming}},
         0},
        {"times 0, 999 and 999999 are skipped",
         {"001 001000 0", "005 000000 1", "006 000999 1", "007 999999 1"},
         2,
         true,
         {{1, 1000}, {5, kNoTiming}, {6, kNoTiming}, {7, kNoTiming}},
         0},
        {"only skipped lines: still timed, count from the text",
         {"005 000000 0"},
         20,
         true,
         {{5, kNoTiming}},
         0},
        {"empty timing lines do not count", {"", ""}, 20, false, {}, 0},
        {"page flag", {"000 000500 0", "001 001000 1"}, 2, true, {{1, 1000}}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> file = numberedLines(20);
        file.push_back("\x03");
        file.insert(file.end(), c.timing.begin(), c.timing.end());
        writeLyrics(file);
        LyricTables t;
        const DisplayLyrics r = readDisplayLyrics(m_path, t);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(t.count, c.count);
        EXPECT_EQ(r.timed, c.timed);
        EXPECT_EQ(t.anyPageFlag, c.anyPageFlag);
        EXPECT_EQ(t.lines[19], "line 19");
        for (const auto& [i, time] : c.times) EXPECT_EQ(t.times[i], time) << i;
    }
}

TEST_F(LyricsFileTest, SetterAndEditorKeepTimeZero) {
    writeLyrics({"a", "b", "c", "d", "e", "f", "\x03", "005 000000 1", "", "002 000999 0"});
    LyricTables s;
    ASSERT_TRUE(readSetterLyrics(m_path, s).ok);
    EXPECT_EQ(s.count, 6);
    EXPECT_EQ(s.times[5], 0);
    EXPECT_EQ(s.pageFlags[5], 1);
    EXPECT_EQ(s.times[2], 999);

    const EditorLyrics e = readEditorLyrics(m_path);
    EXPECT_EQ(e.times[5], 0);
    EXPECT_EQ(e.pageFlags[5], 1);
    EXPECT_EQ(e.times[2], 999);
    EXPECT_EQ(e.times[0], kNoTiming);
}

TEST_F(LyricsFileTest, FileWithoutSeparatorIsAllText) {
    writeLyrics({"one", "002 001000 0", "three"});
    LyricTables d;
    const DisplayLyrics r = readDisplayLyrics(m_path, d);
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.timed);
    EXPECT_EQ(d.count, 3);
    EXPECT_EQ(d.lines[1], "002 001000 0");
    EXPECT_EQ(d.times[2], kNoTiming);
    const EditorLyrics e = readEditorLyrics(m_path);
    EXPECT_EQ(e.text, "one\r\n002 001000 0\r\nthree\r\n");
    EXPECT_EQ(e.times[2], kNoTiming);
}

TEST_F(LyricsFileTest, DisplayKeepsNewTextWhenThePreviousLyricWasTimed) {
    LyricTables t;
    writeLyrics({"p0", "p1", "p2", "p3", "\x03", "000 001000 0", "001 002000 1", "003 003000 0"});
    ASSERT_TRUE(readDisplayLyrics(m_path, t).ok);
    ASSERT_EQ(t.count, 4);

    writeLyrics({"n0", "n1"});  // next track: untimed, shorter
    const DisplayLyrics r = readDisplayLyrics(m_path, t);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(t.count, 2);
    EXPECT_EQ(t.lines[0], "n0");
    EXPECT_EQ(t.lines[1], "n1");
    EXPECT_EQ(t.lines[3], "");
    for (int i = 0; i < kLyricSlots; ++i) {
        EXPECT_EQ(t.times[i], kNoTiming) << i;
        EXPECT_EQ(t.pageFlags[i], 0) << i;
    }
    EXPECT_EQ(t.anyPageFlag, 0);
}

TEST_F(LyricsFileTest, ReadersFailOnWhatTheTablesCannotHold) {
    LyricTables before;
    before.lines[0] = "previous";
    before.times[0] = 1234;
    before.count = 1;

    const struct {
        const char* name;
        std::vector<std::string> file;
        bool displayOk, setterOk;
    } cases[] = {
        {"201 text lines fit", numberedLines(201), true, true},
        {"202 text lines overflow", numberedLines(202), false, false},
        {"timing index beyond the tables", {"a", "\x03", "201 001000 0"}, false, false},
        {"negative timing index", {"a", "\x03", "-01 001000 0"}, false, false},
        {"bad index on a line the display skips", {"a", "\x03", "300 000000 0"}, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeLyrics(c.file);
        LyricTables d = before;
        EXPECT_EQ(readDisplayLyrics(m_path, d).ok, c.displayOk);
        if (!c.displayOk) {
            EXPECT_EQ(d.lines[0], "previous");
            EXPECT_EQ(d.times[0], 1234);
        }
        LyricTables s = before;
        const SetterLyrics set = readSetterLyrics(m_path, s);
        EXPECT_EQ(set.ok, c.setterOk);
        if (!c.setterOk) {
            EXPECT_EQ(s.count, 0);
            EXPECT_EQ(s.lines[0], "");
            EXPECT_EQ(s.times[0], kNoTiming);
        }
        // The editor has no text limit and leaves out indices it cannot hold.
        EXPECT_TRUE(readEditorLyrics(m_path).exists);
    }
    EXPECT_EQ(readEditorLyrics(m_path).times[0], kNoTiming);

    // Times wider than their six columns are left out by the editor, so its save keeps every
    // timing line in its columns; a six-column negative time goes through.
    writeLyrics({"a", "\x03", "000 1234567 1", "001 -123456 1", "002 -12345 1", "003 083456 1"});
    const EditorLyrics e = readEditorLyrics(m_path);
    ASSERT_TRUE(saveLyricsText(m_path, e.fontSize, e.text, e.times, e.pageFlags));
    EXPECT_EQ(*text::readLines(m_path),
              (std::vector<std::string>{"a", "\x03", "002 -12345 1", "003 083456 1"}));
}

TEST_F(LyricsFileTest, AFileTooLargeToBeALyricIsNotRead) {
    // One line of several megabytes (a file that is not a lyric): every reader fails at once
    // instead of holding it whole, and the editor is told not to open on it.
    writeRaw(m_path, std::string(kMaxLyricsFileBytes + 1, 'x'));
    LyricTables t;
    EXPECT_FALSE(readDisplayLyrics(m_path, t).ok);
    EXPECT_FALSE(readSetterLyrics(m_path, t).ok);
    EXPECT_FALSE(readEditorLyrics(m_path).exists);
    EXPECT_TRUE(lyricsFileUnreadable(m_path));
    writeLyrics(numberedLines(201));
    EXPECT_FALSE(lyricsFileUnreadable(m_path));
    EXPECT_FALSE(lyricsFileUnreadable(m_path + ".none"));  // a missing file is created
}

TEST_F(LyricsFileTest, MissingOrEmptyFile) {
    LyricTables t;
    EXPECT_FALSE(readDisplayLyrics(m_path, t).ok);
    EXPECT_FALSE(readSetterLyrics(m_path, t).ok);
    const EditorLyrics e = readEditorLyrics(m_path);
    EXPECT_FALSE(e.exists);
    EXPECT_EQ(e.text, "");

    writeLyrics({"\x06", "\x03", "000 001000 0"});
    const SetterLyrics s = readSetterLyrics(m_path, t);
    EXPECT_TRUE(s.ok);
    EXPECT_FALSE(s.hasText);
    EXPECT_EQ(t.count, 0);
}

// ---------------------------------------------------------------- writers

TEST_F(LyricsFileTest, SaveTextWritesMarkerTextSeparatorAndTimings) {
    LyricTimeTable times = LyricTables::filledTimes();
    LyricTimeTable flags{};
    times[0] = 1000;
    times[5] = 0;
    flags[5] = 1;
    times[200] = 5000;  // the 201st line never keeps a timing

    const struct {
        int size;
        std::string text, file;
    } cases[] = {
        {14, "歌\r\nb\r\n", "\x06\r\n" + text::toCp932("歌") + "\r\nb\r\n"},
        {0, "a\nb", "a\r\nb\r\n"},
        {0, "a\r\n\r\n", "a\r\n\r\n"},  // a wanted empty last line stays one line
        {0, "", ""},
        {12, "x\ty\r", "\x01\r\nx\ty\r\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(saveLyricsText(m_path, c.size, c.text, times, flags));
        EXPECT_EQ(readRaw(m_path), c.file + "\x03\r\n000 001000 0\r\n005 000000 1\r\n");
    }
}

TEST_F(LyricsFileTest, EditorRoundTripIsByteIdentical) {
    const std::string timing = "000 000000 0\r\n003 012345 1\r\n199 999998 0\r\n";
    const std::string files[] = {
        "\x04\r\n" + text::toCp932("一行目") + "\r\n\ta\t\r\n\r\n\x03\r\n" + timing,
        text::toCp932("標準の歌") + "\r\n\x03\r\n",
        "\x06\r\n\x03\r\n" + timing,
    };
    for (const std::string& bytes : files) {
        writeRaw(m_path, bytes);
        for (int save = 0; save < 2; ++save) {
            const EditorLyrics e = readEditorLyrics(m_path);
            ASSERT_TRUE(saveLyricsText(m_path, e.fontSize, e.text, e.times, e.pageFlags));
            EXPECT_EQ(readRaw(m_path), bytes);
        }
    }
}

TEST_F(LyricsFileTest, SaveTimingsKeepsMarkerAndTextBytesAndMakesABackup) {
    // Undecodable bytes, a tab, a lone CR, a LF-only line end and an old timing section.
    const std::string head =
        "\x05\r\n" + text::toCp932("歌詞") + "\t\x81\x20\xFF\r\nlf only\nx\ry\r\n";
    const std::string old = head + "\x03\r\n000 000100 0\r\n\x03\r\nafter\r\n";
    writeRaw(m_path, old);
    const std::string bak = m_dir + "/LIRAFOK.BAK";

    LyricTables t;
    t.times[0] = 0;  // kept, although the display ignores it
    t.times[2] = 1500;
    t.pageFlags[2] = 1;
    t.times[200] = 9000;
    ASSERT_TRUE(saveLyricsTimings(m_path, bak, t));
    EXPECT_EQ(readRaw(bak), old);
    EXPECT_EQ(readRaw(m_path), "\x05\r\n" + text::toCp932("歌詞") +
                                   "\t\x81\x20\xFF\r\nlf only\r\nx\ry\r\n"
                                   "\x03\r\n000 000000 0\r\n002 001500 1\r\n");

    LyricTables s;
    ASSERT_TRUE(readSetterLyrics(m_path, s).ok);
    EXPECT_EQ(s.times[0], 0);
    EXPECT_EQ(s.count, 3);
}

TEST_F(LyricsFileTest, SaveTimingsFailsWithoutTouchingAnything) {
    LyricTables t;
    EXPECT_FALSE(saveLyricsTimings(m_path, m_dir + "/LIRAFOK.BAK", t));  // no lyrics file
    EXPECT_FALSE(fs::exists(m_path));
    EXPECT_FALSE(fs::exists(m_dir + "/LIRAFOK.BAK"));

    writeRaw(m_path, "text\r\n");
    fs::create_directories(m_dir + "/LIRAFOK.BAK/occupied");  // backup cannot be written
    EXPECT_FALSE(saveLyricsTimings(m_path, m_dir + "/LIRAFOK.BAK", t));
    EXPECT_EQ(readRaw(m_path), "text\r\n");
}

TEST_F(LyricsFileTest, CopyTakesTheWholeFileOfAnotherTrack) {
    const std::string source = m_dir + "/12345678.907";
    writeRaw(m_path, "mine\r\n");
    EXPECT_FALSE(copyLyrics(m_path, 7));
    EXPECT_EQ(readRaw(m_path), "mine\r\n");

    const std::string bytes = "\x01\r\n\x93\xFA\r\n\x03\r\n000 001000 0\r\n";
    writeRaw(source, bytes);
    EXPECT_TRUE(copyLyrics(m_path, 7));
    EXPECT_EQ(readRaw(m_path), bytes);
}

}  // namespace
}  // namespace lirafok

#include "lyrics/lrc_file.h"

#include "../support/temp_folder.h"
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "lyrics/lyrics_file.h"

namespace lirafok {
namespace {

using lirafok::testing::readRaw;
using lirafok::testing::writeRaw;

// A lyrics file through the editor's reader, out as LRC, back in and saved again: the two
// lyrics files are the same bytes.
TEST(LrcRoundTrip, ExportThenImportGivesTheSameLyricsFile) {
    lirafok::testing::TempFolder tmp("lrc");
    const struct {
        const char* name;
        std::string file;  // CP932 lyrics file
    } cases[] = {
        {"marker, page flags, untimed and empty lines, tabs", text::toCp932("\x05\r\n"
                                                                            "前奏\r\n"
                                                                            "あなたの\t声が\r\n"
                                                                            "\r\n"
                                                                            "聞こえる\r\n"
                                                                            "[Chorus]\r\n"
                                                                            "ラララ\r\n"
                                                                            "\x03\r\n"
                                                                            "000 000000 0\r\n"
                                                                            "001 012345 0\r\n"
                                                                            "002 013000 0\r\n"
                                                                            "004 065432 1\r\n"
                                                                            "005 999998 0\r\n")},
        {"no marker, untimed lines first, an undecodable byte",
         "intro\r\n\x81\r\nverse\r\n\x03\r\n002 000999 1\r\n"},
        {"no timings at all", text::toCp932("歌詞だけ\r\n二行目\r\n\x03\r\n")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string original = tmp / "12345678.901", copy = tmp / "12345678.902";
        const std::string lrcPath = tmp / "song.lrc";
        writeRaw(original, c.file);
        const EditorLyrics before = readEditorLyrics(original);
        ASSERT_TRUE(before.exists);
        ASSERT_TRUE(writeLrcFile(
            lrcPath, lrcFromEditor(before.fontSize, before.text, before.times, before.pageFlags),
            {"曲名", "歌手", "アルバム"}));
        const LrcImport back = readLrcFile(lrcPath);
        ASSERT_TRUE(back.ok) << back.error;
        const EditorForm form = lrcToEditor(back.lyrics);
        ASSERT_TRUE(
            saveLyricsText(copy, back.lyrics.fontSize, form.text, form.times, form.pageFlags));
        EXPECT_EQ(readRaw(copy), c.file);
    }
}

TEST(LrcExport, TagsTimesAndOwnTags) {
    LrcLyrics l;
    l.fontSize = 13;
    l.lines = {"一", "二", "三", "四"};
    l.times = {0, 83450, kNoTiming, 6000001};
    l.pages = {0, 1, 0, 0};
    EXPECT_EQ(formatLrc(l, {"タイトル", "", "盤"}),
              "[ti:タイトル]\r\n[al:盤]\r\n[lirafok-size:13]\r\n"
              "[00:00.00]一\r\n[lirafok-page:]\r\n[01:23.45]二\r\n三\r\n[100:00.001]四\r\n");
}

// A file as other tools write it: ID tags, an offset, several times on one line, three- and
// two-digit fractions, a space after the tag, word times, a blank line.
TEST(LrcImport, ThirdPartyFile) {
    const LrcImport r = parseLrc(
        "\xEF\xBB\xBF[ti:Song]\r\n"
        "[ar:Singer]\n"
        "[offset:+500]\n"
        "[by:someone]\n"
        "[00:12.00]first line\n"
        "[00:20.50][01:05.250]chorus <00:21.00>word\n"
        "\n"
        "[00:30.123] second verse\n"
        "[length: 03:00]\n"
        "[00:00.2]opening\n");
    ASSERT_TRUE(r.ok) << r.error;
    const std::vector<std::string> lines = {"opening", "first line",    "chorus word",
                                            "",        " second verse", "chorus word"};
    const std::vector<std::int32_t> times = {0, 11500, 20000, kNoTiming, 29623, 64750};
    EXPECT_EQ(r.lyrics.lines, lines);
    EXPECT_EQ(r.lyrics.times, times);
    EXPECT_EQ(r.lyrics.fontSize, 0);
}

TEST(LrcImport, EncodingsAndRefusals) {
    // A Shift-JIS file of an older tool.
    const LrcImport sjis = parseLrc(decodeLrcBytes(text::toCp932("[00:01.00]こんにちは\r\n")));
    ASSERT_TRUE(sjis.ok);
    EXPECT_EQ(sjis.lyrics.lines, std::vector<std::string>{"こんにちは"});

    // `before` untimed lines, `n` timed ones, `after` untimed ones.
    auto lyric = [](int before, int n, int after) {
        std::string s;
        for (int i = 0; i < before; ++i) s += "text\n";
        for (int i = 0; i < n; ++i) s += formatLrcTime(i * 1000) + "line\n";
        for (int i = 0; i < after; ++i) s += "text\n";
        return s;
    };
    EXPECT_TRUE(parseLrc(lyric(0, 200, 1)).ok);  // 201 lines, the last one untimed
    EXPECT_TRUE(parseLrc(lyric(1, 199, 1)).ok);
    const std::string tooMany =
        "LRCファイルの行が多すぎます（時刻のある行は200行まで）。読み込めません。";
    EXPECT_EQ(parseLrc(lyric(0, 201, 0)).error, tooMany);
    EXPECT_EQ(parseLrc(lyric(1, 200, 0)).error, tooMany);  // the 201st line cannot keep a time
    EXPECT_EQ(parseLrc(lyric(0, 200, 2)).error, tooMany);  // more lines than the tables hold
    const std::string tooLong =
        "LRCファイルに長すぎる時刻（999999ミリ秒以上）があります。読み込めません。";
    EXPECT_TRUE(parseLrc("[16:39.998]x\n").ok);
    EXPECT_EQ(parseLrc("[16:39.999]x\n").error, tooLong);
    EXPECT_TRUE(parseLrc("[offset:-1]\n[16:39.997]x\n").ok);
    EXPECT_EQ(parseLrc("[offset:-2]\n[16:39.997]x\n").error, tooLong);
    const LrcImport plain = parseLrc("just text\n");
    ASSERT_TRUE(plain.ok);
    EXPECT_EQ(plain.lyrics.times, std::vector<std::int32_t>{kNoTiming});
    EXPECT_EQ(readLrcFile("/nonexistent/x.lrc").error, "LRCファイルを読み込めません。");
}

}  // namespace
}  // namespace lirafok

// Tables of the toolkit-free pieces of the online look-ups: text from databases made fit for
// CP932 files, the online settings file, the publish body and MusicBrainz's table of contents.
#include <gtest/gtest.h>

#include "../support/temp_folder.h"
#include "catalogue/online_titles.h"
#include "core/disc_toc.h"
#include "core/online_settings.h"
#include "core/text.h"
#include "ui/online.h"

namespace lirafok {
namespace {

struct FitCase {
    const char* name;
    std::string in;
    std::size_t max;
    std::string out;
    int replaced, cut;
};

TEST(OnlineTextTest, FittingTable) {
    const std::string long70(35, 'x');  // 35 ASCII bytes
    const std::vector<FitCase> cases = {
        {"plain Japanese", "夜空の歌", 64, "夜空の歌", 0, 0},
        {"blanks at the ends", "  歌  ", 64, "歌", 0, 0},
        {"tab and line breaks", "a\tb\r\nc", 64, "a b  c", 0, 0},
        {"control characters", std::string("a\x01") + "b\x7f" + "c\xc2\x85", 64, "a〓b〓c〓", 3, 0},
        {"outside CP932", "Café ñ 😀", 64, "Caf〓 〓 〓", 3, 0},
        {"CP932 has these", "Ω①～―", 64, "Ω①～―", 0, 0},
        {"invalid UTF-8",
         "ok\xff\xfe"
         "end",
         64, "ok〓〓end", 2, 0},
        {"overlong form", "a\xc0\xafz", 64, "a〓〓z", 2, 0},
        {"truncated sequence at the end", "abc\xe3\x81", 64, "abc〓〓", 2, 0},
        {"raw-byte private use", "a\xef\x9c\x81z", 64, "a〓z", 1, 0},
        {"exactly the room", std::string(64, 'a'), 64, std::string(64, 'a'), 0, 0},
        {"one byte over", std::string(65, 'a'), 64, std::string(62, 'a') + "…", 0, 1},
        {"double-byte at the cut", "あいうえおかきくけこ", 9, "あいう…", 0, 1},
        {"blank before the cut", "abcd efgh", 7, "abcd…", 0, 1},
        {"no limit", long70 + long70, 0, long70 + long70, 0, 0},
    };
    for (const FitCase& c : cases) {
        OnlineTextNotes notes;
        const std::string got = fitOnlineText(c.in, c.max, notes);
        EXPECT_EQ(got, c.out) << c.name;
        EXPECT_EQ(notes.replaced, c.replaced) << c.name;
        EXPECT_EQ(notes.cut, c.cut) << c.name;
        if (c.max) {
            EXPECT_LE(text::byteLength(got), c.max) << c.name;
        }
        // What is fitted survives the file boundary unchanged.
        EXPECT_EQ(text::fromCp932(text::toCp932(got)), got) << c.name;
    }
}

TEST(OnlineTextTest, TitlesSplitAsTheTwoHalvesSplit) {
    struct Case {
        std::string in, out;
        int cut;
    };
    const std::vector<Case> cases = {
        {"短い題", "短い題", 0},
        // 13 double-byte characters fill the first half exactly.
        {"あいうえおかきくけこさしすせそ", "あいうえおかきくけこさしすせそ", 0},
        // A blank at the cut does not start the second half.
        {std::string(26, 'a') + "  tail", std::string(26, 'a') + "tail", 0},
        // A double-byte character that would straddle byte 26 opens the second half.
        {std::string(25, 'a') + "あいう", std::string(25, 'a') + "あいう", 0},
        {std::string(26, 'a') + std::string(30, 'b'),
         std::string(26, 'a') + std::string(24, 'b') + "…", 1},
    };
    for (const Case& c : cases) {
        OnlineTextNotes notes;
        const std::string got = fitOnlineTitle(c.in, notes);
        EXPECT_EQ(got, c.out) << c.in;
        EXPECT_EQ(notes.cut, c.cut) << c.in;
    }
}

TEST(OnlineTextTest, AReleaseBecomesTheDiscsOwnTitles) {
    ui::ReleaseCandidate r;
    r.title = "アルバム";
    r.artist = "歌手";
    r.tracks = {{"一", "歌手"}, {"二", "ゲスト"}, {"三", ""}, {"四", "x"}};
    r.totalTracks = 4;
    OnlineTextNotes notes;
    const device::DiscText t = releaseToDiscText(r, 3, notes);
    EXPECT_EQ(t.title, "アルバム");
    EXPECT_EQ(t.performer, "歌手");
    EXPECT_EQ(t.trackTitles, (std::vector<std::string>{"一", "二", "三"}));
    // A track's artist is kept only where it differs from the disc's.
    EXPECT_EQ(t.trackPerformers, (std::vector<std::string>{"", "ゲスト", ""}));
    EXPECT_EQ(onlineNotesText(notes),
              "・ディスクは 3 曲ですが、見つかった情報は 4 "
              "曲です。\n保存する前に内容を確かめてください。");
    OnlineTextNotes quiet;
    releaseToDiscText(r, 4, quiet);
    EXPECT_EQ(onlineNotesText(quiet), "");
}

TEST(OnlineSettingsTest, ReadTable) {
    lirafok::testing::TempFolder tmp("online");
    const std::string path = tmp / kOnlineSettingsFileName;
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        OnlineConsent consent;
        std::string musicBrainz, lrclib;
    };
    const std::vector<Case> cases = {
        {"empty file", {}, OnlineConsent::Unasked, "https://musicbrainz.org", "https://lrclib.net"},
        {"allowed",
         {"ONLINE=1"},
         OnlineConsent::Allowed,
         "https://musicbrainz.org",
         "https://lrclib.net"},
        {"refused, blanks",
         {"  ONLINE = 0 "},
         OnlineConsent::Refused,
         "https://musicbrainz.org",
         "https://lrclib.net"},
        {"other value",
         {"ONLINE=yes"},
         OnlineConsent::Unasked,
         "https://musicbrainz.org",
         "https://lrclib.net"},
        {"servers, trailing slashes dropped",
         {"; comment", "MUSICBRAINZ=http://127.0.0.1:5000//", "LRCLIB=https://l.example/x/"},
         OnlineConsent::Unasked,
         "http://127.0.0.1:5000",
         "https://l.example/x"},
        {"not a web address",
         {"MUSICBRAINZ=ftp://x", "LRCLIB=file:///etc"},
         OnlineConsent::Unasked,
         "https://musicbrainz.org",
         "https://lrclib.net"},
        {"unknown keys and junk",
         {"FOO=1", "no equals sign", "=1"},
         OnlineConsent::Unasked,
         "https://musicbrainz.org",
         "https://lrclib.net"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(text::writeLines(path, c.lines));
        const OnlineSettings s = readOnlineSettings(path);
        EXPECT_EQ(s.consent, c.consent) << c.name;
        EXPECT_EQ(s.musicBrainz, c.musicBrainz) << c.name;
        EXPECT_EQ(s.lrclib, c.lrclib) << c.name;
    }
    EXPECT_EQ(readOnlineSettings(tmp / "missing.ini"), OnlineSettings{});
}

TEST(OnlineSettingsTest, WrittenInCp932WithCrLfAndReadBack) {
    lirafok::testing::TempFolder tmp("online");
    const std::string path = tmp / kOnlineSettingsFileName;
    OnlineSettings s;
    s.consent = OnlineConsent::Allowed;
    s.gnudb = "http://127.0.0.1:8880";
    ASSERT_TRUE(writeOnlineSettings(path, s));
    EXPECT_EQ(readOnlineSettings(path), s);
    const std::string bytes = lirafok::testing::readRaw(path);
    EXPECT_EQ(bytes, text::toCp932("; LIRAFOK オンライン検索（タイトル・歌詞）の設定") +
                         "\r\nONLINE=1\r\nMUSICBRAINZ=https://musicbrainz.org\r\n"
                         "GNUDB=http://127.0.0.1:8880\r\nLRCLIB=https://lrclib.net\r\n");
    // Never asked: no ONLINE line, so the first use still asks.
    ASSERT_TRUE(writeOnlineSettings(path, OnlineSettings{}));
    EXPECT_EQ(readOnlineSettings(path).consent, OnlineConsent::Unasked);
}

TEST(OnlineWireTest, PublishBodyIsJsonWithEveryCharacterEscaped) {
    const ui::PublishRequest r{"a\"b\\c", "歌手\t", "x\x01y", 245, "一\n二", "[00:01.00] 一\r"};
    EXPECT_EQ(ui::publishBody(r),
              "{\"trackName\":\"a\\\"b\\\\c\",\"artistName\":\"歌手\\t\",\"albumName\":"
              "\"x\\u0001y\",\"duration\":245,\"plainLyrics\":\"一\\n二\",\"syncedLyrics\":"
              "\"[00:01.00] 一\\r\"}");
}

TEST(OnlineWireTest, MusicBrainzTocTable) {
    DiscToc plain{1, {150, 2400, 4650}, {true, true, true}, 6901};
    EXPECT_EQ(ui::musicBrainzToc(plain), "1+3+6901+150+2400+4650");
    // An enhanced CD: the data track is left out and the audio ends 11 400 sectors before it.
    DiscToc enhanced{1, {150, 2400, 20000}, {true, true, false}, 30000};
    EXPECT_EQ(ui::musicBrainzToc(enhanced), "1+2+8600+150+2400");
    EXPECT_EQ(ui::musicBrainzToc(DiscToc{}), "");
    DiscToc dataOnly{1, {150}, {false}, 5000};
    EXPECT_EQ(ui::musicBrainzToc(dataOnly), "");
}

TEST(OnlineWireTest, TocWorkedBackFromTrackTimes) {
    // The driver's figures of a disc with tracks at sectors 150, 2400, 4650 and its lead-out
    // at 6901: ms = sectors * 1000 / 75 + 1.
    auto ms = [](std::int64_t sectors) {
        return static_cast<std::int32_t>(sectors * 1000 / 75 + 1);
    };
    const DiscToc toc =
        tocFromTrackTimes({ms(150), ms(2400), ms(4650)}, {ms(2250), ms(2250), ms(6901 - 4650 - 1)});
    EXPECT_EQ(toc.trackSectors, (std::vector<std::int64_t>{150, 2400, 4650}));
    EXPECT_EQ(toc.leadOutSector, 6901);
    EXPECT_TRUE(tocFromTrackTimes({}, {}).empty());
}

TEST(OnlineWireTest, UserAgentNamesTheProgramItsVersionAndWhereToFindIt) {
    EXPECT_EQ(ui::userAgent(),
              "LIRAFOK/" + ui::programVersion() + " ( " + ui::kProjectAddress + " )");
    EXPECT_FALSE(ui::programVersion().empty());
}

}  // namespace
}  // namespace lirafok

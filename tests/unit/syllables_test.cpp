#include "lyrics/syllables.h"

#include "../support/temp_folder.h"
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "lyrics/lyrics_file.h"
#include "lyrics/syllable_file.h"

namespace lirafok {
namespace {

std::string joined(const std::vector<Syllable>& s, const char* sep = "|") {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) out += (i ? sep : "") + s[i].text;
    return out;
}

TEST(SyllableSplit, UnitsByKindOfCharacter) {
    const struct {
        const char* line;
        const char* units;
    } cases[] = {
        {"きょうは", "きょ|う|は"},                        // small kana joins the kana before
        {"そっと吹いて", "そっ|と|吹|い|て"},              // small tsu too
        {"ラーメン", "ラー|メ|ン"},                        // the long-vowel mark
        {"紙飛行機　風に乗り", "紙飛行機　|風|に|乗|り"},  // a kanji run is one unit
        {"夢を乗せて", "夢|を|乗|せ|て"},
        {"hello world", "hello |world"},  // Latin by word
        {"I'm ready", "I'm |ready"},
        {"「春」の歌", "「春」|の|歌"},  // marks join their neighbours
        {"  あ", "  あ"},                // leading blanks join the first unit
        {"ょっ", "ょっ"},                // small kana alone at the start
        {"、。", "、。"},                // nothing to sing: one unit
        {"", ""},
        {"人々の", "人々|の"},                        // the iteration mark is a kanji
        {"ＬＯＶＥ　ソング", "ＬＯＶＥ　|ソ|ン|グ"},  // full-width letters are a word
    };
    for (const auto& c : cases) {
        const auto s = splitSyllables(c.line);
        EXPECT_EQ(joined(s), c.units) << c.line;
        EXPECT_EQ(joined(s, ""), c.line) << "the units must give back the line";
        for (const Syllable& x : s) EXPECT_EQ(x.start, kNoTiming);
    }
}

TEST(SyllableSplit, SplitAndJoinByTheUser) {
    std::vector<Syllable> s = splitSyllables("紙飛行機が");
    ASSERT_EQ(joined(s), "紙飛行機|が");
    s[0].start = 1000;
    s[0].end = 1900;
    ASSERT_TRUE(splitSyllableAt(s, 0));
    EXPECT_EQ(joined(s), "紙|飛行機|が");
    EXPECT_EQ(s[0].start, 1000);  // the time stays with the first part
    EXPECT_EQ(s[0].end, kNoTiming);
    EXPECT_EQ(s[1].start, kNoTiming);
    EXPECT_EQ(s[1].end, 1900);            // the explicit end goes with the last part
    EXPECT_FALSE(splitSyllableAt(s, 2));  // one character
    EXPECT_FALSE(splitSyllableAt(s, 9));
    ASSERT_TRUE(joinSyllables(s, 0));
    EXPECT_EQ(joined(s), "紙飛行機|が");
    EXPECT_EQ(s[0].start, 1000);
    EXPECT_EQ(s[0].end, 1900);
    EXPECT_FALSE(joinSyllables(s, 1));
}

TEST(SyllableTiming, EndOfEachSyllable) {
    SyllableLine l{
        "あいう", {{"あ", 100, kNoTiming}, {"い", 300, 350}, {"う", 500, kNoTiming}}, {}};
    EXPECT_EQ(syllableEnd(l, 0, 900), 300);  // runs on into the next
    EXPECT_EQ(syllableEnd(l, 1, 900), 350);  // its own end
    EXPECT_EQ(syllableEnd(l, 2, 900), 900);  // the line's end
    l.syllables[2].start = 950;
    EXPECT_EQ(syllableEnd(l, 2, 900), 950);  // never before its start
    EXPECT_TRUE(l.timed());
    l.syllables[1].start = kNoTiming;
    EXPECT_FALSE(l.timed());
    EXPECT_EQ(l.firstTime(), kNoTiming);
}

TEST(SyllableRuby, SetReplaceAndRemove) {
    SyllableLine l{"今日の空", {}, {}};
    EXPECT_TRUE(setRuby(l, 0, 2, "きょう"));
    EXPECT_TRUE(setRuby(l, 3, 1, "そら"));
    EXPECT_FALSE(setRuby(l, 3, 2, "x"));  // past the end
    EXPECT_FALSE(setRuby(l, 1, 0, "x"));
    ASSERT_EQ(l.rubies.size(), 2u);
    EXPECT_EQ(l.rubies[0], (Ruby{0, 2, "きょう"}));
    // The user's correction over one of the two kanji replaces the reading it overlaps.
    EXPECT_TRUE(setRuby(l, 1, 1, "ひ"));
    ASSERT_EQ(l.rubies.size(), 2u);
    EXPECT_EQ(l.rubies[0], (Ruby{1, 1, "ひ"}));
    EXPECT_TRUE(setRuby(l, 0, 4, ""));
    EXPECT_TRUE(l.rubies.empty());
}

TEST(SyllableTrackAnchor, EntriesFollowTheirLines) {
    SyllableTrack t;
    t.at(0) = {"一行目", splitSyllables("一行目"), {}};
    t.at(2) = {"三行目", {}, {{0, 1, "さん"}}};
    t.at(3) = {"消えた行", {}, {{0, 1, "き"}}};
    // A line was put in above: the entries move to where their text is now.
    const int dropped = anchorToLyric(t, {"新しい行", "一行目", "二行目", "三行目"});
    EXPECT_EQ(dropped, 1);
    ASSERT_EQ(t.lines.size(), 4u);
    EXPECT_TRUE(t.lines[0].empty());
    EXPECT_EQ(t.lines[1].text, "一行目");
    EXPECT_EQ(t.lines[3].text, "三行目");
    EXPECT_EQ(t.lines[3].rubies.size(), 1u);
}

// The side file: tables of records, each written, read back, written again byte for byte.
TEST(SyllableFile, RecordsRoundTrip) {
    const struct {
        const char* name;
        SyllableLine line;
        const char* record;
    } cases[] = {
        {"runs on",
         {"きょうは", {{"きょ", 12340}, {"う", 12500}, {"は", 13000, 13200}}, {}},
         "[12340]きょ[12500]う[13000]は[13200]"},
        {"a pause inside",
         {"あい", {{"あ", 100, 200}, {"い", 900, 1000}}, {}},
         "[100]あ[200][900]い[1000]"},
        {"zero length", {"あい", {{"あ", 500, 500}, {"い", 500}}, {}}, "[500]あ[500][500]い"},
        {"not tapped yet", {"あい", {{"あ"}, {"い"}}, {}}, "[-]あ[-]い"},
        {"no split", {"今日も", {}, {{0, 2, "きょう"}}}, "今日も"},
        {"a bracket in the text", {"[x]a", {{"[x]a", 7}}, {}}, "[7][[]x]a"},
        {"Latin words",
         {"hello world", {{"hello ", 0}, {"world", 400, 800}}, {}},
         "[0]hello [400]world[800]"},
    };
    for (const auto& c : cases) {
        const std::string rec = formatTaggedLine(c.line);
        EXPECT_EQ(rec, c.record) << c.name;
        SyllableLine back;
        ASSERT_TRUE(parseTaggedLine(rec, back)) << c.name;
        back.rubies = c.line.rubies;
        EXPECT_EQ(back, c.line) << c.name;
        EXPECT_EQ(formatTaggedLine(back), rec) << c.name;
    }
    SyllableLine bad;
    EXPECT_FALSE(parseTaggedLine("[12a]あ", bad));
    EXPECT_FALSE(parseTaggedLine("[12あ", bad));
}

TEST(SyllableFile, WholeFileByteForByte) {
    lirafok::testing::TempFolder tmp("syl");
    SyllableTrack t;
    t.offsetMs = -150;
    t.at(0) = {"春の風が",
               {{"春", 1000}, {"の", 1400}, {"風", 1800}, {"が", 2200, 2600}},
               {{0, 1, "はる"}, {2, 1, "かぜ"}}};
    t.at(3) = {"君の声", {}, {{0, 1, "きみ"}, {2, 1, "こえ"}}};
    const std::string path = syllableFilePath(tmp / "00012000.001");
    EXPECT_EQ(path, tmp / "00012000.001.syl");
    ASSERT_TRUE(writeSyllableFile(path, t, {"#FUTURE=未来の版の行"}));
    const std::string first = lirafok::testing::readRaw(path);
    EXPECT_EQ(first, text::toCp932("#LIRAFOK-SYL 1\r\n"
                                   "#OFFSET=-150\r\n"
                                   "000=[1000]春[1400]の[1800]風[2200]が[2600]\r\n"
                                   "000@0,1=はる\r\n"
                                   "000@2,1=かぜ\r\n"
                                   "003=君の声\r\n"
                                   "003@0,1=きみ\r\n"
                                   "003@2,1=こえ\r\n"
                                   "#FUTURE=未来の版の行\r\n"));
    const SyllableFile back = readSyllableFile(path);
    ASSERT_TRUE(back.ok);
    EXPECT_TRUE(back.skipped.empty());
    EXPECT_EQ(back.track, t);
    ASSERT_TRUE(writeSyllableFile(path, back.track, back.unknown));
    EXPECT_EQ(lirafok::testing::readRaw(path), first);
    // An empty track leaves no side file behind.
    ASSERT_TRUE(writeSyllableFile(path, SyllableTrack{}));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(readSyllableFile(path).exists);
}

TEST(SyllableFile, TravelsWithALyricCopiedFromAnotherTrack) {
    lirafok::testing::TempFolder tmp("sylcopy");
    const std::string t1 = tmp / "00012000.001", t2 = tmp / "00012000.002",
                      t3 = tmp / "00012000.003";
    lirafok::testing::writeRaw(t1, text::toCp932("一行目\r\n"));
    lirafok::testing::writeRaw(t2, text::toCp932("二曲目\r\n"));
    lirafok::testing::writeRaw(t3, text::toCp932("三曲目\r\n"));
    SyllableTrack t;
    t.at(0) = {"二曲目", {}, {{0, 1, "に"}}};
    ASSERT_TRUE(writeSyllableFile(syllableFilePath(t2), t));
    ASSERT_TRUE(writeSyllableFile(syllableFilePath(t1), SyllableTrack{-50, {}}));
    ASSERT_TRUE(copyLyrics(t1, 2));  // track 2 over track 1: its readings come along
    EXPECT_EQ(lirafok::testing::readRaw(syllableFilePath(t1)),
              lirafok::testing::readRaw(syllableFilePath(t2)));
    ASSERT_TRUE(copyLyrics(t1, 3));  // track 3 has none: track 1's goes
    EXPECT_FALSE(std::filesystem::exists(syllableFilePath(t1)));
    EXPECT_EQ(lirafok::testing::readRaw(t1), lirafok::testing::readRaw(t3));
}

TEST(SyllableFile, BadLinesAreSkippedAndTold) {
    const SyllableFile f =
        parseSyllableFile({"#LIRAFOK-SYL 1", "#OFFSET=abc", "001=[9x]あ", "002@0,1=ない行",
                           "001=[5]い", "001@3,1=範囲外", "300=[1]う"});
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.skipped.size(), 5u);
    ASSERT_NE(f.track.find(1), nullptr);
    EXPECT_EQ(f.track.find(1)->text, "い");
    EXPECT_FALSE(parseSyllableFile({"something else"}).ok);
}

}  // namespace
}  // namespace lirafok

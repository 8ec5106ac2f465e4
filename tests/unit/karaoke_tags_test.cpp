#include "lyrics/karaoke_tags.h"

#include "../support/temp_folder.h"
#include <gtest/gtest.h>

#include <string>

#include "core/text.h"

namespace lirafok {
namespace {

std::string syllablesOf(const SyllableLine& l) {
    std::string out;
    for (const Syllable& s : l.syllables) {
        out += s.text + "@" + (s.start == kNoTiming ? "-" : std::to_string(s.start));
        if (s.end != kNoTiming) out += "~" + std::to_string(s.end);
        out += " ";
    }
    return out;
}

std::string rubiesOf(const SyllableLine& l) {
    std::string out;
    for (const Ruby& r : l.rubies)
        out += std::to_string(r.first) + "+" + std::to_string(r.length) + "=" + r.reading + " ";
    return out;
}

TEST(KaraokeFormats, Detection) {
    const struct {
        const char* text;
        KaraokeFormat format;
    } cases[] = {
        {"[00:01.00]<00:01.00>あ<00:01.50>い", KaraokeFormat::EnhancedLrc},
        {"[00:01:00]あ[00:01:50]い[00:02:00]", KaraokeFormat::TimeTags},
        {"[00:01.00]あい\r\n[00:02.00]うえ", KaraokeFormat::PlainLrc},
        {"[00:01:00]あい\r\n@Ruby1=愛,あい", KaraokeFormat::TimeTags},
        {"ただの歌詞", KaraokeFormat::PlainLrc},
    };
    for (const auto& c : cases) EXPECT_EQ(detectKaraokeFormat(c.text), c.format) << c.text;
}

// Foreign time-tag files: what each line becomes.
TEST(KaraokeFormats, TimeTagLines) {
    const struct {
        const char* name;
        const char* line;
        const char* syllables;
        std::int32_t time;
        int dropped;
    } cases[] = {
        {"one tag per character", "[00:01:00]春[00:01:50]の[00:02:00]", "春@1000 の@1500~2000 ",
         1000, 0},
        {"a pause between words", "[00:01:00]あ[00:01:20][00:03:00]い[00:03:40]",
         "あ@1000~1200 い@3000~3400 ", 1000, 0},
        {"zero length", "[00:01:00]あ[00:01:00]い[00:02:00]", "あ@1000 い@1000~2000 ", 1000, 0},
        {"times out of order", "[00:05:00]あ[00:04:00]い[00:06:00]", "あ@5000 い@5000~6000 ", 5000,
         1},
        {"no syllable times", "歌だけの行", "", kNoTiming, 0},
        {"a line tag only", "[00:07:25]サビ", "", 7250, 0},
        {"milliseconds", "[01:02:345]ね[01:02:999]", "ね@62345~62999 ", 62345, 0},
        {"Latin words", "[00:10:00]hello [00:10:50]world[00:11:00]",
         "hello @10000 world@10500~11000 ", 10000, 0},
        {"a bracket that is no time", "[00:01:00]a[b]c[00:02:00]", "a[b]c@1000~2000 ", 1000, 0},
    };
    for (const auto& c : cases) {
        const KaraokeImport in = parseTimeTags(c.line);
        ASSERT_TRUE(in.ok) << c.name << ": " << in.error;
        ASSERT_EQ(in.lyric.lines.size(), 1u) << c.name;
        EXPECT_EQ(syllablesOf(in.lyric.lines[0]), c.syllables) << c.name;
        EXPECT_EQ(in.lyric.times[0], c.time) << c.name;
        EXPECT_EQ(static_cast<int>(in.dropped.size()), c.dropped) << c.name;
    }
}

TEST(KaraokeFormats, RubyLinesWithWindows) {
    const std::string file =
        "[00:01:00]今日[00:01:50]は[00:02:00]\r\n"
        "[00:10:00]今日[00:10:50]も[00:11:00]\r\n"
        "[00:20:00]今日[00:20:50]の[00:21:00]明日[00:22:00]\r\n"
        "ルビのない行の明日\r\n"
        "@Title=夜明けの駅\r\n"
        "@Artist=LIRAFOK\r\n"
        "@Ruby1=今日,きょう,,[00:20:00]\r\n"
        "@Ruby2=今日,こんにち,[00:20:00]\r\n"
        "@Ruby3=明日,あ[00:21:50]す\r\n"  // a reading with a time of its own
        "@Ruby4=今日明,まちがい\r\n"      // never matches
        "@Unknown=x\r\n";
    const KaraokeImport in = parseTimeTags(file);
    ASSERT_TRUE(in.ok);
    EXPECT_EQ(in.lyric.title, "夜明けの駅");
    EXPECT_EQ(in.lyric.artist, "LIRAFOK");
    ASSERT_EQ(in.lyric.lines.size(), 4u);
    EXPECT_EQ(rubiesOf(in.lyric.lines[0]), "0+2=きょう ");
    EXPECT_EQ(rubiesOf(in.lyric.lines[1]), "0+2=きょう ");
    // A ruby spanning two kanji, and a second one in the same line.
    EXPECT_EQ(rubiesOf(in.lyric.lines[2]), "0+2=こんにち 3+2=あす ");
    // An untimed line counts as at the time of the timed line before it.
    EXPECT_EQ(rubiesOf(in.lyric.lines[3]), "7+2=あす ");
    ASSERT_EQ(in.dropped.size(), 2u);
    EXPECT_EQ(in.dropped[0], "@Unknown");
    EXPECT_NE(in.dropped[1].find("ルビの中の時刻 1 個"), std::string::npos);
    EXPECT_NE(droppedMessage(in.dropped).find("・@Unknown"), std::string::npos);
    EXPECT_EQ(droppedMessage({}), "");
}

TEST(KaraokeFormats, EnhancedLrcLines) {
    const struct {
        const char* name;
        const char* text;
        const char* syllables;
        std::int32_t time;
        int dropped;
    } cases[] = {
        {"word tags", "[00:12.00]<00:12.00>き<00:12.50>ょう<00:13.00>",
         "き@12000 ょう@12500~13000 ", 12000, 0},
        {"text before the first word tag starts at the line",
         "[00:12.00]Hello <00:12.50>world<00:13.00>", "Hello @12000 world@12500~13000 ", 12000, 0},
        {"line tag differs from the first word", "[00:11.00]<00:12.00>あ<00:12.50>",
         "あ@12000~12500 ", 12000, 1},
        {"offset", "[offset:+500]\r\n[00:12.00]<00:12.00>あ<00:12.50>い", "あ@11500 い@12000 ",
         11500, 0},
        {"two line times", "[00:12.00][00:40.00]<00:12.00>あ", "あ@12000 ", 12000, 1},
        {"no word tags", "[00:05.00]ふつうの行", "", 5000, 0},
        {"an unknown ID tag", "[xx:yy]\r\n[00:05.00]<00:05.00>あ", "あ@5000 ", 5000, 1},
    };
    for (const auto& c : cases) {
        const KaraokeImport in = parseEnhancedLrc(c.text);
        ASSERT_TRUE(in.ok) << c.name;
        ASSERT_EQ(in.lyric.lines.size(), 1u) << c.name;
        EXPECT_EQ(syllablesOf(in.lyric.lines[0]), c.syllables) << c.name;
        EXPECT_EQ(in.lyric.times[0], c.time) << c.name;
        EXPECT_EQ(static_cast<int>(in.dropped.size()), c.dropped) << c.name;
    }
    EXPECT_FALSE(parseEnhancedLrc("[16:40.00]<16:40.00>あ").ok);  // beyond the time field
}

KaraokeLyric sample() {
    KaraokeLyric k;
    k.title = "春風のうた";
    k.artist = "LIRAFOK Chorus";
    k.lines = {
        {"春の風が",
         {{"春", 1000}, {"の", 1400}, {"風", 1810}, {"が", 2200, 2600}},
         {{0, 1, "はる"}, {2, 1, "かぜ"}}},
        {"今日の空", {{"今日", 5000, 5000}, {"の", 5000}, {"空", 5400, 6000}}, {{0, 2, "きょう"}}},
        {"", {}, {}},
        {"今日も hello",
         {{"今日", 9000, 9300}, {"も ", 9900}, {"hello", 10000, 10555}},
         {{0, 2, "こんにち"}}},
        {"ルビだけの行の空", {}, {{7, 1, "そら"}}},
        {"今日", {{"今日", 20000, 20500}}, {}},
    };
    k.times = {1000, 5000, 8000, 9000, 15000, 20000};
    return k;
}

// What LIRAFOK writes reads back to the same lyric and writes again byte for byte.
TEST(KaraokeFormats, WrittenFilesRoundTrip) {
    lirafok::testing::TempFolder tmp("kara");
    const KaraokeLyric k = sample();
    const struct {
        const char* name;
        bool (*write)(const std::string&, const KaraokeLyric&);
        bool keepsRubies;
    } cases[] = {
        {"song.lrc", writeEnhancedLrcFile, false},
        {"song.txt", writeTimeTagFile, true},
    };
    for (const auto& c : cases) {
        const std::string path = tmp / c.name;
        ASSERT_TRUE(c.write(path, k)) << c.name;
        const std::string first = lirafok::testing::readRaw(path);
        const KaraokeImport in = readKaraokeFile(path);
        ASSERT_TRUE(in.ok) << c.name << in.error;
        EXPECT_TRUE(in.dropped.empty()) << c.name << droppedMessage(in.dropped);
        ASSERT_EQ(in.lyric.lines.size(), k.lines.size()) << c.name;
        for (std::size_t i = 0; i < k.lines.size(); ++i) {
            EXPECT_EQ(in.lyric.lines[i].syllables, k.lines[i].syllables) << c.name << " line " << i;
            if (c.keepsRubies)
                EXPECT_EQ(in.lyric.lines[i].rubies, k.lines[i].rubies) << c.name << " line " << i;
        }
        EXPECT_EQ(in.lyric.title, k.title);
        ASSERT_TRUE(c.write(path, in.lyric)) << c.name;
        EXPECT_EQ(lirafok::testing::readRaw(path), first) << c.name;
    }
    EXPECT_EQ(formatTimeTag(62345), "[01:02:345]");
    EXPECT_EQ(formatTimeTag(62340), "[01:02:34]");
    const std::string tags = formatTimeTags(k);
    // One base text with two readings and a match without one: windows between them.
    EXPECT_NE(tags.find("@Ruby3=今日,きょう,,[00:09:00]\r\n"
                        "@Ruby4=今日,こんにち,[00:09:00],[00:20:00]\r\n"
                        "@Ruby5=空,そら,[00:15:00]\r\n"),
              std::string::npos)
        << tags;
    EXPECT_NE(tags.find("[00:05:00]今日[00:05:00][00:05:00]の[00:05:40]空[00:06:00]\r\n"),
              std::string::npos)
        << tags;
}

}  // namespace
}  // namespace lirafok

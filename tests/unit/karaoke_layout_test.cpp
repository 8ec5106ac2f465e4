#include "player/karaoke_layout.h"

#include <gtest/gtest.h>

#include <string>

#include "ui/karaoke_screen.h"

namespace lirafok {
namespace {

// A lyric of four sung lines: 0 and 1 word-timed, 2 timed as a whole, a blank line that ends
// line 2, then line 4 after a long instrumental.
KaraokeLyricInput sample() {
    KaraokeLyricInput in;
    in.title = "夜明けの駅";
    in.artist = "リラフォク合唱団";
    in.lines = {"始発の電車", "白い息", "まだ眠る街", "", "夜明けの空"};
    in.times = {4000, 6000, 8000, 10000, 20000, kNoTiming};
    in.lines.push_back("時刻のない行");
    SyllableLine& a = in.syllables.at(0);
    a.text = "始発の電車";
    a.syllables = {{"始発", 4000}, {"の", 4500}, {"電車", 5000, 5600}};
    a.rubies = {{0, 2, "しはつ"}, {3, 2, "でんしゃ"}};
    SyllableLine& b = in.syllables.at(1);
    b.text = "白い息";
    b.syllables = {{"白", 6000}, {"い", 6400, 6400}, {"息", 6400}};  // a zero-length syllable
    SyllableLine& e = in.syllables.at(4);
    e.text = "夜明けの空";
    e.syllables = {{"夜明け", 20000}, {"の", 21000}, {"空", 21500, 22500}};
    return in;
}

std::string rowText(const ui::KaraokeScene& s, const ui::KaraokeFrame& f, int row) {
    const int l = f.rows[static_cast<std::size_t>(row)].line;
    return l < 0 ? "" : s.lines[static_cast<std::size_t>(l)].text();
}

TEST(KaraokeLayout, LinesRowsAndTimes) {
    const ui::KaraokeScene s = buildKaraokeScene(sample());
    ASSERT_EQ(s.lines.size(), 4u);  // the blank and the untimed line are not sung
    const struct {
        int lyricLine;
        bool wipe;
        std::int32_t start, end, appear, vanish;
        int row;
        bool countIn;
    } want[] = {
        {0, true, 4000, 5600, 3000, 5600, 0, false},     // the title card holds the first lines
        {1, true, 6000, 7400, 3000, 11000, 1, false},    // last syllable: 1 s tail
        {2, false, 8000, 10000, 5600, 11000, 0, false},  // a whole line, ended by the blank
        {4, true, 20000, 22500, 17000, 23500, 0, true},  // after a long instrumental
    };
    for (std::size_t i = 0; i < 4; ++i) {
        const ui::KaraokeLine& l = s.lines[i];
        SCOPED_TRACE(l.text());
        EXPECT_EQ(l.lyricLine, want[i].lyricLine);
        EXPECT_EQ(l.wipe, want[i].wipe);
        EXPECT_EQ(l.start, want[i].start);
        EXPECT_EQ(l.end, want[i].end);
        EXPECT_EQ(l.appear, want[i].appear);
        EXPECT_EQ(l.vanish, want[i].vanish);
        EXPECT_EQ(l.row, want[i].row);
        EXPECT_EQ(l.countIn, want[i].countIn);
    }
    EXPECT_EQ(s.titleUntil, 3000);
    EXPECT_EQ(s.lines[0].rubies.size(), 2u);
    EXPECT_EQ(s.lines[2].pieces.size(), 1u);
}

TEST(KaraokeLayout, FramesOverTime) {
    const ui::KaraokeScene s = buildKaraokeScene(sample());
    const struct {
        std::int32_t t;
        bool title;
        const char* upper;
        const char* lower;
        double wipedUpper, wipedLower;
        int dots;
    } cases[] = {
        {0, true, "", "", 0, 0, 0},
        {2999, true, "", "", 0, 0, 0},
        {3000, false, "始発の電車", "白い息", 0, 0, 0},
        {4250, false, "始発の電車", "白い息", 0.5, 0, 0},  // half of 始発
        {5300, false, "始発の電車", "白い息", 2.5, 0, 0},  // half of 電車
        {5600, false, "まだ眠る街", "白い息", 0, 0, 0},    // sung: replaced
        {6400, false, "まだ眠る街", "白い息", 0, 2, 0},    // the zero-length い at once
        {6700, false, "まだ眠る街", "白い息", 0, 2.3, 0},
        {8000, false, "まだ眠る街", "白い息", 1, 3, 0},   // a whole line lights at once
        {10500, false, "まだ眠る街", "白い息", 1, 3, 0},  // passed, lingering
        {12000, false, "", "", 0, 0, 0},
        {16999, false, "", "", 0, 0, 0},
        {17000, false, "夜明けの空", "", 0, 0, 3},  // count-in: 3 dots
        {18500, false, "夜明けの空", "", 0, 0, 2},
        {19999, false, "夜明けの空", "", 0, 0, 1},
        {20000, false, "夜明けの空", "", 0, 0, 0},
        {22500, false, "夜明けの空", "", 3, 0, 0},
        {23500, false, "", "", 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.t);
        const ui::KaraokeFrame f = ui::karaokeFrameAt(s, c.t);
        EXPECT_EQ(f.title, c.title);
        EXPECT_EQ(rowText(s, f, 0), c.upper);
        EXPECT_EQ(rowText(s, f, 1), c.lower);
        EXPECT_DOUBLE_EQ(f.rows[0].wiped, c.wipedUpper);
        EXPECT_DOUBLE_EQ(f.rows[1].wiped, c.wipedLower);
        EXPECT_EQ(f.dots, c.dots);
    }
    const ui::KaraokeFrame passed = ui::karaokeFrameAt(s, 10500);
    EXPECT_EQ(passed.rows[0].state, ui::LineState::Passed);
    const ui::KaraokeFrame lit = ui::karaokeFrameAt(s, 9000);
    EXPECT_EQ(lit.rows[0].state, ui::LineState::Singing);
}

TEST(KaraokeLayout, OnlyLineTimesLightWholeLines) {
    KaraokeLyricInput in;
    in.lines = {"一行目", "二行目", "三行目"};
    in.times = {1000, 2000, 3000};
    const ui::KaraokeScene s = buildKaraokeScene(in);
    ASSERT_EQ(s.lines.size(), 3u);
    for (const ui::KaraokeLine& l : s.lines) EXPECT_FALSE(l.wipe);
    EXPECT_EQ(s.lines[2].end, 3000 + kLongGapMs);  // nothing after the last line
    EXPECT_EQ(s.titleUntil, 0);                    // the singing starts at once: no title card
    // A split whose text no longer matches its line is not used.
    in.syllables.at(1) = {"別の行", {{"別", 2000}, {"の行", 2100}}, {}};
    EXPECT_FALSE(buildKaraokeScene(in).lines[1].wipe);
}

TEST(KaraokeLayout, NothingTimedKeepsTheTitleCard) {
    KaraokeLyricInput in;
    in.title = "星のオルゴール";
    in.lines = {"時刻のない歌詞"};
    in.times = {kNoTiming};
    const ui::KaraokeScene s = buildKaraokeScene(in);
    EXPECT_TRUE(s.lines.empty());
    for (std::int32_t t : {0, 60000, 600000}) EXPECT_TRUE(ui::karaokeFrameAt(s, t).title) << t;
}

TEST(KaraokeLayout, LyricClockAddsLeadAndOffset) {
    const struct {
        std::int32_t elapsed, lead, offset, clock;
    } cases[] = {
        {10000, 300, 0, 10300}, {10000, 300, 150, 10150}, {10000, 0, -50, 10050}, {0, 0, 0, 0}};
    for (const auto& c : cases) EXPECT_EQ(lyricClock(c.elapsed, c.lead, c.offset), c.clock);
}

}  // namespace
}  // namespace lirafok

#include "editors/cdset_words.h"

#include <gtest/gtest.h>

#include <string>

namespace lirafok {
namespace {

TEST(SetterWords, TapsWalkSyllablesAndLines) {
    SetterWords w({"きょうは", "", "hello world", ""}, {});
    const struct {
        int line;
        std::int32_t time;
        bool lineTime, lineDone;
        const char* caption;  // of the tapped line, cursor shown, after the tap
    } taps[] = {
        {0, 1000, true, false, "きょ/【う】/は"},
        {0, 1200, false, false, "きょ/う/【は】"},
        {0, 1400, false, true, "【きょ】/う/は"},  // the line is done: the cursor goes on
        {1, 2000, true, true, ""},                 // a blank line takes one tap
        {2, 3000, true, false, "hello /【world】"},
        {2, 3500, false, true, "【hello 】/world"},
    };
    for (const auto& t : taps) {
        SCOPED_TRACE(t.time);
        const SetterWords::Tap r = w.tap(t.line, t.time);
        EXPECT_TRUE(r.stored);
        EXPECT_EQ(r.lineTime, t.lineTime);
        EXPECT_EQ(r.lineDone, t.lineDone);
        EXPECT_EQ(w.caption(t.line, true), t.caption);
    }
    EXPECT_FALSE(w.tap(9, 100).stored);
    // Enter after "world": it ends there; before any tap of line 3, it is the line before's.
    EXPECT_TRUE(w.markEnd(3, 3900));
    EXPECT_FALSE(w.markEnd(3, 3000));  // before its start
    const SyllableTrack t = w.track();
    ASSERT_NE(t.find(0), nullptr);
    EXPECT_EQ(t.find(0)->syllables.back().start, 1400);
    ASSERT_NE(t.find(2), nullptr);
    EXPECT_EQ(t.find(2)->syllables.back().end, 3900);
    EXPECT_EQ(t.find(1), nullptr);  // nothing to keep for a blank line
    EXPECT_EQ(w.firstDisorder(), -1);
}

TEST(SetterWords, SplitJoinNudgeAndOrder) {
    SyllableTrack stored;
    stored.offsetMs = 200;
    stored.at(0) = {"夢を乗せて", {}, {{0, 1, "ゆめ"}}};
    SetterWords w({"夢を乗せて", "紙飛行機"}, stored);
    EXPECT_EQ(w.caption(1, true), "【紙飛行機】");
    EXPECT_TRUE(w.split(1));
    EXPECT_EQ(w.caption(1, true), "【紙】/飛行機");
    EXPECT_TRUE(w.join(1));
    EXPECT_FALSE(w.join(5));
    // Nothing timed and the automatic split: only the reading is kept.
    SyllableTrack t = w.track();
    EXPECT_EQ(t.offsetMs, 200);
    ASSERT_NE(t.find(0), nullptr);
    EXPECT_TRUE(t.find(0)->syllables.empty());
    EXPECT_EQ(t.find(0)->rubies.size(), 1u);
    EXPECT_EQ(t.find(1), nullptr);
    // A re-split line is kept even before it is timed.
    w.split(1);
    ASSERT_NE(w.track().find(1), nullptr);
    EXPECT_EQ(w.track().find(1)->syllables.size(), 2u);
    // Times that run backwards are found; a nudge moves the syllable under the cursor.
    w.resetCursor();
    w.tap(0, 5000);
    w.tap(0, 4000);
    EXPECT_EQ(w.firstDisorder(), 0);
    w.resetCursor();
    w.tap(0, 3000);
    EXPECT_EQ(w.firstDisorder(), -1);
    EXPECT_EQ(w.nudge(0, 100), 4100);  // the cursor is on the second syllable
    EXPECT_EQ(w.nudge(0, -5000), 0);   // never before the track's start
}

}  // namespace
}  // namespace lirafok
